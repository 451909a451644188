#include "delivery/delivery_model.h"

#include "core/sjis.h"
#include "core/text.h"
#include "delivery/delivery_common.h"
#include "delivery/delivery_export.h"
#include "delivery/delivery_rules.h"
#include "delivery/xml_tree.h"

#include <QFile>
#include <QFileInfo>
#include <QMap>

namespace zb {

bool DeliverySet::hasDrawings() const
{
    for (const DeliveryPhoto& p : photos)
        if (!p.drawings.isEmpty())
            return true;
    return false;
}

QString photoFolderValue(DeliveryLayout layout)
{
    return layout == DeliveryLayout::Draft ? QStringLiteral("./PIC") : QStringLiteral("PHOTO/PIC");
}

QString drawingFolderValue(DeliveryLayout layout)
{
    return layout == DeliveryLayout::Draft ? QStringLiteral("./DRA") : QStringLiteral("PHOTO/DRA");
}

namespace {

bool externalFileExists(const PhotoRowText& row)
{
    const QString& f = row.text[F_FILENAME];
    return !f.isEmpty() && QFileInfo(f).isFile();
}

DeliveryDrawing drawingOf(const QHash<RECORD, PhotoRowText>& rows, RECORD d, int slot, DeliveryLayout layout)
{
    DeliveryDrawing out;
    out.record = d;
    out.slot = slot;
    out.file = layout == DeliveryLayout::Draft ? deliveryFileName(QStringLiteral("DRA"), d) : deliveryDrawingName(d);
    const auto it = rows.constFind(d);
    out.rowFound = it != rows.constEnd();
    out.hasPicture = out.rowFound && (it->picture || externalFileExists(*it));
    if (out.rowFound) {
        out.title = it->text[F_TITLE];
        if (!it->text[F_BIKOU_B].isEmpty())
            out.spares << it->text[F_BIKOU_B];
    }
    return out;
}

// The stored date as the delivery writes it; a day the calendar lacks keeps
// the delivery's form, so that the check names it as such.
QString deliveredDate(const QString& stored)
{
    const QString d = toDeliveryDate(stored);
    if (!d.isEmpty() || stored.size() != 8)
        return d.isEmpty() ? stored : d;
    return stored.left(4) + QLatin1Char('-') + stored.mid(4, 2) + QLatin1Char('-') + stored.mid(6, 2);
}

}  // namespace

DeliverySet deliverySet(const ExportJob& job, const QString& standard)
{
    DeliverySet set;
    set.layout = standard == kDraftStandard ? DeliveryLayout::Draft : DeliveryLayout::Photo05;
    set.standard = set.layout == DeliveryLayout::Draft ? QString() : standard;
    set.header = *job.header;
    set.photoFolder = photoFolderValue(set.layout);
    set.drawingFolder = drawingFolderValue(set.layout);
    const bool draft = set.layout == DeliveryLayout::Draft;

    const QHash<RECORD, PhotoRowText> rows = scanPhotoRows(*job.table, job.fields);
    const QList<FiledPhoto> filed = filedPhotos(*job.folders);
    set.photos.reserve(filed.size());
    for (const FiledPhoto& f : filed) {
        const auto it = rows.constFind(f.record);
        if (it == rows.constEnd() || it->flag == kExcludedFlag)
            continue;
        const PhotoRowText& row = *it;
        DeliveryPhoto p;
        p.record = f.record;
        p.serial = QString::number(f.record);
        p.file = draft ? deliveryFileName(QStringLiteral("PIC"), f.record) : deliveryPhotoName(f.record);
        p.level = f.level;
        p.levels = f.levels;
        p.text = row.text;
        p.flag = row.flag;
        p.filmNumber = row.filmNumber;
        p.hasPicture = row.picture || externalFileExists(row);
        p.edited = row.edited;
        p.converted = row.converted;
        if (!draft) {
            p.date = deliveredDate(row.text[F_DATE]);
            for (PhotoField y : {F_YOBI1, F_YOBI2, F_YOBI3})
                if (!row.text[y].isEmpty())
                    p.spares << row.text[y];
            p.representative = row.representative ? QStringLiteral("1") : QStringLiteral("0");
            p.frequency = row.frequency ? QStringLiteral("1") : QStringLiteral("0");
        }
        for (int slot = 0; slot < 3; ++slot)
            if (row.drawings[size_t(slot)] != 0)
                p.drawings << drawingOf(rows, row.drawings[size_t(slot)], slot, set.layout);
        set.photos << std::move(p);
    }
    return set;
}

bool isPhoto05File(const QString& xmlPath)
{
    QFile f(xmlPath);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // The prolog and the start of the root element lie in the first few lines.
    QByteArray head = f.read(4096);
    const qsizetype root = head.indexOf("<photodata");
    if (root >= 0) {
        const qsizetype end = head.indexOf('>', root);
        const QByteArray tag = head.mid(root, end < 0 ? -1 : end - root);
        if (tag.contains("DTD_version=\"05\"") || tag.contains("DTD_version='05'"))
            return true;
        head.truncate(root);
    }
    const qsizetype doctype = head.indexOf("<!DOCTYPE");
    return doctype >= 0 && head.indexOf("PHOTO05.DTD", doctype) >= 0;
}

namespace {

bool same(const QString& a, QStringView b) { return a.trimmed().compare(b, Qt::CaseInsensitive) == 0; }

const XmlNode* child(const XmlNode& parent, QStringView name)
{
    for (const auto& c : parent.children)
        if (same(c->name, name))
            return c.get();
    return nullptr;
}

QString valueOf(const XmlNode& parent, QStringView name)
{
    const XmlNode* c = child(parent, name);
    return c ? c->value : QString();
}

const XmlNode* rootOf(const std::vector<std::unique_ptr<XmlNode>>& top)
{
    for (const auto& n : top)
        if (same(n->name, u"photodata"))
            return n.get();
    return top.empty() ? nullptr : top.front().get();
}

// The text fields of a draft 写真情報 group.
const QMap<QString, PhotoField>& draftTextElements()
{
    static const QMap<QString, PhotoField> m{
        {QStringLiteral("写真ファイル情報予備"), F_BIKOU_A}, {QStringLiteral("写真タイトル"), F_TITLE},
        {QStringLiteral("工種区分予備1"), F_YOBI1},         {QStringLiteral("工種区分予備2"), F_YOBI2},
        {QStringLiteral("工種区分予備3"), F_YOBI3},         {QStringLiteral("撮影箇所"), F_KASYO},
        {QStringLiteral("付加情報予備"), F_BIKOU_B},        {QStringLiteral("撮影年月日"), F_DATE},
        {QStringLiteral("コマ番号"), F_NEGANUM},            {QStringLiteral("撮影情報予備"), F_BIKOU_C},
        {QStringLiteral("施工管理値"), F_KANRI},            {QStringLiteral("施工管理値予備"), F_BIKOU_D},
        {QStringLiteral("状況説明予備"), F_BIKOU_E},        {QStringLiteral("請負者説明文"), F_UKEOIBIKOU},
        {QStringLiteral("発注者説明文"), F_HACYUBIKOU},     {QStringLiteral("写真情報予備1"), F_BIKOU1},
        {QStringLiteral("写真情報予備2"), F_BIKOU2},        {QStringLiteral("写真情報予備3"), F_BIKOU3}};
    return m;
}

struct HeaderElement {
    const char16_t* name;
    QString JobHeader::*member;
    int room;
};
const HeaderElement kHeaderElements[] = {
    {u"工事番号", &JobHeader::contractNumber, 127},    {u"河川路線名等", &JobHeader::riverRouteName, 127},
    {u"工事名称", &JobHeader::constructionName, 255},  {u"工事箇所", &JobHeader::constructionSite, 127},
    {u"工期開始日", &JobHeader::startDate, 8},         {u"工期終了日", &JobHeader::endDate, 8},
    {u"発注者-大分類", &JobHeader::clientMajor, 32},   {u"発注者-中分類", &JobHeader::clientMiddle, 32},
    {u"発注者-小分類", &JobHeader::clientMinor, 32},   {u"発注者コード", &JobHeader::clientCode, 8},
    {u"請負者名", &JobHeader::contractorName, 255},    {u"請負者コード", &JobHeader::contractorCode, 127},
    {u"発注者備考", &JobHeader::clientRemarks, 255},   {u"請負者備考", &JobHeader::contractorRemarks, 255}};

}  // namespace

void applyHeaderItems(const DeliverySet& set, JobHeader& header)
{
    for (const auto& [name, value] : set.headerItems) {
        if (same(name, u"発注年度")) {
            header.fiscalYear = qint16(std::clamp(leadingInteger(value), 0, 32767));
            continue;
        }
        for (const HeaderElement& e : kHeaderElements)
            if (same(name, QStringView(e.name)))
                header.*e.member = sjis::cutToRoom(value, e.room);
    }
}

namespace {

// One draft 写真情報 group; false when no item of it was recognised.
bool readDraftPhoto(const XmlNode& group, int& heldMedium, DeliveryPhoto& p)
{
    bool changed = false;
    for (const auto& item : group.children) {
        const QString& name = item->name;
        const QString& v = item->value;
        bool used = true;
        if (same(name, u"写真ファイル名")) {
            p.file = v.trimmed();
        } else if (same(name, u"シリアル番号")) {
            p.serial = v.trimmed();
        } else if (same(name, u"メディア番号")) {
            heldMedium = leadingInteger(v);
        } else if (same(name, u"写真整理フラグ")) {
            p.flag = leadingInteger(v);
        } else if (same(name, u"フィルム番号")) {
            p.filmNumber = leadingInteger(v);
        } else {
            used = false;
            for (int l = 0; l < 5 && !used; ++l)
                if (same(name, levelElementNames()[l])) {
                    p.levels[size_t(l)] = v;
                    p.level = std::max(p.level, l + 1);
                    used = true;
                }
            for (int n = 0; n < 3 && !used; ++n)
                if (same(name, QStringLiteral("参考図%1").arg(n + 1))) {
                    DeliveryDrawing d;
                    d.slot = n;
                    d.file = v.trimmed();
                    // A second element of the same slot names the drawing again.
                    bool replaced = false;
                    for (DeliveryDrawing& e : p.drawings)
                        if (e.slot == n) {
                            e = d;
                            replaced = true;
                        }
                    if (!replaced)
                        p.drawings << d;
                    used = true;
                }
            if (!used)
                for (auto it = draftTextElements().begin(); it != draftTextElements().end(); ++it)
                    if (same(name, it.key())) {
                        // The two short fields keep 8 bytes; the memo fields the whole text.
                        p.text[it.value()] =
                            (it.value() == F_DATE || it.value() == F_NEGANUM) ? sjis::cutToRoom(v, 8) : v;
                        used = true;
                        break;
                    }
        }
        changed = changed || used;
    }
    p.disc = heldMedium;
    std::sort(p.drawings.begin(), p.drawings.end(),
              [](const DeliveryDrawing& a, const DeliveryDrawing& b) { return a.slot < b.slot; });
    return changed;
}

DeliverySet readDraft(const XmlNode& root)
{
    DeliverySet set;
    set.layout = DeliveryLayout::Draft;
    int heldMedium = 1;
    for (const auto& group : root.children) {
        if (same(group->name, u"基礎情報")) {
            for (const auto& item : group->children) {
                if (same(item->name, u"写真フォルダ名"))
                    set.photoFolder = item->value;
                else if (same(item->name, u"参考図フォルダ名"))
                    set.drawingFolder = item->value;
            }
        } else if (same(group->name, u"工事情報")) {
            for (const auto& item : group->children)
                set.headerItems << qMakePair(item->name, item->value);
        } else if (same(group->name, u"写真情報")) {
            DeliveryPhoto p;
            if (readDraftPhoto(*group, heldMedium, p))
                set.photos << std::move(p);
        }
    }
    return set;
}

void appendSpare(QStringList& spares, const QString& v)
{
    if (spares.size() < kMaxReadSpares)
        spares << v;
}

DeliveryPhoto readPhoto05(const XmlNode& group)
{
    DeliveryPhoto p;
    if (const XmlNode* file = child(group, u"写真ファイル情報")) {
        p.serial = valueOf(*file, u"シリアル番号").trimmed();
        p.file = valueOf(*file, u"写真ファイル名").trimmed();
        const QString medium = valueOf(*file, u"メディア番号").trimmed();
        p.disc = medium.isEmpty() ? 1 : leadingInteger(medium);
    }
    if (const XmlNode* kind = child(group, u"撮影工種区分")) {
        for (const auto& item : kind->children) {
            bool level = false;
            for (int l = 0; l < 5 && !level; ++l)
                if (same(item->name, levelElementNames()[l])) {
                    p.levels[size_t(l)] = item->value;
                    p.level = std::max(p.level, l + 1);
                    level = true;
                }
            if (level)
                continue;
            if (same(item->name, u"写真タイトル"))
                p.text[F_TITLE] = item->value;
            else if (same(item->name, u"工種区分予備"))
                appendSpare(p.spares, item->value);
        }
    }
    for (const auto& item : group.children) {
        if (!same(item->name, u"付加情報"))
            continue;
        if (p.drawings.size() >= kMaxReadDrawings) {
            ++p.drawingsLeftOut;
            continue;
        }
        DeliveryDrawing d;
        d.slot = int(p.drawings.size());
        d.file = valueOf(*item, u"参考図ファイル名").trimmed();
        d.title = valueOf(*item, u"参考図タイトル");
        for (const auto& s : item->children)
            if (same(s->name, u"付加情報予備"))
                appendSpare(d.spares, s->value);
        p.drawings << d;
    }
    if (const XmlNode* shot = child(group, u"撮影情報")) {
        p.text[F_KASYO] = valueOf(*shot, u"撮影箇所");
        p.date = valueOf(*shot, u"撮影年月日").trimmed();
        // A date of another form is kept as far as it goes.
        const QString day = fromDeliveryDate(p.date);
        p.text[F_DATE] = !day.isEmpty() ? day : sjis::cutToRoom(QString(p.date).remove(QLatin1Char('-')), 8);
    }
    p.representative = valueOf(group, u"代表写真").trimmed();
    p.frequency = valueOf(group, u"提出頻度写真").trimmed();
    p.text[F_KANRI] = valueOf(group, u"施工管理値");
    p.text[F_UKEOIBIKOU] = valueOf(group, u"請負者説明文");
    for (int y = 0; y < 3 && y < p.spares.size(); ++y)
        p.text[F_YOBI1 + y] = p.spares[y];
    return p;
}

DeliverySet readPhoto05Set(const XmlNode& root)
{
    DeliverySet set;
    set.layout = DeliveryLayout::Photo05;
    for (const auto& group : root.children) {
        if (same(group->name, u"基礎情報")) {
            set.photoFolder = valueOf(*group, u"写真フォルダ名").trimmed();
            set.drawingFolder = valueOf(*group, u"参考図フォルダ名").trimmed();
            set.standard = valueOf(*group, u"適用要領基準").trimmed();
        } else if (same(group->name, u"写真情報")) {
            set.photos << readPhoto05(*group);
        }
    }
    return set;
}

}  // namespace

DeliverySet readDeliverySet(const std::vector<std::unique_ptr<XmlNode>>& top, bool photo05)
{
    const XmlNode* root = rootOf(top);
    if (!root)
    {
        DeliverySet empty;
        empty.layout = photo05 ? DeliveryLayout::Photo05 : DeliveryLayout::Draft;
        return empty;
    }
    return photo05 ? readPhoto05Set(*root) : readDraft(*root);
}

}  // namespace zb
