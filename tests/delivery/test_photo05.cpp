// The delivery of the current layout (PHOTO05.DTD): what the export writes,
// the check of a delivery folder, and reading a delivery of another program.
#include "core/scripted_ports.h"
#include "core/sjis.h"
#include "delivery/delivery_check.h"
#include "delivery/delivery_export.h"
#include "delivery/delivery_import.h"
#include "delivery/delivery_writer.h"
#include "delivery_fixtures.h"
#include "fixtures.h"
#include "store/job_files.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zb;
using zbtest::JobFixture;
using zbtest::TestPhoto;

namespace {

ExportResult run(JobFixture& job, ExportOptions options, ScriptedMessages& m, ExportReport* report = nullptr)
{
    ScriptedProgress p;
    return exportDelivery(job.exportJob(), options, m, p, report);
}

QStringList xmlLines(const QString& path) { return sjis::decode(zbtest::readAll(path)).split(QStringLiteral("\r\n")); }

// The lines of the 写真情報 group holding the serial number.
QStringList photoGroup(const QStringList& lines, RECORD record)
{
    const QString serial = QStringLiteral("            <シリアル番号>%1</シリアル番号>").arg(record);
    const qsizetype at = lines.indexOf(serial);
    if (at < 2)
        return {};
    QStringList out;
    for (qsizetype i = at - 2; i < lines.size(); ++i) {
        out << lines[i];
        if (lines[i] == QStringLiteral("    </写真情報>"))
            break;
    }
    return out;
}

Hierarchy levels(QList<RECORD> l2, QList<RECORD> l5)
{
    return {{kUnclassifiedCaption, 0, {}},
            {kPhotoRootCaption, 0, {}},
            {QStringLiteral("工事"), 1, {}},
            {QStringLiteral("施工状況写真"), 2, l2},
            {QStringLiteral("道路土工"), 3, {}},
            {QStringLiteral("掘削工"), 4, {}},
            {QStringLiteral("A&B区間"), 5, l5},
            {kRecycleCaption, 0, {}}};
}

TEST(Photo05Export, EveryElementWrittenValidatesAndKeepsTheImportedPicture)
{
    JobFixture job;
    job.header.startDate = QStringLiteral("20240101");
    job.header.endDate = QStringLiteral("20241231");
    const QByteArray camera = zbtest::smallJpeg(40, 30, 0x204060);
    TestPhoto full{7,
                   {{F_TITLE, QStringLiteral("掘削状況「A&B<1>」'引用'\"")},
                    {F_YOBI1, QStringLiteral("予備一")},
                    {F_YOBI3, QStringLiteral("予備三")},
                    {F_KASYO, QStringLiteral("No.12+5.0")},
                    {F_DATE, QStringLiteral("20240315")},
                    {F_KANRI, QStringLiteral("設計 100 実測 101")},
                    {F_UKEOIBIKOU, QStringLiteral("請負者の説明")},
                    {F_BIKOU_B, QStringLiteral("写真の備考は納品しない")},
                    {F_DAIHYO, QStringLiteral("1")},
                    {F_TEISYUTU, QStringLiteral("1")}},
                   0,
                   0,
                   {12, 13, 14}};
    full.picture = camera;
    full.edited = zbtest::smallJpeg(40, 30, 0xff0000);
    job.add(full);
    for (RECORD d : {12, 13, 14})
        job.add(TestPhoto{d, {{F_TITLE, QStringLiteral("参考図%1").arg(d)}, {F_BIKOU_B, d == 13 ? QString() : QStringLiteral("図の備考")}}});
    job.add(TestPhoto{8, {{F_TITLE, QStringLiteral("二階層")}, {F_DATE, QStringLiteral("20240316")}}});
    job.tree = levels({8}, {7});
    const QString target = job.folder(QStringLiteral("out"));
    ScriptedMessages m;
    ExportReport report;
    ASSERT_EQ(run(job, {target}, m, &report), ExportResult::Done) << m.log.join("\n").toStdString();
    EXPECT_EQ(report.photos, 2);
    EXPECT_EQ(report.drawings, 3);

    const QString photo = target + QStringLiteral("/PHOTO");
    EXPECT_EQ(zbtest::validateAgainstDtd(photo + QStringLiteral("/PHOTO.XML")), QString());
    EXPECT_EQ(zbtest::readAll(photo + QStringLiteral("/PHOTO05.DTD")), photo05Dtd());
    EXPECT_EQ(QDir(photo).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList({"DRA", "PHOTO.XML", "PHOTO05.DTD", "PIC"}));
    EXPECT_EQ(QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"PHOTO"}));
    // The imported picture, byte for byte, though the photo was edited.
    EXPECT_EQ(zbtest::readAll(photo + QStringLiteral("/PIC/P0000007.JPG")), camera);
    EXPECT_TRUE(QFileInfo::exists(photo + QStringLiteral("/DRA/D0000012.JPG")));

    const QStringList lines = xmlLines(photo + QStringLiteral("/PHOTO.XML"));
    EXPECT_EQ(lines.mid(0, 8), QStringList({
                                   R"(<?xml version="1.0" encoding="Shift_JIS"?>)",
                                   R"(<!DOCTYPE photodata SYSTEM "PHOTO05.DTD">)",
                                   R"(<photodata DTD_version="05">)",
                                   "    <基礎情報>",
                                   "        <写真フォルダ名>PHOTO/PIC</写真フォルダ名>",
                                   "        <参考図フォルダ名>PHOTO/DRA</参考図フォルダ名>",
                                   "        <適用要領基準>土木202303-01</適用要領基準>",
                                   "    </基礎情報>",
                               }));
    EXPECT_EQ(photoGroup(lines, 7),
              QStringList({
                  "    <写真情報>",
                  "        <写真ファイル情報>",
                  "            <シリアル番号>7</シリアル番号>",
                  "            <写真ファイル名>P0000007.JPG</写真ファイル名>",
                  "            <メディア番号>1</メディア番号>",
                  "        </写真ファイル情報>",
                  "        <撮影工種区分>",
                  "            <写真-大分類>工事</写真-大分類>",
                  "            <写真区分>施工状況写真</写真区分>",
                  "            <工種>道路土工</工種>",
                  "            <種別>掘削工</種別>",
                  "            <細別>A&amp;B区間</細別>",
                  "            <写真タイトル>掘削状況「A&amp;B&lt;1&gt;」&apos;引用&apos;&quot;</写真タイトル>",
                  "            <工種区分予備>予備一</工種区分予備>",
                  "            <工種区分予備>予備三</工種区分予備>",
                  "        </撮影工種区分>",
                  "        <付加情報>",
                  "            <参考図ファイル名>D0000012.JPG</参考図ファイル名>",
                  "            <参考図タイトル>参考図12</参考図タイトル>",
                  "            <付加情報予備>図の備考</付加情報予備>",
                  "        </付加情報>",
                  "        <付加情報>",
                  "            <参考図ファイル名>D0000013.JPG</参考図ファイル名>",
                  "            <参考図タイトル>参考図13</参考図タイトル>",
                  "        </付加情報>",
                  "        <付加情報>",
                  "            <参考図ファイル名>D0000014.JPG</参考図ファイル名>",
                  "            <参考図タイトル>参考図14</参考図タイトル>",
                  "            <付加情報予備>図の備考</付加情報予備>",
                  "        </付加情報>",
                  "        <撮影情報>",
                  "            <撮影箇所>No.12+5.0</撮影箇所>",
                  "            <撮影年月日>2024-03-15</撮影年月日>",
                  "        </撮影情報>",
                  "        <代表写真>1</代表写真>",
                  "        <提出頻度写真>1</提出頻度写真>",
                  "        <施工管理値>設計 100 実測 101</施工管理値>",
                  "        <請負者説明文>請負者の説明</請負者説明文>",
                  "    </写真情報>",
              }));
    // A photo of a level-2 folder: no 工種 and below; the flags 0.
    const QStringList second = photoGroup(lines, 8);
    EXPECT_TRUE(second.contains("            <写真区分>施工状況写真</写真区分>"));
    EXPECT_FALSE(second.join("").contains("<工種>"));
    EXPECT_TRUE(second.contains("        <代表写真>0</代表写真>"));
    EXPECT_EQ(lines.value(lines.size() - 2), QStringLiteral("</photodata>"));

    // The check of what was written finds nothing but the edited photo's warning.
    const FolderCheck c = checkDeliveryFolder(photo);
    ASSERT_TRUE(c.readable) << c.error.toStdString();
    QStringList found;
    for (const DeliveryFinding& f : c.findings)
        found << findingLine(f);
    EXPECT_EQ(found, QStringList()) << found.join("\n").toStdString();
    std::optional<DeliverySet> set = exportedSet(job.exportJob(), {job.folder("again")}, m);
    ASSERT_TRUE(set);
    const QList<DeliveryFinding> before = checkDeliverySet(*set, &job.header);
    ASSERT_EQ(before.size(), 1);
    EXPECT_EQ(before[0].level, DeliveryFinding::Level::Warning);
    EXPECT_EQ(before[0].serial, 7);
}

TEST(Photo05Export, DiscImagesNameEachPhotosDisc)
{
    JobFixture job;
    // Photos of about 3 MB (incompressible bytes behind a JPEG start) fill a 10 MB disc after two.
    QList<RECORD> records;
    for (RECORD r = 1; r <= 4; ++r) {
        TestPhoto p{r, {{F_TITLE, QStringLiteral("写真%1").arg(r)}, {F_DATE, QStringLiteral("20240301")}}};
        QByteArray big = zbtest::smallJpeg();
        big.append(QByteArray(3 * 1024 * 1024, char('0' + r)));
        p.picture = big;
        job.add(p);
        records << r;
    }
    job.tree = levels(records, {});
    const QString target = job.folder(QStringLiteral("out"));
    ExportOptions o{target};
    o.discImage = true;
    o.discSize = 10;
    ScriptedMessages m;
    ExportReport report;
    ASSERT_EQ(run(job, o, m, &report), ExportResult::Done) << m.log.join("\n").toStdString();
    ASSERT_EQ(report.discs, 2);
    for (int disc : {1, 2}) {
        const QString photo = target + QStringLiteral("/DISK%1/PHOTO").arg(disc);
        EXPECT_TRUE(QFileInfo::exists(photo + QStringLiteral("/PHOTO05.DTD")));
        EXPECT_FALSE(QFileInfo::exists(photo + QStringLiteral("/DRA")));
        EXPECT_EQ(zbtest::validateAgainstDtd(photo + QStringLiteral("/PHOTO.XML")), QString());
        const FolderCheck c = checkDeliveryFolder(photo);
        EXPECT_TRUE(c.findings.isEmpty()) << (c.findings.isEmpty() ? "" : findingLine(c.findings[0]).toStdString());
    }
    const QStringList lines = xmlLines(target + QStringLiteral("/DISK1/PHOTO/PHOTO.XML"));
    EXPECT_TRUE(photoGroup(lines, 2).contains("            <メディア番号>1</メディア番号>"));
    EXPECT_TRUE(photoGroup(lines, 3).contains("            <メディア番号>2</メディア番号>"));
    EXPECT_TRUE(QFileInfo::exists(target + QStringLiteral("/DISK2/PHOTO/PIC/P0000003.JPG")));
    EXPECT_FALSE(QFileInfo::exists(target + QStringLiteral("/DISK1/PHOTO/PIC/P0000003.JPG")));
}

TEST(Photo05Export, ControlCharactersAreLeftOutOfBothLayouts)
{
    for (const QString& standard : {QString(), kDraftStandard}) {
        JobFixture job;
        job.add(TestPhoto{1, {{F_TITLE, QStringLiteral("A\x01" "B\x1f" "C\tD")}, {F_DATE, QStringLiteral("20240301")}}});
        job.tree = levels({1}, {});
        const QString target = job.folder(QStringLiteral("out"));
        ExportOptions o{target};
        o.standard = standard;
        ScriptedMessages m;
        ASSERT_EQ(run(job, o, m), ExportResult::Done);
        const QString xml = sjis::decode(zbtest::readAll(target + QStringLiteral("/PHOTO/PHOTO.XML")));
        EXPECT_TRUE(xml.contains(QStringLiteral("<写真タイトル>ABC\tD</写真タイトル>"))) << standard.toStdString();
        EXPECT_EQ(zbtest::validateAgainstDtd(target + QStringLiteral("/PHOTO/PHOTO.XML")), QString());
        if (standard.isEmpty()) {
            std::optional<DeliverySet> set = exportedSet(job.exportJob(), {job.folder("again")}, m);
            ASSERT_TRUE(set);
            const QList<DeliveryFinding> f = checkDeliverySet(*set, nullptr);
            ASSERT_EQ(f.size(), 2);
            EXPECT_EQ(f[0].element, QStringLiteral("写真タイトル"));
        }
    }
}

// A delivery written by hand in the style of another program.
void writeFile(const QString& path, const QString& text) { zbtest::writeAll(path, sjis::toBytes(text)); }

QString otherProgramsXml(const QString& photos)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
                          "<!DOCTYPE photodata SYSTEM \"PHOTO05.DTD\">\n"
                          "<?xml-stylesheet type=\"text/xsl\" href=\"PHOTO05.XSL\"?>\n"
                          "<photodata DTD_version=\"05\">\n"
                          "  <基礎情報>\n"
                          "    <写真フォルダ名>PHOTO/PIC</写真フォルダ名>\n"
                          "    <参考図フォルダ名>PHOTO/DRA</参考図フォルダ名>\n"
                          "    <適用要領基準>土木202003-01</適用要領基準>\n"
                          "  </基礎情報>\n") +
           photos + QStringLiteral("  <ソフトメーカ用TAG>other</ソフトメーカ用TAG>\n</photodata>\n");
}

QString otherPhoto(const QString& serial, const QString& file, const QString& title, const QString& date,
                   const QString& extra = {})
{
    return QStringLiteral("  <写真情報>\n    <写真ファイル情報>\n      <シリアル番号>%1</シリアル番号>\n"
                          "      <写真ファイル名>%2</写真ファイル名>\n      <メディア番号>1</メディア番号>\n"
                          "    </写真ファイル情報>\n    <撮影工種区分>\n      <写真-大分類>工事</写真-大分類>\n"
                          "      <写真区分>出来形管理写真</写真区分>\n      <工種>道路土工</工種>\n"
                          "      <写真タイトル>%3</写真タイトル>\n"
                          "      <工種区分予備>一</工種区分予備>\n      <工種区分予備>二</工種区分予備>\n"
                          "    </撮影工種区分>\n%5"
                          "    <撮影情報>\n      <撮影年月日>%4</撮影年月日>\n    </撮影情報>\n"
                          "    <代表写真>1</代表写真>\n    <提出頻度写真>0</提出頻度写真>\n"
                          "    <施工管理値>H=1.20</施工管理値>\n  </写真情報>\n")
        .arg(serial, file, title, date, extra);
}

struct OtherDelivery {
    QString medium, photo;
};

OtherDelivery writeOtherDelivery(const QString& medium, const QString& photos, const QStringList& pictures)
{
    const QString photo = medium + QStringLiteral("/PHOTO");
    QDir().mkpath(photo + QStringLiteral("/PIC"));
    QDir().mkpath(photo + QStringLiteral("/DRA"));
    writeFile(photo + QStringLiteral("/PHOTO.XML"), otherProgramsXml(photos));
    zbtest::writeAll(photo + QStringLiteral("/PHOTO05.DTD"), photo05Dtd());
    writeFile(photo + QStringLiteral("/PHOTO05.XSL"), QStringLiteral("<xsl:stylesheet/>\n"));
    for (const QString& p : pictures)
        zbtest::writeAll(photo + QLatin1Char('/') + p, zbtest::smallJpeg(20, 20, 0x123456u + unsigned(p.size())));
    return {medium, photo};
}

const QString kDrawings = QStringLiteral(
    "    <付加情報>\n      <参考図ファイル名>D0000001.JPG</参考図ファイル名>\n"
    "      <参考図タイトル>位置図</参考図タイトル>\n    </付加情報>\n"
    "    <付加情報>\n      <参考図ファイル名>D0000002.JPEG</参考図ファイル名>\n"
    "      <参考図タイトル>断面図</参考図タイトル>\n      <付加情報予備>縮尺1/100</付加情報予備>\n    </付加情報>\n");

TEST(Photo05Import, AnotherProgramsDeliveryComesInWhole)
{
    JobFixture job;
    const OtherDelivery d = writeOtherDelivery(
        job.folder(QStringLiteral("medium")),
        otherPhoto("1", "P0000001.JPG", QStringLiteral("床掘 &amp; 埋戻"), "2021-06-01", kDrawings) +
            otherPhoto("5", "P0000005.JPG", QStringLiteral("二枚目"), "2021-06-02"),
        {"PIC/P0000001.JPG", "PIC/P0000005.JPG", "DRA/D0000001.JPG", "DRA/D0000002.JPEG"});

    const FolderCheck c = checkDeliveryFolder(d.photo);
    ASSERT_TRUE(c.readable);
    EXPECT_TRUE(c.findings.isEmpty()) << (c.findings.isEmpty() ? "" : findingLine(c.findings[0]).toStdString());

    for (bool libxml2 : {false, true}) {
        ScriptedMessages m;
        ScriptedProgress p;
        DeliveryImportOptions o;
        o.folder = d.photo;
        o.libxml2 = libxml2;
        const DeliveryImportResult r = importDelivery(job.folders, o, m, p, [] { return true; });
        ASSERT_EQ(r.outcome, DeliveryImportResult::Outcome::Imported) << m.log.join("\n").toStdString();
        EXPECT_EQ(r.photos, 2);
        EXPECT_EQ(r.drawings, 2);
        EXPECT_EQ(r.missing, QStringList());
        EXPECT_EQ(m.boxes(), QStringList());

        const JobPaths paths{job.folders.dataFile, kXmlImportJob};
        const std::optional<TreeFile> tree = readTreeFile(paths.treeFile(), nullptr);
        ASSERT_TRUE(tree);
        const Hierarchy expected{{kUnclassifiedCaption, 0, {}},
                                 {kPhotoRootCaption, 0, {}},
                                 {QStringLiteral("工事"), 1, {}},
                                 {QStringLiteral("出来形管理写真"), 2, {}},
                                 {QStringLiteral("道路土工"), 3, {1, 4}},
                                 {kRecycleCaption, 0, {}}};
        EXPECT_EQ(tree->folders, expected);
        engine::Table t;
        t.open(paths.table(), false);
        PhotoFields f;
        f.lookUp(t);
        ASSERT_TRUE(t.locate(1));
        EXPECT_EQ(t.value(f[F_TITLE]).toString(), QStringLiteral("床掘 & 埋戻"));
        EXPECT_EQ(t.value(f[F_YOBI1]).toString(), QStringLiteral("一"));
        EXPECT_EQ(t.value(f[F_YOBI2]).toString(), QStringLiteral("二"));
        EXPECT_EQ(t.value(f[F_DATE]).toString(), QStringLiteral("20210601"));
        EXPECT_EQ(t.value(f[F_KANRI]).toString(), QStringLiteral("H=1.20"));
        EXPECT_EQ(t.value(f[F_DAIHYO]).toInt(), 1);
        EXPECT_EQ(t.value(f[F_TEISYUTU]).toInt(), 0);
        EXPECT_EQ(t.value(f[F_REC_DRA1]).toInt(), 2);
        EXPECT_EQ(t.value(f[F_REC_DRA2]).toInt(), 3);
        EXPECT_EQ(t.value(f[F_REC_DRA3]).toInt(), 0);
        EXPECT_EQ(t.readBlob(f[F_IMAGE_ORG]), zbtest::readAll(d.photo + "/PIC/P0000001.JPG"));
        ASSERT_TRUE(t.locate(3));
        EXPECT_EQ(t.value(f[F_TITLE]).toString(), QStringLiteral("断面図"));
        EXPECT_EQ(t.value(f[F_BIKOU_B]).toString(), QStringLiteral("縮尺1/100"));
        EXPECT_EQ(t.value(f[F_FILENAME]).toString(), QStringLiteral("D0000002"));
    }
}

TEST(Photo05Import, HostileNamesAndCountsAreRefusedAndTold)
{
    JobFixture job;
    QString many;
    for (int i = 0; i < 5; ++i)
        many += QStringLiteral("    <付加情報>\n      <参考図ファイル名>D000000%1.JPG</参考図ファイル名>\n"
                               "      <参考図タイトル>図</参考図タイトル>\n    </付加情報>\n")
                    .arg(i);
    const QString secret = job.folder(QStringLiteral("secret"));
    zbtest::writeAll(secret + QStringLiteral("/P0000001.JPG"), zbtest::smallJpeg());
    OtherDelivery d = writeOtherDelivery(job.folder(QStringLiteral("medium")),
                                         otherPhoto("1", "../../secret/P0000001.JPG", "外", "2021-06-01", many),
                                         {});
    ScriptedMessages m;
    ScriptedProgress p;
    DeliveryImportOptions o;
    o.folder = d.photo;
    const DeliveryImportResult r = importDelivery(job.folders, o, m, p, [] { return true; });
    ASSERT_EQ(r.outcome, DeliveryImportResult::Outcome::Imported);
    EXPECT_EQ(r.drawings, 3);
    EXPECT_EQ(r.missing.first(), QStringLiteral("../../secret/P0000001.JPG"));
    EXPECT_TRUE(m.log.join("\n").contains(kImportLeftOut.arg("../../secret/P0000001.JPG"))) << m.log.join("\n").toStdString();
}

struct CheckCase {
    const char* what;
    QString title;
    QString date;
    QString serial;
    QString element;
    QString message;
};

TEST(Photo05Check, FindsWhatAClientsCheckerRefuses)
{
    const QList<CheckCase> cases = {
        {"machine-dependent", QStringLiteral("杭①"), "2024-03-01", "1", "写真タイトル", "機種依存"},
        {"half-width kana", QStringLiteral("ｸ打ち"), "2024-03-01", "1", "写真タイトル", "半角カナ"},
        {"full-width digit", QStringLiteral("杭１"), "2024-03-01", "1", "写真タイトル", "全角"},
        {"128 characters", QString(128, QChar(0x3042)), "2024-03-01", "1", "写真タイトル", "長すぎます"},
        {"no such day", QStringLiteral("杭"), "2024-02-30", "1", "撮影年月日", "2024-02-30"},
        {"zero-padded serial", QStringLiteral("杭"), "2024-03-01", "01", "シリアル番号", "01"},
    };
    for (const CheckCase& c : cases) {
        JobFixture job;
        const OtherDelivery d = writeOtherDelivery(job.folder(QStringLiteral("medium")),
                                                   otherPhoto(c.serial, "P0000001.JPG", c.title, c.date),
                                                   {"PIC/P0000001.JPG"});
        const FolderCheck r = checkDeliveryFolder(d.photo);
        ASSERT_TRUE(r.readable) << c.what;
        ASSERT_EQ(r.findings.size(), 1) << c.what << ": "
                                        << (r.findings.isEmpty() ? "" : findingLine(r.findings[1 % r.findings.size()]).toStdString());
        const DeliveryFinding& f = r.findings[0];
        EXPECT_TRUE(f.isError()) << c.what;
        EXPECT_EQ(f.element, c.element) << c.what;
        EXPECT_EQ(f.serial, 1) << c.what;
        EXPECT_EQ(f.file, QStringLiteral("P0000001.JPG")) << c.what;
        EXPECT_TRUE(f.message.contains(c.message)) << c.what << ": " << f.message.toStdString();
    }
}

TEST(Photo05Check, FindsMissingStrayAndRepeated)
{
    JobFixture job;
    const OtherDelivery d = writeOtherDelivery(
        job.folder(QStringLiteral("medium")),
        otherPhoto("1", "P0000001.JPG", "一", "2024-03-01") + otherPhoto("1", "P0000002.JPG", "二", "2024-03-01"),
        {"PIC/P0000001.JPG", "PIC/Thumbs.db"});
    zbtest::writeAll(d.medium + QStringLiteral("/AUTORUN.INF"), "[AutoRun]\r\n");
    const FolderCheck r = checkDeliveryFolder(d.photo);
    ASSERT_TRUE(r.readable);
    QStringList found;
    for (const DeliveryFinding& f : r.findings)
        found << findingLine(f);
    EXPECT_EQ(found, QStringList({
                         "[エラー] シリアル番号 1: P0000002.JPG: シリアル番号「1」が重複しています。",
                         "[エラー] AUTORUN.INF: 電子納品に含められないファイルです（ビューア）。",
                         "[エラー] シリアル番号 1: P0000002.JPG: 写真ファイル名が示すファイルがありません。",
                         "[エラー] Thumbs.db: PHOTO.XML にない写真ファイルです。",
                     }));

    // A file that is no well-formed XML is not readable at all.
    writeFile(d.photo + QStringLiteral("/PHOTO.XML"), QStringLiteral("<photodata><基礎情報>"));
    EXPECT_FALSE(checkDeliveryFolder(d.photo).readable);
}

TEST(Photo05Check, ReportsInvalidAgainstTheDtd)
{
    JobFixture job;
    QString photo = otherPhoto("1", "P0000001.JPG", "一", "2024-03-01");
    photo.replace(QStringLiteral("    <代表写真>1</代表写真>\n"), QString());
    const OtherDelivery d = writeOtherDelivery(job.folder(QStringLiteral("medium")), photo, {"PIC/P0000001.JPG"});
    const FolderCheck r = checkDeliveryFolder(d.photo);
    ASSERT_TRUE(r.readable);
    ASSERT_GE(r.findings.size(), 2);
    EXPECT_TRUE(r.findings[0].message.startsWith(QStringLiteral("PHOTO05.DTD に対して妥当ではありません")));
    bool missing = false;
    for (const DeliveryFinding& f : r.findings)
        missing = missing || (f.element == QStringLiteral("代表写真") && f.serial == 1);
    EXPECT_TRUE(missing);
}

}  // namespace
