#include "album/page_ops.h"

#include <QDir>
#include <QFile>
#include <utility>
#include <vector>

namespace zb::album {

namespace {

// Renames noted in order, undone last first when one is refused.
class RenameRun {
public:
    RenameRun(GrphWork& work, const RenameFile& rename) : work_(work), rename_(rename) {}
    ~RenameRun() { work_.rescan(); }

    bool move(const QString& from, const QString& to)
    {
        // Never over an existing file, whatever the platform's rename does.
        if (QFile::exists(to) || !QFile::exists(from))
            return false;
        const bool ok = rename_ ? rename_(from, to) : QFile::rename(from, to);
        if (ok)
            done_.emplace_back(from, to);
        return ok;
    }
    bool movePage(int from, int to) { return move(work_.pagePath(from), work_.pagePath(to)); }
    // Puts every renamed file back.
    void undo()
    {
        for (auto it = done_.rbegin(); it != done_.rend(); ++it)
            if (!QFile::exists(it->first))
                QFile::rename(it->second, it->first);
        done_.clear();
        recoverParked();
    }
    QString parked() const { return QDir(work_.folder()).filePath(parkedFileName()); }
    // A page left parked (its way back refused too) takes the first free number.
    void recoverParked()
    {
        if (!QFile::exists(parked()))
            return;
        for (int n = 1; n <= kMaxPage; ++n)
            if (!QFile::exists(work_.pagePath(n)) && QFile::rename(parked(), work_.pagePath(n)))
                return;
    }

private:
    GrphWork& work_;
    const RenameFile& rename_;
    std::vector<std::pair<QString, QString>> done_;
};

bool fileExists(const GrphWork& work, int page) { return QFile::exists(work.pagePath(page)); }

}  // namespace

QString parkedFileName() { return QStringLiteral("_GRPHTEMP.MOV"); }

bool canInsertPages(const GrphWork& work, int lastPage, int count)
{
    if (count < 1 || count > kMaxPage - lastPage)
        return false;
    for (int n = kMaxPage - count + 1; n <= kMaxPage; ++n)
        if (work.exists(n))
            return false;
    return true;
}

bool insertBlankPages(GrphWork& work, int at, int count, const RenameFile& rename)
{
    if (at < 1 || count < 1)
        return false;
    RenameRun run(work, rename);
    for (int n = kMaxPage - 1; n >= at; --n) {
        if (!fileExists(work, n))
            continue;
        if (n + count > kMaxPage || !run.movePage(n, n + count)) {
            run.undo();
            return false;
        }
    }
    return true;
}

bool movePage(GrphWork& work, int from, int to, const RenameFile& rename)
{
    if (from < 1 || from > kMaxPage || to < 1 || to > kMaxPage)
        return false;
    if (from == to)
        return true;
    RenameRun run(work, rename);
    const bool had = fileExists(work, from);
    if (had && !run.move(work.pagePath(from), run.parked())) {
        run.undo();
        return false;
    }
    bool ok = true;
    if (to > from) {
        for (int n = from + 1; n <= to && ok; ++n)
            if (fileExists(work, n))
                ok = run.movePage(n, n - 1);
    } else {
        for (int n = from - 1; n >= to && ok; --n)
            if (fileExists(work, n))
                ok = run.movePage(n, n + 1);
    }
    if (ok && had)
        ok = run.move(run.parked(), work.pagePath(to));
    if (!ok) {
        run.undo();
        return false;
    }
    return true;
}

bool deletePage(GrphWork& work, int page, const RenameFile& rename)
{
    if (page < 1 || page > kMaxPage)
        return false;
    RenameRun run(work, rename);
    // The page waits parked until the others have moved, so that a refused
    // move can put it back.
    const bool had = fileExists(work, page);
    if (had && !run.move(work.pagePath(page), run.parked())) {
        run.undo();
        return false;
    }
    for (int n = page + 1; n <= kMaxPage; ++n)
        if (fileExists(work, n) && !run.movePage(n, n - 1)) {
            run.undo();
            return false;
        }
    if (had && !QFile::remove(run.parked())) {
        run.undo();
        return false;
    }
    return true;
}

QMap<int, QByteArray> keepPagesFrom(const GrphWork& work, int first)
{
    QMap<int, QByteArray> kept;
    for (int n : work.pages())
        if (n >= first)
            kept.insert(n, work.read(n));
    return kept;
}

bool restorePagesFrom(GrphWork& work, int first, const QMap<int, QByteArray>& kept)
{
    bool restored = true;
    for (int n : work.pages())
        if (n >= first && !kept.contains(n))
            restored = work.remove(n) && restored;
    for (auto it = kept.constBegin(); it != kept.constEnd(); ++it)
        restored = work.write(it.key(), it.value()) && restored;
    return restored;
}

}  // namespace zb::album
