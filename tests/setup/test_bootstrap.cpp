// Bootstrap mode: the program and its control file copied into the Windows
// stand-in, the copy set to install from the original folder.
#include "setup/setup_run.h"
#include "setup_fixtures.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zbsetup;
using namespace setuptest;

TEST(SetupBootstrap, ProfileValuesAreSetInPlace)
{
    const QString text = QStringLiteral("[Config]\r\nMode=1\r\nTitle=X\r\n\r\n[DISK1]\r\nE a a\r\n");
    EXPECT_EQ(withProfileValue(text, QStringLiteral("config"), QStringLiteral("MODE"), QStringLiteral("0")),
              QStringLiteral("[Config]\r\nMODE=0\r\nTitle=X\r\n\r\n[DISK1]\r\nE a a\r\n"));
    // A missing key goes after the section's last key, a missing section at the end.
    EXPECT_EQ(withProfileValue(text, QStringLiteral("Config"), QStringLiteral("Back"), QStringLiteral("1")),
              QStringLiteral("[Config]\r\nMode=1\r\nTitle=X\r\nBack=1\r\n\r\n[DISK1]\r\nE a a\r\n"));
    EXPECT_EQ(withProfileValue(text, QStringLiteral("Path"), QStringLiteral("FddPath"), QStringLiteral("/cd")),
              text + QStringLiteral("[Path]\r\nFddPath=/cd\r\n"));
    EXPECT_EQ(withProfileValue(QString(), QStringLiteral("Path"), QStringLiteral("FddPath"), QStringLiteral("/cd")),
              QStringLiteral("[Path]\r\nFddPath=/cd\r\n"));
}

TEST(SetupBootstrap, CopiesProgramAndControlFile)
{
    zbtest::TempDir tmp;
    FakePlatform platform(tmp.path());
    const QString program = tmp.file(QStringLiteral("cd/Setup"));
    writeFile(program, "setup program");
    const SetupConfig config = readConfig(
        QStringLiteral("[Config]\nMode=1\n[Path]\nFddPath=/elsewhere\nOrgPath=ZBWin\n[DISK1]\nE a a\n"), tmp.file("cd"));
    ScriptedSetupPort port;
    const QString copy = bootstrapCopy(program, config, platform, port);
    EXPECT_EQ(copy, platform.windowsDir + QStringLiteral("/Setup1"));
    EXPECT_TRUE(port.log.isEmpty());
    EXPECT_EQ(readFile(copy), QByteArray("setup program"));
    const SetupConfig again = readConfig(decodeControlText(readFile(platform.windowsDir + QStringLiteral("/Setup1.Inf"))),
                                         platform.windowsDir);
    EXPECT_EQ(again.mode, 0);
    EXPECT_EQ(again.fddPath, tmp.file(QStringLiteral("cd")));
    EXPECT_EQ(again.orgPath, QStringLiteral("ZBWin"));

    // A second run replaces the copies.
    writeFile(program, "newer setup");
    EXPECT_EQ(bootstrapCopy(program, config, platform, port), copy);
    EXPECT_EQ(readFile(copy), QByteArray("newer setup"));

    // The Windows stand-in cannot be made.
    FakePlatform blocked(tmp.path());
    writeFile(tmp.file(QStringLiteral("block")), "file");
    blocked.windowsDir = tmp.file(QStringLiteral("block/win"));
    SetupConfig update = config;
    update.update = 1;
    EXPECT_TRUE(bootstrapCopy(program, update, blocked, port).isEmpty());
    EXPECT_EQ(port.log, QStringList({QStringLiteral("error: アップデートファイルの複写に失敗しました。")}));
}
