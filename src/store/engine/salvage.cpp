#include "store/engine/salvage.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace zb::engine {

namespace {

// B-tree page kinds of the file format.
constexpr quint8 kIndexInterior = 2;
constexpr quint8 kTableInterior = 5;
constexpr quint8 kIndexLeaf = 10;
constexpr quint8 kTableLeaf = 13;
// Deeper than any real file (a tree of 64 KiB pages holds the whole
// address space in far fewer levels); stops a loop of child pointers.
constexpr int kMaxDepth = 40;

quint32 be16(const uchar* p) { return quint32(p[0]) << 8 | p[1]; }
quint32 be32(const uchar* p) { return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]; }

// A variable-length integer at p, not reading at or past end. Returns its
// length in bytes, 0 when it runs past end.
int varint(const uchar* p, const uchar* end, qint64& value)
{
    quint64 v = 0;
    for (int i = 0; i < 9; ++i) {
        if (p + i >= end)
            return 0;
        if (i == 8) {
            v = v << 8 | p[i];
            value = qint64(v);
            return 9;
        }
        v = v << 7 | (p[i] & 0x7F);
        if (!(p[i] & 0x80)) {
            value = qint64(v);
            return i + 1;
        }
    }
    return 0;
}

// The columns of a record (header of serial types, then the values).
std::optional<PageReader::Values> decodeRecord(const QByteArray& bytes)
{
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    const uchar* end = p + bytes.size();
    qint64 headerSize = 0;
    int n = varint(p, end, headerSize);
    if (n == 0 || headerSize < n || headerSize > bytes.size())
        return std::nullopt;
    const uchar* types = p + n;
    const uchar* headerEnd = p + headerSize;
    const uchar* body = headerEnd;
    PageReader::Values values;
    while (types < headerEnd) {
        qint64 type = 0;
        const int len = varint(types, headerEnd, type);
        if (len == 0)
            return std::nullopt;
        types += len;
        static constexpr int kIntBytes[] = {0, 1, 2, 3, 4, 6, 8};
        if (type == 0) {
            values << QVariant();
        } else if (type <= 6) {
            const int size = kIntBytes[type];
            if (end - body < size)
                return std::nullopt;
            qint64 v = (body[0] & 0x80) ? -1 : 0;
            for (int i = 0; i < size; ++i)
                v = qint64(quint64(v) << 8 | body[i]);
            body += size;
            values << QVariant(v);
        } else if (type == 7) {
            if (end - body < 8)
                return std::nullopt;
            quint64 bits = 0;
            for (int i = 0; i < 8; ++i)
                bits = bits << 8 | body[i];
            double d;
            std::memcpy(&d, &bits, sizeof d);
            body += 8;
            values << QVariant(d);
        } else if (type == 8 || type == 9) {
            values << QVariant(qint64(type - 8));
        } else if (type >= 12) {
            const qint64 size = (type - 12) / 2;
            if (end - body < size)
                return std::nullopt;
            const char* at = reinterpret_cast<const char*>(body);
            if (type % 2)
                values << QVariant(QString::fromUtf8(at, size));
            else
                values << QVariant(QByteArray(at, size));
            body += size;
        } else {
            return std::nullopt;  // 10 and 11 are never written
        }
    }
    return values;
}

}  // namespace

struct PageReader::Node {
    quint8 type = 0;
    int cells = 0;
    int pointers = 0;    // offset of the cell pointer array
    quint32 right = 0;   // interior pages: the right-most child
    bool interior() const { return type == kIndexInterior || type == kTableInterior; }
};

PageReader::PageReader(const QString& path) : file_(path)
{
    if (!file_.open(QIODevice::ReadOnly))
        return;
    const QByteArray header = file_.read(100);
    if (header.size() < 100 || !header.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return;
    const auto* h = reinterpret_cast<const uchar*>(header.constData());
    quint32 size = be16(h + 16);
    if (size == 1)
        size = 65536;
    if (size < 512 || size > 65536 || (size & (size - 1)) != 0 || h[20] > size - 480)
        return;
    pageSize_ = size;
    usable_ = size - h[20];
    pageCount_ = quint32(std::min<qint64>(file_.size() / size, std::numeric_limits<quint32>::max()));
}

bool PageReader::readPage(quint32 no, QByteArray& page)
{
    if (no < 1 || no > pageCount_ || !file_.seek(qint64(no - 1) * pageSize_))
        return false;
    page = file_.read(pageSize_);
    return page.size() == qsizetype(pageSize_);
}

std::optional<PageReader::Node> PageReader::node(quint32 no, QByteArray& page)
{
    if (!readPage(no, page))
        return std::nullopt;
    const int at = no == 1 ? 100 : 0;
    const auto* p = reinterpret_cast<const uchar*>(page.constData()) + at;
    Node n;
    n.type = p[0];
    if (n.type != kIndexInterior && n.type != kTableInterior && n.type != kIndexLeaf && n.type != kTableLeaf)
        return std::nullopt;
    n.cells = int(be16(p + 3));
    n.pointers = at + (n.interior() ? 12 : 8);
    if (n.interior())
        n.right = be32(p + 8);
    if (n.pointers + 2 * qint64(n.cells) > usable_)
        return std::nullopt;
    return n;
}

// The payload of a cell whose content starts at `at` (after its size and,
// in table leaves, its rowid): the bytes on the page, then the overflow
// chain. nullopt when it leaves the page or the chain breaks.
std::optional<QByteArray> PageReader::payload(const QByteArray& page, int at, qint64 size, bool index)
{
    const qint64 u = usable_;
    const qint64 maxLocal = index ? (u - 12) * 64 / 255 - 23 : u - 35;
    const qint64 minLocal = (u - 12) * 32 / 255 - 23;
    if (size < 0 || size > qint64(pageCount_) * u)
        return std::nullopt;
    qint64 local = size;
    if (size > maxLocal) {
        const qint64 k = minLocal + (size - minLocal) % (u - 4);
        local = k <= maxLocal ? k : minLocal;
    }
    const bool overflows = local < size;
    if (at + local + (overflows ? 4 : 0) > u)
        return std::nullopt;
    QByteArray out;
    out.reserve(size);
    out.append(page.constData() + at, local);
    if (!overflows)
        return out;
    quint32 next = be32(reinterpret_cast<const uchar*>(page.constData()) + at + local);
    QByteArray chain;
    // Each page of the chain is read once at most: a chain that loops is broken.
    for (quint32 hops = 0; out.size() < size; ++hops) {
        if (hops >= pageCount_ || !readPage(next, chain))
            return std::nullopt;
        const auto* c = reinterpret_cast<const uchar*>(chain.constData());
        const qint64 take = std::min<qint64>(size - out.size(), u - 4);
        out.append(chain.constData() + 4, take);
        next = be32(c);
    }
    return out;
}

void PageReader::walk(quint32 no, int depth, bool index, Damage& damage, QSet<quint32>& seen,
                      const std::function<bool(const QByteArray&, int)>& onEntryCell)
{
    QByteArray page;
    std::optional<Node> n;
    if (depth > kMaxDepth || seen.contains(no) || !(n = node(no, page))
        || (index != (n->type == kIndexInterior || n->type == kIndexLeaf))) {
        ++damage.pages;
        return;
    }
    seen.insert(no);
    const auto* p = reinterpret_cast<const uchar*>(page.constData());
    const int firstCell = n->pointers + 2 * n->cells;
    for (int i = 0; i < n->cells; ++i) {
        const int at = int(be16(p + n->pointers + 2 * i));
        if (at < firstCell || at + 4 > int(usable_)) {
            // The cell cannot be found; below an interior page, neither can
            // the child it points to.
            if (n->interior())
                ++damage.pages;
            else
                ++damage.cells;
            continue;
        }
        if (n->interior()) {
            walk(be32(p + at), depth + 1, index, damage, seen, onEntryCell);
            // An interior page of an index holds entries of its own.
            if (index && !onEntryCell(page, at + 4))
                ++damage.cells;
            continue;
        }
        if (!onEntryCell(page, at))
            ++damage.cells;
    }
    if (n->interior())
        walk(n->right, depth + 1, index, damage, seen, onEntryCell);
}

PageReader::Damage PageReader::walkTable(quint32 root, const std::function<void(qint64, const Values&)>& onRow)
{
    Damage damage;
    if (!isOpen())
        return {0, 1};
    QSet<quint32> seen;
    walk(root, 0, false, damage, seen, [&](const QByteArray& page, int at) {
        const auto* p = reinterpret_cast<const uchar*>(page.constData());
        const uchar* end = p + usable_;
        qint64 size = 0, rowid = 0;
        const int a = varint(p + at, end, size);
        const int b = a ? varint(p + at + a, end, rowid) : 0;
        if (!b)
            return false;
        const std::optional<QByteArray> bytes = payload(page, at + a + b, size, false);
        const std::optional<Values> values = bytes ? decodeRecord(*bytes) : std::nullopt;
        if (!values)
            return false;
        onRow(rowid, *values);
        return true;
    });
    return damage;
}

PageReader::Damage PageReader::walkIndex(quint32 root, const std::function<void(const Values&)>& onEntry)
{
    Damage damage;
    if (!isOpen())
        return {0, 1};
    QSet<quint32> seen;
    walk(root, 0, true, damage, seen, [&](const QByteArray& page, int at) {
        const auto* p = reinterpret_cast<const uchar*>(page.constData());
        qint64 size = 0;
        const int a = varint(p + at, p + usable_, size);
        const std::optional<QByteArray> bytes = a ? payload(page, at + a, size, true) : std::nullopt;
        const std::optional<Values> values = bytes ? decodeRecord(*bytes) : std::nullopt;
        if (!values)
            return false;
        onEntry(*values);
        return true;
    });
    return damage;
}

std::optional<PageReader::Values> PageReader::findRow(quint32 root, qint64 rowid)
{
    if (!isOpen())
        return std::nullopt;
    QByteArray page;
    quint32 no = root;
    for (int depth = 0; depth <= kMaxDepth; ++depth) {
        const std::optional<Node> n = node(no, page);
        if (!n || n->type == kIndexInterior || n->type == kIndexLeaf)
            return std::nullopt;
        const auto* p = reinterpret_cast<const uchar*>(page.constData());
        const uchar* end = p + usable_;
        const int firstCell = n->pointers + 2 * n->cells;
        if (n->interior()) {
            // The first child whose largest key is not below the rowid;
            // a cell that cannot be read is passed over.
            quint32 child = n->right;
            for (int i = 0; i < n->cells; ++i) {
                const int at = int(be16(p + n->pointers + 2 * i));
                qint64 key = 0;
                if (at < firstCell || at + 4 > int(usable_) || !varint(p + at + 4, end, key))
                    continue;
                if (key >= rowid) {
                    child = be32(p + at);
                    break;
                }
            }
            no = child;
            continue;
        }
        for (int i = 0; i < n->cells; ++i) {
            const int at = int(be16(p + n->pointers + 2 * i));
            if (at < firstCell || at + 4 > int(usable_))
                continue;
            qint64 size = 0, id = 0;
            const int a = varint(p + at, end, size);
            const int b = a ? varint(p + at + a, end, id) : 0;
            if (!b || id != rowid)
                continue;
            const std::optional<QByteArray> bytes = payload(page, at + a + b, size, false);
            return bytes ? decodeRecord(*bytes) : std::nullopt;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace zb::engine
