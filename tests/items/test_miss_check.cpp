#include "items/miss_check.h"

#include "core/scripted_ports.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <QMap>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::items;

namespace {

JobHeader fullHeader()
{
    JobHeader h;
    h.fiscalYear = 2026;
    for (QString JobHeader::*t : {&JobHeader::contractNumber, &JobHeader::riverRouteName,
                                  &JobHeader::constructionName, &JobHeader::constructionSite,
                                  &JobHeader::clientMajor, &JobHeader::clientMiddle, &JobHeader::clientMinor,
                                  &JobHeader::contractorName, &JobHeader::contractorCode,
                                  &JobHeader::clientRemarks, &JobHeader::contractorRemarks})
        h.*t = QStringLiteral("x");
    h.startDate = QStringLiteral("20260401");
    h.endDate = QStringLiteral("20270331");
    h.clientCode = QStringLiteral("12345678");
    return h;
}

// A photo table whose rows have every text field filled and FILMNUM 1, except
// the fields named for a record (text fields empty, FILMNUM 0).
struct Job {
    zbtest::TempDir dir;
    TTableNetWork table;
    PhotoFields fields;
    Hierarchy folders;

    void open() { fields = openOrCreatePhotoTable(dir.file("J.DB"), {&table}, true); }
    void add(RECORD r, const QList<PhotoField>& empty = {}, int flag = 0)
    {
        table.append();
        table.setValue(fields[F_RECORD], r);
        table.setValue(fields[F_FLAG], flag);
        for (int f = F_BIKOU_A; f <= F_BIKOU3; ++f) {
            if (f == F_FILMNUM)
                table.setValue(fields[PhotoField(f)], empty.contains(PhotoField(f)) ? 0 : 1);
            else if (!empty.contains(PhotoField(f)))
                table.setValue(fields[PhotoField(f)], f == F_DATE ? QStringLiteral("20260501") : QStringLiteral("v"));
        }
        table.post();
    }
    MissCheckResult check(const JobHeader& h, int range, bool list = false)
    {
        ScriptedProgress p;
        return checkMissingInput(h, folders, table, fields, range, list, p);
    }
};

// 未分類, 工事写真 > 工事 > 施工状況写真, ごみ箱
Hierarchy tree(const QList<RECORD>& unfiled, const QList<RECORD>& filed, const QList<RECORD>& trash)
{
    return {{kUnclassifiedCaption, 0, unfiled}, {kPhotoRootCaption, 0, {}}, {"工事", 1, {}},
            {"施工状況写真", 2, filed}, {kRecycleCaption, 0, trash}};
}

}  // namespace

TEST(MissCheck, ConstructionInformation)
{
    struct Case {
        const char* what;
        std::function<void(JobHeader&)> change;
        int range;
        QStringList lines;
    };
    const Case cases[] = {
        {"complete", [](JobHeader&) {}, 2, {kMissNone}},
        {"7-digit code", [](JobHeader& h) { h.clientCode = "1234567"; }, 0, {kMissShortCode}},
        {"empty code", [](JobHeader& h) { h.clientCode.clear(); }, 0, {kMissShortCode}},
        {"fiscal year 0", [](JobHeader& h) { h.fiscalYear = 0; }, 0, {kMissKojiGap}},
        {"year 0 and no number",
         [](JobHeader& h) {
             h.fiscalYear = 0;
             h.contractNumber.clear();
         },
         0, {kMissKojiGap}},
        {"blank counts as filled", [](JobHeader& h) { h.contractNumber = " "; }, 0, {kMissNone}},
        {"range-1 item at range 0", [](JobHeader& h) { h.clientMiddle.clear(); }, 0, {kMissNone}},
        {"range-1 item at range 1", [](JobHeader& h) { h.clientMiddle.clear(); }, 1, {kMissKojiGap}},
        {"range-2 item at range 1", [](JobHeader& h) { h.clientRemarks.clear(); }, 1, {kMissNone}},
        {"range-2 item at range 2", [](JobHeader& h) { h.clientRemarks.clear(); }, 2, {kMissKojiGap}},
        {"both",
         [](JobHeader& h) {
             h.clientCode = "1";
             h.endDate.clear();
         },
         0, {kMissShortCode, kMissKojiGap}},
    };
    for (const Case& c : cases) {
        Job job;
        job.open();
        JobHeader h = fullHeader();
        c.change(h);
        const MissCheckResult r = job.check(h, c.range);
        EXPECT_EQ(r.lines, c.lines) << c.what;
        EXPECT_EQ(r.clean, c.lines == QStringList{kMissNone}) << c.what;
    }
}

TEST(MissCheck, PhotoRangesAndCounting)
{
    Job job;
    job.open();
    job.add(1);                                      // complete
    job.add(2, {F_KASYO});                           // range 1 gap
    job.add(3, {F_FILMNUM});                         // range 1 gap (0)
    job.add(4, {F_BIKOU2});                          // range 2 gap
    job.add(5, {F_TITLE, F_KASYO, F_BIKOU1}, 99);    // several gaps, flagged 99: counted once
    job.add(6, {F_TITLE});                           // in 未分類
    job.add(7, {F_TITLE});                           // in ごみ箱
    job.folders = tree({6}, {1, 2, 3, 4, 5, 404}, {7});
    const struct {
        int range;
        QList<RECORD> gaps;
    } cases[] = {{0, {5}}, {1, {2, 3, 5}}, {2, {2, 3, 4, 5}}, {-3, {5}}, {9, {2, 3, 4, 5}}};
    for (const auto& c : cases) {
        const MissCheckResult r = job.check(fullHeader(), c.range);
        EXPECT_EQ(r.gaps, c.gaps) << "range " << c.range;
        EXPECT_EQ(r.lines, QStringList{kMissPhotoCountHead + QString::number(c.gaps.size()) + kMissPhotoCountTail});
        EXPECT_FALSE(r.clean);
    }
}

TEST(MissCheck, ListModeLinesAndProgress)
{
    Job job;
    job.open();
    for (RECORD r : {1, 2, 3, 4})
        job.add(r, r == 2 ? QList<PhotoField>{} : QList<PhotoField>{F_TITLE});
    job.folders = tree({}, {4, 2, 1}, {});
    job.folders.insert(3, TreeFolder{"着手前", 2, {3}});
    ScriptedProgress p;
    const MissCheckResult r = checkMissingInput(fullHeader(), job.folders, job.table, job.fields, 0, true, p);
    EXPECT_EQ(r.lines, (QStringList{"【写真情報】の未入力件数が 3 件ありました。", QString(), "対象となる工事写真を一覧を表示します"}));
    EXPECT_EQ(r.gaps, (QList<RECORD>{3, 4, 1}));  // hierarchy order, then list order
    EXPECT_EQ(p.started, 6);
    EXPECT_EQ(p.steps, 4);  // every folder but 未分類 and ごみ箱
    EXPECT_EQ(p.ended, 1);
}

TEST(MissCheck, JobWithoutPhotos)
{
    Job job;
    job.open();
    job.folders = defaultHierarchy();
    const MissCheckResult r = job.check(fullHeader(), 2, true);
    EXPECT_TRUE(r.clean);
    EXPECT_EQ(r.lines, QStringList{"入力漏れはありませんでした。"});
    EXPECT_EQ(missRangeNames().value(1), QStringLiteral("○ 条件付き必須記入 以上 "));
}
