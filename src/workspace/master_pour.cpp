#include "workspace/master_pour.h"

#include "core/ports.h"

namespace zb {

bool pourMasterEntry(HierarchyModel& tree, const QString& caption, Messages& messages)
{
    if (tree.listMode() || !tree.canAddFromMaster())
        return false;
    const QString name = storedFolderCaption(cleanFolderCaption(caption));
    if (name.isEmpty())
        return false;
    if (tree.addFromMaster(caption))
        return true;
    messages.notice(kNoticeDuplicate, kDuplicateFolder);
    return false;
}

QStringList jobFolderPath(const HierarchyModel& tree)
{
    QStringList path;
    for (const FolderNode* n = tree.selected(); n && n->parent; n = n->parent)
        path.prepend(n->caption);
    return path;
}

}  // namespace zb
