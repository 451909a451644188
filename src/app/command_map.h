#pragma once
// The command map of the main window: the menu tree with its captions,
// accelerators and shortcuts, the pop-up menus, the tool buttons, and the
// enabling rules as a function of the window state. The widgets build
// themselves from these tables.
#include <QString>
#include <vector>

namespace zb {

// One menu entry. An entry with children is a submenu; a separator has an
// empty name.
struct MenuEntry {
    QString name;      // the component name (Mn_…), also the command's name
    QString caption;   // with its "&" accelerator
    QString shortcut;  // portable key text ("Ctrl+Z"), empty for none
    std::vector<MenuEntry> children;
    bool isSeparator() const { return name.isEmpty(); }
};

// The main menu, top-level entries first.
const std::vector<MenuEntry>& mainMenu();
// The pop-up menus of the tree, the photo list and the drawing list. Entries
// whose command is also in the main menu carry the main menu's name.
const std::vector<MenuEntry>& treePopup();
const std::vector<MenuEntry>& listPopup();
const std::vector<MenuEntry>& drawingListPopup();

// A command name found anywhere in the tree, or nullptr.
const MenuEntry* findEntry(const std::vector<MenuEntry>& menu, const QString& name);

// Command names of the tool buttons and pop-up items without a menu entry.
namespace cmd {
inline const QString kMoveUp = QStringLiteral("SB_Up");
inline const QString kMoveDown = QStringLiteral("SB_Down");
inline const QString kMiru = QStringLiteral("SB_Miru");
inline const QString kTreeNew = QStringLiteral("SB_TreeNew");
inline const QString kTreeRename = QStringLiteral("SB_TreeRename");
inline const QString kMaster = QStringLiteral("SB_Master");
inline const QString kTreeExpand = QStringLiteral("SB_TreeExpand");
inline const QString kTreeCollapse = QStringLiteral("SB_TreeCollapse");
}  // namespace cmd

// ---- Enabling rules ----------------------------------------------------

enum class FocusArea { Other, Tree, PhotoList, DrawingList };
enum class FolderKind { None, Unclassified, Root, Trash, Normal };

// What the enabling rules look at.
struct WindowState {
    FocusArea focus = FocusArea::Other;
    bool listMode = false;
    bool albumEditorShowing = false;
    FolderKind folder = FolderKind::None;  // the folder selected in the tree
    int folderLevel = 0;                   // levels count from 0 at the top
    int focusedListSelected = 0;           // items selected in the focused list
    bool focusedItemEdited = false;        // the single selected item has an edited picture
    int photosSelected = 0;                // photos selected in the photo list
    bool canMoveUp = false;                // the focused list or tree allows the move
    bool canMoveDown = false;
    bool masterWindowExists = false;
};

struct Enabling {
    bool drops = false;               // files dropped onto the photo and drawing lists
    bool jobList = false;             // "工事" and 工事一覧
    bool search = false;              // "検索"
    bool searchDropDown = false;      // "検索" offers 検索 and 一覧解除
    bool import = false;              // "取込"
    bool panorama = false;            // "パノラマ"
    bool panoramaBothSources = false; // the drop-down offers both sources
    bool restoreOriginal = false;     // "戻す"
    bool moveUp = false, moveDown = false;
    bool remove = false;              // "削除"
    bool renameFolder = false;        // "変更"
    bool newFolder = false;           // "新規"
    bool master = false;              // "マスタ"
    bool correct = false;             // "補正"
    bool view = false;                // "表示"
    bool drawing = false;             // "参考図"
    bool masterPourIn = false;        // the master window's pour-in command
    bool albumAdd = false;            // "工事写真帳に追加": photos chosen while the album editor is open
    bool operator==(const Enabling&) const = default;
};

// A photo level: tree levels 2 to 5, or the 未分類 or ごみ箱 folder.
bool isPhotoLevel(FolderKind kind, int level);
Enabling computeEnabling(const WindowState& s);

}  // namespace zb
