#include "album/document_file.h"

#include "core/sjis.h"

#include <QFile>
#include <QtEndian>
#include <cstring>

namespace zb::album {
namespace {

// Fixed-size records are built in a zero-filled block.
struct Block {
    QByteArray b;
    explicit Block(int size) : b(size, '\0') {}
    void u8(int at, quint8 v) { b[at] = char(v); }
    void i16(int at, qint16 v) { qToLittleEndian(v, b.data() + at); }
    void i32(int at, qint32 v) { qToLittleEndian(v, b.data() + at); }
    void u32(int at, quint32 v) { qToLittleEndian(v, b.data() + at); }
    void i64(int at, qint64 v) { qToLittleEndian(v, b.data() + at); }
    void shortString(int at, const QByteArray& s, int room)
    {
        const QByteArray cut = sjis::cutBytes(s, room);
        b[at] = char(cut.size());
        std::memcpy(b.data() + at + 1, cut.constData(), size_t(cut.size()));
    }
};

struct View {
    const uchar* p;
    explicit View(QByteArrayView v) : p(reinterpret_cast<const uchar*>(v.data())) {}
    quint8 u8(int at) const { return p[at]; }
    qint16 i16(int at) const { return qFromLittleEndian<qint16>(p + at); }
    qint32 i32(int at) const { return qFromLittleEndian<qint32>(p + at); }
    quint32 u32(int at) const { return qFromLittleEndian<quint32>(p + at); }
    qint64 i64(int at) const { return qFromLittleEndian<qint64>(p + at); }
};

// A cursor over input whose every read is checked against what remains.
struct Cursor {
    QByteArrayView data;
    qsizetype pos = 0;
    qsizetype remaining() const { return data.size() - pos; }
    bool take(qsizetype n, QByteArrayView& out)
    {
        if (n < 0 || n > remaining())
            return false;
        out = data.sliced(pos, n);
        pos += n;
        return true;
    }
};

template <typename E>
E clampEnum(quint8 v, quint8 max, E fallback)
{
    return v <= max ? E(v) : fallback;
}

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

// One part from the cursor: the record, then its tails.
bool decodePart(Cursor& c, TPartsBox& part, QString* error)
{
    QByteArrayView rec;
    if (!c.take(kPartsRecordSize, rec))
        return fail(error, QStringLiteral("part record cut short"));
    const View v(rec);
    const qint32 fontLen = v.i32(14), capLen = v.i32(49), points = v.i32(146), picLen = v.i32(150);
    if (v.u8(47) >= kPartsTypeCount)
        return fail(error, QStringLiteral("unknown part kind %1").arg(v.u8(47)));
    if (fontLen < 0 || capLen < 0 || points < 0 || picLen < 0)
        return fail(error, QStringLiteral("negative length in a part"));
    // The tails must fit in what remains before anything is allocated for them.
    const qint64 tails = qint64(fontLen) + capLen + qint64(points) * 8 + picLen;
    if (tails > c.remaining())
        return fail(error, QStringLiteral("part tails beyond the end of the page"));

    TPartsBox p;
    p.PenWidth = v.i64(0);
    p.PenStyle = v.u8(8) <= psInsideFrame ? v.u8(8) : quint8(psSolid);
    p.BrushColor = v.u32(9);
    p.Brush = v.u8(13) <= bsDiagCross ? v.u8(13) : quint8(bsSolid);
    p.Font.size = v.i32(18);
    p.Font.color = v.u32(22);
    p.Font.style = v.u8(26) & 0x0F;
    p.Kage = clampEnum<TKageStyle>(v.u8(27), fkRightTop, fkNone);
    p.KageColor = v.u32(28);
    p.Waku = v.u8(32) != 0;
    p.WakuColor = v.u32(33);
    p.LinePitch = v.i64(37);
    p.Rotate = clampEnum<TRotateStyle>(v.u8(45), rs270, rs0);
    p.ImageOrientation = v.u8(46) <= 3 ? v.u8(46) : 0;
    p.Shape = TPartsType(v.u8(47));
    p.Diagonal = v.u8(48);
    p.Arrow = clampEnum<TArrowStyle>(v.u8(53), arwCenter, arwNone);
    p.RefWidth = v.i32(54);
    p.RefHeight = v.i32(58);
    p.Direction = v.u8(62) != 0;
    p.Alignment = clampEnum<TAlignment>(v.u8(63), taCenter, taCenter);
    p.Layout = clampEnum<TTextLayout>(v.u8(64), tlBottom, tlCenter);
    p.Pitch = v.i64(65);
    p.Justfit = v.u8(73) != 0;
    p.FormIndex = qint8(v.u8(74));
    p.MeisaiLine = v.u8(75);
    p.PLeft = v.i64(76);
    p.PTop = v.i64(84);
    p.PWidth = v.i64(92);
    p.PHeight = v.i64(100);
    p.MirrorH = v.u8(108) != 0;
    p.MirrorV = v.u8(109) != 0;
    p.PhotoRecord = v.i32(110);
    p.PenColor = v.u32(114);
    p.RefRecord = v.i32(118);
    const int kindLen = qMin<int>(v.u8(154), 3);
    const QString kind = QString::fromLatin1(reinterpret_cast<const char*>(rec.data()) + 155, kindLen);

    QByteArrayView s;
    c.take(fontLen, s);
    p.Font.name = sjis::decode(s);
    c.take(capLen, s);
    p.Caption = sjis::decode(s);
    c.take(qsizetype(points) * 8, s);
    p.Points.reserve(points);
    const View pv(s);
    for (int i = 0; i < points; ++i)
        p.Points.append(QPoint(pv.i32(i * 8), pv.i32(i * 8 + 4)));
    c.take(picLen, s);
    // Only a picture part keeps a picture; the bytes are passed over otherwise.
    if (picLen > 0 && p.Shape == ptPicture) {
        p.PictureStream.bytes = s.toByteArray();
        p.PictureStream.kind = kind;
    }
    part = std::move(p);
    return true;
}

}  // namespace

QByteArray encodeFileHeader(const TGrphFileHeader& h)
{
    Block b(kFileHeaderSize);
    b.u8(8, h.cover ? 1 : 0);
    b.shortString(9, sjis::toBytes(h.title), kTitleRoom);
    b.i32(50, h.paperCode);
    b.u8(54, h.orientation);
    b.i64(55, h.offsetX);
    b.i64(63, h.offsetY);
    b.i16(71, h.pageStart);
    b.i32(103, h.pageCount);
    b.i32(107, h.maxSlot);
    b.i32(111, h.maxDrawing);
    b.i32(115, h.previewLength);
    return b.b;
}

std::optional<TGrphFileHeader> decodeFileHeader(QByteArrayView bytes)
{
    if (bytes.size() < kFileHeaderSize)
        return std::nullopt;
    const View v(bytes);
    TGrphFileHeader h;
    h.cover = v.u8(8) != 0;
    const int titleLen = qMin<int>(v.u8(9), kTitleRoom);
    h.title = sjis::decode(bytes.sliced(10, titleLen));
    h.paperCode = v.i32(50);
    h.orientation = v.u8(54) ? 1 : 0;
    h.offsetX = v.i64(55);
    h.offsetY = v.i64(63);
    h.pageStart = v.i16(71);
    h.pageCount = v.i32(103);
    h.maxSlot = v.i32(107);
    h.maxDrawing = v.i32(111);
    h.previewLength = v.i32(115);
    return h;
}

QByteArray encodePart(const TPartsBox& p)
{
    const QByteArray font = sjis::toBytes(p.Font.name);
    const QByteArray caption = sjis::toBytes(p.Caption);
    const bool picture = p.Shape == ptPicture && !p.PictureStream.isEmpty();
    Block b(kPartsRecordSize);
    b.i64(0, p.PenWidth);
    b.u8(8, p.PenStyle);
    b.u32(9, p.BrushColor);
    b.u8(13, p.Brush);
    b.i32(14, qint32(font.size()));
    b.i32(18, p.Font.size);
    b.u32(22, p.Font.color);
    b.u8(26, p.Font.style);
    b.u8(27, p.Kage);
    b.u32(28, p.KageColor);
    b.u8(32, p.Waku ? 1 : 0);
    b.u32(33, p.WakuColor);
    b.i64(37, p.LinePitch);
    b.u8(45, p.Rotate);
    b.u8(46, p.ImageOrientation);
    b.u8(47, p.Shape);
    b.u8(48, p.Diagonal);
    b.i32(49, qint32(caption.size()));
    b.u8(53, p.Arrow);
    b.i32(54, p.RefWidth);
    b.i32(58, p.RefHeight);
    b.u8(62, p.Direction ? 1 : 0);
    b.u8(63, p.Alignment);
    b.u8(64, p.Layout);
    b.i64(65, p.Pitch);
    b.u8(73, p.Justfit ? 1 : 0);
    b.u8(74, quint8(p.FormIndex));
    b.u8(75, p.MeisaiLine);
    b.i64(76, p.PLeft);
    b.i64(84, p.PTop);
    b.i64(92, p.PWidth);
    b.i64(100, p.PHeight);
    b.u8(108, p.MirrorH ? 1 : 0);
    b.u8(109, p.MirrorV ? 1 : 0);
    b.i32(110, p.PhotoRecord);
    b.u32(114, p.PenColor);
    b.i32(118, p.RefRecord);
    b.i32(146, qint32(p.Points.size()));
    b.i32(150, picture ? qint32(p.PictureStream.bytes.size()) : 0);
    if (picture)
        b.shortString(154, p.PictureStream.kind.left(3).toLatin1(), 3);
    QByteArray out = b.b;
    out += font;
    out += caption;
    Block pts(int(p.Points.size()) * 8);
    for (int i = 0; i < p.Points.size(); ++i) {
        pts.i32(i * 8, p.Points[i].x());
        pts.i32(i * 8 + 4, p.Points[i].y());
    }
    out += pts.b;
    if (picture)
        out += p.PictureStream.bytes;
    return out;
}

QByteArray encodePage(const Page& page)
{
    const QByteArray name = sjis::toBytes(page.formatName);
    Block b(kPageHeaderSize);
    b.u8(0, page.orientation);
    b.i32(1, qint32(name.size()));
    b.i32(33, qint32(page.parts.size()));
    QByteArray out = b.b + name;
    for (const TPartsBox& p : page.parts)
        out += encodePart(p);
    return out;
}

std::optional<Page> decodePage(QByteArrayView stream, QString* error)
{
    Page page;
    if (stream.isEmpty())
        return page;
    Cursor c{stream};
    QByteArrayView head;
    if (!c.take(kPageHeaderSize, head)) {
        fail(error, QStringLiteral("page header cut short"));
        return std::nullopt;
    }
    const View v(head);
    page.orientation = v.u8(0) ? 1 : 0;
    const qint32 nameLen = v.i32(1), count = v.i32(33);
    QByteArrayView name;
    if (!c.take(nameLen, name)) {
        fail(error, QStringLiteral("format name beyond the end of the page"));
        return std::nullopt;
    }
    page.formatName = sjis::decode(name);
    if (count < 0 || qint64(count) * kPartsRecordSize > c.remaining()) {
        fail(error, QStringLiteral("more parts than the page holds"));
        return std::nullopt;
    }
    page.parts.reserve(count);
    for (int i = 0; i < count; ++i) {
        TPartsBox p;
        if (!decodePart(c, p, error))
            return std::nullopt;
        page.parts.append(std::move(p));
    }
    return page;
}

QByteArray encodeDocumentFile(const DocumentFile& file)
{
    TGrphFileHeader h = file.header;
    h.pageCount = qint32(file.pages.size());
    h.previewLength = qint32(file.preview.size());
    QByteArray out = encodeFileHeader(h);
    out += file.preview;
    for (auto it = file.pages.cbegin(); it != file.pages.cend(); ++it) {
        Block e(kPageEntrySize);
        e.i32(0, it.key());
        e.i32(4, qint32(it.value().size()));
        out += e.b;
    }
    for (const QByteArray& stream : file.pages)
        out += stream;
    return out;
}

std::optional<DocumentFile> decodeDocumentFile(QByteArrayView bytes, QString* error)
{
    Cursor c{bytes};
    QByteArrayView head;
    if (!c.take(kFileHeaderSize, head)) {
        fail(error, QStringLiteral("header cut short"));
        return std::nullopt;
    }
    DocumentFile file;
    file.header = *decodeFileHeader(head);
    const TGrphFileHeader& h = file.header;
    QByteArrayView preview;
    if (!c.take(h.previewLength, preview)) {
        fail(error, QStringLiteral("preview beyond the end of the file"));
        return std::nullopt;
    }
    file.preview = preview.toByteArray();
    if (h.pageCount < 0 || h.pageCount > kMaxPage || qint64(h.pageCount) * kPageEntrySize > c.remaining()) {
        fail(error, QStringLiteral("page directory beyond the end of the file"));
        return std::nullopt;
    }
    QByteArrayView dir;
    c.take(qsizetype(h.pageCount) * kPageEntrySize, dir);
    const View dv(dir);
    int previous = 0;
    for (int i = 0; i < h.pageCount; ++i) {
        const qint32 number = dv.i32(i * 8), length = dv.i32(i * 8 + 4);
        if (number < 1 || number > kMaxPage || number <= previous) {
            fail(error, QStringLiteral("page number %1 out of order or range").arg(number));
            return std::nullopt;
        }
        previous = number;
        QByteArrayView stream;
        if (!c.take(length, stream)) {
            fail(error, QStringLiteral("page %1 beyond the end of the file").arg(number));
            return std::nullopt;
        }
        file.pages.insert(number, stream.toByteArray());
    }
    return file;
}

std::optional<TGrphFileHeader> readFileHeader(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return decodeFileHeader(f.read(kFileHeaderSize));
}

}  // namespace zb::album
