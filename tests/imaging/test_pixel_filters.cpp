#include "imaging/pixel_filters.h"
#include "imaging/pixel_reduce.h"
#include "imaging/working_bitmap.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

using namespace zb;

namespace {

struct Bgr {
    int r, g, b;
    bool operator==(const Bgr&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Bgr& c) { return os << "(" << c.r << "," << c.g << "," << c.b << ")"; }

// A working bitmap whose pixels are given row by row.
QImage bitmapOf(int w, int h, const std::vector<Bgr>& pixels)
{
    QImage image = newWorkingBitmap(w, h);
    for (int y = 0; y < h; ++y) {
        uchar* p = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const Bgr& c = pixels[size_t(y * w + x)];
            p[x * 3] = uchar(c.b);
            p[x * 3 + 1] = uchar(c.g);
            p[x * 3 + 2] = uchar(c.r);
        }
    }
    return image;
}

QImage flatBitmap(int w, int h, Bgr c) { return bitmapOf(w, h, std::vector<Bgr>(size_t(w * h), c)); }

Bgr at(const QImage& image, int x, int y)
{
    const uchar* p = image.constScanLine(y) + x * 3;
    return {p[2], p[1], p[0]};
}

Bgr colourOf(const QImage& indexed, int x, int y)
{
    const QRgb c = indexed.color(indexed.pixelIndex(x, y));
    return {qRed(c), qGreen(c), qBlue(c)};
}

// A 3 x 3 grey picture with one grey value per pixel.
QImage grey3x3(std::array<int, 9> v)
{
    std::vector<Bgr> px;
    for (int g : v)
        px.push_back({g, g, g});
    return bitmapOf(3, 3, px);
}

}  // namespace

// ---- 256-colour reduction ----

TEST(ImagingColourReduction, RedBlueWhiteKeepThreeExactColours)
{
    const Bgr red{255, 0, 0}, blue{0, 0, 255}, white{255, 255, 255};
    const QImage picture = bitmapOf(3, 2, {red, blue, white, white, red, blue});
    const QImage out = ReduceTo256Colours(picture);
    ASSERT_EQ(out.format(), QImage::Format_Indexed8);
    ASSERT_EQ(out.size(), QSize(3, 2));
    // Green varies most at the top: white (above the mean) is cut off and made
    // first, then red and blue are split by red, red above the mean first.
    EXPECT_EQ(out.colorTable(), (QList<QRgb>{qRgb(255, 255, 255), qRgb(255, 0, 0), qRgb(0, 0, 255)}));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(colourOf(out, x, y), at(picture, x, y)) << x << "," << y;
}

TEST(ImagingColourReduction, SmallCases)
{
    const struct {
        const char* what;
        int w, h;
        std::vector<Bgr> pixels;
        std::vector<Bgr> palette;
    } cases[] = {
        {"one colour", 2, 1, {{10, 20, 30}, {10, 20, 30}}, {{10, 20, 30}}},
        {"black", 1, 1, {{0, 0, 0}}, {{0, 0, 0}}},
        // One cell (red 8..15, green 4..7, blue 16..23): the low bits are
        // averaged by div for the cell colour: red 8 + (1+2+7) div 3 = 11,
        // green 4 + (0+3+3) div 3 = 6, blue 16 + (7+0+0) div 3 = 18.
        {"one cell", 3, 1, {{9, 4, 23}, {10, 7, 16}, {15, 7, 16}}, {{11, 6, 18}}},
        // Two cells differing only in blue; above the mean first.
        {"blue split", 2, 1, {{0, 0, 0}, {0, 0, 200}}, {{0, 0, 200}, {0, 0, 0}}},
        // More pixels of one colour do not merge two colours.
        {"weighted", 4, 1, {{100, 0, 0}, {100, 0, 0}, {100, 0, 0}, {0, 0, 0}}, {{100, 0, 0}, {0, 0, 0}}},
    };
    for (const auto& c : cases) {
        const QImage out = ReduceTo256Colours(bitmapOf(c.w, c.h, c.pixels));
        ASSERT_EQ(out.format(), QImage::Format_Indexed8) << c.what;
        QList<QRgb> expected;
        for (const Bgr& p : c.palette)
            expected.append(qRgb(p.r, p.g, p.b));
        EXPECT_EQ(out.colorTable(), expected) << c.what;
    }
}

TEST(ImagingColourReduction, ManyCellsGiveAtMost256Entries)
{
    // 4096 cells, one pixel each: leaves hold several cells and every pixel
    // takes an entry near its own colour.
    QImage picture = newWorkingBitmap(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            uchar* p = picture.scanLine(y) + x * 3;
            p[0] = uchar(x * 4);        // blue
            p[1] = uchar(y * 4);        // green
            p[2] = uchar((x ^ y) * 4);  // red
        }
    const QImage out = ReduceTo256Colours(picture);
    ASSERT_EQ(out.format(), QImage::Format_Indexed8);
    EXPECT_LE(out.colorCount(), 256);
    EXPECT_GT(out.colorCount(), 128);
    for (int y = 0; y < 64; y += 7)
        for (int x = 0; x < 64; x += 5) {
            const Bgr got = colourOf(out, x, y), want = at(picture, x, y);
            EXPECT_LE(std::abs(got.r - want.r) + std::abs(got.g - want.g) + std::abs(got.b - want.b), 120)
                << x << "," << y;
        }
    const QImage photo = ReduceTo256Colours(zbtest::patternBitmap(300, 200));
    EXPECT_LE(photo.colorCount(), 256);
    EXPECT_EQ(photo.size(), QSize(300, 200));
}

TEST(ImagingColourReduction, LeafOfTwoCellsRoundsItsMeanHalvesToEven)
{
    // Reds 8k (k = 2..9) with 3^k pixels each: every cut splits off only the
    // top cell, so after eight cuts the two lowest cells, one pixel each,
    // share the last entry: red 0 and red r give the mean r / 2.
    const struct {
        int r, mean;
    } cases[] = {{9, 4}, {11, 6}, {13, 6}, {10, 5}, {12, 6}};  // 4.5, 5.5, 6.5, 5, 6
    for (const auto& c : cases) {
        std::vector<Bgr> px{{0, 0, 0}, {c.r, 0, 0}};
        int weight = 9;
        for (int k = 2; k <= 9; ++k, weight *= 3)
            px.insert(px.end(), size_t(weight), Bgr{8 * k, 0, 0});
        const QImage out = ReduceTo256Colours(bitmapOf(int(px.size()), 1, px));
        ASSERT_EQ(out.colorCount(), 9) << c.r;
        EXPECT_EQ(out.color(0), qRgb(72, 0, 0));
        EXPECT_EQ(out.color(8), qRgb(c.mean, 0, 0)) << c.r;
        EXPECT_EQ(out.pixelIndex(0, 0), 8);
        EXPECT_EQ(out.pixelIndex(1, 0), 8);
    }
}

TEST(ImagingColourReduction, NullPictureGivesNull)
{
    EXPECT_TRUE(ReduceTo256Colours(QImage()).isNull());
}

// ---- 3 x 3 filters ----

TEST(ImagingFilters, KernelsWithClampedEdges)
{
    // One bright pixel of 100 in the middle of a black 3 x 3 picture.
    const QImage dot = grey3x3({0, 0, 0, 0, 100, 0, 0, 0, 0});
    const struct {
        Filter3x3 filter;
        std::array<int, 9> expected;
    } cases[] = {
        // The kernel's first row lies over the row above: the dot is below and
        // right of the top-left pixel (weight -1) and above and left of the
        // bottom-right one (+1).
        {Filter3x3::Emboss, {27, 27, 127, 27, 127, 227, 127, 227, 227}},
        // Edges repeat the nearest pixel; nine ones: 100/9 = 11.1 -> 11.
        {Filter3x3::Blur, {11, 11, 11, 11, 11, 11, 11, 11, 11}},
        // The centre gets 5 x 100 clamped to 255; its four neighbours -100 -> 0.
        {Filter3x3::Sharpen, {0, 0, 0, 0, 255, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const QImage out = ApplyFilter3x3(dot, c.filter);
        ASSERT_EQ(out.format(), kWorkingFormat);
        for (int i = 0; i < 9; ++i) {
            const int v = c.expected[size_t(i)];
            EXPECT_EQ(at(out, i % 3, i / 3), (Bgr{v, v, v})) << int(c.filter) << " pixel " << i;
        }
    }
}

TEST(ImagingFilters, FlatPictureStaysFlatToTheEdges)
{
    // Neighbours outside are edge pixels, so a flat picture has no border.
    const QImage flat = flatBitmap(5, 4, {200, 30, 90});
    const struct {
        Filter3x3 filter;
        Bgr expected;
    } cases[] = {
        {Filter3x3::Emboss, {127, 127, 127}},
        {Filter3x3::Blur, {200, 30, 90}},
        {Filter3x3::Sharpen, {200, 30, 90}},
    };
    for (const auto& c : cases) {
        const QImage out = ApplyFilter3x3(flat, c.filter);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(at(out, x, y), c.expected) << int(c.filter) << " " << x << "," << y;
    }
}

TEST(ImagingFilters, ChannelsAreFilteredSeparatelyAndRounded)
{
    // Blur of two pixels: the left one sees red 0, 0, 14 in each of its three
    // rows (42 / 9 = 4.67 -> 5) and green 14, 14, 0 (84 / 9 = 9.33 -> 9).
    const QImage two = bitmapOf(2, 1, {{0, 14, 255}, {14, 0, 255}});
    const QImage out = ApplyFilter3x3(two, Filter3x3::Blur);
    EXPECT_EQ(at(out, 0, 0), (Bgr{5, 9, 255}));
    EXPECT_EQ(at(out, 1, 0), (Bgr{9, 5, 255}));
    // Emboss of a one-pixel-wide step: white over black gives 2 x 255 + 127 at
    // the top (clamped to 255), black over white -2 x 255 + 127 (clamped to 0).
    const struct {
        int top, bottom;
        int topResult, bottomResult;
    } steps[] = {{255, 0, 255, 255}, {0, 255, 0, 0}, {100, 90, 147, 147}};
    for (const auto& c : steps) {
        const QImage e = ApplyFilter3x3(bitmapOf(1, 2, {{c.top, c.top, c.top}, {c.bottom, c.bottom, c.bottom}}),
                                        Filter3x3::Emboss);
        EXPECT_EQ(at(e, 0, 0).g, c.topResult) << c.top << "/" << c.bottom;
        EXPECT_EQ(at(e, 0, 1).g, c.bottomResult) << c.top << "/" << c.bottom;
    }
}

TEST(ImagingFilters, LargePictureSplitBetweenThreadsMatchesStrips)
{
    // The two halves of a large picture are filtered apart; the seam row must
    // see its neighbours like any other.
    const QImage photo = zbtest::patternBitmap(400, 301);
    for (Filter3x3 f : {Filter3x3::Emboss, Filter3x3::Blur, Filter3x3::Sharpen}) {
        const QImage whole = ApplyFilter3x3(photo, f);
        for (int y : {149, 150, 151}) {
            const QImage strip = ApplyFilter3x3(photo.copy(0, y - 1, 400, 3), f);
            for (int x = 0; x < 400; x += 13)
                EXPECT_EQ(at(whole, x, y), at(strip, x, 1)) << int(f) << " " << x << "," << y;
        }
    }
    for (int strength : {kNoiseStrength, 255}) {
        const QImage whole = RemoveNoise(photo, strength);
        for (int y : {148, 149, 150, 151, 152}) {
            const QImage strip = RemoveNoise(photo.copy(0, y - 2, 400, 5), strength);
            for (int x = 0; x < 400; x += 13)
                EXPECT_EQ(at(whole, x, y), at(strip, x, 2)) << strength << " " << x << "," << y;
        }
    }
}

// ---- noise removal ----

TEST(ImagingNoise, StrengthChoosesTheNeighbourhood)
{
    const struct {
        int strength, side;
    } cases[] = {{0, 1}, {-5, 1}, {1, 3}, {128, 3}, {129, 5}, {255, 5}, {1000, 5}};
    for (const auto& c : cases)
        EXPECT_EQ(NoiseNeighbourhood(c.strength), c.side) << c.strength;
}

TEST(ImagingNoise, MedianRemovesSpecksAndKeepsEdges)
{
    // A white speck on grey disappears.
    std::vector<Bgr> px(25, {100, 100, 100});
    px[12] = {255, 255, 255};
    const QImage speck = RemoveNoise(bitmapOf(5, 5, px));
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(at(speck, i % 5, i / 5), (Bgr{100, 100, 100})) << i;

    // A straight edge between black and white stays where it is.
    std::vector<Bgr> edge;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            edge.push_back(x < 3 ? Bgr{0, 0, 0} : Bgr{255, 255, 255});
    const QImage kept = RemoveNoise(bitmapOf(6, 4, edge));
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(at(kept, i % 6, i / 6), edge[size_t(i)]) << i;

    // Channels are separate: the median of each channel, not of whole pixels.
    const QImage mixed = RemoveNoise(bitmapOf(3, 1, {{10, 200, 0}, {200, 10, 0}, {50, 50, 9}}));
    // Middle pixel's 3 x 3 (edge rows repeated) holds each column three times.
    EXPECT_EQ(at(mixed, 1, 0), (Bgr{50, 50, 0}));

    // A 1 x 1 picture and strength 0 leave the picture as it was.
    EXPECT_EQ(at(RemoveNoise(bitmapOf(1, 1, {{1, 2, 3}})), 0, 0), (Bgr{1, 2, 3}));
    EXPECT_EQ(at(RemoveNoise(speck, 0), 2, 2), (Bgr{100, 100, 100}));
    EXPECT_TRUE(RemoveNoise(QImage()).isNull());
}

TEST(ImagingNoise, StrongerFilterRemovesLargerSpecks)
{
    // A 3 x 3 white block on black: the 3 x 3 median keeps its centre and the
    // middles of its sides (6 or 9 white of 9) and drops its corners (4 of 9);
    // the 5 x 5 median sees at most 9 white of 25 and removes it all.
    std::vector<Bgr> px(49, {0, 0, 0});
    for (int y = 2; y <= 4; ++y)
        for (int x = 2; x <= 4; ++x)
            px[size_t(y * 7 + x)] = {255, 255, 255};
    const QImage picture = bitmapOf(7, 7, px);
    const struct {
        int strength;
        std::vector<int> white;  // pixel numbers y * 7 + x left white
    } cases[] = {{kNoiseStrength, {17, 23, 24, 25, 31}}, {255, {}}};
    for (const auto& c : cases) {
        const QImage out = RemoveNoise(picture, c.strength);
        for (int i = 0; i < 49; ++i) {
            const bool white = std::find(c.white.begin(), c.white.end(), i) != c.white.end();
            EXPECT_EQ(at(out, i % 7, i / 7), (white ? Bgr{255, 255, 255} : Bgr{0, 0, 0})) << c.strength << " " << i;
        }
    }
}

// ---- resize by percent ----

TEST(ImagingResizePercent, Sizes)
{
    const struct {
        int w, h, percent;
        ResizeStatus status;
        QSize size;
    } cases[] = {
        {35, 20, 10, ResizeStatus::Resized, {3, 2}},
        {100, 50, 200, ResizeStatus::Resized, {200, 100}},
        {101, 33, 50, ResizeStatus::Resized, {50, 16}},
        {40, 30, 100, ResizeStatus::Unchanged, {}},
        {35, 9, 10, ResizeStatus::TooSmall, {}},   // 0.9 rows
        {9, 35, 10, ResizeStatus::TooSmall, {}},
        {20, 20, 0, ResizeStatus::TooSmall, {}},
        {40000, 10, 200, ResizeStatus::TooLarge, {}},  // 80000 wide: past the longest side
        {0, 0, 50, ResizeStatus::NoPicture, {}},
    };
    for (const auto& c : cases) {
        const QImage picture = c.w > 0 ? zbtest::patternBitmap(c.w, c.h) : QImage();
        for (bool interpolate : {true, false}) {
            const ResizeResult r = ResizeByPercent(picture, c.percent, interpolate);
            EXPECT_EQ(r.status, c.status) << c.w << "x" << c.h << " " << c.percent << "%";
            if (c.status == ResizeStatus::Resized) {
                EXPECT_EQ(r.bitmap.size(), c.size);
                EXPECT_EQ(r.bitmap.format(), kWorkingFormat);
            } else {
                EXPECT_TRUE(r.bitmap.isNull());
            }
        }
    }
}

TEST(ImagingResizePercent, AreaPastThePixelLimitIsRefused)
{
    // 6000 x 6000 at 200 % is 144 M pixels; the sides alone would be allowed.
    EXPECT_EQ(PercentSize(6000, 6000, 200), QSize(12000, 12000));
    EXPECT_FALSE(withinPixelLimit(12000, 12000));
    const QImage big = flatBitmap(6000, 6000, {1, 2, 3});
    EXPECT_EQ(ResizeByPercent(big, 200, true).status, ResizeStatus::TooLarge);
    EXPECT_EQ(ResizeByPercent(big, 200, false).status, ResizeStatus::TooLarge);
}

TEST(ImagingResizePercent, InterpolationSmoothsPlainPicks)
{
    // Alternating black and white columns halved: interpolation greys them,
    // the plain resize keeps pure black or white.
    std::vector<Bgr> px;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
            px.push_back(x % 2 ? Bgr{255, 255, 255} : Bgr{0, 0, 0});
    const QImage stripes = bitmapOf(16, 4, px);
    const QImage smooth = ResizeByPercent(stripes, 50, true).bitmap;
    const QImage plain = ResizeByPercent(stripes, 50, false).bitmap;
    ASSERT_EQ(smooth.size(), QSize(8, 2));
    ASSERT_EQ(plain.size(), QSize(8, 2));
    const Bgr s = at(smooth, 4, 1), p = at(plain, 4, 1);
    EXPECT_GT(s.r, 40);
    EXPECT_LT(s.r, 215);
    EXPECT_TRUE(p.r == 0 || p.r == 255) << p;
}

TEST(ImagingFilters, NarrowAndOddPicturesMatchTheKernelDefinition)
{
    // Every result pixel against the kernels written out with clamped
    // neighbour coordinates, on pictures of noise down to one pixel wide.
    const int kernels[3][9] = {{1, 1, 0, 1, 0, -1, 0, -1, -1}, {1, 1, 1, 1, 1, 1, 1, 1, 1}, {0, -1, 0, -1, 5, -1, 0, -1, 0}};
    const Filter3x3 filters[3] = {Filter3x3::Emboss, Filter3x3::Blur, Filter3x3::Sharpen};
    std::uint32_t seed = 7;
    for (const QSize size : {QSize(1, 1), QSize(1, 4), QSize(2, 3), QSize(5, 2), QSize(7, 7)}) {
        QImage p = newWorkingBitmap(size.width(), size.height());
        for (int y = 0; y < p.height(); ++y)
            for (int x = 0; x < p.width() * 3; ++x) {
                seed = seed * 1664525u + 1013904223u;
                p.scanLine(y)[x] = uchar(seed >> 24);
            }
        for (int f = 0; f < 3; ++f) {
            const QImage out = ApplyFilter3x3(p, filters[f]);
            for (int y = 0; y < p.height(); ++y)
                for (int x = 0; x < p.width(); ++x)
                    for (int c = 0; c < 3; ++c) {
                        int sum = 0;
                        for (int dy = -1; dy <= 1; ++dy)
                            for (int dx = -1; dx <= 1; ++dx) {
                                const int sx = std::clamp(x + dx, 0, p.width() - 1);
                                const int sy = std::clamp(y + dy, 0, p.height() - 1);
                                sum += kernels[f][(dy + 1) * 3 + dx + 1] * p.constScanLine(sy)[sx * 3 + c];
                            }
                        const int v = f == 0 ? sum + 127 : f == 1 ? (sum + 4) / 9 : sum;
                        ASSERT_EQ(out.constScanLine(y)[x * 3 + c], std::clamp(v, 0, 255))
                            << "filter " << f << " size " << size.width() << "x" << size.height() << " at " << x << ","
                            << y;
                    }
        }
    }
}
