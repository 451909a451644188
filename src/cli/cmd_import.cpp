// Photo import without a window: pictures of files and folders into a folder
// of a job's tree, with the same rules as the program's import.
#include "cli/cli.h"
#include "cli/cli_pictures.h"
#include "cli/cli_folders.h"
#include "core/inifile.h"
#include "core/scripted_ports.h"
#include "imaging/import.h"
#include "store/data_module.h"
#include "store/folders.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "workspace/hierarchy_model.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;

int importCommand(Context& ctx)
{
    QStringList args = ctx.args;
    const QString folderPath = cli::takeOption(args, QStringLiteral("--folder"));
    const bool sub = cli::takeFlag(args, QStringLiteral("--subfolders"));
    const QString name = cli::positional(args, 0, "JOB");
    cli::positional(args, 1, "FOLDER_OR_FILES");

    const Folders folders = cli::localFolders(ctx);
    if (cleanJobName(name) != name)
        throw Failure(QStringLiteral("not a job name: ") + name);
    if (!jobTreeFileExists(folders.dataFile, name))
        throw Failure(QStringLiteral("no such job: ") + name);

    // The files in the order given; a folder stands for its pictures.
    ScriptedMessages m;
    QStringList files;
    for (int i = 1; i < args.size(); ++i) {
        const QFileInfo info(args[i]);
        if (info.isDir())
            files += scanImportFolder(info.absoluteFilePath(), sub, m);
        else
            files << info.absoluteFilePath();
    }
    m.log.clear();

    TDataModule_Main data(folders, m);
    JobLife job(folders, data, m);
    if (job.openChosen({name, QString()}) != JobLife::OpenResult::Opened) {
        cli::printBoxLines(m);
        throw Failure(QStringLiteral("cannot open job: ") + name);
    }
    HierarchyModel tree;
    tree.load(job.file().folders);
    FolderNode* node = folderPath.isEmpty() ? tree.unclassified() : tree.findPath(folderPath);
    if (!node) {
        job.closeJob();
        throw Failure(QStringLiteral("no such folder in the tree: ") + folderPath);
    }
    job.hooks.collect = [&] { job.file().folders = tree.toHierarchy(); };

    const JobPaths paths{folders.dataFile, job.name()};
    ImportJob ij;
    ij.table = &job.photoTable();
    ij.fields.lookUp(job.photoTable());
    ij.backFolder = paths.backFolder();
    ij.paths = paths;
    ij.compressed = QFileInfo::exists(paths.compressedMarker());
    ImportTarget target;
    QList<RECORD> photos = node->photos;
    target.folder = &photos;
    target.folderAcceptsPhotos = tree.isPhotoLevel(node);
    ImportResult result;
    SilentProgress progress;
    const bool ok = ImportPictures(ij, files, target, cli::readImportSettings(IniFile(folders.iniDir + QStringLiteral("ZB.INI"))), m, progress, &result);
    if (!result.added.isEmpty())
        tree.appendPhotos(node, result.added);
    if (result.changed)
        job.setChanged();
    job.closeJob();
    cli::printBoxLines(m);

    QJsonArray added;
    for (RECORD r : result.added)
        added.append(r);
    cli::printJson(QJsonObject{{QStringLiteral("folder"), tree.pathOf(node)},
                               {QStringLiteral("added"), added},
                               {QStringLiteral("complete"), ok}});
    return ok ? 0 : 1;
}

ZB_CLI_COMMAND("import", "JOB FOLDER_OR_FILES... [--folder PATH-IN-TREE] [--subfolders]", importCommand);

}  // namespace
