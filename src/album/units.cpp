#include "album/units.h"

#include <algorithm>
#include <cmath>

namespace zb::album {

int mmToPixels(Currency length, int pixelsPerInch, int zoomPercent)
{
    const double px = toMm(length) * pixelsPerInch * kScreenFactor / 10.0 * zoomPercent / 100.0;
    return int(std::lround(std::clamp(px, -kPixelLimit, kPixelLimit)));
}

Currency pixelsToMm(int pixels, int pixelsPerInch, int zoomPercent)
{
    if (pixelsPerInch <= 0 || zoomPercent <= 0)
        return 0;
    const double value = double(pixels) * 100.0 / pixelsPerInch / kScreenFactor * 100.0 / zoomPercent / 10.0;
    return Currency(std::llround(value * kCurrencyScale));
}

}  // namespace zb::album
