#pragma once
// The scanner and panorama commands of the main window: 取込 › TWAIN機器から
// and 参考図を追加 › TWAIN機器から (the acquisition dialog, photo or drawing
// target), パノラマ › ファイルを選択 and 登録済み写真から選択 (the panorama
// dialog; its result is imported into the photo target, or the drawing
// target when the drawing list had the focus).
#include "core/record.h"

#include <QImage>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace zb {

class JobLife;
class Messages;
class TPnoForm;
class TTwainForm;

class TScanCommands : public QObject {
    Q_OBJECT
public:
    TScanCommands(JobLife& job, Messages& messages, QWidget* window, QObject* parent = nullptr);
    ~TScanCommands() override;

    // What the window lends. Any may be missing.
    struct WindowHooks {
        // Imports one file into the photo target (the selected folder) or the
        // drawing target (the one selected photo); false when refused or full.
        std::function<bool(const QString& file, bool drawing)> importFile;
        std::function<bool()> drawingListFocused;
        std::function<QList<RECORD>()> focusedSelection;  // the focused list's selection, in list order
        std::function<QString()> settingsFolder;           // where ZB_G.INI lives
    };
    WindowHooks hooks;

    // The dialogs; tests replace them. runTwain shows the acquisition
    // dialog modally; runPanorama returns whether it ended with 登録.
    std::function<void(TTwainForm&)> runTwain;
    std::function<bool(TPnoForm&)> runPanorama;

    void scan(bool drawing);
    void panoramaFromFiles();
    void panoramaFromPhotos();

    TTwainForm* twainForm() const;
    // The device chosen last in this run of the program.
    QString deviceName() const { return deviceName_; }
    void setDeviceName(const QString& name) { deviceName_ = name; }

    void installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler);

private:
    void panorama(const QImage& left, const QImage& right, bool drawing);
    QString tempFolder() const;

    JobLife& job_;
    Messages& messages_;
    QPointer<QWidget> window_;
    QPointer<TTwainForm> twain_;
    QString deviceName_;
};

}  // namespace zb
