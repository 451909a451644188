#include "app/ui/drag_scroll.h"

#include <QAbstractItemView>
#include <QDragMoveEvent>
#include <QGuiApplication>
#include <QScrollBar>
#include <QTimer>

namespace zb {

TDragScroll::TDragScroll(QTimer& timer, std::function<void(bool)> hint, QObject* parent)
    : QObject(parent), timer_(timer), hint_(std::move(hint))
{
    connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

void TDragScroll::watch(QAbstractScrollArea* view)
{
    view->viewport()->installEventFilter(this);
}

bool TDragScroll::scrolling() const
{
    return timer_.isActive() && target_;
}

bool TDragScroll::eventFilter(QObject* watched, QEvent* e)
{
    auto* viewport = qobject_cast<QWidget*>(watched);
    auto* view = viewport ? qobject_cast<QAbstractScrollArea*>(viewport->parentWidget()) : nullptr;
    auto* items = qobject_cast<QAbstractItemView*>(view);
    switch (e->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        if (!view)
            break;
        // While a drag is over the view the timer scrolls it, at its own
        // pace; the view's own drag scrolling stays off until the drag ends
        // (it also keeps the current item in view, which must go on working).
        if (items)
            items->setAutoScroll(false);
        const int y = static_cast<QDragMoveEvent*>(e)->position().toPoint().y();
        const int direction = y < kEdge ? -1 : y >= viewport->height() - kEdge ? 1 : 0;
        if (direction == 0) {
            stop();
            break;
        }
        target_ = view;
        direction_ = direction;
        setPace();
        if (!timer_.isActive()) {
            timer_.start();
            if (hint_)
                hint_(true);
        }
        break;
    }
    case QEvent::DragLeave:
    case QEvent::Drop:
        if (items)
            items->setAutoScroll(true);
        stop();
        break;
    default:
        break;
    }
    return false;  // the control still gets the event
}

void TDragScroll::setPace()
{
    const bool fast = QGuiApplication::queryKeyboardModifiers() & Qt::ShiftModifier;
    timer_.setInterval(fast ? kFastMs : kSlowMs);
}

void TDragScroll::tick()
{
    if (!target_) {
        stop();
        return;
    }
    target_->verticalScrollBar()->triggerAction(direction_ < 0 ? QAbstractSlider::SliderSingleStepSub
                                                               : QAbstractSlider::SliderSingleStepAdd);
    setPace();
}

void TDragScroll::stop()
{
    const bool was = timer_.isActive();
    timer_.stop();
    target_ = nullptr;
    direction_ = 0;
    if (was && hint_)
        hint_(false);
}

}  // namespace zb
