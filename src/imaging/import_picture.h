#pragma once
// The picture fields of a new imported row, reached without the photo table's
// header (which has a CurrentPicture of its own).
#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>

namespace zb {

class Messages;

struct NewRowPicture {
    QByteArray imageOrg;
    int graFlag = 0;
    QByteArray thumbnail;
};

// The file's picture as the import stores it; nothing (after the read error
// message) when the file cannot be read or turned into a picture.
std::optional<NewRowPicture> pictureForNewRow(const QString& path, int kind, bool compressedJob, Messages& messages);
// The clipboard's picture: an enhanced metafile kept as it is, else the bitmap
// as JPEG quality 90. Nothing (after the read error message) when neither works.
std::optional<NewRowPicture> clipboardPictureForNewRow(const QByteArray& metafile, const QImage& bitmap,
                                                       Messages& messages);
// "ファイル読み込み中にエラーが発生しました。…>" + path
QString importReadError(const QString& path);

}  // namespace zb
