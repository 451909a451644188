#pragma once
// Writing a job into a backup package and building a job from one.
//
// Writing goes to a temporary file beside the package, renamed over it only
// when everything was written: a failed backup never replaces a good package
// of the same name. Restoring builds the whole job aside (table, tree file and
// album files in a scratch folder inside DATAFILE/) and puts it in place of
// the target job only when the whole package was read, so a damaged package
// or a full disk leaves the job being restored over as it was.
#include "store/engine/table.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QString>
#include <functional>
#include <optional>

namespace zb {

class JobLife;
class Messages;
class Progress;
class TDataModule_Main;

inline const QString kBackupSaveCaption = QStringLiteral("バックアップの保存");
inline const QString kBackupLoadCaption = QStringLiteral("バックアップから戻す");
inline const QString kBackupFilter = QStringLiteral("*.ZBB");
inline const QString kBackupNoBackFolder = QStringLiteral(" のファイルは対象になりません");
inline const QString kMaintenanceDone = QStringLiteral("処理は正常に終了しました。");
inline const QString kMaintenanceFailed = QStringLiteral("処理に失敗しました ディスクの空き容量をチェックしてください。");
inline const QString kRestoreNameExists = QStringLiteral(
    "同名の工事データが存在します 上書きしてもよろしいですか？\r\n\r\n([いいえ] を選択すると工事名を入力できます)");
inline const QString kRestoreNameCaption = QStringLiteral("工事名の入力");
inline const QString kRestoreNamePrompt = QStringLiteral("工事名:");
// Texts of this implementation for packages the writer never makes.
inline const QString kPackageDamaged = QStringLiteral(
    "バックアップファイル「%1」は壊れているか途中で切れているため戻せませんでした。\r\n工事データは元のままです。");
inline const QString kPackageUnreadable = QStringLiteral("バックアップファイル「%1」を開けませんでした。");

enum class BackupMode {
    Normal,      // every picture as stored
    Compressed,  // ALBUM left out; the current picture re-encoded at quality 85 (never-edited metafiles kept)
};

// What a backup is made of: the job's open photo table (its cursor moves),
// its header and hierarchy as saved, and its album folder.
struct BackupSource {
    engine::Table& table;
    PhotoFields fields;
    TreeFile file;
    QString albumFolder;
};

enum class MaintenanceResult { Done, Cancelled, Failed };

// Writes the package. Failed with *error when anything could not be read,
// re-encoded or written; an existing file at `path` then stays as it was.
// Cancelled when the progress was stopped (nothing is left behind either).
MaintenanceResult WriteBackup(const BackupSource& source, const QString& path, BackupMode mode, Progress& progress,
                              QString* error = nullptr);

// Backs up a job that is not open in this program (zbcli): its table is
// opened exclusively for the while, its header and hierarchy read from its
// tree file. A job held by another process fails with kJobInUse as *error.
MaintenanceResult BackupJobFiles(const QString& dataFile, const QString& name, const QString& path, BackupMode mode,
                                 Progress& progress, QString* error = nullptr);

// Test hook: called with the number of bytes about to have been written after
// each write to a package; returning false makes that write fail as a full
// disk would. Empty by default.
void setPackageWriteProbe(std::function<bool(qint64 written)> probe);
// Test hook: limits the size of the table a restore builds (a full disk).
// 0 (the default) for no limit.
void setRestoreTableLimit(qint64 bytes);

// The album file names of a job's ALBUM folder that a backup takes: *.ZBA,
// sorted by name.
QStringList albumFilesOf(const QString& albumFolder);

// Asks for the job a package goes into, starting from `proposed` (already
// through the name rule): while that job exists, Yes takes it, No asks for
// another name, Cancel gives nullopt.
std::optional<QString> chooseRestoreTarget(const QString& dataFile, const QString& proposed, Messages& messages);

struct RestoreOutcome {
    MaintenanceResult result = MaintenanceResult::Failed;
    QString name;      // the job restored
    int rows = 0;      // photo rows posted
    int skipped = 0;   // photo entries that could not be stored
    QString error;     // what went wrong, for a log or zbcli
};

// Reads a package into a job of DATAFILE/ and tells the user about a job in
// use or a failure (the success message is the caller's). The target is the
// package's file name after the name rule, or `targetName` when given; unless
// quiet, the name question runs first. `releaseTarget` is called with the
// chosen name before the job is checked for use, so that the caller can close
// it when it is its own open job.
RestoreOutcome RestoreBackup(const QString& dataFile, const QString& packagePath, bool quiet, Messages& messages,
                             Progress& progress, const std::function<void(const QString&)>& releaseTarget = {},
                             const QString& targetName = {});

// バックアップ on the open job once the file is chosen: saves it, writes the
// package in normal mode and says how it went. Returns whether it was written.
bool BackupOpenJob(JobLife& job, TDataModule_Main& data, const QString& path, Messages& messages, Progress& progress);

// The confirmation before a backup: the job's BACK folder is not included.
QString backupConfirmText(const QString& dataFile, const QString& jobName);

// バックアップから戻す once the file is chosen: saves the open job, restores
// the package (closing the open job first when it is the target) and opens
// the restored job. The open job stays open when the restore does not happen.
bool RestoreIntoProgram(JobLife& job, const QString& packagePath, Messages& messages, Progress& progress);

}  // namespace zb
