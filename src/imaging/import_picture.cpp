#include "imaging/import_picture.h"

#include "core/ports.h"
#include "imaging/graphic_kind.h"
#include "imaging/jpeg_codec.h"
#include "imaging/stored_pictures.h"

namespace zb {

std::optional<NewRowPicture> pictureForNewRow(const QString& path, int kind, bool compressedJob, Messages& messages)
{
    std::optional<ImportedPicture> p = PictureForImport(path, kind, compressedJob, messages);
    if (!p)
        return std::nullopt;
    return NewRowPicture{std::move(p->imageOrg), p->graFlag, std::move(p->thumbnail)};
}

std::optional<NewRowPicture> clipboardPictureForNewRow(const QByteArray& metafile, const QImage& bitmap,
                                                       Messages& messages)
{
    NewRowPicture p;
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

QString importReadError(const QString& path) { return ImportReadErrorText(path); }

}  // namespace zb
