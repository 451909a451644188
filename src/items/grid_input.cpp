#include "items/grid_input.h"

#include "core/sjis.h"
#include "items/char_mode.h"
#include "items/item_values.h"

#include <limits>

namespace zb::items {

namespace {

GridInput refused(const QString& reason) { return {false, {}, reason}; }

char16_t halfDigit(QChar c)
{
    const char16_t u = c.unicode();
    return u >= 0xFF10 && u <= 0xFF19 ? char16_t(u - 0xFF10 + '0') : u;
}

}  // namespace

GridInput acceptGridText(const ItemDef& item, const QString& typed, const QStringList& list)
{
    const QString unmappable = sjis::unmappableChars(typed);
    if (!unmappable.isEmpty())
        return refused(QStringLiteral("characters Shift_JIS cannot hold: ") + unmappable);
    // A row with a fixed list of numbers always holds one of them.
    if (typed.isEmpty() && item.valueKind != ValueKind::ZeroOne)
        return {true, {}, {}};
    if (item.choiceOnly) {
        if (!list.contains(typed))
            return refused(QStringLiteral("not an entry of the list: ") + list.join(QStringLiteral(", ")));
        return {true, typed, {}};
    }
    if (item.numericKind != 0) {
        // Digits (half or full width), a leading minus where the row takes negatives.
        QString digits;
        for (int i = 0; i < typed.size(); ++i) {
            const QChar c = typed.at(i);
            if (i == 0 && (c == QLatin1Char('-') || c == QChar(0xFF0D)) && item.negativesAllowed && typed.size() > 1) {
                digits += QLatin1Char('-');
                continue;
            }
            const char16_t d = halfDigit(c);
            if (d < '0' || d > '9')
                return refused(QStringLiteral("digits only"));
            digits += QChar(d);
        }
        if (item.maxLength > 0 && digits.size() > item.maxLength)
            return refused(QStringLiteral("at most %1 digits").arg(item.maxLength));
        if (!item.isDateItem()) {
            bool ok = false;
            const qint64 v = digits.toLongLong(&ok);
            const qint64 lo = item.numericKind == 1 ? std::numeric_limits<qint16>::min() : std::numeric_limits<qint32>::min();
            const qint64 hi = item.numericKind == 1 ? std::numeric_limits<qint16>::max() : std::numeric_limits<qint32>::max();
            if (!ok || v < lo || v > hi)
                return refused(QStringLiteral("a number from %1 to %2").arg(lo).arg(hi));
        }
        return {true, digits, {}};
    }
    // Every character must survive the row's mode, as when it is typed.
    for (char32_t c : typed.toUcs4())
        if (c != '\r' && c != '\n' && convertChar(c, item.charMode).isEmpty())
            return refused(QStringLiteral("characters the row does not take: ") + QString::fromUcs4(&c, 1));
    const QString text = convertText(typed, item.charMode);
    if (item.maxLength > 0 && sjis::byteLength(text) > item.maxLength)
        return refused(QStringLiteral("longer than %1 bytes").arg(item.maxLength));
    return {true, text, {}};
}

}  // namespace zb::items
