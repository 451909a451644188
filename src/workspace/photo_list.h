#pragma once
// The photo list's logic: captions of the entries of the selected folder,
// reordering by the up/down commands and by dragging within the list, and
// deleting photos to ごみ箱 or, inside ごみ箱, for good. Every change is made
// to the folder's record list first; the view refills from it.
#include "core/record.h"
#include "store/photo_table.h"

#include <QList>
#include <QString>

namespace zb {

class Messages;
class TTableEnhanced;

inline const QString kUntitledCaption = QStringLiteral("(無題)");
inline const QString kUnknownCaption = QStringLiteral("(不明データ)");
inline const QString kDeleteForGood = QStringLiteral(
    "選択されている写真を「削除」しますか？\r\n\r\n(参考図が添付されている場合は参考図も「削除」されます)");
inline const QString kMoveToRecycle = QStringLiteral(
    "選択されている写真をごみ箱に「移動」しますか？\r\n\r\n(参考図が添付されている場合は参考図もごみ箱に「移動」します)");

// The caption of a list entry: TITLE, "(無題)" when empty, "(不明データ)"
// when the record is not in the table.
QString photoCaption(engine::Table& table, const PhotoFields& fields, RECORD record);

// Up/down: the entry at `index` swaps places with its neighbour (delta -1 or
// +1). Returns the entry's new index, or -1 when it cannot move.
int movePhoto(QList<RECORD>& list, int index, int delta);

// A drag within the list: the entries at `dragged` (positions, any order)
// dropped on the entry at `target`. One entry is swapped with the target
// (swap on) or removed and inserted at the target's position (swap off);
// several move as a block, in list order, to just before the target. Nothing
// happens when the target is one of the dragged entries. Returns whether the
// list changed.
bool dropWithinList(QList<RECORD>& list, QList<int> dragged, int target, bool swap);

// Deletes the entries at `positions` of the folder's list after asking: inside
// ごみ箱 their rows and their drawings' rows are deleted; elsewhere their
// records are appended to `recycle`. Entries whose record is missing are just
// removed. `gone`, when given, receives the records whose rows were deleted
// (the photos and their drawings): their numbers may come back with the next
// import. Returns the first deleted position, -1 when the user said no.
int deletePhotos(QList<RECORD>& list, QList<int> positions, bool inRecycle, QList<RECORD>& recycle,
                 TTableEnhanced& table, const PhotoFields& fields, Messages& messages,
                 QList<RECORD>* gone = nullptr);

}  // namespace zb
