// The Setup program itself, run unattended from a scratch installation folder.
#include "setup/control_file.h"
#include "setup_fixtures.h"
#include "support/run_program.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

using namespace setuptest;

namespace {

struct Media {
    zbtest::TempDir tmp;
    QString cd = tmp.path() + QStringLiteral("/cd");
    QString setup = cd + QStringLiteral("/Setup");

    explicit Media(const QByteArray& control)
    {
        QDir().mkpath(cd);
        EXPECT_TRUE(QFile::copy(QStringLiteral(SETUP_PATH), setup));
        writeFile(cd + QStringLiteral("/Setup.Inf"), control);
    }
    zbtest::ProgramRun run(const QStringList& args) const
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), tmp.path() + QStringLiteral("/home"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), tmp.path() + QStringLiteral("/home/data"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), tmp.path() + QStringLiteral("/home/config"));
        p.setProcessEnvironment(env);
        p.start(setup, args);
        p.waitForFinished(60000);
        return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
    }
};

}  // namespace

TEST(SetupProgram, UnattendedInstall)
{
    // The control file in Shift_JIS, as the installation media carry it.
    Media m(QByteArray("[Config]\r\nTitle=ZBWin\r\n[Path]\r\nExePath=bin\r\n"
                       "[Disk1]\r\nTitle=\x83\x66\x83\x42\x83\x58\x83\x4E\r\n"  // ディスク
                       "E prog prog\r\nW win.ini win.ini\r\n"));
    writeFile(m.cd + QStringLiteral("/prog"), "program");
    writeFile(m.cd + QStringLiteral("/win.ini"), "[x]");
    const QString target = m.tmp.path() + QStringLiteral("/target");
    const zbtest::ProgramRun r = m.run({QStringLiteral("--unattended"), target});
    EXPECT_EQ(r.code, 0) << r.err.constData();
    EXPECT_EQ(QString::fromUtf8(r.out).trimmed().split('\n').last(), QStringLiteral("セットアップが終了しました。"));
    EXPECT_EQ(readFile(target + QStringLiteral("/bin/prog")), QByteArray("program"));
    EXPECT_EQ(readFile(m.tmp.path() + QStringLiteral("/home/data/zbsetup/windows/win.ini")), QByteArray("[x]"));
}

TEST(SetupProgram, UnattendedFailuresAndUsage)
{
    // A second disk that is not there fails instead of asking.
    Media m(QByteArray("[Disk1]\nE a a\n[Disk2]\nE b b\n"));
    writeFile(m.cd + QStringLiteral("/a"), "a");
    const QString target = m.tmp.path() + QStringLiteral("/target");
    zbtest::ProgramRun r = m.run({QStringLiteral("--unattended"), target});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(QString::fromUtf8(r.err).trimmed(), QStringLiteral("ファイルを複写しようとして失敗しました。 ") + m.cd + QStringLiteral("/b"));
    EXPECT_EQ(QString::fromUtf8(r.out).trimmed(), QStringLiteral("セットアップは失敗しました。"));

    for (const QStringList& args : {QStringList{QStringLiteral("--unattended")}, QStringList{QStringLiteral("--bogus"), target},
                                    QStringList{QStringLiteral("--unattended"), target, QStringLiteral("x")}}) {
        r = m.run(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("usage: Setup"));
    }
}

TEST(SetupProgram, UnattendedWithoutControlFile)
{
    // Nothing to install: the program says which file it missed and fails;
    // the target is not even created.
    Media m(QByteArray("[Disk1]\nE a a\n"));
    ASSERT_TRUE(QFile::remove(m.cd + QStringLiteral("/Setup.Inf")));
    const QString target = m.tmp.path() + QStringLiteral("/target");
    const zbtest::ProgramRun r = m.run({QStringLiteral("--unattended"), target});
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(QString::fromUtf8(r.err).trimmed(), zbsetup::kControlFileMissing + m.cd + QStringLiteral("/Setup.Inf"));
    EXPECT_EQ(QString::fromUtf8(r.out).trimmed(), QStringLiteral("セットアップは失敗しました。"));
    EXPECT_FALSE(QFileInfo::exists(target));
}
