#include "core/sjis.h"
#include "store/tree_file.h"
#include "support/temp_dir.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace zb;

namespace {

// Builds a length-prefixed string of a given room, the way the file lays it out.
void put(QByteArray& b, int offset, const QByteArray& text)
{
    b[offset] = char(text.size());
    for (int i = 0; i < text.size(); ++i)
        b[offset + 1 + i] = text[i];
}

QByteArray treeRecord(qint8 level, const QByteArray& text)
{
    QByteArray r(52, '\0');
    r[0] = char(level);
    put(r, 1, text);
    return r;
}

QByteArray stream(qint32 count, const QList<QByteArray>& records)
{
    QByteArray b(4, '\0');
    qToLittleEndian(count, b.data());
    for (const QByteArray& r : records)
        b += r;
    return b;
}

QByteArray sj(const char16_t* s) { return sjis::toBytes(QString::fromUtf16(s)); }

}  // namespace

namespace zb {
// Readable failure output for hierarchies.
void PrintTo(const TreeFolder& f, std::ostream* os)
{
    *os << f.depth << ":" << f.caption.toStdString() << "[";
    for (RECORD r : f.photos)
        *os << r << " ";
    *os << "]";
}
}  // namespace zb

TEST(TreeFile, HeaderFieldsLieAtTheirOffsets)
{
    JobHeader h;
    h.progress = 3;
    h.fiscalYear = 2026;
    // Every text field gets a distinct value so that a swapped offset shows.
    int n = 0;
    for (const HeaderTextField& f : headerTextFields())
        h.*(f.member) = QStringLiteral("%1").arg(++n);
    h.constructionName = QStringLiteral("国道１号線改良工事");
    const QByteArray bytes = encodeHeader(h);
    ASSERT_EQ(bytes.size(), 1817);

    QByteArray expected(1817, '\0');
    qToLittleEndian<qint32>(10000, expected.data());
    expected[8] = 3;
    qToLittleEndian<qint16>(2026, expected.data() + 153);
    const int offsets[] = {9, 30, 81, 132, 155, 283, 411, 667, 795, 804, 813, 846, 879, 912, 921, 1177, 1305, 1561};
    for (int i = 0; i < 18; ++i)
        put(expected, offsets[i], QByteArray::number(i + 1));
    put(expected, 411, sj(u"国道１号線改良工事"));
    EXPECT_EQ(bytes.toHex().toStdString(), expected.toHex().toStdString());

    ReadReport report;
    EXPECT_EQ(decodeHeader(bytes, &report), h);
    EXPECT_FALSE(report.damaged);
}

TEST(TreeFile, NewHeaderTakesContractorValues)
{
    const QString code = QString(130, QLatin1Char('9'));
    JobHeader h = newJobHeader(QStringLiteral("山田建設"), code, QStringLiteral("備考"));
    const QByteArray b = encodeHeader(h);
    EXPECT_EQ(qFromLittleEndian<qint32>(b.constData()), 10000);
    EXPECT_EQ(b.mid(921, 9), QByteArray(1, 8) + sj(u"山田建設"));
    EXPECT_EQ(quint8(b[1177]), 127);  // code cut to its room
    EXPECT_EQ(b.mid(1561, 5), QByteArray(1, 4) + sj(u"備考"));
    EXPECT_EQ(b.count(QByteArrayView("\0", 1)), 1817 - 2 - 9 - 128 - 5);
}

TEST(TreeFile, HierarchyWithPhotoReferencesRoundTrips)
{
    Hierarchy h = defaultHierarchy();
    h[0].photos = {5, 3};
    h[3].photos = {1};
    const QByteArray bytes = encodeHierarchy(h, true);
    // count, then folder records with their photo references right after them
    QList<QByteArray> records;
    for (const TreeFolder& f : h) {
        records << treeRecord(qint8(f.depth), sjis::toBytes(f.caption));
        for (RECORD r : f.photos)
            records << treeRecord(qint8(-1), QByteArray::number(r));
    }
    EXPECT_EQ(bytes, stream(records.size(), records));
    ReadReport report;
    EXPECT_EQ(decodeHierarchy(bytes, &report), h);
    EXPECT_FALSE(report.damaged);

    // A template leaves the photo references out.
    Hierarchy bare = h;
    for (TreeFolder& f : bare)
        f.photos.clear();
    EXPECT_EQ(decodeHierarchy(encodeHierarchy(h, false)), bare);
}

TEST(TreeFile, CaptionsAreCutToFiftyBytesAtACharacterBoundary)
{
    Hierarchy h = defaultHierarchy();
    h[2].caption = QString(30, QChar(u'あ'));    // 60 bytes
    h[3].caption = QStringLiteral("a") + QString(30, QChar(u'い'));  // 61 bytes, cut to 49
    const Hierarchy back = decodeHierarchy(encodeHierarchy(h, true));
    EXPECT_EQ(back[2].caption, QString(25, QChar(u'あ')));
    EXPECT_EQ(back[3].caption, QStringLiteral("a") + QString(24, QChar(u'い')));
}

TEST(TreeFile, FixedFoldersAreRepairedOnReading)
{
    struct Case {
        const char* name;
        QList<QByteArray> records;
        QStringList topLevel;
    };
    const Case cases[] = {
        {"captions replaced, recycle bin appended",
         {treeRecord(0, "A"), treeRecord(0, "B"), treeRecord(1, "child"), treeRecord(0, "C")},
         {QStringLiteral("未分類(写真フォルダ)"), QStringLiteral("工事写真"), "C", QStringLiteral("ごみ箱")}},
        {"recycle bin kept when last",
         {treeRecord(0, "A"), treeRecord(0, "B"), treeRecord(0, sj(u"ごみ箱"))},
         {QStringLiteral("未分類(写真フォルダ)"), QStringLiteral("工事写真"), QStringLiteral("ごみ箱")}},
        {"empty stream gets the three fixed folders", {}, {QStringLiteral("未分類(写真フォルダ)"), QStringLiteral("工事写真"), QStringLiteral("ごみ箱")}},
    };
    for (const Case& c : cases) {
        const Hierarchy h = decodeHierarchy(stream(c.records.size(), c.records));
        QStringList top;
        for (const TreeFolder& f : h)
            if (f.depth == 0)
                top << f.caption;
        EXPECT_EQ(top, c.topLevel) << c.name;
    }
}

TEST(TreeFile, DamagedStreamsAreReadAsFarAsTheyAreSound)
{
    const QByteArray good = stream(3, {treeRecord(0, "A"), treeRecord(-1, "7"), treeRecord(0, "B")});
    struct Case {
        const char* name;
        QByteArray bytes;
        QList<RECORD> unclassified;
    };
    QByteArray longString = good;
    longString[4 + 1] = char(200);  // length byte beyond the room of 50
    const Case cases[] = {
        {"huge count", stream(0x7FFFFFFF, {treeRecord(0, "A"), treeRecord(-1, "7")}), {7}},
        {"negative count", stream(-5, {treeRecord(0, "A"), treeRecord(-1, "7")}), {7}},
        {"cut in the middle of a record", good.left(4 + 52 + 30), {}},
        {"short count", QByteArray("\x01\x00", 2), {}},
        {"length byte beyond its room", longString, {7}},
        {"photo reference that is not a number", stream(2, {treeRecord(0, "A"), treeRecord(-1, "x")}), {}},
    };
    for (const Case& c : cases) {
        ReadReport report;
        const Hierarchy h = decodeHierarchy(c.bytes, &report);
        EXPECT_TRUE(report.damaged) << c.name;
        ASSERT_FALSE(h.isEmpty()) << c.name;
        EXPECT_EQ(h[0].photos, c.unclassified) << c.name;
        EXPECT_EQ(h.back().caption, QStringLiteral("ごみ箱")) << c.name;
    }
}

TEST(TreeFile, PhotoReferencesBeforeAnyFolderGoToUnclassified)
{
    const Hierarchy h = decodeHierarchy(stream(3, {treeRecord(-1, "4"), treeRecord(0, "A"), treeRecord(-1, "9")}));
    EXPECT_EQ(h[0].photos, (QList<RECORD>{4, 9}));
}

TEST(TreeFile, FileAndTemplateRoundTripAndShortHeaderIsReported)
{
    zbtest::TempDir dir;
    TreeFile tf;
    tf.header = newJobHeader(QStringLiteral("請負"), QString(), QString());
    tf.header.projectName = QStringLiteral("事業");
    tf.folders = defaultHierarchy();
    tf.folders[1].photos = {2, 1};
    ASSERT_TRUE(writeTreeFile(dir.file("J.ZBD"), tf));
    ReadReport report;
    auto back = readTreeFile(dir.file("J.ZBD"), &report);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->header, tf.header);
    EXPECT_EQ(back->folders, tf.folders);
    EXPECT_FALSE(report.damaged);
    EXPECT_EQ(readHeaderPrefix(dir.file("J.ZBD"))->projectName, QStringLiteral("事業"));

    ASSERT_TRUE(writeTemplate(dir.file("T.ZBT"), tf.folders));
    auto tmpl = readTemplate(dir.file("T.ZBT"));
    ASSERT_TRUE(tmpl);
    EXPECT_TRUE((*tmpl)[1].photos.isEmpty());
    EXPECT_EQ(tmpl->size(), tf.folders.size());

    zbtest::writeAll(dir.file("S.ZBD"), QByteArray(100, '\0'));
    ReadReport shortReport;
    auto s = readTreeFile(dir.file("S.ZBD"), &shortReport);
    ASSERT_TRUE(s);
    EXPECT_TRUE(shortReport.damaged);
    EXPECT_EQ(s->folders.size(), 3);

    ReadReport missing;
    EXPECT_FALSE(readTreeFile(dir.file("none.ZBD"), &missing));
    EXPECT_TRUE(missing.damaged);
}
