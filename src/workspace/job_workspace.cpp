#include "workspace/job_workspace.h"

#include "core/ports.h"
#include "store/job_files.h"
#include "store/table_network.h"

namespace zb {

JobWorkspace::JobWorkspace(JobLife& job, HierarchyModel& tree, Messages& messages, QObject* parent)
    : QObject(parent), job_(job), tree_(tree), messages_(messages)
{
    std::function<void()> loadedBefore = job_.hooks.loaded;
    job_.hooks.loaded = [this, loadedBefore] {
        loaded();
        if (loadedBefore)
            loadedBefore();
    };
    std::function<void()> collectBefore = job_.hooks.collect;
    job_.hooks.collect = [this, collectBefore] {
        if (collectBefore)
            collectBefore();
        if (job_.isOpen() && tree_.topCount() > 0)
            job_.file().folders = tree_.toHierarchy();
    };
    connect(&tree_, &HierarchyModel::modified, this, [this] { job_.setChanged(); });
}

void JobWorkspace::loaded()
{
    // A job opens with the folders below 工事写真 expanded (工事 and its eight
    // folders in view), new or not (the tree file keeps no expansion); a tree
    // from a template opens fully expanded.
    tree_.load(job_.file().folders, job_.treeFromTemplate());
    if (tree_.photoRoot()) {
        FolderNode* root = tree_.photoRoot();
        for (int i = 0; i < root->childCount(); ++i)
            tree_.setExpanded(root->child(i), true);
    }
    tree_.warnLevels(messages_);
}

bool JobWorkspace::dropDrawings(const QList<DrawingEntry>& drawings, FolderNode* target)
{
    if (!job_.isOpen() || drawings.isEmpty() || !tree_.canDropPhotos(target))
        return false;
    TTableNetWork& table = job_.photoTable();
    PhotoFields fields;
    fields.lookUp(table);
    constexpr PhotoField kSlots[3] = {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3};
    QList<RECORD> moved;
    try {
        for (const DrawingEntry& d : drawings) {
            const int pos = d.slot >= 1 && d.slot <= 3 ? fields[kSlots[d.slot - 1]] : -1;
            if (pos < 0 || d.drawing <= 0 || !table.locate(d.photo) || table.value(pos).toInt() != d.drawing)
                continue;
            table.edit();
            table.setValue(pos, 0);
            table.post();
            moved << d.drawing;
        }
    } catch (const engine::EngineError& e) {
        // The drawings detached so far still reach the folder, so none is lost.
        if (table.isEditing())
            table.cancel();
        messages_.error(e.message());
    }
    tree_.appendPhotos(target, moved);
    table.flushBuffers();
    return !moved.isEmpty();
}

bool JobWorkspace::deleteFolder()
{
    if (!tree_.deleteFolder(messages_))
        return false;
    job_.photoTable().flushBuffers();
    return true;
}

}  // namespace zb
