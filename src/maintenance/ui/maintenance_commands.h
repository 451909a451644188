#pragma once
// The maintenance commands of the main window: バックアップ, バックアップから戻す,
// 圧縮, 領域の確保, リンク切れの修復 and データ修復. Each asks what it needs
// with the file dialogs and the window's messages and runs the maintenance
// logic on the open job.
#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

class QWidget;

namespace zb {

class JobLife;
class Messages;
class Progress;
class TDataModule_Main;

class TMaintenanceCommands : public QObject {
    Q_OBJECT
public:
    TMaintenanceCommands(JobLife& job, TDataModule_Main& data, Messages& messages, Progress& progress,
                         QWidget* window, QObject* parent = nullptr);

    // What the window lends. Any may be missing.
    struct WindowHooks {
        // The job's contents may have changed: lists and buttons again.
        std::function<void()> refresh;
        // A restored job shows its whole hierarchy.
        std::function<void()> expandTree;
        // データ修復: start the program folder's ZOVAVE after the shutdown, and close.
        std::function<void()> requestMaintenanceOnExit;
        std::function<void()> closeWindow;
        // The folder the backup dialog showed last (BackupPath).
        std::function<QString()> backupFolder;
        std::function<void(const QString&)> setBackupFolder;
    };
    WindowHooks hooks;

    // The file dialogs; tests replace them. An empty result is 中止.
    std::function<QString(const QString& caption, const QString& proposal, const QString& filter)> chooseSaveFile;
    std::function<QString(const QString& caption, const QString& folder, const QString& filter)> chooseOpenFile;

    void backup();
    void restore();
    // The job list's バックアップから読込: restores without opening the job
    // (the list opens it) and gives its name; nullopt when nothing was restored.
    std::optional<QString> restoreFromList();
    void pack();
    void reclaim();
    void linkRepair();
    void dataRepair();

    void installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler);

private:
    JobLife& job_;
    TDataModule_Main& data_;
    Messages& messages_;
    Progress& progress_;
    QPointer<QWidget> window_;
};

}  // namespace zb
