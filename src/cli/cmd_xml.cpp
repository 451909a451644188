// The electronic delivery and the HTML album without a window: writing a
// job's PHOTO.XML set, reading a set back into ＸＭＬ入力, the parsed tree of an
// XML file, and the HTML album.
#include "cli/cli.h"
#include "cli/cli_folders.h"
#include "cli/cli_job.h"
#include "core/inifile.h"
#include "core/scripted_ports.h"
#include "delivery/delivery_check.h"
#include "delivery/delivery_export.h"
#include "delivery/delivery_rules.h"
#include "delivery/delivery_import.h"
#include "delivery/html_album.h"
#include "delivery/xml_tree.h"
#include "store/data_module.h"
#include "store/job_life.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QUrl>
#include <cstdio>
#include <memory>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;

// A message box's text on standard error, its line breaks as they are.
void printText(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fprintf(stderr, "%s\n", t.toUtf8().constData());
}

// Every box but the given kinds, on standard error.
void printBoxes(const ScriptedMessages& m, const QStringList& skipKinds = {})
{
    for (const QString& line : m.boxes()) {
        bool skip = false;
        for (const QString& k : skipKinds)
            skip = skip || line.startsWith(k + QStringLiteral(": "));
        if (!skip)
            printText(line.mid(line.indexOf(QStringLiteral(": ")) + 2));
    }
}

int wholeNumber(const QString& option, const QString& text, int lo, int hi)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi)
        throw Failure(option + QStringLiteral(" wants a whole number from %1 to %2, not \"%3\"").arg(lo).arg(hi).arg(text));
    return v;
}

void noMoreOptions(const QStringList& args, int positionals)
{
    for (const QString& a : args)
        if (a.startsWith(QStringLiteral("--")))
            throw Failure(QStringLiteral("unknown option ") + a);
    if (args.size() > positionals)
        throw Failure(QStringLiteral("too many arguments"));
}

// A job opened for one command, closed when it ends; what opening said is
// not part of the command's report.
struct OpenJob : cli::OpenJob {
    OpenJob(const Context& ctx, const QString& name) : cli::OpenJob(ctx, name) { messages.clear(); }
    ExportJob exportJob()
    {
        ExportJob j;
        j.header = &job->file().header;
        j.folders = &job->file().folders;
        j.table = &job->photoTable();
        j.fields.lookUp(job->photoTable());
        j.sysFile = folders.sysFile;
        j.programFilesDir = folders.programFilesDir;
        return j;
    }
};

QString existingFolder(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        throw Failure(QStringLiteral("no such folder: ") + path);
    return info.absoluteFilePath();
}

// The value of --standard: an edition's code or "draft"; a usage error otherwise.
QString standardOption(QStringList& args)
{
    const QString v = cli::takeOption(args, QStringLiteral("--standard"), photoStandards().front().code);
    if (v == kDraftStandard || findPhotoStandard(v))
        return v;
    QStringList codes;
    for (const PhotoStandard& s : photoStandards())
        codes << s.code;
    throw cli::UsageError{
        QStringLiteral("--standard wants one of %1 or draft, not \"%2\"").arg(codes.join(QStringLiteral(", ")), v)};
}

const char* kExportUsage = "JOB DIR [--standard CODE|draft] [--original] [--viewer 0|1|2] [--disc-size MB]";

int xmlExport(Context& ctx)
{
    QStringList args = ctx.args;
    ExportOptions o;
    try {
        o.standard = standardOption(args);
    } catch (const cli::UsageError& e) {
        return cli::usageExit(e, "xml export", kExportUsage);
    }
    o.original = cli::takeFlag(args, QStringLiteral("--original"));
    o.viewer = wholeNumber(QStringLiteral("--viewer"), cli::takeOption(args, QStringLiteral("--viewer"), QStringLiteral("0")), 0, 2);
    const QString size = cli::takeOption(args, QStringLiteral("--disc-size"));
    if (!size.isEmpty()) {
        o.discImage = true;
        o.discSize = wholeNumber(QStringLiteral("--disc-size"), size, 10, 9999);
    }
    // The current layout delivers the imported pictures and no viewer.
    if (o.standard != kDraftStandard && o.original)
        return cli::usageExit({QStringLiteral("--original is for the draft layout only (--standard draft)")},
                              "xml export", kExportUsage);
    if (o.standard != kDraftStandard && o.viewer != 0)
        return cli::usageExit({QStringLiteral("--viewer 1 and 2 are for the draft layout only (--standard draft)")},
                              "xml export", kExportUsage);
    const QString name = cli::positional(args, 0, "JOB");
    o.folder = existingFolder(cli::positional(args, 1, "DIR"));
    noMoreOptions(args, 2);

    OpenJob open(ctx, name);
    const ExportJob job = open.exportJob();
    // No question: what the checks find is told, and the export goes on.
    QStringList lines;
    exportCheckAllows(job, open.messages, &lines);
    for (const QString& l : lines)
        printText(l);
    open.messages.clear();
    std::optional<DeliverySet> set = exportedSet(job, o, open.messages);
    if (!set) {
        printBoxes(open.messages);
        return 1;
    }
    if (set->layout == DeliveryLayout::Photo05)
        for (const DeliveryFinding& f : checkDeliverySet(*set, job.header))
            printText(findingLine(f));
    SilentProgress progress;
    ExportReport report;
    const ExportResult r = writeDelivery(job, *set, o, open.messages, progress, &report);
    printBoxes(open.messages, {QStringLiteral("information")});
    if (r != ExportResult::Done)
        return 1;
    cli::printJson(QJsonObject{{QStringLiteral("folder"), o.folder},
                               {QStringLiteral("discs"), report.discs},
                               {QStringLiteral("photos"), report.photos},
                               {QStringLiteral("drawings"), report.drawings}});
    return 0;
}

// The findings of the delivery check as JSON objects.
QJsonArray findingsJson(const QList<DeliveryFinding>& findings)
{
    QJsonArray out;
    for (const DeliveryFinding& f : findings) {
        auto orNull = [](const QString& s) { return s.isEmpty() ? QJsonValue() : QJsonValue(s); };
        out.append(QJsonObject{
            {QStringLiteral("level"), f.isError() ? QStringLiteral("error") : QStringLiteral("warning")},
            {QStringLiteral("serial"), f.serial ? QJsonValue(double(*f.serial)) : QJsonValue()},
            {QStringLiteral("file"), orNull(f.file)},
            {QStringLiteral("element"), orNull(f.element)},
            {QStringLiteral("message"), f.message}});
    }
    return out;
}

int xmlCheck(Context& ctx)
{
    QStringList args = ctx.args;
    const QString dir = cli::positional(args, 0, "DIR");
    noMoreOptions(args, 1);
    const FolderCheck c = checkDeliveryFolder(QFileInfo(dir).absoluteFilePath());
    if (!c.readable) {
        printText(c.error);
        return 1;
    }
    cli::printJson(findingsJson(c.findings));
    return hasErrors(c.findings) ? 3 : 0;
}

int xmlImport(Context& ctx)
{
    QStringList args = ctx.args;
    const QString dir = cli::positional(args, 0, "DIR");
    noMoreOptions(args, 1);
    const Folders folders = cli::localFolders(ctx);
    ScriptedMessages m;
    createFolders(folders, m);
    DeliveryImportOptions o;
    o.folder = QFileInfo(dir).absoluteFilePath();
    o.askMedia = false;
    const IniFile ini(folders.iniDir + QStringLiteral("ZB.INI"));
    o.libxml2 = ini.readBool(QStringLiteral("MainPrg_Env"), QStringLiteral("MsXmlParser"), true);
    SilentProgress progress;
    m.clear();
    const DeliveryImportResult r = importDelivery(folders, o, m, progress, [] { return true; });
    using Outcome = DeliveryImportResult::Outcome;
    switch (r.outcome) {
    case Outcome::Imported:
        for (const QString& missing : r.missing)
            printText(QStringLiteral("DUMMY.JPG: ") + missing);
        printBoxes(m, {QStringLiteral("beep")});
        cli::printLine(kXmlImportJob);
        return 0;
    case Outcome::NoXml:
        printText(kImportNoXml);
        return 1;
    default:
        printBoxes(m);
        return 1;
    }
}

QJsonArray treeJson(const std::vector<std::unique_ptr<XmlNode>>& nodes)
{
    QJsonArray out;
    for (const auto& n : nodes)
        out.append(QJsonObject{{QStringLiteral("caption"), n->caption},
                               {QStringLiteral("value"), n->value},
                               {QStringLiteral("children"), treeJson(n->children)}});
    return out;
}

int xmlTree(Context& ctx)
{
    QStringList args = ctx.args;
    TXMLTreeView tree;
    tree.MSXML = cli::takeFlag(args, QStringLiteral("--libxml2"));
    const QString file = cli::positional(args, 0, "FILE");
    noMoreOptions(args, 1);
    if (!QFileInfo(file).isFile())
        throw Failure(QStringLiteral("no such file: ") + file);
    if (!tree.LoadFromFile(QFileInfo(file).absoluteFilePath(), nullptr)) {
        printText(tree.errorText());
        return 1;
    }
    cli::printJson(treeJson(tree.nodes()));
    return 0;
}

int html(Context& ctx)
{
    QStringList args = ctx.args;
    const bool open = cli::takeFlag(args, QStringLiteral("--open"));
    HtmlOptions o;
    o.original = cli::takeFlag(args, QStringLiteral("--original"));
    const QString name = cli::positional(args, 0, "JOB");
    o.folder = existingFolder(cli::positional(args, 1, "DIR"));
    noMoreOptions(args, 2);
    OpenJob job(ctx, name);
    SilentProgress progress;
    QString page;
    const HtmlResult r = writeHtmlAlbum(job.exportJob(), o, job.messages, progress, &page);
    printBoxes(job.messages);
    if (r != HtmlResult::Done)
        return 1;
    cli::printLine(page);
    if (open && !QDesktopServices::openUrl(QUrl::fromLocalFile(page)))
        printText(QStringLiteral("no program opens ") + page);
    return 0;
}

ZB_CLI_COMMAND("xml export",
               "JOB DIR [--standard CODE|draft] [--original] [--viewer 0|1|2] [--disc-size MB]   (PHOTO.XML set; JSON "
               "summary)",
               xmlExport);
ZB_CLI_COMMAND("xml check", "DIR   (the delivery check of the set in DIR: JSON findings; exit 3 with errors)", xmlCheck);
ZB_CLI_COMMAND("xml import", "DIR   (the set in DIR becomes the job ＸＭＬ入力; prints its name)", xmlImport);
ZB_CLI_COMMAND("xml tree", "FILE [--libxml2]   (the parsed tree as JSON: caption, value, children)", xmlTree);
ZB_CLI_COMMAND("html", "JOB DIR [--original] [--open]   (HTML album in DIR/ALBUM; prints ALBUM.HTM)", html);

}  // namespace
