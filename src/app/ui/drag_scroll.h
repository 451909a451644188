#pragma once
// Scrolling while something is dragged near the top or bottom edge of the
// tree or a list: within 20 pixels of an edge the window's scroll timer
// scrolls that control one line per tick towards the edge, every 200 ms or
// every 50 ms while Shift is held, and the status bar tells the user about
// Shift. The scrolling stops when the drag leaves the edge, leaves the
// control or ends.
#include <QObject>
#include <QPointer>
#include <functional>

class QAbstractScrollArea;
class QTimer;

namespace zb {

inline const QString kDragScrollHint = QStringLiteral(" [SHIFT] キーで高速スクロール");

class TDragScroll : public QObject {
    Q_OBJECT
public:
    static constexpr int kEdge = 20;
    static constexpr int kSlowMs = 200;
    static constexpr int kFastMs = 50;

    // `timer` is the window's Timer_Scroll; `hint` shows (true) or takes back
    // (false) the status-bar hint.
    TDragScroll(QTimer& timer, std::function<void(bool)> hint, QObject* parent = nullptr);

    // Watches drags over the control; its own edge scrolling is turned off.
    void watch(QAbstractScrollArea* view);
    bool scrolling() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void tick();
    void stop();
    void setPace();

    QTimer& timer_;
    std::function<void(bool)> hint_;
    QPointer<QAbstractScrollArea> target_;
    int direction_ = 0;  // -1 towards the top, +1 towards the bottom
};

}  // namespace zb
