#include "imaging/ui/frm_bitjpeg.h"

#include "imaging/jpeg_codec.h"
#include "imaging/save_picture.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zb {

TFrm_BitJPEG::TFrm_BitJPEG(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Frm_BitJPEG"));
    setWindowTitle(QStringLiteral("圧縮率選択"));
    RadioGrp_JPEG = new QGroupBox(QStringLiteral(" JPEG圧縮率 "), this);
    RadioGrp_JPEG->setObjectName(QStringLiteral("RadioGrp_JPEG"));
    buttons = new QButtonGroup(this);
    const QString texts[7] = {
        QStringLiteral("１００％"), QStringLiteral("９０％"), QStringLiteral("８０％"),
        QStringLiteral("７０％"),   QStringLiteral("６０％"), QStringLiteral("５０％"),
        QStringLiteral("デフォルト (") + QString::number(kDefaultJpegQuality) + QStringLiteral("%)"),
    };
    // Two columns, filled top to bottom.
    auto* grid = new QGridLayout(RadioGrp_JPEG);
    const int rows = 4;
    for (int i = 0; i < 7; ++i) {
        auto* radio = new QRadioButton(texts[i], RadioGrp_JPEG);
        buttons->addButton(radio, i);
        grid->addWidget(radio, i % rows, i / rows);
    }
    buttons->button(6)->setChecked(true);

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(okButton);
    buttonRow->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioGrp_JPEG);
    layout->addLayout(buttonRow);
}

int TFrm_BitJPEG::quality() const
{
    return JpegQualityForEntry(buttons->checkedId());
}

int AskJpegQuality(const QString& fileName, QWidget* parent)
{
    if (!NeedsJpegQuality(fileName))
        return 0;
    TFrm_BitJPEG dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    return dialog.quality();
}

}  // namespace zb
