// The import commands as the main window runs them, the photo file chooser
// and the folder dialog.
#include "settings/settings.h"
#include "core/scripted_ports.h"
#include "fixtures.h"
#include "imaging/graphic_kind.h"
#include "imaging/stored_pictures.h"
#include "imaging/ui/folder_form.h"
#include "imaging/ui/graphic_select_form.h"
#include "imaging/photo_edits.h"
#include "imaging/ui/edit_commands.h"
#include "imaging/ui/import_commands.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "store/table_network.h"
#include "store/tree_file.h"
#include "support/temp_dir.h"
#include "workspace/hierarchy_model.h"
#include "workspace/job_workspace.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

using namespace zb;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_import_ui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down in the exit handlers crashes.
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

QByteArray camera(int w = 64, int h = 48, const QByteArray& thumbnail = {})
{
    zbtest::ExifLayout l;
    l.thumbnail = thumbnail;
    return zbtest::exifJpeg(l, zbtest::makeJpeg(w, h));
}

// An open job with its tree, and the import commands around it.
struct Desk {
    zbtest::TempDir dir;
    ScriptedMessages messages;
    ScriptedProgress progress;
    Folders folders;
    std::unique_ptr<TDataModule_Main> data;
    std::unique_ptr<JobLife> job;
    HierarchyModel tree;
    std::unique_ptr<JobWorkspace> workspace;
    std::unique_ptr<TImportCommands> commands;
    QList<int> refills;
    int drawingRefreshes = 0;
    bool reclaimShown = false;
    bool drawingFocus = false;
    QList<RECORD> selected;

    Desk()
    {
        app();
        appSettings() = Settings{};
        folders = resolveFolders(dir.path(), {}, {}, dir.path());
        createFolders(folders, messages);
        data = std::make_unique<TDataModule_Main>(folders, messages);
        job = std::make_unique<JobLife>(folders, *data, messages);
        workspace = std::make_unique<JobWorkspace>(*job, tree, messages);
        EXPECT_EQ(job->createJob(QStringLiteral("現場"), {}), JobLife::OpenResult::Opened);
        commands = std::make_unique<TImportCommands>(*job, tree, messages, progress, nullptr);
        commands->hooks.refillPhotoList = [this](int i) { refills << i; };
        commands->hooks.refreshDrawings = [this] { ++drawingRefreshes; };
        commands->hooks.setReclaimVisible = [this](bool on) { reclaimShown = on; };
        commands->hooks.drawingListFocused = [this] { return drawingFocus; };
        commands->hooks.selectedPhotos = [this] { return selected; };
        QDir().mkpath(dir.file("camera"));
        messages.clear();
    }
    ~Desk() { job->closeJob(); }

    QString source(const QString& name, const QByteArray& bytes)
    {
        const QString p = dir.file("camera/" + name);
        QDir().mkpath(QFileInfo(p).path());
        zbtest::writeAll(p, bytes);
        return p;
    }
    QList<RECORD> savedPhotos(int folder)
    {
        return readTreeFile(JobPaths{folders.dataFile, job->name()}.treeFile())->folders[folder].photos;
    }
    FolderNode* level2() { return tree.photoRoot()->child(0)->child(0); }
};

// Sends a drag of local files over a view's viewport and drops it there.
bool dropFiles(QAbstractItemView* view, const QPoint& pos, const QStringList& files)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& f : files)
        urls << QUrl::fromLocalFile(f);
    mime.setUrls(urls);
    QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &drop);
    QCoreApplication::processEvents();  // the import runs once the drop is over
    return drop.isAccepted();
}

}  // namespace

TEST(ImportCommands, ChosenFilesGoIntoTheSelectedFolderAndTheTreeIsSaved)
{
    Desk d;
    const QString a = d.source("DSCF0001.JPG", camera());
    const QString b = d.source("DSCF0002.JPG", camera());
    QString start;
    d.commands->chooseFiles = [&](const QString& s) -> std::optional<TImportCommands::FileChoice> {
        start = s;
        return TImportCommands::FileChoice{{b, a}, d.dir.file("camera")};
    };
    appSettings().graphPath = d.dir.path();
    d.tree.select(d.level2());
    d.commands->importFiles();
    EXPECT_EQ(start, d.dir.path());
    EXPECT_EQ(appSettings().graphPath, d.dir.file("camera"));
    EXPECT_EQ(d.level2()->photos, (QList<RECORD>{1, 2}));
    EXPECT_EQ(d.savedPhotos(3), (QList<RECORD>{1, 2}));
    EXPECT_EQ(d.refills, QList<int>{1});
    ASSERT_TRUE(d.job->photoTable().locate(1));
    PhotoFields f;
    f.lookUp(d.job->photoTable());
    EXPECT_EQ(d.job->photoTable().value(f[F_FILENAME]).toString(), "DSCF0002");
    EXPECT_EQ(d.messages.boxes(), QStringList());
    EXPECT_EQ(d.progress.started, 2);

    // The construction-photo root takes no photos.
    d.tree.select(d.tree.photoRoot());
    d.commands->importFiles();
    EXPECT_EQ(d.messages.boxes(), QStringList{"information: " + kImportTargetRefused});

    // 中止 imports nothing but keeps the folder shown last.
    d.messages.clear();
    d.commands->chooseFiles = [&](const QString&) -> std::optional<TImportCommands::FileChoice> {
        return TImportCommands::FileChoice{{}, d.dir.path()};
    };
    d.tree.select(d.tree.unclassified());
    d.commands->importFiles();
    EXPECT_TRUE(d.tree.unclassified()->photos.isEmpty());
    EXPECT_EQ(appSettings().graphPath, d.dir.path());
}

// The space warning and the hidden 領域の確保 command follow the room left on
// the job's disk.
TEST(ImportCommands, ShortDiskShowsTheWarningAndTheReclaimCommand)
{
    for (bool full : {false, true}) {
        Desk d;
        setFreeSpaceProbe([full](const QString&) { return full ? qint64(0) : qint64(1) << 40; });
        d.commands->chooseFiles = [&](const QString&) -> std::optional<TImportCommands::FileChoice> {
            return TImportCommands::FileChoice{{d.source("a.jpg", camera())}, QString()};
        };
        d.tree.select(d.level2());
        d.commands->importFiles();
        setFreeSpaceProbe({});
        EXPECT_EQ(d.level2()->photos, QList<RECORD>{1}) << full;
        EXPECT_EQ(d.messages.boxes(), full ? QStringList{"notice: " + kImportBlobTooLarge} : QStringList()) << full;
        EXPECT_EQ(d.reclaimShown, full);
    }
}

TEST(ImportCommands, FolderImportScansAsksAndRemembersTheChoice)
{
    for (bool yes : {true, false}) {
        Desk d;
        d.source("a/1.jpg", camera());
        d.source("a/sub/2.jpg", camera());
        d.source("a/notes.txt", "x");
        appSettings().folderDown = false;
        bool offeredSub = true;
        d.commands->chooseFolder = [&](const QString&, bool sub) -> std::optional<TImportCommands::FolderChoice> {
            offeredSub = sub;
            return TImportCommands::FolderChoice{d.dir.file("camera/a"), true};
        };
        d.commands->escPressed = [] { return false; };
        d.messages.reply(yes);
        d.commands->importFolder();
        EXPECT_FALSE(offeredSub);
        EXPECT_TRUE(appSettings().folderDown);
        EXPECT_EQ(appSettings().graphDir, d.dir.file("camera/a"));
        EXPECT_EQ(d.messages.boxes(), QStringList{"ask: 合計 2枚の写真があります 一括読込しますか？"});
        EXPECT_EQ(d.messages.log.contains("status:  2件"), true);
        EXPECT_EQ(d.messages.log.last(), "status: ");  // the count is cleared at the end
        EXPECT_EQ(d.tree.unclassified()->photos, yes ? (QList<RECORD>{1, 2}) : QList<RECORD>{});
    }
}

TEST(ImportCommands, EscDuringTheFolderScanOffersWhatWasFound)
{
    Desk d;
    for (int i = 0; i < 4; ++i)
        d.source(QString("p%1.jpg").arg(i), camera());
    d.commands->chooseFolder = [&](const QString&, bool) -> std::optional<TImportCommands::FolderChoice> {
        return TImportCommands::FolderChoice{d.dir.file("camera"), false};
    };
    int polls = 0;
    d.commands->escPressed = [&] { return ++polls == 1; };
    d.messages.reply(true);   // stop the scan
    d.messages.reply(false);  // do not import the one found
    d.commands->importFolder();
    EXPECT_EQ(d.messages.boxes(), (QStringList{"ask: [ESC]キーが押されました 処理を中止しますか？",
                                               "ask: 合計 1枚の写真があります 一括読込しますか？"}));
    EXPECT_TRUE(d.tree.unclassified()->photos.isEmpty());
}

TEST(ImportCommands, DroppedFilesOnTheListsAndOnTreeFolders)
{
    Desk d;
    const QString a = d.source("1.jpg", camera());
    const QString b = d.source("2.jpg", camera());
    QListWidget list, drawings;
    QTreeView treeView;
    treeView.setModel(&d.tree);
    treeView.expandAll();
    treeView.resize(400, 600);
    list.resize(300, 300);
    drawings.resize(300, 300);
    d.commands->watchDrops(&list, &drawings, &treeView);

    // On the photo list: the selected folder, in the order delivered.
    d.tree.select(d.tree.unclassified());
    EXPECT_TRUE(dropFiles(&list, {10, 10}, {b, a}));
    EXPECT_EQ(d.tree.unclassified()->photos, (QList<RECORD>{1, 2}));

    // On a tree folder that takes photos: that folder is selected and filled.
    const QRect r = treeView.visualRect(d.tree.indexOf(d.level2()));
    ASSERT_TRUE(r.isValid());
    EXPECT_TRUE(dropFiles(&treeView, r.center(), {a}));
    EXPECT_EQ(d.tree.selected(), d.level2());
    EXPECT_EQ(d.level2()->photos, QList<RECORD>{3});
    EXPECT_EQ(d.savedPhotos(3), QList<RECORD>{3});

    // The root and the folder below it refuse the drop.
    const QRect root = treeView.visualRect(d.tree.indexOf(d.tree.photoRoot()));
    EXPECT_FALSE(dropFiles(&treeView, root.center(), {a}));

    // On the drawing list: a drawing of the one selected photo.
    d.selected = {3};
    EXPECT_TRUE(dropFiles(&drawings, {10, 10}, {b}));
    EXPECT_EQ(d.drawingRefreshes, 1);
    ASSERT_TRUE(d.job->photoTable().locate(3));
    PhotoFields f;
    f.lookUp(d.job->photoTable());
    EXPECT_EQ(d.job->photoTable().value(f[F_REC_DRA1]).toInt(), 4);
    EXPECT_EQ(d.level2()->photos, QList<RECORD>{3});

    // A dropped folder stands for its pictures, in the place it was dropped.
    d.tree.select(d.tree.unclassified());
    const QString c = d.source("sub/3.jpg", camera());
    d.source("sub/notes.txt", "x");
    d.source("sub/deeper/4.jpg", camera());
    EXPECT_TRUE(dropFiles(&list, {10, 10}, {a, d.dir.file("camera/sub")}));
    EXPECT_EQ(d.tree.unclassified()->photos, (QList<RECORD>{1, 2, 5, 6}));
    ASSERT_TRUE(d.job->photoTable().locate(6));
    EXPECT_EQ(d.job->photoTable().value(f[F_FILENAME]).toString(), QFileInfo(c).completeBaseName());

    // Nothing is taken in list mode.
    d.tree.setListMode(true);
    EXPECT_FALSE(dropFiles(&list, {10, 10}, {a}));
    d.tree.setListMode(false);
    EXPECT_EQ(d.messages.boxes(), QStringList());
}

TEST(ImportCommands, PasteTakesTheClipboardPictureForTheFocusedList)
{
    Desk d;
    QMimeData mime;
    mime.setImageData(zbtest::patternBitmap(40, 30));
    d.commands->clipboard = [&] { return &mime; };
    d.commands->paste();
    EXPECT_EQ(d.tree.unclassified()->photos, QList<RECORD>{1});

    QMimeData meta;
    meta.setData("image/x-emf", zbtest::makeEmf(100, 80, 0x00ff00, 0, 0, 50, 50));
    d.commands->clipboard = [&] { return &meta; };
    d.drawingFocus = true;
    d.selected = {1};
    d.commands->paste();
    PhotoFields f;
    f.lookUp(d.job->photoTable());
    ASSERT_TRUE(d.job->photoTable().locate(2));
    EXPECT_EQ(d.job->photoTable().value(f[F_GRA_FLAG]).toInt(), 20);
    ASSERT_TRUE(d.job->photoTable().locate(1));
    EXPECT_EQ(d.job->photoTable().value(f[F_REC_DRA1]).toInt(), 2);

    // Files copied in the file manager are imported like a drop.
    QMimeData copied;
    copied.setUrls({QUrl::fromLocalFile(d.source("3.jpg", camera()))});
    d.commands->clipboard = [&] { return &copied; };
    d.drawingFocus = false;
    d.commands->paste();
    EXPECT_EQ(d.tree.unclassified()->photos, (QList<RECORD>{1, 3}));

    // A clipboard without a picture (text only) says so and adds nothing.
    QMimeData text;
    text.setText("文字だけ");
    d.commands->clipboard = [&] { return &text; };
    d.commands->paste();
    EXPECT_EQ(d.messages.boxes(), QStringList{"information: " + kImportClipboardEmpty});
    EXPECT_EQ(d.tree.unclassified()->photos, (QList<RECORD>{1, 3}));
}

TEST(ImportForms, FolderFormInImportMode)
{
    app();
    zbtest::TempDir dir;
    QDir().mkpath(dir.file("写真/現場"));
    TFolderForm form;
    EXPECT_EQ(form.windowTitle(), "フォルダの選択");
    EXPECT_TRUE(form.subfolderBox->isHidden());
    form.setMode(TFolderForm::kModeImport);
    form.setMessage(kFolderImportMessage);
    form.setFolder(dir.file("写真/現場/なし"));  // missing: its parent
    form.setSubfolders(true);
    EXPECT_FALSE(form.subfolderBox->isHidden());
    EXPECT_EQ(form.subfolderBox->text(), "階層下も含む");
    EXPECT_EQ(form.messageLabel->text(), "指定したフォルダに含まれる全ての写真(画像)を一括して取込します。");
    EXPECT_EQ(form.folder(), dir.file("写真/現場"));
    EXPECT_TRUE(form.subfolders());
    QTest::mouseClick(form.okButton, Qt::LeftButton);
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// The folder dialog opens with the tree expanded down to the remembered
// folder, which is selected and in view.
TEST(ImportForms, FolderFormOpensExpandedToTheFolder)
{
    app();
    zbtest::TempDir dir;
    for (int i = 0; i < 40; ++i)
        QDir().mkpath(dir.file(QString("撮影/%1").arg(i, 2, 10, QLatin1Char('0'))));
    QDir().mkpath(dir.file("撮影/39/現場/奥"));
    TFolderForm form;
    form.setFolder(dir.file("撮影/39/現場"));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* model = static_cast<QFileSystemModel*>(form.folderTree->model());
    const QModelIndex target = model->index(dir.file("撮影/39/現場"));
    ASSERT_TRUE(target.isValid());
    // The folders beside the way arrive later; the folder stays in view.
    const QModelIndex shots = model->index(dir.file("撮影"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return model->rowCount(shots) == 40; }, 5000));
    QTest::qWait(200);
    for (QModelIndex p = target.parent(); p.isValid(); p = p.parent())
        EXPECT_TRUE(form.folderTree->isExpanded(p)) << model->filePath(p).toStdString();
    EXPECT_EQ(form.folderTree->currentIndex(), target);
    const QRect r = form.folderTree->visualRect(target);
    EXPECT_FALSE(r.isEmpty());
    EXPECT_TRUE(form.folderTree->viewport()->rect().contains(r.center())) << r.y();
    EXPECT_EQ(form.folder(), dir.file("撮影/39/現場"));
}

TEST(ImportForms, ChooserListsPicturesAndReturnsTheSelectionInListOrder)
{
    app();
    zbtest::TempDir dir;
    const QByteArray thumb = zbtest::makeJpeg(160, 120);
    zbtest::writeAll(dir.file("b.JPG"), camera(640, 480, thumb));
    zbtest::writeAll(dir.file("a.png"), QByteArray());
    zbtest::writeAll(dir.file("c.jpg"), zbtest::makeJpeg(320, 240));
    zbtest::writeAll(dir.file("notes.txt"), "x");
    ScriptedMessages m;
    TGrphSelForm form(m);
    EXPECT_EQ(form.windowTitle(), "写真の選択");
    form.setMask(ImportFileMask());
    form.setFolder(dir.path());
    QFileSystemModel* files = form.files();
    ASSERT_TRUE(QTest::qWaitFor([&] { return files->rowCount(files->index(dir.path())) == 3; }, 5000));
    files->sort(0);
    form.selectAll();
    EXPECT_EQ(form.selectedFiles(), (QStringList{dir.file("a.png"), dir.file("b.JPG"), dir.file("c.jpg")}));
    EXPECT_EQ(form.fileNameEdit->text(), "\"a.png\" \"b.JPG\" \"c.jpg\"");

    // Thumbnail mode: the camera file is drawn from its EXIF thumbnail.
    QTest::mouseClick(form.listButton, Qt::LeftButton);
    EXPECT_TRUE(form.thumbnailMode());
    const QImage fromExif = chooserThumbnail(dir.file("b.JPG"), 96);
    EXPECT_EQ(fromExif.size(), QSize(96, 72));
    EXPECT_EQ(chooserThumbnail(dir.file("c.jpg"), 96).size(), QSize(96, 72));
    EXPECT_TRUE(chooserThumbnail(dir.file("a.png"), 96).isNull());
    // Made on a worker thread; the item shows it once it is there.
    const QModelIndex camera = form.fileList->model()->index(1, 0, form.fileList->rootIndex());
    auto decoration = [&] { return form.fileList->model()->data(camera, Qt::DecorationRole).value<QImage>(); };
    decoration();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !decoration().isNull(); }, 5000));
    EXPECT_EQ(decoration().size(), QSize(96, 72));

    // A typed name stands for a file of the folder.
    form.fileList->clearSelection();
    form.fileNameEdit->setText("c.jpg");
    EXPECT_EQ(form.selectedFiles(), QStringList{dir.file("c.jpg")});

    // New folder through the input box.
    m.replyText(QStringLiteral("新規"));
    form.createFolder();
    EXPECT_TRUE(QFileInfo(dir.file("新規")).isDir());
    EXPECT_EQ(form.folder(), dir.file("新規"));
}

// 表示 passes the one selected picture file to the viewer; the import's
// chooser gets the window's viewer.
TEST(ImportForms, ChooserViewButtonPassesOnePictureFile)
{
    app();
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("c.jpg"), zbtest::makeJpeg(32, 24));
    zbtest::writeAll(dir.file("d.jpg"), zbtest::makeJpeg(32, 24));
    ScriptedMessages m;
    TGrphSelForm form(m);
    QStringList shown;
    form.showPicture = [&](const QString& p) { shown << p; };
    form.setMask(ImportFileMask());
    form.setFolder(dir.path());
    QFileSystemModel* files = form.files();
    ASSERT_TRUE(QTest::qWaitFor([&] { return files->rowCount(files->index(dir.path())) == 2; }, 5000));
    files->sort(0);
    auto select = [&](int row, QItemSelectionModel::SelectionFlags how) {
        form.fileList->selectionModel()->select(form.fileList->model()->index(row, 0, form.fileList->rootIndex()), how);
    };
    select(0, QItemSelectionModel::ClearAndSelect);
    ASSERT_TRUE(form.viewButton->isEnabled());
    QTest::mouseClick(form.viewButton, Qt::LeftButton);
    EXPECT_EQ(shown, QStringList{dir.file("c.jpg")});
    select(1, QItemSelectionModel::Select);
    EXPECT_FALSE(form.viewButton->isEnabled());

    Desk d;
    QStringList viewed;
    d.commands->hooks.showPicture = [&](const QString& p) { viewed << p; };
    bool hooked = false;
    QTimer::singleShot(0, [&] {
        auto* chooser = qobject_cast<TGrphSelForm*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        hooked = static_cast<bool>(chooser->showPicture);
        if (hooked)
            chooser->showPicture(dir.file("d.jpg"));
        chooser->reject();
    });
    d.commands->importFiles();
    EXPECT_TRUE(hooked);
    EXPECT_EQ(viewed, QStringList{dir.file("d.jpg")});
}

// What クリップボードへコピー puts on the clipboard: a bitmap as an image; a
// metafile as its own bytes, an SVG rendering and an image.
TEST(EditCommands, ClipboardDataOfStoredPictures)
{
    app();
    ScriptedMessages m;
    ChosenPicture jpeg;
    jpeg.bytes = camera(64, 48);
    jpeg.kind = kKindJpeg;
    std::unique_ptr<QMimeData> a(PictureMimeData(jpeg, m));
    ASSERT_TRUE(a);
    EXPECT_TRUE(a->hasImage());
    EXPECT_EQ(qvariant_cast<QImage>(a->imageData()).size(), QSize(64, 48));
    EXPECT_FALSE(a->hasFormat(QStringLiteral("image/svg+xml")));

    struct Case {
        QByteArray bytes;
        QString type;
    };
    for (const Case& c : {Case{zbtest::makeWmf(60, 40, 0x0000FF, 5, 5, 30, 20), QStringLiteral("image/x-wmf")},
                          Case{zbtest::makeEmf(60, 40, 0x00FF00, 5, 5, 30, 20), QStringLiteral("image/x-emf")}}) {
        ChosenPicture meta;
        meta.bytes = c.bytes;
        meta.kind = kKindMetafile;
        std::unique_ptr<QMimeData> d(PictureMimeData(meta, m));
        ASSERT_TRUE(d) << c.type.toStdString();
        EXPECT_EQ(d->data(c.type), c.bytes);
        EXPECT_TRUE(d->data(QStringLiteral("image/svg+xml")).contains("<svg")) << c.type.toStdString();
        EXPECT_TRUE(d->hasImage());
    }
    // A damaged picture gives nothing.
    ChosenPicture broken;
    broken.bytes = QByteArray::fromHex("FFD8FFE0") + QByteArray(" broken");
    EXPECT_EQ(PictureMimeData(broken, m), nullptr);
}
