#pragma once
// Scratch source and target folders for the setup tests, a platform whose
// folders lie inside them and whose free space can be faked.
#include "setup/setup_platform.h"
#include "setup/setup_port.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <map>

namespace setuptest {

class FakePlatform : public zbsetup::SetupPlatform {
public:
    explicit FakePlatform(const QString& root)
    {
        programFilesDir = root + QStringLiteral("/opt");
        windowsDir = root + QStringLiteral("/win");
        systemDir = root + QStringLiteral("/win/system");
        menu = {root + QStringLiteral("/menu/applications"), root + QStringLiteral("/menu/desktop-directories"),
                root + QStringLiteral("/menu/menus"), root + QStringLiteral("/menu/icons")};
    }
    // Free bytes per path prefix; the real figure for other paths.
    std::map<QString, qint64> free;
    std::map<QString, QString> drives;

    qint64 freeBytes(const QString& path) const override
    {
        for (const auto& [prefix, bytes] : free)
            if (path.startsWith(prefix))
                return bytes;
        return 1LL << 40;
    }
    QString drive(const QString& path) const override
    {
        for (const auto& [prefix, d] : drives)
            if (path.startsWith(prefix))
                return d;
        return SetupPlatform::drive(path);
    }
};

// A port whose questions run a hook first (to put the next disk in place).
class HookPort : public zbsetup::ScriptedSetupPort {
public:
    std::function<void(const QString&)> onQuestion;
    bool okCancel(const QString& text) override
    {
        if (onQuestion)
            onQuestion(text);
        return ScriptedSetupPort::okCancel(text);
    }
};

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

inline void setTime(const QString& path, time_t t)
{
    const struct timespec times[2] = {{t, 0}, {t, 0}};
    ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0);
}

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

}  // namespace setuptest
