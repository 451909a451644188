#include "album/parts_draw.h"

#include <QFile>
#include <QFontInfo>
#include <limits>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace zb::album;

namespace {

constexpr QRgb kBackground = 0xFF808080;

// A bitmap at one pixel per mm (or `ppm`) with one part drawn on it.
QImage drawn(const TPartsBox& part, DrawContext c = {}, QSize size = {200, 200})
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter g(&image);
    drawPart(g, part, c);
    return image;
}

DrawContext printer(double ppm)
{
    DrawContext c;
    c.target = DrawTarget::onPrinter(ppm);
    return c;
}

TPartsBox box(double l, double t, double w, double h, TPartsType shape = ptRectangle)
{
    TPartsBox p;
    p.Shape = shape;
    p.PLeft = mm(l);
    p.PTop = mm(t);
    p.PWidth = mm(w);
    p.PHeight = mm(h);
    p.PenWidth = 0;
    return p;
}

int darkPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                ++n;
    return n;
}

}  // namespace

TEST(PartsDraw, ScreenMapping)
{
    EXPECT_EQ(mmToPixels(mm(210), 96, 100), 794);  // 793.8
    EXPECT_EQ(mmToPixels(mm(10), 96, 50), 19);     // 18.9
    EXPECT_EQ(pixelsToMm(794, 96, 100), 2100529);  // 210.0529 mm, four decimals
    EXPECT_EQ(pixelsToMm(10, 0, 100), 0);
    const DrawTarget t = DrawTarget::onPrinter(600 / 25.4, {5, 7});
    EXPECT_EQ(t.partRect(box(10, 20, 30, 40)), QRect(241, 479, 709, 945));
}

TEST(PartsDraw, FilledRectangleAndOutline)
{
    TPartsBox p = box(10, 10, 10, 10);
    p.BrushColor = 0x000000FF;  // red as 0x00BBGGRR
    p.PenWidth = mm(1);
    const QImage image = drawn(p, printer(5));  // 50 x 50 pixels at (50, 50), pen 5 pixels
    EXPECT_EQ(image.pixel(75, 75), qRgb(255, 0, 0));
    // The outline lies inside the bounds: pixels 50-54 and 95-99 are the pen.
    for (int x : {50, 54, 95, 99})
        EXPECT_EQ(image.pixel(x, 75), qRgb(0, 0, 0)) << x;
    EXPECT_EQ(image.pixel(55, 75), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(49, 75), kBackground);
    EXPECT_EQ(image.pixel(100, 75), kBackground);
    // Without fill only the outline is drawn; a dashed pen is one pixel wide.
    p.Brush = bsClear;
    p.PenStyle = psDash;
    const QImage open = drawn(p, printer(5));
    EXPECT_EQ(open.pixel(75, 75), kBackground);
    EXPECT_EQ(open.pixel(51, 75), kBackground);
}

TEST(PartsDraw, DetailLines)
{
    EXPECT_EQ(detailLinePositions(0, 100, 3), (QList<int>{33, 66}));
    EXPECT_EQ(detailLinePositions(10, 7, 1), QList<int>{});
    TPartsBox p = box(10, 10, 100, 101);  // thinnest pen: the drawing rectangle is 100 pixels high
    p.MeisaiLine = 3;
    const QImage image = drawn(p, printer(1), {200, 200});
    EXPECT_EQ(image.pixel(50, 43), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(50, 76), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(50, 42), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(50, 60), qRgb(255, 255, 255));
    p.Direction = true;  // vertical bands
    const QImage columns = drawn(p, printer(1), {200, 200});
    EXPECT_EQ(columns.pixel(43, 50), qRgb(0, 0, 0));
    EXPECT_EQ(columns.pixel(50, 43), qRgb(255, 255, 255));
}

TEST(PartsDraw, RoundedCorners)
{
    EXPECT_EQ(cornerDiameter(40, 20, 100), 20);
    EXPECT_EQ(cornerDiameter(40, 20, 50), 10);
    TPartsBox p = box(10, 10, 40, 20);
    p.Diagonal = 100;
    const QImage image = drawn(p, printer(4), {300, 200});  // 160 x 80 pixels, corner diameter 80
    EXPECT_EQ(image.pixel(42, 42), kBackground);              // the corner is cut
    EXPECT_EQ(image.pixel(40, 80), qRgb(0, 0, 0));            // middle of the left edge
    EXPECT_EQ(image.pixel(120, 80), qRgb(255, 255, 255));
}

TEST(PartsDraw, LinesTrianglesAndFiguresWithoutSize)
{
    TPartsBox line = box(0, 0, 100, 40, ptLine);
    line.Direction = true;
    line.Diagonal = 50;
    auto [a, b] = lineEnds(line, QRect(0, 0, 100, 40));
    EXPECT_EQ(a, QPoint(0, 20));
    EXPECT_EQ(b, QPoint(100, 20));
    line.Direction = false;
    line.Diagonal = 0;
    line.MirrorH = true;
    std::tie(a, b) = lineEnds(line, QRect(10, 0, 100, 40));
    EXPECT_EQ(a, QPoint(109, 0));  // 2L + W - x - 1
    EXPECT_EQ(b, QPoint(9, 40));

    TPartsBox poly = box(10, 10, 50, 50, ptPolyLine);
    poly.Points = {QPoint(0, 0), QPoint(10, 10)};
    poly.RefWidth = 0;  // from a file: nothing is drawn instead of dividing by zero
    EXPECT_TRUE(scaledPoints(poly, QRect(0, 0, 50, 50)).isEmpty());
    EXPECT_EQ(drawn(poly, printer(1)).pixel(20, 20), kBackground);
    poly.RefWidth = poly.RefHeight = 10;
    EXPECT_EQ(scaledPoints(poly, QRect(10, 10, 49, 49)), (QList<QPoint>{QPoint(10, 10), QPoint(59, 59)}));
    TPartsBox flat = box(10, 10, 0, 50);
    EXPECT_EQ(darkPixels(drawn(flat, printer(1))), 0);

    TPartsBox tri = box(0, 0, 100, 100, ptTryangle);
    tri.Diagonal = 50;
    tri.Brush = bsClear;
    const QImage t = drawn(tri, printer(1));
    int apex = -1;  // the apex lies at the middle of the top side
    for (int x = 0; x < 100; ++x)
        if (t.pixel(x, 0) == qRgb(0, 0, 0) || t.pixel(x, 1) == qRgb(0, 0, 0))
            apex = apex < 0 ? x : apex;
    EXPECT_NEAR(apex, 50, 1);
    EXPECT_EQ(t.pixel(50, 99), qRgb(0, 0, 0));      // the base
    EXPECT_EQ(t.pixel(2, 2), kBackground);
}

TEST(PartsDraw, TextLines)
{
    QFont font = partFont(PartFont{}, 20);
    const QFontMetricsF m(font);
    EXPECT_EQ(layoutLines(QStringLiteral("ABC\r\nDEF"), m, 0, 1000, false),
              (QStringList{QStringLiteral("ABC"), QStringLiteral("DEF")}));
    // A character wider than the rectangle still takes a line of its own.
    EXPECT_EQ(layoutLines(QStringLiteral("工事"), m, 0, 1, false), (QStringList{QStringLiteral("工"), QStringLiteral("事")}));
    // A surrogate pair is one character.
    const QString pair = QString::fromUcs4(U"\U00020B9F");
    EXPECT_EQ(layoutLines(pair + pair, m, 0, 1, false), (QStringList{pair, pair}));
    // Justfit never wraps.
    EXPECT_EQ(layoutLines(QStringLiteral("工事写真"), m, 0, 1, true), QStringList{QStringLiteral("工事写真")});
}

TEST(PartsDraw, SmallTextOnScreenAndPrinter)
{
    TPartsBox p = box(0, 0, 190, 190);
    p.Brush = bsClear;
    p.PenStyle = psClear;
    p.Caption = QStringLiteral("■■■■");
    p.Font.size = 6;
    DrawContext screen;
    screen.target = DrawTarget::onScreen(96, 10);
    EXPECT_EQ(darkPixels(drawn(p, screen)), 0);
    EXPECT_GT(darkPixels(drawn(p, printer(1))), 0);
    screen.target.zoom = 100;
    EXPECT_GT(darkPixels(drawn(p, screen, {800, 800})), 0);
}

TEST(PartsDraw, ShadowTurnsWithText)
{
    EXPECT_EQ(shadowDirection(fkRightBottom, rs90), 8);
    EXPECT_EQ(shadowDirection(fkRightBottom, rs0), 6);
    EXPECT_EQ(shadowDirection(fkTop, rs270), 7);
    EXPECT_EQ(shadowDirection(fkNone, rs90), 0);
    EXPECT_EQ(shadowOffset(8, 3), QPoint(3, -3));
    EXPECT_EQ(shadowOffset(4, 2), QPoint(-2, 2));
}

TEST(PartsDraw, FontsStandIn)
{
    EXPECT_EQ(substituteFamily(QStringLiteral("ＭＳ ゴシック")), QStringLiteral("IPAGothic"));
    EXPECT_EQ(substituteFamily(QStringLiteral("ＭＳ 明朝")), QStringLiteral("IPAMincho"));
    EXPECT_EQ(substituteFamily(QStringLiteral("MS UI Gothic")), QStringLiteral("IPAPGothic"));
    const QFontInfo gothic(partFont(PartFont{QStringLiteral("ＭＳ ゴシック")}, 12));
    EXPECT_EQ(gothic.family(), QStringLiteral("IPAGothic"));
    // A font that does not exist falls back to a Japanese font.
    const QFontInfo missing(partFont(PartFont{QStringLiteral("存在しない書体")}, 12));
    EXPECT_EQ(missing.family(), QStringLiteral("IPAGothic"));
}

TEST(PartsDraw, PhotoFrames)
{
    TPartsBox frame = box(10, 10, 100, 80, ptKoumoku);
    frame.PenStyle = psClear;
    frame.Caption = QStringLiteral("{2500.写真}");
    frame.PhotoRecord = 4;
    DrawContext c = printer(1);
    QImage blue(40, 30, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));
    bool deleted = false;
    c.frames = [&](const TPartsBox& p, int code, QSize, bool) {
        EXPECT_EQ(code, 2500);
        FramePicture f;
        f.missing = deleted;
        if (!deleted && p.PhotoRecord == 4)
            f.image = blue;
        return f;
    };
    EXPECT_EQ(drawn(frame, c).pixel(60, 50), qRgb(0, 0, 255));
    // A picture that cannot be decoded: nothing drawn over the fill.
    frame.PhotoRecord = 5;
    EXPECT_EQ(drawn(frame, c).pixel(60, 50), qRgb(255, 255, 255));
    // A missing row: hatched with "削除済".
    deleted = true;
    const QImage hatched = drawn(frame, c);
    EXPECT_GT(darkPixels(hatched), 100);
    // In a format: the cross-hatched rectangle, silver on screen.
    DrawContext format;
    format.mode = DrawMode::Format;
    format.target = DrawTarget::onScreen(96, 100);
    const QImage f = drawn(frame, format, {500, 500});
    bool silver = false;
    for (int x = 40; x < 400 && !silver; ++x)
        silver = f.pixel(x, 200) == qRgb(192, 192, 192);
    EXPECT_TRUE(silver);
    EXPECT_EQ(drawnCaption(frame, format), QString());
}

TEST(PartsDraw, FramePicturesKeepTheirProportions)
{
    // A portrait photo in a landscape frame and a landscape one in a portrait
    // frame: as large as fits, centred, the rest of the frame left as it is.
    struct Case {
        QSize picture;
        QRect frame, fitted;
    } cases[] = {
        {QSize(3000, 4000), QRect(10, 10, 160, 90), QRect(56, 10, 68, 90)},
        {QSize(4000, 3000), QRect(0, 0, 90, 160), QRect(0, 46, 90, 68)},
        {QSize(40, 30), QRect(5, 5, 80, 60), QRect(5, 5, 80, 60)},
        {QSize(1, 10000), QRect(0, 0, 100, 100), QRect(49, 0, 1, 100)},
        {QSize(), QRect(0, 0, 100, 100), QRect()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fittedRect(c.picture, c.frame), c.fitted) << c.picture.width() << "x" << c.picture.height();

    // Drawn in a wide frame: a portrait picture as it comes, then turned a
    // quarter (it lies wide and grows); a drawing frame the same way.
    QImage portrait(30, 40, QImage::Format_RGB32);
    portrait.fill(qRgb(0, 0, 255));
    for (const char* caption : {"{2500.写真}", "{2600.参考図1}"}) {
        TPartsBox frame = box(10, 10, 160, 90, ptKoumoku);
        frame.PenStyle = psClear;
        frame.Caption = QString::fromUtf8(caption);
        frame.PhotoRecord = 4;
        frame.RefRecord = 4;
        DrawContext c = printer(1);
        c.frames = [&](const TPartsBox&, int, QSize, bool) { return FramePicture{false, portrait, false}; };
        const QImage wide = drawn(frame, c);
        EXPECT_EQ(wide.pixel(90, 55), qRgb(0, 0, 255)) << caption;
        EXPECT_EQ(wide.pixel(30, 55), qRgb(255, 255, 255)) << caption;   // beside it: the frame's fill
        EXPECT_EQ(wide.pixel(150, 55), qRgb(255, 255, 255)) << caption;
        frame.ImageOrientation = 1;
        const QImage turned = drawn(frame, c);  // 40 x 30 in 159 x 89: 119 wide from x 30
        for (int x : {35, 145})
            EXPECT_EQ(turned.pixel(x, 55), qRgb(0, 0, 255)) << caption << x;
        for (int x : {25, 152})
            EXPECT_EQ(turned.pixel(x, 55), qRgb(255, 255, 255)) << caption << x;
    }
}

TEST(PartsDraw, EmbeddedPictureRotatedAndBroken)
{
    QImage source(20, 10, QImage::Format_RGB32);
    source.fill(qRgb(0, 255, 0));
    for (int y = 0; y < 10; ++y)
        source.setPixel(0, y, qRgb(255, 0, 0));  // red left column
    const QImage turned = orientedImage(source, 1, false, false);
    EXPECT_EQ(turned.size(), QSize(10, 20));
    EXPECT_EQ(turned.pixel(5, 0), qRgb(255, 0, 0));  // turned right: the left column is on top
    EXPECT_EQ(orientedImage(source, 0, true, false).pixel(19, 0), qRgb(255, 0, 0));

    TPartsBox p = box(0, 0, 50, 50, ptPicture);
    p.PictureStream = {QByteArray("not a picture"), QStringLiteral("JPG")};
    EXPECT_TRUE(embeddedPicture(p.PictureStream).isNull());
    EXPECT_EQ(drawn(p, printer(1)).pixel(25, 25), kBackground);  // skipped, the part stays
}

TEST(PartsDraw, DamagedDocumentsReadAndDrawnSafely)
{
    // Random bytes changed in a shipped format: reading refuses or reads, and
    // what is read draws without harm.
    QFile f(QStringLiteral(ZB_FORMFILE_DIR "/A4縦3連A.ZBF"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray good = f.readAll();
    quint32 seed = 12345;
    const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    QImage image(48, 64, QImage::Format_RGB888);
    for (int round = 0; round < 300; ++round) {
        QByteArray b = good;
        for (int k = 0; k < 4; ++k)
            b[int(next() % quint32(b.size()))] = char(next() >> 24);
        const std::optional<DocumentFile> file = decodeDocumentFile(b);
        if (!file)
            continue;
        for (const QByteArray& stream : file->pages) {
            const std::optional<Page> page = decodePage(stream);
            if (!page)
                continue;
            EXPECT_EQ(decodePage(encodePage(*page)), page);
            QPainter g(&image);
            drawPage(g, *page, printer(0.2));
        }
    }
}

TEST(PartsDraw, ShadowCastWithTheText)
{
    // A black square glyph with its silver shadow: down-right on level text,
    // up-right on text turned by 90 degrees.
    const auto boxes = [](const QImage& image) {
        QRect black, silver;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (c == qRgb(0, 0, 0))
                    black |= QRect(x, y, 1, 1);
                else if (c == qRgb(192, 192, 192))
                    silver |= QRect(x, y, 1, 1);
            }
        return std::pair{black, silver};
    };
    TPartsBox p = box(5, 5, 40, 40);
    p.PenStyle = psClear;
    p.Caption = QStringLiteral("■");
    p.Font.size = 60;
    p.Kage = fkRightBottom;
    auto [black, silver] = boxes(drawn(p, printer(4)));
    ASSERT_TRUE(black.isValid() && silver.isValid());
    EXPECT_GT(silver.right(), black.right());
    EXPECT_GT(silver.bottom(), black.bottom());
    p.Rotate = rs90;
    std::tie(black, silver) = boxes(drawn(p, printer(4)));
    ASSERT_TRUE(black.isValid() && silver.isValid());
    EXPECT_GT(silver.right(), black.right());
    EXPECT_LT(silver.top(), black.top());
}

TEST(PartsDraw, ArcsMirrored)
{
    // A pie of the top-right quarter; mirrored left to right it is the
    // top-left quarter (start and end exchange with one mirror flag).
    TPartsBox pie = box(0, 0, 101, 101, ptPie);
    pie.RefWidth = pie.RefHeight = 100;
    pie.Points = {QPoint(0, 0), QPoint(100, 100), QPoint(100, 50), QPoint(50, 0)};
    pie.BrushColor = 0x0000FF00;
    QImage image = drawn(pie, printer(1));
    EXPECT_EQ(image.pixel(75, 25), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(25, 25), kBackground);
    EXPECT_EQ(image.pixel(50, 75), kBackground);
    pie.MirrorH = true;
    image = drawn(pie, printer(1));
    EXPECT_EQ(image.pixel(25, 25), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(75, 25), kBackground);
    pie.MirrorV = true;  // both flags: a half turn, no exchange
    image = drawn(pie, printer(1));
    EXPECT_EQ(image.pixel(25, 75), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(25, 25), kBackground);
}

TEST(PartsDraw, ArrowHeads)
{
    TPartsBox a = box(10, 10, 100, 1, ptArrow);
    a.Direction = true;
    a.Diagonal = 50;
    a.Arrow = arwRight;
    // On the printer the head is 3 mm: at 2 pixels per mm its strokes reach
    // about 6 pixels back from the end point.
    const QImage image = drawn(a, printer(2), {300, 100});
    int leftmostAbove = 1000;
    for (int y = 0; y < 20; ++y)
        for (int x = 150; x < 230; ++x)
            if (image.pixel(x, y) == qRgb(0, 0, 0))
                leftmostAbove = qMin(leftmostAbove, x);
    EXPECT_NEAR(leftmostAbove, 220 - 6, 2);
}

TEST(PartsDraw, ThinOutlineOfAPhotoFrameStaysWhole)
{
    TPartsBox frame = box(10, 10, 100, 80, ptKoumoku);
    frame.PenWidth = mm(1);  // one pixel
    frame.Caption = QStringLiteral("{2500.写真}");
    frame.PhotoRecord = 4;
    QImage blue(99, 79, QImage::Format_RGB32);  // fills the frame
    blue.fill(qRgb(0, 0, 255));
    DrawContext c = printer(1);
    c.frames = [&](const TPartsBox&, int, QSize, bool) { return FramePicture{false, blue, false}; };
    const QImage image = drawn(frame, c);
    for (QPoint edge : {QPoint(10, 50), QPoint(60, 10), QPoint(109, 50), QPoint(60, 89)})
        EXPECT_EQ(image.pixel(edge), qRgb(0, 0, 0)) << edge.x() << "," << edge.y();
    EXPECT_EQ(image.pixel(11, 50), qRgb(0, 0, 255));
}

TEST(PartsDraw, OutOfRangeValuesStayInsideThePart)
{
    // Values a damaged file may hold: 傾き above 100 %, 明細線 above 99, a pen
    // far wider than the part or below zero. Nothing lands outside the bounds
    // (a line runs to the pixel just past them, as its end points lie on L + W and T + H).
    struct Case {
        const char* name;
        TPartsType shape;
        int diagonal, bands;
        Currency pen;
    } cases[] = {
        {"line", ptLine, 255, 1, mm(1)},          {"triangle", ptTryangle, 200, 1, mm(1)},
        {"rounded", ptRectangle, 255, 1, mm(1)},  {"bands", ptRectangle, 0, 255, mm(1)},
        {"wide pen", ptRectangle, 0, 1, mm(1e9)}, {"negative pen", ptRectangle, 0, 1, -mm(50)},
    };
    for (const Case& k : cases) {
        TPartsBox p = box(50, 50, 60, 40, k.shape);
        p.Diagonal = quint8(k.diagonal);
        p.MeisaiLine = quint8(k.bands);
        p.PenWidth = k.pen;
        p.Brush = bsClear;
        const QImage image = drawn(p, printer(1));
        int outside = 0, inside = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != kBackground)
                    ++(QRect(50, 50, 61, 41).contains(x, y) ? inside : outside);
        EXPECT_EQ(outside, 0) << k.name;
        EXPECT_GT(inside, 0) << k.name;
    }
}

TEST(PartsDraw, ExtremeValuesFromAFile)
{
    // Lengths and points far beyond any page are bounded before pixel arithmetic.
    TPartsBox p = box(0, 0, 10, 10, ptPolygon);
    p.PLeft = std::numeric_limits<qint64>::max() / 2;
    p.PWidth = std::numeric_limits<qint64>::max() / 2;
    EXPECT_EQ(DrawTarget::onPrinter(600 / 25.4).length(p.PWidth), 1 << 24);
    EXPECT_EQ(mmToPixels(std::numeric_limits<qint64>::min(), 96, 700), -(1 << 24));
    p.PLeft = 0;
    p.PWidth = mm(10);
    p.RefWidth = 1;
    p.RefHeight = 1;
    p.Points = {QPoint(std::numeric_limits<int>::max(), std::numeric_limits<int>::min()), QPoint(0, 0), QPoint(1, 1)};
    p.MirrorH = p.MirrorV = true;
    const QList<QPoint> pts = scaledPoints(p, QRect(5, 5, 100, 100));
    ASSERT_EQ(pts.size(), 3);
    EXPECT_EQ(pts[0].x(), 2 * 5 + 100 - (5 + (1 << 24)) - 1);
    (void)drawn(p, printer(1));
    TPartsBox text = box(0, 0, 50, 50);
    text.Font.size = std::numeric_limits<int>::max();
    text.Caption = QStringLiteral("大");
    (void)drawn(text, printer(1));
}
