#pragma once
// The table engine: Paradox-like tables (typed fields, one optional primary
// index, a row cursor with append/edit/post) kept in one SQLite file each.
//
// Layout of a table file:
//   zb_fields(pos, name, type, size)   the field list, in order
//   zb_meta(key, value)                primary index field, pack password
//   t_rows(...)                        one column per field; BLOB fields hold the
//                                      id of their picture in t_blobs (NULL = null)
//   t_blobs(id, data)                  picture bytes, kept out of the rows so that
//                                      scanning rows never reads picture pages
//
// An exclusive open takes SQLite's exclusive lock at once and keeps it until
// close, so a second process (or computer, where the file system's locks work)
// fails to open the table with EngineError::Kind::InUse. Every post is one
// committed transaction, so posted rows survive a crash of the process; an
// interrupted post is dropped at the next open. A power loss keeps the table
// sound; it can lose the rows posted since the last flush (see "Journal and
// syncing" in table.cpp). Shared tables sync every commit and notice other
// connections' commits by polling.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>

struct sqlite3;

class QIODevice;

namespace zb::engine {

enum class FieldType { Integer, Logical, Short, Alpha, Memo, Blob };

struct FieldDef {
    QString name;
    FieldType type = FieldType::Integer;
    int size = 0;  // alpha: room in bytes; memo: bytes kept in the record (informative)
};

class EngineError : public std::runtime_error {
public:
    enum class Kind {
        InUse,         // another process holds the table
        NotFound,      // the file does not exist
        NotOpen,       // operation on a closed table
        Damaged,       // not a table file, or its structure is broken
        DiskFull,      // no room to write
        KeyViolation,  // a row with the same primary key exists
        State,         // cursor operation out of place (post without edit, …)
        Other
    };
    EngineError(Kind kind, const QString& message);
    Kind kind() const { return kind_; }
    QString message() const { return QString::fromUtf8(what()); }

private:
    Kind kind_;
};

// Result of verifying a table file.
enum class VerifyStatus { Sound, Rebuildable, NotRebuildable };

// A database session. The original engine kept a network control folder (the
// lock files of all computers that share tables), a private folder for scratch
// files and a password for protected tables. SQLite keeps its locks in the
// table file itself and needs none of these; the session keeps them so that
// callers can state them and so that the password can be checked against
// packed tables.
struct Session {
    QString name;
    QString netDir;
    QString privateDir;
    QString password;
};

// One row of a field scan: the scanned fields by their place in the scan's
// list. Texts are UTF-8 views valid during the call only.
class RowView {
public:
    bool isNull(int i) const;
    qint64 integer(int i) const;
    QByteArrayView text(int i) const;

private:
    friend class Table;
    explicit RowView(void* statement) : s_(statement) {}
    void* s_;
};

class Table {
public:
    Table();
    virtual ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Creates an empty table (replacing any file at the path). primaryKey names
    // the indexed field, empty for none.
    static void create(const QString& path, const QList<FieldDef>& fields, const QString& primaryKey);

    // Opens an existing table. Throws EngineError (NotFound, InUse, Damaged, Other).
    void open(const QString& path, bool exclusive);
    void close();
    bool isOpen() const;
    bool isExclusive() const;
    QString path() const;

    const QList<FieldDef>& fields() const;
    // Position of a field by name (case-insensitive), -1 when missing.
    int fieldIndex(const QString& name) const;
    QString primaryKey() const;
    // Adds a primary index on an integer field when the table has none.
    void addPrimaryIndex(const QString& field);
    // Appends fields the table lacks (an older table gains the columns of a
    // newer program); the rows read them as null. Only while no row is being
    // edited; the cursor moves to the first row.
    void addFields(const QList<FieldDef>& fields);

    // Cursor. Rows come in primary-key order, or in insertion order without one.
    bool first();  // false when the table is empty
    bool next();   // false at the end
    bool eof() const;
    bool locate(qint64 key);  // by primary key; false when missing (cursor unchanged)
    qint64 rowCount() const;
    // Highest primary key value, 0 for an empty table.
    qint64 maxKey() const;

    void append();  // start a new row (all fields null)
    // Starts a new row that post() puts at `rowNumber` (1-based) of the table
    // order: that row and the ones after it move one place on. Past the end
    // the row is appended. Only for tables without a primary index, whose
    // order is the order of their rows (State otherwise).
    void insertAt(qint64 rowNumber);
    // Moves the cursor to the row at `rowNumber` (1-based) of the table
    // order; false (no current row) when there is none.
    bool moveToRow(qint64 rowNumber);
    void edit();    // start changing the current row
    void post();    // write the new or changed row (one committed transaction)
    void cancel();  // drop the pending changes
    void remove();  // delete the current row; the cursor moves to the next one
    bool isEditing() const;

    // Fields by position: Integer/Short as int, Logical as bool, Alpha/Memo as
    // QString, null as an invalid QVariant. BLOB fields: use blob functions.
    QVariant value(int pos) const;
    bool isNull(int pos) const;
    void setValue(int pos, const QVariant& value);
    void setNull(int pos);
    QByteArray readBlob(int pos) const;
    // Writes the picture to `out` piece by piece through one reused buffer,
    // so that a large picture is neither held whole nor copied twice. The
    // bytes written, or -1 when `out` refused them.
    qint64 copyBlobTo(int pos, QIODevice& out) const;
    qint64 blobSize(int pos) const;  // -1 when null
    void writeBlob(int pos, const QByteArray& bytes);

    // Reads the given fields (positions) of every row in table order, without
    // moving the cursor and without touching picture bytes; `row` sees each
    // row's values in the order of `positions`. For searches and checks that
    // look at a few fields of every row. A BLOB field in the list tells only
    // whether it is null (its picture bytes are never read). With anyOrder
    // the rows come in the order they are stored, which reads faster when the
    // caller does not need the table order.
    void scanFields(const QList<int>& positions, const std::function<void(const RowView&)>& row,
                    bool anyOrder = false) const;

    // Several changes as one transaction: the posts, removals and empty()
    // between beginBatch() and commitBatch() reach the file together or, after
    // rollbackBatch() (or a failure and rollbackBatch()), not at all.
    void beginBatch();
    void commitBatch();
    void rollbackBatch();
    bool inBatch() const;

    // The write lock of a shared table: while one connection holds it, every
    // other connection (another process or computer) is refused it. It does
    // not hold back reading. An exclusive table is always writable by its one
    // connection: the lock is granted at once. Released by unlockTable() and
    // by close(). Where the platform gives no such lock, it is always granted.
    bool lockTable();
    void unlockTable();
    bool tableLocked() const;

    // Writes committed rows through to the disk.
    void flush();
    // The journal settings in effect, as SQLite names them: journal mode,
    // synchronous level and locking mode ("wal normal exclusive").
    QString journalSettings() const;
    // True when another connection committed changes since the last poll.
    bool pollChanged();
    // Re-reads the current row (it may have changed or gone).
    void refresh();
    // Rewrites the file without free space; with a password, records it as the
    // table's password.
    void pack(const QString& password = {});
    // Deletes every row.
    void empty();
    // Builds every index of the table anew from its rows.
    void reindex();

    // Limits the size of the file (for tests of a full disk).
    void setSizeLimit(qint64 bytes);

    static VerifyStatus verify(const QString& path);
    // What a rebuild could not read.
    struct Losses {
        int rows = 0;               // rows that could not be read
        QList<qint64> rowKeys;      // their primary key values, as far as the index still holds them
        QList<qint64> pictureKeys;  // primary key of a kept row, once for each of its pictures that could not be read
        bool any() const { return rows > 0 || !pictureKeys.isEmpty(); }
    };
    // Rebuilds a damaged table: every row that can still be read, with every
    // picture that can still be read, is copied into a new file (the file's
    // pages are read one by one, so a damaged page or row loses only what it
    // holds); a copy of the old one is kept as backupPath, and the new file
    // replaces the old one in one rename, so that the path never lacks a
    // table. False when the table's layout cannot be read or a step failed;
    // the old table is then left in place as it was. `losses` receives what
    // could not be read.
    static bool rebuild(const QString& path, const QString& backupPath, Losses* losses = nullptr);

    // The steps of a rebuild: the new file is written and on the disk, the
    // backup copy is made, the new file has replaced the old one.
    enum class RebuildStep { Written, BackedUp, Replaced };
    // Called after each step (tests look at the files there); returning false
    // after a step before the replacement makes the rebuild fail at that
    // point. Empty by default.
    static void setRebuildProbe(std::function<bool(RebuildStep)> probe);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace zb::engine
