#include "core/scripted_ports.h"
#include "store/folders.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zb;

TEST(Folders, SharedModeDecision)
{
    zbtest::TempDir dir;
    const QString shared = dir.file("share");
    QDir().mkpath(shared);
    const QString warnLocal = QStringLiteral("warning: ") + kSharedIsLocal;
    struct Case {
        const char* name;
        QString netDrive;
        int mode;
        std::optional<bool> answer;
        bool shared;
        bool unreachable;
        QStringList boxes;
    };
    const Case cases[] = {
        {"no shared folder", "", 1, {}, false, false, {}},
        {"mode 1, local folder: shared with a warning", shared, 1, {}, true, false, {warnLocal}},
        {"mode 2, answered yes", shared, 2, true, true, false, {"ask: " + kAskSharedMode, warnLocal}},
        {"mode 2, answered no", shared, 2, false, false, false, {"ask: " + kAskSharedMode, warnLocal}},
        {"mode 0: local, still warns", shared, 0, {}, false, false, {warnLocal}},
        {"offline folder", dir.file("offline"), 1, {}, false, true, {"information: " + kSharedBusy}},
    };
    for (const Case& c : cases) {
        ScriptedMessages m;
        if (c.answer)
            m.reply(*c.answer);
        NetworkSettings net;
        net.netDrive = c.netDrive;
        net.netKyoyuMode = c.mode;
        SharedDecision d = decideSharedMode(net, m);
        EXPECT_EQ(d.shared, c.shared) << c.name;
        EXPECT_EQ(d.unreachable, c.unreachable) << c.name;
        EXPECT_EQ(m.boxes(), c.boxes) << c.name;
    }
}

TEST(Folders, EachFolderComesFromTheSharedRootOnlyWithItsSwitch)
{
    zbtest::TempDir dir;
    NetworkSettings net;
    net.netDrive = dir.file("share");
    net.netData = true;
    net.netForm = true;
    Folders f = resolveFolders(dir.file("prog"), net, SharedDecision{true, false}, dir.file("prog"));
    const QString prog = dir.file("prog") + "/";
    const QString share = dir.file("share") + "/";
    EXPECT_EQ(f.dataFile, share + "DATAFILE/");
    EXPECT_EQ(f.mastFile, prog + "MASTFILE/");
    EXPECT_EQ(f.userFile, prog + "USERFILE/");
    EXPECT_EQ(f.templateDir, prog + "TEMPLATE/");
    EXPECT_EQ(f.formFile, share + "FORMFILE/");
    EXPECT_EQ(f.grphFile, share + "GRPHFILE/");
    EXPECT_EQ(f.sysFile, share + "SYSFILE/");
    EXPECT_EQ(f.tempFile, share + "TEMPFILE/");
    EXPECT_EQ(f.localTemp, prog + "TEMPFILE/");
    EXPECT_EQ(f.tempM, prog + "TEMPFILE/TEMP_M/");
    EXPECT_EQ(f.iniDir, prog);

    Folders local = resolveFolders(dir.file("prog"), net, SharedDecision{false, false}, dir.file("prog"));
    EXPECT_EQ(local.dataFile, prog + "DATAFILE/");
    EXPECT_EQ(local.tempFile, prog + "TEMPFILE/");
    ScriptedMessages m;
    EXPECT_TRUE(createFolders(local, m));
    EXPECT_TRUE(QFileInfo(local.tempG).isDir());
    EXPECT_TRUE(QFileInfo(local.sysFile).isDir());
    EXPECT_FALSE(isNetworkFolder(dir.path()));
}

TEST(Folders, AnInstalledProgramFindsItsShippedFilesAndCopiesThemOnce)
{
    // <prefix>/lib/zbwin holds the programs, <prefix>/share/zbwin what ships
    // with them; a program folder of any other name holds its own.
    zbtest::TempDir dir;
    const QString prefix = dir.file("usr");
    for (const char* sub : {"/lib/zbwin", "/share/zbwin/FORMFILE", "/share/zbwin/USERFILE"})
        QDir().mkpath(prefix + sub);
    zbtest::writeAll(prefix + "/share/zbwin/FORMFILE/A4縦3連A.ZBF", "format");
    zbtest::writeAll(prefix + "/share/zbwin/USERFILE/ZBGRPH.LST", "list");
    QFile::setPermissions(prefix + "/share/zbwin/USERFILE/ZBGRPH.LST", QFile::ReadOwner | QFile::ReadOther);
    QDir().mkpath(dir.file("dist"));
    QDir().mkpath(dir.file("bare/lib/zbwin"));
    struct Case {
        QString programDir, shipped;
    } cases[] = {{prefix + "/lib/zbwin", prefix + "/share/zbwin/"},
                 {prefix + "/lib/zbwin/", prefix + "/share/zbwin/"},
                 {dir.file("dist"), dir.file("dist") + "/"},
                 {dir.file("bare/lib/zbwin"), dir.file("bare/lib/zbwin") + "/"}};
    for (const Case& c : cases)
        EXPECT_EQ(shippedFolder(c.programDir), c.shipped) << c.programDir.toStdString();

    const QString user = dir.file("home/zbwin");
    const Folders f = resolveFolders(prefix + "/lib/zbwin", {}, {}, user);
    EXPECT_EQ(f.shippedDir, prefix + "/share/zbwin/");
    ScriptedMessages m;
    ASSERT_TRUE(createFolders(f, m));
    zbtest::writeAll(f.formFile + "A4縦3連A.ZBF", "changed by the user");
    ASSERT_TRUE(copyShippedFiles(f, m));
    EXPECT_EQ(zbtest::readAll(f.formFile + "A4縦3連A.ZBF"), "changed by the user");
    EXPECT_EQ(zbtest::readAll(f.userFile + "ZBGRPH.LST"), "list");
    EXPECT_TRUE(QFile::permissions(f.userFile + "ZBGRPH.LST") & QFile::WriteOwner);
    EXPECT_EQ(m.log, QStringList());

    // Where the data root is the program folder, nothing is copied.
    const Folders dist = resolveFolders(dir.file("dist"), {}, {}, dir.file("dist"));
    EXPECT_TRUE(copyShippedFiles(dist, m));
    EXPECT_EQ(QDir(dir.file("dist")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}
