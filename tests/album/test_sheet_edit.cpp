#include "album/sheet_edit.h"

#include <gtest/gtest.h>

using namespace zb::album;

namespace {

TPartsBox at(double l, double t, double w, double h, int slot = 0, zb::RECORD photo = 0)
{
    TPartsBox p;
    p.PLeft = mm(l);
    p.PTop = mm(t);
    p.PWidth = mm(w);
    p.PHeight = mm(h);
    p.FormIndex = qint8(slot);
    p.PhotoRecord = photo;
    return p;
}

// One pixel per mm keeps the arithmetic plain.
const DrawTarget kMm = DrawTarget::onPrinter(1.0);

}  // namespace

TEST(SheetEdit, GridSnapping)
{
    EXPECT_EQ(snapToGrid(mm(7.4), mm(5)), mm(5));
    EXPECT_EQ(snapToGrid(mm(7.5), mm(5)), mm(10));
    EXPECT_EQ(snapToGrid(mm(-2.5), mm(5)), mm(0));
    EXPECT_EQ(snapToGrid(mm(3.3), 0), mm(3.3));
    EXPECT_EQ(snapPitch(0), mm(1));
    EXPECT_EQ(keyStep(false, mm(5)), mm(0.1));
    EXPECT_EQ(keyStep(true, mm(5)), mm(5));
    EXPECT_EQ(keyStep(true, 0), mm(1));
    const DrawTarget tenPerMm = DrawTarget::onPrinter(10.0);
    EXPECT_EQ(snapPoint(QPoint(74, 75), mm(5), tenPerMm), QPoint(50, 100));
}

TEST(SheetEdit, SelectionAndGroups)
{
    Page page;
    page.parts << at(0, 0, 50, 50, 1, 7) << at(10, 10, 10, 10, 1, 7) << at(100, 100, 20, 20, 2, 8)
               << at(40, 40, 30, 30, 0, 0);
    EXPECT_EQ(partAt(page, QPoint(15, 15), kMm), 1);  // the topmost
    EXPECT_EQ(partAt(page, QPoint(45, 45), kMm), 3);
    EXPECT_EQ(partAt(page, QPoint(90, 10), kMm), -1);
    EXPECT_EQ(partsInRect(page, QRect(0, 0, 60, 60), true, kMm), (QList<int>{0, 1}));
    EXPECT_EQ(partsInRect(page, QRect(0, 0, 60, 60), false, kMm), (QList<int>{0, 1, 3}));
    EXPECT_EQ(groupOf(page, 1, true), (QList<int>{0, 1}));
    EXPECT_EQ(groupOf(page, 3, true), QList<int>{3});
    page.parts[2].FormIndex = 1;
    EXPECT_EQ(groupOf(page, 0, false), (QList<int>{0, 1, 2}));
}

TEST(SheetEdit, MovesAlignmentAndOrder)
{
    Page page;
    page.parts << at(10, 10, 40, 20) << at(70, 30, 10, 5) << at(5, 50, 20, 20);
    moveParts(page, {0, 1}, mm(0.1), -mm(0.1));
    EXPECT_EQ(page.parts[0].PLeft, mm(10.1));
    EXPECT_EQ(page.parts[1].PTop, mm(29.9));
    resizeParts(page, {1}, -mm(20), mm(1));
    EXPECT_EQ(page.parts[1].PWidth, 0);
    EXPECT_EQ(page.parts[1].PHeight, mm(6));

    Page a = page;
    alignLeftAndWidth(a, {0, 1, 2}, 0);
    EXPECT_EQ(a.parts[2].PLeft, mm(10.1));
    EXPECT_EQ(a.parts[2].PWidth, mm(40));
    EXPECT_EQ(a.parts[2].PTop, mm(50));
    a = page;
    alignTopAndHeight(a, {0, 2}, 2);
    EXPECT_EQ(a.parts[0].PTop, mm(50));
    EXPECT_EQ(a.parts[0].PHeight, mm(20));
    a = page;
    alignSize(a, {0, 2}, 0);
    EXPECT_EQ(a.parts[2].PWidth, mm(40));
    EXPECT_EQ(a.parts[2].PHeight, mm(20));

    // Across: sorted by left edge (2, 0, 1), each starting one pixel before the previous right edge.
    a = page;
    arrangeAcross(a, {0, 1, 2}, kMm);
    EXPECT_EQ(a.parts[2].PLeft, mm(5));
    EXPECT_EQ(a.parts[0].PLeft, mm(24));
    EXPECT_EQ(a.parts[1].PLeft, mm(63));
    EXPECT_EQ(a.parts[1].PTop, mm(29.9));
    a = page;
    arrangeDown(a, {0, 2}, kMm);
    EXPECT_EQ(a.parts[2].PTop, mm(28.9));  // part 0 ends at 29.9

    a = page;
    EXPECT_EQ(raiseParts(a, {0}), QList<int>{1});
    EXPECT_EQ(a.parts[1].PLeft, mm(10.1));
    EXPECT_EQ(raiseParts(a, {2}), QList<int>{2});  // already on top
    EXPECT_EQ(lowerParts(a, {1, 2}), (QList<int>{0, 1}));
}

TEST(SheetEdit, BezierControlList)
{
    const QPoint q0(0, 0), q1(10, 10), q2(20, 4), q3(40, 0);
    // Clicks q0, q1, q2, a double-click on q3 (its point twice) and the floating point on q3.
    PointEntry e(ptPolyBezier);
    for (QPoint q : {q0, q1, q2, q3, q3})
        e.press(q);
    e.hover(q3);
    const std::optional<QList<QPoint>> entered = e.finish();
    ASSERT_TRUE(entered);
    EXPECT_EQ(bezierControlList(*entered), (QList<QPoint>{q0, 2 * q1 - q2, q1, q1, q3, q3, q3}));
    EXPECT_EQ(bezierControlList({q0}), QList<QPoint>{q0});
}

TEST(SheetEdit, PointEntryTakeBackAndStatus)
{
    PointEntry e(ptPolyLine);
    EXPECT_EQ(e.status(), kEntryStart);
    e.press({1, 1});
    e.press({5, 1});
    e.press({5, 9});
    EXPECT_EQ(e.status(), kEntryNext);
    EXPECT_TRUE(e.takeBack());
    EXPECT_EQ(e.points().size(), 2);
    EXPECT_TRUE(e.takeBack());
    EXPECT_FALSE(e.takeBack());  // nothing left: the entry ends without a part

    PointEntry arc(ptPie);
    const QString expected[] = {kEntryStart, kEntryArcCorner, kEntryArcStart, kEntryArcEnd};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(arc.status(), expected[i]);
        arc.press({i * 10, i * 5});
    }
    EXPECT_FALSE(PointEntry(ptArc).finish());  // too few points: no part

    PointEntry poly(ptPolyLine);
    for (QPoint q : {QPoint(10, 10), QPoint(30, 20), QPoint(30, 20)})
        poly.press(q);
    poly.hover({31, 22});
    const std::optional<QList<QPoint>> pts = poly.finish();
    ASSERT_TRUE(pts);
    EXPECT_EQ(*pts, (QList<QPoint>{QPoint(10, 10), QPoint(30, 20)}));
    const TPartsBox part = partFromPoints(ptPolyLine, *pts, kMm, {}, true);
    EXPECT_EQ(part.PLeft, mm(10));
    EXPECT_EQ(part.PTop, mm(10));
    EXPECT_EQ(part.RefWidth, 21);
    EXPECT_EQ(part.RefHeight, 11);
    EXPECT_EQ(part.Points, (QList<QPoint>{QPoint(0, 0), QPoint(20, 10)}));
    EXPECT_EQ(part.FormIndex, -1);
}

TEST(SheetEdit, QuarterArcBounds)
{
    // A circle in the box (0,0)-(100,100); counter-clockwise from the ray to the
    // right to the ray upwards: the top-right quarter.
    const TPartsBox arc = partFromPoints(ptArc, {QPoint(0, 0), QPoint(100, 100), QPoint(100, 50), QPoint(50, 0)},
                                         kMm, {}, false);
    EXPECT_NEAR(toMm(arc.PLeft), 50, 1.5);
    EXPECT_NEAR(toMm(arc.PTop), 0, 1.5);
    EXPECT_NEAR(arc.RefWidth, 51, 2);
    EXPECT_NEAR(arc.RefHeight, 51, 2);
    EXPECT_EQ(arc.PenWidth, 0);
    EXPECT_EQ(arc.Points.size(), 4);
    // The points moved with the tightened corner.
    EXPECT_NEAR(arc.Points[0].x(), -50, 1.5);
}

TEST(SheetEdit, CutOut)
{
    Page page;
    TPartsBox pic = at(10, 10, 100, 50);
    pic.Shape = ptPicture;
    page.parts << at(0, 0, 20, 20) << pic;
    EXPECT_EQ(draggedRange(QPoint(30, 30), QPoint(32, 60)), QRect(30, 30, 120, 40));
    EXPECT_EQ(draggedRange(QPoint(60, 40), QPoint(20, 20)), QRect(QPoint(20, 20), QPoint(60, 40)));
    EXPECT_EQ(cutSource(page, QRect(20, 20, 30, 20), kMm), 1);
    EXPECT_EQ(cutSource(page, QRect(5, 5, 30, 20), kMm), 1);    // 5 pixels of tolerance
    EXPECT_EQ(cutSource(page, QRect(2, 2, 10, 10), kMm), 0);
    EXPECT_EQ(cutSource(page, QRect(200, 200, 10, 10), kMm), -1);

    QImage picture(200, 100, QImage::Format_RGB888);
    picture.fill(qRgb(255, 255, 255));
    for (int y = 0; y < 100; ++y)
        for (int x = 100; x < 200; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 255));
    const std::optional<TPartsBox> cut = cutOut(pic, picture, QRect(60, 20, 60, 20), kMm, false);
    ASSERT_TRUE(cut);
    EXPECT_EQ(cut->Shape, ptPicture);
    EXPECT_EQ(cut->PictureStream.kind, QStringLiteral("JPG"));
    EXPECT_EQ(cut->PLeft, mm(60));
    EXPECT_EQ(cut->PWidth, mm(50));  // clipped to the source's right edge
    EXPECT_EQ(QSize(cut->RefWidth, cut->RefHeight), QSize(100, 40));
    const QImage piece = embeddedPicture(cut->PictureStream);
    EXPECT_GT(qBlue(piece.pixel(50, 20)), 200);
    EXPECT_LT(qRed(piece.pixel(50, 20)), 40);
}

TEST(SheetEdit, PictureFitting)
{
    struct Case {
        int refW, refH, orientation;
        double w, h;
    } cases[] = {
        {400, 300, 0, 80, 60},   // wider: the width stays
        {300, 400, 0, 45, 60},   // taller: the height stays
        {400, 300, 1, 45, 60},   // turned a quarter: taller
        {0, 300, 0, 80, 10},     // no reference size: unchanged
    };
    for (const Case& c : cases) {
        TPartsBox p = at(0, 0, 80, c.refW == 0 ? 10 : 60);
        p.RefWidth = c.refW;
        p.RefHeight = c.refH;
        p.ImageOrientation = quint8(c.orientation);
        fitToPicture(p);
        EXPECT_EQ(p.PWidth, mm(c.w)) << c.refW << "x" << c.refH << "/" << c.orientation;
        EXPECT_EQ(p.PHeight, mm(c.h)) << c.refW << "x" << c.refH << "/" << c.orientation;
    }
}
