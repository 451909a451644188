#include "support/table_damage.h"

#include <QFile>
#include <sqlite3.h>

namespace zbtest {

namespace {

quint32 be(const QByteArray& b, qsizetype at, int n)
{
    quint32 v = 0;
    for (int i = 0; i < n; ++i)
        v = v << 8 | quint8(b[at + i]);
    return v;
}

void putBe(QByteArray& b, qsizetype at, int n, quint32 v)
{
    for (int i = n - 1; i >= 0; --i, v >>= 8)
        b[at + i] = char(v & 0xFF);
}

qsizetype pageStart(const QByteArray& file, quint32 page) { return qsizetype(page - 1) * pageSize(file); }

}  // namespace

quint32 rootPage(const QString& path, const char* name)
{
    sqlite3* db = nullptr;
    quint32 root = 0;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_schema WHERE name = ?", -1, &s, nullptr) == SQLITE_OK) {
            sqlite3_bind_text(s, 1, name, -1, SQLITE_STATIC);
            if (sqlite3_step(s) == SQLITE_ROW)
                root = quint32(sqlite3_column_int64(s, 0));
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(db);
    return root;
}

int pageSize(const QByteArray& file)
{
    const quint32 size = be(file, 16, 2);
    return size == 1 ? 65536 : int(size);
}

quint32 childPage(const QByteArray& file, quint32 page, int cell)
{
    const qsizetype start = pageStart(file, page);
    const quint32 at = be(file, start + 12 + 2 * cell, 2);
    return be(file, start + at, 4);
}

void breakCellPointer(QByteArray& file, quint32 page, int cell)
{
    const qsizetype start = pageStart(file, page);
    const bool interior = file[start] == 5 || file[start] == 2;
    putBe(file, start + (interior ? 12 : 8) + 2 * cell, 2, 3);
}

void overwritePage(QByteArray& file, quint32 page)
{
    const qsizetype start = pageStart(file, page);
    for (int i = 0; i < pageSize(file); ++i)
        file[start + i] = char(0xA5);
}

bool breakPictureChain(QByteArray& file, char fill)
{
    const int size = pageSize(file);
    const QByteArray run(64, fill);
    for (qsizetype start = size; start + size <= file.size(); start += size) {
        // An overflow page: the next page's number, then content only.
        if (file.mid(start + 4, 64) != run || file.mid(start + size - 64, 64) != run || be(file, start, 4) == 0)
            continue;
        putBe(file, start, 4, 0x7FFFFFF0);
        return true;
    }
    return false;
}

}  // namespace zbtest
