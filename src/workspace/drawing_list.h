#pragma once
// The drawing list's logic: the drawings attached to one photo through its
// three slots REC_DRA1-3, their reordering (up/down and dragging within the
// list) and their removal to ごみ箱 or for good. Every change is posted to the
// photo's row and the table flushed; the view rebuilds from the row.
#include "core/record.h"
#include "store/photo_table.h"

#include <QList>
#include <QString>

namespace zb {

class Messages;
class TTableEnhanced;

inline const QString kDeleteDrawingsForGood = QStringLiteral("選択されている参考図を「削除」しますか？");
inline const QString kMoveDrawingsToRecycle = QStringLiteral("選択されている参考図をごみ箱に「移動」しますか？");

// One used slot of a photo.
struct DrawingEntry {
    RECORD drawing = 0;
    int slot = 0;  // 1-3 = REC_DRA1-3
    RECORD photo = 0;
    bool operator==(const DrawingEntry&) const = default;
};

// The used slots of the photo in slot order; empty when the photo is missing.
QList<DrawingEntry> drawingsOf(engine::Table& table, const PhotoFields& fields, RECORD photo);
// The caption of the n-th entry (0-based) of the list: "参考図" and n + 1.
QString drawingCaption(int n);

// Up/down: the entry at `index` of the list swaps its slot value with the
// neighbouring entry's slot (delta -1 or +1). Returns the entry's new index,
// or -1 when it cannot move.
int moveDrawing(TTableEnhanced& table, const PhotoFields& fields, RECORD photo, int index, int delta);

// A drag within the list: the entry in slot `dragged` dropped on the one in
// slot `target`. Swap on: the two slot values are exchanged. Swap off: the
// three slot values are taken as a list, the dragged one taken out and
// inserted at the target's position, and all three written back. Returns
// whether the row changed.
bool dropDrawing(TTableEnhanced& table, const PhotoFields& fields, RECORD photo, int dragged, int target, bool swap);

inline const QString kDrawingsFull = QStringLiteral("登録できる参考図の数を超えています。");
inline const QString kDrawingHasDrawings =
    QStringLiteral("参考図が添付されている写真は参考図にできません。写真はそのまま残ります。");
// At most this many photos are taken from the registered-photo chooser.
inline constexpr int kChosenDrawingsMax = 4;

// What attaching registered photos as drawings did.
struct AttachResult {
    QList<RECORD> attached;  // now drawings of the target, taken out of the folder
    bool excess = false;     // some found no free slot and stayed in the folder
    bool hadDrawings = false; // some carry drawings of their own and stayed
};

// Turns photos chosen from a folder into drawings of the target photo: the
// first four of `chosen` (in list order) are taken, the target itself is
// skipped, and each goes into the target's first free slot and out of the
// folder's photo order. A photo with drawings of its own is not taken
// (drawings have no drawings). Tells the user when some were left.
AttachResult attachRegisteredPhotos(TTableEnhanced& table, const PhotoFields& fields, RECORD target,
                                    const QList<RECORD>& chosen, QList<RECORD>& folderPhotos, Messages& messages);

// Removes the drawings in the given slots of the photo after asking: with a
// recycle bin that is not the selected folder (`deleteForGood` false) their
// records are appended to `recycle`; else their rows are deleted. The slots
// are cleared. Returns whether anything was removed (false when the user said
// no).
bool deleteDrawings(TTableEnhanced& table, const PhotoFields& fields, RECORD photo, QList<int> chosen,
                    bool deleteForGood, QList<RECORD>& recycle, Messages& messages);

}  // namespace zb
