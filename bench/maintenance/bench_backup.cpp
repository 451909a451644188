// Backup packages of a job of camera-sized photos:
//  - a normal backup, against `cp` of the job's table file (target at least
//    0.8 of its speed; the package holds about the table's bytes);
//  - a restore of that package into a new job, against the same `cp`
//    (target at least 0.5);
//  - a compressed backup, which decodes every picture and encodes it at
//    quality 85 on all cores, against `djpeg` of each picture followed by
//    `cjpeg -quality 85` (target at most 1.0 of their time).
// A backup and a restore end by syncing what they wrote (a package or a job
// said to be written is on the disk); cp leaves its copy in the page cache.
// For comparison the benchmark also prints the ratios against cp followed by
// `sync` of the copy.
// The job cycles through a few distinct pictures; the compressed side's
// reference is measured on those and counted once per photo.
//
// Usage: bench_backup [--runs N] [--no-compressed]   (ZB_BENCH_BACKUP_COUNT photos, default 300)
#include "bench_runs.h"
#include "../imaging/bench_support.h"
#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "maintenance/backup.h"
#include "store/job_files.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    const int runs = zbbench::runsOption(argc, argv, 2);
    const int count = qEnvironmentVariableIntValue("ZB_BENCH_BACKUP_COUNT") > 0
                          ? qEnvironmentVariableIntValue("ZB_BENCH_BACKUP_COUNT")
                          : 300;
    const int distinct = std::min(count, 6);
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/bench_backup-XXXXXX"));
    const QString data = dir.path() + QStringLiteral("/DATAFILE/");
    QDir().mkpath(data);

    // Pictures of about 2.6 MB: 8 megapixels of camera-like detail at quality 90.
    zb::SilentMessages quiet;
    const QImage base = zbbench::cameraLike(3264, 2448, 7);
    std::vector<QByteArray> jpegs;
    std::vector<std::string> files;
    qint64 pictureBytes = 0;
    for (int i = 0; i < distinct; ++i) {
        QByteArray jpeg;
        if (!zb::EncodeJpeg(zbbench::cameraLikeFile(base, i), jpeg, false, 90, quiet)) {
            std::fprintf(stderr, "cannot encode the test picture\n");
            return 1;
        }
        const QString path = dir.filePath(QStringLiteral("IMG_%1.JPG").arg(i));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(jpeg) != jpeg.size())
            return 1;
        files.push_back(path.toStdString());
        jpegs.push_back(jpeg);
    }
    const zb::JobPaths job{data, QStringLiteral("bench")};
    QDir().mkpath(job.albumFolder());
    zb::engine::Table::create(job.table(), zb::photoTableFields(), QStringLiteral("RECORD"));
    {
        zb::engine::Table t;
        t.open(job.table(), true);
        zb::PhotoFields f;
        f.lookUp(t);
        t.beginBatch();
        for (int i = 0; i < count; ++i) {
            const QByteArray& jpeg = jpegs[size_t(i % distinct)];
            t.append();
            t.setValue(f[zb::F_RECORD], i + 1);
            t.setValue(f[zb::F_GRA_FLAG], 0);
            t.setValue(f[zb::F_TITLE], QStringLiteral("写真%1").arg(i + 1));
            t.writeBlob(f[zb::F_IMAGE_ORG], jpeg);
            t.writeBlob(f[zb::F_THUMBNAIL], QByteArray(43254, 'T'));
            t.post();
            pictureBytes += jpeg.size();
        }
        t.commitBatch();
    }
    zb::Hierarchy folders = zb::defaultHierarchy();
    for (int i = 0; i < count; ++i)
        folders[0].photos << i + 1;
    zb::writeTreeFile(job.treeFile(), zb::TreeFile{zb::newJobHeader({}, {}, {}), folders});
    std::printf("%d photos of %.1f MB on average, table %.0f MB\n", count, double(pictureBytes) / count / 1e6,
                double(QFileInfo(job.table()).size()) / 1e6);

    const QString package = dir.filePath(QStringLiteral("bench.ZBB"));
    const std::string tableCopy = dir.filePath(QStringLiteral("copy.DB")).toStdString();
    zb::SilentProgress progress;
    zbbench::BestOf best(runs);
    const std::vector<double> t = best.run({
        [&] {
            QFile::remove(package);
            zbbench::Stopwatch w;
            const bool ok = zb::BackupJobFiles(data, job.name, package, zb::BackupMode::Normal, progress)
                            == zb::MaintenanceResult::Done;
            return ok ? w.seconds() : -1.0;
        },
        [&] {
            QFile::remove(QString::fromStdString(tableCopy));
            const zbbench::ToolTimes c = zbbench::runTool({"cp", job.table().toStdString(), tableCopy});
            return c.ok() ? c.wall : -1.0;
        },
        [&] {
            QFile::remove(QString::fromStdString(tableCopy));
            const zbbench::ToolTimes c =
                zbbench::runTool({"sh", "-c", "cp \"$0\" \"$1\" && sync \"$1\"", job.table().toStdString(), tableCopy});
            return c.ok() ? c.wall : -1.0;
        },
        [&] {
            if (!QFileInfo::exists(package))
                return -1.0;
            zb::SilentMessages m;
            zbbench::Stopwatch w;
            const zb::RestoreOutcome out =
                zb::RestoreBackup(data, package, true, m, progress, {}, QStringLiteral("restored"));
            return out.result == zb::MaintenanceResult::Done ? w.seconds() : -1.0;
        },
    });
    std::printf("best of %d interleaved runs of each side, wall time\n", best.runs());
    std::printf("backup: %.2f s, cp of the table: %.2f s, ratio %.2f (target at least 0.80)\n", t[0], t[1],
                t[0] > 0 ? t[1] / t[0] : -1.0);
    std::printf("restore: %.2f s, ratio to cp %.2f (target at least 0.50)\n", t[3], t[3] > 0 ? t[1] / t[3] : -1.0);
    std::printf("cp and sync of the table: %.2f s; backup %.2f and restore %.2f of its speed\n", t[2],
                t[0] > 0 ? t[2] / t[0] : -1.0, t[3] > 0 ? t[2] / t[3] : -1.0);
    QFile::remove(QString::fromStdString(tableCopy));
    for (const char* side : {".DB", ".ZBD"})
        QFile::remove(data + QStringLiteral("restored") + QLatin1String(side));

    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--no-compressed")
            return 0;
    const bool haveTools = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty()
                           && !QStandardPaths::findExecutable(QStringLiteral("cjpeg")).isEmpty();
    const std::string ppm = dir.filePath(QStringLiteral("full.ppm")).toStdString();
    zbbench::BestOf once(std::max(1, runs / 2));
    const std::vector<double> c = once.run({
        [&] {
            QFile::remove(package);
            zbbench::Stopwatch w;
            const bool ok = zb::BackupJobFiles(data, job.name, package, zb::BackupMode::Compressed, progress)
                            == zb::MaintenanceResult::Done;
            return ok ? w.seconds() : -1.0;
        },
        [&] {
            if (!haveTools)
                return -1.0;
            double total = 0;
            for (int i = 0; i < distinct; ++i) {
                const zbbench::ToolTimes d = zbbench::runTool({"djpeg", "-ppm", "-outfile", ppm, files[size_t(i)]});
                const zbbench::ToolTimes e = zbbench::runTool({"cjpeg", "-quality", "85", "-outfile", "/dev/null", ppm});
                if (!d.ok() || !e.ok())
                    return -1.0;
                // Each distinct picture stands for the photos that hold it.
                const int holders = count / distinct + (i < count % distinct ? 1 : 0);
                total += (d.wall + e.wall) * holders;
            }
            return total;
        },
    });
    if (c[1] < 0)
        std::printf("compressed backup: %.2f s (djpeg/cjpeg not found: no ratio)\n", c[0]);
    else
        std::printf("compressed backup: %.2f s, djpeg + cjpeg -quality 85 of each: %.2f s, ratio %.2f (target at most 1.00)\n",
                    c[0], c[1], c[0] > 0 ? c[0] / c[1] : -1.0);
    return 0;
}
