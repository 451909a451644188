#include "album/photo_binding.h"

#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/stored_pictures.h"
#include "store/engine/table.h"

namespace zb::album {

namespace {

bool locate(engine::Table& table, const PhotoFields& f, RECORD record)
{
    if (record <= 0 || f[F_RECORD] < 0)
        return false;
    try {
        if (!table.eof() && !table.isNull(f[F_RECORD]) && table.value(f[F_RECORD]).toInt() == record)
            return true;
        return table.locate(record);
    } catch (const std::exception&) {
        return false;
    }
}

CurrentPicture currentOf(const engine::Table& table, const PhotoFields& f)
{
    const QByteArray now = f[F_IMAGE_NOW] >= 0 ? table.readBlob(f[F_IMAGE_NOW]) : QByteArray();
    const QByteArray org = f[F_IMAGE_ORG] >= 0 ? table.readBlob(f[F_IMAGE_ORG]) : QByteArray();
    std::optional<int> gra;
    if (f[F_GRA_FLAG] >= 0 && !table.isNull(f[F_GRA_FLAG]))
        gra = table.value(f[F_GRA_FLAG]).toInt();
    return CurrentPictureOf(now, org, gra);
}

}  // namespace

QList<RECORD> photoDrawings(const engine::Table& table, const PhotoFields& f)
{
    QList<RECORD> out;
    for (PhotoField field : {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3}) {
        if (f[field] < 0 || table.isNull(f[field]))
            continue;
        const RECORD r = table.value(f[field]).toInt();
        if (r != 0)
            out << r;
    }
    return out;
}

TablePhotoBinder::TablePhotoBinder(CaptionSources& sources, Messages& messages) : s_(sources), messages_(messages) {}

bool TablePhotoBinder::photoExists(RECORD photo)
{
    return s_.photoTable && locate(*s_.photoTable, s_.fields, photo);
}

bool TablePhotoBinder::bindPart(TPartsBox& part, RECORD photo)
{
    const int code = frameCode(part);
    if (!code) {
        part.Caption = resolveForAlbum(part.Caption, photo, s_);
        return !part.Caption.isEmpty();
    }
    if (!photoExists(photo))
        return false;
    engine::Table& t = *s_.photoTable;
    const PhotoFields& f = s_.fields;
    if (isDrawingFrameCode(code)) {
        const QList<RECORD> drawings = photoDrawings(t, f);
        const int k = code - 2600;
        if (k >= drawings.size())
            return false;
        part.RefRecord = drawings[k];
        return true;
    }
    part.PhotoRecord = photo;
    if (f[F_ALBUM] < 0)
        return true;
    QByteArray album = t.isNull(f[F_ALBUM]) ? QByteArray() : t.readBlob(f[F_ALBUM]);
    if (album.isEmpty()) {
        const CurrentPicture current = currentOf(t, f);
        SilentMessages quiet;
        if (std::optional<QByteArray> made = MakeAlbum(current.bytes, current.kind, quiet)) {
            try {
                t.edit();
                t.writeBlob(f[F_ALBUM], *made);
                t.post();
                album = *made;
            } catch (const std::exception&) {
                if (t.isEditing())
                    t.cancel();
            }
        }
    }
    JpegHeader header;
    SilentMessages quiet;
    if (!album.isEmpty() && ReadJpegHeader(album, header, quiet)) {
        part.RefWidth = header.width;
        part.RefHeight = header.height;
    }
    return true;
}

FramePictures::FramePictures(engine::Table& table, const PhotoFields& fields) : table_(table), fields_(fields) {}

FramePicture FramePictures::load(const TPartsBox& part, int code, QSize size, bool screen)
{
    FramePicture out;
    const RECORD record = isPhotoFrameCode(code) ? part.PhotoRecord : part.RefRecord;
    const QString key = QStringLiteral("%1/%2x%3").arg(record).arg(size.width()).arg(size.height());
    if (screen) {
        const auto it = cache_.constFind(key);
        if (it != cache_.constEnd()) {
            out.image = *it;
            return out;
        }
    }
    if (!locate(table_, fields_, record)) {
        out.missing = true;
        return out;
    }
    SilentMessages quiet;
    // A reduced decode never gives fewer pixels than the frame has.
    const int target = qMax(size.width(), size.height());
    const bool small = size.width() <= kAlbumSize && size.height() <= kAlbumSize;
    QImage image;
    bool done = false;
    if (screen && small && fields_[F_ALBUM] >= 0 && !table_.isNull(fields_[F_ALBUM])) {
        const QByteArray album = table_.readBlob(fields_[F_ALBUM]);
        done = !album.isEmpty() && DecodeJpeg(album, image, target, quiet);
    }
    if (!done) {
        const CurrentPicture current = currentOf(table_, fields_);
        if (!DecodeStoredPicture(current.bytes, current.kind, image, target, quiet))
            image = QImage();
    }
    out.image = image;
    if (screen)
        cache_.insert(key, image);
    return out;
}

FrameLoader FramePictures::loader()
{
    return [this](const TPartsBox& part, int code, QSize size, bool screen) { return load(part, code, size, screen); };
}

}  // namespace zb::album
