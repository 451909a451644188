#include "workspace/hierarchy_model.h"

#include "core/ports.h"
#include "core/sjis.h"

#include <algorithm>

namespace zb {

const QStringList& levelNames()
{
    static const QStringList names = {QStringLiteral("分類"), QStringLiteral("区分"), QStringLiteral("工種"),
                                      QStringLiteral("種別"), QStringLiteral("細別")};
    return names;
}

QString cleanFolderCaption(const QString& typed) { return sjis::dropUnmappable(typed.trimmed()).trimmed(); }

QString storedFolderCaption(const QString& caption)
{
    return sjis::cutToRoom(caption.trimmed(), kFolderCaptionRoom).trimmed();
}

bool sameFolderCaption(const QString& a, const QString& b)
{
    return storedFolderCaption(a).compare(storedFolderCaption(b), Qt::CaseInsensitive) == 0;
}

int FolderNode::level() const
{
    int l = 0;
    for (const FolderNode* p = parent; p; p = p->parent)
        ++l;
    return l;
}

int FolderNode::row() const
{
    // Top-level rows are answered by the model, which owns the top level.
    if (!parent)
        return -1;
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i) == this)
            return i;
    return -1;
}

HierarchyModel::HierarchyModel(QObject* parent) : QAbstractItemModel(parent) {}

HierarchyModel::~HierarchyModel() = default;

// --- building ---

void HierarchyModel::load(const Hierarchy& source, bool expandAllFolders)
{
    Hierarchy folders = source;
    if (folders.isEmpty())
        folders = defaultHierarchy();
    applyFixedFolders(folders);

    beginResetModel();
    top_.clear();
    selected_ = nullptr;
    std::vector<FolderNode*> path;  // the open folder at each depth
    for (const TreeFolder& f : folders) {
        auto node = std::make_unique<FolderNode>();
        node->caption = f.caption;
        node->photos = f.photos;
        const int depth = std::clamp<int>(f.depth, 0, static_cast<int>(path.size()));
        path.resize(static_cast<size_t>(depth));
        node->expanded = expandAllFolders || depth == 0;
        FolderNode* raw = node.get();
        if (depth == 0) {
            top_.push_back(std::move(node));
        } else {
            node->parent = path.back();
            path.back()->children.push_back(std::move(node));
        }
        path.push_back(raw);
    }
    unclassified_ = top_.front().get();
    photoRoot_ = top_[1].get();
    recycle_ = top_.back().get();
    changed_ = false;
    endResetModel();
    select(unclassified_);
}

Hierarchy HierarchyModel::toHierarchy() const
{
    Hierarchy out;
    for (const FolderNode* n : allFolders())
        out.append(TreeFolder{n->caption, n->level(), n->photos});
    return out;
}

QList<FolderNode*> HierarchyModel::allFolders() const
{
    QList<FolderNode*> out;
    std::function<void(FolderNode*)> walk = [&](FolderNode* n) {
        out << n;
        for (const auto& c : n->children)
            walk(c.get());
    };
    for (const auto& t : top_)
        walk(t.get());
    return out;
}

FolderNode* HierarchyModel::unclassified() const { return unclassified_; }
FolderNode* HierarchyModel::photoRoot() const { return photoRoot_; }
FolderNode* HierarchyModel::recycle() const { return recycle_; }

HierarchyModel::Fixed HierarchyModel::fixedKind(const FolderNode* node) const
{
    if (!node)
        return Fixed::None;
    if (node == unclassified_)
        return Fixed::Unclassified;
    if (node == photoRoot_)
        return Fixed::PhotoRoot;
    if (node == recycle_)
        return Fixed::Recycle;
    return Fixed::None;
}

bool HierarchyModel::isPhotoLevel(const FolderNode* node) const
{
    if (!node)
        return false;
    if (node == unclassified_ || node == recycle_)
        return true;
    const int l = node->level();
    return l >= 2 && l <= kMaxFolderLevel;
}

int HierarchyModel::iconIndex(const FolderNode* node) const
{
    const int full = node->photos.isEmpty() ? 0 : 1;
    if (node == unclassified_)
        return 0 + full;
    if (node == recycle_)
        return 8 + full;
    const int l = node->level();
    if (l == 2)
        return 4 + full;
    if (l >= 3 && l <= kMaxFolderLevel)
        return 6 + full;
    return 2 + full;
}

FolderNode* HierarchyModel::findPath(const QString& path) const
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const Children* level = &top_;
    FolderNode* found = nullptr;
    for (const QString& part : parts) {
        found = nullptr;
        for (const auto& c : *level)
            if (c->caption == part) {
                found = c.get();
                break;
            }
        if (!found)
            return nullptr;
        level = &found->children;
    }
    return found;
}

QString HierarchyModel::pathOf(const FolderNode* node) const
{
    QStringList parts;
    for (const FolderNode* n = node; n; n = n->parent)
        parts.prepend(n->caption);
    return parts.join(QLatin1Char('/'));
}

// --- selection and expansion ---

void HierarchyModel::select(FolderNode* node)
{
    if (node == selected_)
        return;
    selected_ = node;
    emit selectedChanged(node);
}

void HierarchyModel::setExpanded(FolderNode* node, bool expanded)
{
    if (!node || node->expanded == expanded)
        return;
    node->expanded = expanded;
    emit expandedChanged(indexOf(node), expanded);
}

void HierarchyModel::expandAll()
{
    for (FolderNode* n : allFolders())
        setExpanded(n, true);
}

void HierarchyModel::collapseOthers()
{
    QList<FolderNode*> keep;
    if (selected_)
        for (FolderNode* p = selected_->parent; p; p = p->parent)
            keep << p;
    // Deepest first, so that a collapsing parent never hides a child still to be handled.
    QList<FolderNode*> all = allFolders();
    std::reverse(all.begin(), all.end());
    for (FolderNode* n : all)
        setExpanded(n, keep.contains(n));
}

// --- rules ---

bool HierarchyModel::canCreate(const FolderNode* node) const
{
    node = node ? node : selected_;
    if (!node)
        return false;
    if (node == photoRoot_)
        return true;
    return !isFixed(node) && node->level() < kMaxFolderLevel;
}

bool HierarchyModel::canRename(const FolderNode* node) const
{
    node = node ? node : selected_;
    return node && !isFixed(node);
}

bool HierarchyModel::canDelete(const FolderNode* node) const { return canRename(node); }

bool HierarchyModel::canMoveFolder(const FolderNode* node) const
{
    return !listMode_ && node && !isFixed(node) && isPhotoLevel(node);
}

bool HierarchyModel::canMoveUp(const FolderNode* node) const
{
    node = node ? node : selected_;
    if (!canMoveFolder(node) || !node->parent)
        return false;
    const int row = node->row();
    return row > 0 && !isFixed(node->parent->child(row - 1));
}

bool HierarchyModel::canMoveDown(const FolderNode* node) const
{
    node = node ? node : selected_;
    if (!canMoveFolder(node) || !node->parent)
        return false;
    return node->row() + 1 < node->parent->childCount();
}

bool HierarchyModel::canAddFromMaster(const FolderNode* node) const
{
    node = node ? node : selected_;
    return node && node != unclassified_ && node != recycle_ && node->level() < kMaxFolderLevel;
}

bool HierarchyModel::canDrag(const FolderNode* node) const { return !listMode_ && node && !isFixed(node); }

int HierarchyModel::subtreeDepth(const FolderNode* node) const
{
    int deepest = 0;
    for (const auto& c : node->children)
        deepest = std::max(deepest, subtreeDepth(c.get()));
    return deepest + 1;
}

bool HierarchyModel::canDropFolder(const FolderNode* dragged, const FolderNode* target) const
{
    if (!canDrag(dragged) || !target || target == dragged || target == unclassified_ || target == recycle_)
        return false;
    // A folder cannot go below itself.
    for (const FolderNode* p = target->parent; p; p = p->parent)
        if (p == dragged)
            return false;
    return target->level() + subtreeDepth(dragged) <= kMaxFolderLevel;
}

bool HierarchyModel::canDropPhotos(const FolderNode* target) const { return !listMode_ && isPhotoLevel(target); }

// --- commands ---

bool HierarchyModel::hasSibling(const FolderNode* parent, const QString& name, const FolderNode* except) const
{
    for (const auto& c : childrenOf(parent))
        if (c.get() != except && sameFolderCaption(c->caption, name))
            return true;
    return false;
}

FolderNode* HierarchyModel::newFolder(Messages& messages)
{
    FolderNode* parent = selected_;
    if (!canCreate(parent))
        return nullptr;
    QString proposal = kNewFolderProposal;
    for (;;) {
        const std::optional<QString> typed = messages.inputBox(kNewFolderCaption, kFolderPrompt, proposal);
        if (!typed)
            return nullptr;
        const QString name = cleanFolderCaption(*typed);
        if (name.isEmpty())
            return nullptr;
        if (name != typed->trimmed())
            messages.beep();  // characters the tree file cannot hold were left out
        if (sjis::byteLength(name) > kFolderCaptionRoom) {
            // Refused rather than cut silently when the tree is saved.
            messages.warning(kFolderNameTooLong);
            proposal = *typed;
            continue;
        }
        if (hasSibling(parent, name, nullptr)) {
            messages.notice(kNoticeDuplicate, kDuplicateFolder);
            proposal = *typed;
            continue;
        }
        auto node = std::make_unique<FolderNode>();
        node->caption = name;
        FolderNode* added = insertChild(parent, parent->childCount(), std::move(node));
        setExpanded(parent, true);
        touch(parent);
        setChanged();
        return added;
    }
}

bool HierarchyModel::renameFolder(Messages& messages)
{
    FolderNode* node = selected_;
    if (!canRename(node))
        return false;
    QString proposal = node->caption;
    for (;;) {
        const std::optional<QString> typed = messages.inputBox(kRenameFolderCaption, kFolderPrompt, proposal);
        if (!typed)
            return false;
        const QString name = cleanFolderCaption(*typed);
        if (name.isEmpty() || name == node->caption)
            return false;
        if (name != typed->trimmed())
            messages.beep();
        if (sjis::byteLength(name) > kFolderCaptionRoom) {
            messages.warning(kFolderNameTooLong);
            proposal = *typed;
            continue;
        }
        if (hasSibling(node->parent, name, node)) {
            messages.notice(kNoticeDuplicate, kDuplicateFolder);
            proposal = *typed;
            continue;
        }
        node->caption = name;
        touch(node);
        setChanged();
        return true;
    }
}

bool HierarchyModel::deleteFolder(Messages& messages)
{
    FolderNode* node = selected_;
    if (!canDelete(node) || !messages.confirm(kDeleteFolderConfirm))
        return false;
    QList<RECORD> photos;
    std::function<void(const FolderNode*)> gather = [&](const FolderNode* n) {
        photos += n->photos;
        for (const auto& c : n->children)
            gather(c.get());
    };
    gather(node);
    FolderNode* parent = node->parent;
    select(parent);
    take(node);
    recycle_->photos += photos;
    touch(recycle_);
    if (parent)
        touch(parent);
    setChanged();
    return true;
}

bool HierarchyModel::moveUp()
{
    FolderNode* node = selected_;
    if (!canMoveUp(node))
        return false;
    FolderNode* other = node->parent->child(node->row() - 1);
    moveNode(node, node->parent, node->row() - 1);
    touch(node);
    touch(other);
    setChanged();
    return true;
}

bool HierarchyModel::moveDown()
{
    FolderNode* node = selected_;
    if (!canMoveDown(node))
        return false;
    FolderNode* other = node->parent->child(node->row() + 1);
    // Before the sibling after the next one, or the last child when there is none.
    moveNode(node, node->parent, node->row() + 2);
    touch(node);
    touch(other);
    setChanged();
    return true;
}

FolderNode* HierarchyModel::addFromMaster(const QString& caption)
{
    FolderNode* parent = selected_;
    if (!canAddFromMaster(parent))
        return nullptr;
    // A master entry may be longer than the tree file holds: the folder
    // takes the caption as it will be stored.
    const QString name = storedFolderCaption(cleanFolderCaption(caption));
    if (name.isEmpty() || hasSibling(parent, name, nullptr))
        return nullptr;
    auto node = std::make_unique<FolderNode>();
    node->caption = name;
    FolderNode* added = insertChild(parent, parent->childCount(), std::move(node));
    setExpanded(parent, true);
    touch(parent);
    setChanged();
    return added;
}

bool HierarchyModel::dropFolder(FolderNode* dragged, FolderNode* target, DropPlace place, Messages& messages)
{
    if (!canDropFolder(dragged, target))
        return false;
    FolderNode* destination = place == DropPlace::Child ? target : target->parent;
    // The top level keeps its fixed order (未分類, 工事写真, …, ごみ箱): no
    // folder is placed there by dragging.
    if (!destination)
        return false;
    if (hasSibling(destination, dragged->caption, dragged)) {
        messages.notice(kNoticeDuplicate, kDuplicateFolder);
        return false;
    }
    switch (place) {
    case DropPlace::Child:
    case DropPlace::LastSibling:
        moveNode(dragged, destination, destination->childCount());
        break;
    case DropPlace::Before:
        moveNode(dragged, destination, target->row());
        break;
    }
    std::function<void(const FolderNode*)> touchAll = [&](const FolderNode* n) {
        touch(n);
        for (const auto& c : n->children)
            touchAll(c.get());
    };
    touchAll(dragged);
    touch(target);
    setChanged();
    warnLevels(messages);
    return true;
}

bool HierarchyModel::dropPhotos(FolderNode* source, QList<int> positions, FolderNode* target)
{
    if (!source || !canDropPhotos(target))
        return false;
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    positions.removeIf([&](int p) { return p < 0 || p >= source->photos.size(); });
    if (positions.isEmpty())
        return false;
    for (int p : positions)
        target->photos.append(source->photos[p]);
    // The marked entries sit before anything just appended, also when the
    // source is the target: remove them from the back.
    for (auto it = positions.rbegin(); it != positions.rend(); ++it)
        source->photos.removeAt(*it);
    touch(source);
    touch(target);
    setChanged();
    return true;
}

bool HierarchyModel::warnLevels(Messages& messages) const
{
    for (const FolderNode* n : allFolders()) {
        const int l = n->level();
        if (!isFixed(n) && (l < 2 || l > kMaxFolderLevel) && !n->photos.isEmpty()) {
            messages.notice(kNoticeLevel, kLevelWarning);
            return true;
        }
    }
    return false;
}

void HierarchyModel::photosChanged(FolderNode* node)
{
    touch(node);
    setChanged();
}

void HierarchyModel::appendPhotos(FolderNode* node, const QList<RECORD>& records)
{
    if (!node || records.isEmpty())
        return;
    node->photos += records;
    photosChanged(node);
}

// --- tree surgery ---

HierarchyModel::Children& HierarchyModel::siblingsOf(const FolderNode* node)
{
    return node->parent ? node->parent->children : top_;
}

const HierarchyModel::Children& HierarchyModel::childrenOf(const FolderNode* node) const
{
    return node ? node->children : top_;
}

FolderNode* HierarchyModel::insertChild(FolderNode* parent, int row, std::unique_ptr<FolderNode> node)
{
    Children& list = parent ? parent->children : top_;
    beginInsertRows(indexOf(parent), row, row);
    node->parent = parent;
    FolderNode* raw = node.get();
    list.insert(list.begin() + row, std::move(node));
    endInsertRows();
    return raw;
}

std::unique_ptr<FolderNode> HierarchyModel::take(FolderNode* node)
{
    Children& list = siblingsOf(node);
    const int row = static_cast<int>(std::find_if(list.begin(), list.end(),
                                                  [&](const auto& p) { return p.get() == node; }) -
                                     list.begin());
    beginRemoveRows(indexOf(node->parent), row, row);
    std::unique_ptr<FolderNode> owned = std::move(list[static_cast<size_t>(row)]);
    list.erase(list.begin() + row);
    owned->parent = nullptr;
    endRemoveRows();
    return owned;
}

void HierarchyModel::moveNode(FolderNode* node, FolderNode* newParent, int newRow)
{
    FolderNode* oldParent = node->parent;
    Children& from = siblingsOf(node);
    const int oldRow = indexOf(node).row();
    if (oldParent == newParent && (newRow == oldRow || newRow == oldRow + 1))
        return;
    if (!beginMoveRows(indexOf(oldParent), oldRow, oldRow, indexOf(newParent), newRow))
        return;
    std::unique_ptr<FolderNode> owned = std::move(from[static_cast<size_t>(oldRow)]);
    from.erase(from.begin() + oldRow);
    Children& to = newParent ? newParent->children : top_;
    const int at = (oldParent == newParent && newRow > oldRow) ? newRow - 1 : newRow;
    owned->parent = newParent;
    to.insert(to.begin() + at, std::move(owned));
    endMoveRows();
}

void HierarchyModel::touch(const FolderNode* node)
{
    if (!node)
        return;
    const QModelIndex i = indexOf(node);
    emit dataChanged(i, i);
}

void HierarchyModel::setChanged()
{
    changed_ = true;
    emit modified();
}

// --- QAbstractItemModel ---

QModelIndex HierarchyModel::indexOf(const FolderNode* node) const
{
    if (!node)
        return {};
    const Children& list = node->parent ? node->parent->children : top_;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].get() == node)
            return createIndex(static_cast<int>(i), 0, const_cast<FolderNode*>(node));
    return {};
}

FolderNode* HierarchyModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<FolderNode*>(index.internalPointer()) : nullptr;
}

QModelIndex HierarchyModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    const Children& list = childrenOf(nodeOf(parent));
    if (row >= static_cast<int>(list.size()))
        return {};
    return createIndex(row, 0, list[static_cast<size_t>(row)].get());
}

QModelIndex HierarchyModel::parent(const QModelIndex& child) const
{
    const FolderNode* n = nodeOf(child);
    return n ? indexOf(n->parent) : QModelIndex();
}

int HierarchyModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return static_cast<int>(childrenOf(nodeOf(parent)).size());
}

int HierarchyModel::columnCount(const QModelIndex&) const { return 1; }

QVariant HierarchyModel::data(const QModelIndex& index, int role) const
{
    const FolderNode* n = nodeOf(index);
    if (!n)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return n->caption;
    case Qt::DecorationRole:
        return iconProvider ? iconProvider(iconIndex(n)) : QVariant();
    case IconRole:
        return iconIndex(n);
    case LevelRole:
        return n->level();
    default:
        return {};
    }
}

}  // namespace zb
