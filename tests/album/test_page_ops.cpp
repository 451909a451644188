// Page insert, move and delete on work files: the page numbers that result,
// and a rename refused at any step leaving every page exactly once, where it was.
#include "album/page_ops.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace zb::album;

namespace {

// Pages as their contents by number ("p2" is the page first written as 2).
QMap<int, QByteArray> contents(const GrphWork& work)
{
    QMap<int, QByteArray> out;
    for (int n : work.pages())
        out.insert(n, work.read(n));
    return out;
}

void writePages(GrphWork& work, const QList<int>& pages)
{
    for (int n : pages)
        ASSERT_TRUE(work.write(n, "p" + QByteArray::number(n)));
}

QMap<int, QByteArray> expected(const QList<QPair<int, int>>& numberFromOld)
{
    QMap<int, QByteArray> out;
    for (const auto& [now, old] : numberFromOld)
        out.insert(now, "p" + QByteArray::number(old));
    return out;
}

// A rename that refuses its `failAt`-th call (1-based), 0 never.
RenameFile refusing(int failAt, int* calls)
{
    return [failAt, calls](const QString& from, const QString& to) {
        if (++*calls == failAt)
            return false;
        return QFile::rename(from, to);
    };
}

}  // namespace

TEST(PageOps, InsertMoveAndDeleteRenumberThePages)
{
    zbtest::TempDir dir;
    GrphWork work(dir.path());
    writePages(work, {1, 2, 3, 4, 5});

    ASSERT_TRUE(movePage(work, 2, 5));
    EXPECT_EQ(contents(work), expected({{1, 1}, {2, 3}, {3, 4}, {4, 5}, {5, 2}}));
    ASSERT_TRUE(movePage(work, 5, 2));
    EXPECT_EQ(contents(work), expected({{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}));

    ASSERT_TRUE(insertBlankPages(work, 2, 2));
    EXPECT_EQ(contents(work), expected({{1, 1}, {4, 2}, {5, 3}, {6, 4}, {7, 5}}));
    ASSERT_TRUE(deletePage(work, 4));
    EXPECT_EQ(contents(work), expected({{1, 1}, {4, 3}, {5, 4}, {6, 5}}));
    // Deleting an absent page closes the gap.
    ASSERT_TRUE(deletePage(work, 2));
    EXPECT_EQ(contents(work), expected({{1, 1}, {3, 3}, {4, 4}, {5, 5}}));
    // Moving to a page beyond the last leaves a gap behind.
    ASSERT_TRUE(movePage(work, 1, 8));
    EXPECT_EQ(contents(work), expected({{2, 3}, {3, 4}, {4, 5}, {8, 1}}));
    EXPECT_FALSE(QFile::exists(work.folder() + "/" + parkedFileName()));
}

TEST(PageOps, InsertRoomBeforeTheLastPage)
{
    zbtest::TempDir dir;
    GrphWork work(dir.path());
    writePages(work, {1, 996});
    EXPECT_FALSE(canInsertPages(work, 996, 5));
    EXPECT_TRUE(canInsertPages(work, 996, 3));
    EXPECT_FALSE(canInsertPages(work, 996, 0));
    writePages(work, {999});
    EXPECT_FALSE(canInsertPages(work, 999, 1));
    // A page at 999 is never replaced: the insert is refused and nothing moved.
    EXPECT_FALSE(insertBlankPages(work, 2, 3));
    EXPECT_EQ(contents(work), expected({{1, 1}, {996, 996}, {999, 999}}));
    ASSERT_TRUE(insertBlankPages(work, 2, 1));
    EXPECT_EQ(contents(work), expected({{1, 1}, {997, 996}, {999, 999}}));
}

TEST(PageOps, ARefusedRenameAtAnyStepPutsEveryPageBack)
{
    const QMap<int, QByteArray> before = expected({{1, 1}, {2, 2}, {3, 3}, {5, 5}, {6, 6}});
    struct Op {
        const char* name;
        std::function<bool(GrphWork&, const RenameFile&)> run;
    } ops[] = {
        {"move 2 to 6", [](GrphWork& w, const RenameFile& r) { return movePage(w, 2, 6, r); }},
        {"move 6 to 1", [](GrphWork& w, const RenameFile& r) { return movePage(w, 6, 1, r); }},
        {"insert 3 at 2", [](GrphWork& w, const RenameFile& r) { return insertBlankPages(w, 2, 3, r); }},
        {"delete 2", [](GrphWork& w, const RenameFile& r) { return deletePage(w, 2, r); }},
    };
    for (const Op& op : ops) {
        for (int failAt = 1; failAt <= 6; ++failAt) {
            zbtest::TempDir dir;
            GrphWork work(dir.path());
            writePages(work, {1, 2, 3, 5, 6});
            int calls = 0;
            const bool ok = op.run(work, refusing(failAt, &calls));
            if (ok) {
                EXPECT_LT(calls, failAt) << op.name;
                continue;
            }
            EXPECT_EQ(contents(work), before) << op.name << " refused at " << failAt;
            work.rescan();
            EXPECT_EQ(contents(work), before) << op.name << " refused at " << failAt;
        }
    }
}

// The process killed after any number of renames of a move, an insert or a
// delete: every page's content is still in exactly one file of the folder
// (a page file or the parked page), none lost and none doubled.
TEST(PageOps, AKilledPageOperationLeavesEveryPageExactlyOnce)
{
    struct Op {
        const char* name;
        std::function<bool(GrphWork&, const RenameFile&)> run;
        bool deletes;
    } ops[] = {
        {"move 2 to 6", [](GrphWork& w, const RenameFile& r) { return movePage(w, 2, 6, r); }, false},
        {"move 6 to 1", [](GrphWork& w, const RenameFile& r) { return movePage(w, 6, 1, r); }, false},
        {"insert 3 at 2", [](GrphWork& w, const RenameFile& r) { return insertBlankPages(w, 2, 3, r); }, false},
        {"delete 2", [](GrphWork& w, const RenameFile& r) { return deletePage(w, 2, r); }, true},
    };
    for (const Op& op : ops) {
        for (int killAt = 1; killAt <= 6; ++killAt) {
            zbtest::TempDir dir;
            GrphWork work(dir.path());
            writePages(work, {1, 2, 3, 5, 6});
            const pid_t child = fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                int calls = 0;
                op.run(work, [&calls, killAt](const QString& from, const QString& to) {
                    if (++calls == killAt)
                        raise(SIGKILL);
                    return QFile::rename(from, to);
                });
                _exit(0);
            }
            int status = 0;
            ASSERT_EQ(waitpid(child, &status, 0), child);
            QMap<QByteArray, int> seen;
            const QDir folder(work.folder());
            for (const QString& name : folder.entryList(QDir::Files))
                if (name.startsWith(QStringLiteral("_GRPHTEMP."))) {
                    QFile f(folder.filePath(name));
                    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
                    ++seen[f.readAll()];
                }
            for (const char* page : {"p1", "p2", "p3", "p5", "p6"}) {
                // A delete that went through has no p2 any more; otherwise every page is there.
                const bool deleted = op.deletes && WIFEXITED(status) && QByteArray(page) == "p2";
                EXPECT_EQ(seen.value(page), deleted ? 0 : 1) << op.name << " killed at " << killAt << ": " << page;
            }
        }
    }
}

// Pages kept before an operation that may stop midway come back as they
// were; pages before the kept range are left alone.
TEST(PageOps, KeptPagesArePutBack)
{
    zbtest::TempDir dir;
    GrphWork work(dir.path());
    writePages(work, {1, 2, 3, 5});
    const QMap<int, QByteArray> kept = keepPagesFrom(work, 2);
    EXPECT_EQ(kept.keys(), (QList<int>{2, 3, 5}));
    ASSERT_TRUE(work.write(1, "changed 1"));
    ASSERT_TRUE(work.write(2, "poured 2"));
    ASSERT_TRUE(work.remove(3));
    ASSERT_TRUE(work.write(7, "poured 7"));
    ASSERT_TRUE(restorePagesFrom(work, 2, kept));
    QMap<int, QByteArray> want = expected({{2, 2}, {3, 3}, {5, 5}});
    want.insert(1, "changed 1");
    EXPECT_EQ(contents(work), want);
}
