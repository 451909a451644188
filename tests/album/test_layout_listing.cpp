// The listing of a page's parts: document lines, pairs per part, heading
// with the era date, and the pages it fills.
#include "album/layout_listing.h"
#include "album/printer_env.h"
#include "core/scripted_ports.h"
#include "support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::album;

TEST(LayoutListing, DocumentLines) {
    ListingDocument doc;
    doc.album = true;
    doc.offsetX = mm(2.5);
    doc.pageStart = 0;
    doc.page = 2;
    doc.lastPage = 5;
    doc.formatName = "A4縦3連A";
    doc.paperCode = 12;
    doc.orientation = 1;
    EXPECT_EQ(listingDocumentLines(doc),
              (QStringList{"[写真帳名]：(無)", "[印刷開始 X]：2.5", "[ページ数]：2/5", "[書式名]：A4縦3連A",
                           "[用紙サイズ]：不明 code=12", "[用紙方向]：横"}));
    ListingDocument format;
    format.formatName = "表紙";
    format.paperName = "A4";
    EXPECT_EQ(listingDocumentLines(format), (QStringList{"[書式名]：表紙", "[用紙サイズ]：A4", "[用紙方向]：縦"}));
}

TEST(LayoutListing, PartPairsAndHeading) {
    TPartsBox part;
    part.Shape = ptKoumoku;
    part.PLeft = mm(10);
    part.PWidth = mm(80.5);
    part.Caption = QStringLiteral("工事名\r\n{1100}");
    part.Font.style = fsBold | fsStrikeOut;
    part.FormIndex = 2;
    const QList<ListingPair> pairs = listingPartPairs(part);
    auto value = [&](const QString& label) {
        for (const ListingPair& p : pairs)
            if (p.first == label) return p.second;
        return QStringLiteral("<none>");
    };
    EXPECT_EQ(pairs.first(), ListingPair("項目種別", "工事情報/写真情報"));
    EXPECT_EQ(value("座標 X"), "10.0");
    EXPECT_EQ(value("W"), "80.5");
    EXPECT_EQ(value("文字"), "工事名|{1100}");
    EXPECT_EQ(value("関連"), "写真2");
    EXPECT_EQ(value("文字強調"), "有");
    EXPECT_EQ(value("文字取消線"), "有");
    EXPECT_EQ(value("文字斜体"), "<none>");
    EXPECT_EQ(value("線色"), "0");
    EXPECT_EQ(value("塗色"), "16777215");

    part.Caption = QString(70, QChar(u'あ'));
    EXPECT_TRUE(listingPartPairs(part)[20].second.endsWith("(省略)"));

    EXPECT_EQ(listingHeading(true, QDate(2026, 12, 10)), "《 ゾルベル 書式 印刷 》  令和8年12月10日");
    EXPECT_EQ(listingHeading(false, QDate(2019, 4, 30)), "《 ゾルベル レイアウト 印刷 》  平成31年4月30日");
}

TEST(LayoutListing, ManyPartsFillSeveralA4Pages) {
    zbtest::TempDir dir;
    const QString path = dir.path() + "/list.pdf";
    TPrinterEnv env(std::make_unique<PdfPrintDevice>(path, 300));
    Page page;
    for (int i = 0; i < 40; ++i) page.parts.append(TPartsBox{});
    ScriptedMessages msg;
    ScriptedProgress prog;
    ListingDocument doc;
    const PrintReport r = printLayoutListing(env, true, doc, page, QDate(2026, 12, 10), msg, prog);
    EXPECT_EQ(r.outcome, PrintOutcome::Printed);
    EXPECT_GT(r.pagesPrinted, 1);
    EXPECT_EQ(prog.started, r.pagesPrinted);
    EXPECT_TRUE(msg.boxes().isEmpty());
    EXPECT_GT(QFile(path).size(), 0);
}
