#include "items/ui/miss_form.h"

#include "items/miss_check.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zb::items {

TMissForm::TMissForm(QWidget* parent) : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("MissForm"));
    setWindowTitle(kMissCaption);
    setModal(false);
    hanni_ = new QComboBox;
    hanni_->setObjectName(QStringLiteral("CE_Hanni"));
    hanni_->addItems(missRangeNames());
    auto* label = new QLabel(kMissRangeLabel);
    label->setBuddy(hanni_);
    kekka_ = new QPlainTextEdit;
    kekka_->setObjectName(QStringLiteral("MM_Kekka"));
    kekka_->setReadOnly(true);
    open_ = new QPushButton(kMissStart);
    open_->setObjectName(QStringLiteral("OpenBtn"));
    open_->setDefault(true);
    close_ = new QPushButton(kMissClose);
    close_->setObjectName(QStringLiteral("CloseBtn"));
    close_->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(hanni_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(open_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(kekka_, 1);
    layout->addLayout(buttons);
    resize(420, 260);

    connect(open_, &QPushButton::clicked, this, &TMissForm::start);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
}

void TMissForm::start()
{
    if (writeRange)
        writeRange(hanni_->currentIndex());
    kekka_->clear();
    if (!onCheck)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QStringList lines = onCheck(hanni_->currentIndex());
    QApplication::restoreOverrideCursor();
    kekka_->setPlainText(lines.join(QLatin1Char('\n')));
}

void TMissForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (readRange)
        hanni_->setCurrentIndex(std::clamp(readRange(), 0, hanni_->count() - 1));
    kekka_->clear();
    open_->setFocus();
}

void TMissForm::closeEvent(QCloseEvent* e)
{
    if (writeRange)
        writeRange(hanni_->currentIndex());
    QDialog::closeEvent(e);
}

void TMissForm::keyPressEvent(QKeyEvent* e)
{
    // Enter and Escape act wherever the focus is, while their button is enabled.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && open_->isEnabled()) {
        start();
        return;
    }
    if (e->key() == Qt::Key_Escape && close_->isEnabled()) {
        close();
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace zb::items
