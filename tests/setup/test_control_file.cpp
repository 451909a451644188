// Reading the control file: keys with their defaults, icons, disks, the file
// list with its destination letters.
#include "setup/control_file.h"

#include <gtest/gtest.h>

using namespace zbsetup;

namespace {

const Destinations kDest{QStringLiteral("/t/ZBWin"), QStringLiteral("/w"), QStringLiteral("/w/sys")};

QList<CopyEntry> parse(const QString& text, QStringList* reports = nullptr, const QString& extraKeys = {})
{
    SetupConfig c = readConfig(extraKeys + text, QStringLiteral("/src"));
    return parseFileList(c, kDest, [&](const QString& m) {
        if (reports)
            reports->append(m);
    });
}

}  // namespace

TEST(SetupControlFile, DefaultsWhenTheFileSaysNothing)
{
    const SetupConfig c = readConfig(QString(), QStringLiteral("/media/cd/"));
    EXPECT_EQ(c.mode, 0);
    EXPECT_EQ(c.back, 0);
    EXPECT_EQ(c.title, QStringLiteral("Windows"));
    EXPECT_EQ(c.winFree, 4096);
    EXPECT_EQ(c.prgFree, 4096);
    EXPECT_FALSE(c.isUpdate());
    EXPECT_EQ(c.modeWord(), QStringLiteral("セットアップ"));
    EXPECT_EQ(c.fddPath, QStringLiteral("/media/cd"));  // the program's own folder
    EXPECT_TRUE(c.orgPath.isEmpty());
    EXPECT_TRUE(c.groupName.isEmpty());
    EXPECT_TRUE(c.icons.isEmpty());
    EXPECT_EQ(c.diskTitle(3), QStringLiteral("保存用ディスク No.3"));
}

TEST(SetupControlFile, KeysAreTrimmedAndMatchWithoutCase)
{
    const SetupConfig c = readConfig(QStringLiteral("[config]\r\n"
                                                    "MODE=1\r\n"
                                                    " Title =  工事写真  \r\n"
                                                    "WinFree=12abc\r\n"
                                                    "prgfree=x\r\n"
                                                    "Update = 1\r\n"
                                                    "Back=2\r\n"
                                                    "[PATH]\r\n"
                                                    "FddPath =   \r\n"
                                                    "OrgPath = ZBWin \r\n"
                                                    "ExePath= bin\r\n"
                                                    "FormPath =  FORMFILE  \r\n"
                                                    "DataPath=DATAFILE\r\n"
                                                    "UserPath=USERFILE\r\n"
                                                    "[Group]\r\n"
                                                    "Title= 工事写真管理 \r\n"
                                                    "Name=zbwin\r\n"
                                                    "[Disk2]\r\n"
                                                    "Title = 第２ディスク\r\n"),
                                     QStringLiteral("/cd"));
    EXPECT_EQ(c.mode, 1);
    EXPECT_EQ(c.back, 2);
    EXPECT_EQ(c.title, QStringLiteral("工事写真"));
    EXPECT_EQ(c.winFree, 12);  // the leading integer
    EXPECT_EQ(c.prgFree, 0);   // none
    EXPECT_TRUE(c.isUpdate());
    EXPECT_EQ(c.modeWord(), QStringLiteral("アップデート"));
    EXPECT_EQ(c.fddPath, QStringLiteral("/cd"));  // an empty value keeps the default
    EXPECT_EQ(c.orgPath, QStringLiteral("ZBWin"));
    EXPECT_EQ(c.exePath, QStringLiteral("bin"));
    EXPECT_EQ(c.formPath, QStringLiteral("FORMFILE"));
    EXPECT_EQ(c.dataPath, QStringLiteral("DATAFILE"));
    EXPECT_EQ(c.userPath, QStringLiteral("USERFILE"));
    EXPECT_EQ(c.groupTitle, QStringLiteral("工事写真管理"));
    EXPECT_EQ(c.groupName, QStringLiteral("zbwin"));
    EXPECT_EQ(c.diskTitle(2), QStringLiteral("第２ディスク"));
    EXPECT_EQ(c.diskTitle(1), QStringLiteral("保存用ディスク No.1"));
}

TEST(SetupControlFile, IconsUpToTwentyWithoutEmptyTitles)
{
    QString text;
    for (int n = 1; n <= 25; ++n)
        text += QStringLiteral("[Icon%1]\nTitle=%2\nCmdLine=bin\\prog%1\nRunPath=x\n").arg(n).arg(n == 3 ? QString() : QStringLiteral("アイコン%1").arg(n));
    const SetupConfig c = readConfig(text, QStringLiteral("/cd"));
    ASSERT_EQ(c.icons.size(), 19);  // 1..20 read, the empty third skipped
    EXPECT_EQ(c.icons[0].title, QStringLiteral("アイコン1"));
    EXPECT_EQ(c.icons[2].title, QStringLiteral("アイコン4"));
    EXPECT_EQ(c.icons[2].cmdLine, QStringLiteral("bin/prog4"));
    EXPECT_EQ(c.icons.last().title, QStringLiteral("アイコン20"));
}

TEST(SetupControlFile, ControlFileBesideTheProgram)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/media/cd/Setup", "/media/cd/Setup.Inf"},
        {"/media/cd/SETUP.EXE", "/media/cd/SETUP.Inf"},
        {"/a.b/Setup1", "/a.b/Setup1.Inf"},
        {"/x/.hidden", "/x/.hidden.Inf"},
    };
    for (const auto& [program, control] : cases)
        EXPECT_EQ(controlFilePath(QString::fromUtf8(program)), QString::fromUtf8(control)) << program;
}

TEST(SetupControlFile, ShiftJisAndUtf8BothRead)
{
    const QByteArray sjis("[Config]\r\nTitle=\x8D\x48\x8E\x96\r\n");  // 工事
    EXPECT_EQ(readConfig(decodeControlText(sjis), QStringLiteral("/")).title, QStringLiteral("工事"));
    const QByteArray utf8 = QStringLiteral("[Config]\nTitle=工事\n").toUtf8();
    EXPECT_EQ(readConfig(decodeControlText(utf8), QStringLiteral("/")).title, QStringLiteral("工事"));
    EXPECT_EQ(readConfig(decodeControlText("\xEF\xBB\xBF" + utf8), QStringLiteral("/")).title, QStringLiteral("工事"));
    EXPECT_EQ(decodeControlText("C:\\\x95\\"), QStringLiteral("C:\\表"));  // 0x5C stays a backslash
}

TEST(SetupControlFile, DestinationLetters)
{
    const QString keys = QStringLiteral("[Path]\nExePath=bin\nDataPath=DATAFILE\nFormPath=FORMFILE\nUserPath=USERFILE\n");
    const QList<CopyEntry> e = parse(QStringLiteral("[DISK1]\n"
                                                    "D a.db a.db\n"
                                                    "e ZBWIN zbwin\n"
                                                    "X upd.dll upd.dll\n"
                                                    "Z must.dll must.dll\n"
                                                    "F f.zbf f.zbf\n"
                                                    "O readme.txt  readme.txt  \n"
                                                    "S sys.dll sys.dll\n"
                                                    "U u.lst u.lst\n"
                                                    "W w.ini w.ini\n"),
                                     nullptr, keys);
    ASSERT_EQ(e.size(), 9);
    const std::pair<char, const char*> folders[] = {
        {'D', "/t/ZBWin/DATAFILE"}, {'E', "/t/ZBWin/bin"}, {'X', "/t/ZBWin/bin"},
        {'Z', "/t/ZBWin/bin"},      {'F', "/t/ZBWin/FORMFILE"}, {'O', "/t/ZBWin"},
        {'S', "/w/sys"},            {'U', "/t/ZBWin/USERFILE"}, {'W', "/w"},
    };
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(e[i].letter, QLatin1Char(folders[i].first));
        EXPECT_EQ(e[i].destFolder, QString::fromUtf8(folders[i].second)) << folders[i].first;
        EXPECT_EQ(e[i].disk, 1);
    }
    EXPECT_EQ(e[1].source, QStringLiteral("ZBWIN"));
    EXPECT_EQ(e[1].dest, QStringLiteral("zbwin"));
    EXPECT_EQ(e[5].dest, QStringLiteral("readme.txt"));  // the destination name is trimmed
}

TEST(SetupControlFile, LinesThatAreNotFileLines)
{
    QStringList reports;
    const QList<CopyEntry> e = parse(QStringLiteral("E before.exe before.exe\n"  // before any disk section
                                                    "[Disk1]\n"
                                                    "Title=Disk one\n"           // the Title key line
                                                    "E nodest\n"                 // no blank between the names
                                                    "E  \n"
                                                    "Ea b c\n"                   // second character not a blank
                                                    "E one.exe one.exe\n"
                                                    "[Config]\n"
                                                    "E cfg.exe cfg.exe\n"        // outside a disk section
                                                    "[disk2]\n"
                                                    "[DISK3]\n"
                                                    "o three.txt three.txt\n"),
                                     &reports);
    EXPECT_TRUE(reports.isEmpty());
    ASSERT_EQ(e.size(), 2);
    EXPECT_EQ(e[0].source, QStringLiteral("one.exe"));
    EXPECT_EQ(e[0].disk, 1);
    EXPECT_EQ(e[1].source, QStringLiteral("three.txt"));
    EXPECT_EQ(e[1].letter, QLatin1Char('O'));
    EXPECT_EQ(e[1].disk, 3);
}

TEST(SetupControlFile, BadLettersAndNamesLeavingTheFolderAreReportedAndSkipped)
{
    QStringList reports;
    const QList<CopyEntry> e = parse(QStringLiteral("[DISK2]\n"
                                                    "Q a.txt a.txt\n"
                                                    "E ok.txt ok.txt\n"
                                                    "E a.txt ../../etc/passwd\n"
                                                    "O a.txt /etc/passwd\n"
                                                    "W ../a.txt a.txt\n"
                                                    "U a.txt sub\\inner.txt\n"),
                                     &reports);
    EXPECT_EQ(reports, QStringList({
                           QStringLiteral("不正なフォーマットが有ります。Setup.inf [disk2] -> Q"),
                           QStringLiteral("不正なフォーマットが有ります。Setup.inf [disk2] -> E a.txt ../../etc/passwd"),
                           QStringLiteral("不正なフォーマットが有ります。Setup.inf [disk2] -> O a.txt /etc/passwd"),
                           QStringLiteral("不正なフォーマットが有ります。Setup.inf [disk2] -> W ../a.txt a.txt"),
                       }));
    ASSERT_EQ(e.size(), 2);
    EXPECT_EQ(e[0].dest, QStringLiteral("ok.txt"));
    EXPECT_EQ(e[1].destPath(), QStringLiteral("/t/ZBWin/sub/inner.txt"));
}

TEST(SetupControlFile, DiskSectionWithoutFiles)
{
    QStringList reports;
    EXPECT_TRUE(parse(QStringLiteral("[DISK1]\nTitle=empty\n\n[DISK2]\n"), &reports).isEmpty());
    EXPECT_TRUE(reports.isEmpty());
}
