// Thumbnail making for camera-sized JPEGs against libjpeg-turbo's own reduced
// decode (`djpeg -scale 1/8`) over the same files in the same run, one thread.
// Also times `vipsthumbnail`, what a user would pick instead.
//
// Usage: bench_thumbnail [COUNT] [--runs N]   (default 100 pictures of
//        4000 x 3000, best of 2 runs of each side)
#include "bench_runs.h"
#include "bench_support.h"
#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/resample.h"
#include "imaging/stored_pictures.h"
#include "imaging/working_bitmap.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <fcntl.h>
#include <cstdio>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <ctime>
#include <vector>

extern char** environ;

namespace {


double cpuNow()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 && argv[1][0] != '-' ? std::max(1, std::atoi(argv[1])) : 100;
    const int w = 4000, h = 3000;
    QTemporaryDir dir;
    zb::SilentMessages messages;

    std::printf("making %d JPEGs of %d x %d ...\n", count, w, h);
    std::fflush(stdout);
    std::vector<std::string> files;
    qint64 bytes = 0;
    const QImage base = zbbench::cameraLike(w, h, 1);
    for (int i = 0; i < count; ++i) {
        const QImage picture = zbbench::cameraLikeFile(base, i);
        QByteArray jpeg;
        zb::EncodeJpeg(picture, jpeg, false, 92, messages);
        const QString path = dir.filePath(QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(jpeg) != jpeg.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        bytes += jpeg.size();
        files.push_back(path.toStdString());
    }
    std::printf("%d files, %.1f MB on average\n", count, double(bytes) / count / 1e6);

    // The machine may be shared: times are CPU times (ours of this process, the
    // tools' from their rusage), measured file by file, each side several
    // times in turn, keeping each side's best, so that other load touches all
    // three alike. A first pass over the files warms the page cache.
    const bool haveDjpeg = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();
    const bool haveVips = !QStandardPaths::findExecutable(QStringLiteral("vipsthumbnail")).isEmpty();
    setenv("VIPS_CONCURRENCY", "1", 1);
    const std::string vipsOut = dir.path().toStdString() + "/%s_vips.jpg";
    const int n = int(files.size());
    const zbbench::BestOf best(zbbench::runsOption(argc, argv, 2));
    std::vector<double> ours(static_cast<size_t>(n)), djpeg(static_cast<size_t>(n)), vips(static_cast<size_t>(n));
    bool djpegOk = haveDjpeg, vipsOk = haveVips;
    for (const std::string& f : files) {
        QFile warm(QString::fromStdString(f));
        if (warm.open(QIODevice::ReadOnly))
            (void)warm.readAll();
    }
    for (int i = 0; i < n; ++i) {
        const QString path = QString::fromStdString(files[size_t(i)]);
        const std::vector<double> t = best.run({
            // Ours: reduced decode, smooth rescale to 120 on the shorter side, BMP image.
            [&] {
                const double t0 = cpuNow();
                QImage bitmap;
                if (!zb::DecodeJpegFile(path, bitmap, zb::kThumbnailSize, messages) ||
                    zb::MakeThumbnailOfBitmap(bitmap).isEmpty())
                    return -1.0;
                return cpuNow() - t0;
            },
            [&] {
                return djpegOk ? zbbench::runTool({"djpeg", "-scale", "1/8", "-bmp", "-outfile", "/dev/null", files[size_t(i)]}).cpu
                               : -1.0;
            },
            [&] {
                return vipsOk ? zbbench::runTool({"vipsthumbnail", "-s", "160x120", files[size_t(i)], "-o", vipsOut}).cpu
                              : -1.0;
            },
        });
        if (t[0] < 0) {
            std::fprintf(stderr, "thumbnail failed for %s\n", qPrintable(path));
            return 1;
        }
        ours[size_t(i)] = t[0];
        djpeg[size_t(i)] = t[1];
        vips[size_t(i)] = t[2];
        djpegOk = djpegOk && t[1] >= 0;
        vipsOk = vipsOk && t[2] >= 0;
    }
    std::printf("best of %d runs of each side, file by file\n", best.runs());
    auto sum = [](const std::vector<double>& v) {
        double s = 0;
        for (double x : v)
            s += x;
        return s;
    };
    const double oursTime = sum(ours);
    std::printf("ours (decode 1/8 + smooth rescale + BMP): %.3f s CPU, %.1f ms a picture\n", oursTime,
                oursTime * 1000 / n);
    if (djpegOk) {
        const double t = sum(djpeg);
        std::printf("djpeg -scale 1/8:                          %.3f s CPU\n", t);
        std::printf("ratio ours / djpeg = %.2f (target at most 1.20)\n", oursTime / t);
        // djpeg's figure includes starting a process for every file; the same
        // ratio without that start cost (djpeg on an 8 x 8 picture) is stricter.
        QByteArray tiny;
        zb::EncodeJpeg(QImage(8, 8, zb::kWorkingFormat), tiny, false, 90, messages);
        const QString tinyPath = dir.filePath(QStringLiteral("tiny.jpg"));
        QFile tf(tinyPath);
        if (tf.open(QIODevice::WriteOnly) && tf.write(tiny) == tiny.size()) {
            tf.close();
            double start = 1e9;
            for (int i = 0; i < 20; ++i)
                start = std::min(start, zbbench::runTool({"djpeg", "-scale", "1/8", "-bmp", "-outfile", "/dev/null",
                                                 tinyPath.toStdString()}).cpu);
            std::printf("djpeg start cost %.1f ms; ratio without it = %.2f\n", start * 1000,
                        oursTime / std::max(1e-9, t - start * n));
        }
    } else {
        std::printf("djpeg not found or failed (package libjpeg-turbo-progs): no ratio\n");
    }
    if (vipsOk) {
        const double t = sum(vips);
        std::printf("vipsthumbnail -s 160x120 (one thread):    %.3f s CPU\n", t);
        std::printf("ratio ours / vipsthumbnail = %.2f\n", oursTime / t);
    } else {
        std::printf("vipsthumbnail not found or failed (package libvips-tools): no ratio\n");
    }
    return 0;
}
