#pragma once
// The few EXIF values the import uses, the Orientation that turns a photo
// upright, and the thumbnail cameras embed. The Exif APP1 segment is looked
// for among all segments before the image data (a JFIF APP0 segment, other
// APPn and comment segments may come first); every offset inside it counts
// from its TIFF header and must stay inside the segment. Every length, offset
// and count is checked, the walk through the directories is bounded, and a
// damaged block yields no result.
#include "imaging/orientation.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace zb {

struct ExifInfo {
    // The date taken, "YYYY:MM:DD HH:MM:SS": DateTimeOriginal (0x9003) when it
    // holds a valid date, else DateTimeDigitized (0x9004), else DateTime
    // (0x0132, the time the file was last changed), as it stands.
    QString dateTime;
    QString filmNumber;   // tag 0x920C
    QString frameNumber;  // tag 0x920D
    Orientation orientation = Orientation::TopLeft;  // tag 0x0112
};

// Each text is cut to this many characters.
inline constexpr int kExifTextMax = 50;
// Thumbnails are used only for displays up to this size.
inline constexpr int kExifThumbnailMaxSize = 160;

std::optional<ExifInfo> ReadExif(const QString& path);
std::optional<ExifInfo> ReadExifData(const QByteArray& data);

// The JPEG thumbnail of the first-IFD-following directory (IFD1), when it is
// JPEG compressed (compression 6) and the requested size is 0 or at most 160.
// It is stored as the camera held it: the photo's Orientation applies to it.
std::optional<QByteArray> ExifThumbnail(const QString& path, int requestedSize);
std::optional<QByteArray> ExifThumbnailData(const QByteArray& data, int requestedSize);

// Only the Orientation of a JPEG's EXIF block (TopLeft without one). Cheap:
// it reads the segment headers and the first directory.
Orientation ExifOrientationOf(const QByteArray& jpeg);
Orientation ExifOrientation(const QString& path);

// Where the TIFF header and directories of the Exif APP1 segment lie in a
// JPEG: `offset` and `size` of the block after "Exif\0\0".
struct ExifBlockSpan {
    qsizetype offset = 0;
    qsizetype size = 0;
};
std::optional<ExifBlockSpan> FindExifBlock(const QByteArray& jpeg);

}  // namespace zb
