// Drawing one album page: an A4 page of the initial format with three
// 12-megapixel photos,
//  - at 600 dpi as printing draws it (the current pictures), against djpeg
//    decoding the three pictures at full size (target at most 1.3 times);
//  - on the screen at 100 % from the ALBUM pictures, in milliseconds (what
//    turning a page feels like; target at most 30 ms).
#include "album/photo_binding.h"
#include "album/shipped_formats.h"
#include "bench_runs.h"
#include "bench_support.h"
#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/stored_pictures.h"
#include "store/photo_table.h"
#include "store/table_network.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>

using namespace zb;
using namespace zb::album;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    zbbench::BestOf best(zbbench::runsOption(argc, argv, 3));
    QTemporaryDir dir;
    SilentMessages quiet;
    TTableNetWork table;
    const PhotoFields f = openOrCreatePhotoTable(dir.filePath(QStringLiteral("B.DB")), {&table}, true);
    const QImage base = zbbench::cameraLike(4000, 3000, 7);
    std::vector<std::string> files;
    for (int i = 0; i < 3; ++i) {
        QByteArray jpeg;
        if (!EncodeJpeg(zbbench::cameraLikeFile(base, i), jpeg, false, 90, quiet)) {
            std::fprintf(stderr, "cannot encode\n");
            return 1;
        }
        const QString path = dir.filePath(QStringLiteral("P%1.JPG").arg(i));
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(jpeg) != jpeg.size())
            return 1;
        files.push_back(path.toStdString());
        table.append();
        table.setValue(f[F_RECORD], i + 1);
        table.setValue(f[F_GRA_FLAG], 0);
        table.writeBlob(f[F_IMAGE_ORG], jpeg);
        table.writeBlob(f[F_ALBUM], *MakeAlbum(jpeg, 0, quiet));
        table.post();
    }

    // The initial format's page with its three slots bound to the photos.
    Page page = shippedFormats().first().page;
    for (TPartsBox& p : page.parts)
        if (p.FormIndex > 0)
            p.PhotoRecord = p.FormIndex;

    double prepared = 0;
    const auto draw = [&](DrawTarget target, QSize size, bool frames = true) {
        FramePictures pictures(table, f);
        DrawContext c;
        c.target = target;
        if (frames)
            c.frames = pictures.loader();
        QImage image(size, QImage::Format_RGB888);
        image.fill(Qt::white);
        QPainter g(&image);
        zbbench::Stopwatch clock;
        if (frames)
            pictures.prepare(page, target);
        prepared = clock.seconds();
        drawPage(g, page, c);
        return clock.seconds();
    };
    const double ppm = 600 / 25.4;
    const QSize printSize(int(210 * ppm + 0.5), int(297 * ppm + 0.5));
    const QSize screenSize(mmToPixels(mm(210), 96, 100), mmToPixels(mm(297), 96, 100));
    const bool haveDjpeg = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();

    const std::vector<double> t = best.run({
        [&] { return draw(DrawTarget::onPrinter(ppm), printSize); },
        [&] {
            if (!haveDjpeg)
                return -1.0;
            double total = 0;
            for (const std::string& file : files) {
                const zbbench::ToolTimes d = zbbench::runTool({"djpeg", "-ppm", "-outfile", "/dev/null", file});
                if (!d.ok())
                    return -1.0;
                total += d.wall;
            }
            return total;
        },
        [&] { return draw(DrawTarget::onScreen(96, 100), screenSize); },
        [&] { return draw(DrawTarget::onPrinter(ppm), printSize, false); },
    });
    draw(DrawTarget::onPrinter(ppm), printSize);
    std::printf("  (600 dpi: decoding and scaling the frames %.1f ms of it; the page with its frames hatched instead, %.1f ms)\n",
                prepared * 1000, t[3] * 1000);
    std::printf("best of %d interleaved runs of each side, wall time\n", best.runs());
    if (t[0] < 0 || t[2] < 0) {
        std::printf("page drawing FAILED\n");
        return 1;
    }
    if (t[1] > 0)
        std::printf("A4 page, 3 photos of 12 MP at 600 dpi: %.1f ms, djpeg of the 3 at full size: %.1f ms, ratio %.2f "
                    "(target at most 1.30)%s\n",
                    t[0] * 1000, t[1] * 1000, t[0] / t[1], t[0] / t[1] <= 1.3 ? "" : "  MISSED");
    else
        std::printf("A4 page at 600 dpi: %.1f ms (djpeg not found: no ratio)\n", t[0] * 1000);
    std::printf("A4 page on screen at 100 %% from ALBUM: %.1f ms (target at most 30 ms)%s\n", t[2] * 1000,
                t[2] <= 0.030 ? "" : "  MISSED");
    return 0;
}
