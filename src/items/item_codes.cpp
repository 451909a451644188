#include "items/item_codes.h"

#include "items/date_format.h"
#include "store/engine/table.h"

namespace zb::items {

std::optional<QString> headerCodeValue(int code, QStringView format, const JobHeader& header, QDate today)
{
    const ItemDef* item = findItemByCode(code);
    if (!item || item->group != Group::Koji)
        return std::nullopt;
    switch (item->headerSlot) {
    case HeaderSlot::FiscalYear:
        return formatFiscalYear(format, header.fiscalYear, today);
    case HeaderSlot::Text: {
        const QString& stored = header.*(item->headerText);
        return item->isDateItem() ? formatStoredDate(format, stored, today) : stored;
    }
    default:
        return QString();
    }
}

std::optional<QString> photoCodeValue(int code, QStringView format, const engine::Table& table,
                                      const PhotoFields& fields, QDate today)
{
    const ItemDef* item = findItemByCode(code);
    if (!item || item->group != Group::Photo)
        return std::nullopt;
    const int pos = fields[item->photoField];
    if (pos < 0)
        return QString();
    const QVariant stored = table.value(pos);
    if (item->isDateItem())
        return formatStoredDate(format, stored.toString(), today);
    if (item->valueKind == ValueKind::ZeroEmptyInt)
        return QString::number(stored.toInt());
    return stored.isValid() ? stored.toString() : QString();
}

}  // namespace zb::items
