#include "setup/install_file.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zbsetup {
namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

QByteArray enc(const QString& s) { return QFile::encodeName(s); }

QString join(const QString& dir, const QString& name)
{
    return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}

bool newer(const struct stat& a, const struct stat& b)
{
    if (a.st_mtim.tv_sec != b.st_mtim.tv_sec)
        return a.st_mtim.tv_sec > b.st_mtim.tv_sec;
    return a.st_mtim.tv_nsec > b.st_mtim.tv_nsec;
}

}  // namespace

uint32_t flagForCreateError(int err)
{
    switch (err) {
    case EROFS: return vif::WriteProt;
    case EACCES:
    case EPERM: return vif::AccessViolation;
    case ENOSPC:
    case EDQUOT: return vif::OutOfSpace;
    case ENOMEM: return vif::OutOfMemory;
    case ETXTBSY: return vif::FileInUse;
    default: return vif::CannotCreate;
    }
}

uint32_t flagForWriteError(int err)
{
    switch (err) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return vif::OutOfSpace;
    case EROFS: return vif::WriteProt;
    case ENOMEM: return vif::OutOfMemory;
    default: return vif::CannotCreate;
    }
}

bool fileInUse(const QString& path)
{
    Fd fd(::open(enc(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return false;
    // Record locks (any process; open-file-description locks see those of this process too).
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    if (::fcntl(fd.get(), F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK)
        return true;
    // Whole-file locks.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        return errno == EWOULDBLOCK;
    ::flock(fd.get(), LOCK_UN);
    return false;
}

InstallResult installFile(const QString& srcDir, const QString& dstDir, const QString& srcName,
                          const QString& dstName)
{
    InstallResult r;
    const QString srcPath = join(srcDir, srcName);
    const QString dstPath = join(dstDir, dstName);

    Fd src(::open(enc(srcPath).constData(), O_RDONLY | O_CLOEXEC));
    struct stat ss {};
    if (src.get() < 0 || ::fstat(src.get(), &ss) != 0 || !S_ISREG(ss.st_mode)) {
        r.flags = errno == ENOMEM ? vif::OutOfMemory : vif::CannotReadSrc;
        return r;
    }

    struct stat ds {};
    if (::lstat(enc(dstPath).constData(), &ds) == 0) {
        if (S_ISDIR(ds.st_mode)) {
            r.flags = vif::CannotDelete;
            return r;
        }
        if (newer(ds, ss)) {
            r.flags = vif::SrcOld;  // an older source never replaces a newer file
            return r;
        }
        if (S_ISREG(ds.st_mode) && (ds.st_mode & 0222) == 0) {
            r.flags = vif::WriteProt;
            return r;
        }
        if (S_ISREG(ds.st_mode) && fileInUse(dstPath)) {
            r.flags = vif::FileInUse;
            return r;
        }
    } else if (errno != ENOENT) {
        r.flags = errno == ENOTDIR ? vif::CannotCreate : vif::CannotReadDst;
        return r;
    }

    QByteArray tmpl = enc(join(dstDir, QStringLiteral(".%1.setup-XXXXXX").arg(dstName.section(QLatin1Char('/'), -1))));
    Fd tmp(::mkostemp(tmpl.data(), O_CLOEXEC));
    if (tmp.get() < 0) {
        r.flags = flagForCreateError(errno);
        return r;
    }
    const QString tmpPath = QFile::decodeName(tmpl);
    auto fail = [&](uint32_t flag) {
        r.flags = flag | vif::TempFile;
        r.tempFile = tmpPath;
        return r;
    };

    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(src.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(vif::CannotReadSrc);
        }
        if (n == 0)
            break;
        for (ssize_t off = 0; off < n;) {
            ssize_t w = ::write(tmp.get(), buf + off, static_cast<size_t>(n - off));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return fail(flagForWriteError(errno));
            }
            off += w;
        }
    }
    ::fchmod(tmp.get(), ss.st_mode & 07777);
    const struct timespec times[2] = {ss.st_atim, ss.st_mtim};
    ::futimens(tmp.get(), times);
    if (::fsync(tmp.get()) != 0 && errno != EINVAL)
        return fail(flagForWriteError(errno));
    if (::close(tmp.release()) != 0)
        return fail(flagForWriteError(errno));
    if (::rename(tmpl.constData(), enc(dstPath).constData()) != 0)
        return fail(vif::CannotRename);
    return r;
}

int failureNumber(uint32_t flags)
{
    if ((flags & ~vif::SrcOld) == 0)
        return 0;
    // These override whatever else is set, the first one found winning.
    static const std::pair<uint32_t, int> overriding[] = {
        {vif::CannotReadDst, 17}, {vif::BuffTooSmall, 18}, {vif::CannotReadSrc, 16},
        {vif::OutOfMemory, 15},   {vif::CannotRename, 14}, {vif::CannotDelete, 13},
    };
    for (const auto& [flag, number] : overriding)
        if (flags & flag)
            return number;
    int number = 0;
    for (int bit = 0; bit < 12; ++bit)
        if (flags & (1u << bit))
            number = bit + 1;
    return number;
}

}  // namespace zbsetup
