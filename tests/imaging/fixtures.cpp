#include "fixtures.h"

#include "core/scripted_ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/working_bitmap.h"

#include <QTransform>
#include <QtEndian>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

// libemf2svg leaks a few bytes of every conversion inside the library, and
// x265 (the HEVC encoder the tests make HEIC files with) its encoder tables;
// that is not ours to fix, and must not hide leaks of our own.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libemf2svg.so\nleak:libx265.so\n";
}

namespace zbtest {

Bytes& Bytes::u8(int v)
{
    b.append(char(v));
    return *this;
}
Bytes& Bytes::u16(int v)
{
    char c[2];
    if (big)
        qToBigEndian<quint16>(quint16(v), c);
    else
        qToLittleEndian<quint16>(quint16(v), c);
    b.append(c, 2);
    return *this;
}
Bytes& Bytes::u32(qint64 v)
{
    char c[4];
    if (big)
        qToBigEndian<quint32>(quint32(v), c);
    else
        qToLittleEndian<quint32>(quint32(v), c);
    b.append(c, 4);
    return *this;
}
Bytes& Bytes::raw(const QByteArray& a)
{
    b.append(a);
    return *this;
}

QImage patternBitmap(int w, int h)
{
    QImage image(w, h, zb::kWorkingFormat);
    for (int y = 0; y < h; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            line[3 * x] = uchar(x * 255 / std::max(1, w - 1));
            line[3 * x + 1] = uchar(y * 255 / std::max(1, h - 1));
            line[3 * x + 2] = uchar(((x / 16 + y / 16) & 1) ? 200 : 60);
        }
    }
    return image;
}

QByteArray makeJpeg(int w, int h, bool grey)
{
    zb::ScriptedMessages m;
    QByteArray out;
    zb::EncodeJpeg(patternBitmap(w, h), out, grey, 90, m);
    return out;
}

QByteArray insertAfterSoi(const QByteArray& jpeg, const QByteArray& segments)
{
    return jpeg.left(2) + segments + jpeg.mid(2);
}

namespace {

QByteArray segment(int marker, const QByteArray& payload)
{
    Bytes s;
    s.big = true;
    s.u8(0xFF).u8(marker).u16(int(payload.size()) + 2).raw(payload);
    return s.b;
}

// One 12-byte IFD entry.
void entry(Bytes& t, int tag, int type, qint64 count, qint64 value, bool shortValue = false)
{
    t.u16(tag).u16(type).u32(count);
    if (shortValue)
        t.u16(int(value)).u16(0);
    else
        t.u32(value);
}

}  // namespace

QByteArray exifJpeg(const ExifLayout& layout, const QByteArray& jpeg)
{
    // Offsets count from the TIFF header. Layout: header (8), IFD0 at 8,
    // Exif IFD, IFD1, then the value area with long texts and the thumbnail.
    Bytes t;
    t.big = layout.bigEndian;
    const int ifd0Entries = 2 + (layout.orientation ? 1 : 0);
    const QList<std::pair<int, QByteArray>> exifTexts = {
        {0x9003, layout.original}, {0x9004, layout.digitized}, {0x920C, layout.film}, {0x920D, layout.frame}};
    int exifEntries = 0;
    for (const auto& [tag, text] : exifTexts)
        exifEntries += text.isEmpty() ? 0 : 1;
    const bool hasIfd1 = !layout.thumbnail.isEmpty();
    const int ifd0 = 8;
    const int exifIfd = ifd0 + 2 + ifd0Entries * 12 + 4;
    const int ifd1 = exifIfd + 2 + exifEntries * 12 + 4;
    int values = ifd1 + (hasIfd1 ? 2 + 3 * 12 + 4 : 0);

    auto valueOf = [&](const QByteArray& text, QByteArray& area) {
        // Texts with their zero; up to four bytes inside the entry.
        QByteArray z = text + '\0';
        if (z.size() <= 4)
            return qint64(-1);
        const qint64 at = values + area.size();
        area.append(z);
        return at;
    };
    QByteArray area;
    t.raw(layout.bigEndian ? "MM" : "II").u16(42).u32(ifd0);
    // IFD0
    t.u16(ifd0Entries);
    if (layout.orientation)
        entry(t, 0x0112, 3, 1, layout.orientation, true);
    {
        QByteArray z = layout.dateTime + '\0';
        const qint64 at = valueOf(layout.dateTime, area);
        if (at < 0) {
            t.u16(0x0132).u16(2).u32(z.size());
            t.raw(z.leftJustified(4, '\0'));
        } else {
            entry(t, 0x0132, 2, z.size(), at);
        }
    }
    entry(t, 0x8769, 4, 1, exifIfd);
    t.u32(hasIfd1 ? ifd1 : 0);
    // Exif IFD
    t.u16(exifEntries);
    for (const auto& [tag, text] : exifTexts) {
        if (text.isEmpty())
            continue;
        QByteArray z = text + '\0';
        const qint64 at = valueOf(text, area);
        if (at < 0) {
            t.u16(tag).u16(2).u32(z.size());
            t.raw(z.leftJustified(4, '\0'));
        } else {
            entry(t, tag, 2, z.size(), at);
        }
    }
    t.u32(0);
    // IFD1
    if (hasIfd1) {
        const qint64 thumbAt = values + area.size();
        t.u16(3);
        entry(t, 0x0103, 3, 1, layout.compression, layout.compressionAsShort);
        entry(t, 0x0201, 4, 1, thumbAt);
        entry(t, 0x0202, 4, 1, layout.thumbnail.size());
        t.u32(0);
        area.append(layout.thumbnail);
    }
    t.raw(area);
    return insertAfterSoi(jpeg, segment(0xE1, QByteArray("Exif\0\0", 6) + t.b));
}

QImage quadrantBitmap(int w, int h)
{
    QImage image(w, h, zb::kWorkingFormat);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            image.setPixel(x, y, bottom ? (right ? 0xffffffu : 0x0000ffu) : (right ? 0x00ff00u : 0xff0000u));
        }
    return image;
}

QString quadrantColours(const QImage& picture)
{
    const struct {
        char name;
        QRgb rgb;
    } colours[] = {{'R', 0xff0000}, {'G', 0x00ff00}, {'B', 0x0000ff}, {'W', 0xffffff}, {'K', 0x000000}};
    QString out;
    const int w = picture.width(), h = picture.height();
    for (QPoint at : {QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4), QPoint(w / 4, 3 * h / 4), QPoint(3 * w / 4, 3 * h / 4)}) {
        const QRgb c = picture.pixel(at);
        char best = '?';
        int bestDistance = INT_MAX;
        for (const auto& k : colours) {
            const int d = std::abs(qRed(c) - qRed(k.rgb)) + std::abs(qGreen(c) - qGreen(k.rgb)) +
                          std::abs(qBlue(c) - qBlue(k.rgb));
            if (d < bestDistance) {
                bestDistance = d;
                best = k.name;
            }
        }
        out += QLatin1Char(best);
    }
    return out;
}

QImage storedAs(const QImage& upright, int orientation)
{
    // The tag asks for a clockwise turn (`turn`) and then, for the mirrored
    // values, a left-right mirror. The stored pixels are made by undoing both
    // with Qt's own transforms, so that the code under test does not make its
    // own fixtures.
    QTransform turn;
    bool mirror = false;
    switch (orientation) {
    case 2: mirror = true; break;
    case 3: turn.rotate(180); break;
    case 4: mirror = true; turn.rotate(180); break;
    case 5: mirror = true; turn.rotate(90); break;
    case 6: turn.rotate(90); break;
    case 7: mirror = true; turn.rotate(270); break;
    case 8: turn.rotate(270); break;
    default: break;
    }
    QImage image = upright.convertToFormat(QImage::Format_RGB32);
    if (mirror)
        image = image.mirrored(true, false);
    image = image.transformed(turn.inverted());
    return image.convertToFormat(zb::kWorkingFormat);
}

QByteArray cameraJpeg(const QImage& stored, int orientation, const QByteArray& original)
{
    zb::ScriptedMessages m;
    QByteArray jpeg;
    zb::EncodeJpeg(stored, jpeg, false, 95, m);
    ExifLayout layout;
    layout.dateTime = "2025:01:02 03:04:05";  // a later change of the file
    layout.original = original;
    layout.orientation = orientation;
    return withJfif(exifJpeg(layout, jpeg));
}

QByteArray withJfif(const QByteArray& jpeg, int tw, int th, QRgb colour)
{
    Bytes p;
    p.big = true;
    p.raw(QByteArray("JFIF\0", 5)).u8(1).u8(1).u8(0).u16(1).u16(1).u8(tw).u8(th);
    for (int i = 0; i < tw * th; ++i)
        p.u8(qRed(colour)).u8(qGreen(colour)).u8(qBlue(colour));
    return insertAfterSoi(jpeg, segment(0xE0, p.b));
}

QByteArray uniformJpeg(int w, int h, QRgb colour, bool progressive)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr e{};
    c.err = jpeg_std_error(&e);
    jpeg_create_compress(&c);
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &buf, &size);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 10, TRUE);
    if (progressive)
        jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row(size_t(w) * 3);
    for (int x = 0; x < w; ++x) {
        row[3 * size_t(x)] = uchar(qRed(colour));
        row[3 * size_t(x) + 1] = uchar(qGreen(colour));
        row[3 * size_t(x) + 2] = uchar(qBlue(colour));
    }
    while (c.next_scanline < c.image_height) {
        JSAMPROW r[1] = {row.data()};
        jpeg_write_scanlines(&c, r, 1);
    }
    jpeg_finish_compress(&c);
    const QByteArray jpeg(reinterpret_cast<char*>(buf), qsizetype(size));
    jpeg_destroy_compress(&c);
    free(buf);
    return jpeg;
}

QByteArray jpegClaiming(int w, int h, bool progressive)
{
    QByteArray jpeg = progressive ? uniformJpeg(16, 16, 0x808080, true) : makeJpeg(16, 16);
    // SOF0 (SOF2 when progressive): FF C0, length (2), precision (1), height (2), width (2).
    const qsizetype sof = jpeg.indexOf(progressive ? QByteArray("\xFF\xC2", 2) : QByteArray("\xFF\xC0", 2));
    if (sof < 0)
        return {};
    qToBigEndian<quint16>(quint16(h), jpeg.data() + sof + 5);
    qToBigEndian<quint16>(quint16(w), jpeg.data() + sof + 7);
    return jpeg;
}

QByteArray makeGif(int w, int h, QRgb colour)
{
    Bytes g;
    g.raw("GIF89a").u16(w).u16(h).u8(0x80).u8(0).u8(0);  // global table of two colours
    g.u8(qRed(colour)).u8(qGreen(colour)).u8(qBlue(colour)).u8(0).u8(0).u8(0);
    g.u8(0x2C).u16(0).u16(0).u16(w).u16(h).u8(0);
    g.u8(2);  // LZW minimum code size: 3-bit codes, clear = 4, end = 5
    // Every pixel as a literal, with a clear code every two literals so that
    // the code size never grows.
    std::vector<int> codes;
    for (int i = 0; i < w * h; ++i) {
        if (i % 2 == 0)
            codes.push_back(4);
        codes.push_back(0);
    }
    codes.push_back(5);
    QByteArray data;
    quint32 acc = 0;
    int bits = 0;
    for (int c : codes) {
        acc |= quint32(c) << bits;
        bits += 3;
        while (bits >= 8) {
            data.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0)
        data.append(char(acc & 0xFF));
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        g.u8(int(block.size())).raw(block);
    }
    g.u8(0).u8(0x3B);
    return g.b;
}

QByteArray makeWmf(int w, int h, quint32 colorref, int x0, int y0, int x1, int y1)
{
    Bytes r;  // records
    auto rec = [&](int words, int function) { r.u32(words).u16(function); };
    rec(5, 0x020B); r.u16(0).u16(0);                 // SETWINDOWORG y, x
    rec(5, 0x020C); r.u16(h).u16(w);                 // SETWINDOWEXT height, width
    rec(7, 0x02FC); r.u16(0).u32(colorref).u16(0);   // CREATEBRUSHINDIRECT solid
    rec(4, 0x012D); r.u16(0);                        // SELECTOBJECT 0
    rec(8, 0x02FA); r.u16(5).u32(0).u16(0).u16(0);   // CREATEPENINDIRECT null pen
    rec(4, 0x012D); r.u16(1);                        // SELECTOBJECT 1
    rec(7, 0x041B); r.u16(y1).u16(x1).u16(y0).u16(x0);  // RECTANGLE bottom, right, top, left
    rec(3, 0x0000);                                  // EOF
    const qint64 words = 9 + r.b.size() / 2;
    Bytes f;
    Bytes head;
    head.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(w).u16(h).u16(96).u32(0);
    quint16 sum = 0;
    for (int i = 0; i < 20; i += 2)
        sum ^= qFromLittleEndian<quint16>(head.b.constData() + i);
    head.u16(sum);
    f.raw(head.b);
    f.u16(1).u16(9).u16(0x0300).u32(words).u16(2).u32(8).u16(0);
    f.raw(r.b);
    return f.b;
}

QByteArray makeEmf(int w, int h, quint32 colorref, int x0, int y0, int x1, int y1)
{
    Bytes r;
    r.u32(39).u32(24).u32(1).u32(0).u32(colorref).u32(0);  // CREATEBRUSHINDIRECT ih 1
    r.u32(37).u32(12).u32(1);                              // SELECTOBJECT 1
    r.u32(37).u32(12).u32(0x80000008);                     // SELECTOBJECT NULL_PEN
    r.u32(43).u32(24).u32(x0).u32(y0).u32(x1).u32(y1);     // RECTANGLE
    r.u32(14).u32(20).u32(0).u32(16).u32(20);              // EOF
    const qint64 total = 108 + r.b.size();
    Bytes f;
    f.u32(1).u32(108);
    f.u32(0).u32(0).u32(w - 1).u32(h - 1);                 // bounds
    f.u32(0).u32(0).u32(qint64(w) * 2540 / 96).u32(qint64(h) * 2540 / 96);  // frame, 0.01 mm
    f.u32(0x464D4520).u32(0x10000).u32(total).u32(6);
    f.u16(2).u16(0).u32(0).u32(0).u32(0);
    f.u32(1024).u32(768).u32(271).u32(203);
    f.u32(0).u32(0).u32(0).u32(270933).u32(203200);
    f.raw(r.b);
    return f.b;
}

}  // namespace zbtest
