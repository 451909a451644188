#pragma once
// What the photo list paints for one record, read lazily when an item is
// painted: FLAG, the number of attached drawings, whether the picture was
// edited, and the thumbnail (THUMBNAIL, else the current picture; for a row
// without IMAGE_ORG the file FILENAME names, through the thumbnail ring). A
// small cache keyed by record keeps the last items painted, so scrolling back
// reads nothing again. Filling the list reads none of this.
#include "core/record.h"
#include "store/photo_table.h"
#include "workspace/thumbnail_ring.h"

#include <QCache>
#include <QImage>

namespace zb {

struct PhotoLook {
    bool found = false;  // the record is in the table
    int flag = 0;        // FLAG
    int drawings = 0;    // used REC_DRA slots
    bool edited = false; // IMAGE_NOW is not empty
    QImage picture;      // null: nothing to draw
};

class PhotoThumbnails {
public:
    static constexpr int kCacheItems = 300;

    explicit PhotoThumbnails(ThumbnailRing& ring) : ring_(ring) {}

    // The table the looks come from; nullptr when no job is open.
    void setTable(engine::Table* table, const PhotoFields& fields);
    engine::Table* table() const { return table_; }
    const PhotoFields& fields() const { return fields_; }

    // The look of a record for a thumbnail of `size` dots, cached. The table's
    // cursor is put back on the row it was on. While the table is in the middle
    // of a change nothing is read (and nothing cached).
    PhotoLook look(RECORD record, int size);

    // Drops a record's cached look (its row changed), or all of them.
    void forget(RECORD record) { cache_.remove(record); }
    void clear() { cache_.clear(); }

    // Picture fields read so far (THUMBNAIL, IMAGE_NOW, IMAGE_ORG).
    qint64 pictureReads() const { return pictureReads_; }

private:
    PhotoLook read(RECORD record, int size);
    QByteArray readPicture(PhotoField field);

    ThumbnailRing& ring_;
    engine::Table* table_ = nullptr;
    PhotoFields fields_;
    struct Cached {
        PhotoLook look;
        int size = 0;
    };
    QCache<RECORD, Cached> cache_{kCacheItems};
    qint64 pictureReads_ = 0;
};

}  // namespace zb
