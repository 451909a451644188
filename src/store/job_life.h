#pragma once
// The life of a job: the job list rows, new, delete and rename of jobs that are
// not open, and the open job itself (opening, saving, template saving, closing).
// The windows and zbcli call this; it talks to the user only through Messages.
#include "store/folders.h"
#include "store/job_files.h"
#include "store/tree_file.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace zb {

class Messages;
class TDataModule_Main;
class TTableNetWork;

// Texts of the job life cycle.
inline const QString kJobListCaption = QStringLiteral("工事一覧");
inline const QString kNewJobCaption = QStringLiteral("工事データの新規作成");
inline const QString kNewJobProposal = QStringLiteral("新規工事");
inline const QString kJobInUse = QStringLiteral("この工事データは他のコンピューターで参照または編集中です。");
inline const QString kNotClosedProperly =
    QStringLiteral("この工事データは前回編集時に正常に終了していません。\r\n念のために「保守・データ修復」を実行してください。");
inline const QString kJobNameExists = QStringLiteral("その工事名は既に存在します。");
inline const QString kDeleteJobConfirm = QStringLiteral(
    "選択している「工事データ」を削除しますか？\r\n\r\n(工事写真帳やバックアップファイルも全て削除されます)");
inline const QString kDeleteJobFailed = QStringLiteral("削除に失敗しました。");
inline const QString kDeleteJobPartly =
    QStringLiteral("一部のファイルの削除に失敗しました。\r\n断片が残っていますので手動で削除してください。");
inline const QString kRenameJobCaption = QStringLiteral("工事名の変更");
inline const QString kRenameJobPrompt = QStringLiteral("新しい工事名:");
inline const QString kRenameJobPartly =
    QStringLiteral("一部のファイル名の変更に失敗しました。\r\n断片が残っていますので手動で変更してください。");
inline const QString kListModeLeft = QStringLiteral("「一覧モード」を解除しました。");
inline const QString kTemplateSaveCaption = QStringLiteral("テンプレートの保存");
// Texts of this implementation for cases the windows never reach by typing.
inline const QString kJobNameEmpty = QStringLiteral("工事名を入力してください。");
inline const QString kTemplateDamaged = QStringLiteral(
    "テンプレートファイル「%1」は壊れているため読み込めません。\r\n工事データは作成されませんでした。");
inline const QString kTemplateMissing = QStringLiteral(
    "テンプレートファイル「%1」が見つかりません。\r\n工事データは作成されませんでした。");
inline const QString kTreeFileDamaged = QStringLiteral(
    "工事階層ファイル「%1」の一部が壊れていたため、読み込めた範囲で開きました。\r\n"
    "元のファイルは「%2」として残してあります。");
inline const QString kUnlistedRowsRecovered =
    QStringLiteral("どの工事フォルダにも登録されていない写真 %1 件を「未分類(写真フォルダ)」に入れました。");
inline const QString kTreeSaveFailed = QStringLiteral("工事階層ファイルを保存できませんでした。\r\n%1");
inline const QString kTemplateSaveFailed = QStringLiteral("テンプレートを保存できませんでした。\r\n%1");
inline const QString kTableReadFailed = QStringLiteral("工事データの写真を読み込めませんでした。\r\n%1");
inline const QString kUnmappableLeftOut =
    QStringLiteral("次の文字はファイルに保存できないため取り除かれました: %1");

// One row of the job list.
struct JobRow {
    QString name;          // file name of <job>.ZBD without extension
    QString projectType;   // 事業種別
    QString projectName;   // 事業名
    QString author;        // 作成者
    QString progress;      // progress label; empty for a byte beyond the list
    QDateTime modified;    // modification time of the tree file
    QString modifiedText;  // "yyyy/MM/dd hh:mm"

    // Text of a column, 1 = 名称 … 6 = 更新日付.
    QString column(int column) const;
};

// Column captions of the job list, 1-based columns in a 0-based list.
const QStringList& jobListColumns();

// Every *.ZBD in the data folder, unsorted.
QList<JobRow> listJobs(const QString& dataFile);
// Sorts by the DataSort value: column 1-6, negative for descending. The name
// column compares as file names (without regard to case), the others as text;
// ties are ordered by name.
void sortJobRows(QList<JobRow>& rows, int dataSort);
// DataSort after a click on a column header: the same column reverses the order.
int nextDataSort(int dataSort, int clickedColumn);
// Caption of a column header with the sort mark ("↓" ascending, "↑" descending).
QString jobColumnCaption(int column, int dataSort);

// Template names (*.ZBT without extension) in the template folder, sorted.
QStringList listTemplates(const QString& templateDir);

// A job name after the name rules; empty when nothing usable is left.
QString cleanJobName(const QString& typed);
// True when the job's tree file exists (compared without regard to case, as
// the file systems jobs are shared on do).
bool jobTreeFileExists(const QString& dataFile, const QString& name);
// Files of a job: <name>.* in the data folder (exact name, any case of extension).
QStringList jobFiles(const QString& dataFile, const QString& name);

enum class JobDeleteResult { Deleted, Cancelled, Failed, Partly };
// Deletes a job that is not open, after asking. A job held by another process
// is refused with "削除に失敗しました。" before anything is deleted.
JobDeleteResult deleteJob(const QString& dataFile, const QString& name, Messages& messages);

// Renames a job that is not open: asks for the new name until it is free or
// the user cancels. Returns the new name, nullopt when nothing was renamed.
std::optional<QString> renameJob(const QString& dataFile, const QString& oldName, Messages& messages);

// What the job list gives back: the job to open, and for a job that does not
// exist yet, the template its tree comes from (empty for the default tree).
struct JobChoice {
    QString name;
    QString templateName;
};

// What the open job asks of the windows around it. Every hook may be empty.
struct JobLifeHooks {
    // Shows the job list with the current job preselected; nullopt when the
    // user left it without choosing.
    std::function<std::optional<JobChoice>(const QString& current)> chooseJob;
    // Asks the album editor to close; false when it stays open.
    std::function<bool()> closeAlbumEditor;
    // Leaves list mode; returns whether it was on.
    std::function<bool()> leaveListMode;
    // The job list's close button becomes usable (a job is open).
    std::function<void()> enableListClose;
    // The open job's name changed (caption and status bar).
    std::function<void(const QString& name)> nameChanged;
    // The job was read: show the header and the tree, select 未分類.
    std::function<void()> loaded;
    // Before saving: the grids into the header and the photo rows, the tree
    // into file().folders.
    std::function<void()> collect;
    // The job is open, saved and marked: the automatic-save clock starts
    // again and 領域の確保 is offered when the job's disk is short of room.
    std::function<void(const JobPaths& paths)> opened;
};

// What saving the open job came to.
enum class SaveResult {
    NoJob,   // no job is open
    Saved,   // the job is saved
    Failed,  // the tree file or the table could not be written; the job keeps its changed mark
};

class JobLife {
public:
    JobLife(const Folders& folders, TDataModule_Main& data, Messages& messages);
    ~JobLife();
    JobLife(const JobLife&) = delete;
    JobLife& operator=(const JobLife&) = delete;

    JobLifeHooks hooks;

    const Folders& folders() const { return folders_; }
    bool isOpen() const { return !name_.isEmpty(); }
    QString name() const { return name_; }
    bool busy() const { return busy_; }

    // The open job's header and hierarchy as last read or collected.
    TreeFile& file() { return file_; }
    const TreeFile& file() const { return file_; }

    // The tree's changed mark.
    bool changed() const { return changed_; }
    void setChanged() { changed_ = true; }

    // Opens a job: saves the current one, shows the job list (unless forced),
    // and opens the chosen job. A job held by another process is refused and
    // the list shown again (a forced open fails). When the current job cannot
    // be saved, nothing else happens: it stays open with its unsaved changes.
    // Returns whether a job was opened.
    bool openJob(const QString& name = {}, bool forced = false);
    // Opens the given job without showing the list (the list was already
    // shown, or nobody is there to show it). Creates a job that does not exist
    // yet, its tree from the template or the default tree.
    enum class OpenResult { Opened, InUse, Refused, Failed };
    OpenResult openChosen(const JobChoice& choice);

    // Checks a new job's name and template before it is created: the name
    // after the name rules, or nullopt after telling the user what is wrong.
    std::optional<QString> checkNewJob(const QString& typedName, const QString& templateName);
    // Creates and opens a new job (zbcli and the new-job dialog's caller).
    OpenResult createJob(const QString& typedName, const QString& templateName);

    // Saves the open job: the grids are collected, and when the tree changed,
    // the tree file is written and the table flushed. A failure has been told
    // to the user.
    SaveResult save();
    // Saves the open job; returns true when a job is open.
    bool saveJob() { return save() != SaveResult::NoJob; }
    // Writes the current hierarchy without photos as a template.
    bool saveTemplate(const QString& path);
    // Closes the job at shutdown: saves it, closes the table and removes the
    // marker. When the save fails the job stays open (table, changed mark and
    // marker kept) and false is returned.
    bool closeJob();

    // Path of a template by name.
    QString templatePath(const QString& templateName) const;
    // True when the open job's tree was just built from a template (shown fully expanded).
    bool treeFromTemplate() const { return fromTemplate_; }
    // The open job's photo table.
    TTableNetWork& photoTable();

private:
    // True when the template can be read without damage; tells the user otherwise.
    bool templateSound(const QString& templateName);
    QList<RECORD> tableRows(bool skipDrawings) const;
    // Appends the photo rows no folder lists (drawings left out) to 未分類;
    // returns how many.
    int gatherUnlistedRows();

    Folders folders_;
    TDataModule_Main& data_;
    Messages& messages_;
    QString name_;
    TreeFile file_;
    bool changed_ = false;
    bool busy_ = false;
    bool fromTemplate_ = false;
};

}  // namespace zb
