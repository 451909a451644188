#pragma once
// Conversions between the text of a grid cell and the stored value of an item:
// one item at a time, a whole JobHeader, a whole photo row.
#include "items/item_defs.h"

#include <QDate>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace zb::engine {
class Table;
}

namespace zb::items {

// The choice lists of the rows by item label (what the grid rows hold). Rows
// missing from the map have empty lists.
using ChoiceListMap = QHash<QString, QStringList>;
// Grid texts by item label.
using ItemTexts = QMap<QString, QString>;

// The list of 発注年度: last year, this year and next year of `today`.
QStringList fiscalYearList(QDate today);

// --- one value ---------------------------------------------------------------

// 工事データ進捗状況: the progress label at the index ("" beyond the list);
// the index of a text, 0 when it is not a label.
QString progressText(int index);
int progressIndex(QStringView text);

// 発注年度 / フィルム番号: "" for 0, else the number.
QString zeroEmptyText(int value);
// The leading integer of the text, 0 when it has none (also for 写真整理フラッグ).
int storedInteger(QStringView text);

// 写真整理フラッグ shown: the entry of `list` whose number before the first "."
// equals the value (an entry without "." counts as 0); failing that the entry
// of the default list with that number; failing that the number + ".未登録".
QString flagText(int flag, const QStringList& list);

// --- construction information ----------------------------------------------

// Grid text of one construction item of a header.
QString headerItemText(const ItemDef& item, const JobHeader& header);
// Stores one grid text into the header: the progress index, the fiscal year
// (limited to 0-32767), or the text without the characters Shift_JIS cannot
// hold (added to *unmappable) cut to the header room at a character boundary
// (date rows keep the first 8 bytes).
void storeHeaderItem(const ItemDef& item, JobHeader& header, const QString& text, QString* unmappable = nullptr);

// All 20 construction items of a header, by label.
ItemTexts showJobHeader(const JobHeader& header);
// Stores the texts of the given labels (labels not in the map are left as they
// were, so items hidden by the need-level filter keep their values).
void storeJobHeader(JobHeader& header, const ItemTexts& texts, QString* unmappable = nullptr);

// --- photo information -----------------------------------------------------

// Grid text of a photo item from its stored field value (int for FLAG,
// FILMNUM, DAIHYO and TEISYUTU, text for the others; a null DAIHYO or TEISYUTU
// shows "0"). `list` is the row's choice list (for FLAG).
QString photoItemText(const ItemDef& item, const QVariant& stored, const QStringList& list = {});
// The field value for a grid text: int for FLAG, FILMNUM, DAIHYO and
// TEISYUTU, else the text
// without characters Shift_JIS cannot hold (added to *unmappable); the 8-byte
// alpha fields (DATE, NEGANUM) are cut to 8 bytes.
QVariant photoStoredValue(const ItemDef& item, const QString& text, QString* unmappable = nullptr);

// Every photo item of the table's current row, by label; fields the table
// lacks give empty texts.
ItemTexts showPhotoRow(const engine::Table& table, const PhotoFields& fields, const ChoiceListMap& lists = {});
// Sets the fields of the given labels in the current row (the caller has
// called edit() or append() and posts afterwards). Labels not in the map and
// fields the table lacks are left alone.
void storePhotoRow(engine::Table& table, const PhotoFields& fields, const ItemTexts& texts,
                   QString* unmappable = nullptr);

}  // namespace zb::items
