#include "imaging/resample.h"

#include "imaging/working_bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zb {

namespace {

// Fixed-point weights: each output sample is the weighted sum of `count`
// consecutive input samples starting at `first`; weights sum to kOne.
constexpr int kShift = 14;
constexpr int kOne = 1 << kShift;

struct Taps {
    std::vector<int> first;
    std::vector<int> count;
    std::vector<int32_t> weights;  // `maxTaps` per output sample
    int maxTaps = 0;
};

Taps makeTaps(int in, int out)
{
    Taps t;
    const double scale = double(out) / double(in);
    // Shrinking widens the tent so it covers every source pixel; enlarging
    // keeps the radius of one source pixel (bilinear).
    const double radius = scale < 1.0 ? 1.0 / scale : 1.0;
    t.maxTaps = int(std::ceil(radius)) * 2 + 1;
    t.first.resize(size_t(out));
    t.count.resize(size_t(out));
    t.weights.assign(size_t(out) * size_t(t.maxTaps), 0);
    std::vector<double> w(size_t(t.maxTaps));
    for (int i = 0; i < out; ++i) {
        const double center = (i + 0.5) / scale - 0.5;
        int lo = int(std::floor(center - radius)) + 1;
        int hi = int(std::ceil(center + radius)) - 1;
        lo = std::max(lo, 0);
        hi = std::min(hi, in - 1);
        if (hi < lo) {  // the centre lies outside: take the nearest edge pixel
            lo = hi = std::clamp(int(std::lround(center)), 0, in - 1);
        }
        if (hi - lo + 1 > t.maxTaps)
            hi = lo + t.maxTaps - 1;
        double sum = 0;
        for (int k = lo; k <= hi; ++k) {
            const double d = std::abs(k - center) / radius;
            w[size_t(k - lo)] = d < 1.0 ? 1.0 - d : 0.0;
            sum += w[size_t(k - lo)];
        }
        if (sum <= 0) {
            std::fill(w.begin(), w.end(), 0.0);
            w[0] = 1.0;
            sum = 1.0;
            hi = lo;
        }
        // Integer weights that add up to exactly kOne: the remainder goes to
        // the largest weight, so flat areas keep their exact value.
        int32_t* dst = &t.weights[size_t(i) * size_t(t.maxTaps)];
        int total = 0, best = 0;
        for (int k = 0; k <= hi - lo; ++k) {
            dst[k] = int32_t(std::lround(w[size_t(k)] / sum * kOne));
            total += dst[k];
            if (dst[k] > dst[best])
                best = k;
        }
        dst[best] += kOne - total;
        t.first[size_t(i)] = lo;
        t.count[size_t(i)] = hi - lo + 1;
    }
    return t;
}

inline uchar clampByte(int32_t v)
{
    v = (v + kOne / 2) >> kShift;
    return uchar(v < 0 ? 0 : (v > 255 ? 255 : v));
}

}  // namespace

QImage ResizeSmooth(const QImage& sourceImage, int w, int h)
{
    if (sourceImage.isNull() || !withinPixelLimit(w, h))
        return {};
    const QImage source = toWorkingBitmap(sourceImage);
    if (source.isNull())
        return {};
    const int sw = source.width(), sh = source.height();
    // An intermediate of sh rows x w columns may exceed the limit while the
    // result does not (a tall thin picture made wide): refuse it too.
    if (!withinPixelLimit(w, sh))
        return {};
    QImage out = newWorkingBitmap(w, h);
    if (out.isNull())
        return {};

    const Taps tx = makeTaps(sw, w);
    const Taps ty = makeTaps(sh, h);

    // Horizontal pass into a buffer of sh rows x w pixels.
    std::vector<uchar> mid(size_t(sh) * size_t(w) * 3);
    for (int y = 0; y < sh; ++y) {
        const uchar* src = source.constScanLine(y);
        uchar* dst = &mid[size_t(y) * size_t(w) * 3];
        for (int x = 0; x < w; ++x) {
            const int32_t* wt = &tx.weights[size_t(x) * size_t(tx.maxTaps)];
            const uchar* p = src + 3 * tx.first[size_t(x)];
            int32_t b = 0, g = 0, r = 0;
            for (int k = 0, n = tx.count[size_t(x)]; k < n; ++k, p += 3) {
                b += wt[k] * p[0];
                g += wt[k] * p[1];
                r += wt[k] * p[2];
            }
            dst[3 * x] = clampByte(b);
            dst[3 * x + 1] = clampByte(g);
            dst[3 * x + 2] = clampByte(r);
        }
    }
    // Vertical pass, one output row at a time.
    std::vector<int32_t> acc(size_t(w) * 3);
    const size_t rowBytes = size_t(w) * 3;
    for (int y = 0; y < h; ++y) {
        std::fill(acc.begin(), acc.end(), 0);
        const int32_t* wt = &ty.weights[size_t(y) * size_t(ty.maxTaps)];
        const int first = ty.first[size_t(y)];
        for (int k = 0, n = ty.count[size_t(y)]; k < n; ++k) {
            const uchar* row = &mid[size_t(first + k) * rowBytes];
            const int32_t weight = wt[k];
            for (size_t i = 0; i < rowBytes; ++i)
                acc[i] += weight * row[i];
        }
        uchar* dst = out.scanLine(y);
        for (size_t i = 0; i < rowBytes; ++i)
            dst[i] = clampByte(acc[i]);
    }
    return out;
}

QImage StretchPlain(const QImage& sourceImage, int w, int h)
{
    if (sourceImage.isNull() || !withinPixelLimit(w, h))
        return {};
    const QImage source = toWorkingBitmap(sourceImage);
    if (source.isNull())
        return {};
    QImage out = newWorkingBitmap(w, h);
    if (out.isNull())
        return {};
    const qint64 sw = source.width(), sh = source.height();
    std::vector<int> xs(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x)
        xs[size_t(x)] = int(x * sw / w) * 3;
    for (int y = 0; y < h; ++y) {
        const uchar* src = source.constScanLine(int(y * sh / h));
        uchar* dst = out.scanLine(y);
        for (int x = 0; x < w; ++x, dst += 3) {
            const uchar* p = src + xs[size_t(x)];
            dst[0] = p[0];
            dst[1] = p[1];
            dst[2] = p[2];
        }
    }
    return out;
}

QSize ShorterSideSize(int w, int h, int s)
{
    if (s <= 0)
        s = 120;
    if (w <= 0 || h <= 0)
        return {};
    if (w > h)
        return QSize(int(std::min<qint64>(qint64(w) * s / h, kMaxSide + 1)), s);
    return QSize(s, int(std::min<qint64>(qint64(h) * s / w, kMaxSide + 1)));
}

bool FitShorterSide(QImage& bitmap, int size, bool smooth)
{
    if (bitmap.isNull())
        return false;
    const QSize target = ShorterSideSize(bitmap.width(), bitmap.height(), size);
    if (!withinPixelLimit(target.width(), target.height()))
        return false;
    QImage scaled = smooth ? ResizeSmooth(bitmap, target.width(), target.height())
                           : StretchPlain(bitmap, target.width(), target.height());
    if (scaled.isNull())
        return false;
    bitmap = scaled;
    return true;
}

}  // namespace zb
