#include "store/data_module.h"

#include "core/ports.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace zb {
namespace {

// True when another process holds a lock on the file.
bool heldByOther(const QString& path)
{
    int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock fl {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    bool held = ::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

bool removeUnlessHeld(const QString& path)
{
    if (!QFile::exists(path))
        return true;
    if (heldByOther(path))
        return false;
    return QFile::remove(path);
}

}  // namespace

QStringList lockFileFolders(const Folders& f)
{
    return {f.programDir, f.dataFile, f.mastFile, f.tempFile, f.localTemp, f.tempM, f.tempG};
}

QStringList removeStaleLockFiles(const QStringList& folders)
{
    QStringList removed;
    for (const QString& folder : folders) {
        const QString users = QDir(folder).filePath(QStringLiteral("PDOXUSRS.LCK"));
        const QString paradox = QDir(folder).filePath(QStringLiteral("PARADOX.LCK"));
        const bool hadUsers = QFile::exists(users);
        if (!removeUnlessHeld(users))
            continue;
        if (hadUsers)
            removed << users;
        const bool hadParadox = QFile::exists(paradox);
        if (removeUnlessHeld(paradox) && hadParadox)
            removed << paradox;
    }
    return removed;
}

TDataModule_Main::TDataModule_Main(const Folders& folders, Messages& messages)
    : folders_(folders), messages_(messages), photoTable_(&messages), probeTable_(&messages)
{
    removeStaleLockFiles(lockFileFolders(folders_));
    default_ = {QString(), folders_.tempM, folders_.tempM, kSessionPassword};
    zbUser_ = {QStringLiteral("ZB_USER"), folders_.tempFile, folders_.localTemp, kSessionPassword};
}

void TDataModule_Main::reopenSession()
{
    // Closing the session closes its tables; they are opened again by their users.
    photoTable_.closeTable();
    probeTable_.closeTable();
}

}  // namespace zb
