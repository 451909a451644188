#include "items/char_mode.h"

#include "core/sjis.h"

#include <QList>
#include <iterator>

namespace zb::items {

namespace {

// Full-width forms of the half-width katakana block U+FF61-FF9F.
constexpr char16_t kKanaFull[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3,  // FF61-FF68
    0x30A5, 0x30A7, 0x30A9, 0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC,  // FF69-FF70
    0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB, 0x30AD, 0x30AF,  // FF71-FF78
    0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF,  // FF79-FF80
    0x30C1, 0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD,  // FF81-FF88
    0x30CE, 0x30CF, 0x30D2, 0x30D5, 0x30D8, 0x30DB, 0x30DE, 0x30DF,  // FF89-FF90
    0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9, 0x30EA,  // FF91-FF98
    0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3, 0x309B, 0x309C,          // FF99-FF9F
};
constexpr char16_t kHalfKanaFirst = 0xFF61;
constexpr char16_t kHalfKanaLast = 0xFF9F;
constexpr char16_t kHalfVoiced = 0xFF9E;
constexpr char16_t kHalfSemiVoiced = 0xFF9F;
constexpr char16_t kFullVoiced = 0x309B;
constexpr char16_t kFullSemiVoiced = 0x309C;

bool isHalfKana(char32_t c) { return c >= kHalfKanaFirst && c <= kHalfKanaLast; }

// Full-width katakana that take a voiced mark: カ行 サ行 タ行 ハ行 (the voiced
// form is the next code point) and ウ (ヴ).
bool takesVoiced(char16_t k)
{
    if (k >= 0x30AB && k <= 0x30C2)  // カ … ヂ: unvoiced forms at odd offsets from カ
        return (k - 0x30AB) % 2 == 0;
    if (k >= 0x30C4 && k <= 0x30C8)  // ツ テ ト
        return (k - 0x30C4) % 2 == 0;
    if (k >= 0x30CF && k <= 0x30DB)  // ハ ヒ フ ヘ ホ
        return (k - 0x30CF) % 3 == 0;
    return k == 0x30A6;
}
bool takesSemiVoiced(char16_t k)
{
    return k >= 0x30CF && k <= 0x30DB && (k - 0x30CF) % 3 == 0;
}

char32_t fullWidthOf(char32_t c)
{
    if (c == 0x20)
        return 0x3000;
    if (c > 0x20 && c < 0x7F && c != '\\')
        return c + 0xFEE0;
    if (isHalfKana(c))
        return kKanaFull[c - kHalfKanaFirst];
    return c;
}

void appendCodePoint(QString& out, char32_t c)
{
    if (QChar::requiresSurrogates(c)) {
        out += QChar(QChar::highSurrogate(c));
        out += QChar(QChar::lowSurrogate(c));
    } else {
        out += QChar(char16_t(c));
    }
}

bool isAsciiAlnum(char32_t c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The half-width form of one character when it is one character.
char32_t halfWidthOne(char32_t c)
{
    if (c == 0x3000)
        return 0x20;
    if (c >= 0xFF01 && c <= 0xFF5E)
        return c - 0xFEE0;
    if (c == kFullVoiced)
        return kHalfVoiced;
    if (c == kFullSemiVoiced)
        return kHalfSemiVoiced;
    for (char16_t i = 0; i < std::size(kKanaFull); ++i)
        if (kKanaFull[i] == c)
            return kHalfKanaFirst + i;
    return c;
}

// Keeps a converted character only when Shift_JIS holds it and, in modes 1-5,
// when it is not a machine-dependent character.
void keep(QString& out, QStringView converted, int mode)
{
    for (char32_t c : converted.toUcs4()) {
        if (!sjis::canEncode(c))
            continue;
        if (mode != 0 && sjis::isMachineDependent(c))
            continue;
        appendCodePoint(out, c);
    }
}

QString one(char32_t c)
{
    QString s;
    appendCodePoint(s, c);
    return s;
}

// The character converted by the mode, before the machine-dependent filter.
QString convertRaw(char32_t c, int mode)
{
    switch (mode) {
    case 1:
    case 2: {
        // Half-width kana have no further half-width form; the voiced kana
        // become two characters and so are not a single digit or letter.
        const char32_t h = halfWidthOne(c);
        const bool wanted = mode == 1 ? (h >= '0' && h <= '9') : isAsciiAlnum(h);
        return wanted ? one(h) : QString();
    }
    case 3:
    case 4:
    case 5: {
        const char32_t h = halfWidthOne(c);
        const bool singleByte = sjis::charBytes(h) == 1;
        if (!singleByte)
            return mode == 5 ? toFullWidth(one(c)) : one(c);
        if (isAsciiAlnum(h)) {
            if (mode == 5)
                return {};
            if (mode == 4 && h >= 'a' && h <= 'z')
                return one(h - 'a' + 'A');
            return one(h);
        }
        if (mode == 5 || (h >= 0x20 && h <= 0x7E))
            return one(c);
        return toFullWidth(one(h));
    }
    default:
        return one(c);
    }
}

}  // namespace

QString charModeName(int mode)
{
    static const char* const names[kCharModeCount] = {"標準", "半角数字", "半角英数", "全角/半角英数",
                                                      "全角/半角英数大", "全角/半角英数無"};
    if (mode < 0 || mode >= kCharModeCount)
        return {};
    return QString::fromUtf8(names[mode]);
}

QChar composeVoiced(QChar kana, QChar mark)
{
    char16_t k = kana.unicode();
    if (isHalfKana(k))
        k = kKanaFull[k - kHalfKanaFirst];
    const char16_t m = mark.unicode();
    if (m == kHalfVoiced || m == kFullVoiced) {
        if (k == 0x30A6)
            return QChar(char16_t(0x30F4));
        if (takesVoiced(k))
            return QChar(char16_t(k + 1));
    } else if (m == kHalfSemiVoiced || m == kFullSemiVoiced) {
        if (takesSemiVoiced(k))
            return QChar(char16_t(k + 2));
    }
    return {};
}

bool modeJoinsSoundMarks(int mode) { return mode == 3 || mode == 4; }

QString toFullWidthRaw(QStringView text)
{
    QString out;
    out.reserve(text.size());
    const QList<uint> cps = text.toUcs4();
    for (qsizetype i = 0; i < cps.size(); ++i) {
        const char32_t c = cps[i];
        if (isHalfKana(c) && c != kHalfVoiced && c != kHalfSemiVoiced && i + 1 < cps.size()) {
            const QChar composed = composeVoiced(QChar(char16_t(c)), QChar(char16_t(cps[i + 1])));
            if (!composed.isNull()) {
                out += composed;
                ++i;
                continue;
            }
        }
        appendCodePoint(out, fullWidthOf(c));
    }
    return out;
}

QString toFullWidth(QStringView text)
{
    QString out = toFullWidthRaw(text);
    out.replace(QLatin1Char('\\'), QChar(char16_t(0xFFE5)));
    return out;
}

QString toHalfWidth(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (char32_t c : text.toUcs4()) {
        // Voiced and semi-voiced katakana come apart into the base kana and the mark.
        if (c == 0x30F4) {
            out += QChar(char16_t(0xFF73));
            out += QChar(kHalfVoiced);
            continue;
        }
        const char32_t h = halfWidthOne(c);
        if (h != c || c > 0xFFFF) {
            appendCodePoint(out, h);
            continue;
        }
        bool done = false;
        for (char16_t base : {char16_t(c - 1), char16_t(c - 2)}) {
            const QChar composed = composeVoiced(QChar(base), QChar(c - base == 1 ? kHalfVoiced : kHalfSemiVoiced));
            if (c >= 0x30A1 && c <= 0x30F6 && composed.unicode() == c) {
                out += QChar(char16_t(halfWidthOne(base)));
                out += QChar(c - base == 1 ? kHalfVoiced : kHalfSemiVoiced);
                done = true;
                break;
            }
        }
        if (!done)
            appendCodePoint(out, c);
    }
    return out;
}

QString convertChar(char32_t c, int mode)
{
    if (mode < 0 || mode >= kCharModeCount)
        mode = 0;
    QString out;
    keep(out, convertRaw(c, mode), mode);
    return out;
}

QString convertText(QStringView text, int mode)
{
    if (mode < 0 || mode >= kCharModeCount)
        mode = 0;
    QString out;
    out.reserve(text.size());
    const QList<uint> cps = text.toUcs4();
    for (qsizetype i = 0; i < cps.size(); ++i) {
        const char32_t c = cps[i];
        // A half-width kana with its sound mark is one character to the modes
        // that make kana full-width, and to the modes that drop them.
        if (isHalfKana(c) && i + 1 < cps.size() && (cps[i + 1] == kHalfVoiced || cps[i + 1] == kHalfSemiVoiced)) {
            const QChar composed = composeVoiced(QChar(char16_t(c)), QChar(char16_t(cps[i + 1])));
            if (!composed.isNull() && mode != 0 && mode != 5) {
                if (mode == 3 || mode == 4)
                    keep(out, QString(composed), mode);
                ++i;
                continue;
            }
        }
        keep(out, convertRaw(c, mode), mode);
    }
    return out;
}

}  // namespace zb::items
