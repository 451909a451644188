#pragma once
// ZBMENU.LST: the per-user choice lists of the registrable item rows, one INI
// section per item named by its grid label, KoumokuMax = the number of entries
// and Koumoku_1 … Koumoku_n the entries. At most 50 entries per item; blank
// entries (empty, or only half-width and full-width spaces) are never stored
// and skipped when read.
#include "items/item_values.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace zb {
class IniFile;
}

namespace zb::items {

inline const QString kMenuFileName = QStringLiteral("ZBMENU.LST");
inline constexpr int kMaxListEntries = 50;

// True for an entry that is empty or only spaces (U+0020, U+3000).
bool isBlankEntry(QStringView entry);

// Read list: KoumokuMax (50 when missing, at most 50), then Koumoku_1 … n,
// keeping every non-blank entry.
QStringList readList(const IniFile& file, const QString& label);
// Write list: erases the section, writes the first 50 entries of the list
// (blank ones skipped, the written ones numbered from 1) and KoumokuMax = the
// number written. The file is not saved here.
void writeList(IniFile& file, const QString& label, const QStringList& list);

// The choice lists file of one run.
class ChoiceLists {
public:
    // `path` is the ZBMENU.LST of the chosen USERFILE folder. Whether the file
    // exists is noted here, once: construct this when the main window is
    // first shown.
    explicit ChoiceLists(QString path);

    const QString& path() const { return path_; }
    // True when the file did not exist at construction and the first set-up
    // has not yet written the default lists.
    bool firstStart() const { return firstStart_; }

    // The list of a registrable row read afresh from the file; empty when the
    // file is missing, unreadable or damaged.
    QStringList read(const QString& label) const;
    // Writes the row's list (rules of writeList) and saves the file. False with
    // *error when the file could not be written, or when it exists but could
    // not be read (it is then left alone rather than replaced).
    bool write(const QString& label, const QStringList& list, QString* error = nullptr);

    // The list a grid row gets at set-up: the progress states for
    // 工事データ進捗状況, the three years of `today` for 発注年度, the file's
    // list for a registrable row, nothing for the others. On the first start
    // every row with a default list gets its defaults written first; when they
    // cannot be written (*error tells why) the rows get them for this run only.
    QStringList setUpList(const ItemDef& item, QDate today, QString* error = nullptr);
    // The lists of all given items at once (the rows of a set-up).
    ChoiceListMap setUpLists(const QList<const ItemDef*>& items, QDate today, QString* error = nullptr);

    // Writes the default lists of every item that has one (both groups) and
    // ends the first-start state. Called by the first set-up; does nothing
    // afterwards. False with *error when the file could not be written.
    bool writeDefaultsOnce(QString* error = nullptr);

private:
    QString path_;
    bool firstStart_ = false;
    bool defaultsUnsaved_ = false;
};

// Message when ZBMENU.LST exists but cannot be read, so it is not rewritten.
QString menuFileUnreadableText(const QString& path);

}  // namespace zb::items
