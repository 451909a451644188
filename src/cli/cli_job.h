#pragma once
// A job opened for one zbcli command, as the program opens it (data module,
// job life, photo table fields), and closed when the command ends; and the
// usage line with exit status 2 for a bad command line.
#include "cli/cli.h"
#include "cli/cli_folders.h"
#include "core/scripted_ports.h"
#include "store/data_module.h"
#include "store/job_life.h"
#include "store/photo_table.h"

#include <cstdio>
#include <memory>

namespace zb::cli {

struct UsageError {
    QString reason;
};

inline int usageExit(const UsageError& e, const char* command, const char* usage)
{
    std::fprintf(stderr, "zbcli: %s\nusage: zbcli %s %s\n", qPrintable(e.reason), command, usage);
    return 2;
}

struct OpenJob {
    // What opening said; a failed open names it in its Failure.
    ScriptedMessages messages;
    Folders folders;
    std::unique_ptr<TDataModule_Main> data;
    std::unique_ptr<JobLife> job;
    PhotoFields fields;

    OpenJob(const Context& ctx, const QString& name) : folders(localFolders(ctx))
    {
        if (cleanJobName(name) != name)
            throw Failure(QStringLiteral("not a job name: ") + name);
        if (!jobTreeFileExists(folders.dataFile, name))
            throw Failure(QStringLiteral("no such job: ") + name);
        data = std::make_unique<TDataModule_Main>(folders, messages);
        job = std::make_unique<JobLife>(folders, *data, messages);
        if (job->openChosen({name, QString()}) != JobLife::OpenResult::Opened)
            throw Failure(QStringLiteral("cannot open job: ") + name + reasons(messages));
        fields.lookUp(job->photoTable());
    }
    ~OpenJob()
    {
        if (job && job->isOpen())
            job->closeJob();
    }
    OpenJob(const OpenJob&) = delete;
    OpenJob& operator=(const OpenJob&) = delete;

    bool hasRow(RECORD r) { return job->photoTable().locate(r); }
};

}  // namespace zb::cli
