// zbcli album pdf and format pdf: the PDF's pages, their sizes and
// orientations, copies with and without collation, an unknown paper, photos
// embedded as JPEG, and bad command lines.
#include "album/document_file.h"
#include "album/shipped_formats.h"
#include "album/units.h"
#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "store/tree_file.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::album;

namespace {

zbtest::ProgramRun zbcli(const QStringList& args) { return zbtest::runProgram(QStringLiteral(ZBCLI_PATH), args); }

// Each page's MediaBox in points, in page order.
QList<QSizeF> pdfPages(const QByteArray& bytes)
{
    const QString text = QString::fromLatin1(bytes);
    QList<QSizeF> out;
    static const QRegularExpression box(QStringLiteral("/MediaBox \\[\\s*0 0 ([0-9.]+) ([0-9.]+)\\s*\\]"));
    for (auto it = box.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out.append(QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()));
    }
    return out;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TPartsBox rectangle(double left, double top, const QString& caption = {})
{
    TPartsBox p;
    p.Shape = ptRectangle;
    p.PLeft = mm(left);
    p.PTop = mm(top);
    p.PWidth = mm(50);
    p.PHeight = mm(20);
    p.Caption = caption;
    return p;
}

TPartsBox photoFrame(RECORD photo)
{
    TPartsBox p = rectangle(20, 30);
    p.Shape = ptKoumoku;
    p.Caption = QStringLiteral("{2500.写真}");
    p.FormIndex = 1;
    p.PhotoRecord = photo;
    p.PWidth = mm(100);
    p.PHeight = mm(75);
    return p;
}

// An album file with the given pages (number → orientation); page 1 holds a
// photo frame of photo 1, every page a rectangle.
void writeAlbum(const QString& path, const QMap<int, int>& pages, qint32 paper, quint8 orientation = 0)
{
    DocumentFile file;
    file.header.title = QStringLiteral("検査");
    file.header.paperCode = paper;
    file.header.orientation = orientation;
    file.header.offsetX = mm(10);
    file.header.pageStart = 1;
    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        Page page;
        page.orientation = quint8(it.value());
        page.formatName = QStringLiteral("A4縦3連A");
        page.parts << rectangle(10, 10, QStringLiteral("頁"));
        if (it.key() == 1)
            page.parts << photoFrame(1);
        file.pages.insert(it.key(), encodePage(page));
    }
    zbtest::writeAll(path, encodeDocumentFile(file));
}

// A job "J" with one photo (a 2000 × 1500 noisy picture, so that it is stored
// in the PDF as JPEG or as pixels at a visibly different size).
void makeProgramFolder(const QString& root)
{
    QDir(root).mkpath(QStringLiteral("DATAFILE/J/ALBUM"));
    QDir(root).mkpath(QStringLiteral("USERFILE"));
    ASSERT_TRUE(writeShippedFormats(root + QStringLiteral("/FORMFILE")));
    TreeFile tf;
    tf.folders << TreeFolder{QStringLiteral("未分類(写真フォルダ)"), 0, {}};
    tf.folders << TreeFolder{QStringLiteral("工事写真"), 0, {1}};
    tf.folders << TreeFolder{QStringLiteral("ごみ箱"), 0, {}};
    ASSERT_TRUE(writeTreeFile(root + QStringLiteral("/DATAFILE/J.ZBD"), tf));
    QImage picture(2000, 1500, QImage::Format_RGB888);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    QByteArray jpeg;
    SilentMessages quiet;
    ASSERT_TRUE(EncodeJpeg(picture, jpeg, false, 90, quiet));
    TTableNetWork t;
    const PhotoFields f = openOrCreatePhotoTable(root + QStringLiteral("/DATAFILE/J.DB"), {&t}, true);
    t.append();
    t.setValue(f[F_RECORD], 1);
    t.setValue(f[F_TITLE], QStringLiteral("写真1"));
    t.writeBlob(f[F_IMAGE_ORG], jpeg);
    t.setValue(f[F_GRA_FLAG], 0);
    t.post();
}

bool portrait(const QSizeF& s) { return s.width() < s.height(); }

}  // namespace

TEST(PrintCli, AlbumPagesCopiesOrientationAndPaper)
{
    zbtest::TempDir dir;
    const QString root = dir.path();
    makeProgramFolder(root);
    const QString albums = root + QStringLiteral("/DATAFILE/J/ALBUM/");
    writeAlbum(albums + QStringLiteral("A.ZBA"), {{1, 0}, {2, 0}, {3, 1}}, 9);
    const QString out = dir.file("a.pdf");

    // Every page: portrait, portrait, landscape in one file.
    zbtest::ProgramRun r = zbcli({"--root", root, "album", "pdf", "J", "A", out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object()["pages"].toInt(), 3);
    const QByteArray bytes = readAll(out);
    QList<QSizeF> pages = pdfPages(bytes);
    ASSERT_EQ(pages.size(), 3);
    EXPECT_NEAR(pages[0].width(), 595.3, 1.0);  // A4 in points
    EXPECT_NEAR(pages[0].height(), 841.9, 1.0);
    EXPECT_TRUE(portrait(pages[1]));
    EXPECT_FALSE(portrait(pages[2]));
    // The photo is embedded as JPEG, not as its raw pixels.
    EXPECT_TRUE(bytes.contains("/DCTDecode"));
    EXPECT_LT(bytes.size(), 2000 * 1500);

    // Pages 2-3 × 3 copies: 2,2,2,3,3,3 without collation, 2,3,2,3,2,3 with it.
    struct Case {
        bool collate;
        QList<bool> portraits;
    } cases[] = {
        {false, {true, true, true, false, false, false}},
        {true, {true, false, true, false, true, false}},
    };
    for (const Case& c : cases) {
        QStringList args{"--root", root, "album", "pdf", "J", "A", out, "--pages", "2-3", "--copies", "3"};
        if (c.collate)
            args << "--collate";
        r = zbcli(args);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        pages = pdfPages(readAll(out));
        QList<bool> got;
        for (const QSizeF& s : pages)
            got << portrait(s);
        EXPECT_EQ(got, c.portraits) << "collate " << c.collate;
    }

    // A gap prints as an empty page; a range beyond the last page prints nothing.
    writeAlbum(albums + QStringLiteral("G.ZBA"), {{1, 0}, {3, 0}}, 8);
    r = zbcli({"--root", root, "album", "pdf", "J", "G", out, "--dpi", "100"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    pages = pdfPages(readAll(out));
    ASSERT_EQ(pages.size(), 3);
    EXPECT_NEAR(pages[0].width(), 841.9, 1.0);  // A3
    EXPECT_EQ(zbcli({"--root", root, "album", "pdf", "J", "G", out, "--pages", "5-6"}).code, 1);

    // An unknown paper code prints on A4 with a note.
    writeAlbum(albums + QStringLiteral("U.ZBA"), {{1, 1}}, 300, 1);
    r = zbcli({"--root", root, "album", "pdf", "J", "U", out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("paper code 300")) << r.err.toStdString();
    pages = pdfPages(readAll(out));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_NEAR(pages[0].width(), 841.9, 1.0);  // A4 landscape
    EXPECT_NEAR(pages[0].height(), 595.3, 1.0);

    // Bad command lines and targets.
    for (const QStringList& bad : {QStringList{"J", "A"}, QStringList{"J", "A", out, "--pages", "3-2"},
                                   QStringList{"J", "A", out, "--pages", "0"}, QStringList{"J", "A", out, "--copies", "0"},
                                   QStringList{"J", "A", out, "--dpi", "x"}}) {
        EXPECT_EQ(zbcli(QStringList{"--root", root, "album", "pdf"} + bad).code, 2) << bad.join(' ').toStdString();
    }
    EXPECT_EQ(zbcli({"--root", root, "album", "pdf", "J", "ない", out}).code, 1);
    EXPECT_EQ(zbcli({"--root", root, "album", "pdf", "K", "A", out}).code, 1);
    EXPECT_EQ(zbcli({"--root", root, "album", "pdf", "J", "../J", out}).code, 1);
    r = zbcli({"--root", root, "album", "pdf", "J", "A", dir.file("no/such/folder/x.pdf")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("PDF ファイルに書き込めません。"))) << r.err.toStdString();
}

TEST(PrintCli, FormatByNameOrPath)
{
    zbtest::TempDir dir;
    const QString root = dir.path();
    makeProgramFolder(root);
    const QString out = dir.file("f.pdf");
    zbtest::ProgramRun r = zbcli({"--root", root, "format", "pdf", "A4縦3連A", out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QList<QSizeF> pages = pdfPages(readAll(out));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(portrait(pages[0]));
    r = zbcli({"--root", root, "format", "pdf", root + QStringLiteral("/FORMFILE/A4縦3連A.ZBF"), out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(zbcli({"--root", root, "format", "pdf", "ない", out}).code, 1);
    EXPECT_EQ(zbcli({"--root", root, "format", "pdf", "A4縦3連A"}).code, 2);
}
