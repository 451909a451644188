#include "items/choice_lists.h"
#include "items/ui/add_form.h"
#include "items/ui/kou_form.h"

#include "core/scripted_ports.h"
#include "core/sjis.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::items;

namespace {

// One application for all the tests of this program.
class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static int argc = 1;
        static char name[] = "test_items_ui";
        static char* argv[] = {name, nullptr};
        static QApplication* app = new QApplication(argc, argv);
        (void)app;
    }
};
const auto* const kAppEnvironment = ::testing::AddGlobalTestEnvironment(new AppEnvironment);

const QString kTitle = QStringLiteral("写真タイトル");
const QString kFlag = QStringLiteral("写真整理フラッグ");

QByteArray paletteBytes()
{
    return sjis::toBytes(QStringLiteral("// test\r\n"
                                        "0000.自由文\r\n\r\n\r\n"
                                        "1003.工事名称\r\n\r\n\r\n"
                                        "2010.写真タイトル\r\n\r\n\r\n"
                                        "2019.撮影年月日\r\n(西暦)\r\n&Y4/&M2/&D2\r\n"));
}

QPoint rowCenter(QListWidget* list, int row)
{
    return list->visualItemRect(list->item(row)).center();
}

}  // namespace

TEST(KouForm, RegisterWritesTheMemoLinesCancelLeavesTheFile)
{
    zbtest::TempDir dir;
    ChoiceLists lists(dir.file("ZBMENU.LST"));
    ASSERT_TRUE(lists.write(kTitle, {QStringLiteral("着手前")}));
    ScriptedMessages messages;
    {
        TKouForm form(lists, kTitle, messages);
        EXPECT_EQ(form.windowTitle(), QStringLiteral("項目の登録 (写真タイトル)"));
        EXPECT_EQ(form.memo()->toPlainText(), QStringLiteral("着手前"));
        EXPECT_TRUE(form.note()->isHidden());
        form.show();
        form.memo()->moveCursor(QTextCursor::End);
        QTest::keyClick(form.memo(), Qt::Key_Return);
        form.memo()->insertPlainText(QStringLiteral("完成\n  \n出来形"));
        QTest::mouseClick(form.cancelButton(), Qt::LeftButton);
        EXPECT_EQ(form.result(), QDialog::Rejected);
    }
    EXPECT_EQ(lists.read(kTitle), QStringList{"着手前"});
    {
        TKouForm form(lists, kTitle, messages);
        form.show();
        form.memo()->setPlainText(QStringLiteral("着手前\n完成\n  \n出来形"));
        QTest::mouseClick(form.registerButton(), Qt::LeftButton);
        EXPECT_EQ(form.result(), QDialog::Accepted);
    }
    EXPECT_EQ(lists.read(kTitle), QStringList({"着手前", "完成", "出来形"}));
    EXPECT_TRUE(messages.boxes().isEmpty());
}

TEST(KouForm, FlagNoteAndWriteFailure)
{
    zbtest::TempDir dir;
    ChoiceLists lists(dir.file("ZBMENU.LST"));
    ScriptedMessages messages;
    TKouForm flag(lists, kFlag, messages);
    EXPECT_FALSE(flag.note()->isHidden());
    EXPECT_EQ(flag.note()->text(), QStringLiteral("写真整理フラッグは 0～9 まで使用できます。"));

    // A file that cannot be read is not replaced; the dialog stays open with the lines.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("ZBMENU.LST")));
    TKouForm form(lists, kTitle, messages);
    form.show();
    form.memo()->setPlainText(QStringLiteral("一"));
    QTest::mouseClick(form.registerButton(), Qt::LeftButton);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(messages.boxes(), QStringList{"warning: " + menuFileUnreadableText(lists.path())});
}

TEST(AddForm, SelectionPoursTokensAndEnablesTheSlotChoice)
{
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("ZBGRPH.LST"), paletteBytes());
    TAddForm form(dir.file("ZBGRPH.LST"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("工事情報/写真情報の追加"));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(form.windowFlags() & Qt::Tool);
    form.setSlotChoiceVisible(true);
    form.setSlots({3, 1, 12});
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QSignalSpy poured(&form, &TAddForm::pour);

    EXPECT_EQ(form.slotChoice()->count(), 3);
    EXPECT_EQ(form.slotChoice()->itemText(0), QStringLiteral("写真１"));
    EXPECT_EQ(form.slotChoice()->itemText(2), QStringLiteral("写真12"));
    EXPECT_FALSE(form.slotChoice()->isEnabled());

    QListWidget* list = form.list();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCenter(list, 1));
    EXPECT_FALSE(form.slotChoice()->isEnabled());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(list, 3));
    EXPECT_TRUE(form.slotChoice()->isEnabled());
    form.slotChoice()->setCurrentIndex(1);
    form.setKeepOpen(true);
    QTest::mouseClick(form.pourButton(), Qt::LeftButton);
    ASSERT_EQ(poured.size(), 1);
    EXPECT_EQ(poured[0][0].toString(), QStringLiteral("{1003.工事名称}{2019.撮影年月日;&Y4/&M2/&D2}"));
    EXPECT_EQ(poured[0][1].toInt(), 3);
    EXPECT_TRUE(form.isVisible());

    // The previous choice stays while offered.
    form.setSlots({3, 5});
    EXPECT_EQ(form.slotChoice()->currentText(), QStringLiteral("写真３"));
    // The choice stops at 写真25, whatever slots the page numbers.
    form.setSlots({40, 3, 26, 25});
    ASSERT_EQ(form.slotChoice()->count(), 2);
    EXPECT_EQ(form.slotChoice()->itemText(1), QStringLiteral("写真25"));

    // Double-click pours the entry and closes the window.
    form.setKeepOpen(false);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCenter(list, 2));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rowCenter(list, 2));
    ASSERT_GE(poured.size(), 2);
    EXPECT_EQ(poured.last()[0].toString(), QStringLiteral("{2010.写真タイトル}"));
    EXPECT_FALSE(form.isVisible());
}

TEST(AddForm, NothingSelectedAndMissingFile)
{
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("ZBGRPH.LST"), paletteBytes());
    TAddForm form(dir.file("ZBGRPH.LST"));
    EXPECT_TRUE(form.slotChoice()->isHidden());
    EXPECT_EQ(form.tokenText(), QStringLiteral("自由文"));
    EXPECT_EQ(form.chosenSlot(), 0);

    TAddForm empty(dir.file("none.LST"));
    EXPECT_EQ(empty.list()->count(), 0);
    QSignalSpy poured(&empty, &TAddForm::pour);
    empty.pourButton()->click();
    EXPECT_TRUE(poured.isEmpty());
}

TEST(AddForm, ColumnsFollowTheWindowSize)
{
    zbtest::TempDir dir;
    QString text;
    for (int i = 0; i < 40; ++i)
        text += QStringLiteral("%1.項目%2\r\n\r\n\r\n").arg(2000 + i).arg(i);
    zbtest::writeAll(dir.file("ZBGRPH.LST"), sjis::toBytes(text));
    TAddForm form(dir.file("ZBGRPH.LST"));
    form.resize(200, 800);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const int narrow = form.columnCount();
    form.resize(900, 200);
    QTest::qWait(10);
    EXPECT_GE(narrow, 1);
    EXPECT_GT(form.columnCount(), narrow);
}
