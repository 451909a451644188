#include "workspace/photo_thumbnails.h"

#include "core/ports.h"
#include "imaging/image_library.h"
#include "imaging/stored_pictures.h"

namespace zb {

void PhotoThumbnails::setTable(engine::Table* table, const PhotoFields& fields)
{
    table_ = table;
    fields_ = fields;
    cache_.clear();
}

PhotoLook PhotoThumbnails::look(RECORD record, int size)
{
    if (const Cached* c = cache_.object(record); c && c->size == size)
        return c->look;
    if (!table_ || !table_->isOpen() || table_->isEditing())
        return {};
    PhotoLook look;
    try {
        // Painting may happen while other work stands on a row: come back to it.
        const int recordPos = fields_[F_RECORD];
        const bool hadRow = recordPos >= 0 && !table_->eof() && !table_->isNull(recordPos);
        const qint64 before = hadRow ? table_->value(recordPos).toLongLong() : 0;
        look = read(record, size);
        if (hadRow && before != record)
            table_->locate(before);
    } catch (const std::exception&) {
        // A row that cannot be read shows no picture.
        look = {};
    }
    cache_.insert(record, new Cached{look, size});
    return look;
}

QByteArray PhotoThumbnails::readPicture(PhotoField field)
{
    const int pos = fields_[field];
    if (pos < 0 || table_->blobSize(pos) <= 0)
        return {};
    ++pictureReads_;
    return table_->readBlob(pos);
}

PhotoLook PhotoThumbnails::read(RECORD record, int size)
{
    PhotoLook look;
    if (!table_->locate(record))
        return look;
    look.found = true;
    if (fields_[F_FLAG] >= 0)
        look.flag = table_->value(fields_[F_FLAG]).toInt();
    for (PhotoField f : {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3})
        if (fields_[f] >= 0 && table_->value(fields_[f]).toInt() > 0)
            ++look.drawings;
    look.edited = fields_[F_IMAGE_NOW] >= 0 && table_->blobSize(fields_[F_IMAGE_NOW]) > 0;
    const bool stored = fields_[F_IMAGE_ORG] >= 0 && table_->blobSize(fields_[F_IMAGE_ORG]) > 0;
    if (!stored) {
        // The picture was not stored: the file it came from, when it is there.
        const QString file = fields_[F_FILENAME] >= 0 ? table_->value(fields_[F_FILENAME]).toString() : QString();
        if (!file.isEmpty())
            look.picture = ring_.thumbnail(file, size);
        return look;
    }
    const QByteArray thumb = readPicture(F_THUMBNAIL);
    if (!thumb.isEmpty() && LoadImageBytes(thumb, look.picture))
        return look;
    look.picture = {};
    SilentMessages quiet;
    const QByteArray now = readPicture(F_IMAGE_NOW);
    const QByteArray org = now.isEmpty() ? readPicture(F_IMAGE_ORG) : QByteArray();
    const int kind = now.isEmpty() && fields_[F_GRA_FLAG] >= 0 ? table_->value(fields_[F_GRA_FLAG]).toInt() : 0;
    QImage image;
    if (DecodeStoredPicture(now.isEmpty() ? org : now, kind, image, size, quiet))
        look.picture = image;
    return look;
}

}  // namespace zb
