// Scanning without a window: pages from a SANE device, with the acquisition
// dialog's settings (those not given taken from ZB.INI), imported into a
// folder of a job's tree or as drawings of one photo.
#include "cli/cli.h"
#include "cli/cli_pictures.h"
#include "cli/cli_folders.h"
#include "core/inifile.h"
#include "core/scripted_ports.h"
#include "imaging/import.h"
#include "imaging/scanner.h"
#include "store/data_module.h"
#include "store/folders.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "workspace/hierarchy_model.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>

#include <sane/saneopts.h>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;

const char* kScanUsage =
    "JOB [--folder PATH-IN-TREE] [--device NAME] [--source NAME] [--mode 2] [--dpi N] [--paper N] [--landscape] "
    "[--margin MM] [--brightness N] [--contrast N] [--drawing-of RECORD]";

struct UsageError {
    QString reason;
};

// The value of --name as a whole number within lo..hi, or def when absent.
int numberOption(QStringList& args, const QString& name, int lo, int hi, int def)
{
    if (!args.contains(name))
        return def;
    const QString text = cli::takeOption(args, name);
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        throw UsageError{QStringLiteral("%1 wants a whole number from %2 to %3, not \"%4\"").arg(name).arg(lo).arg(hi).arg(text)};
    return v;
}

int scanCommand(Context& ctx)
{
    QStringList args = ctx.args;
    const Folders folders = cli::localFolders(ctx);
    const IniFile ini(folders.iniDir + QStringLiteral("ZB.INI"));
    ScanSettings settings = readScanSettings(ini);
    QString folderPath, deviceName, sourceName, name;
    RECORD drawingOf = 0;
    try {
        folderPath = cli::takeOption(args, QStringLiteral("--folder"));
        deviceName = cli::takeOption(args, QStringLiteral("--device"), settings.device);
        sourceName = cli::takeOption(args, QStringLiteral("--source"));
        if (args.contains(QStringLiteral("--mode"))) {
            const QString mode = cli::takeOption(args, QStringLiteral("--mode"));
            if (mode != QLatin1String("2"))
                throw UsageError{QStringLiteral("only --mode 2 scans without a window (the device dialog needs one)")};
        }
        settings.mode = kScanModeNoDialog;
        settings.dpi = normalizedDpi(numberOption(args, QStringLiteral("--dpi"), 1, 100000, settings.dpi));
        settings.paper = numberOption(args, QStringLiteral("--paper"), 0, int(scanPapers().size()) - 1, settings.paper);
        if (cli::takeFlag(args, QStringLiteral("--landscape")))
            settings.orient = 1;
        if (args.contains(QStringLiteral("--margin"))) {
            settings.margin = numberOption(args, QStringLiteral("--margin"), 0, 20, settings.margin);
            settings.marginOn = true;
        }
        settings.brightness = numberOption(args, QStringLiteral("--brightness"), -1000, 1000, settings.brightness);
        settings.contrast = numberOption(args, QStringLiteral("--contrast"), -1000, 1000, settings.contrast);
        if (args.contains(QStringLiteral("--drawing-of"))) {
            drawingOf = numberOption(args, QStringLiteral("--drawing-of"), 1, 2147483647, 0);
            if (!folderPath.isEmpty())
                throw UsageError{QStringLiteral("give --folder or --drawing-of, not both")};
        }
        if (args.size() != 1 || args.first().startsWith(QLatin1String("--")))
            throw UsageError{QStringLiteral("wants JOB")};
        name = args.first();
    } catch (const UsageError& e) {
        std::fprintf(stderr, "zbcli: %s\nusage: zbcli scan %s\n", qPrintable(e.reason), kScanUsage);
        return 2;
    }

    if (cleanJobName(name) != name)
        throw Failure(QStringLiteral("not a job name: ") + name);
    if (!jobTreeFileExists(folders.dataFile, name))
        throw Failure(QStringLiteral("no such job: ") + name);

    ScriptedMessages m;
    TDataModule_Main data(folders, m);
    JobLife job(folders, data, m);
    if (job.openChosen({name, QString()}) != JobLife::OpenResult::Opened) {
        cli::printBoxLines(m);
        throw Failure(QStringLiteral("cannot open job: ") + name);
    }
    HierarchyModel tree;
    tree.load(job.file().folders);
    FolderNode* node = nullptr;
    ImportTarget target;
    QList<RECORD> photos;
    if (drawingOf > 0) {
        if (!job.photoTable().locate(drawingOf)) {
            job.closeJob();
            throw Failure(QStringLiteral("no such row: %1").arg(drawingOf));
        }
        target.drawing = true;
        target.selectedPhotos = {drawingOf};
    } else {
        node = folderPath.isEmpty() ? tree.unclassified() : tree.findPath(folderPath);
        if (!node) {
            job.closeJob();
            throw Failure(QStringLiteral("no such folder in the tree: ") + folderPath);
        }
        photos = node->photos;
        target.folder = &photos;
        target.folderAcceptsPhotos = tree.isPhotoLevel(node);
    }
    job.hooks.collect = [&] { job.file().folders = tree.toHierarchy(); };

    QString error;
    std::unique_ptr<ScanDevice> device = ScanDevice::open(deviceName, &error);
    if (!device) {
        job.closeJob();
        throw Failure(QStringLiteral("cannot open scanner %1: %2").arg(deviceName, error));
    }
    ApplyScanSettings(*device, settings, m);
    if (!sourceName.isEmpty() && !device->setOption(QStringLiteral(SANE_NAME_SCAN_SOURCE), sourceName) &&
        !m.boxes().contains(QStringLiteral("information: ") + kScanSettingsUnsupported))
        m.information(kScanSettingsUnsupported);

    const JobPaths paths{folders.dataFile, job.name()};
    ImportJob ij;
    ij.table = &job.photoTable();
    ij.fields.lookUp(job.photoTable());
    ij.backFolder = paths.backFolder();
    ij.paths = paths;
    ij.compressed = QFileInfo::exists(paths.compressedMarker());
    const ImportSettings importSettings = cli::readImportSettings(ini);
    SilentProgress progress;
    QList<RECORD> added;
    bool changed = false;
    bool refused = false;  // the target took no pictures (a folder above the photo levels)
    auto importFile = [&](const QString& file) {
        ImportResult result;
        const bool ok = ImportPictures(ij, QStringList{file}, target, importSettings, m, progress, &result);
        added += result.added;
        changed = changed || result.changed;
        refused = refused || result.refused;
        return ok && !result.added.isEmpty();
    };
    const ScanRunResult run = RunScan(*device, folders.localTemp, importFile, m);
    device.reset();
    if (node && !added.isEmpty())
        tree.appendPhotos(node, added);
    if (changed)
        job.setChanged();
    job.closeJob();
    cli::printBoxLines(m);

    QJsonArray list;
    for (RECORD r : added)
        list.append(r);
    QJsonObject out{{QStringLiteral("added"), list}, {QStringLiteral("complete"), !run.stopped && !run.deviceError}};
    if (node)
        out.insert(QStringLiteral("folder"), tree.pathOf(node));
    else
        out.insert(QStringLiteral("drawingOf"), int(drawingOf));
    cli::printJson(out);
    return run.deviceError || refused ? 1 : 0;
}

ZB_CLI_COMMAND("scan", kScanUsage, scanCommand);

}  // namespace
