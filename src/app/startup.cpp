#include "app/startup.h"

#include "core/ports.h"

#include <QFileInfo>
#include <QProcess>

namespace zb {

Folders localFolders(const QString& programDir, const QString& localRoot)
{
    return resolveFolders(programDir, NetworkSettings{}, SharedDecision{}, localRoot);
}

StartFolders prepareFolders(const QString& programDir, Messages& messages, const QString& localRoot)
{
    StartFolders out;
    const Folders local = localFolders(programDir, localRoot);
    if (!QFileInfo(local.programFilesDir).isDir()) {
        messages.beep();
        messages.warning(kProgramFolderUnknown);
    }
    const QString ini = local.iniDir + kIniName;
    if (QFileInfo::exists(ini))
        out.network = readNetworkSection(ini);
    const NetworkSettings net = out.network.network();
    const SharedDecision decision = decideSharedMode(net, messages);
    out.folders = resolveFolders(programDir, net, decision, localRoot);
    createFolders(out.folders, messages);
    copyShippedFiles(out.folders, messages);
    return out;
}

bool colourDepthOk(int bitsPerPixel, Messages& messages)
{
    if (bitsPerPixel > 8)
        return true;
    messages.information(kTooFewColours);
    return false;
}

FreeResources freeResources() { return FreeResources{}; }

bool resourcesOk(const FreeResources& r, Messages& messages)
{
    if (r.system >= kResourceThreshold && r.graphics >= kResourceThreshold && r.user >= kResourceThreshold)
        return true;
    messages.beep();
    messages.information(kLowResources);
    return false;
}

bool runShutdown(const ShutdownSteps& s)
{
    if (s.closeAlbumEditor && !s.closeAlbumEditor())
        return false;
    if (s.setBusy)
        s.setBusy(true);
    const SaveResult saved = s.saveJob ? s.saveJob() : SaveResult::NoJob;
    if (saved == SaveResult::Failed) {
        if (s.setBusy)
            s.setBusy(false);
        return false;
    }
    if (saved == SaveResult::Saved && s.removeJobMarker)
        s.removeJobMarker();
    if (s.maintenanceRequested && s.maintenanceRequested() && s.startMaintenance)
        s.startMaintenance();
    if (s.writeSettings)
        s.writeSettings();
    if (s.writeDockLayout)
        s.writeDockLayout();
    return true;
}

bool AutoSaveClock::due(const QDateTime& now, int minutes, bool visible, bool busy)
{
    if (!last_.isValid())
        last_ = now;  // the clock starts at the first idle moment
    if (minutes <= 0 || !visible || busy)
        return false;
    if (last_.secsTo(now) < qint64(minutes) * 60)
        return false;
    last_ = now;
    return true;
}

int adjustHelpContext(int context, bool albumEditorShowing)
{
    if (albumEditorShowing && context >= 401 && context <= 499)
        return context + 100;
    if (!albumEditorShowing && context >= 501 && context <= 599)
        return context - 100;
    return context;
}

int startProgram(const QString& path, const QStringList& arguments)
{
    const QFileInfo fi(path);
    if (!fi.exists())
        return 2;
    if (!fi.isFile() || !fi.isExecutable())
        return 5;
    return QProcess::startDetached(path, arguments, fi.absolutePath()) ? 0 : 8;
}

QString mainCaption(const QString& jobName)
{
    if (jobName.isEmpty())
        return kProductTitle;
    return kProductTitle + QStringLiteral(" (") + jobName + QLatin1Char(')');
}

}  // namespace zb
