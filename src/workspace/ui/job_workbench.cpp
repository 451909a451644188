#include "workspace/ui/job_workbench.h"

#include "core/ports.h"
#include "store/table_network.h"
#include "store/ui/file_form.h"
#include "workspace/ui/photo_list_panel.h"
#include "workspace/ui/tree_view.h"

#include <QFileDialog>
#include <QWidget>

namespace zb {

TJobWorkbench::TJobWorkbench(const Folders& folders, TDataModule_Main& data, Messages& messages, QWidget* window)
    : QObject(window),
      folders_(folders),
      messages_(messages),
      window_(window),
      job_(folders, data, messages),
      workspace_(job_, tree_, messages)
{
    panel_ = new TTreePanel(tree_, messages_);
    connect(panel_->TV_Tree, &THierarchyTree::folderChosen, this, &TJobWorkbench::folderChosen);
    photoList_ = new TPhotoListPanel(job_, tree_, messages_, this);
    connect(this, &TJobWorkbench::folderChosen, photoList_, &TPhotoListPanel::showFolder);
    // Photos dropped on another folder leave the list.
    connect(panel_->TV_Tree, &THierarchyTree::photosMoved, photoList_,
            [this] { photoList_->refillPhotoList(TPhotoListPanel::kKeep); });
    // Drawings dropped on a folder become its photos: both lists show it.
    connect(panel_->TV_Tree, &THierarchyTree::drawingsDropped, photoList_,
            [this](const QList<DrawingEntry>& drawings, FolderNode* target) {
                if (!workspace_.dropDrawings(drawings, target))
                    return;
                photoList_->refillPhotoList(TPhotoListPanel::kKeep);
                photoList_->refillDrawingList();
            });
    job_.hooks.chooseJob = [this](const QString& current) { return chooseJob(current); };
    job_.hooks.nameChanged = [this](const QString& name) { emit jobNameChanged(name); };
    job_.hooks.enableListClose = [this] {
        if (fileForm_)
            fileForm_->setCloseEnabled(true);
    };
}

// The lists go first: they use the job and the tree.
TJobWorkbench::~TJobWorkbench() { delete photoList_; }

std::optional<JobChoice> TJobWorkbench::chooseJob(const QString& current)
{
    if (!fileForm_) {
        fileForm_ = new TFileForm(folders_, messages_, window_);
    }
    fileForm_->restoreJob = restoreFromList;
    fileForm_->copyJobs = nullptr;
    if (copyBetweenFolders && (!copyOffered || copyOffered())) {
        // The copy meets the open job's own files: it is closed for the copy
        // and opened again afterwards.
        fileForm_->copyJobs = [this] {
            const QString current = job_.name();
            if (!job_.closeJob())
                return;
            copyBetweenFolders();
            if (!current.isEmpty() && job_.openChosen({current, {}}) != JobLife::OpenResult::Opened) {
                messages_.information(kReopenAfterCopyFailed);
                fileForm_->setCloseEnabled(false);
            }
            fileForm_->fill(current);
        };
    }
    if (readDataSort)
        fileForm_->setDataSort(readDataSort());
    fileForm_->setOpenJob(job_.name());
    fileForm_->setCloseEnabled(true);
    std::optional<JobChoice> choice = fileForm_->choose(current);
    if (writeDataSort)
        writeDataSort(fileForm_->dataSort());
    return choice;
}

void TJobWorkbench::flushTable() { job_.photoTable().flushBuffers(); }

void TJobWorkbench::saveTemplate()
{
    if (!job_.isOpen())
        return;
    const QString path = QFileDialog::getSaveFileName(window_, kTemplateSaveCaption,
                                                      folders_.templateDir + job_.name() + QStringLiteral(".ZBT"),
                                                      QStringLiteral("*.ZBT"));
    if (path.isEmpty())
        return;
    job_.saveTemplate(path.endsWith(QLatin1String(".ZBT"), Qt::CaseInsensitive) ? path : path + QStringLiteral(".ZBT"));
}

void TJobWorkbench::newFolder()
{
    tree_.newFolder(messages_);
}

void TJobWorkbench::renameFolder()
{
    tree_.renameFolder(messages_);
}

void TJobWorkbench::deleteFolder()
{
    workspace_.deleteFolder();
}

void TJobWorkbench::moveFolder(bool up)
{
    if (up)
        tree_.moveUp();
    else
        tree_.moveDown();
}

void TJobWorkbench::installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler)
{
    setHandler(QStringLiteral("Mn_JobList"), [this] { jobList(); });
    setHandler(QStringLiteral("Mn_TemplateSave"), [this] { saveTemplate(); });
    setHandler(QStringLiteral("SB_TreeNew"), [this] { newFolder(); });
    setHandler(QStringLiteral("SB_TreeRename"), [this] { renameFolder(); });
    setHandler(QStringLiteral("SB_TreeExpand"), [this] { expandAll(); });
    setHandler(QStringLiteral("SB_TreeCollapse"), [this] { collapseOthers(); });
}

}  // namespace zb
