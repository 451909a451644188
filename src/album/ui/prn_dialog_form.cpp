#include "album/ui/prn_dialog_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zb {

TPrnDialogForm::TPrnDialogForm(const QStringList& printers,
                               std::function<QList<PaperCode>(const QString&)> papersOf,
                               const PrnDialogChoice& initial, int lastPage, bool rangeEnabled, QWidget* parent)
    : QDialog(parent), papersOf_(std::move(papersOf)) {
    setWindowTitle(QStringLiteral("印刷"));
    auto* root = new QVBoxLayout(this);

    auto* printerGroup = new QGroupBox(QStringLiteral("ﾌﾟﾘﾝﾀ"), this);
    auto* pg = new QHBoxLayout(printerGroup);
    auto* printerLabel = new QLabel(QStringLiteral("ﾌﾟﾘﾝﾀ名(&N)"), printerGroup);
    printer_ = new QComboBox(printerGroup);
    printer_->addItems(printers);
    printer_->addItem(pdfEntry());
    printerLabel->setBuddy(printer_);
    auto* properties = new QPushButton(QStringLiteral("設定"), printerGroup);
    pg->addWidget(printerLabel);
    pg->addWidget(printer_, 1);
    pg->addWidget(properties);
    root->addWidget(printerGroup);

    auto* middle = new QHBoxLayout;
    auto* paperGroup = new QGroupBox(QStringLiteral("用紙"), this);
    auto* ppg = new QGridLayout(paperGroup);
    paper_ = new QComboBox(paperGroup);
    source_ = new QComboBox(paperGroup);
    source_->addItem(QStringLiteral("自動選択"));
    auto* sizeLabel = new QLabel(QStringLiteral("ｻｲｽﾞ(&Z)"), paperGroup);
    auto* sourceLabel = new QLabel(QStringLiteral("給紙方法(&E)"), paperGroup);
    sizeLabel->setBuddy(paper_);
    sourceLabel->setBuddy(source_);
    ppg->addWidget(sizeLabel, 0, 0);
    ppg->addWidget(paper_, 0, 1);
    ppg->addWidget(sourceLabel, 1, 0);
    ppg->addWidget(source_, 1, 1);
    middle->addWidget(paperGroup, 1);

    auto* orientGroup = new QGroupBox(QStringLiteral("印刷の向き"), this);
    auto* og = new QVBoxLayout(orientGroup);
    portrait_ = new QRadioButton(QStringLiteral("縦(&H)"), orientGroup);
    landscape_ = new QRadioButton(QStringLiteral("横(&W)"), orientGroup);
    og->addWidget(portrait_);
    og->addWidget(landscape_);
    (initial.orientation == 1 ? landscape_ : portrait_)->setChecked(true);
    middle->addWidget(orientGroup);
    root->addLayout(middle);

    auto* bottom = new QHBoxLayout;
    auto* rangeGroup = new QGroupBox(QStringLiteral("印刷範囲"), this);
    auto* rg = new QGridLayout(rangeGroup);
    all_ = new QRadioButton(QStringLiteral("すべて(&A)"), rangeGroup);
    pages_ = new QRadioButton(QStringLiteral("ﾍﾟｰｼﾞ指定(&G)"), rangeGroup);
    selection_ = new QRadioButton(QStringLiteral("選択した部分(&S)"), rangeGroup);
    selection_->setEnabled(false);
    from_ = new QSpinBox(rangeGroup);
    to_ = new QSpinBox(rangeGroup);
    for (QSpinBox* s : {from_, to_}) s->setRange(0, 999);
    from_->setValue(initial.from);
    to_->setValue(initial.allPages ? lastPage : initial.to);
    auto* fromLabel = new QLabel(QStringLiteral("ﾍﾟｰｼﾞから(&F)"), rangeGroup);
    auto* toLabel = new QLabel(QStringLiteral("ﾍﾟｰｼﾞまで(&T)"), rangeGroup);
    fromLabel->setBuddy(from_);
    toLabel->setBuddy(to_);
    rg->addWidget(all_, 0, 0, 1, 4);
    rg->addWidget(pages_, 1, 0, 1, 4);
    rg->addWidget(from_, 2, 0);
    rg->addWidget(fromLabel, 2, 1);
    rg->addWidget(to_, 2, 2);
    rg->addWidget(toLabel, 2, 3);
    rg->addWidget(selection_, 3, 0, 1, 4);
    (initial.allPages ? all_ : pages_)->setChecked(true);
    rangeGroup->setEnabled(rangeEnabled);
    auto syncRange = [this] {
        from_->setEnabled(pages_->isChecked());
        to_->setEnabled(pages_->isChecked());
    };
    connect(pages_, &QRadioButton::toggled, this, syncRange);
    syncRange();
    bottom->addWidget(rangeGroup, 1);

    auto* copiesGroup = new QGroupBox(QStringLiteral("印刷部数"), this);
    auto* cg = new QGridLayout(copiesGroup);
    copies_ = new QSpinBox(copiesGroup);
    copies_->setRange(1, 99);
    copies_->setValue(std::clamp(initial.copies, 1, 99));
    auto* copiesLabel = new QLabel(QStringLiteral("部数(&C)"), copiesGroup);
    copiesLabel->setBuddy(copies_);
    collate_ = new QCheckBox(QStringLiteral("部単位で印刷(&B)"), copiesGroup);
    collate_->setChecked(initial.collate);
    cg->addWidget(copiesLabel, 0, 0);
    cg->addWidget(copies_, 0, 1);
    cg->addWidget(collate_, 1, 0, 1, 2);
    bottom->addWidget(copiesGroup);
    root->addLayout(bottom);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    root->addWidget(buttons);

    const int at = initial.toPdf ? printer_->count() - 1 : printer_->findText(initial.printer);
    printer_->setCurrentIndex(at >= 0 ? at : 0);
    fillPapers(initial.paperCode);
    // Another printer has another paper list: keep the paper when it has it.
    connect(printer_, &QComboBox::currentIndexChanged, this, [this] {
        const int code = paper_->currentIndex() >= 0 && paper_->currentIndex() < papers_.size()
                             ? papers_[paper_->currentIndex()].code
                             : kPaperA4;
        fillPapers(code);
    });
    connect(properties, &QPushButton::clicked, this, [this] { emit propertiesRequested(printer_->currentText()); });
}

void TPrnDialogForm::fillPapers(int selectCode) {
    papers_ = papersOf_ ? papersOf_(printer_->currentText()) : QList<PaperCode>{};
    paper_->clear();
    int select = -1;
    for (int i = 0; i < papers_.size(); ++i) {
        paper_->addItem(papers_[i].name);
        if (papers_[i].code == selectCode) select = i;
    }
    paper_->setCurrentIndex(select >= 0 ? select : (papers_.isEmpty() ? -1 : 0));
}

PrnDialogChoice TPrnDialogForm::choice() const {
    PrnDialogChoice c;
    c.toPdf = printer_->currentIndex() == printer_->count() - 1;
    c.printer = c.toPdf ? QString() : printer_->currentText();
    const int p = paper_->currentIndex();
    c.paperCode = p >= 0 && p < papers_.size() ? papers_[p].code : kPaperA4;
    c.orientation = landscape_->isChecked() ? 1 : 0;
    c.allPages = all_->isChecked();
    c.selectionOnly = selection_->isChecked();
    c.from = from_->value();
    c.to = to_->value();
    c.copies = copies_->value();
    c.collate = collate_->isChecked();
    return c;
}

}  // namespace zb
