#pragma once
// Reading and writing of the picture files that are not JPEG: BMP/DIB, PNG,
// TIFF, GIF and ICO through Qt's readers, PCX through our own codec, HEIC and
// HEIF (reading only, upright) through libheif. FPX is a
// kind we recognise but cannot read or write.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace zb {

// True when the reader can open the file (whatever its name says).
bool ImageLibraryCanRead(const QString& path);

// Loads any picture file the library reads into a working bitmap of the
// picture's own size (the first picture of a multi-picture file). False for a
// missing, damaged, unknown or too large picture, and always for FPX: the
// caller reports the failure.
bool LoadWithImageLibrary(const QString& path, QImage& bitmap);
// The same for picture bytes held in memory (format from the content).
bool LoadImageBytes(const QByteArray& data, QImage& bitmap);

// Writers. Each writes beside the target and renames, so a failure leaves an
// existing file untouched. BMP and DIB files are 24-bit Windows bitmaps.
bool SaveBmpFile(const QImage& bitmap, const QString& path);
bool SavePngFile(const QImage& bitmap, const QString& path);
bool SavePcxFile(const QImage& bitmap, const QString& path);

// Writes bytes to a file through a temporary file beside it.
bool WriteFileSafely(const QString& path, const QByteArray& bytes);

}  // namespace zb
