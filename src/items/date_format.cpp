#include "items/date_format.h"

#include "core/sjis.h"

namespace zb::items {

namespace {

const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};
const char* const kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char16_t kJapaneseWeekdays[] = u"日月火水木金土";

int ymd(int y, int m, int d) { return y * 10000 + m * 100 + d; }

// A value right-aligned in the pad's width (in Shift_JIS bytes, as the width of
// text on screen), filled with the pad's leading characters; a longer value is
// kept whole. A value that does not exist (no era before 明治, no weekday of an
// impossible date) stays empty.
QString align(const QString& value, const QString& pad)
{
    if (value.isEmpty())
        return value;
    const int width = sjis::byteLength(pad);
    const int have = sjis::byteLength(value);
    if (have >= width)
        return value;
    return pad.left(width - have) + value;
}

// Year, month and day tags: a one-character pad gives the bare number; a zero
// month or day gives nothing.
QString number(int n, const QString& pad, bool emptyWhenZero)
{
    if (emptyWhenZero && n == 0)
        return {};
    const QString s = QString::number(n);
    return pad.size() >= 2 ? align(s, pad) : s;
}

}  // namespace

const QList<Era>& eras()
{
    static const QList<Era> v = {
        {QStringLiteral("明治"), 1868, 1, 1},
        {QStringLiteral("大正"), 1912, 7, 30},
        {QStringLiteral("昭和"), 1926, 12, 25},
        {QStringLiteral("平成"), 1989, 1, 8},
        {QStringLiteral("令和"), 2019, 5, 1},
    };
    return v;
}

const Era* eraOf(int year, int month, int day)
{
    const Era* found = nullptr;
    for (const Era& e : eras())
        if (ymd(year, month, day) >= ymd(e.year, e.month, e.day))
            found = &e;
    return found;
}

QString formatDate(QStringView format, int year, int month, int day, QDate today)
{
    if (year == 0 && month == 0 && day == 0)
        return {};
    const Era* era = eraOf(year, month, day);
    const QString eraName = era ? era->name : QString();
    const QString eraYear = era ? QString::number(year - era->year + 1) : QString();
    const QDate date(year, month, day);
    const int weekday = date.isValid() ? date.dayOfWeek() % 7 : -1;  // 0 = Sunday
    const QString monthName = month >= 1 && month <= 12 ? QString::fromLatin1(kMonths[month - 1]) : QString();
    const QString dayName = weekday >= 0 ? QString::fromLatin1(kWeekdays[weekday]) : QString();
    int years = today.year() - year;
    if (today.month() * 100 + today.day() > month * 100 + day)
        --years;

    const QString sp1 = QStringLiteral(" "), sp2 = QStringLiteral("  "), sp4 = QStringLiteral("    ");
    const QString z2 = QStringLiteral("00");
    struct Tag {
        const char* tag;
        QString value;
    };
    const Tag tags[] = {
        {"&G1", align(eraName.left(1), sp2)},
        {"&G2", align(eraName, sp4)},
        {"&E1", align(eraYear, sp1)},
        {"&E2", align(eraYear, z2)},
        {"&E3", align(eraYear, sp2)},
        {"&Y1", number(year % 100, sp1, false)},
        {"&Y2", number(year % 100, z2, false)},
        {"&Y3", number(year % 100, sp2, false)},
        {"&Y4", number(year, sp4, false)},
        {"&M1", number(month, sp1, true)},
        {"&M2", number(month, z2, true)},
        {"&M3", number(month, sp2, true)},
        {"&K1", align(monthName.left(3), sp2)},
        {"&K2", align(monthName, sp2)},
        {"&D1", number(day, sp1, true)},
        {"&D2", number(day, z2, true)},
        {"&D3", number(day, sp2, true)},
        {"&A1", align(weekday >= 0 ? QString(QChar(kJapaneseWeekdays[weekday])) : QString(), sp2)},
        {"&C1", align(dayName.left(3), sp2)},
        {"&C2", align(dayName, sp2)},
        {"&B1", align(QString::number(years), sp1)},
    };
    QString out = format.toString();
    for (const Tag& t : tags)
        out.replace(QLatin1String(t.tag), t.value, Qt::CaseInsensitive);
    return out;
}

QString formatStoredDate(QStringView format, QStringView yyyymmdd, QDate today)
{
    if (format.isEmpty())
        return {};
    const auto part = [&](int from, int n) { return yyyymmdd.mid(from, n).toString().toInt(); };
    return formatDate(format, part(0, 4), part(4, 2), part(6, 2), today);
}

QString formatFiscalYear(QStringView format, int year, QDate today)
{
    if (format.isEmpty() || year == 0)
        return {};
    return formatDate(format, year, today.month(), today.day(), today);
}

bool isDateCode(int code)
{
    return code == 100 || code == 1000 || code == 1005 || code == 1006 || code == 2019;
}

}  // namespace zb::items
