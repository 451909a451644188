// Thumbnail making for camera-sized JPEGs against libjpeg-turbo's own reduced
// decode (`djpeg -scale 1/8`) over the same files in the same run, one thread.
// Also times `vipsthumbnail`, what a user would pick instead.
//
// Usage: bench_thumbnail [COUNT]   (default 100 pictures of 4000 x 3000)
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
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <cstdio>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// A photo-like picture: soft gradients, a few shapes, fine sensor noise, so
// that it compresses like a camera file (a few MB at 12 megapixels).
QImage cameraLike(int w, int h, unsigned seed)
{
    QImage image(w, h, zb::kWorkingFormat);
    std::minstd_rand rng(seed);
    const int cx = int(rng() % unsigned(w)), cy = int(rng() % unsigned(h));
    for (int y = 0; y < h; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const int dx = x - cx, dy = y - cy;
            const int ring = ((dx * dx + dy * dy) >> 12) & 63;
            const int noise = int(rng() & 15);
            line[3 * x] = uchar((x * 200 / w + ring + noise) & 255);
            line[3 * x + 1] = uchar((y * 180 / h + (ring >> 1) + noise) & 255);
            line[3 * x + 2] = uchar(((x + y) * 120 / (w + h) + 60 + noise + (((x >> 5) ^ (y >> 5)) & 1) * 40) & 255);
        }
    }
    return image;
}

int runTool(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int w = 4000, h = 3000;
    QTemporaryDir dir;
    zb::SilentMessages messages;

    std::printf("making %d JPEGs of %d x %d ...\n", count, w, h);
    std::fflush(stdout);
    std::vector<std::string> files;
    qint64 bytes = 0;
    const QImage base = cameraLike(w, h, 1);
    for (int i = 0; i < count; ++i) {
        // Each file differs: a band of the picture is drawn anew per file.
        QImage picture = base.copy();
        const QImage band = cameraLike(w, 64, unsigned(i + 2));
        for (int y = 0; y < 64; ++y)
            std::memcpy(picture.scanLine((i * 97) % (h - 64) + y), band.constScanLine(y), size_t(w) * 3);
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

    // Ours: reduced decode, smooth rescale to 120 on the shorter side, BMP image.
    auto ours = [&] {
        const auto start = Clock::now();
        for (const auto& f : files) {
            QImage bitmap;
            if (!zb::DecodeJpegFile(QString::fromStdString(f), bitmap, zb::kThumbnailSize, messages) ||
                zb::MakeThumbnailOfBitmap(bitmap).isEmpty()) {
                std::fprintf(stderr, "thumbnail failed for %s\n", f.c_str());
                std::exit(1);
            }
        }
        return Clock::now() - start;
    };
    auto tool = [&](const std::vector<std::string>& prefix, bool outDir) {
        const auto start = Clock::now();
        for (const auto& f : files) {
            std::vector<std::string> args = prefix;
            args.push_back(f);
            if (outDir) {
                args.push_back("-o");
                args.push_back(dir.path().toStdString() + "/%s_vips.jpg");
            }
            if (runTool(args) != 0)
                return Clock::duration::max();
        }
        return Clock::now() - start;
    };

    ours();  // warm the page cache
    const auto oursTime = std::min(ours(), ours());
    const bool haveDjpeg = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();
    const bool haveVips = !QStandardPaths::findExecutable(QStringLiteral("vipsthumbnail")).isEmpty();

    std::printf("ours (decode 1/8 + smooth rescale + BMP): %.3f s, %.1f ms a picture\n", seconds(oursTime),
                seconds(oursTime) * 1000 / count);
    if (haveDjpeg) {
        const std::vector<std::string> djpeg = {"djpeg", "-scale", "1/8", "-bmp", "-outfile", "/dev/null"};
        const auto t = std::min(tool(djpeg, false), tool(djpeg, false));
        std::printf("djpeg -scale 1/8:                          %.3f s\n", seconds(t));
        std::printf("ratio ours / djpeg = %.2f (target at most 1.20)\n", seconds(oursTime) / seconds(t));
    } else {
        std::printf("djpeg not found (package libjpeg-turbo-progs): no ratio\n");
    }
    if (haveVips) {
        setenv("VIPS_CONCURRENCY", "1", 1);
        const std::vector<std::string> vips = {"vipsthumbnail", "-s", "160x120"};
        const auto t = std::min(tool(vips, true), tool(vips, true));
        std::printf("vipsthumbnail (one thread):                %.3f s\n", seconds(t));
        std::printf("ratio ours / vipsthumbnail = %.2f\n", seconds(oursTime) / seconds(t));
    } else {
        std::printf("vipsthumbnail not found (package libvips-tools): no ratio\n");
    }
    return 0;
}
