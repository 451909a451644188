#include "imaging/pcx.h"

#include "imaging/working_bitmap.h"

#include <QtEndian>
#include <vector>

namespace zb {

namespace {

constexpr int kHeaderSize = 128;

quint16 le16(const uchar* p) { return qFromLittleEndian<quint16>(p); }

// The default 16-colour palette, for files whose header palette is empty.
const uchar kEgaPalette[16][3] = {
    {0, 0, 0},       {0, 0, 170},     {0, 170, 0},     {0, 170, 170},
    {170, 0, 0},     {170, 0, 170},   {170, 85, 0},    {170, 170, 170},
    {85, 85, 85},    {85, 85, 255},   {85, 255, 85},   {85, 255, 255},
    {255, 85, 85},   {255, 85, 255},  {255, 255, 85},  {255, 255, 255},
};

}  // namespace

QImage DecodePcx(const QByteArray& bytes)
{
    const auto* d = reinterpret_cast<const uchar*>(bytes.constData());
    const qint64 size = bytes.size();
    if (size < kHeaderSize || d[0] != 0x0A || d[2] > 1)
        return {};
    const int bpp = d[3];
    const int xmin = le16(d + 4), ymin = le16(d + 6), xmax = le16(d + 8), ymax = le16(d + 10);
    const int planes = d[65];
    const int bytesPerLine = le16(d + 66);
    const bool rle = d[2] == 1;
    if (xmax < xmin || ymax < ymin)
        return {};
    const qint64 w = qint64(xmax) - xmin + 1, h = qint64(ymax) - ymin + 1;
    const bool mono = bpp == 1 && planes == 1;
    const bool ega = bpp == 1 && planes == 4;
    const bool indexed = bpp == 8 && planes == 1;
    const bool rgb = bpp == 8 && (planes == 3 || planes == 4);
    const bool packed4 = bpp == 4 && planes == 1;
    if (!(mono || ega || indexed || rgb || packed4))
        return {};
    if (qint64(bytesPerLine) * 8 < w * bpp)
        return {};
    if (!withinPixelLimit(w, h))
        return {};

    // Palette: 16 entries in the header, 256 after a 0x0C byte at the end.
    uchar palette[256][3];
    bool headerPaletteEmpty = true;
    for (int i = 0; i < 48; ++i)
        headerPaletteEmpty = headerPaletteEmpty && d[16 + i] == 0;
    for (int i = 0; i < 256; ++i)
        palette[i][0] = palette[i][1] = palette[i][2] = uchar(i);  // grey without a palette
    if (indexed) {
        if (size >= kHeaderSize + 769 && d[size - 769] == 0x0C) {
            for (int i = 0; i < 256; ++i)
                for (int c = 0; c < 3; ++c)
                    palette[i][c] = d[size - 768 + 3 * i + c];
        }
    } else if (ega || packed4) {
        for (int i = 0; i < 16; ++i)
            for (int c = 0; c < 3; ++c)
                palette[i][c] = headerPaletteEmpty ? kEgaPalette[i][c] : d[16 + 3 * i + c];
    } else if (mono) {
        palette[0][0] = palette[0][1] = palette[0][2] = 0;
        palette[1][0] = palette[1][1] = palette[1][2] = 255;
    }

    QImage image = newWorkingBitmap(w, h);
    if (image.isNull())
        return {};

    const qint64 lineBytes = qint64(bytesPerLine) * planes;
    std::vector<uchar> line(static_cast<size_t>(lineBytes));
    qint64 pos = kHeaderSize;
    // A run may carry over from one line into the next; some writers do that.
    int runLeft = 0;
    uchar runValue = 0;
    for (qint64 y = 0; y < h; ++y) {
        for (qint64 i = 0; i < lineBytes; ++i) {
            if (runLeft == 0) {
                if (pos >= size)
                    return {};  // truncated
                uchar c = d[pos++];
                if (rle && (c & 0xC0) == 0xC0) {
                    runLeft = c & 0x3F;
                    if (pos >= size)
                        return {};
                    runValue = d[pos++];
                    if (runLeft == 0) {
                        --i;  // an empty run: nothing to place
                        continue;
                    }
                } else {
                    runLeft = 1;
                    runValue = c;
                }
            }
            line[size_t(i)] = runValue;
            --runLeft;
        }
        uchar* out = image.scanLine(int(y));
        for (qint64 x = 0; x < w; ++x, out += 3) {
            int r, g, b;
            if (rgb) {
                r = line[size_t(x)];
                g = line[size_t(bytesPerLine + x)];
                b = line[size_t(2 * bytesPerLine + x)];
            } else {
                int index = 0;
                if (indexed) {
                    index = line[size_t(x)];
                } else if (packed4) {
                    const uchar v = line[size_t(x / 2)];
                    index = (x & 1) ? (v & 0x0F) : (v >> 4);
                } else {
                    for (int p = 0; p < planes; ++p) {
                        const uchar v = line[size_t(p * bytesPerLine + x / 8)];
                        index |= ((v >> (7 - (x & 7))) & 1) << p;
                    }
                }
                r = palette[index][0];
                g = palette[index][1];
                b = palette[index][2];
            }
            out[0] = uchar(b);
            out[1] = uchar(g);
            out[2] = uchar(r);
        }
    }
    return image;
}

QByteArray EncodePcx(const QImage& source)
{
    const QImage image = toWorkingBitmap(source);
    if (image.isNull())
        return {};
    const int w = image.width(), h = image.height();
    const int bytesPerLine = (w + 1) & ~1;  // even, as the format asks
    if (bytesPerLine > 0xFFFF)
        return {};
    QByteArray out(kHeaderSize, '\0');
    auto* hd = reinterpret_cast<uchar*>(out.data());
    hd[0] = 0x0A;  // maker
    hd[1] = 5;     // version 3.0 and later
    hd[2] = 1;     // run-length encoded
    hd[3] = 8;     // bits per pixel per plane
    qToLittleEndian<quint16>(0, hd + 4);
    qToLittleEndian<quint16>(0, hd + 6);
    qToLittleEndian<quint16>(quint16(w - 1), hd + 8);
    qToLittleEndian<quint16>(quint16(h - 1), hd + 10);
    qToLittleEndian<quint16>(96, hd + 12);
    qToLittleEndian<quint16>(96, hd + 14);
    hd[65] = 3;  // planes: red, green, blue
    qToLittleEndian<quint16>(quint16(bytesPerLine), hd + 66);
    qToLittleEndian<quint16>(1, hd + 68);  // colour palette info

    out.reserve(kHeaderSize + qsizetype(h) * bytesPerLine * 3 * 2);
    std::vector<uchar> plane(static_cast<size_t>(bytesPerLine));
    for (int y = 0; y < h; ++y) {
        const uchar* src = image.constScanLine(y);
        for (int p = 0; p < 3; ++p) {
            const int channel = 2 - p;  // red first; the bitmap holds blue first
            for (int x = 0; x < w; ++x)
                plane[size_t(x)] = src[3 * x + channel];
            if (bytesPerLine > w)
                plane[size_t(w)] = 0;
            // Runs stay inside one plane line, at most 63 long.
            for (int x = 0; x < bytesPerLine;) {
                const uchar v = plane[size_t(x)];
                int run = 1;
                while (x + run < bytesPerLine && run < 63 && plane[size_t(x + run)] == v)
                    ++run;
                if (run > 1 || (v & 0xC0) == 0xC0)
                    out.append(char(0xC0 | run));
                out.append(char(v));
                x += run;
            }
        }
    }
    return out;
}

}  // namespace zb
