#include "maintenance/backup_package.h"

#include "core/sjis.h"
#include "core/text.h"

#include <QtEndian>
#include <algorithm>

namespace zb {

namespace {

constexpr int kTreeRecordSize = 52;

void putInt(QByteArray& out, int offset, qint32 v) { qToLittleEndian<qint32>(v, out.data() + offset); }

qint32 getInt(const QByteArray& in, int offset) { return qFromLittleEndian<qint32>(in.constData() + offset); }

void putText(QByteArray& out, int offset, int room, const QString& text)
{
    const QByteArray b = sjis::cutBytes(sjis::toBytes(text), room);
    out[offset] = static_cast<char>(b.size());
    std::copy(b.begin(), b.end(), out.begin() + offset + 1);
}

// A length byte beyond the room is held to the room.
QString getText(const QByteArray& in, int offset, int room)
{
    const int len = std::min<int>(static_cast<unsigned char>(in[offset]), room);
    return sjis::decode(QByteArrayView(in).sliced(offset + 1, len));
}

}  // namespace

const std::array<BackupTextPlace, kBackupTextCount>& backupTextPlaces()
{
    static const std::array<BackupTextPlace, kBackupTextCount> places = {{
        {32, 80, "FILENAME"},    {114, 255, "BIKOU_A"},    {370, 80, "TITLE"},       {451, 40, "YOBI1"},
        {492, 40, "YOBI2"},      {533, 40, "YOBI3"},       {574, 127, "KASYO"},      {702, 255, "BIKOU_B"},
        {958, 8, "DATE"},        {971, 8, "NEGANUM"},      {980, 255, "BIKOU_C"},    {1236, 255, "KANRI"},
        {1492, 255, "BIKOU_D"},  {1748, 255, "BIKOU_E"},   {2004, 255, "UKEOIBIKOU"}, {2260, 255, "HACYUBIKOU"},
        {2516, 255, "BIKOU1"},   {2772, 255, "BIKOU2"},    {3028, 255, "BIKOU3"},
    }};
    return places;
}

QByteArray encodePhotoRecord(const BackupPhoto& p)
{
    QByteArray out(kBackupPhotoRecordSize, '\0');
    putInt(out, 0, p.record);
    for (int i = 0; i < 3; ++i)
        putInt(out, 4 + 4 * i, p.drawings[i]);
    putInt(out, 16, qint32(p.thumbnail.size()));
    putInt(out, 20, qint32(p.album.size()));
    putInt(out, 24, qint32(p.imageOrg.size()));
    putInt(out, 28, qint32(p.imageNow.size()));
    out[kFlagOffset] = static_cast<char>(p.flag);
    putInt(out, kFilmNumOffset, p.filmNum);
    const auto& places = backupTextPlaces();
    for (int i = 0; i < kBackupTextCount; ++i)
        putText(out, places[i].offset, places[i].room, p.texts[i]);
    return out;
}

QByteArray encodeExtras(const QList<BackupExtra>& extras)
{
    QList<const BackupExtra*> listed;
    for (const BackupExtra& e : extras)
        if (!e.isZero())
            listed << &e;
    if (listed.isEmpty())
        return {};
    QByteArray out(12 + listed.size() * kBackupExtraEntrySize, '\0');
    std::copy_n(kBackupExtraMarker, 4, out.begin());
    putInt(out, 4, kBackupExtraEntrySize);
    putInt(out, 8, qint32(listed.size()));
    int at = 12;
    for (const BackupExtra* e : listed) {
        putInt(out, at, e->record);
        putInt(out, at + 4, e->daihyo);
        putInt(out, at + 8, e->teisyutu);
        putInt(out, at + 12, e->henkan);
        at += kBackupExtraEntrySize;
    }
    return out;
}

QByteArray encodeAlbumHeader(const BackupAlbum& a)
{
    QByteArray out(kBackupAlbumHeaderSize, '\0');
    putInt(out, 0, qint32(a.bytes.size()));
    qToLittleEndian<quint32>(a.dosTime, out.data() + 4);
    putText(out, 8, kAlbumNameRoom, a.name);
    return out;
}

quint32 toDosDateTime(const QDateTime& t)
{
    const QDateTime local = t.toLocalTime();
    const QDate d = local.date();
    const QTime tm = local.time();
    if (!local.isValid() || d.year() < 1980)
        return (quint32((0 << 9) | (1 << 5) | 1) << 16);
    const int year = std::min(d.year() - 1980, 127);
    const quint32 date = quint32((year << 9) | (d.month() << 5) | d.day());
    const quint32 time = quint32((tm.hour() << 11) | (tm.minute() << 5) | (tm.second() / 2));
    return (date << 16) | time;
}

QDateTime fromDosDateTime(quint32 dos)
{
    const int date = int(dos >> 16), time = int(dos & 0xFFFF);
    const QDate d(1980 + (date >> 9), std::max(1, (date >> 5) & 15), std::max(1, date & 31));
    const QTime tm(std::min(23, time >> 11), std::min(59, (time >> 5) & 63), std::min(59, (time & 31) * 2));
    if (!d.isValid() || !tm.isValid())
        return {};
    return QDateTime(d, tm);
}

QString safeAlbumName(const QString& stored)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    bool clean = !stored.contains(QStringLiteral(".."));
    for (QChar c : stored)
        if (c.unicode() < 0x20 || forbidden.contains(c))
            clean = false;
    QString name = stored;
    if (!clean) {
        name = applyNameRule(stored);
        name.removeIf([](QChar c) { return c.unicode() < 0x20; });
    }
    // No hidden file and no name of dots only.
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    return name.trimmed();
}

// --- reading ---

BackupReader::BackupReader(QIODevice& in) : in_(in) {}

bool BackupReader::fail(const QString& why)
{
    if (error_.isEmpty())
        error_ = why;
    return false;
}

qint64 BackupReader::remaining() const { return std::max<qint64>(0, in_.size() - in_.pos()); }

bool BackupReader::take(qint64 n, QByteArray& out)
{
    if (n < 0 || n > remaining())
        return fail(QStringLiteral("the package ends before its announced end"));
    out.resize(n);
    if (n > 0 && in_.read(out.data(), n) != n)
        return fail(QStringLiteral("the package cannot be read: ") + in_.errorString());
    return true;
}

bool BackupReader::readHead()
{
    if (!error_.isEmpty())
        return false;
    QByteArray block;
    if (!take(JobHeader::kSize, block))
        return false;
    ReadReport report;
    header_ = decodeHeader(block, &report);
    QByteArray countBytes;
    if (!take(4, countBytes))
        return false;
    const qint32 records = qFromLittleEndian<qint32>(countBytes.constData());
    if (records < 0 || qint64(records) * kTreeRecordSize > remaining())
        return fail(QStringLiteral("the hierarchy announces %1 records").arg(records));
    QByteArray stream;
    if (!take(qint64(records) * kTreeRecordSize, stream))
        return false;
    folders_ = decodeHierarchy(countBytes + stream, &report);
    QByteArray counts;
    if (!take(8, counts))
        return false;
    photoCount_ = getInt(counts, 0);
    albumCount_ = getInt(counts, 4);
    if (photoCount_ < 0 || albumCount_ < 0
        || qint64(photoCount_) * kBackupPhotoRecordSize + qint64(albumCount_) * kBackupAlbumHeaderSize > remaining())
        return fail(QStringLiteral("the package announces %1 photos and %2 albums but is too short for them")
                        .arg(photoCount_)
                        .arg(albumCount_));
    return true;
}

bool BackupReader::readPhoto(BackupPhoto& p)
{
    if (!error_.isEmpty())
        return false;
    if (photosRead_ >= photoCount_)
        return fail(QStringLiteral("no more photo entries"));
    QByteArray rec;
    if (!take(kBackupPhotoRecordSize, rec))
        return false;
    ++photosRead_;
    p = BackupPhoto{};
    p.record = getInt(rec, 0);
    for (int i = 0; i < 3; ++i)
        p.drawings[i] = getInt(rec, 4 + 4 * i);
    const qint32 lengths[4] = {getInt(rec, 16), getInt(rec, 20), getInt(rec, 24), getInt(rec, 28)};
    qint64 total = 0;
    for (qint32 l : lengths) {
        if (l < 0)
            return fail(QStringLiteral("a picture of photo %1 has a negative length").arg(p.record));
        total += l;
    }
    // What the entries still to come need at the least.
    const qint64 after = qint64(photoCount_ - photosRead_) * kBackupPhotoRecordSize
                         + qint64(albumCount_) * kBackupAlbumHeaderSize;
    if (total + after > remaining())
        return fail(QStringLiteral("the pictures of photo %1 run past the end of the package").arg(p.record));
    p.flag = static_cast<quint8>(rec[kFlagOffset]);
    p.filmNum = getInt(rec, kFilmNumOffset);
    const auto& places = backupTextPlaces();
    for (int i = 0; i < kBackupTextCount; ++i)
        p.texts[i] = getText(rec, places[i].offset, places[i].room);
    return take(lengths[0], p.thumbnail) && take(lengths[1], p.album) && take(lengths[2], p.imageOrg)
           && take(lengths[3], p.imageNow);
}

bool BackupReader::readAlbum(BackupAlbum& a)
{
    if (!error_.isEmpty())
        return false;
    if (photosRead_ < photoCount_ || albumsRead_ >= albumCount_)
        return fail(QStringLiteral("no more album entries"));
    QByteArray head;
    if (!take(kBackupAlbumHeaderSize, head))
        return false;
    ++albumsRead_;
    const qint32 length = getInt(head, 0);
    const qint64 after = qint64(albumCount_ - albumsRead_) * kBackupAlbumHeaderSize;
    if (length < 0 || qint64(length) + after > remaining())
        return fail(QStringLiteral("an album file runs past the end of the package"));
    a = BackupAlbum{};
    a.dosTime = qFromLittleEndian<quint32>(head.constData() + 4);
    a.name = getText(head, 8, kAlbumNameRoom);
    return take(length, a.bytes);
}

bool BackupReader::readExtras(QList<BackupExtra>& extras)
{
    extras.clear();
    if (!error_.isEmpty())
        return false;
    if (photosRead_ < photoCount_ || albumsRead_ < albumCount_)
        return fail(QStringLiteral("the extra values come after the album entries"));
    if (remaining() < 4)
        return true;
    QByteArray marker;
    if (!take(4, marker))
        return false;
    if (marker != QByteArrayView(kBackupExtraMarker, 4))
        return true;  // not ours: left alone, as a reader of the older layout does
    QByteArray head;
    if (!take(8, head))
        return false;
    const qint32 entrySize = getInt(head, 0);
    const qint32 count = getInt(head, 4);
    if (entrySize < kBackupExtraEntrySize || count < 0 || qint64(entrySize) * count > remaining())
        return fail(QStringLiteral("the extra values announce %1 entries of %2 bytes").arg(count).arg(entrySize));
    extras.reserve(count);
    QByteArray entry;
    for (qint32 i = 0; i < count; ++i) {
        if (!take(entrySize, entry))
            return false;
        extras.append({getInt(entry, 0), getInt(entry, 4), getInt(entry, 8), getInt(entry, 12)});
    }
    return true;
}

}  // namespace zb
