#pragma once
// PHOTO.XML of a delivery model, one writer per layout: the head (prolog and
// 基礎情報, with the draft's 工事情報), one 写真情報 group per photo, and the
// tail. Shift_JIS with CR LF; values escaped with the five references.
#include "delivery/delivery_model.h"

#include <QByteArray>
#include <memory>

namespace zb {

// PHOTO05.DTD as shipped with the program (Shift_JIS, CR LF).
QByteArray photo05Dtd();

class DeliveryXmlWriter {
public:
    virtual ~DeliveryXmlWriter() = default;
    // Everything before the first photo group.
    virtual QByteArray head(const DeliverySet& set) const = 0;
    // Appends the photo's group.
    virtual void photo(QByteArray& out, const DeliveryPhoto& photo) const = 0;
    // The closing line.
    QByteArray tail() const { return "</photodata>\r\n"; }
    // The name of the DTD file beside PHOTO.XML.
    virtual QString dtdName() const = 0;
};

// The writer of a layout.
std::unique_ptr<DeliveryXmlWriter> deliveryXmlWriter(DeliveryLayout layout);

// The whole PHOTO.XML of a set.
QByteArray deliveryXml(const DeliverySet& set);

}  // namespace zb
