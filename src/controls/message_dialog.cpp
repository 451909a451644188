#include "controls/message_dialog.h"

#include "controls/accent.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace zb {

void centreOnActiveWindow(QWidget* dialog, QWidget* anchor)
{
    QWidget* over = anchor ? anchor->window() : QApplication::activeWindow();
    if (over == dialog)
        over = nullptr;
    dialog->adjustSize();
    QRect area;
    if (over && over->isVisible())
        area = over->frameGeometry();
    else if (QScreen* s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    if (!area.isEmpty()) {
        QRect r = dialog->frameGeometry();
        r.moveCenter(area.center());
        dialog->move(r.topLeft());
    }
}

TMessageDlg::TMessageDlg(Kind kind, const QString& text, QWidget* parent) : QDialog(parent), kind_(kind)
{
    setObjectName(QStringLiteral("TMessageDlg"));
    setWindowTitle(kind == Kind::Information ? QStringLiteral("情報") : QStringLiteral("確認"));
    setModal(true);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, dialogAccentColor());
    setPalette(pal);
    setAutoFillBackground(true);

    auto* icon = new QLabel(this);
    const QStyle::StandardPixmap sp =
        kind == Kind::Information ? QStyle::SP_MessageBoxInformation : QStyle::SP_MessageBoxQuestion;
    icon->setPixmap(style()->standardIcon(sp).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    text_ = new QLabel(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    text_->setTextFormat(Qt::PlainText);
    text_->setObjectName(QStringLiteral("Label_Text"));

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(8);
    top->addWidget(text_, 1);

    auto* row = new QHBoxLayout;
    row->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(10);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    switch (kind) {
    case Kind::Information: addButton(Ok, kOkCaption, true); break;
    case Kind::Confirm:
        addButton(Yes, kYesCaption, true);
        addButton(Cancel, kCancelCaption, false);
        break;
    case Kind::Ask:
        addButton(Yes, kYesCaption, true);
        addButton(No, kNoCaption, false);
        break;
    case Kind::AskThree:
        addButton(Yes, kYesCaption, true);
        addButton(No, kNoCaption, false);
        addButton(Cancel, kCancelCaption, false);
        break;
    }
    for (auto& [r, b] : buttons_)
        row->addWidget(b);
    row->addStretch();
}

void TMessageDlg::addButton(Result r, const QString& caption, bool isDefault)
{
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QStringLiteral("Button_%1").arg(int(r)));
    b->setDefault(isDefault);
    b->setAutoDefault(true);
    connect(b, &QPushButton::clicked, this, [this, r] { done(r); });
    buttons_.append({r, b});
}

QPushButton* TMessageDlg::button(Result r) const
{
    for (const auto& [res, b] : buttons_)
        if (res == r)
            return b;
    return nullptr;
}

void TMessageDlg::showEvent(QShowEvent* e)
{
    centreOnActiveWindow(this, parentWidget());
    QDialog::showEvent(e);
}

void TMessageDlg::keyPressEvent(QKeyEvent* e)
{
    const Qt::KeyboardModifiers mods = e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    if (mods == Qt::NoModifier) {
        Result r = Result(0);
        switch (e->key()) {
        case Qt::Key_Y: r = Yes; break;
        case Qt::Key_N: r = No; break;
        case Qt::Key_C: r = Cancel; break;
        default: break;
        }
        if (QPushButton* b = r ? button(r) : nullptr) {
            b->click();
            e->accept();
            return;
        }
    }
    QDialog::keyPressEvent(e);
}

void TMessageDlg::reject()
{
    // ESC or the window's close box: the most cautious answer.
    switch (kind_) {
    case Kind::Information: done(Ok); break;
    case Kind::Ask: done(No); break;
    default: done(Cancel); break;
    }
}

TMessageDlg::Result TMessageDlg::show(Kind kind, const QString& text, QWidget* parent)
{
    if (!parent)
        parent = QApplication::activeWindow();
    TMessageDlg dlg(kind, text, parent);
    const int r = dlg.exec();
    return r >= Ok && r <= Cancel ? Result(r) : (kind == Kind::Ask ? No : Cancel);
}

}  // namespace zb
