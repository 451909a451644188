// The item grid and its in-place editor, typed into as a user would on the
// offscreen platform.
#include "workspace/ui/koumoku_grid.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_koumoku_grid";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// A grid with a few rows shaped like the photo items.
struct AppFirst {
    AppFirst() { app(); }
};

struct Grid : AppFirst {
    enum Row { Text = 1, Film, Signed, Choice, Title, Date };
    TKoumokuGrid grid;
    int beeps = 0;

    Grid()
    {
        gridBeepHook() = [this] { ++beeps; };
        TKoumokuGrid::setOverwrite(false);
        grid.resize(400, 300);
        grid.setupRows(6);
        const char* labels[] = {"", "撮影箇所", "フィルム番号", "符号付き", "写真整理フラッグ", "写真タイトル", "撮影年月日"};
        for (int r = 1; r <= 6; ++r)
            grid.setCell(TKoumokuGrid::kLabelCol, r, QString::fromUtf8(labels[r]));
        TRowDrawParams& film = grid.params(Film);
        film.numericKind = 2;
        film.negatives = false;
        film.maxLength = 8;
        film.button = TRowDrawParams::Button::Spin;
        TRowDrawParams& sig = grid.params(Signed);
        sig.numericKind = 1;
        sig.maxLength = 6;
        TRowDrawParams& choice = grid.params(Choice);
        choice.choiceOnly = true;
        choice.list = {QStringLiteral("0.原本"), QStringLiteral("1.工事写真帳"), QStringLiteral("99.提出しない")};
        grid.params(Title).maxLength = 10;
        TRowDrawParams& date = grid.params(Date);
        date.numericKind = 2;
        date.negatives = false;
        date.maxLength = 20;
        date.button = TRowDrawParams::Button::Calendar;
        date.dateFormat = QStringLiteral("yyyymmdd");
        grid.updateLayout();
        grid.show();
        grid.activateWindow();
        grid.setFocus();
    }
    ~Grid() { gridBeepHook() = [] { QApplication::beep(); }; }

    TKoumokuEdit* editor() { return grid.editor(); }
    void go(int row) { grid.setCurrentItemRow(row); }
    // Keys as the keyboard sends them; characters beyond ASCII arrive as text.
    void type(const QString& text)
    {
        for (QChar c : text) {
            if (c.unicode() < 128) {
                QTest::keyClick(editor(), c.toLatin1());
            } else {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QApplication::sendEvent(editor(), &press);
            }
        }
    }
    void key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(editor(), k, m); }
    QString value(int row) const { return grid.cell(TKoumokuGrid::kValueCol, row); }
};

}  // namespace

TEST(KoumokuGrid, NumericTyping)
{
    struct Case {
        int row;
        const char* typed;
        const char* stored;
        bool beeps;
    } cases[] = {
        {Grid::Film, "12,", "12000", false},
        {Grid::Film, "-", "", true},       // no negatives in this row
        {Grid::Film, "1.5", "15", true},   // "." is refused
        {Grid::Film, "1a", "1", true},
        {Grid::Film, "123456,", "123456", true},  // "000" would not fit in 8
        {Grid::Film, "１２", "12", false},  // full-width digits arrive half-width
        {Grid::Signed, "5-", "-5", false},
        {Grid::Signed, "5--", "5", false},
        {Grid::Signed, "99999", "32767", false},  // limited to the kind's range at commit
        {Grid::Date, "2003040512", "2003040512", false},
        {Grid::Date, "20030405123", "20030405123", false},  // a date is no amount: no 32-bit limit
    };
    for (const Case& c : cases) {
        Grid g;
        g.go(c.row);
        g.type(QString::fromUtf8(c.typed));
        g.key(Qt::Key_Return);
        EXPECT_EQ(g.value(c.row), QString::fromUtf8(c.stored)) << c.typed;
        EXPECT_EQ(g.beeps > 0, c.beeps) << c.typed;
    }
}

TEST(KoumokuGrid, ReadOnlyAndChoiceOnlyRefuseTyping)
{
    Grid g;
    g.grid.setCell(TKoumokuGrid::kValueCol, Grid::Text, QStringLiteral("起点"));
    g.grid.setReadOnly(true);
    g.go(Grid::Text);
    QTest::keyClick(g.editor(), Qt::Key_A);
    EXPECT_GT(g.beeps, 0);
    EXPECT_EQ(g.editor()->text(), QStringLiteral("起点"));

    Grid c;
    c.grid.setCell(TKoumokuGrid::kValueCol, Grid::Choice, QStringLiteral("0.原本"));
    c.go(Grid::Choice);
    c.type(QStringLiteral("5"));
    c.key(Qt::Key_Backspace);
    c.key(Qt::Key_Return);
    EXPECT_GE(c.beeps, 2);
    EXPECT_EQ(c.value(Grid::Choice), QStringLiteral("0.原本"));
}

TEST(KoumokuGrid, InsertKeyTogglesOverwrite)
{
    Grid g;
    QSignalSpy spy(&g.grid, &TKoumokuGrid::overwriteChanged);
    EXPECT_EQ(TKoumokuGrid::overwriteText(), QStringLiteral("挿入"));
    g.go(Grid::Text);
    g.type(QStringLiteral("abcd"));
    g.key(Qt::Key_Home);
    g.key(Qt::Key_Insert);
    EXPECT_EQ(TKoumokuGrid::overwriteText(), QStringLiteral("上書"));
    EXPECT_FALSE(spy.isEmpty());
    g.type(QStringLiteral("XY"));
    EXPECT_EQ(g.editor()->text(), QStringLiteral("XYcd"));
    g.key(Qt::Key_Insert);
    EXPECT_EQ(TKoumokuGrid::overwriteText(), QStringLiteral("挿入"));
    g.type(QStringLiteral("Z"));
    EXPECT_EQ(g.editor()->text(), QStringLiteral("XYZcd"));
    // Insert with a modifier is not the toggle.
    g.key(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(TKoumokuGrid::overwriteText(), QStringLiteral("挿入"));
}

TEST(KoumokuGrid, EnterAndArrowsCommit)
{
    Grid g;
    QSignalSpy changed(&g.grid, &TKoumokuGrid::OnCellAndDataChange);
    g.go(Grid::Text);
    g.type(QStringLiteral("a"));
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.value(Grid::Text), QStringLiteral("a"));
    EXPECT_EQ(g.grid.currentItemRow(), int(Grid::Text));  // ReturnChange off: stays
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_EQ(changed.last().at(1).toInt(), int(Grid::Text));

    g.grid.setReturnChange(true);
    g.type(QStringLiteral("b"));
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.value(Grid::Text), QStringLiteral("ab"));
    EXPECT_EQ(g.grid.currentItemRow(), int(Grid::Film));

    g.type(QStringLiteral("7"));
    g.key(Qt::Key_Up);  // commits before moving
    EXPECT_EQ(g.value(Grid::Film), QStringLiteral("7"));
    EXPECT_EQ(g.grid.currentItemRow(), int(Grid::Text));

    // Escape brings back the stored value; nothing changes.
    changed.clear();
    g.type(QStringLiteral("zz"));
    g.key(Qt::Key_Escape);
    g.key(Qt::Key_Down);
    EXPECT_EQ(g.value(Grid::Text), QStringLiteral("ab"));
    EXPECT_TRUE(changed.isEmpty());

    // Setting a cell to the text it has fires nothing; the editor follows a new text.
    g.grid.setCell(TKoumokuGrid::kValueCol, Grid::Film, QStringLiteral("7"));
    g.grid.setCell(TKoumokuGrid::kValueCol, Grid::Film, QStringLiteral("8"));
    EXPECT_EQ(g.editor()->text(), QStringLiteral("8"));
    EXPECT_TRUE(changed.isEmpty());
}

// Arriving in a cell selects its value, so the first key replaces it; a
// click into the open editor places the caret, and typing goes in there.
TEST(KoumokuGrid, TypingOverAValueReplacesIt)
{
    Grid g;
    g.grid.setCell(TKoumokuGrid::kValueCol, Grid::Text, QStringLiteral("起点"));
    g.grid.setCell(TKoumokuGrid::kValueCol, Grid::Film, QStringLiteral("6"));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&g.grid));
    g.go(Grid::Text);
    g.editor()->setFocus();
    g.key(Qt::Key_Down);
    ASSERT_EQ(g.grid.currentItemRow(), int(Grid::Film));
    g.type(QStringLiteral("5"));
    EXPECT_EQ(g.editor()->text(), QStringLiteral("5"));
    g.type(QStringLiteral("1"));  // from then on the typing goes on
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.value(Grid::Film), QStringLiteral("51"));

    g.key(Qt::Key_Up);
    EXPECT_EQ(g.editor()->selectedText(), QStringLiteral("起点"));
    const QRect r = g.editor()->rect();
    QTest::mouseClick(g.editor(), Qt::LeftButton, {}, QPoint(r.width() - 30, r.center().y()));
    EXPECT_FALSE(g.editor()->hasSelectedText());
    g.type(QStringLiteral("X"));
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.value(Grid::Text), QStringLiteral("起点X"));

    // Keys that reach the grid itself go to the editor the same way.
    g.grid.setCurrentItemRow(Grid::Film);
    g.grid.setFocus();
    QTest::keyClick(&g.grid, Qt::Key_7);
    g.key(Qt::Key_Return);
    EXPECT_EQ(g.value(Grid::Film), QStringLiteral("7"));
}

TEST(KoumokuGrid, LengthIsCountedInShiftJisBytes)
{
    Grid g;
    g.go(Grid::Title);
    g.type(QStringLiteral("工事写真帳X"));  // 10 bytes of the 10
    g.type(QStringLiteral("Y"));
    EXPECT_EQ(g.editor()->text(), QStringLiteral("工事写真帳"));
    EXPECT_GT(g.beeps, 0);
}

TEST(KoumokuGrid, CharacterModeConversion)
{
    // A mode that drops "#" and makes letters upper case.
    auto convert = [](const QString& text, int mode) {
        QString out;
        for (QChar c : text)
            if (c != QLatin1Char('#'))
                out += mode == 4 ? c.toUpper() : c;
        return out;
    };
    for (bool real : {true, false}) {
        Grid g;
        g.grid.converter = convert;
        g.grid.setRealKinsoku(real);
        g.grid.params(Grid::Text).charMode = 4;
        g.go(Grid::Text);
        g.type(QStringLiteral("a#b"));
        EXPECT_EQ(g.editor()->text(), real ? QStringLiteral("AB") : QStringLiteral("a#b"));
        g.key(Qt::Key_Return);
        EXPECT_EQ(g.value(Grid::Text), QStringLiteral("AB"));
    }
}

TEST(KoumokuGrid, DropDownListRowsAndChoice)
{
    struct Case {
        int entries;
        int rows;
        bool scrollBar;
    } cases[] = {{30, 12, true}, {3, 3, false}, {12, 12, false}};
    for (const Case& c : cases) {
        Grid g;
        QStringList list;
        for (int i = 0; i < c.entries; ++i)
            list << QStringLiteral("項目%1").arg(i);
        g.grid.params(Grid::Text).list = list;
        g.grid.setCell(TKoumokuGrid::kValueCol, Grid::Text, QStringLiteral("項目2"));
        g.go(Grid::Text);
        g.grid.updateLayout();
        EXPECT_TRUE(g.editor()->listButton()->isVisible());
        g.key(Qt::Key_Return, Qt::AltModifier);
        TKoumokuDropList* drop = g.grid.dropList();
        ASSERT_TRUE(drop->isVisible()) << c.entries;
        EXPECT_EQ(drop->visibleRows(), c.rows);
        EXPECT_EQ(drop->verticalScrollBar()->isVisible(), c.scrollBar) << c.entries;
        EXPECT_EQ(drop->currentItem()->text(), QStringLiteral("項目2"));
        // Releasing the button on an entry takes it and closes the list.
        drop->scrollToItem(drop->item(1));
        const QRect r = drop->visualItemRect(drop->item(1));
        QTest::mouseClick(drop->viewport(), Qt::LeftButton, {}, r.center());
        EXPECT_FALSE(drop->isVisible());
        EXPECT_EQ(g.value(Grid::Text), QStringLiteral("項目1"));
    }
    // Released outside the list: closes and changes nothing.
    Grid g;
    g.grid.params(Grid::Choice).list << QStringLiteral("5.その他");
    g.grid.setCell(TKoumokuGrid::kValueCol, Grid::Choice, QStringLiteral("0.原本"));
    g.go(Grid::Choice);
    g.grid.updateLayout();
    QTest::mouseClick(g.editor()->listButton(), Qt::LeftButton);
    TKoumokuDropList* drop = g.grid.dropList();
    ASSERT_TRUE(drop->isVisible());
    QTest::mouseRelease(drop, Qt::LeftButton, {}, QPoint(drop->width() + 20, drop->height() + 20));
    EXPECT_FALSE(drop->isVisible());
    EXPECT_EQ(g.value(Grid::Choice), QStringLiteral("0.原本"));
}

TEST(KoumokuGrid, CalendarAndSpin)
{
    Grid g;
    g.go(Grid::Date);
    g.grid.updateLayout();
    ASSERT_TRUE(g.editor()->calendarButton()->isVisible());
    QTest::mouseClick(g.editor()->calendarButton(), Qt::LeftButton);
    TKoumokuCalendar* cal = g.grid.calendarPopup();
    ASSERT_TRUE(cal->isVisible());
    emit cal->calendar()->clicked(QDate(2003, 4, 5));
    EXPECT_EQ(g.value(Grid::Date), QStringLiteral("20030405"));
    EXPECT_FALSE(cal->isVisible());

    g.go(Grid::Film);
    g.grid.params(Grid::Film).step = 2;
    ASSERT_TRUE(g.editor()->spinUpButton()->isVisible());
    QTest::mouseClick(g.editor()->spinUpButton(), Qt::LeftButton);
    QTest::mouseClick(g.editor()->spinUpButton(), Qt::LeftButton);
    EXPECT_EQ(g.value(Grid::Film), QStringLiteral("4"));
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(g.editor()->spinDownButton(), Qt::LeftButton);
    EXPECT_EQ(g.value(Grid::Film), QStringLiteral("0"));  // no negatives here
    EXPECT_EQ(g.editor()->spinUpButton()->autoRepeatInterval(), 100);
}

TEST(KoumokuGrid, ListIndexAndIntegerValues)
{
    Grid g;
    g.grid.setCell(TKoumokuGrid::kValueCol, Grid::Choice, QStringLiteral("99.提出しない"));
    EXPECT_EQ(g.grid.listIndex(Grid::Choice), 2);
    EXPECT_EQ(g.grid.intValue(Grid::Choice), 2);
    g.grid.setCell(TKoumokuGrid::kValueCol, Grid::Choice, QStringLiteral("7.何か"));
    EXPECT_EQ(g.grid.listIndex(Grid::Choice), 0);
    g.grid.setIntValue(Grid::Choice, 1);
    EXPECT_EQ(g.value(Grid::Choice), QStringLiteral("1.工事写真帳"));
    g.grid.setIntValue(Grid::Film, 42);
    EXPECT_EQ(g.grid.intValue(Grid::Film), 42);
    g.grid.setCell(TKoumokuGrid::kValueCol, Grid::Text, QStringLiteral("12m"));
    EXPECT_EQ(g.grid.intValue(Grid::Text), 12);
}

TEST(KoumokuGrid, LayoutAndSetUp)
{
    Grid g;
    EXPECT_EQ(g.grid.cell(TKoumokuGrid::kLabelCol, 0), QStringLiteral("(項  目)"));
    EXPECT_EQ(g.grid.cell(TKoumokuGrid::kValueCol, 0), QStringLiteral("(内  容)"));
    const QFontMetrics fm(g.grid.font());
    EXPECT_EQ(g.grid.columnWidth(0), fm.horizontalAdvance(QStringLiteral("○")) + 4);
    EXPECT_GE(g.grid.columnWidth(1), fm.horizontalAdvance(QStringLiteral("写真整理フラッグ")));
    EXPECT_EQ(g.grid.columnWidth(0) + g.grid.columnWidth(1) + g.grid.columnWidth(2), g.grid.viewport()->width() - 1);
    g.grid.params(Grid::Text).multiLine = true;
    g.grid.updateLayout();
    EXPECT_EQ(g.grid.rowHeight(Grid::Text), qRound(3.6 * fm.height()));
    EXPECT_EQ(g.grid.rowHeight(Grid::Film), g.grid.defaultRowHeight());

    // Setting the rows up again resets every row's parameters.
    g.grid.setupRows(100);
    EXPECT_EQ(g.grid.rowCount(), TKoumokuGrid::kMaxRows);
    EXPECT_EQ(g.grid.params(Grid::Film).numericKind, 0);
    EXPECT_EQ(g.grid.params(Grid::Film).dropDownCount, 12);
    EXPECT_EQ(g.value(Grid::Film), QString());
}

TEST(KoumokuGrid, PopupPositionStaysInsideTheScreen)
{
    const QRect avail(0, 0, 800, 600);
    const struct {
        QRect cell;
        QSize size;
        QPoint expected;
    } cases[] = {
        {{100, 100, 200, 20}, {150, 200}, {100, 120}},  // under the cell
        {{100, 500, 200, 20}, {150, 200}, {100, 300}},  // no room below: above the cell
        {{700, 100, 100, 20}, {150, 200}, {650, 120}},  // shifted left
        {{100, 200, 200, 20}, {150, 500}, {100, 100}},  // room neither below nor above
        {{100, 200, 200, 20}, {900, 700}, {0, 0}},      // larger than the screen
    };
    for (const auto& c : cases)
        EXPECT_EQ(popupPosition(c.cell, c.size, avail), c.expected) << c.cell.y() << " " << c.size.height();
}

// A grid near the screen's bottom-right corner opens its calendar and its
// drop-down list inside the screen.
TEST(KoumokuGrid, PopupsOpenInsideTheScreen)
{
    Grid g;
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    g.grid.move(avail.right() - 250, avail.bottom() - 200);
    g.grid.params(Grid::Text).list = QStringList(30, QStringLiteral("ずいぶん長い選択肢の項目"));
    g.go(Grid::Date);
    QTest::mouseClick(g.editor()->calendarButton(), Qt::LeftButton);
    TKoumokuCalendar* cal = g.grid.calendarPopup();
    ASSERT_TRUE(cal->isVisible());
    EXPECT_TRUE(avail.contains(cal->frameGeometry()));
    cal->hide();
    g.go(Grid::Text);
    g.key(Qt::Key_Return, Qt::AltModifier);
    TKoumokuDropList* drop = g.grid.dropList();
    ASSERT_TRUE(drop->isVisible());
    EXPECT_TRUE(avail.contains(drop->frameGeometry()));
}
