#include "items/photo_search.h"

#include "core/scripted_ports.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace zb;
using namespace zb::items;

namespace {

struct Row {
    RECORD record;
    int flag;
    const char* title;
    const char* nega = "";
    int filmnum = 0;
};

// 0 未分類 {9}, 1 工事写真, 2 工事 (level 1), 3 施工 (level 2) {1,2,3},
// 4 出来形 (level 2) {4,5}, 5 詳細 (level 3) {6}, 6 ごみ箱 {7}
struct Job {
    zbtest::TempDir dir;
    TTableNetWork table;
    PhotoFields fields;
    Hierarchy folders{{kUnclassifiedCaption, 0, {9}}, {kPhotoRootCaption, 0, {}}, {"工事", 1, {}},
                      {"施工", 2, {1, 2, 3}},        {"出来形", 2, {4, 5}},       {"詳細", 3, {6}},
                      {kRecycleCaption, 0, {7}}};

    explicit Job(const QList<Row>& rows)
    {
        fields = openOrCreatePhotoTable(dir.file("J.DB"), {&table}, true);
        for (const Row& r : rows) {
            table.append();
            table.setValue(fields[F_RECORD], r.record);
            if (r.flag >= 0)  // -1: no flag, as rows imported by older versions hold
                table.setValue(fields[F_FLAG], r.flag);
            table.setValue(fields[F_TITLE], QString::fromUtf8(r.title));
            table.setValue(fields[F_NEGANUM], QString::fromUtf8(r.nega));
            table.setValue(fields[F_FILMNUM], r.filmnum);
            table.post();
        }
    }
    QList<RECORD> list(const SeekQuery& q, std::optional<SeekKind> sort = {}, int subtree = -1)
    {
        ScriptedProgress p;
        return listSearch(folders, table, fields, q, subtree, sort, p).value_or(QList<RECORD>{-1});
    }
};

const QList<Row> kRows{{1, 1, "こうじ", "10"},  {2, 0, "", "2"},      {3, 1, "測量", "10a"}, {4, 2, "ｺｳｼﾞ", "1"},
                       {5, 0, "工事", ""},       {6, 1, "コウジ", "02"}, {7, 1, "こうじ"},      {9, 1, "こうじ"}};

SeekQuery query(SeekKind kind, const char* text = "", MatchMode mode = MatchMode::Anywhere)
{
    SeekQuery q;
    q.kind = kind;
    q.text = QString::fromUtf8(text);
    q.mode = mode;
    return q;
}

SeekQuery range(SeekKind kind, const char* lower, const char* upper)
{
    SeekQuery q = query(kind);
    q.lower = QString::fromUtf8(lower);
    q.upper = QString::fromUtf8(upper);
    return q;
}

}  // namespace

TEST(PhotoSearch, ListSearchFindsFiledPhotosOnly)
{
    Job job(kRows);
    struct Case {
        const char* what;
        SeekQuery q;
        QList<RECORD> found;
    };
    const Case cases[] = {
        {"flag 1-1", range(SeekKind::Flag, "1", "1"), {1, 3, 6}},
        {"upper bound 0 alone", range(SeekKind::Flag, "", "0"), {2, 5}},
        {"bound without a number counts as 0", range(SeekKind::Flag, "x", "abc"), {2, 5}},
        {"empty title lists every filed photo", query(SeekKind::Title), {1, 2, 3, 4, 5, 6}},
        {"ｺｳｼﾞ finds こうじ, コウジ and ｺｳｼﾞ", query(SeekKind::Title, "ｺｳｼﾞ", MatchMode::Whole), {1, 4, 6}},
        {"empty values never match", query(SeekKind::NegaNum, "0", MatchMode::Beginning), {6}},
        {"film number lower bound", range(SeekKind::FilmNum, "1", ""), {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(job.list(c.q), c.found) << c.what;
}

TEST(PhotoSearch, PhotosWithoutAFlagAreFlag0)
{
    Job job({{1, -1, "a"}, {2, 0, "b"}, {3, 1, "c"}, {4, -1, "d"}});
    EXPECT_EQ(job.list(range(SeekKind::Flag, "0", "0")), (QList<RECORD>{1, 2, 4}));
    EXPECT_EQ(job.list(range(SeekKind::Flag, "1", "")), (QList<RECORD>{3}));
}

TEST(PhotoSearch, ListSearchSortsStably)
{
    Job job(kRows);
    const SeekQuery all = query(SeekKind::Title);
    // コマ番号: by the leading digits, then as text ("02" before "2"); empty first.
    EXPECT_EQ(job.list(all, SeekKind::NegaNum), (QList<RECORD>{5, 4, 6, 2, 1, 3}));
    // Numbers, keeping the hierarchy order among equal flags.
    EXPECT_EQ(job.list(all, SeekKind::Flag), (QList<RECORD>{2, 5, 1, 3, 6, 4}));
    // Texts byte by byte in Shift_JIS: hiragana (0x82…) before katakana (0x83…)
    // before kanji, half-width kana (0xBA) last.
    EXPECT_EQ(job.list(all, SeekKind::Title), (QList<RECORD>{2, 1, 6, 5, 3, 4}));
    EXPECT_EQ(leadingDigits(u"10a"), 10);
    EXPECT_EQ(leadingDigits(u"a10"), 0);
}

TEST(PhotoSearch, ListSearchSubtreeLevelsAndStop)
{
    Job job(kRows);
    SeekQuery all = query(SeekKind::Title);
    EXPECT_EQ(job.list(all, {}, 4), (QList<RECORD>{4, 5, 6}));
    all.levelFrom = 3;
    EXPECT_EQ(job.list(all), (QList<RECORD>{6}));
    all.levelFrom = 0;
    all.levelTo = 2;
    EXPECT_EQ(job.list(all), (QList<RECORD>{1, 2, 3, 4, 5}));
    ScriptedProgress p;
    p.stopAfter = 2;
    EXPECT_FALSE(listSearch(job.folders, job.table, job.fields, all, -1, {}, p).has_value());
    EXPECT_EQ(p.ended, 1);
}

TEST(PhotoSearch, JumpVisitsPhotosInHierarchyOrder)
{
    Job job(kRows);
    struct Case {
        const char* what;
        SeekQuery q;
        SearchDirection dir;
        int folder, pos;
        int hitFolder, hitPos;
    };
    const SeekQuery kouji = query(SeekKind::Title, "こうじ");
    const SeekQuery any = query(SeekKind::Title);
    const Case cases[] = {
        {"from the first includes 未分類", kouji, SearchDirection::FromFirst, 3, 0, 0, 0},
        {"down from the selection", kouji, SearchDirection::Down, 3, 0, 4, 0},
        {"down without a photo starts at the first photo", kouji, SearchDirection::Down, 3, -1, 3, 0},
        {"down reaches ごみ箱", kouji, SearchDirection::Down, 5, 0, 6, 0},
        {"up from the selection", kouji, SearchDirection::Up, 4, 1, 4, 0},
        {"up into earlier folders from their last photo", kouji, SearchDirection::Up, 4, 0, 3, 0},
        {"up from the first photo of the first folder", any, SearchDirection::Up, 0, 0, -1, -1},
        {"up without a selection starts at the end", any, SearchDirection::Up, -1, -1, 6, 0},
        {"empty value counts as 0 in 移動", range(SeekKind::FilmNum, "0", "0"), SearchDirection::FromFirst, -1, -1, 0,
         0},
    };
    for (const Case& c : cases) {
        const PhotoHit hit = jumpSearch(job.folders, job.table, job.fields, c.q, c.dir, c.folder, c.pos);
        EXPECT_EQ(hit.folder, c.hitFolder) << c.what;
        EXPECT_EQ(hit.position, c.hitPos) << c.what;
    }
    SeekQuery levels = kouji;
    levels.levelFrom = 3;
    EXPECT_EQ(jumpSearch(job.folders, job.table, job.fields, levels, SearchDirection::FromFirst, -1, -1).folder, 5);
}

TEST(PhotoSearch, FolderJumpAndLists)
{
    Job job(kRows);
    SeekQuery q = query(SeekKind::Folder, "こうじ");
    EXPECT_EQ(folderJump(job.folders, q, SearchDirection::FromFirst, -1), -1);
    q.text = QStringLiteral("工");
    EXPECT_EQ(folderJump(job.folders, q, SearchDirection::FromFirst, -1), 1);
    EXPECT_EQ(folderJump(job.folders, q, SearchDirection::Down, 1), 2);
    q.text.clear();
    q.levelFrom = q.levelTo = 2;
    EXPECT_EQ(folderJump(job.folders, q, SearchDirection::Down, 3), 4);

    EXPECT_EQ(seekItemNames(false, "20261210").size(), 9);
    EXPECT_EQ(seekItemNames(true, "20261210").value(3), QStringLiteral("写真/撮影年月日 (例:20261210)"));
    EXPECT_EQ(seekItemNames(true, "20261210").mid(6),
              (QStringList{QStringLiteral("代表写真 (例:0～1)"), QStringLiteral("提出頻度写真 (例:0～1)")}));
    EXPECT_EQ(seekKindAt(true, 5), SeekKind::NegaNum);
    EXPECT_EQ(seekKindAt(true, 6), SeekKind::Daihyo);
    EXPECT_EQ(seekKindAt(true, 7), SeekKind::Teisyutu);
    EXPECT_EQ(seekKindAt(true, 8), std::nullopt);
    EXPECT_EQ(seekKindAt(false, 8), SeekKind::Teisyutu);
    EXPECT_EQ(seekKindAt(false, 0), SeekKind::Folder);
    EXPECT_EQ(seekDirectionNames(true).size(), 2);
}

TEST(PhotoSearch, RepresentativeAndFrequencyPhotosByRange)
{
    Job job(kRows);
    // Photos 1 and 6 are representative, 3 and 6 of the submission frequency;
    // the others were never set (null), which counts as 0.
    for (auto [record, field] : {std::pair{1, F_DAIHYO}, {6, F_DAIHYO}, {3, F_TEISYUTU}, {6, F_TEISYUTU}}) {
        ASSERT_TRUE(job.table.locate(record));
        job.table.edit();
        job.table.setValue(job.fields[field], 1);
        job.table.post();
    }
    ASSERT_TRUE(job.table.locate(4));
    job.table.edit();
    job.table.setValue(job.fields[F_DAIHYO], 0);
    job.table.post();

    struct Case {
        const char* what;
        SeekQuery q;
        QList<RECORD> found;
    };
    const Case cases[] = {
        {"代表写真 1", range(SeekKind::Daihyo, "1", "1"), {1, 6}},
        {"代表写真 0, null included", range(SeekKind::Daihyo, "0", "0"), {2, 3, 4, 5}},
        {"代表写真 upper bound 0 alone", range(SeekKind::Daihyo, "", "0"), {2, 3, 4, 5}},
        {"提出頻度写真 1", range(SeekKind::Teisyutu, "1", ""), {3, 6}},
        {"提出頻度写真 0", range(SeekKind::Teisyutu, "0", "0"), {1, 2, 4, 5}},
        {"no bounds: every filed photo", range(SeekKind::Teisyutu, "", ""), {1, 2, 3, 4, 5, 6}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(job.list(c.q), c.found) << c.what;

    // 移動 reads a null field as 0 too.
    const SeekQuery zero = range(SeekKind::Daihyo, "0", "0");
    const PhotoHit hit = jumpSearch(job.folders, job.table, job.fields, zero, SearchDirection::FromFirst, -1, -1);
    EXPECT_EQ(hit.folder, 0);  // photo 9 in 未分類, never set
    const SeekQuery one = range(SeekKind::Teisyutu, "1", "1");
    const PhotoHit next = jumpSearch(job.folders, job.table, job.fields, one, SearchDirection::Down, 3, 0);
    EXPECT_EQ(next.folder, 3);
    EXPECT_EQ(next.position, 2);  // photo 3
}
