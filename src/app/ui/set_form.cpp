#include "app/ui/set_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zb {

SetFormValues SetFormValues::from(const Settings& s, const CommonSettings& c)
{
    SetFormValues v;
    v.thumbnailUser = s.thumbnailUser;
    v.msXmlParser = s.msXmlParser;
    v.autoSaveTime = s.autoSaveTime;
    v.stampMode = s.stampMode;
    v.backupFile = s.backupFile;
    v.fdiFileName = s.fdiFileName;
    v.komaAuto = s.komaAuto;
    v.deleteOneKey = s.deleteOneKey;
    v.hyojunPrnDialog = s.hyojunPrnDialog;
    v.prnImagekit = s.prnImagekit;
    v.common = c;
    return v;
}

void SetFormValues::applyTo(Settings& s, CommonSettings& c) const
{
    s.thumbnailUser = thumbnailUser;
    s.msXmlParser = msXmlParser;
    s.autoSaveTime = autoSaveTime;
    s.stampMode = stampMode;
    s.backupFile = backupFile;
    s.fdiFileName = fdiFileName;
    s.komaAuto = komaAuto;
    s.deleteOneKey = deleteOneKey;
    s.hyojunPrnDialog = hyojunPrnDialog;
    s.prnImagekit = prnImagekit;
    c = common;
}

TSetForm::TSetForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SetForm"));
    setWindowTitle(QStringLiteral("環境設定"));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("PageControl"));

    // Tab "共通設定".
    auto* general = new QWidget;
    auto* left = new QFormLayout;
    thumbSize_ = new QSpinBox;
    thumbSize_->setObjectName(QStringLiteral("Spin_Thumbnail"));
    thumbSize_->setRange(60, 120);
    auto* thumbRow = new QHBoxLayout;
    thumbRow->addWidget(thumbSize_);
    thumbRow->addWidget(new QLabel(QStringLiteral("Dot")));
    thumbRow->addStretch();
    auto* thumbLabel = new QLabel(QStringLiteral("カスタムサイズ(&C):"));
    thumbLabel->setBuddy(thumbSize_);
    left->addRow(thumbLabel, thumbRow);

    xmlParser_ = new QComboBox;
    xmlParser_->setObjectName(QStringLiteral("Combo_XmlParser"));
    xmlParser_->addItems({QStringLiteral("libxml2 XML Parser"), QStringLiteral("TORVEN XML Parser")});
    auto* xmlLabel = new QLabel(QStringLiteral("使用する　XML Parser(&X):"));
    xmlLabel->setBuddy(xmlParser_);
    left->addRow(xmlLabel, xmlParser_);

    autoSave_ = new QSpinBox;
    autoSave_->setObjectName(QStringLiteral("Spin_AutoSave"));
    autoSave_->setRange(0, 60);
    auto* autoRow = new QHBoxLayout;
    autoRow->addWidget(autoSave_);
    autoRow->addWidget(new QLabel(QStringLiteral("分")));
    autoRow->addStretch();
    auto* autoLabel = new QLabel(QStringLiteral("自動保存間隔(&T):"));
    autoLabel->setBuddy(autoSave_);
    left->addRow(autoLabel, autoRow);

    auto* photo = new QGroupBox(QStringLiteral("写真設定"));
    auto* photoLayout = new QFormLayout(photo);
    stampMode_ = new QComboBox;
    stampMode_->setObjectName(QStringLiteral("Combo_StampMode"));
    stampMode_->addItems({QStringLiteral("無"), QStringLiteral("Exif(DCF)情報とタイムスタンプ"),
                          QStringLiteral("Exif(DCF)情報のみ"), QStringLiteral("タイムスタンプのみ")});
    auto* stampLabel = new QLabel(QStringLiteral("撮影日付(&D):"));
    stampLabel->setBuddy(stampMode_);
    photoLayout->addRow(stampLabel, stampMode_);
    backupFile_ = new QCheckBox(QStringLiteral("写真読込時に複写を作成(&B)"));
    fdi_ = new QCheckBox(QStringLiteral("FDi (FIJICOLOR CD業務用)を自動認識(&F)"));
    koma_ = new QCheckBox(QStringLiteral("ファイル名からコマ番号の作成(&K)"));
    deleteKey_ = new QCheckBox(QStringLiteral("削除はDeleteキーを使用(&O)"));
    for (QCheckBox* b : {backupFile_, fdi_, koma_, deleteKey_})
        photoLayout->addRow(b);
    hyojunPrn_ = new QCheckBox(QStringLiteral("標準プリンタダイアログを使用"));
    prnImagekit_ = new QCheckBox(QStringLiteral("エンハンスドモードで印刷"));

    auto* note = new QLabel(QStringLiteral(
        "「写真読込時に複写を作成」をチェックすると、取り込んだ写真の元のファイルを工事データの"
        "BACKフォルダに日付ごとに複写します。\n\n"
        "「使用する XML Parser」は電子納品データ（PHOTO.XML）を読み込むときに使う解析部を選びます。"));
    note->setObjectName(QStringLiteral("Label_Note"));
    note->setWordWrap(true);
    note->setFrameShape(QFrame::StyledPanel);
    note->setMinimumWidth(220);
    note->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* leftColumn = new QVBoxLayout;
    leftColumn->addLayout(left);
    leftColumn->addWidget(photo);
    leftColumn->addWidget(hyojunPrn_);
    leftColumn->addWidget(prnImagekit_);
    leftColumn->addStretch();
    auto* generalLayout = new QHBoxLayout(general);
    generalLayout->addLayout(leftColumn, 1);
    generalLayout->addWidget(note);
    tabs_->addTab(general, QStringLiteral("共通設定"));

    // Tab "自社名".
    auto* company = new QWidget;
    auto* form = new QFormLayout(company);
    addCommonField(form, QStringLiteral("社名１:"), QStringLiteral("JName1"));
    addCommonField(form, QStringLiteral("社名２:"), QStringLiteral("JName2"));
    addCommonField(form, QStringLiteral("郵便番号:"), QStringLiteral("JAddr0"));
    addCommonField(form, QStringLiteral("住所１:"), QStringLiteral("JAddr1"));
    addCommonField(form, QStringLiteral("住所２:"), QStringLiteral("JAddr2"));
    addCommonField(form, QStringLiteral("電話番号:"), QStringLiteral("JTelNum"));
    addCommonField(form, QStringLiteral("ＦＡＸ番号:"), QStringLiteral("JFaxNum"));
    convertOnLeave(addCommonField(form, QStringLiteral("請負者名:"), QStringLiteral("JUkeoi")), ContractorMode::ZenHanEisu);
    convertOnLeave(addCommonField(form, QStringLiteral("請負者コード:"), QStringLiteral("JUkeoiCode")), ContractorMode::HanSuji);
    convertOnLeave(addCommonField(form, QStringLiteral("請負者備考:"), QStringLiteral("JUkeoiBikou")),
                   ContractorMode::ZenHanEisu);
    addCommonField(form, QStringLiteral("備考１:"), QStringLiteral("JBikou1"));
    addCommonField(form, QStringLiteral("備考２:"), QStringLiteral("JBikou2"));
    tabs_->addTab(company, QStringLiteral("自社名"));

    // Tab "共有設定": part of the window, never shown.
    tabs_->addTab(new QWidget, QStringLiteral("共有設定"));
    tabs_->setTabVisible(2, false);

    auto* ok = new QPushButton(QStringLiteral("登録(&R)"));
    ok->setObjectName(QStringLiteral("Button_Ok"));
    auto* cancel = new QPushButton(QStringLiteral("中止(&C)"));
    cancel->setObjectName(QStringLiteral("Button_Cancel"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);
}

QLineEdit* TSetForm::addCommonField(QFormLayout* form, const QString& caption, const QString& key)
{
    auto* edit = new QLineEdit;
    edit->setObjectName(QStringLiteral("Edit_") + key);
    edit->setMaxLength(255);
    edit->setMinimumWidth(320);
    form->addRow(caption, edit);
    common_.insert(key, edit);
    return edit;
}

void TSetForm::convertOnLeave(QLineEdit* edit, ContractorMode mode)
{
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, mode] {
        if (!edit->isModified() || !convert_)
            return;
        const QString converted = convert_(edit->text(), mode);
        if (converted != edit->text())
            edit->setText(converted);
        edit->setModified(false);
    });
}

QLineEdit* TSetForm::commonEdit(const QString& key) const { return common_.value(key); }

void TSetForm::setValues(const SetFormValues& v)
{
    thumbSize_->setValue(v.thumbnailUser);
    xmlParser_->setCurrentIndex(v.msXmlParser ? 0 : 1);
    autoSave_->setValue(v.autoSaveTime);
    stampMode_->setCurrentIndex(std::clamp(v.stampMode, 0, 3));
    backupFile_->setChecked(v.backupFile);
    fdi_->setChecked(v.fdiFileName);
    koma_->setChecked(v.komaAuto);
    deleteKey_->setChecked(v.deleteOneKey);
    hyojunPrn_->setChecked(v.hyojunPrnDialog);
    prnImagekit_->setChecked(v.prnImagekit);
    CommonSettings c = v.common;
    for (const CommonKey& k : commonKeys())
        if (QLineEdit* e = common_.value(k.key)) {
            e->setText(c.*k.field);
            e->setModified(false);
        }
}

SetFormValues TSetForm::values() const
{
    SetFormValues v;
    v.thumbnailUser = thumbSize_->value();
    v.msXmlParser = xmlParser_->currentIndex() == 0;
    v.autoSaveTime = autoSave_->value();
    v.stampMode = stampMode_->currentIndex();
    v.backupFile = backupFile_->isChecked();
    v.fdiFileName = fdi_->isChecked();
    v.komaAuto = koma_->isChecked();
    v.deleteOneKey = deleteKey_->isChecked();
    v.hyojunPrnDialog = hyojunPrn_->isChecked();
    v.prnImagekit = prnImagekit_->isChecked();
    for (const CommonKey& k : commonKeys())
        if (QLineEdit* e = common_.value(k.key))
            v.common.*k.field = e->text();
    return v;
}

}  // namespace zb
