// Commands that show item values as the item grids show them: a job's
// construction information and a photo's information, keyed by grid label.
#include "cli/cli.h"
#include "cli/cli_folders.h"
#include "items/choice_lists.h"
#include "items/item_values.h"
#include "store/engine/table.h"
#include "store/folders.h"
#include "store/job_life.h"
#include "store/tree_file.h"

#include <QFileInfo>
#include <QJsonObject>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;
using zb::cli::localFolders;

QString jobPath(const Context& ctx, const QString& name, const char* extension)
{
    if (cleanJobName(name) != name)
        throw Failure(QStringLiteral("not a job name: ") + name);
    const QString path = localFolders(ctx).dataFile + name + QLatin1String(extension);
    if (!QFileInfo::exists(path))
        throw Failure(QStringLiteral("no such job: ") + name);
    return path;
}

QJsonObject toJson(const items::ItemTexts& texts)
{
    QJsonObject out;
    for (auto it = texts.begin(); it != texts.end(); ++it)
        out.insert(it.key(), it.value());
    return out;
}

int jobInfo(Context& ctx)
{
    const QString name = cli::positional(ctx.args, 0, "NAME");
    const QString path = jobPath(ctx, name, ".ZBD");
    ReadReport report;
    const std::optional<TreeFile> file = readTreeFile(path, &report);
    if (!file)
        throw Failure(QStringLiteral("cannot read ") + path + QStringLiteral(": ") + report.problems.join(QStringLiteral("; ")));
    cli::printJson(toJson(items::showJobHeader(file->header)));
    return 0;
}

int photoInfo(Context& ctx)
{
    const QString name = cli::positional(ctx.args, 0, "NAME");
    const QString recordText = cli::positional(ctx.args, 1, "RECORD");
    bool ok = false;
    const RECORD record = recordText.toInt(&ok);
    if (!ok)
        throw Failure(QStringLiteral("not a record number: ") + recordText);
    const QString path = jobPath(ctx, name, ".DB");

    engine::Table table;
    PhotoFields fields;
    try {
        table.open(path, false);
        fields.lookUp(table);
        if (fields[F_RECORD] < 0 || !table.locate(record))
            throw Failure(QStringLiteral("no such photo: ") + recordText);
    } catch (const engine::EngineError& e) {
        throw Failure(e.message());
    }
    // The sorting flag is shown by the user's list, as in the grid.
    const items::ChoiceLists lists(localFolders(ctx).userFile + items::kMenuFileName);
    const QString flagLabel = items::findPhotoItem(F_FLAG)->label;
    const items::ChoiceListMap map{{flagLabel, lists.read(flagLabel)}};
    cli::printJson(toJson(items::showPhotoRow(table, fields, map)));
    return 0;
}

ZB_CLI_COMMAND("job info", "NAME   (construction information by grid label)", jobInfo);
ZB_CLI_COMMAND("photo", "NAME RECORD   (a photo's information by grid label)", photoInfo);

}  // namespace
