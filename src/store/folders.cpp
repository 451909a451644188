#include "store/folders.h"

#include "core/ports.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <sys/statfs.h>

namespace zb {
namespace {

// File-system magic numbers of network file systems (from statfs(2)).
constexpr unsigned long kNfs = 0x6969;
constexpr unsigned long kSmb = 0x517B;
constexpr unsigned long kCifs = 0xFF534D42;
constexpr unsigned long kSmb2 = 0xFE534D42;
constexpr unsigned long kFuse = 0x65735546;  // sshfs and other FUSE mounts
constexpr unsigned long kCoda = 0x73757245;
constexpr unsigned long kAfs = 0x5346414F;
constexpr unsigned long kCeph = 0x00C36400;

bool writableFolder(const QString& dir)
{
    QFileInfo fi(dir);
    return fi.isDir() && fi.isWritable();
}

}  // namespace

QString withSlash(const QString& path)
{
    QString p = QDir::fromNativeSeparators(path);
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    if (!p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    return p;
}

bool isNetworkFolder(const QString& path)
{
    struct statfs st {};
    if (statfs(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    const auto type = static_cast<unsigned long>(st.f_type);
    return type == kNfs || type == kSmb || type == kCifs || type == kSmb2 || type == kFuse || type == kCoda
        || type == kAfs || type == kCeph;
}

SharedDecision decideSharedMode(const NetworkSettings& net, Messages& messages)
{
    SharedDecision d;
    if (net.netDrive.isEmpty())
        return d;
    if (!QFileInfo(net.netDrive).isDir()) {
        d.unreachable = true;
        messages.information(kSharedBusy);
        return d;
    }
    if (net.netKyoyuMode == 1)
        d.shared = true;
    else if (net.netKyoyuMode == 2)
        d.shared = messages.ask(kAskSharedMode);
    // Computers sharing masters must all reach the same folder over the network;
    // a local folder cannot be that.
    if (!isNetworkFolder(net.netDrive)) {
        messages.beep();
        messages.warning(kSharedIsLocal);
    }
    return d;
}

Folders resolveFolders(const QString& programDir, const NetworkSettings& net, const SharedDecision& decision,
                       const QString& localRoot)
{
    Folders f;
    f.programDir = withSlash(QFileInfo(programDir).absoluteFilePath());
    f.shippedDir = shippedFolder(f.programDir);
    if (!localRoot.isEmpty())
        f.localRoot = withSlash(localRoot);
    else if (writableFolder(f.programDir))
        f.localRoot = f.programDir;
    else
        f.localRoot = withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/zbwin"));
    QDir parent(f.localRoot);
    parent.cdUp();
    f.programFilesDir = withSlash(parent.absolutePath());

    f.shared = decision.shared;
    f.sharedUnreachable = decision.unreachable;
    f.dataRoot = f.shared ? withSlash(net.netDrive) : f.localRoot;

    f.dataShared = f.shared && net.netData;
    f.mastShared = f.shared && net.netMast;
    f.userShared = f.shared && net.netKoumoku;
    f.templateShared = f.shared && net.netTemplate;
    f.formShared = f.shared && net.netForm;

    auto pick = [&](bool fromShared, const char* name) {
        return (fromShared ? f.dataRoot : f.localRoot) + QLatin1String(name) + QLatin1Char('/');
    };
    f.dataFile = pick(f.dataShared, "DATAFILE");
    f.mastFile = pick(f.mastShared, "MASTFILE");
    f.userFile = pick(f.userShared, "USERFILE");
    f.templateDir = pick(f.templateShared, "TEMPLATE");
    f.formFile = pick(f.formShared, "FORMFILE");
    f.grphFile = pick(f.formShared, "GRPHFILE");
    f.phtoFile = f.dataRoot + QStringLiteral("PHTOFILE/");
    f.sysFile = f.dataRoot + QStringLiteral("SYSFILE/");
    f.tempFile = f.dataRoot + QStringLiteral("TEMPFILE/");

    // A program run from a network folder keeps its private files on this computer.
    if (isNetworkFolder(f.programDir)) {
        f.localTemp = withSlash(QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation)
                                + QStringLiteral("/TORVEN/TempFiles/ZBWIN"));
        f.iniDir = f.localTemp;
    } else {
        f.localTemp = f.localRoot + QStringLiteral("TEMPFILE/");
        f.iniDir = f.localRoot;
    }
    f.tempM = f.localTemp + QStringLiteral("TEMP_M/");
    f.tempG = f.localTemp + QStringLiteral("TEMP_G/");
    return f;
}

QString shippedFolder(const QString& programDir)
{
    const QString program = withSlash(QFileInfo(programDir).absoluteFilePath());
    QDir dir(program);
    if (dir.dirName() == QLatin1String("zbwin") && dir.cdUp() && dir.dirName() == QLatin1String("lib") && dir.cdUp()) {
        const QString share = dir.absoluteFilePath(QStringLiteral("share/zbwin"));
        if (QFileInfo(share).isDir())
            return withSlash(share);
    }
    return program;
}

bool copyShippedFiles(const Folders& f, Messages& messages)
{
    if (f.shippedDir.isEmpty() || f.shippedDir == f.localRoot || !QFileInfo(f.shippedDir).isDir())
        return true;
    bool ok = true;
    const QDir from(f.shippedDir);
    QDirIterator it(f.shippedDir, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = f.localRoot + from.relativeFilePath(source);
        if (QFileInfo::exists(target))
            continue;
        // The copy keeps the shipped file's mode; the user's copy must be the user's to change.
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(source, target)
            || !QFile::setPermissions(target, QFile::permissions(target) | QFile::ReadOwner | QFile::WriteOwner)) {
            messages.beep();
            ok = false;
        }
    }
    return ok;
}

bool createFolders(const Folders& f, Messages& messages)
{
    bool ok = true;
    for (const QString& dir : {f.localRoot, f.dataFile, f.mastFile, f.userFile, f.templateDir, f.formFile, f.grphFile,
                               f.phtoFile, f.sysFile, f.tempFile, f.localTemp, f.tempM, f.tempG, f.iniDir}) {
        if (!QDir().mkpath(dir)) {
            messages.beep();
            ok = false;
        }
    }
    return ok;
}

}  // namespace zb
