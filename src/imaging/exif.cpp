#include "imaging/exif.h"

#include "core/sjis.h"
#include "imaging/heif.h"

#include <QDate>
#include <QFile>
#include <QtEndian>

#include <cstring>
#include <set>

namespace zb {

namespace {

// Directories followed from one another (IFD0 and the Exif IFD); anything
// deeper is damage or a loop.
constexpr int kMaxDepth = 4;

constexpr quint16 kTagDateTime = 0x0132;
constexpr quint16 kTagDateTimeOriginal = 0x9003;
constexpr quint16 kTagDateTimeDigitized = 0x9004;
constexpr quint16 kTagOrientation = 0x0112;
constexpr quint16 kTagFilmNumber = 0x920C;
constexpr quint16 kTagFrameNumber = 0x920D;
constexpr quint16 kTagExifIfd = 0x8769;
constexpr quint16 kTagCompression = 0x0103;
constexpr quint16 kTagThumbOffset = 0x0201;
constexpr quint16 kTagThumbLength = 0x0202;
constexpr quint16 kTypeShort = 3;

constexpr uchar kMarkerSos = 0xDA;
constexpr uchar kMarkerEoi = 0xD9;
constexpr uchar kMarkerApp1 = 0xE1;

// A bounds-checked view of the TIFF block (the Exif segment's payload after
// "Exif\0\0") in the block's byte order. Offsets count from its first byte.
class Block {
public:
    Block(const QByteArray& data, ExifBlockSpan span)
        : d_(reinterpret_cast<const uchar*>(data.constData()) + span.offset), size_(span.size)
    {
        // II is little-endian; anything else is taken as big-endian.
        little_ = size_ >= 2 && d_[0] == 'I' && d_[1] == 'I';
    }

    bool has(qint64 at, qint64 n) const { return at >= 0 && n >= 0 && at <= size_ && n <= size_ - at; }
    std::optional<quint16> u16(qint64 at) const
    {
        if (!has(at, 2))
            return std::nullopt;
        return little_ ? qFromLittleEndian<quint16>(d_ + at) : qFromBigEndian<quint16>(d_ + at);
    }
    std::optional<quint32> u32(qint64 at) const
    {
        if (!has(at, 4))
            return std::nullopt;
        return little_ ? qFromLittleEndian<quint32>(d_ + at) : qFromBigEndian<quint32>(d_ + at);
    }
    const uchar* at(qint64 pos) const { return d_ + pos; }

    // The offset of the first IFD, from the header.
    std::optional<quint32> firstIfd() const { return u32(4); }

    // The position of an IFD's entry count, when the count and every entry lie
    // inside the block.
    std::optional<qint64> ifd(quint32 offset) const
    {
        const qint64 pos = qint64(offset);
        const auto count = u16(pos);
        if (!count || !has(pos + 2, qint64(*count) * 12))
            return std::nullopt;
        return pos;
    }

private:
    const uchar* d_;
    qint64 size_;
    bool little_ = true;
};

// An ASCII value: count - 1 characters (the closing zero dropped), inside the
// entry when it fits in four bytes, else at the offset the entry holds.
std::optional<QString> asciiValue(const Block& b, qint64 entry)
{
    const auto count = b.u32(entry + 4);
    if (!count)
        return std::nullopt;
    if (*count == 0)
        return QString();
    qint64 pos = entry + 8;
    if (*count > 4) {
        const auto offset = b.u32(entry + 8);
        if (!offset)
            return std::nullopt;
        pos = qint64(*offset);
    }
    if (!b.has(pos, *count))
        return std::nullopt;
    QByteArray bytes(reinterpret_cast<const char*>(b.at(pos)), qsizetype(*count - 1));
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return sjis::decode(bytes).left(kExifTextMax);
}

// A SHORT value stands in the first two bytes of the value field; other
// types are read as a 32-bit number.
quint32 numberValue(const Block& b, qint64 entry)
{
    if (*b.u16(entry + 2) == kTypeShort)
        return *b.u16(entry + 8);
    return *b.u32(entry + 8);
}

// The texts found while walking the directories.
struct Found {
    QString dateTime, original, digitized;
    ExifInfo info;
};

bool readIfd(const Block& b, quint32 offset, int depth, std::set<quint32>& seen, Found& found)
{
    if (depth > kMaxDepth || !seen.insert(offset).second)
        return false;
    const auto pos = b.ifd(offset);
    if (!pos)
        return false;
    const int count = *b.u16(*pos);
    for (int i = 0; i < count; ++i) {
        const qint64 entry = *pos + 2 + qint64(i) * 12;
        const quint16 tag = *b.u16(entry);
        QString* target = nullptr;
        switch (tag) {
        case kTagDateTime: target = &found.dateTime; break;
        case kTagDateTimeOriginal: target = &found.original; break;
        case kTagDateTimeDigitized: target = &found.digitized; break;
        case kTagFilmNumber: target = &found.info.filmNumber; break;
        case kTagFrameNumber: target = &found.info.frameNumber; break;
        default: break;
        }
        if (target) {
            const auto text = asciiValue(b, entry);
            if (!text)
                return false;
            *target = *text;
        } else if (tag == kTagOrientation && depth == 0) {
            found.info.orientation = orientationFromTag(int(numberValue(b, entry)));
        } else if (tag == kTagExifIfd) {
            if (!readIfd(b, *b.u32(entry + 8), depth + 1, seen, found))
                return false;
        }
    }
    return true;
}

// A date text is valid when it starts with a real calendar date written as
// four, two and two digits with one separator between them.
bool validDate(const QString& text)
{
    if (text.size() < 10)
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!text[i].isDigit() || text[i].unicode() > '9')
            return false;
    return QDate(text.left(4).toInt(), text.mid(5, 2).toInt(), text.mid(8, 2).toInt()).isValid();
}

// Calls fn with the file's bytes: memory-mapped when possible, so that only
// the pages the walk touches are read from a large camera file.
template <typename Fn>
auto withFileBytes(const QString& path, Fn fn) -> decltype(fn(QByteArray()))
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    if (file.size() > 0) {
        if (const uchar* mapped = file.map(0, file.size()))
            return fn(QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(file.size())));
    }
    return fn(file.readAll());
}

}  // namespace

std::optional<ExifBlockSpan> FindExifBlock(const QByteArray& jpeg)
{
    const auto* d = reinterpret_cast<const uchar*>(jpeg.constData());
    const qsizetype n = jpeg.size();
    if (n < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return std::nullopt;
    qsizetype pos = 2;
    // Each step moves on by at least one byte, so the walk ends.
    while (pos + 2 <= n && d[pos] == 0xFF) {
        const uchar marker = d[pos + 1];
        if (marker == 0xFF) {  // fill byte before a marker
            ++pos;
            continue;
        }
        if (marker == kMarkerSos || marker == kMarkerEoi)
            return std::nullopt;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {  // markers without a length
            pos += 2;
            continue;
        }
        if (pos + 4 > n)
            return std::nullopt;
        const qsizetype length = qsizetype(d[pos + 2]) << 8 | d[pos + 3];
        if (length < 2 || length > n - pos - 2)
            return std::nullopt;
        const uchar* body = d + pos + 4;
        const qsizetype bodySize = length - 2;
        if (marker == kMarkerApp1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0)
            return ExifBlockSpan{pos + 4 + 6, bodySize - 6};
        pos += 2 + length;
    }
    return std::nullopt;
}

namespace {

// The values of the TIFF block at `span` inside `data`.
std::optional<ExifInfo> readTiff(const QByteArray& data, ExifBlockSpan span)
{
    if (span.size < 8)
        return std::nullopt;
    const Block b(data, span);
    Found found;
    std::set<quint32> seen;
    if (!readIfd(b, *b.firstIfd(), 0, seen, found))
        return std::nullopt;
    if (validDate(found.original))
        found.info.dateTime = found.original;
    else if (validDate(found.digitized))
        found.info.dateTime = found.digitized;
    else
        found.info.dateTime = found.dateTime;
    return found.info;
}

}  // namespace

std::optional<ExifInfo> ReadExifData(const QByteArray& data)
{
    const auto span = FindExifBlock(data);
    if (!span)
        return std::nullopt;
    return readTiff(data, *span);
}

Orientation ExifOrientationOf(const QByteArray& jpeg)
{
    const auto span = FindExifBlock(jpeg);
    if (!span || span->size < 8)
        return Orientation::TopLeft;
    const Block b(jpeg, *span);
    const auto ifd0 = b.ifd(*b.firstIfd());
    if (!ifd0)
        return Orientation::TopLeft;
    const int count = *b.u16(*ifd0);
    for (int i = 0; i < count; ++i) {
        const qint64 entry = *ifd0 + 2 + qint64(i) * 12;
        if (*b.u16(entry) == kTagOrientation)
            return orientationFromTag(int(numberValue(b, entry)));
    }
    return Orientation::TopLeft;
}

std::optional<QByteArray> ExifThumbnailData(const QByteArray& data, int requestedSize)
{
    if (requestedSize < 0 || requestedSize > kExifThumbnailMaxSize)
        return std::nullopt;
    const auto span = FindExifBlock(data);
    if (!span || span->size < 8)
        return std::nullopt;
    const Block b(data, *span);
    const auto first = b.firstIfd();
    const auto ifd0 = b.ifd(*first);
    if (!ifd0)
        return std::nullopt;
    const auto next = b.u32(*ifd0 + 2 + qint64(*b.u16(*ifd0)) * 12);
    if (!next || *next == 0 || *next == *first)
        return std::nullopt;
    const auto ifd1 = b.ifd(*next);
    if (!ifd1)
        return std::nullopt;
    quint32 compression = 0, offset = 0, length = 0;
    const int count = *b.u16(*ifd1);
    for (int i = 0; i < count; ++i) {
        const qint64 entry = *ifd1 + 2 + qint64(i) * 12;
        const quint16 tag = *b.u16(entry);
        if (tag == kTagCompression)
            compression = numberValue(b, entry);
        else if (tag == kTagThumbOffset)
            offset = numberValue(b, entry);
        else if (tag == kTagThumbLength)
            length = numberValue(b, entry);
    }
    if (compression != 6 || offset == 0 || length == 0)
        return std::nullopt;
    const qint64 pos = qint64(offset);
    if (!b.has(pos, length) || length < 2 || b.at(pos)[0] != 0xFF || b.at(pos)[1] != 0xD8)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(b.at(pos)), qsizetype(length));
}

std::optional<ExifInfo> ReadExif(const QString& path)
{
    return withFileBytes(path, [](const QByteArray& d) -> std::optional<ExifInfo> {
        if (LooksLikeHeif(d)) {
            // A phone's HEIC file keeps the same block among its metadata.
            const std::optional<QByteArray> tiff = HeifExifTiff(d);
            if (!tiff)
                return std::nullopt;
            return readTiff(*tiff, ExifBlockSpan{0, tiff->size()});
        }
        return ReadExifData(d);
    });
}

Orientation ExifOrientation(const QString& path)
{
    const auto found = withFileBytes(path, [](const QByteArray& d) { return std::optional(ExifOrientationOf(d)); });
    return found.value_or(Orientation::TopLeft);
}

std::optional<QByteArray> ExifThumbnail(const QString& path, int requestedSize)
{
    if (requestedSize < 0 || requestedSize > kExifThumbnailMaxSize)
        return std::nullopt;
    // The thumbnail is copied out before the mapping goes away.
    return withFileBytes(path, [&](const QByteArray& d) { return ExifThumbnailData(d, requestedSize); });
}

}  // namespace zb
