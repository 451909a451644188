#pragma once
// Binds the open job to its hierarchy tree: a job that opens fills the tree,
// every change of the tree sets the job's changed mark, saving takes the tree
// back into the job's file. The windows and zbcli use the same binding.
#include "store/job_life.h"
#include "workspace/drawing_list.h"
#include "workspace/hierarchy_model.h"

#include <QObject>

namespace zb {

class JobWorkspace : public QObject {
    Q_OBJECT
public:
    // Installs itself in the job's hooks (loaded, collect), keeping any hook
    // already there and calling it afterwards.
    JobWorkspace(JobLife& job, HierarchyModel& tree, Messages& messages, QObject* parent = nullptr);

    JobLife& job() { return job_; }
    HierarchyModel& tree() { return tree_; }

    // The tree's delete command: asks, moves the photos to ごみ箱 and flushes
    // the photo table.
    bool deleteFolder();
    // Reference drawings dropped on a folder: each is detached from its photo
    // (its REC_DRA slot set to 0 and posted) and its record appended to the
    // folder, where it becomes an ordinary photo; the table is flushed. A
    // slot that no longer holds the drawing is left alone. Returns whether
    // any drawing moved.
    bool dropDrawings(const QList<DrawingEntry>& drawings, FolderNode* target);
    // Saves the current tree as a template.
    bool saveTemplate(const QString& path) { return job_.saveTemplate(path); }

private:
    void loaded();

    JobLife& job_;
    HierarchyModel& tree_;
    Messages& messages_;
};

}  // namespace zb
