#include "maintenance/backup.h"

#include "core/ports.h"
#include "core/scripted_ports.h"
#include "core/text.h"
#include "imaging/graphic_kind.h"
#include "imaging/jpeg_codec.h"
#include "imaging/photo_edits.h"
#include "imaging/stored_pictures.h"
#include "maintenance/backup_package.h"
#include "store/job_files.h"
#include "store/data_module.h"
#include "store/job_life.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtEndian>
#include <QThread>
#include <deque>
#include <filesystem>
#include <future>

namespace zb {

namespace {

std::function<bool(qint64)>& writeProbe()
{
    static std::function<bool(qint64)> probe;
    return probe;
}

qint64& restoreLimit()
{
    static qint64 limit = 0;
    return limit;
}

// Writes to the package and counts what went; the first failure sticks.
class PackageOut {
public:
    explicit PackageOut(QSaveFile& f) : f_(f) {}
    bool write(const QByteArray& bytes)
    {
        if (!ok_)
            return false;
        if (writeProbe() && !writeProbe()(written_ + bytes.size())) {
            ok_ = false;
            error_ = QStringLiteral("No space left on device");
            return false;
        }
        if (f_.write(bytes) != bytes.size()) {
            ok_ = false;
            error_ = f_.errorString();
            return false;
        }
        written_ += bytes.size();
        return true;
    }
    bool ok() const { return ok_; }
    QString error() const { return error_; }

private:
    QSaveFile& f_;
    qint64 written_ = 0;
    bool ok_ = true;
    QString error_;
};

QByteArray le32(qint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian<qint32>(v, b.data());
    return b;
}

// The pictures of one row as read from the table, and what the package takes.
struct RowPictures {
    QByteArray imageOrg, imageNow;
    int graFlag = 0;
    bool reencode = false;  // compressed mode: the current picture goes as a new JPEG
};

// Decodes the current picture and encodes it at the compressed jobs' quality.
// Runs on a worker thread: its codec messages stay with it.
std::optional<QByteArray> reencodeCurrent(const RowPictures& p)
{
    SilentMessages quiet;
    const CurrentPicture cur = CurrentPictureOf(p.imageNow.isNull() ? QByteArray() : p.imageNow, p.imageOrg, p.graFlag);
    QImage bitmap;
    if (!DecodeStoredPicture(cur.bytes, cur.kind, bitmap, 0, quiet))
        return std::nullopt;
    QByteArray jpeg;
    if (!EncodeJpeg(bitmap, jpeg, false, kCompressedJobQuality, quiet))
        return std::nullopt;
    return jpeg;
}

struct PendingRow {
    BackupPhoto photo;
    std::optional<std::future<std::optional<QByteArray>>> jpeg;
};

int intValue(const engine::Table& t, int pos) { return pos < 0 ? 0 : t.value(pos).toInt(); }

QByteArray blobOf(const engine::Table& t, int pos)
{
    if (pos < 0 || t.isNull(pos))
        return {};
    return t.readBlob(pos);
}

}  // namespace

void setPackageWriteProbe(std::function<bool(qint64)> probe) { writeProbe() = std::move(probe); }
void setRestoreTableLimit(qint64 bytes) { restoreLimit() = bytes; }

QStringList albumFilesOf(const QString& albumFolder)
{
    QDir dir(albumFolder);
    QStringList names;
    for (const QFileInfo& fi : dir.entryInfoList({QStringLiteral("*.ZBA")}, QDir::Files | QDir::Readable, QDir::Name))
        if (fi.fileName().size() > 4)
            names << fi.fileName();
    return names;
}

MaintenanceResult WriteBackup(const BackupSource& src, const QString& path, BackupMode mode, Progress& progress,
                              QString* error)
{
    auto failed = [&](const QString& why) {
        if (error)
            *error = why;
        return MaintenanceResult::Failed;
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failed(file.errorString());
    PackageOut out(file);
    engine::Table& t = src.table;
    const PhotoFields& f = src.fields;
    const QStringList albums = albumFilesOf(src.albumFolder);
    qint32 rows = 0;
    try {
        rows = qint32(t.rowCount());
    } catch (const engine::EngineError& e) {
        file.cancelWriting();
        return failed(e.message());
    }
    out.write(encodeHeader(src.file.header));
    out.write(encodeHierarchy(src.file.folders, true));
    out.write(le32(rows));
    out.write(le32(qint32(albums.size())));

    const bool compressed = mode == BackupMode::Compressed;
    // Re-encoding runs on worker threads a few rows ahead of the writing, which
    // keeps the rows in table order.
    const size_t window = size_t(std::max(2, QThread::idealThreadCount())) * 2;
    std::deque<PendingRow> pending;
    bool cancelled = false;
    QString why;
    auto writeFront = [&]() -> bool {
        PendingRow row = std::move(pending.front());
        pending.pop_front();
        if (row.jpeg) {
            std::optional<QByteArray> jpeg = row.jpeg->get();
            if (!jpeg) {
                why = QStringLiteral("the picture of photo %1 cannot be re-encoded").arg(row.photo.record);
                return false;
            }
            row.photo.imageOrg = *jpeg;
        }
        const BackupPhoto& p = row.photo;
        return out.write(encodePhotoRecord(p)) && out.write(p.thumbnail) && out.write(p.album)
               && out.write(p.imageOrg) && out.write(p.imageNow);
    };

    progress.start(rows + int(albums.size()));
    qint32 seen = 0;
    QList<BackupExtra> extras;
    try {
        for (bool more = t.first(); more && out.ok() && why.isEmpty(); more = t.next()) {
            if (seen >= rows)
                break;  // rows that came after the count was taken would not match it
            ++seen;
            if (!progress.step()) {
                cancelled = true;
                break;
            }
            PendingRow row;
            BackupPhoto& p = row.photo;
            p.record = intValue(t, f[F_RECORD]);
            p.drawings = {intValue(t, f[F_REC_DRA1]), intValue(t, f[F_REC_DRA2]), intValue(t, f[F_REC_DRA3])};
            p.flag = quint8(std::clamp(intValue(t, f[F_FLAG]), 0, 255));
            p.filmNum = intValue(t, f[F_FILMNUM]);
            const BackupExtra extra{p.record, intValue(t, f[F_DAIHYO]), intValue(t, f[F_TEISYUTU]),
                                    intValue(t, f[F_HENKAN])};
            if (!extra.isZero())
                extras << extra;
            const auto& places = backupTextPlaces();
            for (int i = 0; i < kBackupTextCount; ++i) {
                const int pos = t.fieldIndex(QString::fromLatin1(places[i].field));
                p.texts[i] = pos < 0 ? QString() : t.value(pos).toString();
            }
            p.thumbnail = blobOf(t, f[F_THUMBNAIL]);
            RowPictures pics;
            pics.imageOrg = blobOf(t, f[F_IMAGE_ORG]);
            pics.imageNow = blobOf(t, f[F_IMAGE_NOW]);
            const bool edited = f[F_IMAGE_NOW] >= 0 && !t.isNull(f[F_IMAGE_NOW]);
            pics.graFlag = intValue(t, f[F_GRA_FLAG]);
            if (!compressed) {
                p.album = blobOf(t, f[F_ALBUM]);
                p.imageOrg = pics.imageOrg;
                p.imageNow = pics.imageNow;
            } else if (!edited && pics.graFlag != kKindJpeg) {
                // A metafile that was never edited keeps its drawing.
                p.imageOrg = pics.imageOrg;
                p.imageNow = pics.imageNow;
            } else {
                if (!edited)
                    pics.imageNow = QByteArray();
                row.jpeg = std::async(std::launch::async, [pics] { return reencodeCurrent(pics); });
            }
            pending.push_back(std::move(row));
            while (pending.size() >= window && why.isEmpty() && out.ok())
                if (!writeFront())
                    break;
        }
        while (!cancelled && !pending.empty() && why.isEmpty() && out.ok())
            if (!writeFront())
                break;
    } catch (const engine::EngineError& e) {
        why = e.message();
    }
    // Workers still running finish before their inputs go.
    for (PendingRow& r : pending)
        if (r.jpeg)
            r.jpeg->wait();
    pending.clear();
    if (!cancelled && why.isEmpty() && out.ok() && seen != rows)
        why = QStringLiteral("the table holds fewer rows than it counted");

    for (int i = 0; !cancelled && why.isEmpty() && out.ok() && i < albums.size(); ++i) {
        if (!progress.step()) {
            cancelled = true;
            break;
        }
        const QString albumPath = src.albumFolder + albums[i];
        QFile in(albumPath);
        if (!in.open(QIODevice::ReadOnly)) {
            why = albumPath + QStringLiteral(": ") + in.errorString();
            break;
        }
        BackupAlbum a;
        a.name = albums[i].chopped(4);
        a.dosTime = toDosDateTime(QFileInfo(albumPath).lastModified());
        a.bytes = in.readAll();
        if (in.error() != QFileDevice::NoError) {
            why = albumPath + QStringLiteral(": ") + in.errorString();
            break;
        }
        out.write(encodeAlbumHeader(a));
        out.write(a.bytes);
    }
    if (!cancelled && why.isEmpty() && out.ok())
        out.write(encodeExtras(extras));
    progress.end();
    if (cancelled) {
        file.cancelWriting();
        return MaintenanceResult::Cancelled;
    }
    if (!why.isEmpty() || !out.ok()) {
        file.cancelWriting();
        return failed(why.isEmpty() ? out.error() : why);
    }
    if (!file.commit())
        return failed(file.errorString());
    return MaintenanceResult::Done;
}

MaintenanceResult BackupJobFiles(const QString& dataFile, const QString& name, const QString& path, BackupMode mode,
                                 Progress& progress, QString* error)
{
    const JobPaths paths{dataFile, name};
    ReadReport report;
    const std::optional<TreeFile> tree = readTreeFile(paths.treeFile(), &report);
    if (!tree) {
        if (error)
            *error = report.problems.value(0);
        return MaintenanceResult::Failed;
    }
    engine::Table t;
    try {
        t.open(paths.table(), true);
    } catch (const engine::EngineError& e) {
        if (error)
            *error = e.kind() == engine::EngineError::Kind::InUse ? kJobInUse : e.message();
        return MaintenanceResult::Failed;
    }
    PhotoFields f;
    f.lookUp(t);
    return WriteBackup(BackupSource{t, f, *tree, paths.albumFolder()}, path, mode, progress, error);
}

// --- restoring ---

std::optional<QString> chooseRestoreTarget(const QString& dataFile, const QString& proposed, Messages& messages)
{
    QString name = proposed;
    while (jobTreeFileExists(dataFile, name)) {
        switch (messages.askThree(kRestoreNameExists)) {
        case Messages::Answer::Yes:
            return name;
        case Messages::Answer::Cancel:
            return std::nullopt;
        case Messages::Answer::No: {
            const std::optional<QString> typed = messages.inputBox(kRestoreNameCaption, kRestoreNamePrompt, name);
            if (!typed)
                return std::nullopt;
            const QString cleaned = cleanJobName(*typed);
            if (!cleaned.isEmpty())
                name = cleaned;
            break;
        }
        }
    }
    return name;
}

namespace {

enum class Probe { Free, InUse, Failed };

// Opens the target's table for writing and closes it again: another process
// that holds it makes this fail.
Probe probeTable(const QString& path, QString* error)
{
    if (!QFileInfo::exists(path))
        return Probe::Free;
    engine::Table t;
    try {
        t.open(path, true);
        t.close();
    } catch (const engine::EngineError& e) {
        if (error)
            *error = e.message();
        return e.kind() == engine::EngineError::Kind::InUse ? Probe::InUse : Probe::Failed;
    }
    return Probe::Free;
}

// Replaces `to` by `from` in one rename.
bool replaceBy(const QString& from, const QString& to, QString* error)
{
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), ec);
    if (ec && error)
        *error = to + QStringLiteral(": ") + QString::fromStdString(ec.message());
    return !ec;
}

struct Built {
    MaintenanceResult result = MaintenanceResult::Failed;
    int rows = 0, skipped = 0;
    bool damaged = false;  // the package, not the disk, was at fault
    QString error;
    QStringList albums;    // file names written into the scratch ALBUM folder
};

// Sets the values that follow the album entries on the restored rows, as 0
// or 1; entries of records that were not restored are passed over, and a
// repeated record keeps its first entry. Throws EngineError.
void applyExtras(const QString& tablePath, const QList<BackupExtra>& extras)
{
    if (extras.isEmpty())
        return;
    engine::Table t;
    t.open(tablePath, true);
    if (restoreLimit() > 0)
        t.setSizeLimit(restoreLimit());
    PhotoFields f;
    f.lookUp(t);
    QSet<RECORD> done;
    t.beginBatch();
    try {
        for (const BackupExtra& e : extras) {
            if (done.contains(e.record) || !t.locate(e.record))
                continue;
            done.insert(e.record);
            t.edit();
            t.setValue(f[F_DAIHYO], e.daihyo != 0 ? 1 : 0);
            t.setValue(f[F_TEISYUTU], e.teisyutu != 0 ? 1 : 0);
            t.setValue(f[F_HENKAN], e.henkan != 0 ? 1 : 0);
            t.post();
        }
        t.commitBatch();
    } catch (const engine::EngineError&) {
        if (t.isEditing())
            t.cancel();
        t.rollbackBatch();
        throw;
    }
    t.close();
}

// Reads the package into a table, a tree file and album files in `scratch`.
Built buildAside(const QString& packagePath, const QString& scratch, const QString& name, Progress& progress)
{
    Built b;
    QFile in(packagePath);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        b.error = in.errorString();
        b.damaged = true;
        return b;
    }
    BackupReader reader(in);
    if (!reader.readHead()) {
        b.error = reader.error();
        b.damaged = true;
        return b;
    }
    const JobPaths aside{scratch, name};
    engine::Table t;
    try {
        engine::Table::create(aside.table(), photoTableFields(), QStringLiteral("RECORD"));
        t.open(aside.table(), true);
        if (restoreLimit() > 0)
            t.setSizeLimit(restoreLimit());
    } catch (const engine::EngineError& e) {
        b.error = e.message();
        return b;
    }
    PhotoFields f;
    f.lookUp(t);
    const auto& places = backupTextPlaces();
    std::array<int, kBackupTextCount> textPos;
    for (int i = 0; i < kBackupTextCount; ++i)
        textPos[i] = t.fieldIndex(QString::fromLatin1(places[i].field));

    progress.start(reader.photoCount());
    QSet<RECORD> posted;
    bool cancelled = false;
    try {
        // The table is a scratch file until it is complete: one transaction
        // for all rows, synced once at the end.
        t.beginBatch();
        BackupPhoto p;
        for (qint32 i = 0; i < reader.photoCount(); ++i) {
            if (!progress.step()) {
                cancelled = true;
                break;
            }
            if (!reader.readPhoto(p)) {
                b.error = reader.error();
                b.damaged = true;
                break;
            }
            // A row the table cannot take (a negative or repeated record
            // number) is left out; the rest go on.
            if (p.record < 0 || posted.contains(p.record)) {
                ++b.skipped;
                continue;
            }
            t.append();
            t.setValue(f[F_RECORD], p.record);
            t.setValue(f[F_CHECK], false);
            t.setValue(f[F_FLAG], int(p.flag));
            t.setValue(f[F_FILMNUM], p.filmNum);
            t.setValue(f[F_REC_DRA1], p.drawings[0]);
            t.setValue(f[F_REC_DRA2], p.drawings[1]);
            t.setValue(f[F_REC_DRA3], p.drawings[2]);
            for (int k = 0; k < kBackupTextCount; ++k)
                t.setValue(textPos[k], p.texts[k]);
            t.writeBlob(f[F_THUMBNAIL], p.thumbnail);
            if (!p.album.isEmpty())
                t.writeBlob(f[F_ALBUM], p.album);
            t.writeBlob(f[F_IMAGE_ORG], p.imageOrg);
            if (!p.imageNow.isEmpty())
                t.writeBlob(f[F_IMAGE_NOW], p.imageNow);
            t.setValue(f[F_GRA_FLAG], GraFlagOf(p.imageOrg));
            try {
                t.post();
                posted.insert(p.record);
                ++b.rows;
            } catch (const engine::EngineError& e) {
                t.cancel();
                if (e.kind() != engine::EngineError::Kind::KeyViolation && e.kind() != engine::EngineError::Kind::State)
                    throw;
                ++b.skipped;
            }
        }
        if (cancelled || !b.error.isEmpty()) {
            t.rollbackBatch();
        } else {
            t.commitBatch();
        }
        t.close();
    } catch (const engine::EngineError& e) {
        t.rollbackBatch();
        t.close();
        b.error = e.message();
        progress.end();
        return b;
    }
    progress.end();
    if (cancelled) {
        b.result = MaintenanceResult::Cancelled;
        return b;
    }
    if (!b.error.isEmpty())
        return b;

    const QString albumAside = scratch + QStringLiteral("ALBUM/");
    QDir().mkpath(albumAside);
    BackupAlbum a;
    for (qint32 i = 0; i < reader.albumCount(); ++i) {
        if (!reader.readAlbum(a)) {
            b.error = reader.error();
            b.damaged = true;
            return b;
        }
        const QString albumName = safeAlbumName(a.name);
        if (albumName.isEmpty())
            continue;
        const QString fileName = albumName + QStringLiteral(".ZBA");
        QSaveFile out(albumAside + fileName);
        if (!out.open(QIODevice::WriteOnly) || out.write(a.bytes) != a.bytes.size() || !out.commit()) {
            b.error = out.errorString();
            return b;
        }
        const QDateTime when = fromDosDateTime(a.dosTime);
        if (when.isValid()) {
            QFile stamped(albumAside + fileName);
            if (stamped.open(QIODevice::ReadWrite))
                stamped.setFileTime(when, QFileDevice::FileModificationTime);
        }
        if (!b.albums.contains(fileName))
            b.albums << fileName;
    }
    QList<BackupExtra> extras;
    if (!reader.readExtras(extras)) {
        b.error = reader.error();
        b.damaged = true;
        return b;
    }
    try {
        applyExtras(aside.table(), extras);
    } catch (const engine::EngineError& e) {
        b.error = e.message();
        return b;
    }
    QString treeError;
    if (!writeTreeFile(aside.treeFile(), TreeFile{reader.header(), reader.folders()}, &treeError)) {
        b.error = treeError;
        return b;
    }
    b.result = MaintenanceResult::Done;
    return b;
}

}  // namespace

RestoreOutcome RestoreBackup(const QString& dataFile, const QString& packagePath, bool quiet, Messages& messages,
                             Progress& progress, const std::function<void(const QString&)>& releaseTarget,
                             const QString& targetName)
{
    RestoreOutcome out;
    QString name = cleanJobName(targetName.isEmpty() ? QFileInfo(packagePath).completeBaseName() : targetName);
    if (name.isEmpty()) {
        out.error = QStringLiteral("no usable job name");
        messages.warning(kJobNameEmpty);
        return out;
    }
    if (!quiet) {
        const std::optional<QString> chosen = chooseRestoreTarget(dataFile, name, messages);
        if (!chosen) {
            out.result = MaintenanceResult::Cancelled;
            return out;
        }
        name = *chosen;
    }
    out.name = name;
    if (!QFileInfo(packagePath).isFile()) {
        out.error = QStringLiteral("cannot open ") + packagePath;
        messages.error(kPackageUnreadable.arg(QFileInfo(packagePath).fileName()));
        return out;
    }
    if (releaseTarget)
        releaseTarget(name);
    const JobPaths target{dataFile, name};
    QString probeError;
    switch (probeTable(target.table(), &probeError)) {
    case Probe::Free:
        break;
    case Probe::InUse:
        out.error = kJobInUse;
        messages.warning(kJobInUse);
        return out;
    case Probe::Failed:
        // A damaged table is replaced by the restore; anything else stops it.
        break;
    }

    QDir().mkpath(dataFile);
    // Scratch folders of restores that were cut short (the program killed)
    // go once they are a day old; a younger one may belong to a restore that
    // another computer is running in a shared data folder.
    for (const QFileInfo& old : QDir(dataFile).entryInfoList({QStringLiteral(".restore-*")},
                                                             QDir::Dirs | QDir::Hidden | QDir::NoSymLinks))
        if (old.lastModified().secsTo(QDateTime::currentDateTime()) > 24 * 3600)
            QDir(old.filePath()).removeRecursively();
    QTemporaryDir scratchDir(dataFile + QStringLiteral(".restore-XXXXXX"));
    if (!scratchDir.isValid()) {
        out.error = scratchDir.errorString();
        messages.error(kMaintenanceFailed);
        return out;
    }
    const QString scratch = withSlash(scratchDir.path());
    Built b = buildAside(packagePath, scratch, name, progress);
    out.rows = b.rows;
    out.skipped = b.skipped;
    out.error = b.error;
    if (b.result == MaintenanceResult::Cancelled) {
        out.result = MaintenanceResult::Cancelled;
        return out;
    }
    if (b.result != MaintenanceResult::Done) {
        messages.error(b.damaged ? kPackageDamaged.arg(QFileInfo(packagePath).fileName()) : kMaintenanceFailed);
        return out;
    }

    // Everything was read: the new job takes the place of the old one. The
    // table is checked once more right before, since the reading took time.
    if (probeTable(target.table(), &probeError) == Probe::InUse) {
        out.error = kJobInUse;
        messages.warning(kJobInUse);
        return out;
    }
    const JobPaths aside{scratch, name};
    // What SQLite left beside the old table belongs to the old file only.
    for (const char* side : {"-journal", "-wal", "-shm"})
        QFile::remove(target.table() + QLatin1String(side));
    QString error;
    bool ok = replaceBy(aside.table(), target.table(), &error) && replaceBy(aside.treeFile(), target.treeFile(), &error);
    if (ok) {
        QFile::remove(target.openMarker());
        QDir().mkpath(target.albumFolder());
        QDir().mkpath(target.backFolder());
        for (const QString& album : b.albums)
            ok = replaceBy(scratch + QStringLiteral("ALBUM/") + album, target.albumFolder() + album, &error) && ok;
    }
    if (!ok) {
        out.error = error;
        messages.error(kMaintenanceFailed);
        return out;
    }
    out.result = MaintenanceResult::Done;
    return out;
}

QString backupConfirmText(const QString& dataFile, const QString& jobName)
{
    return QDir::toNativeSeparators(dataFile + jobName + QStringLiteral("/BACK")) + kBackupNoBackFolder;
}

bool BackupOpenJob(JobLife& job, TDataModule_Main& data, const QString& path, Messages& messages, Progress& progress)
{
    if (!job.isOpen() || job.save() == SaveResult::Failed)
        return false;
    PhotoFields fields;
    fields.lookUp(data.photoTable());
    const BackupSource src{data.photoTable(), fields, job.file(),
                           JobPaths{job.folders().dataFile, job.name()}.albumFolder()};
    switch (WriteBackup(src, path, BackupMode::Normal, progress)) {
    case MaintenanceResult::Done:
        messages.information(kMaintenanceDone);
        return true;
    case MaintenanceResult::Cancelled:
        return false;
    case MaintenanceResult::Failed:
        messages.error(kMaintenanceFailed);
        return false;
    }
    return false;
}

bool RestoreIntoProgram(JobLife& job, const QString& packagePath, Messages& messages, Progress& progress)
{
    if (job.save() == SaveResult::Failed)
        return false;
    const QString before = job.name();
    bool closedOwn = false;
    const RestoreOutcome out = RestoreBackup(job.folders().dataFile, packagePath, false, messages, progress,
                                             [&](const QString& target) {
                                                 if (job.isOpen() && job.name() == target)
                                                     closedOwn = job.closeJob();
                                             });
    if (out.result != MaintenanceResult::Done) {
        if (closedOwn)
            job.openChosen({before, {}});
        return false;
    }
    if (job.openChosen({out.name, {}}) != JobLife::OpenResult::Opened) {
        if (!job.isOpen() && !before.isEmpty())
            job.openChosen({before, {}});
        return false;
    }
    messages.information(kMaintenanceDone);
    return true;
}

}  // namespace zb
