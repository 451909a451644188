#include "workspace/ui/tree_view.h"

#include "core/ports.h"
#include "workspace/ui/photo_list_view.h"

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QVBoxLayout>

namespace zb {

QIcon treeIcon(int index)
{
    static QList<QIcon> icons = [] {
        QList<QIcon> out;
        // Folder colours: 未分類, other levels, level 2, levels 3-5, ごみ箱.
        const QColor colours[] = {QColor(200, 200, 200), QColor(240, 200, 80), QColor(120, 170, 240),
                                  QColor(250, 230, 140), QColor(150, 150, 150)};
        for (int i = 0; i < 10; ++i) {
            QPixmap pm(16, 16);
            pm.fill(Qt::transparent);
            QPainter p(&pm);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::black);
            p.setBrush(colours[i / 2]);
            const bool full = i % 2 == 1;
            if (i >= 8) {
                // The recycle bin: a bin, with paper showing when it holds photos.
                p.drawRect(4, 5, 8, 10);
                p.drawLine(3, 4, 13, 4);
                if (full) {
                    p.setBrush(Qt::white);
                    p.drawRect(5, 1, 6, 4);
                }
            } else {
                p.drawRect(1, 4, 14, 10);
                p.drawRect(1, 2, 6, 2);
                if (full) {
                    // A small picture on the folder.
                    p.setBrush(Qt::white);
                    p.drawRect(6, 7, 8, 6);
                    p.setBrush(QColor(40, 140, 40));
                    p.drawEllipse(8, 9, 3, 3);
                }
            }
            out << QIcon(pm);
        }
        return out;
    }();
    return icons.value(index);
}

THierarchyTree::THierarchyTree(HierarchyModel& model, Messages& messages, QWidget* parent)
    : QTreeView(parent), model_(model), messages_(messages)
{
    setObjectName(QStringLiteral("TV_Tree"));
    model_.iconProvider = [](int i) { return QVariant(treeIcon(i)); };
    setModel(&model_);
    setHeaderHidden(true);
    setIndentation(kIndent);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    setAutoScroll(true);
    setAutoScrollMargin(20);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, kTreeBackground);
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);

    changeTimer_.setSingleShot(true);
    changeTimer_.setInterval(kChangeDelay);
    connect(&changeTimer_, &QTimer::timeout, this, [this] { emit folderChosen(model_.selected()); });

    connect(&model_, &HierarchyModel::expandedChanged, this, [this](const QModelIndex& i, bool on) {
        if (syncing_)
            return;
        syncing_ = true;
        setExpanded(i, on);
        syncing_ = false;
    });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& i) {
        if (!syncing_)
            model_.setExpanded(model_.nodeOf(i), true);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& i) {
        if (!syncing_)
            model_.setExpanded(model_.nodeOf(i), false);
    });
    // A folder the program selects is shown at once, without the delay.
    connect(&model_, &HierarchyModel::selectedChanged, this, [this](FolderNode* node) {
        if (syncing_)
            return;
        syncing_ = true;
        setCurrentIndex(model_.indexOf(node));
        syncing_ = false;
        changeTimer_.stop();
        emit folderChosen(node);
    });
    connect(&model_, &QAbstractItemModel::modelReset, this, [this] {
        syncExpansion();
        syncing_ = true;
        setCurrentIndex(model_.indexOf(model_.selected()));
        syncing_ = false;
    });
    // Rows that arrive (new folders, moved subtrees) take their expansion from the model.
    connect(&model_, &QAbstractItemModel::rowsInserted, this, [this] { syncExpansion(); });
    connect(&model_, &QAbstractItemModel::rowsMoved, this, [this] { syncExpansion(); });
    syncExpansion();
}

void THierarchyTree::syncExpansion()
{
    syncing_ = true;
    for (FolderNode* n : model_.allFolders())
        setExpanded(model_.indexOf(n), n->expanded);
    syncing_ = false;
}

void THierarchyTree::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    if (syncing_)
        return;
    syncing_ = true;
    model_.select(model_.nodeOf(current));
    syncing_ = false;
    changeTimer_.start();
}

void THierarchyTree::mousePressEvent(QMouseEvent* e)
{
    QTreeView::mousePressEvent(e);
    pressed_ = false;
    if (e->button() != Qt::LeftButton)
        return;
    FolderNode* node = model_.nodeOf(indexAt(e->position().toPoint()));
    if (node && node == model_.selected() && model_.canDrag(node)) {
        pressed_ = true;
        pressPos_ = e->position().toPoint();
    }
}

void THierarchyTree::mouseMoveEvent(QMouseEvent* e)
{
    if (!pressed_ || !(e->buttons() & Qt::LeftButton)) {
        QTreeView::mouseMoveEvent(e);
        return;
    }
    const QPoint d = e->position().toPoint() - pressPos_;
    if (std::abs(d.x()) <= kDragDistance && std::abs(d.y()) <= kDragDistance)
        return;
    pressed_ = false;
    auto* drag = new QDrag(this);
    drag->setMimeData(folderMime(model_.selected()));
    drag->setPixmap(treeIcon(model_.iconIndex(model_.selected())).pixmap(16, 16));
    drag->exec(Qt::MoveAction);
}

void THierarchyTree::mouseReleaseEvent(QMouseEvent* e)
{
    pressed_ = false;
    QTreeView::mouseReleaseEvent(e);
}

QMimeData* THierarchyTree::folderMime(const FolderNode* node) const
{
    auto* mime = new QMimeData;
    mime->setData(kFolderMime, QByteArray::number(reinterpret_cast<quintptr>(node)));
    return mime;
}

QMimeData* THierarchyTree::photoMime(const QList<int>& positions)
{
    QStringList parts;
    for (int p : positions)
        parts << QString::number(p);
    auto* mime = new QMimeData;
    mime->setData(kPhotoMime, parts.join(QLatin1Char(',')).toLatin1());
    return mime;
}

FolderNode* THierarchyTree::draggedFolder(const QMimeData* mime) const
{
    if (!mime || !mime->hasFormat(kFolderMime))
        return nullptr;
    const quintptr p = mime->data(kFolderMime).toULongLong();
    // Only a folder of this tree counts.
    for (FolderNode* n : model_.allFolders())
        if (reinterpret_cast<quintptr>(n) == p)
            return n;
    return nullptr;
}

QList<DrawingEntry> THierarchyTree::draggedDrawings(const QMimeData* mime, const QObject* source)
{
    QList<DrawingEntry> out;
    const auto* list = qobject_cast<const QListWidget*>(source);
    if (!mime || !list || !mime->hasFormat(kDrawingMime))
        return out;
    for (const QByteArray& part : mime->data(kDrawingMime).split(',')) {
        bool ok = false;
        const int row = part.toInt(&ok);
        const QListWidgetItem* it = ok ? list->item(row) : nullptr;
        if (!it)
            continue;
        out.append({it->data(kRecordRole).toInt(), it->data(kSlotRole).toInt(), it->data(kPhotoRole).toInt()});
    }
    return out;
}

THierarchyTree::DropSpot THierarchyTree::dropSpot(const QPoint& pos) const
{
    DropSpot spot;
    const QModelIndex i = indexAt(pos);
    if (!i.isValid()) {
        // Empty space after the last node: beside the last target pointed at.
        spot.target = lastTarget_;
        spot.place = HierarchyModel::DropPlace::LastSibling;
        return spot;
    }
    spot.target = model_.nodeOf(i);
    // The item's rectangle starts after its indent; left of it lies the indent area.
    spot.place = pos.x() < visualRect(i).left() ? HierarchyModel::DropPlace::Before : HierarchyModel::DropPlace::Child;
    return spot;
}

bool THierarchyTree::acceptable(const QMimeData* mime, const QPoint& pos)
{
    const DropSpot spot = dropSpot(pos);
    if (FolderNode* dragged = draggedFolder(mime)) {
        const bool ok = model_.canDropFolder(dragged, spot.target);
        if (ok && spot.place != HierarchyModel::DropPlace::LastSibling)
            lastTarget_ = spot.target;
        return ok;
    }
    if (mime && (mime->hasFormat(kPhotoMime) || mime->hasFormat(kDrawingMime)))
        return spot.place != HierarchyModel::DropPlace::LastSibling && model_.canDropPhotos(spot.target);
    return false;
}

void THierarchyTree::dragEnterEvent(QDragEnterEvent* e)
{
    lastTarget_ = nullptr;
    const QMimeData* mime = e->mimeData();
    if (mime->hasFormat(kFolderMime) || mime->hasFormat(kPhotoMime) || mime->hasFormat(kDrawingMime))
        e->acceptProposedAction();
    else
        e->ignore();
}

void THierarchyTree::dragMoveEvent(QDragMoveEvent* e)
{
    QTreeView::dragMoveEvent(e);  // scrolling near the edges
    if (acceptable(e->mimeData(), e->position().toPoint())) {
        e->setDropAction(Qt::MoveAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void THierarchyTree::dropEvent(QDropEvent* e)
{
    const QPoint pos = e->position().toPoint();
    const QMimeData* mime = e->mimeData();
    const DropSpot spot = dropSpot(pos);
    e->ignore();
    if (FolderNode* dragged = draggedFolder(mime)) {
        if (model_.dropFolder(dragged, spot.target, spot.place, messages_)) {
            e->setDropAction(Qt::MoveAction);
            e->accept();
        }
    } else if (mime->hasFormat(kPhotoMime) && spot.place != HierarchyModel::DropPlace::LastSibling) {
        QList<int> positions;
        for (const QByteArray& part : mime->data(kPhotoMime).split(','))
            if (bool ok = false; part.toInt(&ok), ok)
                positions << part.toInt();
        FolderNode* source = model_.selected();
        if (model_.dropPhotos(source, positions, spot.target)) {
            e->setDropAction(Qt::MoveAction);
            e->accept();
            emit photosMoved(source, spot.target);
        }
    } else if (mime->hasFormat(kDrawingMime) && spot.place != HierarchyModel::DropPlace::LastSibling &&
               model_.canDropPhotos(spot.target)) {
        const QList<DrawingEntry> drawings = draggedDrawings(mime, e->source());
        if (!drawings.isEmpty()) {
            e->setDropAction(Qt::MoveAction);
            e->accept();
            emit drawingsDropped(drawings, spot.target);
        }
    }
    lastTarget_ = nullptr;
    stopAutoScroll();
}

// --- header ---

TLevelHeader::TLevelHeader(THierarchyTree& tree, QWidget* parent) : QWidget(parent), tree_(tree)
{
    setObjectName(QStringLiteral("HeaderControl_Level"));
    connect(tree_.horizontalScrollBar(), &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
    connect(&tree_.hierarchy(), &HierarchyModel::selectedChanged, this, qOverload<>(&QWidget::update));
    connect(&tree_.hierarchy(), &QAbstractItemModel::rowsMoved, this, qOverload<>(&QWidget::update));
}

QSize TLevelHeader::sizeHint() const { return {kFirstWidth + 5 * kSectionWidth, fontMetrics().height() + 6}; }

QRect TLevelHeader::sectionRect(int section) const
{
    const int first = std::max(0, kFirstWidth - tree_.horizontalScrollBar()->value());
    if (section == 0)
        return QRect(0, 0, first, height());
    return QRect(first + (section - 1) * kSectionWidth, 0, kSectionWidth, height());
}

int TLevelHeader::highlighted() const
{
    const FolderNode* n = tree_.hierarchy().selected();
    if (!n)
        return -1;
    const int l = n->level();
    return l >= 1 && l <= kMaxFolderLevel ? l : -1;
}

void TLevelHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const int lit = highlighted();
    for (int s = 0; s <= 5; ++s) {
        const QRect r = sectionRect(s);
        if (r.width() <= 0)
            continue;
        p.fillRect(r, s == lit ? QColor(Qt::yellow) : palette().color(QPalette::Window));
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (s > 0) {
            p.setPen(Qt::black);
            p.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, levelNames()[s - 1]);
        }
    }
}

// --- panel ---

TTreePanel::TTreePanel(HierarchyModel& model, Messages& messages, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PL_Tree"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    TV_Tree = new THierarchyTree(model, messages);
    header = new TLevelHeader(*TV_Tree);
    layout->addWidget(header);
    layout->addWidget(TV_Tree, 1);
}

}  // namespace zb
