// Printing an album to PDF: 100 A4 pages of the initial format, three
// 12-megapixel photos on each, at 300 dpi, against djpeg decoding the same
// 300 pictures at full size one after another (target at most 1.0 times);
// the peak memory of the printing (target at most 600 MB, whatever the page
// count); and the PDF's size against the pictures' bytes (photos are to be
// embedded as JPEG, not as raw pixels).
//   bench_album_print [--runs N] [--pages N]
#include "album/document_print.h"
#include "album/photo_binding.h"
#include "album/printer_env.h"
#include "album/shipped_formats.h"
#include "bench_runs.h"
#include "bench_support.h"
#include "core/scripted_ports.h"
#include "imaging/jpeg_codec.h"
#include "store/photo_table.h"
#include "store/table_network.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

using namespace zb;
using namespace zb::album;

namespace {

int pagesOption(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--pages") == 0)
            return std::max(1, std::atoi(argv[i + 1]));
    return 100;
}

double peakMb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024.0;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    zbbench::BestOf best(zbbench::runsOption(argc, argv, 1));
    const int pageCount = pagesOption(argc, argv);
    const int photoCount = pageCount * 3;
    QTemporaryDir dir;
    SilentMessages quiet;
    TTableNetWork table;
    const PhotoFields f = openOrCreatePhotoTable(dir.filePath(QStringLiteral("B.DB")), {&table}, true);

    // Six different pictures in six rows, bound in turn to the 300 frames:
    // printing decodes every frame's picture anew (decoded photos are kept
    // only for the screen), so this costs what 300 rows would.
    const QImage base = zbbench::cameraLike(4000, 3000, 11);
    std::vector<QByteArray> jpegs;
    std::vector<std::string> files;
    for (int i = 0; i < 6; ++i) {
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
        jpegs.push_back(jpeg);
    }
    for (int r = 1; r <= 6; ++r) {
        table.append();
        table.setValue(f[F_RECORD], r);
        table.setValue(f[F_GRA_FLAG], 0);
        table.writeBlob(f[F_IMAGE_ORG], jpegs[size_t(r - 1)]);
        table.post();
    }
    qint64 pictureBytes = 0;
    for (int i = 0; i < photoCount; ++i)
        pictureBytes += jpegs[size_t(i % 6)].size();

    // Every page is the initial format's page with its three slots bound.
    const Page format = shippedFormats().first().page;
    const auto pageAt = [&](int number) {
        Page page = format;
        for (TPartsBox& p : page.parts)
            if (p.FormIndex > 0)
                p.PhotoRecord = ((number - 1) * 3 + p.FormIndex - 1) % 6 + 1;
        return page;
    };
    const QString pdf = dir.filePath(QStringLiteral("album.pdf"));
    double peakAfterPrint = 0;
    int printed = 0;
    const auto print = [&] {
        QFile::remove(pdf);
        FramePictures pictures(table, f);
        PrintSource source;
        source.pageCount = pageCount;
        source.pageAt = pageAt;
        source.pictures = &pictures;
        PrintOptions options;
        options.from = 1;
        options.to = pageCount;
        options.title = QStringLiteral("bench");
        ScriptedMessages messages;
        SilentProgress progress;
        TPrinterEnv env(std::make_unique<PdfPrintDevice>(pdf, 300));
        zbbench::Stopwatch clock;
        const PrintReport r = PrintDocument(env, printPagesOf(source), options, messages, progress);
        const double s = clock.seconds();
        printed = r.pagesPrinted;
        peakAfterPrint = peakMb();
        return r.outcome == PrintOutcome::Printed ? s : -1.0;
    };
    const double peakBefore = peakMb();
    const bool haveDjpeg = !QStandardPaths::findExecutable(QStringLiteral("djpeg")).isEmpty();
    const std::vector<double> t = best.run({
        print,
        [&] {
            if (!haveDjpeg)
                return -1.0;
            double total = 0;
            for (int i = 0; i < photoCount; ++i) {
                const zbbench::ToolTimes d =
                    zbbench::runTool({"djpeg", "-ppm", "-outfile", "/dev/null", files[size_t(i % 6)]});
                if (!d.ok())
                    return -1.0;
                total += d.wall;
            }
            return total;
        },
    });
    std::printf("best of %d interleaved runs of each side, wall time\n", best.runs());
    if (t[0] < 0 || printed != pageCount) {
        std::printf("printing FAILED\n");
        return 1;
    }
    if (t[1] > 0)
        std::printf("%d A4 pages, %d photos of 12 MP, to PDF at 300 dpi: %.2f s, djpeg of the %d at full size: %.2f s, "
                    "ratio %.2f (target at most 1.00)%s\n",
                    pageCount, photoCount, t[0], photoCount, t[1], t[0] / t[1], t[0] / t[1] <= 1.0 ? "" : "  MISSED");
    else
        std::printf("%d pages to PDF at 300 dpi: %.2f s (djpeg not found: no ratio)\n", pageCount, t[0]);
    std::printf("peak memory: %.0f MB after printing (%.0f MB before; target at most 600 MB)%s\n", peakAfterPrint,
                peakBefore, peakAfterPrint <= 600 ? "" : "  MISSED");
    const qint64 pdfBytes = QFileInfo(pdf).size();
    QFile in(pdf);
    const QByteArray bytes = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    std::printf("PDF %.1f MB for %.1f MB of pictures: %.2f of their bytes; %lld pictures embedded as JPEG\n",
                pdfBytes / 1e6, pictureBytes / 1e6, double(pdfBytes) / double(pictureBytes),
                (long long)bytes.count("/DCTDecode"));
    return 0;
}
