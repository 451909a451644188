#include "album/ui/prn_form.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace zb {

TPrnForm::TPrnForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("印刷中"));
    setModal(true);
    auto* root = new QVBoxLayout(this);
    label_ = new QLabel(this);
    bar_ = new QProgressBar(this);
    stop_ = new QPushButton(QStringLiteral("中止(&C)"), this);
    root->addWidget(label_);
    root->addWidget(bar_);
    root->addWidget(stop_, 0, Qt::AlignHCenter);
    connect(stop_, &QPushButton::clicked, this, [this] { stopped_ = true; });
}

void TPrnForm::start(int count) {
    count_ = count;
    done_ = 0;
    stopped_ = false;
    bar_->setRange(0, std::max(1, count));
    bar_->setValue(0);
    label_->setText(QStringLiteral("0 / ") + QString::number(count));
    show();
    QApplication::processEvents();
}

bool TPrnForm::step() {
    ++done_;
    bar_->setValue(done_);
    label_->setText(QString::number(done_) + QStringLiteral(" / ") + QString::number(count_));
    QApplication::processEvents();
    return !stopped_;
}

void TPrnForm::end() { hide(); }

void TPrnForm::reject() { stopped_ = true; }

}  // namespace zb
