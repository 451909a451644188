#include "imaging/metafile.h"

#include "core/ports.h"
#include "imaging/graphic_kind.h"
#include "imaging/image_library.h"
#include "imaging/working_bitmap.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

namespace zb {

namespace {

constexpr quint32 kPlaceableKey = 0x9AC6CDD7;
constexpr quint32 kEmfSignature = 0x464D4520;  // " EMF"
constexpr double kScreenDpi = 96.0;

quint32 le32(const QByteArray& d, int at) { return qFromLittleEndian<quint32>(d.constData() + at); }
qint32 les32(const QByteArray& d, int at) { return qFromLittleEndian<qint32>(d.constData() + at); }
quint16 le16(const QByteArray& d, int at) { return qFromLittleEndian<quint16>(d.constData() + at); }

// Draws SVG text on white into a working bitmap of the given size.
QImage drawSvg(const QByteArray& svg, qint64 w, qint64 h)
{
    if (!withinPixelLimit(w, h))
        return {};
    QSvgRenderer renderer(svg);
    if (!renderer.isValid())
        return {};
    QImage canvas(int(w), int(h), QImage::Format_RGB32);
    if (canvas.isNull())
        return {};
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    renderer.render(&painter, QRectF(0, 0, double(w), double(h)));
    painter.end();
    return canvas.convertToFormat(kWorkingFormat);
}

// libemf2svg reads some header fields (the description text, the pixel
// format) and record contents without checking them against the data. The
// header's pointers and every record's size are checked here first.
bool emfLooksSound(const QByteArray& data)
{
    const qint64 size = data.size();
    const qint64 headerSize = le32(data, 4);
    if (headerSize < 88 || headerSize > size || headerSize % 4 != 0)
        return false;
    const qint64 nDescription = le32(data, 64), offDescription = le32(data, 68);
    if (nDescription > 0 && (offDescription < 88 || offDescription + nDescription * 2 > headerSize))
        return false;
    if (headerSize >= 100) {
        const qint64 cbPixelFormat = le32(data, 88), offPixelFormat = le32(data, 92);
        if (cbPixelFormat > 0 && (offPixelFormat < 88 || offPixelFormat + cbPixelFormat > headerSize))
            return false;
    }
    qint64 pos = 0;
    while (pos + 8 <= size) {
        const qint64 type = le32(data, int(pos));
        const qint64 length = le32(data, int(pos + 4));
        if (length < 8 || length % 4 != 0 || pos + length > size)
            return false;
        pos += length;
        if (type == 14)  // EMR_EOF
            return true;
    }
    return false;
}

// A metafile played into SVG text, with the natural size it is drawn at.
struct SvgPicture {
    QByteArray svg;
    qint64 w = 0, h = 0;
};

SvgPicture emfSvg(const QByteArray& data)
{
    if (!emfLooksSound(data))
        return {};
    // Natural size from the picture frame, kept in 0.01 mm.
    if (data.size() < 88 || qint64(le32(data, 4)) > data.size())
        return {};
    // Header: type, size, bounds (left, top, right, bottom at 8..23, device
    // pixels), frame (24..39, 0.01 mm).
    const qint64 frameW = qint64(les32(data, 32)) - les32(data, 24);
    const qint64 frameH = qint64(les32(data, 36)) - les32(data, 28);
    qint64 w = std::llround(double(frameW) * kScreenDpi / 2540.0);
    qint64 h = std::llround(double(frameH) * kScreenDpi / 2540.0);
    if (w <= 0 || h <= 0) {  // no frame: fall back on the device bounds
        w = qint64(les32(data, 16)) - les32(data, 8) + 1;
        h = qint64(les32(data, 20)) - les32(data, 12) + 1;
    }
    if (!withinPixelLimit(w, h))
        return {};

    generatorOptions options{};
    options.nameSpace = const_cast<char*>("svg");
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    options.imgWidth = double(w);
    options.imgHeight = double(h);
    QByteArray copy = data;  // the converter takes a writable buffer
    char* out = nullptr;
    size_t outLength = 0;
    const int ok = emf2svg(copy.data(), size_t(copy.size()), &out, &outLength, &options);
    QByteArray svg = (ok && out) ? QByteArray(out, qsizetype(outLength)) : QByteArray();
    std::free(out);
    if (svg.isEmpty())
        return {};
    return {svg, w, h};
}

// libwmf trusts the header: it sizes its object table and record buffer from
// it before reading a record. A walk of our own first checks that every
// record lies inside the data and that the header's counts are no larger than
// the records can justify.
bool wmfLooksSound(const QByteArray& data)
{
    const int start = le32(data, 0) == kPlaceableKey ? 22 : 0;
    if (data.size() < start + 18 || le16(data, start + 2) != 9)
        return false;
    const quint32 numObjects = le16(data, start + 10);
    const quint32 maxRecord = le32(data, start + 12);
    qint64 pos = start + 18;
    qint64 records = 0, largest = 0;
    while (pos + 6 <= data.size()) {
        const qint64 words = le32(data, int(pos));
        const quint16 function = le16(data, int(pos + 4));
        if (words < 3 || pos + words * 2 > data.size())
            return false;
        ++records;
        largest = std::max(largest, words);
        pos += words * 2;
        if (function == 0)
            break;
    }
    return records > 0 && numObjects <= records && maxRecord <= quint32(std::max<qint64>(largest, 3)) + 3;
}

SvgPicture wmfSvg(const QByteArray& data)
{
    if (!wmfLooksSound(data))
        return {};
    wmfAPI* api = nullptr;
    wmfAPI_Options options{};
    options.function = wmf_svg_function;
    const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    if (wmf_api_create(&api, flags, &options) != wmf_E_None) {
        if (api)
            wmf_api_destroy(api);
        return {};
    }
    QByteArray copy = data;
    SvgPicture result;
    wmfD_Rect bbox{};
    unsigned int w = 0, h = 0;
    if (wmf_mem_open(api, reinterpret_cast<unsigned char*>(copy.data()), long(copy.size())) == wmf_E_None &&
        wmf_scan(api, 0, &bbox) == wmf_E_None &&
        wmf_display_size(api, &w, &h, kScreenDpi, kScreenDpi) == wmf_E_None && withinPixelLimit(w, h)) {
        wmf_svg_t* svg = WMF_SVG_GetData(api);
        svg->out = wmf_stream_create(api, nullptr);
        svg->Description = const_cast<char*>("zb");
        if (le32(data, 0) == kPlaceableKey && data.size() >= 22) {
            // The placeable header's frame, not only the drawn area, is the
            // picture: libwmf's device units are points.
            const double inch = le16(data, 14) ? le16(data, 14) : 1440;
            const auto coord = [&](int at) { return double(qint16(le16(data, at))) * 72.0 / inch; };
            bbox.TL.x = float(coord(6));
            bbox.TL.y = float(coord(8));
            bbox.BR.x = float(coord(10));
            bbox.BR.y = float(coord(12));
        }
        svg->bbox = bbox;
        svg->width = w;
        svg->height = h;
        svg->flags |= WMF_SVG_INLINE_IMAGES;
        const bool played = svg->out && wmf_play(api, 0, &bbox) == wmf_E_None;
        char* buffer = nullptr;
        unsigned long length = 0;
        if (svg->out)
            wmf_stream_destroy(api, svg->out, &buffer, &length);
        // The buffer belongs to libwmf's allocator, which frees it with the API.
        QByteArray text = (played && buffer) ? QByteArray(buffer, qsizetype(length)) : QByteArray();
        if (!text.isEmpty())
            result = {text, qint64(w), qint64(h)};
        wmf_mem_close(api);
    }
    wmf_api_destroy(api);
    return result;
}

QImage drawOf(const SvgPicture& picture)
{
    return picture.svg.isEmpty() ? QImage() : drawSvg(picture.svg, picture.w, picture.h);
}

QImage renderIcon(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage image;
    const QSize declared = reader.size();
    if (reader.canRead() && (!declared.isValid() || withinPixelLimit(declared.width(), declared.height())) &&
        reader.read(&image) && !image.isNull())
        return toWorkingBitmap(image);
    // Not an icon: any bitmap the readers know will do.
    QImage bitmap;
    if (LoadImageBytes(data, bitmap))
        return bitmap;
    return {};
}

// Little-endian writers for the metafile wrappers.
void put16(QByteArray& b, int v) { char c[2]; qToLittleEndian<quint16>(quint16(v), c); b.append(c, 2); }
void put32(QByteArray& b, qint64 v) { char c[4]; qToLittleEndian<quint32>(quint32(v), c); b.append(c, 4); }

// BITMAPINFOHEADER and bottom-up 24-bit rows of the bitmap.
QByteArray packedDib(const QImage& image)
{
    const int w = image.width(), h = image.height();
    const int stride = (w * 3 + 3) & ~3;
    QByteArray b;
    b.reserve(40 + stride * h);
    put32(b, 40); put32(b, w); put32(b, h); put16(b, 1); put16(b, 24);
    put32(b, 0); put32(b, qint64(stride) * h); put32(b, 3780); put32(b, 3780); put32(b, 0); put32(b, 0);
    QByteArray row(stride, '\0');
    for (int y = h - 1; y >= 0; --y) {
        std::memcpy(row.data(), image.constScanLine(y), size_t(w) * 3);
        b.append(row);
    }
    return b;
}

}  // namespace

MetafileType MetafileTypeOf(const QByteArray& d)
{
    if (d.size() >= 88 && le32(d, 0) == 1 && le32(d, 40) == kEmfSignature)
        return MetafileType::Emf;
    if (d.size() >= 22 && le32(d, 0) == kPlaceableKey)
        return MetafileType::Wmf;
    if (d.size() >= 18 && (le16(d, 0) == 1 || le16(d, 0) == 2) && le16(d, 2) == 9)
        return MetafileType::Wmf;
    return MetafileType::None;
}

QImage RenderMetafile(const QByteArray& data)
{
    switch (MetafileTypeOf(data)) {
    case MetafileType::Emf:
        return drawOf(emfSvg(data));
    case MetafileType::Wmf:
        return drawOf(wmfSvg(data));
    case MetafileType::None:
        break;
    }
    return {};
}

QByteArray MetafileToSvg(const QByteArray& data)
{
    switch (MetafileTypeOf(data)) {
    case MetafileType::Emf:
        return emfSvg(data).svg;
    case MetafileType::Wmf:
        return wmfSvg(data).svg;
    case MetafileType::None:
        break;
    }
    return {};
}

bool RenderGraphic(QImage& bitmap, const QByteArray& source, int kind, Messages& messages)
{
    QImage image;
    if (kind == kKindMetafile)
        image = RenderMetafile(source);
    else if (kind == kKindIcon)
        image = renderIcon(source);
    if (image.isNull()) {
        messages.information(kRenderFailedText);
        return false;
    }
    bitmap = image;
    return true;
}

bool RenderGraphicFile(QImage& bitmap, const QString& path, Messages& messages)
{
    QFile file(path);
    const int kind = GraphicKindOfName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        messages.information(kRenderFailedText);
        return false;
    }
    const QByteArray data = file.readAll();
    if (kind == kKindMetafile || kind == kKindIcon)
        return RenderGraphic(bitmap, data, kind, messages);
    QImage image;
    if (!LoadImageBytes(data, image)) {
        messages.information(kRenderFailedText);
        return false;
    }
    bitmap = image;
    return true;
}

QByteArray WrapBitmapAsMetafile(const QImage& source, MetafileType type)
{
    const QImage image = toWorkingBitmap(source);
    if (image.isNull())
        return {};
    const int w = image.width(), h = image.height();
    const QByteArray dib = packedDib(image);
    QByteArray b;
    if (type == MetafileType::Emf) {
        const qint64 stretchSize = 80 + dib.size();
        const qint64 total = 108 + stretchSize + 20;
        if (total > 0x7fffffff)
            return {};
        // EMR_HEADER: bounds in pixels, frame in 0.01 mm at 96 dpi, a
        // reference device of 1024 x 768 pixels measuring 271 x 203 mm.
        put32(b, 1); put32(b, 108);
        put32(b, 0); put32(b, 0); put32(b, w - 1); put32(b, h - 1);
        put32(b, 0); put32(b, 0);
        put32(b, std::llround(w * 2540.0 / kScreenDpi)); put32(b, std::llround(h * 2540.0 / kScreenDpi));
        put32(b, kEmfSignature); put32(b, 0x10000); put32(b, total); put32(b, 3);
        put16(b, 1); put16(b, 0);
        put32(b, 0); put32(b, 0); put32(b, 0);
        put32(b, 1024); put32(b, 768); put32(b, 271); put32(b, 203);
        put32(b, 0); put32(b, 0); put32(b, 0);
        put32(b, 270933); put32(b, 203200);
        // EMR_STRETCHDIBITS
        put32(b, 81); put32(b, stretchSize);
        put32(b, 0); put32(b, 0); put32(b, w - 1); put32(b, h - 1);
        put32(b, 0); put32(b, 0); put32(b, 0); put32(b, 0); put32(b, w); put32(b, h);
        put32(b, 80); put32(b, 40); put32(b, 120); put32(b, dib.size() - 40);
        put32(b, 0); put32(b, 0x00CC0020); put32(b, w); put32(b, h);
        b.append(dib);
        // EMR_EOF
        put32(b, 14); put32(b, 20); put32(b, 0); put32(b, 16); put32(b, 20);
        return b;
    }
    if (type != MetafileType::Wmf || w > 32767 || h > 32767)
        return {};
    const qint64 stretchWords = 3 + 11 + dib.size() / 2;
    const qint64 totalWords = 9 + 5 + 5 + stretchWords + 3;
    if (totalWords * 2 + 22 > 0x7fffffff)
        return {};
    // Placeable header: bounds in units of 1/96 inch.
    QByteArray head;
    put32(head, kPlaceableKey); put16(head, 0);
    put16(head, 0); put16(head, 0); put16(head, w); put16(head, h);
    put16(head, 96); put32(head, 0);
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= le16(head, i);
    put16(head, sum);
    b.append(head);
    // META header
    put16(b, 1); put16(b, 9); put16(b, 0x0300); put32(b, totalWords); put16(b, 0);
    put32(b, stretchWords); put16(b, 0);
    // SETWINDOWORG (y, x) and SETWINDOWEXT (height, width)
    put32(b, 5); put16(b, 0x020B); put16(b, 0); put16(b, 0);
    put32(b, 5); put16(b, 0x020C); put16(b, h); put16(b, w);
    // STRETCHDIB: raster operation, colour usage, source and destination rectangles
    put32(b, stretchWords); put16(b, 0x0F43);
    put32(b, 0x00CC0020); put16(b, 0);
    put16(b, h); put16(b, w); put16(b, 0); put16(b, 0);
    put16(b, h); put16(b, w); put16(b, 0); put16(b, 0);
    b.append(dib);
    // EOF
    put32(b, 3); put16(b, 0);
    return b;
}

}  // namespace zb
