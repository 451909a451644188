#include "maintenance/reclaim.h"

#include "core/busy.h"
#include "core/ports.h"
#include "core/scripted_ports.h"
#include "maintenance/backup.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/job_life.h"

#include <QDir>
#include <QFile>

namespace zb {

QString reclaimPackagePath(const QString& tempFile) { return tempFile + kReclaimJobName + QStringLiteral(".DAT"); }

bool RunReclaim(JobLife& job, TDataModule_Main& data, Messages& messages, Progress& progress)
{
    if (!job.isOpen() || !messages.confirm(kReclaimQuestion))
        return false;
    const BusyMark::Scope mark;
    if (job.save() == SaveResult::Failed)
        return true;
    const Folders& folders = job.folders();
    QDir().mkpath(folders.tempFile);
    const QString package = reclaimPackagePath(folders.tempFile);
    struct Remove {
        QString path;
        ~Remove() { QFile::remove(path); }
    } removePackage{package};

    const QString source = job.name();
    PhotoFields fields;
    fields.lookUp(data.photoTable());
    const BackupSource src{data.photoTable(), fields, job.file(), JobPaths{folders.dataFile, source}.albumFolder()};
    if (WriteBackup(src, package, BackupMode::Compressed, progress) != MaintenanceResult::Done) {
        messages.information(kReclaimFailed);
        return true;
    }
    // The restore runs quietly: whatever stops it is told as the reclaim's failure.
    SilentMessages quiet;
    bool closedOwn = false;
    const RestoreOutcome out = RestoreBackup(
        folders.dataFile, package, true, quiet, progress,
        [&](const QString& target) {
            // Our own exclusive hold on an open 圧縮済工事データ would look like another user's.
            if (job.isOpen() && job.name() == target)
                closedOwn = job.closeJob();
        },
        kReclaimJobName);
    if (out.result != MaintenanceResult::Done) {
        if (closedOwn)
            job.openChosen({source, {}});
        messages.information(kReclaimFailed);
        return true;
    }
    const JobPaths target{folders.dataFile, kReclaimJobName};
    writeMarker(target.compressedMarker(), kCompressedMarkerText);
    if (job.openChosen({kReclaimJobName, {}}) != JobLife::OpenResult::Opened) {
        messages.information(kReclaimFailed);
        return true;
    }
    messages.information(kMaintenanceDone);
    return true;
}

}  // namespace zb
