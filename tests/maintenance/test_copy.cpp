#include "core/scripted_ports.h"
#include "maintenance/copy_jobs.h"
#include "maintenance/job_fixture.h"
#include "store/engine/table.h"
#include "store/job_files.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zb;

namespace {

struct Sides {
    zbtest::TempDir dir;
    QString local = dir.path() + "/local/";
    QString shared = dir.path() + "/shared/";
    Sides()
    {
        for (const QString& root : {local, shared})
            for (CopyKind k : {CopyKind::Data, CopyKind::Master, CopyKind::UserFiles, CopyKind::Template, CopyKind::Format})
                QDir().mkpath(copyKindFolder(root, k));
    }
    QString data(bool isLocal) const { return copyKindFolder(isLocal ? local : shared, CopyKind::Data); }
};

zbtest::PhotoRow row(zb::RECORD r)
{
    zbtest::PhotoRow p;
    p.record = r;
    p.imageOrg = "\xFF\xD8\xFF" + QByteArray::number(r);
    return p;
}

QString jobQuestion()
{
    return "confirm: 選択している 『ローカルフォルダ』 の工事データを 『共有フォルダ』 に複写します。\r\n\r\n"
           "他のユーザーが作業している工事データに関しては複写できません。\r\n"
           "(複写できない場合や同名の工事データが存在する場合は「警告」が表示されます)";
}

}  // namespace

TEST(CopyDialog, RefusesEqualOrMissingFolders)
{
    Sides s;
    EXPECT_EQ(copyFoldersProblem(s.local, s.local), kCopySameFolders);
    EXPECT_EQ(copyFoldersProblem(s.local, s.local + "../local"), kCopySameFolders);
    EXPECT_EQ(copyFoldersProblem(s.local, s.dir.path() + "/none"), kCopyNoShared);
    EXPECT_EQ(copyFoldersProblem(s.dir.path() + "/none", s.shared), kCopyNoLocal);
    EXPECT_EQ(copyFoldersProblem(s.local, s.shared), std::nullopt);
}

TEST(CopyDialog, CopiesJobsByTheirOwnNamesAndSkipsAJobInUse)
{
    Sides s;
    zbtest::makeJob(s.data(true), "A", {row(1)}, {}, {{"a.ZBA", "album"}});
    zbtest::makeJob(s.data(true), "A.x", {row(2)});
    zbtest::makeJob(s.data(true), "B", {row(3)});
    zbtest::makeJob(s.data(true), "C", {row(4)});
    EXPECT_EQ(copyEntries(s.data(true), CopyKind::Data), (QStringList{"A", "A.x", "B", "C"}));

    zbtest::Signal held, release;
    const int pid = zbtest::forkChild([&] {
        engine::Table t;
        t.open(s.data(true) + "B.DB", true);
        held.notify();
        release.wait();
        return 0;
    });
    ASSERT_EQ(held.wait(), '!');
    ScriptedMessages m;
    ScriptedProgress progress;
    EXPECT_TRUE(copySelected(CopyKind::Data, s.data(true), s.data(false), true, {"A", "B", "C", "gone"}, m, progress));
    release.notify();
    EXPECT_EQ(zbtest::waitChild(pid), 0);
    EXPECT_EQ(m.boxes(), (QStringList{jobQuestion(),
                                      "information: 『ローカルフォルダ』 の工事データは他のユーザーによって使用中です。\r\n > B",
                                      "information: この工事データは他のユーザーによって削除されました。\r\n > gone",
                                      "information: 複写が終了しました。"}));
    EXPECT_EQ(progress.started, 4);
    EXPECT_EQ(copyEntries(s.data(false), CopyKind::Data), (QStringList{"A", "C"}));
    EXPECT_EQ(zbtest::readAll(JobPaths{s.data(false), "A"}.albumFolder() + "a.ZBA"), "album");
    EXPECT_TRUE(QFileInfo::exists(JobPaths{s.data(false), "A"}.treeFile()));
    EXPECT_FALSE(QFileInfo::exists(s.data(false) + "A.x.ZBD"));
    EXPECT_EQ(zbtest::readRows(s.data(false) + "C.DB")[0].record, 4);
    EXPECT_TRUE(QDir(s.data(false)).entryList({".copy-*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
}

TEST(CopyDialog, OverwriteReplacesTheOldJobOnlyWhenTheCopySucceeded)
{
    Sides s;
    zbtest::makeJob(s.data(false), "J", {row(1)}, {}, {{"old.ZBA", "old"}});
    zbtest::makeJob(s.data(false), "J.x", {row(9)});
    zbtest::makeJob(s.data(true), "J", {row(2)}, {}, {{"new.ZBA", "new"}});
    const QString q = "ask: この工事データは複写先に存在します 上書きしますか？\r\n > J";

    // No: nothing happens to the destination.
    ScriptedMessages no;
    no.reply(true);
    no.reply(false);
    ScriptedProgress progress;
    copySelected(CopyKind::Data, s.data(true), s.data(false), true, {"J"}, no, progress);
    EXPECT_EQ(no.boxes().mid(1), (QStringList{q, "information: 複写が終了しました。"}));
    EXPECT_EQ(zbtest::readRows(s.data(false) + "J.DB")[0].record, 1);

    // A copy that fails halfway keeps the old job whole.
    setCopyFileProbe([](const QString& f) { return !f.endsWith("new.ZBA"); });
    ScriptedMessages failing;
    copySelected(CopyKind::Data, s.data(true), s.data(false), true, {"J"}, failing, progress);
    setCopyFileProbe({});
    EXPECT_EQ(failing.boxes().mid(1), (QStringList{q, "information: 『ローカルフォルダ』 の工事データの複写に失敗しました。\r\n > J",
                                                   "information: 複写が終了しました。"}));
    EXPECT_EQ(zbtest::readRows(s.data(false) + "J.DB")[0].record, 1);
    EXPECT_EQ(zbtest::readAll(JobPaths{s.data(false), "J"}.albumFolder() + "old.ZBA"), "old");

    // Yes: the destination's folder goes with its files, the source's comes; J.x stays.
    ScriptedMessages yes;
    copySelected(CopyKind::Data, s.data(true), s.data(false), true, {"J"}, yes, progress);
    EXPECT_EQ(zbtest::readRows(s.data(false) + "J.DB")[0].record, 2);
    EXPECT_FALSE(QFileInfo::exists(JobPaths{s.data(false), "J"}.albumFolder() + "old.ZBA"));
    EXPECT_EQ(zbtest::readAll(JobPaths{s.data(false), "J"}.albumFolder() + "new.ZBA"), "new");
    EXPECT_EQ(zbtest::readRows(s.data(false) + "J.x.DB")[0].record, 9);
}

TEST(CopyDialog, TemplatesFormatsMastersAndUserFilesUseTheirWords)
{
    Sides s;
    const QString tl = copyKindFolder(s.local, CopyKind::Template), ts = copyKindFolder(s.shared, CopyKind::Template);
    zbtest::writeAll(tl + "T1.ZBT", "new1");
    zbtest::writeAll(tl + "T2.ZBT", "new2");
    zbtest::writeAll(ts + "T1.ZBT", "old1");
    ScriptedMessages m;
    m.reply(true);
    m.reply(false);  // T1 stays
    ScriptedProgress progress;
    copySelected(CopyKind::Template, ts, tl, false, {"T1", "T2"}, m, progress);  // shared to local
    copySelected(CopyKind::Template, tl, ts, true, {"T1", "T2"}, m, progress);
    EXPECT_EQ(m.boxes(), (QStringList{
                             "confirm: 選択している 『共有フォルダ』 のテンプレートを 『ローカルフォルダ』 に複写します。",
                             "ask: このテンプレートは複写先に存在します 上書きしますか？\r\n > T1",
                             "information: このテンプレートは他のユーザーによって削除されました。\r\n > T2",
                             "information: 複写が終了しました。",
                             "confirm: 選択している 『ローカルフォルダ』 のテンプレートを 『共有フォルダ』 に複写します。",
                             "ask: このテンプレートは複写先に存在します 上書きしますか？\r\n > T1",
                             "information: 複写が終了しました。"}));
    EXPECT_EQ(zbtest::readAll(ts + "T1.ZBT"), "new1");
    EXPECT_EQ(zbtest::readAll(ts + "T2.ZBT"), "new2");

    const QString ml = copyKindFolder(s.local, CopyKind::Master), ms = copyKindFolder(s.shared, CopyKind::Master);
    engine::Table::create(ml + "基本マスタ.DB", {{"LEVEL", engine::FieldType::Integer, 0}}, {});
    engine::Table::create(ms + "基本マスタ.DB", {{"LEVEL", engine::FieldType::Integer, 0}}, {});
    ScriptedMessages mm;
    mm.reply(true);
    mm.reply(false);
    copySelected(CopyKind::Master, ml, ms, true, {"基本マスタ", "無い"}, mm, progress);
    EXPECT_EQ(mm.boxes().mid(1), (QStringList{"ask: このマスタは複写先に存在します 上書きしますか？\r\n > 基本マスタ",
                                              "information: このマスタは他のユーザーによって削除されました。\r\n > 無い",
                                              "information: 複写が終了しました。"}));
    EXPECT_TRUE(mm.boxes()[0].contains("他のユーザーが作業しているマスタに関しては複写できません。"));

    zbtest::writeAll(copyKindFolder(s.local, CopyKind::UserFiles) + "ZBMENU.LST", "menu");
    ScriptedMessages u;
    copySelected(CopyKind::UserFiles, copyKindFolder(s.local, CopyKind::UserFiles),
                 copyKindFolder(s.shared, CopyKind::UserFiles), true, {kUserFilesEntry}, u, progress);
    EXPECT_EQ(u.boxes(), (QStringList{"confirm: 選択している 『ローカルフォルダ』 の項目メニュー/環境ファイルを 『共有フォルダ』 に複写します。",
                                      "information: 複写が終了しました。"}));
    EXPECT_EQ(zbtest::readAll(copyKindFolder(s.shared, CopyKind::UserFiles) + "ZBMENU.LST"), "menu");
}
