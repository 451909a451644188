// Photo import of camera-like 12-megapixel JPEGs with EXIF into a new job with
// the default settings (backup copies on), against what the same files cost
// in the same run with plain tools: libjpeg-turbo's reduced decode
// (`djpeg -scale 1/8`, one file after another) plus copying every file twice
// on the same disk (the backup copy and the picture stored in the table).
// vipsthumbnail's time over the same files is printed as a further reference,
// and the peak memory of the import.
//
// Usage: bench_import            (200 pictures of 4000 x 3000)
//        ZB_BENCH_IMPORT_COUNT=20 bench_import   (fewer, for a quick run)
//        bench_import --runs 3    (best of 3 runs of each side, default 2)
//        ZB_BENCH_IMPORT_COMPRESSED=1 bench_import (a job with the
//        compressed-photo marker: every picture decoded and encoded again)
//        ZB_BENCH_HEIC_COUNT=10 bench_import   (fewer HEIC files, 0: none)
//
// The same pictures are also imported as phone files (JFIF before Exif,
// Orientation 6) and, made into HEIC files, against heif-convert.
#include "bench_runs.h"
#include "bench_support.h"
#include "core/ports.h"
#include "imaging/import.h"
#include "imaging/jpeg_codec.h"
#include "imaging/working_bitmap.h"
#include "store/data_module.h"
#include "store/folders.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "store/table_network.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// An APP1 EXIF segment as a camera writes it first: IFD0 with DateTime. A
// phone's (`phone`) comes after a JFIF APP0 segment and has IFD0 with
// Orientation 6 and DateTime, and an Exif IFD with DateTimeOriginal.
QByteArray exifSegment(int index, bool phone = false)
{
    QByteArray date = QStringLiteral("2024:05:%1 10:%2:00").arg(1 + index % 28, 2, 10, QLatin1Char('0'))
                          .arg(index % 60, 2, 10, QLatin1Char('0')).toLatin1();
    date.append('\0');  // 20 bytes with the ending zero
    QByteArray tiff;
    auto u16 = [&](int v) { tiff.append(char(v & 0xff)).append(char((v >> 8) & 0xff)); };
    auto u32 = [&](qint64 v) { u16(int(v & 0xffff)); u16(int((v >> 16) & 0xffff)); };
    tiff.append("II");
    u16(42);
    u32(8);        // IFD0 right after the header
    if (!phone) {
        u16(1);        // one entry
        u16(0x0132);   // DateTime
        u16(2);        // ASCII
        u32(date.size());
        u32(8 + 2 + 12 + 4);  // the text after the IFD
        u32(0);        // no next IFD
        tiff.append(date);
    } else {
        const int exifIfd = 8 + 2 + 3 * 12 + 4;
        const int texts = exifIfd + 2 + 12 + 4;
        u16(3);
        u16(0x0112); u16(3); u32(1); u16(6); u16(0);           // Orientation 6
        u16(0x0132); u16(2); u32(date.size()); u32(texts);      // DateTime
        u16(0x8769); u16(4); u32(1); u32(exifIfd);              // Exif IFD
        u32(0);
        u16(1);
        u16(0x9003); u16(2); u32(date.size()); u32(texts + date.size());  // DateTimeOriginal
        u32(0);
        tiff.append(date).append(date);
    }
    QByteArray seg;
    if (phone)
        seg.append("\xFF\xE0\x00\x10JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
    seg.append("\xFF\xE1", 2);
    const int len = 2 + 6 + int(tiff.size());
    seg.append(char(len >> 8)).append(char(len & 0xff));
    seg.append("Exif\0\0", 6);
    seg.append(tiff);
    return seg;
}

// Writes the pictures in a child process, so that the memory it takes does
// not count in this process's peak.
bool makeFiles(const QString& folder, int count, QStringList& files, QStringList& phoneFiles)
{
    QDir().mkpath(QDir(folder).filePath(QStringLiteral("phone")));
    for (int i = 0; i < count; ++i)
        phoneFiles << QDir(folder).filePath(QStringLiteral("phone/IMG_%1.JPG").arg(i + 1, 4, 10, QLatin1Char('0')));
    for (int i = 0; i < count; ++i)
        files << QDir(folder).filePath(QStringLiteral("DSCF%1.JPG").arg(i + 1, 4, 10, QLatin1Char('0')));
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const int w = 4000, h = 3000;
        zb::SilentMessages messages;
        const QImage base = zbbench::cameraLike(w, h, 1);
        for (int i = 0; i < count; ++i) {
            const QImage picture = zbbench::cameraLikeFile(base, i);
            QByteArray jpeg;
            if (!zb::EncodeJpeg(picture, jpeg, false, 90, messages))
                _exit(1);
            for (bool phone : {false, true}) {
                QByteArray file = jpeg;
                file.insert(2, exifSegment(i, phone));
                QFile f(phone ? phoneFiles[i] : files[i]);
                if (!f.open(QIODevice::WriteOnly) || f.write(file) != file.size())
                    _exit(1);
            }
        }
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One import of every file into a new job; wall seconds, negative on failure.
double importOnce(const QString& root, const QString& jobName, const QStringList& files)
{
    zb::SilentMessages messages;
    const zb::Folders folders = zb::resolveFolders(root, zb::NetworkSettings{}, zb::SharedDecision{}, root);
    zb::createFolders(folders, messages);
    zb::TDataModule_Main data(folders, messages);
    zb::JobLife job(folders, data, messages);
    if (job.createJob(jobName, QString()) != zb::JobLife::OpenResult::Opened)
        return -1;
    const zb::JobPaths paths{folders.dataFile, job.name()};
    zb::ImportJob ij;
    ij.table = &job.photoTable();
    ij.fields.lookUp(job.photoTable());
    ij.backFolder = paths.backFolder();
    const char* compressed = std::getenv("ZB_BENCH_IMPORT_COMPRESSED");
    ij.compressed = compressed && *compressed && *compressed != '0';
    zb::ImportTarget target;
    QList<zb::RECORD> photos;
    target.folder = &photos;
    target.folderAcceptsPhotos = true;
    zb::SilentProgress progress;
    QElapsedTimer t;
    t.start();
    const bool ok = zb::ImportPictures(ij, files, target, zb::ImportSettings{}, messages, progress);
    job.file().folders[0].photos = photos;
    job.setChanged();
    job.saveJob();
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    job.closeJob();
    return ok && photos.size() == files.size() ? seconds : -1;
}

double copyTwice(const QStringList& files, const QString& folder)
{
    QDir().mkpath(folder);
    QElapsedTimer t;
    t.start();
    for (const QString& f : files)
        for (const char* copy : {"a", "b"}) {
            const QString target = QDir(folder).filePath(QFileInfo(f).fileName() + QLatin1Char('.') + copy);
            QFile in(f), out(target);
            if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly))
                return -1;
            if (out.write(in.readAll()) != in.size())
                return -1;
            out.flush();
        }
    const double seconds = double(t.nsecsElapsed()) / 1e9;
    QDir(folder).removeRecursively();
    return seconds;
}

// HEIC photos of 12 MP (made from the camera files by libheif's heif-enc,
// outside the timing) imported into a new job, against libheif's own
// heif-convert turning the same files into JPEGs one after another.
// ZB_BENCH_HEIC_COUNT sets how many (default 50, 0 skips).
void benchHeic(const zbbench::BestOf& best, const QStringList& cameraFiles, const QString& folder,
               const std::function<double(const QStringList&)>& importAll)
{
    const char* env = std::getenv("ZB_BENCH_HEIC_COUNT");
    const int count = std::min<int>(int(cameraFiles.size()), env && *env ? std::atoi(env) : 50);
    if (count <= 0)
        return;
    if (QStandardPaths::findExecutable(QStringLiteral("heif-enc")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("heif-convert")).isEmpty()) {
        std::printf("heif-enc or heif-convert not found (package libheif-examples): no HEIC figure\n");
        return;
    }
    QDir().mkpath(folder);
    std::printf("making %d HEIC files of 4000 x 3000 with heif-enc ...\n", count);
    std::fflush(stdout);
    QStringList heic;
    for (int i = 0; i < count; ++i) {
        const QString out = QDir(folder).filePath(QStringLiteral("IMG_%1.HEIC").arg(i + 1, 4, 10, QLatin1Char('0')));
        if (!zbbench::runTool({"heif-enc", "-q", "50", "-o", out.toStdString(), cameraFiles[i].toStdString()}).ok()) {
            std::printf("heif-enc failed: no HEIC figure\n");
            return;
        }
        heic << out;
    }
    const std::string jpegOut = QDir(folder).filePath(QStringLiteral("converted.jpg")).toStdString();
    const std::vector<double> t = best.run({
        [&] { return importAll(heic); },
        [&] {
            double sum = 0;
            for (const QString& f : heic) {
                const double one = zbbench::runTool({"heif-convert", f.toStdString(), jpegOut}).wall;
                if (one < 0)
                    return -1.0;
                sum += one;
            }
            return sum;
        },
    });
    if (t[0] < 0 || t[1] < 0) {
        std::printf("HEIC import or heif-convert failed: no HEIC figure\n");
        return;
    }
    std::printf("HEIC import of %d files of 12 MP:            %.2f s, %.1f ms a picture\n", count, t[0],
                t[0] * 1000 / count);
    std::printf("heif-convert to JPEG, one file after another: %.2f s\n", t[1]);
    std::printf("ratio HEIC import / heif-convert = %.2f (target at most 1.20)\n", t[0] / t[1]);
}

long peakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const char* env = std::getenv("ZB_BENCH_IMPORT_COUNT");
    const int count = std::max(1, env && *env ? std::atoi(env) : 200);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    std::printf("making %d camera JPEGs of 4000 x 3000 with EXIF ...\n", count);
    std::fflush(stdout);
    QStringList files, phoneFiles;
    QDir().mkpath(dir.filePath(QStringLiteral("camera")));
    if (!makeFiles(dir.filePath(QStringLiteral("camera")), count, files, phoneFiles)) {
        std::fprintf(stderr, "cannot write the pictures\n");
        return 1;
    }
    qint64 bytes = 0;
    for (const QString& f : files)
        bytes += QFileInfo(f).size();
    std::printf("%d files, %.1f MB on average\n", count, double(bytes) / count / 1e6);
    const long before = peakKiB();

    // Wall times (the import uses every core, the reference one); the machine
    // may be shared, so each figure is the best of several runs, the sides
    // taking turns (--runs N or ZB_BENCH_RUNS, default 2).
    const bool haveDjpeg = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();
    const bool haveVips = !QStandardPaths::findExecutable(QStringLiteral("vipsthumbnail")).isEmpty();
    setenv("VIPS_CONCURRENCY", "1", 1);
    const std::string vipsOut = dir.path().toStdString() + "/%s_vips.jpg";
    bool djpegOk = haveDjpeg, vipsOk = haveVips;
    int round = 0;
    auto sumOfTool = [&](bool& ok, auto args, const QStringList& over) {
        if (!ok)
            return -1.0;
        double sum = 0;
        for (const QString& f : over) {
            const double one = zbbench::runTool(args(f.toStdString())).wall;
            if (one < 0) {
                ok = false;
                return -1.0;
            }
            sum += one;
        }
        return sum;
    };
    const zbbench::BestOf best(zbbench::runsOption(argc, argv, 2));
    auto importAll = [&](const QStringList& over) {
        const QString root = dir.filePath(QStringLiteral("prog%1").arg(round++));
        QDir().mkpath(root);
        const double s = importOnce(root, QStringLiteral("現場"), over);
        QDir(root).removeRecursively();
        return s;
    };
    auto djpegAll = [&](const QStringList& over) {
        return sumOfTool(djpegOk, [](const std::string& f) {
            return std::vector<std::string>{"djpeg", "-scale", "1/8", "-bmp", "-outfile", "/dev/null", f};
        }, over);
    };
    const std::vector<double> t = best.run({
        [&] { return importAll(files); },
        [&] { return djpegAll(files); },
        [&] { return copyTwice(files, dir.filePath(QStringLiteral("copies"))); },
        [&] {
            return sumOfTool(vipsOk, [&](const std::string& f) {
                return std::vector<std::string>{"vipsthumbnail", "-s", "160x120", f, "-o", vipsOut};
            }, files);
        },
        // Phone files: JFIF before Exif, Orientation 6 (thumbnails turned upright).
        [&] { return importAll(phoneFiles); },
        [&] { return djpegAll(phoneFiles); },
        [&] { return copyTwice(phoneFiles, dir.filePath(QStringLiteral("copies"))); },
    });
    const double ours = t[0], djpeg = t[1], copies = t[2], vips = t[3];
    const double phoneOurs = t[4], phoneDjpeg = t[5], phoneCopies = t[6];
    if (ours < 0) {
        std::fprintf(stderr, "import failed\n");
        return 1;
    }
    if (copies < 0) {
        std::fprintf(stderr, "copying failed\n");
        return 1;
    }
    djpegOk = djpegOk && djpeg >= 0;
    vipsOk = vipsOk && vips >= 0;
    const long peak = peakKiB();

    const char* compressed = std::getenv("ZB_BENCH_IMPORT_COMPRESSED");
    if (compressed && *compressed && *compressed != '0')
        std::printf("compressed job: every picture decoded and encoded again at quality 85\n");
    std::printf("best of %d runs of each side\n", best.runs());
    std::printf("import into a new job (backup copies on):  %.2f s, %.1f ms a picture\n", ours, ours * 1000 / count);
    std::printf("copying every file twice:                  %.2f s\n", copies);
    if (djpegOk) {
        std::printf("djpeg -scale 1/8, one file after another:  %.2f s\n", djpeg);
        std::printf("ratio import / (djpeg + two copies) = %.2f (target at most 1.00)\n", ours / (djpeg + copies));
    } else {
        std::printf("djpeg not found or failed (package libjpeg-turbo-progs): no ratio\n");
    }
    if (phoneOurs < 0 || phoneCopies < 0) {
        std::fprintf(stderr, "import of the phone files failed\n");
        return 1;
    }
    std::printf("phone files (JFIF before Exif, Orientation 6): import %.2f s, %.1f ms a picture\n", phoneOurs,
                phoneOurs * 1000 / count);
    if (djpegOk && phoneDjpeg >= 0)
        std::printf("ratio import / (djpeg + two copies), phone files = %.2f (target at most 0.40)\n",
                    phoneOurs / (phoneDjpeg + phoneCopies));
    if (vipsOk)
        std::printf("vipsthumbnail -s 160x120 (one thread):     %.2f s (reference)\n", vips);
    else
        std::printf("vipsthumbnail not found or failed (package libvips-tools)\n");
    std::printf("peak memory %.0f MB (before the import %.0f MB): %s the 300 MB limit\n", peak / 1024.0,
                before / 1024.0, peak < 300 * 1024 ? "under" : "OVER");

    benchHeic(best, files, dir.filePath(QStringLiteral("heic")), importAll);
    return 0;
}
