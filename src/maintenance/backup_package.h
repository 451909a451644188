#pragma once
// The backup package <name>.ZBB: one job in one file, little-endian, packed.
//
//   JobHeader (1817 bytes) | hierarchy stream | N (int32) | M (int32)
//   N x (BackupPhotoRecord (3284 bytes), THUMBNAIL, ALBUM?, IMAGE_ORG, IMAGE_NOW?)
//   M x (BackupAlbumHeader (264 bytes), the album file's bytes)
//   [extra values: see BackupExtra]
//
// A picture whose length is 0 has no bytes in the file. The reader below
// trusts nothing: every count and length is held against what is left of the
// file before anything is read or allocated.
#include "core/record.h"
#include "store/tree_file.h"

#include <QByteArray>
#include <QDateTime>
#include <QIODevice>
#include <QString>
#include <array>

namespace zb {

inline constexpr int kBackupPhotoRecordSize = 3284;
inline constexpr int kBackupAlbumHeaderSize = 264;
inline constexpr int kAlbumNameRoom = 255;

// Text fields of a photo entry, in the order of the record.
enum BackupText {
    BT_FILENAME, BT_BIKOU_A, BT_TITLE, BT_YOBI1, BT_YOBI2, BT_YOBI3, BT_KASYO, BT_BIKOU_B, BT_DATE, BT_NEGANUM,
    BT_BIKOU_C, BT_KANRI, BT_BIKOU_D, BT_BIKOU_E, BT_UKEOIBIKOU, BT_HACYUBIKOU, BT_BIKOU1, BT_BIKOU2, BT_BIKOU3,
    kBackupTextCount
};

// Where a text lies in the record: offset of its length byte, its room, and
// the photo table's field name.
struct BackupTextPlace {
    int offset;
    int room;
    const char* field;
};
const std::array<BackupTextPlace, kBackupTextCount>& backupTextPlaces();

inline constexpr int kFlagOffset = 113;
inline constexpr int kFilmNumOffset = 967;

// One photo entry: the record's values and its pictures. A null picture and
// an empty one are both written with length 0.
struct BackupPhoto {
    RECORD record = 0;
    std::array<qint32, 3> drawings{};  // REC_DRA1-3
    quint8 flag = 0;
    qint32 filmNum = 0;
    std::array<QString, kBackupTextCount> texts;
    QByteArray thumbnail, album, imageOrg, imageNow;
};

struct BackupAlbum {
    QString name;  // file name without folder and extension, as stored
    quint32 dosTime = 0;
    QByteArray bytes;
};

// Photo values the record has no room for (DAIHYO, TEISYUTU, HENKAN). They
// follow the last album entry, where a reader of the layout above stops, as
//   "ZBX1" | entry size (int32) | K (int32) | K x entry
//   entry: RECORD, DAIHYO, TEISYUTU, HENKAN (int32 each)
// A reader takes the fields it knows from each entry and skips the rest, so
// later fields can be appended to an entry. Only photos with a value other
// than 0 are listed, and the block is left out when there is none: a package
// without it gives 0 for all three.
struct BackupExtra {
    RECORD record = 0;
    qint32 daihyo = 0, teisyutu = 0, henkan = 0;
    bool isZero() const { return daihyo == 0 && teisyutu == 0 && henkan == 0; }
};
inline constexpr char kBackupExtraMarker[] = "ZBX1";
inline constexpr int kBackupExtraEntrySize = 16;

// The block of extra values; empty when every entry is zero (or there are none).
QByteArray encodeExtras(const QList<BackupExtra>& extras);

// The 3284 bytes of a photo entry's record, lengths taken from its pictures.
// Texts are cut to their rooms at a character boundary; bytes after a text are
// zero.
QByteArray encodePhotoRecord(const BackupPhoto& photo);
// The 264 bytes of an album entry's header.
QByteArray encodeAlbumHeader(const BackupAlbum& album);

// An album name from a package, made safe to join to the ALBUM folder: a name
// with a folder separator, "..", a control character or a character not
// allowed in file names goes through the job-name rule. Empty when nothing
// usable is left (the entry is then skipped).
QString safeAlbumName(const QString& stored);

// DOS date and time (date in the high 16 bits) of a local time; times before
// 1980 give 1980-01-01 00:00.
quint32 toDosDateTime(const QDateTime& t);
QDateTime fromDosDateTime(quint32 dos);

// Reads a package entry by entry from a device. Every method returns false
// when the package is short, announces more than it holds or is otherwise
// malformed; error() then says what was wrong, and nothing more can be read.
class BackupReader {
public:
    explicit BackupReader(QIODevice& in);

    // The header, the hierarchy and the two counts.
    bool readHead();
    const JobHeader& header() const { return header_; }
    const Hierarchy& folders() const { return folders_; }
    qint32 photoCount() const { return photoCount_; }
    qint32 albumCount() const { return albumCount_; }

    // The next photo entry (photoCount() of them), then the album entries.
    bool readPhoto(BackupPhoto& photo);
    bool readAlbum(BackupAlbum& album);
    // After the last album entry: the extra values, empty when the package
    // ends there or what follows does not begin with the block's marker.
    // False when the block is cut short or announces more than it holds.
    bool readExtras(QList<BackupExtra>& extras);

    QString error() const { return error_; }

private:
    bool fail(const QString& why);
    bool take(qint64 n, QByteArray& out);
    qint64 remaining() const;

    QIODevice& in_;
    JobHeader header_;
    Hierarchy folders_;
    qint32 photoCount_ = 0;
    qint32 albumCount_ = 0;
    qint32 photosRead_ = 0;
    qint32 albumsRead_ = 0;
    QString error_;
};

}  // namespace zb
