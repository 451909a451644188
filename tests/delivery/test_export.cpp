#include "core/scripted_ports.h"
#include "core/sjis.h"
#include "delivery/delivery_export.h"
#include "delivery_fixtures.h"
#include "fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zb;
using zbtest::JobFixture;
using zbtest::TestPhoto;

namespace {

Hierarchy fiveLevels(QList<RECORD> root, QList<RECORD> l1, QList<RECORD> l2, QList<RECORD> l5,
                     QList<RECORD> unfiled = {})
{
    return {{kUnclassifiedCaption, 0, unfiled},
            {kPhotoRootCaption, 0, root},
            {QStringLiteral("工事"), 1, l1},
            {QStringLiteral("施工状況写真"), 2, l2},
            {QStringLiteral("土工"), 3, {}},
            {QStringLiteral("掘削工"), 4, {}},
            {QStringLiteral("A&B区間"), 5, l5},
            {kRecycleCaption, 0, {}}};
}

QStringList xmlLines(const QString& path)
{
    return sjis::decode(zbtest::readAll(path)).split(QStringLiteral("\r\n"));
}

// The lines of the 写真情報 group whose シリアル番号 is the record.
QStringList photoGroup(const QStringList& lines, RECORD record)
{
    const QString serial = QStringLiteral("        <シリアル番号>%1</シリアル番号>").arg(record);
    const qsizetype at = lines.indexOf(serial);
    if (at < 1)
        return {};
    QStringList out;
    for (qsizetype i = at - 1; i < lines.size(); ++i) {
        out << lines[i];
        if (lines[i] == QStringLiteral("    </写真情報>"))
            break;
    }
    return out;
}

// The cases of this file write the draft layout.
ExportResult run(JobFixture& job, ExportOptions options, ScriptedMessages& m, ExportReport* report = nullptr)
{
    if (options.standard.isEmpty())
        options.standard = kDraftStandard;
    ScriptedProgress p;
    return exportDelivery(job.exportJob(), options, m, p, report);
}

TEST(Export, EverythingWrittenIsValidAgainstTheDtd)
{
    JobFixture job;
    JobHeader& h = job.header;
    h.fiscalYear = 2003;
    h.contractNumber = QStringLiteral("12345");
    h.riverRouteName = QStringLiteral("一級河川 ○○川");
    h.constructionName = QStringLiteral("「A&B<1>」護岸工事 ①");
    h.constructionSite = QStringLiteral("○○県'△△市\"");
    h.startDate = QStringLiteral("20030401");
    h.endDate = QStringLiteral("20040331");
    h.clientMajor = QStringLiteral("国土交通省");
    h.clientMiddle = QStringLiteral("○○地方整備局");
    h.clientMinor = QStringLiteral("○○事務所");
    h.clientCode = QStringLiteral("12345678");
    h.contractorName = QStringLiteral("株式会社 ㈱建設");
    h.contractorCode = QStringLiteral("C-1");
    h.clientRemarks = QStringLiteral("備考\r\n二行目");
    h.contractorRemarks = QStringLiteral("請負者備考");
    TestPhoto full;
    full.record = 3;
    full.flag = 2;
    full.filmNumber = 12;
    for (int f = F_BIKOU_A; f <= F_BIKOU3; ++f)
        if (f != F_DATE && f != F_NEGANUM && f != F_FILMNUM)
            full.text[PhotoField(f)] = QStringLiteral("値%1<&>").arg(f);
    full.text[F_DATE] = QStringLiteral("20030405");
    full.text[F_NEGANUM] = QStringLiteral("7");
    full.drawings = {4, 5, 6};
    job.add(full);
    for (RECORD d : {4, 5, 6})
        job.add(TestPhoto{d});
    job.add(TestPhoto{1, {{F_TITLE, QStringLiteral("root")}}});
    job.add(TestPhoto{2, {{F_TITLE, QStringLiteral("level 2")}}});
    job.tree = fiveLevels({1}, {}, {2}, {3});

    const QString target = job.folder(QStringLiteral("out"));
    ScriptedMessages m;
    ExportReport report;
    ASSERT_EQ(run(job, {target}, m, &report), ExportResult::Done) << m.log.join("\n").toStdString();
    EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("information: ") + kExportDoneNoViewer});
    EXPECT_EQ(report.photos, 3);
    EXPECT_EQ(report.drawings, 3);

    const QString xml = target + QStringLiteral("/PHOTO/PHOTO.XML");
    EXPECT_EQ(zbtest::validateAgainstDtd(xml), QString());
    const QStringList lines = xmlLines(xml);
    EXPECT_EQ(lines.mid(0, 4), (QStringList{R"(<?xml version="1.0" encoding="shift_jis" ?>)",
                                            R"(<!DOCTYPE photodata SYSTEM "PHOTO.DTD">)", "<photodata>",
                                            QStringLiteral("    <基礎情報>")}));
    EXPECT_TRUE(lines.contains(QStringLiteral("        <工事名称>「A&amp;B&lt;1&gt;」護岸工事 ①</工事名称>")));
    EXPECT_TRUE(lines.contains(QStringLiteral("        <工事箇所>○○県&apos;△△市&quot;</工事箇所>")));
    EXPECT_TRUE(lines.contains(QStringLiteral("        <発注年度>2003</発注年度>")));
    EXPECT_EQ(lines.value(lines.size() - 2), QStringLiteral("</photodata>"));
    EXPECT_EQ(lines.last(), QString());

    const QStringList g = photoGroup(lines, 3);
    const QStringList expected{
        QStringLiteral("    <写真情報>"),
        QStringLiteral("        <シリアル番号>3</シリアル番号>"),
        QStringLiteral("        <写真ファイル名>PIC00003.JPG</写真ファイル名>"),
        QStringLiteral("        <メディア番号>1</メディア番号>"),
        QStringLiteral("        <写真整理フラグ>2</写真整理フラグ>"),
        QStringLiteral("        <写真ファイル情報予備>値3&lt;&amp;&gt;</写真ファイル情報予備>"),
        QStringLiteral("        <写真-大分類>工事</写真-大分類>"),
        QStringLiteral("        <写真区分>施工状況写真</写真区分>"),
        QStringLiteral("        <工種>土工</工種>"),
        QStringLiteral("        <種別>掘削工</種別>"),
        QStringLiteral("        <細別>A&amp;B区間</細別>"),
        QStringLiteral("        <写真タイトル>値4&lt;&amp;&gt;</写真タイトル>"),
        QStringLiteral("        <工種区分予備1>値5&lt;&amp;&gt;</工種区分予備1>"),
        QStringLiteral("        <工種区分予備2>値6&lt;&amp;&gt;</工種区分予備2>"),
        QStringLiteral("        <工種区分予備3>値7&lt;&amp;&gt;</工種区分予備3>"),
        QStringLiteral("        <参考図1>DRA00004.JPG</参考図1>"),
        QStringLiteral("        <参考図2>DRA00005.JPG</参考図2>"),
        QStringLiteral("        <参考図3>DRA00006.JPG</参考図3>"),
        QStringLiteral("        <撮影箇所>値8&lt;&amp;&gt;</撮影箇所>"),
        QStringLiteral("        <付加情報予備>値9&lt;&amp;&gt;</付加情報予備>"),
        QStringLiteral("        <撮影年月日>20030405</撮影年月日>"),
        QStringLiteral("        <フィルム番号>12</フィルム番号>"),
        QStringLiteral("        <コマ番号>7</コマ番号>"),
        QStringLiteral("        <撮影情報予備>値13&lt;&amp;&gt;</撮影情報予備>"),
        QStringLiteral("        <施工管理値>値14&lt;&amp;&gt;</施工管理値>"),
        QStringLiteral("        <施工管理値予備>値15&lt;&amp;&gt;</施工管理値予備>"),
        QStringLiteral("        <状況説明予備>値16&lt;&amp;&gt;</状況説明予備>"),
        QStringLiteral("        <請負者説明文>値17&lt;&amp;&gt;</請負者説明文>"),
        QStringLiteral("        <発注者説明文>値18&lt;&amp;&gt;</発注者説明文>"),
        QStringLiteral("        <写真情報予備1>値19&lt;&amp;&gt;</写真情報予備1>"),
        QStringLiteral("        <写真情報予備2>値20&lt;&amp;&gt;</写真情報予備2>"),
        QStringLiteral("        <写真情報予備3>値21&lt;&amp;&gt;</写真情報予備3>"),
        QStringLiteral("        <写真MIME>image/jpeg</写真MIME>"),
        QStringLiteral("        <参考図1-MIME>image/jpeg</参考図1-MIME>"),
        QStringLiteral("        <参考図2-MIME>image/jpeg</参考図2-MIME>"),
        QStringLiteral("        <参考図3-MIME>image/jpeg</参考図3-MIME>"),
        QStringLiteral("    </写真情報>")};
    EXPECT_EQ(g, expected);

    // A photo in the construction-photo root has no classification; one at
    // level 2 has the first two.
    const QStringList root = photoGroup(lines, 1);
    EXPECT_FALSE(root.join("").contains(QStringLiteral("写真-大分類")));
    const QStringList two = photoGroup(lines, 2);
    EXPECT_TRUE(two.contains(QStringLiteral("        <写真-大分類>工事</写真-大分類>")));
    EXPECT_TRUE(two.contains(QStringLiteral("        <写真区分>施工状況写真</写真区分>")));
    EXPECT_FALSE(two.join("").contains(QStringLiteral("<工種>")));

    for (const char* f : {"PIC/PIC00001.JPG", "PIC/PIC00002.JPG", "PIC/PIC00003.JPG", "DRA/DRA00004.JPG",
                          "DRA/DRA00005.JPG", "DRA/DRA00006.JPG", "PHOTO.DTD"})
        EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/PHOTO/") + QLatin1String(f))) << f;
    EXPECT_EQ(zbtest::readAll(target + QStringLiteral("/PHOTO/PHOTO.DTD")), builtInPhotoDtd());
}

TEST(Export, TheBuiltInDtdHasItsHundredLines)
{
    const QStringList lines = sjis::decode(builtInPhotoDtd()).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.size(), 101);  // 100 lines, each ended by CR LF
    EXPECT_EQ(lines[0], QStringLiteral(R"(<?xml version="1.0" encoding="shift_jis"?>)"));
    EXPECT_TRUE(lines.contains(QStringLiteral("<!ELEMENT photodata (基礎情報?, 工事情報?, 写真情報*)>")));
    EXPECT_TRUE(lines.contains(QStringLiteral("<!-- ") + QString(65, QLatin1Char('*')) + QStringLiteral(" -->")));

    // The validation sees a file the DTD does not allow: elements out of order.
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file(QStringLiteral("PHOTO.DTD")), builtInPhotoDtd());
    zbtest::writeAll(dir.file(QStringLiteral("PHOTO.XML")),
                     sjis::toBytes(QStringLiteral("<?xml version=\"1.0\" encoding=\"shift_jis\" ?>\r\n"
                                                  "<!DOCTYPE photodata SYSTEM \"PHOTO.DTD\">\r\n<photodata><写真情報>"
                                                  "<写真ファイル名>A</写真ファイル名><シリアル番号>1</シリアル番号>"
                                                  "</写真情報></photodata>\r\n")));
    EXPECT_NE(zbtest::validateAgainstDtd(dir.file(QStringLiteral("PHOTO.XML"))), QString());
}

TEST(Export, EdgeCasesOfTheElements)
{
    JobFixture job;  // construction information all empty, 発注年度 0
    job.add(TestPhoto{7, {{F_TITLE, QStringLiteral("A&B<1>")}}, 0, 0, {0, 8, 0}});
    job.add(TestPhoto{8});
    job.add(TestPhoto{9, {{F_TITLE, QStringLiteral("excluded")}}, 99});
    job.add(TestPhoto{10, {{F_TITLE, QStringLiteral("unfiled")}}});
    job.tree = fiveLevels({7, 9}, {}, {}, {}, {10});
    const QString target = job.folder(QStringLiteral("out"));
    ScriptedMessages m;
    ASSERT_EQ(run(job, {target}, m), ExportResult::Done);
    const QString xml = target + QStringLiteral("/PHOTO/PHOTO.XML");
    EXPECT_EQ(zbtest::validateAgainstDtd(xml), QString());
    const QStringList lines = xmlLines(xml);
    EXPECT_FALSE(lines.contains(QStringLiteral("    <工事情報>")));
    EXPECT_TRUE(lines.contains(QStringLiteral("    <基礎情報>")));
    const QStringList g = photoGroup(lines, 7);
    EXPECT_TRUE(g.contains(QStringLiteral("        <写真ファイル名>PIC00007.JPG</写真ファイル名>")));
    EXPECT_TRUE(g.contains(QStringLiteral("        <写真タイトル>A&amp;B&lt;1&gt;</写真タイトル>")));
    EXPECT_TRUE(g.contains(QStringLiteral("        <参考図1>DRA00008.JPG</参考図1>")));
    EXPECT_TRUE(g.contains(QStringLiteral("        <参考図1-MIME>image/jpeg</参考図1-MIME>")));
    EXPECT_FALSE(g.join("").contains(QStringLiteral("参考図2")));
    EXPECT_TRUE(photoGroup(lines, 9).isEmpty());
    EXPECT_TRUE(photoGroup(lines, 10).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/PHOTO/PIC/PIC00009.JPG")));
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/PHOTO/DRA/DRA00008.JPG")));
}

TEST(Export, PicturesChosenAsTheOptionsSay)
{
    JobFixture job;
    const QByteArray org = zbtest::smallJpeg(16, 16, 0xff0000), now = zbtest::smallJpeg(16, 16, 0x00ff00);
    TestPhoto edited{1};
    edited.picture = org;
    edited.edited = now;
    job.add(edited);
    TestPhoto meta{2};
    meta.picture = zbtest::makeWmf(64, 48, 0x0000ff, 4, 4, 40, 30);
    meta.kind = 20;
    job.add(meta);
    const QString externalFile = job.root() + QStringLiteral("outside.jpg");
    zbtest::writeAll(externalFile, org);
    TestPhoto external{3};
    external.external = true;
    external.fileName = externalFile;
    job.add(external);
    TestPhoto gone{4};
    gone.external = true;
    gone.fileName = job.root() + QStringLiteral("missing.jpg");
    job.add(gone);
    job.tree = fiveLevels({1, 2, 3, 4}, {}, {}, {});
    for (bool original : {false, true}) {
        const QString target = job.folder(original ? QStringLiteral("org") : QStringLiteral("now"));
        ScriptedMessages m;
        ExportOptions o{target};
        o.original = original;
        ASSERT_EQ(run(job, o, m), ExportResult::Done);
        const QString pic = target + QStringLiteral("/PHOTO/PIC/");
        EXPECT_EQ(zbtest::readAll(pic + QStringLiteral("PIC00001.JPG")), original ? org : now);
        EXPECT_TRUE(zbtest::readAll(pic + QStringLiteral("PIC00002.JPG")).startsWith("\xFF\xD8"));
        EXPECT_EQ(zbtest::readAll(pic + QStringLiteral("PIC00003.JPG")), org);
        EXPECT_FALSE(QFileInfo::exists(pic + QStringLiteral("PIC00004.JPG")));
        EXPECT_TRUE(xmlLines(target + QStringLiteral("/PHOTO/PHOTO.XML"))
                        .contains(QStringLiteral("        <写真ファイル名>PIC00004.JPG</写真ファイル名>")));
    }
}

TEST(Export, DiscImagesSplitAtTheCapacity)
{
    JobFixture job;
    // Each picture takes 1.5 MiB; a 10 MB disc holds 5 MiB.
    const QByteArray big = zbtest::smallJpeg(8, 8) + QByteArray(3 * 512 * 1024, '\0');
    QList<RECORD> records;
    for (RECORD r = 1; r <= 6; ++r) {
        TestPhoto s{r};
        s.picture = big;
        job.add(s);
        records << r;
    }
    job.tree = fiveLevels(records, {}, {}, {});
    const QString target = job.folder(QStringLiteral("out"));
    ExportOptions o{target};
    o.discImage = true;
    o.discSize = 10;
    o.viewer = 2;
    zbtest::writeAll(job.folders.sysFile + QStringLiteral("VIEW.EXE"), "viewer");
    zbtest::writeAll(job.folders.sysFile + QStringLiteral("PHOTO.HTM"), "<html></html>");
    ScriptedMessages m;
    ExportReport report;
    ASSERT_EQ(run(job, o, m, &report), ExportResult::Done) << m.log.join("\n").toStdString();
    EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("information: ") + kExportDoneViewer});
    // Disc 1: DTD, VIEW.EXE, AUTORUN.INF, PHOTO.HTM and the XML's start, then
    // four photos reach 6 MiB; the rest go to disc 2.
    EXPECT_EQ(report.discs, 2);
    for (int disc : {1, 2}) {
        const QString base = target + QStringLiteral("/DISK%1").arg(disc);
        EXPECT_TRUE(QFileInfo::exists(base + QStringLiteral("/PHOTO/PHOTO.XML"))) << disc;
        EXPECT_EQ(zbtest::readAll(base + QStringLiteral("/AUTORUN.INF")), QByteArray("[AutoRun]\r\nOPEN=VIEW.EXE\r\n"));
        EXPECT_TRUE(QFileInfo::exists(base + QStringLiteral("/PHOTO/PHOTO.HTM")));
    }
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/DISK1/PHOTO/PIC/PIC00004.JPG")));
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/DISK2/PHOTO/PIC/PIC00005.JPG")));
    const QStringList lines = xmlLines(target + QStringLiteral("/DISK2/PHOTO/PHOTO.XML"));
    EXPECT_TRUE(photoGroup(lines, 4).contains(QStringLiteral("        <メディア番号>1</メディア番号>")));
    EXPECT_TRUE(photoGroup(lines, 5).contains(QStringLiteral("        <メディア番号>2</メディア番号>")));
    EXPECT_EQ(zbtest::readAll(target + QStringLiteral("/DISK1/PHOTO/PHOTO.XML")),
              zbtest::readAll(target + QStringLiteral("/DISK2/PHOTO/PHOTO.XML")));
}

TEST(Export, RefusedSetsWriteNothing)
{
    JobFixture job;
    job.add(TestPhoto{7});
    job.add(TestPhoto{100001});
    job.add(TestPhoto{100002, {}, 99});
    job.tree = fiveLevels({7, 100001, 100002}, {}, {}, {});
    const QString target = job.folder(QStringLiteral("out"));
    ScriptedMessages m;
    EXPECT_EQ(run(job, {target}, m), ExportResult::Refused);
    EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("warning: ") + kExportRecordsTooHigh.arg(QStringLiteral("100001"))});
    EXPECT_TRUE(QDir(target).isEmpty());

    job.tree = fiveLevels({7}, {}, {}, {});
    QDir().mkpath(target + QStringLiteral("/PHOTO"));
    m.clear();
    EXPECT_EQ(run(job, {target}, m), ExportResult::Refused);
    EXPECT_EQ(exportFolderState(target, false, 650), ExportFolderState::PhotoExists);
    EXPECT_EQ(exportFolderState(target, true, 650), ExportFolderState::Ready);
    EXPECT_EQ(exportFolderState(target, true, 9), ExportFolderState::DiscSizeBad);
    EXPECT_EQ(exportFolderState(target, true, 10000), ExportFolderState::DiscSizeBad);
}

TEST(Export, AFailedWriteEndsWithAMessageAndLeavesEarlierFiles)
{
    JobFixture job;
    // A file that opens but cannot be read, as a failing disk gives.
    const QString unreadable = QStringLiteral("/proc/self/mem");
    TestPhoto external{2};
    external.external = true;
    external.fileName = unreadable;
    job.add(TestPhoto{1});
    job.add(external);
    job.tree = fiveLevels({1, 2}, {}, {}, {});
    const QString target = job.folder(QStringLiteral("out"));
    zbtest::writeAll(target + QStringLiteral("/earlier.txt"), "keep");
    ScriptedMessages m;
    EXPECT_EQ(run(job, {target}, m), ExportResult::Failed);
    ASSERT_EQ(m.boxes().size(), 1);
    EXPECT_TRUE(m.boxes()[0].startsWith(QStringLiteral("error: XML保存中にファイルを書き込めませんでした。")));
    EXPECT_EQ(zbtest::readAll(target + QStringLiteral("/earlier.txt")), QByteArray("keep"));
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/PHOTO/PIC/PIC00001.JPG")));
}

TEST(Export, TheCheckAsksWhenRequiredItemsAreMissing)
{
    JobFixture job;
    job.add(TestPhoto{1});
    job.tree = fiveLevels({}, {}, {1}, {});
    ScriptedMessages m;
    m.reply(false);
    QStringList lines;
    EXPECT_FALSE(exportCheckAllows(job.exportJob(), m, &lines));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("ask: ") + exportCheckQuestionText(lines)});
    EXPECT_TRUE(exportCheckQuestionText(lines).endsWith(
        QStringLiteral("\r\n\r\nこの問題を解決するには[入力漏れの検証]を実行して\r\n未入力項目の検索と修正をおこなってください。"
                       "\r\n\r\n未入力の必須項目がありますが出力しますか？")));
}

}  // namespace
