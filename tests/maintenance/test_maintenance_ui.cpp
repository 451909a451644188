#include "core/scripted_ports.h"
#include "maintenance/backup.h"
#include "maintenance/copy_jobs.h"
#include "maintenance/job_fixture.h"
#include "maintenance/table_repair.h"
#include "maintenance/ui/cop_form.h"
#include "maintenance/ui/maintenance_commands.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <memory>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_maintenance_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

zbtest::PhotoRow row(zb::RECORD r)
{
    zbtest::PhotoRow p;
    p.record = r;
    p.imageOrg = "\xFF\xD8\xFF" + QByteArray::number(r);
    return p;
}

}  // namespace

// The job 現場 with the given photos, open, and the window's maintenance commands.
class MaintenanceCommandsUi : public ::testing::Test {
protected:
    zbtest::TempDir dir;
    Folders folders;
    ScriptedMessages m;
    ScriptedProgress progress;
    std::unique_ptr<TDataModule_Main> data_;
    std::unique_ptr<JobLife> job_;
    std::unique_ptr<TMaintenanceCommands> commands_;

    void openJob(const QList<zbtest::PhotoRow>& rows)
    {
        app();
        folders = resolveFolders(dir.path(), NetworkSettings{}, SharedDecision{}, dir.path());
        createFolders(folders, m);
        zbtest::makeJob(folders.dataFile, "現場", rows);
        data_ = std::make_unique<TDataModule_Main>(folders, m);
        job_ = std::make_unique<JobLife>(folders, *data_, m);
        ASSERT_EQ(job_->openChosen({"現場", {}}), JobLife::OpenResult::Opened);
        commands_ = std::make_unique<TMaintenanceCommands>(*job_, *data_, m, progress, nullptr);
    }
};

TEST(CopFormUi, ListsBothSidesAndCopiesTheSelectionByItsButton)
{
    app();
    zbtest::TempDir dir;
    const QString local = dir.path() + "/local/", shared = dir.path() + "/shared/";
    for (const QString& root : {local, shared})
        for (CopyKind k : {CopyKind::Data, CopyKind::Template})
            QDir().mkpath(copyKindFolder(root, k));
    zbtest::makeJob(copyKindFolder(local, CopyKind::Data), "甲", {row(1)});
    zbtest::makeJob(copyKindFolder(local, CopyKind::Data), "乙", {row(2)});
    zbtest::writeAll(copyKindFolder(shared, CopyKind::Template) + "標準.ZBT", "t");

    ScriptedMessages m;
    EXPECT_FALSE(TCopForm::execute(local, local, m));
    EXPECT_EQ(m.boxes(), QStringList{"information: " + kCopySameFolders});

    TCopForm form(local, shared, m);
    form.show();
    EXPECT_EQ(form.windowTitle(), "工事データ/環境の複写");
    ASSERT_EQ(form.localList()->count(), 2);
    EXPECT_EQ(form.sharedList()->count(), 0);
    EXPECT_TRUE(form.localList()->item(0)->isSelected());  // the first entry
    form.localList()->selectAll();
    m.clear();
    QTest::mouseClick(form.button("Button_ToCommon"), Qt::LeftButton);
    EXPECT_EQ(m.boxes().last(), "information: 複写が終了しました。");
    EXPECT_EQ(form.sharedList()->count(), 2);  // listed again
    EXPECT_TRUE(QFileInfo::exists(copyKindFolder(shared, CopyKind::Data) + "甲.ZBD"));

    QTest::mouseClick(form.button("Button_Kind3"), Qt::LeftButton);  // テンプレート
    EXPECT_EQ(form.kind(), CopyKind::Template);
    EXPECT_EQ(form.localList()->count(), 0);
    ASSERT_EQ(form.sharedList()->count(), 1);
    EXPECT_EQ(form.sharedList()->item(0)->text(), "標準");
    QTest::mouseClick(form.button("Button_ToLocal"), Qt::LeftButton);
    EXPECT_EQ(form.localList()->count(), 1);
}

TEST_F(MaintenanceCommandsUi, BackupAsksWithTheBackFolderAndRemembersTheFolder)
{
    openJob({row(1)});
    TDataModule_Main& data = *data_;
    JobLife& job = *job_;
    TMaintenanceCommands& commands = *commands_;
    QString remembered;
    commands.hooks.setBackupFolder = [&](const QString& f) { remembered = f; };
    QString proposed;
    commands.chooseSaveFile = [&](const QString& caption, const QString& proposal, const QString& filter) {
        EXPECT_EQ(caption, "バックアップの保存");
        EXPECT_EQ(filter, "*.ZBB");
        proposed = proposal;
        return dir.file("out/現場");
    };
    QDir().mkpath(dir.file("out"));
    m.clear();
    commands.backup();
    EXPECT_EQ(proposed, folders.dataFile + "現場.ZBB");
    EXPECT_EQ(m.boxes(), (QStringList{"ask: " + folders.dataFile + "現場/BACK のファイルは対象になりません",
                                      "information: 処理は正常に終了しました。"}));
    EXPECT_TRUE(QFileInfo::exists(dir.file("out/現場.ZBB")));
    EXPECT_EQ(remembered, dir.file("out") + "/");

    // データ修復 without the outside program in the program folder.
    m.clear();
    bool closed = false;
    commands.hooks.closeWindow = [&] { closed = true; };
    commands.dataRepair();
    EXPECT_EQ(m.boxes(), (QStringList{"ask: " + kDataRepairQuestion, "error: 指定のプロセスは実行出来ませんでした。Er=2"}));
    EXPECT_FALSE(closed);
    job.closeJob();
}

TEST_F(MaintenanceCommandsUi, RestoreFromTheJobListClosesTheOpenTargetAndGivesItsName)
{
    openJob({row(1), row(2)});
    TDataModule_Main& data = *data_;
    JobLife& job = *job_;
    TMaintenanceCommands& commands = *commands_;
    const QString package = dir.file("現場.ZBB");
    ASSERT_TRUE(BackupOpenJob(job, data, package, m, progress));
    QString folderShown;
    commands.chooseOpenFile = [&](const QString& caption, const QString& folder, const QString&) {
        EXPECT_EQ(caption, "バックアップから戻す");
        folderShown = folder;
        return package;
    };
    m.clear();
    m.reply(Messages::Answer::Yes);
    EXPECT_EQ(commands.restoreFromList(), std::optional<QString>("現場"));
    EXPECT_EQ(folderShown, folders.dataFile);
    EXPECT_EQ(m.boxes(), (QStringList{"askThree: " + kRestoreNameExists, "information: 処理は正常に終了しました。"}));
    EXPECT_FALSE(job.isOpen());  // the list opens it
    EXPECT_EQ(job.openChosen({"現場", {}}), JobLife::OpenResult::Opened);
    EXPECT_EQ(data.photoTable().rowCount(), 2);

    // Cancel at the question: nothing restored, the open job stays open.
    m.clear();
    m.reply(Messages::Answer::Cancel);
    EXPECT_EQ(commands.restoreFromList(), std::nullopt);
    EXPECT_TRUE(job.isOpen());
    job.closeJob();
}

TEST_F(MaintenanceCommandsUi, RestoreIntoTheProgramExpandsTheTree)
{
    openJob({row(1)});
    TDataModule_Main& data = *data_;
    JobLife& job = *job_;
    TMaintenanceCommands& commands = *commands_;
    const QString package = dir.file("現場.ZBB");
    ASSERT_TRUE(BackupOpenJob(job, data, package, m, progress));
    commands.chooseOpenFile = [&](const QString&, const QString&, const QString&) { return package; };
    int expanded = 0;
    commands.hooks.expandTree = [&] { ++expanded; };
    // Cancelled at the name question: nothing restored, the tree stays as it is.
    m.reply(Messages::Answer::Cancel);
    commands.restore();
    EXPECT_EQ(expanded, 0);
    m.reply(Messages::Answer::Yes);
    commands.restore();
    EXPECT_EQ(expanded, 1) << m.log.join('\n').toStdString();
    EXPECT_TRUE(job.isOpen());
    job.closeJob();
}
