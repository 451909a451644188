#pragma once
// Quarter turns of a JPEG done on its DCT coefficients: no decoding and no
// loss, so four turns give back the very pixels. The EXIF block is kept (its
// date matters) with its Orientation set to 1 and its embedded thumbnail
// dropped, so that no viewer turns the picture a second time.
#include <QByteArray>
#include <optional>

namespace zb {

// The JPEG turned clockwise by r quarter turns (1, 2, 3). Nothing when the
// picture's size is not a whole number of blocks in the turned direction (an
// edge block would be lost) or the bytes are not a JPEG the transformer reads.
std::optional<QByteArray> RotateJpegLossless(const QByteArray& jpeg, int r);

// The EXIF APP1 segment of the JPEG made safe after a turn: Orientation 1 and
// no link to the thumbnail directory. Other bytes are left as they are.
void ResetExifOrientation(QByteArray& jpeg);

}  // namespace zb
