// The program's language whatever the computer's locale: Qt's own file
// dialogs show Japanese dates and type names. Its own process, so that the
// system locale is first read here.
#include "app/ui/app_shell.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLocale>
#include <gtest/gtest.h>

using namespace zb;

TEST(JapaneseSystemLocale, DatesAndFolderNamesOfAnEnglishComputer)
{
    qputenv("LC_ALL", "en_US.UTF-8");
    qputenv("LANG", "en_US.UTF-8");
    useJapaneseSystemLocale();
    // What the file dialog's date column uses.
    EXPECT_EQ(QLocale::system().language(), QLocale::Japanese);
    const QString date = QLocale::system().toString(QDateTime(QDate(2026, 12, 11), QTime(9, 5)), QLocale::ShortFormat);
    EXPECT_TRUE(date.startsWith(QStringLiteral("2026/12/11"))) << date.toStdString();
    // Programs started from here see the user's own environment.
    EXPECT_EQ(qgetenv("LC_ALL"), QByteArray("en_US.UTF-8"));
    EXPECT_FALSE(qEnvironmentVariableIsSet("LC_TIME"));

    static int argc = 1;
    static char name[] = "test_japanese_locale";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    EXPECT_EQ(QLocale::system().language(), QLocale::Japanese);
    ASSERT_TRUE(installJapanese(app));
    // The type column of a folder, which Qt's translation lacks.
    QFileIconProvider icons;
    EXPECT_EQ(icons.type(QFileInfo(QDir::tempPath())), QStringLiteral("フォルダー"));
    EXPECT_EQ(missingQtText("QAbstractFileIconProvider", "Drive"), QStringLiteral("ドライブ"));
    EXPECT_EQ(missingQtText("QFileDialog", "Folder"), QString());
}
