#include "imaging/scanner.h"

#include "core/inifile.h"
#include "core/scripted_ports.h"
#include "fixtures.h"
#include "imaging/import.h"
#include "imaging/jpeg_codec.h"
#include "imaging/working_bitmap.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

#include <sane/sane.h>
#include <sane/saneopts.h>

using namespace zb;

namespace {

// SANE's test backend stands in for a scanner: a private configuration
// folder whose dll.conf names only it.
class SaneTestBackend : public ::testing::Environment {
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        QFile conf(dir_.filePath("dll.conf"));
        ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
        conf.write("test\n");
        conf.close();
        qputenv("SANE_CONFIG_DIR", dir_.path().toLocal8Bit());
    }

private:
    QTemporaryDir dir_;
};

const auto* const kBackend = ::testing::AddGlobalTestEnvironment(new SaneTestBackend);

// Small pages: 写真ＥＣサイズ at 72 dpi in mode 2.
ScanSettings smallPages(int feeder = 0)
{
    ScanSettings s;
    s.mode = kScanModeNoDialog;
    s.paper = 0;
    s.dpi = 72;
    s.feeder = feeder;
    return s;
}

std::unique_ptr<ScanDevice> openTest()
{
    QString error;
    std::unique_ptr<ScanDevice> d = ScanDevice::open(QStringLiteral("test:0"), &error);
    EXPECT_TRUE(d) << error.toStdString();
    return d;
}

// Pages handed to the import: the size of each file's picture.
struct Sink {
    QList<QSize> sizes;
    int refuseFrom = -1;  // the import refuses this page (1-based) and the rest
    std::function<void(int)> after;
    bool operator()(const QString& file)
    {
        if (refuseFrom > 0 && sizes.size() + 1 >= refuseFrom)
            return false;
        SilentMessages quiet;
        QImage img;
        EXPECT_EQ(QFileInfo(file).fileName(), kScanTempName);
        EXPECT_TRUE(DecodeJpegFile(file, img, 0, quiet));
        sizes << img.size();
        if (after)
            after(int(sizes.size()));
        return true;
    }
};

}  // namespace

TEST(ScanSettingsRules, FrameArithmetic)
{
    struct Case {
        int paper, orient;
        bool margin;
        int mm;
        ScanFrameTwips twips;
        ScanAreaMm area;
    };
    const Case cases[] = {
        // 写真Ｌサイズ 横: 12.7 × 8.9 cm.
        {2, 1, false, 4, {0, 0, 7200, 5046}, {0, 0, 127, 89}},
        {2, 1, true, 4, {226, 226, 6747, 4592}, {4, 4, 123, 85}},
        {2, 0, false, 4, {0, 0, 5046, 7200}, {0, 0, 89, 127}},
        {6, 0, true, 0, {0, 0, 11907, 16443}, {0, 0, 210, 290}},
        {6, 0, true, 20, {1134, 1134, 9639, 14175}, {20, 20, 190, 270}},
    };
    for (const Case& c : cases) {
        ScanSettings s;
        s.paper = c.paper;
        s.orient = c.orient;
        s.marginOn = c.margin;
        s.margin = c.mm;
        const ScanFrameTwips t = scanFrameTwips(s);
        EXPECT_EQ((std::array{t.left, t.top, t.right, t.bottom}),
                  (std::array{c.twips.left, c.twips.top, c.twips.right, c.twips.bottom}))
            << c.paper << "/" << c.orient << "/" << c.mm;
        const ScanAreaMm a = scanAreaMm(s);
        EXPECT_NEAR(a.tlx, c.area.tlx, 1e-9);
        EXPECT_NEAR(a.tly, c.area.tly, 1e-9);
        EXPECT_NEAR(a.brx, c.area.brx, 1e-9);
        EXPECT_NEAR(a.bry, c.area.bry, 1e-9);
        // The area in millimetres is the twip frame: left/top plus its extent.
        EXPECT_NEAR(a.brx * 56.7, (t.left + t.right), 2.0);
    }
}

TEST(ScanSettingsRules, ValuesAndRanges)
{
    EXPECT_EQ(normalizedDpi(50), 72);
    EXPECT_EQ(normalizedDpi(71), 72);
    EXPECT_EQ(normalizedDpi(72), 72);
    EXPECT_EQ(normalizedDpi(333), 333);

    EXPECT_DOUBLE_EQ(mapLevel(-1000, 0, 100), 0);
    EXPECT_DOUBLE_EQ(mapLevel(0, -100, 100), 0);
    EXPECT_DOUBLE_EQ(mapLevel(500, 0, 200), 150);
    EXPECT_DOUBLE_EQ(mapLevel(1000, -127, 127), 127);
    EXPECT_DOUBLE_EQ(mapLevel(5000, 0, 10), 10);

    const QStringList three{"Flatbed", "Transparency Adapter", "Automatic Document Feeder"};
    const QStringList plain{"Normal", "Duplex"};
    EXPECT_EQ(pickSource(three, 0), "Flatbed");
    EXPECT_EQ(pickSource(three, 1), "Automatic Document Feeder");
    EXPECT_EQ(pickSource({"ADF Front", "Flatbed"}, 1), "ADF Front");
    EXPECT_EQ(pickSource(plain, 0), "Normal");
    EXPECT_EQ(pickSource(plain, 1), "Duplex");
    EXPECT_EQ(pickSource({"Flatbed"}, 1), QString());
    EXPECT_EQ(pickSource({}, 0), QString());

    EXPECT_EQ(scanPageCount(3), "3枚 ");
    EXPECT_EQ(scanPapers()[2].caption, "写真Ｌサイズ(89×127)");

    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("ZB.INI"), "[MainPrg_Env]\r\nTwain_User=2\r\nTwain_Paper=12\r\nTwain_Orient=1\r\n"
                                         "Twain_FuchiSw=1\r\nTwain_Fuchi=45\r\nTwain_Kyusi=1\r\nTwain_Dpi=50\r\n"
                                         "Twain_Bright=-3000\r\nTwain_Cont=700\r\n");
    const ScanSettings s = readScanSettings(IniFile(dir.file("ZB.INI")));
    EXPECT_EQ(s.mode, 2);
    EXPECT_EQ(s.paper, 4);
    EXPECT_EQ(s.orient, 1);
    EXPECT_TRUE(s.marginOn);
    EXPECT_EQ(s.margin, 20);
    EXPECT_EQ(s.feeder, 1);
    EXPECT_EQ(s.dpi, 72);
    EXPECT_EQ(s.brightness, -1000);
    EXPECT_EQ(s.contrast, 700);
}

TEST(ScanPages, FramesBecomeWorkingBitmaps)
{
    auto frame = [](int format, int depth, int w, int bpl, int lines, QByteArray data) {
        return ScanFrame{format, depth, w, bpl, lines, std::move(data)};
    };
    auto px = [](const QImage& img, int x, int y) {
        const uchar* p = img.constScanLine(y) + 3 * x;
        return qRgb(p[2], p[1], p[0]);
    };
    // Grey, 8 bits.
    QImage g = pageFromFrames({frame(SANE_FRAME_GRAY, 8, 2, 2, 2, QByteArray("\x00\x40\x80\xff", 4))});
    ASSERT_EQ(g.size(), QSize(2, 2));
    EXPECT_EQ(g.format(), kWorkingFormat);
    EXPECT_EQ(px(g, 1, 0), qRgb(0x40, 0x40, 0x40));
    EXPECT_EQ(px(g, 1, 1), qRgb(0xff, 0xff, 0xff));
    // RGB, 8 bits, a padded line.
    QImage c = pageFromFrames({frame(SANE_FRAME_RGB, 8, 1, 4, 1, QByteArray("\x10\x20\x30\x00", 4))});
    ASSERT_EQ(c.size(), QSize(1, 1));
    EXPECT_EQ(px(c, 0, 0), qRgb(0x10, 0x20, 0x30));
    // Line art: a set bit is black.
    QImage l = pageFromFrames({frame(SANE_FRAME_GRAY, 1, 3, 1, 1, QByteArray("\xa0", 1))});
    EXPECT_EQ(px(l, 0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(px(l, 1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(px(l, 2, 0), qRgb(0, 0, 0));
    // 16 bits in host order: the high byte.
    const quint16 v16 = 0xabcd;
    QImage d = pageFromFrames({frame(SANE_FRAME_GRAY, 16, 1, 2, 1, QByteArray(reinterpret_cast<const char*>(&v16), 2))});
    EXPECT_EQ(px(d, 0, 0), qRgb(0xab, 0xab, 0xab));
    // Three passes.
    QImage t = pageFromFrames({frame(SANE_FRAME_GREEN, 8, 1, 1, 1, "\x02"), frame(SANE_FRAME_RED, 8, 1, 1, 1, "\x01"),
                               frame(SANE_FRAME_BLUE, 8, 1, 1, 1, "\x03")});
    EXPECT_EQ(px(t, 0, 0), qRgb(1, 2, 3));
    // Lines unknown beforehand: whole lines of the data.
    QImage u = pageFromFrames({frame(SANE_FRAME_GRAY, 8, 2, 2, -1, QByteArray(7, '\x55'))});
    EXPECT_EQ(u.size(), QSize(2, 3));

    // Nothing to make a page of.
    EXPECT_TRUE(pageFromFrames({}).isNull());
    EXPECT_TRUE(pageFromFrames({frame(SANE_FRAME_GRAY, 8, 0, 0, 0, {})}).isNull());
    EXPECT_TRUE(pageFromFrames({frame(SANE_FRAME_GRAY, 8, 4, 4, 3, {})}).isNull());
    EXPECT_TRUE(pageFromFrames({frame(SANE_FRAME_RGB, 8, 4, 4, 1, QByteArray(4, 'x'))}).isNull());
    // Wider than any picture may be.
    EXPECT_TRUE(pageFromFrames({frame(SANE_FRAME_GRAY, 8, 100000, 100000, 1, QByteArray(100000, 'x'))}).isNull());
    EXPECT_TRUE(pageFromFrames({frame(SANE_FRAME_RED, 8, 1, 1, 1, "\x01")}).isNull());
}

TEST(ScanDevices, TestBackendIsListedAndDescribesItsOptions)
{
    const QList<ScanDeviceInfo> devices = listScanDevices();
    ASSERT_GE(devices.size(), 1);
    EXPECT_EQ(devices.first().name, "test:0");
    std::unique_ptr<ScanDevice> d = openTest();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->sources(), (QStringList{"Flatbed", "Automatic Document Feeder"}));
    const std::optional<ScanOption> res = d->option(SANE_NAME_SCAN_RESOLUTION);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->limit, ScanOption::Range);
    EXPECT_TRUE(d->setOption(SANE_NAME_SCAN_RESOLUTION, 100));
    EXPECT_DOUBLE_EQ(d->option(SANE_NAME_SCAN_RESOLUTION)->value.toDouble(), 100);
    EXPECT_FALSE(d->setOption("no-such-option", 1));

    QString error;
    EXPECT_FALSE(ScanDevice::open("test:99", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(ScanRun, FlatbedGivesOnePageInColourAtTheChosenSize)
{
    std::unique_ptr<ScanDevice> d = openTest();
    ASSERT_TRUE(d);
    ScriptedMessages m;
    ApplyScanSettings(*d, smallPages(), m);
    EXPECT_EQ(m.log, QStringList());
    zbtest::TempDir tmp;
    Sink sink;
    QList<int> counts;
    ScanRunControl control;
    control.counted = [&](int n) { counts << n; };
    const ScanRunResult r = RunScan(*d, tmp.path(), std::ref(sink), m, control);
    EXPECT_EQ(r.imported, 1);
    EXPECT_FALSE(r.deviceError);
    EXPECT_EQ(counts, QList<int>{1});
    // 85 × 120 mm at 72 dpi.
    ASSERT_EQ(sink.sizes.size(), 1);
    EXPECT_NEAR(sink.sizes[0].width(), 241, 2);
    EXPECT_NEAR(sink.sizes[0].height(), 340, 2);
    EXPECT_EQ(m.log, QStringList());
}

TEST(ScanRun, FeederGivesPagesUntilItIsEmptyOnAWorkerThread)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    std::unique_ptr<ScanDevice> d = openTest();
    ASSERT_TRUE(d);
    ScriptedMessages m;
    ApplyScanSettings(*d, smallPages(1), m);
    EXPECT_EQ(d->currentSource(), "Automatic Document Feeder");
    zbtest::TempDir tmp;
    Sink sink;
    bool onCaller = true;
    sink.after = [&](int) { onCaller = onCaller && QThread::currentThread() == app.thread(); };
    int pumped = 0;
    ScanRunControl control;
    control.pump = [&] {
        ++pumped;
        QCoreApplication::processEvents();
    };
    const ScanRunResult r = RunScan(*d, tmp.path(), std::ref(sink), m, control);
    // The test backend's feeder holds ten pages.
    EXPECT_EQ(r.imported, 10);
    EXPECT_FALSE(r.deviceError);
    EXPECT_FALSE(r.stopped);
    EXPECT_TRUE(onCaller);
    EXPECT_GT(pumped, 0);
    EXPECT_EQ(m.log, QStringList());
}

TEST(ScanRun, StopsAfterTheCurrentPageOrWhenTheImportRefuses)
{
    std::unique_ptr<ScanDevice> d = openTest();
    ASSERT_TRUE(d);
    ScriptedMessages m;
    ApplyScanSettings(*d, smallPages(1), m);
    zbtest::TempDir tmp;
    {
        // ESC during the second page.
        std::atomic<bool> stop{false};
        Sink sink;
        sink.after = [&](int n) {
            if (n == 2)
                stop = true;
        };
        ScanRunControl control;
        control.stop = &stop;
        const ScanRunResult r = RunScan(*d, tmp.path(), std::ref(sink), m, control);
        EXPECT_EQ(r.imported, 2);
        EXPECT_TRUE(r.stopped);
    }
    {
        Sink sink;
        sink.refuseFrom = 3;
        const ScanRunResult r = RunScan(*d, tmp.path(), std::ref(sink), m);
        EXPECT_EQ(r.imported, 2);
        EXPECT_TRUE(r.stopped);
    }
    EXPECT_EQ(m.log, QStringList());
}

TEST(ScanRun, SettingsTheDeviceLacksAreReportedAndTheScanGoesOn)
{
    std::unique_ptr<ScanDevice> d = openTest();
    ASSERT_TRUE(d);
    struct Case {
        const char* what;
        int brightness, contrast, paper;
    };
    // The test device has neither brightness nor contrast, and its bed is
    // 200 mm square: A4 (210 × 290 mm) is cut to it.
    const Case cases[] = {{"brightness", 300, 0, 0}, {"contrast", 0, -200, 0}, {"A4 on a smaller bed", 0, 0, 6}};
    for (const Case& c : cases) {
        ScanSettings s = smallPages();
        s.brightness = c.brightness;
        s.contrast = c.contrast;
        s.paper = c.paper;
        ScriptedMessages m;
        ApplyScanSettings(*d, s, m);
        EXPECT_EQ(m.boxes(), QStringList{"information: " + kScanSettingsUnsupported}) << c.what;
        zbtest::TempDir tmp;
        Sink sink;
        EXPECT_EQ(RunScan(*d, tmp.path(), std::ref(sink), m).imported, 1) << c.what;
    }
}

TEST(ScanRun, DeviceErrorsKeepThePagesAlreadyImported)
{
    std::unique_ptr<ScanDevice> d = openTest();
    ASSERT_TRUE(d);
    ScriptedMessages quiet;
    ApplyScanSettings(*d, smallPages(1), quiet);
    zbtest::TempDir tmp;
    {
        // The device fails from the start.
        ASSERT_TRUE(d->setOption("read-return-value", "SANE_STATUS_IO_ERROR"));
        ScriptedMessages m;
        Sink sink;
        const ScanRunResult r = RunScan(*d, tmp.path(), std::ref(sink), m);
        EXPECT_TRUE(r.deviceError);
        EXPECT_EQ(r.imported, 0);
        EXPECT_EQ(m.boxes(), QStringList{"error: " + kScanError});
        ASSERT_TRUE(d->setOption("read-return-value", "Default"));
    }
    {
        // The device goes away after two pages.
        ScriptedMessages m;
        Sink sink;
        sink.after = [&](int n) {
            if (n == 2)
                d->setOption("read-return-value", "SANE_STATUS_IO_ERROR");
        };
        const ScanRunResult r = RunScan(*d, tmp.path(), std::ref(sink), m);
        EXPECT_TRUE(r.deviceError);
        EXPECT_EQ(r.imported, 2);
        EXPECT_EQ(m.boxes(), QStringList{"error: " + kScanError});
        d->setOption("read-return-value", "Default");
    }
}

TEST(ScanRun, EmptyPagesAreReportedAndTheNextOneFollows)
{
    // A stand-in device: a page, an empty page, a page.
    ScanAcquisition acquire = [](const std::function<bool(QImage&)>& onPage, const std::atomic<bool>*) {
        ScanDevice::Result r;
        for (int i = 0; i < 3; ++i) {
            QImage page = i == 1 ? QImage() : zbtest::patternBitmap(30, 20);
            ++r.pages;
            if (!onPage(page))
                break;
        }
        return r;
    };
    zbtest::TempDir tmp;
    ScriptedMessages m;
    Sink sink;
    const ScanRunResult r = RunScan(acquire, tmp.path(), std::ref(sink), m);
    EXPECT_EQ(r.imported, 2);
    EXPECT_EQ(m.boxes(), QStringList{"information: " + kScanPageFailed});
    EXPECT_EQ(sink.sizes, (QList<QSize>{QSize(30, 20), QSize(30, 20)}));
}

TEST(ScanRun, DrawingTargetTakesThreePagesAndReportsTheFourth)
{
    zbtest::TempDir dir;
    TTableNetWork table;
    ImportJob job;
    job.fields = openOrCreatePhotoTable(dir.file("JOB.DB"), {&table}, true);
    job.table = &table;
    job.backFolder = dir.file("BACK");
    job.today = QDate(2024, 5, 6);
    ImportSettings settings;
    settings.backupFile = false;
    ScriptedMessages m;
    ScriptedProgress progress;
    // One photo to attach the drawings to.
    zbtest::writeAll(dir.file("p.jpg"), zbtest::makeJpeg(40, 30));
    QList<RECORD> folder;
    ImportTarget photos;
    photos.folder = &folder;
    photos.folderAcceptsPhotos = true;
    ASSERT_TRUE(ImportPictures(job, QStringList{dir.file("p.jpg")}, photos, settings, m, progress));
    ASSERT_EQ(folder, QList<RECORD>{1});

    std::unique_ptr<ScanDevice> d = openTest();
    ASSERT_TRUE(d);
    ApplyScanSettings(*d, smallPages(1), m);
    ImportTarget drawings;
    drawings.drawing = true;
    drawings.selectedPhotos = {1};
    QList<RECORD> added;
    auto importFile = [&](const QString& file) {
        ImportResult result;
        const bool ok = ImportPictures(job, QStringList{file}, drawings, settings, m, progress, &result);
        added += result.added;
        return ok;
    };
    const ScanRunResult r = RunScan(*d, dir.file("temp"), importFile, m);
    EXPECT_EQ(r.imported, 3);
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.deviceError);
    EXPECT_EQ(added, (QList<RECORD>{2, 3, 4}));
    EXPECT_EQ(m.boxes(), QStringList{"information: " + kImportDrawingsFull});
    // No row was stored for the fourth page, and each page is named 無名.
    EXPECT_FALSE(table.locate(5));
    ASSERT_TRUE(table.locate(2));
    EXPECT_EQ(table.value(job.fields[F_FILENAME]).toString(), "無名");
    ASSERT_TRUE(table.locate(1));
    EXPECT_EQ(table.value(job.fields[F_REC_DRA1]).toInt(), 2);
    EXPECT_EQ(table.value(job.fields[F_REC_DRA3]).toInt(), 4);
}
