// The job life cycle: list, new, open, save, close, delete and rename of jobs.
#include "core/inifile.h"
#include "core/scripted_ports.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "store/photo_table.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace zb;

namespace {

// One program folder with its folders, data module and job life.
struct Program {
    zbtest::TempDir dir;
    ScriptedMessages messages;
    Folders folders;
    std::unique_ptr<TDataModule_Main> data;
    std::unique_ptr<JobLife> job;

    Program() { start(); }
    explicit Program(const QString& root) : folders(resolveFolders(root, {}, {}, root))
    {
        data = std::make_unique<TDataModule_Main>(folders, messages);
        job = std::make_unique<JobLife>(folders, *data, messages);
    }
    void start()
    {
        folders = resolveFolders(dir.path(), {}, {}, dir.path());
        createFolders(folders, messages);
        data = std::make_unique<TDataModule_Main>(folders, messages);
        job = std::make_unique<JobLife>(folders, *data, messages);
    }
    JobPaths paths(const QString& name) const { return {folders.dataFile, name}; }
};

// A photo table with the given rows; drawing[i] is REC_DRA1 of row i (0 for none).
void makeTable(const QString& path, const QList<RECORD>& rows, const QList<RECORD>& drawings = {})
{
    TTableNetWork t;
    const PhotoFields f = openOrCreatePhotoTable(path, {&t}, true);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        t.append();
        t.setValue(f[F_RECORD], rows[i]);
        t.setValue(f[F_REC_DRA1], i < drawings.size() ? drawings[i] : 0);
        t.post();
    }
    t.closeTable();
}

QStringList captions(const Hierarchy& h)
{
    QStringList out;
    for (const TreeFolder& f : h)
        out << QString(f.depth, QLatin1Char(' ')) + f.caption;
    return out;
}

QStringList defaultCaptions()
{
    return captions(defaultHierarchy());
}

}  // namespace

TEST(JobNew, NameRulesApplyBeforeTheJobIsCreated)
{
    struct Case {
        QString typed;
        QString created;  // empty: refused
    };
    const Case cases[] = {
        {QStringLiteral("A.B/C"), QStringLiteral("ABC")},
        {QStringLiteral("  現場 1  "), QStringLiteral("現場 1")},
        {QStringLiteral("../etc"), QStringLiteral("etc")},
        {QStringLiteral("..//"), {}},
        {QStringLiteral("   "), {}},
    };
    for (const Case& c : cases) {
        Program p;
        const auto result = p.job->createJob(c.typed, {});
        if (c.created.isEmpty()) {
            EXPECT_EQ(result, JobLife::OpenResult::Failed) << c.typed.toStdString();
            EXPECT_EQ(p.messages.boxes(), QStringList{QStringLiteral("warning: ") + kJobNameEmpty});
            EXPECT_TRUE(QDir(p.folders.dataFile).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
        } else {
            EXPECT_EQ(result, JobLife::OpenResult::Opened) << c.typed.toStdString();
            EXPECT_EQ(p.job->name(), c.created);
            EXPECT_TRUE(QFileInfo::exists(p.paths(c.created).treeFile()));
            EXPECT_TRUE(QFileInfo::exists(p.paths(c.created).table()));
        }
    }
}

TEST(JobNew, DefaultTreeMarkerHeaderAndFolders)
{
    Program p;
    IniFile comn(p.folders.userFile + QStringLiteral("ZBCOMN.LST"));
    comn.writeString(QStringLiteral("ComnPrg_Env"), QStringLiteral("JUkeoi"), QStringLiteral("山田建設"));
    comn.writeString(QStringLiteral("ComnPrg_Env"), QStringLiteral("JUkeoiCode"), QStringLiteral("123"));
    ASSERT_TRUE(comn.save().ok);

    ASSERT_EQ(p.job->createJob(QStringLiteral("橋梁"), {}), JobLife::OpenResult::Opened);
    EXPECT_TRUE(p.messages.boxes().isEmpty()) << p.messages.log.join('\n').toStdString();
    const JobPaths j = p.paths(QStringLiteral("橋梁"));
    const auto read = readTreeFile(j.treeFile());
    ASSERT_TRUE(read);
    EXPECT_EQ(captions(read->folders), defaultCaptions());
    EXPECT_EQ(read->folders.size(), 12);
    EXPECT_EQ(read->header.contractorName, QStringLiteral("山田建設"));
    EXPECT_EQ(read->header.contractorCode, QStringLiteral("123"));
    EXPECT_EQ(zbtest::readAll(j.openMarker()), QByteArray("\x83\x47\x83\x89\x81\x5b\x94\x46\x8e\xaf\x83\x74\x83\x40"
                                                          "\x83\x43\x83\x8b\r\n"));
    EXPECT_TRUE(QFileInfo(j.albumFolder()).isDir());
    EXPECT_TRUE(QFileInfo(j.backFolder()).isDir());
    EXPECT_FALSE(p.job->changed());
}

TEST(JobNew, DuplicateNamesAreRefusedWithoutRegardToCase)
{
    Program p;
    ASSERT_EQ(p.job->createJob(QStringLiteral("Bridge"), {}), JobLife::OpenResult::Opened);
    p.messages.clear();
    for (const QString& typed : {QStringLiteral("Bridge"), QStringLiteral(" BRIDGE "), QStringLiteral("bri.dge")}) {
        EXPECT_EQ(p.job->createJob(typed, {}), JobLife::OpenResult::Failed);
        EXPECT_EQ(p.messages.boxes(), QStringList{QStringLiteral("warning: ") + kJobNameExists});
        p.messages.clear();
    }
    EXPECT_EQ(p.job->name(), QStringLiteral("Bridge"));
}

TEST(JobNew, FromTemplateHasItsFoldersAndNoPhotos)
{
    Program p;
    Hierarchy t = defaultHierarchy();
    t.insert(3, TreeFolder{QStringLiteral("舗装"), 2, {7, 8}});
    ASSERT_TRUE(writeTemplate(p.folders.templateDir + QStringLiteral("道路.ZBT"), t));
    EXPECT_EQ(listTemplates(p.folders.templateDir), QStringList{QStringLiteral("道路")});
    makeTable(p.paths(QStringLiteral("新規工事")).table(), {1, 2});

    ASSERT_EQ(p.job->createJob(QStringLiteral("新規工事"), QStringLiteral("道路")), JobLife::OpenResult::Opened);
    const Hierarchy& h = p.job->file().folders;
    EXPECT_EQ(captions(h), captions(t));
    // The template's own photo references are not taken; rows already in the
    // table are kept within reach in 未分類.
    EXPECT_EQ(h[0].photos, (QList<RECORD>{1, 2}));
    for (qsizetype i = 1; i < h.size(); ++i)
        EXPECT_TRUE(h[i].photos.isEmpty()) << h[i].caption.toStdString();
    EXPECT_TRUE(p.messages.boxes().isEmpty());
}

TEST(JobNew, DamagedTemplateCreatesNothing)
{
    const QByteArray damaged[] = {QByteArray(), QByteArray("\x05\x00\x00\x00", 4), QByteArray(30, '\x7f')};
    for (const QByteArray& bytes : damaged) {
        Program p;
        zbtest::writeAll(p.folders.templateDir + QStringLiteral("壊れ.ZBT"), bytes);
        EXPECT_EQ(p.job->createJob(QStringLiteral("A"), QStringLiteral("壊れ")), JobLife::OpenResult::Failed);
        EXPECT_EQ(p.messages.boxes(), QStringList{QStringLiteral("error: ") + kTemplateDamaged.arg(QStringLiteral("壊れ"))});
        EXPECT_TRUE(jobFiles(p.folders.dataFile, QStringLiteral("A")).isEmpty());
        EXPECT_FALSE(p.job->isOpen());
    }
}

TEST(JobOpen, DeletedTreeFileGivesDefaultTreeWithEveryPhotoInUnclassified)
{
    Program p;
    // Row 3 is the drawing of row 1: it stays reachable through its photo.
    makeTable(p.paths(QStringLiteral("J")).table(), {5, 1, 3, 9}, {0, 3, 0, 0});
    ASSERT_EQ(p.job->createJob(QStringLiteral("J"), {}), JobLife::OpenResult::Opened);
    const Hierarchy& h = p.job->file().folders;
    EXPECT_EQ(captions(h), defaultCaptions());
    EXPECT_EQ(h[0].photos, (QList<RECORD>{1, 5, 9}));
    const auto read = readTreeFile(p.paths(QStringLiteral("J")).treeFile());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->folders[0].photos, (QList<RECORD>{1, 5, 9}));
}

TEST(JobOpen, DamagedTreeFileOpensWithWhatCouldBeReadAndLosesNoRow)
{
    Program p;
    const JobPaths j = p.paths(QStringLiteral("J"));
    makeTable(j.table(), {1, 2, 3, 4});
    Hierarchy h = defaultHierarchy();
    h[3].photos = {2, 1};
    h[4].photos = {3, 4};
    QByteArray bytes = encodeHeader(JobHeader{}) + encodeHierarchy(h, true);
    bytes.chop(52 * 10);  // the last folders and photo references are lost
    zbtest::writeAll(j.treeFile(), bytes);

    ASSERT_TRUE(p.job->openChosen({QStringLiteral("J"), {}}) == JobLife::OpenResult::Opened);
    EXPECT_EQ(p.messages.boxes(),
              (QStringList{QStringLiteral("warning: ") + kTreeFileDamaged.arg(QStringLiteral("J.ZBD"), QStringLiteral("J.ZBD.BAK")),
                           QStringLiteral("information: ") + kUnlistedRowsRecovered.arg(2)}));
    const Hierarchy& got = p.job->file().folders;
    EXPECT_EQ(got[3].photos, (QList<RECORD>{2, 1}));
    EXPECT_EQ(got[0].photos, (QList<RECORD>{3, 4}));
    EXPECT_EQ(got.back().caption, kRecycleCaption);
    EXPECT_EQ(zbtest::readAll(j.treeFile() + QStringLiteral(".BAK")), bytes);
}

TEST(JobOpen, NotClosedProperlyWarnsExactlyOnceAfterAKilledProcess)
{
    zbtest::TempDir dir;
    {
        Program first(dir.path());
        createFolders(first.folders, first.messages);
        ASSERT_EQ(first.job->createJob(QStringLiteral("J"), {}), JobLife::OpenResult::Opened);
        first.job->closeJob();
        EXPECT_FALSE(QFileInfo::exists(first.paths(QStringLiteral("J")).openMarker()));
    }
    zbtest::Signal opened;
    const int pid = zbtest::forkChild([&] {
        Program child(dir.path());
        if (!child.job->openJob(QStringLiteral("J"), true))
            return 1;
        opened.notify();
        for (;;)
            pause();
    });
    ASSERT_EQ(opened.wait(), '!');
    ::kill(pid, SIGKILL);
    EXPECT_EQ(zbtest::waitChild(pid), -SIGKILL);

    Program again(dir.path());
    ASSERT_TRUE(again.job->openJob(QStringLiteral("J"), true));
    EXPECT_EQ(again.messages.boxes(), QStringList{QStringLiteral("warning: ") + kNotClosedProperly});
    again.job->closeJob();
    again.messages.clear();
    ASSERT_TRUE(again.job->openJob(QStringLiteral("J"), true));
    EXPECT_TRUE(again.messages.boxes().isEmpty());
}

// A process killed while it was adding rows (an import cut short) leaves rows
// the saved tree does not list: the next open puts them into 未分類, after the
// photos already there, and leaves drawings and filed rows where they are.
TEST(JobOpen, RowsLeftOutOfTheTreeByAKilledProcessGoToUnclassified)
{
    zbtest::TempDir dir;
    {
        Program first(dir.path());
        createFolders(first.folders, first.messages);
        makeTable(first.paths(QStringLiteral("J")).table(), {1, 2});
        ASSERT_EQ(first.job->createJob(QStringLiteral("J"), {}), JobLife::OpenResult::Opened);
        // Row 2 is moved to a folder of its own; 未分類 keeps row 1.
        first.job->file().folders[0].photos = {1};
        first.job->file().folders[4].photos = {2};
        first.job->setChanged();
        first.job->closeJob();
    }
    zbtest::Signal posted;
    const int pid = zbtest::forkChild([&] {
        Program child(dir.path());
        if (!child.job->openJob(QStringLiteral("J"), true))
            return 1;
        TTableNetWork& t = child.data->photoTable();
        PhotoFields f;
        f.lookUp(t);
        // Rows 3 to 5 are posted; row 5 is a drawing of row 3.
        for (RECORD r : {3, 4, 5}) {
            t.append();
            t.setValue(f[F_RECORD], r);
            t.setValue(f[F_REC_DRA1], r == 3 ? 5 : 0);
            t.post();
        }
        t.flushBuffers();
        posted.notify();
        for (;;)
            pause();
    });
    ASSERT_EQ(posted.wait(), '!');
    ::kill(pid, SIGKILL);
    EXPECT_EQ(zbtest::waitChild(pid), -SIGKILL);

    Program again(dir.path());
    ASSERT_TRUE(again.job->openJob(QStringLiteral("J"), true));
    EXPECT_EQ(again.messages.boxes(), (QStringList{QStringLiteral("warning: ") + kNotClosedProperly,
                                                   QStringLiteral("information: ") + kUnlistedRowsRecovered.arg(2)}));
    EXPECT_EQ(again.job->file().folders[0].photos, (QList<RECORD>{1, 3, 4}));
    EXPECT_EQ(again.job->file().folders[4].photos, QList<RECORD>{2});
    // Saved at once: the next open finds nothing to gather.
    EXPECT_EQ(readTreeFile(again.paths(QStringLiteral("J")).treeFile())->folders[0].photos, (QList<RECORD>{1, 3, 4}));
    again.job->closeJob();
    again.messages.clear();
    ASSERT_TRUE(again.job->openJob(QStringLiteral("J"), true));
    EXPECT_TRUE(again.messages.boxes().isEmpty());
    EXPECT_EQ(again.job->file().folders[0].photos, (QList<RECORD>{1, 3, 4}));
}

TEST(JobOpen, AJobHeldByAnotherProcessIsRefusedAndTheCurrentJobStaysOpen)
{
    zbtest::TempDir dir;
    Program p(dir.path());
    createFolders(p.folders, p.messages);
    ASSERT_EQ(p.job->createJob(QStringLiteral("A"), {}), JobLife::OpenResult::Opened);
    ASSERT_EQ(p.job->createJob(QStringLiteral("B"), {}), JobLife::OpenResult::Opened);
    ASSERT_TRUE(p.job->openJob(QStringLiteral("A"), true));
    p.job->setChanged();
    p.job->file().folders[0].photos = {42};

    zbtest::Signal opened, done;
    const int pid = zbtest::forkChild([&] {
        Program child(dir.path());
        if (!child.job->openJob(QStringLiteral("B"), true))
            return 1;
        opened.notify();
        done.wait();
        child.job->closeJob();
        return 0;
    });
    ASSERT_EQ(opened.wait(), '!');
    p.messages.clear();

    QStringList shown;
    p.job->hooks.chooseJob = [&](const QString& current) -> std::optional<JobChoice> {
        shown << current;
        if (shown.size() == 1)
            return JobChoice{QStringLiteral("B"), {}};
        return std::nullopt;  // the user leaves the list
    };
    EXPECT_FALSE(p.job->openJob());
    EXPECT_EQ(shown, (QStringList{QStringLiteral("A"), QStringLiteral("A")}));
    EXPECT_EQ(p.messages.boxes(), QStringList{QStringLiteral("warning: ") + kJobInUse});
    EXPECT_EQ(p.job->name(), QStringLiteral("A"));
    EXPECT_EQ(p.data->photoTable().path(), p.paths(QStringLiteral("A")).table());
    EXPECT_TRUE(QFileInfo::exists(p.paths(QStringLiteral("A")).openMarker()));
    // The current job was saved before the list was shown.
    EXPECT_EQ(readTreeFile(p.paths(QStringLiteral("A")).treeFile())->folders[0].photos, QList<RECORD>{42});

    // A forced open fails outright.
    p.messages.clear();
    EXPECT_FALSE(p.job->openJob(QStringLiteral("B"), true));
    EXPECT_EQ(p.job->name(), QStringLiteral("A"));

    // Neither delete nor rename touches the held job.
    ScriptedMessages m;
    EXPECT_EQ(deleteJob(p.folders.dataFile, QStringLiteral("B"), m), JobDeleteResult::Failed);
    m.replyText(QStringLiteral("C"));
    EXPECT_FALSE(renameJob(p.folders.dataFile, QStringLiteral("B"), m));
    EXPECT_EQ(m.boxes(), (QStringList{QStringLiteral("confirm: ") + kDeleteJobConfirm,
                                      QStringLiteral("warning: ") + kDeleteJobFailed,
                                      QStringLiteral("input: ") + kRenameJobCaption + '/' + kRenameJobPrompt,
                                      QStringLiteral("warning: ") + kJobInUse}));
    EXPECT_TRUE(QFileInfo::exists(p.paths(QStringLiteral("B")).table()));
    EXPECT_TRUE(QFileInfo::exists(p.paths(QStringLiteral("B")).treeFile()));

    done.notify();
    EXPECT_EQ(zbtest::waitChild(pid), 0);
}

TEST(JobSave, TreeWrittenOnlyWhenChangedAndTemplateWithoutPhotos)
{
    Program p;
    ASSERT_EQ(p.job->createJob(QStringLiteral("J"), {}), JobLife::OpenResult::Opened);
    const QString tree = p.paths(QStringLiteral("J")).treeFile();
    int collected = 0;
    p.job->hooks.collect = [&] {
        ++collected;
        p.job->file().folders[3].photos = {4, 5};
        p.job->file().header.projectName = QStringLiteral("国道");
    };
    QFile::remove(tree);
    EXPECT_TRUE(p.job->saveJob());
    EXPECT_FALSE(QFileInfo::exists(tree));  // no changed mark: nothing written
    p.job->setChanged();
    EXPECT_TRUE(p.job->saveJob());
    EXPECT_EQ(collected, 2);
    const auto read = readTreeFile(tree);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->folders[3].photos, (QList<RECORD>{4, 5}));
    EXPECT_EQ(read->header.projectName, QStringLiteral("国道"));

    const QString templ = p.folders.templateDir + QStringLiteral("J.ZBT");
    ASSERT_TRUE(p.job->saveTemplate(templ));
    const auto t = readTemplate(templ);
    ASSERT_TRUE(t);
    EXPECT_EQ(captions(*t), defaultCaptions());
    EXPECT_EQ(zbtest::readAll(templ), encodeHierarchy(*t, false));
}

TEST(JobList, RowsSortingAndCaptions)
{
    Program p;
    auto job = [&](const QString& name, const QString& type, quint8 progress) {
        JobHeader h;
        h.projectType = type;
        h.progress = progress;
        h.author = QStringLiteral("作者");
        ASSERT_TRUE(writeTreeFile(p.paths(name).treeFile(), TreeFile{h, defaultHierarchy()}));
    };
    job(QStringLiteral("b"), QStringLiteral("河川"), 6);
    job(QStringLiteral("A"), QStringLiteral("道路"), 1);
    job(QStringLiteral("c"), QStringLiteral("河川"), 9);
    zbtest::writeAll(p.folders.dataFile + QStringLiteral("c.DB"), "x");

    QList<JobRow> rows = listJobs(p.folders.dataFile);
    auto names = [&] {
        QStringList n;
        for (const JobRow& r : rows)
            n << r.name;
        return n.join(',');
    };
    sortJobRows(rows, 1);
    EXPECT_EQ(names(), QStringLiteral("A,b,c"));
    sortJobRows(rows, -1);
    EXPECT_EQ(names(), QStringLiteral("c,b,A"));
    sortJobRows(rows, 2);  // ties by name
    EXPECT_EQ(names(), QStringLiteral("b,c,A"));
    EXPECT_EQ(rows[0].progress, QStringLiteral("完成"));
    EXPECT_EQ(rows[1].progress, QString());  // a byte beyond the list
    EXPECT_EQ(rows[2].progress, QStringLiteral("工事情報/編集中"));
    EXPECT_EQ(rows[0].author, QStringLiteral("作者"));
    EXPECT_TRUE(QDateTime::fromString(rows[0].modifiedText, QStringLiteral("yyyy/MM/dd hh:mm")).isValid());

    EXPECT_EQ(nextDataSort(1, 1), -1);
    EXPECT_EQ(nextDataSort(-1, 1), 1);
    EXPECT_EQ(nextDataSort(-1, 3), 3);
    EXPECT_EQ(jobColumnCaption(1, 1), QStringLiteral("名称↓"));
    EXPECT_EQ(jobColumnCaption(1, -1), QStringLiteral("名称↑"));
    EXPECT_EQ(jobColumnCaption(2, -1), QStringLiteral("事業種別"));
}

TEST(JobFiles, DeleteRemovesEveryFileAndTheFolderButNothingElse)
{
    Program p;
    ASSERT_EQ(p.job->createJob(QStringLiteral("A"), {}), JobLife::OpenResult::Opened);
    ASSERT_EQ(p.job->createJob(QStringLiteral("AB"), {}), JobLife::OpenResult::Opened);
    zbtest::writeAll(p.paths(QStringLiteral("A")).albumFolder() + QStringLiteral("1.ZBA"), "x");
    zbtest::writeAll(p.folders.dataFile + QStringLiteral("A.CMP"), "x");
    // A link inside the job's folder to a folder outside: the outside stays.
    const QString outside = p.dir.file(QStringLiteral("outside"));
    QDir().mkpath(outside);
    zbtest::writeAll(outside + QStringLiteral("/keep.txt"), "k");
    QFile::link(outside, p.paths(QStringLiteral("A")).folder() + QStringLiteral("link"));

    p.messages.reply(false);
    EXPECT_EQ(deleteJob(p.folders.dataFile, QStringLiteral("A"), p.messages), JobDeleteResult::Cancelled);
    EXPECT_TRUE(QFileInfo::exists(p.paths(QStringLiteral("A")).table()));

    EXPECT_EQ(deleteJob(p.folders.dataFile, QStringLiteral("A"), p.messages), JobDeleteResult::Deleted);
    EXPECT_TRUE(jobFiles(p.folders.dataFile, QStringLiteral("A")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(p.folders.dataFile + QStringLiteral("A")));
    EXPECT_TRUE(QFileInfo::exists(outside + QStringLiteral("/keep.txt")));
    EXPECT_TRUE(QFileInfo::exists(p.paths(QStringLiteral("AB")).treeFile()));

    // Hostile names never reach the file system.
    for (const QString& name : {QStringLiteral("../outside"), QString(), QStringLiteral("x/..")}) {
        p.messages.clear();
        EXPECT_EQ(deleteJob(p.folders.dataFile, name, p.messages), JobDeleteResult::Failed);
        EXPECT_EQ(p.messages.boxes(), QStringList{QStringLiteral("warning: ") + kDeleteJobFailed});
    }
    EXPECT_TRUE(QFileInfo::exists(outside + QStringLiteral("/keep.txt")));
}

TEST(JobFiles, RenameMovesEveryFileAndAsksAgainForATakenName)
{
    Program p;
    ASSERT_EQ(p.job->createJob(QStringLiteral("old"), {}), JobLife::OpenResult::Opened);
    ASSERT_EQ(p.job->createJob(QStringLiteral("Other"), {}), JobLife::OpenResult::Opened);
    zbtest::writeAll(p.paths(QStringLiteral("old")).albumFolder() + QStringLiteral("1.ZBA"), "x");
    const QStringList before = jobFiles(p.folders.dataFile, QStringLiteral("old"));
    p.messages.clear();

    p.messages.replyText(QStringLiteral("OTHER"));
    p.messages.replyText(QStringLiteral(" new.name "));
    EXPECT_EQ(renameJob(p.folders.dataFile, QStringLiteral("old"), p.messages), QStringLiteral("newname"));
    EXPECT_EQ(p.messages.boxes(), (QStringList{QStringLiteral("input: ") + kRenameJobCaption + '/' + kRenameJobPrompt,
                                               QStringLiteral("warning: ") + kJobNameExists,
                                               QStringLiteral("input: ") + kRenameJobCaption + '/' + kRenameJobPrompt}));
    EXPECT_TRUE(jobFiles(p.folders.dataFile, QStringLiteral("old")).isEmpty());
    QStringList after = jobFiles(p.folders.dataFile, QStringLiteral("newname"));
    EXPECT_EQ(after.size(), before.size());
    EXPECT_TRUE(QFileInfo::exists(p.paths(QStringLiteral("newname")).albumFolder() + QStringLiteral("1.ZBA")));
    EXPECT_FALSE(QFileInfo::exists(p.folders.dataFile + QStringLiteral("old")));

    // The renamed job opens as it was.
    EXPECT_TRUE(p.job->openJob(QStringLiteral("newname"), true));
    EXPECT_EQ(captions(p.job->file().folders), defaultCaptions());

    p.messages.replyText(std::nullopt);
    EXPECT_FALSE(renameJob(p.folders.dataFile, QStringLiteral("Other"), p.messages));
}

TEST(JobNew, MissingTemplateCreatesNothing)
{
    for (const QString& name : {QStringLiteral("無い"), QStringLiteral("../DATAFILE/x")}) {
        Program p;
        EXPECT_EQ(p.job->createJob(QStringLiteral("A"), name), JobLife::OpenResult::Failed);
        EXPECT_EQ(p.messages.boxes(), QStringList{QStringLiteral("error: ") + kTemplateMissing.arg(name)});
        EXPECT_TRUE(jobFiles(p.folders.dataFile, QStringLiteral("A")).isEmpty());
    }
}

// A tree file that cannot be written (here a folder stands where it would go)
// keeps the job open with its changes: neither a switch to another job, nor a
// new job, nor closing drops them or the marker.
TEST(JobSave, FailedSaveKeepsTheJobOpenAndItsMarker)
{
    Program p;
    ASSERT_EQ(p.job->createJob(QStringLiteral("B"), {}), JobLife::OpenResult::Opened);
    ASSERT_EQ(p.job->createJob(QStringLiteral("A"), {}), JobLife::OpenResult::Opened);
    const JobPaths a = p.paths(QStringLiteral("A"));
    ASSERT_TRUE(QFile::remove(a.treeFile()));
    ASSERT_TRUE(QDir().mkpath(a.treeFile()));
    p.job->file().folders[3].caption = QStringLiteral("未保存の変更");
    p.job->setChanged();
    p.messages.log.clear();

    int listShown = 0;
    p.job->hooks.chooseJob = [&](const QString&) -> std::optional<JobChoice> {
        ++listShown;
        return JobChoice{QStringLiteral("B"), {}};
    };
    EXPECT_FALSE(p.job->openJob());
    EXPECT_EQ(listShown, 0);  // the list is not even shown
    EXPECT_EQ(p.job->createJob(QStringLiteral("C"), {}), JobLife::OpenResult::Refused);
    EXPECT_FALSE(QFileInfo::exists(p.paths(QStringLiteral("C")).treeFile()));
    EXPECT_FALSE(p.job->closeJob());
    EXPECT_EQ(p.job->save(), SaveResult::Failed);

    EXPECT_EQ(p.job->name(), QStringLiteral("A"));
    EXPECT_TRUE(p.job->changed());
    EXPECT_TRUE(p.job->photoTable().isOpen());
    EXPECT_TRUE(QFileInfo::exists(a.openMarker()));
    EXPECT_EQ(p.job->file().folders[3].caption, QStringLiteral("未保存の変更"));
    const QStringList boxes = p.messages.boxes();
    ASSERT_EQ(boxes.size(), 4);  // one message for each refused step, nothing else
    for (const QString& b : boxes)
        EXPECT_TRUE(b.startsWith(QStringLiteral("error: ") + kTreeSaveFailed.arg(QString()))) << b.toStdString();

    // Once the file can be written again, the switch goes through and saves first.
    ASSERT_TRUE(QDir(a.treeFile()).removeRecursively());
    EXPECT_TRUE(p.job->openJob());
    EXPECT_EQ(p.job->name(), QStringLiteral("B"));
    EXPECT_FALSE(QFileInfo::exists(a.openMarker()));
    const auto saved = readTreeFile(a.treeFile());
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->folders[3].caption, QStringLiteral("未保存の変更"));
}

// Any failure of the probe shows the in-use message, with what the table engine
// said after it when the table is not simply held elsewhere.
TEST(JobOpen, ProbeFailureShowsTheInUseMessageWithTheDetail)
{
    Program p;
    zbtest::writeAll(p.paths(QStringLiteral("X")).table(), QByteArray(4096, 'x'));
    EXPECT_FALSE(p.job->openJob(QStringLiteral("X"), true));
    const QStringList boxes = p.messages.boxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("warning: ") + kJobInUse + QStringLiteral("\r\n"))) << boxes[0].toStdString();
    EXPECT_GT(boxes[0].size(), (QStringLiteral("warning: ") + kJobInUse + QStringLiteral("\r\n")).size());
    EXPECT_FALSE(p.job->isOpen());
}
