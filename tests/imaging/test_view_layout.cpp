// The viewer's layout and zoom arithmetic, without a window.
#include "imaging/view_layout.h"

#include <gtest/gtest.h>

using namespace zb;

namespace {

// A picture laid out in a client area as the viewer shows it first.
ViewLayout fitted(QSize natural, QSize client)
{
    ViewLayout l;
    l.setPicture(natural);
    l.layout(client);
    return l;
}

}  // namespace

TEST(ViewLayout, FitsOrCentresAPictureInTheClientArea)
{
    struct Case {
        QSize natural, client;
        QRect bounds;
        int percent;
    };
    const Case cases[] = {
        // Larger than the area: reduced by the tighter ratio and centred.
        {{1200, 600}, {600, 400}, {0, 50, 600, 300}, 50},
        {{400, 1000}, {600, 400}, {220, 0, 160, 400}, 40},
        // Smaller: natural size, centred.
        {{300, 200}, {600, 400}, {150, 100, 300, 200}, 100},
        // Exactly as large: natural size at the corner.
        {{600, 400}, {600, 400}, {0, 0, 600, 400}, 100},
        // Wider only.
        {{1000, 100}, {600, 400}, {0, 170, 600, 60}, 60},
    };
    for (const Case& c : cases) {
        const ViewLayout l = fitted(c.natural, c.client);
        EXPECT_EQ(l.bounds(), c.bounds) << c.natural.width() << "x" << c.natural.height();
        EXPECT_EQ(l.percent(), c.percent);
        EXPECT_EQ(l.scroll(), QPoint(0, 0));
        EXPECT_FALSE(l.zoomed());
    }
}

TEST(ViewLayout, CaptionNamesSizesZoomAndTheFile)
{
    const ViewLayout l = fitted({1200, 600}, {600, 400});
    EXPECT_EQ(l.caption({}), QStringLiteral("表示 W 600 / H 300  50%  (実寸 W 1200 / H 600)"));
    EXPECT_EQ(l.caption(ViewLayout::namePartOf(QStringLiteral("/photos/IMG_0001.JPG"))),
              QStringLiteral("表示 IMG_0001.JPG W 600 / H 300  50%  (実寸 W 1200 / H 600)"));
    EXPECT_EQ(fitted({300, 200}, {600, 400}).caption({}),
              QStringLiteral("表示 W 300 / H 200  100%  (実寸 W 300 / H 200)"));
}

TEST(ViewLayout, ResizingRefitsUntilTheFirstZoomThenOnlyRecentres)
{
    ViewLayout l = fitted({1200, 600}, {600, 400});
    l.layout({300, 200});
    EXPECT_EQ(l.bounds(), QRect(0, 25, 300, 150));
    l.layout({600, 400});
    EXPECT_EQ(l.bounds(), QRect(0, 50, 600, 300));

    ASSERT_TRUE(l.clickZoom(Qt::LeftButton, {300, 150}, {600, 400}));
    const QRect zoomed = l.bounds();
    EXPECT_EQ(zoomed.size(), QSize(900, 450));
    // Larger than the area: nothing moves.
    l.layout({500, 300});
    EXPECT_EQ(l.bounds(), zoomed);
    // Now the area holds it: centred, scrolled back to 0,0.
    l.layout({1000, 500});
    EXPECT_EQ(l.bounds(), QRect(50, 25, 900, 450));
    EXPECT_EQ(l.scroll(), QPoint(0, 0));
    // Only in one direction: nothing moves.
    l.layout({1000, 400});
    EXPECT_EQ(l.bounds(), QRect(50, 25, 900, 450));
}

TEST(ViewLayout, ClickZoomsInAndOutWithinTheLimits)
{
    struct Case {
        const char* what;
        QSize natural, client;
        Qt::MouseButton button;
        QPoint at;  // picture coordinates
        bool zooms;
        QSize displayed;
    };
    const Case cases[] = {
        {"left: 1.5", {1200, 600}, {600, 400}, Qt::LeftButton, {300, 150}, true, {900, 450}},
        // 3,000,000 pixels at natural size: 1.5 would give 6,750,000, so the
        // factor is sqrt(6,553,600 / 3,000,000).
        {"left: pixel limit", {2000, 1500}, {2100, 1600}, Qt::LeftButton, {1000, 750}, true, {2956, 2217}},
        {"left: already at the limit", {2560, 2560}, {2600, 2600}, Qt::LeftButton, {10, 10}, false, {2560, 2560}},
        {"left: beyond the limit", {3000, 3000}, {3100, 3100}, Qt::LeftButton, {10, 10}, false, {3000, 3000}},
        {"right: 2/3", {1200, 600}, {600, 400}, Qt::RightButton, {300, 150}, true, {400, 200}},
        // 12 % would become 8 %: held at 10 %.
        {"right: 12 % to 10 %", {1000, 500}, {120, 400}, Qt::RightButton, {60, 30}, true, {100, 50}},
        // Already below 10 %: a right click never enlarges.
        {"right: below 10 %", {1000, 500}, {90, 400}, Qt::RightButton, {45, 20}, false, {90, 45}},
        {"right: at 10 %", {1000, 500}, {100, 400}, Qt::RightButton, {45, 20}, false, {100, 50}},
        {"middle button", {1200, 600}, {600, 400}, Qt::MiddleButton, {300, 150}, false, {600, 300}},
    };
    for (const Case& c : cases) {
        ViewLayout l = fitted(c.natural, c.client);
        EXPECT_EQ(l.clickZoom(c.button, c.at, c.client), c.zooms) << c.what;
        EXPECT_EQ(l.displayed(), c.displayed) << c.what;
        EXPECT_EQ(l.zoomed(), c.zooms) << c.what;
    }
}

TEST(ViewLayout, ClickedPointStaysUnderThePointer)
{
    // 600 x 300 shown at top 50; the click at picture point (300, 150) is at
    // client point (300, 200) and stays there after the zoom to 900 x 450.
    ViewLayout l = fitted({1200, 600}, {600, 400});
    ASSERT_TRUE(l.clickZoom(Qt::LeftButton, {300, 150}, {600, 400}));
    EXPECT_EQ(l.bounds(), QRect(0, 0, 900, 450));
    EXPECT_EQ(l.scroll(), QPoint(450 - 300, 225 - 200));

    // 2000 x 1500 at (50, 50) clicked at its centre, client point (1050, 800).
    ViewLayout big = fitted({2000, 1500}, {2100, 1600});
    ASSERT_TRUE(big.clickZoom(Qt::LeftButton, {1000, 750}, {2100, 1600}));
    EXPECT_EQ(big.scroll(), QPoint(1478 - 1050, 1108 - 800));

    // A zoom that stays smaller than the area is centred in that direction.
    ViewLayout wide = fitted({1200, 200}, {600, 400});  // 600 x 100 at top 150
    ASSERT_TRUE(wide.clickZoom(Qt::LeftButton, {100, 50}, {600, 400}));
    EXPECT_EQ(wide.bounds(), QRect(0, 125, 900, 150));
    EXPECT_EQ(wide.scroll().y(), 0);
    EXPECT_EQ(wide.scroll().x(), 150 - 100);
}

TEST(ViewLayout, ScrollPositionsAreClampedToTheRange)
{
    const QRect bounds(0, 0, 900, 450);
    const QSize client(600, 400);
    EXPECT_EQ(ViewLayout::clampScroll({150, 25}, bounds, client), QPoint(150, 25));
    EXPECT_EQ(ViewLayout::clampScroll({-20, 90}, bounds, client), QPoint(0, 50));
    EXPECT_EQ(ViewLayout::clampScroll({5000, 5000}, bounds, client), QPoint(300, 50));
    EXPECT_EQ(ViewLayout::clampScroll({10, 10}, QRect(50, 25, 300, 200), client), QPoint(0, 0));
}

TEST(ViewLayout, DragZoomNeedsSixPixelsEachWayAndKeepsTheLimit)
{
    struct Case {
        const char* what;
        QPoint a, b;
        bool zooms;
        QSize displayed;
    };
    // 1200 x 600 shown at 600 x 300 in 600 x 400.
    const Case cases[] = {
        {"5 x 100", {100, 100}, {105, 200}, false, {600, 300}},
        {"100 x 5", {100, 100}, {200, 95}, false, {600, 300}},
        // 6 x 100: the height decides, f = 400 / 100.
        {"6 x 100", {0, 0}, {6, 100}, true, {2400, 1200}},
        // Corners in any order.
        {"reversed", {6, 100}, {0, 0}, true, {2400, 1200}},
        // 60 x 40 would give 10 x: held at 6,553,600 pixels.
        {"pixel limit", {100, 100}, {160, 140}, true, {3620, 1810}},
    };
    for (const Case& c : cases) {
        ViewLayout l = fitted({1200, 600}, {600, 400});
        EXPECT_EQ(l.dragZoom(c.a, c.b, {600, 400}), c.zooms) << c.what;
        EXPECT_EQ(l.displayed(), c.displayed) << c.what;
    }
}

TEST(ViewLayout, DragBringsTheRectangleCentreToTheClientCentre)
{
    ViewLayout l = fitted({1200, 600}, {600, 400});
    // Rectangle (100, 100)-(200, 200): f = min(6, 4) = 4, centre (150, 150)
    // goes to (300, 200).
    ASSERT_TRUE(l.dragZoom({100, 100}, {200, 200}, {600, 400}));
    EXPECT_EQ(l.displayed(), QSize(2400, 1200));
    EXPECT_EQ(l.scroll(), QPoint(600 - 300, 600 - 200));

    // A display already at the pixel limit: the factor is 1, the rectangle's
    // centre is still brought to the middle.
    ViewLayout full = fitted({2560, 2560}, {2600, 2600});
    ASSERT_TRUE(full.dragZoom({0, 0}, {100, 100}, {600, 400}));
    EXPECT_EQ(full.displayed(), QSize(2560, 2560));
    EXPECT_EQ(full.scroll(), QPoint(50 - 300, 50 - 200));
}

TEST(ViewLayout, PressBecomesADragOutsideTheFivePixelSquare)
{
    const struct {
        QPoint to;
        bool drag;
    } cases[] = {{{5, 5}, false}, {{-5, 5}, false}, {{0, 0}, false}, {{6, 0}, true}, {{0, -6}, true}, {{5, 100}, true}};
    for (const auto& c : cases)
        EXPECT_EQ(ViewLayout::leavesClickSquare({100, 100}, QPoint(100, 100) + c.to), c.drag)
            << c.to.x() << "," << c.to.y();
}

TEST(ViewLayout, ZoomKeepsTheNaturalProportions)
{
    // Many zooms in and out: the height always follows the width by the
    // natural proportions, so it never drifts.
    ViewLayout l = fitted({3000, 2000}, {600, 400});
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(l.clickZoom(Qt::LeftButton, {10, 10}, {600, 400}));
        EXPECT_NEAR(l.displayed().height(), l.displayed().width() * 2.0 / 3.0, 1.0);
    }
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(l.clickZoom(Qt::RightButton, {10, 10}, {600, 400}));
        EXPECT_NEAR(l.displayed().height(), l.displayed().width() * 2.0 / 3.0, 1.0);
    }
}
