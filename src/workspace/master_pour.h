#pragma once
// Pouring a master entry into the job hierarchy (流込): the entry's caption,
// trimmed of half-width and full-width blanks, becomes the last child of the
// selected folder, unless a child of that folder has the same caption.
#include "workspace/hierarchy_model.h"

namespace zb {

// True when a folder was added; a duplicate caption shows kDuplicateFolder
// (the quiet notice the tree commands use).
// Nothing happens (false, no message) when the selected folder takes no
// master entry (未分類, ごみ箱, level 5, list mode) or the caption is blank.
bool pourMasterEntry(HierarchyModel& tree, const QString& caption, Messages& messages);

// Captions of the selected folder's path below the photo root (level 1
// first); empty for a top-level folder or no selection.
QStringList jobFolderPath(const HierarchyModel& tree);

}  // namespace zb
