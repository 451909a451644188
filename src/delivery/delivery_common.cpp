#include "delivery/delivery_common.h"

#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"
#include "core/sjis.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <functional>

namespace zb {

QList<FiledPhoto> filedPhotos(const Hierarchy& folders)
{
    QList<FiledPhoto> out;
    int lastTop = -1;
    for (int i = 0; i < folders.size(); ++i)
        if (folders[i].depth == 0)
            lastTop = i;
    std::array<QString, 6> captions;
    int top = -1;
    for (int i = 0; i < folders.size(); ++i) {
        const TreeFolder& f = folders[i];
        if (f.depth == 0)
            top = i;
        // 未分類 (the first top-level folder) and ごみ箱 (the last) with what lies below them.
        if (top == 0 || (top == lastTop && lastTop > 0) || top < 0)
            continue;
        if (f.depth >= 0 && f.depth < int(captions.size()))
            captions[f.depth] = f.caption;
        for (RECORD r : f.photos) {
            FiledPhoto p;
            p.record = r;
            p.level = f.depth;
            for (int l = 1; l <= 5 && l <= f.depth; ++l)
                p.levels[l - 1] = captions[l];
            out << p;
        }
    }
    return out;
}

const QStringList& levelElementNames()
{
    static const QStringList names{QStringLiteral("写真-大分類"), QStringLiteral("写真区分"), QStringLiteral("工種"),
                                   QStringLiteral("種別"), QStringLiteral("細別")};
    return names;
}

QHash<RECORD, PhotoRowText> scanPhotoRows(const engine::Table& table, const PhotoFields& fields)
{
    QHash<RECORD, PhotoRowText> rows;
    if (fields[F_RECORD] < 0)
        return rows;
    QList<int> positions;
    QList<PhotoField> which;
    for (int f = 0; f < kPhotoFieldCount; ++f) {
        const auto pf = PhotoField(f);
        if (fields[pf] < 0 || pf == F_THUMBNAIL || pf == F_ALBUM || pf == F_CHECK || pf == F_GRA_FLAG)
            continue;
        positions << fields[pf];
        which << pf;
    }
    rows.reserve(int(table.rowCount()));
    table.scanFields(positions, [&](const engine::RowView& v) {
        PhotoRowText r;
        for (int i = 0; i < which.size(); ++i) {
            switch (which[i]) {
            case F_RECORD: r.record = RECORD(v.integer(i)); break;
            case F_FLAG: r.flag = int(v.integer(i)); break;
            case F_FILMNUM: r.filmNumber = int(v.integer(i)); break;
            case F_REC_DRA1: r.drawings[0] = RECORD(v.integer(i)); break;
            case F_REC_DRA2: r.drawings[1] = RECORD(v.integer(i)); break;
            case F_REC_DRA3: r.drawings[2] = RECORD(v.integer(i)); break;
            case F_DAIHYO: r.representative = v.integer(i) == 1; break;
            case F_TEISYUTU: r.frequency = v.integer(i) == 1; break;
            case F_HENKAN: r.converted = v.integer(i) == 1; break;
            case F_IMAGE_NOW: r.edited = !v.isNull(i); [[fallthrough]];
            case F_IMAGE_ORG: r.picture = r.picture || !v.isNull(i); break;
            default:
                if (!v.isNull(i)) {
                    const QByteArrayView t = v.text(i);
                    r.text[which[i]] = QString::fromUtf8(t.data(), t.size());
                }
            }
        }
        rows.insert(r.record, std::move(r));
    }, true);
    return rows;
}

void appendSjis(QByteArray& out, QStringView text, bool escape)
{
    // Room for the worst case (every character a six-byte reference), cut
    // back to what was written.
    const qsizetype start = out.size();
    out.resize(start + text.size() * 6);
    char* p = out.data() + start;
    char* const begin = p;
    auto put = [&p](const char* s, int n) {
        for (int i = 0; i < n; ++i)
            *p++ = s[i];
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            if (escape) {
                switch (c) {
                case '&': put("&amp;", 5); continue;
                case '<': put("&lt;", 4); continue;
                case '>': put("&gt;", 4); continue;
                case '\'': put("&apos;", 6); continue;
                case '"': put("&quot;", 6); continue;
                default:
                    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
                        continue;
                    break;
                }
            }
            *p++ = char(c);
            continue;
        }
        if (QChar::isSurrogate(c))
            continue;  // outside the code page
        const int code = sjis::codeOf(c);
        if (code < 0)
            continue;
        if (code > 0xFF)
            *p++ = char(code >> 8);
        *p++ = char(code & 0xFF);
    }
    out.truncate(start + (p - begin));
}

QString deliveryFileName(const QString& prefix, RECORD record)
{
    // Five digits with leading zeros (only the last five of a larger number).
    unsigned n = unsigned(record < 0 ? -qint64(record) : record) % 100000;
    char16_t digits[5];
    for (int i = 4; i >= 0; --i, n /= 10)
        digits[i] = char16_t(u'0' + n % 10);
    QString name;
    name.reserve(prefix.size() + 9);
    name += prefix;
    name += QStringView(digits, 5);
    name += QLatin1StringView(".JPG");
    return name;
}

qint64 roundToCluster(qint64 size) { return (size + 32767) / 32768 * 32768; }

namespace {

// A new file filled by `fill`, which gives the bytes it wrote or -1; a
// file that could not be written whole is removed again.
qint64 fillNewFile(const QString& path, const std::function<qint64(QFile&)>& fill, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (error)
            *error = f.errorString();
        return -1;
    }
    const qint64 written = fill(f);
    if (written < 0 || !f.flush()) {
        if (error)
            *error = f.errorString();
        f.close();
        f.remove();
        return -1;
    }
    f.close();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = f.errorString();
        f.remove();
        return -1;
    }
    return written;
}

}  // namespace

bool writeNewFile(const QString& path, const QByteArray& bytes, QString* error)
{
    return fillNewFile(
               path, [&bytes](QFile& f) { return f.write(bytes) == bytes.size() ? bytes.size() : qint64(-1); },
               error) >= 0;
}

bool copyToNewFile(const QString& from, const QString& to, QString* error)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return false;
    }
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (error)
            *error = out.errorString();
        return false;
    }
    for (;;) {
        const QByteArray chunk = in.read(1 << 20);
        if (chunk.isEmpty())
            break;
        if (out.write(chunk) != chunk.size()) {
            if (error)
                *error = out.errorString();
            out.close();
            out.remove();
            return false;
        }
    }
    if (!out.flush() || in.error() != QFileDevice::NoError) {
        if (error)
            *error = in.error() != QFileDevice::NoError ? in.errorString() : out.errorString();
        out.close();
        out.remove();
        return false;
    }
    out.close();
    return true;
}

qint64 writeRowPicture(const engine::Table& table, const PhotoFields& fields, bool original, int quality,
                       const QString& target, Messages& messages, QString* error)
{
    const int org = fields[F_IMAGE_ORG], now = fields[F_IMAGE_NOW];
    const bool orgNull = org < 0 || table.isNull(org);
    const bool nowNull = now < 0 || table.isNull(now);
    if (orgNull && nowNull) {
        // An external picture: copied when its file is still there.
        const QString file = fields[F_FILENAME] >= 0 ? table.value(fields[F_FILENAME]).toString() : QString();
        if (file.isEmpty() || !QFileInfo(file).isFile())
            return 0;
        if (!copyToNewFile(file, target, error))
            return -1;
        return QFileInfo(target).size();
    }
    const bool imported = original || nowNull;
    const int field = imported ? org : now;
    const int kind = fields[F_GRA_FLAG] >= 0 ? table.value(fields[F_GRA_FLAG]).toInt() : 0;
    if (!(imported && kind == 20)) {
        // Stored pictures go to their file unchanged, streamed from the table.
        return fillNewFile(target, [&](QFile& f) { return table.copyBlobTo(field, f); }, error);
    }
    // An imported metafile is written as JPEG.
    QImage bitmap;
    QByteArray jpeg;
    // A metafile that cannot be played has been reported; the set goes on without its file.
    if (!RenderGraphic(bitmap, orgNull ? QByteArray() : table.readBlob(org), kind, messages) ||
        !EncodeJpeg(bitmap, jpeg, false, quality, messages))
        return 0;
    if (!writeNewFile(target, jpeg, error))
        return -1;
    return jpeg.size();
}

}  // namespace zb
