#pragma once
// The data module of the application: the database session shared by job and
// master tables, the job's photo table and the probe table used to test a job
// before opening it. Created at start after the stale lock files are removed.
#include "store/engine/table.h"
#include "store/folders.h"
#include "store/table_network.h"

#include <QStringList>

namespace zb {

class Messages;

// The password registered with the sessions; packed photo tables carry it.
inline const QString kSessionPassword = QStringLiteral("KUREHA");

// Removes PDOXUSRS.LCK and then PARADOX.LCK from each folder, leaving files that
// another running process still holds (locked). Errors are ignored. Returns the
// files removed.
QStringList removeStaleLockFiles(const QStringList& folders);

// The folders the lock-file cleanup looks at, in order.
QStringList lockFileFolders(const Folders& folders);

class TDataModule_Main {
public:
    TDataModule_Main(const Folders& folders, Messages& messages);

    const Folders& folders() const { return folders_; }
    engine::Session& session() { return zbUser_; }
    engine::Session& defaultSession() { return default_; }
    TTableNetWork& photoTable() { return photoTable_; }
    TTableNetWork& probeTable() { return probeTable_; }
    // Folder of the repair scratch tables (@BACKUP.DB, @KEYVIOL.DB, …).
    QString scratchFolder() const { return folders_.localTemp; }

    // Closes every table of the shared session and opens the session again
    // (around table repair).
    void reopenSession();

private:
    Folders folders_;
    Messages& messages_;
    engine::Session default_;
    engine::Session zbUser_;
    TTableNetWork photoTable_;
    TTableNetWork probeTable_;
};

}  // namespace zb
