#include "imaging/import.h"

#include "core/ports.h"
#include "core/text.h"
#include "imaging/exif.h"
#include "imaging/graphic_kind.h"
#include "imaging/stored_pictures.h"
#include "store/table_network.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <future>
#include <limits>
#include <memory>
#include <vector>

namespace zb {

QString folderImportQuestion(int count)
{
    return QStringLiteral("合計 ") + QString::number(count) + QStringLiteral("枚の写真があります 一括読込しますか？");
}

QString trimBlanks(const QString& text)
{
    qsizetype b = 0;
    qsizetype e = text.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QChar(0x3000); };
    while (b < e && blank(text[b]))
        ++b;
    while (e > b && blank(text[e - 1]))
        --e;
    return text.mid(b, e - b);
}

QString frameNumberFromName(const QString& baseName)
{
    qsizetype i = 0;
    while (i < baseName.size() && !(baseName[i] >= QLatin1Char('0') && baseName[i] <= QLatin1Char('9')))
        ++i;
    if (i == baseName.size())
        return {};
    qsizetype end = i;
    while (end < baseName.size() && baseName[end] >= QLatin1Char('0') && baseName[end] <= QLatin1Char('9'))
        ++end;
    // The decimal value of the digits, written without leading zeros. Kept as
    // text so that a long run of digits is not wrapped around.
    QString digits = baseName.mid(i, end - i);
    while (digits.size() > 1 && digits[0] == QLatin1Char('0'))
        digits.remove(0, 1);
    return digits;
}

QString backupFileName(RECORD highest, const QString& sourcePath)
{
    const QString suffix = QFileInfo(sourcePath).suffix();
    return QStringLiteral("B") + QStringLiteral("%1").arg(highest, 7, 10, QLatin1Char('0')) +
           (suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix);
}

namespace {

QString fileDate(const QString& path)
{
    const QDateTime t = QFileInfo(path).lastModified();
    return t.isValid() ? t.date().toString(QStringLiteral("yyyyMMdd")) : QString();
}

// "YYYY:MM:DD hh:mm:ss" becomes "YYYYMMDD"; empty when the tag is missing.
QString exifDate(const QString& dateTime)
{
    if (dateTime.isEmpty())
        return {};
    return dateTime.mid(0, 4) + dateTime.mid(5, 2) + dateTime.mid(8, 2);
}

// The backup copy of one source file; false when it failed.
bool backupCopy(const QString& backFolder, const QDate& day, RECORD highest, const QString& source)
{
    const QString folder = QDir(backFolder).filePath(day.toString(QStringLiteral("yyyy-MM-dd")));
    if (!QDir().mkpath(folder))
        return false;
    const QString target = QDir(folder).filePath(backupFileName(highest, source));
    if (QFileInfo::exists(target)) {
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
        if (!QFile::remove(target))
            return false;
    }
    if (!QFile::copy(source, target))
        return false;
    // Archive only: an ordinary file the owner may change, whatever the source was.
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                      QFileDevice::ReadOther);
    return true;
}

// Puts the drawing into the first free drawing field of the photo. False when
// all three are used (or the photo is gone).
bool attachDrawing(TTableEnhanced& table, const PhotoFields& f, RECORD photo, RECORD drawing)
{
    if (!table.locate(photo))
        return false;
    const PhotoField drawingFields[] = {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3};
    for (PhotoField s : drawingFields) {
        const int pos = f[s];
        if (pos < 0)
            continue;
        if (table.isNull(pos) || table.value(pos).toInt() == 0) {
            table.edit();
            table.setValue(pos, drawing);
            table.post();
            return true;
        }
    }
    return false;
}

// Whether the photo has a free drawing field; asked before a drawing's row is
// stored, so a full photo never leaves a row attached to nothing.
bool hasFreeDrawingSlot(TTableEnhanced& table, const PhotoFields& f, RECORD photo)
{
    if (!table.locate(photo))
        return false;
    for (PhotoField s : {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3}) {
        const int pos = f[s];
        if (pos >= 0 && (table.isNull(pos) || table.value(pos).toInt() == 0))
            return true;
    }
    return false;
}

void setIf(TTableEnhanced& table, int pos, const QVariant& v)
{
    if (pos >= 0)
        table.setValue(pos, v);
}


// What preparing a picture on a worker thread had to say (a codec's status
// text, the read error). It is said on the calling thread, in list order, when
// the import reaches the file, so the user sees exactly what a run on one
// thread shows.
class HeldMessages : public Messages {
public:
    void information(const QString& text) override { held_.push_back({Kind::Information, {}, text}); }
    bool confirm(const QString&) override { return false; }
    bool ask(const QString&) override { return false; }
    Answer askThree(const QString&) override { return Answer::Cancel; }
    void warning(const QString& text) override { held_.push_back({Kind::Warning, {}, text}); }
    bool warningOkCancel(const QString& text) override
    {
        held_.push_back({Kind::Warning, {}, text});
        return false;
    }
    void error(const QString& text) override { held_.push_back({Kind::Error, {}, text}); }
    void notice(const QString& key, const QString& text) override { held_.push_back({Kind::Notice, key, text}); }
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
    void status(const QString& text) override { held_.push_back({Kind::Status, {}, text}); }
    void beep() override { held_.push_back({Kind::Beep, {}, {}}); }

    void sayTo(Messages& m) const
    {
        for (const Held& h : held_) {
            switch (h.kind) {
            case Kind::Information: m.information(h.text); break;
            case Kind::Warning: m.warning(h.text); break;
            case Kind::Error: m.error(h.text); break;
            case Kind::Notice: m.notice(h.key, h.text); break;
            case Kind::Status: m.status(h.text); break;
            case Kind::Beep: m.beep(); break;
            }
        }
    }

private:
    enum class Kind { Information, Warning, Error, Notice, Status, Beep };
    struct Held {
        Kind kind;
        QString key;
        QString text;
    };
    std::vector<Held> held_;
};

// One source file read, decoded and thumbnailed ahead of its turn.
struct PreparedFile {
    bool prepared = false;  // false: the calling thread does the work when the file's turn comes
    int kind = kKindUnsupported;
    std::optional<ImportedPicture> picture;
    PhotoInfo info;
    HeldMessages said;
};

// Kinds whose reading is safe away from the main thread. Metafiles and icons
// are drawn by renderers that are kept on the calling thread.
bool preparesOnWorker(int kind)
{
    return kind >= 0 && kind != kKindMetafile && kind != kKindIcon && kind != kKindClipboard;
}

// Reads the picture fields and photo information of one file on a worker.
// Missing and unsupported files are left to the calling thread, which reports
// them in their turn.
PreparedFile prepareFile(const QString& path, bool compressed, const ImportSettings& settings)
{
    PreparedFile p;
    if (!QFileInfo(path).isFile())
        return p;
    p.kind = GraphicKindOf(path);
    if (!preparesOnWorker(p.kind))
        return p;
    p.picture = PictureForImport(path, p.kind, compressed, p.said);
    if (p.picture)
        p.info = photoInfoFor(path, p.kind, settings);
    p.prepared = true;
    return p;
}

// Files prepared ahead on worker threads, a few at a time so that memory
// stays bounded; taken back in list order. Files not yet started when the run
// ends are skipped; the destructor waits for the ones being read.
class PrepareAhead {
public:
    PrepareAhead(const QStringList& files, bool compressed, const ImportSettings& settings)
        : files_(files), compressed_(compressed), settings_(settings), cancelled_(std::make_shared<std::atomic_bool>(false))
    {
        // A compressed job decodes every picture at full size (36 MB for 12
        // megapixels): fewer at a time there keeps the memory bounded.
        const int threads = std::clamp(QThread::idealThreadCount(), 1, compressed ? 2 : 4);
        pool_.setMaxThreadCount(threads);
        window_ = threads + 1;
        fill();
    }
    ~PrepareAhead()
    {
        cancelled_->store(true);
        pool_.clear();
        pool_.waitForDone();
    }
    PrepareAhead(const PrepareAhead&) = delete;
    PrepareAhead& operator=(const PrepareAhead&) = delete;

    // The prepared form of the next file in the list. Waits for it, letting the
    // calling thread's paint and timer events through meanwhile so the window
    // keeps painting; the user's input waits for the progress step, which
    // looks at it for the ESC key and keeps commands from starting mid-run.
    PreparedFile take()
    {
        std::future<PreparedFile> f = std::move(pending_.front());
        pending_.pop_front();
        fill();
        const bool ownsEvents = QCoreApplication::instance() &&
                                QThread::currentThread() == QCoreApplication::instance()->thread();
        while (f.wait_for(std::chrono::milliseconds(ownsEvents ? 20 : 1000)) != std::future_status::ready)
            if (ownsEvents)
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return f.get();
    }

private:
    void fill()
    {
        while (int(pending_.size()) < window_ && next_ < files_.size()) {
            auto promise = std::make_shared<std::promise<PreparedFile>>();
            pending_.push_back(promise->get_future());
            const QString path = files_.at(next_++);
            const bool compressed = compressed_;
            const ImportSettings settings = settings_;
            auto cancelled = cancelled_;
            pool_.start([promise, path, compressed, settings, cancelled] {
                if (cancelled->load()) {
                    promise->set_value(PreparedFile{});
                    return;
                }
                try {
                    promise->set_value(prepareFile(path, compressed, settings));
                } catch (...) {
                    // Left to the calling thread, which meets the same trouble in its turn.
                    promise->set_value(PreparedFile{});
                }
            });
        }
    }

    const QStringList files_;
    const bool compressed_;
    const ImportSettings settings_;
    std::shared_ptr<std::atomic_bool> cancelled_;
    QThreadPool pool_;
    int window_ = 2;
    qsizetype next_ = 0;
    std::deque<std::future<PreparedFile>> pending_;
};

}  // namespace

PhotoInfo photoInfoFor(const QString& path, int kind, const ImportSettings& s)
{
    PhotoInfo info;
    // A HEIC file carries the same Exif block as a camera's JPEG.
    if (kind != kKindJpeg && kind != kKindHeif && kind != kKindMetafile)
        return info;
    bool fdiSet = false;
    if (kind == kKindMetafile) {
        if (s.stampMode == 1 || s.stampMode == 3)
            info.date = fileDate(path);
    } else {
        std::optional<ExifInfo> exif;
        if (s.fdiFileName || s.stampMode == 1 || s.stampMode == 2)
            exif = ReadExif(path);
        if (exif && (s.stampMode == 1 || s.stampMode == 2))
            info.date = exifDate(exif->dateTime);
        if ((s.stampMode == 1 || s.stampMode == 3) && info.date.isEmpty())
            info.date = fileDate(path);
        if (exif && s.fdiFileName) {
            const QString film = trimBlanks(exif->filmNumber);
            const QString frame = trimBlanks(exif->frameNumber);
            if (!film.isEmpty() && !frame.isEmpty()) {
                info.filmNumber = leadingInteger(QStringView(film).right(6));
                info.frameNumber = frame;
                fdiSet = true;
            }
        }
    }
    if (!fdiSet && s.komaAuto)
        info.frameNumber = frameNumberFromName(QFileInfo(path).completeBaseName());
    return info;
}

bool ImportPictures(const ImportJob& job, const std::optional<QStringList>& files, ImportTarget& target,
                    const ImportSettings& settings, Messages& messages, Progress& progress, ImportResult* out,
                    const ClipboardPicture* clipboard)
{
    ImportResult local;
    ImportResult& r = out ? *out : local;
    r = ImportResult{};

    const bool targetOk = target.drawing ? target.selectedPhotos.size() == 1
                                         : (target.folder != nullptr && target.folderAcceptsPhotos);
    if (!targetOk || job.table == nullptr) {
        messages.information(kImportTargetRefused);
        r.refused = true;
        return false;
    }
    if (!files.has_value() && (!clipboard || (clipboard->metafile.isEmpty() && clipboard->bitmap.isNull()))) {
        messages.information(kImportClipboardEmpty);
        r.refused = true;
        return false;
    }
    TTableEnhanced& table = *job.table;
    const PhotoFields& f = job.fields;
    const QDate day = job.today.isValid() ? job.today : QDate::currentDate();
    const bool fromClipboard = !files.has_value();
    const int count = fromClipboard ? 1 : int(files->size());

    // Reading, decoding and thumbnailing run ahead on worker threads; rows are
    // posted here, one by one in list order, so record numbers stay
    // consecutive and a stop leaves exactly the rows before it.
    std::unique_ptr<PrepareAhead> ahead;
    if (!fromClipboard)
        ahead = std::make_unique<PrepareAhead>(*files, job.compressed, settings);

    progress.start(count);
    for (int i = 0; i < count; ++i) {
        const QString path = fromClipboard ? QString() : files->at(i);
        int kind = kKindClipboard;
        if (!fromClipboard) {
            if (!QFileInfo(path).isFile()) {
                messages.information(kImportFileMissing + path);
                r.stopped = true;
                break;
            }
            kind = GraphicKindOf(path);
            if (kind < 0) {
                messages.information(kImportUnsupported + path);
                r.stopped = true;
                break;
            }
        }
        r.changed = true;
        qint64 highestKey = 0;
        try {
            highestKey = table.maxKey();
        } catch (const engine::EngineError&) {
            messages.information(ImportReadErrorText(path));
            r.stopped = true;
            break;
        }
        // The next row is numbered highest + 1, which must still be a RECORD.
        if (highestKey >= std::numeric_limits<RECORD>::max()) {
            messages.information(kImportRecordsFull);
            r.stopped = true;
            break;
        }
        const RECORD highest = RECORD(highestKey);
        if (!fromClipboard && settings.backupFile && !backupCopy(job.backFolder, day, highest, path))
            r.backupFailed = true;

        // The picture first: a file that cannot be read leaves no row behind.
        std::optional<ImportedPicture> picture;
        PhotoInfo info;
        if (fromClipboard) {
            picture = PictureForClipboardImport(clipboard ? clipboard->metafile : QByteArray(),
                                                clipboard ? clipboard->bitmap : QImage(), messages);
        } else {
            PreparedFile ready = ahead->take();
            if (ready.prepared && ready.kind == kind) {
                ready.said.sayTo(messages);
                picture = std::move(ready.picture);
                info = ready.info;
            } else {
                picture = PictureForImport(path, kind, job.compressed, messages);
                if (picture)
                    info = photoInfoFor(path, kind, settings);
            }
        }
        if (!picture) {
            r.stopped = true;
            break;
        }
        if (target.drawing) {
            bool free = false;
            try {
                free = hasFreeDrawingSlot(table, f, target.selectedPhotos.first());
            } catch (const engine::EngineError&) {
                free = false;
            }
            if (!free) {
                messages.information(kImportDrawingsFull);
                r.stopped = true;
                break;
            }
        }
        const RECORD record = highest + 1;
        try {
            table.append();
            setIf(table, f[F_RECORD], record);
            if (!fromClipboard)
                setIf(table, f[F_FILENAME], QFileInfo(path).completeBaseName());
            setIf(table, f[F_FLAG], 0);
            setIf(table, f[F_HENKAN], picture->converted ? 1 : 0);
            setIf(table, f[F_GRA_FLAG], picture->graFlag);
            if (!info.date.isEmpty())
                setIf(table, f[F_DATE], info.date);
            if (info.filmNumber)
                setIf(table, f[F_FILMNUM], *info.filmNumber);
            if (!info.frameNumber.isEmpty())
                setIf(table, f[F_NEGANUM], info.frameNumber);
            if (f[F_IMAGE_ORG] >= 0)
                table.writeBlob(f[F_IMAGE_ORG], picture->imageOrg);
            if (f[F_THUMBNAIL] >= 0)
                table.writeBlob(f[F_THUMBNAIL], picture->thumbnail);
            table.post();
        } catch (const engine::EngineError&) {
            if (table.isEditing())
                table.cancel();
            messages.information(ImportReadErrorText(path));
            r.stopped = true;
            break;
        }
        r.added << record;

        if (target.drawing) {
            bool attached = false;
            try {
                attached = attachDrawing(table, f, target.selectedPhotos.first(), record);
            } catch (const engine::EngineError&) {
                if (table.isEditing())
                    table.cancel();
                messages.information(ImportReadErrorText(path));
                r.stopped = true;
                break;
            }
            if (!attached) {
                // Only when the photo changed between the check and now.
                messages.information(kImportDrawingsFull);
                r.stopped = true;
                break;
            }
        } else {
            target.folder->append(record);
        }
        if (!progress.step()) {
            r.stopped = true;
            break;
        }
    }
    // Files prepared ahead of a stop are dropped: nothing is posted for them.
    ahead.reset();
    table.flushBuffers();
    progress.end();

    if (r.backupFailed)
        messages.information(kImportBackupFailed);
    if (!job.paths.name.isEmpty() && jobSpaceShort(job.paths)) {
        r.spaceLow = true;
        messages.notice(kImportBlobNoticeKey, kImportBlobTooLarge);
    }
    return !r.stopped;
}

bool fileNameLess(const QString& a, const QString& b)
{
    auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            // Compare the runs of digits by value: without leading zeros, the
            // longer run is the larger number, else the digits decide.
            qsizetype ie = i;
            while (ie < a.size() && digit(a[ie]))
                ++ie;
            qsizetype je = j;
            while (je < b.size() && digit(b[je]))
                ++je;
            qsizetype is = i;
            while (is + 1 < ie && a[is] == QLatin1Char('0'))
                ++is;
            qsizetype js = j;
            while (js + 1 < je && b[js] == QLatin1Char('0'))
                ++js;
            if (ie - is != je - js)
                return ie - is < je - js;
            const int c = QStringView(a).mid(is, ie - is).compare(QStringView(b).mid(js, je - js));
            if (c != 0)
                return c < 0;
            i = ie;
            j = je;
            continue;
        }
        const QChar ca = a[i].toCaseFolded();
        const QChar cb = b[j].toCaseFolded();
        if (ca != cb)
            return ca < cb;
        ++i;
        ++j;
    }
    if ((i < a.size()) != (j < b.size()))
        return j < b.size();
    return a < b;
}

namespace {

// The entries sorted by name in the folder import's order.
QFileInfoList inNameOrder(QFileInfoList entries)
{
    std::sort(entries.begin(), entries.end(),
              [](const QFileInfo& x, const QFileInfo& y) { return fileNameLess(x.fileName(), y.fileName()); });
    return entries;
}

QList<QRegularExpression> importMasks()
{
    QList<QRegularExpression> masks;
    for (const QString& m : ImportFileMask().split(QLatin1Char(';'))) {
        const QString t = m.trimmed();
        if (!t.isEmpty())
            masks << QRegularExpression(QRegularExpression::wildcardToRegularExpression(t),
                                        QRegularExpression::CaseInsensitiveOption);
    }
    return masks;
}

struct Scan {
    QList<QRegularExpression> masks;
    Messages& messages;
    const std::function<bool()>& escPressed;
    QStringList found;
    bool cancelled = false;

    void folder(const QString& path, bool sub)
    {
        QDir dir(path);
        const QFileInfoList entries = inNameOrder(dir.entryInfoList(QDir::Files, QDir::Unsorted));
        for (const QFileInfo& e : entries) {
            if (e.isHidden())
                continue;
            const QString name = e.fileName();
            bool match = false;
            for (const QRegularExpression& m : masks)
                match = match || m.match(name).hasMatch();
            if (match && GraphicKindOf(e.filePath()) >= 0) {
                found << e.filePath();
                messages.status(QStringLiteral(" ") + QString::number(found.size()) + QStringLiteral("件"));
            }
            if (escPressed && escPressed() && messages.ask(kEscQuestion)) {
                cancelled = true;
                messages.status(QString());
                return;
            }
        }
        if (!sub)
            return;
        const QFileInfoList dirs = inNameOrder(dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted));
        for (const QFileInfo& d : dirs) {
            if (d.fileName().startsWith(QLatin1Char('.')) || d.isSymLink())
                continue;
            folder(d.filePath(), true);
            if (cancelled)
                return;
        }
    }
};

}  // namespace

QStringList scanImportFolder(const QString& folder, bool includeSubfolders, Messages& messages,
                             const std::function<bool()>& escPressed)
{
    Scan scan{importMasks(), messages, escPressed, {}, false};
    scan.folder(folder, includeSubfolders);
    return scan.found;
}

QStringList folderImportList(const QString& folder, bool includeSubfolders, Messages& messages,
                             const std::function<bool()>& escPressed)
{
    const QStringList files = scanImportFolder(folder, includeSubfolders, messages, escPressed);
    if (files.isEmpty() || !messages.ask(folderImportQuestion(int(files.size()))))
        return {};
    return files;
}

}  // namespace zb
