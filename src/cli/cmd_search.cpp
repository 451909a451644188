// Commands of the searches and checks: 一覧 search over a job's photos, the
// missing-input check, and the master lists of the program folder.
#include "cli/cli.h"
#include "cli/cli_folders.h"
#include "core/ports.h"
#include "core/scripted_ports.h"
#include "core/text.h"
#include "items/master.h"
#include "items/miss_check.h"
#include "items/photo_search.h"
#include "store/job_life.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;
using zb::cli::localFolders;

constexpr const char* kSearchUsage =
    "JOB --item N [--text T] [--from A] [--to B] [--method 0|1|2] [--sort N] [--direction 0|1] "
    "[--folder PATH-IN-TREE] [--level-from N] [--level-to N]   (一覧 search: matching RECORDs as JSON)";
constexpr const char* kCheckUsage = "JOB [--range 0|1|2]   (missing-input check; exit 3 when gaps were found)";

// A mistake in the command line: reported with the usage, exit code 2.
struct UsageError {
    QString reason;
};

int wholeNumber(const QString& option, const QString& text, int lo, int hi)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        throw UsageError{option + QStringLiteral(" wants a whole number from %1 to %2, not \"%3\"").arg(lo).arg(hi).arg(text)};
    return v;
}

// Removes --name VALUE; nullopt when absent.
std::optional<QString> option(QStringList& args, const QString& name)
{
    const qsizetype i = args.indexOf(name);
    if (i < 0)
        return std::nullopt;
    if (i + 1 >= args.size())
        throw UsageError{name + QStringLiteral(" needs a value")};
    const QString v = args[i + 1];
    args.remove(i, 2);
    return v;
}

struct OpenJob {
    TreeFile tree;
    engine::Table table;
    PhotoFields fields;
};

void openJob(const Context& ctx, const QString& name, OpenJob& job)
{
    if (cleanJobName(name) != name)
        throw Failure(QStringLiteral("not a job name: ") + name);
    const QString base = localFolders(ctx).dataFile + name;
    if (!QFileInfo::exists(base + QStringLiteral(".ZBD")) || !QFileInfo::exists(base + QStringLiteral(".DB")))
        throw Failure(QStringLiteral("no such job: ") + name);
    ReadReport report;
    std::optional<TreeFile> file = readTreeFile(base + QStringLiteral(".ZBD"), &report);
    if (!file)
        throw Failure(QStringLiteral("cannot read ") + base + QStringLiteral(".ZBD: ") + report.problems.join(QStringLiteral("; ")));
    job.tree = std::move(*file);
    try {
        job.table.open(base + QStringLiteral(".DB"), false);
        job.fields.lookUp(job.table);
    } catch (const engine::EngineError& e) {
        throw Failure(e.message());
    }
}

// The folder index of a caption path below the top ("工事写真/工事/施工状況写真").
int folderIndex(const Hierarchy& folders, const QString& path)
{
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    int from = 0, end = int(folders.size());
    int found = -1;
    for (int depth = 0; depth < parts.size(); ++depth) {
        found = -1;
        for (int i = from; i < end; ++i)
            if (folders[i].depth == depth && folders[i].caption == parts[depth]) {
                found = i;
                break;
            }
        if (found < 0)
            return -1;
        from = found + 1;
        end = found + 1;
        while (end < folders.size() && folders[end].depth > depth)
            ++end;
    }
    return found;
}

int search(Context& ctx)
{
    try {
        QStringList args = ctx.args;
        const std::optional<QString> item = option(args, QStringLiteral("--item"));
        const std::optional<QString> text = option(args, QStringLiteral("--text"));
        const std::optional<QString> from = option(args, QStringLiteral("--from"));
        const std::optional<QString> to = option(args, QStringLiteral("--to"));
        const std::optional<QString> method = option(args, QStringLiteral("--method"));
        const std::optional<QString> sort = option(args, QStringLiteral("--sort"));
        const std::optional<QString> direction = option(args, QStringLiteral("--direction"));
        const std::optional<QString> folder = option(args, QStringLiteral("--folder"));
        const std::optional<QString> levelFrom = option(args, QStringLiteral("--level-from"));
        const std::optional<QString> levelTo = option(args, QStringLiteral("--level-to"));
        for (const QString& a : args)
            if (a.startsWith(QStringLiteral("--")))
                throw UsageError{QStringLiteral("unknown option ") + a};
        if (args.size() != 1)
            throw UsageError{args.isEmpty() ? QStringLiteral("JOB is needed") : QStringLiteral("one JOB only")};
        if (!item)
            throw UsageError{QStringLiteral("--item is needed")};

        items::SeekQuery q;
        q.kind = *items::seekKindAt(true, wholeNumber(QStringLiteral("--item"), *item, 0, 7));
        // A number item is matched against --from and --to only; a text given
        // with it would be dropped without a word.
        if (text && items::isRangeKind(q.kind))
            throw UsageError{QStringLiteral("--item %1 is matched by --from and --to, not --text").arg(*item)};
        q.text = text.value_or(QString());
        q.lower = from.value_or(QString());
        q.upper = to.value_or(QString());
        q.mode = items::MatchMode(method ? wholeNumber(QStringLiteral("--method"), *method, 0, 2) : 2);
        q.levelFrom = levelFrom ? wholeNumber(QStringLiteral("--level-from"), *levelFrom, 0, 5) : 0;
        q.levelTo = levelTo ? wholeNumber(QStringLiteral("--level-to"), *levelTo, 0, 5) : 0;
        const int sortIndex = sort ? wholeNumber(QStringLiteral("--sort"), *sort, 0, 6) : 0;
        const int dir = direction ? wholeNumber(QStringLiteral("--direction"), *direction, 0, 1) : 0;
        if (folder && dir != 1)
            throw UsageError{QStringLiteral("--folder goes with --direction 1")};

        OpenJob job;
        openJob(ctx, args[0], job);
        int subtree = -1;
        if (dir == 1 && folder) {
            subtree = folderIndex(job.tree.folders, *folder);
            if (subtree < 0)
                throw Failure(QStringLiteral("no such folder: ") + *folder);
        }
        SilentProgress progress;
        const std::optional<QList<RECORD>> found = items::listSearch(
            job.tree.folders, job.table, job.fields, q, subtree,
            sortIndex > 0 ? std::optional(items::SeekKind(sortIndex)) : std::nullopt, progress);
        QJsonArray out;
        for (RECORD r : found.value_or(QList<RECORD>{}))
            out.append(r);
        if (out.isEmpty())
            cli::printLine(QStringLiteral("[]"));  // the JSON writer would spread it over two lines
        else
            cli::printJson(out);
        return 0;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "zbcli: %s\nusage: zbcli search %s\n", qPrintable(e.reason), kSearchUsage);
        return 2;
    }
}

int check(Context& ctx)
{
    try {
        QStringList args = ctx.args;
        const std::optional<QString> range = option(args, QStringLiteral("--range"));
        for (const QString& a : args)
            if (a.startsWith(QStringLiteral("--")))
                throw UsageError{QStringLiteral("unknown option ") + a};
        if (args.size() != 1)
            throw UsageError{args.isEmpty() ? QStringLiteral("JOB is needed") : QStringLiteral("one JOB only")};
        const int r = range ? wholeNumber(QStringLiteral("--range"), *range, 0, 2) : 0;
        OpenJob job;
        openJob(ctx, args[0], job);
        SilentProgress progress;
        const items::MissCheckResult result =
            items::checkMissingInput(job.tree.header, job.tree.folders, job.table, job.fields, r, false, progress);
        for (const QString& line : result.lines)
            cli::printLine(line);
        return result.clean ? 0 : 3;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "zbcli: %s\nusage: zbcli check %s\n", qPrintable(e.reason), kCheckUsage);
        return 2;
    }
}

// ------------------------------------------------------------------ masters

QString masterName(const QString& name)
{
    if (name.isEmpty() || name != applyNameRule(name))
        throw Failure(QStringLiteral("not a master name: ") + name);
    return name;
}

int masterList(Context& ctx)
{
    if (!ctx.args.isEmpty())
        throw Failure(QStringLiteral("master list takes no arguments"));
    const QDir dir(localFolders(ctx).mastFile);
    QStringList names;
    for (const QFileInfo& f : dir.entryInfoList({QStringLiteral("*.DB")}, QDir::Files, QDir::Name))
        names << f.completeBaseName();
    for (const QString& n : names)
        cli::printLine(n);
    return 0;
}

// A master opened for zbcli, messages collected. Changes go through the same
// guard as the master window's: the lock file's stamp in TEMPFILE/ and the
// table's write lock, so that an open master window learns of them.
struct CliMaster {
    ScriptedMessages messages;
    items::TMaster master;
    CliMaster(const Context& ctx) : master(localFolders(ctx).mastFile, localFolders(ctx).tempFile, messages) {}
};

int masterShow(Context& ctx)
{
    const QString name = masterName(cli::positional(ctx.args, 0, "NAME"));
    const Folders folders = localFolders(ctx);
    if (!QFileInfo::exists(folders.mastFile + name + QStringLiteral(".DB")))
        throw Failure(QStringLiteral("no such master: ") + name);
    CliMaster m(ctx);
    if (!m.master.load(name))
        throw Failure(QStringLiteral("cannot open the master") + cli::reasons(m.messages));
    QJsonArray out;
    for (const items::MasterEntry& e : m.master.outline())
        out.append(QJsonObject{{QStringLiteral("level"), e.depth}, {QStringLiteral("name"), e.name}});
    cli::printJson(out);
    return 0;
}

int masterImport(Context& ctx)
{
    const QString name = masterName(cli::positional(ctx.args, 0, "NAME"));
    const QString csv = cli::positional(ctx.args, 1, "FILE.CSV");
    if (!QFileInfo(csv).isFile())
        throw Failure(QStringLiteral("no such file: ") + csv);
    // A new master is made only from a file that gives an outline: a failed
    // import leaves no master behind.
    if (!QFileInfo::exists(localFolders(ctx).mastFile + name + QStringLiteral(".DB"))) {
        QFile f(csv);
        if (!f.open(QIODevice::ReadOnly))
            throw Failure(QStringLiteral("the master was not changed: ") + QString(items::kCsvUnreadable).replace(QStringLiteral("\r\n"), QStringLiteral(" ")) + csv);
        if (items::parseCostCsv(f.readAll()).outline.isEmpty())
            throw Failure(QStringLiteral("the master was not changed: ") + items::kCsvBadFormat);
    }
    QDir().mkpath(localFolders(ctx).mastFile);
    CliMaster m(ctx);
    if (!m.master.load(name))
        throw Failure(QStringLiteral("cannot open the master") + cli::reasons(m.messages));
    m.messages.clear();
    const bool changed = m.master.importCsv(csv);
    if (!changed)
        throw Failure(QStringLiteral("the master was not changed") + cli::reasons(m.messages));
    // A bad line ended reading: the master holds what was read before it.
    if (!m.messages.log.isEmpty())
        throw Failure(QStringLiteral("the master holds the entries read before the bad line") + cli::reasons(m.messages));
    return 0;
}

ZB_CLI_COMMAND("search", kSearchUsage, search);
ZB_CLI_COMMAND("check", kCheckUsage, check);
ZB_CLI_COMMAND("master list", "   (the masters of MASTFILE, one a line)", masterList);
ZB_CLI_COMMAND("master show", "NAME   (a master's entries as JSON, in table order)", masterShow);
ZB_CLI_COMMAND("master import", "NAME FILE.CSV   (replaces the master's outline by a cost-estimation CSV file)",
               masterImport);

}  // namespace
