#include "core/sjis.h"

#include <gtest/gtest.h>

using namespace zb;

TEST(Sjis, EncodesLikeWindowsCodePage932)
{
    struct Case { const char16_t* text; QByteArray bytes; };
    const Case cases[] = {
        {u"A\\b", QByteArray("A\\b")},                         // 0x5C stays a backslash
        {u"あ", QByteArray("\x82\xA0", 2)},
        {u"工事写真", QByteArray("\x8D\x48\x8E\x96\x8E\xCA\x90\x5E", 8)},
        {u"ｶ", QByteArray("\xB6", 1)},                          // half-width katakana: one byte
        {u"①", QByteArray("\x87\x40", 2)},                      // NEC special character
        {u"\u301C", QByteArray("\x81\x60", 2)},                 // wave dash as Linux input types it
        {u"\uFF5E", QByteArray("\x81\x60", 2)},                 // full-width tilde, as Windows decodes 0x8160
        {u"\u2212", QByteArray("\x81\x7C", 2)},                 // minus sign
        {u"髙", QByteArray("\xFB\xFC", 2)},                     // IBM extension
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        sjis::Encoded e = sjis::encode(text);
        EXPECT_TRUE(e.ok()) << text.toStdString();
        EXPECT_EQ(e.bytes.toHex().toStdString(), c.bytes.toHex().toStdString()) << text.toStdString();
    }
}

TEST(Sjis, DecodeRoundTripsEveryDefinedCode)
{
    EXPECT_EQ(sjis::decode(QByteArray("\x8D\x48\x8E\x96", 4)), QStringLiteral("工事"));
    EXPECT_EQ(sjis::decode("C:\\DATA"), QStringLiteral("C:\\DATA"));
    EXPECT_EQ(sjis::decode(QByteArray("\x81\x60", 2)), QString(QChar(0xFF5E)));
    // A lead byte at the end and an undefined code become the middle dot.
    EXPECT_EQ(sjis::decode(QByteArray("a\x82", 2)), QStringLiteral("a・"));
    EXPECT_EQ(sjis::decode(QByteArray("\x85\x40", 2)), QStringLiteral("・"));
    int checked = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!sjis::isLeadByte(lead))
            continue;
        for (int trail = 0x40; trail <= 0xFC; trail += 7) {
            QByteArray b;
            b += char(lead);
            b += char(trail);
            QString s = sjis::decode(b);
            if (s == QStringLiteral("・") && b != QByteArray("\x81\x45", 2))
                continue;
            // Duplicated codes (NEC-selected IBM) decode to the same character as
            // their preferred twin, so compare the text, not the bytes.
            EXPECT_EQ(sjis::decode(sjis::toBytes(s)), s) << std::hex << lead << trail;
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000);
}

TEST(Sjis, ReportsCharactersTheCodePageCannotHold)
{
    const QString text = QStringLiteral("写真\U0001F600한A");
    sjis::Encoded e = sjis::encode(text);
    EXPECT_EQ(e.unmappable, QStringLiteral("\U0001F600한"));
    EXPECT_EQ(e.bytes, sjis::toBytes(u"写真A"));
    EXPECT_EQ(sjis::dropUnmappable(text), QStringLiteral("写真A"));
    EXPECT_EQ(sjis::byteLength(text), 5);
    EXPECT_FALSE(sjis::canEncode(U'한'));
}

TEST(Sjis, CutsAtCharacterBoundary)
{
    struct Case { const char16_t* text; int room; const char16_t* expected; };
    const Case cases[] = {
        {u"あいう", 5, u"あい"},
        {u"あいう", 6, u"あいう"},
        {u"aあ", 2, u"a"},
        {u"ｱｲｳ", 2, u"ｱｲ"},
        {u"abc", 0, u""},
    };
    for (const Case& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(sjis::cutToRoom(text, c.room), QString::fromUtf16(c.expected));
        EXPECT_EQ(sjis::cutBytes(sjis::toBytes(text), c.room), sjis::toBytes(QString::fromUtf16(c.expected)));
    }
}

TEST(Sjis, MachineDependentCharacters)
{
    EXPECT_TRUE(sjis::isMachineDependent(U'①'));    // 0x8740
    EXPECT_TRUE(sjis::isMachineDependent(U'髙'));    // 0xFBFC
    EXPECT_TRUE(sjis::isMachineDependent(U'ⅰ'));    // IBM small roman numeral
    EXPECT_FALSE(sjis::isMachineDependent(U'あ'));
    EXPECT_FALSE(sjis::isMachineDependent(U'A'));
    EXPECT_FALSE(sjis::isMachineDependent(U'熙'));   // 0xE086, below 0xED40
    EXPECT_TRUE(sjis::isMachineDependentCode(0x8540));
    EXPECT_TRUE(sjis::isMachineDependentCode(0x889E));
    EXPECT_FALSE(sjis::isMachineDependentCode(0x889F));
    EXPECT_FALSE(sjis::isMachineDependentCode(0xED3F));
    EXPECT_TRUE(sjis::isMachineDependentCode(0xED40));
}
