#pragma once
// What the electronic delivery and the HTML album share: the walk over the
// filed photos with their folder captions, the text fields of the photo rows
// read in one scan, the delivery file names, and writing a row's picture.
#include "core/record.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>

namespace zb {

class Messages;

// One photo of a filed folder, in walk order: folders depth first (parents
// before children, siblings in display order), 未分類 and ごみ箱 left out,
// each folder's photos in its order.
struct FiledPhoto {
    RECORD record = 0;
    int level = 0;                  // level of the folder (0: the construction-photo root)
    std::array<QString, 5> levels;  // captions of the folder and its ancestors at levels 1-5
};
QList<FiledPhoto> filedPhotos(const Hierarchy& folders);

// Names of the classification elements of levels 1 to 5.
const QStringList& levelElementNames();

// The text and number fields of one photo row, as one scan of the table reads them.
struct PhotoRowText {
    RECORD record = 0;
    int flag = 0;
    int filmNumber = 0;
    std::array<RECORD, 3> drawings{};  // REC_DRA1-3
    bool picture = false;              // IMAGE_ORG or IMAGE_NOW holds a picture
    bool edited = false;               // IMAGE_NOW holds a picture
    bool representative = false;       // DAIHYO
    bool frequency = false;            // TEISYUTU
    bool converted = false;            // HENKAN: converted at import
    std::array<QString, kPhotoFieldCount> text;
};
// Every row of the table by RECORD, without touching picture bytes.
QHash<RECORD, PhotoRowText> scanPhotoRows(const engine::Table& table, const PhotoFields& fields);

// Appends the text in Shift_JIS (characters the code page lacks left out),
// with the five XML references when `escape` is set. Escaped text also
// leaves out the control characters XML cannot hold (all below U+0020 but
// TAB, LF and CR), so that a written PHOTO.XML is always well-formed.
void appendSjis(QByteArray& out, QStringView text, bool escape);

// The sorting flag that keeps a photo out of every export.
inline constexpr int kExcludedFlag = 99;
// The highest RECORD a five-digit delivery file name holds.
inline constexpr RECORD kMaxDraftRecord = 99999;

// "PIC" / "DRA" + RECORD in five digits + ".JPG".
QString deliveryFileName(const QString& prefix, RECORD record);
// A size taken up to the next multiple of 32768 bytes.
qint64 roundToCluster(qint64 size);

// Writes the picture of the table's current row into a new file at `target`
// (an existing file is never replaced): an external picture (both picture
// fields null) is copied from FILENAME when that file exists; otherwise the
// imported picture when `original`, else the current one; an imported
// metafile is rendered and written as JPEG of `quality`. Returns the bytes
// written (0 when nothing was), -1 on a failure with the reason in *error.
qint64 writeRowPicture(const engine::Table& table, const PhotoFields& fields, bool original, int quality,
                       const QString& target, Messages& messages, QString* error);

// Writes bytes into a new file; false with the reason when the file exists or
// cannot be written whole (a partly written file is removed).
bool writeNewFile(const QString& path, const QByteArray& bytes, QString* error);
// Copies a file into a new file the same way.
bool copyToNewFile(const QString& from, const QString& to, QString* error);

}  // namespace zb
