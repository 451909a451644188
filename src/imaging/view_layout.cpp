#include "imaging/view_layout.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace zb {

namespace {

// Truncation toward zero of a pixel value computed in floating point; a
// product that should be a whole number but came out a hair below it (100 as
// 99.99999999999999) still gives that number.
int truncPx(double v)
{
    constexpr double kNoise = 1e-7;
    return int(std::trunc(v + (v >= 0 ? kNoise : -kNoise)));
}

// Integer division that rounds toward zero, as the scroll box's centring does.
int halfOf(int v) { return v / 2; }

}  // namespace

void ViewLayout::setPicture(const QSize& natural)
{
    natural_ = natural;
    bounds_ = QRect(QPoint(0, 0), natural);
    scroll_ = QPoint(0, 0);
    zoomed_ = false;
}

void ViewLayout::clear() { setPicture(QSize()); }

void ViewLayout::layout(const QSize& client)
{
    if (!hasPicture())
        return;
    const int cw = client.width(), ch = client.height();
    if (!zoomed_) {
        scroll_ = QPoint(0, 0);
        const int W = natural_.width(), H = natural_.height();
        QSize size = natural_;
        if (cw < W || ch < H) {
            const double a = double(cw) / W, b = double(ch) / H;
            const double s = a <= b ? a : b;
            size = QSize(std::max(0, truncPx(s * W)), std::max(0, truncPx(s * H)));
        }
        bounds_ = QRect(QPoint(halfOf(cw - size.width()), halfOf(ch - size.height())), size);
        return;
    }
    if (cw >= bounds_.width() && ch >= bounds_.height())
        centre(client, true, true);
}

void ViewLayout::centre(const QSize& client, bool horizontal, bool vertical)
{
    if (horizontal) {
        bounds_.moveLeft(halfOf(client.width() - bounds_.width()));
        scroll_.setX(0);
    }
    if (vertical) {
        bounds_.moveTop(halfOf(client.height() - bounds_.height()));
        scroll_.setY(0);
    }
}

bool ViewLayout::clickZoom(Qt::MouseButton button, const QPoint& at, const QSize& client)
{
    if (!hasPicture() || bounds_.isEmpty())
        return false;
    const double w = bounds_.width(), h = bounds_.height();
    double f = 0;
    if (button == Qt::LeftButton) {
        f = kClickZoomIn;
        if ((w * f) * (h * f) > kMaxDisplayPixels) {
            f = std::sqrt(kMaxDisplayPixels / (w * h));
            if (f <= 1)
                return false;
        }
    } else if (button == Qt::RightButton) {
        f = kClickZoomOut;
        const double W = natural_.width();
        if (w * f / W * 100 < kMinZoomPercent)
            f = W * (kMinZoomPercent / 100) / w;
        // A display already at or below the limit stays as it is: a right
        // click never enlarges.
        if (f >= 1)
            return false;
    } else {
        return false;
    }
    // The clicked point, in the client area, stays under the pointer.
    const QPoint target = at + bounds_.topLeft() - scroll_;
    apply(f, QPointF(at), target, client);
    return true;
}

bool ViewLayout::dragZoom(const QPoint& a, const QPoint& b, const QSize& client)
{
    if (!hasPicture() || bounds_.isEmpty())
        return false;
    if (std::abs(b.x() - a.x()) < kMinDragSide || std::abs(b.y() - a.y()) < kMinDragSide)
        return false;
    const int x1 = std::min(a.x(), b.x()), x2 = std::max(a.x(), b.x());
    const int y1 = std::min(a.y(), b.y()), y2 = std::max(a.y(), b.y());
    const double w = bounds_.width(), h = bounds_.height();
    double f = std::min(double(client.width()) / (x2 - x1), double(client.height()) / (y2 - y1));
    if ((w * f) * (h * f) > kMaxDisplayPixels) {
        f = std::sqrt(kMaxDisplayPixels / (w * h));
        if (f <= 1)
            f = 1;
    }
    const QPointF fixed(x1 + halfOf(x2 - x1), y1 + halfOf(y2 - y1));
    apply(f, fixed, QPoint(halfOf(client.width()), halfOf(client.height())), client);
    return true;
}

void ViewLayout::apply(double f, const QPointF& fixed, const QPoint& target, const QSize& client)
{
    zoomed_ = true;
    const double w = bounds_.width();
    const double nw = w * f;
    // The height follows the natural proportions, not h * f, so rounding
    // never adds up over many zooms.
    const double nh = double(natural_.height()) * nw / natural_.width();
    bounds_ = QRect(0, 0, truncPx(nw), truncPx(nh));
    scroll_ = QPoint(truncPx(nw / w * fixed.x()) - target.x(), truncPx(nw / w * fixed.y()) - target.y());
    centre(client, bounds_.width() <= client.width(), bounds_.height() <= client.height());
}

bool ViewLayout::leavesClickSquare(const QPoint& press, const QPoint& p)
{
    return std::abs(p.x() - press.x()) > kClickSlop || std::abs(p.y() - press.y()) > kClickSlop;
}

int ViewLayout::percent() const
{
    if (natural_.width() <= 0)
        return 0;
    return int(std::lround(double(bounds_.width()) / natural_.width() * 100));
}

QString ViewLayout::caption(const QString& namePart) const
{
    return QStringLiteral("表示 ") + namePart + QStringLiteral("W %1 / H %2  %3%  (実寸 W %4 / H %5)")
                                                   .arg(bounds_.width())
                                                   .arg(bounds_.height())
                                                   .arg(percent())
                                                   .arg(natural_.width())
                                                   .arg(natural_.height());
}

QString ViewLayout::namePartOf(const QString& path) { return QFileInfo(path).fileName() + QLatin1Char(' '); }

QPoint ViewLayout::clampScroll(const QPoint& scroll, const QRect& bounds, const QSize& client)
{
    // The scroll box's range reaches the picture's far edge.
    const int maxX = std::max(0, bounds.x() + bounds.width() - client.width());
    const int maxY = std::max(0, bounds.y() + bounds.height() - client.height());
    return QPoint(std::clamp(scroll.x(), 0, maxX), std::clamp(scroll.y(), 0, maxY));
}

}  // namespace zb
