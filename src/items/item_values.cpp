#include "items/item_values.h"

#include "core/sjis.h"
#include "core/text.h"
#include "store/engine/table.h"

#include <limits>

namespace zb::items {

namespace {

// The text without the characters Shift_JIS cannot hold; those are added to *unmappable.
QString encodable(const QString& text, QString* unmappable)
{
    const QString lost = sjis::unmappableChars(text);
    if (lost.isEmpty())
        return text;
    if (unmappable)
        *unmappable += lost;
    return sjis::dropUnmappable(text);
}

// Room of an alpha field of the photo table, 0 for other fields.
int alphaRoom(PhotoField field)
{
    const auto& defs = photoTableFields();
    if (field < 0 || field >= defs.size())
        return 0;
    const engine::FieldDef& d = defs[field];
    return d.type == engine::FieldType::Alpha ? d.size : 0;
}

bool isIntegerField(const ItemDef& item)
{
    return item.valueKind == ValueKind::SortingFlag || item.valueKind == ValueKind::ZeroEmptyInt
           || item.valueKind == ValueKind::ZeroOne;
}

}  // namespace

QStringList fiscalYearList(QDate today)
{
    const int y = today.year();
    return {QString::number(y - 1), QString::number(y), QString::number(y + 1)};
}

QString progressText(int index)
{
    return progressLabels().value(index);
}

int progressIndex(QStringView text)
{
    const qsizetype i = progressLabels().indexOf(text.toString());
    return i < 0 ? 0 : int(i);
}

QString zeroEmptyText(int value)
{
    return value == 0 ? QString() : QString::number(value);
}

int storedInteger(QStringView text)
{
    return leadingInteger(text);
}

QString flagText(int flag, const QStringList& list)
{
    const auto numberOf = [](const QString& entry) {
        const qsizetype dot = entry.indexOf(QLatin1Char('.'));
        return dot < 0 ? 0 : leadingInteger(QStringView(entry).left(dot));
    };
    for (const QString& e : list)
        if (numberOf(e) == flag)
            return e;
    const ItemDef* item = findPhotoItem(F_FLAG);
    for (const QString& e : item->defaultList)
        if (numberOf(e) == flag)
            return e;
    return QString::number(flag) + QStringLiteral(".未登録");
}

QString headerItemText(const ItemDef& item, const JobHeader& header)
{
    switch (item.headerSlot) {
    case HeaderSlot::Progress: return progressText(header.progress);
    case HeaderSlot::FiscalYear: return zeroEmptyText(header.fiscalYear);
    case HeaderSlot::Text: return header.*(item.headerText);
    case HeaderSlot::None: break;
    }
    return {};
}

void storeHeaderItem(const ItemDef& item, JobHeader& header, const QString& text, QString* unmappable)
{
    switch (item.headerSlot) {
    case HeaderSlot::Progress:
        header.progress = quint8(progressIndex(text));
        break;
    case HeaderSlot::FiscalYear: {
        // The year lives in a signed 16-bit field and takes no negatives.
        const int y = storedInteger(text);
        header.fiscalYear = qint16(std::clamp(y, 0, int(std::numeric_limits<qint16>::max())));
        break;
    }
    case HeaderSlot::Text:
        header.*(item.headerText) = sjis::cutToRoom(encodable(text, unmappable), item.room);
        break;
    case HeaderSlot::None:
        break;
    }
}

ItemTexts showJobHeader(const JobHeader& header)
{
    ItemTexts out;
    for (const ItemDef& d : kojiItems())
        out.insert(d.label, headerItemText(d, header));
    return out;
}

void storeJobHeader(JobHeader& header, const ItemTexts& texts, QString* unmappable)
{
    for (const ItemDef& d : kojiItems()) {
        const auto it = texts.constFind(d.label);
        if (it != texts.constEnd())
            storeHeaderItem(d, header, it.value(), unmappable);
    }
}

QString photoItemText(const ItemDef& item, const QVariant& stored, const QStringList& list)
{
    switch (item.valueKind) {
    case ValueKind::SortingFlag: return flagText(stored.toInt(), list);
    case ValueKind::ZeroEmptyInt: return zeroEmptyText(stored.toInt());
    case ValueKind::ZeroOne: return QString::number(stored.toInt());
    default: return stored.isValid() ? stored.toString() : QString();
    }
}

QVariant photoStoredValue(const ItemDef& item, const QString& text, QString* unmappable)
{
    if (isIntegerField(item))
        return storedInteger(text);
    QString value = encodable(text, unmappable);
    if (const int room = alphaRoom(item.photoField); room > 0)
        value = sjis::cutToRoom(value, room);
    return value;
}

ItemTexts showPhotoRow(const engine::Table& table, const PhotoFields& fields, const ChoiceListMap& lists)
{
    ItemTexts out;
    for (const ItemDef& d : photoItems()) {
        const int pos = fields[d.photoField];
        const QVariant stored = pos >= 0 ? table.value(pos) : QVariant();
        out.insert(d.label, photoItemText(d, stored, lists.value(d.label)));
    }
    return out;
}

void storePhotoRow(engine::Table& table, const PhotoFields& fields, const ItemTexts& texts, QString* unmappable)
{
    for (const ItemDef& d : photoItems()) {
        const auto it = texts.constFind(d.label);
        const int pos = fields[d.photoField];
        if (it == texts.constEnd() || pos < 0)
            continue;
        table.setValue(pos, photoStoredValue(d, it.value(), unmappable));
    }
}

}  // namespace zb::items
