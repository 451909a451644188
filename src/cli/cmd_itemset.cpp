// Commands that store item values by grid label, for scripts that fill in
// many photos at once: the same conversions and limits as the item grids, and
// nothing stored when any value of the command is refused.
#include "cli/cli.h"
#include "cli/cli_folders.h"
#include "items/choice_lists.h"
#include "items/grid_input.h"
#include "items/item_values.h"
#include "store/job_life.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QFileInfo>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;
using zb::cli::localFolders;

QString jobBase(const Context& ctx, const QString& name)
{
    if (cleanJobName(name) != name)
        throw Failure(QStringLiteral("not a job name: ") + name);
    const QString base = localFolders(ctx).dataFile + name;
    if (!QFileInfo::exists(base + QStringLiteral(".ZBD")) || !QFileInfo::exists(base + QStringLiteral(".DB")))
        throw Failure(QStringLiteral("no such job: ") + name);
    return base;
}

// LABEL=VALUE arguments checked against the group's rows: the grid texts by
// label, or a Failure naming every value refused.
items::ItemTexts acceptAll(const Context& ctx, const QStringList& pairs, items::Group group)
{
    if (pairs.isEmpty())
        throw Failure(QStringLiteral("missing LABEL=VALUE"));
    const items::ChoiceLists lists(localFolders(ctx).userFile + items::kMenuFileName);
    items::ItemTexts out;
    QStringList refused;
    for (const QString& pair : pairs) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            refused << pair + QStringLiteral(": not LABEL=VALUE");
            continue;
        }
        const QString label = pair.left(eq);
        const QString value = pair.mid(eq + 1);
        const items::ItemDef* item = items::findItem(group, label);
        if (!item) {
            refused << label + QStringLiteral(": no such item");
            continue;
        }
        QStringList list;
        if (item->headerSlot == items::HeaderSlot::Progress)
            list = progressLabels();
        else if (item->choiceOnly) {
            if (item->registrable)
                list = lists.read(item->label);
            if (list.isEmpty())
                list = item->defaultList;
        }
        const items::GridInput in = items::acceptGridText(*item, value, list);
        if (!in.ok) {
            refused << label + QStringLiteral(": ") + in.reason;
            continue;
        }
        out.insert(label, in.text);
    }
    if (!refused.isEmpty())
        throw Failure(QStringLiteral("nothing stored: ") + refused.join(QStringLiteral("; ")));
    return out;
}

int jobSet(Context& ctx)
{
    const QString name = cli::positional(ctx.args, 0, "NAME");
    const QString base = jobBase(ctx, name);
    const items::ItemTexts texts = acceptAll(ctx, ctx.args.mid(1), items::Group::Koji);
    // The job must not be open elsewhere: its table is held while it is.
    engine::Table guard;
    try {
        guard.open(base + QStringLiteral(".DB"), true);
    } catch (const engine::EngineError& e) {
        throw Failure(QStringLiteral("the job is in use: ") + e.message());
    }
    ReadReport report;
    std::optional<TreeFile> file = readTreeFile(base + QStringLiteral(".ZBD"), &report);
    if (!file || report.damaged)
        throw Failure(QStringLiteral("cannot read ") + base + QStringLiteral(".ZBD: ") + report.problems.join(QStringLiteral("; ")));
    items::storeJobHeader(file->header, texts);
    QString error;
    if (!writeTreeFile(base + QStringLiteral(".ZBD"), *file, &error))
        throw Failure(QStringLiteral("cannot write the job: ") + error);
    return 0;
}

int photoSet(Context& ctx)
{
    const QString name = cli::positional(ctx.args, 0, "NAME");
    const QString recordText = cli::positional(ctx.args, 1, "RECORD");
    bool ok = false;
    const RECORD record = recordText.toInt(&ok);
    if (!ok)
        throw Failure(QStringLiteral("not a record number: ") + recordText);
    const QString base = jobBase(ctx, name);
    const items::ItemTexts texts = acceptAll(ctx, ctx.args.mid(2), items::Group::Photo);
    engine::Table table;
    try {
        table.open(base + QStringLiteral(".DB"), true);
        PhotoFields fields;
        fields.lookUp(table);
        if (fields[F_RECORD] < 0 || !table.locate(record))
            throw Failure(QStringLiteral("no such photo: ") + recordText);
        table.edit();
        items::storePhotoRow(table, fields, texts);
        table.post();
    } catch (const engine::EngineError& e) {
        throw Failure(e.message());
    }
    return 0;
}

ZB_CLI_COMMAND("job set", "NAME LABEL=VALUE...   (construction information by grid label)", jobSet);
ZB_CLI_COMMAND("photo set", "NAME RECORD LABEL=VALUE...   (a photo's information by grid label)", photoSet);

}  // namespace
