// The setup run behind the dialogs: the offered folder, the checks of "実行",
// the copy run with numbered disks, the group question and the menu entries.
#include "setup/menu_entries.h"
#include "setup/setup_run.h"
#include "setup_fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>

using namespace zbsetup;
using namespace setuptest;

namespace {

struct Scene {
    zbtest::TempDir tmp;
    QString root = tmp.path();
    QString program = root + QStringLiteral("/cd");  // the folder of the setup program
    QString target = root + QStringLiteral("/opt/ZBWin");
    FakePlatform platform{root};
    HookPort port;

    SetupConfig config(const QString& text) const { return readConfig(text, program); }
    void source(const QString& name, const QByteArray& bytes = "data") const
    {
        writeFile(program + QLatin1Char('/') + name, bytes);
    }
    QStringList targetFiles() const
    {
        QStringList out;
        QDir base(target);
        std::function<void(const QString&)> walk = [&](const QString& dir) {
            for (const QFileInfo& fi : QDir(dir).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
                if (fi.isDir())
                    walk(fi.filePath());
                else
                    out << base.relativeFilePath(fi.filePath());
            }
        };
        walk(target);
        out.sort();
        return out;
    }
};

int validate(const QString& file)
{
    QProcess p;
    p.start(QStringLiteral("desktop-file-validate"), {file});
    p.waitForFinished(30000);
    if (p.exitCode() != 0)
        ADD_FAILURE() << p.readAllStandardOutput().constData() << p.readAllStandardError().constData();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

}  // namespace

TEST(SetupRun, DialogTextsAndTheOfferedFolder)
{
    Scene s;
    SetupRun run(s.config(QStringLiteral("[Config]\nTitle=工事写真\n[Path]\nOrgPath=ZBWin\n")), s.program + "/",
                 s.platform, s.port);
    EXPECT_EQ(run.caption(), QStringLiteral("工事写真 ") + s.program);
    EXPECT_EQ(SetupRun::prompt(), QStringLiteral("インストールするドライブとディレクトリを指定してください。"));
    EXPECT_EQ(run.hint(), QStringLiteral("＜ｷｬﾝｾﾙ＞を選択するとセットアップを中止します。"));
    EXPECT_EQ(run.cancelQuestion(), QStringLiteral("セットアップを中止しますか？"));
    EXPECT_EQ(run.initialFolder(), s.root + QStringLiteral("/opt/ZBWin"));
    EXPECT_EQ(run.folderAfterBrowse(QStringLiteral("/home/u")), QStringLiteral("/home/u/ZBWin"));

    SetupRun update(s.config(QStringLiteral("[Config]\nUpdate=1\n[Path]\nOrgPath=ZBWin\n")), s.program, s.platform, s.port);
    EXPECT_EQ(update.hint(), QStringLiteral("＜ｷｬﾝｾﾙ＞を選択するとアップデートを中止します。"));
    EXPECT_EQ(update.folderAfterBrowse(QStringLiteral("/home/u")), QStringLiteral("/home/u"));

    // Without a program-files folder: the root of the Windows folder's drive.
    s.platform.programFilesDir.clear();
    s.platform.drives[s.platform.windowsDir] = QStringLiteral("/mnt");
    SetupRun bare(s.config(QStringLiteral("[Path]\nOrgPath=ZBWin\n")), s.program, s.platform, s.port);
    EXPECT_EQ(bare.initialFolder(), QStringLiteral("/mnt/ZBWin"));

    for (auto [o, text] : {std::pair{Outcome::Done, "セットアップが終了しました。"},
                           std::pair{Outcome::Failed, "セットアップは失敗しました。"},
                           std::pair{Outcome::Cancelled, "セットアップを中止しました。"}})
        EXPECT_EQ(outcomeText(o, QStringLiteral("セットアップ")), QString::fromUtf8(text));
    EXPECT_EQ(outcomeText(Outcome::Done, QStringLiteral("アップデート")), QStringLiteral("アップデートが終了しました。"));
}

TEST(SetupRun, InstallsFromTheProgramFolderWithoutFddPath)
{
    Scene s;
    s.source(QStringLiteral("ZBWIN.EXE"), "program");
    s.source(QStringLiteral("readme.txt"), "hello");
    SetupRun run(s.config(QStringLiteral("[Path]\nExePath=bin\nDataPath=DATAFILE\nUserPath=USERFILE\nFormPath=FORMFILE\n"
                                         "[DISK1]\nTitle=Disk one\nE zbwin.exe ZBWin\nO readme.txt readme.txt\n")),
                 s.program, s.platform, s.port);
    ASSERT_EQ(run.prepare(s.target), SetupRun::Check::Ok);
    for (const char* sub : {"bin", "DATAFILE", "USERFILE", "FORMFILE"})
        EXPECT_TRUE(QFileInfo(s.target + QLatin1Char('/') + QLatin1String(sub)).isDir()) << sub;
    EXPECT_EQ(run.copyFiles(s.target), Outcome::Done);
    EXPECT_EQ(s.targetFiles(), QStringList({QStringLiteral("bin/ZBWin"), QStringLiteral("readme.txt")}));
    EXPECT_EQ(readFile(s.target + QStringLiteral("/bin/ZBWin")), QByteArray("program"));
    EXPECT_TRUE(s.port.log.isEmpty()) << s.port.log.join('\n').toStdString();  // no group, no icons: no question
    EXPECT_EQ(s.port.progressMaximum, 3);
    EXPECT_EQ(s.port.progressValue, 3);
    EXPECT_EQ(s.port.pausedMs, 1000);
    EXPECT_EQ(s.port.files.first(), s.program + QStringLiteral("/ZBWIN.EXE -> ") + s.target + QStringLiteral("/bin/ZBWin"));
}

TEST(SetupRun, NumberedDisksAreAskedFor)
{
    Scene s;
    const QString floppy = s.root + QStringLiteral("/floppy");
    s.platform.drives[floppy] = QStringLiteral("/media/fd0");
    writeFile(floppy + QStringLiteral("/one.dat"), "disk one");
    const QString text = QStringLiteral("[Path]\nFddPath=%1\n"
                                        "[Disk1]\nE one.dat one.dat\n"
                                        "[Disk2]\nTitle=プログラムディスク２\nE two.dat two.dat\nE three.dat three.dat\n"
                                        "[Disk3]\nE four.dat four.dat\n")
                             .arg(floppy);
    // Each question is answered by putting that disk's files in place.
    s.port.onQuestion = [&](const QString& q) {
        if (q.startsWith(QStringLiteral("プログラムディスク２"))) {
            QFile::remove(floppy + QStringLiteral("/one.dat"));
            writeFile(floppy + QStringLiteral("/two.dat"), "disk two");
            writeFile(floppy + QStringLiteral("/three.dat"), "disk two b");
        } else if (s.port.log.size() == 1) {
            // The first time disk 3 is asked for, it is not put in: asked again.
        } else {
            writeFile(floppy + QStringLiteral("/four.dat"), "disk three");
        }
    };
    SetupRun run(s.config(text), s.program, s.platform, s.port);
    ASSERT_EQ(run.prepare(s.target), SetupRun::Check::Ok);
    EXPECT_EQ(run.copyFiles(s.target), Outcome::Done);
    EXPECT_EQ(s.port.log, QStringList({
                              QStringLiteral("okCancel: プログラムディスク２ をドライブ /media/fd0 にセットしてください。"),
                              QStringLiteral("okCancel: 保存用ディスク No.3 をドライブ /media/fd0 にセットしてください。"),
                              QStringLiteral("okCancel: 保存用ディスク No.3 をドライブ /media/fd0 にセットしてください。"),
                          }));
    EXPECT_EQ(s.targetFiles(), QStringList({QStringLiteral("four.dat"), QStringLiteral("one.dat"),
                                            QStringLiteral("three.dat"), QStringLiteral("two.dat")}));
    EXPECT_EQ(readFile(s.target + QStringLiteral("/four.dat")), QByteArray("disk three"));
}

TEST(SetupRun, CancelAtTheDiskQuestionCancelsTheRun)
{
    Scene s;
    s.source(QStringLiteral("one.dat"));
    SetupRun run(s.config(QStringLiteral("[Disk1]\nE one.dat one.dat\n[Disk2]\nE two.dat two.dat\n")), s.program,
                 s.platform, s.port);
    s.port.answers = {false};
    ASSERT_EQ(run.prepare(s.target), SetupRun::Check::Ok);
    EXPECT_EQ(run.copyFiles(s.target), Outcome::Cancelled);
    EXPECT_EQ(s.port.log.size(), 1);
    EXPECT_EQ(s.targetFiles(), QStringList({QStringLiteral("one.dat")}));
}

TEST(SetupRun, MissingSourceFileOnTheSameDisk)
{
    Scene s;
    s.source(QStringLiteral("one.dat"));
    SetupRun run(s.config(QStringLiteral("[Disk1]\nE one.dat one.dat\nE gone.dat gone.dat\n")), s.program, s.platform,
                 s.port);
    ASSERT_EQ(run.prepare(s.target), SetupRun::Check::Ok);
    EXPECT_EQ(run.copyFiles(s.target), Outcome::Failed);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("error: ファイルを複写しようとして失敗しました。 ") + s.program
                                       + QStringLiteral("/gone.dat")}));
}

TEST(SetupRun, UpdateOnlyAndMustExistFiles)
{
    Scene s;
    s.source(QStringLiteral("a.dll"), "new a");
    s.source(QStringLiteral("b.dll"), "new b");
    const QString x = QStringLiteral("[Disk1]\nX a.dll a.dll\nX b.dll b.dll\nX notshipped.dll notshipped.dll\n");
    writeFile(s.target + QStringLiteral("/b.dll"), "old b");
    setTime(s.target + QStringLiteral("/b.dll"), 1000);
    SetupRun run(s.config(x), s.program, s.platform, s.port);
    ASSERT_EQ(run.prepare(s.target), SetupRun::Check::Ok);
    EXPECT_EQ(run.copyFiles(s.target), Outcome::Done);
    EXPECT_TRUE(s.port.log.isEmpty());  // the missing a.dll is passed over silently
    EXPECT_EQ(s.targetFiles(), QStringList({QStringLiteral("b.dll")}));
    EXPECT_EQ(readFile(s.target + QStringLiteral("/b.dll")), QByteArray("new b"));

    // A file that must exist is checked before anything is copied.
    s.source(QStringLiteral("c.dll"), "new c");
    SetupRun z(s.config(QStringLiteral("[Disk1]\nE c.dll c.dll\nZ a.dll a.dll\n")), s.program, s.platform, s.port);
    EXPECT_EQ(z.copyFiles(s.target), Outcome::Abort);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("error: このフォルダには実行できません 処理を中止します。")}));
    EXPECT_FALSE(QFileInfo::exists(s.target + QStringLiteral("/c.dll")));
}

TEST(SetupRun, ChecksBeforeCopying)
{
    Scene s;
    s.source(QStringLiteral("a.dat"));
    const QString files = QStringLiteral("[Disk1]\nE a.dat a.dat\n");

    // An update needs the folder to exist.
    SetupRun update(s.config(QStringLiteral("[Config]\nUpdate=1\n") + files), s.program, s.platform, s.port);
    EXPECT_EQ(update.prepare(s.target), SetupRun::Check::Back);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("error: ドライブかディレクトリが間違っています。")}));
    EXPECT_FALSE(QFileInfo::exists(s.target));

    // Free space on the Windows folder's drive, then on the target's.
    s.port.log.clear();
    s.platform.free[s.platform.windowsDir] = 4096LL * 1024 - 100 * 1024 - 300;  // 100.29 KB short
    s.platform.drives[s.platform.windowsDir] = QStringLiteral("/home");
    SetupRun space(s.config(QStringLiteral("[Config]\nPrgFree=2000\n") + files), s.program, s.platform, s.port);
    EXPECT_EQ(space.prepare(s.target), SetupRun::Check::Back);
    s.platform.free.clear();
    s.platform.free[s.target] = 2000LL * 1024 - 1536;  // 1.5 KB short rounds to 2
    s.platform.drives[s.target] = QStringLiteral("/srv");
    EXPECT_EQ(space.prepare(s.target), SetupRun::Check::Back);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("error: ドライブ /home の容量があと 100 ＫＢ足りません。"),
                                       QStringLiteral("error: ドライブ /srv の容量があと 2 ＫＢ足りません。")}));
    EXPECT_FALSE(QFileInfo::exists(s.target));

    // A folder that cannot be made.
    s.port.log.clear();
    s.platform.free.clear();
    writeFile(s.root + QStringLiteral("/afile"), "x");
    SetupRun bad(s.config(files), s.program, s.platform, s.port);
    EXPECT_EQ(bad.prepare(s.root + QStringLiteral("/afile/sub")), SetupRun::Check::ResetField);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("error: ドライブ・パスの指定が間違っています Er=20")}));
}

TEST(SetupRun, CopyFailuresAndTheirMessages)
{
    Scene s;
    s.source(QStringLiteral("a.dat"), "new");
    QDir().mkpath(s.target);
    writeFile(s.target + QStringLiteral("/a.dat"), "old");
    setTime(s.target + QStringLiteral("/a.dat"), 1000);
    chmod(QFile::encodeName(s.target + QStringLiteral("/a.dat")).constData(), 0444);
    SetupRun run(s.config(QStringLiteral("[Disk1]\nE a.dat a.dat\n")), s.program, s.platform, s.port);
    EXPECT_EQ(run.copyFiles(s.target), Outcome::Failed);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("error: a.dat をインストールすることができませんでした。 Result=7")}));
    EXPECT_EQ(readFile(s.target + QStringLiteral("/a.dat")), QByteArray("old"));

    s.port.log.clear();
    chmod(QFile::encodeName(s.target + QStringLiteral("/a.dat")).constData(), 0644);
    QFile held(s.target + QStringLiteral("/a.dat"));
    held.open(QIODevice::ReadOnly);
    ASSERT_EQ(::flock(held.handle(), LOCK_EX), 0);
    SetupRun update(s.config(QStringLiteral("[Config]\nUpdate=1\n[Disk1]\nE a.dat a.dat\n")), s.program, s.platform,
                    s.port);
    EXPECT_EQ(update.copyFiles(s.target), Outcome::Failed);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("error: a.dat は使用中です。 すべてのアプリケーションを終了してから、"
                                                      "再度アップデートをしてください。")}));
}

TEST(SetupRun, GroupAndIconsBecomeMenuEntries)
{
    Scene s;
    s.source(QStringLiteral("zbwin"), "program");
    const QString text = QStringLiteral("[Config]\nTitle=工事写真\n"
                                        "[Group]\nTitle=工事写真管理\nName=ZB Win\n"
                                        "[Icon1]\nTitle=工事写真管理\nCmdLine=bin\\ZBWin\n"
                                        "[Icon2]\nTitle=\nCmdLine=skipped\n"
                                        "[Icon3]\nTitle=Setup\nCmdLine=Setup\n"
                                        "[Path]\nExePath=bin\n[Disk1]\nE zbwin ZBWin\n");
    SetupRun run(s.config(text), s.program, s.platform, s.port);
    ASSERT_EQ(run.prepare(s.target), SetupRun::Check::Ok);
    EXPECT_EQ(run.copyFiles(s.target), Outcome::Done);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("yesNo: グループ・アイコンを作成しますか。")}));
    EXPECT_TRUE(s.port.backdropHidden);

    const QDir apps(s.platform.menu.applications);
    const QStringList desktops = apps.entryList({QStringLiteral("*.desktop")});
    ASSERT_EQ(desktops.size(), 2);
    for (const QString& d : desktops)
        EXPECT_EQ(validate(apps.filePath(d)), 0) << d.toStdString();
    const QStringList dirs = QDir(s.platform.menu.directories).entryList({QStringLiteral("*.directory")});
    ASSERT_EQ(dirs.size(), 1);
    EXPECT_EQ(validate(s.platform.menu.directories + QLatin1Char('/') + dirs[0]), 0);
    const QStringList menus = QDir(s.platform.menu.menus).entryList({QStringLiteral("*.menu")});
    ASSERT_EQ(menus.size(), 1);
    const QString menu = QString::fromUtf8(readFile(s.platform.menu.menus + QLatin1Char('/') + menus[0]));
    EXPECT_TRUE(menu.contains(QStringLiteral("<Name>ZB Win</Name>")));
    EXPECT_TRUE(menu.contains(QStringLiteral("<Directory>") + dirs[0] + QStringLiteral("</Directory>")));
    EXPECT_TRUE(QFileInfo::exists(s.platform.menu.icons + QStringLiteral("/hicolor/scalable/apps/zbwin.svg")));

    QString main;
    for (const QString& d : desktops) {
        const QString t = QString::fromUtf8(readFile(apps.filePath(d)));
        if (t.contains(QStringLiteral("Name=工事写真管理")))
            main = t;
    }
    EXPECT_TRUE(main.contains(QStringLiteral("Exec=\"") + s.target + QStringLiteral("/bin/ZBWin\"\n"))) << main.toStdString();
    EXPECT_TRUE(main.contains(QStringLiteral("Icon=zbwin\n")));
    const QString dirText = QString::fromUtf8(readFile(s.platform.menu.directories + QLatin1Char('/') + dirs[0]));
    EXPECT_TRUE(dirText.contains(QStringLiteral("Name=工事写真管理\n")));
    // The entries' category is the one the menu gathers.
    const QString category = menu.section(QStringLiteral("<Category>"), 1).section(QStringLiteral("</Category>"), 0, 0);
    EXPECT_TRUE(main.contains(QStringLiteral("Categories=") + category + QLatin1Char(';')));
}

TEST(SetupRun, TheGroupQuestion)
{
    Scene s;
    s.source(QStringLiteral("a"));
    const QString icons = QStringLiteral("[Icon1]\nTitle=写真管理\nCmdLine=a\n[Icon2]\nTitle=ツール\nCmdLine=b\n[Disk1]\nE a a\n");

    // An update lists the icons it adds; No leaves the menus alone.
    QDir().mkpath(s.target);
    SetupRun update(s.config(QStringLiteral("[Config]\nUpdate=1\n") + icons), s.program, s.platform, s.port);
    s.port.answers = {false};
    EXPECT_EQ(update.copyFiles(s.target), Outcome::Done);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("yesNo: グループ・アイコンを作成しますか。\n  ↓追加されるアイコン名\n写真管理\nツール")}));
    EXPECT_FALSE(QFileInfo::exists(s.platform.menu.applications));

    // Nothing copied: no question.
    s.port.log.clear();
    SetupRun none(s.config(QStringLiteral("[Icon1]\nTitle=写真管理\nCmdLine=a\n[Disk1]\nX a gone\n")), s.program,
                  s.platform, s.port);
    EXPECT_EQ(none.copyFiles(s.target), Outcome::Done);
    EXPECT_TRUE(s.port.log.isEmpty());

    // A group whose files cannot be written fails the run.
    writeFile(s.platform.menu.directories, "not a folder");
    SetupRun group(s.config(QStringLiteral("[Group]\nTitle=工事写真管理\nName=zbwin\n[Disk1]\nE a a\n")), s.program,
                   s.platform, s.port);
    EXPECT_EQ(group.copyFiles(s.target), Outcome::Failed);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("yesNo: グループ・アイコンを作成しますか。"),
                                       QStringLiteral("error: グループ 工事写真管理 が作成できません")}));

    s.port.log.clear();
    writeFile(s.platform.menu.applications, "not a folder");
    SetupRun icon(s.config(icons), s.program, s.platform, s.port);
    EXPECT_EQ(icon.copyFiles(s.target), Outcome::Failed);
    EXPECT_EQ(s.port.log, QStringList({QStringLiteral("yesNo: グループ・アイコンを作成しますか。"),
                                       QStringLiteral("error: アイコン写真管理作成できません")}));
}

TEST(SetupRun, DesktopEntryQuoting)
{
    const std::pair<const char*, const char*> execs[] = {
        {"/opt/ZBWin/ZBWin", "\"/opt/ZBWin/ZBWin\""},
        {"/opt/my app/x", "\"/opt/my app/x\""},
        {"/o/100%/$x\"`", "\"/o/100%%/\\\\$x\\\\\"\\\\`\""},
    };
    for (const auto& [program, exec] : execs)
        EXPECT_EQ(MenuEntries::quoteExec(QString::fromUtf8(program)), QString::fromUtf8(exec)) << program;
    EXPECT_EQ(MenuEntries::escapeValue(QStringLiteral("a\\b\nc")), QStringLiteral("a\\\\b\\nc"));
    EXPECT_EQ(MenuEntries::idFor(QStringLiteral("zb-win_1")), QStringLiteral("zb-win_1"));
    EXPECT_NE(MenuEntries::idFor(QStringLiteral("工事")), MenuEntries::idFor(QStringLiteral("写真")));
    EXPECT_TRUE(MenuEntries::idFor(QStringLiteral("工事")).startsWith(QStringLiteral("__-")));
}
