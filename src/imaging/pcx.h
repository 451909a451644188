#pragma once
// PCX pictures (ZSoft, run-length encoded): a reader for the usual layouts
// (1-bit mono, 4-plane 16-colour, 8-bit palette, 8-bit grey, 24-bit as three
// planes, 32-bit as four) and a writer of 24-bit files.
#include <QByteArray>
#include <QImage>

namespace zb {

// The picture in `data` as a working bitmap; null when the data is not a PCX
// picture the reader knows, is damaged or truncated, or exceeds the pixel limit.
QImage DecodePcx(const QByteArray& data);

// A 24-bit, three-plane, run-length encoded PCX file image of the picture.
// Empty for a null image.
QByteArray EncodePcx(const QImage& image);

}  // namespace zb
