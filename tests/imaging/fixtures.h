#pragma once
// Pictures made inside the tests: JPEGs of any size, EXIF blocks built byte by
// byte in either byte order, JFIF thumbnails, and small metafiles.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <ostream>
#include <vector>

// Readable QString values in test failures.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join("\n, ").toStdString() << ']'; }

namespace zbtest {

// A working bitmap with a smooth colour pattern (gradients), like a photo.
QImage patternBitmap(int w, int h);
// A JPEG of that pattern (quality 90).
QByteArray makeJpeg(int w, int h, bool grey = false);

// One EXIF block laid out as a camera writes it:
// FF D8, APP1 "Exif\0\0", TIFF header, IFD0 (DateTime, Exif IFD pointer),
// Exif IFD (0x920C, 0x920D), IFD1 (compression, thumbnail offset and length),
// the thumbnail, then the rest of the JPEG.
struct ExifLayout {
    bool bigEndian = false;
    QByteArray dateTime = "2023:04:05 06:07:08";
    int orientation = 0;      // 0x0112 in IFD0, left out when 0
    QByteArray original;      // 0x9003 DateTimeOriginal, left out when empty
    QByteArray digitized;     // 0x9004 DateTimeDigitized, left out when empty
    QByteArray film;          // 0x920C, left out when empty
    QByteArray frame;         // 0x920D, left out when empty
    QByteArray thumbnail;     // a JPEG; no IFD1 when empty
    int compression = 6;
    bool compressionAsShort = true;
};
QByteArray exifJpeg(const ExifLayout& layout, const QByteArray& jpeg);

// A picture in four colours, one a quarter: red top left, green top right,
// blue bottom left, white bottom right, so that any turn or mirror shows.
QImage quadrantBitmap(int w, int h);
// The colours at the centres of the four quarters of a picture in that order,
// each as the letter of the nearest of R, G, B, W and K (black): "RGBW" for
// quadrantBitmap upright.
QString quadrantColours(const QImage& picture);

// A camera file as phones and most cameras write it: the picture's pixels
// stored as the sensor saw them, `orientation` saying how to show them, a JFIF
// segment before the Exif one, and `original` as the date taken.
QByteArray cameraJpeg(const QImage& stored, int orientation, const QByteArray& original = "2024:05:06 07:08:09");

// The upright picture stored as a camera with the given Orientation stores it:
// the inverse of the turn the tag asks for.
QImage storedAs(const QImage& upright, int orientation);

// The JPEG with a JFIF APP0 segment first, carrying an RGB thumbnail of tw x th
// pixels (none when 0) in a single colour.
QByteArray withJfif(const QByteArray& jpeg, int tw = 0, int th = 0, QRgb colour = 0xff0000);

// Segments placed right after the start-of-image marker.
QByteArray insertAfterSoi(const QByteArray& jpeg, const QByteArray& segments);

// A JPEG whose frame header claims w x h pixels (the rest is the real data of
// a small picture, baseline or progressive).
QByteArray jpegClaiming(int w, int h, bool progressive = false);

// A colour JPEG of w x h pixels in one colour, written row by row by libjpeg
// at quality 10: a picture of many megapixels in little memory and time.
QByteArray uniformJpeg(int w, int h, QRgb colour = 0x808080, bool progressive = false);

// A GIF of w x h pixels in one colour.
QByteArray makeGif(int w, int h, QRgb colour);

// Little-endian byte writer.
struct Bytes {
    QByteArray b;
    bool big = false;
    Bytes& u8(int v);
    Bytes& u16(int v);
    Bytes& u32(qint64 v);
    Bytes& raw(const QByteArray& a);
};

// A WMF (placeable, 96 units per inch) of w x h units filled white with one
// rectangle of the colour (0x00BBGGRR) drawn at (x0, y0)-(x1, y1).
QByteArray makeWmf(int w, int h, quint32 colorref, int x0, int y0, int x1, int y1);
// An EMF of w x h pixels (frame at 96 dpi) with one filled rectangle.
QByteArray makeEmf(int w, int h, quint32 colorref, int x0, int y0, int x1, int y1);

}  // namespace zbtest
