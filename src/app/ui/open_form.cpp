#include "app/ui/open_form.h"

#include "app/startup.h"
#include "controls/accent.h"

#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

namespace zb {

TOpenForm::TOpenForm(QWidget* parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("OpenForm"));
    setFixedSize(420, 240);
    setCursor(Qt::WaitCursor);
}

void TOpenForm::place()
{
    QScreen* s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->geometry();
    move(area.left() + (area.width() - width()) / 2, area.top() + int((area.height() - height()) / 2.5));
}

void TOpenForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    // The panel frame around the picture.
    p.fillRect(rect(), palette().color(QPalette::Button));
    const QRect picture = rect().adjusted(6, 6, -6, -6);
    QLinearGradient g(picture.topLeft(), picture.bottomRight());
    g.setColorAt(0, QColor(40, 110, 80));
    g.setColorAt(1, QColor(188, 231, 209));
    p.fillRect(picture, g);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(palette().color(QPalette::Light));
    p.drawRect(picture.adjusted(-1, -1, 0, 0));

    p.setPen(Qt::white);
    QFont title(kUiFont);
    title.setPixelSize(30);
    title.setBold(true);
    p.setFont(title);
    p.drawText(picture.adjusted(0, 0, 0, -40), Qt::AlignCenter, kProductTitle);
    QFont small(kUiFont);
    small.setPixelSize(13);
    p.setFont(small);
    p.drawText(picture.adjusted(0, 80, 0, 0), Qt::AlignCenter, QStringLiteral("工事写真管理"));
}

TDataModule_Image::TDataModule_Image(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DataModule_Image"));
}

}  // namespace zb
