// Panorama join of two 12-megapixel pictures against libjpeg-turbo's own
// full-size decode of both (`djpeg`) in the same run. The join may use both
// cores; the target is at most twice the decode time.
//
// Usage: bench_panorama [--runs N]   (default best of 3 runs of each side)
#include "bench_runs.h"
#include "bench_support.h"
#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/panorama.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    const int w = 4000, h = 3000;
    QTemporaryDir dir;
    zb::SilentMessages messages;
    std::printf("making two camera-like pictures of %d x %d ...\n", w, h);
    std::fflush(stdout);
    const QImage left = zbbench::cameraLike(w, h, 1);
    const QImage right = zbbench::cameraLike(w, h, 2);
    std::string files[2];
    for (int i = 0; i < 2; ++i) {
        const QString path = dir.filePath(QStringLiteral("P%1.JPG").arg(i));
        if (!zb::EncodeJpegFile(i == 0 ? left : right, path, false, 92, messages)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        files[i] = path.toStdString();
    }
    const bool haveDjpeg = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();

    // The right picture overlaps the left one's last quarter, turned by about
    // a third of a degree and scaled by about 1.003: every pixel is resampled.
    QSize joined;
    const zbbench::BestOf best(zbbench::runsOption(argc, argv, 3));
    const std::vector<double> t = best.run({
        [&] {
            zbbench::Stopwatch s;
            const QImage out = zb::JoinPanorama(left, right, {3000, 500}, {3000, 2500}, {10, 520}, {22, 2526});
            const double sec = s.seconds();
            joined = out.size();
            return out.isNull() ? -1.0 : sec;
        },
        [&] {
            if (!haveDjpeg)
                return 0.0;
            double sum = 0;
            for (const std::string& f : files) {
                const zbbench::ToolTimes d = zbbench::runTool({"djpeg", "-ppm", "-outfile", "/dev/null", f});
                if (!d.ok())
                    return -1.0;
                sum += d.wall;
            }
            return sum;
        },
    });
    std::printf("best of %d interleaved runs of each side, wall time\n", best.runs());
    if (t[0] < 0) {
        std::printf("panorama join FAILED\n");
        return 1;
    }
    if (t[1] > 0)
        std::printf("panorama join to %d x %d: %.0f ms, djpeg of both: %.0f ms, ratio %.2f (target at most 2.00)%s\n",
                    joined.width(), joined.height(), t[0] * 1000, t[1] * 1000, t[0] / t[1],
                    t[0] / t[1] <= 2.0 ? "" : "  MISSED");
    else
        std::printf("panorama join to %d x %d: %.0f ms (djpeg not found: no ratio)\n", joined.width(), joined.height(),
                    t[0] * 1000);
    return 0;
}
