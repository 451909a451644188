#pragma once
// Reading what is left of a damaged table file without SQLite: the B-trees of
// the file are walked page by page and cell by cell, so that one unreadable
// page or cell loses only what it holds, never the rows after it. Used by the
// rebuild of a damaged table; every page number, count and length read from
// the file is checked against the file before it is used.
#include <QFile>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <optional>

namespace zb::engine {

class PageReader {
public:
    // Opens the file for reading; isOpen() is false when it is no SQLite file.
    explicit PageReader(const QString& path);
    bool isOpen() const { return pageSize_ > 0; }

    // What a walk could not read.
    struct Damage {
        int cells = 0;  // cells that could not be read (a broken cell or its overflow chain)
        int pages = 0;  // pages (with everything below them) that could not be read
    };
    // The values of a stored row: null, qint64, double, QString (text) or
    // QByteArray (blob), one per column the record holds.
    using Values = QVariantList;

    // Every readable row of the table B-tree rooted at `root`, in rowid order.
    Damage walkTable(quint32 root, const std::function<void(qint64 rowid, const Values&)>& onRow);
    // Every readable entry of the index B-tree rooted at `root`, in key order:
    // the indexed columns, then the rowid.
    Damage walkIndex(quint32 root, const std::function<void(const Values&)>& onEntry);
    // The row with this rowid of the table B-tree rooted at `root`; nullopt
    // when it does not exist or cannot be read.
    std::optional<Values> findRow(quint32 root, qint64 rowid);

private:
    struct Node;
    bool readPage(quint32 no, QByteArray& page);
    std::optional<Node> node(quint32 no, QByteArray& page);
    std::optional<QByteArray> payload(const QByteArray& page, int at, qint64 size, bool index);
    void walk(quint32 no, int depth, bool index, Damage& damage, QSet<quint32>& seen,
              const std::function<bool(const QByteArray&, int at)>& onLeafCell);

    QFile file_;
    quint32 pageSize_ = 0;
    quint32 usable_ = 0;
    quint32 pageCount_ = 0;
};

}  // namespace zb::engine
