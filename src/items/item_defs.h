#pragma once
// The item vocabulary: every row of the two item grids (construction
// information 工事情報, one set per job, and photo information 写真情報, one set
// per photo) with its label, need mark, storage, delivery element, caption
// code and input rules.
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace zb::items {

enum class Group { Koji, Photo };

// Need level (必要度) of an item, shown as its mark in the grid's first column.
enum class NeedMark {
    Required,     // ◎ 必須記入
    Conditional,  // ○ 条件付き必須記入
    Optional,     // △ 任意記入
    System        // ◇ the program's own management items, never exported
};

enum class ImeMode { DontCare, Closed, Open };
enum class ButtonKind { List, Spin, Calendar };

// How a value travels between the grid text and its storage.
enum class ValueKind {
    Text,           // the text itself (cut to the header room for construction items)
    ProgressIndex,  // 工事データ進捗状況: index of the text in the progress list
    ZeroEmptyInt,   // 発注年度, フィルム番号: leading integer, 0 shown as an empty cell
    SortingFlag,    // 写真整理フラッグ: leading integer, shown by its list entry
    ZeroOne         // 代表写真, 提出頻度写真: "0" or "1" from the fixed list; a null field shows "0"
};

// Where a construction item lives in the JobHeader.
enum class HeaderSlot { None, Progress, FiscalYear, Text };

struct ItemDef {
    Group group = Group::Koji;
    int row = 0;           // 1-based row in the full (unfiltered) order of its group
    NeedMark mark = NeedMark::Optional;
    QString label;         // grid label, also the section name in ZBMENU.LST
    // Storage: construction items
    HeaderSlot headerSlot = HeaderSlot::None;
    QString JobHeader::*headerText = nullptr;  // for HeaderSlot::Text
    int room = 0;                              // bytes the header keeps (0: not a header text)
    // Storage: photo items
    PhotoField photoField = kPhotoFieldCount;  // kPhotoFieldCount for construction items
    QString xmlElement;    // empty: not exported
    int code = 0;          // caption code, 0 when the item has none
    int maxLength = 0;     // in Shift_JIS bytes, 0 for no limit
    ImeMode ime = ImeMode::DontCare;
    int charMode = 0;      // character mode 0-5 (char_mode.h)
    int numericKind = 0;   // 0 text, 1 or 2 number
    bool negativesAllowed = true;
    ButtonKind button = ButtonKind::List;
    QString dateFormat;    // calendar button's format ("yyyymmdd"), empty for none
    bool multiLine = false;
    bool choiceOnly = false;
    bool registrable = false;  // the user may edit the row's list (項目の登録)
    QStringList defaultList;   // first-start entries of a registrable row; the fixed list of another row
    ValueKind valueKind = ValueKind::Text;

    // True for ◎ and ○ items: the ones shown while the need-level filter is down.
    bool shownWhenFiltered() const { return mark == NeedMark::Required || mark == NeedMark::Conditional; }
    bool isDateItem() const { return button == ButtonKind::Calendar; }
};

// The 20 construction items and the 22 photo items, in grid order.
const QList<ItemDef>& kojiItems();
const QList<ItemDef>& photoItems();
const QList<ItemDef>& groupItems(Group group);

// The items a grid shows: all of them with the filter up; only the ◎ and ○
// items, in the same order, with the filter down (13 construction, 10 photo rows).
QList<const ItemDef*> shownItems(Group group, bool levelFilterDown);

// Item by grid label; nullptr when no item has it. Without a group, both are searched.
const ItemDef* findItem(Group group, QStringView label);
const ItemDef* findItem(QStringView label);
// Item by caption code (1000-1014, 2004-2030, 310-340); nullptr for other codes.
const ItemDef* findItemByCode(int code);
// Item stored in a photo field; nullptr when no grid row shows that field.
const ItemDef* findPhotoItem(PhotoField field);

// "◎" "○" "△" "◇".
QString markText(NeedMark mark);
// Words of the missing-input dialog: "必須記入", "条件付き必須記入", "任意記入";
// empty for ◇.
QString markMeaning(NeedMark mark);
// Background of every cell of the row: ◎ RGB(255,255,136), ○ RGB(64,157,111);
// nullopt (the grid's own colour) for △ and ◇.
std::optional<QColor> markColor(NeedMark mark);

// Texts of the grids' header row.
inline const QString kLabelHeader = QStringLiteral("(項  目)");
inline const QString kValueHeader = QStringLiteral("(内  容)");
// The need-level toggle SB_InputLevel.
inline const QString kInputLevelCaption = QStringLiteral("必要度");
inline const QString kInputLevelHint = QStringLiteral("入力の必要度が「◎○」の項目");
// The register button SB_KouEdit.
inline const QString kKouEditCaption = QStringLiteral("項目登録");
inline const QString kKouEditHint = QStringLiteral("項目メニューの登録");

}  // namespace zb::items
