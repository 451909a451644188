#include "items/item_defs.h"

namespace zb::items {

namespace {

ItemDef kojiText(int row, NeedMark mark, const char* label, QString JobHeader::*member, int room,
                 const char* xml, int code, int maxLength, ImeMode ime, int mode, bool registrable,
                 QStringList defaults = {})
{
    ItemDef d;
    d.group = Group::Koji;
    d.row = row;
    d.mark = mark;
    d.label = QString::fromUtf8(label);
    d.headerSlot = HeaderSlot::Text;
    d.headerText = member;
    d.room = room;
    d.xmlElement = QString::fromUtf8(xml);
    d.code = code;
    d.maxLength = maxLength;
    d.ime = ime;
    d.charMode = mode;
    d.registrable = registrable;
    d.defaultList = std::move(defaults);
    return d;
}

ItemDef photoText(int row, NeedMark mark, const char* label, PhotoField field, const char* xml, int code,
                  int maxLength, bool registrable = true, QStringList defaults = {})
{
    ItemDef d;
    d.group = Group::Photo;
    d.row = row;
    d.mark = mark;
    d.label = QString::fromUtf8(label);
    d.photoField = field;
    d.xmlElement = QString::fromUtf8(xml);
    d.code = code;
    d.maxLength = maxLength;
    d.ime = ImeMode::Open;
    d.charMode = 3;
    d.registrable = registrable;
    d.defaultList = std::move(defaults);
    return d;
}

// Attributes shared by the date rows: 20 typed characters, digits only, calendar.
void makeDate(ItemDef& d)
{
    d.maxLength = 20;
    d.ime = ImeMode::Closed;
    d.charMode = 1;
    d.numericKind = 2;
    d.negativesAllowed = false;
    d.button = ButtonKind::Calendar;
    d.dateFormat = QStringLiteral("yyyymmdd");
}

// 代表写真 and 提出頻度写真: required in every delivery, "1" or "0", picked
// from a fixed list (a photo imported before these items existed reads 0).
ItemDef zeroOne(int row, const char* label, PhotoField field)
{
    ItemDef d;
    d.group = Group::Photo;
    d.row = row;
    d.mark = NeedMark::Required;
    d.label = QString::fromUtf8(label);
    d.photoField = field;
    d.xmlElement = d.label;
    d.maxLength = 1;
    d.ime = ImeMode::Closed;
    d.choiceOnly = true;
    d.defaultList = {QStringLiteral("0"), QStringLiteral("1")};
    d.valueKind = ValueKind::ZeroOne;
    return d;
}

QList<ItemDef> buildKoji()
{
    using N = NeedMark;
    using I = ImeMode;
    QList<ItemDef> v;

    ItemDef progress;
    progress.group = Group::Koji;
    progress.row = 1;
    progress.mark = N::System;
    progress.label = QStringLiteral("工事データ進捗状況");
    progress.headerSlot = HeaderSlot::Progress;
    progress.choiceOnly = true;
    progress.valueKind = ValueKind::ProgressIndex;
    v << progress;

    v << kojiText(2, N::System, "工事データ作成者", &JobHeader::author, 20, "", 310, 20, I::Open, 0, true,
                  {QStringLiteral("担当者１"), QStringLiteral("担当者２"), QStringLiteral("担当者３")});
    v << kojiText(3, N::System, "事業種別", &JobHeader::projectType, 50, "", 320, 50, I::Open, 0, true);
    v << kojiText(4, N::System, "事業名", &JobHeader::projectName, 50, "", 330, 50, I::Open, 0, true);
    v << kojiText(5, N::System, "施工担当者", &JobHeader::personInCharge, 20, "", 340, 20, I::Open, 0, true);

    ItemDef year;
    year.group = Group::Koji;
    year.row = 6;
    year.mark = N::Required;
    year.label = QStringLiteral("発注年度");
    year.headerSlot = HeaderSlot::FiscalYear;
    year.xmlElement = QStringLiteral("発注年度");
    year.code = 1000;
    year.maxLength = 4;
    year.ime = I::Closed;
    year.charMode = 1;
    year.numericKind = 2;
    year.negativesAllowed = false;
    year.valueKind = ValueKind::ZeroEmptyInt;
    v << year;

    v << kojiText(7, N::Required, "工事番号", &JobHeader::contractNumber, 127, "工事番号", 1001, 127, I::Closed, 1,
                  false);
    v << kojiText(8, N::Conditional, "河川路線名等", &JobHeader::riverRouteName, 127, "河川路線名等", 1002, 127,
                  I::Open, 3, true);
    v << kojiText(9, N::Required, "工事名称", &JobHeader::constructionName, 255, "工事名称", 1003, 255, I::Open, 3,
                  true);
    v << kojiText(10, N::Required, "工事箇所", &JobHeader::constructionSite, 127, "工事箇所", 1004, 127, I::Open,
                  3, true);
    ItemDef start = kojiText(11, N::Required, "工期開始日", &JobHeader::startDate, 8, "工期開始日", 1005, 20,
                             I::Closed, 1, false);
    makeDate(start);
    v << start;
    ItemDef end = kojiText(12, N::Required, "工期終了日", &JobHeader::endDate, 8, "工期終了日", 1006, 20, I::Closed,
                           1, false);
    makeDate(end);
    v << end;
    v << kojiText(13, N::Required, "発注者－大分類", &JobHeader::clientMajor, 32, "発注者-大分類", 1007, 32,
                  I::Open, 3, true, {QStringLiteral("国土交通省")});
    v << kojiText(14, N::Conditional, "発注者－中分類", &JobHeader::clientMiddle, 32, "発注者-中分類", 1008, 32,
                  I::Open, 3, true, {QStringLiteral("○○地方建設局")});
    v << kojiText(15, N::Conditional, "発注者－小分類", &JobHeader::clientMinor, 32, "発注者-小分類", 1009, 32,
                  I::Open, 3, true, {QStringLiteral("○○公園工事事務局")});
    v << kojiText(16, N::Required, "発注者コード", &JobHeader::clientCode, 8, "発注者コード", 1010, 8, I::Closed,
                  1, false);
    v << kojiText(17, N::Required, "請負者名", &JobHeader::contractorName, 255, "請負者名", 1011, 255, I::Open, 3,
                  true);
    v << kojiText(18, N::Conditional, "請負者コード", &JobHeader::contractorCode, 127, "請負者コード", 1012, 127,
                  I::Closed, 1, false);
    ItemDef clientRemarks = kojiText(19, N::Optional, "発注者備考", &JobHeader::clientRemarks, 255, "発注者備考",
                                     1013, 255, I::Open, 3, true);
    clientRemarks.multiLine = true;
    v << clientRemarks;
    ItemDef contractorRemarks = kojiText(20, N::Optional, "請負者備考", &JobHeader::contractorRemarks, 255,
                                         "請負者備考", 1014, 255, I::Open, 3, true);
    contractorRemarks.multiLine = true;
    v << contractorRemarks;
    return v;
}

QList<ItemDef> buildPhoto()
{
    using N = NeedMark;
    QList<ItemDef> v;

    ItemDef flag;
    flag.group = Group::Photo;
    flag.row = 1;
    flag.mark = N::Conditional;
    flag.label = QStringLiteral("写真整理フラッグ");
    flag.photoField = F_FLAG;
    flag.xmlElement = QStringLiteral("写真整理フラグ");
    flag.ime = ImeMode::Closed;
    flag.choiceOnly = true;
    flag.registrable = true;
    flag.defaultList = {QStringLiteral("0.原本"), QStringLiteral("1.工事写真帳"), QStringLiteral("99.提出しない")};
    flag.valueKind = ValueKind::SortingFlag;
    v << flag;

    v << photoText(2, N::Optional, "写真ファイル情報予備", F_BIKOU_A, "写真ファイル情報予備", 2004, 255);
    v << photoText(3, N::Required, "写真タイトル", F_TITLE, "写真タイトル", 2010, 80, true,
                   {QStringLiteral("養浜工部：着手前"), QStringLiteral("路盤（1階層目）出来型測定"),
                    QStringLiteral("その他")});
    v << photoText(4, N::Optional, "工種区分予備1", F_YOBI1, "工種区分予備1", 2011, 40);
    v << photoText(5, N::Optional, "工種区分予備2", F_YOBI2, "工種区分予備2", 2012, 40);
    v << photoText(6, N::Optional, "工種区分予備3", F_YOBI3, "工種区分予備3", 2013, 40);
    v << photoText(7, N::Conditional, "撮影箇所", F_KASYO, "撮影箇所", 2017, 127, true,
                   {QStringLiteral("起点より終点方向"), QStringLiteral("測点：1L")});
    v << photoText(8, N::Optional, "付加情報予備", F_BIKOU_B, "付加情報予備", 2018, 255);

    ItemDef date = photoText(9, N::Conditional, "撮影年月日", F_DATE, "撮影年月日", 2019, 20, false);
    makeDate(date);
    v << date;

    ItemDef film = photoText(10, N::Conditional, "フィルム番号", F_FILMNUM, "フィルム番号", 2020, 8, false);
    film.ime = ImeMode::Closed;
    film.charMode = 1;
    film.numericKind = 2;
    film.negativesAllowed = false;
    film.button = ButtonKind::Spin;
    film.valueKind = ValueKind::ZeroEmptyInt;
    v << film;

    ItemDef frame = photoText(11, N::Conditional, "コマ番号", F_NEGANUM, "コマ番号", 2021, 8, false);
    frame.ime = ImeMode::Closed;
    frame.charMode = 2;
    v << frame;

    v << photoText(12, N::Optional, "撮影情報予備", F_BIKOU_C, "撮影情報予備", 2022, 255);
    v << photoText(13, N::Conditional, "施工管理値", F_KANRI, "施工管理値", 2023, 255, true,
                   {QStringLiteral("As舗装：設計寸法○○mm・実測寸法○○mm")});
    v << photoText(14, N::Conditional, "施工管理値予備", F_BIKOU_D, "施工管理値予備", 2024, 255);
    v << photoText(15, N::Optional, "状況説明予備", F_BIKOU_E, "状況説明予備", 2025, 255);
    ItemDef ukeoi = photoText(16, N::Optional, "請負者説明文", F_UKEOIBIKOU, "請負者説明文", 2026, 255);
    ukeoi.multiLine = true;
    v << ukeoi;
    ItemDef hacyu = photoText(17, N::Optional, "発注者説明文", F_HACYUBIKOU, "発注者説明文", 2027, 255);
    hacyu.multiLine = true;
    v << hacyu;
    v << photoText(18, N::Optional, "写真予備情報1", F_BIKOU1, "写真情報予備1", 2028, 255);
    v << photoText(19, N::Optional, "写真予備情報2", F_BIKOU2, "写真情報予備2", 2029, 255);
    v << photoText(20, N::Optional, "写真予備情報3", F_BIKOU3, "写真情報予備3", 2030, 255);
    v << zeroOne(21, "代表写真", F_DAIHYO);
    v << zeroOne(22, "提出頻度写真", F_TEISYUTU);
    return v;
}

}  // namespace

const QList<ItemDef>& kojiItems()
{
    static const QList<ItemDef> v = buildKoji();
    return v;
}

const QList<ItemDef>& photoItems()
{
    static const QList<ItemDef> v = buildPhoto();
    return v;
}

const QList<ItemDef>& groupItems(Group group)
{
    return group == Group::Koji ? kojiItems() : photoItems();
}

QList<const ItemDef*> shownItems(Group group, bool levelFilterDown)
{
    QList<const ItemDef*> out;
    for (const ItemDef& d : groupItems(group))
        if (!levelFilterDown || d.shownWhenFiltered())
            out << &d;
    return out;
}

const ItemDef* findItem(Group group, QStringView label)
{
    for (const ItemDef& d : groupItems(group))
        if (d.label == label)
            return &d;
    return nullptr;
}

const ItemDef* findItem(QStringView label)
{
    if (const ItemDef* d = findItem(Group::Koji, label))
        return d;
    return findItem(Group::Photo, label);
}

const ItemDef* findItemByCode(int code)
{
    if (code <= 0)
        return nullptr;
    for (Group g : {Group::Koji, Group::Photo})
        for (const ItemDef& d : groupItems(g))
            if (d.code == code)
                return &d;
    return nullptr;
}

const ItemDef* findPhotoItem(PhotoField field)
{
    for (const ItemDef& d : photoItems())
        if (d.photoField == field)
            return &d;
    return nullptr;
}

QString markText(NeedMark mark)
{
    switch (mark) {
    case NeedMark::Required: return QStringLiteral("◎");
    case NeedMark::Conditional: return QStringLiteral("○");
    case NeedMark::Optional: return QStringLiteral("△");
    case NeedMark::System: return QStringLiteral("◇");
    }
    return {};
}

QString markMeaning(NeedMark mark)
{
    switch (mark) {
    case NeedMark::Required: return QStringLiteral("必須記入");
    case NeedMark::Conditional: return QStringLiteral("条件付き必須記入");
    case NeedMark::Optional: return QStringLiteral("任意記入");
    case NeedMark::System: break;
    }
    return {};
}

std::optional<QColor> markColor(NeedMark mark)
{
    switch (mark) {
    case NeedMark::Required: return QColor(255, 255, 136);
    case NeedMark::Conditional: return QColor(64, 157, 111);
    default: return std::nullopt;
    }
}

}  // namespace zb::items
