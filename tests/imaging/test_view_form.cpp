// The actual-size viewer driven as a user would, and the view command on a
// small job.
#include "core/scripted_ports.h"
#include "fixtures.h"
#include "imaging/graphic_kind.h"
#include "imaging/ui/view_commands.h"
#include "imaging/ui/view_form.h"
#include "settings/settings.h"
#include "store/data_module.h"
#include "store/folders.h"
#include "store/job_life.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QDialog>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_view_ui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down in the exit handlers crashes.
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

QImage bitmap(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB888);
    img.fill(QColor(40, 120, 200));
    return img;
}

void mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void click(QWidget* w, QPoint pos, Qt::MouseButton button)
{
    mouse(w, QEvent::MouseButtonPress, pos, button, button);
    mouse(w, QEvent::MouseButtonRelease, pos, button, Qt::NoButton);
}

void drag(QWidget* w, QPoint from, QPoint to, const std::function<void()>& whileHeld = {})
{
    mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    if (whileHeld)
        whileHeld();
    mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void wheel(QWidget* w, int delta)
{
    const QPointF pos(10, 10);
    QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

QPoint scroll(const TViewForm& f) { return f.ScrollBox->scrollPosition(); }

// A viewer of 600 x 400 client pixels showing a picture.
struct AppFirst {
    AppFirst() { app(); }
};

struct Viewer : AppFirst {
    ScriptedMessages messages;
    TViewForm form{messages};

    Viewer() { form.resize(600, 400); }
    ~Viewer() { form.close(); }
    bool show(const QImage& picture)
    {
        const bool ok = form.ShowPicture(picture);
        form.resize(600, 400);
        QCoreApplication::processEvents();
        return ok;
    }
};

}  // namespace

TEST(ViewForm, OpensWithItsSizeCaptionAndCursor)
{
    app();
    ScriptedMessages messages;
    TViewForm form(messages);
    EXPECT_EQ(form.windowTitle(), kViewFormCaption);
    EXPECT_EQ(form.objectName(), QStringLiteral("ViewForm"));
    EXPECT_EQ(form.size(), QSize(614, 423));
    EXPECT_EQ(form.minimumSize(), QSize(300, 200));
    EXPECT_EQ(form.helpContext(), 256);
    EXPECT_EQ(form.ScrollBox->horizontalScrollBar()->singleStep(), 40);
    EXPECT_EQ(form.ScrollBox->verticalScrollBar()->singleStep(), 40);
    const QCursor& c = form.IJLImage->cursor();
    EXPECT_EQ(c.pixmap().size(), QSize(32, 32));
    EXPECT_EQ(c.hotSpot(), QPoint(16, 16));
    EXPECT_EQ(form.ScrollBox->viewport()->cursor().hotSpot(), QPoint(16, 16));

    // The first picture opens the window at the initial client size, fitted.
    ASSERT_TRUE(form.ShowPicture(bitmap(1228, 423)));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.ScrollBox->clientSize(), QSize(614, 423));
    EXPECT_EQ(form.IJLImage->geometry(), QRect(0, 0, 614, 211).translated(0, 106));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("表示 W 614 / H 211  50%  (実寸 W 1228 / H 423)"));
    form.close();
}

TEST(ViewForm, FitsCentresAndRefitsOnResize)
{
    Viewer v;
    ASSERT_TRUE(v.show(bitmap(1200, 600)));
    EXPECT_EQ(v.form.IJLImage->geometry(), QRect(0, 50, 600, 300));
    EXPECT_EQ(v.form.windowTitle(), QStringLiteral("表示 W 600 / H 300  50%  (実寸 W 1200 / H 600)"));
    EXPECT_FALSE(v.form.ScrollBox->horizontalScrollBar()->isVisible());

    v.form.resize(300, 200);
    QCoreApplication::processEvents();
    EXPECT_EQ(v.form.IJLImage->geometry(), QRect(0, 25, 300, 150));

    // A small picture replaces it at natural size, centred.
    ASSERT_TRUE(v.show(bitmap(300, 200)));
    EXPECT_EQ(v.form.IJLImage->geometry(), QRect(150, 100, 300, 200));
    EXPECT_EQ(v.form.windowTitle(), QStringLiteral("表示 W 300 / H 200  100%  (実寸 W 300 / H 200)"));
}

TEST(ViewForm, ClicksZoomAboutThePointer)
{
    Viewer v;
    ASSERT_TRUE(v.show(bitmap(1200, 600)));
    // Left click at picture point (300, 150), client point (300, 200).
    click(v.form.IJLImage, {300, 150}, Qt::LeftButton);
    EXPECT_EQ(v.form.IJLImage->size(), QSize(900, 450));
    EXPECT_TRUE(v.form.layout().zoomed());
    EXPECT_EQ(v.form.IJLImage->pos() + QPoint(450, 225), QPoint(300, 200));
    EXPECT_EQ(v.form.windowTitle(), QStringLiteral("表示 W 900 / H 450  75%  (実寸 W 1200 / H 600)"));

    // Right click where the picture point (450, 225) now is: back to 600 x 300.
    click(v.form.IJLImage, {450, 225}, Qt::RightButton);
    EXPECT_EQ(v.form.IJLImage->size(), QSize(600, 300));
    // The middle button does nothing.
    click(v.form.IJLImage, {10, 10}, Qt::MiddleButton);
    EXPECT_EQ(v.form.IJLImage->size(), QSize(600, 300));

    // After a zoom, a resize no longer refits.
    click(v.form.IJLImage, {10, 10}, Qt::LeftButton);
    v.form.resize(500, 300);
    QCoreApplication::processEvents();
    EXPECT_EQ(v.form.IJLImage->size(), QSize(900, 450));

    // A click on the empty part of the scroll box zooms like one on the picture.
    ASSERT_TRUE(v.show(bitmap(300, 200)));
    click(v.form.ScrollBox->viewport(), {10, 10}, Qt::LeftButton);
    EXPECT_EQ(v.form.IJLImage->size(), QSize(450, 300));
}

TEST(ViewForm, LargeDisplaysStopAtThePixelLimit)
{
    Viewer v;
    ASSERT_TRUE(v.show(bitmap(2000, 1500)));
    // Shown at 532 x 400; zoom in to natural size and beyond.
    for (int i = 0; i < 8; ++i)
        click(v.form.IJLImage, {5, 5}, Qt::LeftButton);
    const QSize s = v.form.IJLImage->size();
    EXPECT_LE(qint64(s.width()) * s.height(), 6553600);
    EXPECT_GT(qint64(s.width()) * s.height(), 6400000);
    // Already at the limit: nothing more.
    click(v.form.IJLImage, {5, 5}, Qt::LeftButton);
    EXPECT_EQ(v.form.IJLImage->size(), s);
}

TEST(ViewForm, DraggedRectangleZoomsAndThinOnesDoNothing)
{
    Viewer v;
    ASSERT_TRUE(v.show(bitmap(1200, 600)));
    // 5 x 100: a drag with a rectangle on the screen while held, but no zoom
    // and no rectangle left behind.
    QRect held;
    drag(v.form.IJLImage, {100, 100}, {105, 200}, [&] { held = v.form.zoomRectangle(); });
    EXPECT_FALSE(held.isNull());
    // One pixel inside the corners, in client coordinates (picture top 50).
    EXPECT_EQ(held, QRect(QPoint(101, 151), QPoint(104, 249)));
    EXPECT_TRUE(v.form.zoomRectangle().isNull());
    EXPECT_FALSE(v.form.dragging());
    EXPECT_EQ(v.form.IJLImage->size(), QSize(600, 300));
    EXPECT_FALSE(v.form.layout().zoomed());

    // Within five pixels it stays a click: the release zooms by 1.5.
    drag(v.form.IJLImage, {100, 100}, {104, 105}, [&] { EXPECT_TRUE(v.form.zoomRectangle().isNull()); });
    EXPECT_EQ(v.form.IJLImage->size(), QSize(900, 450));

    // (100, 100)-(200, 200) fills the client area: f = min(600, 400) / 100.
    ASSERT_TRUE(v.show(bitmap(1200, 600)));
    drag(v.form.IJLImage, {100, 100}, {200, 200});
    EXPECT_EQ(v.form.IJLImage->size(), QSize(2400, 1200));
    // Its centre (150, 150) went to the centre of the client area the drag
    // was made in.
    EXPECT_EQ(v.form.IJLImage->pos() + QPoint(600, 600), QPoint(300, 200));
}

TEST(ViewForm, KeysScrollAndClose)
{
    Viewer v;
    ASSERT_TRUE(v.show(bitmap(1200, 600)));
    drag(v.form.IJLImage, {100, 100}, {200, 200});  // 2400 x 1200
    const QPoint start = scroll(v.form);
    ASSERT_EQ(start, QPoint(300, 400));
    QTest::keyClick(v.form.FocusControl, Qt::Key_Right);
    EXPECT_EQ(scroll(v.form), start + QPoint(30, 0));
    QTest::keyClick(v.form.FocusControl, Qt::Key_Left);
    QTest::keyClick(v.form.FocusControl, Qt::Key_Left);
    EXPECT_EQ(scroll(v.form), start + QPoint(-30, 0));
    QTest::keyClick(v.form.FocusControl, Qt::Key_Down);
    EXPECT_EQ(scroll(v.form).y(), start.y() + 30);
    QTest::keyClick(v.form.FocusControl, Qt::Key_Up);
    EXPECT_EQ(scroll(v.form).y(), start.y());

    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
        ASSERT_TRUE(v.show(bitmap(300, 200)));
        QTest::keyClick(v.form.FocusControl, key);
        EXPECT_FALSE(v.form.isVisible()) << key;
        // Closing releases the picture.
        EXPECT_TRUE(v.form.IJLImage->picture().isNull());
        EXPECT_FALSE(v.form.layout().hasPicture());
    }
}

TEST(ViewForm, WheelNotchScrollsTheSystemLinesTimesForty)
{
    Viewer v;
    ASSERT_TRUE(v.show(bitmap(600, 4000)));
    // Shown at 60 x 400; five zooms make it 455 x 3037.
    for (int i = 0; i < 5; ++i)
        click(v.form.IJLImage, {10, 10}, Qt::LeftButton);
    ASSERT_GT(v.form.IJLImage->height(), 3000);
    v.form.ScrollBox->setScrollPosition({0, 500});
    const int notch = QApplication::wheelScrollLines() * 40;
    QWidget* vp = v.form.ScrollBox->viewport();
    wheel(vp, -120);
    EXPECT_EQ(scroll(v.form).y(), 500 + notch);
    wheel(vp, 120);
    EXPECT_EQ(scroll(v.form).y(), 500);
    // Half notches add up; a change of direction starts again.
    wheel(vp, -60);
    EXPECT_EQ(scroll(v.form).y(), 500);
    wheel(vp, 60);
    wheel(vp, 60);
    EXPECT_EQ(scroll(v.form).y(), 500 - notch);
    // Over the picture it works the same.
    wheel(v.form.IJLImage, -120);
    EXPECT_EQ(scroll(v.form).y(), 500);
}

TEST(ViewForm, ShowsFilesByKindAndBeepsForMissingOnes)
{
    zbtest::TempDir dir;
    Viewer v;
    const QString jpeg = dir.file("IMG_0001.JPG");
    zbtest::writeAll(jpeg, zbtest::makeJpeg(1200, 600));
    ASSERT_TRUE(v.form.ShowPicture(jpeg));
    v.form.resize(600, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(v.form.namePart(), QStringLiteral("IMG_0001.JPG "));
    EXPECT_EQ(v.form.windowTitle(), QStringLiteral("表示 IMG_0001.JPG W 600 / H 300  50%  (実寸 W 1200 / H 600)"));

    const QString png = dir.file("plan.png"), wmf = dir.file("plan.wmf"), gif = dir.file("a.gif");
    ASSERT_TRUE(bitmap(80, 60).save(png));
    zbtest::writeAll(wmf, zbtest::makeWmf(200, 100, 0x0000FF, 10, 10, 50, 50));
    zbtest::writeAll(gif, zbtest::makeGif(30, 20, 0x00ff00));
    struct Case {
        QString path;
        QSize natural;
    } shown[] = {{png, {80, 60}}, {wmf, {200, 100}}, {gif, {30, 20}}};
    for (const Case& c : shown) {
        EXPECT_TRUE(v.form.ShowPicture(c.path)) << c.path.toStdString();
        EXPECT_EQ(v.form.layout().natural(), c.natural) << c.path.toStdString();
    }

    // Missing or unsupported: a beep, the window (already open) stays empty.
    const QString text = dir.file("notes.txt");
    zbtest::writeAll(text, "hello");
    for (const QString& p : {dir.file("gone.jpg"), text}) {
        v.messages.clear();
        EXPECT_FALSE(v.form.ShowPicture(p));
        EXPECT_EQ(v.messages.log, QStringList{QStringLiteral("beep")});
        EXPECT_TRUE(v.form.isVisible());
        EXPECT_FALSE(v.form.IJLImage->isVisible());
    }
}

TEST(ViewForm, BrokenPicturesAreNotShown)
{
    app();
    ScriptedMessages messages;
    TViewForm form(messages);
    QByteArray broken = zbtest::makeJpeg(64, 48);
    broken.truncate(40);
    EXPECT_FALSE(form.ShowPicture(broken));
    EXPECT_FALSE(form.isVisible());
    ASSERT_FALSE(messages.log.isEmpty());
    EXPECT_TRUE(messages.log.first().startsWith(QStringLiteral("status:  JPEG Error Status="))) << messages.log.first().toStdString();
    EXPECT_FALSE(form.ShowMetafile(QByteArray("not a metafile")));
    EXPECT_FALSE(form.isVisible());

    // A metafile shows at its natural size; a stream that is really a JPEG
    // behind a metafile flag shows as the JPEG.
    EXPECT_TRUE(form.ShowMetafile(zbtest::makeEmf(160, 120, 0x00FF00, 0, 0, 80, 60)));
    EXPECT_EQ(form.layout().natural(), QSize(160, 120));
    EXPECT_TRUE(form.ShowMetafile(zbtest::makeJpeg(64, 48)));
    EXPECT_EQ(form.layout().natural(), QSize(64, 48));
    form.close();
}

TEST(ViewForm, NewPictureResetsTheZoom)
{
    Viewer v;
    ASSERT_TRUE(v.show(bitmap(1200, 600)));
    click(v.form.IJLImage, {300, 150}, Qt::LeftButton);
    ASSERT_TRUE(v.form.layout().zoomed());
    ASSERT_TRUE(v.form.ShowPicture(bitmap(1200, 600)));
    EXPECT_FALSE(v.form.layout().zoomed());
    EXPECT_EQ(v.form.IJLImage->geometry(), QRect(0, 50, 600, 300));
    EXPECT_EQ(scroll(v.form), QPoint(0, 0));
}

TEST(ViewForm, PositionIsRestoredAndSavedThroughTheHooks)
{
    app();
    ScriptedMessages messages;
    TViewForm form(messages);
    QStringList asked;
    QRect saved;
    bool savedMax = true;
    form.placeHooks.restore = [&](const QString& name, QRect& bounds, bool& maximised) {
        asked << name;
        bounds = QRect(40, 50, 700, 500);
        maximised = false;
        return true;
    };
    form.placeHooks.save = [&](const QString& name, const QRect& bounds, bool maximised) {
        asked << name;
        saved = bounds;
        savedMax = maximised;
    };
    ASSERT_TRUE(form.ShowPicture(bitmap(100, 100)));
    EXPECT_EQ(form.geometry(), QRect(40, 50, 700, 500));
    form.resize(640, 480);
    form.close();
    EXPECT_EQ(asked, (QStringList{"ViewForm", "ViewForm"}));
    EXPECT_EQ(saved.size(), QSize(640, 480));
    EXPECT_FALSE(savedMax);
    // Shown again, it keeps where it was; the hooks are read once.
    ASSERT_TRUE(form.ShowPicture(bitmap(100, 100)));
    EXPECT_EQ(form.size(), QSize(640, 480));
    EXPECT_EQ(asked.size(), 2);
    form.close();
}

// Opened from a modal dialog (the file chooser), the viewer belongs to that
// dialog while it is open, so that it takes input, and comes back afterwards.
TEST(ViewForm, FollowsAModalDialogAndComesBack)
{
    app();
    ScriptedMessages messages;
    QWidget home;
    auto* form = new TViewForm(messages, &home);
    QDialog dialog(&home);
    QWidget* ownerWhileOpen = nullptr;
    bool shownWhileOpen = false;
    QTimer::singleShot(0, [&] {
        form->ShowPicture(bitmap(100, 80));
        ownerWhileOpen = form->parentWidget();
        shownWhileOpen = form->isVisible();
        dialog.accept();
    });
    dialog.exec();
    EXPECT_EQ(ownerWhileOpen, &dialog);
    EXPECT_TRUE(shownWhileOpen);
    EXPECT_EQ(form->parentWidget(), &home);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->layout().natural(), QSize(100, 80));
    form->close();
}

// ---------------------------------------------------------------- view command

namespace {

// An open job with rows written straight into its photo table.
struct Job {
    zbtest::TempDir dir;
    ScriptedMessages messages;
    Folders folders;
    std::unique_ptr<TDataModule_Main> data;
    std::unique_ptr<JobLife> job;
    std::unique_ptr<TViewCommands> views;
    QList<RECORD> selection;

    Job()
    {
        app();
        appSettings() = Settings{};
        folders = resolveFolders(dir.path(), {}, {}, dir.path());
        createFolders(folders, messages);
        data = std::make_unique<TDataModule_Main>(folders, messages);
        job = std::make_unique<JobLife>(folders, *data, messages);
        EXPECT_EQ(job->createJob(QStringLiteral("現場"), {}), JobLife::OpenResult::Opened);
        views = std::make_unique<TViewCommands>(*job, messages, nullptr);
        views->hooks.focusedListSelection = [this] { return selection; };
        messages.clear();
    }
    ~Job()
    {
        if (TViewForm* f = views->existingViewForm())
            f->close();
        views.reset();
        job->closeJob();
    }

    void addRow(RECORD record, const QByteArray& org, int graFlag, const QByteArray& now = {},
                const QString& fileName = {})
    {
        TTableNetWork& t = job->photoTable();
        PhotoFields f;
        f.lookUp(t);
        t.append();
        t.setValue(f[F_RECORD], record);
        t.setValue(f[F_GRA_FLAG], graFlag);
        if (!fileName.isEmpty())
            t.setValue(f[F_FILENAME], fileName);
        if (!org.isEmpty())
            t.writeBlob(f[F_IMAGE_ORG], org);
        if (!now.isEmpty())
            t.writeBlob(f[F_IMAGE_NOW], now);
        t.post();
    }
    TViewForm* viewer() const { return views->existingViewForm(); }
    bool showing() const { return viewer() && viewer()->isVisible(); }
};

}  // namespace

TEST(ViewCommands, ShowsTheCurrentPictureOfTheOneSelectedRow)
{
    Job j;
    j.addRow(1, zbtest::makeJpeg(320, 240), kKindJpeg);
    j.addRow(2, zbtest::makeJpeg(320, 240), kKindJpeg, zbtest::makeJpeg(240, 320));
    j.addRow(3, zbtest::makeWmf(200, 100, 0x0000FF, 10, 10, 50, 50), kKindMetafile);

    // None, or two selected: nothing.
    j.views->viewSelected();
    EXPECT_EQ(j.viewer(), nullptr);
    j.selection = {1, 2};
    j.views->viewSelected();
    EXPECT_EQ(j.viewer(), nullptr);

    const struct {
        RECORD record;
        QSize natural;
    } cases[] = {{1, {320, 240}}, {2, {240, 320}}, {3, {200, 100}}};
    for (const auto& c : cases) {
        j.selection = {c.record};
        j.views->viewSelected();
        ASSERT_TRUE(j.showing()) << c.record;
        EXPECT_EQ(j.viewer()->layout().natural(), c.natural) << c.record;
        EXPECT_EQ(j.viewer()->namePart(), QString());
    }
    // One viewer for all of them.
    EXPECT_TRUE(j.messages.boxes().isEmpty()) << j.messages.boxes().join('\n').toStdString();
}

TEST(ViewCommands, RowWithoutPicturesShowsItsFileWhenThere)
{
    Job j;
    const QString file = j.dir.file("DSC_0001.JPG");
    zbtest::writeAll(file, zbtest::makeJpeg(100, 60));
    j.addRow(1, {}, kKindJpeg, {}, file);
    j.addRow(2, {}, kKindJpeg, {}, j.dir.file("gone.JPG"));

    j.selection = {2};
    j.views->viewSelected();
    EXPECT_FALSE(j.showing());
    EXPECT_TRUE(j.messages.log.isEmpty());

    j.selection = {1};
    j.views->viewSelected();
    ASSERT_TRUE(j.showing());
    EXPECT_EQ(j.viewer()->layout().natural(), QSize(100, 60));
}

TEST(ViewCommands, DamagedPictureSaysSoAndChangesNothing)
{
    Job j;
    QByteArray broken = zbtest::makeJpeg(64, 48);
    broken.truncate(50);
    j.addRow(1, broken, kKindJpeg);
    j.addRow(2, QByteArray("garbage"), kKindMetafile);
    for (RECORD r : {1, 2}) {
        j.messages.clear();
        j.selection = {r};
        j.views->viewSelected();
        EXPECT_FALSE(j.showing()) << r;
        EXPECT_EQ(j.messages.boxes(), QStringList{"information: " + kViewLoadFailed}) << r;
    }
    // The rows are as they were.
    TTableNetWork& t = j.job->photoTable();
    PhotoFields f;
    f.lookUp(t);
    ASSERT_TRUE(t.locate(1));
    EXPECT_EQ(t.readBlob(f[F_IMAGE_ORG]), broken);
    EXPECT_TRUE(t.isNull(f[F_IMAGE_NOW]));
}

TEST(ViewCommands, FileChooserFilesAreShownOrReported)
{
    Job j;
    const QString good = j.dir.file("IMG_0002.jpg"), bad = j.dir.file("bad.png"), text = j.dir.file("a.txt");
    zbtest::writeAll(good, zbtest::makeJpeg(90, 70));
    zbtest::writeAll(bad, "not a png");
    zbtest::writeAll(text, "text");
    EXPECT_TRUE(j.views->showFile(good));
    EXPECT_EQ(j.viewer()->namePart(), QStringLiteral("IMG_0002.jpg "));

    j.messages.clear();
    EXPECT_FALSE(j.views->showFile(text));
    EXPECT_EQ(j.messages.log, QStringList{"beep"});
    j.messages.clear();
    EXPECT_FALSE(j.views->showFile(bad));
    EXPECT_EQ(j.messages.boxes(), QStringList{"information: " + kViewLoadFailed});
}

TEST(ViewCommands, HandlerIsGivenUnderItsName)
{
    Job j;
    QStringList names;
    std::function<void()> handler;
    j.views->installHandlers([&](const QString& name, std::function<void()> fn) {
        names << name;
        handler = std::move(fn);
    });
    EXPECT_EQ(names, QStringList{"ViewSelected"});
    j.addRow(5, zbtest::makeJpeg(50, 40), kKindJpeg);
    j.selection = {5};
    handler();
    EXPECT_TRUE(j.showing());
}
