#pragma once
// Quarter turns of a JPEG done on its DCT coefficients: no decoding and no
// loss, so four turns give back the very pixels. A turn is of the picture as
// it is shown, upright by its EXIF Orientation. The EXIF block is kept (its
// date matters) with its Orientation set to 1 and its embedded thumbnail
// dropped, so that no viewer turns the picture a second time.
#include <QByteArray>
#include <QString>
#include <optional>

namespace zb {

class Messages;

// The JPEG turned clockwise by r quarter turns (1, 2, 3). Nothing when the
// picture's size is not a whole number of blocks in the turned direction (an
// edge block would be lost) or the bytes are not a JPEG the transformer reads.
std::optional<QByteArray> RotateJpegLossless(const QByteArray& jpeg, int r);

// The JPEG with its pixels upright and Orientation 1: the same bytes when it is
// upright already, turned on its coefficients when the blocks allow, else
// decoded and written anew at the default quality. Nothing when it does not
// decode.
std::optional<QByteArray> UprightJpeg(const QByteArray& jpeg, Messages& messages);
// The JPEG file rewritten upright in place (the same steps). A file already
// upright, or not a JPEG, is left alone; false only when the file could not
// be read or rewritten, with the reason in *error.
bool MakeJpegFileUpright(const QString& path, Messages& messages, QString* error = nullptr);

// The EXIF APP1 segment of the JPEG made safe after a turn: Orientation 1 and
// no link to the thumbnail directory. Other bytes are left as they are.
void ResetExifOrientation(QByteArray& jpeg);

}  // namespace zb
