#include "delivery/delivery_writer.h"

#include "core/sjis.h"
#include "delivery/delivery_common.h"
#include "delivery/delivery_export.h"

#include <cstring>
#include <vector>

namespace zb {

// PHOTO05.DTD's bytes, compiled in from the file in the source tree.
extern const unsigned char kPhoto05DtdBytes[];
extern const unsigned kPhoto05DtdSize;

QByteArray photo05Dtd()
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(kPhoto05DtdBytes), int(kPhoto05DtdSize));
}

namespace {

// The encoded opening and closing tags of an element at its indent.
struct Tags {
    QByteArray open, close;
    Tags(const QString& name, int indent)
        : open(QByteArray(indent, ' ') + "<" + sjis::toBytes(name) + ">"), close("</" + sjis::toBytes(name) + ">\r\n")
    {
    }
};

void append(QByteArray& out, const QByteArray& b)
{
    const qsizetype at = out.size();
    out.resize(at + b.size());
    std::memcpy(out.data() + at, b.constData(), size_t(b.size()));
}

// An element on one line; left out when empty unless `always`.
void element(QByteArray& out, const Tags& t, QStringView value, bool always = false)
{
    if (value.isEmpty() && !always)
        return;
    append(out, t.open);
    appendSjis(out, value, true);
    append(out, t.close);
}

QByteArray line(const QString& text, int indent)
{
    return QByteArray(indent, ' ') + sjis::toBytes(text) + "\r\n";
}

// A group of the head: left out entirely when every value is empty.
void group(QByteArray& out, const QString& name, const QList<QPair<QString, QString>>& items)
{
    bool any = false;
    for (const auto& i : items)
        any = any || !i.second.isEmpty();
    if (!any)
        return;
    out += line(QStringLiteral("<") + name + QStringLiteral(">"), 4);
    for (const auto& i : items)
        element(out, Tags(i.first, 8), i.second);
    out += line(QStringLiteral("</") + name + QStringLiteral(">"), 4);
}

struct Field {
    const char16_t* name;
    PhotoField field;
};

// The draft's layout: flat groups, every item of the photo row.
class DraftWriter final : public DeliveryXmlWriter {
public:
    DraftWriter()
    {
        for (const QString& l : levelElementNames())
            levels_.emplace_back(l, 8);
        for (int i = 1; i <= 3; ++i) {
            drawings_.emplace_back(QStringLiteral("参考図%1").arg(i), 8);
            drawingMimes_.emplace_back(QStringLiteral("参考図%1-MIME").arg(i), 8);
        }
        for (const Field& f : kAfterLevels)
            afterLevels_.emplace_back(QString::fromUtf16(f.name), 8);
        for (const Field& f : kAfterDrawings)
            afterDrawings_.emplace_back(QString::fromUtf16(f.name), 8);
    }

    QString dtdName() const override { return QStringLiteral("PHOTO.DTD"); }

    QByteArray head(const DeliverySet& set) const override
    {
        QByteArray out;
        out += R"(<?xml version="1.0" encoding="shift_jis" ?>)" "\r\n";
        out += R"(<!DOCTYPE photodata SYSTEM "PHOTO.DTD">)" "\r\n";
        out += "<photodata>\r\n";
        group(out, QStringLiteral("基礎情報"), basicInformation());
        group(out, QStringLiteral("工事情報"), constructionInformation(set.header));
        return out;
    }

    void photo(QByteArray& out, const DeliveryPhoto& p) const override
    {
        append(out, open_);
        element(out, serial_, p.serial);
        element(out, file_, p.file);
        element(out, medium_, QString::number(p.disc));
        element(out, flag_, QString::number(p.flag));
        element(out, fileSpare_, p.text[F_BIKOU_A]);
        for (int l = 0; l < 5 && l < p.level; ++l)
            element(out, levels_[size_t(l)], p.levels[size_t(l)]);
        for (size_t e = 0; e < std::size(kAfterLevels); ++e)
            element(out, afterLevels_[e], p.text[kAfterLevels[e].field]);
        for (qsizetype d = 0; d < p.drawings.size() && d < 3; ++d)
            element(out, drawings_[size_t(d)], p.drawings[d].file);
        for (size_t e = 0; e < std::size(kAfterDrawings); ++e) {
            if (kAfterDrawings[e].field == F_FILMNUM)
                element(out, afterDrawings_[e], p.filmNumber == 0 ? QString() : QString::number(p.filmNumber));
            else
                element(out, afterDrawings_[e], p.text[kAfterDrawings[e].field]);
        }
        element(out, mime_, u"image/jpeg");
        for (qsizetype d = 0; d < p.drawings.size() && d < 3; ++d)
            element(out, drawingMimes_[size_t(d)], u"image/jpeg");
        append(out, close_);
    }

private:
    static constexpr Field kAfterLevels[] = {
        {u"写真タイトル", F_TITLE}, {u"工種区分予備1", F_YOBI1}, {u"工種区分予備2", F_YOBI2}, {u"工種区分予備3", F_YOBI3}};
    static constexpr Field kAfterDrawings[] = {
        {u"撮影箇所", F_KASYO},          {u"付加情報予備", F_BIKOU_B},   {u"撮影年月日", F_DATE},
        {u"フィルム番号", F_FILMNUM},    {u"コマ番号", F_NEGANUM},       {u"撮影情報予備", F_BIKOU_C},
        {u"施工管理値", F_KANRI},        {u"施工管理値予備", F_BIKOU_D}, {u"状況説明予備", F_BIKOU_E},
        {u"請負者説明文", F_UKEOIBIKOU}, {u"発注者説明文", F_HACYUBIKOU}, {u"写真情報予備1", F_BIKOU1},
        {u"写真情報予備2", F_BIKOU2},    {u"写真情報予備3", F_BIKOU3}};

    QByteArray open_ = line(QStringLiteral("<写真情報>"), 4), close_ = line(QStringLiteral("</写真情報>"), 4);
    Tags serial_{QStringLiteral("シリアル番号"), 8}, file_{QStringLiteral("写真ファイル名"), 8},
        medium_{QStringLiteral("メディア番号"), 8}, flag_{QStringLiteral("写真整理フラグ"), 8},
        fileSpare_{QStringLiteral("写真ファイル情報予備"), 8}, mime_{QStringLiteral("写真MIME"), 8};
    std::vector<Tags> levels_, drawings_, drawingMimes_, afterLevels_, afterDrawings_;
};

// The current layout: nested groups, four spaces per level.
class Photo05Writer final : public DeliveryXmlWriter {
public:
    Photo05Writer()
    {
        for (const QString& l : levelElementNames())
            levels_.emplace_back(l, 12);
    }

    QString dtdName() const override { return QStringLiteral("PHOTO05.DTD"); }

    QByteArray head(const DeliverySet& set) const override
    {
        QByteArray out;
        out += R"(<?xml version="1.0" encoding="Shift_JIS"?>)" "\r\n";
        out += R"(<!DOCTYPE photodata SYSTEM "PHOTO05.DTD">)" "\r\n";
        out += R"(<photodata DTD_version="05">)" "\r\n";
        out += line(QStringLiteral("<基礎情報>"), 4);
        element(out, Tags(QStringLiteral("写真フォルダ名"), 8), set.photoFolder, true);
        if (set.hasDrawings())
            element(out, Tags(QStringLiteral("参考図フォルダ名"), 8), set.drawingFolder, true);
        element(out, Tags(QStringLiteral("適用要領基準"), 8), set.standard, true);
        out += line(QStringLiteral("</基礎情報>"), 4);
        return out;
    }

    void photo(QByteArray& out, const DeliveryPhoto& p) const override
    {
        append(out, photoOpen_);
        append(out, fileOpen_);
        element(out, serial_, p.serial, true);
        element(out, file_, p.file, true);
        element(out, medium_, QString::number(p.disc), true);
        append(out, fileClose_);

        append(out, kindOpen_);
        element(out, levels_[0], p.level >= 1 ? p.levels[0] : QString(), true);
        for (int l = 1; l < 5 && l < p.level; ++l)
            element(out, levels_[size_t(l)], p.levels[size_t(l)]);
        element(out, title_, p.text[F_TITLE], true);
        for (const QString& s : p.spares)
            element(out, kindSpare_, s);
        append(out, kindClose_);

        for (const DeliveryDrawing& d : p.drawings) {
            append(out, extraOpen_);
            element(out, drawingFile_, d.file, true);
            element(out, drawingTitle_, d.title, true);
            for (const QString& s : d.spares)
                element(out, extraSpare_, s);
            append(out, extraClose_);
        }

        append(out, shotOpen_);
        element(out, place_, p.text[F_KASYO]);
        element(out, date_, p.date, true);
        append(out, shotClose_);
        element(out, representative_, p.representative, true);
        element(out, frequency_, p.frequency, true);
        element(out, control_, p.text[F_KANRI]);
        element(out, contractor_, p.text[F_UKEOIBIKOU]);
        append(out, photoClose_);
    }

private:
    QByteArray photoOpen_ = line(QStringLiteral("<写真情報>"), 4), photoClose_ = line(QStringLiteral("</写真情報>"), 4),
               fileOpen_ = line(QStringLiteral("<写真ファイル情報>"), 8),
               fileClose_ = line(QStringLiteral("</写真ファイル情報>"), 8),
               kindOpen_ = line(QStringLiteral("<撮影工種区分>"), 8), kindClose_ = line(QStringLiteral("</撮影工種区分>"), 8),
               extraOpen_ = line(QStringLiteral("<付加情報>"), 8), extraClose_ = line(QStringLiteral("</付加情報>"), 8),
               shotOpen_ = line(QStringLiteral("<撮影情報>"), 8), shotClose_ = line(QStringLiteral("</撮影情報>"), 8);
    Tags serial_{QStringLiteral("シリアル番号"), 12}, file_{QStringLiteral("写真ファイル名"), 12},
        medium_{QStringLiteral("メディア番号"), 12}, title_{QStringLiteral("写真タイトル"), 12},
        kindSpare_{QStringLiteral("工種区分予備"), 12}, drawingFile_{QStringLiteral("参考図ファイル名"), 12},
        drawingTitle_{QStringLiteral("参考図タイトル"), 12}, extraSpare_{QStringLiteral("付加情報予備"), 12},
        place_{QStringLiteral("撮影箇所"), 12}, date_{QStringLiteral("撮影年月日"), 12},
        representative_{QStringLiteral("代表写真"), 8}, frequency_{QStringLiteral("提出頻度写真"), 8},
        control_{QStringLiteral("施工管理値"), 8}, contractor_{QStringLiteral("請負者説明文"), 8};
    std::vector<Tags> levels_;
};

}  // namespace

std::unique_ptr<DeliveryXmlWriter> deliveryXmlWriter(DeliveryLayout layout)
{
    if (layout == DeliveryLayout::Draft)
        return std::make_unique<DraftWriter>();
    return std::make_unique<Photo05Writer>();
}

QByteArray deliveryXml(const DeliverySet& set)
{
    const auto writer = deliveryXmlWriter(set.layout);
    QByteArray out = writer->head(set);
    for (const DeliveryPhoto& p : set.photos)
        writer->photo(out, p);
    out += writer->tail();
    return out;
}

}  // namespace zb
