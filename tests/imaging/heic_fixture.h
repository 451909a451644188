#pragma once
// HEIC files made in the tests the way phones make them, with libheif's own
// encoder (x265): the picture stored as the sensor saw it, irot/imir boxes for
// its orientation, and an Exif block that says the same orientation.
#include <QByteArray>
#include <QImage>

namespace zbtest {

// True when this machine's libheif can encode HEVC (the tests that need it
// are skipped otherwise, saying why).
bool canEncodeHeic();

// A HEIC file of the stored picture with the given Exif orientation (1-8)
// written as irot/imir, and the TIFF block `exifTiff` (none when empty).
QByteArray makeHeic(const QImage& stored, int orientation, const QByteArray& exifTiff);

// The TIFF block of an Exif as a phone writes it: Orientation, DateTime and,
// in the Exif IFD, DateTimeOriginal.
QByteArray phoneExifTiff(int orientation, const QByteArray& original, const QByteArray& changed);

}  // namespace zbtest
