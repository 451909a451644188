#pragma once
// What Setup asks of the machine: where the folders of the letters and of the
// menu entries are, how much room a file system has, and which mount point
// stands for a path's drive. Tests replace it to fake a full disk.
#include <QString>

namespace zbsetup {

struct MenuFolders {
    QString applications;  // one .desktop file per icon
    QString directories;   // the .directory file of the group
    QString menus;         // the .menu file gathering them as a submenu
    QString icons;         // our icon (hicolor/scalable/apps lies below it)
};

class SetupPlatform {
public:
    virtual ~SetupPlatform();

    QString programFilesDir;  // "/opt" for root, "~/.local/opt" otherwise
    QString windowsDir;       // stands in for the Windows folder (letter W)
    QString systemDir;        // stands in for the system folder (letter S)
    MenuFolders menu;

    // The folders of this user: root gets the system-wide ones.
    static SetupPlatform forCurrentUser();

    // Free bytes for this user on the file system of `path` (its nearest
    // existing folder), -1 when unknown.
    virtual qint64 freeBytes(const QString& path) const;
    // The mount point of the file system holding `path`: the stand-in for a drive.
    virtual QString drive(const QString& path) const;
};

// The nearest folder of `path` that exists (the path itself when it does).
QString existingAncestor(const QString& path);

}  // namespace zbsetup
