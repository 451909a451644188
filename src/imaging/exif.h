#pragma once
// The few EXIF values the import uses, and the thumbnail cameras embed. Only a
// file that starts with a start-of-image marker immediately followed by an APP1
// segment is examined; its TIFF header is taken to begin at byte 12. Every
// offset and count is checked against the data's size, the walk through the
// directories is bounded, and a damaged block yields no result.
#include <QByteArray>
#include <QString>
#include <optional>

namespace zb {

struct ExifInfo {
    QString dateTime;     // tag 0x0132, "YYYY:MM:DD HH:MM:SS"
    QString filmNumber;   // tag 0x920C
    QString frameNumber;  // tag 0x920D
};

// Each text is cut to this many characters.
inline constexpr int kExifTextMax = 50;
// Thumbnails are used only for displays up to this size.
inline constexpr int kExifThumbnailMaxSize = 160;

std::optional<ExifInfo> ReadExif(const QString& path);
std::optional<ExifInfo> ReadExifData(const QByteArray& data);

// The JPEG thumbnail of the first-IFD-following directory (IFD1), when it is
// JPEG compressed (compression 6) and the requested size is 0 or at most 160.
std::optional<QByteArray> ExifThumbnail(const QString& path, int requestedSize);
std::optional<QByteArray> ExifThumbnailData(const QByteArray& data, int requestedSize);

}  // namespace zb
