#include "workspace/batch_change.h"

#include "core/ports.h"
#include "core/sjis.h"
#include "core/text.h"
#include "store/job_life.h"
#include "store/table_network.h"

namespace zb {

namespace {

constexpr char16_t kFullZero = 0xFF10;

bool isHalfDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isFullDigit(QChar c) { return c.unicode() >= kFullZero && c.unicode() <= kFullZero + 9; }
bool isAnyDigit(QChar c) { return isHalfDigit(c) || isFullDigit(c); }

// Decimal digits plus one, as text of any length.
QString incremented(QString digits)
{
    int i = digits.size() - 1;
    for (; i >= 0; --i) {
        if (digits[i] == QLatin1Char('9')) {
            digits[i] = QLatin1Char('0');
        } else {
            digits[i] = QChar(digits[i].unicode() + 1);
            break;
        }
    }
    if (i < 0)
        digits.prepend(QLatin1Char('1'));
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits.remove(0, 1);
    return digits;
}

}  // namespace

QString nextFrameNumber(const QString& text)
{
    int start = 0;
    while (start < text.size() && !isAnyDigit(text[start]))
        ++start;
    if (start == text.size())
        return text;
    int end = start;
    QString digits;
    for (; end < text.size() && isAnyDigit(text[end]); ++end)
        digits += isFullDigit(text[end]) ? QChar(u'0' + (text[end].unicode() - kFullZero)) : text[end];
    QString next = incremented(digits);
    if (isFullDigit(text[start]))
        for (QChar& c : next)
            c = QChar(kFullZero + (c.unicode() - u'0'));
    return text.left(start) + next + text.mid(end);
}

QVariant batchFieldValue(const engine::Table& table, int pos, PhotoField field, const QString& text)
{
    // FLAG, FILMNUM, DAIHYO and TEISYUTU: the integer fields the grid shows.
    const engine::FieldDef& def = table.fields().at(pos);
    if (def.type == engine::FieldType::Integer)
        return leadingInteger(text);
    // Characters Shift_JIS cannot hold are left out, as when one photo is stored.
    const QString kept = sjis::dropUnmappable(text);
    if (def.type == engine::FieldType::Alpha && def.size > 0)
        return sjis::cutToRoom(kept, def.size);
    return kept;
}

BatchResult batchChange(TTableEnhanced& table, const PhotoFields& fields, const QList<RECORD>& records,
                        PhotoField field, const QString& text, Messages& messages)
{
    BatchResult result;
    if (field == F_NEGANUM) {
        switch (messages.askThree(kBatchFrameQuestion)) {
        case Messages::Answer::Yes:
            result.answer = BatchResult::Answer::Same;
            break;
        case Messages::Answer::No:
            result.answer = BatchResult::Answer::Numbered;
            break;
        case Messages::Answer::Cancel:
            return result;
        }
    } else {
        if (!messages.confirm(kBatchQuestion))
            return result;
        result.answer = BatchResult::Answer::Same;
    }
    const int pos = fields[field];
    if (pos < 0 || fields[F_RECORD] < 0)
        return result;

    QString value = text;
    QString firstError;
    for (RECORD record : records) {
        try {
            if (!table.locate(record))
                continue;
            table.edit();
            table.setValue(pos, batchFieldValue(table, pos, field, value));
            table.post();
            result.changed << record;
            if (result.answer == BatchResult::Answer::Numbered)
                value = nextFrameNumber(value);
        } catch (const engine::EngineError& e) {
            // This photo keeps its old values; the others go on.
            if (table.isEditing())
                table.cancel();
            if (firstError.isEmpty())
                firstError = e.message();
            result.failed = true;
        }
    }
    table.flushBuffers();
    if (!firstError.isEmpty())
        messages.error(kPhotoInfoSaveFailed.arg(firstError));
    const QString unmappable = sjis::unmappableChars(text);
    if (!result.changed.isEmpty() && !unmappable.isEmpty())
        messages.warning(kUnmappableLeftOut.arg(unmappable));
    return result;
}

}  // namespace zb
