#pragma once
// TKoumokuGrid: the item grid of the panel "工事／写真情報". Three columns
// (need mark, label, value), row 0 the header row, one TRowDrawParams per row
// that tells the in-place editor TKoumokuEdit how the row's value is typed,
// picked from a list, spun or chosen on a calendar, and how it is drawn.
// The grid knows nothing of the items themselves: whoever sets the rows up
// fills the parameters and, for the character modes, the converter.
#include <QColor>
#include <QDate>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QStringList>
#include <QTableWidget>
#include <QTimer>
#include <functional>
#include <limits>
#include <optional>

class QCalendarWidget;
class QToolButton;

namespace zb {

// Beeps of the grids go through this hook so that tests can hear them; by
// default it is QApplication::beep().
std::function<void()>& gridBeepHook();
void gridBeep();

// How a row's value is entered and drawn.
struct TRowDrawParams {
    enum class Ime { DontCare, Closed, Open };
    enum class Button { List, Spin, Calendar };

    QString text;              // a free text value the owner may keep with the row
    bool choiceOnly = false;   // the value can only be picked from the list
    Ime ime = Ime::DontCare;
    int maxLength = 0;         // in Shift_JIS bytes; 0 for no limit
    int numericKind = 0;       // 0 text; 1 16-bit number; 2 32-bit number
    int step = 1;              // spin step
    int step2 = 10;            // second step (spin with Shift held)
    bool negatives = true;     // "-" may negate a number
    std::optional<qint64> lowerLimit;
    std::optional<qint64> upperLimit;
    QStringList list;          // choices
    int dropDownCount = 12;    // most rows the drop-down list shows at once
    Button button = Button::List;
    int colorKind = 0;         // 0 none, 1 colour swatch, 2 brush pattern
    QColor rowColor;           // invalid: the grid's own colour
    QString dateFormat;        // calendar output, "yyyymmdd" style
    bool multiLine = false;
    int charMode = 0;          // character mode 0-5
    bool registrable = false;  // the user may edit the row's list
};

class TKoumokuGrid;

// Where a pop-up of `size` opens for a cell (`cell` in global coordinates)
// so that it stays inside `avail` (the available geometry of the screen):
// under the cell, or above it when there is no room below; shifted left as
// far as needed; never beyond the top-left corner of `avail`.
QPoint popupPosition(const QRect& cell, const QSize& size, const QRect& avail);

// The drop-down list of a row: a pop-up under the cell.
class TKoumokuDropList : public QListWidget {
    Q_OBJECT
public:
    explicit TKoumokuDropList(QWidget* parent = nullptr);
    // Fills the list, sizes it for at most maxRows rows and preselects `current`.
    void setEntries(const QStringList& entries, const QString& current, int maxRows);
    int visibleRows() const { return visibleRows_; }
    // Opens under the cell (global coordinates), inside the screen.
    void popupAt(const QRect& globalCell);

signals:
    void chosen(const QString& text);

protected:
    bool event(QEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    int visibleRows_ = 0;
};

// The month calendar of a date row.
class TKoumokuCalendar : public QFrame {
    Q_OBJECT
public:
    explicit TKoumokuCalendar(QWidget* parent = nullptr);
    QCalendarWidget* calendar() const { return calendar_; }
    // Opens under the cell (global coordinates), inside the screen, on the
    // month of `date` (today when invalid).
    void popupAt(const QRect& globalCell, const QDate& date);
    // The text of the month heading: "2026年12月".
    QString heading() const;

signals:
    void chosen(const QDate& date);

private:
    // The heading reads year first, as Japanese dates do: "2026年" "12月".
    void arrangeHeading();
    void updateYearText();

    QCalendarWidget* calendar_;
};

// The in-place editor of the value column.
class TKoumokuEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TKoumokuEdit(TKoumokuGrid* grid);

    int row() const { return row_; }
    // Puts the editor on a row: its text, its button and its limits. The
    // text is selected, so that typing replaces it.
    void attach(int row);
    // True once the user has begun editing the shown value.
    bool editing() const { return editing_; }
    // The buttons of the row (list, spin up/down, calendar); null when hidden.
    QToolButton* listButton() const { return listButton_; }
    QToolButton* spinUpButton() const { return spinUp_; }
    QToolButton* spinDownButton() const { return spinDown_; }
    QToolButton* calendarButton() const { return calendarButton_; }

    // Typing of text as the keyboard delivers it: every rule of the row applies.
    void typeText(const QString& typed);
    // Opens the row's drop-down list or calendar; false when the row has none.
    bool openList();
    bool openCalendar();
    // One spin step up (+1) or down (-1).
    void spin(int direction, bool second = false);
    void layoutButtons();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    friend class TKoumokuGrid;
    // The cell's value came in afresh (another row, a value set from
    // outside, Escape): nothing is being edited, and the first key typed
    // replaces the whole value.
    void restartEditing();
    void typeNumeric(QChar c);
    void typeOne(const QString& ch);
    // Replaces the selection (or, overwriting, the character after the caret)
    // by `text` unless the result would exceed the row's length; beeps then.
    bool insertChecked(const QString& text);

    TKoumokuGrid* grid_;
    int row_ = -1;
    // The user has begun editing the value (typed, moved the caret or
    // clicked into it); until then the text is selected whenever the editor
    // has the focus.
    bool editing_ = false;
    QToolButton* listButton_;
    QToolButton* spinUp_;
    QToolButton* spinDown_;
    QToolButton* calendarButton_;
};

class TKoumokuGrid : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 81;  // the header row and at most 80 items
    static constexpr int kMarkCol = 0, kLabelCol = 1, kValueCol = 2;

    explicit TKoumokuGrid(QWidget* parent = nullptr);
    ~TKoumokuGrid() override;

    // Sets the grid up for `items` item rows below the header row; every row's
    // parameters return to their defaults and the cells are emptied.
    void setupRows(int items);
    int itemCount() const { return rowCount() - 1; }
    // Parameters of a row (0 … rowCount()-1).
    TRowDrawParams& params(int row);
    const TRowDrawParams& params(int row) const;
    // Column widths and row heights after the labels and parameters were set;
    // also refreshes the editor on the current row.
    void updateLayout();

    // Cells. Setting writes only when the text differs.
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);
    // Position of the row's value in its list, 0 when not found.
    int listIndex(int row) const;
    // The list index for list rows that are neither spin nor numeric, else the
    // leading integer of the value.
    int intValue(int row) const;
    void setIntValue(int row, int value);

    // The item row the editor is on (1 …), 0 without items.
    int currentItemRow() const;
    // Moves to an item row (clamped to the items).
    void setCurrentItemRow(int row);
    // Stores the editor's text into its cell when it differs, with the row's
    // conversions, and fires OnCellAndDataChange.
    void commitEditor();
    TKoumokuEdit* editor() const { return editor_; }
    TKoumokuDropList* dropList();
    TKoumokuCalendar* calendarPopup();

    // Properties the main window uses.
    bool returnChange() const { return returnChange_; }
    void setReturnChange(bool on) { returnChange_ = on; }
    bool hideSelection() const { return hideSelection_; }
    void setHideSelection(bool on);
    QColor fixedFontColor() const { return fixedFontColor_; }
    void setFixedFontColor(const QColor& c);
    bool realKinsoku() const { return realKinsoku_; }
    void setRealKinsoku(bool on) { realKinsoku_ = on; }
    bool isReadOnly() const { return readOnly_; }
    void setReadOnly(bool on);
    // Overwrite typing (the Insert key toggles it); shared by the editors of
    // every grid, like the keyboard state it stands for.
    static bool overwrite();
    static void setOverwrite(bool on);
    // "上書" or "挿入".
    static QString overwriteText();

    // Character-mode conversion of a text (one character while typing, the
    // whole value at commit); characters the mode drops are left out.
    std::function<QString(const QString& text, int mode)> converter;
    // Joins a kana and a following voiced or semi-voiced sound mark into one
    // character (カ + ﾞ → ガ) in a row of the character mode; a null QChar
    // when they do not join (or the mode keeps them apart). Used while
    // typing, when the kana before the caret was made full-width.
    std::function<QChar(QChar kana, QChar mark, int mode)> composer;
    // Keys the owner handles first (PageUp/PageDown); true when consumed.
    std::function<bool(QKeyEvent*)> keyHook;

    // True when the focus widget is the grid, its editor or one of its pop-ups.
    bool ownsFocus(const QWidget* w) const;

    // The look.
    static QColor gridColor() { return {188, 231, 209}; }
    static QColor fixedColor() { return {102, 193, 148}; }
    int defaultRowHeight() const;
    int multiLineRowHeight() const;

    // Number limits of a numeric kind.
    static qint64 kindMin(int kind);
    static qint64 kindMax(int kind);
    // The value limited to the row's kind and limits; empty when no number.
    // A calendar row keeps its leading digits as typed (a date, not an amount).
    static QString limitNumber(const QString& text, const TRowDrawParams& p);
    // A date in a "yyyymmdd"-style format (y, m, d in any case).
    static QString formatDate(const QDate& date, const QString& format);
    static QDate parseDate(const QString& text, const QString& format);

signals:
    // A value cell changed by the user (column, row).
    void OnCellAndDataChange(int col, int row);
    // The editor moved to another item row (also when the rows were set up).
    void currentItemChanged(int row);
    // The grid (or its editor) gained or lost the focus.
    void entered();
    void left();
    void overwriteChanged(bool on);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    friend class TKoumokuEdit;
    void onCurrentCellChanged(int row, int col, int prevRow, int prevCol);
    void placeEditor();
    void updateColumns();
    void onFocusChanged(QWidget* old, QWidget* now);
    // Enter in the editor: commit and, with ReturnChange, the next row.
    void editorEnter();
    void editorMove(int delta);

    QList<TRowDrawParams> params_;
    TKoumokuEdit* editor_;
    QPointer<TKoumokuDropList> dropList_;
    QPointer<TKoumokuCalendar> calendar_;
    bool returnChange_ = false;
    bool hideSelection_ = false;
    QColor fixedFontColor_ = Qt::black;
    bool realKinsoku_ = true;
    bool readOnly_ = false;
    bool committing_ = false;
    bool moving_ = false;
    bool hadFocus_ = false;
};

}  // namespace zb
