#pragma once
// The batch change of several selected photos: a value typed into the photo
// grid while more than one photo is selected is, after asking, written to
// every selected photo; frame numbers (コマ番号) may instead be numbered on
// from the typed value.
#include "core/record.h"
#include "store/photo_table.h"

#include <QList>
#include <QString>

namespace zb {

class Messages;
class TTableEnhanced;

inline const QString kBatchFrameQuestion = QStringLiteral(
    "複数の写真が選択されています コマ番号をこの値に一括変更しますか？\r\n\r\n"
    "([いいえ] を選択すると入力された数値からの連番をセットします)");
inline const QString kBatchQuestion = QStringLiteral("複数の写真が選択されています この値に一括変更しますか？");
// A photo row that could not be written (full disk, damaged table); %1 the detail.
inline const QString kPhotoInfoSaveFailed = QStringLiteral("写真情報を保存できませんでした。\r\n%1");

// The frame number after `text`: its first run of digits (full-width digits
// count) increased by 1, the text around it kept, full-width digits written
// when the run was full-width, leading zeros of the run not kept ("No.009"
// gives "No.10"). A text without digits stays as it is.
QString nextFrameNumber(const QString& text);

// The value a photo field takes for a grid text: the integer fields (FLAG,
// FILMNUM, DAIHYO, TEISYUTU) the leading integer, other fields the text without the characters Shift_JIS cannot hold,
// fixed-size text fields cut to their room.
QVariant batchFieldValue(const engine::Table& table, int pos, PhotoField field, const QString& text);

struct BatchResult {
    enum class Answer { Cancelled, Same, Numbered };
    Answer answer = Answer::Cancelled;
    QList<RECORD> changed;  // the photos written, in list order
    bool failed = false;    // a photo could not be written (the user was told)
};

// Asks (コマ番号: yes/no/cancel, other fields: yes/cancel) and writes `text`
// into `field` of every photo of `records` in their order; with "no" for
// コマ番号 each photo gets the next number. Photos missing from the table are
// skipped; a photo that cannot be posted keeps its old values. The table is
// flushed afterwards.
BatchResult batchChange(TTableEnhanced& table, const PhotoFields& fields, const QList<RECORD>& records,
                        PhotoField field, const QString& text, Messages& messages);

}  // namespace zb
