// One file's copy and the result flags it reports.
#include "setup/install_file.h"
#include "setup_fixtures.h"

#include <QDir>
#include <QFileInfo>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zbsetup;
using namespace setuptest;

namespace {

QStringList leftovers(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".setup-"));
}

struct Folders {
    zbtest::TempDir tmp;
    QString src = tmp.path() + QStringLiteral("/src");
    QString dst = tmp.path() + QStringLiteral("/dst");
    Folders()
    {
        QDir().mkpath(src);
        QDir().mkpath(dst);
    }
};

}  // namespace

TEST(SetupInstallFile, FailureNumbers)
{
    using namespace vif;
    const std::pair<uint32_t, int> cases[] = {
        {0, 0},
        {SrcOld, 0},
        {TempFile, 1},
        {Mismatch | TempFile, 2},
        {SrcOld | WriteProt, 7},
        {DiffLang, 4},
        {FileInUse, 8},
        {OutOfSpace | TempFile, 9},
        {AccessViolation, 10},
        {SharingViolation | FileInUse, 11},
        {CannotCreate, 12},
        {CannotDelete | CannotCreate, 13},
        {CannotRename | TempFile | CannotDelete, 14},
        {OutOfMemory | CannotRename, 15},
        {CannotReadSrc | OutOfMemory | CannotDelete, 16},
        {BuffTooSmall | CannotReadSrc, 18},
        {CannotReadDst | BuffTooSmall | CannotReadSrc, 17},
    };
    for (const auto& [flags, number] : cases)
        EXPECT_EQ(failureNumber(flags), number) << std::hex << flags;
}

TEST(SetupInstallFile, ErrorsBecomeFlags)
{
    const std::tuple<int, uint32_t, uint32_t> cases[] = {
        {ENOSPC, vif::OutOfSpace, vif::OutOfSpace}, {EDQUOT, vif::OutOfSpace, vif::OutOfSpace},
        {EROFS, vif::WriteProt, vif::WriteProt},    {EACCES, vif::AccessViolation, vif::CannotCreate},
        {EPERM, vif::AccessViolation, vif::CannotCreate}, {ENOENT, vif::CannotCreate, vif::CannotCreate},
        {ENOMEM, vif::OutOfMemory, vif::OutOfMemory}, {EIO, vif::CannotCreate, vif::CannotCreate},
        {ETXTBSY, vif::FileInUse, vif::CannotCreate},
    };
    for (const auto& [err, create, write] : cases) {
        EXPECT_EQ(flagForCreateError(err), create) << err;
        EXPECT_EQ(flagForWriteError(err), write) << err;
    }
}

TEST(SetupInstallFile, CopiesWithTimeAndModeAndReplacesOlderFiles)
{
    Folders f;
    writeFile(f.src + QStringLiteral("/prog"), "new program");
    chmod(QFile::encodeName(f.src + QStringLiteral("/prog")).constData(), 0755);
    setTime(f.src + QStringLiteral("/prog"), 1700000000);

    InstallResult r = installFile(f.src, f.dst, QStringLiteral("prog"), QStringLiteral("PROG"));
    EXPECT_EQ(r.flags, 0u);
    const QFileInfo out(f.dst + QStringLiteral("/PROG"));
    EXPECT_EQ(readFile(out.filePath()), QByteArray("new program"));
    EXPECT_EQ(out.lastModified().toSecsSinceEpoch(), 1700000000);
    EXPECT_TRUE(out.isExecutable());

    // An older file in place is replaced.
    writeFile(f.dst + QStringLiteral("/old"), "old");
    setTime(f.dst + QStringLiteral("/old"), 1600000000);
    EXPECT_EQ(installFile(f.src, f.dst, QStringLiteral("prog"), QStringLiteral("old")).flags, 0u);
    EXPECT_EQ(readFile(f.dst + QStringLiteral("/old")), QByteArray("new program"));
    EXPECT_TRUE(leftovers(f.dst).isEmpty());
}

TEST(SetupInstallFile, NewerDestinationIsKept)
{
    Folders f;
    writeFile(f.src + QStringLiteral("/a"), "source");
    setTime(f.src + QStringLiteral("/a"), 1600000000);
    writeFile(f.dst + QStringLiteral("/a"), "newer");
    setTime(f.dst + QStringLiteral("/a"), 1700000000);
    InstallResult r = installFile(f.src, f.dst, QStringLiteral("a"), QStringLiteral("a"));
    EXPECT_EQ(r.flags, uint32_t(vif::SrcOld));
    EXPECT_EQ(failureNumber(r.flags), 0);
    EXPECT_EQ(readFile(f.dst + QStringLiteral("/a")), QByteArray("newer"));
}

TEST(SetupInstallFile, WhatStopsACopy)
{
    Folders f;
    writeFile(f.src + QStringLiteral("/a"), "source");
    QDir().mkpath(f.src + QStringLiteral("/dir"));

    // A write-protected file in place.
    writeFile(f.dst + QStringLiteral("/ro"), "kept");
    setTime(f.dst + QStringLiteral("/ro"), 1000);
    chmod(QFile::encodeName(f.dst + QStringLiteral("/ro")).constData(), 0444);
    EXPECT_EQ(installFile(f.src, f.dst, QStringLiteral("a"), QStringLiteral("ro")).flags, uint32_t(vif::WriteProt));
    EXPECT_EQ(readFile(f.dst + QStringLiteral("/ro")), QByteArray("kept"));

    // A file another open holds locked (as a database with its table open does).
    writeFile(f.dst + QStringLiteral("/busy.db"), "table");
    setTime(f.dst + QStringLiteral("/busy.db"), 1000);
    const int fd = ::open(QFile::encodeName(f.dst + QStringLiteral("/busy.db")).constData(), O_RDWR);
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    ASSERT_EQ(::fcntl(fd, F_OFD_SETLK, &fl), 0);
    EXPECT_TRUE(fileInUse(f.dst + QStringLiteral("/busy.db")));
    EXPECT_EQ(installFile(f.src, f.dst, QStringLiteral("a"), QStringLiteral("busy.db")).flags, uint32_t(vif::FileInUse));
    ::close(fd);
    EXPECT_FALSE(fileInUse(f.dst + QStringLiteral("/busy.db")));

    // A whole-file lock.
    const int fd2 = ::open(QFile::encodeName(f.dst + QStringLiteral("/busy.db")).constData(), O_RDONLY);
    ASSERT_EQ(::flock(fd2, LOCK_EX), 0);
    EXPECT_EQ(installFile(f.src, f.dst, QStringLiteral("a"), QStringLiteral("busy.db")).flags, uint32_t(vif::FileInUse));
    ::close(fd2);

    // A source that cannot be read, a destination folder that does not exist,
    // a folder in the destination's place.
    EXPECT_EQ(installFile(f.src, f.dst, QStringLiteral("dir"), QStringLiteral("x")).flags, uint32_t(vif::CannotReadSrc));
    EXPECT_EQ(installFile(f.src, f.dst + QStringLiteral("/none"), QStringLiteral("a"), QStringLiteral("x")).flags,
              uint32_t(vif::CannotCreate));
    QDir().mkpath(f.dst + QStringLiteral("/adir"));
    EXPECT_EQ(installFile(f.src, f.dst, QStringLiteral("a"), QStringLiteral("adir")).flags, uint32_t(vif::CannotDelete));
    EXPECT_TRUE(leftovers(f.dst).isEmpty());
}
