// Printing albums and formats into PDF files, as printing on a printer does:
// the paper check, page order for copies, the album's print offsets and page
// numbers, photos decoded from their current pictures at print resolution.
#include "album/album_document.h"
#include "album/document_file.h"
#include "album/document_print.h"
#include "album/paper_sizes.h"
#include "album/photo_binding.h"
#include "album/printer_env.h"
#include "cli/cli.h"
#include "cli/cli_documents.h"
#include "cli/cli_folders.h"
#include "cli/cli_job.h"
#include "core/scripted_ports.h"
#include "settings/settings.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/job_life.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <cstdio>
#include <memory>

namespace {

using namespace zb;
using namespace zb::album;
using zb::cli::Context;
using zb::cli::Failure;
using zb::cli::UsageError;
using zb::cli::usageExit;

CommonSettings companyValues(const Folders& folders)
{
    CommonSettings c;
    SettingsStore store(folders.iniDir + QStringLiteral("ZB.INI"), folders.userFile + QStringLiteral("ZBCOMN.LST"));
    store.readCommon(c);
    return c;
}

int parseNumber(const QString& text, int low, int high, const char* what)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < low || n > high)
        throw UsageError{QStringLiteral("%1 wants a number %2-%3, not \"%4\"")
                             .arg(QString::fromLatin1(what))
                             .arg(low)
                             .arg(high)
                             .arg(text)};
    return n;
}

// Prints the pages of a read document into a PDF file; messages the printing
// gave go to standard error.
int printToPdf(const DocumentFile& file, PrintSource source, PrintOptions options, const QString& out, int dpi)
{
    const TGrphFileHeader& h = file.header;
    source.orientation = h.orientation;
    source.pageStart = h.pageStart;
    source.pageAt = [&file, &h](int number) {
        Page page;
        page.orientation = h.orientation;
        const auto it = file.pages.constFind(number);
        if (it != file.pages.constEnd())
            if (std::optional<Page> p = decodePage(it.value()))
                page = *p;
        return page;
    };
    options.paperCode = h.paperCode;
    options.orientation = h.orientation;
    options.title = h.title.isEmpty() ? QStringLiteral("ZBWin") : QStringLiteral("ZBWin - ") + h.title;

    ScriptedMessages messages;
    SilentProgress progress;
    TPrinterEnv env(std::make_unique<PdfPrintDevice>(out, dpi));
    const bool knownPaper = env.paperIndex(h.paperCode) >= 0;
    const PrintReport report = PrintDocument(env, printPagesOf(source), options, messages, progress);
    if (!knownPaper)
        std::fprintf(stderr, "zbcli: note: paper code %d is not known; printed on A4\n", int(h.paperCode));
    if (report.outcome == PrintOutcome::Failed)
        throw Failure(QStringLiteral("printing failed") + cli::reasons(messages));
    if (report.pagesPrinted == 0)
        throw Failure(QStringLiteral("no page to print in %1-%2").arg(options.from).arg(options.to));
    for (const QString& box : messages.boxes())
        if (!box.endsWith(kPaperNotListedMessage))
            std::fprintf(stderr, "zbcli: %s\n", qPrintable(box));
    cli::printJson(QJsonObject{{"pdf", QFileInfo(out).absoluteFilePath()},
                               {"pages", report.pagesPrinted},
                               {"jobs", report.jobs}});
    return 0;
}

const char* kAlbumPdfUsage = "JOB ALBUM OUT.pdf [--pages A-B] [--copies N] [--collate] [--dpi N]";

int albumPdfCommand(Context& ctx)
{
    QStringList args = ctx.args;
    int from = 1, to = kMaxPage, copies = 1, dpi = 300;
    bool collate = false, rangeGiven = false;
    try {
        const QString pages = cli::takeOption(args, QStringLiteral("--pages"));
        const QString copiesText = cli::takeOption(args, QStringLiteral("--copies"), QStringLiteral("1"));
        const QString dpiText = cli::takeOption(args, QStringLiteral("--dpi"), QStringLiteral("300"));
        collate = cli::takeFlag(args, QStringLiteral("--collate"));
        if (args.size() != 3)
            throw UsageError{QStringLiteral("wants JOB, ALBUM and OUT.pdf")};
        if (!pages.isEmpty()) {
            rangeGiven = true;
            const QStringList ends = pages.split(u'-');
            if (ends.size() > 2)
                throw UsageError{QStringLiteral("--pages wants A-B, not \"%1\"").arg(pages)};
            from = parseNumber(ends[0], 1, kMaxPage, "--pages");
            to = ends.size() == 2 ? parseNumber(ends[1], 1, kMaxPage, "--pages") : from;
            if (to < from)
                throw UsageError{QStringLiteral("--pages wants A not above B, not \"%1\"").arg(pages)};
        }
        copies = parseNumber(copiesText, 1, 99, "--copies");
        dpi = parseNumber(dpiText, 50, 1200, "--dpi");
    } catch (const UsageError& e) {
        return usageExit(e, "album pdf", kAlbumPdfUsage);
    } catch (const Failure& f) {
        return usageExit({QString::fromUtf8(f.what())}, "album pdf", kAlbumPdfUsage);
    }
    const QString jobName = args[0], out = args[2];
    QString album = args[1];
    if (!album.endsWith(QStringLiteral(".ZBA"), Qt::CaseInsensitive))
        album += QStringLiteral(".ZBA");
    if (cleanJobName(jobName) != jobName || jobName.isEmpty())
        throw Failure(QStringLiteral("not a job name: ") + jobName);
    if (album.contains(u'/') || album.contains(u'\\') || album.startsWith(u'.'))
        throw Failure(QStringLiteral("not an album name: ") + args[1]);

    const Folders folders = cli::localFolders(ctx);
    if (!jobTreeFileExists(folders.dataFile, jobName))
        throw Failure(QStringLiteral("no such job: ") + jobName);
    const QString path = JobPaths{folders.dataFile, jobName}.albumFolder() + album;
    if (!QFile::exists(path))
        throw Failure(QStringLiteral("no such album: ") + path);
    const DocumentFile file = cli::readCheckedDocument(path);
    if (file.pages.isEmpty())
        throw Failure(QStringLiteral("the album has no pages: ") + path);

    ScriptedMessages jobMessages;
    TDataModule_Main data(folders, jobMessages);
    JobLife job(folders, data, jobMessages);
    if (job.openChosen({jobName, QString()}) != JobLife::OpenResult::Opened)
        throw Failure(QStringLiteral("cannot open job: ") + jobName + cli::reasons(jobMessages));
    struct Closer {
        JobLife& job;
        ~Closer()
        {
            if (job.isOpen())
                job.closeJob();
        }
    } closer{job};
    PhotoFields fields;
    fields.lookUp(job.photoTable());
    FramePictures pictures(job.photoTable(), fields);

    PrintSource source;
    source.mode = DrawMode::Album;
    source.pageCount = file.pages.lastKey();
    source.pictures = &pictures;
    source.today = QDate::currentDate();
    PrintOptions options;
    options.from = from;
    options.to = rangeGiven ? to : source.pageCount;
    options.copies = copies;
    options.collate = collate;
    options.offsetMm = QPointF(double(file.header.offsetX) / kCurrencyScale, double(file.header.offsetY) / kCurrencyScale);
    return printToPdf(file, source, options, out, dpi);
}

const char* kFormatPdfUsage = "FORMAT OUT.pdf";

int formatPdfCommand(Context& ctx)
{
    const QStringList& args = ctx.args;
    if (args.size() != 2)
        return usageExit({QStringLiteral("wants FORMAT and OUT.pdf")}, "format pdf", kFormatPdfUsage);
    const Folders folders = cli::localFolders(ctx);
    // A format of the format folder by its name, or a format file by its path.
    QString path = args[0];
    if (!QFileInfo(path).isFile()) {
        QString name = args[0];
        if (!name.endsWith(QStringLiteral(".ZBF"), Qt::CaseInsensitive))
            name += QStringLiteral(".ZBF");
        if (name.contains(u'/') || name.contains(u'\\') || !QFileInfo(folders.formFile + name).isFile())
            throw Failure(QStringLiteral("no such format: ") + args[0]);
        path = folders.formFile + name;
    }
    const DocumentFile file = cli::readCheckedDocument(path);
    PrintSource source;
    source.mode = DrawMode::Format;
    source.pageCount = 1;
    source.company = companyValues(folders);
    source.today = QDate::currentDate();
    PrintOptions options;  // a format prints without offsets
    options.from = options.to = 1;
    return printToPdf(file, source, options, args[1], 300);
}

ZB_CLI_COMMAND("album pdf", kAlbumPdfUsage, albumPdfCommand);
ZB_CLI_COMMAND("format pdf", kFormatPdfUsage, formatPdfCommand);

}  // namespace
