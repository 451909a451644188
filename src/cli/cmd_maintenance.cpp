// Commands of the maintenance menu: backup packages, restore, the link
// repair, pack, and templates. Exit codes: 0 done, 1 failure, 2 usage; repair
// gives 3 when it mended something.
#include "cli/cli.h"
#include "cli/cli_folders.h"
#include "core/ports.h"
#include "core/scripted_ports.h"
#include "maintenance/backup.h"
#include "maintenance/table_repair.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "store/table_network.h"
#include "store/tree_file.h"

#include <QFileInfo>
#include <cstdio>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;

struct Usage {
    QString text;
};

// The positional arguments after the options were taken; anything else that
// looks like an option, or a wrong count, is a usage error.
QStringList positionals(const QStringList& args, int count)
{
    for (const QString& a : args)
        if (a.startsWith(QLatin1String("--")))
            throw Usage{QStringLiteral("unknown option ") + a};
    if (args.size() != count)
        throw Usage{QStringLiteral("expected %1 argument(s)").arg(count)};
    return args;
}

int usageError(const Usage& u, const char* command, const char* usage)
{
    std::fprintf(stderr, "zbcli: %s\nusage: zbcli %s %s\n", qPrintable(u.text), command, usage);
    return 2;
}

// A job of the data folder by its name: the name must be one the name rule
// leaves as it is, and the job must exist.
JobPaths existingJob(const Folders& folders, const QString& name)
{
    if (name.isEmpty() || cleanJobName(name) != name)
        throw Failure(QStringLiteral("not a job name: ") + name);
    const JobPaths paths{folders.dataFile, name};
    if (!QFileInfo::exists(paths.treeFile()) || !QFileInfo::exists(paths.table()))
        throw Failure(QStringLiteral("no such job: ") + name);
    return paths;
}

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return text;
}

constexpr char kBackupUsage[] = "JOB FILE [--compressed] [--overwrite]";
constexpr char kRestoreUsage[] = "FILE [--as NAME] [--overwrite]";
constexpr char kRepairUsage[] = "JOB";
constexpr char kPackUsage[] = "JOB";
constexpr char kTemplateUsage[] = "JOB FILE";

int backup(Context& ctx)
{
    QStringList args = ctx.args;
    const bool compressed = cli::takeFlag(args, QStringLiteral("--compressed"));
    const bool overwrite = cli::takeFlag(args, QStringLiteral("--overwrite"));
    QStringList pos;
    try {
        pos = positionals(args, 2);
    } catch (const Usage& u) {
        return usageError(u, "backup", kBackupUsage);
    }
    const Folders folders = cli::localFolders(ctx);
    existingJob(folders, pos[0]);
    const QString file = QFileInfo(pos[1]).absoluteFilePath();
    if (QFileInfo::exists(file) && !overwrite)
        throw Failure(QStringLiteral("file exists: ") + file + QStringLiteral(" (use --overwrite)"));
    SilentProgress progress;
    QString error;
    const MaintenanceResult r = BackupJobFiles(folders.dataFile, pos[0], file,
                                               compressed ? BackupMode::Compressed : BackupMode::Normal, progress, &error);
    if (r != MaintenanceResult::Done)
        throw Failure(error == kJobInUse ? kJobInUse : kMaintenanceFailed + QStringLiteral(": ") + error);
    return 0;
}

int restore(Context& ctx)
{
    QStringList args = ctx.args;
    QString as;
    try {
        as = cli::takeOption(args, QStringLiteral("--as"));
    } catch (const Failure& f) {
        return usageError(Usage{QString::fromUtf8(f.what())}, "restore", kRestoreUsage);
    }
    const bool overwrite = cli::takeFlag(args, QStringLiteral("--overwrite"));
    QStringList pos;
    try {
        pos = positionals(args, 1);
    } catch (const Usage& u) {
        return usageError(u, "restore", kRestoreUsage);
    }
    const QString file = QFileInfo(pos[0]).absoluteFilePath();
    if (!QFileInfo(file).isFile())
        throw Failure(QStringLiteral("no such file: ") + file);
    const QString name = cleanJobName(as.isEmpty() ? QFileInfo(file).completeBaseName() : as);
    if (name.isEmpty())
        throw Failure(QStringLiteral("no usable job name"));
    const Folders folders = cli::localFolders(ctx);
    ScriptedMessages messages;
    createFolders(folders, messages);
    if (jobTreeFileExists(folders.dataFile, name) && !overwrite)
        throw Failure(QStringLiteral("job exists: ") + name + QStringLiteral(" (use --overwrite)"));
    SilentProgress progress;
    messages.clear();
    const RestoreOutcome out = RestoreBackup(folders.dataFile, file, true, messages, progress, {}, name);
    if (out.result != MaintenanceResult::Done) {
        QStringList said;
        for (const QString& line : messages.boxes())
            said << oneLine(line.section(QStringLiteral(": "), 1));
        throw Failure(said.join(QStringLiteral("; ")) + (out.error.isEmpty() || out.error == kJobInUse
                                                              ? QString()
                                                              : QStringLiteral(" (") + out.error + QStringLiteral(")")));
    }
    cli::printLine(out.name);
    return 0;
}

int repair(Context& ctx)
{
    QStringList pos;
    try {
        pos = positionals(ctx.args, 1);
    } catch (const Usage& u) {
        return usageError(u, "repair", kRepairUsage);
    }
    const Folders folders = cli::localFolders(ctx);
    existingJob(folders, pos[0]);
    const JobRepairOutcome out = RepairJobFiles(folders.dataFile, pos[0], folders.localTemp, kSessionPassword);
    for (const QString& line : out.lines)
        cli::printLine(line);
    if (out.failed)
        return 1;
    return out.mended ? 3 : 0;
}

int pack(Context& ctx)
{
    QStringList pos;
    try {
        pos = positionals(ctx.args, 1);
    } catch (const Usage& u) {
        return usageError(u, "pack", kPackUsage);
    }
    const Folders folders = cli::localFolders(ctx);
    const JobPaths paths = existingJob(folders, pos[0]);
    TTableEnhanced table;
    try {
        table.openTable(paths.table(), true);
        if (!table.packTable(kSessionPassword))
            throw Failure(QStringLiteral("the table could not be packed"));
    } catch (const engine::EngineError& e) {
        throw Failure(e.kind() == engine::EngineError::Kind::InUse ? kJobInUse : e.message());
    } catch (const EEnhDBError& e) {
        throw Failure(e.message());
    }
    table.closeTable();
    return 0;
}

int templ(Context& ctx)
{
    QStringList pos;
    try {
        pos = positionals(ctx.args, 2);
    } catch (const Usage& u) {
        return usageError(u, "template", kTemplateUsage);
    }
    const Folders folders = cli::localFolders(ctx);
    const JobPaths paths = existingJob(folders, pos[0]);
    ReadReport report;
    const std::optional<TreeFile> tree = readTreeFile(paths.treeFile(), &report);
    if (!tree)
        throw Failure(QStringLiteral("cannot read ") + paths.treeFile());
    QString error;
    if (!writeTemplate(QFileInfo(pos[1]).absoluteFilePath(), tree->folders, &error))
        throw Failure(oneLine(kTemplateSaveFailed.arg(error)));
    return 0;
}

ZB_CLI_COMMAND("backup", kBackupUsage, backup);
ZB_CLI_COMMAND("restore", kRestoreUsage, restore);
ZB_CLI_COMMAND("repair", "JOB   (prints the report; exit 0 sound, 3 mended, 1 failed)", repair);
ZB_CLI_COMMAND("pack", kPackUsage, pack);
ZB_CLI_COMMAND("template", kTemplateUsage, templ);

}  // namespace
