#include "imaging/pixel_adjust.h"

#include "imaging/working_bitmap.h"

#include <algorithm>
#include <cmath>

namespace zb {

std::uint8_t clampByte(double x)
{
    if (!(x > 0))  // also NaN
        return 0;
    if (x >= 255)
        return 255;
    return std::uint8_t(std::nearbyint(x));  // the default rounding mode: halves to even
}

std::uint8_t clampRatio(std::int64_t num, std::int64_t den)
{
    if (den < 0) {
        num = -num;
        den = -den;
    }
    std::int64_t q = num / den;
    std::int64_t r = num % den;
    if (r < 0) {  // floor division
        --q;
        r += den;
    }
    if (2 * r > den || (2 * r == den && (q & 1)))
        ++q;
    return std::uint8_t(std::clamp<std::int64_t>(q, 0, 255));
}

bool ChannelTables::isIdentity() const
{
    const ByteTable id = identityTable();
    return blue == id && green == id && red == id;
}

ByteTable identityTable()
{
    ByteTable t;
    for (int i = 0; i < 256; ++i)
        t[i] = std::uint8_t(i);
    return t;
}

ChannelTables identityTables()
{
    const ByteTable id = identityTable();
    return {id, id, id};
}

ChannelTables composeTables(const ChannelTables& a, const ChannelTables& b)
{
    ChannelTables out;
    for (int i = 0; i < 256; ++i) {
        out.blue[i] = b.blue[a.blue[i]];
        out.green[i] = b.green[a.green[i]];
        out.red[i] = b.red[a.red[i]];
    }
    return out;
}

bool isNeutral(const AdjustSettings& s, AdjustStep step)
{
    switch (step) {
    case AdjustStep::ColourBalance: return s.red == 0 && s.green == 0 && s.blue == 0;
    case AdjustStep::Contrast: return s.contrast == 0;
    case AdjustStep::Gamma: return s.gamma == 0;
    case AdjustStep::Levels: return s.levelMin == 0 && s.levelMax == 255;
    case AdjustStep::Brightness: return s.brightness == 0;
    }
    return true;
}

std::vector<AdjustStep> activeSteps(const AdjustSettings& s)
{
    std::vector<AdjustStep> steps;
    for (AdjustStep step : kAdjustOrder)
        if (!isNeutral(s, step))
            steps.push_back(step);
    return steps;
}

std::optional<AdjustStep> lastActiveStep(const AdjustSettings& s)
{
    const auto steps = activeSteps(s);
    if (steps.empty())
        return std::nullopt;
    return steps.back();
}

std::uint8_t addValue(int v, int amount)
{
    return std::uint8_t(std::clamp(v + amount, 0, 255));
}

std::uint8_t contrastValue(int v, int contrast)
{
    // v + (c / 100) (v - 127.5) = (200 v + c (2 v - 255)) / 200
    return clampRatio(200LL * v + std::int64_t(contrast) * (2 * v - 255), 200);
}

std::uint8_t gammaValue(int v, int gamma)
{
    double t = 1 + gamma / 100.0;
    if (t == 0)
        t = 0.01;
    const double e = 1 / t;
    return clampByte(255 * std::pow(v / 255.0, e));
}

ByteTable levelsTable(int m, int M)
{
    ByteTable t;
    for (int i = 0; i < 256; ++i) {
        if (m == M)
            t[i] = i < m ? 0 : i == m ? 128 : 255;
        else  // integer division truncates towards zero, as trunc does
            t[i] = clampRatio(std::int64_t(i - m) * 255 + (M - m) / 2, M - m);
    }
    return t;
}

ChannelTables stepTables(const AdjustSettings& s, AdjustStep step)
{
    ChannelTables out;
    switch (step) {
    case AdjustStep::ColourBalance:
        for (int i = 0; i < 256; ++i) {
            out.red[i] = addValue(i, s.red);
            out.green[i] = addValue(i, s.green);
            out.blue[i] = addValue(i, s.blue);
        }
        return out;
    case AdjustStep::Levels: {
        const ByteTable t = levelsTable(s.levelMin, s.levelMax);
        return {t, t, t};
    }
    case AdjustStep::Contrast:
    case AdjustStep::Gamma:
    case AdjustStep::Brightness:
        break;
    }
    ByteTable t;
    for (int i = 0; i < 256; ++i)
        t[i] = step == AdjustStep::Contrast ? contrastValue(i, s.contrast)
             : step == AdjustStep::Gamma    ? gammaValue(i, s.gamma)
                                            : addValue(i, s.brightness);
    return {t, t, t};
}

ChannelTables pipelineTables(const AdjustSettings& s)
{
    ChannelTables out = identityTables();
    for (AdjustStep step : activeSteps(s))
        out = composeTables(out, stepTables(s, step));
    return out;
}

void applyTables(QImage& picture, const ChannelTables& tables)
{
    if (!makeWorking(picture))
        return;
    const int w = picture.width();
    uchar* bits = picture.bits();  // detaches once, before the threads start
    const qsizetype stride = picture.bytesPerLine();
    forRowBands(picture.height(), qint64(picture.width()) * picture.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uchar* p = bits + y * stride;
            for (int x = 0; x < w; ++x, p += 3) {
                p[0] = tables.blue[p[0]];
                p[1] = tables.green[p[1]];
                p[2] = tables.red[p[2]];
            }
        }
    });
}

void applyColourBalance(QImage& picture, int red, int green, int blue)
{
    AdjustSettings s;
    s.red = red;
    s.green = green;
    s.blue = blue;
    applyTables(picture, stepTables(s, AdjustStep::ColourBalance));
}

void applyContrast(QImage& picture, int contrast)
{
    AdjustSettings s;
    s.contrast = contrast;
    applyTables(picture, stepTables(s, AdjustStep::Contrast));
}

void applyGamma(QImage& picture, int gamma)
{
    AdjustSettings s;
    s.gamma = gamma;
    applyTables(picture, stepTables(s, AdjustStep::Gamma));
}

void applyLevels(QImage& picture, int levelMin, int levelMax)
{
    AdjustSettings s;
    s.levelMin = levelMin;
    s.levelMax = levelMax;
    applyTables(picture, stepTables(s, AdjustStep::Levels));
}

void applyBrightness(QImage& picture, int brightness)
{
    AdjustSettings s;
    s.brightness = brightness;
    applyTables(picture, stepTables(s, AdjustStep::Brightness));
}

bool applyAdjustments(QImage& picture, const AdjustSettings& s, QImage* undoCopy)
{
    const auto steps = activeSteps(s);
    if (steps.empty() || !makeWorking(picture))
        return false;
    if (!undoCopy) {
        applyTables(picture, pipelineTables(s));
        return true;
    }
    // The undo copy holds the picture after every step but the last; one pass
    // writes it and the result together.
    ChannelTables before = identityTables();
    for (std::size_t i = 0; i + 1 < steps.size(); ++i)
        before = composeTables(before, stepTables(s, steps[i]));
    const ChannelTables last = stepTables(s, steps.back());
    const bool reuse = undoCopy->format() == kWorkingFormat && undoCopy->size() == picture.size() &&
                       undoCopy->isDetached();
    QImage undo = reuse ? std::move(*undoCopy) : newWorkingBitmap(picture.width(), picture.height());
    if (undo.isNull())
        return false;
    const int w = picture.width();
    uchar* bits = picture.bits();
    uchar* undoBits = undo.bits();
    const qsizetype stride = picture.bytesPerLine(), undoStride = undo.bytesPerLine();
    forRowBands(picture.height(), qint64(w) * picture.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uchar* p = bits + y * stride;
            uchar* u = undoBits + y * undoStride;
            for (int x = 0; x < w; ++x, p += 3, u += 3) {
                const uchar b = before.blue[p[0]], g = before.green[p[1]], r = before.red[p[2]];
                u[0] = b;
                u[1] = g;
                u[2] = r;
                p[0] = last.blue[b];
                p[1] = last.green[g];
                p[2] = last.red[r];
            }
        }
    });
    *undoCopy = std::move(undo);
    return true;
}

void toGrey(QImage& picture)
{
    if (!makeWorking(picture))
        return;
    const int w = picture.width();
    uchar* bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    forRowBands(picture.height(), qint64(picture.width()) * picture.height(), [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            uchar* p = bits + y * stride;
            for (int x = 0; x < w; ++x, p += 3) {
                const std::uint8_t g = clampRatio(77 * p[2] + 151 * p[1] + 28 * p[0], 256);
                p[0] = p[1] = p[2] = g;
            }
        }
    });
}

void invertColours(QImage& picture)
{
    ByteTable t;
    for (int i = 0; i < 256; ++i)
        t[i] = std::uint8_t(255 - i);
    applyTables(picture, {t, t, t});
}

std::array<std::int64_t, 256> channelHistogram(const QImage& source)
{
    std::array<std::int64_t, 256> counts{};
    QImage picture = source;
    if (!makeWorking(picture))
        return counts;
    const int w = picture.width();
    for (int y = 0; y < picture.height(); ++y) {
        const uchar* p = picture.constScanLine(y);
        for (int i = 0; i < w * 3; ++i)
            ++counts[p[i]];
    }
    counts[0] = 0;
    counts[255] = 0;
    return counts;
}

}  // namespace zb
