#include "controls/dialog_messages.h"

#include "controls/input_box.h"
#include "controls/message_dialog.h"
#include "controls/no_msg_dlg.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace zb {
namespace {

int platformBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text, bool withCancel,
                const QPoint* at = nullptr)
{
    QMessageBox box(icon, title, displayText(text), QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(kOkCaption);
    if (withCancel) {
        box.addButton(QMessageBox::Cancel)->setText(kCancelCaption);
        box.setEscapeButton(QMessageBox::Cancel);
    }
    if (at) {
        box.adjustSize();
        box.move(*at);
    }
    return box.exec();
}

}  // namespace

QString displayText(const QString& text) { return QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")); }

DialogMessages::DialogMessages(QWidget* owner) : owner_(owner) {}

QWidget* DialogMessages::parent() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return owner_;
}

void DialogMessages::information(const QString& text) { TMessageDlg::show(TMessageDlg::Kind::Information, text, parent()); }

bool DialogMessages::confirm(const QString& text)
{
    return TMessageDlg::show(TMessageDlg::Kind::Confirm, text, parent()) == TMessageDlg::Yes;
}

bool DialogMessages::ask(const QString& text)
{
    return TMessageDlg::show(TMessageDlg::Kind::Ask, text, parent()) == TMessageDlg::Yes;
}

Messages::Answer DialogMessages::askThree(const QString& text)
{
    switch (TMessageDlg::show(TMessageDlg::Kind::AskThree, text, parent())) {
    case TMessageDlg::Yes: return Answer::Yes;
    case TMessageDlg::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

void DialogMessages::warning(const QString& text)
{
    platformBox(parent(), QMessageBox::Warning, QStringLiteral("警告"), text, false);
}

bool DialogMessages::warningOkCancel(const QString& text)
{
    return platformBox(parent(), QMessageBox::Warning, QStringLiteral("警告"), text, true) == QMessageBox::Ok;
}

void DialogMessages::error(const QString& text)
{
    platformBox(parent(), QMessageBox::Critical, QStringLiteral("エラー"), text, false);
}

void DialogMessages::errorAt(const QString& text, const QPoint& position)
{
    platformBox(parent(), QMessageBox::Critical, QStringLiteral("エラー"), text, false, &position);
}

void DialogMessages::notice(const QString& key, const QString& text)
{
    // The window's own notice of that key, with its longer text, when it has one.
    if (TNoMsgDlg* own = TNoMsgDlg::find(key)) {
        own->execute(parent());
        return;
    }
    TNoMsgDlg(key, text).execute(parent());
}

std::optional<QString> DialogMessages::inputBox(const QString& caption, const QString& prompt, const QString& initial)
{
    return TInputBox::ask(caption, prompt, initial, parent());
}

void DialogMessages::status(const QString& text)
{
    if (status_)
        status_(text);
}

void DialogMessages::beep() { QApplication::beep(); }

}  // namespace zb
