#include "core/text.h"

#include <gtest/gtest.h>

using namespace zb;

TEST(Text, LeadingInteger)
{
    struct Case { const char16_t* text; int value; };
    const Case cases[] = {
        {u"1.工事写真帳", 1}, {u"99.提出しない", 99}, {u"工事", 0}, {u"", 0},
        {u" -12 m", -12}, {u"２０２４年", 2024}, {u"12a34", 12}, {u"99999999999999", 2147483647},
        {u"-", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(leadingInteger(QString::fromUtf16(c.text)), c.value) << QString::fromUtf16(c.text).toStdString();
}

TEST(Text, NameRule)
{
    struct Case { const char16_t* in; const char16_t* out; };
    const Case cases[] = {
        {u"  工事.A/B ", u"工事AB"},
        {u"a?*\\\",.;:|<>/b", u"ab"},
        {u"...", u""},
        {u"\u3000全角\u3000", u"\u3000全角\u3000"},
        {u"R2 道路", u"R2 道路"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(applyNameRule(QString::fromUtf16(c.in)), QString::fromUtf16(c.out));
    EXPECT_TRUE(isRefusedNameChar(QLatin1Char('|')));
    EXPECT_FALSE(isRefusedNameChar(QLatin1Char('-')));
}
