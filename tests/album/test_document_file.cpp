#include "album/document_file.h"
#include "core/sjis.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace zb::album;

namespace {

qint64 i64At(const QByteArray& b, int at) { return qFromLittleEndian<qint64>(b.constData() + at); }
qint32 i32At(const QByteArray& b, int at) { return qFromLittleEndian<qint32>(b.constData() + at); }
quint8 u8At(const QByteArray& b, int at) { return quint8(b[at]); }

// A part with every field set to a value no other field has.
TPartsBox distinctPart()
{
    TPartsBox p;
    p.PenWidth = 1111;
    p.PenStyle = psDashDot;
    p.BrushColor = 0x00030201;
    p.Brush = bsCross;
    p.Font = {QStringLiteral("ＭＳ ゴシック"), 14, 0x00060504, fsBold | fsUnderline};
    p.Kage = fkRightBottom;
    p.KageColor = 0x00090807;
    p.Waku = true;
    p.WakuColor = 0x000C0B0A;
    p.LinePitch = 2222;
    p.Rotate = rs270;
    p.ImageOrientation = 2;
    p.Shape = ptPicture;
    p.Diagonal = 77;
    p.Caption = QStringLiteral("写真{2010.写真タイトル}");
    p.Arrow = arwRight;
    p.RefWidth = 640;
    p.RefHeight = 480;
    p.Direction = true;
    p.Alignment = taRightJustify;
    p.Layout = tlBottom;
    p.Pitch = 3333;
    p.Justfit = true;
    p.FormIndex = 17;
    p.MeisaiLine = 9;
    p.PLeft = 44444;
    p.PTop = 55555;
    p.PWidth = 666666;
    p.PHeight = 777777;
    p.MirrorH = true;
    p.MirrorV = true;
    p.PhotoRecord = 123456;
    p.PenColor = 0x000F0E0D;
    p.RefRecord = 654321;
    p.Points = {QPoint(1, 2), QPoint(-3, 4)};
    p.PictureStream = {QByteArray("\xFF\xD8\xFFpicture", 10), QStringLiteral("JPG")};
    return p;
}

}  // namespace

TEST(DocumentFile, HeaderLayout)
{
    TGrphFileHeader h;
    h.cover = true;
    h.title = QStringLiteral("工事写真帳");
    h.paperCode = 8;
    h.orientation = 1;
    h.offsetX = 12345;
    h.offsetY = -6789;
    h.pageStart = -3;
    h.pageCount = 4;
    h.maxSlot = 3;
    h.maxDrawing = 2;
    h.previewLength = 99;
    const QByteArray b = encodeFileHeader(h);
    ASSERT_EQ(b.size(), 119);
    EXPECT_EQ(b.left(8), QByteArray(8, '\0'));
    EXPECT_EQ(u8At(b, 8), 1);
    const QByteArray title = zb::sjis::toBytes(h.title);
    EXPECT_EQ(u8At(b, 9), title.size());
    EXPECT_EQ(b.mid(10, title.size()), title);
    EXPECT_EQ(b.mid(10 + title.size(), 40 - title.size()), QByteArray(40 - title.size(), '\0'));
    EXPECT_EQ(i32At(b, 50), 8);
    EXPECT_EQ(u8At(b, 54), 1);
    EXPECT_EQ(i64At(b, 55), 12345);
    EXPECT_EQ(i64At(b, 63), -6789);
    EXPECT_EQ(qFromLittleEndian<qint16>(b.constData() + 71), -3);
    EXPECT_EQ(b.mid(73, 30), QByteArray(30, '\0'));
    EXPECT_EQ(i32At(b, 103), 4);
    EXPECT_EQ(i32At(b, 107), 3);
    EXPECT_EQ(i32At(b, 111), 2);
    EXPECT_EQ(i32At(b, 115), 99);
    EXPECT_EQ(decodeFileHeader(b), h);
}

TEST(DocumentFile, LongTitleCutAtCharacterBoundary)
{
    TGrphFileHeader h;
    // 21 double-byte characters are 42 bytes: 20 of them fit the 40-byte room,
    // and a single byte before them moves the boundary to 39 bytes.
    h.title = QStringLiteral("A") + QString(21, QChar(0x5199));
    const QByteArray b = encodeFileHeader(h);
    EXPECT_EQ(u8At(b, 9), 39);
    EXPECT_EQ(decodeFileHeader(b)->title, QStringLiteral("A") + QString(19, QChar(0x5199)));
}

TEST(DocumentFile, PartRecordLayout)
{
    const TPartsBox p = distinctPart();
    const QByteArray b = encodePart(p);
    const QByteArray font = zb::sjis::toBytes(p.Font.name), caption = zb::sjis::toBytes(p.Caption);
    ASSERT_EQ(b.size(), 158 + font.size() + caption.size() + 16 + 10);
    EXPECT_EQ(i64At(b, 0), 1111);
    EXPECT_EQ(u8At(b, 8), psDashDot);
    EXPECT_EQ(i32At(b, 9), 0x00030201);
    EXPECT_EQ(u8At(b, 13), bsCross);
    EXPECT_EQ(i32At(b, 14), font.size());
    EXPECT_EQ(i32At(b, 18), 14);
    EXPECT_EQ(i32At(b, 22), 0x00060504);
    EXPECT_EQ(u8At(b, 26), fsBold | fsUnderline);
    EXPECT_EQ(u8At(b, 27), fkRightBottom);
    EXPECT_EQ(i32At(b, 28), 0x00090807);
    EXPECT_EQ(u8At(b, 32), 1);
    EXPECT_EQ(i32At(b, 33), 0x000C0B0A);
    EXPECT_EQ(i64At(b, 37), 2222);
    EXPECT_EQ(u8At(b, 45), rs270);
    EXPECT_EQ(u8At(b, 46), 2);
    EXPECT_EQ(u8At(b, 47), ptPicture);
    EXPECT_EQ(u8At(b, 48), 77);
    EXPECT_EQ(i32At(b, 49), caption.size());
    EXPECT_EQ(u8At(b, 53), arwRight);
    EXPECT_EQ(i32At(b, 54), 640);
    EXPECT_EQ(i32At(b, 58), 480);
    EXPECT_EQ(u8At(b, 62), 1);
    EXPECT_EQ(u8At(b, 63), taRightJustify);
    EXPECT_EQ(u8At(b, 64), tlBottom);
    EXPECT_EQ(i64At(b, 65), 3333);
    EXPECT_EQ(u8At(b, 73), 1);
    EXPECT_EQ(u8At(b, 74), 17);
    EXPECT_EQ(u8At(b, 75), 9);
    EXPECT_EQ(i64At(b, 76), 44444);
    EXPECT_EQ(i64At(b, 84), 55555);
    EXPECT_EQ(i64At(b, 92), 666666);
    EXPECT_EQ(i64At(b, 100), 777777);
    EXPECT_EQ(u8At(b, 108), 1);
    EXPECT_EQ(u8At(b, 109), 1);
    EXPECT_EQ(i32At(b, 110), 123456);
    EXPECT_EQ(i32At(b, 114), 0x000F0E0D);
    EXPECT_EQ(i32At(b, 118), 654321);
    EXPECT_EQ(b.mid(122, 24), QByteArray(24, '\0'));
    EXPECT_EQ(i32At(b, 146), 2);
    EXPECT_EQ(i32At(b, 150), 10);
    EXPECT_EQ(b.mid(154, 4), QByteArray("\x03JPG", 4));
    // Tails: font name, caption, points, picture.
    int at = 158;
    EXPECT_EQ(b.mid(at, font.size()), font);
    at += font.size();
    EXPECT_EQ(b.mid(at, caption.size()), caption);
    at += caption.size();
    EXPECT_EQ(i32At(b, at), 1);
    EXPECT_EQ(i32At(b, at + 4), 2);
    EXPECT_EQ(i32At(b, at + 8), -3);
    EXPECT_EQ(i32At(b, at + 12), 4);
    EXPECT_EQ(b.mid(at + 16), p.PictureStream.bytes);

    Page page;
    page.parts = {p};
    const std::optional<Page> back = decodePage(encodePage(page));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->parts.value(0), p);
}

TEST(DocumentFile, EmptyTailsAndPictureWithoutBytes)
{
    TPartsBox p;
    p.Font.name.clear();
    p.Shape = ptPicture;
    const QByteArray b = encodePart(p);
    ASSERT_EQ(b.size(), 158);
    EXPECT_EQ(i32At(b, 14), 0);
    EXPECT_EQ(i32At(b, 49), 0);
    EXPECT_EQ(i32At(b, 150), 0);
    EXPECT_EQ(b.mid(154, 4), QByteArray(4, '\0'));
    // A picture kept on another kind of part is not written.
    p.Shape = ptRectangle;
    p.PictureStream = {QByteArray("abc"), QStringLiteral("JPG")};
    EXPECT_EQ(encodePart(p).size(), 158);
}

TEST(DocumentFile, PageHeaderLayout)
{
    Page page;
    page.orientation = 1;
    page.formatName = QStringLiteral("A4縦3連A");
    page.parts = {TPartsBox{}, TPartsBox{}};
    const QByteArray b = encodePage(page);
    const QByteArray name = zb::sjis::toBytes(page.formatName);
    EXPECT_EQ(u8At(b, 0), 1);
    EXPECT_EQ(i32At(b, 1), name.size());
    EXPECT_EQ(b.mid(5, 28), QByteArray(28, '\0'));
    EXPECT_EQ(i32At(b, 33), 2);
    EXPECT_EQ(b.mid(37, name.size()), name);
    EXPECT_EQ(b.size(), 37 + name.size() + 2 * 158 + 2 * zb::sjis::toBytes(TPartsBox{}.Font.name).size());
    EXPECT_EQ(decodePage(b), page);
    // An empty stream is an empty page.
    const std::optional<Page> empty = decodePage(QByteArray());
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->parts.isEmpty());
}

TEST(DocumentFile, DirectoryOfPagesWithGaps)
{
    DocumentFile f;
    f.header.title = QStringLiteral("写真帳");
    for (int n : {1, 2, 5}) {
        Page p;
        TPartsBox part;
        part.PhotoRecord = n;
        p.parts = {part};
        f.pages.insert(n, encodePage(p));
    }
    const QByteArray b = encodeDocumentFile(f);
    EXPECT_EQ(i32At(b, 103), 3);
    EXPECT_EQ(i32At(b, 115), 0);
    const int dir = 119;
    int expectedOffset = dir + 3 * 8;
    for (int i = 0; i < 3; ++i) {
        const int n = QList<int>{1, 2, 5}[i];
        EXPECT_EQ(i32At(b, dir + i * 8), n);
        EXPECT_EQ(i32At(b, dir + i * 8 + 4), f.pages[n].size());
        EXPECT_EQ(b.mid(expectedOffset, f.pages[n].size()), f.pages[n]);
        expectedOffset += f.pages[n].size();
    }
    EXPECT_EQ(expectedOffset, b.size());
    const std::optional<DocumentFile> back = decodeDocumentFile(b);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pages.keys(), (QList<int>{1, 2, 5}));
    EXPECT_EQ(back->pages, f.pages);
}

TEST(DocumentFile, DamagedFilesRefused)
{
    DocumentFile f;
    Page p;
    TPartsBox part;
    part.Caption = QStringLiteral("abc");
    part.Points = {QPoint(1, 1)};
    p.parts = {part};
    f.pages.insert(1, encodePage(p));
    const QByteArray good = encodeDocumentFile(f);
    ASSERT_TRUE(decodeDocumentFile(good));
    const int page = 119 + 8, rec = page + 37 + zb::sjis::toBytes(p.formatName).size();
    struct Case {
        const char* what;
        int at;
        qint32 value;
        bool pageLevel;  // the file reads, the page stream is refused
    } cases[] = {
        {"directory count beyond the file", 103, 1000000, false},
        {"negative directory count", 103, -1, false},
        {"preview beyond the file", 115, 0x7FFFFFFF, false},
        {"page number 0", 119, 0, false},
        {"page number 1000", 119, 1000, false},
        {"page length beyond the file", 123, 1 << 30, false},
        {"negative page length", 123, -5, false},
        {"format name beyond the page", page + 1, 1 << 28, true},
        {"part count beyond the page", page + 33, 1 << 26, true},
        {"font name beyond the page", rec + 14, 1 << 30, true},
        {"caption beyond the page", rec + 49, 0x7FFFFFF0, true},
        {"points beyond the page", rec + 146, 0x10000000, true},
        {"picture beyond the page", rec + 150, 1 << 29, true},
        {"negative caption length", rec + 49, -1, true},
    };
    for (const Case& c : cases) {
        QByteArray b = good;
        qToLittleEndian(c.value, b.data() + c.at);
        QString error;
        const std::optional<DocumentFile> d = decodeDocumentFile(b, &error);
        if (!c.pageLevel) {
            EXPECT_FALSE(d) << c.what;
            EXPECT_FALSE(error.isEmpty()) << c.what;
            continue;
        }
        ASSERT_TRUE(d) << c.what;
        EXPECT_FALSE(decodePage(d->pages.value(1), &error)) << c.what;
    }
    QByteArray unknownKind = f.pages[1];
    unknownKind[37 + 47] = char(14);
    EXPECT_FALSE(decodePage(unknownKind));
    for (int n = 0; n < good.size(); ++n)
        (void)decodeDocumentFile(good.left(n));  // every cut: no read past the end
    EXPECT_FALSE(decodeDocumentFile(good.left(118)));
}
