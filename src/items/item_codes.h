#pragma once
// Values of the item codes in album captions: the construction items (310-340,
// 1000-1014) and the photo items (2004, 2010-2013, 2017-2030). The date codes
// (1000, 1005, 1006, 2019) go through the token's date format and are empty
// without one; the other codes give the stored value.
#include "items/item_defs.h"

#include <QDate>
#include <QString>
#include <optional>

namespace zb::engine {
class Table;
}

namespace zb::items {

// nullopt when the code is not a construction item's code.
std::optional<QString> headerCodeValue(int code, QStringView format, const JobHeader& header, QDate today);
// The value from the table's current row; nullopt when the code is not a photo
// item's code, empty when the table lacks the field.
std::optional<QString> photoCodeValue(int code, QStringView format, const engine::Table& table,
                                      const PhotoFields& fields, QDate today);

}  // namespace zb::items
