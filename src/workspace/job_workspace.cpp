#include "workspace/job_workspace.h"

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
    tree_.load(job_.file().folders, job_.treeFromTemplate());
    tree_.warnLevels(messages_);
}

bool JobWorkspace::deleteFolder()
{
    if (!tree_.deleteFolder(messages_))
        return false;
    job_.photoTable().flushBuffers();
    return true;
}

}  // namespace zb
