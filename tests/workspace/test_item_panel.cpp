// The batch change of several photos (through the scripted ports) and the
// item panel of the main window, driven as a user would on the offscreen
// platform.
#include "settings/settings.h"
#include "app/ui/app_shell.h"
#include "app/ui/main_form.h"
#include "controls/dialog_messages.h"
#include "core/scripted_ports.h"
#include "items/choice_lists.h"
#include "store/data_module.h"
#include "store/job_life.h"
#include "store/table_network.h"
#include "support/temp_dir.h"
#include "workspace/batch_change.h"
#include "workspace/ui/item_panel.h"
#include "workspace/ui/job_workbench.h"
#include "workspace/ui/koumoku_grid.h"
#include "workspace/ui/photo_list_panel.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <QTranslator>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace zb;

namespace {

struct PhotoTable {
    zbtest::TempDir dir;
    TTableNetWork table;
    PhotoFields f;
    explicit PhotoTable(const QList<RECORD>& rows)
    {
        f = openOrCreatePhotoTable(dir.file(QStringLiteral("JOB.DB")), {&table}, true);
        for (RECORD r : rows) {
            table.append();
            table.setValue(f[F_RECORD], r);
            table.setValue(f[F_NEGANUM], QStringLiteral("1"));
            table.setValue(f[F_FLAG], 0);
            table.post();
        }
    }
    QVariant value(RECORD r, PhotoField field)
    {
        EXPECT_TRUE(table.locate(r));
        return table.value(f[field]);
    }
};

}  // namespace

TEST(BatchChange, NextFrameNumber)
{
    const struct {
        const char* text;
        const char* next;
    } cases[] = {
        {"5", "6"},
        {"No.009", "No.10"},
        {"009", "10"},
        {"A-9-3", "A-10-3"},
        {"１２", "１３"},
        {"第１９番", "第２０番"},
        {"99", "100"},
        {"12345678901234567890", "12345678901234567891"},
        {"なし", "なし"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nextFrameNumber(QString::fromUtf8(c.text)), QString::fromUtf8(c.next)) << c.text;
}

TEST(BatchChange, FrameNumbersOnThreePhotos)
{
    const struct {
        Messages::Answer answer;
        const char* expected[3];
    } cases[] = {
        {Messages::Answer::Yes, {"5", "5", "5"}},
        {Messages::Answer::No, {"5", "6", "7"}},
        {Messages::Answer::Cancel, {"1", "1", "1"}},
    };
    for (const auto& c : cases) {
        PhotoTable t({1, 2, 3});
        ScriptedMessages m;
        m.reply(c.answer);
        // List order differs from table order.
        const QList<RECORD> order{3, 1, 2};
        const BatchResult r = batchChange(t.table, t.f, order, F_NEGANUM, QStringLiteral("5"), m);
        EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("askThree: ") + kBatchFrameQuestion});
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(t.value(order[i], F_NEGANUM).toString(), QString::fromUtf8(c.expected[i]));
        EXPECT_EQ(r.changed.isEmpty(), c.answer == Messages::Answer::Cancel);
    }
}

TEST(BatchChange, OtherFieldsAskYesCancel)
{
    for (bool yes : {true, false}) {
        PhotoTable t({1, 2, 4});
        ScriptedMessages m;
        m.reply(yes);
        const BatchResult r =
            batchChange(t.table, t.f, {1, 2, 3, 4}, F_FLAG, QStringLiteral("1.工事写真帳"), m);
        EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("confirm: ") + kBatchQuestion});
        EXPECT_EQ(t.value(4, F_FLAG).toInt(), yes ? 1 : 0);
        // The missing photo 3 is skipped.
        EXPECT_EQ(r.changed, yes ? QList<RECORD>({1, 2, 4}) : QList<RECORD>());
    }
    // Fixed-size text fields keep what fits; titles are written as they are.
    PhotoTable t({1, 2});
    ScriptedMessages m;
    batchChange(t.table, t.f, {1, 2}, F_NEGANUM, QStringLiteral("123456789"), m);
    EXPECT_EQ(t.value(2, F_NEGANUM).toString(), QStringLiteral("12345678"));
    batchChange(t.table, t.f, {1, 2}, F_TITLE, QString(), m);
    EXPECT_EQ(t.value(2, F_TITLE).toString(), QString());
    batchChange(t.table, t.f, {1, 2}, F_FILMNUM, QStringLiteral("12000"), m);
    EXPECT_EQ(t.value(1, F_FILMNUM).toInt(), 12000);
    batchChange(t.table, t.f, {1, 2}, F_DAIHYO, QStringLiteral("1"), m);
    EXPECT_EQ(t.value(1, F_DAIHYO).toInt(), 1);
    // Characters the files cannot hold are left out, and the user is told.
    m.clear();
    batchChange(t.table, t.f, {1, 2}, F_KANRI, QStringLiteral("A\U0001F600B"), m);
    EXPECT_EQ(t.value(2, F_KANRI).toString(), QStringLiteral("AB"));
    EXPECT_EQ(m.boxes().value(1), QStringLiteral("warning: ") + kUnmappableLeftOut.arg(QStringLiteral("\U0001F600")));
}

TEST(BatchChange, AFullDiskKeepsTheOldValues)
{
    PhotoTable t({1, 2});
    t.table.setSizeLimit(QFileInfo(t.dir.file(QStringLiteral("JOB.DB"))).size());
    ScriptedMessages m;
    const BatchResult r = batchChange(t.table, t.f, {1, 2}, F_KANRI, QString(400000, QLatin1Char('x')), m);
    EXPECT_TRUE(r.failed);
    EXPECT_TRUE(r.changed.isEmpty());
    ASSERT_EQ(m.boxes().size(), 2);
    EXPECT_TRUE(m.boxes().at(1).startsWith(QStringLiteral("error: ") + kPhotoInfoSaveFailed.arg(QString())));
    EXPECT_EQ(t.value(1, F_KANRI).toString(), QString());
    EXPECT_EQ(t.value(2, F_NEGANUM).toString(), QStringLiteral("1"));
}

// ---------------------------------------------------------------- the panel

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_item_panel";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// A program folder with an open job of three photos, the panel in a window
// and a photo list that is only a list of records and a selection.
struct AppFirst {
    AppFirst() { app(); }
};

struct Desk : AppFirst {
    zbtest::TempDir dir;
    ScriptedMessages messages;
    Folders folders;
    std::unique_ptr<TDataModule_Main> data;
    std::unique_ptr<JobLife> job;
    std::unique_ptr<TItemPanel> panel;
    QWidget window;
    QAction kouEdit{QStringLiteral("項目登録")};
    QAction inputLevel{QStringLiteral("必要度")};
    bool level = false;
    QList<RECORD> photos{1, 2, 3};
    QList<int> sel;
    int current = -1;
    QMap<RECORD, QString> captions;
    QList<RECORD> repainted;
    QString status[4];

    Desk()
    {
        app();
        folders = resolveFolders(dir.path(), {}, {}, dir.path());
        createFolders(folders, messages);
        data = std::make_unique<TDataModule_Main>(folders, messages);
        job = std::make_unique<JobLife>(folders, *data, messages);
        panel = std::make_unique<TItemPanel>(*job, messages);
        panel->setButtons(&kouEdit, &inputLevel);
        inputLevel.setCheckable(true);
        PhotoSelection s;
        s.selectedRecords = [this] {
            QList<RECORD> out;
            for (int i : sel)
                out << photos[i];
            return out;
        };
        s.currentRecord = [this] { return current >= 0 ? photos[current] : 0; };
        s.currentIndex = [this] { return current; };
        s.count = [this] { return int(photos.size()); };
        s.selectRow = [this](int i) { select({i}); };
        s.setCaption = [this](RECORD r, const QString& t) { captions[r] = t; };
        s.repaintRecord = [this](RECORD r) { repainted << r; };
        s.hasFocus = [] { return false; };
        panel->setSelection(s);
        ItemPanelHooks h;
        h.setStatus = [this](int i, const QString& t) { status[i] = t; };
        h.readInputLevel = [this] { return level; };
        h.writeInputLevel = [this](bool on) { level = on; };
        panel->setHooks(h);
        auto* l = new QVBoxLayout(&window);
        l->addWidget(panel->tabSet());
        l->addWidget(panel->stack());
        window.resize(420, 600);
        window.show();
        QApplication::setActiveWindow(&window);
        panel->firstSetUp(folders.userFile + QStringLiteral("ZBMENU.LST"));
        open();
        TTableNetWork& t = data->photoTable();
        PhotoFields f;
        f.lookUp(t);
        for (RECORD r : photos) {
            t.append();
            t.setValue(f[F_RECORD], r);
            t.setValue(f[F_FLAG], 0);
            t.setValue(f[F_TITLE], QStringLiteral("写真%1").arg(r));
            t.setValue(f[F_NEGANUM], QStringLiteral("1"));
            t.post();
        }
    }
    ~Desk()
    {
        panel->setSelection({});
        job->closeJob();
    }

    void open()
    {
        ASSERT_EQ(job->openChosen(JobChoice{QStringLiteral("工事A"), {}}), JobLife::OpenResult::Opened);
    }
    void select(const QList<int>& rows)
    {
        sel = rows;
        current = rows.isEmpty() ? -1 : rows.first();
        panel->selectionChanged();
    }
    TKoumokuGrid* koji() { return panel->kojiGrid(); }
    TKoumokuGrid* photo() { return panel->photoGrid(); }
    int row(TKoumokuGrid* g, const char* label) { return panel->rowOf(g, QString::fromUtf8(label)); }
    // Types into a row as the keyboard would and presses Enter.
    void enter(TKoumokuGrid* g, const char* label, const QString& text)
    {
        g->setCurrentItemRow(row(g, label));
        g->editor()->setFocus();
        g->editor()->selectAll();
        if (text.isEmpty())
            QTest::keyClick(g->editor(), Qt::Key_Backspace);
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(g->editor(), &press);
        }
        QTest::keyClick(g->editor(), Qt::Key_Return);
    }
    QString value(TKoumokuGrid* g, const char* label) { return g->cell(TKoumokuGrid::kValueCol, row(g, label)); }
    QVariant stored(RECORD r, PhotoField field)
    {
        TTableNetWork& t = data->photoTable();
        PhotoFields f;
        f.lookUp(t);
        EXPECT_TRUE(t.locate(r));
        return t.value(f[field]);
    }
};

}  // namespace

TEST(ItemPanel, ValuesSurviveSaveAndReopen)
{
    Desk d;
    d.enter(d.koji(), "工事名称", QStringLiteral("橋梁工事"));
    d.enter(d.koji(), "発注年度", QStringLiteral("2003"));
    d.select({0});
    EXPECT_EQ(d.panel->tabSet()->count(), 2);
    EXPECT_EQ(d.panel->tabSet()->tabText(1), kPhotoTabCaption);
    EXPECT_EQ(d.value(d.photo(), "写真タイトル"), QStringLiteral("写真1"));
    d.enter(d.photo(), "写真タイトル", QStringLiteral("着手前"));
    EXPECT_EQ(d.captions.value(1), QStringLiteral("着手前"));  // the list caption at once
    d.enter(d.photo(), "撮影箇所", QStringLiteral("測点1"));
    ASSERT_TRUE(d.job->saveJob());
    d.job->closeJob();
    d.open();
    EXPECT_EQ(d.value(d.koji(), "工事名称"), QStringLiteral("橋梁工事"));
    EXPECT_EQ(d.value(d.koji(), "発注年度"), QStringLiteral("2003"));
    EXPECT_EQ(d.panel->tabSet()->count(), 1);
    EXPECT_EQ(d.stored(1, F_TITLE).toString(), QStringLiteral("着手前"));
    EXPECT_EQ(d.stored(1, F_KASYO).toString(), QStringLiteral("測点1"));
    d.select({0});
    EXPECT_EQ(d.value(d.photo(), "撮影箇所"), QStringLiteral("測点1"));
}

// Text pasted into a one-line row loses its line breaks and the characters
// Shift_JIS cannot hold, and is cut at the row's room, so the stored row
// always survives the Shift_JIS files.
TEST(ItemPanel, PastedTextIsConvertedAndCut)
{
    Desk d;
    d.select({0});
    TKoumokuGrid* g = d.photo();
    g->setCurrentItemRow(d.row(g, "写真タイトル"));
    g->editor()->setFocus();
    g->editor()->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("一行目\r\n二行目\U0001F600ｶﾞ") + QString(60, QChar(0x3042)));
    QTest::keyClick(g->editor(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(g->editor(), Qt::Key_Return);
    // 80 bytes: 一行目二行目ガ (14) and 33 of the 60 あ (66).
    const QString expected = QStringLiteral("一行目二行目ガ") + QString(33, QChar(0x3042));
    EXPECT_EQ(d.value(g, "写真タイトル"), expected);
    ASSERT_TRUE(d.job->saveJob());
    EXPECT_EQ(d.stored(1, F_TITLE).toString(), expected);
}

TEST(ItemPanel, TitleFlagAndTabs)
{
    Desk d;
    d.select({1});
    d.enter(d.photo(), "写真タイトル", QString());
    EXPECT_EQ(d.captions.value(2), QStringLiteral("(無題)"));
    // The flag is stored at once and the list item repainted.
    TKoumokuGrid* g = d.photo();
    g->setCurrentItemRow(d.row(g, "写真整理フラッグ"));
    g->editor()->setFocus();
    QTest::keyClick(g->editor(), Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(g->dropList()->isVisible());
    QTest::keyClick(g->dropList(), Qt::Key_Down);
    QTest::keyClick(g->dropList(), Qt::Key_Return);
    EXPECT_EQ(d.stored(2, F_FLAG).toInt(), 1);
    EXPECT_EQ(d.repainted, QList<RECORD>{2});
    // Choosing the first tab removes the photo tab.
    d.panel->tabSet()->setCurrentIndex(0);
    EXPECT_EQ(d.panel->tabSet()->count(), 1);
    EXPECT_EQ(d.stored(2, F_TITLE).toString(), QString());
}

// Photos made before these rows existed hold null: the rows show "0", and a
// value is picked from "0" and "1" only.
TEST(ItemPanel, RepresentativeAndFrequencyRowsPickZeroOrOne)
{
    Desk d;
    d.select({0});
    TKoumokuGrid* g = d.photo();
    for (auto [label, field] : {std::pair{"代表写真", F_DAIHYO}, {"提出頻度写真", F_TEISYUTU}}) {
        SCOPED_TRACE(label);
        const int row = d.row(g, label);
        ASSERT_GT(row, 0);
        EXPECT_EQ(g->cell(TKoumokuGrid::kMarkCol, row), QStringLiteral("◎"));
        EXPECT_EQ(g->params(row).rowColor, QColor(255, 255, 136));
        EXPECT_EQ(d.value(g, label), QStringLiteral("0"));
        EXPECT_TRUE(d.stored(1, field).isNull());
    }
    // Typing is refused in a row picked from its list.
    g->setCurrentItemRow(d.row(g, "代表写真"));
    g->editor()->setFocus();
    QTest::keyClicks(g->editor(), QStringLiteral("7"));
    QTest::keyClick(g->editor(), Qt::Key_Return);
    EXPECT_EQ(d.value(g, "代表写真"), QStringLiteral("0"));
    // Picking "1" from the drop-down list.
    g->setCurrentItemRow(d.row(g, "代表写真"));
    g->editor()->setFocus();
    QTest::keyClick(g->editor(), Qt::Key_Return, Qt::AltModifier);
    ASSERT_TRUE(g->dropList()->isVisible());
    EXPECT_EQ(g->dropList()->count(), 2);
    QTest::keyClick(g->dropList(), Qt::Key_Down);
    QTest::keyClick(g->dropList(), Qt::Key_Return);
    EXPECT_EQ(d.value(g, "代表写真"), QStringLiteral("1"));
    ASSERT_TRUE(d.job->saveJob());
    EXPECT_EQ(d.stored(1, F_DAIHYO).toInt(), 1);
    EXPECT_EQ(d.stored(1, F_TEISYUTU).toInt(), 0);
    d.select({1});
    EXPECT_EQ(d.value(g, "代表写真"), QStringLiteral("0"));
    d.select({0});
    EXPECT_EQ(d.value(g, "代表写真"), QStringLiteral("1"));

    // Both rows are shown with the need-level filter down.
    d.panel->toggleLevelFilter(true);
    EXPECT_GT(d.row(d.photo(), "提出頻度写真"), 0);
}

TEST(ItemPanel, BatchFrameNumbersThroughTheGrid)
{
    const struct {
        Messages::Answer answer;
        const char* expected[3];
    } cases[] = {
        {Messages::Answer::Yes, {"5", "5", "5"}},
        {Messages::Answer::No, {"5", "6", "7"}},
        {Messages::Answer::Cancel, {"1", "1", "1"}},
    };
    for (const auto& c : cases) {
        Desk d;
        d.select({0});
        d.select({0, 1, 2});
        d.messages.clear();
        d.messages.reply(c.answer);
        d.enter(d.photo(), "コマ番号", QStringLiteral("5"));
        EXPECT_EQ(d.messages.boxes(), QStringList{QStringLiteral("askThree: ") + kBatchFrameQuestion});
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(d.stored(d.photos[i], F_NEGANUM).toString(), QString::fromUtf8(c.expected[i]));
        // The grid shows the focused photo as stored.
        EXPECT_EQ(d.value(d.photo(), "コマ番号"), QString::fromUtf8(c.expected[0]));
    }
    // Other rows ask yes/cancel; titles become the captions of every photo.
    Desk d;
    d.select({0});
    d.select({0, 2});
    d.messages.clear();
    d.enter(d.photo(), "写真タイトル", QString());
    EXPECT_EQ(d.messages.boxes(), QStringList{QStringLiteral("confirm: ") + kBatchQuestion});
    EXPECT_EQ(d.captions.value(1), QStringLiteral("(無題)"));
    EXPECT_EQ(d.captions.value(3), QStringLiteral("(無題)"));
    EXPECT_EQ(d.stored(2, F_TITLE).toString(), QStringLiteral("写真2"));
}

// Typed as a user would: the grid's value is selected on arrival, so typing
// 5 over the shown 1 numbers 5, 6, 7; the batch change marks the job changed.
TEST(ItemPanel, BatchFrameNumbersTypedOverTheValue)
{
    Desk d;
    d.select({0});
    d.select({0, 1, 2});
    TKoumokuGrid* g = d.photo();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d.window));
    ASSERT_EQ(d.value(g, "コマ番号"), QStringLiteral("1"));
    g->setCurrentItemRow(1);
    g->editor()->setFocus();
    while (g->currentItemRow() < d.row(g, "コマ番号"))
        QTest::keyClick(g->editor(), Qt::Key_Down);
    ASSERT_TRUE(d.job->saveJob());
    ASSERT_FALSE(d.job->changed());
    d.messages.clear();
    d.messages.reply(Messages::Answer::No);
    QTest::keyClick(g->editor(), Qt::Key_5);
    QTest::keyClick(g->editor(), Qt::Key_Return);
    EXPECT_EQ(d.messages.boxes(), QStringList{QStringLiteral("askThree: ") + kBatchFrameQuestion});
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(d.stored(d.photos[i], F_NEGANUM).toString(), QString::number(5 + i));
    EXPECT_TRUE(d.job->changed());
}

TEST(ItemPanel, PageKeys)
{
    Desk d;
    TKoumokuGrid* g = d.photo();
    d.select({2});
    g->setCurrentItemRow(4);
    g->editor()->setFocus();
    // On the last photo PageDown does nothing and goes no further.
    QTest::keyClick(g->editor(), Qt::Key_PageDown);
    EXPECT_EQ(d.sel, QList<int>{2});
    EXPECT_EQ(g->currentItemRow(), 4);
    // PageUp goes to the previous photo and its first item row; with Shift
    // the item row stays.
    QTest::keyClick(g->editor(), Qt::Key_PageUp);
    EXPECT_EQ(d.sel, QList<int>{1});
    EXPECT_EQ(d.panel->shownRecord(), 2);
    EXPECT_EQ(g->currentItemRow(), 1);
    g->setCurrentItemRow(5);
    QTest::keyClick(g->editor(), Qt::Key_PageDown, Qt::ShiftModifier);
    EXPECT_EQ(d.sel, QList<int>{2});
    EXPECT_EQ(d.panel->shownRecord(), 3);
    EXPECT_EQ(g->currentItemRow(), 5);
    // What was typed before paging is stored with its photo.
    g->setCurrentItemRow(d.row(g, "撮影箇所"));
    g->editor()->selectAll();
    QTest::keyClicks(g->editor(), QStringLiteral("abc"));
    QTest::keyClick(g->editor(), Qt::Key_PageUp);
    EXPECT_EQ(d.stored(3, F_KASYO).toString(), QStringLiteral("abc"));
    EXPECT_EQ(d.status[0], kPageHint);
}

TEST(ItemPanel, LevelFilterKeepsHiddenValues)
{
    Desk d;
    d.enter(d.koji(), "発注者備考", QStringLiteral("備考あり"));
    d.panel->toggleLevelFilter(true);
    EXPECT_TRUE(d.level);
    EXPECT_EQ(d.koji()->itemCount(), 13);
    EXPECT_EQ(d.photo()->itemCount(), 10);
    EXPECT_EQ(d.row(d.koji(), "発注者備考"), -1);
    EXPECT_EQ(d.job->file().header.clientRemarks, QStringLiteral("備考あり"));
    d.panel->toggleLevelFilter(false);
    EXPECT_EQ(d.koji()->itemCount(), 20);
    EXPECT_EQ(d.value(d.koji(), "発注者備考"), QStringLiteral("備考あり"));

    // With one photo selected and the photo grid focused, the photo stays shown.
    d.select({1});
    d.photo()->editor()->setFocus();
    d.panel->toggleLevelFilter(true);
    EXPECT_EQ(d.panel->tabSet()->count(), 2);
    EXPECT_EQ(d.value(d.photo(), "写真タイトル"), QStringLiteral("写真2"));
    // Otherwise the photo tab goes.
    d.koji()->editor()->setFocus();
    d.panel->toggleLevelFilter(false);
    EXPECT_EQ(d.panel->tabSet()->count(), 1);
}

TEST(ItemPanel, RegisterChoicesReloadsTheRow)
{
    Desk d;
    QStringList registered;
    ItemPanelHooks h;
    h.registerChoices = [&](items::ChoiceLists& lists, const QString& label) {
        registered << label;
        return lists.write(label, {QStringLiteral("第一工区"), QStringLiteral("第二工区")});
    };
    d.panel->setHooks(h);
    TKoumokuGrid* g = d.koji();
    g->setCurrentItemRow(d.row(g, "発注年度"));
    g->editor()->setFocus();
    EXPECT_FALSE(d.kouEdit.isEnabled());  // not a registrable row
    g->setCurrentItemRow(d.row(g, "工事箇所"));
    EXPECT_TRUE(d.kouEdit.isEnabled());
    d.panel->registerChoices();
    EXPECT_EQ(registered, QStringList{QStringLiteral("工事箇所")});
    EXPECT_EQ(g->params(d.row(g, "工事箇所")).list, QStringList({QStringLiteral("第一工区"), QStringLiteral("第二工区")}));
    EXPECT_TRUE(g->editor()->listButton()->isVisible());
}

TEST(ItemPanel, CharacterModesWhileTyping)
{
    const struct {
        const char* label;
        const char* typed;
        const char* shown;
    } cases[] = {
        {"写真タイトル", "ｱ", "ア"},         // mode 3: half-width kana made full-width
        {"写真タイトル", "ｶﾞｲﾄﾞ", "ガイド"},  // sound marks join the kana before them
        {"写真タイトル", "ＡＢ１", "AB1"},    // letters and digits half-width
        {"工事番号", "A1①2", "12"},          // mode 1: digits only, machine-dependent ① dropped
        {"工事データ作成者", "①ｶﾞ", "①ｶﾞ"},  // mode 0 keeps everything
        {"工事データ作成者", "カﾞ", "カﾞ"},    // also a mark after a full-width kana
    };
    for (const auto& c : cases) {
        Desk d;
        d.select({0});
        TKoumokuGrid* g = QString::fromUtf8(c.label) == QStringLiteral("写真タイトル") ? d.photo() : d.koji();
        if (g == d.koji())
            d.panel->tabSet()->setCurrentIndex(0);
        d.enter(g, c.label, QString::fromUtf8(c.typed));
        EXPECT_EQ(d.value(g, c.label), QString::fromUtf8(c.shown)) << c.typed;
    }
}

// A date row takes up to 20 typed digits and keeps the first eight, also
// when the digits would overflow a 32-bit number.
TEST(ItemPanel, DateRowsKeepTheFirstEightDigits)
{
    Desk d;
    d.enter(d.koji(), "工期開始日", QStringLiteral("20260115123"));
    d.enter(d.koji(), "工期終了日", QStringLiteral("2026123145"));
    d.select({0});
    d.enter(d.photo(), "撮影年月日", QStringLiteral("20030405999999"));
    ASSERT_TRUE(d.job->saveJob());
    EXPECT_EQ(d.job->file().header.startDate, QStringLiteral("20260115"));
    EXPECT_EQ(d.job->file().header.endDate, QStringLiteral("20261231"));
    EXPECT_EQ(d.stored(1, F_DATE).toString(), QStringLiteral("20030405"));
}

TEST(ItemPanel, NumericRowsAndTypingMode)
{
    Desk d;
    int beeps = 0;
    gridBeepHook() = [&] { ++beeps; };
    d.select({0});
    d.enter(d.photo(), "フィルム番号", QStringLiteral("12,"));
    EXPECT_EQ(d.value(d.photo(), "フィルム番号"), QStringLiteral("12000"));
    EXPECT_EQ(beeps, 0);
    d.enter(d.photo(), "フィルム番号", QStringLiteral("-"));
    EXPECT_GT(beeps, 0);  // no negatives in this row: the value stays
    EXPECT_EQ(d.value(d.photo(), "フィルム番号"), QStringLiteral("12000"));
    d.job->saveJob();
    EXPECT_EQ(d.stored(1, F_FILMNUM).toInt(), 12000);

    // The Insert key switches the typing mode the panel shows.
    TKoumokuGrid::setOverwrite(false);
    EXPECT_EQ(d.panel->modeLabel()->text(), QStringLiteral("挿入"));
    QTest::keyClick(d.photo()->editor(), Qt::Key_Insert);
    EXPECT_EQ(d.panel->modeLabel()->text(), QStringLiteral("上書"));
    QTest::keyClick(d.photo()->editor(), Qt::Key_Insert);
    EXPECT_EQ(d.panel->modeLabel()->text(), QStringLiteral("挿入"));
    gridBeepHook() = [] { QApplication::beep(); };
}

// The panel in the main window, with the real photo list.
TEST(ItemPanel, InTheMainWindow)
{
    app();
    appSettings() = Settings{};
    zbtest::TempDir dir;
    const Folders folders = resolveFolders(dir.path(), NetworkSettings{}, SharedDecision{}, dir.path());
    ScriptedMessages quiet;
    createFolders(folders, quiet);
    {
        // A job without its tree file: its photos go into 未分類.
        TTableNetWork t;
        const PhotoFields f = openOrCreatePhotoTable(folders.dataFile + QStringLiteral("工事A.DB"), {&t}, true);
        for (RECORD r = 1; r <= 3; ++r) {
            t.append();
            t.setValue(f[F_RECORD], r);
            t.setValue(f[F_TITLE], QStringLiteral("写真%1").arg(r));
            t.setValue(f[F_FLAG], 0);
            t.post();
        }
        t.closeTable();
    }
    DialogMessages messages;
    TDataModule_Main data(folders, messages);
    auto form = std::make_unique<TZbMainForm>(folders, messages, data);
    form->jobHooks().openJobList = {};
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ASSERT_EQ(form->workbench().job().openChosen(JobChoice{QStringLiteral("工事A"), {}}), JobLife::OpenResult::Opened);
    QApplication::processEvents();
    TPhotoListPanel* list = form->workbench().photoList();
    ASSERT_EQ(list->listView()->count(), 3);
    TItemPanel* p = form->itemPanel();
    TKoumokuGrid* g = p->photoGrid();
    const int title = p->rowOf(g, QStringLiteral("写真タイトル"));

    list->selectRow(0);
    QApplication::processEvents();
    ASSERT_EQ(p->tabSet()->count(), 2);
    EXPECT_EQ(g->cell(TKoumokuGrid::kValueCol, title), QStringLiteral("写真1"));
    g->setCurrentItemRow(title);
    g->editor()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(form->statusPanel(0)->text(), kPageHint);
    EXPECT_EQ(form->statusPanel(2)->text(), QStringLiteral("全角/半角英数"));
    EXPECT_TRUE(form->action(QStringLiteral("SB_KouEdit"))->isEnabled());
    g->editor()->selectAll();
    QTest::keyClick(g->editor(), Qt::Key_Backspace);
    QTest::keyClick(g->editor(), Qt::Key_Return);
    EXPECT_EQ(list->listView()->item(0)->text(), QStringLiteral("(無題)"));

    // Shift+PageDown: the next photo on the same item row; PageDown on the
    // last photo stays there.
    g->setCurrentItemRow(3);
    QTest::keyClick(g->editor(), Qt::Key_PageDown, Qt::ShiftModifier);
    QApplication::processEvents();
    EXPECT_EQ(list->currentIndex(), 1);
    EXPECT_EQ(p->shownRecord(), 2);
    EXPECT_EQ(g->currentItemRow(), 3);
    QTest::keyClick(g->editor(), Qt::Key_PageDown);
    QTest::keyClick(g->editor(), Qt::Key_PageDown);
    QApplication::processEvents();
    EXPECT_EQ(list->currentIndex(), 2);
    EXPECT_EQ(g->currentItemRow(), 1);

    // 必要度 sets both grids up again and keeps the setting.
    form->action(QStringLiteral("SB_InputLevel"))->trigger();
    EXPECT_EQ(p->kojiGrid()->itemCount(), 13);
    EXPECT_TRUE(appSettings().inputLevel);

    // The construction information goes into the header when the job is saved.
    p->tabSet()->setCurrentIndex(0);
    QApplication::processEvents();
    EXPECT_EQ(p->tabSet()->count(), 1);
    EXPECT_EQ(form->statusPanel(0)->text(), QString());
    TKoumokuGrid* k = p->kojiGrid();
    k->setCurrentItemRow(p->rowOf(k, QStringLiteral("工事名称")));
    k->editor()->setFocus();
    QTest::keyClicks(k->editor(), QStringLiteral("abc"));
    form->workbench().saveJob();
    EXPECT_EQ(form->workbench().job().file().header.constructionName, QStringLiteral("abc"));
    form.reset();  // closing with a grid focused
}

// Once the program's translations are in, Qt's own dialogs and the grid's
// calendar speak Japanese.
TEST(JapaneseUi, CalendarAndFileDialog)
{
    app();
    QTranslator* translator = installJapanese(*qApp);
    ASSERT_TRUE(translator);
    {
        TKoumokuCalendar cal;
        cal.popupAt(QRect(10, 10, 100, 20), QDate(2026, 12, 5));
        EXPECT_EQ(cal.heading(), QStringLiteral("2026年12月"));
        cal.calendar()->showNextMonth();
        EXPECT_EQ(cal.heading(), QStringLiteral("2027年1月"));
        const auto* view = cal.calendar()->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
        ASSERT_TRUE(view);
        QStringList days;
        for (int col = 1; col <= 7; ++col)
            days << view->model()->index(0, col).data().toString();
        EXPECT_EQ(days.join(QLatin1Char(' ')), QStringLiteral("日 月 火 水 木 金 土"));

        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        QStringList texts;
        for (const QLabel* l : dialog.findChildren<QLabel*>())
            texts << l->text();
        const auto* box = dialog.findChild<QDialogButtonBox*>();
        ASSERT_TRUE(box);
        for (const QAbstractButton* b : box->buttons())
            texts << b->text();
        EXPECT_FALSE(texts.contains(QStringLiteral("Look in:"))) << texts.join(QLatin1Char('|')).toStdString();
        EXPECT_FALSE(texts.contains(QStringLiteral("&Save"))) << texts.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(texts.filter(QStringLiteral("保存")).size() > 0) << texts.join(QLatin1Char('|')).toStdString();
    }
    QCoreApplication::removeTranslator(translator);
    delete translator;
    QLocale::setDefault(QLocale::c());
}
