#include "delivery/delivery_rules.h"

#include "core/sjis.h"

#include <QDate>
#include <QSet>
#include <optional>

namespace zb {

const QList<PhotoStandard>& photoStandards()
{
    static const QList<PhotoStandard> list = {
        {QStringLiteral("土木202303-01"), QStringLiteral("令和5年3月"), true, true},
        {QStringLiteral("土木202003-01"), QStringLiteral("令和2年3月"), true, false},
        {QStringLiteral("土木201603-01"), QStringLiteral("平成28年3月"), false, false},
        {QStringLiteral("土木201009-01"), QStringLiteral("平成22年9月"), false, false},
        {QStringLiteral("土木200805-01"), QStringLiteral("平成20年5月"), false, false},
    };
    return list;
}

const PhotoStandard* findPhotoStandard(const QString& code)
{
    for (const PhotoStandard& s : photoStandards())
        if (s.code == code)
            return &s;
    return nullptr;
}

QString photoStandardCaption(const PhotoStandard& s)
{
    return QStringLiteral("%1 (%2)").arg(s.code, s.edition);
}

namespace {

bool isControl(char32_t c)
{
    if (c == U'\t' || c == U'\n' || c == U'\r')
        return false;
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool isPrivateUse(char32_t c)
{
    return (c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000;
}

bool isFullWidthAlnum(char32_t c)
{
    return (c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A);
}

bool isHalfWidthKana(char32_t c) { return c >= 0xFF61 && c <= 0xFF9F; }

// What is wrong with one character, judged by its code page 932 code: the NEC
// row 13 (lead 0x87) and the NEC and IBM extensions (0xED-0xEE, 0xFA-0xFC) are
// machine dependent, 0xF0-0xF9 is the user-defined area.
std::optional<CharFault> faultOf(char32_t c)
{
    if (isControl(c))
        return CharFault::Control;
    if (isHalfWidthKana(c))
        return CharFault::HalfWidthKana;
    if (isFullWidthAlnum(c))
        return CharFault::FullWidthAlnum;
    if (isPrivateUse(c))
        return CharFault::UserDefined;
    const int code = sjis::codeOf(c);
    if (code < 0)
        return CharFault::NotShiftJis;
    if (code <= 0xFF)
        return code >= 0xA1 && code <= 0xDF ? std::optional(CharFault::HalfWidthKana) : std::nullopt;
    const int lead = code >> 8;
    if (lead >= 0xF0 && lead <= 0xF9)
        return CharFault::UserDefined;
    if (lead == 0x87 || lead == 0xED || lead == 0xEE || lead >= 0xFA)
        return CharFault::MachineDependent;
    return std::nullopt;
}

// The code points of the text; a lone surrogate stands for itself.
template <typename F>
void forEachCodePoint(const QString& text, F f)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar ch = text[i];
        if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            f(QChar::surrogateToUcs4(ch, text[i + 1]));
            ++i;
        } else {
            f(char32_t(ch.unicode()));
        }
    }
}

QString shown(char32_t c)
{
    return QString::fromUcs4(&c, 1);
}

QString codePoint(char32_t c)
{
    return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QList<CharFinding> deliveryCharFaults(const QString& value)
{
    QList<CharFinding> out;
    QSet<char32_t> seen;
    forEachCodePoint(value, [&](char32_t c) {
        if (seen.contains(c))
            return;
        seen.insert(c);
        if (const auto fault = faultOf(c))
            out.append({*fault, c});
    });
    return out;
}

QString charFaultText(const CharFinding& f)
{
    switch (f.fault) {
    case CharFault::Control:
        return QStringLiteral("制御文字（%1）は使えません").arg(codePoint(f.ch));
    case CharFault::NotShiftJis:
        return QStringLiteral("文字「%1」（%2）はShift_JISで表せないため使えません")
            .arg(shown(f.ch), codePoint(f.ch));
    case CharFault::MachineDependent:
        return QStringLiteral("機種依存文字「%1」は使えません").arg(shown(f.ch));
    case CharFault::UserDefined:
        return QStringLiteral("外字（%1）は使えません").arg(codePoint(f.ch));
    case CharFault::HalfWidthKana:
        return QStringLiteral("半角カナ「%1」は使えません（全角で入力してください）").arg(shown(f.ch));
    case CharFault::FullWidthAlnum:
        return QStringLiteral("全角英数字「%1」は使えません（半角で入力してください）").arg(shown(f.ch));
    }
    return {};
}

int deliveryLength(const QString& value)
{
    int n = 0;
    forEachCodePoint(value, [&](char32_t c) {
        const int bytes = c > 0xFFFF ? 0 : sjis::charBytes(c);
        n += bytes == 0 ? 2 : bytes;
    });
    return n;
}

namespace {

bool asciiDigits(QStringView s)
{
    for (QChar c : s)
        if (c < u'0' || c > u'9')
            return false;
    return !s.isEmpty();
}

QDate dateOf(QStringView y, QStringView m, QStringView d)
{
    if (!asciiDigits(y) || !asciiDigits(m) || !asciiDigits(d))
        return {};
    return QDate(y.toInt(), m.toInt(), d.toInt());
}

}  // namespace

bool isDeliveryDate(const QString& value)
{
    if (value.size() != 10 || value[4] != u'-' || value[7] != u'-')
        return false;
    const QStringView v(value);
    return dateOf(v.sliced(0, 4), v.sliced(5, 2), v.sliced(8, 2)).isValid();
}

QString toDeliveryDate(const QString& yyyymmdd)
{
    if (yyyymmdd.size() != 8)
        return {};
    const QStringView v(yyyymmdd);
    if (!dateOf(v.sliced(0, 4), v.sliced(4, 2), v.sliced(6, 2)).isValid())
        return {};
    return QStringLiteral("%1-%2-%3").arg(v.sliced(0, 4), v.sliced(4, 2), v.sliced(6, 2));
}

QString fromDeliveryDate(const QString& ccyymmdd)
{
    if (!isDeliveryDate(ccyymmdd))
        return {};
    return ccyymmdd.left(4) + ccyymmdd.mid(5, 2) + ccyymmdd.mid(8, 2);
}

QStringList deliveryExtensions(const PhotoStandard& edition)
{
    QStringList ext{QStringLiteral("JPG")};
    if (edition.longExtensions)
        ext << QStringLiteral("JPEG");
    if (edition.tiffSvgPhotos) {
        ext << QStringLiteral("TIF") << QStringLiteral("SVG");
        if (edition.longExtensions)
            ext << QStringLiteral("TIFF");
    }
    return ext;
}

bool isDeliveryFileName(const QString& name, QChar prefix, const PhotoStandard& edition)
{
    if ((prefix != u'P' && prefix != u'D') || name.size() < 12 || name[0] != prefix || name[8] != u'.')
        return false;
    for (qsizetype i = 1; i < 8; ++i) {
        const QChar c = name[i];
        if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_'))
            return false;
    }
    return deliveryExtensions(edition).contains(name.mid(9));
}

namespace {

QString numberedName(QChar prefix, qint64 record)
{
    if (record < 0 || record > kMaxDeliveryRecord)
        return {};
    return QStringLiteral("%1%2.JPG").arg(prefix).arg(record, 7, 10, QLatin1Char('0'));
}

}  // namespace

QString deliveryPhotoName(qint64 record) { return numberedName(u'P', record); }

QString deliveryDrawingName(qint64 record) { return numberedName(u'D', record); }

const QStringList& majorClasses()
{
    static const QStringList list = {QStringLiteral("工事"), QStringLiteral("測量"), QStringLiteral("調査"),
                                     QStringLiteral("地質"), QStringLiteral("広報"), QStringLiteral("設計"),
                                     QStringLiteral("その他")};
    return list;
}

const QStringList& constructionPhotoKinds()
{
    static const QStringList list = {
        QStringLiteral("着手前及び完成写真"), QStringLiteral("施工状況写真"), QStringLiteral("安全管理写真"),
        QStringLiteral("使用材料写真"),       QStringLiteral("品質管理写真"), QStringLiteral("出来形管理写真"),
        QStringLiteral("災害写真"),           QStringLiteral("事故写真"),     QStringLiteral("その他")};
    return list;
}

bool isSerialText(const QString& s)
{
    return s.size() >= 1 && s.size() <= 7 && asciiDigits(s) && s[0] != u'0';
}

}  // namespace zb
