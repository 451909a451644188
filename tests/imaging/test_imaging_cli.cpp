#include "fixtures.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

zbtest::ProgramRun zbcli(const QStringList& args)
{
    return zbtest::runProgram(QStringLiteral(ZBCLI_PATH), args);
}

}  // namespace

TEST(ImagingCli, ThumbAndExif)
{
    zbtest::TempDir dir;
    zbtest::ExifLayout layout;
    layout.film = "123456";
    layout.frame = "7";
    layout.thumbnail = zbtest::makeJpeg(16, 12);
    zbtest::writeAll(dir.file("cam.jpg"), zbtest::exifJpeg(layout, zbtest::makeJpeg(400, 300)));
    zbtest::writeAll(dir.file("broken.jpg"), QByteArray("\xFF\xD8\xFF\xE0 nothing more", 17));

    zbtest::ProgramRun r = zbcli({"thumb", dir.file("cam.jpg"), dir.file("t.bmp")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    const QByteArray bmp = zbtest::readAll(dir.file("t.bmp"));
    ASSERT_GE(bmp.size(), 54);
    EXPECT_EQ(qFromLittleEndian<qint32>(bmp.constData() + 18), 160);
    EXPECT_EQ(qFromLittleEndian<qint32>(bmp.constData() + 22), 120);

    r = zbcli({"exif", dir.file("cam.jpg")});
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object(),
              (QJsonObject{{"found", true}, {"dateTime", "2023:04:05 06:07:08"}, {"filmNumber", "123456"},
                           {"frameNumber", "7"}, {"thumbnail", true}}));

    r = zbcli({"thumb", dir.file("broken.jpg"), dir.file("b.bmp")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("JPEG Error Status=")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.file("b.bmp")));

    r = zbcli({"exif", dir.file("broken.jpg")});
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value("found"), false);
}
