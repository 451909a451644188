#pragma once
// What each picture field of a photo row holds, as pure functions on bytes:
//   IMAGE_ORG  the picture as imported: a JPEG or metafile file's bytes
//              unchanged; every other kind as JPEG quality 90 (a JPEG in a
//              compressed job is re-encoded at quality 85, unless it is too
//              large to decode whole); a HEIC/HEIF file upright as JPEG of
//              quality 90 (85 in a compressed job) with its Exif block;
//   GRA_FLAG   0 for JPEG, 20 for a metafile;
//   IMAGE_NOW  the edited picture, JPEG quality 90, null until edited;
//   THUMBNAIL  a 24-bit BMP file image of the current picture, shorter side
//              120, smoothly resampled;
//   ALBUM      JPEG quality 90 of the current picture, shorter side 400, plain
//              stretch; made on first need, never for a metafile.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace zb {

class Messages;

inline constexpr int kThumbnailSize = 120;
inline constexpr int kAlbumSize = 400;
inline constexpr int kCompressedJobQuality = 85;

// The picture shown, printed and exported: IMAGE_NOW when it is not null,
// else IMAGE_ORG. Its kind is JPEG for IMAGE_NOW, else GRA_FLAG (0 when the
// table has no GRA_FLAG field).
struct CurrentPicture {
    QByteArray bytes;
    int kind = 0;
};
CurrentPicture CurrentPictureOf(const QByteArray& imageNow, const QByteArray& imageOrg,
                                std::optional<int> graFlag);

// Decodes a stored picture (JPEG, or metafile when kind is 20) into a working
// bitmap; JPEGs with the reduced decode allowed by `target`.
bool DecodeStoredPicture(const QByteArray& bytes, int kind, QImage& bitmap, int target,
                         Messages& messages);

// THUMBNAIL of a stored picture; empty on failure (the codec has said why).
QByteArray MakeThumbnail(const QByteArray& picture, int kind, Messages& messages);
// THUMBNAIL of a working bitmap.
QByteArray MakeThumbnailOfBitmap(const QImage& bitmap);

// The EXIF thumbnail of a camera file (for displays up to 160 pixels), turned
// upright as the photo itself is; a null picture when the file has none.
QImage UprightExifThumbnail(const QString& path, int requestedSize);

// ALBUM of a stored picture: nothing for a metafile or on failure.
std::optional<QByteArray> MakeAlbum(const QByteArray& picture, int kind, Messages& messages);

// The picture fields of a new row for the file at `path` of the given kind.
struct ImportedPicture {
    QByteArray imageOrg;
    int graFlag = 0;
    QByteArray thumbnail;
    bool converted = false;  // the stored picture was made from a file of another format (HEIC)
};
// Nothing when the file cannot be read or turned into a picture; the message
// is the import's: "ファイル読み込み中にエラーが発生しました。…>" + path.
std::optional<ImportedPicture> PictureForImport(const QString& path, int kind, bool compressedJob,
                                                Messages& messages);
// The picture fields of a new row for the clipboard's picture: an enhanced
// metafile kept as it is, else the bitmap as JPEG quality 90. Nothing (after
// the import's read error message) when neither works.
std::optional<ImportedPicture> PictureForClipboardImport(const QByteArray& metafile, const QImage& bitmap,
                                                         Messages& messages);

QString ImportReadErrorText(const QString& path);

}  // namespace zb
