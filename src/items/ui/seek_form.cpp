#include "items/ui/seek_form.h"

#include "items/ui/history_combo.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zb::items {

TSeekForm::TSeekForm(QString todayYmd, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), today_(std::move(todayYmd))
{
    setObjectName(QStringLiteral("SeekForm"));
    setWindowTitle(kSeekCaption);
    setModal(false);
    auto* form = new QFormLayout;
    auto combo = [&](const QString& name, const QString& label) {
        auto* c = new QComboBox;
        c->setObjectName(name);
        auto* l = new QLabel(label);
        l->setBuddy(c);
        form->addRow(l, c);
        return c;
    };
    iciran_ = combo(QStringLiteral("CE_Seek_Iciran"), QStringLiteral("モード(&J):"));
    iciran_->addItems(seekModeNames());
    ken_ = combo(QStringLiteral("CE_Seek_Ken"), QStringLiteral("項目(&K):"));
    pos_ = combo(QStringLiteral("CE_Seek_Pos"), QStringLiteral("方向(&W):"));
    mode_ = combo(QStringLiteral("CE_Seek_Mode"), QStringLiteral("方法(&F):"));
    mode_->addItems(matchModeNames());

    auto* levels = new QHBoxLayout;
    levelSt_ = new QComboBox;
    levelSt_->setObjectName(QStringLiteral("CE_Seek_LevelSt"));
    levelSt_->addItems(levelFromNames());
    levelEn_ = new QComboBox;
    levelEn_->setObjectName(QStringLiteral("CE_Seek_LevelEn"));
    levelEn_->addItems(levelToNames());
    auto* levelLabel = new QLabel(QStringLiteral("範囲(&S):"));
    levelLabel->setBuddy(levelSt_);
    auto* levelEnLabel = new QLabel(QStringLiteral("範囲(&E):"));
    levelEnLabel->setBuddy(levelEn_);
    levels->addWidget(levelSt_);
    levels->addWidget(levelEnLabel);
    levels->addWidget(levelEn_);
    form->addRow(levelLabel, levels);

    sort_ = combo(QStringLiteral("CE_Sort"), QStringLiteral("ソート(&O):"));
    sort_->addItems(seekSortNames());

    str1_ = new THistoryCombo;
    str1_->setObjectName(QStringLiteral("CE_Seek_Str1"));
    auto* textLabel = new QLabel(QStringLiteral("文字(&M):"));
    textLabel->setBuddy(str1_);
    form->addRow(textLabel, str1_);
    auto* bounds = new QHBoxLayout;
    str2_ = new THistoryCombo;
    str2_->setObjectName(QStringLiteral("CE_Seek_Str2"));
    str3_ = new THistoryCombo;
    str3_->setObjectName(QStringLiteral("CE_Seek_Str3"));
    bounds->addWidget(str2_);
    bounds->addWidget(new QLabel(QStringLiteral("～")));
    bounds->addWidget(str3_);
    auto* rangeLabel = new QLabel(QStringLiteral("範囲(&M):"));
    rangeLabel->setBuddy(str2_);
    form->addRow(rangeLabel, bounds);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    search_ = new QPushButton(QStringLiteral("検索(&R)"));
    search_->setObjectName(QStringLiteral("OpenBtn"));
    search_->setAutoDefault(false);
    close_ = new QPushButton(QStringLiteral("閉じる(&C)"));
    close_->setObjectName(QStringLiteral("CloseBtn"));
    close_->setAutoDefault(false);
    buttons->addWidget(search_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(search_, &QPushButton::clicked, this, &TSeekForm::runSearch);
    connect(close_, &QPushButton::clicked, this, &QDialog::close);
    for (THistoryCombo* box : {str1_, str2_, str3_})
        connect(box, &THistoryCombo::returnPressed, this, &TSeekForm::runSearch);
    connect(iciran_, &QComboBox::currentIndexChanged, this, &TSeekForm::modeChanged);
    connect(ken_, &QComboBox::currentIndexChanged, this, &TSeekForm::itemChanged);
    // The upper bound, entered empty after the lower bound was changed, takes its value.
    connect(str2_->lineEdit(), &QLineEdit::textEdited, this, [this] { lowerChanged_ = true; });
    connect(str3_, &THistoryCombo::entered, this, [this] {
        if (str3_->currentText().isEmpty() && lowerChanged_)
            str3_->setEditText(str2_->currentText());
        lowerChanged_ = false;
    });
    fillModeLists(true);
    itemChanged();
}

void TSeekForm::fillModeLists(bool listMode)
{
    building_ = true;
    ken_->clear();
    ken_->addItems(seekItemNames(listMode, today_));
    ken_->setCurrentIndex(0);
    pos_->clear();
    pos_->addItems(seekDirectionNames(listMode));
    pos_->setCurrentIndex(0);
    sort_->setEnabled(listMode);
    building_ = false;
}

void TSeekForm::modeChanged()
{
    const bool listMode = iciran_->currentIndex() == 0;
    fillModeLists(listMode);
    itemChanged();
    if (!listMode && onRelease)
        onRelease();
}

void TSeekForm::itemChanged()
{
    for (THistoryCombo* box : {str1_, str2_, str3_})
        box->setEditText(QString());
    lowerChanged_ = false;
    const std::optional<SeekKind> kind = seekKindAt(iciran_->currentIndex() == 0, ken_->currentIndex());
    const bool range = kind && isRangeKind(*kind);
    str1_->setEnabled(!range);
    str2_->setEnabled(range);
    str3_->setEnabled(range);
    mode_->setEnabled(!range);
}

void TSeekForm::setOptions(const SeekOptions& o)
{
    iciran_->setCurrentIndex(o.iciran ? 0 : 1);
    modeChanged();  // the lists of the mode, even when the index did not change
    ken_->setCurrentIndex(std::clamp(o.koumoku, 0, ken_->count() - 1));
    pos_->setCurrentIndex(std::clamp(o.pos, 0, pos_->count() - 1));
    mode_->setCurrentIndex(std::clamp(o.style, 0, mode_->count() - 1));
    levelSt_->setCurrentIndex(std::clamp(o.hanniSt, 0, levelSt_->count() - 1));
    levelEn_->setCurrentIndex(std::clamp(o.hanniEn, 0, levelEn_->count() - 1));
    sort_->setCurrentIndex(std::clamp(o.sort, 0, sort_->count() - 1));
}

SeekOptions TSeekForm::options() const
{
    return {iciran_->currentIndex() == 0, ken_->currentIndex(), pos_->currentIndex(), mode_->currentIndex(),
            levelSt_->currentIndex(),     levelEn_->currentIndex(), sort_->currentIndex()};
}

SeekRequest TSeekForm::request() const
{
    SeekRequest r;
    r.listMode = iciran_->currentIndex() == 0;
    r.query.kind = seekKindAt(r.listMode, ken_->currentIndex()).value_or(SeekKind::Title);
    r.query.mode = MatchMode(std::max(0, mode_->currentIndex()));
    if (isRangeKind(r.query.kind)) {
        r.query.lower = str2_->currentText();
        r.query.upper = str3_->currentText();
    } else {
        r.query.text = str1_->currentText();
    }
    r.query.levelFrom = levelSt_->currentIndex();
    r.query.levelTo = levelEn_->currentIndex();
    r.direction = SearchDirection(std::max(0, pos_->currentIndex()));
    if (r.listMode && sort_->currentIndex() > 0)
        r.sort = SeekKind(sort_->currentIndex());
    return r;
}

void TSeekForm::runSearch()
{
    for (THistoryCombo* box : {str1_, str2_, str3_})
        if (box->changedSinceRemembered())
            box->remember();
    if (onSaveOptions)
        onSaveOptions(options());
    if (onSearch)
        onSearch(request());
}

void TSeekForm::closeEvent(QCloseEvent* e)
{
    if (onSaveOptions)
        onSaveOptions(options());
    QDialog::closeEvent(e);
}

void TSeekForm::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        runSearch();
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace zb::items
