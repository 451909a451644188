#include "core/scripted_ports.h"
#include "core/sjis.h"
#include "delivery/delivery_export.h"
#include "delivery/delivery_import.h"
#include "delivery/xml_tree.h"
#include "delivery_fixtures.h"
#include "fixtures.h"
#include "store/job_files.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zb;
using zbtest::JobFixture;
using zbtest::TestPhoto;

namespace zb {
inline void PrintTo(const TreeFolder& f, std::ostream* os)
{
    *os << f.depth << ':' << f.caption.toStdString() << '(' << f.photos.size() << ')';
}
}  // namespace zb

namespace {

using Outcome = DeliveryImportResult::Outcome;

// A photo row of the imported job, read back.
struct Row {
    QMap<PhotoField, QVariant> v;
    QByteArray picture;
};

struct Imported {
    TreeFile file;
    QMap<RECORD, Row> rows;
};

Imported readJob(const Folders& folders)
{
    Imported out;
    const JobPaths paths{folders.dataFile, kXmlImportJob};
    ReadReport report;
    std::optional<TreeFile> f = readTreeFile(paths.treeFile(), &report);
    EXPECT_TRUE(f.has_value());
    if (f)
        out.file = *f;
    engine::Table t;
    t.open(paths.table(), false);
    PhotoFields fields;
    fields.lookUp(t);
    for (bool more = t.first(); more; more = t.next()) {
        Row r;
        for (int i = 0; i < kPhotoFieldCount; ++i)
            if (i != F_IMAGE_ORG && i != F_IMAGE_NOW && i != F_THUMBNAIL && i != F_ALBUM)
                r.v[PhotoField(i)] = t.value(fields[PhotoField(i)]);
        r.picture = t.readBlob(fields[F_IMAGE_ORG]);
        r.v[F_THUMBNAIL] = t.blobSize(fields[F_THUMBNAIL]);
        out.rows[t.value(fields[F_RECORD]).toInt()] = r;
    }
    return out;
}

// A delivery folder written by hand: PHOTO.XML with the given groups of
// 写真情報 (inner lines), the named pictures in PIC/.
QString writeDelivery(const QString& folder, const QString& groups, const QStringList& pictures = {},
                      const QString& head = {})
{
    QDir().mkpath(folder + QStringLiteral("/PIC"));
    QDir().mkpath(folder + QStringLiteral("/DRA"));
    for (const QString& p : pictures)
        zbtest::writeAll(folder + QLatin1Char('/') + p, zbtest::smallJpeg(20, 20, 0x123456u + p.size()));
    const QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"shift_jis\" ?>\r\n<photodata>\r\n"
                                       "<基礎情報><写真フォルダ名>./PIC</写真フォルダ名><参考図フォルダ名>./DRA</参考図フォルダ名></基礎情報>\r\n") +
                        head + groups + QStringLiteral("</photodata>\r\n");
    zbtest::writeAll(folder + QStringLiteral("/PHOTO.XML"), sjis::toBytes(xml));
    return folder;
}

QString group(const QString& inner) { return QStringLiteral("<写真情報>") + inner + QStringLiteral("</写真情報>\r\n"); }

DeliveryImportResult runImport(const Folders& folders, const QString& folder, ScriptedMessages& m, bool libxml2 = false,
                               bool askMedia = true)
{
    ScriptedProgress p;
    DeliveryImportOptions o;
    o.folder = folder;
    o.libxml2 = libxml2;
    o.askMedia = askMedia;
    return importDelivery(folders, o, m, p, [] { return true; });
}

class RoundTrip : public ::testing::TestWithParam<bool> {};

TEST_P(RoundTrip, ExportThenImportGivesTheSameJob)
{
    JobFixture job;
    JobHeader& h = job.header;
    h.fiscalYear = 2003;
    h.contractNumber = QStringLiteral("12345");
    h.constructionName = QStringLiteral("「A&B<1>」護岸工事 ①");
    h.startDate = QStringLiteral("20030401");
    h.clientCode = QStringLiteral("12345678");
    h.contractorRemarks = QStringLiteral("一行目\r\n二行目");
    TestPhoto a{10, {{F_TITLE, QStringLiteral("&amp;lt;")}, {F_DATE, QStringLiteral("20030405")},
                     {F_KANRI, QStringLiteral("管理\r\n値")}}, 2, 5, {0, 30, 0}};
    job.add(a);
    job.add(TestPhoto{30});
    job.add(TestPhoto{20, {{F_TITLE, QStringLiteral("二枚目")}, {F_NEGANUM, QStringLiteral("12")}}, 0, 0, {31, 32, 33}});
    for (RECORD d : {31, 32, 33})
        job.add(TestPhoto{d});
    job.add(TestPhoto{40, {{F_TITLE, QStringLiteral("root")}}});
    job.tree = {{kUnclassifiedCaption, 0, {}},
                {kPhotoRootCaption, 0, {40}},
                {QStringLiteral("工事"), 1, {}},
                {QStringLiteral("施工状況写真"), 2, {10}},
                {QStringLiteral("使用材料写真"), 2, {}},
                {QStringLiteral("安全管理写真"), 2, {}},
                {QStringLiteral("土工"), 3, {}},
                {QStringLiteral("掘削"), 4, {}},
                {QStringLiteral("A区間"), 5, {20}},
                {kRecycleCaption, 0, {}}};
    const QString out = job.folder(QStringLiteral("out"));
    ScriptedMessages m;
    ExportOptions draft{out};
    draft.standard = kDraftStandard;
    ASSERT_EQ(exportDelivery(job.exportJob(), draft, m, *std::make_unique<ScriptedProgress>()), ExportResult::Done);

    m.clear();
    const DeliveryImportResult r = runImport(job.folders, out + QStringLiteral("/PHOTO"), m, GetParam());
    ASSERT_EQ(r.outcome, Outcome::Imported) << m.log.join("\n").toStdString();
    EXPECT_EQ(m.boxes(), QStringList());
    EXPECT_EQ(r.missing, QStringList());
    const Imported got = readJob(job.folders);
    EXPECT_EQ(got.file.header, h);
    // Folders on the way to photos come back; empty ones do not. Records run in
    // file order, drawings right after their photo.
    const Hierarchy expected{{kUnclassifiedCaption, 0, {}},
                             {kPhotoRootCaption, 0, {1}},
                             {QStringLiteral("工事"), 1, {}},
                             {QStringLiteral("施工状況写真"), 2, {2}},
                             {QStringLiteral("安全管理写真"), 2, {}},
                             {QStringLiteral("土工"), 3, {}},
                             {QStringLiteral("掘削"), 4, {}},
                             {QStringLiteral("A区間"), 5, {4}},
                             {kRecycleCaption, 0, {}}};
    EXPECT_EQ(got.file.folders, expected);
    ASSERT_EQ(got.rows.keys(), (QList<RECORD>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(got.rows[1].v[F_TITLE].toString(), QStringLiteral("root"));
    const Row& p2 = got.rows[2];
    EXPECT_EQ(p2.v[F_TITLE].toString(), QStringLiteral("&amp;lt;"));
    EXPECT_EQ(p2.v[F_KANRI].toString(), QStringLiteral("管理\r\n値"));
    EXPECT_EQ(p2.v[F_DATE].toString(), QStringLiteral("20030405"));
    EXPECT_EQ(p2.v[F_FLAG].toInt(), 2);
    EXPECT_EQ(p2.v[F_FILMNUM].toInt(), 5);
    EXPECT_EQ(p2.v[F_REC_DRA1].toInt(), 3);  // the one drawing is 参考図1 in the file
    EXPECT_EQ(p2.v[F_REC_DRA2].toInt(), 0);
    EXPECT_EQ(p2.v[F_FILENAME].toString(), QStringLiteral("PIC00010"));
    EXPECT_EQ(got.rows[3].v[F_FILENAME].toString(), QStringLiteral("DRA00030"));
    EXPECT_EQ(got.rows[4].v[F_REC_DRA1].toInt(), 5);
    EXPECT_EQ(got.rows[4].v[F_REC_DRA3].toInt(), 7);
    EXPECT_EQ(got.rows[4].v[F_NEGANUM].toString(), QStringLiteral("12"));
    EXPECT_EQ(got.rows[2].picture, zbtest::readAll(out + QStringLiteral("/PHOTO/PIC/PIC00010.JPG")));
    for (RECORD r : got.rows.keys()) {
        EXPECT_GT(got.rows[r].v[F_THUMBNAIL].toLongLong(), 0) << r;
        EXPECT_FALSE(got.rows[r].v[F_GRA_FLAG].isValid()) << r;
    }
}

INSTANTIATE_TEST_SUITE_P(Parsers, RoundTrip, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "libxml2" : "own"; });

TEST(Import, ValuesAreCutToTheirRoomAndGroupsMapAsTheFileSays)
{
    zbtest::TempDir root;
    JobFixture job;
    const QString longName = QString(200, QChar(0x3042));  // 400 bytes
    const QString head = QStringLiteral("<工事情報><工事名称>%1</工事名称><発注者コード>123456789</発注者コード>"
                                        "<発注年度>2003年</発注年度></工事情報>\r\n")
                             .arg(longName);
    const QString groups =
        group(QStringLiteral("<写真タイトル>no file</写真タイトル>")) +
        group(QStringLiteral("<写真ファイル名>a.jpg</写真ファイル名><写真-大分類>工事</写真-大分類><参考図2>d.jpg</参考図2>"
                             "<写真タイトル>A&amp;B</写真タイトル><撮影年月日>2003040512</撮影年月日><写真整理フラグ>99999</写真整理フラグ>")) +
        group(QStringLiteral("<写真ファイル名>a.jpg</写真ファイル名><写真-大分類>工事</写真-大分類>")) +
        group(QStringLiteral("<写真ファイル名>a.jpg</写真ファイル名><写真-大分類>工事</写真-大分類><写真区分>X</写真区分>")) +
        group(QStringLiteral("<写真ファイル名>a.jpg</写真ファイル名><写真-大分類>工 事</写真-大分類>")) +
        group(QStringLiteral("<写真ファイル名>a.jpg</写真ファイル名><写真-大分類>ａ</写真-大分類>")) +
        group(QStringLiteral("<写真ファイル名>a.jpg</写真ファイル名><写真-大分類>Ａ</写真-大分類>"));
    const QString set = writeDelivery(root.file("set"), groups, {"PIC/a.jpg", "DRA/d.jpg"}, head);
    ScriptedMessages m;
    const DeliveryImportResult r = runImport(job.folders, set, m);
    ASSERT_EQ(r.outcome, Outcome::Imported) << m.log.join("\n").toStdString();
    EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("information: ") + kImportFlagBad});
    const Imported got = readJob(job.folders);
    EXPECT_EQ(got.file.header.constructionName, QString(127, QChar(0x3042)));
    EXPECT_EQ(got.file.header.clientCode, QStringLiteral("12345678"));
    EXPECT_EQ(got.file.header.fiscalYear, 2003);
    EXPECT_EQ(got.rows[1].v[F_TITLE].toString(), QStringLiteral("A&B"));
    EXPECT_EQ(got.rows[1].v[F_DATE].toString(), QStringLiteral("20030405"));
    EXPECT_EQ(got.rows[1].v[F_FLAG].toInt(), 0);
    EXPECT_EQ(got.rows[1].v[F_REC_DRA1].toInt(), 0);
    EXPECT_EQ(got.rows[1].v[F_REC_DRA2].toInt(), 2);
    const Hierarchy& f = got.file.folders;
    ASSERT_EQ(f.size(), 8);
    EXPECT_EQ(f[2], (TreeFolder{QStringLiteral("工事"), 1, {1, 3}}));
    EXPECT_EQ(f[3], (TreeFolder{QStringLiteral("X"), 2, {4}}));
    EXPECT_EQ(f[4].caption, QStringLiteral("工 事"));
    EXPECT_EQ(f[5].caption, QStringLiteral("ａ"));
    EXPECT_EQ(f[6].caption, QStringLiteral("Ａ"));
}

TEST(Import, TheMediumQuestionComesForEachMissingFileOfTheNextMedium)
{
    zbtest::TempDir root;
    JobFixture job;
    const QString groups =
        group(QStringLiteral("<写真ファイル名>1.jpg</写真ファイル名><メディア番号>1</メディア番号>")) +
        group(QStringLiteral("<写真ファイル名>2.jpg</写真ファイル名><メディア番号>1</メディア番号>")) +
        group(QStringLiteral("<写真ファイル名>3.jpg</写真ファイル名><メディア番号>2</メディア番号>")) +
        group(QStringLiteral("<写真ファイル名>4.jpg</写真ファイル名>"));
    const QString set = writeDelivery(root.file("set"), groups, {"PIC/1.jpg", "PIC/2.jpg", "PIC/4.jpg"});
    ScriptedMessages m;
    m.reply(true);
    m.reply(true);
    m.reply(false);
    const DeliveryImportResult r = runImport(job.folders, set, m);
    ASSERT_EQ(r.outcome, Outcome::Imported);
    const QString ask = QStringLiteral("confirm: メディア２をセットしてください。\r\nよろしいですか？");
    EXPECT_EQ(m.boxes(), (QStringList{ask, ask, ask}));
    EXPECT_EQ(r.missing, QStringList{"3.jpg"});
    const Imported got = readJob(job.folders);
    EXPECT_EQ(got.rows[3].v[F_FILENAME].toString(), QStringLiteral("DUMMY"));
    EXPECT_EQ(got.rows[3].picture, zbtest::readAll(job.folders.sysFile + QStringLiteral("DUMMY.JPG")));
    EXPECT_EQ(got.rows[4].v[F_FILENAME].toString(), QStringLiteral("4"));

    // Without questions (zbcli) the missing file is simply replaced.
    m.clear();
    EXPECT_EQ(runImport(job.folders, set, m, false, false).outcome, Outcome::Imported);
    EXPECT_EQ(m.boxes(), QStringList());
    EXPECT_EQ(mediumQuestion(12), QStringLiteral("メディア１２をセットしてください。\r\nよろしいですか？"));
}

TEST(Import, NamesLeadingOutOfTheSetAreNeverOpened)
{
    zbtest::TempDir root;
    JobFixture job;
    const QByteArray secret = zbtest::smallJpeg(10, 10, 0xff00ff);
    zbtest::writeAll(root.file("secret.jpg"), secret);
    QDir().mkpath(root.file("set/PIC"));
    zbtest::writeAll(root.file("set/PIC/ok.jpg"), zbtest::smallJpeg(10, 10, 0x00ff00));
    QFile::link(root.file("secret.jpg"), root.file("set/PIC/link.jpg"));
    const QString groups =
        group(QStringLiteral("<写真ファイル名>../../secret.jpg</写真ファイル名><参考図1>/etc/hostname</参考図1>")) +
        group(QStringLiteral("<写真ファイル名>..\\..\\secret.jpg</写真ファイル名><参考図1>C:\\secret.jpg</参考図1>")) +
        group(QStringLiteral("<写真ファイル名>link.jpg</写真ファイル名>")) +
        group(QStringLiteral("<写真ファイル名>ok.jpg</写真ファイル名><写真-大分類>..</写真-大分類><写真区分>../x</写真区分>"));
    const QString set = writeDelivery(root.file("set"), groups);
    ScriptedMessages m;
    const DeliveryImportResult r = runImport(job.folders, set, m);
    ASSERT_EQ(r.outcome, Outcome::Imported);
    const Imported got = readJob(job.folders);
    for (RECORD rec : got.rows.keys())
        EXPECT_NE(got.rows[rec].picture, secret) << rec;
    EXPECT_EQ(r.missing.size(), 5);
    EXPECT_EQ(got.rows.last().v[F_FILENAME].toString(), QStringLiteral("ok"));
    // Captions are only captions: ".." names a folder of the tree.
    EXPECT_EQ(got.file.folders[2].caption, QStringLiteral(".."));
    // Nothing was written beside the set or the jobs.
    EXPECT_EQ(QDir(root.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), (QStringList{"secret.jpg", "set"}));
    EXPECT_EQ(QDir(job.folders.dataFile).entryList({"*.ZBD"}), QStringList{kXmlImportJob + ".ZBD"});

    // A set folder leading outside is refused as a whole.
    const QString head = QStringLiteral("<基礎情報><写真フォルダ名>./../..</写真フォルダ名></基礎情報>");
    writeDelivery(root.file("set2"), head + group(QStringLiteral("<写真ファイル名>secret.jpg</写真ファイル名>")));
    m.clear();
    ASSERT_EQ(runImport(job.folders, root.file("set2"), m).outcome, Outcome::Imported);
    EXPECT_NE(readJob(job.folders).rows[1].picture, secret);
}

TEST(Import, APictureThatIsNoJpegIsKeptAndTold)
{
    zbtest::TempDir root;
    JobFixture job;
    const QString set = writeDelivery(root.file("set"), group(QStringLiteral("<写真ファイル名>a.jpg</写真ファイル名>")));
    zbtest::writeAll(set + "/PIC/a.jpg", "not a picture");
    ScriptedMessages m;
    const DeliveryImportResult r = runImport(job.folders, set, m);
    ASSERT_EQ(r.outcome, Outcome::Imported);
    EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("information: ") + kImportNotJpeg.arg("a.jpg")});
    const Imported got = readJob(job.folders);
    EXPECT_EQ(got.rows[1].picture, QByteArray("not a picture"));
    EXPECT_EQ(got.rows[1].v[F_FILENAME].toString(), QStringLiteral("a"));
    EXPECT_GT(got.rows[1].v[F_THUMBNAIL].toLongLong(), 0);
}

TEST(Import, ABrokenDeliveryLeavesThePreviousImport)
{
    zbtest::TempDir root;
    JobFixture job;
    const QString set = writeDelivery(root.file("set"), group(QStringLiteral("<写真ファイル名>a.jpg</写真ファイル名>")),
                                      {"PIC/a.jpg"});
    ScriptedMessages m;
    ASSERT_EQ(runImport(job.folders, set, m).outcome, Outcome::Imported);
    const JobPaths paths{job.folders.dataFile, kXmlImportJob};
    const QByteArray tree = zbtest::readAll(paths.treeFile());

    QString deep;
    for (int i = 0; i < 31; ++i)
        deep += QStringLiteral("<e>");
    for (int i = 0; i < 31; ++i)
        deep += QStringLiteral("</e>");
    for (const QString& bad : {QStringLiteral("<photodata><写真情報><写真ファイル名>a.jpg</写真ファイル名>"), deep}) {
        zbtest::writeAll(set + QStringLiteral("/PHOTO.XML"), sjis::toBytes(bad));
        for (bool libxml2 : {false, true}) {
            m.clear();
            const DeliveryImportResult r = runImport(job.folders, set, m, libxml2);
            EXPECT_EQ(r.outcome, Outcome::BadXml);
            ASSERT_EQ(m.log.size(), 2);
            EXPECT_TRUE(m.log[1].startsWith(QStringLiteral("information: ") + kXmlFormatError)) << m.log[1].toStdString();
            EXPECT_EQ(zbtest::readAll(paths.treeFile()), tree);
            EXPECT_EQ(readJob(job.folders).rows.size(), 1);
        }
    }
    // A second import replaces the first completely.
    writeDelivery(set, group(QStringLiteral("<写真ファイル名>a.jpg</写真ファイル名>")).repeated(3), {"PIC/a.jpg"});
    m.clear();
    ASSERT_EQ(runImport(job.folders, set, m).outcome, Outcome::Imported);
    EXPECT_EQ(readJob(job.folders).rows.keys(), (QList<RECORD>{1, 2, 3}));
    EXPECT_EQ(runImport(job.folders, root.file("nowhere"), m).outcome, Outcome::NoXml);
    // No scratch folder stays behind.
    EXPECT_EQ(QDir(job.folders.dataFile).entryList({".xmlimport*"}, QDir::AllEntries | QDir::Hidden), QStringList());
}

}  // namespace
