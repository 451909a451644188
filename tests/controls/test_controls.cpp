// The control library driven as a user would, on the offscreen platform.
#include "controls/accent.h"
#include "controls/dialog_messages.h"
#include "controls/input_box.h"
#include "controls/message_dialog.h"
#include "controls/no_msg_dlg.h"
#include "controls/progress_bar.h"
#include "core/scripted_ports.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_controls";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// Runs `act` on the next modal dialog once it shows.
void whenModal(std::function<void(QWidget*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        }
    });
    timer->start();
}

QPushButton* buttonWithText(QWidget* w, const QString& text)
{
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

void clickButton(QWidget* w, const QString& text)
{
    QPushButton* b = buttonWithText(w, text);
    ASSERT_NE(b, nullptr) << text.toStdString();
    QTest::mouseClick(b, Qt::LeftButton);
}

class Controls : public ::testing::Test {
protected:
    void SetUp() override { app(); }
};

}  // namespace

TEST_F(Controls, AccentColourIsTheButtonFaceLoweredBy20)
{
    EXPECT_EQ(accentColor(QColor(240, 240, 240)), QColor(220, 220, 220));
    EXPECT_EQ(accentColor(QColor(10, 30, 255)), QColor(0, 10, 235));
    EXPECT_EQ(accentColor(QColor(0, 0, 0)), QColor(0, 0, 0));
}

TEST_F(Controls, WindowsFontNamesMapToTheInstalledJapaneseFonts)
{
    installFontSubstitutions();
    struct Case {
        QString asked, family;
    } cases[] = {{kUiFont, "IPAPGothic"}, {kGothicFont, "IPAGothic"}, {kMinchoFont, "IPAMincho"}};
    for (const Case& c : cases)
        EXPECT_EQ(QFontInfo(QFont(c.asked)).family(), c.family) << c.asked.toStdString();
}

TEST_F(Controls, MessageDialogButtonsAndAnswers)
{
    struct Case {
        TMessageDlg::Kind kind;
        QStringList buttons;
        QString click;  // empty: press ESC
        TMessageDlg::Result result;
    } cases[] = {
        {TMessageDlg::Kind::Information, {kOkCaption}, kOkCaption, TMessageDlg::Ok},
        {TMessageDlg::Kind::Information, {kOkCaption}, {}, TMessageDlg::Ok},
        {TMessageDlg::Kind::Confirm, {kYesCaption, kCancelCaption}, kYesCaption, TMessageDlg::Yes},
        {TMessageDlg::Kind::Confirm, {kYesCaption, kCancelCaption}, {}, TMessageDlg::Cancel},
        {TMessageDlg::Kind::Ask, {kYesCaption, kNoCaption}, kNoCaption, TMessageDlg::No},
        {TMessageDlg::Kind::Ask, {kYesCaption, kNoCaption}, {}, TMessageDlg::No},
        {TMessageDlg::Kind::AskThree, {kYesCaption, kNoCaption, kCancelCaption}, kCancelCaption, TMessageDlg::Cancel},
        {TMessageDlg::Kind::AskThree, {kYesCaption, kNoCaption, kCancelCaption}, kNoCaption, TMessageDlg::No},
    };
    for (const Case& c : cases) {
        QStringList seen;
        QString text;
        QColor background;
        whenModal([&](QWidget* w) {
            for (QPushButton* b : w->findChildren<QPushButton*>())
                seen << b->text();
            text = w->findChild<QLabel*>("Label_Text")->text();
            background = w->palette().color(QPalette::Window);
            if (c.click.isEmpty())
                QTest::keyClick(w, Qt::Key_Escape);
            else
                clickButton(w, c.click);
        });
        EXPECT_EQ(TMessageDlg::show(c.kind, QStringLiteral("一行目\r\n二行目")), c.result);
        EXPECT_EQ(seen, c.buttons);
        EXPECT_EQ(text, QStringLiteral("一行目\n二行目"));
        EXPECT_EQ(background, dialogAccentColor());
    }
}

// The plain letters of the buttons answer, as the captions' accelerators say;
// a letter without its button does nothing; Enter takes the default button.
TEST_F(Controls, MessageDialogAnswersTheLettersOfItsButtons)
{
    using K = TMessageDlg::Kind;
    struct Case {
        K kind;
        QList<Qt::Key> keys;
        TMessageDlg::Result result;
    } cases[] = {
        {K::Ask, {Qt::Key_Y}, TMessageDlg::Yes},
        {K::Ask, {Qt::Key_N}, TMessageDlg::No},
        {K::Ask, {Qt::Key_C, Qt::Key_Return}, TMessageDlg::Yes},
        {K::Confirm, {Qt::Key_C}, TMessageDlg::Cancel},
        {K::Confirm, {Qt::Key_N, Qt::Key_Y}, TMessageDlg::Yes},
        {K::AskThree, {Qt::Key_N}, TMessageDlg::No},
        {K::AskThree, {Qt::Key_C}, TMessageDlg::Cancel},
        {K::AskThree, {Qt::Key_Y}, TMessageDlg::Yes},
        {K::AskThree, {Qt::Key_Enter}, TMessageDlg::Yes},
        {K::Information, {Qt::Key_Y, Qt::Key_Return}, TMessageDlg::Ok},
    };
    for (const Case& c : cases) {
        whenModal([&](QWidget* w) {
            for (Qt::Key k : c.keys) {
                QWidget* focus = QApplication::focusWidget();
                QTest::keyClick(focus && w->isAncestorOf(focus) ? focus : w, k);
            }
        });
        EXPECT_EQ(TMessageDlg::show(c.kind, QStringLiteral("質問")), c.result) << int(c.kind) << " " << c.keys.first();
    }
    EXPECT_EQ(kYesCaption, QStringLiteral("はい(&Y)"));
    EXPECT_EQ(kNoCaption, QStringLiteral("いいえ(&N)"));
    EXPECT_EQ(kCancelCaption, QStringLiteral("キャンセル(&C)"));
}

TEST_F(Controls, DialogMessagesAnswerQuestionsAndReportStatus)
{
    DialogMessages m;
    QStringList status;
    m.setStatusSink([&](const QString& s) { status << s; });

    whenModal([](QWidget* w) { clickButton(w, kYesCaption); });
    EXPECT_TRUE(m.confirm(QStringLiteral("よろしいですか？")));
    whenModal([](QWidget* w) { clickButton(w, kNoCaption); });
    EXPECT_FALSE(m.ask(QStringLiteral("よろしいですか？")));
    whenModal([](QWidget* w) { clickButton(w, kCancelCaption); });
    EXPECT_EQ(m.askThree(QStringLiteral("保存しますか？")), Messages::Answer::Cancel);

    QString warningText;
    whenModal([&](QWidget* w) {
        warningText = static_cast<QMessageBox*>(w)->text();
        clickButton(w, kCancelCaption);
    });
    EXPECT_FALSE(m.warningOkCancel(QStringLiteral("警告です\r\n続けますか")));
    EXPECT_EQ(warningText, QStringLiteral("警告です\n続けますか"));

    QPoint where;
    whenModal([&](QWidget* w) {
        where = w->pos();
        clickButton(w, kOkCaption);
    });
    m.errorAt(QStringLiteral("指定のプロセスは実行出来ませんでした。Er=2"), QPoint(50, 50));
    EXPECT_EQ(where, QPoint(50, 50));

    m.status(QStringLiteral(" 3件"));
    EXPECT_EQ(status, QStringList{QStringLiteral(" 3件")});
}

TEST_F(Controls, InputBoxTakesOneLineOfAtMost255Characters)
{
    whenModal([](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>("Edit_Input");
        edit->selectAll();
        QTest::keyClicks(edit, QString(300, QLatin1Char('a')));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    const auto text = TInputBox::ask(QStringLiteral("工事名の変更"), QStringLiteral("新しい工事名:"), QStringLiteral("旧"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(text->size(), 255);

    whenModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_FALSE(TInputBox::ask(QStringLiteral("工事名の変更"), QStringLiteral("新しい工事名:"), QStringLiteral("旧")));

    whenModal([](QWidget* w) { clickButton(w, kOkCaption); });
    EXPECT_EQ(TInputBox::ask(QStringLiteral("工事名の変更"), QStringLiteral("新しい工事名:"), QStringLiteral("旧名")),
              QStringLiteral("旧名"));
}

TEST_F(Controls, QuietNoticeCanBeSilenced)
{
    TNoMsgDlg dlg(QStringLiteral("NoMsgDlg_Test"), QStringLiteral("短い文"), QStringLiteral("長い説明\r\n二行目"));
    QString shown;
    whenModal([&](QWidget* w) {
        shown = static_cast<TNoMsgForm*>(w)->textLabel()->text();
        clickButton(w, kOkCaption);
    });
    EXPECT_TRUE(dlg.execute());
    EXPECT_EQ(shown, QStringLiteral("長い説明\n二行目"));

    whenModal([](QWidget* w) {
        QTest::mouseClick(static_cast<TNoMsgForm*>(w)->silenceBox(), Qt::LeftButton,
                          {}, QPoint(5, static_cast<TNoMsgForm*>(w)->silenceBox()->height() / 2));
        clickButton(w, kOkCaption);
    });
    EXPECT_TRUE(dlg.execute());
    EXPECT_TRUE(dlg.silenced());
    EXPECT_FALSE(dlg.execute());  // quiet from now on
    EXPECT_FALSE(TNoMsgDlg::isSilenced(QStringLiteral("NoMsgDlg_Other")));
    TNoMsgDlg::setSilenced(QStringLiteral("NoMsgDlg_Test"), false);
}

// A notice raised through the Messages port shows the longer text of the
// window's notice of that key, and its box silences it for the rest of the run.
TEST_F(Controls, NoticeThroughThePortShowsTheOwnersLongerText)
{
    const QString key = QStringLiteral("NoMsgDlg_PortTest");
    DialogMessages messages;
    QString shown, box;
    auto look = [&](QWidget* w) {
        auto* form = static_cast<TNoMsgForm*>(w);
        shown = form->textLabel()->text();
        box = form->silenceBox()->text();
    };
    // Nobody owns the key: the text given is shown.
    whenModal([&](QWidget* w) {
        look(w);
        clickButton(w, kOkCaption);
    });
    messages.notice(key, QStringLiteral("短い文"));
    EXPECT_EQ(shown, QStringLiteral("短い文"));
    EXPECT_EQ(box, QStringLiteral("今回作業中このメッセージを表示しない"));

    {
        QObject owner;
        new TNoMsgDlg(key, QStringLiteral("短い文"), QStringLiteral("長い説明\r\n二行目"), &owner);
        whenModal([&](QWidget* w) {
            look(w);
            QCheckBox* silence = static_cast<TNoMsgForm*>(w)->silenceBox();
            QTest::mouseClick(silence, Qt::LeftButton, {}, QPoint(5, silence->height() / 2));
            clickButton(w, kOkCaption);
        });
        messages.notice(key, QStringLiteral("短い文"));
        EXPECT_EQ(shown, QStringLiteral("長い説明\n二行目"));
        EXPECT_TRUE(TNoMsgDlg::isSilenced(key));
        shown.clear();
        messages.notice(key, QStringLiteral("短い文"));  // quiet now: no window
        QCoreApplication::processEvents();
        EXPECT_TRUE(shown.isEmpty());
        TNoMsgDlg::setSilenced(key, false);
    }
    EXPECT_EQ(TNoMsgDlg::find(key), nullptr);  // gone with its owner
}

TEST_F(Controls, ProgressBarLiesOverPanelZeroAndAsksOnEscape)
{
    QStatusBar status;
    auto* panel0 = new QLabel(QStringLiteral(" 前の文"));
    panel0->setFixedWidth(300);
    status.addWidget(panel0);
    status.resize(800, 30);
    status.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&status));

    ScriptedMessages m;
    bool hintCleared = false;
    BarProgress p(panel0, m, [&] { hintCleared = true; });

    p.start(0);  // nothing to do: no bar
    EXPECT_FALSE(p.bar()->isVisible());
    EXPECT_TRUE(p.step());

    p.start(10);
    EXPECT_TRUE(hintCleared);
    EXPECT_TRUE(p.bar()->isVisible());
    EXPECT_EQ(p.bar()->geometry(), panel0->geometry().adjusted(4, 4, -4, -4));
    EXPECT_EQ(p.bar()->minimum(), 1);
    EXPECT_EQ(p.bar()->maximum(), 10);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_TRUE(p.step());
    EXPECT_EQ(p.bar()->value(), 2);
    EXPECT_TRUE(m.log.isEmpty());

    // ESC, answered no: the loop goes on.
    m.reply(false);
    QCoreApplication::postEvent(panel0, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_TRUE(p.step());
    EXPECT_EQ(m.log, QStringList{QStringLiteral("ask: [ESC]キーが押されました 処理を中止しますか？")});

    // Another key is dropped without a question; a click does not reach its target.
    bool clicked = false;
    QPushButton button(QStringLiteral("押す"));
    QObject::connect(&button, &QPushButton::clicked, [&] { clicked = true; });
    button.show();
    QCoreApplication::postEvent(panel0, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
    QCoreApplication::postEvent(&button, new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5),
                                                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(&button, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5),
                                                         Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    EXPECT_TRUE(p.step());
    EXPECT_FALSE(clicked);
    EXPECT_EQ(m.log.size(), 1);

    // ESC, answered yes: stop.
    m.reply(true);
    QCoreApplication::postEvent(panel0, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_FALSE(p.step());

    p.end();
    EXPECT_FALSE(p.bar()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
