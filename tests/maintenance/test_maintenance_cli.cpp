#include "imaging/fixtures.h"
#include "maintenance/job_fixture.h"
#include "store/job_files.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zb;

namespace {

zbtest::ProgramRun zbcli(const QString& root, QStringList args)
{
    args.prepend(root);
    args.prepend(QStringLiteral("--root"));
    return zbtest::runProgram(QStringLiteral(ZBCLI_PATH), args);
}

zbtest::PhotoRow row(zb::RECORD r)
{
    zbtest::PhotoRow p;
    p.record = r;
    p.imageOrg = zbtest::makeJpeg(16 + r, 16);
    return p;
}

}  // namespace

TEST(MaintenanceCli, BackupRestoreRepairPackTemplate)
{
    zbtest::TempDir dir;
    const QString root = dir.path();
    const QString data = root + "/DATAFILE/";
    Hierarchy tree = defaultHierarchy();
    tree[0].photos = {1, 7};  // 7 was lost
    zbtest::makeJob(data, "現場", {row(1), row(2)}, tree);
    const QString pkg = dir.file("現場.ZBB");

    const struct {
        QStringList args;
        int code;
        QByteArray out;
    } steps[] = {
        {{"backup", "現場"}, 2, ""},
        {{"backup", "現場", pkg, "--bogus"}, 2, ""},
        {{"backup", "無い", pkg}, 1, ""},
        {{"backup", "現場", pkg}, 0, ""},
        {{"backup", "現場", pkg}, 1, ""},  // refuses an existing file
        {{"backup", "現場", pkg, "--compressed", "--overwrite"}, 0, ""},
        {{"restore", pkg}, 1, ""},  // refuses an existing job
        {{"restore", pkg, "--as", "写/し"}, 0, "写し\n"},
        {{"restore", pkg, "--overwrite"}, 0, "現場\n"},
        {{"restore"}, 2, ""},
        {{"restore", dir.file("none.ZBB")}, 1, ""},
        {{"repair", "写し"}, 3, "工事階層不明データが 1 件ありました。\n>工事階層を修正しました。\n\n写真不明データが 1 件ありました。\n>未分類に戻しました。\n"},
        {{"repair", "写し"}, 0, "データに問題はありませんでした。\n"},
        {{"repair"}, 2, ""},
        {{"pack", "写し"}, 0, ""},
        {{"template", "写し", dir.file("t.ZBT")}, 0, ""},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.args.join(' ').toStdString());
        const zbtest::ProgramRun r = zbcli(root, s.args);
        EXPECT_EQ(r.code, s.code) << r.err.toStdString();
        EXPECT_EQ(r.out.toStdString(), s.out.toStdString());
        if (s.code != 0 && s.code != 3) {
            EXPECT_FALSE(r.err.isEmpty());
        }
    }
    EXPECT_EQ(zbtest::readRows(JobPaths{data, "写し"}.table()).size(), 2);
    EXPECT_TRUE(QFileInfo(dir.file("t.ZBT")).size() > 4);
    EXPECT_EQ(readTreeFile(JobPaths{data, "写し"}.treeFile())->folders[0].photos, (QList<RECORD>{1, 2}));
}
