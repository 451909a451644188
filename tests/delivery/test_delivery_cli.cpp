#include "core/sjis.h"
#include "delivery/delivery_import.h"
#include "delivery_fixtures.h"
#include "support/run_program.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

using namespace zb;
using zbtest::JobFixture;
using zbtest::TestPhoto;

namespace {

zbtest::ProgramRun zbcli(const JobFixture& job, QStringList args)
{
    args.prepend(job.dir.path());
    args.prepend(QStringLiteral("--root"));
    return zbtest::runProgram(QStringLiteral(ZBCLI_PATH), args);
}

QString text(const QByteArray& b) { return QString::fromUtf8(b); }

TEST(DeliveryCli, ExportImportTreeAndHtml)
{
    JobFixture job;
    job.add(TestPhoto{1, {{F_TITLE, QStringLiteral("一枚目")}}, 0, 0, {2, 0, 0}});
    job.add(TestPhoto{2});
    job.add(TestPhoto{3, {{F_TITLE, QStringLiteral("三枚目")}}});
    job.tree = {{kUnclassifiedCaption, 0, {}},
                {kPhotoRootCaption, 0, {}},
                {QStringLiteral("工事"), 1, {}},
                {QStringLiteral("施工状況写真"), 2, {1, 3}},
                {kRecycleCaption, 0, {}}};
    job.finish();
    const QString out = job.folder(QStringLiteral("out"));

    zbtest::ProgramRun r = zbcli(job, {"xml", "export", "JOB", out, "--standard", "draft"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(text(r.err).contains(QStringLiteral("【工事情報】に未入力項目があります。")));
    const QJsonObject summary = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(summary.value("photos").toInt(), 2);
    EXPECT_EQ(summary.value("drawings").toInt(), 1);
    EXPECT_TRUE(QFileInfo::exists(out + "/PHOTO/DRA/DRA00002.JPG"));

    r = zbcli(job, {"xml", "export", "JOB", out, "--standard", "draft"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(text(r.err).contains(QStringLiteral("【PHOTO】フォルダが既に存在します。")));
    r = zbcli(job, {"xml", "export", "JOB", out, "--standard", "draft", "--disc-size", "10", "--viewer", "2", "--original"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(out + "/DISK1/PHOTO/PHOTO.XML"));
    EXPECT_NE(zbcli(job, {"xml", "export", "JOB", out, "--disc-size", "9"}).code, 0);

    QFile::remove(out + "/PHOTO/PIC/PIC00003.JPG");
    r = zbcli(job, {"xml", "import", out + "/PHOTO"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(text(r.out), kXmlImportJob + "\n");
    EXPECT_EQ(text(r.err), QStringLiteral("DUMMY.JPG: PIC00003.JPG\n"));
    EXPECT_TRUE(QFileInfo::exists(job.folders.dataFile + kXmlImportJob + ".ZBD"));

    r = zbcli(job, {"xml", "tree", out + "/PHOTO/PHOTO.XML"});
    ASSERT_EQ(r.code, 0);
    const QJsonArray top = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(top.size(), 1);
    EXPECT_EQ(top[0].toObject().value("caption").toString(), QStringLiteral("photodata"));
    const QJsonObject basic = top[0].toObject().value("children").toArray()[0].toObject();
    EXPECT_EQ(basic.value("caption").toString(), QStringLiteral("基礎情報"));
    EXPECT_EQ(basic.value("children").toArray()[0].toObject().value("value").toString(), QStringLiteral("1.0"));

    zbtest::writeAll(out + "/bad.xml", "<a>\r\n<b>1</b>\r\n");
    for (const QStringList& extra : {QStringList{}, QStringList{"--libxml2"}}) {
        r = zbcli(job, QStringList{"xml", "tree", out + "/bad.xml"} + extra);
        EXPECT_EQ(r.code, 1);
        EXPECT_TRUE(text(r.err).startsWith(QStringLiteral("XMLファイルのフォーマットが不正です。\n\n内容 > \"")))
            << r.err.toStdString();
    }
    zbtest::writeAll(out + "/PHOTO/PHOTO.XML", "<photodata>");
    r = zbcli(job, {"xml", "import", out + "/PHOTO"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(text(r.err).startsWith(QStringLiteral("XMLファイルのフォーマットが不正です。")));

    r = zbcli(job, {"html", "JOB", out});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(text(r.out), out + "/ALBUM/ALBUM.HTM\n");
    EXPECT_TRUE(QFileInfo::exists(out + "/ALBUM/HTML/PAGE3.HTM"));
    EXPECT_EQ(zbcli(job, {"html", "JOB", out}).code, 1);
}

TEST(DeliveryCli, CurrentLayoutExportAndCheck)
{
    JobFixture job;
    job.header.startDate = QStringLiteral("20240401");
    job.header.endDate = QStringLiteral("20250331");
    job.add(TestPhoto{7, {{F_TITLE, QStringLiteral("床掘①")}, {F_DATE, QStringLiteral("20240315")}}});
    job.tree = {{kUnclassifiedCaption, 0, {}},
                {kPhotoRootCaption, 0, {}},
                {QStringLiteral("工事"), 1, {}},
                {QStringLiteral("施工状況写真"), 2, {7}},
                {kRecycleCaption, 0, {}}};
    job.finish();
    const QString out = job.folder(QStringLiteral("out"));

    // Options of the draft only, and an unknown edition, are usage errors.
    for (const QStringList& bad : {QStringList{"--original"}, QStringList{"--viewer", "1"},
                                   QStringList{"--standard", "土木202303-01", "--viewer", "2"},
                                   QStringList{"--standard", "土木200601-01"}}) {
        const zbtest::ProgramRun r = zbcli(job, QStringList{"xml", "export", "JOB", out} + bad);
        EXPECT_EQ(r.code, 2) << bad.join(" ").toStdString();
        EXPECT_FALSE(QFileInfo::exists(out + "/PHOTO"));
    }

    // The findings go to standard error and the export goes on.
    zbtest::ProgramRun r = zbcli(job, {"xml", "export", "JOB", out, "--viewer", "0"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(text(r.err).contains(
        QStringLiteral("[警告] シリアル番号 7: P0000007.JPG: 撮影年月日「2024-03-15」が工期（2024-04-01～2025-03-31）の外です。")))
        << r.err.toStdString();
    EXPECT_TRUE(text(r.err).contains(QStringLiteral("[エラー] シリアル番号 7: P0000007.JPG: 写真タイトルに使えない文字があります: 機種依存文字「①」は使えません")))
        << r.err.toStdString();
    EXPECT_TRUE(QFileInfo::exists(out + "/PHOTO/PIC/P0000007.JPG"));
    EXPECT_TRUE(QFileInfo::exists(out + "/PHOTO/PHOTO05.DTD"));
    EXPECT_EQ(zbtest::validateAgainstDtd(out + "/PHOTO/PHOTO.XML"), QString());

    r = zbcli(job, {"xml", "check", out + "/PHOTO"});
    EXPECT_EQ(r.code, 3) << r.err.toStdString();
    const QJsonArray findings = QJsonDocument::fromJson(r.out).array();
    ASSERT_EQ(findings.size(), 1) << r.out.toStdString();
    EXPECT_EQ(findings[0].toObject(),
              (QJsonObject{{"level", "error"},
                           {"serial", 7},
                           {"file", "P0000007.JPG"},
                           {"element", QStringLiteral("写真タイトル")},
                           {"message", QStringLiteral("写真タイトルに使えない文字があります: 機種依存文字「①」は使えません")}}));

    // Mended, the set passes; a folder without PHOTO.XML is not readable.
    QByteArray xml = zbtest::readAll(out + "/PHOTO/PHOTO.XML");
    xml.replace(sjis::toBytes(QStringLiteral("床掘①")), sjis::toBytes(QStringLiteral("床掘1")));
    zbtest::writeAll(out + "/PHOTO/PHOTO.XML", xml);
    r = zbcli(job, {"xml", "check", out + "/PHOTO"});
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(r.out).array(), QJsonArray());
    EXPECT_EQ(zbcli(job, {"xml", "check", out}).code, 1);

    // And it reads back.
    r = zbcli(job, {"xml", "import", out + "/PHOTO"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(text(r.err), QString());
}

}  // namespace
