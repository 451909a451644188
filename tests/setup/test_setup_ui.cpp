// The setup windows driven as a user would, on the offscreen platform.
#include "setup/backdrop.h"
#include "setup/ui/setup_dialogs.h"
#include "setup_fixtures.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace zbsetup;
using namespace setuptest;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_setup_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// Clicks the button of the next message box and records its text.
void answerNextBox(QMessageBox::StandardButton button, QStringList* seen)
{
    QTimer::singleShot(0, [button, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            answerNextBox(button, seen);  // not shown yet
            return;
        }
        seen->append(box->text());
        QStringList captions;
        for (QAbstractButton* b : box->buttons())
            captions << b->text();
        captions.sort();
        seen->append(captions.join(QLatin1Char('|')));
        box->button(button)->click();
    });
}

}  // namespace

TEST(SetupUi, MainDialogInstallsAndCloses)
{
    app();
    zbtest::TempDir tmp;
    FakePlatform platform(tmp.path());
    const QString cd = tmp.path() + QStringLiteral("/cd");
    writeFile(cd + QStringLiteral("/readme.txt"), "hello");
    const SetupConfig config = readConfig(
        QStringLiteral("[Config]\nTitle=工事写真\n[Path]\nOrgPath=ZBWin\n[Disk1]\nO readme.txt readme.txt\n"), cd);
    SetupController c(config, cd, platform);
    QSignalSpy finished(&c, &SetupController::finished);
    c.start();

    MainDialog* d = c.mainDialog();
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(c.backdrop()->isVisible());
    EXPECT_EQ(d->windowTitle(), QStringLiteral("工事写真 ") + cd);
    EXPECT_TRUE(d->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(d->folderEdit()->text(), tmp.path() + QStringLiteral("/opt/ZBWin"));
    EXPECT_EQ(d->backButton()->text(), QStringLiteral("< 戻る"));
    EXPECT_FALSE(d->backButton()->isEnabled());
    EXPECT_EQ(d->runButton()->text(), QStringLiteral("実行"));
    EXPECT_EQ(d->cancelButton()->text(), QStringLiteral("ｷｬﾝｾﾙ"));
    EXPECT_EQ(d->browseButton()->text(), QStringLiteral("参照..."));
    QStringList labels;
    for (QLabel* l : d->findChildren<QLabel*>())
        labels << l->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("インストールするドライブとディレクトリを指定してください。")));
    EXPECT_TRUE(labels.contains(QStringLiteral("＜ｷｬﾝｾﾙ＞を選択するとセットアップを中止します。")));

    QTest::mouseClick(d->runButton(), Qt::LeftButton);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(readFile(tmp.path() + QStringLiteral("/opt/ZBWin/readme.txt")), QByteArray("hello"));
    EXPECT_EQ(c.progressDialog()->bar()->value(), 2);
    EXPECT_EQ(c.progressDialog()->sourceLabel()->text(), QStringLiteral("インストール元: ") + cd + QStringLiteral("/readme.txt"));
    EXPECT_EQ(c.progressDialog()->targetLabel()->text(),
              QStringLiteral("インストール先: ") + tmp.path() + QStringLiteral("/opt/ZBWin/readme.txt"));
    ASSERT_TRUE(c.closingDialog()->isVisible());
    EXPECT_EQ(c.closingDialog()->windowTitle(), QStringLiteral("工事写真"));
    EXPECT_EQ(c.closingDialog()->textLabel()->text(), QStringLiteral("セットアップが終了しました。"));
    EXPECT_EQ(c.closingDialog()->okButton()->text(), QStringLiteral("了解"));
    QTest::mouseClick(c.closingDialog()->okButton(), Qt::LeftButton);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toInt(), 0);
}

TEST(SetupUi, RefusedUpdateShowsTheDialogAgainAndCancelAsks)
{
    app();
    zbtest::TempDir tmp;
    FakePlatform platform(tmp.path());
    const SetupConfig config = readConfig(QStringLiteral("[Config]\nUpdate=1\n[Path]\nOrgPath=ZBWin\n"), tmp.path());
    SetupController c(config, tmp.path(), platform);
    QSignalSpy finished(&c, &SetupController::finished);
    c.start();
    QStringList seen;

    answerNextBox(QMessageBox::Ok, &seen);
    QTest::mouseClick(c.mainDialog()->runButton(), Qt::LeftButton);
    EXPECT_EQ(seen, QStringList({QStringLiteral("ドライブかディレクトリが間違っています。"), QStringLiteral("OK")}));
    EXPECT_TRUE(c.mainDialog()->isVisible());

    answerNextBox(QMessageBox::No, &seen);
    QTest::mouseClick(c.mainDialog()->cancelButton(), Qt::LeftButton);
    EXPECT_EQ(seen.mid(2), QStringList({QStringLiteral("アップデートを中止しますか？"), QStringLiteral("いいえ(&N)|はい(&Y)")}));
    EXPECT_TRUE(c.mainDialog()->isVisible());
    EXPECT_TRUE(finished.isEmpty());

    answerNextBox(QMessageBox::Yes, &seen);
    QTest::keyClick(c.mainDialog(), Qt::Key_Escape);  // ESC asks like the button
    EXPECT_EQ(seen.size(), 6);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished[0][0].toInt(), 1);
}

TEST(SetupUi, BrowseDialogReturnsTheSelectedFolder)
{
    app();
    zbtest::TempDir tmp;
    QDir().mkpath(tmp.path() + QStringLiteral("/a/b"));
    BrowseDialog d(tmp.path() + QStringLiteral("/a/b/not-yet"));
    EXPECT_EQ(d.windowTitle(), QStringLiteral("ドライブの参照"));
    EXPECT_EQ(d.setButton()->text(), QStringLiteral("設定(&S)"));
    EXPECT_EQ(d.pathPanel()->text(), tmp.path() + QStringLiteral("/a/b"));  // the nearest existing folder
    EXPECT_EQ(d.selectedPath(), tmp.path() + QStringLiteral("/a/b"));
    QPushButton* cancel = nullptr;
    for (QPushButton* b : d.findChildren<QPushButton*>())
        if (b->text() == QStringLiteral("ｷｬﾝｾﾙ(&C)"))
            cancel = b;
    ASSERT_NE(cancel, nullptr);

    // Cancel gives nothing; Set gives the folder.
    QTimer::singleShot(0, [] {
        auto* b = qobject_cast<BrowseDialog*>(QApplication::activeModalWidget());
        for (QPushButton* p : b->findChildren<QPushButton*>())
            if (p->text() == QStringLiteral("ｷｬﾝｾﾙ(&C)"))
                p->click();
    });
    EXPECT_FALSE(BrowseDialog::choose(tmp.path()).has_value());
    QTimer::singleShot(0, [] { qobject_cast<BrowseDialog*>(QApplication::activeModalWidget())->setButton()->click(); });
    EXPECT_EQ(BrowseDialog::choose(tmp.path() + QStringLiteral("/a")), std::optional<QString>(tmp.path() + QStringLiteral("/a")));
}

TEST(SetupUi, BackdropRamps)
{
    app();
    const QSize size(800, 600);
    QImage bands(size, QImage::Format_RGB32), rects(size, QImage::Format_RGB32);
    {
        QPainter p(&bands);
        paintBackdrop(p, size, true, backdropTitle(QStringLiteral("工事写真"), false));
    }
    {
        QPainter p(&rects);
        paintBackdrop(p, size, false, backdropTitle(QStringLiteral("工事写真"), true));
    }
    // Bands: brightest at the top, darker downwards, black below the last band.
    EXPECT_EQ(QColor(bands.pixel(400, 590 - 40)).red(), 0);
    EXPECT_GT(QColor(bands.pixel(700, 200)).blue(), QColor(bands.pixel(700, 400)).blue());
    EXPECT_EQ(QColor(bands.pixel(5, 599)), QColor(Qt::black));
    // Rectangles: dark at the bottom-right corner, bright near the top-left.
    EXPECT_EQ(QColor(rects.pixel(799, 599)), QColor(Qt::black));
    EXPECT_GT(QColor(rects.pixel(1, 1)).blue(), 190);
    // The title is drawn in white at the top-left; the copyright line in aqua at the bottom-right.
    bool white = false, aqua = false;
    for (int y = 20; y < 140 && !white; ++y)
        for (int x = 20; x < 560 && !white; ++x)
            white = bands.pixel(x, y) == qRgb(255, 255, 255);
    for (int y = 480; y < 580 && !aqua; ++y)
        for (int x = 400; x < 780 && !aqua; ++x)
            aqua = rects.pixel(x, y) == qRgb(0, 255, 255);
    EXPECT_TRUE(white);
    EXPECT_TRUE(aqua);
    EXPECT_EQ(backdropTitle(QStringLiteral("X"), true), QStringLiteral("X Update"));
    // The fitted sizes reach their share of the width.
    const int s = fittingSize(QStringLiteral("工事写真 Setup"), 800, 0.70);
    EXPECT_GE(QFontMetrics(backdropFont(s)).horizontalAdvance(QStringLiteral("工事写真 Setup")), 560);
    EXPECT_EQ(fittingSize(QStringLiteral("x"), 100000, 0.70), 100);
}
