#include "core/scripted_ports.h"
#include "core/sjis.h"
#include "delivery/html_album.h"
#include "delivery_fixtures.h"
#include "fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zb;
using zbtest::JobFixture;
using zbtest::TestPhoto;

namespace {

Hierarchy rootHolding(const QList<RECORD>& photos)
{
    return {{kUnclassifiedCaption, 0, {}},
            {kPhotoRootCaption, 0, {}},
            {QStringLiteral("工事"), 1, {}},
            {QStringLiteral("施工状況写真"), 2, photos},
            {kRecycleCaption, 0, {}}};
}

QString page(const QString& album, const QString& name)
{
    return sjis::decode(zbtest::readAll(album + QStringLiteral("/ALBUM/") + name));
}

int count(const QString& text, const QString& what) { return int(text.count(what)); }

HtmlResult run(JobFixture& job, const QString& folder, ScriptedMessages& m, int* pages = nullptr)
{
    ScriptedProgress p;
    QString albumPage;
    return writeHtmlAlbum(job.exportJob(), {folder}, m, p, &albumPage, pages);
}

TEST(HtmlAlbum, AJobWithoutPhotos)
{
    JobFixture job;
    const QString out = job.folder(QStringLiteral("out"));
    ScriptedMessages m;
    int pages = 0;
    ASSERT_EQ(run(job, out, m, &pages), HtmlResult::Done);
    EXPECT_EQ(pages, 1);
    const QString frame = page(out, "ALBUM.HTM");
    EXPECT_TRUE(frame.startsWith(QStringLiteral("<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n")));
    EXPECT_TRUE(frame.contains(QStringLiteral("<frameset cols=\"129,*\">")));
    EXPECT_TRUE(frame.contains(QStringLiteral("<frame src=\"HTML/PAGE1.HTM\" name=\"page_main\">")));
    EXPECT_TRUE(frame.contains(QStringLiteral("このページをご覧いただくにはフレーム対応のブラウザが必要です。")));
    const QString first = page(out, "HTML/PAGE1.HTM");
    EXPECT_TRUE(first.contains(QStringLiteral("charset=Shift_JIS")));
    EXPECT_TRUE(first.contains(QStringLiteral("<title>ゾルベルHTML</title>\r\n</head>\r\n<body bgcolor=\"#ceffce\"")));
    EXPECT_TRUE(first.contains(QStringLiteral("<caption align=\"left\">基礎情報</caption>")));
    EXPECT_TRUE(first.contains(QStringLiteral("<td width=\"150\" align=\"center\" bgcolor=\"#999999\">DTDバージョン</td>")));
    EXPECT_FALSE(first.contains(QStringLiteral("工事情報")));
    EXPECT_FALSE(first.contains(QStringLiteral("次ページ")));
    const QString index = page(out, "HTML/INDEX.HTM");
    EXPECT_TRUE(index.contains(QStringLiteral("<body bgcolor=\"#60bd8e\" text=\"#ffffff\"")));
    EXPECT_EQ(count(index, QStringLiteral("target=\"page_main\">Page.")), 1);
    EXPECT_TRUE(index.endsWith(QStringLiteral("</body>\r\n</html>\r\n")));

    // A second run finds ALBUM and writes nothing.
    m.clear();
    EXPECT_EQ(run(job, out, m), HtmlResult::Refused);
    ASSERT_EQ(m.boxes().size(), 1);
    EXPECT_TRUE(m.boxes()[0].startsWith(QStringLiteral("warning: 【ALBUM】フォルダが既に存在します。")));
}

TEST(HtmlAlbum, TwoSlotsPerPageAndDrawingsOnAPageOfTheirOwn)
{
    JobFixture job;
    job.header.startDate = QStringLiteral("20030405");
    job.add(TestPhoto{1, {{F_TITLE, QStringLiteral("<b>太字</b> & \"引用\"")}, {F_DATE, QStringLiteral("20030405")}}});
    job.add(TestPhoto{2, {{F_DATE, QStringLiteral("2003045")}}, 3});
    job.add(TestPhoto{3});
    job.add(TestPhoto{4});                                // A: no drawing
    job.add(TestPhoto{5, {}, 0, 0, {0, 6, 0}});           // B: a drawing in slot 2
    job.add(TestPhoto{6});
    job.add(TestPhoto{7, {}, 99});
    job.tree = rootHolding({1, 2, 3, 4, 5, 7});
    const QString out = job.folder(QStringLiteral("out"));
    ScriptedMessages m;
    int pages = 0;
    ASSERT_EQ(run(job, out, m, &pages), HtmlResult::Done) << m.log.join("\n").toStdString();
    EXPECT_EQ(m.boxes(), QStringList());
    // PAGE2: 1, 2; PAGE3: 3, 4 (5 has a drawing and would come second); PAGE4: 5
    // alone; PAGE5: 7, not shown but taking its slot.
    EXPECT_EQ(pages, 5);
    const QString p1 = page(out, "HTML/PAGE1.HTM");
    EXPECT_TRUE(p1.contains(QStringLiteral("<td bgcolor=\"#ffffff\">2003 年 04 月 05 日</td>")));
    EXPECT_TRUE(p1.contains(QStringLiteral("<p><a href=\"PAGE2.HTM\">次ページ</a></p>")));
    const QString p2 = page(out, "HTML/PAGE2.HTM");
    EXPECT_TRUE(p2.contains(QStringLiteral("Page.2\r\n<table>\r\n<tbody>")));
    EXPECT_EQ(count(p2, QStringLiteral("<img src=\"../PIC/")), 2);
    EXPECT_TRUE(p2.contains(QStringLiteral("<a href=\"../PIC/PIC00001.JPG\" target=\"_blank\"><img src=\"../PIC/PIC00001.JPG\" border=\"2\" hspace=\"5\" vspace=\"5\" width=\"260\"></a></td>")));
    EXPECT_TRUE(p2.contains(QStringLiteral("<td bgcolor=\"#ffffff\">&lt;b&gt;太字&lt;/b&gt; &amp; &quot;引用&quot;</td>")));
    EXPECT_TRUE(p2.contains(QStringLiteral(">2003 年 04 月 05 日</td>")));
    EXPECT_TRUE(p2.contains(QStringLiteral(">2003045</td>")));
    EXPECT_TRUE(p2.contains(QStringLiteral("写真整理フラグ</td>")));  // photo 2's flag 3
    EXPECT_EQ(count(p2, QStringLiteral("写真整理フラグ")), 1);
    EXPECT_TRUE(p2.contains(QStringLiteral("<p><a href=\"PAGE1.HTM\">前ページ</a> / <a href=\"PAGE3.HTM\">次ページ</a></p>")));
    const QString p3 = page(out, "HTML/PAGE3.HTM");
    EXPECT_EQ(count(p3, QStringLiteral("<img src=\"../PIC/")), 2);
    EXPECT_FALSE(p3.contains(QStringLiteral("参考図")));
    const QString p4 = page(out, "HTML/PAGE4.HTM");
    EXPECT_EQ(count(p4, QStringLiteral("<img src=\"../PIC/PIC00005.JPG\"")), 1);
    EXPECT_EQ(count(p4, QStringLiteral("<img src=\"../DRA/")), 1);
    EXPECT_TRUE(p4.contains(QStringLiteral("</tr>\r\n</tbody>\r\n</table>\r\n<table>\r\n    <caption align=\"left\">参考図</caption>")));
    EXPECT_TRUE(p4.contains(QStringLiteral("<td width=\"190\" height=\"190\" align=\"center\"><a href=\"../DRA/DRA00006.JPG\"")));
    const QString p5 = page(out, "HTML/PAGE5.HTM");
    EXPECT_EQ(count(p5, QStringLiteral("<img")), 0);
    EXPECT_TRUE(p5.contains(QStringLiteral("<p><a href=\"PAGE4.HTM\">前ページ</a></p>")));
    EXPECT_FALSE(p5.contains(QStringLiteral("次ページ")));
    EXPECT_EQ(count(page(out, "HTML/INDEX.HTM"), QStringLiteral("target=\"page_main\">Page.")), 5);
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/ALBUM/DRA/DRA00006.JPG")));
    EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/ALBUM/PIC/PIC00007.JPG")));
    EXPECT_EQ(QDir(out + QStringLiteral("/ALBUM/PIC")).count() - 2, 5u);
}

TEST(HtmlAlbum, ThreePhotosGiveTwoPages)
{
    JobFixture job;
    for (RECORD r : {1, 2, 3})
        job.add(TestPhoto{r});
    job.tree = rootHolding({1, 2, 3});
    const QString out = job.folder(QStringLiteral("out"));
    ScriptedMessages m;
    int pages = 0;
    ASSERT_EQ(run(job, out, m, &pages), HtmlResult::Done);
    EXPECT_EQ(pages, 3);
    const QString p2 = page(out, "HTML/PAGE2.HTM"), p3 = page(out, "HTML/PAGE3.HTM");
    EXPECT_EQ(count(p2, QStringLiteral("<img")), 2);
    EXPECT_TRUE(p2.contains(QStringLiteral("<a href=\"PAGE1.HTM\">前ページ</a> / <a href=\"PAGE3.HTM\">次ページ</a>")));
    EXPECT_EQ(count(p3, QStringLiteral("<img")), 1);
    EXPECT_TRUE(p3.contains(QStringLiteral("<p><a href=\"PAGE2.HTM\">前ページ</a></p>")));
    EXPECT_TRUE(p3.endsWith(QStringLiteral("</tbody>\r\n</table>\r\n<p><a href=\"PAGE2.HTM\">前ページ</a></p>\r\n</body>\r\n</html>\r\n")));
    EXPECT_EQ(htmlDate(QStringLiteral("20030405")), QStringLiteral("2003 年 04 月 05 日"));
}

TEST(HtmlAlbum, AFailedWriteEndsWithAMessageAndKeepsWhatWasWritten)
{
    JobFixture job;
    TestPhoto unreadable{1};
    unreadable.external = true;
    unreadable.fileName = QStringLiteral("/proc/self/mem");  // opens, but cannot be read
    job.add(unreadable);
    job.tree = rootHolding({1});
    const QString out = job.folder(QStringLiteral("out"));
    ScriptedMessages m;
    EXPECT_EQ(run(job, out, m), HtmlResult::Failed);
    ASSERT_EQ(m.boxes().size(), 1);
    EXPECT_TRUE(m.boxes()[0].startsWith(QStringLiteral("error: HTML工事写真帳の作成中にファイルを書き込めませんでした。")));
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/ALBUM/ALBUM.HTM")));
    EXPECT_TRUE(QFileInfo::exists(out + QStringLiteral("/ALBUM/HTML/PAGE1.HTM")));
}

}  // namespace
