#include "items/choice_lists.h"

#include "core/inifile.h"

#include <QFileInfo>

namespace zb::items {

namespace {

const QString kMaxKey = QStringLiteral("KoumokuMax");
const QString kEntryKey = QStringLiteral("Koumoku_");

}  // namespace

bool isBlankEntry(QStringView entry)
{
    for (QChar c : entry)
        if (c != QLatin1Char(' ') && c != QChar(char16_t(0x3000)))
            return false;
    return true;
}

QStringList readList(const IniFile& file, const QString& label)
{
    QStringList out;
    const int count = std::min(file.readInteger(label, kMaxKey, kMaxListEntries), kMaxListEntries);
    for (int i = 1; i <= count; ++i) {
        const QString entry = file.readString(label, kEntryKey + QString::number(i));
        if (!isBlankEntry(entry))
            out << entry;
    }
    return out;
}

void writeList(IniFile& file, const QString& label, const QStringList& list)
{
    file.eraseSection(label);
    int written = 0;
    for (qsizetype i = 0; i < list.size() && i < kMaxListEntries; ++i) {
        if (isBlankEntry(list[i]))
            continue;
        file.writeString(label, kEntryKey + QString::number(++written), list[i]);
    }
    file.writeInteger(label, kMaxKey, written);
}

QString menuFileUnreadableText(const QString& path)
{
    return QStringLiteral("項目メニューファイルを読み込めませんでした。\r\n") + path;
}

ChoiceLists::ChoiceLists(QString path) : path_(std::move(path)), firstStart_(!QFileInfo::exists(path_)) {}

QStringList ChoiceLists::read(const QString& label) const
{
    const IniFile file(path_);
    return readList(file, label);
}

bool ChoiceLists::write(const QString& label, const QStringList& list, QString* error)
{
    IniFile file(path_);
    // A file that exists but could not be read would be replaced by this one
    // section: refuse instead of losing the other lists.
    if (!file.wasRead() && QFileInfo::exists(path_)) {
        if (error)
            *error = menuFileUnreadableText(path_);
        return false;
    }
    writeList(file, label, list);
    const IniFile::SaveResult result = file.save();
    if (!result.ok && error)
        *error = result.error;
    return result.ok;
}

bool ChoiceLists::writeDefaultsOnce(QString* error)
{
    if (!firstStart_)
        return true;
    firstStart_ = false;
    IniFile file(path_);
    if (!file.wasRead() && QFileInfo::exists(path_)) {
        if (error)
            *error = menuFileUnreadableText(path_);
        return false;
    }
    for (Group g : {Group::Koji, Group::Photo})
        for (const ItemDef& d : groupItems(g))
            if (d.registrable && !d.defaultList.isEmpty())
                writeList(file, d.label, d.defaultList);
    const IniFile::SaveResult result = file.save();
    if (!result.ok && error)
        *error = result.error;
    return result.ok;
}

QStringList ChoiceLists::setUpList(const ItemDef& item, QDate today, QString* error)
{
    return setUpLists({&item}, today, error).value(item.label);
}

ChoiceListMap ChoiceLists::setUpLists(const QList<const ItemDef*>& rows, QDate today, QString* error)
{
    ChoiceListMap out;
    // When the defaults could not be written, the rows still get them for this run.
    if (firstStart_)
        defaultsUnsaved_ = !writeDefaultsOnce(error);
    const IniFile file(path_);
    for (const ItemDef* d : rows) {
        if (d->valueKind == ValueKind::ProgressIndex)
            out.insert(d->label, progressLabels());
        else if (d->headerSlot == HeaderSlot::FiscalYear)
            out.insert(d->label, fiscalYearList(today));
        else if (d->registrable && defaultsUnsaved_ && !d->defaultList.isEmpty())
            out.insert(d->label, d->defaultList);
        else if (d->registrable)
            out.insert(d->label, readList(file, d->label));
        else if (!d->defaultList.isEmpty())
            out.insert(d->label, d->defaultList);
    }
    return out;
}

}  // namespace zb::items
