// Commands about jobs: the job list, creating a job, showing a job's tree.
#include "cli/cli.h"
#include "cli/cli_folders.h"
#include "core/scripted_ports.h"
#include "store/data_module.h"
#include "store/folders.h"
#include "store/job_life.h"
#include "store/tree_file.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;
using zb::cli::localFolders;

int jobList(Context& ctx)
{
    const Folders folders = localFolders(ctx);
    QList<JobRow> rows = listJobs(folders.dataFile);
    sortJobRows(rows, 1);
    QJsonArray out;
    for (const JobRow& r : rows)
        out.append(QJsonObject{{QStringLiteral("name"), r.name},
                               {QStringLiteral("projectType"), r.projectType},
                               {QStringLiteral("projectName"), r.projectName},
                               {QStringLiteral("author"), r.author},
                               {QStringLiteral("progress"), r.progress},
                               {QStringLiteral("modified"), r.modifiedText}});
    cli::printJson(out);
    return 0;
}

int jobNew(Context& ctx)
{
    QStringList args = ctx.args;
    const QString templateName = cli::takeOption(args, QStringLiteral("--template"));
    const QString name = cli::positional(args, 0, "NAME");
    const Folders folders = localFolders(ctx);
    ScriptedMessages messages;
    createFolders(folders, messages);
    TDataModule_Main data(folders, messages);
    JobLife job(folders, data, messages);
    const JobLife::OpenResult result = job.createJob(name, templateName);
    job.closeJob();
    if (result != JobLife::OpenResult::Opened)
        throw Failure(messages.boxes().join(QLatin1Char('\n')));
    cli::printLine(cleanJobName(name));
    return 0;
}

int jobTree(Context& ctx)
{
    const QString name = cli::positional(ctx.args, 0, "NAME");
    const Folders folders = localFolders(ctx);
    if (cleanJobName(name) != name)
        throw Failure(QStringLiteral("not a job name: ") + name);
    const QString path = folders.dataFile + name + QStringLiteral(".ZBD");
    if (!QFileInfo::exists(path))
        throw Failure(QStringLiteral("no such job: ") + name);
    ReadReport report;
    const std::optional<TreeFile> file = readTreeFile(path, &report);
    if (!file)
        throw Failure(QStringLiteral("cannot read ") + path + QStringLiteral(": ") + report.problems.join(QStringLiteral("; ")));
    QJsonArray tree;
    for (const TreeFolder& f : file->folders) {
        QJsonArray photos;
        for (RECORD r : f.photos)
            photos.append(r);
        tree.append(QJsonObject{{QStringLiteral("caption"), f.caption},
                                {QStringLiteral("level"), f.depth},
                                {QStringLiteral("photos"), photos}});
    }
    QJsonObject out{{QStringLiteral("name"), name}, {QStringLiteral("folders"), tree}};
    if (report.damaged)
        out.insert(QStringLiteral("problems"), QJsonArray::fromStringList(report.problems));
    cli::printJson(out);
    return 0;
}

ZB_CLI_COMMAND("job list", "", jobList);
ZB_CLI_COMMAND("job new", "NAME [--template T]", jobNew);
ZB_CLI_COMMAND("job tree", "NAME", jobTree);

}  // namespace
