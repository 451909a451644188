// Edits of stored photos without a window: quarter turns and the return to
// the imported picture of one row, the thumbnail rebuild of a whole job, a
// picture field taken out of a job, and a file attached as a drawing.
#include "cli/cli.h"
#include "cli/cli_folders.h"
#include "cli/cli_job.h"
#include "core/scripted_ports.h"
#include "imaging/import.h"
#include "imaging/photo_edits.h"
#include "store/data_module.h"
#include "store/folders.h"
#include "store/job_files.h"
#include "store/job_life.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSaveFile>
#include <cstdio>
#include <memory>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;
using zb::cli::OpenJob;
using zb::cli::UsageError;
using zb::cli::usageExit;

RECORD recordArgument(const QString& text)
{
    bool ok = false;
    const int r = text.toInt(&ok);
    if (!ok || r <= 0)
        throw UsageError{QStringLiteral("RECORD wants a positive whole number, not \"%1\"").arg(text)};
    return RECORD(r);
}

const char* kEditUsage = "JOB RECORD (--rotate 90|180|270 [--yes] | --original)";

int editCommand(Context& ctx)
{
    QStringList args = ctx.args;
    QString rotate;
    bool original = false, yes = false;
    QString name;
    RECORD record = 0;
    int r = 0;
    try {
        const bool hasRotate = args.contains(QStringLiteral("--rotate"));
        rotate = cli::takeOption(args, QStringLiteral("--rotate"));
        original = cli::takeFlag(args, QStringLiteral("--original"));
        yes = cli::takeFlag(args, QStringLiteral("--yes"));
        if (hasRotate == original)
            throw UsageError{QStringLiteral("give exactly one of --rotate and --original")};
        if (hasRotate) {
            if (rotate == QLatin1String("90"))
                r = 1;
            else if (rotate == QLatin1String("180"))
                r = 2;
            else if (rotate == QLatin1String("270"))
                r = 3;
            else
                throw UsageError{QStringLiteral("--rotate wants 90, 180 or 270, not \"%1\"").arg(rotate)};
        }
        if (args.size() != 2)
            throw UsageError{QStringLiteral("wants JOB and RECORD")};
        name = args[0];
        record = recordArgument(args[1]);
    } catch (const UsageError& e) {
        return usageExit(e, "edit", kEditUsage);
    }

    OpenJob open(ctx, name);
    if (!open.hasRow(record))
        throw Failure(QStringLiteral("no such row: %1").arg(record));
    ScriptedMessages& m = open.messages;
    m.clear();
    // The metafile question is answered by --yes; the return question is yes.
    m.reply(original || yes);
    SilentProgress progress;
    PhotoEditContext c{open.job->photoTable(), open.fields, m, progress, [&] { open.job->setChanged(); }, {}};
    const EditRunResult result = original ? ReturnToOriginal(c, {record}) : RunPhotoEdit(c, {record}, r);
    if (result.stopped && !original)
        throw Failure(kMetafileEditOne);
    if (result.failed)
        throw Failure(QStringLiteral("cannot edit row %1").arg(record) + cli::reasons(m));
    if (!open.job->closeJob())
        throw Failure(QStringLiteral("cannot save the job") + cli::reasons(m));
    cli::printJson(QJsonObject{{QStringLiteral("record"), int(record)},
                               {QStringLiteral("changed"), !result.changed.isEmpty()}});
    return 0;
}

ZB_CLI_COMMAND("edit", "JOB RECORD (--rotate 90|180|270 [--yes] | --original)", editCommand);

int thumbnailsCommand(Context& ctx)
{
    if (ctx.args.size() != 1)
        return usageExit(UsageError{QStringLiteral("wants JOB")}, "thumbnails", "JOB");
    OpenJob open(ctx, ctx.args[0]);
    ScriptedMessages& m = open.messages;
    m.clear();
    SilentProgress progress;
    PhotoEditContext c{open.job->photoTable(), open.fields, m, progress, [&] { open.job->setChanged(); }, {}};
    const RebuildResult result = RebuildThumbnails(c, false);
    open.job->closeJob();
    for (RECORD r : result.failed)
        cli::printLine(QString::number(r));
    std::fprintf(stderr, "zbcli: %d rebuilt, %d could not be read\n", result.rebuilt, int(result.failed.size()));
    return result.failed.isEmpty() ? 0 : 1;
}

ZB_CLI_COMMAND("thumbnails", "JOB", thumbnailsCommand);

const char* kPictureUsage = "JOB RECORD OUT [--field IMAGE_ORG|IMAGE_NOW|THUMBNAIL|ALBUM|current]";

int pictureCommand(Context& ctx)
{
    QStringList args = ctx.args;
    QString field;
    RECORD record = 0;
    try {
        field = cli::takeOption(args, QStringLiteral("--field"), QStringLiteral("current"));
        static const QStringList fields = {QStringLiteral("IMAGE_ORG"), QStringLiteral("IMAGE_NOW"),
                                           QStringLiteral("THUMBNAIL"), QStringLiteral("ALBUM"),
                                           QStringLiteral("current")};
        if (!fields.contains(field))
            throw UsageError{QStringLiteral("--field wants one of %1, not \"%2\"").arg(fields.join(u'|'), field)};
        if (args.size() != 3)
            throw UsageError{QStringLiteral("wants JOB, RECORD and OUT")};
        record = recordArgument(args[1]);
    } catch (const UsageError& e) {
        return usageExit(e, "picture", kPictureUsage);
    }
    OpenJob open(ctx, args[0]);
    TTableEnhanced& table = open.job->photoTable();
    if (!open.hasRow(record))
        throw Failure(QStringLiteral("no such row: %1").arg(record));
    QByteArray bytes;
    if (field == QLatin1String("current")) {
        bytes = currentPicture(table, open.fields).bytes;
    } else {
        const PhotoField f = field == QLatin1String("IMAGE_ORG")   ? F_IMAGE_ORG
                             : field == QLatin1String("IMAGE_NOW") ? F_IMAGE_NOW
                             : field == QLatin1String("THUMBNAIL") ? F_THUMBNAIL
                                                                   : F_ALBUM;
        if (open.fields[f] >= 0 && !table.isNull(open.fields[f]))
            bytes = table.readBlob(open.fields[f]);
    }
    if (bytes.isEmpty())
        throw Failure(QStringLiteral("empty field"));
    QSaveFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw Failure(QStringLiteral("cannot write ") + args[2]);
    return 0;
}

ZB_CLI_COMMAND("picture", "JOB RECORD OUT [--field IMAGE_ORG|IMAGE_NOW|THUMBNAIL|ALBUM|current]", pictureCommand);

int drawingAddCommand(Context& ctx)
{
    const QStringList& args = ctx.args;
    RECORD photo = 0;
    try {
        if (args.size() != 3)
            throw UsageError{QStringLiteral("wants JOB, RECORD and FILE")};
        photo = recordArgument(args[1]);
    } catch (const UsageError& e) {
        return usageExit(e, "drawing add", "JOB RECORD FILE");
    }
    const QFileInfo file(args[2]);
    if (!file.isFile())
        throw Failure(QStringLiteral("no such file: ") + args[2]);
    OpenJob open(ctx, args[0]);
    if (!open.hasRow(photo))
        throw Failure(QStringLiteral("no such row: %1").arg(photo));
    ScriptedMessages& m = open.messages;
    m.clear();
    const JobPaths paths{open.folders.dataFile, open.job->name()};
    ImportJob ij;
    ij.table = &open.job->photoTable();
    ij.fields = open.fields;
    ij.backFolder = paths.backFolder();
    ij.paths = paths;
    ij.compressed = QFileInfo::exists(paths.compressedMarker());
    ImportTarget target;
    target.drawing = true;
    target.selectedPhotos = {photo};
    ImportResult result;
    SilentProgress progress;
    const bool ok = ImportPictures(ij, QStringList{file.absoluteFilePath()}, target, ImportSettings{}, m, progress, &result);
    if (result.changed)
        open.job->setChanged();
    open.job->closeJob();
    if (!ok || result.added.isEmpty())
        throw Failure(QStringLiteral("cannot attach ") + args[2] + cli::reasons(m));
    cli::printLine(QString::number(result.added.first()));
    return 0;
}

ZB_CLI_COMMAND("drawing add", "JOB RECORD FILE", drawingAddCommand);

}  // namespace
