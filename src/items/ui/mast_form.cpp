#include "items/ui/mast_form.h"

#include "core/ports.h"
#include "items/photo_search.h"
#include "items/ui/history_combo.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace zb::items {

namespace {

// Icons of depth 0, depth 1 and deeper entries.
QIcon depthIcon(int depth)
{
    static const QList<QIcon> icons = [] {
        QList<QIcon> out;
        const QColor colours[] = {QColor(230, 120, 60), QColor(240, 200, 80), QColor(120, 170, 240)};
        for (const QColor& c : colours) {
            QPixmap pm(16, 16);
            pm.fill(Qt::transparent);
            QPainter p(&pm);
            p.setPen(Qt::black);
            p.setBrush(c);
            p.drawRect(1, 4, 14, 10);
            p.drawRect(1, 2, 6, 2);
            out << QIcon(pm);
        }
        return out;
    }();
    return icons.value(std::min(depth, 2));
}

}  // namespace

// ---------------------------------------------------------------- header

TMastHeader::TMastHeader(QTreeWidget& tree, QWidget* parent) : QWidget(parent), tree_(tree)
{
    setObjectName(QStringLiteral("HeaderControl"));
    connect(tree_.horizontalScrollBar(), &QScrollBar::valueChanged, this, qOverload<>(&QWidget::update));
}

void TMastHeader::setHighlighted(int depth)
{
    if (depth_ == depth)
        return;
    depth_ = depth;
    update();
}

QRect TMastHeader::sectionRect(int section) const
{
    const int first = std::max(0, kFirstWidth - tree_.horizontalScrollBar()->value());
    if (section == 0)
        return QRect(0, 0, first, height());
    return QRect(first + (section - 1) * kSectionWidth, 0, kSectionWidth, height());
}

QSize TMastHeader::sizeHint() const
{
    return QSize(kFirstWidth + 5 * kSectionWidth, fontMetrics().height() + 6);
}

void TMastHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    for (int s = 0; s <= 5; ++s) {
        const QRect r = sectionRect(s);
        p.fillRect(r, s - 1 == depth_ && s > 0 ? QColor(Qt::yellow) : palette().color(QPalette::Window));
        p.setPen(palette().color(QPalette::Mid));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        if (s > 0) {
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(r, Qt::AlignCenter, masterDepthNames().value(s - 1));
        }
    }
}

// ---------------------------------------------------------------- window

TMastForm::TMastForm(TMaster& master, Messages& messages, MastFormHooks hooks, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint), master_(master), messages_(messages),
      hooks_(std::move(hooks))
{
    setObjectName(QStringLiteral("MastForm"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);

    auto* bar = new QHBoxLayout;
    addButton(bar, QStringLiteral("SB_TreeViewExpand"), QStringLiteral("＋"), QStringLiteral("ツリーを全て開く"),
              &TMastForm::expandAll);
    addButton(bar, QStringLiteral("SB_TreeViewCollapse"), QStringLiteral("－"),
              QStringLiteral("カーソル位置以外のツリーを全て閉じる"), &TMastForm::collapseOthers);
    addButton(bar, QStringLiteral("SB_Douki"), QStringLiteral("工事階層と同期(&S)"),
              QStringLiteral("工事階層のカーソル位置の工事フォルダに合わせる"), &TMastForm::synchronise);
    addButton(bar, QStringLiteral("SB_MastRead"), QStringLiteral("読込(&L)"),
              QStringLiteral("新土木工事積算大系ＣＳＶファイルの読込"), &TMastForm::readCsv);
    addButton(bar, QStringLiteral("SB_MastChange"), QStringLiteral("切替(&X)"), QStringLiteral("マスタの切り替え/新規作成"),
              &TMastForm::switchMaster);
    bar->addStretch();
    layout->addLayout(bar);

    auto* search = new QHBoxLayout;
    auto combo = [&](const QString& name, const QStringList& items) {
        auto* c = new QComboBox;
        c->setObjectName(name);
        c->addItems(items);
        search->addWidget(c);
        return c;
    };
    mode_ = combo(QStringLiteral("ComboEdit_Mode"), matchModeNames());
    pos_ = combo(QStringLiteral("ComboEdit_Pos"), masterPositionNames());
    levelSt_ = combo(QStringLiteral("ComboEdit_LevelSt"), levelFromNames());
    levelEn_ = combo(QStringLiteral("ComboEdit_LevelEn"), levelToNames());
    text_ = new THistoryCombo;
    text_->setObjectName(QStringLiteral("ComboEdit_KenStr"));
    text_->setMinimumWidth(120);
    search->addWidget(text_, 1);
    connect(text_, &THistoryCombo::returnPressed, this, &TMastForm::searchNext);
    addButton(search, QStringLiteral("SB_Kensaku"), QStringLiteral("移動(&Z)"), QStringLiteral("マスタの文字検索"),
              &TMastForm::searchNext);
    layout->addLayout(search);

    tree_ = new QTreeWidget;
    tree_->setObjectName(QStringLiteral("TV_Mast"));
    tree_->setHeaderHidden(true);
    tree_->setIndentation(TMastHeader::kSectionWidth);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    header_ = new TMastHeader(*tree_);
    layout->addWidget(header_);
    layout->addWidget(tree_, 1);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] { refreshButtons(); });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] {
        if (QAbstractButton* b = button(QStringLiteral("OpenBtn")); b && b->isEnabled())
            pourEntry();
    });

    auto* edit = new QHBoxLayout;
    addButton(edit, QStringLiteral("SB_TreeNew"), QStringLiteral("新規(&N)"), QString(), &TMastForm::newEntry);
    addButton(edit, QStringLiteral("SB_TreeName"), QStringLiteral("変更(&E)"), QString(), &TMastForm::renameEntry);
    addButton(edit, QStringLiteral("SB_TreeDel"), QStringLiteral("削除(&D)"), QString(), &TMastForm::deleteEntry);
    edit->addStretch();
    addButton(edit, QStringLiteral("OpenBtn"), QStringLiteral("流込(&R)"), QString(), &TMastForm::pourEntry);
    connect(addButton(edit, QStringLiteral("CloseBtn"), QStringLiteral("閉じる(&C)"), QString(), nullptr),
            &QAbstractButton::clicked, this, &QDialog::close);
    layout->addLayout(edit);

    popup_ = new QMenu(this);
    popup_->setObjectName(QStringLiteral("PopupMenu_Mast"));
    const struct {
        const char* name;
        const char* caption;
        void (TMastForm::*slot)();
    } entries[] = {{"Mn_Pour", "流込(&S)", &TMastForm::pourEntry},
                   {"Mn_New", "新規(&N)", &TMastForm::newEntry},
                   {"Mn_Rename", "変更(&E)", &TMastForm::renameEntry},
                   {"Mn_Delete", "削除(&D)", &TMastForm::deleteEntry}};
    for (const auto& e : entries) {
        QAction* a = popup_->addAction(QString::fromUtf8(e.caption));
        a->setObjectName(QString::fromLatin1(e.name));
        connect(a, &QAction::triggered, this, e.slot);
        if (e.slot == &TMastForm::pourEntry)
            popup_->addSeparator();
    }
    connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        refreshButtons();
        popup_->popup(tree_->viewport()->mapToGlobal(pos));
    });

    connect(&watch_, &QTimer::timeout, this, [this] {
        const int keep = selectedIndex();
        if (master_.refreshIfChanged())
            rebuild(std::min<int>(keep, int(master_.outline().size()) - 1));
    });
    master_.reloaded = [this] { rebuild(0); };
    resize(520, 560);
    rebuild(0);
}

TMastForm::~TMastForm() { master_.reloaded = nullptr; }

QAbstractButton* TMastForm::addButton(QLayout* layout, const QString& name, const QString& caption,
                                      const QString& hint, void (TMastForm::*slot)())
{
    auto* b = new QPushButton(caption);
    b->setObjectName(name);
    b->setAutoDefault(false);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    layout->addWidget(b);
    if (slot)
        connect(b, &QPushButton::clicked, this, slot);
    return b;
}

QAbstractButton* TMastForm::button(const QString& name) const { return findChild<QAbstractButton*>(name); }

void TMastForm::setOptions(const MastSearchOptions& o)
{
    mode_->setCurrentIndex(std::clamp(o.style, 0, mode_->count() - 1));
    pos_->setCurrentIndex(std::clamp(o.pos, 0, pos_->count() - 1));
    levelSt_->setCurrentIndex(std::clamp(o.hanniSt, 0, levelSt_->count() - 1));
    levelEn_->setCurrentIndex(std::clamp(o.hanniEn, 0, levelEn_->count() - 1));
}

MastSearchOptions TMastForm::options() const
{
    return {mode_->currentIndex(), pos_->currentIndex(), levelSt_->currentIndex(), levelEn_->currentIndex()};
}

void TMastForm::updateCaption() { setWindowTitle(kMasterCaptionHead + master_.name() + QStringLiteral(")")); }

void TMastForm::rebuild(int select)
{
    const QSignalBlocker block(tree_);
    tree_->clear();
    items_.clear();
    QList<QTreeWidgetItem*> open;  // the last item at each depth
    for (const MasterEntry& e : master_.outline()) {
        QTreeWidgetItem* item = nullptr;
        if (e.depth == 0 || open.size() < e.depth) {
            item = new QTreeWidgetItem(tree_);
            open = {item};
        } else {
            open.resize(e.depth);
            item = new QTreeWidgetItem(open.last());
            open << item;
        }
        item->setText(0, e.name);
        item->setIcon(0, depthIcon(e.depth));
        item->setData(0, Qt::UserRole, int(items_.size()));
        items_ << item;
    }
    updateCaption();
    selectIndex(std::clamp(select, 0, int(items_.size()) - 1));
    refreshButtons();
}

int TMastForm::selectedIndex() const
{
    const QTreeWidgetItem* item = tree_->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}

void TMastForm::selectIndex(int index)
{
    if (index < 0 || index >= items_.size()) {
        tree_->setCurrentItem(nullptr);
        refreshButtons();
        return;
    }
    QTreeWidgetItem* item = items_[index];
    for (QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        p->setExpanded(true);
    tree_->setCurrentItem(item);
    tree_->scrollToItem(item);
    refreshButtons();
}

void TMastForm::refreshButtons()
{
    const int sel = selectedIndex();
    header_->setHighlighted(sel >= 0 ? master_.outline()[sel].depth : -1);
    const bool pour = sel >= 0 && hooks_.canPour && hooks_.canPour();
    const bool create = master_.canCreate(sel);
    const bool rename = master_.canRename(sel);
    const bool remove = master_.canDelete(sel);
    button(QStringLiteral("SB_TreeNew"))->setEnabled(create);
    button(QStringLiteral("SB_TreeName"))->setEnabled(rename);
    button(QStringLiteral("SB_TreeDel"))->setEnabled(remove);
    button(QStringLiteral("OpenBtn"))->setEnabled(pour);
    const bool any = !master_.outline().isEmpty();
    button(QStringLiteral("SB_Douki"))->setEnabled(any);
    button(QStringLiteral("SB_Kensaku"))->setEnabled(any);
    const struct {
        const char* name;
        bool on;
    } menu[] = {{"Mn_Pour", pour}, {"Mn_New", create}, {"Mn_Rename", rename}, {"Mn_Delete", remove}};
    for (const auto& m : menu)
        if (QAction* a = popup_->findChild<QAction*>(QString::fromLatin1(m.name)))
            a->setEnabled(m.on);
}

void TMastForm::expandAll() { tree_->expandAll(); }

void TMastForm::collapseOthers()
{
    QTreeWidgetItem* keep = tree_->currentItem();
    QSet<QTreeWidgetItem*> path;
    for (QTreeWidgetItem* p = keep; p; p = p->parent())
        path.insert(p);
    for (QTreeWidgetItem* item : std::as_const(items_))
        if (!path.contains(item))
            item->setExpanded(false);
    if (keep)
        tree_->scrollToItem(keep);
}

void TMastForm::synchronise()
{
    const QStringList path = hooks_.jobPath ? hooks_.jobPath() : QStringList();
    const int found = master_.synchronise(path);
    if (found < 0) {
        messages_.information(kMasterNotFound);
        return;
    }
    selectIndex(found);
    items_[found]->setExpanded(true);
}

void TMastForm::searchNext()
{
    if (text_->changedSinceRemembered())
        text_->remember();
    const MastSearchOptions o = options();
    // The range lists name depths 0-4 from their second entry on.
    const DepthRange range{o.hanniSt > 0 ? o.hanniSt - 1 : -1, o.hanniEn > 0 ? o.hanniEn - 1 : -1};
    const int found = master_.search(text_->currentText(), MatchMode(o.style), SearchDirection(o.pos), selectedIndex(),
                                     range);
    if (found < 0) {
        messages_.information(kMasterNotFound);
        return;
    }
    selectIndex(found);
}

void TMastForm::readCsv()
{
    if (!hooks_.chooseCsv)
        return;
    const std::optional<QString> file = hooks_.chooseCsv(hooks_.programDir);
    if (!file)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    master_.importCsv(*file);
    QApplication::restoreOverrideCursor();
    rebuild(0);
}

void TMastForm::switchMaster()
{
    if (!hooks_.chooseMaster)
        return;
    const std::optional<QString> name = hooks_.chooseMaster(hooks_.mastDir);
    if (!name || name->isEmpty())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    master_.load(*name);
    QApplication::restoreOverrideCursor();
    if (hooks_.masterSwitched)
        hooks_.masterSwitched(*name);
    rebuild(0);
}

void TMastForm::newEntry()
{
    const int sel = selectedIndex();
    if (!master_.canCreate(sel))
        return;
    const int added = master_.newEntry(sel);
    if (added >= 0)
        rebuild(added);
}

void TMastForm::renameEntry()
{
    const int sel = selectedIndex();
    const int done = master_.renameEntry(sel);
    if (done >= 0 && done < items_.size()) {
        items_[done]->setText(0, master_.outline()[done].name);
        refreshButtons();
    }
}

void TMastForm::deleteEntry()
{
    const int next = master_.deleteEntry(selectedIndex());
    if (items_.size() != master_.outline().size())
        rebuild(std::max(next, 0));
}

void TMastForm::pourEntry()
{
    const int sel = selectedIndex();
    if (sel < 0 || !hooks_.pour || !(hooks_.canPour && hooks_.canPour()))
        return;
    hooks_.pour(master_.outline()[sel].name);
    refreshButtons();
}

void TMastForm::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!master_.isOpen()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        master_.reload();
        QApplication::restoreOverrideCursor();
    }
    if (watchMs_ > 0)
        watch_.start(watchMs_);
    refreshButtons();
}

// 閉じる, Esc and the window's close button all end here (the dialog's own
// close handling rejects it): the watch stops, the master is let go, the
// window hides.
void TMastForm::reject()
{
    if (isVisible()) {
        watch_.stop();
        master_.close();
        emit closed();
    }
    QDialog::reject();
}

}  // namespace zb::items
