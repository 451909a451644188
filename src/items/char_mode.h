#pragma once
// Character modes of the item rows: how each character of an entered value is
// filtered when the entry of a cell is finished (or as it is typed), and the
// full-width / half-width mappings they use.
//
// 0 標準            no filtering
// 1 半角数字        half-width digits only
// 2 半角英数        half-width digits and letters only
// 3 全角/半角英数   letters and digits half-width, half-width kana and
//                   punctuation full-width, other characters unchanged
// 4 全角/半角英数大 as 3, letters in upper case
// 5 全角/半角英数無 letters and digits dropped, characters without a
//                   single-byte form made full-width
//
// In modes 1-5 machine-dependent Shift_JIS characters (0x8540-0x889E and above
// 0xED3F) are dropped; characters Shift_JIS cannot hold are dropped in every mode.
#include <QString>

namespace zb::items {

inline constexpr int kCharModeCount = 6;

// The status-bar text of a mode; empty for a mode outside 0-5.
QString charModeName(int mode);

// Converts a whole value by the mode. A half-width kana followed by a voiced or
// semi-voiced sound mark (ｶﾞ, ﾊﾟ) is treated as one character, so that it
// becomes one full-width character (ガ, パ) where the mode makes kana full-width.
// A mode outside 0-5 acts as 0.
QString convertText(QStringView text, int mode);

// Converts one typed character (a surrogate pair counts as one); the result is
// empty when the mode drops it. For typing as it happens: when the previous
// character of the text and this one compose (カ + ﾞ → ガ), use composeVoiced.
QString convertChar(char32_t c, int mode);

// When `mark` is a voiced (ﾞ ゛) or semi-voiced (ﾟ ゜) sound mark and `kana` a
// kana that takes it (half-width or full-width), the composed full-width kana;
// else a null QChar.
QChar composeVoiced(QChar kana, QChar mark);

// Whether typing in a row of the mode joins a sound mark with the kana before
// it (composeVoiced): only in the modes that make half-width kana full-width
// (3 and 4). Modes 0 and 5 keep the characters as typed, 1 and 2 drop kana.
bool modeJoinsSoundMarks(int mode);

// The platform's full-width mapping: printable ASCII to U+3000 and U+FF01-FF5E
// (the backslash excepted), half-width katakana and punctuation to their
// full-width forms with voiced marks composed. Other characters unchanged.
QString toFullWidthRaw(QStringView text);
// toFullWidthRaw, then every remaining "\" replaced by "￥".
QString toFullWidth(QStringView text);
// The half-width mapping: U+FF01-FF5E and U+3000 to ASCII, full-width katakana
// and punctuation to half-width katakana (ガ becomes ｶﾞ, two characters).
QString toHalfWidth(QStringView text);

}  // namespace zb::items
