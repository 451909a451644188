#include "imaging/ui/frm_bitset.h"

#include "core/ports.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zb {

TFrm_BitSet::TFrm_BitSet(Messages& messages, const QString& settingsFolder, QWidget* parent)
    : QDialog(parent), messages_(messages), folder_(settingsFolder), sizes_(SelectionSizes::load(settingsFolder))
{
    setObjectName(QStringLiteral("Frm_BitSet"));
    setWindowTitle(QStringLiteral("簡略画像処理"));

    RadioGroup = new QGroupBox(QStringLiteral("指定範囲の大きさ (ピクセル)"), this);
    RadioGroup->setObjectName(QStringLiteral("RadioGroup"));
    choices = new QButtonGroup(this);
    auto* radios = new QVBoxLayout(RadioGroup);
    const QString fixed[4] = {QStringLiteral("最大"), QStringLiteral("Ｗ１００×Ｈ１００"),
                              QStringLiteral("Ｗ６４０×Ｈ４８０"), QStringLiteral("Ｗ４８０×Ｈ６４０")};
    for (int i = 0; i < 7; ++i) {
        auto* radio = new QRadioButton(i < 4 ? fixed[i] : customSizeCaption(sizes_.custom[std::size_t(i - 4)]),
                                       RadioGroup);
        choices->addButton(radio, i);
        radios->addWidget(radio);
    }

    widthBox = new QSpinBox(this);
    heightBox = new QSpinBox(this);
    for (QSpinBox* box : {widthBox, heightBox})
        box->setRange(kCustomSideMin, kCustomSideMax);
    widthBox->setObjectName(QStringLiteral("widthBox"));
    heightBox->setObjectName(QStringLiteral("heightBox"));
    confirmButton = new QPushButton(QStringLiteral("確定"), this);
    auto* custom = new QHBoxLayout;
    custom->addWidget(new QLabel(QStringLiteral("Ｗ"), this));
    custom->addWidget(widthBox);
    custom->addWidget(new QLabel(QStringLiteral("Ｈ"), this));
    custom->addWidget(heightBox);
    custom->addWidget(confirmButton);

    endButton = new QPushButton(QStringLiteral("終了"), this);
    endButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(endButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioGroup);
    layout->addLayout(custom);
    layout->addLayout(buttons);

    connect(choices, &QButtonGroup::idClicked, this, &TFrm_BitSet::choiceChanged);
    connect(confirmButton, &QPushButton::clicked, this, &TFrm_BitSet::confirmClicked);
    connect(endButton, &QPushButton::clicked, this, &TFrm_BitSet::endClicked);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    const int start = sizes_.choice < 0 ? 1 : sizes_.choice;
    choices->button(start)->setChecked(true);
    choiceChanged(start);
}

void TFrm_BitSet::choiceChanged(int id)
{
    sizes_.choice = id;
    const bool custom = id >= 4;
    for (QWidget* w : std::initializer_list<QWidget*>{widthBox, heightBox, confirmButton})
        w->setVisible(custom);
    if (custom) {
        const QSize s = sizes_.custom[std::size_t(id - 4)];
        widthBox->setValue(s.width());
        heightBox->setValue(s.height());
    }
}

void TFrm_BitSet::confirmClicked()
{
    const int id = choices->checkedId();
    if (id < 4)
        return;
    widthBox->interpretText();
    heightBox->interpretText();
    const QSize s(widthBox->value(), heightBox->value());
    sizes_.custom[std::size_t(id - 4)] = s;
    choices->button(id)->setText(customSizeCaption(s));
}

void TFrm_BitSet::endClicked()
{
    sizes_.choice = choices->checkedId();
    if (!sizes_.save(folder_)) {
        messages_.error(kSelectionSizesNotSaved);
        return;
    }
    accept();
}

}  // namespace zb
