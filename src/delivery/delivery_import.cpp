#include "delivery/delivery_import.h"

#include "core/inifile.h"
#include "core/ports.h"
#include "core/sjis.h"
#include "core/text.h"
#include "delivery/delivery_common.h"
#include "delivery/delivery_model.h"
#include "delivery/delivery_rules.h"
#include "delivery/xml_tree.h"
#include "imaging/jpeg_codec.h"
#include "imaging/stored_pictures.h"
#include "store/job_files.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "store/tree_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <array>
#include <deque>
#include <future>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace zb {

namespace {

// No picture of a delivery comes near this; a bigger file counts as missing.
constexpr qint64 kMaxPictureFileBytes = 512LL * 1024 * 1024;

// A value cut to what the import keeps of one item: no delivery holds more.
constexpr int kMaxImportedText = 32767;

// The photo folder or drawing folder named by 基礎情報. The draft's "./PIC"
// names PIC beside PHOTO.XML (every "./" a separator); the current layout's
// "PHOTO/PIC" is taken from the medium, the folder above PHOTO. Nullopt for a
// name leading out of the set.
std::optional<QString> setFolder(const QString& xmlFolder, const QString& value, DeliveryLayout layout,
                                 const QString& fallback)
{
    if (layout == DeliveryLayout::Photo05) {
        if (value.trimmed().isEmpty())
            return xmlFolder + QLatin1Char('/') + fallback;
        const QString medium = QFileInfo(xmlFolder).absolutePath();
        return pathInside(medium, value);
    }
    QString v = value;
    v.replace(QStringLiteral("./"), QStringLiteral("/"));
    // The leading separator joins the name to the folder of PHOTO.XML.
    while (v.startsWith(QLatin1Char('/')))
        v.remove(0, 1);
    return pathInside(xmlFolder, v);
}

struct FolderBuild {
    QString caption;
    QList<RECORD> photos;
    std::vector<std::unique_ptr<FolderBuild>> children;
};

void flatten(const FolderBuild& f, int depth, Hierarchy& out)
{
    out << TreeFolder{f.caption, depth, f.photos};
    for (const auto& c : f.children)
        flatten(*c, depth + 1, out);
}

// Files a photo by its level captions, as far as they go, creating the
// folders on the way.
void fileInto(FolderBuild& root, const std::array<QString, 5>& levels, RECORD photo)
{
    FolderBuild* at = &root;
    for (const QString& raw : levels) {
        const QString caption = sjis::cutToRoom(raw, 50);
        if (caption.isEmpty())
            break;
        FolderBuild* found = nullptr;
        for (const auto& c : at->children)
            if (c->caption == caption) {
                found = c.get();
                break;
            }
        if (!found) {
            at->children.push_back(std::make_unique<FolderBuild>(FolderBuild{caption, {}, {}}));
            found = at->children.back().get();
        }
        at = found;
    }
    at->photos << photo;
}

// One row to store: a photo or one of its drawings, with where its picture is.
struct PlannedRow {
    RECORD record = 0;
    QString path;  // empty: DUMMY.JPG
    QString name;  // as the file names it
    const DeliveryPhoto* photo = nullptr;      // the photo's row
    const DeliveryDrawing* drawing = nullptr;  // a drawing's row
    std::array<RECORD, 3> drawings{};
};

struct ImportPlan {
    std::vector<PlannedRow> rows;
    FolderBuild photoRoot{kPhotoRootCaption, {}, {}};
    QStringList leftOut;  // photos with items beyond what a row holds
    bool cut = false;     // a value longer than kMaxImportedText was cut
};

// The photos and drawings of the set as rows: numbered in file order (a
// photo, then its drawings), filed, their files found; the medium asked for
// when a photo names another one.
ImportPlan planRows(const DeliverySet& set, const QString& xmlFolder, bool askMedia, Messages& messages)
{
    ImportPlan plan;
    const std::optional<QString> photoFolder = setFolder(xmlFolder, set.photoFolder, set.layout, QStringLiteral("PIC"));
    const std::optional<QString> drawingFolder =
        setFolder(xmlFolder, set.drawingFolder, set.layout, QStringLiteral("DRA"));
    auto resolve = [](const std::optional<QString>& folder, const QString& name) -> QString {
        std::optional<QString> path;
        if (folder)
            path = pathInside(*folder, name);
        return path && QFileInfo(*path).isFile() ? *path : QString();
    };
    int medium = 1;
    RECORD next = 0;
    for (const DeliveryPhoto& p : set.photos) {
        if (p.file.isEmpty())
            continue;
        QString path = resolve(photoFolder, p.file);
        if (p.disc != medium && askMedia) {
            bool yes;
            do {
                yes = messages.confirm(mediumQuestion(p.disc));
                if (yes)
                    path = resolve(photoFolder, p.file);
            } while (yes && path.isEmpty());
        }
        medium = p.disc;
        PlannedRow row;
        row.record = ++next;
        row.path = path;
        row.name = p.file;
        row.photo = &p;
        std::vector<PlannedRow> drawings;
        for (const DeliveryDrawing& d : p.drawings) {
            if (d.file.isEmpty() || d.slot > 2)
                continue;
            PlannedRow dr;
            dr.record = ++next;
            dr.path = resolve(drawingFolder, d.file);
            dr.name = d.file;
            dr.drawing = &d;
            row.drawings[size_t(d.slot)] = dr.record;
            drawings.push_back(std::move(dr));
        }
        if (p.drawings.size() > 3 || p.drawingsLeftOut > 0 || p.spares.size() > 3)
            plan.leftOut << p.file;
        fileInto(plan.photoRoot, p.levels, row.record);
        plan.rows.push_back(std::move(row));
        for (PlannedRow& d : drawings)
            plan.rows.push_back(std::move(d));
    }
    return plan;
}

// A picture read and thumbnailed (on a worker thread).
struct Loaded {
    bool ok = false;
    QByteArray bytes;
    QByteArray thumbnail;
};

Loaded loadPicture(const QString& path)
{
    Loaded l;
    if (path.isEmpty())
        return l;
    QFile f(path);
    if (f.size() > kMaxPictureFileBytes || !f.open(QIODevice::ReadOnly))
        return l;
    l.bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return l;
    l.ok = true;
    SilentMessages quiet;
    l.thumbnail = MakeThumbnail(l.bytes, 0, quiet);
    return l;
}

// The text fields of a photo row an import fills.
constexpr PhotoField kImportedText[] = {F_BIKOU_A, F_TITLE,   F_YOBI1,      F_YOBI2,      F_YOBI3,  F_KASYO,
                                        F_BIKOU_B, F_DATE,    F_NEGANUM,    F_BIKOU_C,    F_KANRI,  F_BIKOU_D,
                                        F_BIKOU_E, F_UKEOIBIKOU, F_HACYUBIKOU, F_BIKOU1, F_BIKOU2, F_BIKOU3};

// Stores the planned rows into the new table, the pictures of the next few
// loading meanwhile.
class RowStore {
public:
    RowStore(engine::Table& table, const PhotoFields& fields, const DeliverySet& set, const QString& sysFile,
             DeliveryImportResult& result, ImportPlan& plan)
        : table_(table), fields_(fields), set_(set), sysFile_(sysFile), result_(result), plan_(plan)
    {
    }

    void storeAll()
    {
        const std::vector<PlannedRow>& rows = plan_.rows;
        const size_t ahead = size_t(std::max(2, QThread::idealThreadCount()));
        std::deque<std::future<Loaded>> loading;
        size_t queued = 0;
        table_.beginBatch();
        for (size_t i = 0; i < rows.size(); ++i) {
            while (queued < rows.size() && queued < i + ahead)
                loading.push_back(std::async(std::launch::async, loadPicture, rows[queued++].path));
            Loaded l = loading.front().get();
            loading.pop_front();
            post(rows[i], std::move(l));
        }
        table_.commitBatch();
    }

    bool flagBad() const { return flagBad_; }

private:
    void needDummy()
    {
        if (dummy_.isEmpty()) {
            dummy_ = dummyPicture(sysFile_);
            SilentMessages quiet;
            dummyThumbnail_ = MakeThumbnail(dummy_, 0, quiet);
        }
    }

    void setText(PhotoField f, const QString& value)
    {
        if (value.isEmpty())
            return;
        if (value.size() > kMaxImportedText)
            plan_.cut = true;
        table_.setValue(fields_[f], value.left(kMaxImportedText));
    }

    void post(const PlannedRow& p, Loaded l)
    {
        QString fileName = QFileInfo(p.path).completeBaseName();
        if (!l.ok) {
            result_.missing << p.name;
            needDummy();
            l.bytes = dummy_;
            l.thumbnail = dummyThumbnail_;
            fileName = QStringLiteral("DUMMY");
        } else if (l.thumbnail.isEmpty()) {
            // Kept as it came; the list shows the stand-in picture for it.
            result_.unreadable << p.name;
            needDummy();
            l.thumbnail = dummyThumbnail_;
        }
        table_.append();
        table_.setValue(fields_[F_RECORD], p.record);
        table_.writeBlob(fields_[F_IMAGE_ORG], l.bytes);
        if (!l.thumbnail.isEmpty())
            table_.writeBlob(fields_[F_THUMBNAIL], l.thumbnail);
        table_.setValue(fields_[F_FILENAME], fileName);
        int flag = 0, film = 0;
        if (const DeliveryPhoto* photo = p.photo) {
            ++result_.photos;
            if (photo->flag < -32768 || photo->flag > 32767)
                flagBad_ = true;
            else
                flag = photo->flag;
            film = photo->filmNumber;
            for (PhotoField f : kImportedText)
                setText(f, photo->text[f]);
            if (set_.layout == DeliveryLayout::Photo05) {
                table_.setValue(fields_[F_DAIHYO], photo->representative == QStringLiteral("1") ? 1 : 0);
                table_.setValue(fields_[F_TEISYUTU], photo->frequency == QStringLiteral("1") ? 1 : 0);
            }
        } else if (const DeliveryDrawing* d = p.drawing) {
            ++result_.drawings;
            setText(F_TITLE, d->title);
            setText(F_BIKOU_B, d->spares.join(QStringLiteral("\r\n")));
        }
        table_.setValue(fields_[F_FLAG], flag);
        table_.setValue(fields_[F_FILMNUM], film);
        table_.setValue(fields_[F_REC_DRA1], p.drawings[0]);
        table_.setValue(fields_[F_REC_DRA2], p.drawings[1]);
        table_.setValue(fields_[F_REC_DRA3], p.drawings[2]);
        table_.post();
    }

    engine::Table& table_;
    const PhotoFields& fields_;
    const DeliverySet& set_;
    const QString sysFile_;
    DeliveryImportResult& result_;
    ImportPlan& plan_;
    QByteArray dummy_, dummyThumbnail_;
    bool flagBad_ = false;
};

// The new job's files take the place of the old ones.
std::optional<QString> replaceJob(const JobPaths& built, const JobPaths& target)
{
    for (const char* side : {"-wal", "-shm", "-journal"})
        QFile::remove(target.table() + QString::fromLatin1(side));
    for (const auto& [from, to] :
         {std::pair{built.table(), target.table()}, std::pair{built.treeFile(), target.treeFile()}}) {
        std::error_code ec;
        std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), ec);
        if (ec)
            return QString::fromStdString(ec.message());
    }
    QDir().mkpath(target.albumFolder());
    QDir().mkpath(target.backFolder());
    return std::nullopt;
}

// Whether the target job is free: its table opened exclusively and closed again.
bool targetFree(const Folders& folders, const JobPaths& target)
{
    TTableNetWork probe;
    try {
        QDir().mkpath(folders.dataFile);
        openOrCreatePhotoTable(target.table(), {&probe}, true);
        probe.closeTable();
        return true;
    } catch (const engine::EngineError&) {
        probe.closeTable();
        return false;
    }
}

// At most 20 names of a list, for a message.
QString someNames(const QStringList& names)
{
    QStringList shown = names.mid(0, 20);
    if (names.size() > 20)
        shown << QStringLiteral("…");
    return shown.join(QStringLiteral("\r\n"));
}


QString fullWidthNumber(int n)
{
    QString s = QString::number(n);
    for (QChar& c : s) {
        if (c.isDigit())
            c = QChar(0xFF10 + c.digitValue());
        else if (c == QLatin1Char('-'))
            c = QChar(0xFF0D);
    }
    return s;
}

}  // namespace

QString mediumQuestion(int medium)
{
    return QStringLiteral("メディア") + fullWidthNumber(medium) + QStringLiteral("をセットしてください。") +
           QStringLiteral("\r\n") + QStringLiteral("よろしいですか？");
}

std::optional<QString> pathInside(const QString& base, const QString& name)
{
    QString n = name.trimmed();
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (n.startsWith(QLatin1Char('/')) || (n.size() >= 2 && n[1] == QLatin1Char(':')))
        return std::nullopt;
    const QStringList parts = n.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& p : parts)
        if (p == QStringLiteral("..") || p.contains(QChar(0)))
            return std::nullopt;
    const QString root = QDir::cleanPath(base);
    const QString path = parts.isEmpty() ? root : root + QLatin1Char('/') + parts.join(QLatin1Char('/'));
    // A link inside the set must not lead out of it.
    const QString realRoot = QFileInfo(root).canonicalFilePath();
    const QFileInfo info(path);
    if (info.exists()) {
        const QString real = info.canonicalFilePath();
        if (realRoot.isEmpty() || !(real == realRoot || real.startsWith(realRoot + QLatin1Char('/'))))
            return std::nullopt;
    }
    return path;
}

QByteArray dummyPicture(const QString& sysFile)
{
    const QString path = sysFile + QStringLiteral("DUMMY.JPG");
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.read(64LL * 1024 * 1024);
        if (!bytes.isEmpty())
            return bytes;
    }
    // Our own stand-in: a grey card with a crossed frame.
    QImage card(160, 120, QImage::Format_RGB888);
    card.fill(QColor(200, 200, 200));
    {
        QPainter p(&card);
        p.setPen(QPen(QColor(120, 120, 120), 3));
        p.drawRect(4, 4, 151, 111);
        p.drawLine(4, 4, 155, 115);
        p.drawLine(155, 4, 4, 115);
    }
    QByteArray jpeg;
    SilentMessages quiet;
    EncodeJpeg(card, jpeg, false, kDefaultJpegQuality, quiet);
    QDir().mkpath(sysFile);
    writeNewFile(path, jpeg, nullptr);
    return jpeg;
}

DeliveryImportResult importDelivery(const Folders& folders, const DeliveryImportOptions& options,
                                    Messages& messages, Progress& progress, const std::function<bool()>& release)
{
    DeliveryImportResult result;
    using Outcome = DeliveryImportResult::Outcome;
    const QString xmlFolder = QDir::cleanPath(options.folder);
    const QString xmlPath = xmlFolder + QStringLiteral("/PHOTO.XML");
    if (!QFileInfo(xmlPath).isFile()) {
        result.outcome = Outcome::NoXml;
        return result;
    }
    const JobPaths target{folders.dataFile, kXmlImportJob};
    auto failed = [&](const QString& why) {
        progress.end();
        result.outcome = Outcome::Failed;
        result.error = kImportBuildFailed.arg(why);
        messages.error(result.error);
        return result;
    };
    if (!options.targetIsOpen && !targetFree(folders, target)) {
        messages.warning(QStringLiteral("この工事データは他のコンピューターで参照または編集中です。"));
        result.outcome = Outcome::InUse;
        return result;
    }

    // The file read into the model, the tree released again.
    DeliverySet set;
    {
        TXMLTreeView tree;
        tree.MSXML = options.libxml2;
        if (!tree.LoadFromFile(xmlPath, &messages)) {
            result.outcome = Outcome::BadXml;
            result.error = tree.errorText();
            return result;
        }
        set = readDeliverySet(tree.nodes(), isPhoto05File(xmlPath));
    }

    // The new job is built in a folder of its own beside the jobs.
    QTemporaryDir aside(folders.dataFile + QStringLiteral(".xmlimport-XXXXXX"));
    if (!aside.isValid())
        return failed(aside.errorString());
    const JobPaths built{withSlash(aside.path()), kXmlImportJob};
    engine::Table table;
    PhotoFields fields;
    try {
        engine::Table::create(built.table(), photoTableFields(), QStringLiteral("RECORD"));
        table.open(built.table(), true);
        fields.lookUp(table);
    } catch (const engine::EngineError& e) {
        return failed(e.message());
    }

    ImportPlan plan = planRows(set, xmlFolder, options.askMedia, messages);
    progress.start(int(std::min<size_t>(plan.rows.size() + 1, size_t(INT_MAX))));
    if (!progress.step()) {
        progress.end();
        messages.information(kImportStopped);
        result.outcome = Outcome::Stopped;
        return result;
    }
    RowStore store(table, fields, set, folders.sysFile, result, plan);
    try {
        store.storeAll();
        table.flush();
        table.close();
    } catch (const engine::EngineError& e) {
        return failed(e.message());
    }
    progress.end();

    const IniFile comn(folders.userFile + QStringLiteral("ZBCOMN.LST"));
    const QString section = QStringLiteral("ComnPrg_Env");
    TreeFile file;
    file.header = newJobHeader(comn.readString(section, QStringLiteral("JUkeoi")),
                               comn.readString(section, QStringLiteral("JUkeoiCode")),
                               comn.readString(section, QStringLiteral("JUkeoiBikou")));
    applyHeaderItems(set, file.header);
    flatten(FolderBuild{kUnclassifiedCaption, {}, {}}, 0, file.folders);
    flatten(plan.photoRoot, 0, file.folders);
    flatten(FolderBuild{kRecycleCaption, {}, {}}, 0, file.folders);
    QString error;
    if (!writeTreeFile(built.treeFile(), file, &error))
        return failed(error);

    if (release && !release())
        return failed(QStringLiteral("工事データを閉じられませんでした。"));
    if (const std::optional<QString> why = replaceJob(built, target))
        return failed(*why);
    if (store.flagBad())
        messages.information(kImportFlagBad);
    if (!result.unreadable.isEmpty())
        messages.information(kImportNotJpeg.arg(someNames(result.unreadable)));
    if (!plan.leftOut.isEmpty())
        messages.information(kImportLeftOut.arg(someNames(plan.leftOut)));
    if (plan.cut)
        messages.information(kImportCut.arg(kMaxImportedText));
    result.outcome = Outcome::Imported;
    return result;
}


}  // namespace zb
