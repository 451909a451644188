#pragma once
// Walking the folders of a job's hierarchy as the searches and the
// missing-input check do: the flat depth-first list of the tree file, with the
// fixed folders 未分類 (the first top-level folder) and ごみ箱 (the last).
#include "store/tree_file.h"

namespace zb::items {

// True for 未分類, ごみ箱 and anything below them: folders whose photos are not filed.
bool isUnfiledFolder(const Hierarchy& folders, int index);
// Index of the parent folder, -1 for a top-level folder.
int parentFolder(const Hierarchy& folders, int index);
// One past the last descendant of the folder.
int subtreeEnd(const Hierarchy& folders, int index);

}  // namespace zb::items
