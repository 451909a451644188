#pragma once
// The photo list ListView and the drawing list ListView2: icon views whose
// items carry a record number (and, in the drawing list, the slot and the
// photo) and are painted by TPhotoItemDelegate from what PhotoThumbnails
// reads for the visible items only. The views take the user's drags, drops
// and keys and hand them on as signals; the panel does the work.
#include "core/record.h"
#include "workspace/photo_thumbnails.h"

#include <QListWidget>
#include <QStyledItemDelegate>

namespace zb {

// Item data.
inline constexpr int kRecordRole = Qt::UserRole;       // RECORD of the photo or drawing
inline constexpr int kSlotRole = Qt::UserRole + 1;     // drawing list: slot 1-3
inline constexpr int kPhotoRole = Qt::UserRole + 2;    // drawing list: the photo's RECORD

// Drag format of the drawing list: the dragged slot.
inline const QString kDrawingMime = QStringLiteral("application/x-zb-drawing");

// Thumbnail size and painting modes, from IconStyle, THUMBNAIL_USER,
// ThumbnailMinFit and Kouhini.
struct ListLook {
    int iconStyle = 0;       // 0 standard, 1 custom
    int thumbnailUser = 80;  // custom size, 60-120
    bool minFit = false;     // cover the square (clipped) instead of fitting inside
    bool smooth = false;     // resample smoothly instead of a plain stretch

    static constexpr int kStandardSize = 120;
    static constexpr int kCellMargin = 6;
    // Side of the thumbnail square.
    int thumbSize() const;
    // Width of a cell; its height adds the caption.
    int cellWidth() const { return thumbSize() + kCellMargin; }
    bool operator==(const ListLook&) const = default;
};

// Background of an item by FLAG: 0, 99 and every other value.
QLinearGradient flagGradient(int flag, const QRect& rect);
// Where the drawing marks and the edited mark go on an item whose icon
// rectangle is `icon`: one 5 x 7 mark per attached drawing at 10, 20 and 30
// dots from the left edge, and one 20 dots left of the right edge when edited.
QList<QRect> markRects(const QRect& icon, int drawings, bool edited);
// The rectangle a picture of `picture` size takes in the square `square`:
// covering (shorter side fills, overflow clipped by the caller) or fitting
// (longer side fills), centred.
QRect pictureRect(const QSize& picture, const QRect& square, bool cover);

class TPhotoItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TPhotoItemDelegate(PhotoThumbnails& thumbs, QObject* parent = nullptr);
    void setLook(const ListLook& look) { look_ = look; }
    const ListLook& look() const { return look_; }

    // The rectangle of the item's icon (frame included) within its cell.
    QRect iconRect(const QRect& cell) const;

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintItem(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const;

    PhotoThumbnails& thumbs_;
    ListLook look_;
};

// Shared by both lists: icon mode with the delegate, multiple selection, our
// own drops, Enter and double-click asking for the viewer.
class TThumbListView : public QListWidget {
    Q_OBJECT
public:
    // Room between neighbouring cells.
    static constexpr int kCellGap = 8;

    TThumbListView(PhotoThumbnails& thumbs, QWidget* parent = nullptr);

    TPhotoItemDelegate* delegate() const { return delegate_; }
    void setLook(const ListLook& look);
    const ListLook& look() const { return delegate_->look(); }
    // Records of the items in list order, and of the selected ones.
    QList<RECORD> records() const;
    QList<int> selectedRows() const;
    // The item at a record, -1 when not in the list.
    int rowOf(RECORD record) const;
    // A drag started in this list is running.
    bool dragging() const { return dragging_; }
    // Tab stops only with items.
    void updateTabStop();
    // What a drag of the selected items carries: their rows in list order.
    QMimeData* dragData() const;

signals:
    // Enter or a double-click on an item.
    void viewRequested();
    // Items dropped on the item at `target` (rows of the dragged items).
    void droppedWithin(const QList<int>& rows, int target);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void showEvent(QShowEvent* e) override;
    void startDrag(Qt::DropActions supported) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;

    // The format of drags within this list, and the rows a drag carries.
    virtual QString ownMime() const = 0;
    virtual QList<int> draggedRows(const QMimeData* mime) const;
    // Whether a drag of these rows may start.
    virtual bool canDragRows(const QList<int>& rows) const { return !rows.isEmpty(); }

private:
    int targetRow(const QPoint& pos, const QMimeData* mime) const;

    TPhotoItemDelegate* delegate_;
    bool dragging_ = false;
    bool scrollOnShow_ = false;
};

// ListView: the photos of the selected folder. Its drags carry the positions
// in the folder's list, in the format the hierarchy tree takes.
class TPhotoListView : public TThumbListView {
    Q_OBJECT
public:
    explicit TPhotoListView(PhotoThumbnails& thumbs, QWidget* parent = nullptr);

protected:
    QString ownMime() const override;
};

// ListView2: the drawings of the single selected photo; drags of one item only.
class TDrawingListView : public TThumbListView {
    Q_OBJECT
public:
    explicit TDrawingListView(PhotoThumbnails& thumbs, QWidget* parent = nullptr);

protected:
    QString ownMime() const override { return kDrawingMime; }
    bool canDragRows(const QList<int>& rows) const override { return rows.size() == 1; }
};

}  // namespace zb
