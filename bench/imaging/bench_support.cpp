#include "bench_support.h"

#include "imaging/working_bitmap.h"

#include <QElapsedTimer>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace zbbench {

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

QImage cameraLikeFile(const QImage& base, int index)
{
    QImage picture = base.copy();
    const int w = base.width(), h = base.height();
    const QImage band = cameraLike(w, 64, unsigned(index + 2));
    for (int y = 0; y < 64; ++y)
        std::memcpy(picture.scanLine((index * 97) % (h - 64) + y), band.constScanLine(y), size_t(w) * 3);
    return picture;
}

ToolTimes runTool(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    QElapsedTimer clock;
    clock.start();
    pid_t pid;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return {};
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    auto sec = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {double(clock.nsecsElapsed()) / 1e9, sec(usage.ru_utime) + sec(usage.ru_stime)};
}

}  // namespace zbbench
