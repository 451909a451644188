#include "imaging/exif.h"

#include "core/sjis.h"

#include <QFile>
#include <QtEndian>

#include <set>

namespace zb {

namespace {

constexpr qint64 kTiffStart = 12;
// Directories followed from one another (IFD0 and the Exif IFD); anything
// deeper is damage or a loop.
constexpr int kMaxDepth = 4;

constexpr quint16 kTagDateTime = 0x0132;
constexpr quint16 kTagFilmNumber = 0x920C;
constexpr quint16 kTagFrameNumber = 0x920D;
constexpr quint16 kTagExifIfd = 0x8769;
constexpr quint16 kTagCompression = 0x0103;
constexpr quint16 kTagThumbOffset = 0x0201;
constexpr quint16 kTagThumbLength = 0x0202;
constexpr quint16 kTypeShort = 3;

// A bounds-checked view of the file's bytes in the block's byte order.
class Block {
public:
    explicit Block(const QByteArray& data) : d_(reinterpret_cast<const uchar*>(data.constData())), size_(data.size()) {}

    bool startsRight() const
    {
        return size_ >= kTiffStart + 8 && d_[0] == 0xFF && d_[1] == 0xD8 && d_[2] == 0xFF && d_[3] == 0xE1;
    }
    void readOrder() { little_ = d_[kTiffStart] == 'I' && d_[kTiffStart + 1] == 'I'; }

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

    // The position of an IFD's entry count from an offset inside the block,
    // when the count and every entry lie inside the data.
    std::optional<qint64> ifd(quint32 offset) const
    {
        const qint64 pos = kTiffStart + qint64(offset);
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
        pos = kTiffStart + qint64(*offset);
    }
    if (!b.has(pos, *count))
        return std::nullopt;
    QByteArray bytes(reinterpret_cast<const char*>(b.at(pos)), qsizetype(*count - 1));
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return sjis::decode(bytes).left(kExifTextMax);
}

bool readIfd(const Block& b, quint32 offset, int depth, std::set<quint32>& seen, ExifInfo& info)
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
        if (tag == kTagDateTime)
            target = &info.dateTime;
        else if (tag == kTagFilmNumber)
            target = &info.filmNumber;
        else if (tag == kTagFrameNumber)
            target = &info.frameNumber;
        if (target) {
            const auto text = asciiValue(b, entry);
            if (!text)
                return false;
            *target = *text;
        } else if (tag == kTagExifIfd) {
            if (!readIfd(b, *b.u32(entry + 8), depth + 1, seen, info))
                return false;
        }
    }
    return true;
}

// A SHORT value stands in the first two bytes of the value field; other
// types are read as a 32-bit number.
quint32 numberValue(const Block& b, qint64 entry)
{
    if (*b.u16(entry + 2) == kTypeShort)
        return *b.u16(entry + 8);
    return *b.u32(entry + 8);
}

// Calls fn with the file's bytes: memory-mapped when possible, so that only
// the pages the walk touches are read from a large camera file.
template <typename Fn>
auto withFileBytes(const QString& path, Fn fn) -> decltype(fn(QByteArray()))
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    if (file.size() > 0) {
        if (const uchar* mapped = file.map(0, file.size()))
            return fn(QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), qsizetype(file.size())));
    }
    return fn(file.readAll());
}

}  // namespace

std::optional<ExifInfo> ReadExifData(const QByteArray& data)
{
    Block b(data);
    if (!b.startsRight())
        return std::nullopt;
    b.readOrder();
    const auto first = b.u32(kTiffStart + 4);
    if (!first)
        return std::nullopt;
    ExifInfo info;
    std::set<quint32> seen;
    if (!readIfd(b, *first, 0, seen, info))
        return std::nullopt;
    return info;
}

std::optional<QByteArray> ExifThumbnailData(const QByteArray& data, int requestedSize)
{
    if (requestedSize < 0 || requestedSize > kExifThumbnailMaxSize)
        return std::nullopt;
    Block b(data);
    if (!b.startsRight())
        return std::nullopt;
    b.readOrder();
    const auto first = b.u32(kTiffStart + 4);
    if (!first)
        return std::nullopt;
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
    const qint64 pos = kTiffStart + qint64(offset);
    if (!b.has(pos, length) || length < 2 || b.at(pos)[0] != 0xFF || b.at(pos)[1] != 0xD8)
        return std::nullopt;
    return QByteArray(reinterpret_cast<const char*>(b.at(pos)), qsizetype(length));
}

std::optional<ExifInfo> ReadExif(const QString& path)
{
    return withFileBytes(path, [](const QByteArray& d) { return ReadExifData(d); });
}

std::optional<QByteArray> ExifThumbnail(const QString& path, int requestedSize)
{
    if (requestedSize < 0 || requestedSize > kExifThumbnailMaxSize)
        return std::nullopt;
    // The thumbnail is copied out before the mapping goes away.
    return withFileBytes(path, [&](const QByteArray& d) { return ExifThumbnailData(d, requestedSize); });
}

}  // namespace zb
