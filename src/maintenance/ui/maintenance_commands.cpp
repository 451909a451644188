#include "maintenance/ui/maintenance_commands.h"

#include "core/ports.h"
#include "maintenance/backup.h"
#include "maintenance/reclaim.h"
#include "maintenance/table_repair.h"
#include "store/data_module.h"
#include "store/job_life.h"

#include <QApplication>
#include <QCursor>
#include <QFileDialog>
#include <QFileInfo>

namespace zb {

namespace {

// The hourglass for the lifetime of the object, reset in every exit path.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TMaintenanceCommands::TMaintenanceCommands(JobLife& job, TDataModule_Main& data, Messages& messages,
                                           Progress& progress, QWidget* window, QObject* parent)
    : QObject(parent), job_(job), data_(data), messages_(messages), progress_(progress), window_(window)
{
    chooseSaveFile = [this](const QString& caption, const QString& proposal, const QString& filter) {
        return QFileDialog::getSaveFileName(window_, caption, proposal, filter);
    };
    chooseOpenFile = [this](const QString& caption, const QString& folder, const QString& filter) {
        return QFileDialog::getOpenFileName(window_, caption, folder, filter);
    };
}

void TMaintenanceCommands::backup()
{
    if (!job_.isOpen())
        return;
    QString folder = hooks.backupFolder ? hooks.backupFolder() : QString();
    if (folder.isEmpty())
        folder = job_.folders().dataFile;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    QString path = chooseSaveFile(kBackupSaveCaption, folder + job_.name() + QStringLiteral(".ZBB"), kBackupFilter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".ZBB"), Qt::CaseInsensitive))
        path += QStringLiteral(".ZBB");
    if (!messages_.ask(backupConfirmText(job_.folders().dataFile, job_.name())))
        return;
    WaitCursor wait;
    if (BackupOpenJob(job_, data_, path, messages_, progress_) && hooks.setBackupFolder)
        hooks.setBackupFolder(QFileInfo(path).absolutePath() + QLatin1Char('/'));
}

void TMaintenanceCommands::restore()
{
    const QString path = chooseOpenFile(kBackupLoadCaption, job_.folders().dataFile, kBackupFilter);
    if (path.isEmpty())
        return;
    bool restored = false;
    {
        WaitCursor wait;
        restored = RestoreIntoProgram(job_, path, messages_, progress_);
    }
    if (restored && hooks.expandTree)
        hooks.expandTree();
    if (hooks.refresh)
        hooks.refresh();
}

std::optional<QString> TMaintenanceCommands::restoreFromList()
{
    const QString path = chooseOpenFile(kBackupLoadCaption, job_.folders().dataFile, kBackupFilter);
    if (path.isEmpty() || job_.save() == SaveResult::Failed)
        return std::nullopt;
    WaitCursor wait;
    const QString before = job_.name();
    bool closedOwn = false;
    const RestoreOutcome out = RestoreBackup(job_.folders().dataFile, path, false, messages_, progress_,
                                             [&](const QString& target) {
                                                 if (job_.isOpen() && job_.name() == target)
                                                     closedOwn = job_.closeJob();
                                             });
    if (out.result != MaintenanceResult::Done) {
        if (closedOwn)
            job_.openChosen({before, {}});
        return std::nullopt;
    }
    messages_.information(kMaintenanceDone);
    return out.name;
}

void TMaintenanceCommands::pack()
{
    if (!job_.isOpen() || job_.save() == SaveResult::Failed)
        return;
    bool ran = false;
    {
        WaitCursor wait;
        ran = RunPack(data_.photoTable(), messages_, kSessionPassword);
    }
    if (ran && hooks.refresh)
        hooks.refresh();
}

void TMaintenanceCommands::reclaim()
{
    {
        WaitCursor wait;
        if (!RunReclaim(job_, data_, messages_, progress_))
            return;
    }
    if (hooks.refresh)
        hooks.refresh();
}

void TMaintenanceCommands::linkRepair()
{
    bool ran = false;
    {
        WaitCursor wait;
        ran = RunLinkRepair(job_, data_, messages_, [this] {
            // The windows show the mended tree again.
            if (job_.hooks.loaded)
                job_.hooks.loaded();
        });
    }
    if (ran && hooks.refresh)
        hooks.refresh();
}

void TMaintenanceCommands::dataRepair()
{
    if (!messages_.ask(kDataRepairQuestion))
        return;
    const QFileInfo program(job_.folders().programDir + QStringLiteral("ZOVAVE"));
    if (!program.isFile() || !program.isExecutable()) {
        // ERROR_FILE_NOT_FOUND, as the platform reports a program that is not there.
        messages_.error(kProgramStartFailed + QString::number(2));
        return;
    }
    if (hooks.requestMaintenanceOnExit)
        hooks.requestMaintenanceOnExit();
    if (hooks.closeWindow)
        hooks.closeWindow();
}

void TMaintenanceCommands::installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler)
{
    setHandler(QStringLiteral("Mn_Backup"), [this] { backup(); });
    setHandler(QStringLiteral("Mn_Restore"), [this] { restore(); });
    setHandler(QStringLiteral("Mn_Compress"), [this] { pack(); });
    setHandler(QStringLiteral("Mn_Reclaim"), [this] { reclaim(); });
    setHandler(QStringLiteral("Mn_LinkRepair"), [this] { linkRepair(); });
    setHandler(QStringLiteral("Mn_DataRepair"), [this] { dataRepair(); });
}

}  // namespace zb
