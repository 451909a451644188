#pragma once
// Master lists (マスタ): reusable outlines of classification names kept as
// <master>.DB tables in MASTFILE/ (LEVEL = depth 0-4, NAME = caption, rows in
// depth-first order). TMaster holds the current master: loading (the default
// master when the file is missing), the outline rebuilt from rows, the
// commands 新規 / 変更 / 削除 / 読込 with the guard of a shared data root (the
// lock file's stamp and the table's write lock) and the row check, the search
// and the synchronisation with the job hierarchy.
#include "items/tree_search.h"
#include "store/table_network.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

namespace zb {
class Messages;
}

namespace zb::items {

inline const QString kDefaultMasterName = QStringLiteral("基本マスタ");
inline const QString kMasterCaptionHead = QStringLiteral("マスタ (");
inline const QString kMasterChanged = QStringLiteral("マスタの内容が変更されました 変更を反映させます。");
inline const QString kMasterBusy = QStringLiteral("マスタは他のコンピューターで編集中です。");
inline const QString kMasterConflict = QStringLiteral("マスタの書き込みの衝突が発生しました。");
inline const QString kCsvBadFormat = QStringLiteral("ファイルのフォーマットが不正です。");
inline const QString kCsvUnreadable = QStringLiteral("ファイルを読み込めませんでした。マスタは変更されていません。\r\n");
inline const QString kMasterNewCaption = QStringLiteral("新規フォルダ");
inline const QString kMasterRenameCaption = QStringLiteral("フォルダ名の変更");
inline const QString kMasterFolderPrompt = QStringLiteral("フォルダ名:");
inline const QString kMasterNewProposal = QStringLiteral("新しいフォルダ");
inline const QString kMasterNameTooLong = QStringLiteral("入力できる文字の長さは 255 バイト以内です。");
inline const QString kMasterDeleteConfirm = QStringLiteral("選択されているフォルダを階層下ごと削除しますか？");
inline const QString kMasterNotFound = QStringLiteral("検索されませんでした。");
inline const QString kLockFileLine = QStringLiteral("ロックファイル");
// Deepest depth of an entry.
inline constexpr int kMaxMasterDepth = 4;
// A caption of this many Shift_JIS bytes or more is refused.
inline constexpr int kMasterNameLimit = 256;

// Header captions of depths 0-4.
const QStringList& masterDepthNames();
// The direction list of the master window (先頭から, 現在位置から下に,
// 現在位置から上に); its range lists are those of the photo search.
const QStringList& masterPositionNames();

struct MasterEntry {
    int depth = 0;
    QString name;
    bool operator==(const MasterEntry&) const = default;
};
// Entries in depth-first order: each entry is followed by its descendants;
// the row number of an entry is its index + 1.
using MasterOutline = QList<MasterEntry>;

// The default master: 工事 with its eight photo kinds, and six more top entries.
MasterOutline defaultMaster();

// The outline the rows make: a row at most one level deeper than the entry
// before it is kept; one more than one level deeper is skipped (counted in
// *skipped); the first row is always a top entry, whatever its depth.
// *rowOf receives the row number (1-based) each kept entry was read from.
MasterOutline outlineFromRows(const MasterOutline& rows, int* skipped = nullptr, QList<int>* rowOf = nullptr);

// Outline helpers.
int masterParent(const MasterOutline& outline, int index);
int masterSubtreeEnd(const MasterOutline& outline, int index);
QList<SearchEntry> searchEntries(const MasterOutline& outline);

// Reading a 新土木工事積算大系 CSV file: UTF-8 text (with or without a byte
// order mark) when the bytes are valid UTF-8, else Shift_JIS; header line skipped,
// six fields a line (2-5 at depths 0-3, 6 at depth 4). A bad line (or text
// that is neither, or no data line at all) ends reading with badFormat;
// what was read stays.
struct CsvOutline {
    MasterOutline outline;
    bool badFormat = false;
};
CsvOutline parseCostCsv(QByteArrayView bytes);

class TMaster {
public:
    // `lockDir` is TEMPFILE/ of the shared data root; empty without a shared
    // data root (no stamps, no locks).
    TMaster(QString mastDir, QString lockDir, Messages& messages);
    ~TMaster();

    // Loads a master; a missing file gets the default master. False when the
    // table could not be opened or created (the outline is then empty).
    bool load(const QString& name);
    // Reloads the current master (its table read again).
    bool reload() { return load(name_); }
    void close();
    bool isOpen() const;

    const QString& name() const { return name_; }
    QString tablePath() const;
    QString lockFilePath() const;
    bool shared() const { return !lockDir_.isEmpty(); }
    const MasterOutline& outline() const { return outline_; }
    // Rows skipped by the last load (deeper than their place allows).
    int skippedRows() const { return skipped_; }

    // Enabling of the commands for the selected entry (-1 for none).
    bool canCreate(int selected) const;
    bool canRename(int selected) const;
    bool canDelete(int selected) const;

    // The commands. Each returns the index of the entry to select afterwards,
    // or -1 when nothing changed. After a reload forced by the guard the
    // outline is the other computer's and the caller refreshes its view
    // (reloaded() tells it).
    int newEntry(int selected);
    int renameEntry(int selected);
    int deleteEntry(int selected);
    // 読込: the file replaces the outline. Returns whether the master changed.
    bool importCsv(const QString& path);
    // The outline written into the table (recreated empty, one row per entry,
    // in one transaction), then the lock file rewritten.
    bool writeOutline(const MasterOutline& outline);

    // The watch timer: when the lock file's stamp changed, the master is
    // reloaded without a message. Returns whether it was.
    bool refreshIfChanged();
    // Whether the stamp differs from the remembered one.
    bool stampChanged() const;

    // The window's search (移動).
    int search(const QString& text, MatchMode mode, SearchDirection direction, int selected, DepthRange range) const;
    // 工事階層と同期: the entry for a job folder given by the captions of its
    // path below the photo root (level 1 first, the folder last). -1 when
    // none matches.
    int synchronise(const QStringList& jobPath) const;

    // Called after every load (also the guard's and the timer's).
    std::function<void()> reloaded;

private:
    bool guard();
    bool checkRow(int index);
    void mapRowsOneToOne();
    void rewriteLockFile();
    QDateTime currentStamp() const;
    std::optional<QString> askName(const QString& caption, const QString& initial);

    QString mastDir_, lockDir_;
    Messages& messages_;
    QString name_;
    MasterOutline outline_;
    // The table row of each entry and the depth that row holds (rows skipped
    // on reading keep their places in the table), and the number of rows.
    QList<int> rowOf_;
    QList<int> levelOf_;
    int rowCount_ = 0;
    int skipped_ = 0;
    QDateTime stamp_;
    std::unique_ptr<TTableNetWork> table_;
};

}  // namespace zb::items
