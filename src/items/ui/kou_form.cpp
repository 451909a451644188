#include "items/ui/kou_form.h"

#include "core/ports.h"
#include "items/choice_lists.h"
#include "items/item_defs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zb::items {

TKouForm::TKouForm(ChoiceLists& lists, const QString& label, Messages& messages, QWidget* parent)
    : QDialog(parent), lists_(lists), label_(label), messages_(messages)
{
    setObjectName(QStringLiteral("KouForm"));
    setWindowTitle(QStringLiteral("項目の登録 (") + label + QLatin1Char(')'));
    auto* layout = new QVBoxLayout(this);
    memo_ = new QPlainTextEdit;
    memo_->setObjectName(QStringLiteral("Memo"));
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo_->setPlainText(lists_.read(label).join(QLatin1Char('\n')));
    layout->addWidget(memo_);
    note_ = new QLabel(kFlagRangeNote);
    note_->setObjectName(QStringLiteral("Label_Note"));
    note_->setVisible(findPhotoItem(F_FLAG)->label == label);
    layout->addWidget(note_);
    auto* buttons = new QDialogButtonBox;
    register_ = buttons->addButton(QStringLiteral("登録(&R)"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QStringLiteral("中止(&C)"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(register_, &QPushButton::clicked, this, &TKouForm::registerList);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    resize(420, 360);
}

void TKouForm::registerList()
{
    QString error;
    if (!lists_.write(label_, memo_->toPlainText().split(QLatin1Char('\n')), &error)) {
        // The typed lines stay in the memo; the user may try again or cancel.
        messages_.warning(error.contains(lists_.path()) ? error : lists_.path() + QStringLiteral("\r\n") + error);
        return;
    }
    accept();
}

bool registerChoices(ChoiceLists& lists, const QString& label, Messages& messages, QWidget* parent)
{
    TKouForm form(lists, label, messages, parent);
    return form.exec() == QDialog::Accepted;
}

}  // namespace zb::items
