#include "workspace/ui/koumoku_grid.h"

#include "controls/accent.h"
#include "core/sjis.h"
#include "core/text.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QBoxLayout>
#include <QVBoxLayout>

namespace zb {

std::function<void()>& gridBeepHook()
{
    static std::function<void()> hook = [] { QApplication::beep(); };
    return hook;
}

void gridBeep()
{
    if (auto& h = gridBeepHook())
        h();
}

namespace {

bool g_overwrite = false;

// Draws the cells: the fixed columns and the header row in the fixed colour,
// a row colour over the whole row, multi-line values wrapped, colour cells
// with their swatch.
class KoumokuDelegate : public QStyledItemDelegate {
public:
    explicit KoumokuDelegate(TKoumokuGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const int row = index.row();
        const int col = index.column();
        const TRowDrawParams& par = grid_->params(row);
        const bool fixed = row == 0 || col != TKoumokuGrid::kValueCol;
        QColor back = fixed ? TKoumokuGrid::fixedColor() : TKoumokuGrid::gridColor();
        if (row > 0 && par.rowColor.isValid())
            back = par.rowColor;
        QColor fore = fixed ? grid_->fixedFontColor() : QColor(Qt::black);
        const bool selected = !fixed && (option.state & QStyle::State_Selected) &&
                              (!grid_->hideSelection() || grid_->ownsFocus(QApplication::focusWidget()));
        if (selected) {
            back = option.palette.color(QPalette::Highlight);
            fore = option.palette.color(QPalette::HighlightedText);
        }
        p->save();
        p->fillRect(option.rect, back);
        QRect r = option.rect.adjusted(2, 0, -2, 0);
        const QString text = index.data().toString();
        if (!fixed && par.colorKind != 0) {
            const QRect swatch(r.left(), r.top() + 2, r.height() - 4, r.height() - 4);
            if (par.colorKind == 1) {
                const QColor c(text);
                p->fillRect(swatch, c.isValid() ? c : QColor(Qt::white));
            } else {
                const int pattern = std::max(0, int(par.list.indexOf(text)));
                p->fillRect(swatch, Qt::white);
                p->fillRect(swatch, QBrush(Qt::black, Qt::BrushStyle(std::min(pattern + 1, int(Qt::DiagCrossPattern)))));
            }
            p->setPen(Qt::black);
            p->drawRect(swatch);
            r.setLeft(swatch.right() + 4);
        }
        p->setPen(fore);
        p->setFont(option.font);
        if (!fixed && par.multiLine)
            p->drawText(option.rect.adjusted(2, 2, -2, -2), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
        else
            p->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text);
        p->setPen(QColor(Qt::gray));
        p->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
        p->drawLine(option.rect.topRight(), option.rect.bottomRight());
        p->restore();
    }

private:
    TKoumokuGrid* grid_;
};

// Qt date formats for the Delphi-style ones the rows carry ("yyyymmdd").
QString qtDateFormat(const QString& format)
{
    QString out;
    for (QChar c : format) {
        if (c == QLatin1Char('m') || c == QLatin1Char('M'))
            out += QLatin1Char('M');
        else if (c == QLatin1Char('Y'))
            out += QLatin1Char('y');
        else if (c == QLatin1Char('D'))
            out += QLatin1Char('d');
        else
            out += c;
    }
    return out;
}

QChar halfDigit(QChar c)
{
    if (c >= QChar(0xFF10) && c <= QChar(0xFF19))
        return QChar(u'0' + (c.unicode() - 0xFF10));
    return c;
}

bool isPrintableText(const QString& t)
{
    if (t.isEmpty())
        return false;
    for (QChar c : t)
        if (!c.isPrint() && !c.isSurrogate())
            return false;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- drop-down list

TKoumokuDropList::TKoumokuDropList(QWidget* parent) : QListWidget(parent)
{
    setWindowFlags(Qt::Popup);
    setObjectName(QStringLiteral("KoumokuDropList"));
    setMouseTracking(true);
    setUniformItemSizes(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    connect(this, &QListWidget::itemEntered, this, [this](QListWidgetItem* it) { setCurrentItem(it); });
}

void TKoumokuDropList::setEntries(const QStringList& entries, const QString& current, int maxRows)
{
    clear();
    addItems(entries);
    visibleRows_ = std::max(1, std::min<int>(entries.size(), std::max(1, maxRows)));
    const bool scrolling = entries.size() > visibleRows_;
    setVerticalScrollBarPolicy(scrolling ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& e : entries)
        widest = std::max(widest, fm.horizontalAdvance(e));
    const int rowH = entries.isEmpty() ? fm.height() + 2 : std::max(sizeHintForRow(0), fm.height());
    const int frame = 2 * frameWidth();
    int w = widest + 16 + frame;
    if (scrolling)
        w += style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    resize(w, visibleRows_ * rowH + frame);
    const int at = entries.indexOf(current);
    if (at >= 0) {
        setCurrentRow(at);
        scrollToItem(item(at), QAbstractItemView::PositionAtTop);
    }
}

namespace {

// The available geometry of the screen that shows the cell (the primary
// screen when none does).
QRect availableAround(const QRect& cell)
{
    const QScreen* s = QGuiApplication::screenAt(cell.center());
    if (!s)
        s = QGuiApplication::screenAt(cell.topLeft());
    if (!s)
        s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect();
}

// Shows a pop-up for a cell inside the screen. It is placed again once
// shown, when its frame and layout have taken their final size.
void showInside(QWidget* popup, const QRect& cell)
{
    const QRect avail = availableAround(cell);
    popup->ensurePolished();
    popup->move(popupPosition(cell, popup->frameGeometry().size(), avail));
    popup->show();
    popup->move(popupPosition(cell, popup->frameGeometry().size(), avail));
}

}  // namespace

QPoint popupPosition(const QRect& cell, const QSize& size, const QRect& avail)
{
    QPoint pos(cell.left(), cell.bottom() + 1);
    if (avail.isEmpty())
        return pos;
    // Below the cell when it fits, else above it, else as low as it fits.
    if (pos.y() + size.height() > avail.bottom() + 1) {
        const int above = cell.top() - size.height();
        pos.setY(above >= avail.top() ? above : avail.bottom() + 1 - size.height());
    }
    pos.setX(std::min(pos.x(), avail.right() + 1 - size.width()));
    pos.setX(std::max(pos.x(), avail.left()));
    pos.setY(std::max(pos.y(), avail.top()));
    return pos;
}

void TKoumokuDropList::popupAt(const QRect& globalCell)
{
    showInside(this, globalCell);
    setFocus();
}

bool TKoumokuDropList::event(QEvent* e)
{
    // A release outside the list reaches the pop-up itself: it only closes.
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
        if (!viewport()->geometry().contains(p)) {
            hide();
            return true;
        }
    }
    return QListWidget::event(e);
}

void TKoumokuDropList::mouseReleaseEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton) {
        const QPoint p = e->position().toPoint();  // viewport coordinates
        QListWidgetItem* it = viewport()->rect().contains(p) ? itemAt(p) : nullptr;
        hide();
        // Released on an entry: it becomes the value.
        if (it)
            emit chosen(it->text());
        return;
    }
    QListWidget::mouseReleaseEvent(e);
}

void TKoumokuDropList::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        QListWidgetItem* it = currentItem();
        hide();
        if (it)
            emit chosen(it->text());
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QListWidget::keyPressEvent(e);
}

// ---------------------------------------------------------------- calendar

TKoumokuCalendar::TKoumokuCalendar(QWidget* parent) : QFrame(parent)
{
    setWindowFlags(Qt::Popup);
    setObjectName(QStringLiteral("KoumokuCalendar"));
    setFrameShape(QFrame::Box);
    calendar_ = new QCalendarWidget(this);
    calendar_->setGridVisible(true);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(1, 1, 1, 1);
    l->addWidget(calendar_);
    connect(calendar_, &QCalendarWidget::activated, this, [this](QDate d) {
        hide();
        emit chosen(d);
    });
    connect(calendar_, &QCalendarWidget::clicked, this, [this](QDate d) {
        hide();
        emit chosen(d);
    });
    arrangeHeading();
}

void TKoumokuCalendar::arrangeHeading()
{
    auto* nav = calendar_->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
    auto* year = calendar_->findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton"));
    auto* month = calendar_->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    auto* layout = nav ? qobject_cast<QBoxLayout*>(nav->layout()) : nullptr;
    if (!layout || !year || !month)
        return;  // another look of the calendar: its own heading stays
    layout->removeWidget(year);
    layout->insertWidget(layout->indexOf(month), year);
    connect(calendar_, &QCalendarWidget::currentPageChanged, this, &TKoumokuCalendar::updateYearText);
    // The calendar writes the bare year back after the year was edited.
    if (auto* edit = calendar_->findChild<QSpinBox*>(QStringLiteral("qt_calendar_yearedit")))
        connect(edit, &QSpinBox::editingFinished, this, &TKoumokuCalendar::updateYearText, Qt::QueuedConnection);
    updateYearText();
}

void TKoumokuCalendar::updateYearText()
{
    if (auto* year = calendar_->findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton")))
        year->setText(QString::number(calendar_->yearShown()) + QStringLiteral("年"));
}

QString TKoumokuCalendar::heading() const
{
    auto* year = calendar_->findChild<QToolButton*>(QStringLiteral("qt_calendar_yearbutton"));
    auto* month = calendar_->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
    if (!year || !month)
        return {};
    return year->text() + month->text();
}

void TKoumokuCalendar::popupAt(const QRect& globalCell, const QDate& date)
{
    const QDate shown = date.isValid() ? date : QDate::currentDate();
    calendar_->setSelectedDate(shown);
    calendar_->setCurrentPage(shown.year(), shown.month());
    updateYearText();
    ensurePolished();
    adjustSize();
    showInside(this, globalCell);
    calendar_->setFocus();
}

// ---------------------------------------------------------------- editor

TKoumokuEdit::TKoumokuEdit(TKoumokuGrid* grid) : QLineEdit(grid->viewport()), grid_(grid)
{
    setObjectName(QStringLiteral("KoumokuEdit"));
    setFrame(false);
    auto button = [this](const QString& name, const QString& text) {
        auto* b = new QToolButton(this);
        b->setObjectName(name);
        b->setText(text);
        b->setFocusPolicy(Qt::NoFocus);
        b->setCursor(Qt::ArrowCursor);
        b->hide();
        return b;
    };
    listButton_ = button(QStringLiteral("ListButton"), QStringLiteral("▼"));
    spinUp_ = button(QStringLiteral("SpinUp"), QStringLiteral("▲"));
    spinDown_ = button(QStringLiteral("SpinDown"), QStringLiteral("▼"));
    calendarButton_ = button(QStringLiteral("CalendarButton"), QStringLiteral("…"));
    for (QToolButton* b : {spinUp_, spinDown_}) {
        b->setAutoRepeat(true);
        b->setAutoRepeatDelay(300);
        b->setAutoRepeatInterval(100);  // held down, the value keeps changing
    }
    connect(listButton_, &QToolButton::clicked, this, [this] { openList(); });
    connect(calendarButton_, &QToolButton::clicked, this, [this] { openCalendar(); });
    connect(spinUp_, &QToolButton::clicked, this, [this] {
        spin(+1, QApplication::keyboardModifiers() & Qt::ShiftModifier);
    });
    connect(spinDown_, &QToolButton::clicked, this, [this] {
        spin(-1, QApplication::keyboardModifiers() & Qt::ShiftModifier);
    });
}

void TKoumokuEdit::attach(int row)
{
    row_ = row;
    const TRowDrawParams& p = grid_->params(row);
    setText(grid_->cell(TKoumokuGrid::kValueCol, row));
    restartEditing();
    setReadOnly(grid_->isReadOnly());
    // The editor takes the colour of the row it stands on.
    QPalette pal = palette();
    pal.setColor(QPalette::Base, p.rowColor.isValid() ? p.rowColor : TKoumokuGrid::gridColor());
    pal.setColor(QPalette::Text, Qt::black);
    setPalette(pal);
    setAttribute(Qt::WA_InputMethodEnabled, p.ime != TRowDrawParams::Ime::Closed && p.numericKind == 0);
    listButton_->setVisible(p.button == TRowDrawParams::Button::List && !p.list.isEmpty());
    spinUp_->setVisible(p.button == TRowDrawParams::Button::Spin);
    spinDown_->setVisible(p.button == TRowDrawParams::Button::Spin);
    calendarButton_->setVisible(p.button == TRowDrawParams::Button::Calendar);
    layoutButtons();
}

void TKoumokuEdit::layoutButtons()
{
    const int h = height();
    const int w = std::min(h, 18);
    int right = 0;
    for (QToolButton* b : {listButton_, calendarButton_})
        if (!b->isHidden()) {
            b->setGeometry(width() - w, 0, w, h);
            right = w;
        }
    if (!spinUp_->isHidden()) {
        spinUp_->setGeometry(width() - w, 0, w, h / 2);
        spinDown_->setGeometry(width() - w, h / 2, w, h - h / 2);
        right = w;
    }
    setTextMargins(0, 0, right, 0);
}

void TKoumokuEdit::resizeEvent(QResizeEvent* e)
{
    QLineEdit::resizeEvent(e);
    layoutButtons();
}

void TKoumokuEdit::restartEditing()
{
    editing_ = false;
    if (hasFocus())
        selectAll();
}

void TKoumokuEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    // Arriving in a cell that is not being edited selects its value, as in
    // any grid: the first key typed replaces it. A click places the caret
    // instead (mousePressEvent).
    if (!editing_ && e->reason() != Qt::MouseFocusReason)
        selectAll();
    // The grid's own selection follows the editor.
    if (row_ > 0 && grid_->currentRow() != row_)
        grid_->setCurrentItemRow(row_);
}

void TKoumokuEdit::focusOutEvent(QFocusEvent* e)
{
    // Leaving the grid ends the editing; a pop-up of the row (list,
    // calendar) or another window coming to the front does not.
    if (e->reason() != Qt::PopupFocusReason && e->reason() != Qt::ActiveWindowFocusReason)
        editing_ = false;
    QLineEdit::focusOutEvent(e);
}

void TKoumokuEdit::mousePressEvent(QMouseEvent* e)
{
    // A click into the open editor places the caret where it was clicked.
    editing_ = true;
    QLineEdit::mousePressEvent(e);
}

bool TKoumokuEdit::insertChecked(const QString& ins)
{
    QString t = text();
    int pos = cursorPosition();
    if (hasSelectedText()) {
        pos = selectionStart();
        t.remove(pos, selectedText().size());
    } else if (TKoumokuGrid::overwrite() && pos < t.size()) {
        // Overwriting: the character after the caret goes first.
        const int n = (t.at(pos).isHighSurrogate() && pos + 1 < t.size()) ? 2 : 1;
        t.remove(pos, n);
    }
    t.insert(pos, ins);
    const int max = grid_->params(row_).maxLength;
    if (max > 0 && sjis::byteLength(t) > max) {
        gridBeep();
        return false;
    }
    setText(t);
    setCursorPosition(pos + ins.size());
    return true;
}

void TKoumokuEdit::typeNumeric(QChar c)
{
    const TRowDrawParams& p = grid_->params(row_);
    c = halfDigit(c);
    if (c.isDigit() && c.unicode() < 128) {
        insertChecked(QString(c));
        return;
    }
    if (c == QLatin1Char(',') || c == QChar(0xFF0C)) {
        // "," appends three zeros.
        const QString t = text() + QStringLiteral("000");
        if (p.maxLength > 0 && t.size() > p.maxLength) {
            gridBeep();
            return;
        }
        setText(t);
        setCursorPosition(t.size());
        return;
    }
    if ((c == QLatin1Char('-') || c == QChar(0xFF0D) || c == QChar(0x2212)) && p.negatives) {
        QString t = text();
        t = t.startsWith(QLatin1Char('-')) ? t.mid(1) : QLatin1Char('-') + t;
        if (p.maxLength > 0 && t.size() > p.maxLength) {
            gridBeep();
            return;
        }
        setText(t);
        setCursorPosition(t.size());
        return;
    }
    gridBeep();
}

void TKoumokuEdit::typeOne(const QString& ch)
{
    const TRowDrawParams& p = grid_->params(row_);
    if (p.numericKind != 0) {
        typeNumeric(ch.at(0));
        return;
    }
    QString in = ch;
    if (grid_->realKinsoku() && grid_->composer && !hasSelectedText() && cursorPosition() > 0) {
        // A sound mark after a full-width kana joins it.
        const int pos = cursorPosition();
        const QChar prev = text().at(pos - 1);
        const bool prevHalfWidth = prev.unicode() >= 0xFF61 && prev.unicode() <= 0xFF9F;
        const QChar joined = prevHalfWidth ? QChar() : grid_->composer(prev, ch.at(0), p.charMode);
        if (!joined.isNull()) {
            QString t = text();
            t[pos - 1] = joined;
            setText(t);
            setCursorPosition(pos);
            return;
        }
    }
    if (grid_->realKinsoku() && grid_->converter) {
        in = grid_->converter(ch, p.charMode);
        if (in.isEmpty())
            return;  // the mode drops the character
    }
    insertChecked(in);
}

void TKoumokuEdit::typeText(const QString& typed)
{
    if (row_ < 1)
        return;
    const TRowDrawParams& p = grid_->params(row_);
    if (grid_->isReadOnly() || p.choiceOnly) {
        gridBeep();
        return;
    }
    editing_ = true;
    // One character at a time; a surrogate pair is one character.
    for (int i = 0; i < typed.size();) {
        if (typed.at(i) == QLatin1Char('\r') || typed.at(i) == QLatin1Char('\n')) {
            ++i;
            continue;
        }
        const int n = (typed.at(i).isHighSurrogate() && i + 1 < typed.size()) ? 2 : 1;
        typeOne(typed.mid(i, n));
        i += n;
    }
}

void TKoumokuEdit::inputMethodEvent(QInputMethodEvent* e)
{
    // Composed text arrives through the input method: it takes the same way
    // as typed characters.
    const TRowDrawParams& p = grid_->params(std::max(0, row_));
    if (!e->commitString().isEmpty() && (p.numericKind != 0 || grid_->realKinsoku() || p.maxLength > 0 ||
                                         p.choiceOnly || grid_->isReadOnly())) {
        QInputMethodEvent rest(e->preeditString(), e->attributes());
        QLineEdit::inputMethodEvent(&rest);
        typeText(e->commitString());
        return;
    }
    QLineEdit::inputMethodEvent(e);
}

void TKoumokuEdit::keyPressEvent(QKeyEvent* e)
{
    if (grid_->keyHook && grid_->keyHook(e))
        return;
    const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    const TRowDrawParams& p = grid_->params(std::max(0, row_));
    switch (e->key()) {
    case Qt::Key_Insert:
        if (mods == Qt::NoModifier) {
            TKoumokuGrid::setOverwrite(!TKoumokuGrid::overwrite());
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (mods & Qt::AltModifier) {
            openList();
            return;
        }
        grid_->editorEnter();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if ((mods & Qt::AltModifier) && e->key() == Qt::Key_Down) {
            if (!openList())
                openCalendar();
            return;
        }
        grid_->editorMove(e->key() == Qt::Key_Up ? -1 : 1);
        return;
    case Qt::Key_Escape:
        setText(grid_->cell(TKoumokuGrid::kValueCol, row_));
        restartEditing();
        return;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        e->ignore();
        return;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (!isReadOnly() && p.choiceOnly) {
            gridBeep();
            return;
        }
        break;
    default:
        break;
    }
    if (e->matches(QKeySequence::Paste)) {
        typeText(QApplication::clipboard()->text());
        return;
    }
    if (e->matches(QKeySequence::Cut) && (isReadOnly() || p.choiceOnly)) {
        gridBeep();
        return;
    }
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier)) && isPrintableText(e->text())) {
        typeText(e->text());
        return;
    }
    // Caret keys, deleting and the rest: the user is editing the value now.
    editing_ = true;
    QLineEdit::keyPressEvent(e);
}

void TKoumokuEdit::wheelEvent(QWheelEvent* e)
{
    e->accept();  // the grids do not scroll with the wheel
}

bool TKoumokuEdit::openList()
{
    if (row_ < 1)
        return false;
    const TRowDrawParams& p = grid_->params(row_);
    if (p.button != TRowDrawParams::Button::List || p.list.isEmpty() || grid_->isReadOnly())
        return false;
    TKoumokuDropList* list = grid_->dropList();
    list->setFont(grid_->font());
    list->setEntries(p.list, text(), p.dropDownCount);
    const QRect cellRect = grid_->visualItemRect(grid_->item(row_, TKoumokuGrid::kValueCol));
    list->popupAt(QRect(grid_->viewport()->mapToGlobal(cellRect.topLeft()), cellRect.size()));
    return true;
}

bool TKoumokuEdit::openCalendar()
{
    if (row_ < 1 || grid_->params(row_).button != TRowDrawParams::Button::Calendar || grid_->isReadOnly())
        return false;
    const TRowDrawParams& p = grid_->params(row_);
    TKoumokuCalendar* cal = grid_->calendarPopup();
    const QRect cellRect = grid_->visualItemRect(grid_->item(row_, TKoumokuGrid::kValueCol));
    cal->popupAt(QRect(grid_->viewport()->mapToGlobal(cellRect.topLeft()), cellRect.size()),
                 TKoumokuGrid::parseDate(text(), p.dateFormat));
    return true;
}

void TKoumokuEdit::spin(int direction, bool second)
{
    if (row_ < 1 || grid_->isReadOnly())
        return;
    const TRowDrawParams& p = grid_->params(row_);
    const qint64 v = leadingInteger(text()) + qint64(direction) * (second ? p.step2 : p.step);
    setText(TKoumokuGrid::limitNumber(QString::number(v), p));
    grid_->commitEditor();
}

// ---------------------------------------------------------------- grid

TKoumokuGrid::TKoumokuGrid(QWidget* parent) : QTableWidget(parent)
{
    setColumnCount(3);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(true);
    setProperty("zbGrid", true);
    QFont f(kGothicFont);
    f.setPointSize(10);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, gridColor());
    setPalette(pal);
    setItemDelegate(new KoumokuDelegate(this));
    editor_ = new TKoumokuEdit(this);
    editor_->hide();
    connect(this, &QTableWidget::currentCellChanged, this, &TKoumokuGrid::onCurrentCellChanged);
    connect(qApp, &QApplication::focusChanged, this, &TKoumokuGrid::onFocusChanged);
    setupRows(0);
}

TKoumokuGrid::~TKoumokuGrid()
{
    disconnect(qApp, nullptr, this, nullptr);
    delete dropList_.data();
    delete calendar_.data();
}

bool TKoumokuGrid::overwrite() { return g_overwrite; }

void TKoumokuGrid::setOverwrite(bool on)
{
    if (g_overwrite == on)
        return;
    g_overwrite = on;
    for (QWidget* w : QApplication::allWidgets())
        if (auto* g = qobject_cast<TKoumokuGrid*>(w))
            emit g->overwriteChanged(on);
}

QString TKoumokuGrid::overwriteText()
{
    return g_overwrite ? QStringLiteral("上書") : QStringLiteral("挿入");
}

void TKoumokuGrid::setupRows(int items)
{
    items = std::clamp(items, 0, kMaxRows - 1);
    moving_ = true;
    editor_->hide();
    clearContents();
    setRowCount(items + 1);
    params_ = QList<TRowDrawParams>(items + 1);
    for (int r = 0; r <= items; ++r)
        for (int c = 0; c < 3; ++c) {
            auto* it = new QTableWidgetItem;
            it->setFlags(c == kValueCol && r > 0 ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled);
            setItem(r, c, it);
        }
    item(0, kLabelCol)->setText(QStringLiteral("(項  目)"));
    item(0, kValueCol)->setText(QStringLiteral("(内  容)"));
    moving_ = false;
    updateLayout();
    if (items > 0)
        setCurrentItemRow(1);
}

TRowDrawParams& TKoumokuGrid::params(int row)
{
    static TRowDrawParams none;
    if (row < 0 || row >= params_.size()) {
        none = TRowDrawParams{};
        return none;
    }
    return params_[row];
}

const TRowDrawParams& TKoumokuGrid::params(int row) const
{
    return const_cast<TKoumokuGrid*>(this)->params(row);
}

int TKoumokuGrid::defaultRowHeight() const
{
    return QFontMetrics(font()).boundingRect(QStringLiteral("Wg")).height() + 3;
}

int TKoumokuGrid::multiLineRowHeight() const
{
    return qRound(3.6 * QFontMetrics(font()).height());
}

void TKoumokuGrid::updateLayout()
{
    for (int r = 0; r < rowCount(); ++r)
        setRowHeight(r, r > 0 && params_[r].multiLine ? multiLineRowHeight() : defaultRowHeight());
    updateColumns();
    if (editor_->row() > 0 && editor_->row() < rowCount())
        editor_->attach(editor_->row());
    placeEditor();
}

void TKoumokuGrid::updateColumns()
{
    const QFontMetrics fm(font());
    const int mark = fm.horizontalAdvance(QStringLiteral("○")) + 4;
    int label = 0;
    for (int r = 0; r < rowCount(); ++r)
        label = std::max(label, fm.horizontalAdvance(cell(kLabelCol, r)));
    label += 6;
    setColumnWidth(kMarkCol, mark);
    setColumnWidth(kLabelCol, label);
    setColumnWidth(kValueCol, std::max(20, viewport()->width() - mark - label - 1));
}

void TKoumokuGrid::resizeEvent(QResizeEvent* e)
{
    QTableWidget::resizeEvent(e);
    updateColumns();
    placeEditor();
}

void TKoumokuGrid::scrollContentsBy(int dx, int dy)
{
    QTableWidget::scrollContentsBy(dx, dy);
    placeEditor();
}

void TKoumokuGrid::placeEditor()
{
    const int row = editor_->row();
    if (row < 1 || row >= rowCount() || moving_) {
        editor_->hide();
        return;
    }
    const QRect r = visualRect(model()->index(row, kValueCol));
    if (r.isEmpty()) {
        editor_->hide();
        return;
    }
    editor_->setGeometry(r.adjusted(0, 0, -1, -1));
    editor_->show();
}

QString TKoumokuGrid::cell(int col, int row) const
{
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text() : QString();
}

void TKoumokuGrid::setCell(int col, int row, const QString& text)
{
    QTableWidgetItem* it = item(row, col);
    if (!it || it->text() == text)
        return;
    it->setText(text);
    if (col == kValueCol && row == editor_->row()) {
        // A value from outside (another photo shown) is not being edited.
        editor_->setText(text);
        editor_->restartEditing();
    }
}

int TKoumokuGrid::listIndex(int row) const
{
    return std::max(0, int(params(row).list.indexOf(cell(kValueCol, row))));
}

int TKoumokuGrid::intValue(int row) const
{
    const TRowDrawParams& p = params(row);
    if (!p.list.isEmpty() && p.button != TRowDrawParams::Button::Spin && p.numericKind == 0)
        return listIndex(row);
    return leadingInteger(cell(kValueCol, row));
}

void TKoumokuGrid::setIntValue(int row, int value)
{
    const TRowDrawParams& p = params(row);
    if (!p.list.isEmpty() && p.button != TRowDrawParams::Button::Spin && p.numericKind == 0)
        setCell(kValueCol, row, p.list.value(value));
    else
        setCell(kValueCol, row, QString::number(value));
}

int TKoumokuGrid::currentItemRow() const
{
    return rowCount() > 1 ? std::max(1, editor_->row()) : 0;
}

void TKoumokuGrid::setCurrentItemRow(int row)
{
    if (rowCount() < 2)
        return;
    setCurrentCell(std::clamp(row, 1, rowCount() - 1), kValueCol);
}

void TKoumokuGrid::onCurrentCellChanged(int row, int col, int prevRow, int)
{
    if (moving_)
        return;
    if (row >= 0 && (row == 0 || col != kValueCol)) {
        // Only value cells of item rows take the cursor.
        QMetaObject::invokeMethod(this, [this, row, prevRow] {
            setCurrentItemRow(row == 0 ? std::max(1, prevRow) : row);
        }, Qt::QueuedConnection);
        return;
    }
    if (row < 1)
        return;
    const bool hadFocus = ownsFocus(QApplication::focusWidget());
    if (editor_->row() > 0 && editor_->row() != row)
        commitEditor();
    if (row >= rowCount())
        return;
    editor_->attach(row);
    placeEditor();
    if (hadFocus && !editor_->hasFocus())
        editor_->setFocus();
    emit currentItemChanged(row);
}

void TKoumokuGrid::commitEditor()
{
    const int row = editor_->row();
    if (committing_ || row < 1 || row >= rowCount() || readOnly_)
        return;
    QString t = editor_->text();
    if (t == cell(kValueCol, row))
        return;
    committing_ = true;
    const TRowDrawParams& p = params(row);
    if (p.numericKind != 0) {
        t = limitNumber(t, p);
    } else {
        if (!realKinsoku_ && converter)
            t = converter(t, p.charMode);
        if (p.maxLength > 0)
            t = sjis::cutToRoom(t, p.maxLength);
    }
    if (editor_->text() != t)
        editor_->setText(t);
    QTableWidgetItem* it = item(row, kValueCol);
    const bool changed = it->text() != t;
    it->setText(t);
    committing_ = false;
    if (changed)
        emit OnCellAndDataChange(kValueCol, row);
}

void TKoumokuGrid::editorEnter()
{
    commitEditor();
    if (returnChange_ && editor_->row() < rowCount() - 1)
        setCurrentItemRow(editor_->row() + 1);
}

void TKoumokuGrid::editorMove(int delta)
{
    commitEditor();
    setCurrentItemRow(editor_->row() + delta);
}

TKoumokuDropList* TKoumokuGrid::dropList()
{
    if (!dropList_) {
        dropList_ = new TKoumokuDropList(this);
        connect(dropList_, &TKoumokuDropList::chosen, this, [this](const QString& text) {
            editor_->setText(text);
            commitEditor();
            editor_->setFocus();
        });
    }
    return dropList_;
}

TKoumokuCalendar* TKoumokuGrid::calendarPopup()
{
    if (!calendar_) {
        calendar_ = new TKoumokuCalendar(this);
        connect(calendar_, &TKoumokuCalendar::chosen, this, [this](const QDate& d) {
            editor_->setText(formatDate(d, params(editor_->row()).dateFormat));
            commitEditor();
            editor_->setFocus();
        });
    }
    return calendar_;
}

void TKoumokuGrid::setHideSelection(bool on)
{
    hideSelection_ = on;
    viewport()->update();
}

void TKoumokuGrid::setFixedFontColor(const QColor& c)
{
    fixedFontColor_ = c;
    viewport()->update();
}

void TKoumokuGrid::setReadOnly(bool on)
{
    readOnly_ = on;
    if (editor_->row() > 0)
        editor_->attach(editor_->row());
}

bool TKoumokuGrid::ownsFocus(const QWidget* w) const
{
    if (!w)
        return false;
    if (w == this || isAncestorOf(w))
        return true;
    const QWidget* win = w->window();
    return (dropList_ && win == dropList_.data()) || (calendar_ && win == calendar_.data());
}

void TKoumokuGrid::onFocusChanged(QWidget* old, QWidget* now)
{
    const bool was = hadFocus_;
    const bool is = ownsFocus(now);
    hadFocus_ = is;
    if (hideSelection_)
        viewport()->update();
    if (was == is)
        return;
    if (is) {
        emit entered();
    } else {
        // Leaving the grid stores what was typed.
        if (old)
            commitEditor();
        emit left();
    }
}

void TKoumokuGrid::focusInEvent(QFocusEvent* e)
{
    QTableWidget::focusInEvent(e);
    if (editor_->isVisible())
        editor_->setFocus();
}

void TKoumokuGrid::keyPressEvent(QKeyEvent* e)
{
    if (keyHook && keyHook(e))
        return;
    const Qt::KeyboardModifiers mods = e->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (e->key() == Qt::Key_Insert && e->modifiers() == Qt::NoModifier) {
        setOverwrite(!overwrite());
        return;
    }
    if (!mods && isPrintableText(e->text())) {
        if (readOnly_ || !editor_->isVisible()) {
            gridBeep();
            return;
        }
        editor_->setFocus();
        // Typing into a cell that is not being edited replaces its value.
        if (!editor_->editing())
            editor_->selectAll();
        editor_->typeText(e->text());
        return;
    }
    QTableWidget::keyPressEvent(e);
}

void TKoumokuGrid::wheelEvent(QWheelEvent* e)
{
    e->accept();  // the grids do not scroll with the wheel
}

qint64 TKoumokuGrid::kindMin(int kind)
{
    return kind == 1 ? std::numeric_limits<qint16>::min() : std::numeric_limits<qint32>::min();
}

qint64 TKoumokuGrid::kindMax(int kind)
{
    return kind == 1 ? std::numeric_limits<qint16>::max() : std::numeric_limits<qint32>::max();
}

QString TKoumokuGrid::limitNumber(const QString& text, const TRowDrawParams& p)
{
    bool any = false;
    for (QChar c : text)
        if (halfDigit(c).isDigit()) {
            any = true;
            break;
        }
    if (!any)
        return {};
    // The digits as typed, without the 32-bit clamp of leadingInteger.
    QString digits;
    bool negative = false;
    int i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    if (i < text.size() && (text.at(i) == QLatin1Char('-') || text.at(i) == QChar(0xFF0D))) {
        negative = true;
        ++i;
    }
    for (; i < text.size(); ++i) {
        const QChar c = halfDigit(text.at(i));
        if (!c.isDigit() || c.unicode() > 127)
            break;
        digits += c;
    }
    // A date is a run of digits, not an amount: it keeps the digits as typed
    // (whoever stores it keeps the first eight), where a number limited to
    // its kind's range would turn eleven digits into 2147483647.
    if (p.button == TRowDrawParams::Button::Calendar) {
        if (digits.isEmpty())
            return {};
        return negative && p.negatives ? QLatin1Char('-') + digits : digits;
    }
    qint64 v = 0;
    for (QChar c : digits) {
        v = v * 10 + (c.unicode() - u'0');
        if (v > (qint64(1) << 40))
            break;
    }
    if (negative)
        v = -v;
    v = std::clamp(v, kindMin(p.numericKind), kindMax(p.numericKind));
    if (!p.negatives)
        v = std::max<qint64>(v, 0);
    if (p.lowerLimit)
        v = std::max(v, *p.lowerLimit);
    if (p.upperLimit)
        v = std::min(v, *p.upperLimit);
    return QString::number(v);
}

QString TKoumokuGrid::formatDate(const QDate& date, const QString& format)
{
    return date.toString(qtDateFormat(format.isEmpty() ? QStringLiteral("yyyymmdd") : format));
}

QDate TKoumokuGrid::parseDate(const QString& text, const QString& format)
{
    return QDate::fromString(text, qtDateFormat(format.isEmpty() ? QStringLiteral("yyyymmdd") : format));
}

}  // namespace zb
