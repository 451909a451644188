#include "setup/control_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <iconv.h>

namespace zbsetup {
namespace {

// Code page 932 through glibc's iconv, which maps 0x5C to a backslash as
// Windows does. Undecodable bytes become U+FFFD.
QString decodeCp932(const QByteArray& bytes)
{
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString::fromLatin1(bytes);
    QString out;
    QByteArray buf(4096, '\0');
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    while (inLeft > 0) {
        char* o = buf.data();
        size_t oLeft = static_cast<size_t>(buf.size());
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out += QString::fromUtf16(reinterpret_cast<const char16_t*>(buf.constData()),
                                  (buf.size() - static_cast<qsizetype>(oLeft)) / 2);
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // A byte that is not code page 932 (or a cut double-byte character).
            out += QChar(0xFFFD);
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}

QString trimmedLine(QString line)
{
    while (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    return line;
}

int leadingInteger(const QString& s)
{
    QString t = s.trimmed();
    int i = 0;
    if (i < t.size() && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+')))
        ++i;
    int start = i;
    while (i < t.size() && t[i].isDigit() && t[i].unicode() < 128 && i - start < 9)
        ++i;
    if (i == start)
        return 0;
    return t.left(i).toInt();
}

QString cleanSeparators(QString s)
{
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s;
}

// A relative name that stays inside its folder: no root, no drive, no "..".
bool safeRelativeName(const QString& name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char(':')))
        return false;
    const QStringList parts = name.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return false;
    for (const QString& p : parts)
        if (p == QLatin1String(".."))
            return false;
    return true;
}

}  // namespace

QString decodeControlText(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString s = utf8(bytes);
    if (!utf8.hasError())
        return s;
    return decodeCp932(bytes);
}

ProfileText::ProfileText(const QString& text)
{
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = trimmedLine(raw).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            int close = line.indexOf(QLatin1Char(']'));
            section = (close < 0 ? line.mid(1) : line.mid(1, close - 1)).trimmed();
            continue;
        }
        int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        entries_.append({section, line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
}

const ProfileText::Entry* ProfileText::find(const QString& section, const QString& key) const
{
    for (const Entry& e : entries_)
        if (e.section.compare(section, Qt::CaseInsensitive) == 0 && e.key.compare(key, Qt::CaseInsensitive) == 0)
            return &e;
    return nullptr;
}

bool ProfileText::hasKey(const QString& section, const QString& key) const
{
    return find(section, key) != nullptr;
}

QString ProfileText::readString(const QString& section, const QString& key, const QString& def) const
{
    const Entry* e = find(section, key);
    return e ? e->value : def;
}

int ProfileText::readInteger(const QString& section, const QString& key, int def) const
{
    const Entry* e = find(section, key);
    return e ? leadingInteger(e->value) : def;
}

QString SetupConfig::modeWord() const
{
    return isUpdate() ? QStringLiteral("アップデート") : QStringLiteral("セットアップ");
}

QString SetupConfig::diskTitle(int n) const
{
    return ProfileText(text).readString(QStringLiteral("Disk%1").arg(n), QStringLiteral("Title"),
                                        QStringLiteral("保存用ディスク No.%1").arg(n));
}

QString joinFolder(const QString& base, const QString& sub)
{
    QString b = base;
    while (b.size() > 1 && b.endsWith(QLatin1Char('/')))
        b.chop(1);
    QString s = cleanSeparators(sub);
    while (s.startsWith(QLatin1Char('/')))
        s.remove(0, 1);
    while (s.endsWith(QLatin1Char('/')))
        s.chop(1);
    if (s.isEmpty())
        return b;
    return b == QLatin1String("/") ? b + s : b + QLatin1Char('/') + s;
}

SetupConfig readConfig(const QString& text, const QString& programDir)
{
    const ProfileText ini(text);
    SetupConfig c;
    c.text = text;
    const QString config = QStringLiteral("Config"), path = QStringLiteral("Path");
    c.mode = ini.readInteger(config, QStringLiteral("Mode"), 0);
    c.back = ini.readInteger(config, QStringLiteral("Back"), 0);
    c.title = ini.readString(config, QStringLiteral("Title"), QStringLiteral("Windows"));
    c.winFree = ini.readInteger(config, QStringLiteral("WinFree"), 4096);
    c.prgFree = ini.readInteger(config, QStringLiteral("PrgFree"), 4096);
    c.update = ini.readInteger(config, QStringLiteral("Update"), 0);
    QString fdd = cleanSeparators(ini.readString(path, QStringLiteral("FddPath")));
    c.fddPath = joinFolder(fdd.isEmpty() ? programDir : fdd, QString());
    c.orgPath = cleanSeparators(ini.readString(path, QStringLiteral("OrgPath")));
    c.exePath = cleanSeparators(ini.readString(path, QStringLiteral("ExePath")));
    c.userPath = cleanSeparators(ini.readString(path, QStringLiteral("UserPath")));
    c.formPath = cleanSeparators(ini.readString(path, QStringLiteral("FormPath")));
    c.dataPath = cleanSeparators(ini.readString(path, QStringLiteral("DataPath")));
    c.groupTitle = ini.readString(QStringLiteral("Group"), QStringLiteral("Title"));
    c.groupName = ini.readString(QStringLiteral("Group"), QStringLiteral("Name"));
    for (int n = 1; n <= kMaxIcons; ++n) {
        const QString sec = QStringLiteral("Icon%1").arg(n);
        SetupIcon icon;
        icon.title = ini.readString(sec, QStringLiteral("Title")).left(255);
        if (icon.title.isEmpty())
            continue;
        icon.cmdLine = cleanSeparators(ini.readString(sec, QStringLiteral("CmdLine"))).left(255);
        icon.runPath = ini.readString(sec, QStringLiteral("RunPath")).left(255);
        c.icons.append(icon);
    }
    return c;
}

QString controlFilePath(const QString& programPath)
{
    const QFileInfo fi(programPath);
    const QString name = fi.fileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > 0 ? name.left(dot) : name;
    return fi.dir().filePath(base + QStringLiteral(".Inf"));
}

std::optional<SetupConfig> loadControlFile(const QString& programPath, QString* error)
{
    const QString path = controlFilePath(programPath);
    QFile f(path);
    if (!QFileInfo(path).isFile()) {
        *error = kControlFileMissing + QDir::toNativeSeparators(path);
        return std::nullopt;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        *error = kControlFileUnreadable + QDir::toNativeSeparators(path);
        return std::nullopt;
    }
    return readConfig(decodeControlText(f.readAll()), QFileInfo(programPath).absolutePath());
}

QString badFormatMessage(int disk, const QString& what)
{
    return QStringLiteral("不正なフォーマットが有ります。Setup.inf [disk%1] -> %2").arg(disk).arg(what);
}

QList<CopyEntry> parseFileList(const SetupConfig& config, const Destinations& dest,
                               const std::function<void(const QString&)>& report)
{
    QList<CopyEntry> out;
    bool inDisk = false;
    int disk = 0;
    const QStringList lines = config.text.split(QLatin1Char('\n'));
    for (const QString& raw : lines) {
        const QString line = trimmedLine(raw);
        if (line.startsWith(QLatin1Char('['))) {
            inDisk = line.left(5).toUpper() == QLatin1String("[DISK");
            disk = inDisk ? leadingInteger(line.mid(5)) : 0;
            continue;
        }
        if (!inDisk || line.size() < 2 || line[1] != QLatin1Char(' '))
            continue;
        const QString rest = line.mid(2);
        const int blank = rest.indexOf(QLatin1Char(' '));
        if (blank <= 0)
            continue;
        const QString source = cleanSeparators(rest.left(blank));
        const QString destName = cleanSeparators(rest.mid(blank + 1).trimmed());
        if (destName.isEmpty())
            continue;

        const QChar letter = line[0].toUpper();
        QString folder;
        QString base = dest.chosen;  // the folder nothing may leave
        switch (letter.unicode()) {
        case 'D': folder = joinFolder(dest.chosen, config.dataPath); break;
        case 'E':
        case 'X':
        case 'Z': folder = joinFolder(dest.chosen, config.exePath); break;
        case 'F': folder = joinFolder(dest.chosen, config.formPath); break;
        case 'O': folder = joinFolder(dest.chosen, QString()); break;
        case 'U': folder = joinFolder(dest.chosen, config.userPath); break;
        case 'S': folder = base = joinFolder(dest.system, QString()); break;
        case 'W': folder = base = joinFolder(dest.windows, QString()); break;
        default:
            report(badFormatMessage(disk, QString(line[0])));
            continue;
        }
        // A name from the file must not reach outside its folder (a hostile or
        // broken control file could otherwise overwrite any file).
        const QString full = QDir::cleanPath(folder + QLatin1Char('/') + destName);
        const QString root = QDir::cleanPath(base);
        if (!safeRelativeName(source) || !safeRelativeName(destName)
            || !(full.startsWith(root + QLatin1Char('/')) || (root == QLatin1String("/") && full.size() > 1))) {
            report(badFormatMessage(disk, line));
            continue;
        }
        out.append({disk, letter, source, destName, folder});
    }
    return out;
}

}  // namespace zbsetup
