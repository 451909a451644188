#pragma once
// The hierarchy of photo folders of the open job (工事階層): folder nodes with
// captions, levels and ordered photo lists, the fixed folders, the level rules,
// the folder commands, dragging folders and dropping photos. The tree view
// shows this model; everything here works without a window.
#include "core/record.h"
#include "store/tree_file.h"

#include <QAbstractItemModel>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace zb {

class Messages;

// Texts of the folder commands.
inline const QString kNewFolderCaption = QStringLiteral("新規工事フォルダ");
inline const QString kRenameFolderCaption = QStringLiteral("工事フォルダ名の変更");
inline const QString kFolderPrompt = QStringLiteral("工事フォルダ名:");
inline const QString kNewFolderProposal = QStringLiteral("新しい工事フォルダ");
inline const QString kDuplicateFolder = QStringLiteral("同じ階層に同一の工事フォルダ名があります。");
// Room of a folder caption in the tree file, in Shift_JIS bytes.
inline constexpr int kFolderCaptionRoom = 50;
inline const QString kFolderNameTooLong = QStringLiteral("入力できる文字の長さは 50 バイト以内です。");
inline const QString kDeleteFolderConfirm = QStringLiteral(
    "選択されている工事階層を「削除」しますか？\r\n\r\n(階層下の全ての写真と参考図をごみ箱に「移動」します)");
inline const QString kLevelWarning = QStringLiteral("工事フォルダは不正な階層レベルに写真が登録されています。");
inline const QString kExpandAllHint = QStringLiteral("ツリーを全て開く");
inline const QString kCollapseOthersHint = QStringLiteral("カーソル位置以外のツリーを全て閉じる");
// Keys under which the quiet messages can be silenced.
inline const QString kNoticeDuplicate = QStringLiteral("Doubble");
inline const QString kNoticeLevel = QStringLiteral("Level");

// Deepest level a folder may have; the root is level 0.
inline constexpr int kMaxFolderLevel = 5;

// Names of levels 1 to 5, as the header above the tree shows them.
const QStringList& levelNames();

struct FolderNode {
    QString caption;
    QList<RECORD> photos;
    bool expanded = false;
    FolderNode* parent = nullptr;
    std::vector<std::unique_ptr<FolderNode>> children;

    // 0 for a top-level folder.
    int level() const;
    // Position among the parent's children.
    int row() const;
    FolderNode* child(int i) const { return children[static_cast<size_t>(i)].get(); }
    int childCount() const { return static_cast<int>(children.size()); }
};

class HierarchyModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Role { IconRole = Qt::UserRole + 1, LevelRole };
    enum class Fixed { None, Unclassified, PhotoRoot, Recycle };
    // Where a dragged folder goes relative to the target.
    enum class DropPlace {
        Child,        // on the target's caption or icon: its last child
        Before,       // on the target's indent area: before it
        LastSibling,  // in the empty space after the last node: the target's last sibling
    };

    explicit HierarchyModel(QObject* parent = nullptr);
    ~HierarchyModel() override;

    // Replaces the tree. With expandAll every folder starts expanded;
    // otherwise the top-level folders are.
    void load(const Hierarchy& folders, bool expandAll = false);
    Hierarchy toHierarchy() const;

    // Top-level folders.
    int topCount() const { return static_cast<int>(top_.size()); }
    FolderNode* top(int i) const { return top_[static_cast<size_t>(i)].get(); }
    FolderNode* unclassified() const;
    FolderNode* photoRoot() const;
    FolderNode* recycle() const;
    Fixed fixedKind(const FolderNode* node) const;
    bool isFixed(const FolderNode* node) const { return fixedKind(node) != Fixed::None; }
    // Levels 2-5, 未分類 and ごみ箱: folders photos may be registered in.
    bool isPhotoLevel(const FolderNode* node) const;
    // Icon index 0-9 (the selected index is the same).
    int iconIndex(const FolderNode* node) const;
    // Every folder in depth-first order.
    QList<FolderNode*> allFolders() const;
    // Folder by its caption path from the top, "工事写真/工事/施工状況写真".
    FolderNode* findPath(const QString& path) const;
    QString pathOf(const FolderNode* node) const;

    // The selected folder; the view follows it and tells it of the user's clicks.
    FolderNode* selected() const { return selected_; }
    void select(FolderNode* node);
    // List mode: the tree shows search results and refuses moves and drops.
    bool listMode() const { return listMode_; }
    void setListMode(bool on) { listMode_ = on; }

    void setExpanded(FolderNode* node, bool expanded);
    void expandAll();
    // Collapses every folder except the path to the selected one.
    void collapseOthers();

    // Enabling rules, for the selected folder unless one is given.
    bool canCreate(const FolderNode* node = nullptr) const;
    bool canRename(const FolderNode* node = nullptr) const;
    bool canDelete(const FolderNode* node = nullptr) const;
    bool canMoveUp(const FolderNode* node = nullptr) const;
    bool canMoveDown(const FolderNode* node = nullptr) const;
    bool canAddFromMaster(const FolderNode* node = nullptr) const;

    // The folder commands on the selected folder. They ask through Messages and
    // return whether the tree changed.
    FolderNode* newFolder(Messages& messages);
    bool renameFolder(Messages& messages);
    // Deletes the selected folder with its sub-folders after asking; every photo
    // of every deleted folder goes to ごみ箱 in folder order.
    bool deleteFolder(Messages& messages);
    bool moveUp();
    bool moveDown();
    // Adds a folder from a master below the selected folder; nullptr when not
    // allowed or when a child of that name exists.
    FolderNode* addFromMaster(const QString& caption);

    // Dragging folders.
    bool canDrag(const FolderNode* node) const;
    // Height of the folder's subtree: 1 without sub-folders.
    int subtreeDepth(const FolderNode* node) const;
    bool canDropFolder(const FolderNode* dragged, const FolderNode* target) const;
    bool dropFolder(FolderNode* dragged, FolderNode* target, DropPlace place, Messages& messages);

    // Dropping photos: the entries at the given positions of the source
    // folder's list move to the end of the target's list, in list order.
    bool canDropPhotos(const FolderNode* target) const;
    bool dropPhotos(FolderNode* source, QList<int> positions, FolderNode* target);

    // Shows the level warning once when a folder that is not fixed and lies
    // outside levels 2-5 holds photos. Returns whether it was shown.
    bool warnLevels(Messages& messages) const;

    // The changed mark of the tree.
    bool changed() const { return changed_; }
    void clearChanged() { changed_ = false; }

    // Photos of a folder changed from outside (import, deletion of photos).
    void photosChanged(FolderNode* node);
    // Appends photos to a folder (import).
    void appendPhotos(FolderNode* node, const QList<RECORD>& records);

    QModelIndex indexOf(const FolderNode* node) const;
    FolderNode* nodeOf(const QModelIndex& index) const;

    // Icons for the view: called with the icon index, its result is the
    // decoration of the item. The model itself does not paint.
    std::function<QVariant(int)> iconProvider;

    // QAbstractItemModel
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

signals:
    // Every change of the hierarchy (the changed mark was set).
    void modified();
    void selectedChanged(zb::FolderNode* node);
    void expandedChanged(const QModelIndex& index, bool expanded);

private:
    using Children = std::vector<std::unique_ptr<FolderNode>>;
    Children& siblingsOf(const FolderNode* node);
    const Children& childrenOf(const FolderNode* node) const;
    bool hasSibling(const FolderNode* parent, const QString& name, const FolderNode* except) const;
    FolderNode* insertChild(FolderNode* parent, int row, std::unique_ptr<FolderNode> node);
    std::unique_ptr<FolderNode> take(FolderNode* node);
    // Moves a node to another place; the parent may be the same one.
    void moveNode(FolderNode* node, FolderNode* newParent, int newRow);
    void touch(const FolderNode* node);
    void setChanged();
    bool canMoveFolder(const FolderNode* node) const;

    Children top_;
    FolderNode* unclassified_ = nullptr;
    FolderNode* photoRoot_ = nullptr;
    FolderNode* recycle_ = nullptr;
    FolderNode* selected_ = nullptr;
    bool listMode_ = false;
    bool changed_ = false;
};

// A caption as the folder commands take it: blanks around it trimmed and the
// characters the tree file cannot hold left out.
QString cleanFolderCaption(const QString& typed);
// Captions are compared as the tree file stores them (cut to its room),
// without regard to case and surrounding blanks.
bool sameFolderCaption(const QString& a, const QString& b);
// A caption as the tree file will hold it: cut to its room at a character
// boundary, blanks around it trimmed.
QString storedFolderCaption(const QString& caption);

}  // namespace zb
