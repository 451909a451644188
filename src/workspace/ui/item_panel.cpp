#include "workspace/ui/item_panel.h"

#include "core/ports.h"
#include "items/char_mode.h"
#include "items/choice_lists.h"
#include "items/ui/kou_form.h"
#include "store/job_life.h"
#include "store/table_network.h"
#include "workspace/batch_change.h"
#include "workspace/photo_list.h"
#include "workspace/ui/koumoku_grid.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QTabBar>

namespace zb {

namespace {

TRowDrawParams::Ime imeOf(items::ImeMode m)
{
    switch (m) {
    case items::ImeMode::Closed:
        return TRowDrawParams::Ime::Closed;
    case items::ImeMode::Open:
        return TRowDrawParams::Ime::Open;
    default:
        return TRowDrawParams::Ime::DontCare;
    }
}

TRowDrawParams::Button buttonOf(items::ButtonKind b)
{
    switch (b) {
    case items::ButtonKind::Spin:
        return TRowDrawParams::Button::Spin;
    case items::ButtonKind::Calendar:
        return TRowDrawParams::Button::Calendar;
    default:
        return TRowDrawParams::Button::List;
    }
}

// Sets a flag for the lifetime of a scope.
struct Busy {
    bool& flag;
    bool was;
    explicit Busy(bool& f) : flag(f), was(f) { flag = true; }
    ~Busy() { flag = was; }
};

}  // namespace

TItemPanel::TItemPanel(JobLife& job, Messages& messages, QObject* parent)
    : QObject(parent), job_(job), messages_(messages)
{
    tabSet_ = new QTabBar;
    tabSet_->setObjectName(QStringLiteral("TabSetEx"));
    tabSet_->addTab(QStringLiteral("工事情報 "));
    stack_ = new QStackedWidget;
    koji_ = new TKoumokuGrid;
    koji_->setObjectName(QStringLiteral("KoumokuGrid_Koji"));
    photo_ = new TKoumokuGrid;
    photo_->setObjectName(QStringLiteral("KoumokuGrid_Photo"));
    stack_->addWidget(koji_);
    stack_->addWidget(photo_);
    modeLabel_ = new QLabel(TKoumokuGrid::overwriteText());
    modeLabel_->setObjectName(QStringLiteral("Label_InsertMode"));

    connect(tabSet_, &QTabBar::currentChanged, this, [this](int i) {
        stack_->setCurrentIndex(std::max(0, i));
        if (i == 0 && tabSet_->count() > 1)
            removePhotoTab();  // choosing the first tab removes the photo tab
    });
    for (TKoumokuGrid* g : {koji_.data(), photo_.data()}) {
        g->setReturnChange(true);
        g->setRealKinsoku(true);
        g->setReadOnly(true);  // until a job is open
        g->converter = [](const QString& text, int mode) { return items::convertText(text, mode); };
        g->composer = [](QChar kana, QChar mark, int mode) {
            return items::modeJoinsSoundMarks(mode) ? items::composeVoiced(kana, mark) : QChar();
        };
        connect(g, &TKoumokuGrid::entered, this, [this, g] { gridEntered(g); });
        connect(g, &TKoumokuGrid::left, this, [this, g] { gridLeft(g); });
        connect(g, &TKoumokuGrid::currentItemChanged, this, [this, g] { rowChosen(g); });
        connect(g, &TKoumokuGrid::overwriteChanged, this, [this] {
            if (modeLabel_)
                modeLabel_->setText(TKoumokuGrid::overwriteText());
        });
    }
    connect(koji_, &TKoumokuGrid::OnCellAndDataChange, this, [this] {
        if (!busy_)
            job_.setChanged();
    });
    connect(photo_, &TKoumokuGrid::OnCellAndDataChange, this, [this](int, int row) { photoCellChanged(row); });
    photo_->keyHook = [this](QKeyEvent* e) { return pageKey(e); };

    // The panel joins the job's hooks: the header is shown when a job was
    // read, and the grids are stored whenever the job is saved.
    // The hooks outlive the panel when the window goes first: they check it is there.
    QPointer<TItemPanel> self(this);
    std::function<void()> loadedBefore = job_.hooks.loaded;
    job_.hooks.loaded = [self, loadedBefore] {
        if (loadedBefore)
            loadedBefore();
        if (self)
            self->jobLoaded();
    };
    std::function<void()> collectBefore = job_.hooks.collect;
    job_.hooks.collect = [self, collectBefore] {
        if (self) {
            self->storeKoji();
            self->storePhoto();
        }
        if (collectBefore)
            collectBefore();
    };
}

TItemPanel::~TItemPanel()
{
    if (photo_)
        photo_->keyHook = nullptr;
}

void TItemPanel::setButtons(QAction* kouEdit, QAction* inputLevel)
{
    kouEdit_ = kouEdit;
    inputLevel_ = inputLevel;
    if (kouEdit_)
        kouEdit_->setEnabled(false);
}

void TItemPanel::setStatus(int panel, const QString& text)
{
    if (hooks_.setStatus)
        hooks_.setStatus(panel, text);
}

QList<RECORD> TItemPanel::selected() const
{
    return sel_.selectedRecords ? sel_.selectedRecords() : QList<RECORD>{};
}

TKoumokuGrid* TItemPanel::shownGrid() const
{
    return tabSet_->currentIndex() == 1 ? photo_ : koji_;
}

const items::ItemDef* TItemPanel::itemAt(const TKoumokuGrid* grid, int row) const
{
    const QList<const items::ItemDef*>& rows = grid == koji_ ? kojiRows_ : photoRows_;
    return row >= 1 && row <= rows.size() ? rows[row - 1] : nullptr;
}

int TItemPanel::rowOf(const TKoumokuGrid* grid, const QString& label) const
{
    const QList<const items::ItemDef*>& rows = grid == koji_ ? kojiRows_ : photoRows_;
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i]->label == label)
            return i + 1;
    return -1;
}

// ---------------------------------------------------------------- set-up

void TItemPanel::firstSetUp(const QString& menuFile)
{
    if (!lists_)
        lists_ = std::make_unique<items::ChoiceLists>(menuFile);
    if (hooks_.readInputLevel)
        filterDown_ = hooks_.readInputLevel();
    if (inputLevel_)
        inputLevel_->setChecked(filterDown_);
    setUpRows();
    if (job_.isOpen())
        showKoji();
}

void TItemPanel::setUpRows()
{
    if (!koji_ || !photo_)
        return;
    Busy busy(busy_);
    if (lists_) {
        QList<const items::ItemDef*> all = items::shownItems(items::Group::Koji, filterDown_);
        all += items::shownItems(items::Group::Photo, filterDown_);
        QString error;
        choices_ = lists_->setUpLists(all, QDate::currentDate(), &error);
        if (!error.isEmpty())
            messages_.warning(error);
    }
    setUpGrid(koji_, items::Group::Koji);
    setUpGrid(photo_, items::Group::Photo);
    koji_->setReadOnly(!job_.isOpen());
    photo_->setReadOnly(!job_.isOpen() || shownRecord_ == 0);
}

void TItemPanel::setUpGrid(TKoumokuGrid* grid, items::Group group)
{
    QList<const items::ItemDef*> rows = items::shownItems(group, filterDown_);
    (grid == koji_ ? kojiRows_ : photoRows_) = rows;
    grid->setupRows(int(rows.size()));
    for (int i = 0; i < rows.size(); ++i) {
        const items::ItemDef& d = *rows[i];
        const int r = i + 1;
        grid->setCell(TKoumokuGrid::kMarkCol, r, items::markText(d.mark));
        grid->setCell(TKoumokuGrid::kLabelCol, r, d.label);
        TRowDrawParams& p = grid->params(r);
        p.choiceOnly = d.choiceOnly;
        p.ime = imeOf(d.ime);
        p.maxLength = d.maxLength;
        p.numericKind = d.numericKind;
        p.negatives = d.negativesAllowed;
        p.button = buttonOf(d.button);
        p.dateFormat = d.dateFormat;
        p.multiLine = d.multiLine;
        p.charMode = d.charMode;
        p.registrable = d.registrable;
        p.list = choices_.value(d.label);
        if (const std::optional<QColor> c = items::markColor(d.mark))
            p.rowColor = *c;
    }
    grid->updateLayout();
}

void TItemPanel::toggleLevelFilter(bool down)
{
    storeKoji();
    storePhoto();
    filterDown_ = down;
    if (hooks_.writeInputLevel)
        hooks_.writeInputLevel(down);
    if (inputLevel_ && inputLevel_->isChecked() != down)
        inputLevel_->setChecked(down);
    // Where the focus is counts as it was before the grids are set up again.
    const bool listOrGrid = (sel_.hasFocus && sel_.hasFocus()) || photo_->ownsFocus(QApplication::focusWidget());
    const QWidget* f = QApplication::focusWidget();
    TKoumokuGrid* focused = koji_->ownsFocus(f) ? koji_.data() : photo_->ownsFocus(f) ? photo_.data() : nullptr;
    setUpRows();
    showKoji();
    const QList<RECORD> sel = selected();
    if (sel.size() == 1 && listOrGrid)
        showPhoto(sel.first());
    else
        removePhotoTab();
    // The grid that had the focus keeps it.
    if (focused && focused->isVisible() && focused->editor()->isVisible())
        focused->editor()->setFocus();
    refreshKouEdit(shownGrid());
    if (hooks_.restartButtonTimer)
        hooks_.restartButtonTimer();
}

// ---------------------------------------------------------------- construction information

void TItemPanel::jobLoaded()
{
    if (!koji_ || !photo_)
        return;
    photoChanged_ = false;
    shownRecord_ = 0;
    removePhotoTab();
    koji_->setReadOnly(false);
    showKoji();
    koji_->setCurrentItemRow(1);
    photo_->setCurrentItemRow(1);
}

void TItemPanel::showKoji()
{
    if (!koji_ || !photo_)
        return;
    Busy busy(busy_);
    if (!job_.isOpen())
        return;
    const items::ItemTexts texts = items::showJobHeader(job_.file().header);
    for (int r = 1; r <= kojiRows_.size(); ++r)
        koji_->setCell(TKoumokuGrid::kValueCol, r, texts.value(kojiRows_[r - 1]->label));
}

void TItemPanel::storeKoji()
{
    if (!koji_ || !photo_)
        return;
    if (!job_.isOpen())
        return;
    koji_->commitEditor();
    items::ItemTexts texts;
    for (int r = 1; r <= kojiRows_.size(); ++r)
        texts.insert(kojiRows_[r - 1]->label, koji_->cell(TKoumokuGrid::kValueCol, r));
    JobHeader& header = job_.file().header;
    const JobHeader before = header;
    QString unmappable;
    items::storeJobHeader(header, texts, &unmappable);
    if (!(header == before))
        job_.setChanged();
    if (!unmappable.isEmpty()) {
        messages_.warning(kUnmappableLeftOut.arg(unmappable));
        showKoji();  // the grid shows what was kept
    }
}

// ---------------------------------------------------------------- photo information

void TItemPanel::showPhoto(RECORD record, bool selectTab)
{
    if (!koji_ || !photo_)
        return;
    Busy busy(busy_);
    if (!job_.isOpen() || record == 0)
        return;
    TTableNetWork& table = job_.photoTable();
    PhotoFields fields;
    items::ItemTexts texts;
    try {
        if (!table.isOpen())
            return;
        fields.lookUp(table);
        if (!table.locate(record))
            return;
        texts = items::showPhotoRow(table, fields, choices_);
    } catch (const engine::EngineError& e) {
        messages_.error(kPhotoInfoReadFailed.arg(e.message()));
        return;
    }
    for (int r = 1; r <= photoRows_.size(); ++r)
        photo_->setCell(TKoumokuGrid::kValueCol, r, texts.value(photoRows_[r - 1]->label));
    shownRecord_ = record;
    photoChanged_ = false;
    photo_->setReadOnly(false);
    if (selectTab) {
        if (tabSet_->count() < 2)
            tabSet_->addTab(kPhotoTabCaption);
        tabSet_->setCurrentIndex(1);
    }
}

void TItemPanel::storePhoto()
{
    if (!koji_ || !photo_)
        return;
    if (!busy_ && shownRecord_ != 0)
        photo_->commitEditor();
    if (!photoChanged_ || shownRecord_ == 0 || !job_.isOpen())
        return;
    photoChanged_ = false;
    TTableNetWork& table = job_.photoTable();
    items::ItemTexts texts;
    for (int r = 1; r <= photoRows_.size(); ++r)
        texts.insert(photoRows_[r - 1]->label, photo_->cell(TKoumokuGrid::kValueCol, r));
    QString unmappable;
    try {
        PhotoFields fields;
        fields.lookUp(table);
        if (!table.locate(shownRecord_))
            return;
        table.edit();
        items::storePhotoRow(table, fields, texts, &unmappable);
        table.post();
    } catch (const engine::EngineError& e) {
        // The row keeps its old values; the grid keeps what was typed.
        if (table.isEditing())
            table.cancel();
        photoChanged_ = true;
        messages_.error(kPhotoInfoSaveFailed.arg(e.message()));
        return;
    }
    if (!unmappable.isEmpty()) {
        messages_.warning(kUnmappableLeftOut.arg(unmappable));
        showPhoto(shownRecord_, false);
    }
}

void TItemPanel::showFocusedPhoto()
{
    const RECORD r = sel_.currentRecord ? sel_.currentRecord() : 0;
    if (r != 0)
        showPhoto(r, false);
}

void TItemPanel::removePhotoTab()
{
    if (!koji_ || !photo_)
        return;
    storePhoto();
    shownRecord_ = 0;
    photoChanged_ = false;
    photo_->setReadOnly(true);
    if (tabSet_->count() > 1) {
        tabSet_->setCurrentIndex(0);
        tabSet_->removeTab(1);
    }
    stack_->setCurrentIndex(0);
}

void TItemPanel::selectionChanged()
{
    if (!koji_ || !photo_)
        return;
    if (busy_)
        return;
    // What was typed belongs to the photo shown so far.
    storePhoto();
    const QList<RECORD> sel = selected();
    if (sel.size() == 1)
        showPhoto(sel.first());
    else if (sel.size() > 1 && tabSet_->count() > 1)
        showFocusedPhoto();
}

void TItemPanel::photoCellChanged(int row)
{
    if (busy_)
        return;
    const items::ItemDef* item = itemAt(photo_, row);
    if (!item || !job_.isOpen())
        return;
    const QString text = photo_->cell(TKoumokuGrid::kValueCol, row);
    const bool isTitle = item->photoField == F_TITLE;
    const bool isFlag = item->photoField == F_FLAG;
    const QList<RECORD> sel = selected();
    if (sel.size() > 1) {
        BatchResult result;
        {
            Busy busy(busy_);
            PhotoFields fields;
            fields.lookUp(job_.photoTable());
            result = batchChange(job_.photoTable(), fields, sel, item->photoField, text, messages_);
        }
        // Any typing in the grids marks the job changed, so it is saved.
        if (!result.changed.isEmpty())
            job_.setChanged();
        for (RECORD r : result.changed) {
            if (isTitle && sel_.setCaption)
                sel_.setCaption(r, text.isEmpty() ? kUntitledCaption : text);
            if (isFlag && sel_.repaintRecord)
                sel_.repaintRecord(r);
        }
        // The grid shows the focused photo as it is now (a cancelled value is dropped).
        showFocusedPhoto();
        return;
    }
    if (shownRecord_ == 0)
        return;
    photoChanged_ = true;
    job_.setChanged();
    if (isTitle && sel_.setCaption)
        sel_.setCaption(shownRecord_, text.isEmpty() ? kUntitledCaption : text);
    if (isFlag) {
        const RECORD r = shownRecord_;
        storePhoto();
        if (sel_.repaintRecord)
            sel_.repaintRecord(r);
    }
}

bool TItemPanel::pageKey(QKeyEvent* e)
{
    if (e->key() != Qt::Key_PageUp && e->key() != Qt::Key_PageDown)
        return false;
    // The keys are consumed whether or not they lead anywhere.
    if (selected().size() != 1 || !sel_.currentIndex || !sel_.count || !sel_.selectRow)
        return true;
    const int index = sel_.currentIndex();
    const int target = index + (e->key() == Qt::Key_PageUp ? -1 : 1);
    if (index < 0 || target < 0 || target >= sel_.count())
        return true;
    const int row = photo_->currentItemRow();
    const bool keepRow = e->modifiers() & Qt::ShiftModifier;
    storePhoto();
    sel_.selectRow(target);
    const RECORD now = sel_.currentRecord ? sel_.currentRecord() : 0;
    if (now != 0 && now != shownRecord_)
        showPhoto(now);
    photo_->setCurrentItemRow(keepRow ? row : 1);
    photo_->editor()->setFocus();
    return true;
}

// ---------------------------------------------------------------- focus and buttons

void TItemPanel::refreshKouEdit(TKoumokuGrid* grid)
{
    if (!kouEdit_)
        return;
    const items::ItemDef* item = itemAt(grid, grid->currentItemRow());
    kouEdit_->setEnabled(job_.isOpen() && grid->ownsFocus(QApplication::focusWidget()) && item &&
                         item->registrable);
}

void TItemPanel::gridEntered(TKoumokuGrid* grid)
{
    refreshKouEdit(grid);
    if (hooks_.restartButtonTimer)
        hooks_.restartButtonTimer();
    const items::ItemDef* item = itemAt(grid, grid->currentItemRow());
    setStatus(2, item && job_.isOpen() ? items::charModeName(item->charMode) : QString());
    if (grid == photo_) {
        photoChanged_ = false;
        setStatus(0, kPageHint);
    }
}

void TItemPanel::gridLeft(TKoumokuGrid* grid)
{
    if (busy_)
        return;
    if (grid == photo_) {
        if (selected().size() == 1)
            storePhoto();
        else
            showFocusedPhoto();
        setStatus(0, QString());
    }
    if (kouEdit_)
        kouEdit_->setEnabled(false);
    setStatus(2, QString());
}

void TItemPanel::rowChosen(TKoumokuGrid* grid)
{
    if (!grid->ownsFocus(QApplication::focusWidget()))
        return;
    refreshKouEdit(grid);
    const items::ItemDef* item = itemAt(grid, grid->currentItemRow());
    setStatus(2, item && job_.isOpen() ? items::charModeName(item->charMode) : QString());
    if (grid == photo_) {
        setStatus(0, kPageHint);
        if (!busy_ && selected().size() > 1)
            showFocusedPhoto();
    }
}

void TItemPanel::registerChoices()
{
    TKoumokuGrid* grid = shownGrid();
    const int row = grid->currentItemRow();
    const items::ItemDef* item = itemAt(grid, row);
    if (!item || !item->registrable || !lists_)
        return;
    grid->commitEditor();
    const bool registered = hooks_.registerChoices
                                ? hooks_.registerChoices(*lists_, item->label)
                                : items::registerChoices(*lists_, item->label, messages_, grid->window());
    if (!registered)
        return;
    // The row's list is read again; the open editor shows the new list.
    const QStringList list = lists_->read(item->label);
    choices_.insert(item->label, list);
    for (TKoumokuGrid* g : {koji_.data(), photo_.data()}) {
        const int r = rowOf(g, item->label);
        if (r > 0)
            g->params(r).list = list;
        g->updateLayout();
    }
}

}  // namespace zb
