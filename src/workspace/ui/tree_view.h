#pragma once
// The hierarchy tree on screen: TV_Tree shows the HierarchyModel with its ten
// icons and the normal-mode colours, starts folder drags, takes folder and
// photo drops; the level header above it names the levels and paints the
// selected folder's level yellow. TTreePanel puts the two together as the
// content of the panel "工事階層".
#include "workspace/drawing_list.h"
#include "workspace/hierarchy_model.h"

#include <QTimer>
#include <QTreeView>
#include <QWidget>

namespace zb {

class Messages;

// Drag formats inside the program: a folder of the tree, and photos of the
// photo list (positions in the selected folder's list, in list order).
inline const QString kFolderMime = QStringLiteral("application/x-zb-folder");
inline const QString kPhotoMime = QStringLiteral("application/x-zb-photos");

// Normal-mode background of the tree.
inline const QColor kTreeBackground(160, 219, 190);

// The ten tree icons, painted once.
QIcon treeIcon(int index);

class THierarchyTree : public QTreeView {
    Q_OBJECT
public:
    static constexpr int kIndent = 32;
    static constexpr int kDragDistance = 5;
    static constexpr int kChangeDelay = 200;

    THierarchyTree(HierarchyModel& model, Messages& messages, QWidget* parent = nullptr);

    HierarchyModel& hierarchy() { return model_; }
    // Where a drop at a point of the viewport would go.
    struct DropSpot {
        FolderNode* target = nullptr;
        HierarchyModel::DropPlace place = HierarchyModel::DropPlace::Child;
    };
    DropSpot dropSpot(const QPoint& viewportPos) const;
    // The data a folder drag carries.
    QMimeData* folderMime(const FolderNode* node) const;
    static QMimeData* photoMime(const QList<int>& positions);
    // The drawings a drag from the drawing list carries: the items of the
    // list (the drag's source) at the rows the data names.
    static QList<DrawingEntry> draggedDrawings(const QMimeData* mime, const QObject* source);

signals:
    // The selected folder changed (after the change delay when the user chose
    // it): its photo list is the current list now.
    void folderChosen(zb::FolderNode* node);
    // Photos were dropped on a folder and the lists changed.
    void photosMoved(zb::FolderNode* source, zb::FolderNode* target);
    // Reference drawings of the drawing list were dropped on a folder that
    // takes photos; whoever holds the table moves them there.
    void drawingsDropped(const QList<zb::DrawingEntry>& drawings, zb::FolderNode* target);

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    FolderNode* draggedFolder(const QMimeData* mime) const;
    bool acceptable(const QMimeData* mime, const QPoint& pos);
    void syncExpansion();

    HierarchyModel& model_;
    Messages& messages_;
    QPoint pressPos_;
    bool pressed_ = false;
    bool syncing_ = false;
    FolderNode* lastTarget_ = nullptr;
    QTimer changeTimer_;
};

// The six sections above the tree: a blank one that narrows with the tree's
// horizontal scroll, then the five level names, one above each level.
class TLevelHeader : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFirstWidth = 89;
    static constexpr int kSectionWidth = 32;

    TLevelHeader(THierarchyTree& tree, QWidget* parent = nullptr);
    // Section rectangles, 0 to 5.
    QRect sectionRect(int section) const;
    // The section painted yellow: the selected folder's level 1-5, else -1.
    int highlighted() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    THierarchyTree& tree_;
};

class TTreePanel : public QWidget {
    Q_OBJECT
public:
    TTreePanel(HierarchyModel& model, Messages& messages, QWidget* parent = nullptr);
    THierarchyTree* TV_Tree;
    TLevelHeader* header;
};

}  // namespace zb
