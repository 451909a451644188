#include "imaging/pixel_reduce.h"

#include "imaging/working_bitmap.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace zb {

namespace {

constexpr int kCells = 32 * 64 * 32;
constexpr int kDepth = 8;  // 2^8 = 256 groups at most

inline int cellOf(int red, int green, int blue)
{
    return (red >> 3) * 2048 + (green >> 2) * 32 + (blue >> 3);
}

// One non-empty cube cell: its colour and how many pixels fell into it.
struct Cell {
    int number;
    int64_t n;
    std::array<int, 3> value;  // red, green, blue
};

using Wide = __int128;  // sums of squares times pixel counts overflow 64 bits

// Exact per-channel statistics of a range of cells: with N the pixel count,
// S the weighted sum and Q the weighted sum of squares, N * S_mean = S and
// N^2 * variance = N * Q - S^2. Comparing those keeps every decision exact.
struct Stats {
    int64_t n = 0;
    std::array<Wide, 3> sum{};
    std::array<Wide, 3> scaledVar{};  // N^2 * variance
};

Stats statsOf(const Cell* first, const Cell* last)
{
    Stats s;
    std::array<Wide, 3> squares{};
    for (const Cell* c = first; c != last; ++c) {
        s.n += c->n;
        for (int k = 0; k < 3; ++k) {
            s.sum[size_t(k)] += Wide(c->n) * c->value[size_t(k)];
            squares[size_t(k)] += Wide(c->n) * c->value[size_t(k)] * c->value[size_t(k)];
        }
    }
    for (int k = 0; k < 3; ++k)
        s.scaledVar[size_t(k)] = Wide(s.n) * squares[size_t(k)] - s.sum[size_t(k)] * s.sum[size_t(k)];
    return s;
}

// sum / n rounded to the nearest integer, halves to even (sum, n > 0).
int roundedMean(Wide sum, int64_t n)
{
    Wide q = sum / n;
    const Wide twice = (sum % n) * 2;
    if (twice > n || (twice == n && (q & 1) != 0))
        ++q;
    return int(q);
}

struct Cutter {
    std::vector<Cell> cells;
    std::vector<uint8_t> entryOfCell;  // indexed by cell number
    QList<QRgb> palette;

    void cut(size_t first, size_t last, int depth)
    {
        if (first == last)
            return;
        Cell* b = cells.data() + first;
        Cell* e = cells.data() + last;
        const Stats s = statsOf(b, e);
        if (depth == kDepth) {
            const int index = int(palette.size());
            palette.append(qRgb(roundedMean(s.sum[0], s.n), roundedMean(s.sum[1], s.n),
                                roundedMean(s.sum[2], s.n)));
            for (Cell* c = b; c != e; ++c)
                entryOfCell[size_t(c->number)] = uint8_t(index);
            return;
        }
        const Wide vr = s.scaledVar[0], vg = s.scaledVar[1], vb = s.scaledVar[2];
        int channel;
        if (3 * vr >= 4 * vg && 3 * vr >= 2 * vb)
            channel = 0;
        else if (3 * vr > 4 * vg || 2 * vb > 3 * vg)
            channel = 2;
        else
            channel = 1;
        // value <= mean  <=>  value * N <= S
        const Wide total = s.sum[size_t(channel)];
        Cell* middle = std::partition(b, e, [&](const Cell& c) {
            return Wide(c.value[size_t(channel)]) * s.n <= total;
        });
        const size_t split = first + size_t(middle - b);
        cut(split, last, depth + 1);   // the values above the mean first
        cut(first, split, depth + 1);
    }
};

}  // namespace

QImage ReduceTo256Colours(const QImage& image)
{
    if (image.isNull())
        return {};
    const QImage source = toWorkingBitmap(image);
    if (source.isNull())
        return {};
    const int w = source.width(), h = source.height();

    // Pixel count and the sums of the bits the cube drops, per cell.
    std::vector<int64_t> count(kCells, 0);
    std::vector<std::array<int64_t, 3>> low(kCells, {0, 0, 0});
    for (int y = 0; y < h; ++y) {
        const uchar* p = source.constScanLine(y);
        for (int x = 0; x < w; ++x, p += 3) {
            const int blue = p[0], green = p[1], red = p[2];
            const size_t cell = size_t(cellOf(red, green, blue));
            ++count[cell];
            low[cell][0] += red & 7;
            low[cell][1] += green & 3;
            low[cell][2] += blue & 7;
        }
    }

    Cutter cutter;
    cutter.entryOfCell.assign(kCells, 0);
    for (int cell = 0; cell < kCells; ++cell) {
        const int64_t n = count[size_t(cell)];
        if (n == 0)
            continue;
        const auto& l = low[size_t(cell)];
        const int ri = cell / 2048, gi = (cell / 32) % 64, bi = cell % 32;
        cutter.cells.push_back({cell, n,
                                {int(ri * 8 + l[0] / n), int(gi * 4 + l[1] / n), int(bi * 8 + l[2] / n)}});
    }
    cutter.cut(0, cutter.cells.size(), 0);

    QImage out(w, h, QImage::Format_Indexed8);
    if (out.isNull())
        return {};
    out.setColorTable(cutter.palette);
    for (int y = 0; y < h; ++y) {
        const uchar* p = source.constScanLine(y);
        uchar* d = out.scanLine(y);
        for (int x = 0; x < w; ++x, p += 3)
            d[x] = cutter.entryOfCell[size_t(cellOf(p[2], p[1], p[0]))];
    }
    return out;
}

}  // namespace zb
