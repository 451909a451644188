#include "store/photo_table.h"

#include "store/table_network.h"

#include <QFileInfo>

namespace zb {

using engine::FieldDef;
using engine::FieldType;

const QList<FieldDef>& photoTableFields()
{
    static const QList<FieldDef> fields = {
        {"RECORD", FieldType::Integer, 0},   {"CHECK", FieldType::Logical, 0},   {"FLAG", FieldType::Integer, 0},
        {"BIKOU_A", FieldType::Memo, 2},     {"TITLE", FieldType::Memo, 2},      {"YOBI1", FieldType::Memo, 2},
        {"YOBI2", FieldType::Memo, 2},       {"YOBI3", FieldType::Memo, 2},      {"KASYO", FieldType::Memo, 2},
        {"BIKOU_B", FieldType::Memo, 2},     {"DATE", FieldType::Alpha, 8},      {"FILMNUM", FieldType::Integer, 0},
        {"NEGANUM", FieldType::Alpha, 8},    {"BIKOU_C", FieldType::Memo, 2},    {"KANRI", FieldType::Memo, 2},
        {"BIKOU_D", FieldType::Memo, 2},     {"BIKOU_E", FieldType::Memo, 2},    {"UKEOIBIKOU", FieldType::Memo, 2},
        {"HACYUBIKOU", FieldType::Memo, 2},  {"BIKOU1", FieldType::Memo, 2},     {"BIKOU2", FieldType::Memo, 2},
        {"BIKOU3", FieldType::Memo, 2},      {"GRA_FLAG", FieldType::Short, 0},  {"FILENAME", FieldType::Memo, 2},
        {"IMAGE_ORG", FieldType::Blob, 2},   {"IMAGE_NOW", FieldType::Blob, 2},  {"THUMBNAIL", FieldType::Blob, 2},
        {"ALBUM", FieldType::Blob, 2},       {"REC_DRA1", FieldType::Integer, 0}, {"REC_DRA2", FieldType::Integer, 0},
        {"REC_DRA3", FieldType::Integer, 0}, {"DAIHYO", FieldType::Integer, 0}, {"TEISYUTU", FieldType::Integer, 0},
        {"HENKAN", FieldType::Integer, 0},
    };
    return fields;
}

void PhotoFields::lookUp(const engine::Table& table)
{
    const QList<FieldDef>& defs = photoTableFields();
    for (int i = 0; i < kPhotoFieldCount; ++i)
        pos[i] = table.fieldIndex(defs[i].name);
}

PhotoFields openOrCreatePhotoTable(const QString& path, const QList<TTableNetWork*>& tables, bool exclusive,
                                   bool forceCreate)
{
    if (forceCreate || !QFileInfo::exists(path))
        engine::Table::create(path, photoTableFields(), QStringLiteral("RECORD"));
    PhotoFields fields;
    bool first = true;
    for (TTableNetWork* t : tables) {
        t->openTable(path, exclusive);
        if (first && t->primaryKey().isEmpty()) {
            try {
                t->addPrimaryIndex(QStringLiteral("RECORD"));
            } catch (const engine::EngineError&) {
                // Without the index rows come in insertion order; the table still works.
            }
        }
        if (first && exclusive) {
            try {
                t->addFields(photoTableFields().mid(F_DAIHYO));
            } catch (const engine::EngineError&) {
                // A read-only or full medium: the table works without the new
                // fields, and what needs them is skipped.
            }
        }
        if (first)
            fields.lookUp(*t);
        first = false;
    }
    return fields;
}

StoredPicture currentPicture(const engine::Table& table, const PhotoFields& fields)
{
    StoredPicture p;
    if (fields[F_IMAGE_NOW] >= 0 && !table.isNull(fields[F_IMAGE_NOW])) {
        p.bytes = table.readBlob(fields[F_IMAGE_NOW]);
        p.edited = true;
        return p;
    }
    if (fields[F_IMAGE_ORG] >= 0)
        p.bytes = table.readBlob(fields[F_IMAGE_ORG]);
    p.kind = fields[F_GRA_FLAG] >= 0 ? table.value(fields[F_GRA_FLAG]).toInt() : 0;
    return p;
}

bool deletePhoto(engine::Table& table, const PhotoFields& fields, RECORD record)
{
    if (!table.locate(record))
        return false;
    QList<RECORD> drawings;
    for (PhotoField f : {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3})
        if (fields[f] >= 0) {
            const RECORD r = table.value(fields[f]).toInt();
            if (r != 0 && r != record)
                drawings << r;
        }
    table.remove();
    for (RECORD r : drawings)
        if (table.locate(r))
            table.remove();
    return true;
}

RECORD highestRecord(const engine::Table& table)
{
    return static_cast<RECORD>(table.maxKey());
}

const QList<FieldDef>& masterTableFields()
{
    static const QList<FieldDef> fields = {{"LEVEL", FieldType::Integer, 0}, {"NAME", FieldType::Memo, 30}};
    return fields;
}

void openOrCreateMasterTable(const QString& path, TTableNetWork& table, bool rebuild)
{
    if (!QFileInfo::exists(path))
        engine::Table::create(path, masterTableFields(), QString());
    table.openTable(path, false);
    if (rebuild)
        table.emptyTable();
}

}  // namespace zb
