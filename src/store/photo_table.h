#pragma once
// The photo table <job>.DB and the master tables: their fields, creation and
// the rules every reader of a photo row follows.
#include "core/record.h"
#include "store/engine/table.h"

#include <QList>
#include <array>

namespace zb {

class TTableNetWork;

// Fields of the photo table, in the order they are created.
enum PhotoField {
    F_RECORD, F_CHECK, F_FLAG, F_BIKOU_A, F_TITLE, F_YOBI1, F_YOBI2, F_YOBI3, F_KASYO, F_BIKOU_B, F_DATE,
    F_FILMNUM, F_NEGANUM, F_BIKOU_C, F_KANRI, F_BIKOU_D, F_BIKOU_E, F_UKEOIBIKOU, F_HACYUBIKOU, F_BIKOU1,
    F_BIKOU2, F_BIKOU3, F_GRA_FLAG, F_FILENAME, F_IMAGE_ORG, F_IMAGE_NOW, F_THUMBNAIL, F_ALBUM, F_REC_DRA1,
    F_REC_DRA2, F_REC_DRA3,
    // Added after the first tables were written: an older table gains them when
    // it is opened alone, and reads them as null (0) until then.
    F_DAIHYO,    // representative photo, 0 or 1
    F_TEISYUTU,  // photo of the client's submission frequency, 0 or 1
    F_HENKAN,    // 1 when the stored picture was converted from another format at import
    kPhotoFieldCount
};

const QList<engine::FieldDef>& photoTableFields();

// Positions of the photo fields in an open table, looked up by name after every
// open; -1 for a field the table lacks (features that need it are skipped).
struct PhotoFields {
    std::array<int, kPhotoFieldCount> pos;
    PhotoFields() { pos.fill(-1); }
    void lookUp(const engine::Table& table);
    int operator[](PhotoField f) const { return pos[f]; }
};

// Opens the photo table on every given table object (all get the same file),
// creating it first when the file is missing or creation is forced, and adding
// a primary index on RECORD when the table has none. Throws EngineError.
PhotoFields openOrCreatePhotoTable(const QString& path, const QList<TTableNetWork*>& tables, bool exclusive,
                                   bool forceCreate = false);

// The picture to show for the current row: the edited picture when there is
// one, else the imported picture with its kind.
struct StoredPicture {
    QByteArray bytes;
    int kind = 0;        // picture kind code; an edited picture is always a JPEG (0)
    bool edited = false;
};
StoredPicture currentPicture(const engine::Table& table, const PhotoFields& fields);

// Deletes the row of a photo and the rows of its drawings (non-zero REC_DRA1-3).
// False when the photo is not in the table.
bool deletePhoto(engine::Table& table, const PhotoFields& fields, RECORD record);

// Highest RECORD in the table, 0 when empty.
RECORD highestRecord(const engine::Table& table);

// Master tables: LEVEL (depth) and NAME (entry text), rows in outline order.
const QList<engine::FieldDef>& masterTableFields();
// Opens a master table shared, creating it when missing; emptied when rebuild
// is asked for.
void openOrCreateMasterTable(const QString& path, TTableNetWork& table, bool rebuild);

}  // namespace zb
