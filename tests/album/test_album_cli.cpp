#include "album/document_file.h"
#include "album/shipped_formats.h"
#include "imaging/jpeg_codec.h"
#include "core/ports.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "store/tree_file.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace zb;

namespace {

zbtest::ProgramRun zbcli(const QStringList& args)
{
    return zbtest::runProgram(QStringLiteral(ZBCLI_PATH), args);
}

// A job "J" with four filed photos (green pictures, titles 写真1 …) and one
// unfiled photo, and the shipped formats in FORMFILE/.
void makeProgramFolder(const QString& root)
{
    QDir(root).mkpath(QStringLiteral("DATAFILE/J"));
    QDir(root).mkpath(QStringLiteral("USERFILE"));
    ASSERT_TRUE(album::writeShippedFormats(root + QStringLiteral("/FORMFILE")));
    TreeFile tf;
    tf.header.constructionName = QStringLiteral("護岸工事");
    tf.folders << TreeFolder{QStringLiteral("未分類(写真フォルダ)"), 0, {5}};
    tf.folders << TreeFolder{QStringLiteral("工事写真"), 0, {}};
    tf.folders << TreeFolder{QStringLiteral("着手前"), 1, {}};
    tf.folders << TreeFolder{QStringLiteral("区分"), 2, {3, 1}};
    tf.folders << TreeFolder{QStringLiteral("別区分"), 2, {4, 2}};
    tf.folders << TreeFolder{QStringLiteral("ごみ箱"), 0, {}};
    ASSERT_TRUE(writeTreeFile(root + QStringLiteral("/DATAFILE/J.ZBD"), tf));
    QImage picture(640, 480, QImage::Format_RGB888);
    picture.fill(qRgb(0, 200, 0));
    QByteArray jpeg;
    SilentMessages quiet;
    ASSERT_TRUE(EncodeJpeg(picture, jpeg, false, 90, quiet));
    TTableNetWork t;
    const PhotoFields f = openOrCreatePhotoTable(root + QStringLiteral("/DATAFILE/J.DB"), {&t}, true);
    for (int record = 1; record <= 5; ++record) {
        t.append();
        t.setValue(f[F_RECORD], record);
        t.setValue(f[F_TITLE], QStringLiteral("写真%1").arg(record));
        t.writeBlob(f[F_IMAGE_ORG], jpeg);
        t.setValue(f[F_GRA_FLAG], 0);
        t.post();
    }
}

}  // namespace

TEST(AlbumCli, NewShowRender)
{
    zbtest::TempDir dir;
    makeProgramFolder(dir.path());
    const QString root = dir.path();

    zbtest::ProgramRun r = zbcli({"--root", root, "album", "new", "J", "第1回", "--format", "A4縦3連A"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject made = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(made["photos"].toInt(), 4);
    EXPECT_EQ(made["pages"].toArray(), (QJsonArray{1, 2}));
    const QString file = root + QStringLiteral("/DATAFILE/J/ALBUM/第1回.ZBA");
    ASSERT_TRUE(QFile::exists(file));

    // An existing album is refused without --overwrite.
    r = zbcli({"--root", root, "album", "new", "J", "第1回", "--format", "A4縦3連A", "--records", "2"});
    EXPECT_EQ(r.code, 1);
    // A record without a row is refused before anything is written.
    r = zbcli({"--root", root, "album", "new", "J", "第1回", "--format", "A4縦3連A", "--records", "2,99,1",
               "--overwrite"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("99")) << r.err.toStdString();
    r = zbcli({"--root", root, "album", "new", "J", "第1回", "--format", "A4縦3連A", "--records", "2,1",
               "--title", "検査用", "--overwrite"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object()["photos"].toInt(), 2);

    r = zbcli({"--root", root, "album", "show", file});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QJsonObject shown = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(shown["kind"].toString(), QStringLiteral("album"));
    EXPECT_EQ(shown["header"].toObject()["title"].toString(), QStringLiteral("検査用"));
    const QJsonArray pages = shown["pages"].toArray();
    ASSERT_EQ(pages.size(), 1);
    const QJsonObject page = pages[0].toObject();
    EXPECT_EQ(page["format"].toString(), QStringLiteral("A4縦3連A"));
    QStringList titles;
    QList<int> framed;
    for (const QJsonValue& v : page["parts"].toArray()) {
        const QJsonObject part = v.toObject();
        if (part["Caption"].toString() == QStringLiteral("{2500.写真}"))
            framed << part["PhotoRecord"].toInt();
        if (part["Caption"].toString().startsWith(QStringLiteral("写真")))
            titles << part["Caption"].toString();
        if (part["Caption"].toString() == QStringLiteral("護岸工事")) {
            EXPECT_EQ(part["FormIndex"].toInt(), 0);
        }
    }
    EXPECT_EQ(framed, (QList<int>{2, 1}));
    EXPECT_EQ(titles, (QStringList{QStringLiteral("写真2"), QStringLiteral("写真1")}));
    const QJsonObject first = page["parts"].toArray()[0].toObject();
    for (const char* key : {"Shape", "PLeft", "PTop", "PWidth", "PHeight", "FormIndex", "PenWidth", "Brush",
                            "BrushColor", "Diagonal", "Direction", "Arrow", "MeisaiLine", "Caption", "Font",
                            "Alignment", "Layout", "Rotate", "Pitch", "LinePitch", "Justfit", "Kage", "KageColor",
                            "Waku", "WakuColor", "PictureStream", "PhotoRecord", "RefRecord", "Points"})
        EXPECT_TRUE(first.contains(QLatin1String(key))) << key;

    const QString png = dir.file("page.png");
    r = zbcli({"--root", root, "album", "render", file, "1", png, "--job", "J"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QImage image(png);
    ASSERT_EQ(image.size(), QSize(1240, 1754));  // A4 at 150 dpi
    // The middle of slot 1's frame (15 + 52 mm, 22 + 39 mm) shows the green photo.
    const QRgb c = image.pixel(396, 360);
    EXPECT_LT(qRed(c), 40);
    EXPECT_GT(qGreen(c), 160);
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));
    // Without the job the frames stay empty; on the screen path at 96 dpi.
    r = zbcli({"--root", root, "album", "render", file, "1", png, "--dpi", "96", "--screen"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(png).size(), QSize(794, 1123));

    // Damaged documents and bad command lines.
    zbtest::writeAll(dir.file("bad.ZBA"), QByteArray(200, '\xFF'));
    r = zbcli({"--root", root, "album", "show", dir.file("bad.ZBA")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(album::kDamagedDocument)) << r.err.toStdString();
    EXPECT_EQ(zbcli({"--root", root, "album", "render", file, "0", png}).code, 2);
    EXPECT_EQ(zbcli({"--root", root, "album", "render", file, "7", png}).code, 1);
    EXPECT_EQ(zbcli({"--root", root, "album", "new", "J", "x"}).code, 2);
    EXPECT_EQ(zbcli({"--root", root, "album", "new", "J", "x", "--format", "ない"}).code, 1);
    r = zbcli({"--root", root, "album", "new", "J", "x", "--format", "表書き"});
    EXPECT_EQ(r.code, 1);
}
