#include "core/scripted_ports.h"
#include "store/folders.h"
#include "support/temp_dir.h"

#include <QDir>
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
