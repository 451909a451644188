#pragma once
// Table verification and repair of a job: the table utility (verify, rebuild,
// index rebuild, re-protection and scratch clean-up of a photo table), the
// reconciliation of the tree with the table, and the commands 
// リンク切れの修復, 圧縮 and データ修復 as far as they are logic.
#include "core/record.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace zb {

class JobLife;
class Messages;
class TDataModule_Main;
class TTableEnhanced;

inline const QString kLinkRepairQuestion = QStringLiteral(
    "正常終了しなかった場合などにデータのリンクが途切れる場合があります。\r\n"
    "この作業でリンク切れの確認と修復をおこなうことができます。\r\n\r\n作業を開始しますか？");
inline const QString kRepairFailed = QStringLiteral("修復作業を正常に終了できませんでした｡");
inline const QString kIndexRebuildFailed = QStringLiteral("インデックスの再構築を正常に終了できませんでした｡");
inline const QString kNotRepairable =
    QStringLiteral("データが修復不可能の為以下のファイルを削除する以外解決できません｡\r\n >");
inline const QString kNoProblem = QStringLiteral("データに問題はありませんでした。");
inline const QString kPackQuestion = QStringLiteral(
    "写真の削除を繰り返すとデータに無駄な領域が発生します。\r\n"
    "そのままでも問題はありませんが圧縮するとデータ容量を節約できます。\r\n"
    "この作業は処理に時間がかかりますのでご注意ください。\r\n\r\n現在の工事データを圧縮しますか？");
inline const QString kPackDone = QStringLiteral("終了しました。");
inline const QString kDataRepairQuestion =
    QStringLiteral("この作業を行う為に一度「ゾルベル」を終了します。\r\n修復プログラムを起動しますか？");
inline const QString kProgramStartFailed = QStringLiteral("指定のプロセスは実行出来ませんでした。Er=");

// The table utility on one table file. Scratch names without a folder lie in
// scratchFolder.
class TTutil {
public:
    QString TableName;
    QString BackupName = QStringLiteral("@BACKUP.DB");
    QString VerifyName = QStringLiteral("@VERIFY.DB");
    QString RebuildName = QStringLiteral("@REBUILD.DB");
    QString KeyViolName = QStringLiteral("@KEYVIOL.DB");
    QString ProblemName = QStringLiteral("@PROBLEM.DB");
    QString Password;
    QString scratchFolder;
    // Kind, text ("検査中", "修復中", "ｲﾝﾃﾞｯｸｽ再構築中", "最終処理"), table, counters.
    std::function<void(int kind, const QString& text, const QString& table, int a, int b)> onProgress;

    // 0 sound; 1 damaged and rebuildable; 3 not rebuildable; a library call
    // that fails leaves 0.
    int verify();
    // 0 rebuilt; 1 the rebuild or the re-protection failed; -1 the table's
    // layout could not be read. The damaged table is kept as keptCopy, and
    // what could not be read is in losses.
    int rebuild();
    engine::Table::Losses losses;
    QString keptCopy;
    // Deletes the copies earlier rebuilds of this table kept, except keptCopy.
    void dropOlderCopies() const;
    bool rebuildIndexes();
    bool reprotect();
    // Deletes the files of the scratch tables; errors are ignored.
    void cleanUp();

private:
    QString scratch(const QString& name) const;
    void report(const QString& text) const;
};

// What the table check of the link repair came to.
struct TableRepair {
    bool rebuilt = false;       // the table was damaged and rebuilt
    bool repairError = false;
    bool indexError = false;
    bool notRepairable = false;
    bool marked() const { return repairError || indexError || notRepairable; }
    // The box to show, empty when none: (kind "error"/"warning", text).
    QString boxText;
    bool warningBox = false;
    // What the rebuild could not read, and where the damaged table was kept.
    engine::Table::Losses losses;
    QString keptCopy;
};
// Verifies the table file and rebuilds it or its indexes as its state needs.
// The table must not be open in this process.
TableRepair checkTable(const QString& tablePath, const QString& scratchFolder, const QString& password);

// Counts of the reconciliation of tree and table.
struct LinkCounts {
    int brokenLinks = 0;  // folder entries without a row, drawing links without a drawing
    int unfiled = 0;      // rows no folder listed, put into 未分類
    bool any() const { return brokenLinks > 0 || unfiled > 0; }
};
// Marks every row reached from the tree in CHECK, removes folder entries
// without a row, zeroes drawing links to missing rows, and appends the rows
// still unmarked (not drawings of any photo) to 未分類. Does nothing
// (zero counts) when the table has no CHECK field. Throws EngineError.
LinkCounts reconcileTreeAndTable(engine::Table& table, const PhotoFields& fields, Hierarchy& folders);
// The report of a reconciliation.
QString linkReport(const LinkCounts& counts);
// The report of a table check: what the rebuild could not read and where the
// damaged table is kept, then the reconciliation's report (whose "nothing
// wrong" line is left out when something was lost).
QString repairReport(const TableRepair& table, const LinkCounts& counts);

// リンク切れの修復 on the open job. `reloaded` is called after the tree
// changed, so that the windows show it again. Returns whether it ran.
bool RunLinkRepair(JobLife& job, TDataModule_Main& data, Messages& messages,
                   const std::function<void()>& reloaded = {});

// The link repair of a job that is not open (zbcli): the lines it reports,
// and whether anything was mended or failed.
struct JobRepairOutcome {
    QStringList lines;
    bool mended = false;
    bool failed = false;
};
JobRepairOutcome RepairJobFiles(const QString& dataFile, const QString& name, const QString& scratchFolder,
                                const QString& password);

// 圧縮 on an open table: asks, packs with the password, says it is done.
// Returns whether it ran.
bool RunPack(TTableEnhanced& table, Messages& messages, const QString& password);

}  // namespace zb
