#include "controls/input_box.h"

#include "controls/message_dialog.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zb {

TInputBox::TInputBox(const QString& caption, const QString& prompt, const QString& initial, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TInputBox"));
    setWindowTitle(caption);
    auto* label = new QLabel(prompt, this);
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("Edit_Input"));
    edit_->setMaxLength(kMaxLength);
    edit_->setText(initial);
    edit_->selectAll();
    edit_->setMinimumWidth(300);
    label->setBuddy(edit_);

    auto* ok = new QPushButton(kOkCaption, this);
    auto* cancel = new QPushButton(kCancelCaption, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(edit_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TInputBox::showEvent(QShowEvent* e)
{
    centreOnActiveWindow(this, parentWidget());
    QDialog::showEvent(e);
}

std::optional<QString> TInputBox::ask(const QString& caption, const QString& prompt, const QString& initial,
                                      QWidget* parent)
{
    TInputBox box(caption, prompt, initial, parent ? parent : QApplication::activeWindow());
    if (box.exec() != QDialog::Accepted)
        return std::nullopt;
    return box.edit()->text();
}

}  // namespace zb
