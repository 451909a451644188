// Photo edits on camera-sized JPEGs stored in a job's photo table:
//  - a quarter turn of a 4032 x 3024 photo (the size phones take, a whole
//    number of JPEG blocks, so it is turned on its coefficients) with its new
//    thumbnail stored, against djpeg's full decode plus cjpeg -quality 90 of
//    the same picture (what a turn through the pixels costs at the least);
//  - the thumbnail rebuild of a job of such photos, against `djpeg -scale 1/8`
//    of the same pictures one after another.
//
// Usage: bench_edits [--runs N]   (ZB_BENCH_EDIT_COUNT photos for the rebuild, default 200)
#include "bench_runs.h"
#include "bench_support.h"
#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/jpeg_transform.h"
#include "imaging/photo_edits.h"
#include "imaging/stored_pictures.h"
#include "store/photo_table.h"
#include "store/table_network.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

}  // namespace

int main(int argc, char** argv)
{
    const int w = 4032, h = 3024;
    const int count = std::max(1, qEnvironmentVariableIntValue("ZB_BENCH_EDIT_COUNT") > 0
                                      ? qEnvironmentVariableIntValue("ZB_BENCH_EDIT_COUNT")
                                      : 200);
    const zbbench::BestOf best(zbbench::runsOption(argc, argv, 3));
    zb::SilentMessages messages;
    zb::SilentProgress progress;
    QTemporaryDir dir;

    std::printf("making %d camera-like JPEGs of %d x %d and a job of them ...\n", count, w, h);
    std::fflush(stdout);
    const QImage base = zbbench::cameraLike(w, h, 1);
    zb::TTableNetWork table;
    const zb::PhotoFields f = zb::openOrCreatePhotoTable(dir.filePath(QStringLiteral("JOB.DB")), {&table}, true);
    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        QByteArray jpeg;
        if (!zb::EncodeJpeg(zbbench::cameraLikeFile(base, i), jpeg, false, 92, messages)) {
            std::fprintf(stderr, "cannot encode picture %d\n", i);
            return 1;
        }
        const QString path = dir.filePath(QStringLiteral("IMG_%1.JPG").arg(i, 4, 10, QLatin1Char('0')));
        if (!writeFile(path, jpeg)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        files.push_back(path.toStdString());
        table.append();
        table.setValue(f[zb::F_RECORD], i + 1);
        table.setValue(f[zb::F_GRA_FLAG], 0);
        table.writeBlob(f[zb::F_IMAGE_ORG], jpeg);
        table.post();
    }
    table.flushBuffers();

    const bool haveTools = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty() &&
                           !QStandardPaths::findExecutable(QStringLiteral("cjpeg")).isEmpty();
    const std::string ppm = dir.filePath(QStringLiteral("full.ppm")).toStdString();
    zb::PhotoEditContext c{table, f, messages, progress, {}, {}};

    // A quarter turn of photo 1 (turned back by the next run, so every run
    // starts from a stored picture of the same orientation).
    int turn = 0;
    std::vector<std::function<double()>> sides = {
        [&] {
            const int r = turn++ % 2 == 0 ? 1 : 3;
            zbbench::Stopwatch clock;
            const zb::EditRunResult res = zb::RunPhotoEdit(c, {1}, r);
            const double t = clock.seconds();
            return res.changed.size() == 1 ? t : -1.0;
        },
        [&] {
            if (!haveTools)
                return -1.0;
            const zbbench::ToolTimes d = zbbench::runTool({"djpeg", "-ppm", "-outfile", ppm, files[0]});
            const zbbench::ToolTimes e = zbbench::runTool({"cjpeg", "-quality", "90", "-outfile", "/dev/null", ppm});
            return d.ok() && e.ok() ? d.wall + e.wall : -1.0;
        },
        [&] {
            // libjpeg-turbo's own lossless turn, for comparison.
            if (QStandardPaths::findExecutable(QStringLiteral("jpegtran")).isEmpty())
                return -1.0;
            const zbbench::ToolTimes j =
                zbbench::runTool({"jpegtran", "-rotate", "90", "-perfect", "-copy", "all", "-outfile", "/dev/null", files[0]});
            return j.ok() ? j.wall : -1.0;
        },
    };
    std::vector<double> t = best.run(sides);
    std::printf("best of %d interleaved runs of each side, wall time\n", best.runs());
    if (t[0] < 0) {
        std::printf("quarter turn FAILED\n");
        return 1;
    }
    if (t[1] > 0)
        std::printf("quarter turn stored: %.1f ms, djpeg + cjpeg -quality 90: %.1f ms, ratio %.2f (target at most 0.50)%s\n",
                    t[0] * 1000, t[1] * 1000, t[0] / t[1], t[0] / t[1] <= 0.5 ? "" : "  MISSED");
    else
        std::printf("quarter turn stored: %.1f ms (djpeg/cjpeg not found: no ratio)\n", t[0] * 1000);
    if (t[2] > 0)
        std::printf("  jpegtran -rotate 90 -perfect alone: %.1f ms (ratio of ours to it %.2f)\n", t[2] * 1000,
                    t[0] / t[2]);

    // Where a turn's time goes, without targets: the coefficient turn alone,
    // one thumbnail of the turned picture, one post of a row's pictures.
    {
        table.locate(2);
        const QByteArray original = table.readBlob(f[zb::F_IMAGE_ORG]);
        QByteArray turned;
        const std::vector<double> parts = best.run({
            [&] {
                zbbench::Stopwatch clock;
                const std::optional<QByteArray> out = zb::RotateJpegLossless(original, 1);
                const double s = clock.seconds();
                if (!out)
                    return -1.0;
                turned = *out;
                return s;
            },
            [&] {
                zbbench::Stopwatch clock;
                const QByteArray thumb = zb::MakeThumbnail(turned.isEmpty() ? original : turned, 0, messages);
                return thumb.isEmpty() ? -1.0 : clock.seconds();
            },
            [&] {
                table.locate(2);
                zbbench::Stopwatch clock;
                table.edit();
                table.writeBlob(f[zb::F_IMAGE_NOW], turned.isEmpty() ? original : turned);
                table.post();
                return clock.seconds();
            },
        });
        std::printf("  part: coefficient turn %.1f ms, thumbnail %.1f ms, post of IMAGE_NOW %.1f ms\n",
                    parts[0] * 1000, parts[1] * 1000, parts[2] * 1000);
        table.locate(2);
        table.edit();
        table.setNull(f[zb::F_IMAGE_NOW]);
        table.post();
    }

    // The thumbnail rebuild over every row.
    sides = {
        [&] {
            zbbench::Stopwatch clock;
            const zb::RebuildResult res = zb::RebuildThumbnails(c, false);
            const double s = clock.seconds();
            return res.rebuilt == count ? s : -1.0;
        },
        [&] {
            if (!haveTools)
                return -1.0;
            double sum = 0;
            for (const std::string& file : files) {
                const zbbench::ToolTimes d = zbbench::runTool({"djpeg", "-scale", "1/8", "-outfile", "/dev/null", file});
                if (!d.ok())
                    return -1.0;
                sum += d.wall;
            }
            return sum;
        },
    };
    t = best.run(sides);
    if (t[0] < 0) {
        std::printf("thumbnail rebuild FAILED\n");
        return 1;
    }
    if (t[1] > 0)
        std::printf("thumbnail rebuild of %d: %.0f ms, djpeg -scale 1/8 of each: %.0f ms, ratio %.2f (target at most 1.00)%s\n",
                    count, t[0] * 1000, t[1] * 1000, t[0] / t[1], t[0] / t[1] <= 1.0 ? "" : "  MISSED");
    else
        std::printf("thumbnail rebuild of %d: %.0f ms (djpeg not found: no ratio)\n", count, t[0] * 1000);
    return 0;
}
