// The album editor driven as a user would: pouring photos from the main
// window, page navigation, insert, move and delete from the ページ menu and
// its keys, undo of a run of Ｗ edits, and the save question on closing.
#include "album/page_ops.h"
#include "album/shipped_formats.h"
#include "album/ui/album_commands.h"
#include "album/ui/cap_form.h"
#include "album/ui/file_sel_form.h"
#include "album/ui/grph_main_form.h"
#include "album/ui/parts_panel.h"
#include "album/ui/prv_form.h"
#include "core/scripted_ports.h"
#include "core/sjis.h"
#include "items/ui/add_form.h"
#include "core/text.h"
#include "settings/settings.h"
#include "support/temp_dir.h"
#include "../imaging/fixtures.h"
#include "workspace/ui/photo_list_view.h"
#include "workspace/ui/tree_view.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QCheckBox>
#include <QSpinBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QScreen>
#include <QGuiApplication>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::album;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// Every photo exists; every part is placed as it is.
class AllPhotos : public PhotoBinder {
public:
    bool photoExists(RECORD) override { return true; }
    bool bindPart(TPartsBox&, RECORD) override { return true; }
    QSet<RECORD> flagged{2};
    QStringList batches;
    void beginBatch() override { batches << QStringLiteral("begin"); }
    void endBatch() override { batches << QStringLiteral("end"); }
    bool markInAlbum(RECORD photo) override
    {
        if (flagged.contains(photo))
            return false;
        flagged.insert(photo);
        return true;
    }
};

struct Editor {
    zbtest::TempDir dir;
    Settings settings;
    ScriptedMessages messages;
    ScriptedProgress progress;
    AllPhotos binder;
    std::unique_ptr<TGrphMainForm> form;

    explicit Editor(DocKind kind = DocKind::Album, const std::function<void(GrphSetup&)>& adjust = {},
                    const std::function<void(Settings&)>& prepare = {})
    {
        app();
        if (prepare)
            prepare(settings);
        EXPECT_TRUE(writeShippedFormats(dir.file("FORMFILE")));
        QDir(dir.path()).mkpath("ALBUM");
        QDir(dir.path()).mkpath("TEMP_G");
        GrphSetup setup;
        setup.kind = kind;
        setup.folder = dir.file("ALBUM") + "/";
        setup.formFolder = dir.file("FORMFILE") + "/";
        setup.workParent = dir.file("TEMP_G");
        setup.callbacks.binder = &binder;
        if (adjust)
            adjust(setup);
        form = std::make_unique<TGrphMainForm>(setup, settings, messages, progress);
        form->show();
        form->activateWindow();
        QTest::qWaitForWindowActive(form.get());
    }
    AlbumDocument& doc() { return form->document(); }
    void key(Qt::Key k) { QTest::keyClick(form.get(), k); }
    // The photos of each existing page, by page number.
    QMap<int, QList<RECORD>> photosByPage()
    {
        doc().storeCurrentPage();
        QMap<int, QList<RECORD>> out;
        for (int n : doc().work().pages()) {
            const Page p = decodePage(doc().work().read(n)).value_or(Page{});
            QList<RECORD> photos;
            for (const TPartsBox& part : p.parts)
                if (part.FormIndex > 0 && part.PhotoRecord > 0 && !photos.contains(part.PhotoRecord))
                    photos << part.PhotoRecord;
            out.insert(n, photos);
        }
        return out;
    }
    int commonParts(int page)
    {
        doc().storeCurrentPage();
        const Page p = decodePage(doc().work().read(page)).value_or(Page{});
        return int(std::count_if(p.parts.begin(), p.parts.end(), [](const TPartsBox& b) { return b.FormIndex == 0; }));
    }
    QList<RECORD> records(int from, int to)
    {
        QList<RECORD> out;
        for (int r = from; r <= to; ++r)
            out << r;
        return out;
    }
};

}  // namespace

TEST(GrphMainForm, SevenPhotosIntoAThreePhotoFormat)
{
    Editor e;
    EXPECT_EQ(e.form->windowTitle(), QStringLiteral("工事写真帳作成"));
    const int templateCommon = int(std::count_if(e.doc().templatePage().parts.begin(),
                                                 e.doc().templatePage().parts.end(),
                                                 [](const TPartsBox& b) { return b.FormIndex == 0; }));
    const PourResult r = e.form->pour(e.records(1, 7));
    EXPECT_EQ(r.placed, 7);
    const auto pages = e.photosByPage();
    EXPECT_EQ(pages, (QMap<int, QList<RECORD>>{{1, {1, 2, 3}}, {2, {4, 5, 6}}, {3, {7}}}));
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(e.commonParts(n), templateCommon) << n;
    EXPECT_EQ(e.form->pagePanelText(), QStringLiteral("3 / 3"));
    EXPECT_TRUE(e.doc().modified);
    // The last photo's parts are selected.
    EXPECT_FALSE(e.form->selector()->selection().isEmpty());

    // F3 and F5 walk the pages; F2 jumps, clamped to 1 … 999.
    e.key(Qt::Key_F3);
    EXPECT_EQ(e.doc().currentPage(), 1);
    e.key(Qt::Key_F5);
    EXPECT_EQ(e.doc().currentPage(), 2);
    struct Jump {
        const char* typed;
        int page;
    } jumps[] = {{"0", 1}, {"1200", 999}, {"2", 2}};
    for (const Jump& j : jumps) {
        e.messages.replyText(QString::fromLatin1(j.typed));
        e.key(Qt::Key_F2);
        EXPECT_EQ(e.doc().currentPage(), j.page) << j.typed;
    }
    EXPECT_TRUE(e.messages.log.contains(
        QStringLiteral("input: ページ指定/範囲 1～999 (編集範囲 1～3)")))
        << e.messages.log.join('\n').toStdString();
}

TEST(GrphMainForm, PageNineNineNineFullAndInsertBeyondTheLastPage)
{
    Editor e;
    e.messages.replyText("999");
    e.key(Qt::Key_F2);
    ASSERT_EQ(e.doc().currentPage(), 999);
    e.form->pour(e.records(1, 3));
    e.messages.clear();
    const PourResult r = e.form->pour({4});
    EXPECT_EQ(r.placed, 0);
    EXPECT_TRUE(e.messages.boxes().join('\n').contains(kLastPageReached)) << e.messages.log.join('\n').toStdString();
    EXPECT_EQ(e.photosByPage().value(999), (QList<RECORD>{1, 2, 3}));
    // F7 is disabled on page 999.
    EXPECT_FALSE(e.form->command("Mn_PageInsert")->isEnabled());

    // With page 996 the last page, five pages do not fit: the question comes again.
    Editor f;
    f.messages.replyText("996");
    f.key(Qt::Key_F2);
    f.form->pour({1});
    f.messages.replyText("1");
    f.key(Qt::Key_F2);
    f.messages.clear();
    f.messages.replyText("5");
    f.messages.replyText(std::nullopt);
    f.key(Qt::Key_F7);
    EXPECT_EQ(f.messages.boxes().filter(QStringLiteral("error: ")), (QStringList{QStringLiteral("error: ") + kPastMaxPage}));
    EXPECT_TRUE(f.messages.log.contains(QStringLiteral("input: ページ挿入/範囲 1～3 (編集範囲 1～996)")))
        << f.messages.log.join('\n').toStdString();
    EXPECT_EQ(f.photosByPage().keys(), (QList<int>{996}));
    f.messages.replyText("3");
    f.key(Qt::Key_F7);
    EXPECT_EQ(f.photosByPage().keys(), (QList<int>{999}));
}

TEST(GrphMainForm, MovePageTwoToFiveAndDeleteAPage)
{
    Editor e;
    e.form->pour(e.records(1, 15));  // pages 1–5, three photos each
    ASSERT_EQ(e.photosByPage().size(), 5);
    e.form->gotoPage(2);
    e.messages.replyText("5");
    e.key(Qt::Key_F8);
    EXPECT_EQ(e.doc().currentPage(), 5);
    EXPECT_EQ(e.photosByPage(), (QMap<int, QList<RECORD>>{
                                    {1, {1, 2, 3}}, {2, {7, 8, 9}}, {3, {10, 11, 12}}, {4, {13, 14, 15}}, {5, {4, 5, 6}}}));
    // The page shown is the moved one.
    QSet<RECORD> shown;
    for (const TPartsBox& p : e.doc().page.parts)
        if (p.PhotoRecord > 0)
            shown.insert(p.PhotoRecord);
    EXPECT_EQ(shown, (QSet<RECORD>{4, 5, 6}));

    e.form->gotoPage(1);
    e.messages.reply(true);
    e.key(Qt::Key_F9);
    EXPECT_EQ(e.photosByPage(), (QMap<int, QList<RECORD>>{
                                    {1, {7, 8, 9}}, {2, {10, 11, 12}}, {3, {13, 14, 15}}, {4, {4, 5, 6}}}));
    EXPECT_EQ(e.form->pagePanelText(), QStringLiteral("1 / 4"));
}

TEST(GrphMainForm, UndoAfterThreeWidthEditsAndTheClipboard)
{
    Editor e;
    e.form->pour({1});
    TPartsBox& first = e.doc().page.parts[0];
    const Currency before = first.PWidth;
    e.form->selector()->select({0}, 0);
    QDoubleSpinBox* w = e.form->widthBox();
    ASSERT_TRUE(w->isEnabled());
    w->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(w, Qt::Key_Up);
    EXPECT_EQ(e.doc().page.parts[0].PWidth, before + mm(0.3));
    QTest::keyClick(e.form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(e.doc().page.parts[0].PWidth, before);
    EXPECT_FALSE(e.form->command("Mn_Undo")->isEnabled());

    // Copy and paste of the selection adds its parts once more.
    const qsizetype count = e.doc().page.parts.size();
    e.form->selector()->select({0}, 0);
    e.form->command("Mn_Copy")->trigger();
    e.form->command("Mn_Paste")->trigger();
    EXPECT_EQ(e.doc().page.parts.size(), count + 1);
    e.messages.reply(true);
    e.form->command("Mn_Delete")->trigger();
    EXPECT_EQ(e.doc().page.parts.size(), count);
}

TEST(GrphMainForm, ClosingAsksToSaveAndKeepsThePagesUntilDone)
{
    Editor e;
    e.form->pour(e.records(1, 4));
    const QString work = e.doc().work().folder();
    // Cancel, and a save whose name is not given, keep the editor and its pages.
    e.messages.reply(Messages::Answer::Cancel);
    EXPECT_FALSE(e.form->close());
    e.form->chooseSaveName = [] { return std::nullopt; };
    e.messages.reply(Messages::Answer::Yes);
    EXPECT_FALSE(e.form->close());
    EXPECT_TRUE(e.form->isVisible());
    EXPECT_EQ(e.photosByPage().size(), 2);
    EXPECT_TRUE(e.messages.log.contains(QStringLiteral("askThree: 現在編集中の工事写真帳を保存しますか？")));
    // Yes with a name saves, then the work files go.
    e.form->chooseSaveName = [] { return std::make_optional(std::make_pair(QStringLiteral("第1回"), QStringLiteral("検査"))); };
    e.messages.reply(Messages::Answer::Yes);
    EXPECT_TRUE(e.form->close());
    EXPECT_TRUE(QFile::exists(e.dir.file("ALBUM/第1回.ZBA")));
    EXPECT_TRUE(QDir(work).entryList(QDir::Files).isEmpty());
}

TEST(GrphMainForm, FormatModeHasNoPageMenu)
{
    Editor e(DocKind::Format);
    EXPECT_EQ(e.form->windowTitle(), QStringLiteral("書式設定"));
    EXPECT_EQ(e.form->command("Mn_PageNext"), nullptr);
    EXPECT_EQ(e.form->pagePanelText(), QStringLiteral("0個"));
    e.messages.reply(Messages::Answer::No);
    EXPECT_TRUE(e.form->close());
}

TEST(FileSelForm, ColumnsSortDeleteAndName)
{
    Editor e;
    e.form->pour({1});
    ASSERT_TRUE(e.form->saveAs(QStringLiteral("B回"), QStringLiteral("二")));
    e.form->pour({2, 3, 4});
    ASSERT_TRUE(e.form->saveAs(QStringLiteral("A回"), QStringLiteral("一")));
    TFileSelForm form(true, true, e.doc().folder, e.doc().fileName, e.doc().title, 1, e.messages);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("工事写真帳の保存"));
    QTreeWidget* list = form.list();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("名称↓"));
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("A回"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("2"));  // pages
    EXPECT_TRUE(list->topLevelItem(0)->font(0).bold());             // the open one
    // A second click on 名称 turns the order.
    QTest::mouseClick(list->header()->viewport(), Qt::LeftButton, {},
                      QPoint(list->header()->sectionViewportPosition(0) + 5, 5));
    EXPECT_EQ(form.sort(), -1);
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("名称↑"));
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("B回"));
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_EQ(form.nameEdit()->text(), QStringLiteral("B回"));
    EXPECT_EQ(form.titleEdit()->text(), QStringLiteral("二"));
    e.messages.reply(true);
    form.deleteButton()->click();
    EXPECT_TRUE(e.messages.log.contains(QStringLiteral("confirm: 選択している「工事写真帳」を削除しますか？")));
    EXPECT_EQ(list->topLevelItemCount(), 1);
    EXPECT_FALSE(QFile::exists(e.dir.file("ALBUM/B回.ZBA")));
    e.messages.reply(Messages::Answer::No);
}

TEST(FileSelForm, TheListTakingTheFocusChangesNoField)
{
    Editor e;
    e.form->pour({1});
    ASSERT_TRUE(e.form->saveAs(QStringLiteral("alb_A4横2連"), QStringLiteral("横")));
    ASSERT_TRUE(e.form->saveAs(QStringLiteral("alb_A4縦3連A"), QStringLiteral("縦")));
    TFileSelForm form(true, true, e.doc().folder, e.doc().fileName, e.doc().title, 1, e.messages);
    form.show();
    QTest::qWaitForWindowExposed(&form);
    EXPECT_EQ(form.nameEdit()->text(), QStringLiteral("alb_A4縦3連A"));
    // Tab into the list: its first row (alb_A4横2連) becomes current, the fields stay.
    form.activateWindow();
    form.list()->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    ASSERT_TRUE(form.list()->currentItem());
    EXPECT_EQ(form.list()->currentItem()->text(0), QStringLiteral("alb_A4横2連"));
    EXPECT_EQ(form.nameEdit()->text(), QStringLiteral("alb_A4縦3連A"));
    EXPECT_EQ(form.titleEdit()->text(), QStringLiteral("縦"));
    // 削除 without a picked row deletes nothing.
    form.deleteButton()->click();
    EXPECT_TRUE(QFile::exists(e.dir.file("ALBUM/alb_A4横2連.ZBA")));
    // A click on the row picks it.
    const QRect row = form.list()->visualItemRect(form.list()->topLevelItem(0));
    QTest::mouseClick(form.list()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(form.nameEdit()->text(), QStringLiteral("alb_A4横2連"));
    EXPECT_EQ(form.titleEdit()->text(), QStringLiteral("横"));
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, PhotoFlagUpdateCountsWhatChanged)
{
    Editor e;
    e.form->pour(e.records(1, 4));
    e.messages.clear();
    e.messages.reply(true);
    e.form->command("Mn_FlagUpdate")->trigger();
    EXPECT_EQ(e.binder.flagged, (QSet<RECORD>{1, 2, 3, 4}));
    EXPECT_EQ(e.messages.boxes(), (QStringList{QStringLiteral("ask: ") + kFlagUpdateQuestion,
                                               QStringLiteral("information: 写真整理フラッグを 3件 更新しました。")}));
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, RebuildPoursThePhotosAgain)
{
    Editor e;
    e.form->pour(e.records(1, 7));
    // Photo 2 taken off page 1 by hand: the rebuild closes its slot.
    e.form->gotoPage(1);
    auto& parts = e.doc().page.parts;
    parts.erase(std::remove_if(parts.begin(), parts.end(), [](const TPartsBox& p) { return p.PhotoRecord == 2; }),
                parts.end());
    e.messages.clear();
    e.messages.reply(Messages::Answer::Yes);
    e.form->command("Mn_Rebuild")->trigger();
    EXPECT_EQ(e.photosByPage(), (QMap<int, QList<RECORD>>{{1, {1, 3, 4}}, {2, {5, 6, 7}}}));
    EXPECT_EQ(e.messages.boxes().last(), QStringLiteral("information: ") + kRebuildDone);

    // All pages pour with the album's own initial format, also after the
    // setting for new albums changed and after the album was saved and opened again.
    e.settings.grphFormName = QStringLiteral("A4縦2連.ZBF");
    ASSERT_TRUE(e.form->saveAs(QStringLiteral("再構築"), QStringLiteral("題")));
    e.doc().initialFormat = e.settings.grphFormName;  // what a fresh editor knows before reading the file
    ASSERT_TRUE(e.doc().open(e.dir.file("ALBUM/再構築.ZBA")));
    e.messages.reply(Messages::Answer::Yes);
    e.form->command("Mn_Rebuild")->trigger();
    EXPECT_EQ(e.photosByPage(), (QMap<int, QList<RECORD>>{{1, {1, 3, 4}}, {2, {5, 6, 7}}}));

    // From page 2 on, with that page's format, while page 1 is shown: page 1 stays.
    e.form->gotoPage(1);
    e.messages.reply(Messages::Answer::No);
    e.messages.replyText("2");
    e.form->command("Mn_Rebuild")->trigger();
    EXPECT_EQ(e.photosByPage(), (QMap<int, QList<RECORD>>{{1, {1, 3, 4}}, {2, {5, 6, 7}}}));
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, TextWithReservedCharactersAndTheAssociation)
{
    Editor e;
    e.form->pour({1});
    // A part of the page frame (no slot) takes typed text.
    int common = -1;
    for (int i = 0; i < e.doc().page.parts.size(); ++i)
        if (e.doc().page.parts[i].FormIndex == 0)
            common = i;
    ASSERT_GE(common, 0);
    e.form->selector()->select({common}, common);
    QLineEdit* text = e.form->textEdit();
    text->setFocus();
    text->selectAll();
    e.messages.clear();
    e.messages.reply(false);  // "{" refused
    e.messages.reply(true);   // "}" taken
    QTest::keyClicks(text, "A{B}");
    EXPECT_EQ(e.doc().page.parts[common].Caption, QStringLiteral("AB}"));
    EXPECT_EQ(e.messages.boxes().size(), 2);
    EXPECT_EQ(e.messages.boxes().first(), QStringLiteral("ask: ") + reservedCharacterQuestion(u'{'));
    // Undo takes the whole run of typing back.
    const QString before = e.doc().page.parts[common].Caption;
    QTest::keyClick(e.form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_NE(e.doc().page.parts[common].Caption, before);
    EXPECT_FALSE(e.doc().page.parts[common].Caption.contains(u'A'));

    // Changing the association in an album asks; No keeps the slot.
    e.form->selector()->select({common}, common);
    QComboBox* relation = e.form->relationBox();
    EXPECT_EQ(relation->currentText(), QStringLiteral("無"));
    e.messages.reply(false);
    relation->setCurrentIndex(2);
    emit relation->activated(2);
    EXPECT_EQ(e.doc().page.parts[common].FormIndex, 0);
    EXPECT_EQ(relation->currentText(), QStringLiteral("無"));
    e.messages.reply(true);
    relation->setCurrentIndex(3);
    emit relation->activated(3);
    EXPECT_EQ(e.doc().page.parts[common].FormIndex, 2);
    EXPECT_EQ(TGrphMainForm::relationCaptions(true).value(26), QStringLiteral("写真２５"));
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, TextDetailsApplyToTheSelection)
{
    Editor e;
    e.form->pour({1});
    e.form->selector()->select({0, 1}, 0);
    TCapForm* cap = e.form->capForm();
    EXPECT_EQ(cap->windowTitle(), QStringLiteral("詳細設定"));
    cap->alignmentBox()->setCurrentIndex(0);  // 左
    cap->shadowBox()->setCurrentIndex(6);     // 右下
    EXPECT_EQ(e.doc().page.parts[0].Alignment, taLeftJustify);
    EXPECT_EQ(e.doc().page.parts[1].Alignment, taLeftJustify);
    EXPECT_EQ(e.doc().page.parts[1].Kage, fkRightBottom);
    cap->textBox()->setPlainText(QStringLiteral("ABC\nDEF"));
    EXPECT_EQ(e.doc().page.parts[0].Caption, QStringLiteral("ABC\r\nDEF"));

    // 影色, 枠色 and フォント through their choosers, on every selected part.
    QStringList asked;
    cap->chooseColor = [&](quint32, const QString& title) {
        asked << title;
        return std::optional<quint32>(title == QStringLiteral("影色") ? 0x112233 : 0x445566);
    };
    cap->chooseFont = [](const PartFont& current) {
        PartFont f = current;
        f.name = QStringLiteral("ＭＳ ゴシック");
        f.size = 14;
        f.style = fsBold;
        return std::optional<PartFont>(f);
    };
    cap->shadowColorButton()->click();
    cap->frameColorButton()->click();
    cap->fontButton()->click();
    EXPECT_EQ(asked, (QStringList{QStringLiteral("影色"), QStringLiteral("枠色")}));
    for (int i : {0, 1}) {
        const TPartsBox& p = e.doc().page.parts[i];
        EXPECT_EQ(p.KageColor, 0x112233u) << i;
        EXPECT_EQ(p.WakuColor, 0x445566u) << i;
        EXPECT_EQ(p.Font.name, QStringLiteral("ＭＳ ゴシック")) << i;
        EXPECT_EQ(p.Font.size, 14) << i;
        EXPECT_EQ(p.Font.style, fsBold) << i;
    }
    EXPECT_EQ(cap->fontButton()->text(), QStringLiteral("ＭＳ ゴシック 14pt"));
    // A cancelled chooser changes nothing.
    cap->chooseColor = [](quint32, const QString&) { return std::optional<quint32>(); };
    cap->shadowColorButton()->click();
    EXPECT_EQ(e.doc().page.parts[0].KageColor, 0x112233u);
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, MetafilesBecomePicturePartsWithTheirBytes)
{
    Editor e;
    const struct {
        const char* name;
        QByteArray bytes;
    } files[] = {{"plan.wmf", zbtest::makeWmf(120, 80, 0x00FF0000, 20, 20, 100, 60)},
                 {"plan.EMF", zbtest::makeEmf(120, 80, 0x00FF0000, 20, 20, 100, 60)}};
    for (const auto& f : files) {
        const QString path = e.dir.file(f.name);
        zbtest::writeAll(path, f.bytes);
        ASSERT_TRUE(e.form->addPictureFile(path, QRect(10, 10, 1, 1))) << f.name;
        const TPartsBox& p = e.doc().page.parts.last();
        EXPECT_EQ(p.PictureStream.kind, QStringLiteral("WMF")) << f.name;
        EXPECT_EQ(p.PictureStream.bytes, f.bytes) << f.name;
        EXPECT_NEAR(p.RefWidth, 120, 1) << f.name;
    }
    e.messages.clear();
    zbtest::writeAll(e.dir.file("bad.wmf"), "not a metafile");
    EXPECT_FALSE(e.form->addPictureFile(e.dir.file("bad.wmf"), QRect(10, 10, 1, 1)));
    EXPECT_EQ(e.messages.boxes(), QStringList{QStringLiteral("error: サポートされていない画像の形式です。\r\n>bad.wmf")});
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, PictureFilesBecomePictureParts)
{
    Editor e;
    QImage picture(400, 200, QImage::Format_RGB888);
    picture.fill(Qt::red);
    const QString png = e.dir.file("wide.png");
    ASSERT_TRUE(picture.save(png));
    // A 200 × 200 pixel range takes the picture's proportions: full width, half height.
    ASSERT_TRUE(e.form->addPictureFile(png, QRect(10, 10, 200, 200)));
    const TPartsBox& p = e.doc().page.parts.last();
    EXPECT_EQ(p.Shape, ptPicture);
    EXPECT_EQ(p.FormIndex, -1);
    EXPECT_EQ(p.PictureStream.kind, QStringLiteral("JPG"));
    EXPECT_EQ(p.RefWidth, 400);
    EXPECT_NEAR(double(p.PHeight) / double(p.PWidth), 0.5, 0.01);
    zbtest::writeAll(e.dir.file("bad.png"), "not a picture");
    e.messages.clear();
    EXPECT_FALSE(e.form->addPictureFile(e.dir.file("bad.png"), QRect(10, 10, 1, 1)));
    EXPECT_EQ(e.messages.boxes(), (QStringList{QStringLiteral("error: サポートされていない画像の形式です。\r\n>bad.png")}));
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, ItemsFromThePalette)
{
    Editor e;
    e.form->pour({1});
    const qsizetype count = e.doc().page.parts.size();
    // A photo item must name a slot holding a photo on this page.
    e.messages.clear();
    EXPECT_FALSE(e.form->addItem(QStringLiteral("{2000.写真タイトル}"), 2));
    EXPECT_EQ(e.messages.boxes(), (QStringList{QStringLiteral("warning: 指定の写真番号はまだレイアウトされていません。")}));
    ASSERT_TRUE(e.form->addItem(QStringLiteral("{2000.写真タイトル}"), 1));
    ASSERT_EQ(e.doc().page.parts.size(), count + 1);
    const TPartsBox& item = e.doc().page.parts.last();
    EXPECT_EQ(item.Shape, ptKoumoku);
    EXPECT_EQ(item.FormIndex, 1);
    EXPECT_EQ(item.PhotoRecord, 1);
    EXPECT_EQ(item.PenStyle, psClear);
    // Job items need no slot and stay 追加.
    ASSERT_TRUE(e.form->addItem(QStringLiteral("{100.工事名称}"), 0));
    EXPECT_EQ(e.doc().page.parts.last().FormIndex, -1);
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, TogglesKeepTheModesSettings)
{
    Editor e;
    QAction* lock = e.form->command("Mn_Lock");
    ASSERT_TRUE(lock->isCheckable());
    EXPECT_FALSE(lock->isChecked());
    lock->trigger();
    EXPECT_TRUE(e.settings.grphLock);
    EXPECT_TRUE(e.form->selector()->Lock);
    EXPECT_FALSE(e.settings.formLock);
    e.form->command("Mn_Bubun")->trigger();  // on by default: off now
    EXPECT_TRUE(e.form->selector()->Naiho);
    e.messages.reply(Messages::Answer::No);
}

namespace {

// A list as the main window's photo and drawing lists fill theirs.
void fillList(QListWidget& list, const QList<QList<int>>& rows)
{
    for (const QList<int>& r : rows) {
        auto* it = new QListWidgetItem(QString::number(r[0]), &list);
        it->setData(kRecordRole, r[0]);
        if (r.size() > 1) {
            it->setData(kSlotRole, r[1]);
            it->setData(kPhotoRole, r[2]);
        }
    }
}

// Drags the data onto the sheet at a point: whether the sheet took the
// drag, and whether it took the drop.
std::pair<bool, bool> dropOn(QWidget* sheet, QMimeData& mime, QPoint at)
{
    QDragEnterEvent enter(at, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(sheet, &enter);
    QDropEvent drop(QPointF(at), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(sheet, &drop);
    return {enter.isAccepted(), drop.isAccepted()};
}

}  // namespace

TEST(GrphMainForm, DropsFromThePhotoAndDrawingLists)
{
    // The photo list shows photos 11, 12, 13, 14; the drawing list the two
    // drawings 31 and 32 of photo 12.
    app();
    QListWidget photos, drawings;
    fillList(photos, {{11}, {12}, {13}, {14}});
    fillList(drawings, {{31, 1, 12}, {32, 3, 12}});
    const QObject* source = &photos;
    Editor e(DocKind::Album, [&](GrphSetup& s) {
        s.callbacks.dragged = [&](const QMimeData* m, const QObject*) { return draggedFromLists(m, source); };
    });
    // Rows 3, 0 and 1 dragged: the photos pour in list order, in one batch.
    QMimeData rows;
    rows.setData(kPhotoMime, "0,1,3");
    EXPECT_EQ(dropOn(e.form->sheet(), rows, QPoint(50, 50)), std::make_pair(true, true));
    EXPECT_EQ(e.photosByPage(), (QMap<int, QList<RECORD>>{{1, {11, 12, 14}}}));
    EXPECT_EQ(e.binder.batches, (QStringList{QStringLiteral("begin"), QStringLiteral("end")}));

    // The second drawing: a drawing frame 2601 at the drop point, bound to
    // the slot holding photo 12; the next one 15 pixels further on.
    source = &drawings;
    const qsizetype before = e.doc().page.parts.size();
    QMimeData drawing;
    drawing.setData(kDrawingMime, "1,0");
    EXPECT_EQ(dropOn(e.form->sheet(), drawing, QPoint(40, 60)), std::make_pair(true, true));
    ASSERT_EQ(e.doc().page.parts.size(), before + 2);
    const TPartsBox& frame = e.doc().page.parts[before];
    EXPECT_EQ(frame.Shape, ptKoumoku);
    EXPECT_EQ(frameCode(frame), 2601);
    EXPECT_EQ(frame.FormIndex, 2);
    EXPECT_EQ(frame.PhotoRecord, 12);
    EXPECT_EQ(frame.PenWidth, mm(0.1));
    EXPECT_EQ(frameCode(e.doc().page.parts[before + 1]), 2600);
    EXPECT_LT(frame.PLeft, e.doc().page.parts[before + 1].PLeft);
    EXPECT_LT(frame.PTop, e.doc().page.parts[before + 1].PTop);
    EXPECT_TRUE(e.messages.boxes().isEmpty()) << e.messages.log.join('\n').toStdString();

    // A drawing of a photo that is not on the page is not placed.
    fillList(drawings, {{41, 1, 99}});
    QMimeData stray;
    stray.setData(kDrawingMime, "2");
    dropOn(e.form->sheet(), stray, QPoint(40, 60));
    EXPECT_EQ(e.doc().page.parts.size(), before + 2);
    EXPECT_EQ(e.messages.boxes(), (QStringList{QStringLiteral("warning: 指定の写真番号はまだレイアウトされていません。")}));

    // Other drags are refused.
    QMimeData text;
    text.setText(QStringLiteral("x"));
    EXPECT_EQ(dropOn(e.form->sheet(), text, QPoint(40, 60)), std::make_pair(false, false));
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, TheSelectionAsAPictureAndAPictureFromTheClipboard)
{
    Editor e(DocKind::Format);
    e.form->newDocument(false);
    // A filled 100 × 50 pixel rectangle at 100 %.
    TPartsBox box;
    box.Shape = ptRectangle;
    box.PLeft = pixelsToMm(20, 96, 100);
    box.PTop = pixelsToMm(30, 96, 100);
    box.PWidth = pixelsToMm(100, 96, 100);
    box.PHeight = pixelsToMm(50, 96, 100);
    box.Brush = bsSolid;
    box.BrushColor = 0x0000FF;  // red
    e.doc().page.parts << box;
    e.form->sheet()->setPage(&e.doc().page);
    QAction* bitmap = e.form->command(QStringLiteral("Mn_CopyBitmap"));
    ASSERT_TRUE(bitmap);
    e.form->selector()->select({}, -1);
    e.form->selector()->select({int(e.doc().page.parts.size()) - 1}, int(e.doc().page.parts.size()) - 1);
    const QRect partRect = DrawTarget::onScreen(e.form->sheet()->pixelsPerInch(), 100).partRect(box);
    bitmap->trigger();
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied && copied->hasFormat(QStringLiteral("image/png")));
    QImage png;
    ASSERT_TRUE(png.loadFromData(copied->data(QStringLiteral("image/png")), "PNG"));
    // The part's box plus one pixel, the part drawn at its corner.
    EXPECT_EQ(png.size(), partRect.size() + QSize(1, 1));
    EXPECT_EQ(QColor(png.pixel(png.width() / 2, png.height() / 2)), QColor(Qt::red));

    e.form->command(QStringLiteral("Mn_CopyMetafile"))->trigger();
    const QByteArray svg = QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/svg+xml"));
    EXPECT_TRUE(svg.contains("<svg")) << svg.left(200).toStdString();
    EXPECT_TRUE(svg.contains(QByteArray::number(partRect.width() + 1))) << svg.left(400).toStdString();

    // The copied bitmap comes back as a picture part in its proportions.
    const qsizetype before = e.doc().page.parts.size();
    QImage picture(300, 100, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QGuiApplication::clipboard()->setImage(picture);
    e.form->command(QStringLiteral("Mn_PastePicture"))->trigger();
    ASSERT_EQ(e.doc().page.parts.size(), before + 1);
    const TPartsBox& pasted = e.doc().page.parts.last();
    EXPECT_EQ(pasted.Shape, ptPicture);
    EXPECT_EQ(pasted.PictureStream.kind, QStringLiteral("JPG"));
    EXPECT_EQ(pasted.RefWidth, 300);
    EXPECT_NEAR(double(pasted.PWidth) / double(pasted.PHeight), 3.0, 0.05);

    // Text only: the message, nothing added.
    QGuiApplication::clipboard()->setText(QStringLiteral("文字"));
    e.messages.clear();
    e.form->command(QStringLiteral("Mn_PastePicture"))->trigger();
    EXPECT_EQ(e.doc().page.parts.size(), before + 1);
    EXPECT_EQ(e.messages.boxes(), (QStringList{QStringLiteral("error: サポートされていない画像の形式です。")}));
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, LayoutListingPrintsOnA4Portrait)
{
    struct Case {
        DocKind kind;
        const char* caption;
        int parts;
        int pages;  // at least
    } cases[] = {{DocKind::Format, "書式印刷(&F)...", 2, 1}, {DocKind::Album, "レイアウト印刷(&F)...", 60, 2}};
    for (const Case& c : cases) {
        Editor e(c.kind);
        QAction* listing = e.form->command(QStringLiteral("Mn_FormPrint"));
        ASSERT_TRUE(listing);
        EXPECT_EQ(listing->text(), QString::fromUtf8(c.caption));
        e.doc().page.parts.clear();
        for (int i = 0; i < c.parts; ++i) {
            TPartsBox p;
            p.Caption = QStringLiteral("部品%1").arg(i);
            e.doc().page.parts << p;
        }
        const QString pdf = e.dir.file("listing.pdf");
        e.form->chooseListingDevice = [&] { return std::make_unique<PdfPrintDevice>(pdf, 150); };
        listing->trigger();
        QFile f(pdf);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << c.caption;
        const QString text = QString::fromLatin1(f.readAll());
        static const QRegularExpression box(QStringLiteral("/MediaBox \\[\\s*0 0 ([0-9.]+) ([0-9.]+)\\s*\\]"));
        int pages = 0;
        for (auto it = box.globalMatch(text); it.hasNext(); ++pages) {
            const auto m = it.next();
            EXPECT_NEAR(m.captured(1).toDouble(), 595, 2) << c.caption;
            EXPECT_NEAR(m.captured(2).toDouble(), 842, 2) << c.caption;
        }
        EXPECT_GE(pages, c.pages) << c.caption;
        EXPECT_TRUE(e.messages.boxes().isEmpty()) << e.messages.log.join('\n').toStdString();
        // A cancelled dialog prints nothing.
        QFile::remove(pdf);
        e.form->chooseListingDevice = [] { return std::unique_ptr<PrintDevice>(); };
        listing->trigger();
        EXPECT_FALSE(QFile::exists(pdf));
        e.messages.reply(Messages::Answer::No);
    }
}

TEST(GrphMainForm, ToolPaletteAndRulers)
{
    Editor e(DocKind::Format);
    // The palette on the left holds the tools of the 項目 menu, one at a time.
    auto* palette = e.form->findChild<QToolBar*>(QStringLiteral("ToolPalette"));
    ASSERT_TRUE(palette);
    EXPECT_EQ(e.form->toolBarArea(palette), Qt::LeftToolBarArea);
    EXPECT_TRUE(palette->isVisible());
    QStringList captions;
    for (QAction* a : palette->actions())
        captions << a->text();
    EXPECT_EQ(captions.size(), 15);
    EXPECT_EQ(captions.first(), QStringLiteral("選択モード"));
    const QList<QAction*> actions = palette->actions();
    const qsizetype at = captions.indexOf(QStringLiteral("長方形"));
    ASSERT_GE(at, 0);
    QAction* rectangle = actions[at];
    QTest::mouseClick(palette->widgetForAction(rectangle), Qt::LeftButton);
    EXPECT_TRUE(rectangle->isChecked());
    EXPECT_FALSE(palette->actions().first()->isChecked());
    EXPECT_EQ(e.form->sheet()->tool(), std::optional<TPartsType>(ptRectangle));

    // The rulers' 0 mm lies at the paper's edge, at every zoom and scroll.
    auto* top = e.form->findChild<TRuler*>(QStringLiteral("TopRuler"));
    auto* left = e.form->findChild<TRuler*>(QStringLiteral("LeftRuler"));
    ASSERT_TRUE(top && left);
    auto* scroll = e.form->findChild<QScrollArea*>();
    const auto check = [&](const char* when) {
        QApplication::processEvents();
        const QPoint sheet = e.form->sheet()->mapTo(e.form.get(), QPoint(0, 0));
        EXPECT_EQ(top->mapTo(e.form.get(), QPoint(-top->offset(), 0)).x(), sheet.x()) << when;
        EXPECT_EQ(left->mapTo(e.form.get(), QPoint(0, -left->offset())).y(), sheet.y()) << when;
        EXPECT_EQ(top->ritu(), e.form->sheet()->Ritu()) << when;
    };
    check("fitted");
    e.form->zoomBox()->setCurrentIndex(e.form->zoomBox()->findText(QStringLiteral("200%")));
    check("200%");
    scroll->horizontalScrollBar()->setValue(150);
    scroll->verticalScrollBar()->setValue(300);
    check("scrolled");
    EXPECT_GT(top->offset(), 0);
}

TEST(GrphMainForm, LineAndFillBand)
{
    Editor e(DocKind::Format);
    e.form->newDocument(false);
    TPartsBox line;
    line.Shape = ptLine;
    line.PWidth = mm(40);
    line.PHeight = mm(20);
    e.doc().page.parts << line;
    e.form->sheet()->setPage(&e.doc().page);
    const int index = int(e.doc().page.parts.size()) - 1;
    e.form->selector()->select({index}, index);
    const auto find = [&](const char* name) { return e.form->findChild<QWidget*>(QString::fromLatin1(name)); };
    auto* fillColor = qobject_cast<QToolButton*>(find("FillColor"));
    auto* lineColor = qobject_cast<QToolButton*>(find("LineColor"));
    auto* fillStyle = qobject_cast<QComboBox*>(find("FillStyle"));
    auto* lineStyle = qobject_cast<QComboBox*>(find("LineStyle"));
    auto* width = qobject_cast<QDoubleSpinBox*>(find("PenWidth"));
    auto* arrow = qobject_cast<QComboBox*>(find("Arrow"));
    auto* direction = qobject_cast<QCheckBox*>(find("Direction"));
    auto* diagonal = qobject_cast<QSpinBox*>(find("Diagonal"));
    auto* meisai = qobject_cast<QSpinBox*>(find("MeisaiLine"));
    ASSERT_TRUE(fillColor && lineColor && fillStyle && lineStyle && width && arrow && direction && diagonal && meisai);
    EXPECT_EQ(arrow->count(), 4);
    EXPECT_DOUBLE_EQ(width->value(), 0.1);

    QStringList asked;
    e.form->chooseColor = [&](quint32, const QString& title) {
        asked << title;
        return std::optional<quint32>(title == QStringLiteral("塗色") ? 0x0000FF : 0x00FF00);
    };
    QTest::mouseClick(fillColor, Qt::LeftButton);
    QTest::mouseClick(lineColor, Qt::LeftButton);
    EXPECT_EQ(asked, (QStringList{QStringLiteral("塗色"), QStringLiteral("線色")}));
    const auto choose = [](QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    };
    choose(fillStyle, bsCross);
    choose(lineStyle, psDot);
    choose(arrow, arwRight);
    QTest::mouseClick(direction, Qt::LeftButton);
    diagonal->setValue(30);
    meisai->setValue(4);
    const TPartsBox before = e.doc().page.parts[index];
    // Three 線の幅 edits make one step of 元に戻す.
    for (double w : {0.3, 0.4, 0.5})
        width->setValue(w);
    const TPartsBox& p = e.doc().page.parts[index];
    EXPECT_EQ(p.BrushColor, 0x0000FFu);
    EXPECT_EQ(p.PenColor, 0x00FF00u);
    EXPECT_EQ(p.Brush, bsCross);
    EXPECT_EQ(p.PenStyle, psDot);
    EXPECT_EQ(p.Arrow, arwRight);
    EXPECT_TRUE(p.Direction);
    EXPECT_EQ(p.Diagonal, 30);
    EXPECT_EQ(p.MeisaiLine, 4);
    EXPECT_EQ(p.PenWidth, mm(0.5));
    EXPECT_TRUE(e.doc().modified);
    e.form->undo();
    EXPECT_EQ(e.doc().page.parts[index].PenWidth, before.PenWidth);
    EXPECT_EQ(e.doc().page.parts[index].Diagonal, 30);

    // Without a selection the colours and styles are what new parts take.
    e.form->selector()->clear();
    EXPECT_FALSE(width->isEnabled());
    choose(fillStyle, bsClear);
    EXPECT_EQ(e.form->sheet()->defaults.brushStyle, bsClear);
    EXPECT_EQ(e.form->sheet()->defaults.brushColor, 0x0000FFu);
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, CorrectionOfAPicturePart)
{
    Editor e(DocKind::Format);
    QImage picture(120, 80, QImage::Format_RGB888);
    picture.fill(Qt::white);
    const QString png = e.dir.file("white.png");
    ASSERT_TRUE(picture.save(png));
    ASSERT_TRUE(e.form->addPictureFile(png, QRect(10, 10, 1, 1)));
    QAction* hosei = e.form->command(QStringLiteral("Mn_Hosei"));
    ASSERT_TRUE(hosei);
    EXPECT_TRUE(hosei->isEnabled());
    const int index = int(e.doc().page.parts.size()) - 1;
    const TPictureStream before = e.doc().page.parts[index].PictureStream;

    // Closed without a change: the picture stays.
    QSize shown;
    e.form->editPicture = [&](QImage& p) {
        shown = p.size();
        return false;
    };
    hosei->trigger();
    EXPECT_EQ(shown, QSize(120, 80));
    EXPECT_EQ(e.doc().page.parts[index].PictureStream, before);

    // A trimmed, darkened result replaces it as JPEG with its own size.
    e.doc().modified = false;
    e.form->editPicture = [](QImage& p) {
        p = p.copy(0, 0, 60, 40);
        p.fill(Qt::black);
        return true;
    };
    hosei->trigger();
    const TPartsBox& part = e.doc().page.parts[index];
    EXPECT_EQ(part.PictureStream.kind, QStringLiteral("JPG"));
    EXPECT_NE(part.PictureStream, before);
    EXPECT_EQ(QSize(part.RefWidth, part.RefHeight), QSize(60, 40));
    EXPECT_EQ(QColor(embeddedPicture(part.PictureStream).pixel(30, 20)).lightness(), 0);
    EXPECT_TRUE(e.doc().modified);
    e.form->undo();
    EXPECT_EQ(e.doc().page.parts[index].PictureStream, before);

    // Not offered for other parts.
    TPartsBox box;
    e.doc().page.parts << box;
    e.form->sheet()->setPage(&e.doc().page);
    const int other = int(e.doc().page.parts.size()) - 1;
    e.form->selector()->select({other}, other);
    EXPECT_FALSE(hosei->isEnabled());
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, TheSheetsPopUpMenu)
{
    struct Case {
        DocKind kind;
        bool formatSelect;
    } cases[] = {{DocKind::Album, true}, {DocKind::Format, false}};
    for (const Case& c : cases) {
        Editor e(c.kind);
        QStringList names;
        for (QAction* a : e.form->sheetMenu()->actions())
            if (!a->isSeparator())
                names << a->text();
        for (const char* n : {"元に戻す(&U)", "コピー(&C)", "ビットマップ(&B)", "クリップボードから貼り付け", "削除(&D)",
                              "全て選択(&A)", "補正(&H)...", "表示順位を上げる", "サイズの再計算"})
            EXPECT_TRUE(names.contains(QString::fromUtf8(n))) << n;
        EXPECT_EQ(names.contains(QStringLiteral("書式選択(&S)...")), c.formatSelect);
        e.messages.reply(Messages::Answer::No);
    }
}

TEST(GrphMainForm, LayoutGuideFollowsTheGroupToggle)
{
    Editor e;
    e.form->pour({1});
    ASSERT_FALSE(e.doc().layoutGuide().isEmpty());
    EXPECT_TRUE(e.form->sheet()->guide.isEmpty());  // グループ is off by default
    e.form->command("Mn_Group")->trigger();
    ASSERT_EQ(e.form->sheet()->guide.size(), e.doc().layoutGuide().size());
    EXPECT_EQ(e.form->sheet()->guide.first(), e.doc().layoutGuide().first().mm);
    e.form->command("Mn_Group")->trigger();
    EXPECT_TRUE(e.form->sheet()->guide.isEmpty());
    e.messages.reply(Messages::Answer::No);

    // Formats have no guide.
    Editor f(DocKind::Format);
    f.form->newDocument(false);
    f.form->command("Mn_Group")->trigger();
    EXPECT_TRUE(f.form->sheet()->guide.isEmpty());
    f.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, PhotoOrientationTurnsTheSelectedPictures)
{
    Editor e;
    e.form->pour({1});
    QList<int> frames, others;
    for (int i = 0; i < e.doc().page.parts.size(); ++i)
        (frameCode(e.doc().page.parts[i]) != 0 ? frames : others) << i;
    ASSERT_FALSE(frames.isEmpty());
    TPartsBox picture;
    picture.Shape = ptPicture;
    picture.PWidth = mm(30);
    picture.PHeight = mm(20);
    e.doc().page.parts << picture;
    e.form->sheet()->setPage(&e.doc().page);
    const int pictureIndex = int(e.doc().page.parts.size()) - 1;
    QComboBox* box = e.form->imageOrientationBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->count(), 4);
    EXPECT_EQ(box->itemText(1), QStringLiteral("右(90)"));
    EXPECT_EQ(box->itemText(3), QStringLiteral("左(270)"));

    // A part that shows no picture leaves the list disabled.
    if (!others.isEmpty()) {
        e.form->selector()->select({others.first()}, others.first());
        EXPECT_FALSE(box->isEnabled());
    }
    QList<int> sel{frames.first(), pictureIndex};
    if (!others.isEmpty())
        sel << others.first();
    e.form->selector()->select(sel, frames.first());
    ASSERT_TRUE(box->isEnabled());
    EXPECT_EQ(box->currentIndex(), 0);
    const auto choose = [&](int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    };
    const TPartsBox otherBefore = others.isEmpty() ? TPartsBox{} : e.doc().page.parts[others.first()];
    choose(1);
    choose(2);  // the same control: one step of 元に戻す
    EXPECT_EQ(e.doc().page.parts[frames.first()].ImageOrientation, 2);
    EXPECT_EQ(e.doc().page.parts[pictureIndex].ImageOrientation, 2);
    if (!others.isEmpty())
        EXPECT_EQ(e.doc().page.parts[others.first()], otherBefore);
    EXPECT_TRUE(e.doc().modified);
    e.form->undo();
    EXPECT_EQ(e.doc().page.parts[frames.first()].ImageOrientation, 0);
    EXPECT_EQ(e.doc().page.parts[pictureIndex].ImageOrientation, 0);
    e.form->selector()->select({pictureIndex}, pictureIndex);
    EXPECT_EQ(box->currentIndex(), 0);
    e.messages.reply(Messages::Answer::No);
}

TEST(FileSelForm, FormatsOfAnotherFolder)
{
    Editor e(DocKind::Format);
    const QString home = e.dir.file("FORMFILE") + "/";
    const QStringList shipped = QDir(home).entryList({QStringLiteral("*.ZBF")}, QDir::Files, QDir::Name);
    ASSERT_FALSE(shipped.isEmpty());
    QDir(e.dir.path()).mkpath("OTHER");
    ASSERT_TRUE(QFile::copy(home + shipped.first(), e.dir.file("OTHER/よそ.ZBF")));

    TFileSelForm form(false, false, home, QString(), QString(), 1, e.messages);
    QPushButton* refer = form.referButton();
    ASSERT_TRUE(refer && form.referLabel());
    EXPECT_EQ(refer->text(), QStringLiteral("参照(&F)"));
    EXPECT_EQ(refer->toolTip(), QStringLiteral("他のフォルダから書式を参照します"));
    EXPECT_TRUE(form.referLabel()->isHidden());
    const int homeCount = form.list()->topLevelItemCount();
    form.chooseFolder = [] { return QString(); };  // cancelled: nothing changes
    refer->click();
    EXPECT_FALSE(form.referring());
    EXPECT_EQ(form.list()->topLevelItemCount(), homeCount);

    form.chooseFolder = [&] { return e.dir.file("OTHER"); };
    refer->click();
    EXPECT_TRUE(form.referring());
    EXPECT_EQ(refer->text(), QStringLiteral("解除(&F)"));
    EXPECT_EQ(refer->toolTip(), QStringLiteral("書式を参照を解除します"));
    EXPECT_FALSE(form.referLabel()->isHidden());
    ASSERT_EQ(form.list()->topLevelItemCount(), 1);
    form.list()->setCurrentItem(form.list()->topLevelItem(0));
    EXPECT_EQ(QFileInfo(form.path()).absoluteFilePath(), QFileInfo(e.dir.file("OTHER/よそ.ZBF")).absoluteFilePath());

    refer->click();  // 解除: the format folder again
    EXPECT_FALSE(form.referring());
    EXPECT_EQ(refer->text(), QStringLiteral("参照(&F)"));
    EXPECT_TRUE(form.referLabel()->isHidden());
    EXPECT_EQ(form.list()->topLevelItemCount(), homeCount);

    // Albums and saving have no 参照.
    EXPECT_EQ(TFileSelForm(true, false, home, QString(), QString(), 1, e.messages).referButton(), nullptr);
    EXPECT_EQ(TFileSelForm(false, true, home, QString(), QString(), 1, e.messages).referButton(), nullptr);

    // A format opened from there is saved into the format folder.
    ASSERT_TRUE(e.form->openDocument(e.dir.file("OTHER/よそ.ZBF")));
    EXPECT_EQ(e.messages.log.last(), QStringLiteral("information: ") + kBorrowedFormat);
    ASSERT_TRUE(e.form->save());
    EXPECT_TRUE(QFile::exists(home + "よそ.ZBF"));
    QDir(e.dir.path()).mkpath("THIRD");
    ASSERT_TRUE(QFile::copy(home + shipped.first(), e.dir.file("THIRD/") + shipped.first()));
    const QByteArray third = [&] {
        QFile f(e.dir.file("THIRD/") + shipped.first());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_TRUE(e.form->openDocument(e.dir.file("THIRD/") + shipped.first()));
    EXPECT_EQ(e.messages.log.last(), QStringLiteral("information: ") + kBorrowedFormatExists);
    EXPECT_TRUE(e.doc().modified);
    e.messages.reply(Messages::Answer::No);
    e.form.reset();
    QFile f(e.dir.file("THIRD/") + shipped.first());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), third);  // the other folder's file is left as it was
}

TEST(GrphMainForm, WindowPositionKeptPerMode)
{
    QStringList restored, saved;
    QRect savedBounds;
    const QRect kept(40, 30, 700, 500);
    const auto hooks = [&](GrphSetup& s) {
        s.callbacks.restorePlace = [&](const QString& name, QRect& bounds, bool& maximised) {
            restored << name;
            if (name != QStringLiteral("AlbumMainForm"))
                return false;
            bounds = kept;
            maximised = false;
            return true;
        };
        s.callbacks.savePlace = [&](const QString& name, const QRect& bounds, bool) {
            saved << name;
            savedBounds = bounds;
        };
    };
    {
        Editor e(DocKind::Album, hooks);
        EXPECT_EQ(e.form->geometry().size(), kept.size());
        e.form->resize(720, 520);
        ASSERT_TRUE(e.form->close());
        EXPECT_EQ(savedBounds.size(), QSize(720, 520));
        e.form->close();  // closed once: kept once
    }
    {
        Editor f(DocKind::Format, hooks);
        ASSERT_TRUE(f.form->close());
    }
    EXPECT_EQ(restored, (QStringList{QStringLiteral("AlbumMainForm"), QStringLiteral("FormMainForm")}));
    EXPECT_EQ(saved, (QStringList{QStringLiteral("AlbumMainForm"), QStringLiteral("FormMainForm")}));
}

namespace {

QToolBar* band(const Editor& e, const char* name) { return e.form->findChild<QToolBar*>(QString::fromLatin1(name)); }

// The button of a band that shows a caption.
QToolButton* bandButton(const Editor& e, const char* bandName, const QString& caption)
{
    if (QToolBar* b = band(e, bandName))
        for (QAction* a : b->actions())
            if (a->iconText() == caption)
                return qobject_cast<QToolButton*>(b->widgetForAction(a));
    return nullptr;
}

// Steps a list to an entry with the arrow keys, as a user does.
void pick(QComboBox* box, const QString& text)
{
    const int target = box->findText(text);
    ASSERT_GE(target, 0) << qPrintable(text);
    while (box->currentIndex() != target) {
        const int before = box->currentIndex();
        QTest::keyClick(box, before < target ? Qt::Key_Down : Qt::Key_Up);
        ASSERT_NE(box->currentIndex(), before);
    }
}

}  // namespace

TEST(GrphMainForm, BandsOfEachModeAndTheirFileAndPageButtons)
{
    const QStringList common{"FileBand", "ToggleBand", "ZoomBand", "GridBand", "SizeBand", "LineBand", "ToolPalette"};
    {
        Editor f(DocKind::Format);
        for (const QString& name : common)
            EXPECT_TRUE(band(f, qPrintable(name))) << qPrintable(name);
        EXPECT_FALSE(band(f, "PageBand"));
        f.messages.reply(Messages::Answer::No);
    }
    Editor e;
    for (const QString& name : common)
        EXPECT_TRUE(band(e, qPrintable(name))) << qPrintable(name);
    ASSERT_TRUE(band(e, "PageBand"));

    // Each button is the menu's command (so its enabling is the menu's).
    const struct {
        const char* band;
        const char* caption;
        const char* command;
    } buttons[] = {
        {"FileBand", "新規作成", "Mn_New"},           {"FileBand", "開く", "Mn_Open"},
        {"FileBand", "上書保存", "Mn_Save"},          {"FileBand", "印刷", "Mn_Print"},
        {"FileBand", "印刷プレビュー", "Mn_Preview"}, {"PageBand", "書式選択", "Mn_FormSelect"},
        {"PageBand", "ページ指定", "Mn_PageJump"},    {"PageBand", "最初のページ", "Mn_PageFirst"},
        {"PageBand", "前のページ", "Mn_PagePrev"},    {"PageBand", "次のページ", "Mn_PageNext"},
        {"PageBand", "最後のページ", "Mn_PageLast"},
    };
    for (const auto& b : buttons) {
        QToolButton* button = bandButton(e, b.band, QString::fromUtf8(b.caption));
        ASSERT_TRUE(button) << b.caption;
        EXPECT_EQ(button->defaultAction(), e.form->command(b.command)) << b.caption;
    }

    const auto click = [&](const char* bandName, const char* caption) {
        QTest::mouseClick(bandButton(e, bandName, QString::fromUtf8(caption)), Qt::LeftButton);
    };
    // 上書保存 only when the document is named and modified.
    QToolButton* save = bandButton(e, "FileBand", QStringLiteral("上書保存"));
    EXPECT_FALSE(save->isEnabled());
    ASSERT_TRUE(e.form->saveAs(QStringLiteral("帳面"), QStringLiteral("題")));
    EXPECT_FALSE(save->isEnabled());
    e.form->pour({1});
    EXPECT_TRUE(save->isEnabled());
    const QString saved = e.dir.file("ALBUM/帳面.ZBA");
    QFile::remove(saved);
    click("FileBand", "上書保存");
    EXPECT_TRUE(QFileInfo::exists(saved));
    EXPECT_FALSE(e.doc().modified);
    EXPECT_FALSE(save->isEnabled());

    e.messages.clear();
    e.messages.reply(false);
    click("FileBand", "新規作成");
    EXPECT_EQ(e.messages.boxes(), QStringList{QStringLiteral("confirm: ") + kNewDocumentQuestion});
    EXPECT_EQ(e.doc().fileName, QStringLiteral("帳面.ZBA"));
    int chosen = 0;
    e.form->chooseOpenPath = [&] {
        ++chosen;
        return QString();
    };
    click("FileBand", "開く");
    EXPECT_EQ(chosen, 1);

    // The page buttons move through the pages, disabled at the ends.
    e.form->pour(e.records(2, 9));  // pages 1–3
    click("PageBand", "最初のページ");
    EXPECT_EQ(e.doc().currentPage(), 1);
    EXPECT_FALSE(bandButton(e, "PageBand", QStringLiteral("前のページ"))->isEnabled());
    click("PageBand", "次のページ");
    EXPECT_EQ(e.doc().currentPage(), 2);
    click("PageBand", "最後のページ");
    EXPECT_EQ(e.doc().currentPage(), 3);
    EXPECT_FALSE(bandButton(e, "PageBand", QStringLiteral("最後のページ"))->isEnabled());
    click("PageBand", "前のページ");
    EXPECT_EQ(e.doc().currentPage(), 2);
    e.messages.clear();
    e.messages.replyText(QStringLiteral("7"));
    click("PageBand", "ページ指定");
    EXPECT_EQ(e.doc().currentPage(), 7);
    EXPECT_TRUE(e.messages.log.value(0).startsWith(QStringLiteral("input: ページ指定/"))) << qPrintable(e.messages.log.value(0));
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, ToggleBandKeepsTheModesSettings)
{
    const struct {
        const char* caption;
        const char* command;
        bool Settings::*album;
        bool Settings::*format;
        std::function<bool(const TGrphMainForm&)> inEffect;
    } toggles[] = {
        {"固定", "Mn_Lock", &Settings::grphLock, &Settings::formLock, [](const TGrphMainForm& f) { return f.selector()->Lock; }},
        {"縦横比", "Mn_ShiftLock", &Settings::grphShiftLock, &Settings::formShiftLock,
         [](const TGrphMainForm& f) { return f.selector()->ShiftLock; }},
        {"部分選択", "Mn_Bubun", &Settings::grphBubun, &Settings::formBubun,
         [](const TGrphMainForm& f) { return !f.selector()->Naiho; }},
        {"グループ", "Mn_Group", &Settings::grphGroup, &Settings::formGroup,
         [](const TGrphMainForm& f) { return f.selector()->Group != SResizeControl::gsNone; }},
        {"連続貼付", "Mn_Renzoku", &Settings::grphRenzoku, &Settings::formRenzoku,
         [](const TGrphMainForm& f) { return f.sheet()->Continued; }},
        {"再描画", "Mn_Kouhini", &Settings::grphKouhini, &Settings::formKouhini,
         [](const TGrphMainForm& f) { return f.sheet()->DoubleBufferMode; }},
    };
    for (DocKind kind : {DocKind::Album, DocKind::Format}) {
        Editor e(kind);
        const bool album = kind == DocKind::Album;
        for (const auto& t : toggles) {
            SCOPED_TRACE(std::string(t.caption) + (album ? " album" : " format"));
            bool& mine = e.settings.*(album ? t.album : t.format);
            const bool other = e.settings.*(album ? t.format : t.album);
            QToolButton* button = bandButton(e, "ToggleBand", QString::fromUtf8(t.caption));
            ASSERT_TRUE(button);
            QAction* menu = e.form->command(t.command);
            ASSERT_TRUE(menu->isCheckable());
            const bool was = mine;
            EXPECT_EQ(button->isChecked(), was);
            EXPECT_EQ(t.inEffect(*e.form), was);
            QTest::mouseClick(button, Qt::LeftButton);
            EXPECT_EQ(mine, !was);
            EXPECT_EQ(e.settings.*(album ? t.format : t.album), other);
            EXPECT_EQ(menu->isChecked(), !was);
            EXPECT_EQ(button->isChecked(), !was);
            EXPECT_EQ(t.inEffect(*e.form), !was);
        }
        e.messages.reply(Messages::Answer::No);
    }
    // 連続貼付 kept on: the next editor starts with it, the menu checked.
    Editor e(DocKind::Album, {}, [](Settings& s) { s.grphRenzoku = true; });
    EXPECT_TRUE(e.form->sheet()->Continued);
    EXPECT_TRUE(e.form->command("Mn_Renzoku")->isChecked());
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, ZoomStepsAndTheGridList)
{
    Editor e;
    QComboBox* zoom = e.form->zoomBox();
    QToolButton* smaller = bandButton(e, "ZoomBand", QStringLiteral("縮小"));
    QToolButton* larger = bandButton(e, "ZoomBand", QStringLiteral("拡大"));
    ASSERT_TRUE(smaller && larger);
    const struct {
        const char* from;
        const char* button;
        const char* to;
    } steps[] = {
        {"100%", "拡大", "150%"}, {"150%", "縮小", "100%"}, {"100%", "縮小", "90%"},
        {"40%", "縮小", "30%"},   {"650%", "拡大", "700%"},
    };
    for (const auto& s : steps) {
        pick(zoom, QString::fromUtf8(s.from));
        QTest::mouseClick(QString::fromUtf8(s.button) == QStringLiteral("縮小") ? smaller : larger, Qt::LeftButton);
        EXPECT_EQ(zoom->currentText(), QString::fromUtf8(s.to)) << s.from << " " << s.button;
        EXPECT_EQ(e.form->sheet()->Ritu(), leadingInteger(zoom->currentText()));
    }
    // At the ends of the list the button does nothing.
    pick(zoom, QStringLiteral("30%"));
    EXPECT_FALSE(smaller->isEnabled());
    QTest::mouseClick(smaller, Qt::LeftButton);
    EXPECT_EQ(zoom->currentText(), QStringLiteral("30%"));
    pick(zoom, QStringLiteral("700%"));
    EXPECT_FALSE(larger->isEnabled());
    QTest::mouseClick(larger, Qt::LeftButton);
    EXPECT_EQ(zoom->currentText(), QStringLiteral("700%"));
    EXPECT_TRUE(smaller->isEnabled());

    // From a fitting entry: the neighbours of the zoom shown now.
    const auto percentAt = [&](int i) { return leadingInteger(zoom->itemText(i)); };
    for (const char* fitting : {"自動", "画面内", "幅"}) {
        for (bool up : {false, true}) {
            SCOPED_TRACE(std::string(fitting) + (up ? " 拡大" : " 縮小"));
            pick(zoom, QString::fromUtf8(fitting));
            const int shown = e.form->sheet()->Ritu();
            ASSERT_GT(shown, 30);
            ASSERT_LT(shown, 700);
            QTest::mouseClick(up ? larger : smaller, Qt::LeftButton);
            const int i = zoom->currentIndex();
            ASSERT_GE(i, 3);
            if (up) {
                EXPECT_GT(percentAt(i), shown);
                EXPECT_TRUE(i == 3 || percentAt(i - 1) <= shown);
            } else {
                EXPECT_LT(percentAt(i), shown);
                EXPECT_TRUE(i == zoom->count() - 1 || percentAt(i + 1) >= shown);
            }
        }
    }

    // The grid list: the mode's pitch, 0 for 無.
    QComboBox* grid = e.form->gridBox();
    QStringList captions;
    for (int i = 0; i < grid->count(); ++i)
        captions << grid->itemText(i);
    EXPECT_EQ(captions, (QStringList{"無", "1mm", "2mm", "5mm", "10mm", "20mm", "30mm", "40mm", "50mm", "60mm",
                                     "70mm", "80mm", "90mm", "100mm"}));
    EXPECT_EQ(grid->currentText(), QStringLiteral("5mm"));
    for (const auto& [caption, pitch] : {std::pair{"20mm", 20}, std::pair{"無", 0}, std::pair{"1mm", 1}}) {
        pick(grid, QString::fromUtf8(caption));
        EXPECT_EQ(e.settings.grphGridPitch, pitch) << caption;
        EXPECT_EQ(e.settings.formGridPitch, 5);
        EXPECT_EQ(e.form->sheet()->GridPitch, mm(pitch)) << caption;
    }
    e.messages.reply(Messages::Answer::No);

    // A kept pitch the list lacks joins it in order and is shown.
    Editor f(DocKind::Format, {}, [](Settings& s) { s.formGridPitch = 3; });
    EXPECT_EQ(f.form->gridBox()->currentText(), QStringLiteral("3mm"));
    EXPECT_EQ(f.form->gridBox()->itemText(f.form->gridBox()->currentIndex() - 1), QStringLiteral("2mm"));
    EXPECT_EQ(f.form->sheet()->GridPitch, mm(3));
    f.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, BandLayoutKeptPerMode)
{
    QMap<QString, QByteArray> kept;
    QStringList restored;
    const auto hooks = [&](GrphSetup& s) {
        s.callbacks.restoreBands = [&](const QString& name) {
            restored << name;
            return kept.value(name);
        };
        s.callbacks.saveBands = [&](const QString& name, const QByteArray& state) { kept[name] = state; };
    };
    const auto builtIn = [](const Editor& e) {
        EXPECT_EQ(e.form->toolBarArea(band(e, "GridBand")), Qt::TopToolBarArea);
        EXPECT_TRUE(band(e, "ToggleBand")->isVisible());
    };
    {
        Editor e(DocKind::Album, hooks);
        builtIn(e);
        // The grid band dragged to the bottom, the toggle band hidden from the bands' menu.
        e.form->addToolBar(Qt::BottomToolBarArea, band(e, "GridBand"));
        band(e, "ToggleBand")->toggleViewAction()->trigger();
        ASSERT_TRUE(e.form->close());
    }
    ASSERT_TRUE(kept.contains(QStringLiteral("CoolBar_Album")));
    {
        Editor e(DocKind::Album, hooks);
        EXPECT_EQ(e.form->toolBarArea(band(e, "GridBand")), Qt::BottomToolBarArea);
        EXPECT_FALSE(band(e, "ToggleBand")->isVisible());
        EXPECT_TRUE(band(e, "PageBand")->isVisible());
        ASSERT_TRUE(e.form->close());
    }
    {
        Editor f(DocKind::Format, hooks);
        builtIn(f);
        ASSERT_TRUE(f.form->close());
    }
    EXPECT_EQ(restored, (QStringList{"CoolBar_Album", "CoolBar_Album", "CoolBar_Form"}));
    EXPECT_EQ(QStringList(kept.keys()), (QStringList{"CoolBar_Album", "CoolBar_Form"}));

    // What cannot be read as a layout of this version leaves the built-in one.
    const QByteArray good = kept.value(QStringLiteral("CoolBar_Album"));
    QByteArray otherVersion;
    {
        Editor e(DocKind::Album, hooks);
        otherVersion = e.form->saveState(TGrphMainForm::kBandLayoutVersion + 1);
        ASSERT_TRUE(e.form->close());
    }
    for (const QByteArray& damaged : {QByteArray("not a layout"), good.left(good.size() / 2), otherVersion}) {
        kept[QStringLiteral("CoolBar_Album")] = damaged;
        Editor e(DocKind::Album, hooks);
        builtIn(e);
        e.messages.reply(Messages::Answer::No);
    }
}

TEST(GrphMainForm, EscDuringRebuild)
{
    const auto pagesOf = [](Editor& e) {
        e.doc().storeCurrentPage();
        QMap<int, QByteArray> pages;
        for (int n : e.doc().work().pages())
            pages.insert(n, e.doc().work().read(n));
        return pages;
    };
    // Seven photos on pages 1–3, the album saved.
    const auto prepared = [](Editor& e) {
        e.form->pour(e.records(1, 7));
        ASSERT_TRUE(e.form->saveAs(QStringLiteral("帳面"), QStringLiteral("題")));
        e.messages.clear();
    };
    {
        // Cancelled while surveying the three pages: nothing changes.
        Editor e;
        prepared(e);
        const QMap<int, QByteArray> before = pagesOf(e);
        e.messages.reply(Messages::Answer::Yes);
        e.progress.stopAfter = 2;
        e.form->command("Mn_Rebuild")->trigger();
        EXPECT_EQ(pagesOf(e), before);
        EXPECT_FALSE(e.doc().modified);
        EXPECT_EQ(e.messages.boxes(), QStringList{QStringLiteral("askThree: ") + kRebuildQuestion});
        EXPECT_EQ(e.progress.started, 3);
        e.messages.reply(Messages::Answer::No);
    }
    // Cancelled while pouring again, all pages or from page 2: the photos not
    // poured yet would drop out of the album, so every page is put back as it
    // was and no completion is reported.
    const struct {
        const char* name;
        Messages::Answer answer;
        int stopAfter;  // the step that stops, counted in each phase: beyond the survey's pages
        int poured;     // the photos the pour set out to place
    } cases[] = {{"all pages", Messages::Answer::Yes, 4, 7}, {"from page 2", Messages::Answer::No, 3, 4}};
    for (const auto& c : cases) {
        Editor e;
        prepared(e);
        e.form->gotoPage(3);
        const QMap<int, QByteArray> before = pagesOf(e);
        const QMap<int, QList<RECORD>> photos = e.photosByPage();
        e.messages.clear();
        e.messages.reply(c.answer);
        if (c.answer == Messages::Answer::No)
            e.messages.replyText("2");
        e.progress.stopAfter = c.stopAfter;
        e.form->command("Mn_Rebuild")->trigger();
        EXPECT_EQ(e.progress.started, c.poured) << c.name;  // the pour had begun
        EXPECT_EQ(pagesOf(e), before) << c.name;
        EXPECT_EQ(e.photosByPage(), photos) << c.name;
        EXPECT_EQ(e.doc().currentPage(), 3) << c.name;
        EXPECT_FALSE(e.doc().modified) << c.name;
        for (const QString& b : e.messages.boxes())  // the questions only: no completion, no error
            EXPECT_FALSE(b.startsWith(QStringLiteral("information: ")) || b.startsWith(QStringLiteral("error: ")))
                << c.name << ": " << b.toStdString();
        // Moving on keeps the pages as they are.
        e.form->gotoPage(1);
        EXPECT_EQ(pagesOf(e), before) << c.name;
        e.messages.reply(Messages::Answer::No);
    }
}

TEST(GrphMainForm, PreviewsPaperButtonOpensThePaperSettings)
{
    Editor e;
    e.form->pour({1});
    bool enabled = false, paperDialog = false;
    QTimer::singleShot(0, [&] {
        auto* preview = qobject_cast<TPrvForm*>(QApplication::activeModalWidget());
        ASSERT_TRUE(preview);
        QPushButton* paper = nullptr;
        for (QPushButton* b : preview->findChildren<QPushButton*>())
            if (b->text() == QStringLiteral("用紙(&E)"))
                paper = b;
        ASSERT_TRUE(paper);
        enabled = paper->isEnabled();
        QTimer::singleShot(0, [&, preview] {
            QWidget* dialog = QApplication::activeModalWidget();
            paperDialog = dialog && dialog->windowTitle() == QStringLiteral("用紙共通設定");
            if (auto* d = qobject_cast<QDialog*>(dialog))
                d->reject();
            preview->accept();
        });
        paper->click();
    });
    e.form->command("Mn_Preview")->trigger();
    EXPECT_TRUE(enabled);
    EXPECT_TRUE(paperDialog);
    EXPECT_TRUE(e.form->isVisible());
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, PouringFromTheItemPaletteGoesBackToTheSelectionTool)
{
    zbtest::TempDir lists;
    zbtest::writeAll(lists.file("ZBGRPH.LST"), sjis::toBytes(QStringLiteral("100.工事名称\r\n\r\n\r\n")));
    Editor e(DocKind::Album, [&](GrphSetup& s) { s.palettePath = lists.file("ZBGRPH.LST"); });
    auto* tools = e.form->findChild<QToolBar*>(QStringLiteral("ToolPalette"));
    ASSERT_TRUE(tools);
    QAction* item = nullptr;
    for (QAction* a : tools->actions())
        if (a->text() == QStringLiteral("工事情報/写真情報"))
            item = a;
    ASSERT_TRUE(item);
    QTest::mouseClick(tools->widgetForAction(item), Qt::LeftButton);
    auto* palette = e.form->findChild<items::TAddForm*>();
    ASSERT_TRUE(palette && palette->isVisible());
    const qsizetype before = e.doc().page.parts.size();
    QTest::mouseClick(palette->pourButton(), Qt::LeftButton);
    EXPECT_EQ(e.doc().page.parts.size(), before + 1);
    EXPECT_FALSE(palette->isVisible());
    EXPECT_EQ(e.form->sheet()->tool(), std::nullopt);
    EXPECT_FALSE(item->isChecked());
    EXPECT_TRUE(tools->actions().first()->isChecked());
    e.messages.reply(Messages::Answer::No);
}

TEST(GrphMainForm, AlbumEditorOpensBesideTheMainWindow)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize editor(1100, 800);
    const struct {
        QRect main;
        QPoint at;
    } cases[] = {
        {QRect(0, 0, 800, 600), QPoint(800, 0)},        // room on the right
        {QRect(1120, 100, 800, 600), QPoint(20, 100)},  // room on the left only
        {QRect(400, 500, 1000, 700), QPoint(820, 280)}, // neither: the wider side, kept on the screen
        {QRect(0, 0, 1920, 1080), QPoint(820, 0)},      // a main window filling the screen
    };
    for (const auto& c : cases)
        EXPECT_EQ(besideWindow(c.main, editor, screen), QRect(c.at, editor)) << c.main.x() << "," << c.main.y();

    // Without a kept place the editor opens there.
    const QRect main(40, 30, 300, 200);
    Editor e(DocKind::Album, [&](GrphSetup& s) { s.besideOf = main; });
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(e.form->frameGeometry().topLeft(),
              besideWindow(main, e.form->frameGeometry().size(), available).topLeft());
    e.messages.reply(Messages::Answer::No);
}
