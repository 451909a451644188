#pragma once
// The formats shipped in FORMFILE/, made by our own code: the initial format
// "A4縦3連A" (A4 portrait, three photos), an A4 portrait two-photo format, an A4
// landscape two-photo format and a cover format.
#include "album/document_file.h"

#include <QList>
#include <QString>

namespace zb::album {

struct ShippedFormat {
    QString fileName;   // "A4縦3連A.ZBF"
    QString title;
    qint32 paperCode = 9;
    quint8 orientation = 0;
    Page page;
};
QList<ShippedFormat> shippedFormats();

// Writes every shipped format into the folder (created when missing) through
// the document writer, preview included; false with the failing name in *error.
bool writeShippedFormats(const QString& folder, QString* error = nullptr);

}  // namespace zb::album
