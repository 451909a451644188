#include "fixtures.h"
#include "imaging/import.h"
#include "imaging/pixel_adjust.h"
#include "imaging/pixel_reduce.h"
#include "imaging/working_bitmap.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>
#include <QImageReader>
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
                           {"frameNumber", "7"}, {"orientation", 1}, {"thumbnail", true}}));

    // A phone's file: JFIF first, the date taken, on its side; its thumbnail upright.
    zbtest::writeAll(dir.file("phone.jpg"),
                     zbtest::cameraJpeg(zbtest::storedAs(zbtest::quadrantBitmap(48, 64), 6), 6));
    r = zbcli({"exif", dir.file("phone.jpg")});
    ASSERT_EQ(r.code, 0);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object(),
              (QJsonObject{{"found", true}, {"dateTime", "2024:05:06 07:08:09"}, {"filmNumber", ""},
                           {"frameNumber", ""}, {"orientation", 6}, {"thumbnail", false}}));
    r = zbcli({"thumb", dir.file("phone.jpg"), dir.file("p.bmp")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QImage phoneThumb;
    ASSERT_TRUE(phoneThumb.loadFromData(zbtest::readAll(dir.file("p.bmp")), "BMP"));
    EXPECT_EQ(phoneThumb.size(), QSize(120, 160));
    EXPECT_EQ(zbtest::quadrantColours(phoneThumb), "RGBW");

    r = zbcli({"thumb", dir.file("broken.jpg"), dir.file("b.bmp")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("JPEG Error Status=")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.file("b.bmp")));

    r = zbcli({"exif", dir.file("broken.jpg")});
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value("found"), false);
}

namespace {

// The output of zbcli effect read back: the bit count from the BMP header
// (0 for PNG) and the pixels as a working bitmap.
struct EffectOutput {
    int bitCount = 0;
    QImage::Format format = QImage::Format_Invalid;
    QImage pixels;
};

EffectOutput readEffectOutput(const QString& path)
{
    EffectOutput o;
    const QByteArray bytes = zbtest::readAll(path);
    if (path.endsWith(".bmp") && bytes.size() >= 30)
        o.bitCount = qFromLittleEndian<quint16>(bytes.constData() + 28);
    QImage image;
    image.loadFromData(bytes);
    o.format = image.format();
    o.pixels = zb::toWorkingBitmap(image);
    return o;
}

QImage mirroredRows(const QImage& src)
{
    QImage out = src.copy();
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            out.setPixel(x, y, src.pixel(x, src.height() - 1 - y));
    return out;
}

QImage mirroredColumns(const QImage& src)
{
    QImage out = src.copy();
    for (int y = 0; y < src.height(); ++y)
        for (int x = 0; x < src.width(); ++x)
            out.setPixel(x, y, src.pixel(src.width() - 1 - x, y));
    return out;
}

}  // namespace

TEST(ImagingCli, EffectWritesTheStepsResult)
{
    zbtest::TempDir dir;
    const QImage source = zbtest::patternBitmap(7, 5);
    ASSERT_TRUE(source.save(dir.file("in.png")));

    // The five adjustments in their fixed order, whatever order they are typed in.
    QImage adjusted = source.copy();
    zb::applyColourBalance(adjusted, 10, -5, 3);
    zb::applyContrast(adjusted, 15);
    zb::applyGamma(adjusted, 30);
    zb::applyLevels(adjusted, 10, 240);
    zb::applyBrightness(adjusted, 20);
    QImage adjustedInverted = adjusted.copy();
    zb::invertColours(adjustedInverted);
    QImage reducedInverted = zb::toWorkingBitmap(zb::ReduceTo256Colours(source));
    zb::invertColours(reducedInverted);

    struct Case {
        const char* name;
        QStringList options;
        QString out;
        QImage expected;
        int bitCount;  // BMP only
    };
    const Case cases[] = {
        {"pipeline typed backwards",
         {"--brightness", "20", "--levels", "10,240", "--gamma", "30", "--contrast", "15", "--balance", "10,-5,3"},
         "a.bmp", adjusted, 24},
        {"pipeline before a step typed first",
         {"--invert", "--brightness", "20", "--balance", "10,-5,3", "--levels", "10,240", "--contrast", "15",
          "--gamma", "30"},
         "b.png", adjustedInverted, 0},
        {"mirror v turns the picture upside down", {"--mirror", "v"}, "v.bmp", mirroredRows(source), 24},
        {"mirror h swaps left and right", {"--mirror", "h"}, "h.bmp", mirroredColumns(source), 24},
        {"two quarter turns and mirror v then h", {"--quarter-turn", "--quarter-turn", "--mirror", "v", "--mirror", "h"},
         "q.bmp", source, 24},
        {"reduce256 last gives an 8-bit file", {"--reduce256"}, "r.bmp",
         zb::toWorkingBitmap(zb::ReduceTo256Colours(source)), 8},
        {"steps after reduce256 work on 24 bits", {"--reduce256", "--invert"}, "ri.bmp", reducedInverted, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList args{"effect", dir.file("in.png"), dir.file(c.out)};
        args << c.options;
        const zbtest::ProgramRun r = zbcli(args);
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        const EffectOutput o = readEffectOutput(dir.file(c.out));
        if (c.out.endsWith(".bmp")) {
            EXPECT_EQ(o.bitCount, c.bitCount);
        }
        EXPECT_EQ(o.pixels, c.expected);
    }

    // A quarter turn swaps the sides; the 256-colour result as PNG keeps its palette.
    ASSERT_EQ(zbcli({"effect", dir.file("in.png"), dir.file("t.bmp"), "--quarter-turn"}).code, 0);
    EXPECT_EQ(readEffectOutput(dir.file("t.bmp")).pixels.size(), QSize(5, 7));
    ASSERT_EQ(zbcli({"effect", dir.file("in.png"), dir.file("r.png"), "--gray", "--reduce256"}).code, 0);
    EXPECT_EQ(readEffectOutput(dir.file("r.png")).format, QImage::Format_Indexed8);

    // A JPEG read at full size through the filters and the size-changing steps:
    // 40 x 30 turned freely by 90 degrees, halved, then trimmed.
    zbtest::writeAll(dir.file("cam.jpg"), zbtest::makeJpeg(40, 30));
    const zbtest::ProgramRun r =
        zbcli({"effect", dir.file("cam.jpg"), dir.file("j.png"), "--denoise", "--emboss", "--blur", "--sharpen",
               "--rotate", "90", "--resize", "50,plain", "--trim", "1,2,10,30"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(readEffectOutput(dir.file("j.png")).pixels.size(), QSize(10, 18));
}

TEST(ImagingCli, EffectRefusesBadArgumentsAndFiles)
{
    zbtest::TempDir dir;
    ASSERT_TRUE(zbtest::patternBitmap(7, 5).save(dir.file("in.png")));
    zbtest::writeAll(dir.file("broken.png"), QByteArray("\x89PNG not really", 15));

    struct Case {
        const char* name;
        QStringList args;
        int code;
        const char* err;
    };
    const QString in = dir.file("in.png"), out = dir.file("out.bmp");
    const Case cases[] = {
        {"unknown option", {in, out, "--frobnicate"}, 2, "usage: zbcli effect"},
        {"contrast above 100", {in, out, "--contrast", "101"}, 2, "usage: zbcli effect"},
        {"brightness below -100", {in, out, "--brightness", "-101"}, 2, "usage: zbcli effect"},
        {"balance needs three values", {in, out, "--balance", "1,2"}, 2, "usage: zbcli effect"},
        {"levels above 255", {in, out, "--levels", "0,256"}, 2, "usage: zbcli effect"},
        {"rotate beyond 360", {in, out, "--rotate", "360.5"}, 2, "usage: zbcli effect"},
        {"resize below 10", {in, out, "--resize", "9"}, 2, "usage: zbcli effect"},
        {"mirror other than v or h", {in, out, "--mirror", "x"}, 2, "usage: zbcli effect"},
        {"missing value", {in, out, "--gamma"}, 2, "usage: zbcli effect"},
        {"out neither bmp nor png", {in, dir.file("out.jpg")}, 2, "usage: zbcli effect"},
        {"missing out", {in}, 2, "usage: zbcli effect"},
        {"missing input", {dir.file("none.png"), out}, 1, "file not found"},
        {"unreadable input", {dir.file("broken.png"), out}, 1, "cannot read the picture"},
        {"trim to nothing", {in, out, "--trim", "20,20,3,3"}, 1, "no pixel"},
        {"resize below one pixel", {in, out, "--resize", "10"}, 1, "less than one pixel"},
        {"unwritable out", {in, dir.file("no/such/folder/out.bmp")}, 1, "cannot write"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const zbtest::ProgramRun r = zbcli(QStringList{"effect"} + c.args);
        EXPECT_EQ(r.code, c.code);
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}

TEST(ImagingCli, EditsOfStoredPhotos)
{
    zbtest::TempDir dir;
    const QString root = dir.file("prog");
    QDir().mkpath(root);
    zbtest::writeAll(dir.file("a.jpg"), zbtest::makeJpeg(64, 48));
    zbtest::writeAll(dir.file("zu.jpg"), zbtest::makeJpeg(32, 32));
    zbtest::writeAll(dir.file("plan.wmf"), zbtest::makeWmf(60, 40, 0x0000FF, 5, 5, 30, 20));
    auto cli = [&](QStringList args) {
        args.prepend(root);
        args.prepend(QStringLiteral("--root"));
        return zbcli(args);
    };
    ASSERT_EQ(cli({"job", "new", "K1"}).code, 0);
    zbtest::ProgramRun r = cli({"import", "K1", dir.file("a.jpg"), dir.file("plan.wmf")});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();

    // Usage errors: exit 2.
    for (const QStringList& bad : {QStringList{"edit", "K1", "1"}, QStringList{"edit", "K1", "1", "--rotate", "45"},
                                   QStringList{"edit", "K1", "1", "--rotate", "90", "--original"},
                                   QStringList{"edit", "K1", "x", "--original"},
                                   QStringList{"picture", "K1", "1", "o.jpg", "--field", "NAME"}})
        EXPECT_EQ(cli(bad).code, 2) << bad.join(' ').toStdString();

    r = cli({"edit", "K1", "1", "--rotate", "90"});
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object(), (QJsonObject{{"record", 1}, {"changed", true}}));
    ASSERT_EQ(cli({"picture", "K1", "1", dir.file("now.jpg"), "--field", "IMAGE_NOW"}).code, 0);
    QImage now;
    ASSERT_TRUE(now.load(dir.file("now.jpg")));
    EXPECT_EQ(now.size(), QSize(48, 64));
    // The original is taken out unchanged; the current picture is the edit.
    ASSERT_EQ(cli({"picture", "K1", "1", dir.file("org.jpg"), "--field", "IMAGE_ORG"}).code, 0);
    EXPECT_EQ(zbtest::readAll(dir.file("org.jpg")), zbtest::readAll(dir.file("a.jpg")));
    ASSERT_EQ(cli({"picture", "K1", "1", dir.file("cur.jpg")}).code, 0);
    EXPECT_EQ(zbtest::readAll(dir.file("cur.jpg")), zbtest::readAll(dir.file("now.jpg")));
    r = cli({"picture", "K1", "1", dir.file("album.jpg"), "--field", "ALBUM"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("empty field")) << r.err.toStdString();

    // A metafile is converted only when --yes says so.
    r = cli({"edit", "K1", "2", "--rotate", "180"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("この写真は WMF 形式です。"))) << r.err.toStdString();
    EXPECT_EQ(cli({"picture", "K1", "2", dir.file("x.jpg"), "--field", "IMAGE_NOW"}).code, 1);
    EXPECT_EQ(cli({"edit", "K1", "2", "--rotate", "180", "--yes"}).code, 0);

    // Back to the original; a second time changes nothing and is no failure.
    r = cli({"edit", "K1", "1", "--original"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = cli({"edit", "K1", "1", "--original"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object(), (QJsonObject{{"record", 1}, {"changed", false}}));
    EXPECT_EQ(cli({"picture", "K1", "1", dir.file("y.jpg"), "--field", "IMAGE_NOW"}).code, 1);

    r = cli({"thumbnails", "K1"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.trimmed().isEmpty());

    // Drawings fill the three slots; the fourth is refused and stores nothing.
    for (int expected : {3, 4, 5}) {
        r = cli({"drawing", "add", "K1", "1", dir.file("zu.jpg")});
        ASSERT_EQ(r.code, 0) << r.err.toStdString();
        EXPECT_EQ(r.out.trimmed(), QByteArray::number(expected));
    }
    r = cli({"drawing", "add", "K1", "1", dir.file("zu.jpg")});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(QString::fromUtf8(r.err).contains(QStringLiteral("登録できる参考図の数を超えています。"))) << r.err.toStdString();
    EXPECT_EQ(cli({"picture", "K1", "6", dir.file("z.jpg")}).code, 1);
}

TEST(ImagingCli, PanoramaJoinsTwoFiles)
{
    zbtest::TempDir dir;
    const QImage whole = zbtest::patternBitmap(200, 120);
    ASSERT_TRUE(whole.copy(0, 0, 130, 120).save(dir.file("l.png")));
    ASSERT_TRUE(whole.copy(70, 0, 130, 120).save(dir.file("r.png")));

    // The written bytes are of the kind the output's extension names.
    const struct {
        const char* name;
        QByteArray format;
    } outputs[] = {{"out.jpg", "jpeg"}, {"out.png", "png"}, {"out.BMP", "bmp"}, {"out", "jpeg"}};
    zbtest::ProgramRun r;
    for (const auto& o : outputs) {
        r = zbcli({"panorama", dir.file("l.png"), dir.file("r.png"), dir.file(o.name), "--left", "100,100,100,10",
                   "--right", "30,10,30,100"});
        ASSERT_EQ(r.code, 0) << o.name << r.err.toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(r.out).object(), (QJsonObject{{"width", 200}, {"height", 120}}));
        QImageReader reader(dir.file(o.name));
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), o.format) << o.name;
        EXPECT_EQ(reader.read().size(), QSize(200, 120)) << o.name;
    }

    // Coinciding points: no transform, no file, exit 1.
    r = zbcli({"panorama", dir.file("l.png"), dir.file("r.png"), dir.file("none.jpg"), "--left", "100,10,100,10",
               "--right", "30,10,30,100"});
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(QFile::exists(dir.file("none.jpg")));

    r = zbcli({"panorama", dir.file("l.png"), dir.file("r.png"), dir.file("none.jpg"), "--left", "1,2,3"});
    EXPECT_EQ(r.code, 2);
}

TEST(ImagingCli, ScanFromTheTestDevice)
{
    zbtest::TempDir dir;
    // SANE's test backend alone, through a private configuration.
    QDir().mkpath(dir.file("sane"));
    zbtest::writeAll(dir.file("sane/dll.conf"), "test\n");
    qputenv("SANE_CONFIG_DIR", dir.file("sane").toLocal8Bit());
    // SANE's backends are loaded and unloaded at run time and now and then
    // leave an allocation behind that the leak checker cannot name: leak
    // checking is off for these runs, as it is for the scanner tests.
    struct LeakCheckOff {
        QByteArray saved = qgetenv("ASAN_OPTIONS");
        LeakCheckOff() { qputenv("ASAN_OPTIONS", saved.isEmpty() ? "detect_leaks=0" : saved + ":detect_leaks=0"); }
        ~LeakCheckOff() { saved.isEmpty() ? qunsetenv("ASAN_OPTIONS") : qputenv("ASAN_OPTIONS", saved); }
    } leakCheckOff;
    const QString root = dir.file("prog");
    QDir().mkpath(root);
    auto cli = [&](QStringList args) {
        args.prepend(root);
        args.prepend(QStringLiteral("--root"));
        return zbcli(args);
    };
    ASSERT_EQ(cli({"job", "new", "K1"}).code, 0);
    const QStringList small{"--device", "test:0", "--dpi", "72", "--paper", "0"};

    zbtest::ProgramRun r = cli(QStringList{"scan", "K1"} + small);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    QJsonObject o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o.value("added").toArray(), QJsonArray{1});
    EXPECT_EQ(o.value("complete"), true);
    EXPECT_TRUE(o.contains("folder"));
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    ASSERT_EQ(cli({"picture", "K1", "1", dir.file("p.jpg")}).code, 0);
    QImage page(dir.file("p.jpg"));
    EXPECT_NEAR(page.width(), 241, 2);
    EXPECT_NEAR(page.height(), 340, 2);

    // The feeder's pages as drawings of photo 1: three fit, the fourth is reported.
    r = cli(QStringList{"scan", "K1", "--source", "Automatic Document Feeder", "--drawing-of", "1"} + small);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    o = QJsonDocument::fromJson(r.out).object();
    EXPECT_EQ(o.value("added").toArray(), (QJsonArray{2, 3, 4}));
    EXPECT_EQ(o.value("complete"), false);
    EXPECT_EQ(o.value("drawingOf"), 1);
    EXPECT_EQ(QString::fromUtf8(r.err).trimmed(), QStringLiteral("information: 登録できる参考図の数を超えています。"));

    // A setting the device lacks is reported; the page still comes in.
    r = cli(QStringList{"scan", "K1", "--brightness", "300", "--landscape", "--margin", "4"} + small);
    ASSERT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value("added").toArray(), QJsonArray{5});
    EXPECT_EQ(QString::fromUtf8(r.err).trimmed(),
              QStringLiteral("information: 一部の設定がTWAIN機器でサポートされていません。"));

    // A folder above the photo levels takes no photos: the import's message and exit 1.
    r = cli(QStringList{"scan", "K1", "--folder", "工事写真"} + small);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(QJsonDocument::fromJson(r.out).object().value("added").toArray(), QJsonArray{});
    EXPECT_EQ(QString::fromUtf8(r.err).trimmed(), QStringLiteral("information: ") + zb::kImportTargetRefused);

    for (const QStringList& bad : {QStringList{"scan", "K1", "--mode", "0"}, QStringList{"scan", "K1", "--paper", "9"},
                                   QStringList{"scan", "K1", "--margin", "21"}, QStringList{"scan"},
                                   QStringList{"scan", "K1", "--brightness", "x"}})
        EXPECT_EQ(cli(bad).code, 2) << bad.join(' ').toStdString();
    r = cli({"scan", "K1", "--device", "test:99"});
    EXPECT_EQ(r.code, 1);
    // Without --device the scanner chosen last in the window (ZB.INI) is used.
    zbtest::writeAll(root + "/ZB.INI", "[MainPrg_Env]\r\nScanDevice=test:98\r\n");
    r = cli(QStringList{"scan", "K1", "--dpi", "72", "--paper", "0"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("test:98")) << r.err.toStdString();
    QFile::remove(root + "/ZB.INI");
    EXPECT_EQ(cli({"scan", "K1", "--drawing-of", "77"}).code, 1);
    qunsetenv("SANE_CONFIG_DIR");
}
