#pragma once
// Metafiles (WMF and EMF) and icons drawn into a working bitmap at their
// natural size. The stored metafile bytes never change; only their rendering
// does. EMF is played through libemf2svg, WMF through libwmf, both into SVG
// that Qt draws.
#include <QByteArray>
#include <QImage>
#include <QString>

namespace zb {

class Messages;

enum class MetafileType { None, Wmf, Emf };

// Which metafile the bytes hold, from their header.
MetafileType MetafileTypeOf(const QByteArray& data);

// The metafile drawn on white at its natural size, or a null image when it
// cannot be played or would exceed the pixel limit.
QImage RenderMetafile(const QByteArray& data);

// The metafile played into SVG text (for consumers that take vector
// pictures); empty when it cannot be played.
QByteArray MetafileToSvg(const QByteArray& data);

// Draws a picture source into a new working bitmap of its natural size.
// Kind 20: the bytes are a metafile. Kind 30: an icon, or any bitmap the
// readers know when the bytes are not an icon. Any failure shows
// "画像ファイルの変換に失敗しました。" and returns false.
bool RenderGraphic(QImage& bitmap, const QByteArray& source, int kind, Messages& messages);
// The same for a file, its kind taken from its extension.
bool RenderGraphicFile(QImage& bitmap, const QString& path, Messages& messages);

inline const QString kRenderFailedText = QStringLiteral("画像ファイルの変換に失敗しました。");

// A metafile of the given type that shows the bitmap at its size (one
// stretched device-independent bitmap record). Used when a picture must be
// written as the other metafile type than it was stored in.
QByteArray WrapBitmapAsMetafile(const QImage& bitmap, MetafileType type);

}  // namespace zb
