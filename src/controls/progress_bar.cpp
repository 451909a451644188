#include "controls/progress_bar.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProgressBar>

namespace zb {

BarProgress::BarProgress(QWidget* panel, Messages& messages, std::function<void()> clearHint)
    : panel_(panel), messages_(messages), clearHint_(std::move(clearHint))
{
    bar_ = new QProgressBar(panel->parentWidget() ? panel->parentWidget() : panel);
    bar_->setObjectName(QStringLiteral("ProgressBar"));
    bar_->setTextVisible(false);
    bar_->setRange(0, 100);
    bar_->hide();
}

BarProgress::~BarProgress()
{
    if (running_)
        end();
}

void BarProgress::start(int count)
{
    if (count <= 0)
        return;
    if (!running_) {
        busy_ = std::make_unique<BusyMark::Scope>();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        qApp->installEventFilter(this);
    }
    running_ = true;
    escPressed_ = false;
    if (clearHint_)
        clearHint_();
    QRect r = panel_->geometry();
    if (bar_->parentWidget() == panel_)
        r.moveTopLeft(QPoint(0, 0));
    bar_->setGeometry(r.adjusted(4, 4, -4, -4));
    bar_->setRange(1, count);
    position_ = 1;
    bar_->setValue(1);
    bar_->show();
    bar_->raise();
}

bool BarProgress::step()
{
    if (!running_)
        return true;
    ++position_;
    if (position_ >= bar_->minimum() && position_ <= bar_->maximum()) {
        bar_->setValue(position_);
        bar_->repaint();
    }
    // Deliver what is waiting; the filter keeps only the ESC key.
    polling_ = true;
    QCoreApplication::processEvents();
    polling_ = false;
    if (!escPressed_)
        return true;
    escPressed_ = false;
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    const bool stop = messages_.ask(kEscQuestion);
    QApplication::restoreOverrideCursor();
    return !stop;
}

void BarProgress::end()
{
    if (!running_)
        return;
    running_ = false;
    qApp->removeEventFilter(this);
    bar_->hide();
    QApplication::restoreOverrideCursor();
    busy_.reset();
}

bool filterInputDuringLoop(QEvent* event, bool& escPressed)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            escPressed = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

bool BarProgress::eventFilter(QObject*, QEvent* event)
{
    return polling_ && filterInputDuringLoop(event, escPressed_);
}

}  // namespace zb
