#include "album/ui/set_prn_form.h"

#include "settings/settings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zb::album {

namespace {

// A small sheet standing upright or lying, beside the orientation buttons.
QPixmap sheetPicture(bool landscape) {
    QPixmap pm(36, 36);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QRect r = landscape ? QRect(2, 8, 32, 22) : QRect(7, 2, 22, 32);
    p.fillRect(r, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    for (int i = 1; i <= 3; ++i)
        p.drawLine(r.left() + 4, r.top() + i * r.height() / 5, r.right() - 4, r.top() + i * r.height() / 5);
    return pm;
}

QString stripExtension(const QString& name) {
    const int dot = name.lastIndexOf(QChar('.'));
    return dot > 0 ? name.left(dot) : name;
}

}  // namespace

TSetPrnForm::TSetPrnForm(Use use, const SetPrnValues& values, const QList<PaperCode>& papers,
                         const QString& formFolder, int sort, QWidget* parent)
    : QDialog(parent), use_(use), sort_(sort == 0 ? 1 : sort), initial_(values), papers_(papers) {
    setWindowTitle(use == Use::FormatChoice ? QStringLiteral("書式選択") : QStringLiteral("用紙共通設定"));
    auto* root = new QVBoxLayout(this);

    if (use == Use::FormatPaper) {
        auto* group = new QGroupBox(this);
        auto* g = new QGridLayout(group);
        auto* paperLabel = new QLabel(QStringLiteral("用紙(&P):"), group);
        paperList_ = new QTreeWidget(group);
        paperList_->setRootIsDecorated(false);
        paperList_->setHeaderLabels({QStringLiteral("用紙名")});
        paperLabel->setBuddy(paperList_);
        for (const PaperCode& p : papers_) {
            auto* item = new QTreeWidgetItem(paperList_, {p.name});
            item->setData(0, Qt::UserRole, p.code);
            if (p.code == values.paperCode) {
                paperList_->setCurrentItem(item);
                paperList_->scrollToItem(item);
            }
        }
        auto* orientLabel = new QLabel(QStringLiteral("印刷の向き(&O):"), group);
        portrait_ = new QRadioButton(QStringLiteral("縦(&H)"), group);
        landscape_ = new QRadioButton(QStringLiteral("横(&W)"), group);
        orientLabel->setBuddy(portrait_);
        (values.orientation == 1 ? landscape_ : portrait_)->setChecked(true);
        auto* portraitPic = new QLabel(group);
        portraitPic->setPixmap(sheetPicture(false));
        auto* landscapePic = new QLabel(group);
        landscapePic->setPixmap(sheetPicture(true));
        g->addWidget(paperLabel, 0, 0);
        g->addWidget(paperList_, 1, 0, 4, 1);
        g->addWidget(orientLabel, 0, 1, 1, 2);
        g->addWidget(portraitPic, 1, 1);
        g->addWidget(portrait_, 1, 2);
        g->addWidget(landscapePic, 2, 1);
        g->addWidget(landscape_, 2, 2);
        root->addWidget(group);
        connect(paperList_, &QTreeWidget::itemDoubleClicked, this, [this] {
            if (ok_->isEnabled()) accept();
        });
    } else {
        auto* group = new QGroupBox(this);
        auto* g = new QGridLayout(group);
        const QString current = QStringLiteral("  (") + stripExtension(values.formatName) + QStringLiteral(")");
        auto* label = new QLabel((use == Use::AlbumCommon ? QStringLiteral("初期書式(&F):")
                                                          : QStringLiteral("ページ書式(&F):")) +
                                     current,
                                 group);
        formatList_ = new QTreeWidget(group);
        formatList_->setRootIsDecorated(false);
        formatList_->setColumnCount(3);
        formatList_->header()->setSectionsClickable(true);
        label->setBuddy(formatList_);
        auto* previewCaption = new QLabel(QStringLiteral("プレビュー:"), group);
        preview_ = new QLabel(group);
        preview_->setFixedSize(140, 140);
        preview_->setAlignment(Qt::AlignCenter);
        preview_->setFrameShape(QFrame::StyledPanel);
        g->addWidget(label, 0, 0);
        g->addWidget(formatList_, 1, 0, 2, 1);
        g->addWidget(previewCaption, 0, 1);
        g->addWidget(preview_, 1, 1);
        root->addWidget(group);
        formats_ = listFormats(formFolder);
        fillFormats(values.formatName);
        connect(formatList_, &QTreeWidget::currentItemChanged, this, [this] { formatSelected(); });
        connect(formatList_, &QTreeWidget::itemDoubleClicked, this, [this] {
            if (ok_->isEnabled()) accept();
        });
        connect(formatList_->header(), &QHeaderView::sectionClicked, this, [this](int section) {
            sort_ = nextFormatSort(sort_, section + 1);
            const QTreeWidgetItem* cur = formatList_->currentItem();
            fillFormats(cur ? cur->data(0, Qt::UserRole).toString() : QString());
        });
    }

    if (use == Use::AlbumCommon) {
        auto* group = new QGroupBox(this);
        auto* g = new QGridLayout(group);
        auto* startLabel = new QLabel(QStringLiteral("印刷開始位置(&S):"), group);
        offsetX_ = new QDoubleSpinBox(group);
        offsetY_ = new QDoubleSpinBox(group);
        for (QDoubleSpinBox* s : {offsetX_, offsetY_}) {
            s->setDecimals(1);
            s->setSingleStep(0.1);
            s->setRange(-999.9, 999.9);
            s->setSuffix(QStringLiteral(" mm"));
        }
        offsetX_->setValue(toMm(values.offsetX));
        offsetY_->setValue(toMm(values.offsetY));
        auto* xLabel = new QLabel(QStringLiteral("(&X):"), group);
        auto* yLabel = new QLabel(QStringLiteral("(&Y):"), group);
        xLabel->setBuddy(offsetX_);
        yLabel->setBuddy(offsetY_);
        startLabel->setBuddy(offsetX_);
        auto* pageLabel = new QLabel(QStringLiteral("ページ初期値(&I):"), group);
        pageStart_ = new QSpinBox(group);
        pageStart_->setRange(-999, 999);
        pageStart_->setValue(values.pageStart);
        pageLabel->setBuddy(pageStart_);
        defaults_ = new QCheckBox(QStringLiteral("デフォルト"), group);
        defaults_->setChecked(values.defaults);
        g->addWidget(startLabel, 0, 0);
        g->addWidget(xLabel, 0, 1);
        g->addWidget(offsetX_, 0, 2);
        g->addWidget(yLabel, 0, 3);
        g->addWidget(offsetY_, 0, 4);
        g->addWidget(pageLabel, 1, 0);
        g->addWidget(pageStart_, 1, 2);
        g->addWidget(new QLabel(QStringLiteral("ページから"), group), 1, 3, 1, 2);
        g->addWidget(defaults_, 2, 0);
        root->addWidget(group);
    }

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    root->addWidget(buttons);
    if (formatList_) formatSelected();
    updateOk();
}

void TSetPrnForm::fillFormats(const QString& select) {
    const QSignalBlocker block(formatList_);
    sortFormats(formats_, sort_);
    formatList_->clear();
    formatList_->setHeaderLabels(
        {formatColumnCaption(1, sort_), formatColumnCaption(2, sort_), formatColumnCaption(3, sort_)});
    for (const FormatEntry& e : formats_) {
        auto* item = new QTreeWidgetItem(formatList_, {e.name, e.header.title, e.kindText()});
        item->setData(0, Qt::UserRole, e.fileName);
        if (e.fileName.compare(select, Qt::CaseInsensitive) == 0) {
            formatList_->setCurrentItem(item);
            formatList_->scrollToItem(item);
        }
    }
    formatSelected();
}

void TSetPrnForm::formatSelected() {
    if (!preview_) return;
    const QTreeWidgetItem* cur = formatList_->currentItem();
    QPixmap pm;
    if (cur) {
        const QString name = cur->data(0, Qt::UserRole).toString();
        for (const FormatEntry& e : formats_)
            if (e.fileName == name && !e.preview.isEmpty()) pm.loadFromData(e.preview, "JPEG");
    }
    if (!pm.isNull()) pm = pm.scaled(preview_->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    preview_->setPixmap(pm);
    updateOk();
}

void TSetPrnForm::updateOk() {
    if (!ok_) return;
    bool enabled = true;
    if (use_ == Use::AlbumCommon) {
        // An album's initial format must be a photo format.
        const QTreeWidgetItem* cur = formatList_->currentItem();
        enabled = cur && cur->text(2) != QStringLiteral("表書");
    }
    ok_->setEnabled(enabled);
}

SetPrnValues TSetPrnForm::values() const {
    SetPrnValues v = initial_;
    if (paperList_) {
        if (const QTreeWidgetItem* cur = paperList_->currentItem()) v.paperCode = cur->data(0, Qt::UserRole).toInt();
        v.orientation = landscape_->isChecked() ? 1 : 0;
    }
    if (formatList_) {
        if (const QTreeWidgetItem* cur = formatList_->currentItem())
            v.formatName = cur->data(0, Qt::UserRole).toString();
    }
    if (offsetX_) {
        v.offsetX = mm(offsetX_->value());
        v.offsetY = mm(offsetY_->value());
        v.pageStart = pageStart_->value();
        v.defaults = defaults_->isChecked();
    }
    return v;
}

void TSetPrnForm::storeDefaults(Settings& settings, const SetPrnValues& values) {
    settings.grphFormName = values.formatName;
    settings.grphPageInc = values.pageStart;
    settings.grphOffsetX = values.offsetX;
    settings.grphOffsetY = values.offsetY;
}

}  // namespace zb::album
