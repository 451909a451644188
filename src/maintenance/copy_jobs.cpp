#include "maintenance/copy_jobs.h"

#include "core/ports.h"
#include "store/engine/table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <filesystem>

namespace zb {

namespace {

std::function<bool(const QString&)>& copyProbe()
{
    static std::function<bool(const QString&)> probe;
    return probe;
}

QString slash(QString p)
{
    p = QDir::cleanPath(QDir::fromNativeSeparators(p));
    return p.endsWith(QLatin1Char('/')) ? p : p + QLatin1Char('/');
}

// The words of the messages for each kind.
struct Words {
    QString thing;  // 工事データ, マスタ, テンプレート, 書式
    QString same;   // 同一データ, 同一マスタ
    QString suffix; // .ZBT, .ZBF
};

Words wordsOf(CopyKind kind)
{
    switch (kind) {
    case CopyKind::Data: return {QStringLiteral("工事データ"), QStringLiteral("同一データ"), {}};
    case CopyKind::Master: return {QStringLiteral("マスタ"), QStringLiteral("同一マスタ"), {}};
    case CopyKind::UserFiles: return {kUserFilesEntry, {}, {}};
    case CopyKind::Template: return {QStringLiteral("テンプレート"), {}, QStringLiteral(".ZBT")};
    case CopyKind::Format: return {QStringLiteral("書式"), {}, QStringLiteral(".ZBF")};
    }
    return {};
}

QString quoteSide(bool local) { return QStringLiteral("『") + (local ? kLocalSide : kSharedSide) + QStringLiteral("』"); }

QString entryLine(const QString& text, const QString& name) { return text + QStringLiteral("\r\n > ") + name; }

// True when the table can be opened for writing now (and is closed again).
bool tableFree(const QString& path)
{
    engine::Table t;
    try {
        t.open(path, true);
        t.close();
    } catch (const engine::EngineError&) {
        return false;
    }
    return true;
}

bool removeEntry(const QString& path)
{
    const QFileInfo fi(path);
    if (fi.isDir() && !fi.isSymLink())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}

// Copies a file or a folder with everything in it; links are not followed.
bool copyEntry(const QString& from, const QString& to)
{
    if (copyProbe() && !copyProbe()(from))
        return false;
    const QFileInfo fi(from);
    if (fi.isSymLink())
        return false;
    if (fi.isDir()) {
        if (!QDir().mkpath(to))
            return false;
        for (const QFileInfo& e : QDir(from).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            if (!copyEntry(e.filePath(), to + QLatin1Char('/') + e.fileName()))
                return false;
        return true;
    }
    QFile::remove(to);
    return QFile::copy(from, to);
}

bool renameOver(const QString& from, const QString& to)
{
    std::error_code ec;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), ec);
    return !ec;
}

enum class Outcome { Copied, CopyFailed, DeleteFailed };

// Copies a job or master into a scratch folder of the destination first. Only
// when the whole copy is there do the destination's old files move aside
// (into the scratch folder, which goes at the end) and the new ones take
// their names; a step that fails puts the old files back.
Outcome copyJob(CopyKind kind, const QString& source, const QString& destination, const QString& name)
{
    QTemporaryDir scratch(destination + QStringLiteral(".copy-XXXXXX"));
    if (!scratch.isValid())
        return Outcome::CopyFailed;
    const QString fresh = scratch.path() + QStringLiteral("/new/");
    const QString aside = scratch.path() + QStringLiteral("/old/");
    if (!QDir().mkpath(fresh) || !QDir().mkpath(aside))
        return Outcome::CopyFailed;
    const QStringList files = ownFiles(source, name, kind);
    for (const QString& f : files)
        if (!copyEntry(f, fresh + QFileInfo(f).fileName()))
            return Outcome::CopyFailed;
    QStringList movedAside, movedIn;
    auto undo = [&] {
        for (const QString& n : movedIn)
            removeEntry(destination + n);
        for (const QString& n : movedAside)
            renameOver(aside + n, destination + n);
    };
    for (const QString& old : ownFiles(destination, name, kind)) {
        const QString n = QFileInfo(old).fileName();
        if (!renameOver(old, aside + n)) {
            undo();
            return Outcome::DeleteFailed;
        }
        movedAside << n;
    }
    for (const QString& f : files) {
        const QString n = QFileInfo(f).fileName();
        if (!renameOver(fresh + n, destination + n)) {
            undo();
            return Outcome::CopyFailed;
        }
        movedIn << n;
    }
    return Outcome::Copied;
}

}  // namespace

void setCopyFileProbe(std::function<bool(const QString&)> probe) { copyProbe() = std::move(probe); }

QString copyKindFolder(const QString& root, CopyKind kind)
{
    static const char* const names[] = {"DATAFILE/", "MASTFILE/", "USERFILE/", "TEMPLATE/", "FORMFILE/"};
    return slash(root) + QLatin1String(names[int(kind)]);
}

QString copyKindCaption(CopyKind kind)
{
    switch (kind) {
    case CopyKind::Data: return QStringLiteral("データ");
    case CopyKind::Master: return QStringLiteral("マスタ");
    case CopyKind::UserFiles: return kUserFilesEntry;
    case CopyKind::Template: return QStringLiteral("テンプレート");
    case CopyKind::Format: return QStringLiteral("書式");
    }
    return {};
}

std::optional<QString> copyFoldersProblem(const QString& localRoot, const QString& sharedRoot)
{
    const QString local = copyKindFolder(localRoot, CopyKind::Data);
    const QString shared = copyKindFolder(sharedRoot, CopyKind::Data);
    const QString localFull = QFileInfo(local).canonicalFilePath();
    const QString sharedFull = QFileInfo(shared).canonicalFilePath();
    if (slash(QFileInfo(local).absoluteFilePath()) == slash(QFileInfo(shared).absoluteFilePath())
        || (!localFull.isEmpty() && localFull == sharedFull))
        return kCopySameFolders;
    if (sharedRoot.isEmpty() || !QFileInfo(shared).isDir())
        return kCopyNoShared;
    if (!QFileInfo(local).isDir())
        return kCopyNoLocal;
    return std::nullopt;
}

QStringList copyEntries(const QString& folder, CopyKind kind)
{
    if (kind == CopyKind::UserFiles)
        return {kUserFilesEntry};
    const QString suffix = kind == CopyKind::Template ? QStringLiteral(".ZBT")
                           : kind == CopyKind::Format ? QStringLiteral(".ZBF")
                                                      : QStringLiteral(".DB");
    QStringList names;
    for (const QFileInfo& fi : QDir(folder).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        if (fi.fileName().endsWith(suffix, Qt::CaseInsensitive) && fi.fileName().size() > suffix.size())
            names << fi.fileName().chopped(suffix.size());
    return names;
}

QStringList ownFiles(const QString& folder, const QString& name, CopyKind kind)
{
    QStringList candidates;
    for (const char* ext : {".DB", ".DB-journal", ".DB-wal", ".DB-shm", ".MB", ".PX"})
        candidates << name + QLatin1String(ext);
    if (kind == CopyKind::Data)
        candidates << name + QStringLiteral(".ZBD") << name + QStringLiteral(".ER") << name + QStringLiteral(".CMP")
                   << name;
    QStringList present;
    for (const QString& c : candidates) {
        const QFileInfo fi(folder + c);
        if (fi.exists() || fi.isSymLink())
            present << folder + c;
    }
    return present;
}

bool copySelected(CopyKind kind, const QString& sourceFolder, const QString& destinationFolder, bool fromLocal,
                  const QStringList& names, Messages& messages, Progress& progress)
{
    const QString src = slash(sourceFolder), dst = slash(destinationFolder);
    const Words w = wordsOf(kind);
    const QString from = quoteSide(fromLocal), to = quoteSide(!fromLocal);
    QString question = QStringLiteral("選択している ") + from + QStringLiteral(" の") + w.thing + QStringLiteral("を ")
                       + to + QStringLiteral(" に複写します。");
    if (kind == CopyKind::Data || kind == CopyKind::Master)
        question += QStringLiteral("\r\n\r\n他のユーザーが作業している") + w.thing
                    + QStringLiteral("に関しては複写できません。\r\n(複写できない場合や同名の") + w.thing
                    + QStringLiteral("が存在する場合は「警告」が表示されます)");
    if (!messages.confirm(question))
        return false;

    if (kind == CopyKind::UserFiles) {
        bool ok = QDir().mkpath(dst);
        for (const QFileInfo& fi : QDir(src).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name))
            ok = copyEntry(fi.filePath(), dst + fi.fileName()) && ok;
        messages.information(ok ? kCopyFinished : kCopyFailed);
        return true;
    }

    progress.start(int(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        if (i > 0)
            progress.step();
        // A name from the list is a plain file name; anything else names none.
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..")
            || name == QLatin1String("."))
            continue;
        if (kind == CopyKind::Template || kind == CopyKind::Format) {
            const QString file = name + w.suffix;
            if (!QFileInfo::exists(src + file)) {
                messages.information(entryLine(QStringLiteral("この") + w.thing + QStringLiteral("は他のユーザーによって削除されました。"), name));
                continue;
            }
            if (QFileInfo::exists(dst + file)
                && !messages.ask(entryLine(QStringLiteral("この") + w.thing + QStringLiteral("は複写先に存在します 上書きしますか？"), name)))
                continue;
            // Written beside its name and renamed over it: a failed copy keeps the old file.
            const QString part = dst + QStringLiteral(".") + file + QStringLiteral(".part");
            QFile::remove(part);
            if (!QFile::copy(src + file, part) || !renameOver(part, dst + file)) {
                QFile::remove(part);
                messages.information(entryLine(from + QStringLiteral(" の") + w.thing + QStringLiteral("の複写に失敗しました。"), name));
            }
            continue;
        }
        const QString table = name + QStringLiteral(".DB");
        if (!QFileInfo::exists(src + table)) {
            messages.information(entryLine(QStringLiteral("この") + w.thing + QStringLiteral("は他のユーザーによって削除されました。"), name));
            continue;
        }
        if (!tableFree(src + table)) {
            messages.information(entryLine(from + QStringLiteral(" の") + w.thing + QStringLiteral("は他のユーザーによって使用中です。"), name));
            continue;
        }
        if (QFileInfo::exists(dst + table)) {
            if (!tableFree(dst + table)) {
                messages.information(entryLine(to + QStringLiteral(" の") + w.same + QStringLiteral("は他のユーザーによって使用中です。"), name));
                continue;
            }
            if (!messages.ask(entryLine(QStringLiteral("この") + w.thing + QStringLiteral("は複写先に存在します 上書きしますか？"), name)))
                continue;
        }
        switch (copyJob(kind, src, dst, name)) {
        case Outcome::Copied:
            break;
        case Outcome::DeleteFailed:
            messages.information(entryLine(to + QStringLiteral(" の") + w.thing + QStringLiteral("の削除に失敗しました。"), name));
            break;
        case Outcome::CopyFailed:
            messages.information(entryLine(from + QStringLiteral(" の") + w.thing + QStringLiteral("の複写に失敗しました。"), name));
            break;
        }
    }
    progress.step();
    messages.information(kCopyFinished);
    progress.end();
    return true;
}

}  // namespace zb
