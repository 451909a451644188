#include "workspace/ui/photo_list_view.h"

#include "imaging/resample.h"
#include "workspace/ui/tree_view.h"

#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <algorithm>

namespace zb {

namespace {

const QColor kShadow(57, 57, 57);

QFont captionFont()
{
    QFont f(QStringLiteral("MS UI Gothic"));
    f.setPointSize(9);
    return f;
}

int captionHeight() { return QFontMetrics(captionFont()).height() + 4; }

QByteArray rowsToBytes(const QList<int>& rows)
{
    QStringList parts;
    for (int r : rows)
        parts << QString::number(r);
    return parts.join(QLatin1Char(',')).toLatin1();
}

}  // namespace

int ListLook::thumbSize() const
{
    return iconStyle == 1 ? std::clamp(thumbnailUser, 60, kStandardSize) : kStandardSize;
}

QLinearGradient flagGradient(int flag, const QRect& rect)
{
    QLinearGradient g(rect.topLeft(), rect.bottomLeft());
    if (flag == 0) {
        g.setColorAt(0, QColor(255, 255, 255));
        g.setColorAt(1, QColor(196, 216, 238));
    } else if (flag == 99) {
        g.setColorAt(0, QColor(255, 244, 244));
        g.setColorAt(1, QColor(236, 176, 176));
    } else {
        g.setColorAt(0, QColor(255, 255, 232));
        g.setColorAt(1, QColor(226, 216, 146));
    }
    return g;
}

QList<QRect> markRects(const QRect& icon, int drawings, bool edited)
{
    QList<QRect> marks;
    for (int i = 0; i < std::clamp(drawings, 0, 3); ++i)
        marks << QRect(icon.left() + 10 * (i + 1), icon.top(), 5, 7);
    if (edited)
        marks << QRect(icon.right() + 1 - 20, icon.top(), 5, 7);
    return marks;
}

QRect pictureRect(const QSize& picture, const QRect& square, bool cover)
{
    if (picture.isEmpty() || square.isEmpty())
        return {};
    const double sx = double(square.width()) / picture.width();
    const double sy = double(square.height()) / picture.height();
    const double s = cover ? std::max(sx, sy) : std::min(sx, sy);
    const int w = std::max(1, int(picture.width() * s + 0.5));
    const int h = std::max(1, int(picture.height() * s + 0.5));
    return QRect(square.left() + (square.width() - w) / 2, square.top() + (square.height() - h) / 2, w, h);
}

// ---------------------------------------------------------------- delegate

TPhotoItemDelegate::TPhotoItemDelegate(PhotoThumbnails& thumbs, QObject* parent)
    : QStyledItemDelegate(parent), thumbs_(thumbs)
{
}

QRect TPhotoItemDelegate::iconRect(const QRect& cell) const
{
    const int side = look_.thumbSize() + 2;
    return QRect(cell.left() + (cell.width() - side - 3) / 2, cell.top() + 1, side, side);
}

QSize TPhotoItemDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return {look_.cellWidth(), look_.cellWidth() + captionHeight()};
}

void TPhotoItemDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    p->save();
    try {
        paintItem(p, option, index);
    } catch (...) {
        // One item that cannot be painted stays as far as it got.
    }
    p->restore();
}

void TPhotoItemDelegate::paintItem(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect icon = iconRect(option.rect);
    // Drop shadow, then the 3-D frame.
    p->fillRect(icon.translated(3, 3), kShadow);
    p->fillRect(icon, option.palette.button());
    p->setPen(option.palette.color(QPalette::Light));
    p->drawLine(icon.topLeft(), icon.topRight());
    p->drawLine(icon.topLeft(), icon.bottomLeft());
    p->setPen(option.palette.color(QPalette::Dark));
    p->drawLine(icon.bottomLeft(), icon.bottomRight());
    p->drawLine(icon.topRight(), icon.bottomRight());
    QRect rect = icon.adjusted(1, 1, -1, -1);

    // A selected photo: a frame in the highlight colour on all four sides of
    // the icon and its caption on the highlight, as file managers mark it.
    const bool selected = option.state & QStyle::State_Selected;
    const QColor hl = option.palette.color(QPalette::Active, QPalette::Highlight);
    if (selected) {
        p->fillRect(icon, hl);
        rect.adjust(3, 3, -3, -3);
    }
    // The picture and its background stay inside the selection frame.
    const QRect inner = rect;

    const RECORD record = index.data(kRecordRole).toInt();
    const int size = look_.thumbSize();
    const PhotoLook look = thumbs_.look(record, size);
    p->fillRect(rect, QBrush(flagGradient(look.flag, rect)));

    if (!look.picture.isNull()) {
        const QRect square(rect.left() + (rect.width() - size) / 2, rect.top() + (rect.height() - size) / 2, size,
                           size);
        const QRect target = pictureRect(look.picture.size(), square, look_.minFit);
        p->save();
        QRect clip = inner;
        if (look_.minFit)
            clip &= square.adjusted(0, 0, 1, 1);
        p->setClipRect(clip);
        if (look_.smooth) {
            const QImage scaled = ResizeSmooth(look.picture, target.width(), target.height());
            if (!scaled.isNull())
                p->drawImage(target.topLeft(), scaled);
        } else {
            p->setRenderHint(QPainter::SmoothPixmapTransform, false);
            p->drawImage(target, look.picture);
        }
        p->restore();
    }

    for (const QRect& m : markRects(icon, look.drawings, look.edited)) {
        p->fillRect(m, QColor(0, 0, 160));
        p->fillRect(m.adjusted(1, 1, -1, -1), QColor(255, 255, 255));
        p->fillRect(QRect(m.left() + 2, m.top() + 2, 1, 3), QColor(0, 0, 160));
    }

    // Caption below the icon, in the canvas colours.
    const QRect text(option.rect.left(), icon.bottom() + 5, option.rect.width(), captionHeight());
    p->setFont(captionFont());
    const QFontMetrics metrics(captionFont());
    const QString caption = metrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight, text.width());
    if (selected && !caption.isEmpty()) {
        const int width = std::min(text.width(), metrics.horizontalAdvance(caption) + 6);
        p->fillRect(QRect(text.left() + (text.width() - width) / 2, text.top(), width, metrics.height() + 1), hl);
        p->setPen(option.palette.color(QPalette::Active, QPalette::HighlightedText));
    } else {
        p->setPen(option.palette.color(QPalette::Text));
    }
    p->drawText(text, Qt::AlignHCenter | Qt::AlignTop, caption);
}

// ---------------------------------------------------------------- views

TThumbListView::TThumbListView(PhotoThumbnails& thumbs, QWidget* parent) : QListWidget(parent)
{
    delegate_ = new TPhotoItemDelegate(thumbs, this);
    setItemDelegate(delegate_);
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    // Drops arrive at the viewport; whether the list takes them is the
    // view's acceptDrops, which the window's enabling rules switch.
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    // A drag near the top or bottom edge scrolls the list.
    setAutoScroll(true);
    setAutoScrollMargin(20);
    setDragDropMode(QAbstractItemView::DragDrop);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setLook({});
    updateTabStop();
}

void TThumbListView::setLook(const ListLook& look)
{
    delegate_->setLook(look);
    setGridSize(QSize(look.cellWidth() + kCellGap, look.cellWidth() + captionHeight() + kCellGap / 2));
    setIconSize(QSize(look.thumbSize(), look.thumbSize()));
    doItemsLayout();
    viewport()->update();
}

QList<RECORD> TThumbListView::records() const
{
    QList<RECORD> out;
    for (int i = 0; i < count(); ++i)
        out << item(i)->data(kRecordRole).toInt();
    return out;
}

QList<int> TThumbListView::selectedRows() const
{
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedIndexes())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    return rows;
}

int TThumbListView::rowOf(RECORD record) const
{
    for (int i = 0; i < count(); ++i)
        if (item(i)->data(kRecordRole).toInt() == record)
            return i;
    return -1;
}

void TThumbListView::updateTabStop() { setFocusPolicy(count() > 0 ? Qt::StrongFocus : Qt::ClickFocus); }

void TThumbListView::keyPressEvent(QKeyEvent* e)
{
    const bool plain = !(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
    if ((e->key() == Qt::Key_Left || e->key() == Qt::Key_Right) && plain) {
        // The previous or next item in list order; nothing past either end.
        const int to = currentRow() + (e->key() == Qt::Key_Left ? -1 : 1);
        if (currentRow() >= 0 && to >= 0 && to < count())
            setCurrentRow(to, QItemSelectionModel::ClearAndSelect);
        e->accept();
        return;
    }
    // Ctrl+Home and Ctrl+End go to the first and last photo as Home and End
    // do (the view would only move its focus frame and keep the old photo).
    const bool ctrlOnly = (e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) ==
                          Qt::ControlModifier;
    if ((e->key() == Qt::Key_Home || e->key() == Qt::Key_End) && ctrlOnly) {
        if (count() > 0)
            setCurrentRow(e->key() == Qt::Key_Home ? 0 : count() - 1, QItemSelectionModel::ClearAndSelect);
        e->accept();
        return;
    }
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && plain) {
        if (currentItem())
            emit viewRequested();
        e->accept();
        return;
    }
    QListWidget::keyPressEvent(e);
}

void TThumbListView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListWidget::currentChanged(current, previous);
    // The item view scrolls to a new current item only while its drag
    // scrolling is on, and the window's drag scrolling turns that off: the
    // list shows the item it moved to (End, arrows, a fill at the last item,
    // selectRow) itself. A hidden list does so when it is shown.
    if (!current.isValid() || hasAutoScroll())
        return;
    if (isVisible())
        scrollTo(current);
    else
        scrollOnShow_ = true;
}

void TThumbListView::showEvent(QShowEvent* e)
{
    QListWidget::showEvent(e);
    if (scrollOnShow_ && currentIndex().isValid())
        scrollTo(currentIndex());
    scrollOnShow_ = false;
}

void TThumbListView::mouseDoubleClickEvent(QMouseEvent* e)
{
    QListWidget::mouseDoubleClickEvent(e);
    if (itemAt(e->position().toPoint()))
        emit viewRequested();
}

QStringList TThumbListView::mimeTypes() const { return {ownMime()}; }

QMimeData* TThumbListView::mimeData(const QList<QListWidgetItem*>& items) const
{
    QList<int> rows;
    for (QListWidgetItem* i : items)
        rows << row(i);
    std::sort(rows.begin(), rows.end());
    auto* mime = new QMimeData;
    mime->setData(ownMime(), rowsToBytes(rows));
    return mime;
}

QList<int> TThumbListView::draggedRows(const QMimeData* mime) const
{
    QList<int> rows;
    if (!mime || !mime->hasFormat(ownMime()))
        return rows;
    for (const QByteArray& part : mime->data(ownMime()).split(','))
        if (bool ok = false; part.toInt(&ok), ok)
            rows << part.toInt();
    return rows;
}

QMimeData* TThumbListView::dragData() const
{
    QList<QListWidgetItem*> items;
    for (int r : selectedRows())
        items << item(r);
    return mimeData(items);
}

void TThumbListView::startDrag(Qt::DropActions)
{
    if (!canDragRows(selectedRows()))
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(dragData());
    dragging_ = true;
    drag->exec(Qt::MoveAction);
    dragging_ = false;
}

int TThumbListView::targetRow(const QPoint& pos, const QMimeData* mime) const
{
    const QList<int> rows = draggedRows(mime);
    QListWidgetItem* it = itemAt(pos);
    if (rows.isEmpty() || !it || !canDragRows(rows))
        return -1;
    const int target = row(it);
    return rows.contains(target) ? -1 : target;
}

void TThumbListView::dragEnterEvent(QDragEnterEvent* e)
{
    if (acceptDrops() && e->mimeData()->hasFormat(ownMime()))
        e->acceptProposedAction();
    else
        e->ignore();
}

void TThumbListView::dragMoveEvent(QDragMoveEvent* e)
{
    if (acceptDrops() && targetRow(e->position().toPoint(), e->mimeData()) >= 0) {
        e->setDropAction(Qt::MoveAction);
        e->accept();
    } else {
        e->ignore();
    }
}

void TThumbListView::dropEvent(QDropEvent* e)
{
    const int target = acceptDrops() ? targetRow(e->position().toPoint(), e->mimeData()) : -1;
    if (target < 0) {
        e->ignore();
        return;
    }
    e->setDropAction(Qt::MoveAction);
    e->accept();
    emit droppedWithin(draggedRows(e->mimeData()), target);
}

TPhotoListView::TPhotoListView(PhotoThumbnails& thumbs, QWidget* parent) : TThumbListView(thumbs, parent)
{
    setObjectName(QStringLiteral("ListView"));
}

QString TPhotoListView::ownMime() const { return kPhotoMime; }

TDrawingListView::TDrawingListView(PhotoThumbnails& thumbs, QWidget* parent) : TThumbListView(thumbs, parent)
{
    setObjectName(QStringLiteral("ListView2"));
}

}  // namespace zb
