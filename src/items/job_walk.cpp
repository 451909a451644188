#include "items/job_walk.h"

namespace zb::items {

int parentFolder(const Hierarchy& folders, int index)
{
    if (index < 0 || index >= folders.size())
        return -1;
    const int depth = folders[index].depth;
    for (int i = index - 1; i >= 0; --i)
        if (folders[i].depth < depth)
            return i;
    return -1;
}

int subtreeEnd(const Hierarchy& folders, int index)
{
    int i = index + 1;
    while (i < folders.size() && folders[i].depth > folders[index].depth)
        ++i;
    return i;
}

bool isUnfiledFolder(const Hierarchy& folders, int index)
{
    if (index < 0 || index >= folders.size())
        return false;
    int top = index;
    while (folders[top].depth > 0) {
        const int p = parentFolder(folders, top);
        if (p < 0)
            break;
        top = p;
    }
    if (top == 0)
        return true;
    int lastTop = -1;
    for (int i = int(folders.size()) - 1; i >= 0; --i)
        if (folders[i].depth == 0) {
            lastTop = i;
            break;
        }
    return top == lastTop;
}

}  // namespace zb::items
