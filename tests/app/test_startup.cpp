#include "app/startup.h"
#include "core/scripted_ports.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace zb;

namespace {

struct Program {
    zbtest::TempDir dir;
    QString programDir() const { return dir.path() + "/prog"; }
    QString shared() const { return dir.path() + "/share"; }
    Program()
    {
        QDir().mkpath(programDir());
        QDir().mkpath(shared());
    }
    void writeIni(const QByteArray& network)
    {
        zbtest::writeAll(programDir() + "/ZB.INI", "[Network]\r\n" + network);
    }
};

}  // namespace

TEST(Startup, FirstStartWithoutSettingsRunsLocallyAndCreatesTheFolders)
{
    Program p;
    ScriptedMessages m;
    const StartFolders s = prepareFolders(p.programDir(), m);
    EXPECT_TRUE(m.log.isEmpty()) << m.log.join("\n").toStdString();
    EXPECT_FALSE(s.folders.shared);
    EXPECT_EQ(s.folders.dataFile, p.programDir() + "/DATAFILE/");
    for (const QString& d : {s.folders.dataFile, s.folders.mastFile, s.folders.userFile, s.folders.templateDir,
                             s.folders.formFile, s.folders.grphFile, s.folders.tempM, s.folders.tempG})
        EXPECT_TRUE(QDir(d).exists()) << d.toStdString();
    EXPECT_FALSE(QFile::exists(p.programDir() + "/ZB.INI"));
}

TEST(Startup, SharedModeDecision)
{
    const QString warn = QStringLiteral("warning: ") + kSharedIsLocal;
    const QString question = QStringLiteral("ask: ") + kAskSharedMode;
    struct Case {
        const char* what;
        const char* mode;
        bool shareExists;
        std::optional<bool> answer;
        bool shared;
        QStringList boxes;
    } cases[] = {
        // The test's shared folder is on a local disk, so every start that
        // reaches it warns.
        {"mode 1: shared without asking", "1", true, {}, true, {warn}},
        {"mode 2, answered yes", "2", true, true, true, {question, warn}},
        {"mode 2, answered no: local folders", "2", true, false, false, {question, warn}},
        {"mode 0: local", "0", true, {}, false, {warn}},
        {"folder offline: local, said once", "1", false, {}, false,
         {QStringLiteral("information: ") + kSharedBusy}},
    };
    for (const Case& c : cases) {
        Program p;
        const QString share = c.shareExists ? p.shared() : p.dir.path() + "/offline";
        p.writeIni("NetDrive=" + share.toUtf8() + "\r\nNetKyoyuMode=" + c.mode + "\r\nNetMast=0\r\n");
        ScriptedMessages m;
        if (c.answer)
            m.reply(*c.answer);
        const StartFolders s = prepareFolders(p.programDir(), m);
        EXPECT_EQ(m.boxes(), c.boxes) << c.what;
        EXPECT_EQ(s.folders.shared, c.shared) << c.what;
        EXPECT_EQ(s.folders.sharedUnreachable, !c.shareExists) << c.what;
        const QString dataRoot = c.shared ? p.shared() : p.programDir();
        EXPECT_EQ(s.folders.dataFile, dataRoot + "/DATAFILE/") << c.what;
        // NetMast=0: masters stay local even in shared mode.
        EXPECT_EQ(s.folders.mastFile, p.programDir() + "/MASTFILE/") << c.what;
    }
}

TEST(Startup, ColourDepthAndResourceChecks)
{
    ScriptedMessages m;
    EXPECT_TRUE(colourDepthOk(16, m));
    EXPECT_TRUE(colourDepthOk(24, m));
    EXPECT_TRUE(m.log.isEmpty());
    EXPECT_FALSE(colourDepthOk(8, m));
    EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("information: ") + kTooFewColours});

    ScriptedMessages r;
    EXPECT_TRUE(resourcesOk(freeResources(), r));
    EXPECT_TRUE(r.log.isEmpty());
    EXPECT_FALSE(resourcesOk(FreeResources{100, 14, 100}, r));
    EXPECT_EQ(r.log, (QStringList{"beep", QStringLiteral("information: ") + kLowResources}));
}

TEST(Startup, ShutdownRunsItsStepsInOrderAndAlbumEditorCanRefuse)
{
    struct Case {
        bool editorCloses;
        SaveResult save;
        bool maintenance, closes;
        const char* expected;
    } cases[] = {
        {false, SaveResult::Saved, false, false, "album "},
        {true, SaveResult::Saved, false, true, "album busy save marker settings dock "},
        {true, SaveResult::NoJob, false, true, "album busy save settings dock "},
        {true, SaveResult::Saved, true, true, "album busy save marker maintenance zovave settings dock "},
        // A job that cannot be saved keeps the window, its marker and the busy mark cleared.
        {true, SaveResult::Failed, true, false, "album busy save idle "},
    };
    for (const Case& c : cases) {
        std::string log;
        ShutdownSteps s;
        s.closeAlbumEditor = [&] { log += "album "; return c.editorCloses; };
        s.setBusy = [&](bool on) { log += on ? "busy " : "idle "; };
        s.saveJob = [&] { log += "save "; return c.save; };
        s.removeJobMarker = [&] { log += "marker "; };
        s.maintenanceRequested = [&] { log += c.maintenance ? "maintenance " : ""; return c.maintenance; };
        s.startMaintenance = [&] { log += "zovave "; };
        s.writeSettings = [&] { log += "settings "; };
        s.writeDockLayout = [&] { log += "dock "; };
        EXPECT_EQ(runShutdown(s), c.closes);
        EXPECT_EQ(log, c.expected);
    }
}

TEST(Startup, AutomaticSaveClock)
{
    const QDateTime t0(QDate(2024, 4, 1), QTime(9, 0, 0));
    {
        AutoSaveClock clock;  // 0 minutes: never
        EXPECT_FALSE(clock.due(t0, 0, true, false));
        EXPECT_FALSE(clock.due(t0.addSecs(3600), 0, true, false));
    }
    AutoSaveClock clock;  // 1 minute, counted from the first idle moment
    EXPECT_FALSE(clock.due(t0, 1, true, false));
    EXPECT_FALSE(clock.due(t0.addSecs(59), 1, true, false));
    EXPECT_FALSE(clock.due(t0.addSecs(60), 1, false, false));  // window hidden
    EXPECT_FALSE(clock.due(t0.addSecs(60), 1, true, true));    // busy
    EXPECT_TRUE(clock.due(t0.addSecs(60), 1, true, false));
    EXPECT_FALSE(clock.due(t0.addSecs(100), 1, true, false));
    EXPECT_TRUE(clock.due(t0.addSecs(125), 1, true, false));
}

TEST(Startup, HelpContextsFollowTheShowingWindow)
{
    struct Case {
        int in;
        bool album;
        int out;
    } cases[] = {{401, true, 501}, {499, true, 599}, {401, false, 401}, {501, false, 401},
                 {599, false, 499}, {501, true, 501}, {400, true, 400}, {600, false, 600}};
    for (const Case& c : cases)
        EXPECT_EQ(adjustHelpContext(c.in, c.album), c.out) << c.in << " " << c.album;
}

TEST(Startup, StartingAProgramOfTheProgramFolder)
{
    zbtest::TempDir dir;
    EXPECT_EQ(startProgram(dir.file("ZBMIRU")), 2);
    zbtest::writeAll(dir.file("ZBMIRU"), "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(startProgram(dir.file("ZBMIRU")), 5);  // not executable
    QFile::setPermissions(dir.file("ZBMIRU"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(startProgram(dir.file("ZBMIRU")), 0);
    EXPECT_EQ(kProcessFailed + QString::number(2), QStringLiteral("指定のプロセスは実行出来ませんでした。Er=2"));
}

TEST(Startup, Caption)
{
    EXPECT_EQ(mainCaption(""), QStringLiteral("ゾルベル for Windows"));
    EXPECT_EQ(mainCaption(QStringLiteral("国道1号")), QStringLiteral("ゾルベル for Windows (国道1号)"));
}
