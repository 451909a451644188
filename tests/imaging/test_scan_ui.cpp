// The acquisition dialog on SANE's test backend and the panorama dialog,
// driven as a user would.
#include "core/scripted_ports.h"
#include "fixtures.h"
#include "imaging/jpeg_codec.h"
#include "imaging/panorama.h"
#include "imaging/scanner.h"
#include "imaging/ui/import_commands.h"
#include "imaging/ui/pno_form.h"
#include "imaging/ui/scan_commands.h"
#include "imaging/ui/twain_form.h"
#include "settings/settings.h"
#include "store/data_module.h"
#include "store/folders.h"
#include "store/job_life.h"
#include "store/table_network.h"
#include "workspace/hierarchy_model.h"
#include "workspace/job_workspace.h"
#include "imaging/working_bitmap.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <QDragEnterEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_scan_ui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down in the exit handlers crashes.
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// SANE's test backend alone, through a private configuration.
struct SaneConfig {
    zbtest::TempDir dir;
    SaneConfig()
    {
        zbtest::writeAll(dir.file("dll.conf"), "test\n");
        qputenv("SANE_CONFIG_DIR", dir.path().toLocal8Bit());
    }
    ~SaneConfig() { qunsetenv("SANE_CONFIG_DIR"); }
};

struct TwainFixture {
    bool appReady = (app(), true);
    SaneConfig sane;
    zbtest::TempDir temp;
    ScriptedMessages messages;
    TTwainForm form{messages};
    QStringList imported;  // "photo" or "drawing" per page
    std::function<void(int)> afterPage;

    TwainFixture()
    {
        form.tempFolder = temp.path();
        form.importFile = [this](const QString& file, bool drawing) {
            EXPECT_EQ(QFileInfo(file).fileName(), kScanTempName);
            imported << (drawing ? "drawing" : "photo");
            if (afterPage)
                afterPage(int(imported.size()));
            return true;
        };
        form.setDeviceName("test:0");
        ScanSettings s;
        s.mode = kScanModeNoDialog;
        s.paper = 0;
        s.dpi = 72;
        form.loadSettings(s);
    }
};

}  // namespace

TEST(TwainForm, CaptionsAndWhatIsEnabledInEachMode)
{
    TwainFixture fx;
    fx.form.setTarget(false);
    EXPECT_EQ(fx.form.windowTitle(), "写真の取込(TWAIN)");
    fx.form.setTarget(true);
    EXPECT_EQ(fx.form.windowTitle(), "参考図の取込(TWAIN)");
    EXPECT_EQ(fx.form.PL_Name->text(), "test:0");
    EXPECT_TRUE(fx.form.Memo->toPlainText().startsWith("【TWAIN機器仕様上の注意】"));

    fx.form.ComboBox_User->setCurrentIndex(kScanModeDialog);
    EXPECT_FALSE(fx.form.ComboBox_Paper->isEnabled());
    EXPECT_FALSE(fx.form.Edit_Res->isEnabled());
    fx.form.CB_Fuchi->setChecked(true);
    EXPECT_FALSE(fx.form.ComboEdit_Fuchi->isEnabled());
    fx.form.ComboBox_User->setCurrentIndex(kScanModeNoDialog);
    EXPECT_TRUE(fx.form.ComboBox_Paper->isEnabled());
    EXPECT_TRUE(fx.form.Edit_Bright->isEnabled());
    EXPECT_TRUE(fx.form.ComboEdit_Fuchi->isEnabled());
    fx.form.CB_Fuchi->setChecked(false);
    EXPECT_FALSE(fx.form.ComboEdit_Fuchi->isEnabled());

    // 50 typed into the resolution box becomes 72 when the box is left.
    fx.form.show();
    fx.form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&fx.form));
    QLineEdit* res = fx.form.Edit_Res->lineEdit();
    res->setFocus();
    res->selectAll();
    QTest::keyClicks(res, "50");
    EXPECT_EQ(fx.form.Edit_Res->currentText(), "50");
    fx.form.Edit_Bright->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(fx.form.Edit_Res->currentText(), "72");
    EXPECT_EQ(fx.form.settings().dpi, 72);
}

TEST(TwainForm, AcquiresWithoutTheDeviceDialogAndCountsThePages)
{
    TwainFixture fx;
    fx.form.setTarget(false);
    fx.form.show();
    QTest::mouseClick(fx.form.BT_Run, Qt::LeftButton);
    EXPECT_EQ(fx.imported, QStringList{"photo"});
    EXPECT_EQ(fx.form.PL_Mai->text(), "1枚 ");
    EXPECT_TRUE(fx.form.BT_Run->isEnabled());
    EXPECT_EQ(fx.messages.log, QStringList());

    // From the feeder into the drawing target; 中止 during the second page.
    fx.form.setTarget(true);
    fx.form.RadioGroup_Kyusi->button(1)->click();
    fx.afterPage = [&](int n) {
        EXPECT_TRUE(fx.form.running());
        EXPECT_FALSE(fx.form.BT_Run->isEnabled());
        EXPECT_FALSE(fx.form.BT_Close->isEnabled());
        if (n == 2)
            QTest::mouseClick(fx.form.BT_Stop, Qt::LeftButton);
    };
    fx.imported.clear();
    QTest::mouseClick(fx.form.BT_Run, Qt::LeftButton);
    EXPECT_EQ(fx.imported, (QStringList{"drawing", "drawing"}));
    EXPECT_EQ(fx.form.PL_Mai->text(), "2枚 ");
    EXPECT_FALSE(fx.form.running());

    // A brightness the device cannot take is reported; the page comes in.
    fx.afterPage = nullptr;
    fx.form.RadioGroup_Kyusi->button(0)->click();
    fx.form.Edit_Bright->setValue(400);
    fx.imported.clear();
    QTest::mouseClick(fx.form.BT_Run, Qt::LeftButton);
    EXPECT_EQ(fx.imported.size(), 1);
    EXPECT_EQ(fx.messages.boxes(), QStringList{"information: " + kScanSettingsUnsupported});

    // 閉じる keeps the settings for writing back.
    QTest::mouseClick(fx.form.BT_Close, Qt::LeftButton);
    EXPECT_TRUE(fx.form.closedWithClose());
    EXPECT_EQ(fx.form.settings().brightness, 400);
}

TEST(TwainForm, DeviceDialogAcquiresAndClosesInModeOneOrStaysInModeZero)
{
    for (int mode : {kScanModeDialogClose, kScanModeDialog}) {
        TwainFixture fx;
        fx.form.setTarget(false);
        fx.form.ComboBox_User->setCurrentIndex(mode);
        fx.form.show();
        bool stillOpen = false;
        bool sawResolution = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<TScanOptionsDialog*>(QApplication::activeModalWidget());
            ASSERT_TRUE(d);
            sawResolution = d->control("resolution") != nullptr;
            d->acquireButton->click();
            stillOpen = d->isVisible();
            if (stillOpen)
                d->closeButton->click();
        });
        QTest::mouseClick(fx.form.BT_Run, Qt::LeftButton);
        EXPECT_TRUE(sawResolution);
        EXPECT_EQ(fx.imported, QStringList{"photo"}) << mode;
        EXPECT_EQ(stillOpen, mode == kScanModeDialog) << mode;
        EXPECT_EQ(fx.form.PL_Mai->text(), "1枚 ");
    }
}

TEST(TwainForm, ADeviceThatCannotBeOpenedGivesTheAcquisitionError)
{
    TwainFixture fx;
    fx.form.setDeviceName("test:42");
    fx.form.show();
    QTest::mouseClick(fx.form.BT_Run, Qt::LeftButton);
    EXPECT_TRUE(fx.imported.isEmpty());
    EXPECT_EQ(fx.messages.boxes(), QStringList{"error: " + kScanError});
    EXPECT_TRUE(fx.form.BT_Run->isEnabled());
}

namespace {

// Clicks a pane's canvas at a canvas position.
void clickCanvas(TPnoPane* pane, QPoint pos)
{
    QTest::mouseClick(pane->canvas(), Qt::LeftButton, Qt::NoModifier, pos);
}

}  // namespace

TEST(PnoForm, MarkersGuideTextsAndJoin)
{
    app();
    ScriptedMessages m;
    TPnoForm form(m);
    form.show();
    EXPECT_EQ(form.windowTitle(), "パノラマ作成");
    EXPECT_EQ(form.Message->text(), kPanoramaNoPicture);
    EXPECT_FALSE(form.BT_Create->isEnabled());

    const QImage whole = zbtest::patternBitmap(400, 240);
    form.setRight(whole.copy(140, 0, 260, 240));
    EXPECT_EQ(form.Message->text(), kPanoramaNeedLeft);
    form.setLeft(whole.copy(0, 0, 260, 240));
    EXPECT_EQ(form.Message->text(), kPanoramaNeedMarkers);

    // At 50 %, a centre 100 display pixels into the picture is column 200.
    clickCanvas(form.PL_Left, {5 + 100, 5 + 10});
    ASSERT_EQ(form.PL_Left->markerCount(), 1);
    EXPECT_EQ(form.PL_Left->markerPos(0), QPoint(97, 7));
    EXPECT_EQ(form.PL_Left->markerPoint(0), QPoint(200, 20));
    // The lower point placed first on the right.
    clickCanvas(form.PL_Left, {5 + 100, 5 + 100});
    clickCanvas(form.PL_Right, {5 + 30, 5 + 100});
    EXPECT_FALSE(form.BT_Create->isEnabled());
    clickCanvas(form.PL_Right, {5 + 30, 5 + 10});
    // A fifth click places nothing.
    clickCanvas(form.PL_Right, {5 + 60, 5 + 60});
    EXPECT_EQ(form.PL_Right->markerCount(), 2);
    EXPECT_EQ(form.Message->text(), kPanoramaReady);
    ASSERT_TRUE(form.BT_Create->isEnabled());

    // The arrow keys move the focused marker by one display pixel.
    QTest::keyClick(form.PL_Right->canvas(), Qt::Key_Right);
    EXPECT_EQ(form.PL_Right->markerPoint(1), QPoint(62, 20));
    QTest::keyClick(form.PL_Right->canvas(), Qt::Key_Left);
    EXPECT_EQ(form.PL_Right->markerPoint(1), QPoint(60, 20));
    // Dragging the first right marker down a little and back.
    QWidget* rc = form.PL_Right->canvas();
    const QPoint start = form.PL_Right->markerPos(0) + QPoint(8, 8);
    QTest::mousePress(rc, Qt::LeftButton, Qt::NoModifier, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(0, 5)), rc->mapToGlobal(QPointF(start + QPoint(0, 5))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rc, &move);
    EXPECT_EQ(form.PL_Right->markerPoint(0), QPoint(60, 210));
    QMouseEvent back(QEvent::MouseMove, QPointF(start), rc->mapToGlobal(QPointF(start)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(rc, &back);
    QTest::mouseRelease(rc, Qt::LeftButton, Qt::NoModifier, start);
    EXPECT_EQ(form.PL_Right->markerPoint(0), QPoint(60, 200));

    // Changing the ratio keeps the markers on their picture points.
    form.CB_Ritu->setCurrentText("100%");
    EXPECT_EQ(form.PL_Left->markerPoint(0), QPoint(200, 20));
    EXPECT_EQ(form.PL_Left->markerPos(0), QPoint(197, 17));
    form.CB_Ritu->setCurrentText("50%");

    QTest::mouseClick(form.BT_Create, Qt::LeftButton);
    ASSERT_EQ(form.page(), 1);
    EXPECT_EQ(form.Message->text(), kPanoramaResult);
    EXPECT_EQ(form.result().size(), QSize(400, 240));
    const QImage expected =
        JoinPanorama(form.PL_Left->picture(), form.PL_Right->picture(), {200, 20}, {200, 200}, {60, 200}, {60, 20});
    EXPECT_EQ(form.result(), expected);

    // 編集 takes the edited picture back.
    form.editPicture = [](QImage& bitmap) {
        bitmap = bitmap.copy(0, 0, 100, 50);
        return true;
    };
    QTest::mouseClick(form.BT_Edit, Qt::LeftButton);
    EXPECT_EQ(form.result().size(), QSize(100, 50));

    // 戻る keeps pictures and markers.
    QTest::mouseClick(form.BT_Back, Qt::LeftButton);
    EXPECT_EQ(form.page(), 0);
    EXPECT_TRUE(form.result().isNull());
    EXPECT_EQ(form.PL_Left->markerCount(), 2);
    EXPECT_EQ(form.Message->text(), kPanoramaReady);

    // 左右写真入替 swaps the pictures and removes every marker.
    QTest::mouseClick(form.BT_Swap, Qt::LeftButton);
    EXPECT_EQ(form.PL_Left->picture().size(), QSize(260, 240));
    EXPECT_EQ(form.PL_Left->markerCount() + form.PL_Right->markerCount(), 0);
    EXPECT_FALSE(form.BT_Create->isEnabled());
    EXPECT_EQ(m.log, QStringList());
}

TEST(PnoForm, NoPanoramaKeepsPageOne)
{
    app();
    ScriptedMessages m;
    TPnoForm form(m);
    form.show();
    const QImage pic = zbtest::patternBitmap(400, 400);
    form.setLeft(pic);
    form.setRight(pic);
    // Left points 40 picture pixels apart, right ones 360: a scale of 1/9.
    clickCanvas(form.PL_Left, {5 + 50, 5 + 10});
    clickCanvas(form.PL_Left, {5 + 50, 5 + 30});
    clickCanvas(form.PL_Right, {5 + 50, 5 + 10});
    clickCanvas(form.PL_Right, {5 + 50, 5 + 190});
    ASSERT_EQ(form.PL_Left->markerPoint(1).y() - form.PL_Left->markerPoint(0).y(), 40);
    ASSERT_EQ(form.PL_Right->markerPoint(1).y() - form.PL_Right->markerPoint(0).y(), 360);
    ASSERT_TRUE(form.BT_Create->isEnabled());
    QTest::mouseClick(form.BT_Create, Qt::LeftButton);
    EXPECT_EQ(form.page(), 0);
    EXPECT_TRUE(form.result().isNull());
    EXPECT_EQ(m.log, QStringList());
}

TEST(PnoForm, PicturesFromTheChooserAndFromDrops)
{
    app();
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("a.jpg"), zbtest::makeJpeg(64, 48));
    zbtest::writeAll(dir.file("b.txt"), "x");
    ScriptedMessages m;
    TPnoForm form(m);
    form.show();
    QString next = dir.file("a.jpg");
    form.choosePicture = [&] { return next; };
    QTest::mouseClick(form.BT_Left, Qt::LeftButton);
    EXPECT_EQ(form.PL_Left->picture().size(), QSize(64, 48));
    // A click on the empty right pane opens the chooser too.
    QTest::mouseClick(form.PL_Right->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    EXPECT_EQ(form.PL_Right->picture().size(), QSize(64, 48));
    next = dir.file("b.txt");
    QTest::mouseClick(form.BT_Right, Qt::LeftButton);
    EXPECT_EQ(m.boxes(), QStringList{"information: サポートされていない写真データ形式です。\r\n>" + dir.file("b.txt")});
    EXPECT_EQ(form.PL_Right->picture().size(), QSize(64, 48));

    // A file dropped from the file manager onto the left pane.
    zbtest::writeAll(dir.file("c.jpg"), zbtest::makeJpeg(80, 40));
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(dir.file("c.jpg"))});
    QWidget* target = form.PL_Left->viewport();
    QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(30, 30), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
    EXPECT_EQ(form.PL_Left->picture().size(), QSize(80, 40));
}

namespace {

// An open job with its tree, the import commands and the scanner and
// panorama commands wired to them as the main window wires them.
struct Desk {
    bool appReady = (app(), true);
    SaneConfig sane;
    ScriptedMessages messages;
    ScriptedProgress progress;
    zbtest::TempDir dir;
    Folders folders;
    std::unique_ptr<TDataModule_Main> data;
    std::unique_ptr<JobLife> job;
    HierarchyModel tree;
    std::unique_ptr<JobWorkspace> workspace;
    std::unique_ptr<TImportCommands> imports;
    std::unique_ptr<TScanCommands> scans;
    QList<RECORD> selection;

    Desk()
    {
        appSettings() = Settings{};
        folders = resolveFolders(dir.path(), {}, {}, dir.path());
        createFolders(folders, messages);
        data = std::make_unique<TDataModule_Main>(folders, messages);
        job = std::make_unique<JobLife>(folders, *data, messages);
        workspace = std::make_unique<JobWorkspace>(*job, tree, messages);
        EXPECT_EQ(job->createJob(QStringLiteral("現場"), {}), JobLife::OpenResult::Opened);
        imports = std::make_unique<TImportCommands>(*job, tree, messages, progress, nullptr);
        scans = std::make_unique<TScanCommands>(*job, messages, nullptr);
        scans->hooks.importFile = [this](const QString& file, bool drawing) {
            return imports->importPaths(QStringList{file}, drawing);
        };
        scans->hooks.drawingListFocused = [] { return false; };
        scans->hooks.focusedSelection = [this] { return selection; };
        tree.select(level2());
        messages.clear();
    }
    ~Desk() { job->closeJob(); }
    FolderNode* level2() { return tree.photoRoot()->child(0)->child(0); }
    QString fileName(RECORD r)
    {
        TTableNetWork& t = job->photoTable();
        PhotoFields f;
        f.lookUp(t);
        EXPECT_TRUE(t.locate(r));
        return t.value(f[F_FILENAME]).toString();
    }
};

}  // namespace

TEST(ScanCommands, ScannedPagesBecomePhotosOfTheSelectedFolderAndTheSettingsAreKept)
{
    Desk d;
    appSettings().twainUser = kScanModeNoDialog;
    appSettings().twainPaper = 0;
    d.scans->setDeviceName("test:0");
    d.scans->runTwain = [](TTwainForm& form) {
        EXPECT_EQ(form.windowTitle(), kScanPhotoCaption);
        EXPECT_EQ(form.ComboBox_Paper->currentIndex(), 0);
        form.Edit_Res->setCurrentText("72");
        form.show();
        QTest::mouseClick(form.BT_Run, Qt::LeftButton);
        EXPECT_EQ(form.PL_Mai->text(), "1枚 ");
        QTest::mouseClick(form.BT_Close, Qt::LeftButton);
    };
    d.scans->scan(false);
    ASSERT_EQ(d.level2()->photos, QList<RECORD>{1});
    EXPECT_EQ(d.fileName(1), "無名");
    EXPECT_EQ(appSettings().twainDpi, 72);
    EXPECT_EQ(d.messages.boxes(), QStringList());
}

TEST(ScanCommands, PanoramaOfTheFirstTwoSelectedPhotosIsImported)
{
    Desk d;
    const QImage whole = zbtest::patternBitmap(400, 240);
    for (const QRect& r : {QRect(0, 0, 260, 240), QRect(140, 0, 260, 240), QRect(0, 0, 50, 50)}) {
        QByteArray jpeg;
        SilentMessages quiet;
        ASSERT_TRUE(EncodeJpeg(whole.copy(r), jpeg, false, 95, quiet));
        const QString path = d.dir.file(QStringLiteral("p%1.jpg").arg(r.x() + r.width()));
        zbtest::writeAll(path, jpeg);
        ASSERT_TRUE(d.imports->importPaths({path}, false));
    }
    ASSERT_EQ(d.level2()->photos, (QList<RECORD>{1, 2, 3}));
    d.selection = {1, 2, 3};
    d.scans->runPanorama = [](TPnoForm& form) {
        EXPECT_EQ(form.PL_Left->picture().size(), QSize(260, 240));
        EXPECT_EQ(form.PL_Right->picture().size(), QSize(260, 240));
        form.show();
        clickCanvas(form.PL_Left, {5 + 100, 5 + 10});
        clickCanvas(form.PL_Left, {5 + 100, 5 + 100});
        clickCanvas(form.PL_Right, {5 + 30, 5 + 10});
        clickCanvas(form.PL_Right, {5 + 30, 5 + 100});
        return form.create();
    };
    d.scans->panoramaFromPhotos();
    ASSERT_EQ(d.level2()->photos, (QList<RECORD>{1, 2, 3, 4}));
    EXPECT_EQ(d.fileName(4), "無名");
    QImage stored;
    ASSERT_TRUE(DecodeJpegFile(QDir(d.folders.localTemp).filePath(kScanTempName), stored, 0, d.messages));
    EXPECT_EQ(stored.size(), QSize(400, 240));
    EXPECT_EQ(d.messages.boxes(), QStringList());
}

TEST(ScanCommands, TheChosenScannerIsKeptInTheSettingsForTheNextStart)
{
    // The scanner of an earlier run comes from the settings: no selection
    // first. 変更 picks another, which the settings then keep.
    Desk d;
    appSettings().twainUser = kScanModeNoDialog;
    appSettings().scanDevice = "test:0";
    QString shown;
    d.scans->runTwain = [&shown](TTwainForm& form) {
        shown = form.deviceName();
        form.chooseDevice = [](const QString& current) {
            EXPECT_EQ(current, "test:0");
            return QStringLiteral("test:1");
        };
        form.show();
        QTest::mouseClick(form.BT_Change, Qt::LeftButton);
        QTest::mouseClick(form.BT_Close, Qt::LeftButton);
    };
    d.scans->scan(false);
    EXPECT_EQ(shown, "test:0");
    EXPECT_EQ(appSettings().scanDevice, "test:1");
    EXPECT_EQ(d.messages.boxes(), QStringList());
}
