#include "imaging/pixel_filters.h"

#include "imaging/resample.h"
#include "imaging/working_bitmap.h"

#include <algorithm>
#include <array>
#include <vector>

namespace zb {

namespace {

inline uchar clampByte(int v) { return uchar(std::clamp(v, 0, 255)); }

}  // namespace

namespace {

// One channel value of the filter: byte i of the middle row, with l and r the
// same channel of the left and right neighbours (clamped at the row's ends).
template <Filter3x3 F>
inline int kernel(const uchar* up, const uchar* mid, const uchar* down, int l, int i, int r)
{
    if constexpr (F == Filter3x3::Emboss) {
        return up[l] + up[i] + mid[l] - mid[r] - down[i] - down[r] + 127;
    } else if constexpr (F == Filter3x3::Blur) {
        const int sum = up[l] + up[i] + up[r] + mid[l] + mid[i] + mid[r] + down[l] + down[i] + down[r];
        // sum / 9 is never exactly a half, so plain rounding is exact.
        return (sum + 4) / 9;
    } else {
        return 5 * mid[i] - up[i] - mid[l] - mid[r] - down[i];
    }
}

// One row of the result. The inner pixels run as a flat loop over their
// bytes (the neighbours are three bytes away), which the compiler turns
// into vector code; the first and last pixels take themselves as the
// missing neighbour.
template <Filter3x3 F>
void filterRow(const uchar* up, const uchar* mid, const uchar* down, uchar* d, int w)
{
    const int bytes = w * 3;
    for (int k = 0; k < 3 && k < bytes; ++k)
        d[k] = clampByte(kernel<F>(up, mid, down, k, k, w > 1 ? k + 3 : k));
    for (int i = 3; i < bytes - 3; ++i)
        d[i] = clampByte(kernel<F>(up, mid, down, i - 3, i, i + 3));
    if (w > 1)
        for (int i = bytes - 3; i < bytes; ++i)
            d[i] = clampByte(kernel<F>(up, mid, down, i - 3, i, i));
}

template <Filter3x3 F>
void filterRows(const QImage& source, QImage& out)
{
    const int w = source.width(), h = source.height();
    const uchar* src = source.constBits();
    const qsizetype stride = source.bytesPerLine();
    uchar* dst = out.bits();
    const qsizetype dstStride = out.bytesPerLine();
    forRowBands(h, qint64(w) * h, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y)
            filterRow<F>(src + std::max(y - 1, 0) * stride, src + y * stride, src + std::min(y + 1, h - 1) * stride,
                         dst + y * dstStride, w);
    });
}

}  // namespace

QImage ApplyFilter3x3(const QImage& image, Filter3x3 filter)
{
    if (image.isNull())
        return {};
    const QImage source = toWorkingBitmap(image);
    if (source.isNull())
        return {};
    QImage out = newWorkingBitmap(source.width(), source.height());
    if (out.isNull())
        return {};
    switch (filter) {
    case Filter3x3::Emboss:
        filterRows<Filter3x3::Emboss>(source, out);
        break;
    case Filter3x3::Blur:
        filterRows<Filter3x3::Blur>(source, out);
        break;
    case Filter3x3::Sharpen:
        filterRows<Filter3x3::Sharpen>(source, out);
        break;
    }
    return out;
}

int NoiseNeighbourhood(int strength)
{
    if (strength <= 0)
        return 1;
    return std::min(strength, 255) <= 128 ? 3 : 5;
}

QImage RemoveNoise(const QImage& image, int strength)
{
    if (image.isNull())
        return {};
    const QImage source = toWorkingBitmap(image);
    if (source.isNull())
        return {};
    const int w = source.width(), h = source.height();
    const int side = NoiseNeighbourhood(strength);
    if (side == 1)
        return source.copy();
    QImage out = newWorkingBitmap(w, h);
    if (out.isNull())
        return {};
    const int radius = side / 2;
    const int taps = side * side;
    // Byte offsets of the neighbouring columns, clamped into the row.
    std::vector<int> colOffset(size_t(w) * size_t(side));
    for (int x = 0; x < w; ++x)
        for (int i = 0; i < side; ++i)
            colOffset[size_t(x) * size_t(side) + size_t(i)] = std::clamp(x + i - radius, 0, w - 1) * 3;
    forRowBands(h, qint64(w) * h, [&](int y0, int y1) {
        std::vector<const uchar*> rows(static_cast<size_t>(side));
        std::array<uchar, 25> values{};
        for (int y = y0; y < y1; ++y) {
            for (int j = 0; j < side; ++j)
                rows[size_t(j)] = source.constScanLine(std::clamp(y + j - radius, 0, h - 1));
            uchar* d = out.scanLine(y);
            for (int x = 0; x < w; ++x) {
                const int* offs = &colOffset[size_t(x) * size_t(side)];
                for (int k = 0; k < 3; ++k) {
                    int n = 0;
                    for (int j = 0; j < side; ++j)
                        for (int i = 0; i < side; ++i)
                            values[size_t(n++)] = rows[size_t(j)][offs[i] + k];
                    std::nth_element(values.begin(), values.begin() + taps / 2, values.begin() + taps);
                    d[x * 3 + k] = values[size_t(taps / 2)];
                }
            }
        }
    });
    return out;
}

QSize PercentSize(int w, int h, int percent)
{
    const qint64 nw = qint64(w) * percent / 100, nh = qint64(h) * percent / 100;
    return QSize(int(std::clamp<qint64>(nw, -1, kMaxSide + 1)), int(std::clamp<qint64>(nh, -1, kMaxSide + 1)));
}

ResizeResult ResizeByPercent(const QImage& image, int percent, bool interpolate)
{
    if (image.isNull() || image.width() < 1 || image.height() < 1)
        return {ResizeStatus::NoPicture, {}};
    if (percent == 100)
        return {ResizeStatus::Unchanged, {}};
    const QSize size = PercentSize(image.width(), image.height(), percent);
    if (size.width() < 1 || size.height() < 1)
        return {ResizeStatus::TooSmall, {}};
    if (!withinPixelLimit(size.width(), size.height()))
        return {ResizeStatus::TooLarge, {}};
    QImage out = interpolate ? ResizeSmooth(image, size.width(), size.height())
                             : StretchPlain(image, size.width(), size.height());
    // The resampler refuses an intermediate past the pixel limit, and either
    // may fail for want of memory: both mean the picture is too large.
    if (out.isNull())
        return {ResizeStatus::TooLarge, {}};
    return {ResizeStatus::Resized, out};
}

}  // namespace zb
