#pragma once
// Date format tags of album captions (&G1 … &B1) and the era table of the
// Japanese calendar.
#include <QDate>
#include <QList>
#include <QString>

namespace zb::items {

struct Era {
    QString name;  // "明治" … "令和"
    int year, month, day;  // first day of the era
};
// The eras, oldest first.
const QList<Era>& eras();
// The era a date (month or day may be 0) falls in; nullptr before 明治.
const Era* eraOf(int year, int month, int day);

// A date put through a format: tags are found without regard to case and
// replaced in this order: &G1 &G2 &E1 &E2 &E3 &Y1 &Y2 &Y3 &Y4 &M1 &M2 &M3 &K1
// &K2 &D1 &D2 &D3 &A1 &C1 &C2 &B1; all other text is copied. An all-zero date
// gives an empty text. `today` is used by &B1.
QString formatDate(QStringView format, int year, int month, int day, QDate today);

// A stored "yyyymmdd" date through a format (codes 1005, 1006, 2019); empty
// when the format is empty.
QString formatStoredDate(QStringView format, QStringView yyyymmdd, QDate today);
// 発注年度 through a format with today's month and day (code 1000); empty when
// the format is empty or the year is 0.
QString formatFiscalYear(QStringView format, int year, QDate today);

// True for the caption codes whose value is a date through the token's format.
bool isDateCode(int code);

}  // namespace zb::items
