#include "delivery/delivery_export.h"

#include "core/ports.h"
#include "core/sjis.h"
#include "delivery/delivery_common.h"
#include "delivery/xml_tree.h"
#include "items/miss_check.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <cstring>
#include <vector>

namespace zb {

namespace {

const QString kSoftwareName = QStringLiteral("ゾルベル for Windows");
const QString kMakerName = QStringLiteral("ZBWin 開発チーム");
const QString kMakerContact = QStringLiteral("ZBWin 開発チーム https://www.example.jp/ (電子メール zbwin@localhost)");

// The photo element names after the level captions and before the drawings.
struct PhotoElement {
    const char* name;
    PhotoField field;
};


QString folderName(const QString& relative)
{
    QString s = relative;
    s.replace(QStringLiteral("./"), QStringLiteral("/"));
    while (s.startsWith(QLatin1Char('/')))
        s.remove(0, 1);
    return s;
}

// The encoded opening and closing tags of an element.
struct Tags {
    QByteArray open, close;
    explicit Tags(const QString& name)
        : open("        <" + sjis::toBytes(name) + ">"), close("</" + sjis::toBytes(name) + ">\r\n")
    {
    }
};

// Lines of PHOTO.XML, collected and written in large pieces.
class XmlOut {
public:
    explicit XmlOut(QFile& f) : f_(f) { buf_.reserve(kChunk + 4096); }
    void line(const QByteArray& text)
    {
        buf_ += text;
        buf_ += "\r\n";
        if (buf_.size() >= kChunk)
            flush();
    }
    void element(const Tags& t, QStringView value)
    {
        if (value.isEmpty())
            return;
        append(t.open);
        appendSjis(buf_, value, true);
        append(t.close);
        if (buf_.size() >= kChunk)
            flush();
    }
    void element(const QString& name, const QString& value)
    {
        if (!value.isEmpty())
            element(Tags(name), value);
    }
    bool flush()
    {
        if (!ok_)
            return false;
        if (!buf_.isEmpty() && f_.write(buf_) != buf_.size())
            ok_ = false;
        buf_.resize(0);  // the room stays for the next piece
        return ok_;
    }
    bool finish() { return flush() && f_.flush(); }
    bool ok() const { return ok_; }

private:
    void append(const QByteArray& b)
    {
        const qsizetype at = buf_.size();
        buf_.resize(at + b.size());
        std::memcpy(buf_.data() + at, b.constData(), size_t(b.size()));
    }

    static constexpr qsizetype kChunk = 1 << 20;
    QFile& f_;
    QByteArray buf_;
    bool ok_ = true;
};

// The tags of the photo elements, in the order they are written.
struct PhotoTags {
    Tags serial{QStringLiteral("シリアル番号")}, file{QStringLiteral("写真ファイル名")},
        medium{QStringLiteral("メディア番号")}, flag{QStringLiteral("写真整理フラグ")},
        fileSpare{QStringLiteral("写真ファイル情報予備")}, mime{QStringLiteral("写真MIME")};
    std::vector<Tags> levels, drawings, drawingMimes;
    PhotoTags()
    {
        for (const QString& l : levelElementNames())
            levels.emplace_back(l);
        for (int i = 1; i <= 3; ++i) {
            drawings.emplace_back(QStringLiteral("参考図%1").arg(i));
            drawingMimes.emplace_back(QStringLiteral("参考図%1-MIME").arg(i));
        }
    }
};

void writeGroup(XmlOut& out, const QString& group, const QList<QPair<QString, QString>>& items)
{
    bool any = false;
    for (const auto& i : items)
        any = any || !i.second.isEmpty();
    if (!any)
        return;
    out.line("    <" + sjis::toBytes(group) + ">");
    for (const auto& i : items)
        out.element(i.first, i.second);
    out.line("    </" + sjis::toBytes(group) + ">");
}

qint64 treeSize(const QString& folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        total += roundToCluster(it.fileInfo().size());
    }
    return total;
}

}  // namespace

QList<QPair<QString, QString>> basicInformation()
{
    return {{QStringLiteral("DTDバージョン"), QStringLiteral("1.0")},
            {QStringLiteral("写真フォルダ名"), QStringLiteral("./PIC")},
            {QStringLiteral("参考図フォルダ名"), QStringLiteral("./DRA")},
            {QStringLiteral("媒体情報予備"), QString()},
            {QStringLiteral("ソフトウェア名"), kSoftwareName},
            {QStringLiteral("バージョン情報"), QStringLiteral("1.0")},
            {QStringLiteral("メーカ名"), kMakerName},
            {QStringLiteral("メーカ連絡先"), kMakerContact},
            {QStringLiteral("ソフトメーカ用TAG"), QString()}};
}

QList<QPair<QString, QString>> constructionInformation(const JobHeader& h)
{
    return {{QStringLiteral("発注年度"), h.fiscalYear == 0 ? QString() : QString::number(h.fiscalYear)},
            {QStringLiteral("工事番号"), h.contractNumber},
            {QStringLiteral("河川路線名等"), h.riverRouteName},
            {QStringLiteral("工事名称"), h.constructionName},
            {QStringLiteral("工事箇所"), h.constructionSite},
            {QStringLiteral("工期開始日"), h.startDate},
            {QStringLiteral("工期終了日"), h.endDate},
            {QStringLiteral("発注者-大分類"), h.clientMajor},
            {QStringLiteral("発注者-中分類"), h.clientMiddle},
            {QStringLiteral("発注者-小分類"), h.clientMinor},
            {QStringLiteral("発注者コード"), h.clientCode},
            {QStringLiteral("請負者名"), h.contractorName},
            {QStringLiteral("請負者コード"), h.contractorCode},
            {QStringLiteral("発注者備考"), h.clientRemarks},
            {QStringLiteral("請負者備考"), h.contractorRemarks}};
}

QByteArray builtInPhotoDtd()
{
    // Each group: its banner, its declaration and its leaf elements, the
    // leaves in blocks of related items.
    struct Group {
        const char* name;
        QList<QStringList> blocks;
    };
    const QList<Group> groups = {
        {"基礎情報",
         {{"DTDバージョン", "写真フォルダ名", "参考図フォルダ名", "媒体情報予備"},
          {"ソフトウェア名", "バージョン情報", "メーカ名", "メーカ連絡先", "ソフトメーカ用TAG"}}},
        {"工事情報",
         {{"発注年度", "工事番号", "河川路線名等", "工事名称", "工事箇所"},
          {"工期開始日", "工期終了日"},
          {"発注者-大分類", "発注者-中分類", "発注者-小分類", "発注者コード"},
          {"請負者名", "請負者コード"},
          {"発注者備考", "請負者備考"}}},
        {"写真情報",
         {{"シリアル番号", "写真ファイル名", "メディア番号", "写真整理フラグ", "写真ファイル情報予備"},
          {"写真-大分類", "写真区分", "工種", "種別", "細別", "写真タイトル", "工種区分予備1", "工種区分予備2",
           "工種区分予備3"},
          {"参考図1", "参考図2", "参考図3", "撮影箇所", "付加情報予備"},
          {"撮影年月日", "フィルム番号", "コマ番号", "撮影情報予備"},
          {"施工管理値", "施工管理値予備"},
          {"状況説明予備", "請負者説明文", "発注者説明文"},
          {"写真情報予備1", "写真情報予備2", "写真情報予備3"},
          {"写真MIME", "参考図1-MIME", "参考図2-MIME", "参考図3-MIME"}}},
    };
    QStringList lines;
    lines << QStringLiteral("<?xml version=\"1.0\" encoding=\"shift_jis\"?>") << QString()
          << QStringLiteral("<!ELEMENT photodata (基礎情報?, 工事情報?, 写真情報*)>");
    const QString stars(65, QLatin1Char('*'));
    for (const Group& g : groups) {
        QStringList all;
        for (const QStringList& b : g.blocks)
            all += b;
        lines << QString() << QString() << QStringLiteral("<!-- ") + stars + QStringLiteral(" -->")
              << QStringLiteral("<!-- ") + QString::fromUtf8(g.name) + QStringLiteral(" -->")
              << QStringLiteral("<!-- ") + stars + QStringLiteral(" -->") << QString();
        lines << QStringLiteral("<!ELEMENT ") + QString::fromUtf8(g.name) + QStringLiteral(" (") +
                     all.join(QStringLiteral("?, ")) + QStringLiteral("?)>");
        for (const QStringList& b : g.blocks) {
            lines << QString();
            for (const QString& e : b)
                lines << QStringLiteral("<!ELEMENT ") + e + QStringLiteral(" (#PCDATA)>");
        }
    }
    while (lines.size() < 100)
        lines << QString();
    return sjis::toBytes(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

QString exportCheckQuestionText(const QStringList& lines)
{
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n") + kExportCheckAdvice +
           QStringLiteral("\r\n\r\n") + kExportCheckQuestion;
}

bool exportCheckAllows(const ExportJob& job, Messages& messages, QStringList* lines)
{
    SilentProgress quiet;
    const items::MissCheckResult r =
        items::checkMissingInput(*job.header, *job.folders, *job.table, job.fields, 0, false, quiet);
    if (lines)
        *lines = r.lines;
    if (r.clean)
        return true;
    return messages.ask(exportCheckQuestionText(r.lines));
}

QString discFolder(const ExportOptions& options, int disc)
{
    const QString t = QDir::cleanPath(options.folder);
    return options.discImage ? t + QStringLiteral("/DISK") + QString::number(disc) : t;
}

ExportFolderState exportFolderState(const QString& folder, bool discImage, int discSize)
{
    ExportOptions o;
    o.folder = folder;
    o.discImage = discImage;
    if (QFileInfo::exists(discFolder(o, 1) + QStringLiteral("/PHOTO")))
        return ExportFolderState::PhotoExists;
    if (discImage && (discSize < 10 || discSize > 9999))
        return ExportFolderState::DiscSizeBad;
    return ExportFolderState::Ready;
}

ExportResult exportDelivery(const ExportJob& job, const ExportOptions& options, Messages& messages,
                            Progress& progress, ExportReport* report)
{
    ExportReport rep;
    const QString pic = folderName(basicInformation()[1].second);
    const QString dra = folderName(basicInformation()[2].second);

    switch (exportFolderState(options.folder, options.discImage, options.discSize)) {
    case ExportFolderState::PhotoExists:
        messages.warning(kExportPhotoExists.arg(QDir::toNativeSeparators(discFolder(options, 1) + QStringLiteral("/PHOTO"))));
        return ExportResult::Refused;
    case ExportFolderState::DiscSizeBad:
        messages.warning(kExportDiscSizeBad);
        return ExportResult::Refused;
    case ExportFolderState::Ready:
        break;
    }

    engine::Table& table = *job.table;
    const QList<FiledPhoto> photos = filedPhotos(*job.folders);
    QHash<RECORD, PhotoRowText> rows;
    try {
        rows = scanPhotoRows(table, job.fields);
    } catch (const engine::EngineError& e) {
        messages.error(kExportWriteFailed.arg(table.path(), e.message()));
        return ExportResult::Failed;
    }

    // Five-digit names collide above 99999: refuse before anything is written.
    QList<RECORD> tooHigh;
    QSet<RECORD> seen;
    auto high = [&](RECORD r) {
        if (r > kMaxDeliveryRecord && !seen.contains(r)) {
            seen.insert(r);
            tooHigh << r;
        }
    };
    for (const FiledPhoto& p : photos) {
        auto it = rows.constFind(p.record);
        if (it == rows.constEnd() || it->flag == kExcludedFlag)
            continue;
        high(p.record);
        for (RECORD d : it->drawings)
            if (d != 0)
                high(d);
    }
    if (!tooHigh.isEmpty()) {
        QStringList names;
        for (RECORD r : tooHigh.mid(0, 20))
            names << QString::number(r);
        if (tooHigh.size() > 20)
            names << QStringLiteral("…");
        messages.warning(kExportRecordsTooHigh.arg(names.join(QStringLiteral(", "))));
        return ExportResult::Refused;
    }

    QString error, failedPath;
    auto failWith = [&](const QString& path, const QString& why) {
        progress.end();
        messages.error(kExportWriteFailed.arg(QDir::toNativeSeparators(path), why));
        if (report)
            *report = rep;
        return ExportResult::Failed;
    };

    const QString viewerDir = job.programFilesDir + QStringLiteral("TORVEN/ZBVIEW/");
    // Creates a disc's folders, the viewer files and the DTD; false with the
    // failed path when a folder cannot be made.
    auto prepareDisc = [&](int disc) -> bool {
        const QString base = discFolder(options, disc);
        const QString photo = base + QStringLiteral("/PHOTO");
        if (QFileInfo::exists(photo)) {
            failedPath = photo;
            error = QStringLiteral("既に存在します");
            return false;
        }
        for (const QString& d : {photo, photo + QLatin1Char('/') + pic, photo + QLatin1Char('/') + dra})
            if (!QDir().mkpath(d)) {
                failedPath = d;
                error = QStringLiteral("フォルダを作成できません");
                return false;
            }
        // Viewer files: a failed copy is passed over.
        bool viewCopied = false;
        if (options.viewer == int(ViewerKind::Web)) {
            viewCopied = copyToNewFile(job.sysFile + QStringLiteral("VIEW.EXE"), base + QStringLiteral("/VIEW.EXE"), nullptr);
            copyToNewFile(job.sysFile + QStringLiteral("PHOTO.HTM"), photo + QStringLiteral("/PHOTO.HTM"), nullptr);
        } else if (options.viewer == int(ViewerKind::Executable) &&
                   QFileInfo::exists(viewerDir + QStringLiteral("ZBVIEW.EXE"))) {
            viewCopied = copyToNewFile(job.sysFile + QStringLiteral("VIEW.EXE"), base + QStringLiteral("/VIEW.EXE"), nullptr);
            QDir().mkpath(base + QStringLiteral("/VIEW"));
            for (const char* f : {"ZBVIEW.EXE", "ZBVIEW.HLP", "ZBVIEW.CNT", "DUMMY.JPG", "ijl15.dll"})
                copyToNewFile(viewerDir + QString::fromLatin1(f), base + QStringLiteral("/VIEW/") + QString::fromLatin1(f),
                              nullptr);
        }
        if (viewCopied)
            writeNewFile(base + QStringLiteral("/AUTORUN.INF"), "[AutoRun]\r\nOPEN=VIEW.EXE\r\n", nullptr);
        const QString dtd = job.sysFile + QStringLiteral("PHOTO.DTD");
        if (!(QFileInfo(dtd).isFile() && copyToNewFile(dtd, photo + QStringLiteral("/PHOTO.DTD"), nullptr)))
            writeNewFile(photo + QStringLiteral("/PHOTO.DTD"), builtInPhotoDtd(), nullptr);
        return true;
    };

    int disc = 1;
    if (!prepareDisc(disc))
        return failWith(failedPath, error);
    rep.discs = 1;
    const QString xmlPath = discFolder(options, 1) + QStringLiteral("/PHOTO/PHOTO.XML");
    QFile xml(xmlPath);
    if (!xml.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return failWith(xmlPath, xml.errorString());
    XmlOut out(xml);

    progress.start(int(photos.size()) + 1);

    out.line(R"(<?xml version="1.0" encoding="shift_jis" ?>)");
    out.line(R"(<!DOCTYPE photodata SYSTEM "PHOTO.DTD">)");
    out.line("<photodata>");
    writeGroup(out, QStringLiteral("基礎情報"), basicInformation());
    writeGroup(out, QStringLiteral("工事情報"), constructionInformation(*job.header));

    const qint64 capacity = (qint64(options.discSize) - 5) * 1024 * 1024;
    qint64 used = 0;
    if (options.discImage) {
        out.flush();
        used = treeSize(discFolder(options, 1));
    }

    static const PhotoElement afterLevels[] = {{"写真タイトル", F_TITLE},
                                                {"工種区分予備1", F_YOBI1},
                                                {"工種区分予備2", F_YOBI2},
                                                {"工種区分予備3", F_YOBI3}};
    static const PhotoElement afterDrawings[] = {
        {"撮影箇所", F_KASYO},         {"付加情報予備", F_BIKOU_B},   {"撮影年月日", F_DATE},
        {"フィルム番号", F_FILMNUM},   {"コマ番号", F_NEGANUM},       {"撮影情報予備", F_BIKOU_C},
        {"施工管理値", F_KANRI},       {"施工管理値予備", F_BIKOU_D}, {"状況説明予備", F_BIKOU_E},
        {"請負者説明文", F_UKEOIBIKOU}, {"発注者説明文", F_HACYUBIKOU}, {"写真情報予備1", F_BIKOU1},
        {"写真情報予備2", F_BIKOU2},   {"写真情報予備3", F_BIKOU3}};

    const PhotoTags tags;
    std::vector<Tags> afterLevelTags, afterDrawingTags;
    for (const PhotoElement& e : afterLevels)
        afterLevelTags.emplace_back(QString::fromUtf8(e.name));
    for (const PhotoElement& e : afterDrawings)
        afterDrawingTags.emplace_back(QString::fromUtf8(e.name));
    const QByteArray groupOpen = "    <" + sjis::toBytes(QStringLiteral("写真情報")) + ">";
    const QByteArray groupClose = "    </" + sjis::toBytes(QStringLiteral("写真情報")) + ">";
    for (const FiledPhoto& p : photos) {
        if (!progress.step()) {
            out.finish();
            xml.close();
            progress.end();
            messages.information(kExportStopped);
            if (report)
                *report = rep;
            return ExportResult::Stopped;
        }
        auto it = rows.constFind(p.record);
        if (it == rows.constEnd() || it->flag == kExcludedFlag)
            continue;
        const PhotoRowText& row = *it;
        // Only a row with a picture (or an outside file) is read beyond the scan.
        const bool hasFile = row.picture || !row.text[F_FILENAME].isEmpty();
        if (hasFile && !table.locate(p.record))
            continue;
        if (options.discImage && used >= capacity) {
            used = 0;
            ++disc;
            if (!prepareDisc(disc))
                return failWith(failedPath, error);
            rep.discs = disc;
        }
        const QString base = discFolder(options, disc) + QStringLiteral("/PHOTO/");
        const QString picName = deliveryFileName(QStringLiteral("PIC"), p.record);
        out.line(groupOpen);
        out.element(tags.serial, QString::number(p.record));
        out.element(tags.file, picName);

        const qint64 size = !hasFile ? 0
                                     : writeRowPicture(table, job.fields, options.original, options.jpegQuality,
                                                       base + pic + QLatin1Char('/') + picName, messages, &error);
        if (size < 0)
            return failWith(base + pic + QLatin1Char('/') + picName, error);
        used += roundToCluster(size);

        out.element(tags.medium, QString::number(disc));
        out.element(tags.flag, QString::number(row.flag));
        out.element(tags.fileSpare, row.text[F_BIKOU_A]);
        for (int l = 0; l < 5 && l < p.level; ++l)
            out.element(tags.levels[size_t(l)], p.levels[l]);
        for (size_t e = 0; e < std::size(afterLevels); ++e)
            out.element(afterLevelTags[e], row.text[afterLevels[e].field]);
        int drawingCount = 0;
        for (RECORD d : row.drawings)
            if (d != 0)
                out.element(tags.drawings[size_t(drawingCount++)], deliveryFileName(QStringLiteral("DRA"), d));
        for (size_t e = 0; e < std::size(afterDrawings); ++e) {
            if (afterDrawings[e].field == F_FILMNUM)
                out.element(afterDrawingTags[e], row.filmNumber == 0 ? QString() : QString::number(row.filmNumber));
            else
                out.element(afterDrawingTags[e], row.text[afterDrawings[e].field]);
        }
        out.element(tags.mime, u"image/jpeg");
        for (int i = 0; i < drawingCount; ++i)
            out.element(tags.drawingMimes[size_t(i)], u"image/jpeg");
        out.line(groupClose);
        if (!out.ok())
            return failWith(xmlPath, xml.errorString());
        ++rep.photos;

        for (RECORD d : row.drawings) {
            if (d == 0 || !table.locate(d))
                continue;
            const QString target = base + dra + QLatin1Char('/') + deliveryFileName(QStringLiteral("DRA"), d);
            if (QFileInfo::exists(target))
                continue;  // the same drawing reached from another photo
            const qint64 s = writeRowPicture(table, job.fields, options.original, options.jpegQuality, target,
                                             messages, &error);
            if (s < 0)
                return failWith(target, error);
            if (s > 0)
                ++rep.drawings;
            used += roundToCluster(s);
        }
    }
    out.line("</photodata>");
    if (!out.finish())
        return failWith(xmlPath, xml.errorString());
    xml.close();
    if (xml.error() != QFileDevice::NoError)
        return failWith(xmlPath, xml.errorString());

    for (int n = 2; n <= disc; ++n) {
        const QString to = discFolder(options, n) + QStringLiteral("/PHOTO/PHOTO.XML");
        if (!copyToNewFile(xmlPath, to, &error))
            return failWith(to, error);
    }
    progress.end();
    messages.information(options.viewer != 0 ? kExportDoneViewer : kExportDoneNoViewer);
    if (report)
        *report = rep;
    return ExportResult::Done;
}

}  // namespace zb
