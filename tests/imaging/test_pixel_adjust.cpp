#include "imaging/pixel_adjust.h"
#include "imaging/pixel_geometry.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace zb;

namespace {

// A working bitmap whose bytes (blue, green, red of each pixel, row by row)
// are the given ones.
QImage bitmapOf(int w, int h, const std::vector<int>& bytes)
{
    QImage image(w, h, QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            image.scanLine(y)[x] = uchar(bytes[std::size_t(y * w * 3 + x)]);
    return image;
}

// 256 pixels holding every byte value in every channel, each channel in its own
// order so the channels cannot be mixed up unnoticed.
QImage allValues()
{
    QImage image(256, 1, QImage::Format_BGR888);
    uchar* p = image.scanLine(0);
    for (int i = 0; i < 256; ++i) {
        p[i * 3 + 0] = uchar(i);
        p[i * 3 + 1] = uchar(255 - i);
        p[i * 3 + 2] = uchar((i * 7) & 255);
    }
    return image;
}

// One channel value taken through the steps one after another, as the
// formulas state them.
int stepByStep(int v, int channelBalance, const AdjustSettings& s)
{
    if (!isNeutral(s, AdjustStep::ColourBalance))
        v = addValue(v, channelBalance);
    if (s.contrast != 0)
        v = contrastValue(v, s.contrast);
    if (s.gamma != 0)
        v = gammaValue(v, s.gamma);
    if (!isNeutral(s, AdjustStep::Levels))
        v = levelsTable(s.levelMin, s.levelMax)[std::size_t(v)];
    if (s.brightness != 0)
        v = addValue(v, s.brightness);
    return v;
}

std::vector<AdjustSettings> settingsTable()
{
    std::vector<AdjustSettings> table = {
        {},
        {10, -20, 30, 0, 0, 0, 255, 0},
        {0, 0, 0, 40, 0, 0, 255, 0},
        {0, 0, 0, -100, 0, 0, 255, 0},
        {0, 0, 0, 0, -100, 0, 255, 0},
        {0, 0, 0, 0, 100, 0, 255, 0},
        {0, 0, 0, 0, 0, 100, 100, 0},
        {0, 0, 0, 0, 0, 30, 200, 0},
        {0, 0, 0, 0, 0, 0, 255, -100},
        {-100, 100, 50, 100, -50, 20, 230, 15},
        {5, 5, 5, 33, 17, 1, 254, -7},
    };
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> slider(-100, 100), grip(0, 255);
    for (int i = 0; i < 60; ++i) {
        AdjustSettings s;
        s.red = slider(random);
        s.green = slider(random);
        s.blue = slider(random);
        s.contrast = slider(random);
        s.gamma = slider(random);
        s.levelMin = grip(random);
        s.levelMax = grip(random);
        if (s.levelMin > s.levelMax)
            std::swap(s.levelMin, s.levelMax);
        s.brightness = slider(random);
        // Leave some steps neutral so skipping is exercised too.
        if (i % 3 == 0)
            s.contrast = 0;
        if (i % 4 == 0)
            s.levelMin = 0, s.levelMax = 255;
        if (i % 5 == 0)
            s.red = s.green = s.blue = 0;
        table.push_back(s);
    }
    return table;
}

}  // namespace

TEST(PixelAdjust, ComposedTablesEqualTheStepsOneAfterAnother)
{
    for (const AdjustSettings& s : settingsTable()) {
        const ChannelTables t = pipelineTables(s);
        for (int v = 0; v < 256; ++v) {
            ASSERT_EQ(t.red[v], stepByStep(v, s.red, s)) << "red " << v << " contrast " << s.contrast;
            ASSERT_EQ(t.green[v], stepByStep(v, s.green, s)) << "green " << v;
            ASSERT_EQ(t.blue[v], stepByStep(v, s.blue, s)) << "blue " << v;
        }
        // The whole picture: the pipeline against the single step functions.
        QImage piped = allValues(), stepped = allValues();
        const bool ran = applyAdjustments(piped, s);
        EXPECT_EQ(ran, !activeSteps(s).empty());
        if (!isNeutral(s, AdjustStep::ColourBalance))
            applyColourBalance(stepped, s.red, s.green, s.blue);
        if (s.contrast)
            applyContrast(stepped, s.contrast);
        if (s.gamma)
            applyGamma(stepped, s.gamma);
        if (!isNeutral(s, AdjustStep::Levels))
            applyLevels(stepped, s.levelMin, s.levelMax);
        if (s.brightness)
            applyBrightness(stepped, s.brightness);
        ASSERT_EQ(piped, stepped);
    }
}

TEST(PixelAdjust, StepValues)
{
    for (int v = 0; v < 256; ++v) {
        EXPECT_EQ(contrastValue(v, -100), 128) << v;  // 127.5 rounds to even
        EXPECT_EQ(levelsTable(0, 255)[v], v);
        EXPECT_EQ(levelsTable(100, 100)[v], v < 100 ? 0 : v == 100 ? 128 : 255);
        EXPECT_EQ(gammaValue(v, -100), int(std::nearbyint(255 * std::pow(v / 255.0, 100.0)))) << v;
        EXPECT_EQ(gammaValue(v, 0), v);
        EXPECT_EQ(contrastValue(v, 0), v);
    }
    const struct {
        int got, want;
        const char* what;
    } cases[] = {
        {gammaValue(128, -100), 0, "gamma -100 darkens the midtones to black"},
        {gammaValue(255, -100), 255, "the brightest value stays"},
        {gammaValue(64, 100), 128, "gamma 100 is a square root: 255 * sqrt(64/255) = 127.75"},
        {contrastValue(128, 100), 128, "128 + 0.5 = 128.5 rounds to even"},
        {contrastValue(129, 100), 130, "129 + 1.5 = 130.5 rounds to even"},
        {contrastValue(0, 100), 0, "limited below"},
        {contrastValue(250, 100), 255, "limited above"},
        {levelsTable(0, 2)[1], 128, "(255 + 1) / 2"},
        {levelsTable(10, 20)[5], 0, "below the lower grip"},
        {levelsTable(10, 20)[15], 128, "(5 * 255 + 5) / 10 = 128"},
        {levelsTable(10, 20)[25], 255, "above the upper grip"},
        {addValue(250, 10), 255, "brightness limited above"},
        {addValue(5, -10), 0, "brightness limited below"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want) << c.what;
    EXPECT_EQ(clampByte(2.5), 2);
    EXPECT_EQ(clampByte(3.5), 4);
    EXPECT_EQ(clampByte(-0.7), 0);
    EXPECT_EQ(clampByte(300.2), 255);
    EXPECT_EQ(clampRatio(-3, 2), 0);
    EXPECT_EQ(clampRatio(5, -2), 0);
    EXPECT_EQ(clampRatio(-5, -2), 2);
}

TEST(PixelAdjust, ColourBalanceKeepsBlueGreenRedOrder)
{
    QImage image = bitmapOf(1, 1, {10, 20, 30});  // blue 10, green 20, red 30
    applyColourBalance(image, 1, 2, 3);            // red +1, green +2, blue +3
    EXPECT_EQ(image.pixelColor(0, 0), QColor(31, 22, 13));
}

TEST(PixelAdjust, UndoCopyIsTakenBeforeTheLastStep)
{
    AdjustSettings s;
    s.contrast = 40;
    s.brightness = 20;
    EXPECT_EQ(lastActiveStep(s), AdjustStep::Brightness);
    QImage picture = zbtest::patternBitmap(40, 30), undo;
    QImage contrastOnly = picture;
    applyContrast(contrastOnly, 40);
    ASSERT_TRUE(applyAdjustments(picture, s, &undo));
    EXPECT_EQ(undo, contrastOnly);
    QImage both = contrastOnly;
    applyBrightness(both, 20);
    EXPECT_EQ(picture, both);

    // A single step: the undo copy is the untouched picture.
    AdjustSettings gammaOnly;
    gammaOnly.gamma = 30;
    const QImage original = zbtest::patternBitmap(40, 30);
    picture = original;
    ASSERT_TRUE(applyAdjustments(picture, gammaOnly, &undo));
    EXPECT_EQ(undo, original);
    EXPECT_NE(picture, original);

    // All neutral: nothing runs, nothing is copied.
    undo = QImage();
    EXPECT_FALSE(applyAdjustments(picture, AdjustSettings{}, &undo));
    EXPECT_TRUE(undo.isNull());
    EXPECT_FALSE(lastActiveStep(AdjustSettings{}).has_value());
}

TEST(PixelAdjust, LastActiveStep)
{
    const struct {
        AdjustSettings s;
        AdjustStep last;
    } cases[] = {
        {{0, 0, 1, 0, 0, 0, 255, 0}, AdjustStep::ColourBalance},
        {{5, 0, 0, 9, 0, 0, 255, 0}, AdjustStep::Contrast},
        {{0, 0, 0, 9, -3, 0, 255, 0}, AdjustStep::Gamma},
        {{0, 0, 0, 0, 0, 0, 254, 0}, AdjustStep::Levels},
        {{0, 0, 0, 0, 0, 1, 255, 0}, AdjustStep::Levels},
        {{1, 1, 1, 1, 1, 1, 254, 1}, AdjustStep::Brightness},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lastActiveStep(c.s), c.last);
}

TEST(PixelAdjust, GreyInversionAndHistogram)
{
    // blue, green, red per pixel
    QImage image = bitmapOf(4, 1, {32, 0, 0, 96, 0, 0, 0, 0, 10, 200, 100, 50});
    toGrey(image);
    const uchar* p = image.constScanLine(0);
    const int grey[] = {4,    // 28 * 32 / 256 = 3.5, rounds to even
                        10,   // 28 * 96 / 256 = 10.5, rounds to even
                        3,    // 77 * 10 / 256 = 3.0
                        96};  // (77*50 + 151*100 + 28*200) / 256 = 96.09
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(p[i * 3 + c], grey[i]) << i;

    QImage colours = bitmapOf(2, 1, {0, 1, 2, 255, 128, 7});
    invertColours(colours);
    EXPECT_EQ(colours, bitmapOf(2, 1, {255, 254, 253, 0, 127, 248}));

    // A tall picture is split between threads: every row is done once.
    const QImage tall = zbtest::patternBitmap(7, 1100);
    QImage inverted = tall;
    invertColours(inverted);
    for (int y : {0, 549, 550, 1099})
        for (int x = 0; x < 21; ++x)
            ASSERT_EQ(inverted.constScanLine(y)[x], 255 - tall.constScanLine(y)[x]) << y;

    const auto h = channelHistogram(bitmapOf(3, 1, {0, 255, 7, 7, 7, 254, 1, 0, 255}));
    EXPECT_EQ(h[0], 0);
    EXPECT_EQ(h[255], 0);
    EXPECT_EQ(h[7], 3);
    EXPECT_EQ(h[1], 1);
    EXPECT_EQ(h[254], 1);
    std::int64_t total = 0;
    for (auto n : h)
        total += n;
    EXPECT_EQ(total, 5);
}

TEST(PixelGeometry, MirrorsAndQuarterTurn)
{
    // 3 x 2, each pixel's blue byte its number
    const QImage source = bitmapOf(3, 2, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4, 5, 5, 5});
    auto numbers = [](const QImage& image) {
        std::vector<int> out;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                out.push_back(image.constScanLine(y)[x * 3]);
        return out;
    };
    QImage image = source;
    flipVertical(image);
    EXPECT_EQ(numbers(image), (std::vector<int>{3, 4, 5, 0, 1, 2}));
    image = source;
    flipHorizontal(image);
    EXPECT_EQ(numbers(image), (std::vector<int>{2, 1, 0, 5, 4, 3}));
    image = source;
    ASSERT_TRUE(turnClockwise(image));
    EXPECT_EQ(image.size(), QSize(2, 3));
    EXPECT_EQ(numbers(image), (std::vector<int>{3, 0, 4, 1, 5, 2}));

    const QImage photo = zbtest::patternBitmap(37, 23);
    for (auto flip : {flipVertical, flipHorizontal}) {
        image = photo;
        flip(image);
        EXPECT_NE(image, photo);
        flip(image);
        EXPECT_EQ(image, photo);
    }
    image = photo;
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(turnClockwise(image));
        EXPECT_EQ(image == photo, i == 3) << i;
    }
    // A tall picture is split between threads: the result must not change.
    const QImage tall = zbtest::patternBitmap(5, 1200);
    image = tall;
    turnClockwise(image);
    turnClockwise(image);
    flipVertical(image);
    flipHorizontal(image);
    EXPECT_EQ(image, tall);
}

TEST(PixelGeometry, FreeRotation)
{
    const QImage photo = zbtest::patternBitmap(100, 50);
    const QColor olive(128, 128, 0);

    QImage image = photo;
    ASSERT_EQ(rotatePicture(image, 90), RotateResult::Rotated);
    QImage turned = photo;
    turnClockwise(turned);
    EXPECT_EQ(image, turned);  // 50 x 100, every pixel from the source, no fill

    image = photo;
    ASSERT_EQ(rotatePicture(image, 45), RotateResult::Rotated);
    ASSERT_EQ(image.size(), QSize(106, 106));
    EXPECT_EQ(image.format(), QImage::Format_BGR888);
    for (QPoint corner : {QPoint(0, 0), QPoint(105, 0), QPoint(0, 105), QPoint(105, 105)})
        EXPECT_EQ(image.pixelColor(corner), olive) << corner.x() << "," << corner.y();
    EXPECT_EQ(image.pixelColor(53, 53), photo.pixelColor(50, 25));

    const struct {
        int w, h;
        double degrees;
        QSize size;
    } sizes[] = {
        {100, 50, 90, {50, 100}},  {100, 50, -90, {50, 100}}, {100, 50, 180, {100, 50}},
        {100, 50, 45, {106, 106}}, {100, 50, 360, {100, 50}}, {100, 50, 30, {112, 93}},
        {100, 50, -30, {112, 93}}, {100, 50, 0.1, {100, 50}},
    };
    for (const auto& c : sizes)
        EXPECT_EQ(rotatedSize(c.w, c.h, c.degrees), c.size) << c.degrees;

    image = photo;
    EXPECT_EQ(rotatePicture(image, 180), RotateResult::Rotated);
    EXPECT_EQ(image.pixelColor(0, 0), photo.pixelColor(99, 49));
    image = photo;
    EXPECT_EQ(rotatePicture(image, 360), RotateResult::Rotated);
    EXPECT_EQ(image, photo);
    image = photo;
    EXPECT_EQ(rotatePicture(image, 0), RotateResult::NoAngle);
    EXPECT_EQ(image, photo);
    QImage none;
    EXPECT_EQ(rotatePicture(none, 45), RotateResult::NoPicture);

    // 65535 x 1 turned 45 degrees would be 46341 x 46341 pixels.
    QImage strip = zbtest::patternBitmap(65535, 1);
    const QImage stripBefore = strip;
    EXPECT_EQ(rotatePicture(strip, 45), RotateResult::TooLarge);
    EXPECT_EQ(strip, stripBefore);
}

TEST(PixelGeometry, Trimming)
{
    const QImage photo = zbtest::patternBitmap(40, 30);
    const struct {
        QRect selection;
        TrimResult result;
        QSize size;
    } cases[] = {
        {QRect(5, 6, 10, 8), TrimResult::Trimmed, {10, 8}},
        {QRect(30, 20, 20, 20), TrimResult::Trimmed, {10, 10}},  // cut to the picture
        {QRect(15, 14, -10, -8), TrimResult::Trimmed, {10, 8}},  // drawn backwards
        {QRect(5, 6, 0, 8), TrimResult::EmptySelection, {40, 30}},
        {QRect(5, 6, 10, 0), TrimResult::EmptySelection, {40, 30}},
        {QRect(), TrimResult::EmptySelection, {40, 30}},
        {QRect(50, 50, 10, 10), TrimResult::EmptySelection, {40, 30}},  // outside
        {QRect(0, 0, 40, 30), TrimResult::SizeUnchanged, {40, 30}},
        {QRect(-5, -5, 100, 100), TrimResult::SizeUnchanged, {40, 30}},
    };
    for (const auto& c : cases) {
        QImage image = photo;
        EXPECT_EQ(trimPicture(image, c.selection), c.result) << c.selection.x() << "," << c.selection.width();
        EXPECT_EQ(image.size(), c.size);
        if (c.result == TrimResult::Trimmed) {
            const QRect part = c.selection.normalized() & photo.rect();
            EXPECT_EQ(image, photo.copy(part));
        } else {
            EXPECT_EQ(image, photo);
        }
    }
    QImage none;
    EXPECT_EQ(trimPicture(none, QRect(0, 0, 5, 5)), TrimResult::NoPicture);
}
