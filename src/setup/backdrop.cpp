#include "setup/backdrop.h"

#include <QFontMetrics>
#include <QPainter>

namespace zbsetup {

QString backdropTitle(const QString& title, bool update)
{
    return title + (update ? QStringLiteral(" Update") : QStringLiteral(" Setup"));
}

QFont backdropFont(int pixelSize)
{
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("IPAGothic"), QStringLiteral("IPAゴシック"),
                   QStringLiteral("Monospace")});
    f.setPixelSize(pixelSize);
    f.setBold(true);
    f.setItalic(true);
    return f;
}

int fittingSize(const QString& text, int width, double share)
{
    for (int size = 5; size <= 100; ++size)
        if (QFontMetrics(backdropFont(size)).horizontalAdvance(text) >= width * share)
            return size;
    return 100;
}

void paintBackdrop(QPainter& p, QSize size, bool bands, const QString& title)
{
    const int w = size.width(), h = size.height();
    p.fillRect(0, 0, w, h, Qt::black);
    if (bands) {
        // 256 bands from the top, the brightest first, each one pixel over the next.
        int step = h / 255;
        if (step == 0)
            step = 1;
        for (int i = 0; i < 256; ++i)
            p.fillRect(0, i * step, w, step + 1, QColor(0, 0, 255 - i));
    } else {
        // Rectangles anchored at the top-left, growing brighter as they shrink.
        const int dy = h / 255 + 1, dx = w / 255 + 1;
        for (int i = 0; i < 256; ++i) {
            const int rw = w - i * dx, rh = h - i * dy;
            if (rw <= 0 || rh <= 0)
                break;
            p.fillRect(0, 0, rw, rh, QColor(0, 0, i));
        }
    }

    QFont big = backdropFont(fittingSize(title, w, 0.70));
    p.setFont(big);
    const int ascent = QFontMetrics(big).ascent();
    p.setPen(Qt::black);
    p.drawText(25, 25 + ascent, title);
    p.setPen(Qt::white);
    p.drawText(20, 20 + ascent, title);

    QFont small = backdropFont(fittingSize(kCopyright, w, 0.40));
    small.setBold(false);
    p.setFont(small);
    const QFontMetrics fm(small);
    p.setPen(QColor(0, 255, 255));
    p.drawText(w - 20 - fm.horizontalAdvance(kCopyright), h - 20 - fm.descent(), kCopyright);
}

}  // namespace zbsetup
