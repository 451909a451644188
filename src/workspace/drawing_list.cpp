#include "workspace/drawing_list.h"

#include "core/ports.h"
#include "store/table_network.h"

#include <algorithm>

namespace zb {

namespace {

constexpr PhotoField kSlotFields[3] = {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3};

int slotField(const PhotoFields& fields, int slot)
{
    return slot >= 1 && slot <= 3 ? fields[kSlotFields[slot - 1]] : -1;
}

RECORD slotValue(const engine::Table& table, const PhotoFields& fields, int slot)
{
    const int pos = slotField(fields, slot);
    return pos >= 0 ? table.value(pos).toInt() : 0;
}

void writeSlots(TTableEnhanced& table, const PhotoFields& fields, const QList<std::pair<int, RECORD>>& values)
{
    table.edit();
    for (const auto& [slot, value] : values)
        table.setValue(slotField(fields, slot), value);
    table.post();
    table.flushBuffers();
}

bool allSlots(const PhotoFields& fields)
{
    return slotField(fields, 1) >= 0 && slotField(fields, 2) >= 0 && slotField(fields, 3) >= 0;
}

}  // namespace

QList<DrawingEntry> drawingsOf(engine::Table& table, const PhotoFields& fields, RECORD photo)
{
    QList<DrawingEntry> out;
    if (photo == 0 || !table.locate(photo))
        return out;
    for (int slot = 1; slot <= 3; ++slot)
        if (const RECORD r = slotValue(table, fields, slot); r > 0)
            out.append({r, slot, photo});
    return out;
}

QString drawingCaption(int n) { return QStringLiteral("参考図") + QString::number(n + 1); }

int moveDrawing(TTableEnhanced& table, const PhotoFields& fields, RECORD photo, int index, int delta)
{
    const QList<DrawingEntry> list = drawingsOf(table, fields, photo);
    const int to = index + delta;
    if (delta == 0 || index < 0 || index >= list.size() || to < 0 || to >= list.size() || !allSlots(fields))
        return -1;
    const DrawingEntry a = list[index];
    const DrawingEntry b = list[to];
    writeSlots(table, fields, {{a.slot, b.drawing}, {b.slot, a.drawing}});
    return to;
}

bool dropDrawing(TTableEnhanced& table, const PhotoFields& fields, RECORD photo, int dragged, int target, bool swap)
{
    if (dragged == target || dragged < 1 || dragged > 3 || target < 1 || target > 3 || !allSlots(fields) ||
        photo == 0 || !table.locate(photo))
        return false;
    QList<RECORD> values;
    for (int slot = 1; slot <= 3; ++slot)
        values << slotValue(table, fields, slot);
    if (swap) {
        values.swapItemsAt(dragged - 1, target - 1);
    } else {
        const RECORD moved = values.takeAt(dragged - 1);
        values.insert(target - 1, moved);
    }
    writeSlots(table, fields, {{1, values[0]}, {2, values[1]}, {3, values[2]}});
    return true;
}

AttachResult attachRegisteredPhotos(TTableEnhanced& table, const PhotoFields& fields, RECORD target,
                                    const QList<RECORD>& chosen, QList<RECORD>& folderPhotos, Messages& messages)
{
    AttachResult result;
    if (target == 0 || !allSlots(fields))
        return result;
    for (RECORD photo : chosen.mid(0, kChosenDrawingsMax)) {
        if (photo == target)
            continue;
        if (!drawingsOf(table, fields, photo).isEmpty()) {
            result.hadDrawings = true;
            continue;
        }
        if (!table.locate(target))
            break;
        int free = 0;
        for (int slot = 1; slot <= 3 && free == 0; ++slot)
            if (slotValue(table, fields, slot) <= 0)
                free = slot;
        if (free == 0) {
            result.excess = true;
            continue;
        }
        try {
            writeSlots(table, fields, {{free, photo}});
        } catch (const engine::EngineError&) {
            if (table.isEditing())
                table.cancel();
            messages.beep();
            continue;
        }
        folderPhotos.removeAll(photo);
        result.attached << photo;
    }
    table.flushBuffers();
    if (result.hadDrawings)
        messages.information(kDrawingHasDrawings);
    if (result.excess)
        messages.information(kDrawingsFull);
    return result;
}

bool deleteDrawings(TTableEnhanced& table, const PhotoFields& fields, RECORD photo, QList<int> chosen,
                    bool deleteForGood, QList<RECORD>& recycle, Messages& messages)
{
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    chosen.erase(std::remove_if(chosen.begin(), chosen.end(), [](int s) { return s < 1 || s > 3; }), chosen.end());
    if (chosen.isEmpty() || photo == 0 || !table.locate(photo))
        return false;
    if (!messages.ask(deleteForGood ? kDeleteDrawingsForGood : kMoveDrawingsToRecycle))
        return false;
    QList<int> removed;
    QList<RECORD> toDelete;
    for (int slot : chosen) {
        const RECORD r = slotValue(table, fields, slot);
        if (r <= 0)
            continue;
        removed << slot;
        if (deleteForGood)
            toDelete << r;
        else
            recycle << r;
    }
    if (removed.isEmpty())
        return false;
    QList<std::pair<int, RECORD>> cleared;
    for (int slot : removed)
        cleared.append({slot, 0});
    writeSlots(table, fields, cleared);
    for (RECORD r : toDelete)
        if (r != photo && !deletePhoto(table, fields, r))
            messages.beep();
    table.flushBuffers();
    return true;
}

}  // namespace zb
