#include "imaging/graphic_kind.h"

#include "imaging/image_library.h"

#include <QFileInfo>

namespace zb {

int GraphicKindOfName(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toUpper();
    if (ext == u"JPG" || ext == u"JPEG")
        return kKindJpeg;
    if (ext == u"BMP" || ext == u"DIB")
        return kKindBmp;
    if (ext == u"PNG")
        return kKindPng;
    if (ext == u"TIF" || ext == u"TIFF")
        return kKindTiff;
    if (ext == u"FPX")
        return kKindFpx;
    if (ext == u"PCX")
        return kKindPcx;
    if (ext == u"WMF" || ext == u"EMF")
        return kKindMetafile;
    if (ext == u"ICO")
        return kKindIcon;
    if (ext == u"GIF")
        return kKindGif;
    if (ext == u"HEIC" || ext == u"HEIF")
        return kKindHeif;
    return kKindUnsupported;
}

int GraphicKindOf(const QString& path)
{
    const int kind = GraphicKindOfName(path);
    if (kind == kKindTiff || kind == kKindGif)
        return ImageLibraryCanRead(path) ? kind : kKindUnreadable;
    return kind;
}

QString ImportFileMask()
{
    QString mask = QStringLiteral("*.JPG;*.JPEG;") + QStringLiteral("*.BMP;*.DIB;") + QStringLiteral("*.PNG;") +
                   QStringLiteral("*.TIF;*.TIFF;") + QStringLiteral("*.FPX;") + QStringLiteral("*.PCX;") +
                   QStringLiteral("*.WMF;*.EMF;") + QStringLiteral("*.ICO;") + QStringLiteral("*.GIF;") +
                   QStringLiteral("*.HEIC;*.HEIF;");
    mask.chop(1);
    return mask;
}

}  // namespace zb
