#pragma once
// The program group and its icons as freedesktop menu entries: one .desktop
// file per icon, a .directory file for the group and a .menu file that
// gathers the group's entries as a submenu. Every file is written to a
// temporary name and renamed.
#include "setup/control_file.h"
#include "setup/setup_platform.h"

namespace zbsetup {

class MenuEntries {
public:
    MenuEntries(MenuFolders folders, QString chosenFolder);

    // The group: its .directory and .menu files (and our icon). False when a file cannot be written.
    bool createGroup(const QString& title, const QString& name);
    // One icon, in the group when one was created.
    bool addItem(const SetupIcon& icon);

    // The files written, in order.
    const QStringList& written() const { return written_; }

    // Desktop-entry quoting, exposed for the tests.
    static QString quoteExec(const QString& program);
    static QString escapeValue(const QString& value);
    // A file-name-safe id for a name (ASCII letters, digits, '-', '_' kept).
    static QString idFor(const QString& name);

private:
    bool write(const QString& path, const QByteArray& bytes);
    bool writeIcon();

    MenuFolders folders_;
    QString chosen_;
    QString groupId_;
    bool iconWritten_ = false;
    QStringList written_;
};

// The icon name the entries use.
inline const QString kIconName = QStringLiteral("zbwin");

}  // namespace zbsetup
