#include "imaging/stored_pictures.h"

#include "core/ports.h"
#include "imaging/exif.h"
#include "imaging/graphic_kind.h"
#include "imaging/heif.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"
#include "imaging/resample.h"
#include "imaging/working_bitmap.h"

#include <QFile>

namespace zb {

CurrentPicture CurrentPictureOf(const QByteArray& imageNow, const QByteArray& imageOrg,
                                std::optional<int> graFlag)
{
    if (!imageNow.isEmpty())
        return {imageNow, kKindJpeg};
    return {imageOrg, graFlag.value_or(kKindJpeg)};
}

bool DecodeStoredPicture(const QByteArray& bytes, int kind, QImage& bitmap, int target, Messages& messages)
{
    if (kind == kKindMetafile)
        return RenderGraphic(bitmap, bytes, kKindMetafile, messages);
    return DecodeJpeg(bytes, bitmap, target, messages);
}

QByteArray MakeThumbnailOfBitmap(const QImage& bitmap)
{
    QImage image = bitmap;
    if (!FitShorterSide(image, kThumbnailSize, true))
        return {};
    return encodeBmp(image);
}

QByteArray MakeThumbnail(const QByteArray& picture, int kind, Messages& messages)
{
    QImage bitmap;
    if (!DecodeStoredPicture(picture, kind, bitmap, kThumbnailSize, messages))
        return {};
    return MakeThumbnailOfBitmap(bitmap);
}

QImage UprightExifThumbnail(const QString& path, int requestedSize)
{
    const std::optional<QByteArray> exif = ExifThumbnail(path, requestedSize);
    if (!exif)
        return {};
    SilentMessages quiet;
    QImage image;
    if (!DecodeJpeg(*exif, image, 0, quiet) || !applyOrientation(image, ExifOrientation(path)))
        return {};
    return image;
}

std::optional<QByteArray> MakeAlbum(const QByteArray& picture, int kind, Messages& messages)
{
    if (kind == kKindMetafile)
        return std::nullopt;
    QImage bitmap;
    if (!DecodeJpeg(picture, bitmap, kAlbumSize, messages) || !FitShorterSide(bitmap, kAlbumSize, false))
        return std::nullopt;
    QByteArray jpeg;
    if (!EncodeJpeg(bitmap, jpeg, false, kDefaultJpegQuality, messages))
        return std::nullopt;
    return jpeg;
}

QString ImportReadErrorText(const QString& path)
{
    return QStringLiteral("ファイル読み込み中にエラーが発生しました。\r\n"
                          "サポートされていない写真形式か壊れている可能性があります。\r\n>") + path;
}

std::optional<ImportedPicture> PictureForImport(const QString& path, int kind, bool compressedJob,
                                                Messages& messages)
{
    ImportedPicture result;
    QFile file(path);
    bool ok = file.open(QIODevice::ReadOnly);
    if (ok && kind == kKindJpeg) {
        const QByteArray bytes = file.readAll();
        JpegHeader header;
        if (compressedJob && ReadJpegHeader(bytes, header, messages) &&
            !withinPixelLimit(header.width, header.height)) {
            // Too large to decode whole for re-encoding: kept as it is, which
            // loses nothing; the thumbnail below still proves it decodes.
            result.imageOrg = bytes;
        } else if (compressedJob) {
            QImage full;
            ok = DecodeJpeg(bytes, full, 0, messages) &&
                 EncodeJpeg(full, result.imageOrg, false, kCompressedJobQuality, messages);
        } else {
            // Stored unchanged, but only once the bytes are known to decode.
            result.imageOrg = bytes;
        }
        if (ok) {
            result.thumbnail = MakeThumbnail(result.imageOrg, kKindJpeg, messages);
            ok = !result.thumbnail.isEmpty();
        }
    } else if (ok && kind == kKindHeif) {
        // Stored as the JPEG the rest of the system and the delivery expect.
        const std::optional<ConvertedHeif> converted =
            ConvertHeifToJpeg(file.readAll(), compressedJob ? kCompressedJobQuality : kDefaultJpegQuality, messages);
        ok = converted.has_value();
        if (ok) {
            result.imageOrg = converted->jpeg;
            result.converted = true;
            result.thumbnail = MakeThumbnailOfBitmap(converted->bitmap);
            ok = !result.thumbnail.isEmpty();
        }
    } else if (ok && kind == kKindMetafile) {
        result.imageOrg = file.readAll();
        result.graFlag = kKindMetafile;
        result.thumbnail = MakeThumbnail(result.imageOrg, kKindMetafile, messages);
        ok = !result.thumbnail.isEmpty();
    } else if (ok && kind >= 0) {
        QImage bitmap;
        if (kind == kKindIcon)
            ok = RenderGraphic(bitmap, file.readAll(), kKindIcon, messages);
        else
            ok = LoadWithImageLibrary(path, bitmap);
        ok = ok && EncodeJpeg(bitmap, result.imageOrg, false, kDefaultJpegQuality, messages);
        if (ok) {
            result.thumbnail = MakeThumbnailOfBitmap(bitmap);
            ok = !result.thumbnail.isEmpty();
        }
    } else {
        ok = false;
    }
    if (!ok) {
        messages.information(ImportReadErrorText(path));
        return std::nullopt;
    }
    return result;
}

std::optional<ImportedPicture> PictureForClipboardImport(const QByteArray& metafile, const QImage& bitmap,
                                                         Messages& messages)
{
    ImportedPicture p;
    bool ok = false;
    if (!metafile.isEmpty()) {
        p.imageOrg = metafile;
        p.graFlag = kKindMetafile;
        p.thumbnail = MakeThumbnail(p.imageOrg, kKindMetafile, messages);
        ok = !p.thumbnail.isEmpty();
    } else if (!bitmap.isNull()) {
        ok = EncodeJpeg(bitmap, p.imageOrg, false, kDefaultJpegQuality, messages);
        if (ok) {
            p.thumbnail = MakeThumbnailOfBitmap(bitmap);
            ok = !p.thumbnail.isEmpty();
        }
    }
    if (!ok) {
        messages.information(ImportReadErrorText(QString()));
        return std::nullopt;
    }
    return p;
}

}  // namespace zb
