#include "setup/setup_run.h"

#include "setup/install_file.h"
#include "setup/menu_entries.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cmath>
#include <sys/stat.h>

namespace zbsetup {

SetupPort::~SetupPort() = default;

namespace {

// Creates `path` with every missing parent; 0 or the errno of the failure.
int makeFolders(const QString& path)
{
    const QString clean = QDir::cleanPath(path);
    QString sofar;
    const QStringList parts = clean.split(QLatin1Char('/'));
    for (int i = 0; i < parts.size(); ++i) {
        if (i == 0 && parts[i].isEmpty()) {
            sofar = QStringLiteral("/");
            continue;
        }
        if (parts[i].isEmpty())
            continue;
        sofar = sofar.isEmpty() || sofar.endsWith(QLatin1Char('/')) ? sofar + parts[i] : sofar + QLatin1Char('/') + parts[i];
        if (::mkdir(QFile::encodeName(sofar).constData(), 0755) != 0) {
            const int err = errno;
            // An existing folder is what we want; an existing file in its place is not.
            // A file in the way shows as ENOTDIR at the next level.
            if (err == EEXIST && (QFileInfo(sofar).isDir() || i + 1 < parts.size()))
                continue;
            return err;
        }
    }
    return 0;
}

}  // namespace

QString outcomeText(Outcome outcome, const QString& modeWord)
{
    switch (outcome) {
    case Outcome::Done: return modeWord + QStringLiteral("が終了しました。");
    case Outcome::Cancelled: return modeWord + QStringLiteral("を中止しました。");
    case Outcome::Failed:
    case Outcome::Abort: break;
    }
    return modeWord + QStringLiteral("は失敗しました。");
}

SetupRun::SetupRun(SetupConfig config, QString programDir, const SetupPlatform& platform, SetupPort& port)
    : config_(std::move(config)), programDir_(joinFolder(programDir, QString())), platform_(platform), port_(port)
{
}

QString SetupRun::caption() const
{
    return config_.title + QLatin1Char(' ') + programDir_;
}

QString SetupRun::prompt()
{
    return QStringLiteral("インストールするドライブとディレクトリを指定してください。");
}

QString SetupRun::hint() const
{
    return QStringLiteral("＜ｷｬﾝｾﾙ＞を選択すると%1を中止します。").arg(modeWord());
}

QString SetupRun::cancelQuestion() const
{
    return modeWord() + QStringLiteral("を中止しますか？");
}

QString SetupRun::initialFolder() const
{
    QString base = platform_.programFilesDir;
    if (base.isEmpty())
        base = platform_.drive(platform_.windowsDir);
    return joinFolder(base, QString()) + (base.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/"))
        + config_.orgPath;
}

QString SetupRun::folderAfterBrowse(const QString& chosen) const
{
    if (config_.isUpdate())
        return chosen;
    return joinFolder(chosen, QString()) + (chosen.endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/"))
        + config_.orgPath;
}

QString SetupRun::chosenFolder(const QString& folder) const
{
    QString f = folder.trimmed();
    f.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return QDir::cleanPath(QFileInfo(f).absoluteFilePath());
}

bool SetupRun::checkSpace(const QString& path, int requiredKb)
{
    const qint64 free = platform_.freeBytes(path);
    const qint64 required = static_cast<qint64>(requiredKb) * 1024;
    if (free < 0 || free >= required)
        return true;
    const qint64 missing = std::llround(static_cast<double>(required - free) / 1024.0);
    port_.error(QStringLiteral("ドライブ %1 の容量があと %2 ＫＢ足りません。").arg(platform_.drive(path)).arg(missing));
    return false;
}

SetupRun::Check SetupRun::prepare(const QString& field)
{
    const QString folder = chosenFolder(field);
    if (config_.isUpdate() && !QFileInfo(folder).isDir()) {
        port_.error(QStringLiteral("ドライブかディレクトリが間違っています。"));
        return Check::Back;
    }
    if (!checkSpace(platform_.windowsDir, config_.winFree) || !checkSpace(folder, config_.prgFree))
        return Check::Back;
    if (int err = makeFolders(folder)) {
        port_.error(QStringLiteral("ドライブ・パスの指定が間違っています Er=%1").arg(err));
        return Check::ResetField;
    }
    for (const QString& sub : {config_.exePath, config_.userPath, config_.formPath, config_.dataPath})
        makeFolders(joinFolder(folder, sub));
    return Check::Ok;
}

QString SetupRun::resolveSource(const QString& name) const
{
    const QString exact = config_.fddPath + QLatin1Char('/') + name;
    if (QFileInfo::exists(exact))
        return exact;
    // Installation media made on Windows do not keep the case of names.
    QString dir = config_.fddPath;
    for (const QString& part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        const QStringList found = QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QString match;
        for (const QString& f : found)
            if (f.compare(part, Qt::CaseInsensitive) == 0) {
                match = f;
                break;
            }
        if (match.isEmpty())
            return exact;
        dir += QLatin1Char('/') + match;
    }
    return dir;
}

Outcome SetupRun::copyFiles(const QString& field)
{
    copied_ = 0;
    const QString folder = chosenFolder(field);
    const Destinations dest{folder, platform_.windowsDir, platform_.systemDir};
    const QList<CopyEntry> entries = parseFileList(config_, dest, [this](const QString& m) { port_.error(m); });

    // Files that must already be there are checked before anything is copied,
    // so a refused update leaves the installation as it was.
    for (const CopyEntry& e : entries)
        if (e.letter == QLatin1Char('Z') && !QFileInfo::exists(e.destPath())) {
            port_.error(QStringLiteral("このフォルダには実行できません 処理を中止します。"));
            return Outcome::Abort;
        }

    port_.progressStart(static_cast<int>(entries.size()) + 1);
    int previousDisk = INT_MIN;
    for (const CopyEntry& e : entries) {
        QString src = resolveSource(e.source);
        if (e.disk != previousDisk && !QFileInfo(src).isFile() && promptForDisks_) {
            const QString ask = QStringLiteral("%1 をドライブ %2 にセットしてください。")
                                    .arg(config_.diskTitle(e.disk), platform_.drive(config_.fddPath));
            do {
                if (!port_.okCancel(ask)) {
                    port_.progressEnd();
                    return Outcome::Cancelled;
                }
                src = resolveSource(e.source);
            } while (!QFileInfo(src).isFile());
        }
        previousDisk = e.disk;
        const QString target = e.destPath();
        port_.progressFiles(src, target);
        if (e.letter == QLatin1Char('X') && !QFileInfo::exists(target)) {
            port_.progressStep();  // an update-only file this installation does not have
            continue;
        }
        if (!QFileInfo(src).isFile()) {
            port_.error(QStringLiteral("ファイルを複写しようとして失敗しました。 %1/%2").arg(config_.fddPath, e.source));
            port_.progressEnd();
            return Outcome::Failed;
        }
        const QString targetDir = QFileInfo(target).path();
        makeFolders(targetDir);
        InstallResult r = installFile(QFileInfo(src).path(), targetDir, QFileInfo(src).fileName(),
                                      QFileInfo(target).fileName());
        if (!r.tempFile.isEmpty())
            QFile::remove(r.tempFile);
        // Our copy has no language check; a different language would be forced in anyway.
        const int number = failureNumber(r.flags & ~vif::DiffLang);
        if (number != 0) {
            if (number == 8)
                port_.error(QStringLiteral("%1 は使用中です。 すべてのアプリケーションを終了してから、再度%2をしてください。")
                                .arg(e.dest, modeWord()));
            else
                port_.error(QStringLiteral("%1 をインストールすることができませんでした。 Result=%2").arg(e.dest).arg(number));
            port_.progressEnd();
            return Outcome::Failed;
        }
        ++copied_;
        port_.progressStep();
    }
    port_.progressStep();
    port_.pause(1000);
    port_.progressEnd();

    if (copied_ > 0 && (!config_.icons.isEmpty() || !config_.groupName.isEmpty())) {
        QString question = QStringLiteral("グループ・アイコンを作成しますか。");
        if (config_.isUpdate() && !config_.icons.isEmpty()) {
            question += QStringLiteral("\n  ↓追加されるアイコン名");
            for (const SetupIcon& icon : config_.icons)
                question += QLatin1Char('\n') + icon.title;
        }
        if (port_.yesNo(question)) {
            port_.hideBackdrop();
            if (!makeMenuEntries(folder))
                return Outcome::Failed;
        }
    }
    return Outcome::Done;
}

bool SetupRun::makeMenuEntries(const QString& folder)
{
    MenuEntries menu(platform_.menu, folder);
    if (!config_.groupName.isEmpty() && !menu.createGroup(config_.groupTitle, config_.groupName)) {
        port_.error(QStringLiteral("グループ %1 が作成できません").arg(config_.groupTitle));
        return false;
    }
    for (const SetupIcon& icon : config_.icons)
        if (!menu.addItem(icon)) {
            port_.error(QStringLiteral("アイコン%1作成できません").arg(icon.title));
            return false;
        }
    return true;
}

QString withProfileValue(const QString& text, const QString& section, const QString& key, const QString& value)
{
    const QString eol = text.contains(QStringLiteral("\r\n")) || text.isEmpty() ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    const bool trailingNewline = !lines.isEmpty() && lines.last().isEmpty();
    if (trailingNewline)
        lines.removeLast();
    const QString pair = key + QLatin1Char('=') + value;

    int sectionStart = -1, sectionEnd = -1;  // the header line, the line after the section's last key
    for (int i = 0; i < lines.size(); ++i) {
        const QString t = lines[i].trimmed();
        if (t.startsWith(QLatin1Char('['))) {
            if (sectionStart >= 0)
                break;
            const int close = t.indexOf(QLatin1Char(']'));
            const QString name = (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
            if (name.compare(section, Qt::CaseInsensitive) == 0) {
                sectionStart = i;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (sectionStart < 0)
            continue;
        const int eq = t.indexOf(QLatin1Char('='));
        if (eq > 0 && t.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            lines[i] = pair;
            return lines.join(eol) + eol;
        }
        if (!t.isEmpty())
            sectionEnd = i + 1;
    }
    if (sectionStart >= 0)
        lines.insert(sectionEnd, pair);
    else
        lines << QLatin1Char('[') + section + QLatin1Char(']') << pair;
    return lines.join(eol) + eol;
}

QString bootstrapCopy(const QString& programPath, const SetupConfig& config, const SetupPlatform& platform,
                      SetupPort& port)
{
    const QString failed = config.modeWord() + QStringLiteral("ファイルの複写に失敗しました。");
    const QString dir = joinFolder(platform.windowsDir, QString());
    const QString program = dir + QStringLiteral("/Setup1");
    const QString control = controlFilePath(program);
    if (makeFolders(dir) != 0) {
        port.error(failed);
        return {};
    }
    // The copy is made beside the target and renamed over it: a running older
    // Setup1 is replaced without being written into.
    const QString tmp = program + QStringLiteral(".new");
    QFile::remove(tmp);
    if (!QFile::copy(programPath, tmp)
        || std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(program).constData()) != 0) {
        QFile::remove(tmp);
        port.error(failed);
        return {};
    }
    QString text = withProfileValue(config.text, QStringLiteral("Config"), QStringLiteral("Mode"), QStringLiteral("0"));
    text = withProfileValue(text, QStringLiteral("Path"), QStringLiteral("FddPath"),
                            joinFolder(QFileInfo(programPath).absolutePath(), QString()));
    QSaveFile f(control);
    const QByteArray bytes = text.toUtf8();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        port.error(failed);
        return {};
    }
    return program;
}

}  // namespace zbsetup
