#include "items/date_format.h"

#include <gtest/gtest.h>

using namespace zb::items;

TEST(DateFormat, Tags)
{
    const QDate today(2010, 6, 15);
    struct Case {
        const char* format;
        int y, m, d;
        const char* out;
    };
    const Case cases[] = {
        {"&Y4年&M2月&D3日", 2003, 4, 5, "2003年04月 5日"},
        {"&y4/&m1/&d2", 2003, 4, 5, "2003/4/05"},
        {"&G2&E1年度", 2003, 4, 5, "平成15年度"},
        {"&G1&E2.&M2.&D2", 2003, 4, 5, "平15.04.05"},
        {"&G2&E3年", 1989, 1, 8, "平成 1年"},
        {"&G2&E1年", 1989, 1, 7, "昭和64年"},
        {"&G2&E1", 2019, 5, 1, "令和1"},
        {"&G2&E1", 2019, 4, 30, "平成31"},
        {"&G2&E1", 1912, 7, 30, "大正1"},
        {"&G2&E1", 1926, 12, 25, "昭和1"},
        {"&G2&E1", 1868, 1, 1, "明治1"},
        {"[&G2&E1]", 1867, 12, 31, "[]"},
        {"&Y1|&Y2|&Y3", 2005, 1, 1, "5|05| 5"},
        {"&K1 &K2", 2003, 4, 5, "Apr April"},
        {"&A1 &C1 &C2", 2003, 4, 5, "土 Sat Saturday"},
        {"&M2/&D2", 2003, 0, 0, "/"},  // a zero month or day gives nothing
        {"&Y4&M1&D1", 0, 0, 0, ""},    // all zero: empty
        {"&B1", 2000, 6, 15, "10"},
        {"&B1", 2000, 6, 14, "9"},
        {"&B1", 2000, 6, 16, "10"},
        {"&X1 & &&Y4", 2003, 4, 5, "&X1 & &2003"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatDate(QString::fromUtf8(c.format), c.y, c.m, c.d, today), QString::fromUtf8(c.out))
            << c.format << " " << c.y << "-" << c.m << "-" << c.d;
}

TEST(DateFormat, ItemDates)
{
    const QDate today(2010, 6, 15);
    EXPECT_EQ(formatFiscalYear(QStringLiteral("&G2&E1年度"), 2003, today), QStringLiteral("平成15年度"));
    // 発注年度 2019 takes today's month and day, and so the era of that day.
    EXPECT_EQ(formatFiscalYear(QStringLiteral("&G2&E1"), 2019, QDate(2020, 3, 1)), QStringLiteral("平成31"));
    EXPECT_EQ(formatFiscalYear(QStringLiteral("&G2&E1"), 2019, QDate(2020, 6, 1)), QStringLiteral("令和1"));
    EXPECT_EQ(formatFiscalYear(QString(), 2003, today), QString());
    EXPECT_EQ(formatFiscalYear(QStringLiteral("&Y4"), 0, today), QString());
    EXPECT_EQ(formatStoredDate(QStringLiteral("&Y4/&M2/&D2"), QStringLiteral("20030405"), today),
              QStringLiteral("2003/04/05"));
    EXPECT_EQ(formatStoredDate(QString(), QStringLiteral("20030405"), today), QString());
    EXPECT_EQ(formatStoredDate(QStringLiteral("&Y4"), QString(), today), QString());
    EXPECT_TRUE(isDateCode(2019));
    EXPECT_FALSE(isDateCode(2020));
}
