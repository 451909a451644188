// The pixel operations of the picture effects on a camera-like 12-megapixel
// picture, each against what libjpeg-turbo's `djpeg` takes to decode that
// picture at full size in the same run: the five-step adjustment with its undo
// copy, the three 3 x 3 filters, the reduction to 256 colours and a free
// rotation by 7.5 degrees. Times are wall times, since the operations split
// their rows between both cores. Also prints what one slider release costs on
// the preview (the tables made anew and run over a picture that fits 206 x 206).
// Each figure is printed twice: with new bitmaps taking memory fresh from the
// system, as the program does, and with freed memory kept for the next one, to
// tell the cost of first touching new memory from the pixel work.
//
// Usage: bench_effects [--runs N]   (4000 x 3000, best of 3 runs of each side)
#include "bench_runs.h"
#include "bench_support.h"
#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/pixel_adjust.h"
#include "imaging/pixel_filters.h"
#include "imaging/pixel_geometry.h"
#include "imaging/pixel_reduce.h"
#include "imaging/working_bitmap.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <malloc.h>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Operation {
    const char* name;
    double target;  // at most this many times the djpeg decode
    std::function<bool(const QImage& picture, double& seconds)> run;
};

// Every control away from its neutral value, so that all five steps run.
zb::AdjustSettings allSteps()
{
    zb::AdjustSettings s;
    s.red = 12;
    s.green = -6;
    s.blue = 20;
    s.contrast = 25;
    s.gamma = 30;
    s.levelMin = 12;
    s.levelMax = 240;
    s.brightness = 10;
    return s;
}

}  // namespace

int main(int argc, char** argv)
{
    const int w = 4000, h = 3000;
    const zbbench::BestOf best(zbbench::runsOption(argc, argv, 3));
    zb::SilentMessages messages;
    QTemporaryDir dir;

    std::printf("making a camera-like picture of %d x %d ...\n", w, h);
    std::fflush(stdout);
    const QImage picture = zbbench::cameraLike(w, h, 1);
    QByteArray jpeg;
    if (!zb::EncodeJpeg(picture, jpeg, false, 92, messages)) {
        std::fprintf(stderr, "cannot encode the picture\n");
        return 1;
    }
    const QString jpegPath = dir.filePath(QStringLiteral("IMG_0001.JPG"));
    {
        QFile f(jpegPath);
        if (!f.open(QIODevice::WriteOnly) || f.write(jpeg) != jpeg.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(jpegPath));
            return 1;
        }
    }
    std::printf("JPEG of %.1f MB\n", double(jpeg.size()) / 1e6);

    const zb::AdjustSettings settings = allSteps();
    if (zb::activeSteps(settings).size() != 5) {
        std::fprintf(stderr, "the adjustment settings do not make all five steps run\n");
        return 1;
    }

    // In-place operations work on a copy made before the clock starts.
    const std::vector<Operation> operations = {
        {"adjustments (five steps, undo copy)", 0.5,
         [&](const QImage& p, double& t) {
             QImage work = p.copy();
             QImage undo;
             zbbench::Stopwatch clock;
             const bool ok = zb::applyAdjustments(work, settings, &undo);
             t = clock.seconds();
             return ok && !undo.isNull();
         }},
        {"emboss 3 x 3", 1.0,
         [](const QImage& p, double& t) {
             zbbench::Stopwatch clock;
             const QImage out = zb::ApplyFilter3x3(p, zb::Filter3x3::Emboss);
             t = clock.seconds();
             return !out.isNull();
         }},
        {"blur 3 x 3", 1.0,
         [](const QImage& p, double& t) {
             zbbench::Stopwatch clock;
             const QImage out = zb::ApplyFilter3x3(p, zb::Filter3x3::Blur);
             t = clock.seconds();
             return !out.isNull();
         }},
        {"sharpen 3 x 3", 1.0,
         [](const QImage& p, double& t) {
             zbbench::Stopwatch clock;
             const QImage out = zb::ApplyFilter3x3(p, zb::Filter3x3::Sharpen);
             t = clock.seconds();
             return !out.isNull();
         }},
        {"reduction to 256 colours", 1.5,
         [](const QImage& p, double& t) {
             zbbench::Stopwatch clock;
             const QImage out = zb::ReduceTo256Colours(p);
             t = clock.seconds();
             return !out.isNull();
         }},
        {"free rotation by 7.5 degrees", 1.0,
         [](const QImage& p, double& t) {
             QImage work = p.copy();
             zbbench::Stopwatch clock;
             const bool ok = zb::rotatePicture(work, 7.5) == zb::RotateResult::Rotated;
             t = clock.seconds();
             return ok;
         }},
    };

    // djpeg's full decode to PPM, thrown away: the cheapest output it has, so
    // the reference is as small as it can be. One run first to warm the cache.
    const bool haveDjpeg = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();
    const std::vector<std::string> djpegArgs = {"djpeg", "-ppm", "-outfile", "/dev/null", jpegPath.toStdString()};
    bool djpegOk = haveDjpeg && zbbench::runTool(djpegArgs).ok();

    // Parts of the adjustment, printed without a target, to show where its
    // time goes: one copy of the picture into a new bitmap (what the undo copy
    // and every filter's result pay for memory the process has not touched
    // yet) and one pass of the composed tables over a picture in place.
    const zb::ChannelTables tables = zb::pipelineTables(settings);
    const std::vector<Operation> parts = {
        {"  part: a new copy of the picture", 0,
         [](const QImage& p, double& t) {
             zbbench::Stopwatch clock;
             const QImage copy = p.copy();
             t = clock.seconds();
             return !copy.isNull();
         }},
        {"  part: one pass of the tables", 0,
         [&](const QImage& p, double& t) {
             QImage work = p.copy();
             zbbench::Stopwatch clock;
             zb::applyTables(work, tables);
             t = clock.seconds();
             return true;
         }},
    };

    // Two rounds. The first measures as a program meets large pictures: every
    // new bitmap of 36 MB gets memory fresh from the system (the allocator
    // maps blocks that large anew and gives them back when freed), so it pays
    // a page fault for each page it first touches. The second keeps freed
    // memory in the heap for the next bitmap, leaving the pixel work alone; it
    // shows how much of each figure the fresh memory makes up.
    bool failed = false;
    for (int round = 0; round < 2; ++round) {
        if (round == 1) {
            mallopt(M_MMAP_MAX, 0);
            mallopt(M_TRIM_THRESHOLD, 1 << 30);
            std::printf("\nagain, freed memory kept in the heap for the next bitmap:\n");
        }
        std::vector<std::function<double()>> sides;
        sides.push_back([&] { return djpegOk ? zbbench::runTool(djpegArgs).wall : -1.0; });
        for (const auto* list : {&operations, &parts})
            for (const Operation& op : *list)
                sides.push_back([&] {
                    double t = -1;
                    return op.run(picture, t) ? t : -1.0;
                });
        const std::vector<double> t = best.run(sides);
        djpegOk = djpegOk && t[0] > 0;

        std::printf("best of %d interleaved runs of each side, wall time\n", best.runs());
        if (djpegOk)
            std::printf("%-38s %8.1f ms\n", "djpeg, full-size decode", t[0] * 1000);
        else
            std::printf("djpeg not found or failed (package libjpeg-turbo-progs): no ratios\n");
        for (size_t i = 0; i < parts.size(); ++i)
            std::printf("%-38s %8.1f ms\n", parts[i].name, t[operations.size() + i + 1] * 1000);
        for (size_t i = 0; i < operations.size(); ++i) {
            const Operation& op = operations[i];
            const double own = t[i + 1];
            if (own < 0) {
                std::printf("%-38s FAILED\n", op.name);
                failed = true;
                continue;
            }
            if (djpegOk) {
                const double ratio = own / t[0];
                std::printf("%-38s %8.1f ms  ratio %.2f (target at most %.2f)%s\n", op.name, own * 1000, ratio,
                            op.target, ratio <= op.target ? "" : "  MISSED");
            } else {
                std::printf("%-38s %8.1f ms\n", op.name, own * 1000);
            }
        }
    }

    // One slider release: the composed tables made from the settings and run
    // over the preview, which is the picture scaled to fit 206 x 206.
    const QImage preview = zb::toWorkingBitmap(
        picture.scaled(206, 206, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    const zbbench::BestOf manyRuns(best.runs() * 20);
    const double release = manyRuns.run([&] {
        QImage work = preview.copy();
        zbbench::Stopwatch clock;
        const zb::ChannelTables tables = zb::pipelineTables(settings);
        zb::applyTables(work, tables);
        return clock.seconds();
    });
    std::printf("slider release on the %d x %d preview: %.3f ms (best of %d; target under 1 ms)%s\n",
                preview.width(), preview.height(), release * 1000, manyRuns.runs(),
                release < 0.001 ? "" : "  MISSED");
    return failed ? 1 : 0;
}
