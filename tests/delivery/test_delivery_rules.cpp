#include "delivery/delivery_rules.h"

#include <gtest/gtest.h>

using namespace zb;

namespace zb {
void PrintTo(const CharFinding& f, std::ostream* os)
{
    *os << "{fault " << int(f.fault) << ", U+" << std::hex << uint32_t(f.ch) << std::dec << "}";
}
}  // namespace zb

namespace {

const PhotoStandard& edition(const char* code)
{
    const PhotoStandard* s = findPhotoStandard(QString::fromUtf8(code));
    if (!s)
        throw std::runtime_error(code);
    return *s;
}

}  // namespace

TEST(DeliveryRules, EditionsNewestFirstWithTheirRules)
{
    struct Case { const char* code; const char* edition; bool longExt; bool tiffSvg; };
    const Case cases[] = {
        {"土木202303-01", "令和5年3月", true, true},
        {"土木202003-01", "令和2年3月", true, false},
        {"土木201603-01", "平成28年3月", false, false},
        {"土木201009-01", "平成22年9月", false, false},
        {"土木200805-01", "平成20年5月", false, false},
    };
    const QList<PhotoStandard>& all = photoStandards();
    ASSERT_EQ(all.size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].code);
        EXPECT_EQ(all[i].code, QString::fromUtf8(cases[i].code));
        EXPECT_EQ(all[i].edition, QString::fromUtf8(cases[i].edition));
        EXPECT_EQ(all[i].longExtensions, cases[i].longExt);
        EXPECT_EQ(all[i].tiffSvgPhotos, cases[i].tiffSvg);
        EXPECT_EQ(findPhotoStandard(all[i].code), &all[i]);
    }
    EXPECT_EQ(photoStandardCaption(all.first()), QStringLiteral("土木202303-01 (令和5年3月)"));
    EXPECT_EQ(findPhotoStandard(QStringLiteral("土木200601-01")), nullptr);  // a draft-layout code
    EXPECT_EQ(findPhotoStandard(QString()), nullptr);
}

TEST(DeliveryRules, CharacterFaults)
{
    using F = CharFault;
    struct Case { QString value; QList<CharFinding> faults; };
    const Case cases[] = {
        // Allowed: JIS X 0208, printable ASCII, TAB LF CR, and the symbols that
        // code page 932 holds both in JIS X 0208 and in the NEC row.
        {QStringLiteral("平成22年 No.3 A-1 (擁壁) ～－￥¬∵≒≡∫√⊥∠∩∪ \\~\t\r\n"), {}},
        {QString(), {}},
        // Machine-dependent: NEC row 13, NEC-selected IBM and IBM extensions.
        {QStringLiteral("①Ⅰ㈱№℡㎡㍻∮"),
         {{F::MachineDependent, U'①'}, {F::MachineDependent, U'Ⅰ'}, {F::MachineDependent, U'㈱'},
          {F::MachineDependent, U'№'}, {F::MachineDependent, U'℡'}, {F::MachineDependent, U'㎡'},
          {F::MachineDependent, U'㍻'}, {F::MachineDependent, U'∮'}}},
        {QStringLiteral("ⅰ纊髙"),
         {{F::MachineDependent, U'ⅰ'}, {F::MachineDependent, U'纊'}, {F::MachineDependent, U'髙'}}},
        {QStringLiteral("ｱｶﾞ｡｢｣､･ﾟ"),
         {{F::HalfWidthKana, U'ｱ'}, {F::HalfWidthKana, U'ｶ'}, {F::HalfWidthKana, U'ﾞ'},
          {F::HalfWidthKana, U'｡'}, {F::HalfWidthKana, U'｢'}, {F::HalfWidthKana, U'｣'},
          {F::HalfWidthKana, U'､'}, {F::HalfWidthKana, U'･'}, {F::HalfWidthKana, U'ﾟ'}}},
        {QStringLiteral("平成２２年ＡＺａｚ０９"),
         {{F::FullWidthAlnum, U'２'}, {F::FullWidthAlnum, U'Ａ'}, {F::FullWidthAlnum, U'Ｚ'},
          {F::FullWidthAlnum, U'ａ'}, {F::FullWidthAlnum, U'ｚ'}, {F::FullWidthAlnum, U'０'},
          {F::FullWidthAlnum, U'９'}}},
        {QString(QChar(0xE000)) + QChar(0xF8FF),
         {{F::UserDefined, 0xE000}, {F::UserDefined, 0xF8FF}}},
        {QStringLiteral("Ⅻ𠮷😀"), {{F::NotShiftJis, U'Ⅻ'}, {F::NotShiftJis, U'𠮷'}, {F::NotShiftJis, U'😀'}}},
        {QStringLiteral("a\x01" "b\x1F\x7F") + QChar(0x85),
         {{F::Control, 0x01}, {F::Control, 0x1F}, {F::Control, 0x7F}, {F::Control, 0x85}}},
        {QString(QChar(0xD800)) + u'a', {{F::NotShiftJis, 0xD800}}},  // a lone surrogate
        // Each distinct character once, in the order of first appearance.
        {QStringLiteral("①写ｱ①真ｱ１①"),
         {{F::MachineDependent, U'①'}, {F::HalfWidthKana, U'ｱ'}, {F::FullWidthAlnum, U'１'}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        EXPECT_EQ(deliveryCharFaults(c.value), c.faults);
    }
}

TEST(DeliveryRules, CharacterFaultTexts)
{
    struct Case { CharFinding f; QString text; };
    const Case cases[] = {
        {{CharFault::Control, 0x01}, QStringLiteral("制御文字（U+0001）は使えません")},
        {{CharFault::NotShiftJis, U'𠮷'}, QStringLiteral("文字「𠮷」（U+20BB7）はShift_JISで表せないため使えません")},
        {{CharFault::MachineDependent, U'①'}, QStringLiteral("機種依存文字「①」は使えません")},
        {{CharFault::UserDefined, 0xE000}, QStringLiteral("外字（U+E000）は使えません")},
        {{CharFault::HalfWidthKana, U'ｱ'}, QStringLiteral("半角カナ「ｱ」は使えません（全角で入力してください）")},
        {{CharFault::FullWidthAlnum, U'１'}, QStringLiteral("全角英数字「１」は使えません（半角で入力してください）")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(charFaultText(c.f), c.text);
}

TEST(DeliveryRules, LengthCountsShiftJisBytes)
{
    struct Case { QString value; int length; };
    const Case cases[] = {
        {QString(), 0},
        {QStringLiteral("A-1 abc"), 7},
        {QStringLiteral("写真"), 4},
        {QStringLiteral("ｱ"), 1},
        {QStringLiteral("①"), 2},
        {QStringLiteral("Ⅻ𠮷"), 4},  // cannot be held: 2 each, a pair of surrogates being one character
        {QString(127, QChar(u'写')), kDeliveryTextRoom},
        {QStringLiteral("着手前及び完成写真"), 18},
        {QStringLiteral("その他"), 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value.toStdString());
        EXPECT_EQ(deliveryLength(c.value), c.length);
    }
    EXPECT_EQ(kMajorClassRoom, 16);
}

TEST(DeliveryRules, Dates)
{
    struct Case { const char* value; bool valid; const char* compact; };
    const Case cases[] = {
        {"2024-03-15", true, "20240315"},
        {"2024-02-29", true, "20240229"},
        {"2023-02-29", false, ""},
        {"2024-02-30", false, ""},
        {"2024-13-01", false, ""},
        {"2024-3-15", false, ""},
        {"2024/03/15", false, ""},
        {"2024－03－15", false, ""},  // full-width hyphens
        {"２０２４-03-15", false, ""},
        {"2024-03-15 ", false, ""},
        {"+024-03-15", false, ""},
        {"", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const QString v = QString::fromUtf8(c.value);
        EXPECT_EQ(isDeliveryDate(v), c.valid);
        EXPECT_EQ(fromDeliveryDate(v), QString::fromUtf8(c.compact));
    }

    struct Back { const char* compact; const char* delivery; };
    const Back back[] = {
        {"20240315", "2024-03-15"}, {"19991231", "1999-12-31"}, {"20240230", ""},
        {"2024031", ""},           {"202403150", ""},          {"2024-3-1", ""},
        {"", ""},                  {"2024031a", ""},
    };
    for (const Back& b : back) {
        SCOPED_TRACE(b.compact);
        EXPECT_EQ(toDeliveryDate(QString::fromUtf8(b.compact)), QString::fromUtf8(b.delivery));
    }
}

TEST(DeliveryRules, FileNames)
{
    struct Case { const char* name; char prefix; const char* code; bool ok; };
    const char* r5 = "土木202303-01";
    const char* r2 = "土木202003-01";
    const char* h28 = "土木201603-01";
    const Case cases[] = {
        {"P0000007.JPG", 'P', h28, true},
        {"PABC_XYZ.JPG", 'P', h28, true},
        {"D0000012.JPG", 'D', h28, true},
        {"D0000012.JPG", 'P', h28, false},  // wrong prefix for the folder
        {"P0000007.JPG", 'D', r5, false},
        {"p0000007.JPG", 'P', r5, false},
        {"P0000007.jpg", 'P', r5, false},
        {"Pabcdefg.JPG", 'P', r5, false},
        {"P000007.JPG", 'P', r5, false},    // six characters
        {"P00000007.JPG", 'P', r5, false},  // eight characters
        {"P000-007.JPG", 'P', r5, false},
        {"P000０007.JPG", 'P', r5, false},
        {"P0000007JPG", 'P', r5, false},
        {"P0000007.JPG ", 'P', r5, false},
        {"P0000007.JP", 'P', r5, false},
        {"P0000007.PNG", 'P', r5, false},
        {"P0000007.JPEG", 'P', h28, false},
        {"P0000007.JPEG", 'P', r2, true},
        {"P0000007.TIF", 'P', r2, false},
        {"P0000007.SVG", 'P', r2, false},
        {"P0000007.TIF", 'P', r5, true},
        {"P0000007.TIFF", 'P', r5, true},
        {"P0000007.SVG", 'P', r5, true},
        {"D0000007.JPEG", 'D', r2, true},
        {"D0000007.TIF", 'D', r2, false},
        {"D0000007.TIFF", 'D', r5, true},
        {"D0000007.SVG", 'D', r5, true},
        {"X0000007.JPG", 'X', r5, false},
        {"", 'P', r5, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + c.code);
        EXPECT_EQ(isDeliveryFileName(QString::fromUtf8(c.name), QChar(c.prefix), edition(c.code)), c.ok);
    }
}

TEST(DeliveryRules, OurNamesAreTheRecordInSevenDigits)
{
    EXPECT_EQ(deliveryPhotoName(7), QStringLiteral("P0000007.JPG"));
    EXPECT_EQ(deliveryDrawingName(12), QStringLiteral("D0000012.JPG"));
    EXPECT_EQ(deliveryPhotoName(kMaxDeliveryRecord), QStringLiteral("P9999999.JPG"));
    EXPECT_EQ(deliveryPhotoName(kMaxDeliveryRecord + 1), QString());
    EXPECT_EQ(deliveryDrawingName(-1), QString());
    for (const PhotoStandard& s : photoStandards()) {
        EXPECT_TRUE(isDeliveryFileName(deliveryPhotoName(1234567), u'P', s));
        EXPECT_TRUE(isDeliveryFileName(deliveryDrawingName(1234567), u'D', s));
    }
}

TEST(DeliveryRules, Vocabularies)
{
    EXPECT_EQ(majorClasses(), (QStringList{"工事", "測量", "調査", "地質", "広報", "設計", "その他"}));
    EXPECT_EQ(constructionPhotoKinds(),
              (QStringList{"着手前及び完成写真", "施工状況写真", "安全管理写真", "使用材料写真", "品質管理写真",
                           "出来形管理写真", "災害写真", "事故写真", "その他"}));
    for (const QString& m : majorClasses())
        EXPECT_LE(deliveryLength(m), kMajorClassRoom);
}

TEST(DeliveryRules, SerialText)
{
    struct Case { const char* s; bool ok; };
    const Case cases[] = {
        {"1", true},      {"7", true},       {"9999999", true}, {"10", true},
        {"0", false},     {"007", false},    {"10000000", false}, {"", false},
        {"-1", false},    {"+1", false},     {"1 ", false},     {"１", false},
        {"1e3", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.s);
        EXPECT_EQ(isSerialText(QString::fromUtf8(c.s)), c.ok);
    }
}
