// Reads arbitrary bytes as a .ZBA/.ZBF document, reads every page stream,
// writes what was read again (it must read back the same) and draws each page
// small.
#include "album/document_file.h"
#include "album/parts_draw.h"

#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Font lookups keep fontconfig's caches until the process ends; the leak
// report would only list those.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zb::album;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<DocumentFile> file = decodeDocumentFile(bytes);
    if (!file)
        return 0;
    QImage image(48, 64, QImage::Format_RGB888);
    for (const QByteArray& stream : file->pages) {
        const std::optional<Page> page = decodePage(stream);
        if (!page)
            continue;
        const std::optional<Page> again = decodePage(encodePage(*page));
        if (!again || !(*again == *page))
            std::abort();
        QPainter g(&image);
        DrawContext c;
        c.target = DrawTarget::onPrinter(0.2);
        drawPage(g, *page, c);
    }
    return 0;
}
