#include "album/ui/cap_form.h"

#include "album/parts_draw.h"
#include "album/units.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QColorDialog>
#include <QFontDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zb::album {

namespace {

// The placement lists in the order of the stored values.
const QStringList& alignmentNames()
{
    static const QStringList n{QStringLiteral("左"), QStringLiteral("右"), QStringLiteral("中央")};
    return n;
}

QColor colorOfRef(quint32 c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

void paintSwatch(QPushButton* b, quint32 color)
{
    QPixmap swatch(16, 16);
    swatch.fill(colorOfRef(color));
    b->setIcon(QIcon(swatch));
}

QString fontCaption(const PartFont& f) { return QStringLiteral("%1 %2pt").arg(f.name).arg(f.size); }

}  // namespace

TCapForm::TCapForm(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(QStringLiteral("詳細設定"));
    auto* form = new QFormLayout;
    const auto spin = [this] {
        auto* b = new QDoubleSpinBox(this);
        b->setRange(-99, 99);
        b->setDecimals(1);
        b->setSingleStep(0.1);
        b->setSuffix(QStringLiteral(" mm"));
        return b;
    };
    pitch_ = spin();
    linePitch_ = spin();
    alignment_ = new QComboBox(this);
    alignment_->addItems(alignmentNames());
    layout_ = new QComboBox(this);
    layout_->addItems({QStringLiteral("上"), QStringLiteral("中央"), QStringLiteral("下")});
    rotate_ = new QComboBox(this);
    rotate_->addItems({QStringLiteral("標準"), QStringLiteral("左"), QStringLiteral("下"), QStringLiteral("右")});
    kage_ = new QComboBox(this);
    kage_->addItems({QStringLiteral("無"), QStringLiteral("上"), QStringLiteral("左上"), QStringLiteral("左"),
                     QStringLiteral("左下"), QStringLiteral("下"), QStringLiteral("右下"), QStringLiteral("右"),
                     QStringLiteral("右上")});
    waku_ = new QCheckBox(QStringLiteral("文字枠"), this);
    justfit_ = new QCheckBox(QStringLiteral("自動幅調整"), this);
    text_ = new QPlainTextEdit(this);
    kageColor_ = new QPushButton(QStringLiteral("影色"), this);
    wakuColor_ = new QPushButton(QStringLiteral("枠色"), this);
    font_ = new QPushButton(this);
    chooseColor = [this](quint32 current, const QString& title) -> std::optional<quint32> {
        const QColor c = QColorDialog::getColor(colorOfRef(current), this, title);
        if (!c.isValid())
            return std::nullopt;
        return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16;
    };
    chooseFont = [this](const PartFont& current) -> std::optional<PartFont> {
        bool ok = false;
        QFont start = partFont(current, current.size);
        start.setPointSize(current.size);
        const QFont f = QFontDialog::getFont(&ok, start, this, QStringLiteral("フォント"));
        if (!ok)
            return std::nullopt;
        PartFont out = current;
        out.name = f.family();
        out.size = std::max(1, f.pointSize());
        out.style = quint8((f.bold() ? fsBold : 0) | (f.italic() ? fsItalic : 0) | (f.underline() ? fsUnderline : 0) |
                           (f.strikeOut() ? fsStrikeOut : 0));
        return out;
    };
    form->addRow(QStringLiteral("文字間隔"), pitch_);
    form->addRow(QStringLiteral("行間隔"), linePitch_);
    form->addRow(QStringLiteral("配置 横"), alignment_);
    form->addRow(QStringLiteral("配置 縦"), layout_);
    form->addRow(QStringLiteral("向き"), rotate_);
    form->addRow(QStringLiteral("影の方向"), kage_);
    form->addRow(QString(), kageColor_);
    form->addRow(waku_, wakuColor_);
    form->addRow(justfit_);
    form->addRow(QStringLiteral("フォント"), font_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(text_, 1);

    const auto notify = [this](const QObject* control) {
        if (!showing_)
            emit changed(control);
    };
    for (QDoubleSpinBox* b : {pitch_, linePitch_})
        connect(b, &QDoubleSpinBox::valueChanged, this, [notify, b] { notify(b); });
    for (QComboBox* c : {alignment_, layout_, rotate_, kage_})
        connect(c, &QComboBox::currentIndexChanged, this, [notify, c] { notify(c); });
    for (QCheckBox* c : {waku_, justfit_})
        connect(c, &QCheckBox::toggled, this, [notify, c] { notify(c); });
    connect(text_, &QPlainTextEdit::textChanged, this, [notify, this] { notify(text_); });
    connect(kageColor_, &QPushButton::clicked, this, [notify, this] {
        if (const auto c = chooseColor ? chooseColor(kageColorValue_, QStringLiteral("影色")) : std::nullopt) {
            kageColorValue_ = *c;
            paintSwatch(kageColor_, *c);
            notify(kageColor_);
        }
    });
    connect(wakuColor_, &QPushButton::clicked, this, [notify, this] {
        if (const auto c = chooseColor ? chooseColor(wakuColorValue_, QStringLiteral("枠色")) : std::nullopt) {
            wakuColorValue_ = *c;
            paintSwatch(wakuColor_, *c);
            notify(wakuColor_);
        }
    });
    connect(font_, &QPushButton::clicked, this, [notify, this] {
        if (const auto f = chooseFont ? chooseFont(fontValue_) : std::nullopt) {
            fontValue_ = *f;
            font_->setText(fontCaption(*f));
            notify(font_);
        }
    });
    showPart(nullptr);
}

void TCapForm::showPart(const TPartsBox* part)
{
    showing_ = true;
    for (QWidget* w : std::initializer_list<QWidget*>{pitch_, linePitch_, alignment_, layout_, rotate_, kage_, waku_,
                                                      justfit_, text_, kageColor_, wakuColor_, font_})
        w->setEnabled(part);
    if (part) {
        kageColorValue_ = part->KageColor;
        wakuColorValue_ = part->WakuColor;
        fontValue_ = part->Font;
        paintSwatch(kageColor_, kageColorValue_);
        paintSwatch(wakuColor_, wakuColorValue_);
        font_->setText(fontCaption(fontValue_));
        pitch_->setValue(toMm(part->Pitch));
        linePitch_->setValue(toMm(part->LinePitch));
        alignment_->setCurrentIndex(part->Alignment);
        layout_->setCurrentIndex(part->Layout);
        rotate_->setCurrentIndex(part->Rotate & 3);
        kage_->setCurrentIndex(part->Kage <= fkRightTop ? part->Kage : 0);
        waku_->setChecked(part->Waku);
        justfit_->setChecked(part->Justfit);
        // Line breaks are stored as CR LF.
        const QString shown = QString(part->Caption).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (text_->toPlainText() != shown)
            text_->setPlainText(shown);
    }
    showing_ = false;
}

void TCapForm::apply(TPartsBox& part, const QObject* control) const
{
    if (control == pitch_)
        part.Pitch = mm(pitch_->value());
    else if (control == linePitch_)
        part.LinePitch = mm(linePitch_->value());
    else if (control == alignment_)
        part.Alignment = TAlignment(alignment_->currentIndex());
    else if (control == layout_)
        part.Layout = TTextLayout(layout_->currentIndex());
    else if (control == rotate_)
        part.Rotate = TRotateStyle(rotate_->currentIndex());
    else if (control == kage_)
        part.Kage = TKageStyle(kage_->currentIndex());
    else if (control == waku_)
        part.Waku = waku_->isChecked();
    else if (control == justfit_)
        part.Justfit = justfit_->isChecked();
    else if (control == kageColor_)
        part.KageColor = kageColorValue_;
    else if (control == wakuColor_)
        part.WakuColor = wakuColorValue_;
    else if (control == font_)
        part.Font = fontValue_;
    else if (control == text_)
        part.Caption = text_->toPlainText().replace(u'\n', QStringLiteral("\r\n"));
}

}  // namespace zb::album
