#include "store/engine/table.h"

#include "core/sjis.h"
#include "store/engine/salvage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QVector>
#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <sqlite3.h>
#include <system_error>
#include <vector>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

// Journal and syncing
// -------------------
// A table must come through a power loss sound, losing at most the row being
// posted; pictures must still be written at no less than half the speed of
// plain files (bench_store: 3.5 MB pictures posted one by one, the table
// flushed at the end as an import does, and closed, against files written
// with an fdatasync each; best of three runs of each side).
//
// Photo tables (opened exclusively): a rollback journal (TRUNCATE) with
// synchronous=FULL. Every post is one transaction whose journal is synced
// before the table file is written and whose table pages are synced before
// the commit returns, so a power loss at any moment leaves either the post or
// the table as it was before it. A new picture's pages lie beyond the end of
// the file as it was, and such pages are not copied into the journal: each
// picture is written once. The journal is a plain file beside the table,
// which works on network folders too.
//
// Master tables (opened shared, possibly by several computers on a network
// folder): a rollback journal (DELETE) with synchronous=FULL as well.
//
// Figures measured on the development machine with nothing else running (300
// pictures of 3.5 MB, write ratio table / files, higher is better):
//   rollback journal TRUNCATE, synchronous=FULL    0.65  (chosen)
//   rollback journal PERSIST, synchronous=FULL     0.84  (noisier reference)
//   rollback journal TRUNCATE, synchronous=NORMAL  0.74  (not safe on power loss)
//   write-ahead log, synchronous=NORMAL            0.44  (every picture written twice)
// Measured while the machine was busy compiling, every figure fell to about
// half (0.26 - 0.52). Reading stays at 2.4 of file speed.

namespace zb::engine {

EngineError::EngineError(Kind kind, const QString& message)
    : std::runtime_error(message.toStdString()), kind_(kind)
{
}

namespace {

EngineError::Kind kindOf(int rc)
{
    switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return EngineError::Kind::InUse;
    case SQLITE_FULL:
        return EngineError::Kind::DiskFull;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return EngineError::Kind::Damaged;
    case SQLITE_CONSTRAINT:
        return EngineError::Kind::KeyViolation;
    case SQLITE_CANTOPEN:
        return EngineError::Kind::NotFound;
    default:
        return EngineError::Kind::Other;
    }
}

[[noreturn]] void fail(sqlite3* db, int rc, const QString& what)
{
    QString text = what;
    if (db)
        text += QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db));
    throw EngineError(kindOf(rc), text);
}

QString quoted(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

// A prepared statement that is reset when it goes out of scope.
class Stmt {
public:
    Stmt(sqlite3* db, sqlite3_stmt* s) : db_(db), s_(s) {}
    ~Stmt()
    {
        if (s_) {
            sqlite3_reset(s_);
            sqlite3_clear_bindings(s_);
        }
    }
    sqlite3_stmt* get() const { return s_; }
    void bind(int i, qint64 v) { sqlite3_bind_int64(s_, i, v); }
    void bindNull(int i) { sqlite3_bind_null(s_, i); }
    void bind(int i, const QVariant& v, FieldType t)
    {
        if (!v.isValid() || v.isNull()) {
            sqlite3_bind_null(s_, i);
            return;
        }
        switch (t) {
        case FieldType::Alpha:
        case FieldType::Memo: {
            const QByteArray u = v.toString().toUtf8();
            sqlite3_bind_text(s_, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
            break;
        }
        case FieldType::Logical:
            sqlite3_bind_int(s_, i, v.toBool() ? 1 : 0);
            break;
        default:
            sqlite3_bind_int64(s_, i, v.toLongLong());
        }
    }
    // SQLITE_ROW, SQLITE_DONE or throws.
    int step(const char* what)
    {
        int rc = sqlite3_step(s_);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            fail(db_, rc, QString::fromUtf8(what));
        return rc;
    }

private:
    sqlite3* db_;
    sqlite3_stmt* s_;
};

void exec(sqlite3* db, const char* sql, const char* what)
{
    char* err = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        QString text = QString::fromUtf8(what) + QStringLiteral(": ") + QString::fromUtf8(err ? err : "");
        sqlite3_free(err);
        throw EngineError(kindOf(rc), text);
    }
}

QVariant columnValue(sqlite3_stmt* s, int col, FieldType t)
{
    if (sqlite3_column_type(s, col) == SQLITE_NULL)
        return {};
    switch (t) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, col)),
                                 sqlite3_column_bytes(s, col));
    case FieldType::Logical:
        return sqlite3_column_int(s, col) != 0;
    case FieldType::Blob:
        return static_cast<qlonglong>(sqlite3_column_int64(s, col));
    default:
        return sqlite3_column_int(s, col);
    }
}

const char* sqlType(FieldType t)
{
    switch (t) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return "TEXT";
    default:
        return "INTEGER";
    }
}

sqlite3* openDb(const QString& path, int flags)
{
    // SQLite counts its memory under a global lock on every allocation;
    // nothing here reads the counts. Set once, before SQLite first starts.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    Q_UNUSED(configured);
    sqlite3* db = nullptr;
    // A connection serves one Table, whose own state is not shared between
    // threads either: SQLite's per-call locking of the connection buys
    // nothing and costs two mutex operations for every column read.
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        QString msg = QStringLiteral("cannot open ") + path;
        if (db) {
            msg += QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db));
            sqlite3_close(db);
        }
        throw EngineError(kindOf(rc), msg);
    }
    sqlite3_extended_result_codes(db, 0);
    return db;
}

// Field list and primary key as stored in the file.
void readSchema(sqlite3* db, QList<FieldDef>& fields, QString& pk)
{
    fields.clear();
    pk.clear();
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(db, "SELECT name, type, size FROM zb_fields ORDER BY pos", -1, &s, nullptr);
    if (rc != SQLITE_OK)
        fail(db, rc == SQLITE_ERROR ? SQLITE_CORRUPT : rc, QStringLiteral("not a table file"));
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        FieldDef f;
        f.name = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        int type = sqlite3_column_int(s, 1);
        if (type < 0 || type > int(FieldType::Blob)) {
            sqlite3_finalize(s);
            throw EngineError(EngineError::Kind::Damaged, QStringLiteral("unknown field type"));
        }
        f.type = static_cast<FieldType>(type);
        f.size = sqlite3_column_int(s, 2);
        fields.append(f);
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE)
        fail(db, rc, QStringLiteral("cannot read the field list"));
    rc = sqlite3_prepare_v2(db, "SELECT value FROM zb_meta WHERE key='primary'", -1, &s, nullptr);
    if (rc == SQLITE_OK) {
        if (sqlite3_step(s) == SQLITE_ROW)
            pk = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        sqlite3_finalize(s);
    }
}

std::filesystem::path fsPath(const QString& path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// Writes a file's data through to the disk.
bool syncFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
#ifdef Q_OS_WIN
    return ::_commit(f.handle()) == 0;
#else
    return ::fsync(f.handle()) == 0;
#endif
}

// Writes a folder's entries (a rename, a new name) through to the disk.
void syncFolder(const QString& dir)
{
#ifndef Q_OS_WIN
    const int fd = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(dir);
#endif
}

// Replaces `to` by `from` in one step: at every moment `to` is either the old
// file or the new one.
bool replaceFile(const QString& from, const QString& to)
{
    std::error_code ec;
    std::filesystem::rename(fsPath(from), fsPath(to), ec);
    if (ec)
        return false;
    syncFolder(QFileInfo(to).absolutePath());
    return true;
}

// Makes `to` a copy of `from` that is on the disk. A second name for the same
// file where the file system allows it (instant, and no room needed, as the
// file is not written again); otherwise a copy written beside `to` and renamed.
bool backUpFile(const QString& from, const QString& to)
{
    QFile::remove(to);
    std::error_code ec;
    std::filesystem::create_hard_link(fsPath(from), fsPath(to), ec);
    if (!ec) {
        syncFolder(QFileInfo(to).absolutePath());
        return true;
    }
    const QString part = to + QStringLiteral(".part");
    QFile in(from), out(part);
    if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray buf(1 << 20, Qt::Uninitialized);
    bool ok = true;
    for (;;) {
        const qint64 n = in.read(buf.data(), buf.size());
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        if (out.write(buf.constData(), n) != n) {
            ok = false;
            break;
        }
    }
    ok = out.flush() && ok;
    out.close();
    ok = ok && syncFile(part) && replaceFile(part, to);
    if (!ok)
        QFile::remove(part);
    return ok;
}

// The files SQLite keeps beside a table while it is open.
void removeCompanions(const QString& path)
{
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

std::function<bool(Table::RebuildStep)>& rebuildProbe()
{
    static std::function<bool(Table::RebuildStep)> probe;
    return probe;
}

}  // namespace

struct Table::Impl {
    enum class State { Browse, Insert, Edit };

    sqlite3* db = nullptr;
    QString path;
    bool exclusive = false;
    QList<FieldDef> fields;
    QString pk;
    int pkPos = -1;
    QString columns;  // "rowid", "c1", …
    QHash<QByteArray, sqlite3_stmt*> cache;

    bool positioned = false;  // a current row exists
    qint64 rowid = 0;
    qint64 orderValue = 0;    // primary key of the current row, or its rowid
    QVector<QVariant> row;    // current row; BLOB fields hold their blob id
    State state = State::Browse;
    QVector<QVariant> buf;
    std::map<int, std::optional<QByteArray>> blobWrites;
    qint64 dataVersion = 0;
    // A running statement that walks the rows in order, so that next() steps
    // instead of searching the index again. Dropped by every other cursor move
    // and by every write.
    sqlite3_stmt* scan = nullptr;
    bool scanning = false;
    qint64 insertRow = 0;     // insertAt(): the row number the new row takes, 0 to append
    bool batch = false;       // beginBatch() is in force
    int lockFd = -1;          // descriptor holding the write lock of a shared table
    bool lockedExclusive = false;

    ~Impl()
    {
        releaseLock();
        closeDb();
    }

    void releaseLock()
    {
#ifndef Q_OS_WIN
        // Closing the descriptor drops its own lock only (an open-file-description
        // lock); SQLite holds no lock between transactions of a shared table.
        if (lockFd >= 0)
            ::close(lockFd);
#endif
        lockFd = -1;
        lockedExclusive = false;
    }

    void stopScan()
    {
        if (scan)
            sqlite3_reset(scan);
        scanning = false;
    }

    // Starts walking from the rows after `from` and loads the first of them.
    bool startScan(qint64 from)
    {
        stopScan();
        if (!exclusive) {
            // A statement left running would hold a read lock on a shared table
            // and keep other computers from writing: search for each row instead.
            if (seek(QStringLiteral("WHERE ") + orderColumn() + QStringLiteral(" > ? ORDER BY ") + orderColumn()
                         + QStringLiteral(" LIMIT 1"),
                     from, true))
                return true;
            positioned = false;
            return false;
        }
        if (!scan) {
            const QByteArray sql = (QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM t_rows WHERE ") + orderColumn()
                                    + QStringLiteral(" > ? ORDER BY ") + orderColumn()).toUtf8();
            int rc = sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &scan, nullptr);
            if (rc != SQLITE_OK)
                fail(db, rc, QStringLiteral("cannot read rows"));
        }
        sqlite3_bind_int64(scan, 1, from);
        scanning = true;
        return stepScan();
    }

    bool stepScan()
    {
        int rc = sqlite3_step(scan);
        if (rc == SQLITE_ROW) {
            load(scan);
            return true;
        }
        stopScan();
        positioned = false;
        if (rc != SQLITE_DONE)
            fail(db, rc, QStringLiteral("cannot read a row"));
        return false;
    }

    void closeDb()
    {
        if (scan)
            sqlite3_finalize(scan);
        scan = nullptr;
        scanning = false;
        for (sqlite3_stmt* s : std::as_const(cache))
            sqlite3_finalize(s);
        cache.clear();
        if (db)
            sqlite3_close(db);
        db = nullptr;
    }

    void requireOpen() const
    {
        if (!db)
            throw EngineError(EngineError::Kind::NotOpen, QStringLiteral("the table is not open"));
    }

    Stmt prepare(const QString& sql)
    {
        const QByteArray u = sql.toUtf8();
        auto it = cache.find(u);
        if (it == cache.end()) {
            sqlite3_stmt* s = nullptr;
            int rc = sqlite3_prepare_v2(db, u.constData(), int(u.size()), &s, nullptr);
            if (rc != SQLITE_OK)
                fail(db, rc, QStringLiteral("cannot prepare a statement"));
            it = cache.insert(u, s);
        }
        return Stmt(db, it.value());
    }

    QString orderColumn() const { return pk.isEmpty() ? QStringLiteral("rowid") : quoted(pk); }

    // Loads the row the statement stands on (columns: rowid, fields…).
    void load(sqlite3_stmt* s)
    {
        rowid = sqlite3_column_int64(s, 0);
        row.resize(fields.size());
        for (int i = 0; i < fields.size(); ++i)
            row[i] = columnValue(s, i + 1, fields[i].type);
        orderValue = pkPos >= 0 ? row[pkPos].toLongLong() : rowid;
        positioned = true;
    }

    bool seek(const QString& where, qint64 arg, bool useArg)
    {
        stopScan();
        Stmt s = prepare(QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM t_rows ") + where);
        if (useArg)
            s.bind(1, arg);
        if (s.step("cannot read a row") == SQLITE_ROW) {
            load(s.get());
            return true;
        }
        return false;
    }

    bool loadByRowid(qint64 id)
    {
        return seek(QStringLiteral("WHERE rowid = ?"), id, true);
    }

    // Inside a batch the batch's transaction holds every change; its owner
    // commits or rolls back.
    void begin()
    {
        if (!batch)
            exec(db, "BEGIN IMMEDIATE", "cannot start writing");
    }
    void rollback()
    {
        if (!batch)
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    void commit()
    {
        if (!batch)
            exec(db, "COMMIT", "cannot write the row");
    }

    // rowid of the row at a 1-based position of the table order, 0 when none.
    qint64 rowidAt(qint64 rowNumber)
    {
        if (rowNumber < 1)
            return 0;
        Stmt s = prepare(QStringLiteral("SELECT rowid FROM t_rows ORDER BY rowid LIMIT 1 OFFSET ?"));
        s.bind(1, rowNumber - 1);
        if (s.step("cannot read rows") != SQLITE_ROW)
            return 0;
        return sqlite3_column_int64(s.get(), 0);
    }

    void deleteBlob(const QVariant& id)
    {
        if (!id.isValid())
            return;
        Stmt s = prepare(QStringLiteral("DELETE FROM t_blobs WHERE id = ?"));
        s.bind(1, id.toLongLong());
        s.step("cannot delete a picture");
    }

    void readVersion()
    {
        Stmt s = prepare(QStringLiteral("PRAGMA data_version"));
        if (s.step("cannot poll the table") == SQLITE_ROW)
            dataVersion = sqlite3_column_int64(s.get(), 0);
    }
};

Table::Table() : d(std::make_unique<Impl>()) {}
Table::~Table() = default;

void Table::create(const QString& path, const QList<FieldDef>& fields, const QString& primaryKey)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    QFile::remove(path + QStringLiteral("-journal"));
    sqlite3* db = openDb(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    try {
        // Large pages keep pictures in few, long runs: reading and writing them
        // comes close to plain file speed.
        exec(db, "PRAGMA page_size = 65536", "cannot set the page size");
        exec(db, "BEGIN", "cannot create the table");
        exec(db, "CREATE TABLE zb_fields(pos INTEGER PRIMARY KEY, name TEXT NOT NULL, type INTEGER NOT NULL, size INTEGER NOT NULL)",
             "cannot create the table");
        exec(db, "CREATE TABLE zb_meta(key TEXT PRIMARY KEY, value TEXT)", "cannot create the table");
        exec(db, "CREATE TABLE t_blobs(id INTEGER PRIMARY KEY, data BLOB NOT NULL)", "cannot create the table");
        QString cols;
        for (int i = 0; i < fields.size(); ++i) {
            const FieldDef& f = fields[i];
            cols += (i ? QStringLiteral(", ") : QString()) + quoted(f.name) + QLatin1Char(' ') + QLatin1String(sqlType(f.type));
            sqlite3_stmt* s = nullptr;
            sqlite3_prepare_v2(db, "INSERT INTO zb_fields(pos, name, type, size) VALUES(?, ?, ?, ?)", -1, &s, nullptr);
            const QByteArray name = f.name.toUtf8();
            sqlite3_bind_int(s, 1, i);
            sqlite3_bind_text(s, 2, name.constData(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(s, 3, int(f.type));
            sqlite3_bind_int(s, 4, f.size);
            int rc = sqlite3_step(s);
            sqlite3_finalize(s);
            if (rc != SQLITE_DONE)
                fail(db, rc, QStringLiteral("cannot create the table"));
        }
        exec(db, (QStringLiteral("CREATE TABLE t_rows(") + cols + QStringLiteral(")")).toUtf8().constData(),
             "cannot create the table");
        if (!primaryKey.isEmpty()) {
            exec(db, (QStringLiteral("CREATE UNIQUE INDEX t_primary ON t_rows(") + quoted(primaryKey) + QStringLiteral(")")).toUtf8().constData(),
                 "cannot create the primary index");
            const QByteArray sql = (QStringLiteral("INSERT INTO zb_meta VALUES('primary', '") + primaryKey + QStringLiteral("')")).toUtf8();
            exec(db, sql.constData(), "cannot create the primary index");
        }
        exec(db, "COMMIT", "cannot create the table");
    } catch (...) {
        sqlite3_close(db);
        QFile::remove(path);
        throw;
    }
    sqlite3_close(db);
}

void Table::open(const QString& path, bool exclusive)
{
    close();
    if (!QFileInfo::exists(path))
        throw EngineError(EngineError::Kind::NotFound, QStringLiteral("table not found: ") + path);
    d->db = openDb(path, SQLITE_OPEN_READWRITE);
    d->path = path;
    d->exclusive = exclusive;
    try {
        if (exclusive) {
            exec(d->db, "PRAGMA locking_mode = EXCLUSIVE", "cannot lock the table");
            // See "Journal and syncing" above: a rollback journal, every
            // commit synced. A table last opened with a write-ahead log is
            // written back from it and leaves it.
            exec(d->db, "PRAGMA journal_mode = TRUNCATE", "cannot set the journal");
            exec(d->db, "PRAGMA synchronous = FULL", "cannot set the journal");
            // Take the lock now and keep it: a second open must fail at once.
            exec(d->db, "BEGIN EXCLUSIVE", "the table is in use");
            exec(d->db, "COMMIT", "the table is in use");
        } else {
            sqlite3_busy_timeout(d->db, 5000);
            // A rollback journal, synced at every commit. A file another
            // connection holds in another journal mode keeps its mode.
            sqlite3_exec(d->db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
            exec(d->db, "PRAGMA synchronous = FULL", "cannot set the journal");
        }
        readSchema(d->db, d->fields, d->pk);
        exec(d->db, "SELECT count(*) FROM t_rows LIMIT 0", "not a table file");
    } catch (...) {
        d->closeDb();
        d->fields.clear();
        throw;
    }
    d->pkPos = d->pk.isEmpty() ? -1 : fieldIndex(d->pk);
    d->columns = QStringLiteral("rowid");
    for (const FieldDef& f : d->fields)
        d->columns += QStringLiteral(", ") + quoted(f.name);
    d->positioned = false;
    d->state = Impl::State::Browse;
    d->readVersion();
    first();
}

void Table::close()
{
    // Only a table this connection held alone: another connection of a shared
    // table may be starting its journal.
    const bool hadTable = d->db != nullptr && d->exclusive;
    if (d->batch)
        rollbackBatch();
    d->releaseLock();
    d->closeDb();
    // An exclusive table keeps its truncated journal while it is open; an
    // empty journal holds nothing to roll back, so it does not stay behind.
    if (hadTable && !d->path.isEmpty()) {
        const QFileInfo journal(d->path + QStringLiteral("-journal"));
        if (journal.exists() && journal.size() == 0)
            QFile::remove(journal.filePath());
    }
    d->fields.clear();
    d->pk.clear();
    d->pkPos = -1;
    d->positioned = false;
    d->state = Impl::State::Browse;
    d->blobWrites.clear();
}

bool Table::isOpen() const { return d->db != nullptr; }
bool Table::isExclusive() const { return d->db && d->exclusive; }
QString Table::path() const { return d->path; }
const QList<FieldDef>& Table::fields() const { return d->fields; }
QString Table::primaryKey() const { return d->pk; }

int Table::fieldIndex(const QString& name) const
{
    for (int i = 0; i < d->fields.size(); ++i)
        if (d->fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void Table::addPrimaryIndex(const QString& field)
{
    d->requireOpen();
    d->stopScan();
    if (!d->pk.isEmpty())
        return;
    if (fieldIndex(field) < 0)
        throw EngineError(EngineError::Kind::Other, QStringLiteral("no such field: ") + field);
    d->begin();
    try {
        exec(d->db, (QStringLiteral("CREATE UNIQUE INDEX t_primary ON t_rows(") + quoted(field) + QStringLiteral(")")).toUtf8().constData(),
             "cannot create the primary index");
        exec(d->db, (QStringLiteral("INSERT OR REPLACE INTO zb_meta VALUES('primary', '") + field + QStringLiteral("')")).toUtf8().constData(),
             "cannot create the primary index");
        d->commit();
    } catch (...) {
        d->rollback();
        throw;
    }
    d->pk = field;
    d->pkPos = fieldIndex(field);
    // The walking statement orders by the key from now on.
    sqlite3_finalize(d->scan);
    d->scan = nullptr;
}

void Table::addFields(const QList<FieldDef>& fields)
{
    d->requireOpen();
    if (d->state != Impl::State::Browse || d->batch)
        throw EngineError(EngineError::Kind::Other, QStringLiteral("cannot add fields while a row is edited"));
    QList<FieldDef> missing;
    for (const FieldDef& f : fields)
        if (fieldIndex(f.name) < 0)
            missing.append(f);
    if (missing.isEmpty())
        return;
    d->stopScan();
    d->begin();
    try {
        int pos = int(d->fields.size());
        for (const FieldDef& f : missing) {
            exec(d->db, (QStringLiteral("ALTER TABLE t_rows ADD COLUMN ") + quoted(f.name) + QLatin1Char(' ')
                         + QLatin1String(sqlType(f.type))).toUtf8().constData(),
                 "cannot add a field");
            Stmt s = d->prepare(QStringLiteral("INSERT INTO zb_fields(pos, name, type, size) VALUES(?, ?, ?, ?)"));
            s.bind(1, pos++);
            s.bind(2, QVariant(f.name), FieldType::Memo);
            s.bind(3, qint64(f.type));
            s.bind(4, qint64(f.size));
            s.step("cannot add a field");
        }
        d->commit();
    } catch (...) {
        d->rollback();
        throw;
    }
    // Every prepared statement names the old column list.
    if (d->scan)
        sqlite3_finalize(d->scan);
    d->scan = nullptr;
    for (sqlite3_stmt* s : std::as_const(d->cache))
        sqlite3_finalize(s);
    d->cache.clear();
    readSchema(d->db, d->fields, d->pk);
    d->pkPos = d->pk.isEmpty() ? -1 : fieldIndex(d->pk);
    d->columns = QStringLiteral("rowid");
    for (const FieldDef& f : d->fields)
        d->columns += QStringLiteral(", ") + quoted(f.name);
    d->positioned = false;
    first();
}

bool Table::first()
{
    d->requireOpen();
    d->positioned = false;
    return d->startScan(std::numeric_limits<qint64>::min());
}

bool Table::next()
{
    d->requireOpen();
    if (!d->positioned)
        return false;
    if (d->scanning)
        return d->stepScan();
    return d->startScan(d->orderValue);
}

bool Table::eof() const { return !d->positioned; }

bool Table::locate(qint64 key)
{
    d->requireOpen();
    if (d->pk.isEmpty())
        return false;
    return d->seek(QStringLiteral("WHERE ") + quoted(d->pk) + QStringLiteral(" = ?"), key, true);
}

qint64 Table::rowCount() const
{
    d->requireOpen();
    Stmt s = d->prepare(QStringLiteral("SELECT count(*) FROM t_rows"));
    s.step("cannot count rows");
    return sqlite3_column_int64(s.get(), 0);
}

qint64 Table::maxKey() const
{
    d->requireOpen();
    Stmt s = d->prepare(QStringLiteral("SELECT max(") + d->orderColumn() + QStringLiteral(") FROM t_rows"));
    s.step("cannot read rows");
    return sqlite3_column_int64(s.get(), 0);
}

void Table::append()
{
    d->requireOpen();
    d->stopScan();
    d->insertRow = 0;
    d->state = Impl::State::Insert;
    d->buf = QVector<QVariant>(d->fields.size());
    d->blobWrites.clear();
}

void Table::insertAt(qint64 rowNumber)
{
    d->requireOpen();
    if (!d->pk.isEmpty())
        throw EngineError(EngineError::Kind::State, QStringLiteral("rows of an indexed table keep the index order"));
    append();
    d->insertRow = std::max<qint64>(rowNumber, 1);
}

bool Table::moveToRow(qint64 rowNumber)
{
    d->requireOpen();
    cancel();
    if (rowNumber < 1) {
        d->positioned = false;
        return false;
    }
    d->stopScan();
    Stmt s = d->prepare(QStringLiteral("SELECT ") + d->columns + QStringLiteral(" FROM t_rows ORDER BY ")
                        + d->orderColumn() + QStringLiteral(" LIMIT 1 OFFSET ?"));
    s.bind(1, rowNumber - 1);
    if (s.step("cannot read a row") == SQLITE_ROW) {
        d->load(s.get());
        return true;
    }
    d->positioned = false;
    return false;
}

bool RowView::isNull(int i) const
{
    return sqlite3_column_type(static_cast<sqlite3_stmt*>(s_), i) == SQLITE_NULL;
}

qint64 RowView::integer(int i) const { return sqlite3_column_int64(static_cast<sqlite3_stmt*>(s_), i); }

QByteArrayView RowView::text(int i) const
{
    auto* s = static_cast<sqlite3_stmt*>(s_);
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    return t ? QByteArrayView(t, sqlite3_column_bytes(s, i)) : QByteArrayView();
}

void Table::scanFields(const QList<int>& positions, const std::function<void(const RowView&)>& row,
                       bool anyOrder) const
{
    d->requireOpen();
    QString cols;
    for (int p : positions) {
        if (p < 0 || p >= d->fields.size())
            throw EngineError(EngineError::Kind::Other, QStringLiteral("not a scannable field"));
        cols += (cols.isEmpty() ? QString() : QStringLiteral(", ")) + quoted(d->fields[p].name);
    }
    if (cols.isEmpty())
        return;
    // A statement of its own: the cursor's walking statement stays where it is.
    const QByteArray sql = (QStringLiteral("SELECT ") + cols + QStringLiteral(" FROM t_rows")
                            + (anyOrder ? QString() : QStringLiteral(" ORDER BY ") + d->orderColumn()))
                               .toUtf8();
    sqlite3_stmt* s = nullptr;
    int rc = sqlite3_prepare_v2(d->db, sql.constData(), int(sql.size()), &s, nullptr);
    if (rc != SQLITE_OK)
        fail(d->db, rc, QStringLiteral("cannot read rows"));
    const RowView view(s);
    try {
        while ((rc = sqlite3_step(s)) == SQLITE_ROW)
            row(view);
    } catch (...) {
        sqlite3_finalize(s);
        throw;
    }
    sqlite3_finalize(s);
    if (rc != SQLITE_DONE)
        fail(d->db, rc, QStringLiteral("cannot read rows"));
}

void Table::beginBatch()
{
    d->requireOpen();
    d->stopScan();
    if (d->batch)
        throw EngineError(EngineError::Kind::State, QStringLiteral("a batch is already running"));
    d->begin();
    d->batch = true;
}

void Table::commitBatch()
{
    d->requireOpen();
    if (!d->batch)
        throw EngineError(EngineError::Kind::State, QStringLiteral("no batch is running"));
    d->batch = false;
    try {
        d->commit();
    } catch (...) {
        d->rollback();
        throw;
    }
}

void Table::rollbackBatch()
{
    if (!d->db || !d->batch)
        return;
    d->batch = false;
    d->rollback();
    cancel();
    d->positioned = false;
}

bool Table::inBatch() const { return d->batch; }

bool Table::lockTable()
{
    d->requireOpen();
    if (d->lockFd >= 0 || d->lockedExclusive)
        return true;
    if (d->exclusive) {
        d->lockedExclusive = true;
        return true;
    }
#if defined(Q_OS_WIN) || !defined(F_OFD_SETLK)
    d->lockedExclusive = true;
    return true;
#else
    const int fd = ::open(QFile::encodeName(d->path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    // One byte past the range SQLite locks (0x40000000 to 0x400001FF), so the
    // write lock and SQLite's own locks never meet. An open-file-description
    // lock: refused to every other descriptor, in this process too.
    struct flock fl = {};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = 0x40000400;
    fl.l_len = 1;
    if (::fcntl(fd, F_OFD_SETLK, &fl) != 0) {
        ::close(fd);
        return false;
    }
    d->lockFd = fd;
    return true;
#endif
}

void Table::unlockTable() { d->releaseLock(); }

bool Table::tableLocked() const { return d->lockFd >= 0 || d->lockedExclusive; }

void Table::edit()
{
    d->requireOpen();
    d->stopScan();
    if (!d->positioned)
        throw EngineError(EngineError::Kind::State, QStringLiteral("no current row to edit"));
    d->state = Impl::State::Edit;
    d->buf = d->row;
    d->blobWrites.clear();
}

bool Table::isEditing() const { return d->state != Impl::State::Browse; }

void Table::post()
{
    d->requireOpen();
    if (d->state == Impl::State::Browse)
        throw EngineError(EngineError::Kind::State, QStringLiteral("no row being edited"));
    if (d->pkPos >= 0 && !d->buf[d->pkPos].isValid())
        throw EngineError(EngineError::Kind::KeyViolation, QStringLiteral("the key field is blank"));
    QVector<QVariant> values = d->buf;
    d->begin();
    qint64 id = d->rowid;
    try {
        for (const auto& [pos, bytes] : d->blobWrites) {
            if (d->state == Impl::State::Edit)
                d->deleteBlob(d->row[pos]);
            if (!bytes) {
                values[pos] = QVariant();
                continue;
            }
            Stmt s = d->prepare(QStringLiteral("INSERT INTO t_blobs(data) VALUES(?)"));
            sqlite3_bind_blob64(s.get(), 1, bytes->constData(), sqlite3_uint64(bytes->size()), SQLITE_STATIC);
            s.step("cannot write a picture");
            values[pos] = static_cast<qlonglong>(sqlite3_last_insert_rowid(d->db));
        }
        QString sql;
        // A row inserted at a position takes the rowid of the row there, which
        // moves on with every row after it.
        const qint64 at = d->state == Impl::State::Insert ? d->rowidAt(d->insertRow) : 0;
        if (at > 0) {
            Stmt shift1 = d->prepare(QStringLiteral("UPDATE t_rows SET rowid = -rowid - 1 WHERE rowid >= ?"));
            shift1.bind(1, at);
            shift1.step("cannot insert the row");
            Stmt shift2 = d->prepare(QStringLiteral("UPDATE t_rows SET rowid = -rowid WHERE rowid < 0"));
            shift2.step("cannot insert the row");
        }
        if (d->state == Impl::State::Insert) {
            QString names, marks;
            for (int i = 0; i < d->fields.size(); ++i) {
                names += (i ? QStringLiteral(", ") : QString()) + quoted(d->fields[i].name);
                marks += i ? QStringLiteral(", ?") : QStringLiteral("?");
            }
            if (at > 0) {
                names += QStringLiteral(", rowid");
                marks += QStringLiteral(", ?");
            }
            sql = QStringLiteral("INSERT INTO t_rows(") + names + QStringLiteral(") VALUES(") + marks + QStringLiteral(")");
        } else {
            QString sets;
            for (int i = 0; i < d->fields.size(); ++i)
                sets += (i ? QStringLiteral(", ") : QString()) + quoted(d->fields[i].name) + QStringLiteral(" = ?");
            sql = QStringLiteral("UPDATE t_rows SET ") + sets + QStringLiteral(" WHERE rowid = ?");
        }
        Stmt s = d->prepare(sql);
        for (int i = 0; i < d->fields.size(); ++i)
            s.bind(i + 1, values[i], d->fields[i].type == FieldType::Blob ? FieldType::Integer : d->fields[i].type);
        if (d->state == Impl::State::Edit || at > 0)
            s.bind(int(d->fields.size()) + 1, at > 0 ? at : d->rowid);
        s.step("cannot write the row");
        if (d->state == Impl::State::Insert)
            id = sqlite3_last_insert_rowid(d->db);
        d->commit();
    } catch (...) {
        d->rollback();
        throw;
    }
    d->state = Impl::State::Browse;
    d->insertRow = 0;
    d->blobWrites.clear();
    d->loadByRowid(id);
}

void Table::cancel()
{
    d->state = Impl::State::Browse;
    d->blobWrites.clear();
}

void Table::remove()
{
    d->requireOpen();
    d->stopScan();
    if (!d->positioned)
        throw EngineError(EngineError::Kind::State, QStringLiteral("no current row to delete"));
    cancel();
    const qint64 from = d->orderValue;
    d->begin();
    try {
        for (int i = 0; i < d->fields.size(); ++i)
            if (d->fields[i].type == FieldType::Blob)
                d->deleteBlob(d->row[i]);
        Stmt s = d->prepare(QStringLiteral("DELETE FROM t_rows WHERE rowid = ?"));
        s.bind(1, d->rowid);
        s.step("cannot delete the row");
        d->commit();
    } catch (...) {
        d->rollback();
        throw;
    }
    if (!d->seek(QStringLiteral("WHERE ") + d->orderColumn() + QStringLiteral(" > ? ORDER BY ") + d->orderColumn() + QStringLiteral(" LIMIT 1"),
                 from, true))
        d->positioned = false;
}

QVariant Table::value(int pos) const
{
    if (pos < 0 || pos >= d->fields.size())
        return {};
    const QVector<QVariant>& src = d->state == Impl::State::Browse ? d->row : d->buf;
    if (d->state == Impl::State::Browse && !d->positioned)
        return {};
    if (d->fields[pos].type == FieldType::Blob)
        return {};
    return src.value(pos);
}

bool Table::isNull(int pos) const
{
    if (pos < 0 || pos >= d->fields.size())
        return true;
    if (d->state != Impl::State::Browse) {
        auto it = d->blobWrites.find(pos);
        if (it != d->blobWrites.end())
            return !it->second.has_value();
        return !d->buf.value(pos).isValid();
    }
    return !d->positioned || !d->row.value(pos).isValid();
}

void Table::setValue(int pos, const QVariant& value)
{
    if (d->state == Impl::State::Browse)
        throw EngineError(EngineError::Kind::State, QStringLiteral("the row is not being edited"));
    if (pos < 0 || pos >= d->fields.size())
        return;
    const FieldDef& f = d->fields[pos];
    if (f.type == FieldType::Blob) {
        writeBlob(pos, value.toByteArray());
        return;
    }
    QVariant v = value;
    if (v.isValid() && f.type == FieldType::Alpha && f.size > 0)
        v = sjis::cutToRoom(v.toString(), f.size);
    if (v.isValid() && f.type == FieldType::Short)
        v = int(qint16(v.toInt()));
    d->buf[pos] = v;
}

void Table::setNull(int pos)
{
    if (pos < 0 || pos >= d->fields.size())
        return;
    if (d->state == Impl::State::Browse)
        throw EngineError(EngineError::Kind::State, QStringLiteral("the row is not being edited"));
    if (d->fields[pos].type == FieldType::Blob)
        d->blobWrites[pos] = std::nullopt;
    else
        d->buf[pos] = QVariant();
}

namespace {

// A stored picture opened for reading; null when its row is gone.
sqlite3_blob* openStoredBlob(sqlite3* db, qint64 id)
{
    sqlite3_blob* blob = nullptr;
    const int rc = sqlite3_blob_open(db, "main", "t_blobs", "data", id, 0, &blob);
    if (rc == SQLITE_OK)
        return blob;
    if (blob)
        sqlite3_blob_close(blob);
    if (rc != SQLITE_ERROR)
        fail(db, rc, QStringLiteral("cannot read a picture"));
    return nullptr;
}

}  // namespace

QByteArray Table::readBlob(int pos) const
{
    if (pos < 0 || pos >= d->fields.size() || d->fields[pos].type != FieldType::Blob)
        return {};
    if (d->state != Impl::State::Browse) {
        auto it = d->blobWrites.find(pos);
        if (it != d->blobWrites.end())
            return it->second.value_or(QByteArray());
    }
    if (!d->positioned || !d->row.value(pos).isValid())
        return {};
    // Read straight into the result: one copy of the picture, not two.
    sqlite3_blob* blob = openStoredBlob(d->db, d->row[pos].toLongLong());
    if (!blob)
        return {};
    QByteArray out(sqlite3_blob_bytes(blob), Qt::Uninitialized);
    const int rc = out.isEmpty() ? SQLITE_OK : sqlite3_blob_read(blob, out.data(), int(out.size()), 0);
    sqlite3_blob_close(blob);
    if (rc != SQLITE_OK)
        fail(d->db, rc, QStringLiteral("cannot read a picture"));
    return out;
}

qint64 Table::copyBlobTo(int pos, QIODevice& out) const
{
    if (pos < 0 || pos >= d->fields.size() || d->fields[pos].type != FieldType::Blob)
        return 0;
    if (d->state != Impl::State::Browse && d->blobWrites.count(pos)) {
        const QByteArray bytes = readBlob(pos);
        return out.write(bytes) == bytes.size() ? bytes.size() : -1;
    }
    if (!d->positioned || !d->row.value(pos).isValid())
        return 0;
    sqlite3_blob* blob = openStoredBlob(d->db, d->row[pos].toLongLong());
    if (!blob)
        return 0;
    // One buffer for every picture of a run: fresh large allocations cost a
    // page fault for every page they touch.
    constexpr int kPiece = 1 << 20;
    thread_local std::vector<char> buffer(kPiece);
    const int size = sqlite3_blob_bytes(blob);
    qint64 written = 0;
    int rc = SQLITE_OK;
    for (int at = 0; at < size;) {
        const int n = std::min(kPiece, size - at);
        rc = sqlite3_blob_read(blob, buffer.data(), n, at);
        if (rc != SQLITE_OK)
            break;
        if (out.write(buffer.data(), n) != n) {
            written = -1;
            break;
        }
        at += n;
        written += n;
    }
    sqlite3_blob_close(blob);
    if (rc != SQLITE_OK)
        fail(d->db, rc, QStringLiteral("cannot read a picture"));
    return written;
}

qint64 Table::blobSize(int pos) const
{
    if (isNull(pos))
        return -1;
    if (d->state != Impl::State::Browse) {
        auto it = d->blobWrites.find(pos);
        if (it != d->blobWrites.end())
            return it->second ? it->second->size() : -1;
    }
    Stmt s = d->prepare(QStringLiteral("SELECT length(data) FROM t_blobs WHERE id = ?"));
    s.bind(1, d->row[pos].toLongLong());
    if (s.step("cannot read a picture") != SQLITE_ROW)
        return -1;
    return sqlite3_column_int64(s.get(), 0);
}

void Table::writeBlob(int pos, const QByteArray& bytes)
{
    if (d->state == Impl::State::Browse)
        throw EngineError(EngineError::Kind::State, QStringLiteral("the row is not being edited"));
    if (pos < 0 || pos >= d->fields.size() || d->fields[pos].type != FieldType::Blob)
        return;
    // A written stream is never null, even when it is empty.
    d->blobWrites[pos] = bytes.isNull() ? QByteArray("") : bytes;
}

void Table::flush()
{
    d->requireOpen();
    // Every commit is on the disk and in the table file when it returns
    // (synchronous=FULL with a rollback journal): nothing is held back, and a
    // copy of the table file misses no posted row.
}

QString Table::journalSettings() const
{
    d->requireOpen();
    auto text = [&](const char* sql) {
        Stmt s = d->prepare(QString::fromLatin1(sql));
        return s.step("cannot read the settings") == SQLITE_ROW
            ? QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0))).toLower()
            : QString();
    };
    static const char* const syncNames[] = {"off", "normal", "full", "extra"};
    const int sync = text("PRAGMA synchronous").toInt();
    return text("PRAGMA journal_mode") + QLatin1Char(' ')
        + QLatin1String(sync >= 0 && sync < 4 ? syncNames[sync] : "?") + QLatin1Char(' ') + text("PRAGMA locking_mode");
}

bool Table::pollChanged()
{
    d->requireOpen();
    const qint64 before = d->dataVersion;
    d->readVersion();
    return d->dataVersion != before;
}

void Table::refresh()
{
    d->requireOpen();
    if (!d->positioned)
        return;
    const qint64 from = d->orderValue;
    if (d->loadByRowid(d->rowid))
        return;
    if (!d->seek(QStringLiteral("WHERE ") + d->orderColumn() + QStringLiteral(" > ? ORDER BY ") + d->orderColumn() + QStringLiteral(" LIMIT 1"),
                 from, true))
        d->positioned = false;
}

void Table::pack(const QString& password)
{
    d->requireOpen();
    d->stopScan();
    cancel();
    QString blobCols;
    for (const FieldDef& f : d->fields)
        if (f.type == FieldType::Blob)
            blobCols += (blobCols.isEmpty() ? QString() : QStringLiteral(" UNION ALL ")) + QStringLiteral("SELECT ")
                + quoted(f.name) + QStringLiteral(" FROM t_rows");
    d->begin();
    try {
        // Pictures no row points to any more are dropped.
        const QString sql = blobCols.isEmpty() ? QStringLiteral("DELETE FROM t_blobs")
                                               : QStringLiteral("DELETE FROM t_blobs WHERE id NOT IN (") + blobCols + QStringLiteral(")");
        exec(d->db, sql.toUtf8().constData(), "cannot pack the table");
        if (!password.isEmpty()) {
            Stmt s = d->prepare(QStringLiteral("INSERT OR REPLACE INTO zb_meta VALUES('password', ?)"));
            s.bind(1, QVariant(password), FieldType::Memo);
            s.step("cannot pack the table");
        }
        d->commit();
    } catch (...) {
        d->rollback();
        throw;
    }
    for (sqlite3_stmt* s : std::as_const(d->cache))
        sqlite3_reset(s);
    exec(d->db, "VACUUM", "cannot pack the table");
    first();
}

void Table::empty()
{
    d->requireOpen();
    d->stopScan();
    cancel();
    d->begin();
    try {
        exec(d->db, "DELETE FROM t_rows", "cannot empty the table");
        exec(d->db, "DELETE FROM t_blobs", "cannot empty the table");
        d->commit();
    } catch (...) {
        d->rollback();
        throw;
    }
    d->positioned = false;
}

void Table::reindex()
{
    d->requireOpen();
    d->stopScan();
    cancel();
    for (sqlite3_stmt* s : std::as_const(d->cache))
        sqlite3_reset(s);
    exec(d->db, "REINDEX", "cannot rebuild the indexes");
    first();
}

void Table::setSizeLimit(qint64 bytes)
{
    d->requireOpen();
    const QByteArray sql = "PRAGMA max_page_count = " + QByteArray::number(std::max<qint64>(1, bytes / 65536));
    exec(d->db, sql.constData(), "cannot limit the size");
}

VerifyStatus Table::verify(const QString& path)
{
    if (!QFileInfo::exists(path))
        return VerifyStatus::NotRebuildable;
    sqlite3* db = nullptr;
    // Opened for writing, so that the journal a process left when it died in
    // the middle of a post is rolled back first: a connection that only reads
    // cannot do that and would take a sound table for a broken one. A file
    // that cannot be written is read as it is.
    try {
        db = openDb(path, SQLITE_OPEN_READWRITE);
    } catch (const EngineError&) {
        try {
            db = openDb(path, SQLITE_OPEN_READONLY);
        } catch (const EngineError&) {
            return VerifyStatus::NotRebuildable;
        }
    }
    sqlite3_busy_timeout(db, 2000);
    QList<FieldDef> fields;
    QString pk;
    try {
        readSchema(db, fields, pk);
    } catch (const EngineError& e) {
        sqlite3_close(db);
        if (e.kind() == EngineError::Kind::InUse)
            throw;
        return VerifyStatus::NotRebuildable;
    }
    sqlite3_stmt* s = nullptr;
    VerifyStatus status = VerifyStatus::Rebuildable;
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &s, nullptr) == SQLITE_OK) {
        int rc = sqlite3_step(s);
        if (rc == SQLITE_ROW && qstrcmp(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)), "ok") == 0)
            status = VerifyStatus::Sound;
        else if (rc == SQLITE_BUSY) {
            sqlite3_finalize(s);
            sqlite3_close(db);
            throw EngineError(EngineError::Kind::InUse, QStringLiteral("the table is in use"));
        }
        sqlite3_finalize(s);
    }
    if (status != VerifyStatus::Sound
        && sqlite3_prepare_v2(db, "SELECT rowid FROM t_rows LIMIT 1", -1, &s, nullptr) != SQLITE_OK)
        status = VerifyStatus::NotRebuildable;
    else if (status != VerifyStatus::Sound)
        sqlite3_finalize(s);
    sqlite3_close(db);
    return status;
}

void Table::setRebuildProbe(std::function<bool(RebuildStep)> probe) { rebuildProbe() = std::move(probe); }

namespace {

// The value a salvaged column holds, as the field's type reads it.
QVariant salvagedValue(const QVariant& v, FieldType t)
{
    if (!v.isValid() || v.isNull())
        return {};
    switch (t) {
    case FieldType::Alpha:
    case FieldType::Memo:
        return v.typeId() == QMetaType::QByteArray ? QString::fromUtf8(v.toByteArray()) : v.toString();
    case FieldType::Logical:
        return v.toLongLong() != 0;
    case FieldType::Blob:
        return static_cast<qlonglong>(v.toLongLong());
    default:
        return int(v.toLongLong());
    }
}

// Root pages of the tables and the primary index, by name.
QHash<QString, quint32> rootPages(sqlite3* db)
{
    QHash<QString, quint32> roots;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT name, rootpage FROM sqlite_schema", -1, &s, nullptr) != SQLITE_OK)
        return roots;
    while (sqlite3_step(s) == SQLITE_ROW)
        roots.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))),
                     quint32(sqlite3_column_int64(s, 1)));
    sqlite3_finalize(s);
    return roots;
}

}  // namespace

bool Table::rebuild(const QString& path, const QString& backupPath, Losses* losses)
{
    Losses lost;
    sqlite3* old = nullptr;
    try {
        old = openDb(path, SQLITE_OPEN_READWRITE);
    } catch (const EngineError&) {
        return false;
    }
    QList<FieldDef> fields;
    QString pk;
    QHash<QString, quint32> roots;
    try {
        readSchema(old, fields, pk);
        roots = rootPages(old);
    } catch (const EngineError&) {
        sqlite3_close(old);
        return false;
    }
    // Pages a write-ahead log still holds go into the file first, so that the
    // file alone holds the table; closing the last connection removes the log.
    sqlite3_exec(old, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    sqlite3_close(old);
    if (!roots.contains(QStringLiteral("t_rows")) || !roots.contains(QStringLiteral("t_blobs")))
        return false;
    // The rows go into a new file beside the table; the table itself is not
    // touched until the new file is complete and on the disk.
    const QString fresh = path + QStringLiteral(".rebuild");
    auto dropFresh = [&] {
        QFile::remove(fresh);
        removeCompanions(fresh);
    };
    PageReader pages(path);
    if (!pages.isOpen())
        return false;
    const int pkPos = pk.isEmpty() ? -1 : int(std::find_if(fields.cbegin(), fields.cend(), [&](const FieldDef& f) {
                                                  return f.name.compare(pk, Qt::CaseInsensitive) == 0;
                                              }) - fields.cbegin());
    try {
        create(fresh, fields, pk);
        Table out;
        out.open(fresh, true);
        // One sync of the whole file at the end instead of one per row.
        exec(out.d->db, "PRAGMA synchronous = OFF", "cannot write the new table");
        const quint32 blobRoot = roots.value(QStringLiteral("t_blobs"));
        QSet<qint64> keysRead;
        const PageReader::Damage damage = pages.walkTable(roots.value(QStringLiteral("t_rows")), [&](qint64, const PageReader::Values& values) {
            const qint64 key = pkPos >= 0 && pkPos < values.size() ? values[pkPos].toLongLong() : 0;
            out.append();
            for (int i = 0; i < fields.size(); ++i) {
                // A row older than a field added later holds fewer columns.
                const QVariant v = salvagedValue(i < values.size() ? values[i] : QVariant(), fields[i].type);
                if (fields[i].type != FieldType::Blob) {
                    out.setValue(i, v);
                    continue;
                }
                if (!v.isValid())
                    continue;
                const std::optional<PageReader::Values> blob = pages.findRow(blobRoot, v.toLongLong());
                if (blob && blob->size() >= 2 && blob->at(1).typeId() == QMetaType::QByteArray)
                    out.writeBlob(i, blob->at(1).toByteArray());
                else
                    lost.pictureKeys << key;
            }
            try {
                out.post();
                keysRead.insert(key);
            } catch (const EngineError& e) {
                out.cancel();  // a duplicate key: the first row of that key stays
                if (e.kind() != EngineError::Kind::KeyViolation)
                    throw;
            }
        });
        lost.rows = damage.cells;
        // The primary index names the rows that could not be read.
        if (pkPos >= 0 && roots.contains(QStringLiteral("t_primary"))) {
            QSet<qint64> missing;
            pages.walkIndex(roots.value(QStringLiteral("t_primary")), [&](const PageReader::Values& entry) {
                if (!entry.isEmpty() && entry[0].isValid() && !keysRead.contains(entry[0].toLongLong()))
                    missing.insert(entry[0].toLongLong());
            });
            lost.rowKeys = QList<qint64>(missing.cbegin(), missing.cend());
            std::sort(lost.rowKeys.begin(), lost.rowKeys.end());
            lost.rows = std::max(lost.rows, int(lost.rowKeys.size()));
        }
        out.close();
    } catch (const EngineError&) {
        dropFresh();
        return false;
    }
    if (losses)
        *losses = lost;
    auto step = [](RebuildStep s) { return !rebuildProbe() || rebuildProbe()(s); };
    removeCompanions(fresh);
    if (!syncFile(fresh) || !step(RebuildStep::Written)) {
        dropFresh();
        return false;
    }
    // The old table stays at its path while its backup is made, and until the
    // new file takes its place in one rename.
    if (!backUpFile(path, backupPath) || !step(RebuildStep::BackedUp)) {
        dropFresh();
        return false;
    }
    // The old table was closed cleanly, so what SQLite left beside it holds
    // nothing to roll back; it must go before the new file takes the name.
    removeCompanions(path);
    if (!replaceFile(fresh, path)) {
        dropFresh();
        return false;
    }
    step(RebuildStep::Replaced);
    return true;
}

}  // namespace zb::engine
