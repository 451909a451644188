#pragma once
// The delivery commands of the main window: ＸＭＬ保存 (the silent check, the
// folder dialog in its export mode, the export), ＸＭＬ読込 (the folder dialog
// in its read mode with the XML viewer, the import, ＸＭＬ入力 opened) and
// HTML工事写真帳作成 (the folder dialog in its album mode, the site, the
// browser). Each dialog is a replaceable function so that tests drive the
// commands without one.
#include "delivery/delivery_export.h"
#include "delivery/html_album.h"
#include "delivery/ui/xml_tree_form.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

class QWidget;

namespace zb {

class HierarchyModel;
class JobLife;
class Messages;
class Progress;

class TDeliveryCommands : public QObject {
    Q_OBJECT
public:
    TDeliveryCommands(JobLife& job, HierarchyModel& tree, Messages& messages, Progress& progress, QWidget* window,
                      QObject* parent = nullptr);
    ~TDeliveryCommands() override;

    // What the folder dialog gives back.
    struct FolderChoice {
        QString folder;
        bool original = false;
        int viewer = 0;
        bool discImage = false;
        int discSize = 650;
        QString standard;  // 適用要領基準: an edition's code or kDraftStandard (mode 2)
    };
    // The folder dialog in a mode (1 read, 2 write, 3 album) with a caption,
    // a message and the options to start from; nullopt on cancel.
    std::function<std::optional<FolderChoice>(int mode, const QString& caption, const QString& message,
                                              const FolderChoice& start)>
        chooseFolder;
    // Opens the album page in the desktop's browser.
    std::function<bool(const QString& page)> openBrowser;

    // The commands.
    void writeXml();
    void readXml();
    void writeHtml();
    // The XML viewer on a file; modal from the folder dialog.
    void showXmlFile(const QString& path, bool modal);
    // The delivery check of a folder holding PHOTO.XML, its findings shown.
    void checkFolder(const QString& folder);

    TXMLTreeForm* treeForm() const { return treeForm_; }

    // Gives the commands to the main window by the command map's names.
    void installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler);

private:
    ExportJob exportJob();

    JobLife& job_;
    HierarchyModel& tree_;
    Messages& messages_;
    Progress& progress_;
    QPointer<QWidget> window_;
    QPointer<TXMLTreeForm> treeForm_;
};

}  // namespace zb
