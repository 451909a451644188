#include "core/scripted_ports.h"
#include "imaging/fixtures.h"
#include "maintenance/backup.h"
#include "maintenance/job_fixture.h"
#include "maintenance/reclaim.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zb;
using zbtest::PhotoRow;

namespace {

struct Program {
    zbtest::TempDir dir;
    Folders folders = resolveFolders(dir.path(), NetworkSettings{}, SharedDecision{}, dir.path());
    ScriptedMessages m;
    ScriptedProgress progress;
    std::unique_ptr<TDataModule_Main> data;
    std::unique_ptr<JobLife> job;

    Program()
    {
        createFolders(folders, m);
        data = std::make_unique<TDataModule_Main>(folders, m);
        job = std::make_unique<JobLife>(folders, *data, m);
    }
};

PhotoRow photo(RECORD r, bool edited)
{
    PhotoRow p;
    p.record = r;
    p.imageOrg = zbtest::makeJpeg(80, 60);
    if (edited)
        p.imageNow = zbtest::makeJpeg(60, 80);
    p.album = "album";
    return p;
}

}  // namespace

TEST(Reclaim, ReplacesTheCompressedJobSilentlyAndLeavesNoPackage)
{
    Program p;
    zbtest::makeJob(p.folders.dataFile, "現場", {photo(1, true), photo(2, false)});
    zbtest::makeJob(p.folders.dataFile, kReclaimJobName, {photo(50, false)});  // an earlier one
    ASSERT_EQ(p.job->openChosen({"現場", {}}), JobLife::OpenResult::Opened);
    p.m.clear();

    p.m.reply(false);
    EXPECT_FALSE(RunReclaim(*p.job, *p.data, p.m, p.progress));
    EXPECT_EQ(p.job->name(), "現場");

    p.m.clear();
    EXPECT_TRUE(RunReclaim(*p.job, *p.data, p.m, p.progress));
    EXPECT_EQ(p.m.boxes(), (QStringList{"confirm: " + kReclaimQuestion, "information: " + kMaintenanceDone}));
    EXPECT_EQ(p.job->name(), kReclaimJobName);
    EXPECT_FALSE(QFileInfo::exists(reclaimPackagePath(p.folders.tempFile)));
    const JobPaths target{p.folders.dataFile, kReclaimJobName};
    EXPECT_EQ(zbtest::readAll(target.compressedMarker()), QByteArray("\x88\xb3\x8f\x6b\x8c\x60\x8e\xae\x83\x74\x83\x40\x83\x43\x83\x8b\r\n"));
    p.job->closeJob();
    const QList<PhotoRow> rows = zbtest::readRows(target.table());
    ASSERT_EQ(rows.size(), 2);
    for (const PhotoRow& r : rows) {
        EXPECT_TRUE(r.imageNow.isEmpty());
        EXPECT_TRUE(r.album.isEmpty());
    }
    QImage img;
    ASSERT_TRUE(img.loadFromData(rows[0].imageOrg, "JPEG"));
    EXPECT_EQ(img.size(), QSize(60, 80));  // the edited picture became the picture

    // Reclaiming the compressed job itself closes it first and works the same.
    ASSERT_EQ(p.job->openChosen({kReclaimJobName, {}}), JobLife::OpenResult::Opened);
    p.m.clear();
    EXPECT_TRUE(RunReclaim(*p.job, *p.data, p.m, p.progress));
    EXPECT_EQ(p.m.boxes().last(), "information: " + kMaintenanceDone);
    EXPECT_EQ(p.job->name(), kReclaimJobName);
}

TEST(Reclaim, AFailureSaysSoKeepsTheJobAndLeavesNoPackage)
{
    Program p;
    zbtest::makeJob(p.folders.dataFile, "現場", {photo(1, false)});
    ASSERT_EQ(p.job->openChosen({"現場", {}}), JobLife::OpenResult::Opened);
    p.m.clear();
    setPackageWriteProbe([](qint64 written) { return written < 2000; });
    EXPECT_TRUE(RunReclaim(*p.job, *p.data, p.m, p.progress));
    setPackageWriteProbe({});
    EXPECT_EQ(p.m.boxes(), (QStringList{"confirm: " + kReclaimQuestion, "information: " + kReclaimFailed}));
    EXPECT_EQ(p.job->name(), "現場");
    EXPECT_FALSE(QFileInfo::exists(reclaimPackagePath(p.folders.tempFile)));
    EXPECT_FALSE(QFileInfo::exists(JobPaths{p.folders.dataFile, kReclaimJobName}.treeFile()));
}

TEST(RestoreIntoProgram, RestoringOverTheOpenJobClosesItFirstAndOpensTheResult)
{
    Program p;
    zbtest::makeJob(p.folders.dataFile, "J", {photo(1, false), photo(2, false)});
    ASSERT_EQ(p.job->openChosen({"J", {}}), JobLife::OpenResult::Opened);
    const QString package = p.dir.file("J.ZBB");
    EXPECT_TRUE(BackupOpenJob(*p.job, *p.data, package, p.m, p.progress));
    EXPECT_EQ(p.m.boxes().last(), "information: " + kMaintenanceDone);
    EXPECT_EQ(backupConfirmText(p.folders.dataFile, "J"), p.folders.dataFile + "J/BACK のファイルは対象になりません");

    p.m.clear();
    p.m.reply(Messages::Answer::Yes);
    EXPECT_TRUE(RestoreIntoProgram(*p.job, package, p.m, p.progress));
    EXPECT_EQ(p.m.boxes(), (QStringList{"askThree: " + kRestoreNameExists, "information: " + kMaintenanceDone}));
    EXPECT_EQ(p.job->name(), "J");
    EXPECT_TRUE(p.data->photoTable().isOpen());
    EXPECT_EQ(p.data->photoTable().rowCount(), 2);

    // A damaged package leaves the open job open as it was.
    zbtest::writeAll(package, zbtest::readAll(package).first(3000));
    p.m.clear();
    p.m.reply(Messages::Answer::Yes);
    EXPECT_FALSE(RestoreIntoProgram(*p.job, package, p.m, p.progress));
    EXPECT_EQ(p.m.boxes().last(), "error: " + kPackageDamaged.arg("J.ZBB"));
    EXPECT_EQ(p.job->name(), "J");
    EXPECT_EQ(p.data->photoTable().rowCount(), 2);
}
