#include "app/window_positions.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace zb;

TEST(WindowPositions, BoundsArePulledInsideTheDesktop)
{
    const QRect desk(0, 0, 1024, 768);
    struct Case {
        QRect in, out;
    } cases[] = {
        {{100, 100, 800, 600}, {100, 100, 800, 600}},     // already inside
        {{-50, -20, 800, 600}, {0, 0, 800, 600}},         // left of and above the desktop
        {{600, 500, 800, 600}, {224, 168, 800, 600}},     // saved on a larger screen, further right
        {{0, 0, 1920, 1200}, {0, 0, 1024, 768}},          // larger than the desktop
        {{1800, 1000, 1920, 1200}, {0, 0, 1024, 768}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(clampToDesktop(c.in, desk), c.out) << c.in.x() << "," << c.in.y();
    EXPECT_EQ(clampToDesktop({1500, 10, 200, 100}, QRect(1280, 0, 1024, 768)), QRect(1500, 10, 200, 100));
}

TEST(WindowPositions, AMaximisedWindowReopensMaximisedWithItsNormalBounds)
{
    zbtest::TempDir dir;
    const QString path = dir.file("ZB_M.INI");
    {
        WindowPositions p(path);
        p.saveWindow("Sz_ZbMainForm", QRect(10, 20, 700, 500), true);
        p.savePanel("Sz_Float_Mime", QRect(5, 6, 900, 900), false);
        ASSERT_TRUE(p.save());
    }
    WindowPositions p(path);
    const WindowPlacement w = p.restoreWindow("Sz_ZbMainForm", QRect(0, 0, 300, 200), true, QRect(0, 0, 1024, 768));
    EXPECT_TRUE(w.maximised);
    EXPECT_EQ(w.bounds, QRect(10, 20, 700, 500));

    // A fixed-size window keeps its own size and takes only the position.
    const WindowPlacement fixed = p.restoreWindow("Sz_ZbMainForm", QRect(0, 0, 300, 200), false, QRect(0, 0, 1024, 768));
    EXPECT_EQ(fixed.bounds, QRect(10, 20, 300, 200));

    // A panel larger than its parent shrinks to the parent's client size minus 10.
    const PanelPlacement panel = p.restorePanel("Sz_Float_Mime", QRect(0, 0, 100, 100), true, QSize(500, 400));
    EXPECT_FALSE(panel.visible);
    EXPECT_EQ(panel.bounds, QRect(5, 6, 490, 390));

    // A window without a section keeps its current bounds.
    const WindowPlacement none = p.restoreWindow("Sz_Other", QRect(1, 2, 3, 4), true, QRect(0, 0, 1024, 768));
    EXPECT_EQ(none.bounds, QRect(1, 2, 3, 4));
    EXPECT_FALSE(none.maximised);
}

TEST(WindowPositions, LayoutResetRestoresNothingAndErasesWhatWasSaved)
{
    zbtest::TempDir dir;
    const QString path = dir.file("ZB_M.INI");
    {
        WindowPositions p(path);
        p.saveWindow("Sz_ZbMainForm", QRect(10, 20, 700, 500), true);
        p.save();
    }
    {
        WindowPositions p(path);
        EXPECT_TRUE(p.kept("Sz_ZbMainForm"));
        EXPECT_FALSE(p.kept("Sz_AlbumMainForm"));
        p.setResetPending(true);
        EXPECT_FALSE(p.kept("Sz_ZbMainForm"));
        const WindowPlacement w = p.restoreWindow("Sz_ZbMainForm", QRect(0, 0, 300, 200), true, QRect(0, 0, 1024, 768));
        EXPECT_EQ(w.bounds, QRect(0, 0, 300, 200));
        EXPECT_FALSE(w.maximised);
        p.saveWindow("Sz_ZbMainForm", QRect(1, 1, 1, 1), false);
        p.save();
    }
    WindowPositions next(path);
    const WindowPlacement w = next.restoreWindow("Sz_ZbMainForm", QRect(0, 0, 300, 200), true, QRect(0, 0, 1024, 768));
    EXPECT_EQ(w.bounds, QRect(0, 0, 300, 200));
}

TEST(WindowPositions, DamagedSizesAreIgnored)
{
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("ZB_M.INI"),
                     "[Sz_ZbMainForm]\r\nszLeft=x\r\nszTop=40\r\nszWidth=-5\r\nszHeight=0\r\nszWindowState=7\r\n");
    WindowPositions p(dir.file("ZB_M.INI"));
    const WindowPlacement w = p.restoreWindow("Sz_ZbMainForm", QRect(30, 0, 640, 480), true, QRect(0, 0, 1024, 768));
    EXPECT_EQ(w.bounds, QRect(30, 40, 640, 480));
    EXPECT_FALSE(w.maximised);
}

TEST(WindowPositions, BandLayoutKeptAsOneValueHonouringTheReset)
{
    zbtest::TempDir dir;
    const QString path = dir.file("ZB_M.INI");
    const QByteArray layout("\x00\xff\x01 band layout =;[]\r\n", 22);
    {
        WindowPositions p(path);
        p.saveBands("CoolBar_Album", layout);
        ASSERT_TRUE(p.save());
    }
    {
        WindowPositions p(path);
        EXPECT_EQ(p.restoreBands("CoolBar_Album"), layout);
        EXPECT_TRUE(p.restoreBands("CoolBar_Form").isEmpty());
        // While a reset is pending nothing is restored, and saving only erases.
        p.setResetPending(true);
        EXPECT_TRUE(p.restoreBands("CoolBar_Album").isEmpty());
        p.saveBands("CoolBar_Album", QByteArray("other"));
        ASSERT_TRUE(p.save());
    }
    {
        WindowPositions p(path);
        EXPECT_TRUE(p.restoreBands("CoolBar_Album").isEmpty());
    }
    // A value that is not base64 gives nothing rather than some bytes.
    for (const char* damaged : {"BandLayout=@@not base64@@", "BandLayout=QUJD=RA", "BandLayout=ｱｲｳ"}) {
        zbtest::writeAll(path, QByteArray("[CoolBar_Album]\r\n") + damaged + "\r\n");
        WindowPositions p(path);
        EXPECT_TRUE(p.restoreBands("CoolBar_Album").isEmpty()) << damaged;
    }
}
