#include "album/shipped_formats.h"

#include "album/album_document.h"
#include "core/ports.h"

#include <QDir>
#include <QTemporaryDir>

namespace zb::album {
namespace {

// Items carry no outline and no fill, so the ruled boxes beneath them show.
TPartsBox item(int slot, double l, double t, double w, double h, const QString& caption, int points = 10,
               TAlignment align = taLeftJustify)
{
    TPartsBox p;
    p.Shape = ptKoumoku;
    p.FormIndex = qint8(slot);
    p.PLeft = mm(l);
    p.PTop = mm(t);
    p.PWidth = mm(w);
    p.PHeight = mm(h);
    p.PenStyle = psClear;
    p.PenWidth = 0;
    p.Brush = bsClear;
    p.Caption = caption;
    p.Font.size = points;
    p.Alignment = align;
    return p;
}

TPartsBox ruled(int slot, double l, double t, double w, double h, int rows)
{
    TPartsBox p;
    p.Shape = ptRectangle;
    p.FormIndex = qint8(slot);
    p.PLeft = mm(l);
    p.PTop = mm(t);
    p.PWidth = mm(w);
    p.PHeight = mm(h);
    p.PenWidth = mm(0.3);
    p.Brush = bsClear;
    p.MeisaiLine = quint8(rows);
    return p;
}

TPartsBox photoFrame(int slot, double l, double t, double w, double h)
{
    TPartsBox p = item(slot, l, t, w, h, QStringLiteral("{2500.写真}"));
    p.PenStyle = psSolid;
    p.PenWidth = mm(0.3);
    return p;
}

const QString kDate = QStringLiteral("{2019.撮影年月日;&G2&E1年&M1月&D1日}");

// The usual photo items, one ruled row each, in a box beside or below the frame.
void photoInfo(Page& page, int slot, double l, double t, double w, double h)
{
    const QStringList rows = {
        QStringLiteral("工種：{2007.工種}"),         QStringLiteral("種別：{2008.種別}"),
        QStringLiteral("細別：{2009.細別}"),         QStringLiteral("{2010.写真タイトル}"),
        QStringLiteral("撮影箇所：{2017.撮影箇所}"), QStringLiteral("撮影日：") + kDate,
        QStringLiteral("{2023.施工管理値}"),
    };
    page.parts << ruled(slot, l, t, w, h, int(rows.size()));
    const double rowHeight = h / rows.size();
    for (int i = 0; i < rows.size(); ++i)
        page.parts << item(slot, l + 1, t + i * rowHeight, w - 2, rowHeight, rows[i], 9);
}

void commonParts(Page& page, double paperW, double paperH)
{
    page.parts << item(0, 15, 8, paperW - 30, 10, QStringLiteral("{1003.工事名称}"), 12, taCenter);
    page.parts << item(0, paperW / 2 - 15, paperH - 14, 30, 8, QStringLiteral("- {150.頁} -"), 10, taCenter);
}

ShippedFormat threeUp()
{
    ShippedFormat f{QStringLiteral("A4縦3連A.ZBF"), QStringLiteral("A4縦 写真3枚"), 9, 0, {}};
    commonParts(f.page, 210, 297);
    for (int s = 1; s <= 3; ++s) {
        const double top = 22 + (s - 1) * 86;
        f.page.parts << photoFrame(s, 15, top, 104, 78);
        photoInfo(f.page, s, 122, top, 73, 78);
    }
    return f;
}

ShippedFormat twoUpPortrait()
{
    ShippedFormat f{QStringLiteral("A4縦2連.ZBF"), QStringLiteral("A4縦 写真2枚"), 9, 0, {}};
    commonParts(f.page, 210, 297);
    for (int s = 1; s <= 2; ++s) {
        const double top = 22 + (s - 1) * 130;
        f.page.parts << photoFrame(s, 15, top, 120, 90);
        photoInfo(f.page, s, 138, top, 57, 90);
    }
    return f;
}

ShippedFormat twoUpLandscape()
{
    ShippedFormat f{QStringLiteral("A4横2連.ZBF"), QStringLiteral("A4横 写真2枚"), 9, 1, {}};
    commonParts(f.page, 297, 210);
    for (int s = 1; s <= 2; ++s) {
        const double left = 15 + (s - 1) * 137;
        f.page.parts << photoFrame(s, left, 22, 130, 97.5);
        photoInfo(f.page, s, left, 123, 130, 70);
    }
    return f;
}

ShippedFormat cover()
{
    ShippedFormat f{QStringLiteral("表書き.ZBF"), QStringLiteral("表書き"), 9, 0, {}};
    Page& p = f.page;
    p.parts << item(0, 20, 40, 170, 20, QStringLiteral("工事写真帳"), 28, taCenter);
    p.parts << item(0, 20, 80, 170, 20, QStringLiteral("{1003.工事名称}"), 18, taCenter);
    const QStringList rows = {
        QStringLiteral("工期：{1005.工期開始日;&G2&E1年&M1月&D1日}～{1006.工期終了日;&G2&E1年&M1月&D1日}"),
        QStringLiteral("発注者：{1007.発注者－大分類}　{1008.発注者－中分類}"),
        QStringLiteral("請負者：{1011.請負者名}"),
    };
    p.parts << ruled(0, 30, 130, 150, 45, int(rows.size()));
    for (int i = 0; i < rows.size(); ++i)
        p.parts << item(0, 32, 130 + i * 15, 146, 15, rows[i], 11);
    const QStringList company = {
        QStringLiteral("{50.会社名1}"), QStringLiteral("{51.会社名2}"),
        QStringLiteral("{52.郵便番号} {53.住所1}{54.住所2}"),
        QStringLiteral("TEL {55.電話番号}　FAX {56.FAX番号}"),
    };
    for (int i = 0; i < company.size(); ++i)
        p.parts << item(0, 30, 215 + i * 10, 150, 10, company[i], 11, taCenter);
    return f;
}

}  // namespace

QList<ShippedFormat> shippedFormats() { return {threeUp(), twoUpPortrait(), twoUpLandscape(), cover()}; }

bool writeShippedFormats(const QString& folder, QString* error)
{
    QDir().mkpath(folder);
    // Work files and the backup of a replaced file stay in a scratch folder.
    QTemporaryDir scratch;
    for (const ShippedFormat& f : shippedFormats()) {
        SilentMessages quiet;
        AlbumDocument doc(DocKind::Format, folder, folder, scratch.path(), quiet);
        doc.startNew(QString(), 1, 0, 0);
        doc.title = f.title;
        doc.paperCode = f.paperCode;
        doc.orientation = f.orientation;
        doc.page = f.page;
        doc.page.orientation = f.orientation;
        DrawContext c;
        c.today = QDate(2000, 1, 1);
        if (!doc.save(f.fileName, c)) {
            if (error)
                *error = f.fileName;
            return false;
        }
    }
    return true;
}

}  // namespace zb::album
