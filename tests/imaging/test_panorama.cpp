#include "imaging/panorama.h"

#include "core/scripted_ports.h"
#include "fixtures.h"
#include "imaging/jpeg_codec.h"
#include "imaging/working_bitmap.h"
#include "support/temp_dir.h"

#include <QFile>
#include <cmath>
#include <gtest/gtest.h>

using namespace zb;

namespace {

// A scene as a continuous function: a wavy red channel over green and blue
// gradients, so that a misplaced pixel shows.
void scene(double x, double y, int& r, int& g, int& b)
{
    r = int(std::lround(128 + 100 * std::sin(x / 13.0) * std::cos(y / 17.0)));
    g = std::clamp(int(std::lround(x * 0.5)), 0, 255);
    b = std::clamp(int(std::lround(120 + y * 0.4)), 0, 255);
}

// A picture of w x h pixels whose pixel (x, y) shows the scene at map(x, y).
template <typename Map>
QImage shoot(int w, int h, Map map)
{
    QImage img = newWorkingBitmap(w, h);
    for (int y = 0; y < h; ++y) {
        uchar* row = img.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const QPointF q = map(QPointF(x, y));
            int r, g, b;
            scene(q.x(), q.y(), r, g, b);
            row[3 * x] = uchar(b);
            row[3 * x + 1] = uchar(g);
            row[3 * x + 2] = uchar(r);
        }
    }
    return img;
}

// The right picture sees the scene scaled by about 1.2 and turned by about
// 4.8 degrees: scene point = (1.2x - 0.1y + 200, 0.1x + 1.2y - 20). Its points
// (20, 40) and (40, 170) show the scene points (220, 30) and (231, 188).
const Similarity kTruth{1.2, 0.1, 200, -20};

struct Shots {
    QImage left = shoot(300, 240, [](QPointF p) { return p; });
    QImage right = shoot(240, 240, [](QPointF p) { return kTruth.map(p); });
};

const Shots& shots()
{
    static const Shots s;
    return s;
}

QRgb pixel(const QImage& img, int x, int y)
{
    const uchar* p = img.constScanLine(y) + 3 * x;
    return qRgb(p[2], p[1], p[0]);
}

int channelError(QRgb a, int r, int g, int b)
{
    return std::max({std::abs(qRed(a) - r), std::abs(qGreen(a) - g), std::abs(qBlue(a) - b)});
}

TEST(Panorama, JoinsTurnedAndScaledCropOntoTheScene)
{
    const Shots& s = shots();
    const QImage out = JoinPanorama(s.left, s.right, {220, 30}, {231, 188}, {20, 40}, {40, 170});
    ASSERT_FALSE(out.isNull());
    EXPECT_EQ(out.format(), kWorkingFormat);
    // Bounding box of both: x from 0 to 486.8 (the right picture's top right
    // corner), y from -20 to 290.7 (its bottom right corner).
    EXPECT_EQ(out.size(), QSize(488, 312));
    const int offY = 20;

    double overlapSum = 0;
    int overlapCount = 0, overlapWorst = 0, rightOnlyWorst = 0;
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            const QPointF q(x, y - offY);
            const QPointF p = kTruth.inverseMap(q);
            const bool inRight = p.x() >= 0.5 && p.y() >= 0.5 && p.x() <= 238.5 && p.y() <= 238.5;
            const bool inLeft = q.y() >= 0 && q.y() < 240 && q.x() < 300;
            int r, g, b;
            scene(q.x(), q.y(), r, g, b);
            const QRgb got = pixel(out, x, y);
            if (inLeft && !inRight && (p.x() < -1.5 || p.y() < -1.5 || p.x() > 240.5 || p.y() > 240.5)) {
                // The left picture alone: its own pixels, unchanged.
                ASSERT_EQ(got, pixel(s.left, x, y - offY)) << x << "," << y;
            } else if (inLeft && inRight) {
                const int e = channelError(got, r, g, b);
                overlapSum += e;
                ++overlapCount;
                overlapWorst = std::max(overlapWorst, e);
            } else if (inRight && !inLeft) {
                rightOnlyWorst = std::max(rightOnlyWorst, channelError(got, r, g, b));
            } else if (!inLeft && (p.x() < -1.5 || p.y() < -1.5 || p.x() > 240.5 || p.y() > 240.5)) {
                ASSERT_EQ(got, qRgb(255, 255, 255)) << x << "," << y;
            }
        }
    }
    ASSERT_GT(overlapCount, 10000);
    EXPECT_LT(overlapSum / overlapCount, 1.5);
    EXPECT_LE(overlapWorst, 8);
    EXPECT_LE(rightOnlyWorst, 8);
}

TEST(Panorama, MarkerOrderDoesNotMatter)
{
    const Shots& s = shots();
    const QImage a = JoinPanorama(s.left, s.right, {220, 30}, {231, 188}, {20, 40}, {40, 170});
    const QImage b = JoinPanorama(s.left, s.right, {231, 188}, {220, 30}, {40, 170}, {20, 40});
    const QImage c = JoinPanorama(s.left, s.right, {220, 30}, {231, 188}, {40, 170}, {20, 40});
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);

    QPoint up(5, 50), down(7, 10);
    orderUpperLower(up, down);
    EXPECT_EQ(up, QPoint(7, 10));
    EXPECT_EQ(down, QPoint(5, 50));
}

TEST(Panorama, IdentityJoinOfTwoHalvesRebuildsThePicture)
{
    // Two crops side by side with the same points: a pure translation.
    const QImage whole = zbtest::patternBitmap(200, 120);
    const QImage left = whole.copy(0, 0, 130, 120);
    const QImage right = whole.copy(70, 0, 130, 120);
    const QImage out = JoinPanorama(left, right, {100, 10}, {100, 100}, {30, 10}, {30, 100});
    ASSERT_EQ(out.size(), whole.size());
    for (int y = 0; y < whole.height(); ++y)
        for (int x = 0; x < whole.width(); ++x)
            ASSERT_LE(channelError(pixel(out, x, y), qRed(pixel(whole, x, y)), qGreen(pixel(whole, x, y)),
                                   qBlue(pixel(whole, x, y))),
                      1)
                << x << "," << y;
}

TEST(Panorama, NoResultWithoutASoundTransform)
{
    const Shots& s = shots();
    struct Case {
        const char* what;
        QPoint lu, ll, ru, rl;
    };
    const Case cases[] = {
        {"right points coincide", {220, 30}, {231, 188}, {20, 40}, {20, 40}},
        {"left points coincide", {220, 30}, {220, 30}, {20, 40}, {40, 170}},
        {"scale below one eighth", {10, 10}, {10, 20}, {10, 10}, {10, 100}},
        {"scale above eight", {10, 10}, {10, 100}, {10, 10}, {10, 20}},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(JoinPanorama(s.left, s.right, c.lu, c.ll, c.ru, c.rl).isNull()) << c.what;
    EXPECT_TRUE(JoinPanorama(QImage(), s.right, {0, 0}, {0, 10}, {0, 0}, {0, 10}).isNull());

    // Allowed scale, but the result would pass the pixel limit: refused
    // before anything that size is made.
    const QImage big = newWorkingBitmap(1000, 1000);
    EXPECT_TRUE(JoinPanorama(big, big, {900, 0}, {900, 790}, {0, 0}, {0, 100}).isNull());
}

TEST(Panorama, MarkerToPictureArithmetic)
{
    struct Case {
        int scroll, pos, ratio, coord;
    };
    const Case cases[] = {
        {0, 97, 50, 200},   // centre 100 display pixels in at 50 % is column 200
        {0, -3, 50, 0},     // centre on the picture's first pixel
        {0, 97, 100, 100},
        {40, 57, 200, 50},  // scrolled: (40 + 57 + 3) × 100 / 200
        {0, 10, 30, 43},    // truncated: 1300 / 30 = 43.3
    };
    for (const Case& c : cases) {
        EXPECT_EQ(markerPictureCoord(c.scroll, c.pos, c.ratio), c.coord) << c.pos << " at " << c.ratio;
        const int back = markerPosFor(c.coord, c.scroll, c.ratio);
        EXPECT_EQ(markerPictureCoord(c.scroll, back, c.ratio), c.coord) << c.coord << " at " << c.ratio;
    }
}

TEST(Panorama, GuideTexts)
{
    EXPECT_EQ(panoramaGuide(false, false, 0), kPanoramaNoPicture);
    EXPECT_EQ(panoramaGuide(false, true, 0), kPanoramaNeedLeft);
    EXPECT_EQ(panoramaGuide(true, false, 2), kPanoramaNeedRight);
    EXPECT_EQ(panoramaGuide(true, true, 3), kPanoramaNeedMarkers);
    EXPECT_EQ(panoramaGuide(true, true, 4), kPanoramaReady);
}

TEST(Panorama, LoadsPicturesAndRefusesUnknownKinds)
{
    zbtest::TempDir dir;
    const QString jpg = dir.path() + "/a.jpg";
    QFile f(jpg);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(zbtest::makeJpeg(64, 48));
    f.close();
    ScriptedMessages m;
    QImage bm;
    ASSERT_TRUE(LoadPanoramaPicture(jpg, bm, m));
    EXPECT_EQ(bm.size(), QSize(64, 48));
    EXPECT_EQ(bm.format(), kWorkingFormat);

    const QString txt = dir.path() + "/a.txt";
    QFile t(txt);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("x");
    t.close();
    EXPECT_FALSE(LoadPanoramaPicture(txt, bm, m));
    EXPECT_EQ(m.boxes(), QStringList{"information: サポートされていない写真データ形式です。\r\n>" + txt});
}

}  // namespace
