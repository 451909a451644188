#pragma once
// The commands of masters, search and checks in the main window: the master
// window (マスタ) and pouring its entries into the hierarchy, the search
// window (検索) with 移動 and 一覧, list mode and its release (一覧解除), and
// the missing-input check window (入力漏れの検証). Each window is created on
// first use and kept.
#include "core/record.h"
#include "items/miss_check.h"
#include "items/ui/mast_form.h"
#include "items/ui/miss_form.h"
#include "items/ui/seek_form.h"
#include "store/folders.h"

#include <QColor>
#include <QObject>
#include <QPalette>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

class QTimer;
class QWidget;

namespace zb {

class FolderNode;
class HierarchyModel;
class JobLife;
class Messages;
class Progress;
class TPhotoListPanel;
class TTreePanel;

// Colours of the panels in list mode (the photo list has its own colours again afterwards).
inline const QColor kListModeListColor(64, 157, 111);
inline const QColor kListModeTreeColor(223, 242, 233);
inline const QColor kListModeTreeText(128, 128, 128);

class TSearchCommands : public QObject {
    Q_OBJECT
public:
    TSearchCommands(const Folders& folders, JobLife& job, HierarchyModel& tree, TTreePanel* treePanel,
                    TPhotoListPanel* photoList, Messages& messages, Progress& progress, QWidget* window,
                    QObject* parent = nullptr);
    ~TSearchCommands() override;

    // What the window lends. Any may be missing.
    struct WindowHooks {
        std::function<void()> removePhotoTab;         // the photo-information tab goes in list mode
        std::function<void(bool)> setListClearVisible; // 一覧解除 shows only in list mode
        std::function<void()> restartButtonTimer;
        QPointer<QTimer> sankoTimer;                  // Timer_Sanko: the selected photo's folder in list mode
    };
    WindowHooks hooks;

    // ---- list mode
    bool listMode() const { return listMode_; }
    void enterListMode(const QList<RECORD>& records);
    // Releases list mode; tells the user when `tell` is set. Returns whether it was on.
    bool releaseListMode(bool tell = true);

    // ---- the commands
    void openMaster();
    void openSearch();
    void openCheck();
    // 流込 from the master window into the selected folder.
    bool pour(const QString& caption);
    // A search as the search window asks for it; false when nothing was found
    // (the message was shown) or the user stopped it.
    bool runSearch(const items::SeekRequest& request);
    // The missing-input check of the open job; list mode is entered with the
    // photos that have gaps when allowed.
    items::MissCheckResult runCheck(int range, bool listModeAllowed);

    items::TMaster* master() const { return master_.get(); }
    items::TMastForm* mastForm() const { return mastForm_; }
    items::TSeekForm* seekForm() const { return seekForm_; }
    items::TMissForm* missForm() const { return missForm_; }

    // Gives the commands to the main window by the command map's names.
    void installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler);

private:
    void setListLook(bool listMode);
    void showSelectedPhotosFolder();
    int folderIndex(const FolderNode* node) const;

    Folders folders_;
    JobLife& job_;
    HierarchyModel& tree_;
    QPointer<TTreePanel> treePanel_;
    TPhotoListPanel* photoList_;
    Messages& messages_;
    Progress& progress_;
    QPointer<QWidget> window_;
    bool listMode_ = false;
    std::optional<QPalette> listPalette_;  // the photo list's colours before list mode
    std::unique_ptr<items::TMaster> master_;
    QPointer<items::TMastForm> mastForm_;
    QPointer<items::TSeekForm> seekForm_;
    QPointer<items::TMissForm> missForm_;
};

}  // namespace zb
