#include "delivery/delivery_export.h"

#include "core/ports.h"
#include "core/sjis.h"
#include "delivery/delivery_common.h"
#include "delivery/delivery_rules.h"
#include "delivery/delivery_writer.h"
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

QString chosenStandard(const ExportOptions& options)
{
    if (!options.standard.isEmpty())
        return options.standard;
    return photoStandards().front().code;
}

namespace {

// The records of the set whose file names the layout cannot hold, in
// delivery order, each once.
QList<RECORD> recordsTooHigh(const DeliverySet& set)
{
    const RECORD limit = set.layout == DeliveryLayout::Draft ? kMaxDraftRecord : RECORD(kMaxDeliveryRecord);
    QList<RECORD> out;
    QSet<RECORD> seen;
    auto high = [&](RECORD r) {
        if (r > limit && !seen.contains(r)) {
            seen.insert(r);
            out << r;
        }
    };
    for (const DeliveryPhoto& p : set.photos) {
        high(p.record);
        for (const DeliveryDrawing& d : p.drawings)
            high(d.record);
    }
    return out;
}

// Puts the files of a delivery onto its discs: the folders, the DTD and (for
// the draft) the viewer of each disc, then each photo's picture and its
// drawings', moving on to the next disc when one is full.
class DiscWriter {
public:
    DiscWriter(const ExportJob& job, const ExportOptions& options, DeliveryLayout layout, Messages& messages)
        : job_(job), options_(options), messages_(messages), draft_(layout == DeliveryLayout::Draft),
          capacity_((qint64(options.discSize) - 5) * 1024 * 1024)
    {
    }

    int disc() const { return disc_; }
    QString failedPath() const { return failedPath_; }
    QString error() const { return error_; }
    QString photoFolder(int disc) const { return discFolder(options_, disc) + QStringLiteral("/PHOTO"); }

    // Creates the first disc's folders and files.
    bool start() { return prepare(1); }
    // The used size of the first disc once PHOTO.XML has its head.
    void countFirstDisc()
    {
        if (options_.discImage)
            used_ = treeSize(discFolder(options_, 1));
    }

    // Writes the photo's files, moving to a new disc first when the current
    // one is full; the photo then names that disc.
    bool writeFiles(DeliveryPhoto& photo)
    {
        if (options_.discImage && used_ >= capacity_) {
            used_ = 0;
            if (!prepare(disc_ + 1))
                return false;
        }
        photo.disc = disc_;
        const QString base = photoFolder(disc_);
        if (photo.hasPicture) {
            if (!job_.table->locate(photo.record))
                return true;  // the row went away since the scan
            const qint64 size = writeRowPicture(*job_.table, job_.fields, original(), options_.jpegQuality,
                                                base + QStringLiteral("/PIC/") + photo.file, messages_, &error_);
            if (size < 0)
                return failAt(base + QStringLiteral("/PIC/") + photo.file);
            used_ += roundToCluster(size);
        }
        for (const DeliveryDrawing& d : photo.drawings)
            if (!writeDrawing(d, base))
                return false;
        return true;
    }

    int drawingsWritten() const { return drawings_; }

private:
    bool original() const { return draft_ ? options_.original : true; }

    bool failAt(const QString& path, const QString& why = {})
    {
        failedPath_ = path;
        if (!why.isEmpty())
            error_ = why;
        return false;
    }

    bool writeDrawing(const DeliveryDrawing& d, const QString& base)
    {
        if (!d.rowFound || !job_.table->locate(d.record))
            return true;
        const QString folder = base + QStringLiteral("/DRA");
        if (!draft_ && !QFileInfo::exists(folder) && !QDir().mkpath(folder))
            return failAt(folder, QStringLiteral("フォルダを作成できません"));
        const QString target = folder + QLatin1Char('/') + d.file;
        if (QFileInfo::exists(target))
            return true;  // the same drawing reached from another photo
        const qint64 s =
            writeRowPicture(*job_.table, job_.fields, original(), options_.jpegQuality, target, messages_, &error_);
        if (s < 0)
            return failAt(target);
        if (s > 0)
            ++drawings_;
        used_ += roundToCluster(s);
        return true;
    }

    // A disc's folders, its viewer files (draft only) and its DTD.
    bool prepare(int disc)
    {
        disc_ = disc;
        const QString base = discFolder(options_, disc);
        const QString photo = base + QStringLiteral("/PHOTO");
        if (QFileInfo::exists(photo))
            return failAt(photo, QStringLiteral("既に存在します"));
        QStringList folders{photo, photo + QStringLiteral("/PIC")};
        if (draft_)
            folders << photo + QStringLiteral("/DRA");
        for (const QString& d : folders)
            if (!QDir().mkpath(d))
                return failAt(d, QStringLiteral("フォルダを作成できません"));
        if (!draft_)
            return writeNewFile(photo + QStringLiteral("/PHOTO05.DTD"), photo05Dtd(), &error_) ||
                   failAt(photo + QStringLiteral("/PHOTO05.DTD"));
        copyViewer(base);
        // A DTD that cannot be copied or written is passed over.
        const QString dtd = job_.sysFile + QStringLiteral("PHOTO.DTD");
        if (!(QFileInfo(dtd).isFile() && copyToNewFile(dtd, photo + QStringLiteral("/PHOTO.DTD"), nullptr)))
            writeNewFile(photo + QStringLiteral("/PHOTO.DTD"), builtInPhotoDtd(), nullptr);
        return true;
    }

    // The draft's viewer files; a failed copy is passed over.
    void copyViewer(const QString& base)
    {
        const QString viewerDir = job_.programFilesDir + QStringLiteral("TORVEN/ZBVIEW/");
        bool viewCopied = false;
        if (options_.viewer == int(ViewerKind::Web)) {
            viewCopied =
                copyToNewFile(job_.sysFile + QStringLiteral("VIEW.EXE"), base + QStringLiteral("/VIEW.EXE"), nullptr);
            copyToNewFile(job_.sysFile + QStringLiteral("PHOTO.HTM"), base + QStringLiteral("/PHOTO/PHOTO.HTM"), nullptr);
        } else if (options_.viewer == int(ViewerKind::Executable) &&
                   QFileInfo::exists(viewerDir + QStringLiteral("ZBVIEW.EXE"))) {
            viewCopied =
                copyToNewFile(job_.sysFile + QStringLiteral("VIEW.EXE"), base + QStringLiteral("/VIEW.EXE"), nullptr);
            QDir().mkpath(base + QStringLiteral("/VIEW"));
            for (const char* f : {"ZBVIEW.EXE", "ZBVIEW.HLP", "ZBVIEW.CNT", "DUMMY.JPG", "ijl15.dll"})
                copyToNewFile(viewerDir + QString::fromLatin1(f), base + QStringLiteral("/VIEW/") + QString::fromLatin1(f),
                              nullptr);
        }
        if (viewCopied)
            writeNewFile(base + QStringLiteral("/AUTORUN.INF"), "[AutoRun]\r\nOPEN=VIEW.EXE\r\n", nullptr);
    }

    const ExportJob& job_;
    const ExportOptions& options_;
    Messages& messages_;
    const bool draft_;
    const qint64 capacity_;
    qint64 used_ = 0;
    int disc_ = 1;
    int drawings_ = 0;
    QString failedPath_, error_;
};

// PHOTO.XML written in large pieces as the photos come.
class XmlFile {
public:
    explicit XmlFile(const QString& path) : f_(path) { buf_.reserve(kChunk + 65536); }
    bool open() { return f_.open(QIODevice::WriteOnly | QIODevice::NewOnly); }
    QByteArray& buffer() { return buf_; }
    bool flushIfFull() { return buf_.size() < kChunk || flush(); }
    bool flush()
    {
        if (!buf_.isEmpty() && f_.write(buf_) != buf_.size())
            ok_ = false;
        buf_.resize(0);  // the room stays for the next piece
        return ok_ && f_.flush();
    }
    bool finish()
    {
        if (!flush())
            return false;
        f_.close();
        return f_.error() == QFileDevice::NoError;
    }
    QString errorString() const { return f_.errorString(); }

private:
    static constexpr qsizetype kChunk = 1 << 20;
    QFile f_;
    QByteArray buf_;
    bool ok_ = true;
};

}  // namespace

std::optional<DeliverySet> exportedSet(const ExportJob& job, const ExportOptions& options, Messages& messages)
{
    switch (exportFolderState(options.folder, options.discImage, options.discSize)) {
    case ExportFolderState::PhotoExists:
        messages.warning(kExportPhotoExists.arg(QDir::toNativeSeparators(discFolder(options, 1) + QStringLiteral("/PHOTO"))));
        return std::nullopt;
    case ExportFolderState::DiscSizeBad:
        messages.warning(kExportDiscSizeBad);
        return std::nullopt;
    case ExportFolderState::Ready:
        break;
    }
    DeliverySet set;
    try {
        set = deliverySet(job, chosenStandard(options));
    } catch (const engine::EngineError& e) {
        messages.error(kExportWriteFailed.arg(job.table->path(), e.message()));
        return std::nullopt;
    }
    // Names that the layout cannot hold would collide: refused before anything is written.
    const QList<RECORD> tooHigh = recordsTooHigh(set);
    if (!tooHigh.isEmpty()) {
        QStringList names;
        for (RECORD r : tooHigh.mid(0, 20))
            names << QString::number(r);
        if (tooHigh.size() > 20)
            names << QStringLiteral("…");
        const QString& text = set.layout == DeliveryLayout::Draft ? kExportRecordsTooHigh : kExportRecordsTooHigh05;
        messages.warning(text.arg(names.join(QStringLiteral(", "))));
        return std::nullopt;
    }
    return set;
}

ExportResult writeDelivery(const ExportJob& job, DeliverySet& set, const ExportOptions& options, Messages& messages,
                           Progress& progress, ExportReport* report)
{
    ExportReport rep;
    auto finish = [&](ExportResult r) {
        if (report)
            *report = rep;
        return r;
    };
    auto failWith = [&](const QString& path, const QString& why) {
        progress.end();
        messages.error(kExportWriteFailed.arg(QDir::toNativeSeparators(path), why));
        return finish(ExportResult::Failed);
    };

    DiscWriter discs(job, options, set.layout, messages);
    if (!discs.start())
        return failWith(discs.failedPath(), discs.error());
    rep.discs = 1;
    const QString xmlPath = discs.photoFolder(1) + QStringLiteral("/PHOTO.XML");
    XmlFile xml(xmlPath);
    if (!xml.open())
        return failWith(xmlPath, xml.errorString());

    progress.start(int(filedPhotos(*job.folders).size()) + 1);
    const auto writer = deliveryXmlWriter(set.layout);
    xml.buffer() = writer->head(set);
    if (!xml.flush())
        return failWith(xmlPath, xml.errorString());
    discs.countFirstDisc();

    for (DeliveryPhoto& p : set.photos) {
        if (!progress.step()) {
            xml.finish();
            progress.end();
            messages.information(kExportStopped);
            rep.drawings = discs.drawingsWritten();
            return finish(ExportResult::Stopped);
        }
        if (!discs.writeFiles(p))
            return failWith(discs.failedPath(), discs.error());
        rep.discs = discs.disc();
        writer->photo(xml.buffer(), p);
        if (!xml.flushIfFull())
            return failWith(xmlPath, xml.errorString());
        ++rep.photos;
    }
    rep.drawings = discs.drawingsWritten();
    xml.buffer() += writer->tail();
    if (!xml.finish())
        return failWith(xmlPath, xml.errorString());

    QString error;
    for (int n = 2; n <= discs.disc(); ++n) {
        const QString to = discs.photoFolder(n) + QStringLiteral("/PHOTO.XML");
        if (!copyToNewFile(xmlPath, to, &error))
            return failWith(to, error);
    }
    progress.end();
    const bool viewer = set.layout == DeliveryLayout::Draft && options.viewer != 0;
    messages.information(viewer ? kExportDoneViewer : kExportDoneNoViewer);
    return finish(ExportResult::Done);
}

ExportResult exportDelivery(const ExportJob& job, const ExportOptions& options, Messages& messages,
                            Progress& progress, ExportReport* report)
{
    std::optional<DeliverySet> set = exportedSet(job, options, messages);
    if (!set) {
        if (report)
            *report = {};
        return ExportResult::Refused;
    }
    return writeDelivery(job, *set, options, messages, progress, report);
}


}  // namespace zb
