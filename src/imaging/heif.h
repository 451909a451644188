#pragma once
// HEIC/HEIF pictures (what phones save by default) on libheif. The primary
// picture is decoded with the file's own turns and mirrors applied, so the
// bitmap is upright; its Exif block is kept so that the converted photo keeps
// its date taken and other tags. A file that libheif cannot read, whose
// declared size passes the pixel limit, or that is damaged fails; nothing
// raises.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace zb {

class Messages;

// True when the bytes start like an HEIF file (an "ftyp" box of a still-image
// brand).
bool LooksLikeHeif(const QByteArray& data);

// Decodes the primary picture into an upright working bitmap.
bool DecodeHeif(const QByteArray& data, QImage& bitmap);
bool DecodeHeifFile(const QString& path, QImage& bitmap);

// The TIFF block (byte order mark, directories) of the primary picture's Exif
// metadata; nothing when the file has none or it is damaged.
std::optional<QByteArray> HeifExifTiff(const QByteArray& data);

// A HEIF file as the photo the job stores: the upright picture as a JPEG of
// the given quality, carrying the file's Exif block (Orientation 1, no
// embedded thumbnail) in an APP1 segment right after the start-of-image.
struct ConvertedHeif {
    QByteArray jpeg;
    QImage bitmap;  // the upright picture, for the thumbnail
};
std::optional<ConvertedHeif> ConvertHeifToJpeg(const QByteArray& data, int quality, Messages& messages);

}  // namespace zb
