#include "items/ui/add_form.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace zb::items {

namespace {

constexpr int kCodeRole = Qt::UserRole + 1;
constexpr int kMargin = 2;

// Draws an entry: the code in a coloured cell as wide as "0000.", then the
// rest of the text; selected entries black on yellow.
class EntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static int codeCellWidth(const QFontMetrics& fm) { return fm.horizontalAdvance(QStringLiteral("0000.")); }

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QString text = index.data(Qt::DisplayRole).toString();
        const int code = index.data(kCodeRole).toInt();
        const bool selected = option.state & QStyle::State_Selected;
        const QRect r = option.rect;
        const int cell = codeCellWidth(option.fontMetrics) + 2 * kMargin;
        p->save();
        p->fillRect(r, selected ? selectedEntryColor() : option.palette.base().color());
        const QRect codeRect(r.left(), r.top(), cell, r.height());
        p->fillRect(codeRect, selected ? selectedEntryColor() : entryColor(code));
        p->setPen(selected ? QColor(Qt::black) : option.palette.text().color());
        p->drawText(codeRect.adjusted(kMargin, 0, -kMargin, 0), Qt::AlignLeft | Qt::AlignVCenter, text.left(4));
        p->drawText(r.adjusted(cell + kMargin, 0, -kMargin, 0), Qt::AlignLeft | Qt::AlignVCenter, text.mid(5));
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QString text = index.data(Qt::DisplayRole).toString();
        const int w = codeCellWidth(option.fontMetrics) + 4 * kMargin + option.fontMetrics.horizontalAdvance(text.mid(5));
        return QSize(w, option.fontMetrics.height() + 2);
    }
};

}  // namespace

TAddForm::TAddForm(const QString& palettePath, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), entries_(readPalette(palettePath))
{
    setObjectName(QStringLiteral("AddForm"));
    setWindowTitle(QStringLiteral("工事情報/写真情報の追加"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget;
    list_->setObjectName(QStringLiteral("ListBox_Items"));
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setItemDelegate(new EntryDelegate(list_));
    list_->setFlow(QListView::TopToBottom);
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setUniformItemSizes(true);
    for (const PaletteEntry& e : entries_) {
        auto* item = new QListWidgetItem(e.listText());
        item->setData(kCodeRole, e.code);
        list_->addItem(item);
    }
    layout->addWidget(list_);

    auto* bottom = new QHBoxLayout;
    slotLabel_ = new QLabel(QStringLiteral("  関連付ける写真:"));
    slot_ = new QComboBox;
    slot_->setObjectName(QStringLiteral("ComboBox_Photo"));
    slotLabel_->setBuddy(slot_);
    bottom->addWidget(slotLabel_);
    bottom->addWidget(slot_);
    bottom->addStretch();
    pour_ = new QPushButton(QStringLiteral("流込(&R)"));
    pour_->setObjectName(QStringLiteral("Button_Pour"));
    bottom->addWidget(pour_);
    layout->addLayout(bottom);

    connect(pour_, &QPushButton::clicked, this, &TAddForm::pourSelection);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { pourSelection(); });
    connect(list_, &QListWidget::itemSelectionChanged, this, &TAddForm::updateSlotEnabled);

    const QFontMetrics fm = list_->fontMetrics();
    for (const PaletteEntry& e : entries_)
        widest_ = std::max(widest_, EntryDelegate::codeCellWidth(fm) + 4 * kMargin + fm.horizontalAdvance(e.restText()));
    widest_ = std::max(widest_, 1);
    setSlotChoiceVisible(false);
    updateSlotEnabled();
    resize(360, 420);
}

void TAddForm::setSlotChoiceVisible(bool visible)
{
    slotLabel_->setVisible(visible);
    slot_->setVisible(visible);
}

void TAddForm::setSlots(const QList<int>& slotNumbers)
{
    const int previous = slot_->currentIndex() >= 0 ? slot_->currentData().toInt() : 0;
    QList<int> sorted = slotNumbers;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    slot_->clear();
    // Pages may number their frames beyond the slots the choice offers.
    for (int n : sorted)
        if (n > 0 && n <= kMaxPhotoSlot)
            slot_->addItem(photoSlotName(n), n);
    const int again = slot_->findData(previous);
    slot_->setCurrentIndex(again >= 0 ? again : (slot_->count() > 0 ? 0 : -1));
    updateSlotEnabled();
}

int TAddForm::chosenSlot() const
{
    if (slot_->isHidden() || !slot_->isEnabled() || slot_->currentIndex() < 0)
        return 0;
    return slot_->currentData().toInt();
}

QList<int> TAddForm::selectedRows() const
{
    QList<int> rows;
    for (int i = 0; i < list_->count(); ++i)
        if (list_->item(i)->isSelected())
            rows << i;
    return rows;
}

QString TAddForm::tokenText() const
{
    return items::tokenText(entries_, selectedRows());
}

void TAddForm::updateSlotEnabled()
{
    bool photo = false;
    for (int row : selectedRows())
        photo = photo || isPhotoCode(entries_[row].code);
    slot_->setEnabled(photo);
    slotLabel_->setEnabled(photo);
}

void TAddForm::pourSelection()
{
    if (entries_.isEmpty())
        return;
    emit pour(tokenText(), chosenSlot());
    if (!keepOpen_)
        hide();
}

void TAddForm::arrangeColumns()
{
    const QSize area = list_->viewport()->size();
    const int rowHeight = std::max(1, list_->sizeHintForRow(0));
    const int rowsVisible = std::max(1, area.height() / rowHeight);
    const int needed = (int(entries_.size()) + rowsVisible - 1) / rowsVisible;
    const int fit = std::max(1, area.width() / widest_);
    columns_ = std::max(1, std::min(needed, fit));
    list_->setGridSize(QSize(std::max(widest_, area.width() / columns_), rowHeight));
}

void TAddForm::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    arrangeColumns();
}

void TAddForm::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    arrangeColumns();
}

void TAddForm::closeEvent(QCloseEvent* e)
{
    emit closed();
    QWidget::closeEvent(e);
}

}  // namespace zb::items
