// Album and format documents without a window: a document as JSON, one page
// drawn into a PNG file, and a new album poured from a job's photos.
#include "album/album_document.h"
#include "album/document_file.h"
#include "album/parts_draw.h"
#include "album/photo_binding.h"
#include "cli/cli.h"
#include "cli/cli_documents.h"
#include "cli/cli_folders.h"
#include "cli/cli_job.h"
#include "core/scripted_ports.h"
#include "items/job_walk.h"
#include "settings/settings.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/job_life.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

using namespace zb;
using namespace zb::album;
using zb::cli::Context;
using zb::cli::Failure;
using zb::cli::OpenJob;
using zb::cli::UsageError;
using zb::cli::usageExit;

double mmValue(Currency c) { return double(c) / kCurrencyScale; }

QString alignmentName(TAlignment a)
{
    return a == taLeftJustify ? QStringLiteral("taLeftJustify")
                              : a == taRightJustify ? QStringLiteral("taRightJustify") : QStringLiteral("taCenter");
}
QString layoutName(TTextLayout l)
{
    return l == tlTop ? QStringLiteral("tlTop") : l == tlBottom ? QStringLiteral("tlBottom") : QStringLiteral("tlCenter");
}
QString arrowName(TArrowStyle a)
{
    static const char* const n[] = {"arwNone", "arwLeft", "arwRight", "arwCenter"};
    return QString::fromLatin1(n[a & 3]);
}
QString rotateName(TRotateStyle r)
{
    static const char* const n[] = {"rs0", "rs90", "rs180", "rs270"};
    return QString::fromLatin1(n[r & 3]);
}
QString kageName(TKageStyle k)
{
    static const char* const n[] = {"fkNone",   "fkTop",         "fkLeftTop", "fkLeft",    "fkLeftBottom",
                                    "fkBottom", "fkRightBottom", "fkRight",   "fkRightTop"};
    return k <= fkRightTop ? QString::fromLatin1(n[k]) : QString();
}

QJsonObject partJson(const TPartsBox& p)
{
    QJsonArray points;
    for (const QPoint& q : p.Points)
        points.append(QJsonArray{q.x(), q.y()});
    QJsonObject font{{"Name", p.Font.name}, {"Size", p.Font.size}, {"Color", qint64(p.Font.color)},
                     {"Style", p.Font.style}};
    QJsonObject o{
        {"Shape", partsTypeName(p.Shape)},
        {"PLeft", mmValue(p.PLeft)},
        {"PTop", mmValue(p.PTop)},
        {"PWidth", mmValue(p.PWidth)},
        {"PHeight", mmValue(p.PHeight)},
        {"FormIndex", p.FormIndex},
        {"PenStyle", p.PenStyle},
        {"PenColor", qint64(p.PenColor)},
        {"PenWidth", mmValue(p.PenWidth)},
        {"Brush", p.Brush},
        {"BrushColor", qint64(p.BrushColor)},
        {"Diagonal", p.Diagonal},
        {"Direction", p.Direction},
        {"Arrow", arrowName(p.Arrow)},
        {"MeisaiLine", p.MeisaiLine},
        {"Caption", p.Caption},
        {"Font", font},
        {"Alignment", alignmentName(p.Alignment)},
        {"Layout", layoutName(p.Layout)},
        {"Rotate", rotateName(p.Rotate)},
        {"Pitch", mmValue(p.Pitch)},
        {"LinePitch", mmValue(p.LinePitch)},
        {"Justfit", p.Justfit},
        {"Kage", kageName(p.Kage)},
        {"KageColor", qint64(p.KageColor)},
        {"Waku", p.Waku},
        {"WakuColor", qint64(p.WakuColor)},
        {"PictureStream", QJsonObject{{"Kind", p.PictureStream.kind}, {"Size", p.PictureStream.bytes.size()}}},
        {"ImageOrientation", p.ImageOrientation},
        {"MirrorH", p.MirrorH},
        {"MirrorV", p.MirrorV},
        {"PhotoRecord", p.PhotoRecord},
        {"RefRecord", p.RefRecord},
        {"RefWidth", p.RefWidth},
        {"RefHeight", p.RefHeight},
        {"Points", points},
    };
    return o;
}

// A document file read whole, its pages checked.
struct ReadDocument {
    DocumentFile file;
    QMap<int, Page> pages;
};

ReadDocument readDocument(const QString& path)
{
    ReadDocument d;
    d.file = cli::readCheckedDocument(path, &d.pages);
    return d;
}

bool isFormatPath(const QString& path) { return path.endsWith(QStringLiteral(".ZBF"), Qt::CaseInsensitive); }

const char* kShowUsage = "FILE";

int showCommand(Context& ctx)
{
    if (ctx.args.size() != 1)
        return usageExit({QStringLiteral("wants FILE")}, "album show", kShowUsage);
    const QString path = ctx.args[0];
    const ReadDocument d = readDocument(path);
    const TGrphFileHeader& h = d.file.header;
    QJsonObject header{{"cover", h.cover},
                       {"title", h.title},
                       {"paperCode", h.paperCode},
                       {"orientation", h.orientation},
                       {"offsetX", mmValue(h.offsetX)},
                       {"offsetY", mmValue(h.offsetY)},
                       {"pageStart", h.pageStart},
                       {"pageCount", h.pageCount},
                       {"maxSlot", h.maxSlot},
                       {"maxDrawing", h.maxDrawing},
                       {"previewLength", h.previewLength}};
    QJsonArray pages;
    for (auto it = d.pages.cbegin(); it != d.pages.cend(); ++it) {
        QJsonArray parts;
        for (const TPartsBox& p : it.value().parts)
            parts.append(partJson(p));
        pages.append(QJsonObject{{"page", it.key()},
                                 {"orientation", it.value().orientation},
                                 {"format", it.value().formatName},
                                 {"parts", parts}});
    }
    cli::printJson(QJsonObject{{"file", QFileInfo(path).fileName()},
                               {"kind", isFormatPath(path) ? "format" : "album"},
                               {"header", header},
                               {"pages", pages}});
    return 0;
}

CommonSettings companyValues(const Folders& folders)
{
    CommonSettings c;
    SettingsStore store(folders.iniDir + QStringLiteral("ZB.INI"), folders.userFile + QStringLiteral("ZBCOMN.LST"));
    store.readCommon(c);
    return c;
}

const char* kRenderUsage = "FILE PAGE OUT.png [--job JOB] [--dpi N] [--screen]";

int renderCommand(Context& ctx)
{
    QStringList args = ctx.args;
    QString jobName, dpiText;
    bool screen = false;
    int page = 0, dpi = 150;
    try {
        jobName = cli::takeOption(args, QStringLiteral("--job"));
        dpiText = cli::takeOption(args, QStringLiteral("--dpi"), QStringLiteral("150"));
        screen = cli::takeFlag(args, QStringLiteral("--screen"));
        if (args.size() != 3)
            throw UsageError{QStringLiteral("wants FILE, PAGE and OUT.png")};
        bool ok = false;
        page = args[1].toInt(&ok);
        if (!ok || page < 1 || page > kMaxPage)
            throw UsageError{QStringLiteral("PAGE wants a number 1-999, not \"%1\"").arg(args[1])};
        dpi = dpiText.toInt(&ok);
        if (!ok || dpi < 10 || dpi > 1200)
            throw UsageError{QStringLiteral("--dpi wants a number 10-1200, not \"%1\"").arg(dpiText)};
    } catch (const UsageError& e) {
        return usageExit(e, "album render", kRenderUsage);
    } catch (const Failure& f) {
        return usageExit({QString::fromUtf8(f.what())}, "album render", kRenderUsage);
    }
    const QString path = args[0], out = args[2];
    const ReadDocument d = readDocument(path);
    const bool format = isFormatPath(path);
    if (!d.pages.contains(page) && !(format && page == 1))
        throw Failure(QStringLiteral("no page %1 in ").arg(page) + QFileInfo(path).fileName());

    std::unique_ptr<OpenJob> job;
    std::unique_ptr<FramePictures> pictures;
    if (!jobName.isEmpty()) {
        job = std::make_unique<OpenJob>(ctx, jobName);
        pictures = std::make_unique<FramePictures>(job->job->photoTable(), job->fields);
    }
    const QSizeF paper = paperSizeMm(d.file.header.paperCode, d.file.header.orientation);
    DrawContext c;
    c.mode = format ? DrawMode::Format : DrawMode::Album;
    c.today = QDate::currentDate();
    c.company = companyValues(cli::localFolders(ctx));
    c.page = {page, d.pages.isEmpty() ? page : qMax(page, d.pages.lastKey()), d.file.header.pageStart};
    if (pictures)
        c.frames = pictures->loader();
    const double ppm = dpi / 25.4;
    c.target = screen ? DrawTarget::onScreen(dpi, 100) : DrawTarget::onPrinter(ppm);
    const int w = screen ? mmToPixels(mm(paper.width()), dpi, 100) : int(std::lround(paper.width() * ppm));
    const int h = screen ? mmToPixels(mm(paper.height()), dpi, 100) : int(std::lround(paper.height() * ppm));
    QImage image(w, h, QImage::Format_RGB888);
    if (image.isNull())
        throw Failure(QStringLiteral("the page is too large to draw at %1 dpi").arg(dpi));
    image.fill(Qt::white);
    if (pictures)
        pictures->prepare(d.pages.value(page), c.target);
    {
        QPainter g(&image);
        drawPage(g, d.pages.value(page), c);
    }
    if (!image.save(out, "PNG"))
        throw Failure(QStringLiteral("cannot write ") + out);
    return 0;
}

// Every filed photo (below the construction-photo root) in hierarchy order, each once.
QList<RECORD> filedPhotos(const Hierarchy& folders)
{
    QList<RECORD> out;
    QSet<RECORD> seen;
    for (int i = 0; i < folders.size(); ++i) {
        if (items::isUnfiledFolder(folders, i))
            continue;
        for (RECORD r : folders[i].photos)
            if (!seen.contains(r)) {
                seen.insert(r);
                out << r;
            }
    }
    return out;
}

const char* kNewUsage = "JOB NAME --format F [--records R1,R2,...] [--title T] [--overwrite]";

int newCommand(Context& ctx)
{
    QStringList args = ctx.args;
    QString formatName, recordsText, title;
    bool overwrite = false;
    QList<RECORD> records;
    try {
        formatName = cli::takeOption(args, QStringLiteral("--format"));
        recordsText = cli::takeOption(args, QStringLiteral("--records"));
        title = cli::takeOption(args, QStringLiteral("--title"), kNewAlbumTitle);
        overwrite = cli::takeFlag(args, QStringLiteral("--overwrite"));
        if (formatName.isEmpty())
            throw UsageError{QStringLiteral("--format is needed")};
        if (args.size() != 2)
            throw UsageError{QStringLiteral("wants JOB and NAME")};
        for (const QString& part : recordsText.split(u',', Qt::SkipEmptyParts)) {
            bool ok = false;
            const int r = part.trimmed().toInt(&ok);
            if (!ok || r <= 0)
                throw UsageError{QStringLiteral("--records wants positive whole numbers, not \"%1\"").arg(part)};
            records << r;
        }
    } catch (const UsageError& e) {
        return usageExit(e, "album new", kNewUsage);
    } catch (const Failure& f) {
        return usageExit({QString::fromUtf8(f.what())}, "album new", kNewUsage);
    }
    const QString jobName = args[0], name = args[1];
    if (cleanJobName(name) != name || name.isEmpty())
        throw Failure(QStringLiteral("not an album name: ") + name);
    if (!formatName.endsWith(QStringLiteral(".ZBF"), Qt::CaseInsensitive))
        formatName += QStringLiteral(".ZBF");

    OpenJob open(ctx, jobName);
    const JobPaths paths{open.folders.dataFile, jobName};
    const QString albumFolder = paths.albumFolder();
    const QString fileName = name + QStringLiteral(".ZBA");
    const QString target = albumFolder + fileName;
    if (QFile::exists(target) && !overwrite)
        throw Failure(QStringLiteral("the album exists (give --overwrite): ") + target);
    if (!QFile::exists(open.folders.formFile + formatName))
        throw Failure(QStringLiteral("no such format: ") + formatName);
    if (records.isEmpty())
        records = filedPhotos(open.job->file().folders);

    ScriptedMessages& m = open.messages;
    m.clear();
    QDir().mkpath(albumFolder);
    AlbumDocument doc(DocKind::Album, albumFolder, open.folders.formFile, open.folders.tempG, m);
    doc.startNew(formatName, 1, 0, 0);
    doc.title = title;
    if (!m.boxes().isEmpty())
        throw Failure(QStringLiteral("cannot start the album") + cli::reasons(m));

    CaptionSources sources;
    sources.today = QDate::currentDate();
    sources.company = companyValues(open.folders);
    sources.jobName = jobName;
    sources.header = open.job->file().header;
    sources.folders = open.job->file().folders;
    sources.albumOpen = true;
    sources.albumPath = target;
    sources.albumTitle = title;
    sources.photoTable = &open.job->photoTable();
    sources.fields = open.fields;
    TablePhotoBinder binder(sources, m);
    for (RECORD r : records)
        if (!binder.photoExists(r))
            throw Failure(QStringLiteral("no such photo: %1").arg(r));
    SilentProgress progress;
    const PourResult poured = doc.pour(records, binder, progress);
    if (poured.stopped)
        throw Failure(QStringLiteral("pouring stopped") + cli::reasons(m));
    if (!doc.save(fileName))
        throw Failure(QStringLiteral("cannot save the album") + cli::reasons(m));
    QJsonArray pages;
    for (int n : doc.work().pages())
        pages.append(n);
    cli::printJson(QJsonObject{{"album", target}, {"photos", poured.placed}, {"pages", pages}});
    return 0;
}

ZB_CLI_COMMAND("album show", kShowUsage, showCommand);
ZB_CLI_COMMAND("album render", kRenderUsage, renderCommand);
ZB_CLI_COMMAND("album new", kNewUsage, newCommand);

}  // namespace
