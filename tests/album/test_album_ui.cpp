#include "album/ui/parts_panel.h"
#include "core/scripted_ports.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::album;

namespace {

class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_album_ui";
        static char* argv[] = {name, nullptr};
        static QApplication* app = new QApplication(argc, argv);
        (void)app;
    }
};
const auto* const kAppEnvironment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

TPartsBox at(double l, double t, double w, double h)
{
    TPartsBox p;
    p.PLeft = mm(l);
    p.PTop = mm(t);
    p.PWidth = mm(w);
    p.PHeight = mm(h);
    return p;
}

// A sheet at 100 % with two parts and its selection manager.
struct Sheet {
    ScriptedMessages messages;
    Page page;
    TPartsPanel panel;
    SResizeControl sel{panel, messages};
    Sheet()
    {
        page.parts << at(10, 10, 40, 20) << at(100, 100, 30, 30);
        panel.setPage(&page);
        panel.GridPitch = mm(5);
        panel.show();
    }
    QPoint px(double x, double y) const
    {
        return {mmToPixels(mm(x), 96, panel.Ritu()), mmToPixels(mm(y), 96, panel.Ritu())};
    }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers m = {})
    {
        QTest::mousePress(&panel, Qt::LeftButton, m, from);
        QTest::mouseMove(&panel, (from + to) / 2);
        QTest::mouseMove(&panel, to);
        QTest::mouseRelease(&panel, Qt::LeftButton, m, to);
    }
};

}  // namespace

TEST(AlbumUi, SheetSizeAndZoom)
{
    TPartsPanel panel;
    panel.setPaper({210, 297});
    EXPECT_EQ(panel.size(), QSize(794, 1123));
    panel.setRitu(50);
    EXPECT_EQ(panel.size(), QSize(397, 561));
    EXPECT_EQ(TPartsPanel::zoomAuto({210, 297}, QSize(400, 500)), 34);
    EXPECT_EQ(TPartsPanel::zoomWidth({210, 297}, QSize(400, 500)), 49);
    EXPECT_EQ(TPartsPanel::zoomInside({297, 210}, QSize(600, 300)), 36);
}

TEST(AlbumUi, ClickMoveAndKeys)
{
    Sheet s;
    QTest::mouseClick(&s.panel, Qt::LeftButton, {}, s.px(20, 20));
    EXPECT_EQ(s.sel.selection(), QList<int>{0});
    QSignalSpy before(&s.sel, &SResizeControl::OnBeforeMove);
    s.drag(s.px(20, 20), s.px(20, 20) + QPoint(20, 0));
    EXPECT_EQ(s.page.parts[0].PLeft, pixelsToMm(s.px(10, 10).x() + 20, 96, 100));
    EXPECT_EQ(before.count(), 1);

    const Currency left = s.page.parts[0].PLeft;
    QTest::keyClick(&s.panel, Qt::Key_Right);
    EXPECT_EQ(s.page.parts[0].PLeft, left + mm(0.1));
    QTest::keyClick(&s.panel, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(s.page.parts[0].PLeft, left + mm(5.1));
    QTest::keyClick(&s.panel, Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(s.page.parts[0].PWidth, mm(39.9));
    const Currency top = s.page.parts[0].PTop;  // the drag put it on a whole pixel
    QTest::keyClick(&s.panel, Qt::Key_Up);
    EXPECT_EQ(s.page.parts[0].PTop, top - mm(0.1));
    EXPECT_EQ(s.sel.positionText(), QStringLiteral("X:%1 Y:%2")
                                        .arg(toMm(s.page.parts[0].PLeft), 0, 'f', 1)
                                        .arg(toMm(top - mm(0.1)), 0, 'f', 1));
    QTest::keyClick(&s.panel, Qt::Key_PageDown);
    EXPECT_EQ(s.sel.selection(), QList<int>{1});
    QTest::keyClick(&s.panel, Qt::Key_PageDown);
    EXPECT_EQ(s.sel.selection(), QList<int>{0});

    // 固定: nothing moves.
    s.sel.Lock = true;
    const TPartsBox locked = s.page.parts[0];
    s.drag(s.px(25, 15), s.px(25, 15) + QPoint(30, 30));
    QTest::keyClick(&s.panel, Qt::Key_Down);
    EXPECT_EQ(s.page.parts[0], locked);
}

TEST(AlbumUi, RubberBandAndGroups)
{
    Sheet s;
    s.drag(s.px(5, 5), s.px(60, 40));
    EXPECT_EQ(s.sel.selection(), QList<int>{0});
    s.drag(s.px(5, 5), s.px(110, 110));  // encloses 0, touches 1
    EXPECT_EQ(s.sel.selection(), QList<int>{0});
    s.sel.Naiho = false;
    s.drag(s.px(5, 5), s.px(110, 110));
    EXPECT_EQ(s.sel.selection(), (QList<int>{0, 1}));

    s.page.parts[0].FormIndex = 2;
    s.page.parts[1].FormIndex = 2;
    s.sel.Group = SResizeControl::gsForm;
    s.sel.clear();
    QTest::mouseClick(&s.panel, Qt::LeftButton, {}, s.px(110, 110));
    EXPECT_EQ(s.sel.selection(), (QList<int>{0, 1}));
}

TEST(AlbumUi, HandlesResizeKeepingProportions)
{
    Sheet s;
    QTest::mouseClick(&s.panel, Qt::LeftButton, {}, s.px(20, 20));
    const QRect r = s.panel.target().partRect(s.page.parts[0]);
    const QPoint corner = r.bottomRight();
    s.drag(corner, corner + QPoint(40, 5));
    const QRect wider = s.panel.target().partRect(s.page.parts[0]);
    EXPECT_EQ(wider.width(), r.width() + 40);
    EXPECT_EQ(wider.height(), r.height() + 5);
    // 縦横比 on: the height follows the width.
    s.sel.ShiftLock = true;
    const QPoint c2 = wider.bottomRight();
    s.drag(c2, c2 + QPoint(int(wider.width() * 0.5), 0));
    const QRect kept = s.panel.target().partRect(s.page.parts[0]);
    EXPECT_NEAR(double(kept.height()) / kept.width(), double(wider.height()) / wider.width(), 0.02);
    // Shift inverts it while dragging.
    const QPoint c3 = kept.bottomRight();
    s.drag(c3, c3 + QPoint(0, 30), Qt::ShiftModifier);
    EXPECT_EQ(s.panel.target().partRect(s.page.parts[0]).width(), kept.width());
}

TEST(AlbumUi, DeleteKeyAsks)
{
    Sheet s;
    QTest::mouseClick(&s.panel, Qt::LeftButton, {}, s.px(20, 20));
    QTest::keyClick(&s.panel, Qt::Key_Delete);
    EXPECT_EQ(s.page.parts.size(), 2);  // one-key delete is off
    s.sel.deleteOneKey = true;
    s.messages.reply(false);
    QTest::keyClick(&s.panel, Qt::Key_Delete);
    EXPECT_EQ(s.page.parts.size(), 2);
    QTest::keyClick(&s.panel, Qt::Key_Delete);
    EXPECT_EQ(s.page.parts.size(), 1);
    EXPECT_EQ(s.messages.boxes(), (QStringList{QStringLiteral("confirm: 選択されている項目を削除します よろしいですか？"),
                                               QStringLiteral("confirm: 選択されている項目を削除します よろしいですか？")}));
}

TEST(AlbumUi, PolylineEntryWithSnapping)
{
    Sheet s;
    s.page.parts.clear();
    QSignalSpy done(&s.panel, &TPartsPanel::OnDrawEnd);
    QSignalSpy finished(&s.panel, &TPartsPanel::toolFinished);
    s.panel.setTool(ptPolyLine);
    EXPECT_EQ(s.panel.statusText(), kEntryStart);
    // With Shift a point 7.4 mm from the left edge snaps to 5 mm, one at 7.5 mm to 10 mm.
    QTest::mouseClick(&s.panel, Qt::LeftButton, Qt::ShiftModifier, s.px(7.4, 20.2));
    QTest::mouseClick(&s.panel, Qt::LeftButton, Qt::ShiftModifier, s.px(37.5, 20.2));
    ASSERT_NE(s.panel.entry(), nullptr);
    EXPECT_EQ(s.panel.entry()->points(), (QList<QPoint>{s.px(5, 20), s.px(40, 20)}));
    EXPECT_EQ(s.panel.statusText(), kEntryNext);
    QTest::mouseClick(&s.panel, Qt::LeftButton, {}, s.px(40, 60));
    QTest::mouseClick(&s.panel, Qt::RightButton, {}, s.px(40, 60));  // takes the last point back
    EXPECT_EQ(s.panel.entry()->points().size(), 2);
    QTest::mouseDClick(&s.panel, Qt::LeftButton, {}, s.px(60, 60));
    ASSERT_EQ(s.page.parts.size(), 1) << s.page.parts.value(1).Points.size() << " " << s.page.parts[0].Points.size();
    ASSERT_EQ(done.count(), 1);
    const TPartsBox& p = s.page.parts[0];
    EXPECT_EQ(p.Shape, ptPolyLine);
    EXPECT_EQ(p.Points.size(), 3);
    EXPECT_EQ(p.PLeft, pixelsToMm(s.px(5, 20).x(), 96, 100));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(s.panel.selectionTool());

    // Right presses until no point is left end the entry without a part.
    s.panel.setTool(ptPolygon);
    QTest::mouseClick(&s.panel, Qt::LeftButton, {}, s.px(10, 10));
    QTest::mouseClick(&s.panel, Qt::RightButton, {}, s.px(10, 10));
    EXPECT_EQ(s.page.parts.size(), 1);
    EXPECT_TRUE(s.panel.selectionTool());
}

TEST(AlbumUi, RectangleTools)
{
    Sheet s;
    s.page.parts.clear();
    s.panel.albumMode = true;
    s.panel.setTool(ptTryangle);
    s.drag(s.px(10, 10), s.px(50, 30));
    ASSERT_EQ(s.page.parts.size(), 1);
    EXPECT_EQ(s.page.parts[0].Shape, ptTryangle);
    EXPECT_EQ(s.page.parts[0].Diagonal, 50);
    EXPECT_EQ(s.page.parts[0].FormIndex, -1);
    EXPECT_EQ(s.page.parts[0].PLeft, pixelsToMm(s.px(10, 10).x(), 96, 100));
    // A click without a drag makes a 120 x 40 pixel part.
    s.panel.setTool(ptLine);
    QTest::mouseClick(&s.panel, Qt::LeftButton, {}, QPoint(100, 100));
    ASSERT_EQ(s.page.parts.size(), 2);
    EXPECT_EQ(s.panel.target().partRect(s.page.parts[1]), QRect(100, 100, 120, 40));
    EXPECT_TRUE(s.page.parts[1].Direction);
    // The item tool leaves the part to the editor.
    QSignalSpy drawn(&s.panel, &TPartsPanel::rectangleDrawn);
    s.panel.setTool(ptKoumoku);
    s.drag(QPoint(20, 20), QPoint(80, 60));
    ASSERT_EQ(drawn.count(), 1);
    EXPECT_EQ(drawn[0][1].toRect(), QRect(QPoint(20, 20), QPoint(80, 60)));
    EXPECT_EQ(s.page.parts.size(), 2);
}

TEST(AlbumUi, SelRectStaysWithinItsLimits)
{
    QWidget host;
    host.resize(300, 300);
    TSelRect r(&host);
    r.MaxRight = 200;
    r.MaxBottom = 150;
    r.setRange(QRect(10, 10, 400, 400));
    EXPECT_EQ(r.range(), QRect(QPoint(10, 10), QPoint(200, 150)));
    r.setRange(QRect(50, 50, 1, 1));
    EXPECT_EQ(r.range().size(), QSize(4, 4));
    QSignalSpy changed(&r, &TSelRect::OnSizeChange);
    r.setRange(QRect(20, 20, 50, 50));
    r.show();
    QTest::mousePress(&r, Qt::LeftButton, {}, QPoint(69, 69));
    QTest::mouseMove(&r, QPoint(89, 79));
    QTest::mouseRelease(&r, Qt::LeftButton, {}, QPoint(89, 79));
    EXPECT_EQ(r.range(), QRect(QPoint(20, 20), QPoint(89, 79)));
    EXPECT_GE(changed.count(), 2);
}
