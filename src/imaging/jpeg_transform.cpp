#include "imaging/jpeg_transform.h"

#include "imaging/exif.h"
#include "imaging/jpeg_codec.h"
#include "imaging/orientation.h"
#include "imaging/working_bitmap.h"

#include <QFile>
#include <QSaveFile>

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

// The one coefficient transform that does t: every turn and mirror of the
// eight is one of TurboJPEG's operations.
int transformOp(OrientationTransform t)
{
    static const int plain[4] = {TJXOP_NONE, TJXOP_ROT90, TJXOP_ROT180, TJXOP_ROT270};
    // A turn followed by swapping left and right.
    static const int mirrored[4] = {TJXOP_HFLIP, TJXOP_TRANSPOSE, TJXOP_VFLIP, TJXOP_TRANSVERSE};
    return (t.mirror ? mirrored : plain)[t.turns & 3];
}

// The JPEG transformed by t on its coefficients, its EXIF block then saying
// Orientation 1. Nothing when an edge block would be lost or the bytes are not
// a JPEG the transformer reads.
std::optional<QByteArray> transformLossless(const QByteArray& jpeg, OrientationTransform t)
{
    if (jpeg.size() < 4)
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
    transform.op = transformOp(t);
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

}  // namespace

void ResetExifOrientation(QByteArray& jpeg)
{
    if (const auto span = FindExifBlock(jpeg))
        patchTiff(reinterpret_cast<uchar*>(jpeg.data()) + span->offset, span->size);
}

std::optional<QByteArray> RotateJpegLossless(const QByteArray& jpeg, int r)
{
    if (r < 1 || r > 3)
        return std::nullopt;
    // The turn is of the picture as it is shown: its Orientation first.
    return transformLossless(jpeg, transformFor(ExifOrientationOf(jpeg)).thenTurn(r));
}

std::optional<QByteArray> UprightJpeg(const QByteArray& jpeg, Messages& messages)
{
    const OrientationTransform t = transformFor(ExifOrientationOf(jpeg));
    if (t.isIdentity())
        return jpeg;
    if (std::optional<QByteArray> turned = transformLossless(jpeg, t))
        return turned;
    // Edge blocks in the way: decoded upright and written anew.
    QImage bitmap;
    QByteArray encoded;
    if (!DecodeJpeg(jpeg, bitmap, 0, messages) || !EncodeJpeg(bitmap, encoded, false, kDefaultJpegQuality, messages))
        return std::nullopt;
    return encoded;
}

bool MakeJpegFileUpright(const QString& path, Messages& messages, QString* error)
{
    auto failed = [&](const QFileDevice& f) {
        if (error)
            *error = f.errorString();
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return failed(file);
    const QByteArray bytes = file.readAll();
    file.close();
    if (transformFor(ExifOrientationOf(bytes)).isIdentity())
        return true;
    const std::optional<QByteArray> upright = UprightJpeg(bytes, messages);
    if (!upright)
        return true;  // left as it was: viewers still read its Orientation
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(*upright) != upright->size() || !out.commit())
        return failed(out);
    return true;
}

}  // namespace zb
