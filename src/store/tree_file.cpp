#include "store/tree_file.h"

#include "core/sjis.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace zb {
namespace {

constexpr int kRecordSize = 52;
constexpr int kCaptionRoom = 50;
// Folders deeper than this cannot be shown or dragged; deeper records are
// treated as damage.
constexpr int kMaxDepth = 127;

void putText(QByteArray& out, int offset, int room, const QString& text, QString* unmappable)
{
    sjis::Encoded e = sjis::encode(text);
    if (unmappable)
        *unmappable += e.unmappable;
    const QByteArray b = sjis::cutBytes(e.bytes, room);
    out[offset] = static_cast<char>(b.size());
    for (qsizetype i = 0; i < b.size(); ++i)
        out[offset + 1 + i] = b[i];
}

QString getText(QByteArrayView in, int offset, int room, ReadReport* report, const char* what)
{
    if (offset >= in.size())
        return {};
    int len = static_cast<unsigned char>(in[offset]);
    if (len > room) {
        if (report)
            report->add(QStringLiteral("length of %1 exceeds its room").arg(QLatin1String(what)));
        len = room;
    }
    const qsizetype avail = std::max<qsizetype>(0, in.size() - offset - 1);
    if (len > avail)
        len = static_cast<int>(avail);
    return sjis::decode(in.sliced(offset + 1, len));
}

}  // namespace

const QStringList& progressLabels()
{
    static const QStringList labels = {
        QStringLiteral("新規作成"), QStringLiteral("工事情報/編集中"), QStringLiteral("写真情報/編集中"),
        QStringLiteral("工事写真帳/編集中"), QStringLiteral("その他/編集中"), QStringLiteral("保留"),
        QStringLiteral("完成")};
    return labels;
}

const std::array<HeaderTextField, 18>& headerTextFields()
{
    static const std::array<HeaderTextField, 18> fields = {{
        {&JobHeader::author, 9, 20},
        {&JobHeader::projectType, 30, 50},
        {&JobHeader::projectName, 81, 50},
        {&JobHeader::personInCharge, 132, 20},
        {&JobHeader::contractNumber, 155, 127},
        {&JobHeader::riverRouteName, 283, 127},
        {&JobHeader::constructionName, 411, 255},
        {&JobHeader::constructionSite, 667, 127},
        {&JobHeader::startDate, 795, 8},
        {&JobHeader::endDate, 804, 8},
        {&JobHeader::clientMajor, 813, 32},
        {&JobHeader::clientMiddle, 846, 32},
        {&JobHeader::clientMinor, 879, 32},
        {&JobHeader::clientCode, 912, 8},
        {&JobHeader::contractorName, 921, 255},
        {&JobHeader::contractorCode, 1177, 127},
        {&JobHeader::clientRemarks, 1305, 255},
        {&JobHeader::contractorRemarks, 1561, 255},
    }};
    return fields;
}

JobHeader newJobHeader(const QString& contractorName, const QString& contractorCode, const QString& contractorRemarks)
{
    JobHeader h;
    h.contractorName = contractorName;
    h.contractorCode = sjis::cutToRoom(contractorCode, 127);
    h.contractorRemarks = contractorRemarks;
    return h;
}

QByteArray encodeHeader(const JobHeader& h, QString* unmappable)
{
    QByteArray out(JobHeader::kSize, '\0');
    qToLittleEndian<qint32>(h.formatNumber, out.data());
    qToLittleEndian<qint32>(h.reserved, out.data() + 4);
    out[8] = static_cast<char>(h.progress);
    qToLittleEndian<qint16>(h.fiscalYear, out.data() + 153);
    for (const HeaderTextField& f : headerTextFields())
        putText(out, f.offset, f.room, h.*(f.member), unmappable);
    return out;
}

JobHeader decodeHeader(QByteArrayView in, ReadReport* report)
{
    JobHeader h;
    if (in.size() < JobHeader::kSize && report)
        report->add(QStringLiteral("header is %1 bytes, not %2").arg(in.size()).arg(JobHeader::kSize));
    if (in.size() >= 4)
        h.formatNumber = qFromLittleEndian<qint32>(in.data());
    if (in.size() >= 8)
        h.reserved = qFromLittleEndian<qint32>(in.data() + 4);
    if (in.size() >= 9)
        h.progress = static_cast<quint8>(in[8]);
    if (in.size() >= 155)
        h.fiscalYear = qFromLittleEndian<qint16>(in.data() + 153);
    const QByteArrayView block = in.first(std::min<qsizetype>(in.size(), JobHeader::kSize));
    for (const HeaderTextField& f : headerTextFields())
        h.*(f.member) = getText(block, f.offset, f.room, report, "a header text");
    return h;
}

QByteArray encodeHierarchy(const Hierarchy& folders, bool withPhotos, QString* unmappable)
{
    QByteArray out(4, '\0');
    qint32 count = 0;
    auto record = [&](qint8 level, const QString& text) {
        QByteArray r(kRecordSize, '\0');
        r[0] = static_cast<char>(level);
        putText(r, 1, kCaptionRoom, text, unmappable);
        out += r;
        ++count;
    };
    for (const TreeFolder& f : folders) {
        record(static_cast<qint8>(std::clamp(f.depth, 0, kMaxDepth)), f.caption);
        if (withPhotos)
            for (RECORD r : f.photos)
                record(static_cast<qint8>(-1), QString::number(r));
    }
    qToLittleEndian<qint32>(count, out.data());
    return out;
}

Hierarchy decodeHierarchy(QByteArrayView in, ReadReport* report)
{
    Hierarchy folders;
    QList<RECORD> orphans;  // photo references before the first folder
    if (in.size() < 4) {
        if (report)
            report->add(QStringLiteral("hierarchy count missing"));
    } else {
        const qint32 count = qFromLittleEndian<qint32>(in.data());
        const qsizetype available = (in.size() - 4) / kRecordSize;
        qsizetype n = count;
        if (count < 0 || count > available) {
            if (report)
                report->add(QStringLiteral("hierarchy count %1 but room for %2 records").arg(count).arg(available));
            n = available;
        }
        for (qsizetype i = 0; i < n; ++i) {
            const QByteArrayView rec = in.sliced(4 + i * kRecordSize, kRecordSize);
            const auto level = static_cast<qint8>(rec[0]);
            const QString text = getText(rec, 1, kCaptionRoom, report, "a tree record");
            if (level < 0) {
                bool ok = false;
                const RECORD r = text.trimmed().toInt(&ok);
                if (!ok) {
                    if (report)
                        report->add(QStringLiteral("photo reference \"%1\" is not a number").arg(text));
                    continue;
                }
                (folders.isEmpty() ? orphans : folders.back().photos).append(r);
                continue;
            }
            int depth = level;
            const int maxDepth = folders.isEmpty() ? 0 : folders.back().depth + 1;
            if (depth > maxDepth) {
                if (report)
                    report->add(QStringLiteral("folder \"%1\" skips a level").arg(text));
                depth = maxDepth;
            }
            folders.append(TreeFolder{text, depth, {}});
        }
    }
    applyFixedFolders(folders);
    // References that belong to no folder are kept in 未分類 rather than lost.
    if (!orphans.isEmpty())
        folders[0].photos = orphans + folders[0].photos;
    return folders;
}

void applyFixedFolders(Hierarchy& folders)
{
    QList<qsizetype> top;
    for (qsizetype i = 0; i < folders.size(); ++i)
        if (folders[i].depth == 0)
            top.append(i);
    // The fixed folders are recognised by place: make sure the places exist.
    if (top.isEmpty()) {
        folders.prepend(TreeFolder{kUnclassifiedCaption, 0, {}});
        top.append(0);
    }
    if (top.size() < 2) {
        // The second top-level folder goes right after the first one's subtree.
        qsizetype at = folders.size();
        folders.insert(at, TreeFolder{kPhotoRootCaption, 0, {}});
        top.append(at);
    }
    folders[top[0]].caption = kUnclassifiedCaption;
    folders[top[1]].caption = kPhotoRootCaption;
    if (top.size() < 3 || folders[top.back()].caption != kRecycleCaption)
        folders.append(TreeFolder{kRecycleCaption, 0, {}});
}

Hierarchy defaultHierarchy()
{
    Hierarchy h;
    h.append({kUnclassifiedCaption, 0, {}});
    h.append({kPhotoRootCaption, 0, {}});
    h.append({QStringLiteral("工事"), 1, {}});
    for (const char16_t* c : {u"着手前及び完成写真", u"施工状況写真", u"安全管理写真", u"使用材料写真", u"品質管理写真",
                              u"出来型管理写真", u"災害写真", u"その他"})
        h.append({QString::fromUtf16(c), 2, {}});
    h.append({kRecycleCaption, 0, {}});
    return h;
}

std::optional<TreeFile> readTreeFile(const QString& path, ReadReport* report)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (report)
            report->add(f.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = f.readAll();
    TreeFile tf;
    tf.header = decodeHeader(bytes, report);
    tf.folders = decodeHierarchy(bytes.size() > JobHeader::kSize ? QByteArrayView(bytes).sliced(JobHeader::kSize)
                                                                  : QByteArrayView(),
                                 report);
    return tf;
}

namespace {

bool saveBytes(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        if (error)
            *error = f.errorString();
        f.cancelWriting();
        return false;
    }
    return true;
}

}  // namespace

bool writeTreeFile(const QString& path, const TreeFile& file, QString* error, QString* unmappable)
{
    return saveBytes(path, encodeHeader(file.header, unmappable) + encodeHierarchy(file.folders, true, unmappable),
                     error);
}

std::optional<Hierarchy> readTemplate(const QString& path, ReadReport* report)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (report)
            report->add(f.errorString());
        return std::nullopt;
    }
    Hierarchy h = decodeHierarchy(f.readAll(), report);
    for (TreeFolder& folder : h)
        folder.photos.clear();
    return h;
}

bool writeTemplate(const QString& path, const Hierarchy& folders, QString* error)
{
    return saveBytes(path, encodeHierarchy(folders, false), error);
}

std::optional<JobHeader> readHeaderPrefix(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = f.read(JobHeader::kListPrefix);
    JobHeader h = decodeHeader(bytes);
    return h;
}

}  // namespace zb
