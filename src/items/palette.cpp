#include "items/palette.h"

#include "core/sjis.h"
#include "core/text.h"

#include <QFile>
#include <QFileInfo>

namespace zb::items {

QString palettePath(const QString& userFileDir, const QString& programDir)
{
    const QString own = userFileDir + kPaletteFileName;
    if (QFileInfo::exists(own))
        return own;
    const QString shipped = programDir + QStringLiteral("USERFILE/") + kPaletteFileName;
    return QFileInfo::exists(shipped) ? shipped : own;
}

QString PaletteEntry::token() const
{
    if (code == 0)
        return QStringLiteral("自由文");
    return QLatin1Char('{') + body + format + QLatin1Char('}');
}

QList<PaletteEntry> parsePalette(QByteArrayView bytes)
{
    QStringList lines = sjis::decode(bytes).split(QLatin1Char('\n'));
    // The line break after the last line does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    QStringList group;
    QList<PaletteEntry> out;
    const auto flush = [&] {
        PaletteEntry e;
        e.body = group.value(0);
        e.display = group.value(1);
        const QString format = group.value(2);
        if (!format.trimmed().isEmpty())
            e.format = QLatin1Char(';') + format;
        e.code = leadingInteger(e.body);
        out << e;
        group.clear();
    };
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1String("//")))
            continue;
        group << line;
        if (group.size() == 3)
            flush();
    }
    // A group cut short by the end of the file still counts when it names an item.
    if (!group.isEmpty() && !group.first().trimmed().isEmpty())
        flush();
    return out;
}

QList<PaletteEntry> readPalette(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    // The palette is a short list; a file far beyond that is not a palette.
    constexpr qint64 kMaxSize = 4 * 1024 * 1024;
    return parsePalette(f.read(kMaxSize));
}

QString tokenText(const QList<PaletteEntry>& entries, QList<int> selected)
{
    if (entries.isEmpty())
        return {};
    std::sort(selected.begin(), selected.end());
    if (selected.isEmpty())
        return entries.first().token();
    QString out;
    for (int i : selected) {
        if (i < 0 || i >= entries.size())
            continue;
        const PaletteEntry& e = entries[i];
        if (e.code == 0)
            out = e.token();
        else
            out += e.token();
    }
    return out;
}

QString tokenForCode(const QList<PaletteEntry>& entries, int code)
{
    for (const PaletteEntry& e : entries)
        if (e.code == code)
            return e.token();
    return {};
}

QColor entryColor(int code)
{
    if (code < 300)
        return QColor(231, 231, 231);
    if (code < 1000)
        return QColor(255, 255, 221);
    if (code < 2000)
        return QColor(206, 255, 206);
    return QColor(221, 255, 255);
}

QColor selectedEntryColor()
{
    return QColor(255, 255, 0);
}

QString photoSlotName(int slot)
{
    QString digits = QString::number(slot);
    if (slot >= 0 && slot < 10)
        digits = QChar(char16_t(0xFF10 + slot));
    return QStringLiteral("写真") + digits;
}

}  // namespace zb::items
