// Electronic delivery benchmark, each figure a ratio against plain tools on
// the same bytes in the same run:
//   - exporting N camera-like photos (stored pictures written unchanged)
//     against `cp -r` of the same files to the same disk (target: speed at
//     least 0.8 of cp's, that is time at most 1.25 of it);
//   - the PHOTO.XML of 10,000 photos against two bare SQLite scans of their
//     text fields (target: below 1);
//   - importing the exported set back against `djpeg -scale 1/8` of every
//     picture, one after another, plus one `cp -r` of the set (target: at
//     most 1);
//   - the delivery check of a 10,000-photo delivery (its files present)
//     against `xmllint --valid --noout` of its PHOTO.XML (target: at most 2).
// The exports write the default layout (PHOTO05.DTD); the export is timed
// with a sync, as cp is.
//
// Usage: bench_delivery                  (300 pictures of 4000 x 3000)
//        ZB_BENCH_DELIVERY_COUNT=20 bench_delivery   (fewer, for a quick run)
//        bench_delivery --runs 3         (best of 3 runs of each side, default 2)
#include "bench_runs.h"
#include "bench_support.h"
#include "core/ports.h"
#include "delivery/delivery_check.h"
#include "delivery/delivery_export.h"
#include "delivery/delivery_import.h"
#include "imaging/jpeg_codec.h"
#include "store/folders.h"
#include "store/photo_table.h"
#include "store/table_network.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zb;

namespace {

// The pictures, written in a child process so that its memory stays apart.
bool makeFiles(const QString& folder, int count, QStringList& files)
{
    for (int i = 0; i < count; ++i)
        files << QDir(folder).filePath(QStringLiteral("DSCF%1.JPG").arg(i + 1, 4, 10, QLatin1Char('0')));
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        SilentMessages messages;
        const QImage base = zbbench::cameraLike(4000, 3000, 7);
        for (int i = 0; i < count; ++i) {
            QByteArray jpeg;
            if (!EncodeJpeg(zbbench::cameraLikeFile(base, i), jpeg, false, 90, messages))
                _exit(1);
            QFile f(files[i]);
            if (!f.open(QIODevice::WriteOnly) || f.write(jpeg) != jpeg.size())
                _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

double bareScan(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return -1;
    zbbench::Stopwatch w;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    size_t bytes = 0;
    while (sqlite3_step(s) == SQLITE_ROW)
        for (int i = 0; i < sqlite3_column_count(s); ++i) {
            sqlite3_column_text(s, i);
            bytes += size_t(sqlite3_column_bytes(s, i));
        }
    sqlite3_finalize(s);
    const double t = w.seconds();
    sqlite3_close(db);
    return bytes > 0 ? t : -1;
}

double cp(const QString& from, const QString& to)
{
    // Timed with its sync, as the export is.
    QDir(to).removeRecursively();
    zbbench::Stopwatch w;
    const zbbench::ToolTimes t = zbbench::runTool({"cp", "-r", from.toStdString(), to.toStdString()});
    const zbbench::ToolTimes s = zbbench::runTool({"sync"});
    const double seconds = w.seconds();
    QDir(to).removeRecursively();
    return t.ok() && s.ok() ? seconds : -1;
}

struct Job {
    Folders folders;
    JobHeader header;
    Hierarchy tree;
    TTableNetWork table;
    PhotoFields fields;
    ExportJob exportJob()
    {
        ExportJob j;
        j.header = &header;
        j.folders = &tree;
        j.table = &table;
        j.fields = fields;
        j.sysFile = folders.sysFile;
        j.programFilesDir = folders.programFilesDir;
        return j;
    }
};

void makeJob(Job& job, const QString& root, int rows, const QStringList& pictures)
{
    SilentMessages quiet;
    job.folders = resolveFolders(root, NetworkSettings{}, SharedDecision{}, root);
    createFolders(job.folders, quiet);
    job.header = newJobHeader(QStringLiteral("請負者"), {}, {});
    job.header.constructionName = QStringLiteral("ベンチマーク工事");
    job.fields = openOrCreatePhotoTable(job.folders.dataFile + QStringLiteral("J.DB"), {&job.table}, true, true);
    TreeFolder folder{QStringLiteral("施工状況写真"), 2, {}};
    job.table.beginBatch();
    for (int r = 1; r <= rows; ++r) {
        job.table.append();
        job.table.setValue(job.fields[F_RECORD], r);
        job.table.setValue(job.fields[F_FLAG], 0);
        job.table.setValue(job.fields[F_TITLE], QStringLiteral("工事写真 & 記録 <%1>").arg(r));
        job.table.setValue(job.fields[F_KASYO], QStringLiteral("No.%1 付近").arg(r));
        job.table.setValue(job.fields[F_DATE], QStringLiteral("20260401"));
        job.table.setValue(job.fields[F_NEGANUM], QString::number(r));
        for (PhotoField p : {F_KANRI, F_UKEOIBIKOU, F_BIKOU1})
            job.table.setValue(job.fields[p], QStringLiteral("説明文 %1").arg(r));
        if (!pictures.isEmpty()) {
            QFile f(pictures[(r - 1) % pictures.size()]);
            f.open(QIODevice::ReadOnly);
            job.table.writeBlob(job.fields[F_IMAGE_ORG], f.readAll());
            job.table.setValue(job.fields[F_GRA_FLAG], 0);
        }
        job.table.post();
        folder.photos << r;
    }
    job.table.commitBatch();
    job.tree = {{kUnclassifiedCaption, 0, {}}, {kPhotoRootCaption, 0, {}}, {QStringLiteral("工事"), 1, {}}, folder,
                {kRecycleCaption, 0, {}}};
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const char* env = std::getenv("ZB_BENCH_DELIVERY_COUNT");
    const int count = std::max(1, env && *env ? std::atoi(env) : 300);
    QTemporaryDir dir;
    std::printf("making %d camera JPEGs of 4000 x 3000 ...\n", count);
    std::fflush(stdout);
    QStringList files;
    QDir().mkpath(dir.filePath(QStringLiteral("camera")));
    if (!makeFiles(dir.filePath(QStringLiteral("camera")), count, files)) {
        std::fprintf(stderr, "cannot write the pictures\n");
        return 1;
    }
    qint64 bytes = 0;
    for (const QString& f : files)
        bytes += QFileInfo(f).size();
    std::printf("%d files, %.2f MB on average\n", count, double(bytes) / count / 1e6);

    Job photos;
    makeJob(photos, dir.filePath(QStringLiteral("prog")), count, files);
    Job texts;
    makeJob(texts, dir.filePath(QStringLiteral("prog10k")), 10000, {});
    texts.table.closeTable();
    texts.table.openTable(texts.folders.dataFile + QStringLiteral("J.DB"), false);
    texts.fields.lookUp(texts.table);

    // A set to read back, written once.
    SilentMessages quiet;
    SilentProgress progress;
    const QString set = dir.filePath(QStringLiteral("set"));
    QDir().mkpath(set);
    if (exportDelivery(photos.exportJob(), {set}, quiet, progress) != ExportResult::Done) {
        std::fprintf(stderr, "export failed\n");
        return 1;
    }
    const bool haveDjpeg = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();
    const bool haveXmllint = !QStandardPaths::findExecutable(QStringLiteral("xmllint")).isEmpty();

    // A 10,000-photo delivery to check, each photo file present (a few bytes each).
    const QString checked = dir.filePath(QStringLiteral("checked"));
    QDir().mkpath(checked);
    if (exportDelivery(texts.exportJob(), {checked}, quiet, progress) != ExportResult::Done) {
        std::fprintf(stderr, "export of the 10,000 photos failed\n");
        return 1;
    }
    const QString checkedPhoto = checked + QStringLiteral("/PHOTO");
    for (int r = 1; r <= 10000; ++r) {
        QFile f(checkedPhoto + QStringLiteral("/PIC/P%1.JPG").arg(r, 7, 10, QLatin1Char('0')));
        if (!f.open(QIODevice::WriteOnly) || f.write("\xFF\xD8\xFF\xD9", 4) != 4) {
            std::fprintf(stderr, "cannot write the check's files\n");
            return 1;
        }
    }
    int round = 0;
    const QString textColumns = QStringLiteral(
        "SELECT RECORD, FLAG, BIKOU_A, TITLE, YOBI1, YOBI2, YOBI3, KASYO, BIKOU_B, DATE, FILMNUM, NEGANUM, BIKOU_C, "
        "KANRI, BIKOU_D, BIKOU_E, UKEOIBIKOU, HACYUBIKOU, BIKOU1, BIKOU2, BIKOU3, REC_DRA1, REC_DRA2, REC_DRA3 FROM t_rows");
    const QByteArray sql = textColumns.toUtf8();

    const zbbench::BestOf best(zbbench::runsOption(argc, argv, 2));
    const std::vector<double> t = best.run({
        [&] {
            const QString out = dir.filePath(QStringLiteral("out%1").arg(round++));
            QDir().mkpath(out);
            zbbench::Stopwatch w;
            const ExportResult r = exportDelivery(photos.exportJob(), {out}, quiet, progress);
            zbbench::runTool({"sync"});
            const double s = w.seconds();
            QDir(out).removeRecursively();
            return r == ExportResult::Done ? s : -1;
        },
        [&] { return cp(dir.filePath(QStringLiteral("camera")), dir.filePath(QStringLiteral("cpout"))); },
        [&] {
            const QString out = dir.filePath(QStringLiteral("xml%1").arg(round++));
            QDir().mkpath(out);
            zbbench::Stopwatch w;
            const ExportResult r = exportDelivery(texts.exportJob(), {out}, quiet, progress);
            const double s = w.seconds();
            QDir(out).removeRecursively();
            return r == ExportResult::Done ? s : -1;
        },
        [&] {
            const QString db = texts.folders.dataFile + QStringLiteral("J.DB");
            const double a = bareScan(db, sql.constData()), b = bareScan(db, sql.constData());
            return a < 0 || b < 0 ? -1 : a + b;
        },
        [&] {
            const QString root = dir.filePath(QStringLiteral("in%1").arg(round++));
            const Folders folders = resolveFolders(root, NetworkSettings{}, SharedDecision{}, root);
            createFolders(folders, quiet);
            DeliveryImportOptions o;
            o.folder = set + QStringLiteral("/PHOTO");
            o.askMedia = false;
            zbbench::Stopwatch w;
            const DeliveryImportResult r = importDelivery(folders, o, quiet, progress, [] { return true; });
            const double s = w.seconds();
            QDir(root).removeRecursively();
            return r.outcome == DeliveryImportResult::Outcome::Imported && r.missing.isEmpty() ? s : -1;
        },
        [&] {
            if (!haveDjpeg)
                return -1.0;
            double sum = 0;
            for (const QString& f : QDir(set + QStringLiteral("/PHOTO/PIC")).entryList(QDir::Files)) {
                const zbbench::ToolTimes one = zbbench::runTool(
                    {"djpeg", "-scale", "1/8", "-bmp", "-outfile", "/dev/null",
                     (set + QStringLiteral("/PHOTO/PIC/") + f).toStdString()});
                if (!one.ok())
                    return -1.0;
                sum += one.wall;
            }
            return sum;
        },
        [&] { return cp(set, dir.filePath(QStringLiteral("setcopy"))); },
        [&] {
            zbbench::Stopwatch w;
            const FolderCheck c = checkDeliveryFolder(checkedPhoto);
            const double s = w.seconds();
            return c.readable && !hasErrors(c.findings) ? s : -1;
        },
        [&] {
            if (!haveXmllint)
                return -1.0;
            const zbbench::ToolTimes t = zbbench::runTool(
                {"xmllint", "--valid", "--noout", (checkedPhoto + QStringLiteral("/PHOTO.XML")).toStdString()});
            return t.ok() ? t.wall : -1.0;
        },
    });
    std::printf("best of %d runs of each side\n", best.runs());
    std::printf("export of %d photos: %.2f s; cp -r of the same files: %.2f s\n", count, t[0], t[1]);
    std::printf("  speed export / cp = %.2f (target at least 0.80)\n", t[1] / t[0]);
    std::printf("  speed export / (cp -r + sync) = %.2f (target at least 0.90)\n", t[1] / t[0]);
    std::printf("PHOTO.XML of 10,000 photos: %.3f s; two bare scans of their fields: %.3f s\n", t[2], t[3]);
    std::printf("  ratio = %.2f (target below 1.00)\n", t[2] / t[3]);
    if (t[5] >= 0) {
        std::printf("import of the set: %.2f s; djpeg -scale 1/8 of each %.2f s + cp -r %.2f s\n", t[4], t[5], t[6]);
        std::printf("  ratio = %.2f (target at most 1.00)\n", t[4] / (t[5] + t[6]));
    } else {
        std::printf("import of the set: %.2f s; djpeg not found (package libjpeg-turbo-progs): no ratio\n", t[4]);
    }
    if (t[8] >= 0)
        std::printf("delivery check of 10,000 photos: %.3f s; xmllint --valid --noout of its PHOTO.XML: %.3f s\n"
                    "  ratio = %.2f (target at most 2.00)\n",
                    t[7], t[8], t[7] / t[8]);
    else
        std::printf("delivery check of 10,000 photos: %.3f s; xmllint not found (package libxml2-utils): no ratio\n", t[7]);
    return 0;
}
