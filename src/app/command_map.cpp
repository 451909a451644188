#include "app/command_map.h"

namespace zb {
namespace {

MenuEntry item(const char* name, const char* caption, const char* shortcut = "")
{
    return MenuEntry{QString::fromLatin1(name), QString::fromUtf8(caption), QString::fromLatin1(shortcut), {}};
}

MenuEntry sub(const char* name, const char* caption, std::vector<MenuEntry> children)
{
    return MenuEntry{QString::fromLatin1(name), QString::fromUtf8(caption), {}, std::move(children)};
}

MenuEntry separator() { return MenuEntry{}; }

std::vector<MenuEntry> importItems()
{
    return {item("Mn_ImportFile", "ファイルを選択(&F)..."), item("Mn_ImportFolder", "フォルダを選択(&D)..."),
            item("Mn_ImportTwain", "TWAIN機器から(&T)...")};
}

std::vector<MenuEntry> drawingItems()
{
    return {item("Mn_DrawingFile", "ファイルを選択(&F)..."), item("Mn_DrawingPhoto", "登録済み写真から選択(&S)..."),
            item("Mn_DrawingTwain", "TWAIN機器から(&T)...")};
}

std::vector<MenuEntry> rotateItems()
{
    return {item("Mn_Rotate90", "&90度"), item("Mn_Rotate180", "&180度"), item("Mn_Rotate270", "&270度")};
}

MenuEntry moveMenu()
{
    return sub("Mn_Move", "移動(&M)", {item("SB_Up", "上(&U)"), item("SB_Down", "下(&D)")});
}

}  // namespace

const std::vector<MenuEntry>& mainMenu()
{
    static const std::vector<MenuEntry> menu = {
        sub("Mn_File", "ファイル(&F)",
            {
                item("Mn_JobList", "工事一覧(&O)..."),
                item("Mn_Album", "工事写真帳(&D)..."),
                item("Mn_TemplateSave", "テンプレート保存(&T)..."),
                separator(),
                sub("Mn_InOut", "入出力(&I)",
                    {
                        sub("Mn_Digital", "デジタル写真管理情報基準（案）(&K)",
                            {item("Mn_MissCheck", "入力漏れの検証(&C)..."), separator(),
                             item("Mn_XML_Read", "ＸＭＬ読込(&I)..."), item("Mn_XML_Write", "ＸＭＬ保存(&E)...")}),
                        item("Mn_Html", "HTML工事写真帳作成(&H)..."),
                    }),
                sub("Mn_Maintenance", "保守(&M)",
                    {
                        item("Mn_Backup", "バックアップ(&S)..."),
                        item("Mn_Restore", "バックアップから戻す(&O)..."),
                        separator(),
                        item("Mn_ThumbRebuild", "サムネイル再構築(&A)..."),
                        item("Mn_Compress", "圧縮(&C)"),
                        item("Mn_Reclaim", "領域の確保(&G)..."),
                        item("Mn_LinkRepair", "リンク切れの修復(&R)..."),
                        item("Mn_DataRepair", "データ修復(&D)..."),
                    }),
                separator(),
                item("Mn_FormSetting", "書式設定(&F)..."),
                item("Mn_Environment", "環境設定(&E)..."),
                separator(),
                item("Mn_Exit", "終了(&X)"),
            }),
        sub("Mn_Edit", "編集(&E)",
            {
                sub("Mn_Import", "取込(&I)...", importItems()),
                sub("Mn_Drawing", "参考図を追加(&S)", drawingItems()),
                separator(),
                item("Mn_View", "表示(&V)..."),
                sub("Mn_Panorama", "パノラマ(&N)...",
                    {item("Mn_PanoramaPhoto", "登録済み写真から選択(&S)..."),
                     item("Mn_PanoramaFile", "ファイルを選択(&F)...")}),
                item("Mn_Correct", "補正(&L)..."),
                sub("Mn_Rotate", "回転(&R)", rotateItems()),
                item("Mn_Original", "オリジナルの写真に戻す(&U)...", "Ctrl+Z"),
                separator(),
                item("Mn_AlbumAdd", "工事写真帳に追加(&O)"),
                item("Mn_SaveFile", "ファイルに保存(&G)...", "Ctrl+S"),
                separator(),
                item("Mn_Copy", "クリップボードへコピー(&C)", "Ctrl+C"),
                item("Mn_Paste", "クリップボードから貼り付け(&P)", "Ctrl+V"),
                separator(),
                item("Mn_Delete", "削除(&D)...", "Ctrl+Del"),
                item("Mn_SelectAll", "全て選択(&A)", "Ctrl+A"),
            }),
        sub("Mn_Seek", "検索(&S)", {item("Mn_Search", "検索(&I)...", "Ctrl+F"), item("Mn_ListClear", "一覧解除(&C)")}),
        sub("Mn_Display", "表示(&V)",
            {
                item("Mn_PanelMenu", "工事階層パネル(&K)"),
                item("Mn_PanelClip", "工事／写真情報パネル(&J)"),
                item("Mn_PanelMime", "参考図パネル(&S)"),
                separator(),
                item("Mn_LayoutReset", "画面状態の初期化(&I)..."),
            }),
        sub("Mn_Help", "ヘルプ(&H)",
            {
                item("Mn_HelpSearch", "トピックの検索(&S)"),
                separator(),
                item("Mn_HomePage", "ホームページ(&H)"),
                item("Mn_ProductPage", "ゾルベル製品紹介(&P)"),
                separator(),
                item("Mn_About", "バージョン情報(&V)..."),
            }),
    };
    return menu;
}

const std::vector<MenuEntry>& treePopup()
{
    static const std::vector<MenuEntry> menu = {
        sub("Mn_Import", "取込(&I)...", importItems()),
        separator(),
        item("SB_TreeNew", "新規(&N)...", "Ctrl+N"),
        item("SB_TreeRename", "変更(&R)..."),
        item("Mn_Delete", "削除(&D)...", "Ctrl+Del"),
        separator(),
        moveMenu(),
        separator(),
        item("SB_Master", "マスタ(&A)..."),
        item("Mn_TemplateSave", "テンプレート保存(&T)..."),
        separator(),
        item("SB_Miru", "ミルカ(&E)"),
    };
    return menu;
}

const std::vector<MenuEntry>& listPopup()
{
    static const std::vector<MenuEntry> menu = {
        sub("Mn_Import", "取込(&I)...", importItems()),
        sub("Mn_Drawing", "参考図を追加(&S)", drawingItems()),
        separator(),
        item("Mn_View", "表示(&V)..."),
        sub("Mn_Rotate", "回転(&R)", rotateItems()),
        separator(),
        item("Mn_AlbumAdd", "工事写真帳に追加(&O)"),
        item("Mn_SaveFile", "ファイルに保存(&G)...", "Ctrl+S"),
        separator(),
        item("Mn_Copy", "クリップボードへコピー(&C)", "Ctrl+C"),
        item("Mn_Paste", "クリップボードから貼り付け(&P)", "Ctrl+V"),
        separator(),
        item("Mn_Delete", "削除(&D)...", "Ctrl+Del"),
        item("Mn_SelectAll", "全て選択(&A)", "Ctrl+A"),
        moveMenu(),
        separator(),
        item("SB_Miru", "ミルカ(&E)"),
    };
    return menu;
}

const std::vector<MenuEntry>& drawingListPopup()
{
    static const std::vector<MenuEntry> menu = {
        sub("Mn_Drawing", "参考図を追加(&S)", drawingItems()),
        separator(),
        item("Mn_View", "表示(&V)..."),
        sub("Mn_Rotate", "回転(&R)", rotateItems()),
        separator(),
        item("Mn_SaveFile", "ファイルに保存(&G)...", "Ctrl+S"),
        item("Mn_Copy", "クリップボードへコピー(&C)", "Ctrl+C"),
        item("Mn_Paste", "クリップボードから貼り付け(&P)", "Ctrl+V"),
        separator(),
        item("Mn_Delete", "削除(&D)...", "Ctrl+Del"),
        item("Mn_SelectAll", "全て選択(&A)", "Ctrl+A"),
        moveMenu(),
    };
    return menu;
}

const MenuEntry* findEntry(const std::vector<MenuEntry>& menu, const QString& name)
{
    for (const MenuEntry& e : menu) {
        if (e.name == name)
            return &e;
        if (const MenuEntry* c = findEntry(e.children, name))
            return c;
    }
    return nullptr;
}

bool isPhotoLevel(FolderKind kind, int level)
{
    switch (kind) {
    case FolderKind::Unclassified:
    case FolderKind::Trash:
        return true;
    case FolderKind::Normal:
        return level >= 2 && level <= 5;
    default:
        return false;
    }
}

Enabling computeEnabling(const WindowState& s)
{
    Enabling e;
    const bool inList = s.focus == FocusArea::PhotoList || s.focus == FocusArea::DrawingList;
    const bool inTree = s.focus == FocusArea::Tree;
    const bool notFixed = s.folder == FolderKind::Normal;

    e.drops = !s.listMode;
    e.jobList = !s.albumEditorShowing;
    e.search = true;
    e.searchDropDown = s.listMode;
    e.import = !s.listMode && isPhotoLevel(s.folder, s.folderLevel);
    e.panorama = e.import;
    e.panoramaBothSources = inList && s.focusedListSelected == 2;
    e.restoreOriginal = inList && (s.focusedListSelected > 1 || (s.focusedListSelected == 1 && s.focusedItemEdited));
    e.moveUp = (inList || inTree) && s.canMoveUp;
    e.moveDown = (inList || inTree) && s.canMoveDown;
    e.remove = (inTree && notFixed) || (inList && s.focusedListSelected > 0);
    e.renameFolder = inTree && notFixed;
    e.newFolder = inTree && (s.folder == FolderKind::Root || (notFixed && s.folderLevel < 5));
    e.master = true;
    e.correct = inList && s.focusedListSelected == 1;
    e.view = e.correct;
    e.drawing = inList && s.photosSelected == 1;
    e.albumAdd = s.albumEditorShowing && inList && s.focusedListSelected > 0;
    e.masterPourIn = s.masterWindowExists && e.master && s.folder != FolderKind::None
        && s.folder != FolderKind::Unclassified && s.folder != FolderKind::Trash && s.folderLevel < 5;
    return e;
}

}  // namespace zb
