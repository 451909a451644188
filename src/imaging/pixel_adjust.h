#pragma once
// Per-channel pixel arithmetic on working bitmaps: the adjustment pipeline
// (colour balance, contrast, gamma, levels, brightness), grey conversion,
// colour inversion and the histogram shown under the levels sliders.
//
// A channel value is a byte 0-255. Every result is limited to 0...255 and then
// rounded to the nearest integer, halves to even. Where a formula is a ratio
// of integers the rounding is done exactly, so a true half is never lost to
// floating point.
#include <QImage>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace zb {


// x limited to 0...255, then rounded to the nearest integer, halves to even.
std::uint8_t clampByte(double x);
// num / den limited to 0...255 and rounded exactly, halves to even. den != 0.
std::uint8_t clampRatio(std::int64_t num, std::int64_t den);

// One byte-to-byte table per channel.
using ByteTable = std::array<std::uint8_t, 256>;
struct ChannelTables {
    ByteTable blue, green, red;
    bool isIdentity() const;
};
ByteTable identityTable();
ChannelTables identityTables();
// b after a: entry v is b[a[v]] for every channel.
ChannelTables composeTables(const ChannelTables& a, const ChannelTables& b);

// The slider settings of the pipeline. The defaults are the neutral values.
struct AdjustSettings {
    int red = 0, green = 0, blue = 0;  // colour balance, -100...100
    int contrast = 0;                  // -100...100
    int gamma = 0;                     // -100...100
    int levelMin = 0, levelMax = 255;  // the two levels grips, 0...255
    int brightness = 0;                // -100...100
};

// The steps in the order the pipeline runs them.
enum class AdjustStep { ColourBalance, Contrast, Gamma, Levels, Brightness };
inline constexpr AdjustStep kAdjustOrder[] = {AdjustStep::ColourBalance, AdjustStep::Contrast,
                                              AdjustStep::Gamma, AdjustStep::Levels, AdjustStep::Brightness};

// True when the step's controls are at their neutral values (it is skipped).
bool isNeutral(const AdjustSettings& s, AdjustStep step);
// The steps that run, in pipeline order.
std::vector<AdjustStep> activeSteps(const AdjustSettings& s);
// The last step that runs; none when every control is neutral. The undo copy
// is taken just before this step, so undo removes this step only.
std::optional<AdjustStep> lastActiveStep(const AdjustSettings& s);

// Single values through one step.
std::uint8_t addValue(int v, int amount);           // colour balance, brightness
std::uint8_t contrastValue(int v, int contrast);
std::uint8_t gammaValue(int v, int gamma);
ByteTable levelsTable(int levelMin, int levelMax);

// The table of one step (identity tables for a neutral step are not special:
// the table is built from the settings regardless).
ChannelTables stepTables(const AdjustSettings& s, AdjustStep step);
// The tables of all steps that run, composed in pipeline order: one lookup
// gives exactly the bytes of running the steps one after another.
ChannelTables pipelineTables(const AdjustSettings& s);

// Every pixel of the picture through the tables. A picture in another format
// is turned into a working bitmap first; a null picture stays null.
void applyTables(QImage& picture, const ChannelTables& tables);

// The single steps on a whole picture.
void applyColourBalance(QImage& picture, int red, int green, int blue);
void applyContrast(QImage& picture, int contrast);
void applyGamma(QImage& picture, int gamma);
void applyLevels(QImage& picture, int levelMin, int levelMax);
void applyBrightness(QImage& picture, int brightness);

// Runs the pipeline on the picture. When undoCopy is given it receives the
// picture as it was just before the last step that runs. False, leaving both
// pictures alone, when every control is neutral or the picture is null.
bool applyAdjustments(QImage& picture, const AdjustSettings& s, QImage* undoCopy = nullptr);

// Every pixel becomes grey: y = (77 red + 151 green + 28 blue) / 256, rounded,
// halves to even.
void toGrey(QImage& picture);
// Every channel value v becomes 255 - v.
void invertColours(QImage& picture);

// How often each byte value occurs over all three channels of the picture.
// The values 0 and 255 are not counted (their entries stay 0).
std::array<std::int64_t, 256> channelHistogram(const QImage& picture);

}  // namespace zb
