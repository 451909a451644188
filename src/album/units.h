#pragma once
// Millimetre values of album documents and their mapping to pixels. A length is
// kept as a 64-bit fixed-point number scaled by 10 000 (12.5 mm is 125000).
// On screen, pixels = mm × pixels-per-inch × 0.39375 / 10 × zoom% / 100.
#include <QtGlobal>

namespace zb::album {

using Currency = qint64;

inline constexpr Currency kCurrencyScale = 10000;
inline constexpr double kScreenFactor = 0.39375;

inline constexpr Currency mm(double value)
{
    return Currency(value * kCurrencyScale + (value < 0 ? -0.5 : 0.5));
}
inline constexpr double toMm(Currency value) { return double(value) / kCurrencyScale; }

// Pixel values are kept within ±2^24, far beyond any sheet or printed page,
// so that lengths from a damaged file never overflow pixel arithmetic.
inline constexpr double kPixelLimit = double(1 << 24);

// Screen pixels of a length, rounded to the nearest integer.
int mmToPixels(Currency length, int pixelsPerInch, int zoomPercent);
// The inverse, kept to four decimals (a zoom or resolution of 0 gives 0).
Currency pixelsToMm(int pixels, int pixelsPerInch, int zoomPercent);

}  // namespace zb::album
