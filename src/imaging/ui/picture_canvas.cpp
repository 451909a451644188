#include "imaging/ui/picture_canvas.h"

#include "imaging/picture_editor.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace zb {

PictureCanvas::PictureCanvas(PictureEditor& editor, QWidget* parent) : QWidget(parent), editor_(editor)
{
    setObjectName(QStringLiteral("Image1"));
    setFocusPolicy(Qt::StrongFocus);
}

void PictureCanvas::pictureChanged()
{
    const QSize size = editor_.displaySize();
    const QImage& picture = editor_.picture();
    if (picture.isNull() || size.isEmpty())
        shown_ = QImage();
    else if (size == picture.size())
        shown_ = picture;
    else
        shown_ = picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    setFixedSize(size.expandedTo(QSize(1, 1)));
    update();
}

void PictureCanvas::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!shown_.isNull())
        p.drawImage(0, 0, shown_);
    const auto& sel = editor_.selection();
    if (!sel)
        return;
    const QRect r(editor_.toDisplay(sel->left()), editor_.toDisplay(sel->top()),
                  std::max(1, editor_.toDisplay(sel->width())), std::max(1, editor_.toDisplay(sel->height())));
    QPen pen(Qt::white, 1, Qt::DashLine);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    for (const QPoint c : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
        p.drawRect(QRect(c - QPoint(kHandle / 2, kHandle / 2), QSize(kHandle, kHandle)));
}

QPoint PictureCanvas::inside(QPoint p) const
{
    // The pointer counts as kept inside the picture while dragging.
    return {std::clamp(p.x(), 0, std::max(0, width() - 1)), std::clamp(p.y(), 0, std::max(0, height() - 1))};
}

void PictureCanvas::mousePressEvent(QMouseEvent* event)
{
    setFocus();
    if (!selecting_ || event->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    dragging_ = false;
    from_ = inside(event->position().toPoint());
}

void PictureCanvas::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressed_)
        return;
    const QPoint at = inside(event->position().toPoint());
    if (!dragging_ && std::abs(at.x() - from_.x()) >= kDragStart && std::abs(at.y() - from_.y()) >= kDragStart)
        dragging_ = true;
    if (!dragging_)
        return;
    editor_.selectDisplayRect(from_, at);
    update();
    emit selectionChanged();
}

void PictureCanvas::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        if (dragging_)
            mouseMoveEvent(event);
        pressed_ = dragging_ = false;
    }
}

void PictureCanvas::keyPressEvent(QKeyEvent* event)
{
    if (!selecting_ || !editor_.selection()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int step = event->modifiers() & Qt::ShiftModifier ? 5 : 1;
    const bool resize = event->modifiers() & Qt::ControlModifier;
    int dx = 0, dy = 0;
    switch (event->key()) {
    case Qt::Key_Left: dx = -step; break;
    case Qt::Key_Right: dx = step; break;
    case Qt::Key_Up: dy = -step; break;
    case Qt::Key_Down: dy = step; break;
    case Qt::Key_Delete:
        editor_.clearSelection();
        update();
        emit selectionChanged();
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    editor_.moveSelection(dx, dy, resize);
    update();
    emit selectionChanged();
}

}  // namespace zb
