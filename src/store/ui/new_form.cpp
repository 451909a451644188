#include "store/ui/new_form.h"

#include "core/ports.h"
#include "core/text.h"
#include "store/job_life.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zb {

TNameEdit::TNameEdit(QWidget* parent) : QLineEdit(parent)
{
    // Pasted or dropped text loses the refused characters.
    connect(this, &QLineEdit::textEdited, this, [this] { dropRefused(); });
}

void TNameEdit::keyPressEvent(QKeyEvent* e)
{
    const QString t = e->text();
    if (t.size() == 1 && isRefusedNameChar(t[0])) {
        QApplication::beep();
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void TNameEdit::dropRefused()
{
    const QString t = text();
    QString kept;
    int cursor = cursorPosition();
    for (int i = 0; i < t.size(); ++i) {
        if (isRefusedNameChar(t[i])) {
            if (i < cursorPosition())
                --cursor;
            continue;
        }
        kept += t[i];
    }
    if (kept != t) {
        setText(kept);
        setCursorPosition(std::max(0, cursor));
    }
}

TNewForm::TNewForm(const QString& dataFile, const QString& templateDir, Messages& messages, QWidget* parent)
    : QDialog(parent), dataFile_(dataFile), messages_(messages)
{
    setObjectName(QStringLiteral("NewForm"));
    setWindowTitle(kNewJobCaption);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("工事名:")));
    name_ = new TNameEdit;
    name_->setObjectName(QStringLiteral("Edit_Name"));
    name_->setText(kNewJobProposal);
    name_->selectAll();
    layout->addWidget(name_);
    useTemplate_ = new QCheckBox(QStringLiteral("テンプレートを使用する(&T)"));
    layout->addWidget(useTemplate_);
    templates_ = new QListWidget;
    templates_->setObjectName(QStringLiteral("ListBox_Template"));
    templates_->addItems(listTemplates(templateDir));
    layout->addWidget(templates_);
    auto* buttons = new QDialogButtonBox;
    execute_ = buttons->addButton(QStringLiteral("実行(&R)"), QDialogButtonBox::AcceptRole);
    execute_->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);

    if (templates_->count() == 0) {
        useTemplate_->setChecked(false);
        useTemplate_->setEnabled(false);
    }
    templates_->setEnabled(false);
    connect(useTemplate_, &QCheckBox::toggled, this, [this](bool on) {
        templates_->setEnabled(on);
        if (on && templates_->count() > 0 && !templates_->currentItem())
            templates_->setCurrentRow(0);
    });
    connect(name_, &QLineEdit::textChanged, this, &TNewForm::updateButtons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TNewForm::execute);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateButtons();
}

QString TNewForm::jobName() const { return cleanJobName(name_->text()); }

QString TNewForm::templateName() const
{
    if (!useTemplate_->isChecked() || !templates_->currentItem())
        return {};
    return templates_->currentItem()->text();
}

void TNewForm::updateButtons() { execute_->setEnabled(!jobName().isEmpty()); }

void TNewForm::execute()
{
    const QString name = jobName();
    if (name.isEmpty())
        return;
    if (jobTreeFileExists(dataFile_, name)) {
        // The dialog stays with the name entered.
        messages_.warning(kJobNameExists);
        name_->setFocus();
        return;
    }
    accept();
}

void TNewForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (QScreen* s = screen()) {
        const QRect r = s->availableGeometry();
        move(r.left() + (r.width() - width()) / 2, r.top() + static_cast<int>((r.height() - height()) / 2.5));
    }
    name_->setFocus();
}

}  // namespace zb
