#include "imaging/jpeg_transform.h"

#include "imaging/working_bitmap.h"

#include <turbojpeg.h>

#include <cstring>

namespace zb {

namespace {

quint32 get16(const uchar* p, bool big) { return big ? (p[0] << 8 | p[1]) : (p[1] << 8 | p[0]); }
quint32 get32(const uchar* p, bool big)
{
    return big ? (quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3])
               : (quint32(p[3]) << 24 | quint32(p[2]) << 16 | quint32(p[1]) << 8 | p[0]);
}
void put16(uchar* p, quint32 v, bool big)
{
    if (big) {
        p[0] = uchar(v >> 8);
        p[1] = uchar(v);
    } else {
        p[0] = uchar(v);
        p[1] = uchar(v >> 8);
    }
}

// Patches one TIFF block (the EXIF payload after "Exif\0\0") in place.
void patchTiff(uchar* t, qsizetype size)
{
    if (size < 8)
        return;
    bool big;
    if (t[0] == 'I' && t[1] == 'I')
        big = false;
    else if (t[0] == 'M' && t[1] == 'M')
        big = true;
    else
        return;
    const quint32 ifd0 = get32(t + 4, big);
    if (ifd0 < 8 || qsizetype(ifd0) + 2 > size)
        return;
    const quint32 count = get16(t + ifd0, big);
    const qsizetype entries = qsizetype(ifd0) + 2;
    if (entries + qsizetype(count) * 12 + 4 > size)
        return;
    for (quint32 i = 0; i < count; ++i) {
        uchar* e = t + entries + i * 12;
        // Orientation: SHORT, one value, kept in the entry itself.
        if (get16(e, big) == 0x0112 && get16(e + 2, big) == 3 && get32(e + 4, big) == 1)
            put16(e + 8, 1, big);
    }
    // IFD0's link to the next directory (the thumbnail's) is cut.
    uchar* link = t + entries + qsizetype(count) * 12;
    link[0] = link[1] = link[2] = link[3] = 0;
}

}  // namespace

void ResetExifOrientation(QByteArray& jpeg)
{
    auto* d = reinterpret_cast<uchar*>(jpeg.data());
    const qsizetype n = jpeg.size();
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return;
    qsizetype pos = 2;
    // Walk the markers before the image data; APP1 "Exif" is patched.
    while (pos + 4 <= n && d[pos] == 0xFF) {
        const uchar marker = d[pos + 1];
        if (marker == 0xDA || marker == 0xD9)
            return;
        const qsizetype length = qsizetype(d[pos + 2]) << 8 | d[pos + 3];
        if (length < 2 || pos + 2 + length > n)
            return;
        uchar* body = d + pos + 4;
        const qsizetype bodySize = length - 2;
        if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0)
            patchTiff(body + 6, bodySize - 6);
        pos += 2 + length;
    }
}

std::optional<QByteArray> RotateJpegLossless(const QByteArray& jpeg, int r)
{
    if (r < 1 || r > 3 || jpeg.size() < 4)
        return std::nullopt;
    tjhandle handle = tjInitTransform();
    if (!handle)
        return std::nullopt;
    // The declared size is checked against the pixel limit before anything
    // is transformed.
    int w = 0, h = 0, subsamp = 0, colorspace = 0;
    const auto* src = reinterpret_cast<const unsigned char*>(jpeg.constData());
    if (tjDecompressHeader3(handle, src, static_cast<unsigned long>(jpeg.size()), &w, &h, &subsamp, &colorspace) != 0 ||
        !withinPixelLimit(w, h)) {
        tjDestroy(handle);
        return std::nullopt;
    }
    tjtransform transform{};
    transform.op = r == 1 ? TJXOP_ROT90 : r == 2 ? TJXOP_ROT180 : TJXOP_ROT270;
    transform.options = TJXOPT_PERFECT;
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int status = tjTransform(handle, src, static_cast<unsigned long>(jpeg.size()), 1, &out, &outSize, &transform, 0);
    std::optional<QByteArray> result;
    if (status == 0 && out && outSize > 0) {
        QByteArray bytes(reinterpret_cast<const char*>(out), qsizetype(outSize));
        ResetExifOrientation(bytes);
        result = std::move(bytes);
    }
    if (out)
        tjFree(out);
    tjDestroy(handle);
    return result;
}

}  // namespace zb
