#include "core/scripted_ports.h"
#include "core/sjis.h"
#include "delivery/delivery_import.h"
#include "delivery/ui/delivery_commands.h"
#include "delivery/ui/xml_tree_form.h"
#include "delivery_fixtures.h"
#include "imaging/ui/folder_form.h"
#include "settings/settings.h"
#include "store/data_module.h"
#include "store/job_life.h"
#include "workspace/hierarchy_model.h"
#include "workspace/job_workspace.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace zb;
using zbtest::JobFixture;
using zbtest::TestPhoto;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_delivery_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

TEST(DeliveryForms, FolderFormModesTellWhetherTheFolderServes)
{
    app();
    zbtest::TempDir dir;
    QDir().mkpath(dir.file("set"));
    QDir().mkpath(dir.file("full/PHOTO"));
    QDir().mkpath(dir.file("full/ALBUM"));
    zbtest::writeAll(dir.file("set/PHOTO.XML"), "<photodata></photodata>\r\n");
    TFolderForm form;
    QString shown;
    form.showXml = [&](const QString& f) { shown = f; };

    form.setMode(TFolderForm::kModeXmlRead);
    form.setMessage(kImportFolderMessage);
    form.setFolder(dir.file("set"));
    EXPECT_EQ(form.messageLabel->text(), kImportFolderMessage + " ( 読み込みできます )");
    EXPECT_FALSE(form.xmlButton->isHidden());
    EXPECT_TRUE(form.originalBox->isHidden());
    QTest::mouseClick(form.xmlButton, Qt::LeftButton);
    EXPECT_EQ(shown, dir.file("set/PHOTO.XML"));
    form.setFolder(dir.file("full"));
    EXPECT_EQ(form.messageLabel->text(), kImportFolderMessage + " ( 【PHOTO.XML】がありません )");
    EXPECT_FALSE(form.okButton->isEnabled());

    form.setMode(TFolderForm::kModeXmlWrite);
    form.setMessage(kExportFolderMessage);
    EXPECT_FALSE(form.viewerBox->isHidden());
    EXPECT_EQ(form.viewerBox->count(), 3);
    EXPECT_EQ(form.okButton->text(), "実行(&R)");
    EXPECT_EQ(form.messageLabel->text(), kExportFolderMessage + " ( 【PHOTO】フォルダが既に存在します )");
    EXPECT_FALSE(form.discSizeBox->isEnabled());
    form.discBox->click();
    EXPECT_TRUE(form.discSizeBox->isEnabled());
    EXPECT_EQ(form.messageLabel->text(), kExportFolderMessage + " ( 保存できます )");
    EXPECT_TRUE(form.okButton->isEnabled());
    form.discSizeBox->setValue(9);
    EXPECT_EQ(form.messageLabel->text(), kExportFolderMessage + " ( ディスクイメージの範囲が不正です )");
    EXPECT_FALSE(form.okButton->isEnabled());
    form.discSizeBox->setValue(10);
    EXPECT_TRUE(form.okButton->isEnabled());

    form.setMode(TFolderForm::kModeHtml);
    form.setMessage(kHtmlFolderMessage);
    EXPECT_TRUE(form.viewerBox->isHidden());
    EXPECT_FALSE(form.originalBox->isHidden());
    EXPECT_EQ(form.messageLabel->text(), kHtmlFolderMessage + " ( 【ALBUM】フォルダが既に存在します )");
    form.setFolder(dir.file("set"));
    EXPECT_EQ(form.messageLabel->text(), kHtmlFolderMessage + " ( 保存できます )");
    QTest::mouseClick(form.okButton, Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST(DeliveryForms, TheStandardListLocksThePictureBoxAndTheViewer)
{
    app();
    JobFixture fx;
    fx.finish();
    ScriptedMessages m;
    ScriptedProgress progress;
    TDataModule_Main data(fx.folders, m);
    JobLife job(fx.folders, data, m);
    HierarchyModel tree;
    TDeliveryCommands commands(job, tree, m, progress, nullptr);
    QStringList seen;
    bool checked = false;
    // The dialog as the command shows it, driven while it is open.
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TFolderForm*>(QApplication::activeModalWidget());
        ASSERT_TRUE(form);
        for (int i = 0; i < form->standardBox->count(); ++i)
            seen << form->standardBox->itemText(i);
        EXPECT_FALSE(form->standardBox->isHidden());
        EXPECT_EQ(form->standardBox->currentText(), QStringLiteral("土木202003-01 (令和2年3月)"));
        EXPECT_TRUE(form->originalBox->isChecked());
        EXPECT_FALSE(form->originalBox->isEnabled());
        EXPECT_FALSE(form->viewerBox->isEnabled());
        EXPECT_EQ(form->viewer(), 0);
        form->standardBox->setCurrentIndex(form->standardBox->count() - 1);
        EXPECT_TRUE(form->originalBox->isEnabled());
        EXPECT_FALSE(form->originalBox->isChecked());  // the draft's remembered choice
        EXPECT_EQ(form->viewer(), 2);
        form->standardBox->setCurrentIndex(0);
        EXPECT_FALSE(form->viewerBox->isEnabled());
        form->okButton->click();
        checked = true;
    });
    const QString out = fx.folder("out");
    const std::optional<TDeliveryCommands::FolderChoice> c = commands.chooseFolder(
        TFolderForm::kModeXmlWrite, kExportCaption, kExportFolderMessage,
        TDeliveryCommands::FolderChoice{out, false, 2, false, 650, QStringLiteral("土木202003-01")});
    ASSERT_TRUE(checked);
    EXPECT_EQ(seen, QStringList({"土木202303-01 (令和5年3月)", "土木202003-01 (令和2年3月)", "土木201603-01 (平成28年3月)",
                                 "土木201009-01 (平成22年9月)", "土木200805-01 (平成20年5月)", "旧形式（PHOTO.DTD）"}));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->standard, QStringLiteral("土木202303-01"));

    // Mode 1 has the check button; it checks the chosen folder.
    QTimer::singleShot(0, [&] {
        auto* form = qobject_cast<TFolderForm*>(QApplication::activeModalWidget());
        ASSERT_TRUE(form);
        EXPECT_EQ(form->checkButton->text(), kDeliveryCheckCaption);
        EXPECT_TRUE(form->standardBox->isHidden());
        form->checkButton->click();
        form->cancelButton->click();
    });
    zbtest::writeAll(out + "/PHOTO.XML", "<photodata");
    m.clear();
    EXPECT_FALSE(commands.chooseFolder(TFolderForm::kModeXmlRead, kImportCaptionXml, kImportFolderMessage,
                                       TDeliveryCommands::FolderChoice{out}));
    ASSERT_EQ(m.boxes().size(), 1);
    EXPECT_TRUE(m.boxes()[0].startsWith("information: XMLファイルのフォーマットが不正です。")) << m.log.join("\n").toStdString();
}

TEST(DeliveryForms, NewFolderAsksUntilTheNameServes)
{
    zbtest::TempDir dir;
    QDir().mkpath(dir.file("taken"));
    ScriptedMessages m;
    m.replyText(QStringLiteral(" ?*/ "));
    m.replyText(QStringLiteral("taken"));
    m.replyText(QStringLiteral(" 新:現場. "));
    EXPECT_EQ(askNewFolder(dir.path(), m), dir.file("新現場"));
    EXPECT_TRUE(QFileInfo(dir.file("新現場")).isDir());
    EXPECT_EQ(m.log, (QStringList{"input: 新規フォルダの作成/フォルダ名:", "beep", "input: 新規フォルダの作成/フォルダ名:",
                                  "information: 同一のフォルダ名が既に存在します。", "input: 新規フォルダの作成/フォルダ名:"}));
    m.clear();
    m.replyText(std::nullopt);
    EXPECT_EQ(askNewFolder(dir.path(), m), QString());
}

TEST(DeliveryForms, TheTreeWindowShowsValuesInTheCaptions)
{
    app();
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("a.xml"), sjis::toBytes(QStringLiteral("<d><g><写真タイトル>A&amp;B</写真タイトル></g><h><x>1</x></h></d>\r\n")));
    zbtest::writeAll(dir.file("bad.xml"), "<d>");
    ScriptedMessages m;
    TXMLTreeForm form(m);
    EXPECT_EQ(form.windowTitle(), "ＸＭＬデータ内容");
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    ASSERT_TRUE(form.showFile(dir.file("a.xml"), false, false));
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.parserLabel->text(), "TORVEN XML Parser 使用");
    QTreeWidgetItem* top = form.tree->topLevelItem(0);
    ASSERT_TRUE(top);
    EXPECT_EQ(form.tree->currentItem(), top);
    QTreeWidgetItem* title = top->child(0)->child(0);
    EXPECT_EQ(title->text(0), QStringLiteral("写真タイトル") + QString(20, ' ') + "A&B");
    EXPECT_TRUE(top->child(1)->isExpanded());
    form.tree->setCurrentItem(title);
    QTest::mouseClick(form.collapseButton, Qt::LeftButton);
    EXPECT_TRUE(top->child(0)->isExpanded());
    EXPECT_FALSE(top->child(1)->isExpanded());
    QTest::mouseClick(form.expandButton, Qt::LeftButton);
    EXPECT_TRUE(top->child(1)->isExpanded());
    EXPECT_FALSE(form.showFile(dir.file("bad.xml"), true, false));
    EXPECT_EQ(m.log.value(0), "beep");
    EXPECT_TRUE(m.log.value(1).startsWith("information: XMLファイルのフォーマットが不正です。"));
    EXPECT_TRUE(form.showFile(dir.file("a.xml"), true, false));
    EXPECT_EQ(form.parserLabel->text(), "libxml2 XML Parser 使用");
    form.close();
}

// The commands on a real job life: export, import (twice, the second time
// with ＸＭＬ入力 open) and the album with the browser.
TEST(DeliveryCommands, WriteReadAndAlbum)
{
    app();
    JobFixture fx;
    fx.add(TestPhoto{1, {{F_TITLE, QStringLiteral("一枚目")}}});
    fx.tree = {{kUnclassifiedCaption, 0, {}}, {kPhotoRootCaption, 0, {}}, {QStringLiteral("工事"), 1, {}},
               {QStringLiteral("施工状況写真"), 2, {1}}, {kRecycleCaption, 0, {}}};
    fx.finish();
    ScriptedMessages m;
    ScriptedProgress progress;
    TDataModule_Main data(fx.folders, m);
    JobLife job(fx.folders, data, m);
    HierarchyModel tree;
    JobWorkspace workspace(job, tree, m);
    ASSERT_EQ(job.openChosen({QStringLiteral("JOB"), QString()}), JobLife::OpenResult::Opened);
    m.clear();
    TDeliveryCommands commands(job, tree, m, progress, nullptr);
    QStringList asked;
    QList<std::optional<TDeliveryCommands::FolderChoice>> answers;
    commands.chooseFolder = [&](int mode, const QString& caption, const QString&, const TDeliveryCommands::FolderChoice&) {
        asked << QString::number(mode) + ":" + caption;
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    };
    QString opened;
    commands.openBrowser = [&](const QString& page) {
        opened = page;
        return true;
    };
    const QString out = fx.folder("out");

    // The missing-input check finds the gaps; Yes goes on to the folder
    // dialog. The delivery check then finds the missing date; Yes writes.
    m.reply(true);
    m.reply(true);
    answers << TDeliveryCommands::FolderChoice{out, false, 0, false, 650, QStringLiteral("土木202303-01")};
    commands.writeXml();
    EXPECT_EQ(asked, QStringList{"2:写真管理情報基準（案）／ＸＭＬ保存"});
    ASSERT_EQ(m.boxes().size(), 3) << m.log.join("\n").toStdString();
    EXPECT_TRUE(m.boxes()[0].startsWith("ask: "));
    EXPECT_TRUE(m.boxes()[1].startsWith("ask: 電子納品チェックで次の問題が見つかりました。\r\n\r\n[エラー] シリアル番号 1: "
                                        "P0000001.JPG: 撮影年月日がないか空です。"))
        << m.boxes()[1].toStdString();
    EXPECT_EQ(m.boxes()[2], "information: " + kExportDoneNoViewer);
    EXPECT_EQ(appSettings().xmlSavePath, out);
    EXPECT_EQ(appSettings().photoStandard, QStringLiteral("土木202303-01"));
    EXPECT_TRUE(QFileInfo::exists(out + "/PHOTO/PIC/P0000001.JPG"));

    m.clear();
    asked.clear();
    answers << TDeliveryCommands::FolderChoice{out} << TDeliveryCommands::FolderChoice{out + "/PHOTO"};
    commands.readXml();
    EXPECT_EQ(asked, (QStringList{"1:写真管理情報基準（案）／ＸＭＬ読込", "1:写真管理情報基準（案）／ＸＭＬ読込"}));
    EXPECT_EQ(m.boxes().value(0), "information: " + kImportNoXml);
    ASSERT_EQ(job.name(), kXmlImportJob);
    EXPECT_EQ(tree.selected(), tree.unclassified());
    ASSERT_TRUE(tree.findPath(QStringLiteral("工事写真/工事/施工状況写真")));
    EXPECT_EQ(tree.findPath(QStringLiteral("工事写真/工事/施工状況写真"))->photos, QList<RECORD>{1});

    // Again, with ＸＭＬ入力 open: it is replaced.
    m.clear();
    answers << TDeliveryCommands::FolderChoice{out + "/PHOTO"};
    commands.readXml();
    EXPECT_EQ(job.name(), kXmlImportJob);
    EXPECT_EQ(m.boxes(), QStringList()) << m.log.join("\n").toStdString();
    EXPECT_EQ(tree.findPath(QStringLiteral("工事写真/工事/施工状況写真"))->photos, QList<RECORD>{1});

    m.clear();
    answers << TDeliveryCommands::FolderChoice{out};
    commands.writeHtml();
    EXPECT_EQ(opened, out + "/ALBUM/ALBUM.HTM");
    EXPECT_TRUE(QFileInfo::exists(out + "/ALBUM/HTML/PAGE2.HTM"));
    job.closeJob();
}

}  // namespace
