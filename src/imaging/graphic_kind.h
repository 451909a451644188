#pragma once
// Picture kind codes and the kind of a file, decided from its extension (and,
// for TIFF and GIF, from whether the reader can open it).
#include <QString>

namespace zb {

enum GraphicKind : int {
    kKindUnreadable = -2,   // TIFF or GIF name, but the file is missing or not recognised
    kKindUnsupported = -1,
    kKindJpeg = 0,
    kKindBmp = 1,           // .BMP and .DIB
    kKindPng = 2,
    kKindTiff = 3,
    kKindFpx = 4,
    kKindPcx = 5,
    kKindMetafile = 20,     // .WMF and .EMF
    kKindIcon = 30,
    kKindGif = 40,
    kKindHeif = 50,         // .HEIC and .HEIF: stored converted to JPEG
    kKindClipboard = 100,
};

// The kind of the file at `path`. Only TIFF and GIF names make it look at the
// file; every other kind comes from the name alone.
int GraphicKindOf(const QString& path);

// The kind from the name alone (TIFF and GIF unchecked).
int GraphicKindOfName(const QString& path);

// The mask every picture-choosing dialog offers:
// "*.JPG;*.JPEG;*.BMP;*.DIB;*.PNG;*.TIF;*.TIFF;*.FPX;*.PCX;*.WMF;*.EMF;*.ICO;*.GIF;*.HEIC;*.HEIF"
QString ImportFileMask();

}  // namespace zb
