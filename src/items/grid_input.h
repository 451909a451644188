#pragma once
// A value given for an item row as text (a script's LABEL=VALUE), checked the
// way the item grid takes typed text: the row's character mode, its length in
// Shift_JIS bytes, digits only for number rows, list entries only for rows
// whose value is picked from their list. What the grid would not let the user
// enter is refused with a reason.
#include "items/item_defs.h"

#include <QStringList>

namespace zb::items {

struct GridInput {
    bool ok = false;
    QString text;    // the text as the grid would hold it (converted by the row's mode)
    QString reason;  // why it was refused
};

// `list` is the row's choice list (used by rows that take list entries only).
GridInput acceptGridText(const ItemDef& item, const QString& typed, const QStringList& list);

}  // namespace zb::items
