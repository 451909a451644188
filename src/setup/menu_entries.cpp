#include "setup/menu_entries.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

// The icon is compiled into this static library; its resources must be
// registered by hand.
static void initSetupResources()
{
    Q_INIT_RESOURCE(setup);
}

namespace zbsetup {

MenuEntries::MenuEntries(MenuFolders folders, QString chosenFolder)
    : folders_(std::move(folders)), chosen_(std::move(chosenFolder))
{
}

QString MenuEntries::idFor(const QString& name)
{
    QString id;
    bool changed = false;
    for (QChar c : name) {
        if ((c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('_')) {
            id += c;
        } else {
            id += QLatin1Char('_');
            changed = true;
        }
    }
    // Names that differ only in the characters replaced keep different ids.
    if (changed || id.isEmpty())
        id += QLatin1Char('-')
            + QString::fromLatin1(QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha1).toHex().left(8));
    return id;
}

QString MenuEntries::escapeValue(const QString& value)
{
    QString out;
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        default: out += c;
        }
    }
    return out;
}

QString MenuEntries::quoteExec(const QString& program)
{
    QString quoted = QStringLiteral("\"");
    for (QChar c : program) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return escapeValue(quoted);
}

bool MenuEntries::write(const QString& path, const QByteArray& bytes)
{
    if (!QDir().mkpath(QFileInfo(path).path()))
        return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        return false;
    written_.append(path);
    return true;
}

bool MenuEntries::writeIcon()
{
    if (iconWritten_)
        return true;
    initSetupResources();
    QFile res(QStringLiteral(":/zbsetup/zbwin.svg"));
    if (!res.open(QIODevice::ReadOnly))
        return false;
    iconWritten_ = write(folders_.icons + QStringLiteral("/hicolor/scalable/apps/") + kIconName + QStringLiteral(".svg"),
                         res.readAll());
    return iconWritten_;
}

bool MenuEntries::createGroup(const QString& title, const QString& name)
{
    if (!writeIcon())
        return false;
    const QString id = QStringLiteral("zbsetup-") + idFor(name);
    const QString shown = title.isEmpty() ? name : title;
    const QString directory = id + QStringLiteral(".directory");
    QString dir = QStringLiteral("[Desktop Entry]\nType=Directory\nName=%1\nIcon=%2\n")
                      .arg(escapeValue(shown), kIconName);
    if (!write(folders_.directories + QLatin1Char('/') + directory, dir.toUtf8()))
        return false;
    QString menu = QStringLiteral(
                       "<Menu>\n"
                       "  <Name>Applications</Name>\n"
                       "  <Menu>\n"
                       "    <Name>%1</Name>\n"
                       "    <Directory>%2</Directory>\n"
                       "    <Include>\n"
                       "      <Category>X-%3</Category>\n"
                       "    </Include>\n"
                       "  </Menu>\n"
                       "</Menu>\n")
                       .arg(name.toHtmlEscaped(), directory.toHtmlEscaped(), id);
    if (!write(folders_.menus + QLatin1Char('/') + id + QStringLiteral(".menu"), menu.toUtf8()))
        return false;
    groupId_ = id;
    return true;
}

bool MenuEntries::addItem(const SetupIcon& icon)
{
    if (!writeIcon())
        return false;
    const QString program = QDir::cleanPath(joinFolder(chosen_, QString()) + QLatin1Char('/') + icon.cmdLine);
    const QString base = groupId_.isEmpty() ? QStringLiteral("zbsetup") : groupId_;
    const QString file = base + QLatin1Char('-') + idFor(icon.title) + QStringLiteral(".desktop");
    const QString categories = groupId_.isEmpty() ? QStringLiteral("Utility;") : QStringLiteral("X-%1;").arg(groupId_);
    QString entry = QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nPath=%3\nIcon=%4\n"
                                   "Terminal=false\nCategories=%5\n")
                        .arg(escapeValue(icon.title), quoteExec(program), escapeValue(QFileInfo(program).path()),
                             kIconName, categories);
    return write(folders_.applications + QLatin1Char('/') + file, entry.toUtf8());
}

}  // namespace zbsetup
