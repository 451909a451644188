#include "core/text.h"

#include <limits>

namespace zb {

int leadingInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t') || text[i] == QChar(0x3000)))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')
                            || text[i] == QChar(0xFF0D) || text[i] == QChar(0xFF0B) || text[i] == QChar(0x2212))) {
        negative = text[i] == QLatin1Char('-') || text[i] == QChar(0xFF0D) || text[i] == QChar(0x2212);
        ++i;
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= 0xFF10 && c <= 0xFF19)
            digit = c - 0xFF10;
        else
            break;
        if (value < (1LL << 40))
            value = value * 10 + digit;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    if (value < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

bool isRefusedNameChar(QChar c)
{
    for (char16_t r : kRefusedNameChars)
        if (r && c.unicode() == r)
            return true;
    return false;
}

QString applyNameRule(QStringView name)
{
    QString out;
    out.reserve(name.size());
    for (QChar c : name)
        if (!isRefusedNameChar(c))
            out += c;
    // Blanks: spaces and control characters at either end, as the platform's
    // trim does (the full-width space is a character of the name).
    qsizetype b = 0, e = out.size();
    while (b < e && out[b].unicode() <= 0x20)
        ++b;
    while (e > b && out[e - 1].unicode() <= 0x20)
        --e;
    return out.mid(b, e - b);
}

}  // namespace zb
