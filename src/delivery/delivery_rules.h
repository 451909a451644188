#pragma once
// The value rules of a PHOTO05 delivery: the editions and their codes, the
// characters a value may hold and how its length is counted, the date form, the
// file naming rule and the fixed vocabularies. Pure functions, no files.
#include <QList>
#include <QString>
#include <QStringList>

namespace zb {

struct PhotoStandard {
    QString code;          // "土木202303-01"
    QString edition;       // "令和5年3月"
    bool longExtensions;   // 4-letter extensions (.JPEG, .TIFF) allowed: from 令和2年3月
    bool tiffSvgPhotos;    // TIFF and SVG photos allowed: from 令和5年3月
};

// The five editions that use PHOTO05.DTD, newest (the default) first.
const QList<PhotoStandard>& photoStandards();
// The edition with that code; nullptr when it is not one of them.
const PhotoStandard* findPhotoStandard(const QString& code);
// "土木202303-01 (令和5年3月)"
QString photoStandardCaption(const PhotoStandard& s);

enum class CharFault { Control, NotShiftJis, MachineDependent, UserDefined, HalfWidthKana, FullWidthAlnum };
struct CharFinding {
    CharFault fault;
    char32_t ch;
    bool operator==(const CharFinding&) const = default;
};
// Every character of the value that the delivery does not allow, each distinct
// character once, in the order they first appear. TAB, LF and CR are allowed.
QList<CharFinding> deliveryCharFaults(const QString& value);
// A short Japanese text naming the character and what is wrong with it.
QString charFaultText(const CharFinding& f);

// Length as the delivery counts it: Shift_JIS bytes (a full-width character 2, a
// half-width 1). A character Shift_JIS cannot hold counts 2.
int deliveryLength(const QString& value);
constexpr int kDeliveryTextRoom = 254;  // 127 full-width characters
constexpr int kMajorClassRoom = 16;     // 写真-大分類: 8 full-width

// Exactly CCYY-MM-DD with ASCII digits and hyphens, and a real calendar day.
bool isDeliveryDate(const QString& value);
// "20240315" -> "2024-03-15"; "" when not a real date.
QString toDeliveryDate(const QString& yyyymmdd);
// "2024-03-15" -> "20240315"; "" when not a valid delivery date.
QString fromDeliveryDate(const QString& ccyymmdd);

// The naming rule: prefix ('P' photos, 'D' drawings) + seven of [A-Z0-9_] + "." +
// an upper-case extension the edition allows: JPG always, JPEG from the editions
// with long extensions, TIF, TIFF and SVG from the editions with TIFF and SVG.
bool isDeliveryFileName(const QString& name, QChar prefix, const PhotoStandard& edition);
// The extensions the edition allows, without the dot ("JPG", "JPEG", ...).
QStringList deliveryExtensions(const PhotoStandard& edition);
constexpr qint64 kMaxDeliveryRecord = 9'999'999;
// "P0000007.JPG"; "" for a record below 0 or above kMaxDeliveryRecord.
QString deliveryPhotoName(qint64 record);
// "D0000012.JPG"; "" for a record below 0 or above kMaxDeliveryRecord.
QString deliveryDrawingName(qint64 record);

// 写真-大分類: 工事, 測量, 調査, 地質, 広報, 設計, その他.
const QStringList& majorClasses();
// 写真区分 of construction photos (写真-大分類 工事), nine values.
const QStringList& constructionPhotoKinds();
// シリアル番号: 1 to 7 ASCII digits without a leading zero (so never "0").
bool isSerialText(const QString& s);

}  // namespace zb
