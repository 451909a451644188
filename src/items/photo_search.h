#pragma once
// The photo search of the search window and zbcli: the item kinds, the
// text and number tests, 一覧 (every matching filed photo, optionally sorted)
// and 移動 (the next matching folder or photo in hierarchy order).
#include "core/record.h"
#include "items/tree_search.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QStringList>
#include <optional>

namespace zb {
class Progress;
}

namespace zb::items {

// The item kinds, numbered as the 移動 list shows them; the 一覧 list lacks
// the first (its position i is kind i + 1).
enum class SeekKind {
    Folder = 0, Flag = 1, Title = 2, Kasyo = 3, Date = 4, FilmNum = 5, NegaNum = 6,
    Daihyo = 7,   // 代表写真, 0 or 1
    Teisyutu = 8  // 提出頻度写真, 0 or 1
};

// Texts of the search window.
inline const QString kSeekCaption = QStringLiteral("移動");
inline const QString kSeekNotFound = QStringLiteral("検索されませんでした。");
inline const QString kListModeReleased = QStringLiteral("「一覧モード」を解除しました。");
// "モード(&J):"
const QStringList& seekModeNames();
// "項目(&K):" in 移動 mode (listMode false) or 一覧 mode; `today` fills the date example.
QStringList seekItemNames(bool listMode, const QString& todayYmd);
// "方向(&W):"
QStringList seekDirectionNames(bool listMode);
// "範囲(&S):" and "範囲(&E):"
const QStringList& levelFromNames();
const QStringList& levelToNames();
// "ソート(&O):"
const QStringList& seekSortNames();

// The kind of the item at a list position; nullopt outside the list.
std::optional<SeekKind> seekKindAt(bool listMode, int position);
// Number kinds are tested against a range, the others against a text.
bool isRangeKind(SeekKind kind);
// The photo field a photo kind reads.
PhotoField seekField(SeekKind kind);

struct SeekQuery {
    SeekKind kind = SeekKind::Title;
    MatchMode mode = MatchMode::Anywhere;
    QString text;          // text kinds
    QString lower, upper;  // number kinds: empty for no bound, else the bound's leading integer
    int levelFrom = 0;     // 0 none, 1-5 大分類-細別
    int levelTo = 0;
    DepthRange levels() const { return {levelFrom > 0 ? levelFrom : -1, levelTo > 0 ? levelTo : -1}; }
};

// The test of one item, prepared once per search.
class SeekTest {
public:
    explicit SeekTest(const SeekQuery& query);
    // No text (text kinds) or no bound (number kinds): every photo matches.
    bool hasInput() const { return hasInput_; }
    // Whether a stored value matches; an invalid value is empty. In 一覧 an
    // empty value never matches (when there is input); in 移動 it counts as
    // 0 or as an empty text.
    bool matches(const QVariant& stored, bool listSearch) const;
    // The same for a value read as text (null: no value).
    bool matchesText(const QString& text, bool listSearch) const;

private:
    SeekKind kind_;
    MatchMode mode_;
    QString key_;
    std::optional<int> lower_, upper_;
    bool hasInput_ = false;
};

// The numeric value of コマ番号 for sorting: the number of its leading digits.
qint64 leadingDigits(QStringView text);
// The same for bytes (a UTF-8 text: its digits are ASCII).
qint64 leadingDigits(QLatin1StringView text);

// 一覧: every matching photo outside 未分類 and ごみ箱 in hierarchy order, or
// only below `subtree` (the folder and its descendants) when it is 0 or more,
// within the level range; then sorted by `sortKind` (nullopt: no sort),
// keeping the visiting order among equal keys. One progress step per folder
// (the count is the number of every folder); nullopt when the user stopped it.
std::optional<QList<RECORD>> listSearch(const Hierarchy& folders, engine::Table& table, const PhotoFields& fields,
                                        const SeekQuery& query, int subtree, std::optional<SeekKind> sortKind,
                                        Progress& progress);

// 移動 over photos: where the next match is, folder index and position in its
// list; folder -1 when there is none. Every folder in range takes part
// (未分類 and ごみ箱 included). currentFolder/currentPosition are -1 when
// nothing is selected.
struct PhotoHit {
    int folder = -1;
    int position = -1;
    bool found() const { return folder >= 0; }
};
PhotoHit jumpSearch(const Hierarchy& folders, engine::Table& table, const PhotoFields& fields,
                    const SeekQuery& query, SearchDirection direction, int currentFolder, int currentPosition);

// 移動 over folders: the tree search of the hierarchy by caption within the
// level range; an empty text matches every folder in range.
int folderJump(const Hierarchy& folders, const SeekQuery& query, SearchDirection direction, int currentFolder);

}  // namespace zb::items
