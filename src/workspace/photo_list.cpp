#include "workspace/photo_list.h"

#include "core/ports.h"
#include "store/table_network.h"

#include <algorithm>

namespace zb {

QString photoCaption(engine::Table& table, const PhotoFields& fields, RECORD record)
{
    if (!table.locate(record))
        return kUnknownCaption;
    const QString title = fields[F_TITLE] >= 0 ? table.value(fields[F_TITLE]).toString() : QString();
    return title.isEmpty() ? kUntitledCaption : title;
}

int movePhoto(QList<RECORD>& list, int index, int delta)
{
    const int to = index + delta;
    if (index < 0 || index >= list.size() || to < 0 || to >= list.size() || delta == 0)
        return -1;
    list.swapItemsAt(index, to);
    return to;
}

bool dropWithinList(QList<RECORD>& list, QList<int> dragged, int target, bool swap)
{
    std::sort(dragged.begin(), dragged.end());
    dragged.erase(std::unique(dragged.begin(), dragged.end()), dragged.end());
    if (dragged.isEmpty() || target < 0 || target >= list.size() || dragged.contains(target) ||
        dragged.first() < 0 || dragged.last() >= list.size())
        return false;
    if (dragged.size() == 1) {
        const int from = dragged.first();
        if (swap) {
            list.swapItemsAt(from, target);
        } else {
            const RECORD r = list.takeAt(from);
            list.insert(std::min<qsizetype>(target, list.size()), r);
        }
        return true;
    }
    const RECORD targetRecord = list[target];
    QList<RECORD> block;
    for (int i = int(dragged.size()) - 1; i >= 0; --i)
        block.prepend(list.takeAt(dragged[i]));
    // The target's position after the block was taken out.
    int at = target;
    for (int d : dragged)
        if (d < target)
            --at;
    Q_ASSERT(list[at] == targetRecord);
    for (int i = 0; i < block.size(); ++i)
        list.insert(at + i, block[i]);
    return true;
}

int deletePhotos(QList<RECORD>& list, QList<int> positions, bool inRecycle, QList<RECORD>& recycle,
                 TTableEnhanced& table, const PhotoFields& fields, Messages& messages, QList<RECORD>* gone)
{
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    positions.erase(std::remove_if(positions.begin(), positions.end(),
                                   [&](int p) { return p < 0 || p >= list.size(); }),
                    positions.end());
    if (positions.isEmpty())
        return -1;
    if (!messages.confirm(inRecycle ? kDeleteForGood : kMoveToRecycle))
        return -1;
    for (int p : positions) {
        const RECORD r = list[p];
        if (inRecycle) {
            if (gone && table.locate(r)) {
                *gone << r;
                for (PhotoField f : {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3})
                    if (const RECORD d = fields[f] >= 0 ? table.value(fields[f]).toInt() : 0; d > 0 && d != r)
                        *gone << d;
            }
            deletePhoto(table, fields, r);
        } else if (table.locate(r)) {
            recycle << r;
        }
    }
    for (int i = int(positions.size()) - 1; i >= 0; --i)
        list.removeAt(positions[i]);
    table.flushBuffers();
    return positions.first();
}

}  // namespace zb
