#include "imaging/resample.h"

#include "fixtures.h"

#include <gtest/gtest.h>

using namespace zb;

TEST(ImagingResample, ShorterSideRule)
{
    const struct {
        int w, h, s;
        QSize size;
    } cases[] = {
        {500, 375, 120, {160, 120}},  // landscape 4:3
        {375, 500, 120, {120, 160}},  // portrait
        {100, 50, 120, {240, 120}},   // small pictures are enlarged
        {500, 375, 400, {533, 400}},  // album: shorter side 400, not longer side
        {300, 300, 0, {120, 120}},    // square; 0 means 120
        {1001, 999, 120, {120, 120}}, // trunc(1001*120/999) = 120
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ShorterSideSize(c.w, c.h, c.s), c.size) << c.w << "x" << c.h;
        for (bool smooth : {true, false}) {
            QImage image = zbtest::patternBitmap(c.w, c.h);
            ASSERT_TRUE(FitShorterSide(image, c.s, smooth));
            EXPECT_EQ(image.size(), c.size);
            EXPECT_EQ(image.format(), QImage::Format_BGR888);
        }
    }
}

TEST(ImagingResample, RefusedSizesLeaveTheBitmap)
{
    QImage empty;
    EXPECT_FALSE(FitShorterSide(empty, 120, true));
    // A 1 x 60000 strip would become 120 x 7 200 000: past the pixel limit.
    QImage strip = zbtest::patternBitmap(1, 60000);
    EXPECT_FALSE(FitShorterSide(strip, 120, true));
    EXPECT_EQ(strip.size(), QSize(1, 60000));
}

TEST(ImagingResample, FlatAreasKeepTheirColour)
{
    QImage flat(97, 61, QImage::Format_BGR888);
    flat.fill(QColor(12, 200, 77));
    for (QSize to : {QSize(30, 19), QSize(200, 130), QSize(97, 61)}) {
        const QImage out = ResizeSmooth(flat, to.width(), to.height());
        ASSERT_EQ(out.size(), to);
        for (QPoint p : {QPoint(0, 0), QPoint(to.width() - 1, to.height() - 1), QPoint(to.width() / 2, 3)})
            EXPECT_EQ(out.pixelColor(p), QColor(12, 200, 77));
    }
}

TEST(ImagingResample, SmoothAveragesPlainPicks)
{
    // Alternating black and white columns: the smooth reduction greys them,
    // the plain stretch keeps pure pixels.
    QImage stripes(64, 8, QImage::Format_BGR888);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 64; ++x)
            stripes.setPixelColor(x, y, (x & 1) ? Qt::white : Qt::black);
    const QImage smooth = ResizeSmooth(stripes, 16, 2);
    const QImage plain = StretchPlain(stripes, 16, 2);
    EXPECT_NEAR(smooth.pixelColor(8, 1).red(), 128, 20);
    const int v = plain.pixelColor(8, 1).red();
    EXPECT_TRUE(v == 0 || v == 255);
}
