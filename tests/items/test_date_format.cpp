#include "items/date_format.h"
#include "items/item_codes.h"

#include "store/table_network.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace zb;
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

TEST(DateFormat, ItemCodeValues)
{
    const QDate today(2010, 6, 15);
    JobHeader h;
    h.fiscalYear = 2003;
    h.startDate = QStringLiteral("20030405");
    h.author = QStringLiteral("担当者１");
    h.constructionName = QStringLiteral("護岸工事");
    struct Case {
        int code;
        const char* format;
        std::optional<QString> value;
    };
    const Case cases[] = {
        {1000, "&G2&E1年度", QStringLiteral("平成15年度")},
        {1000, "", QString()},
        {1005, "&Y4年&M2月&D3日", QStringLiteral("2003年04月 5日")},
        {1005, "", QString()},
        {1006, "&Y4", QString()},  // no end date stored
        {1003, "", QStringLiteral("護岸工事")},
        {310, "", QStringLiteral("担当者１")},
        {300, "", std::nullopt},   // the job name is not an item
        {2010, "", std::nullopt},  // a photo code
    };
    for (const Case& c : cases)
        EXPECT_EQ(headerCodeValue(c.code, QString::fromUtf8(c.format), h, today), c.value) << c.code;

    zbtest::TempDir dir;
    TTableNetWork t;
    const PhotoFields f = openOrCreatePhotoTable(dir.file("J.DB"), {&t}, true);
    t.append();
    t.setValue(f[F_RECORD], 1);
    t.setValue(f[F_DATE], QStringLiteral("20030405"));
    t.setValue(f[F_FILMNUM], 7);
    t.setValue(f[F_TITLE], QStringLiteral("着手前"));
    t.post();
    ASSERT_TRUE(t.first());
    EXPECT_EQ(photoCodeValue(2019, u"&Y4/&M2/&D2", t, f, today), QStringLiteral("2003/04/05"));
    EXPECT_EQ(photoCodeValue(2019, u"", t, f, today), QString());
    EXPECT_EQ(photoCodeValue(2020, u"", t, f, today), QStringLiteral("7"));
    EXPECT_EQ(photoCodeValue(2010, u"", t, f, today), QStringLiteral("着手前"));
    EXPECT_EQ(photoCodeValue(2011, u"", t, f, today), QString());
    EXPECT_EQ(photoCodeValue(2001, u"", t, f, today), std::nullopt);
    EXPECT_EQ(photoCodeValue(1003, u"", t, f, today), std::nullopt);
}
