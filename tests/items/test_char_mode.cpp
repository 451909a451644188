#include "items/char_mode.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace zb::items;

TEST(CharMode, Names)
{
    const QStringList names{"標準", "半角数字", "半角英数", "全角/半角英数", "全角/半角英数大", "全角/半角英数無"};
    for (int m = 0; m < kCharModeCount; ++m)
        EXPECT_EQ(charModeName(m), names[m]);
    EXPECT_EQ(charModeName(6), QString());
}

TEST(CharMode, ConvertTextByMode)
{
    struct Case {
        int mode;
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {0, "ｱ①A", "ｱ①A"},
        {3, "ｱ", "ア"},
        {3, "ｶﾞﾊﾟｳﾞ", "ガパヴ"},
        {3, "ｶﾞ", "ガ"},
        {3, "ＡＢ１２ab", "AB12ab"},
        {4, "ａｂc１", "ABC1"},
        {3, "！ !", "！ !"},
        {3, "｢ｰ｣", "「ー」"},
        {3, "漢字かなガ", "漢字かなガ"},
        {5, "A", ""},
        {5, "Ａ1ｱ!漢", "ｱ!漢"},
        {1, "１2a-3", "123"},
        {2, "Ａb-1ｱ", "Ab1"},
        {1, "①1", "1"},
        {2, "①", ""},
        {3, "①", ""},
        {4, "①", ""},
        {5, "①", ""},
        {3, "行\r\n", "行\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(convertText(QString::fromUtf8(c.in), c.mode), QString::fromUtf8(c.out))
            << "mode " << c.mode << " " << c.in;
}

TEST(CharMode, CharactersShiftJisCannotHoldAreDroppedInEveryMode)
{
    // U+00E9 and an emoji outside the BMP have no Shift_JIS code.
    const QString text = QStringLiteral("a\u00E9b") + QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(convertText(text, 0), QStringLiteral("ab"));
    EXPECT_EQ(convertText(text, 3), QStringLiteral("ab"));
    EXPECT_EQ(convertChar(0x1F600, 0), QString());
}

TEST(CharMode, OneCharacterAtATime)
{
    EXPECT_EQ(convertChar(U'ｱ', 3), QStringLiteral("ア"));
    EXPECT_EQ(convertChar(U'Ａ', 2), QStringLiteral("A"));
    EXPECT_EQ(convertChar(U'A', 5), QString());
    EXPECT_EQ(composeVoiced(QChar(u'カ'), QChar(u'ﾞ')), QChar(u'ガ'));
    EXPECT_EQ(composeVoiced(QChar(u'ﾊ'), QChar(u'ﾟ')), QChar(u'パ'));
    EXPECT_EQ(composeVoiced(QChar(u'ア'), QChar(u'ﾞ')), QChar());
    // Only the modes that make kana full-width join the marks while typing.
    for (int mode = 0; mode < kCharModeCount; ++mode)
        EXPECT_EQ(modeJoinsSoundMarks(mode), mode == 3 || mode == 4) << mode;
}

TEST(CharMode, WidthMappings)
{
    EXPECT_EQ(toFullWidth(QStringLiteral("a\\ ~")), QStringLiteral("ａ￥　～"));
    EXPECT_EQ(toFullWidthRaw(QStringLiteral("\\")), QStringLiteral("\\"));
    EXPECT_EQ(toFullWidth(QStringLiteral("ｶﾞｷﾞｸ")), QStringLiteral("ガギク"));
    EXPECT_EQ(toHalfWidth(QStringLiteral("ＡＢ　ガパア")), QStringLiteral("AB ｶﾞﾊﾟｱ"));
}
