#include "store/job_life.h"

#include "core/busy.h"
#include "core/inifile.h"
#include "core/ports.h"
#include "core/text.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/photo_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace zb {

// --- job list ---

const QStringList& jobListColumns()
{
    static const QStringList columns = {QStringLiteral("名称"),     QStringLiteral("事業種別"),
                                        QStringLiteral("事業名"),   QStringLiteral("作成者"),
                                        QStringLiteral("進捗状況"), QStringLiteral("更新日付")};
    return columns;
}

QString JobRow::column(int column) const
{
    switch (column) {
    case 1: return name;
    case 2: return projectType;
    case 3: return projectName;
    case 4: return author;
    case 5: return progress;
    case 6: return modifiedText;
    default: return {};
    }
}

namespace {

bool hasSuffix(const QString& fileName, QLatin1StringView suffix)
{
    return fileName.endsWith(suffix, Qt::CaseInsensitive) && fileName.size() > suffix.size();
}

QFileInfoList filesIn(const QString& folder)
{
    return QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

}  // namespace

QList<JobRow> listJobs(const QString& dataFile)
{
    QList<JobRow> rows;
    for (const QFileInfo& fi : filesIn(dataFile)) {
        if (!hasSuffix(fi.fileName(), QLatin1StringView(".ZBD")))
            continue;
        JobRow row;
        row.name = fi.fileName().chopped(4);
        if (const std::optional<JobHeader> h = readHeaderPrefix(fi.filePath())) {
            row.projectType = h->projectType;
            row.projectName = h->projectName;
            row.author = h->author;
            if (h->progress < progressLabels().size())
                row.progress = progressLabels()[h->progress];
        }
        row.modified = fi.lastModified();
        row.modifiedText = row.modified.toString(QStringLiteral("yyyy/MM/dd hh:mm"));
        rows << row;
    }
    return rows;
}

void sortJobRows(QList<JobRow>& rows, int dataSort)
{
    int column = std::abs(dataSort);
    if (column < 1 || column > 6)
        column = 1;
    const bool descending = dataSort < 0;
    std::stable_sort(rows.begin(), rows.end(), [&](const JobRow& a, const JobRow& b) {
        int c = 0;
        if (column != 1)
            c = QString::localeAwareCompare(a.column(column), b.column(column));
        if (c == 0)
            c = QString::compare(a.name, b.name, Qt::CaseInsensitive);
        if (c == 0)
            c = QString::compare(a.name, b.name, Qt::CaseSensitive);
        return descending ? c > 0 : c < 0;
    });
}

int nextDataSort(int dataSort, int clickedColumn)
{
    return std::abs(dataSort) == clickedColumn ? -dataSort : clickedColumn;
}

QString jobColumnCaption(int column, int dataSort)
{
    QString caption = jobListColumns().value(column - 1);
    if (std::abs(dataSort) == column)
        caption += dataSort > 0 ? QStringLiteral("↓") : QStringLiteral("↑");
    return caption;
}

QStringList listTemplates(const QString& templateDir)
{
    QStringList names;
    for (const QFileInfo& fi : filesIn(templateDir))
        if (hasSuffix(fi.fileName(), QLatin1StringView(".ZBT")))
            names << fi.fileName().chopped(4);
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) < 0; });
    return names;
}

// --- names and files of jobs that are not open ---

QString cleanJobName(const QString& typed) { return applyNameRule(typed); }

namespace {

// A name that can safely be joined to the data folder: the name rules leave it
// unchanged and it is not empty. Names from the list always are; this guards
// against anything else reaching the file operations.
bool safeName(const QString& name) { return !name.isEmpty() && cleanJobName(name) == name; }

// True when another process holds the job's table.
bool tableInUse(const QString& path)
{
    if (!QFileInfo::exists(path))
        return false;
    engine::Table t;
    try {
        t.open(path, true);
        t.close();
    } catch (const engine::EngineError& e) {
        return e.kind() == engine::EngineError::Kind::InUse;
    }
    return false;
}

// Removes a job's folder; a link is removed as a link, never followed.
bool removeJobFolder(const QString& path)
{
    const QFileInfo fi(path);
    if (fi.isSymLink())
        return QFile::remove(path);
    if (!fi.exists())
        return true;
    return QDir(path).removeRecursively();
}

}  // namespace

bool jobTreeFileExists(const QString& dataFile, const QString& name)
{
    const QString wanted = name + QStringLiteral(".ZBD");
    for (const QFileInfo& fi : filesIn(dataFile))
        if (fi.fileName().compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QStringList jobFiles(const QString& dataFile, const QString& name)
{
    QStringList files;
    if (name.isEmpty())
        return files;
    const QString prefix = name + QLatin1Char('.');
    for (const QFileInfo& fi : filesIn(dataFile))
        if (fi.fileName().startsWith(prefix) && fi.fileName().size() > prefix.size())
            files << fi.filePath();
    return files;
}

namespace {

// True when any <name>.* or the folder <name> exists, names compared without
// regard to case.
bool nameTaken(const QString& dataFile, const QString& name)
{
    const QString prefix = name + QLatin1Char('.');
    const QFileInfoList entries = QDir(dataFile).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                               QDir::NoDotAndDotDot);
    for (const QFileInfo& fi : entries) {
        const QString n = fi.fileName();
        if (n.compare(name, Qt::CaseInsensitive) == 0 ||
            (n.size() > prefix.size() && n.startsWith(prefix, Qt::CaseInsensitive)))
            return true;
    }
    return false;
}

}  // namespace

JobDeleteResult deleteJob(const QString& dataFile, const QString& name, Messages& messages)
{
    if (!safeName(name)) {
        messages.warning(kDeleteJobFailed);
        return JobDeleteResult::Failed;
    }
    if (!messages.confirm(kDeleteJobConfirm))
        return JobDeleteResult::Cancelled;
    const JobPaths p{dataFile, name};
    // A table that another process holds must not lose its file under it.
    if (tableInUse(p.table()) || (QFileInfo::exists(p.table()) && !QFile::remove(p.table()))) {
        messages.warning(kDeleteJobFailed);
        return JobDeleteResult::Failed;
    }
    bool ok = true;
    for (const QString& f : jobFiles(dataFile, name))
        ok = QFile::remove(f) && ok;
    ok = removeJobFolder(dataFile + name) && ok;
    if (!ok) {
        messages.warning(kDeleteJobPartly);
        return JobDeleteResult::Partly;
    }
    return JobDeleteResult::Deleted;
}

std::optional<QString> renameJob(const QString& dataFile, const QString& oldName, Messages& messages)
{
    if (!safeName(oldName))
        return std::nullopt;
    QString proposal = oldName;
    for (;;) {
        const std::optional<QString> typed = messages.inputBox(kRenameJobCaption, kRenameJobPrompt, proposal);
        if (!typed)
            return std::nullopt;
        const QString newName = cleanJobName(*typed);
        if (newName.isEmpty()) {
            proposal = *typed;
            continue;
        }
        if (newName == oldName)
            return std::nullopt;
        // A change of letter case only is the same job under a new spelling.
        const bool caseOnly = newName.compare(oldName, Qt::CaseInsensitive) == 0;
        if (!caseOnly && nameTaken(dataFile, newName)) {
            messages.warning(kJobNameExists);
            proposal = newName;
            continue;
        }
        const JobPaths from{dataFile, oldName};
        // Renaming the files of a table another process holds would tear the
        // job apart under it: refuse before anything is renamed.
        if (tableInUse(from.table())) {
            messages.warning(kJobInUse);
            return std::nullopt;
        }
        bool ok = true;
        for (const QString& f : jobFiles(dataFile, oldName)) {
            const QString to = dataFile + newName + QFileInfo(f).fileName().mid(oldName.size());
            ok = QFile::rename(f, to) && ok;
        }
        const QString folder = dataFile + oldName;
        if (QFileInfo(folder).exists() || QFileInfo(folder).isSymLink())
            ok = QDir().rename(folder, dataFile + newName) && ok;
        if (!ok)
            messages.warning(kRenameJobPartly);
        return newName;
    }
}

// --- the open job ---

JobLife::JobLife(const Folders& folders, TDataModule_Main& data, Messages& messages)
    : folders_(folders), data_(data), messages_(messages)
{
}

JobLife::~JobLife() = default;

TTableNetWork& JobLife::photoTable() { return data_.photoTable(); }

QString JobLife::templatePath(const QString& templateName) const
{
    return folders_.templateDir + templateName + QStringLiteral(".ZBT");
}

bool JobLife::openJob(const QString& name, bool forced)
{
    struct Busy {
        bool& b;
        BusyMark::Scope mark;
        explicit Busy(bool& flag) : b(flag) { b = true; }
        ~Busy() { b = false; }
    } busy(busy_);
    // Unsaved changes are never dropped for another job: the user has been
    // told why the save failed and the job stays as it is.
    if (save() == SaveResult::Failed)
        return false;
    QString current = name.isEmpty() ? name_ : name;
    for (;;) {
        JobChoice choice;
        if (forced) {
            choice.name = current;
        } else {
            if (!hooks.chooseJob)
                return false;
            const std::optional<JobChoice> chosen = hooks.chooseJob(current);
            if (!chosen)
                return false;
            choice = *chosen;
        }
        switch (openChosen(choice)) {
        case OpenResult::Opened:
            return true;
        case OpenResult::InUse:
        case OpenResult::Failed:
            if (forced)
                return false;
            continue;  // the list again
        case OpenResult::Refused:
            return false;
        }
    }
}

bool JobLife::templateSound(const QString& templateName)
{
    const QString path = templatePath(templateName);
    // A template is a file of the template folder: a name with a folder part names none.
    const bool plainName = !templateName.contains(QLatin1Char('/')) && !templateName.contains(QLatin1Char('\\')) &&
                           templateName != QLatin1String("..");
    if (!plainName || !QFileInfo(path).isFile()) {
        messages_.error(kTemplateMissing.arg(templateName));
        return false;
    }
    ReadReport report;
    if (!readTemplate(path, &report) || report.damaged) {
        messages_.error(kTemplateDamaged.arg(templateName));
        return false;
    }
    return true;
}

std::optional<QString> JobLife::checkNewJob(const QString& typedName, const QString& templateName)
{
    const QString name = cleanJobName(typedName);
    if (name.isEmpty()) {
        messages_.warning(kJobNameEmpty);
        return std::nullopt;
    }
    if (jobTreeFileExists(folders_.dataFile, name)) {
        messages_.warning(kJobNameExists);
        return std::nullopt;
    }
    if (!templateName.isEmpty()) {
        if (!templateSound(templateName))
            return std::nullopt;
    }
    return name;
}

JobLife::OpenResult JobLife::createJob(const QString& typedName, const QString& templateName)
{
    const std::optional<QString> name = checkNewJob(typedName, templateName);
    if (!name)
        return OpenResult::Failed;
    if (save() == SaveResult::Failed)
        return OpenResult::Refused;
    return openChosen({*name, templateName});
}

JobLife::OpenResult JobLife::openChosen(const JobChoice& choice)
{
    const bool wasBusy = busy_;
    busy_ = true;
    struct Restore {
        bool& b;
        bool v;
        ~Restore() { b = v; }
    } restore{busy_, wasBusy};
    const BusyMark::Scope mark;

    const QString name = cleanJobName(choice.name);
    if (name.isEmpty()) {
        messages_.warning(kJobNameEmpty);
        return OpenResult::Failed;
    }
    const JobPaths paths{folders_.dataFile, name};
    const bool hasTreeFile = QFileInfo::exists(paths.treeFile());

    // A new job's template must be readable before anything is created.
    std::optional<Hierarchy> templ;
    if (!hasTreeFile && !choice.templateName.isEmpty()) {
        if (!templateSound(choice.templateName))
            return OpenResult::Failed;
        templ = readTemplate(templatePath(choice.templateName));
    }

    if (hooks.closeAlbumEditor && !hooks.closeAlbumEditor())
        return OpenResult::Refused;

    // The probe: the job's table opened exclusively (created when missing) and
    // closed again. The open job's own table is held by this program already.
    if (name != name_) {
        try {
            QDir().mkpath(folders_.dataFile);
            openOrCreatePhotoTable(paths.table(), {&data_.probeTable()}, true);
            data_.probeTable().closeTable();
        } catch (const engine::EngineError& e) {
            // Any failure of the probe means the job cannot be had now; what
            // the engine said follows for the cases other than a plain lock.
            data_.probeTable().closeTable();
            if (e.kind() == engine::EngineError::Kind::InUse) {
                messages_.warning(kJobInUse);
                return OpenResult::InUse;
            }
            messages_.warning(kJobInUse + QStringLiteral("\r\n") + e.message());
            return OpenResult::Failed;
        }
    }

    // The job that is open now goes only when it is saved: a switch never
    // drops its unsaved changes or its marker.
    if (isOpen() && name != name_ && save() == SaveResult::Failed)
        return OpenResult::Refused;

    if (hooks.enableListClose)
        hooks.enableListClose();
    QDir().mkpath(paths.albumFolder());
    QDir().mkpath(paths.backFolder());
    if (hooks.leaveListMode && hooks.leaveListMode())
        messages_.information(kListModeLeft);

    if (isOpen())
        QFile::remove(JobPaths{folders_.dataFile, name_}.openMarker());
    name_ = name;
    if (markerReadable(paths.openMarker()))
        messages_.warning(kNotClosedProperly);

    if (hooks.nameChanged)
        hooks.nameChanged(name_);
    try {
        openOrCreatePhotoTable(paths.table(), {&data_.photoTable()}, true);
        data_.photoTable().flushBuffers();
    } catch (const engine::EngineError& e) {
        // The old job is closed already; no job is open now.
        data_.photoTable().closeTable();
        messages_.warning(kJobInUse + QStringLiteral("\r\n") + e.message());
        name_.clear();
        if (hooks.nameChanged)
            hooks.nameChanged(name_);
        return OpenResult::Failed;
    }

    const IniFile comn(folders_.userFile + QStringLiteral("ZBCOMN.LST"));
    const QString section = QStringLiteral("ComnPrg_Env");
    file_.header = newJobHeader(comn.readString(section, QStringLiteral("JUkeoi")),
                                comn.readString(section, QStringLiteral("JUkeoiCode")),
                                comn.readString(section, QStringLiteral("JUkeoiBikou")));
    file_.folders.clear();
    changed_ = false;
    fromTemplate_ = false;
    if (hasTreeFile) {
        ReadReport report;
        std::optional<TreeFile> read = readTreeFile(paths.treeFile(), &report);
        if (read) {
            file_ = *read;
        } else {
            file_.folders = defaultHierarchy();
        }
        if (report.damaged) {
            // Keep the damaged file as it was, beside the job, before it is rewritten.
            QString keep = paths.treeFile() + QStringLiteral(".BAK");
            for (int i = 1; QFileInfo::exists(keep); ++i)
                keep = paths.treeFile() + QStringLiteral(".BAK%1").arg(i);
            QFile::copy(paths.treeFile(), keep);
            messages_.warning(kTreeFileDamaged.arg(QFileInfo(paths.treeFile()).fileName(), QFileInfo(keep).fileName()));
            changed_ = true;
        }
    } else {
        if (templ) {
            file_.folders = *templ;
            fromTemplate_ = true;
        } else {
            file_.folders = defaultHierarchy();
        }
        changed_ = true;
    }
    // Rows that no folder lists go into 未分類, so none is out of reach: a new
    // job's default tree takes every row this way, and an opened job gets back
    // the rows an import left behind when it was cut short (the program killed
    // before the tree was saved) or that a damaged tree file lost.
    const int unlisted = gatherUnlistedRows();
    if (unlisted > 0) {
        changed_ = true;
        if (hasTreeFile)
            messages_.information(kUnlistedRowsRecovered.arg(unlisted));
    }

    if (hooks.loaded)
        hooks.loaded();
    saveJob();
    writeMarker(paths.openMarker(), kOpenMarkerText);
    if (hooks.opened)
        hooks.opened(paths);
    return OpenResult::Opened;
}

int JobLife::gatherUnlistedRows()
{
    if (file_.folders.isEmpty())
        return 0;
    QSet<RECORD> listed;
    for (const TreeFolder& f : file_.folders)
        for (RECORD r : f.photos)
            listed.insert(r);
    int added = 0;
    for (RECORD r : tableRows(true))
        if (!listed.contains(r)) {
            file_.folders[0].photos << r;
            listed.insert(r);
            ++added;
        }
    return added;
}

QList<RECORD> JobLife::tableRows(bool skipDrawings) const
{
    QList<RECORD> rows;
    QSet<RECORD> drawings;
    TTableNetWork& t = data_.photoTable();
    if (!t.isOpen())
        return rows;
    PhotoFields fields;
    fields.lookUp(t);
    if (fields[F_RECORD] < 0)
        return rows;
    try {
        for (bool more = t.first(); more; more = t.next()) {
            rows << t.value(fields[F_RECORD]).toInt();
            for (PhotoField f : {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3})
                if (fields[f] >= 0) {
                    const int d = t.value(fields[f]).toInt();
                    if (d != 0)
                        drawings.insert(d);
                }
        }
    } catch (const engine::EngineError& e) {
        messages_.error(kTableReadFailed.arg(e.message()));
    }
    // A reference drawing is reached through its photo; listing it in a folder
    // as well would make it a photo of its own.
    if (skipDrawings)
        rows.removeIf([&](RECORD r) { return drawings.contains(r); });
    return rows;
}

SaveResult JobLife::save()
{
    if (!isOpen())
        return SaveResult::NoJob;
    const BusyMark::Scope mark;
    if (hooks.collect)
        hooks.collect();
    if (changed_) {
        QString error, unmappable;
        const JobPaths paths{folders_.dataFile, name_};
        if (!writeTreeFile(paths.treeFile(), file_, &error, &unmappable)) {
            // The mark stays so that the next save tries again; the old file is untouched.
            messages_.error(kTreeSaveFailed.arg(error));
            return SaveResult::Failed;
        }
        if (!unmappable.isEmpty())
            messages_.warning(kUnmappableLeftOut.arg(unmappable));
        // A table whose buffers cannot be written keeps the mark as well; the
        // table has told the user.
        if (!data_.photoTable().flushBuffers())
            return SaveResult::Failed;
        changed_ = false;
    }
    return SaveResult::Saved;
}

bool JobLife::saveTemplate(const QString& path)
{
    if (!isOpen())
        return false;
    if (hooks.collect)
        hooks.collect();
    QString error;
    if (!writeTemplate(path, file_.folders, &error)) {
        messages_.error(kTemplateSaveFailed.arg(error));
        return false;
    }
    return true;
}

bool JobLife::closeJob()
{
    if (!isOpen())
        return true;
    // A job that cannot be saved stays open, so that nothing typed is lost
    // and its marker still tells of the unsaved state.
    if (save() == SaveResult::Failed)
        return false;
    data_.photoTable().closeTable();
    QFile::remove(JobPaths{folders_.dataFile, name_}.openMarker());
    name_.clear();
    return true;
}

}  // namespace zb
