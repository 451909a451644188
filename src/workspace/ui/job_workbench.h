#pragma once
// Everything the main window needs of the open job and its tree in one
// object: the job life cycle with the job list and the new-job dialog, the
// hierarchy model and its panel, and the command handlers they serve. The main
// window hands over its hooks and command names; it does no job work itself.
#include "store/job_life.h"
#include "workspace/hierarchy_model.h"
#include "workspace/job_workspace.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QWidget;

namespace zb {

inline const QString kReopenAfterCopyFailed = QStringLiteral(
    "現在使用中の工事データを開くことができませんでした。\r\n一度他の工事データを選択するか新規工事データを作成してください。");

class TDataModule_Main;
class TFileForm;
class TPhotoListPanel;
class TTreePanel;

class TJobWorkbench : public QObject {
    Q_OBJECT
public:
    TJobWorkbench(const Folders& folders, TDataModule_Main& data, Messages& messages, QWidget* window);
    ~TJobWorkbench() override;

    JobLife& job() { return job_; }
    HierarchyModel& tree() { return tree_; }
    // The content of the panel "工事階層" (the level header and TV_Tree).
    TTreePanel* treePanel() const { return panel_; }
    // The photo list and the drawing list with their commands; the selected
    // folder fills them.
    TPhotoListPanel* photoList() const { return photoList_; }

    // The DataSort setting, read when the list opens and written when it closes.
    // The job list's 複写(&O): shown while copyOffered() says so.
    std::function<void()> copyBetweenFolders;
    std::function<bool()> copyOffered;
    // The job list's バックアップから読込(&R): the restored job's name, or nullopt.
    std::function<std::optional<QString>()> restoreFromList;
    std::function<int()> readDataSort;
    std::function<void(int)> writeDataSort;

    // The start timer's job list: false when the user chose no job (the
    // program then ends).
    bool openJobList() { return job_.openJob(); }
    // "工事一覧(&O)...": the list with the open job preselected.
    void jobList() { job_.openJob(); }
    bool saveJob() { return job_.saveJob(); }
    SaveResult save() { return job_.save(); }
    void flushTable();
    // Shutdown: saves the job, closes its table and removes its marker; false
    // when the save failed and the job stays open.
    bool closeJob() { return job_.closeJob(); }
    // "テンプレート保存(&T)...": a save dialog in the template folder.
    void saveTemplate();

    // Tree commands.
    void newFolder();
    void renameFolder();
    void deleteFolder();
    bool canMove(bool up) const { return up ? tree_.canMoveUp() : tree_.canMoveDown(); }
    void moveFolder(bool up);
    void expandAll() { tree_.expandAll(); }
    void collapseOthers() { tree_.collapseOthers(); }

    // Gives every command this object serves to the main window, by the
    // command names of the command map. "削除" and the move buttons are shared
    // with the photo lists, so the window calls deleteFolder() and
    // moveFolder() itself when the tree has the focus.
    void installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler);

signals:
    void jobNameChanged(const QString& name);
    // The selected folder changed: its photos are the current list now.
    void folderChosen(zb::FolderNode* node);

private:
    std::optional<JobChoice> chooseJob(const QString& current);

    Folders folders_;
    Messages& messages_;
    QPointer<QWidget> window_;
    JobLife job_;
    HierarchyModel tree_;
    JobWorkspace workspace_;
    TTreePanel* panel_;
    TPhotoListPanel* photoList_;
    TFileForm* fileForm_ = nullptr;
};

}  // namespace zb
