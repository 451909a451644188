#include "setup/setup_platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace zbsetup {

SetupPlatform::~SetupPlatform() = default;

SetupPlatform SetupPlatform::forCurrentUser()
{
    SetupPlatform p;
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    // Files a package puts in the Windows folders go to a folder of our own.
    p.windowsDir = data + QStringLiteral("/zbsetup/windows");
    p.systemDir = p.windowsDir + QStringLiteral("/system");
    if (::geteuid() == 0) {
        p.programFilesDir = QStringLiteral("/opt");
        p.menu = {QStringLiteral("/usr/share/applications"), QStringLiteral("/usr/share/desktop-directories"),
                  QStringLiteral("/etc/xdg/menus/applications-merged"), QStringLiteral("/usr/share/icons")};
    } else {
        p.programFilesDir = QDir::homePath() + QStringLiteral("/.local/opt");
        p.menu = {data + QStringLiteral("/applications"), data + QStringLiteral("/desktop-directories"),
                  config + QStringLiteral("/menus/applications-merged"), data + QStringLiteral("/icons")};
    }
    return p;
}

QString existingAncestor(const QString& path)
{
    QString p = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    while (!QFileInfo(p).isDir()) {
        const QString up = QFileInfo(p).path();
        if (up == p)
            break;
        p = up;
    }
    return p;
}

qint64 SetupPlatform::freeBytes(const QString& path) const
{
    struct statvfs st {};
    if (::statvfs(QFile::encodeName(existingAncestor(path)).constData(), &st) != 0)
        return -1;
    return static_cast<qint64>(st.f_bavail) * static_cast<qint64>(st.f_frsize);
}

QString SetupPlatform::drive(const QString& path) const
{
    QString p = existingAncestor(path);
    struct stat st {};
    if (::stat(QFile::encodeName(p).constData(), &st) != 0)
        return p;
    // Climb while the parent is on the same device.
    for (;;) {
        const QString up = QFileInfo(p).path();
        if (up == p)
            return p;
        struct stat ust {};
        if (::stat(QFile::encodeName(up).constData(), &ust) != 0 || ust.st_dev != st.st_dev)
            return p;
        p = up;
    }
}

}  // namespace zbsetup
