// The photo list ListView and the drawing list ListView2 with their panel,
// driven as a user would on the offscreen platform.
#include "core/scripted_ports.h"
#include "imaging/import.h"
#include "store/data_module.h"
#include "store/table_network.h"
#include "support/temp_dir.h"
#include "workspace/drawing_list.h"
#include "workspace/photo_list.h"
#include "workspace/ui/job_workbench.h"
#include "workspace/ui/photo_list_panel.h"
#include "workspace/ui/tree_view.h"

#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_photo_list_view";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// A job "J" open in a workbench, its photo list shown with a status panel.
struct Job {
    bool started = (app(), true);
    zbtest::TempDir dir;
    Folders folders;
    ScriptedMessages messages;
    std::unique_ptr<TDataModule_Main> data;
    QWidget window;
    std::unique_ptr<TJobWorkbench> bench;
    QLabel position;
    QTimer sanko, noSel, view;
    PhotoFields f;

    Job()
    {
        folders = resolveFolders(dir.path(), {}, {}, dir.path());
        SilentMessages quiet;
        createFolders(folders, quiet);
        data = std::make_unique<TDataModule_Main>(folders, messages);
        bench = std::make_unique<TJobWorkbench>(folders, *data, messages, &window);
        bench->job().hooks.chooseJob = [](const QString&) { return std::optional<JobChoice>(JobChoice{"J", {}}); };
        EXPECT_TRUE(bench->openJobList());
        f.lookUp(table());
        for (QTimer* t : {&sanko, &noSel, &view})
            t->setSingleShot(true);
        panel().setWindowHooks({&position, &sanko, &noSel, &view, {}, {}});
        list()->resize(700, 500);
        list()->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(list()));
    }
    ~Job() { bench.reset(); }

    TPhotoListPanel& panel() { return *bench->photoList(); }
    TPhotoListView* list() { return panel().listView(); }
    TDrawingListView* list2() { return panel().listView2(); }
    TTableNetWork& table() { return bench->job().photoTable(); }
    FolderNode* folder() { return bench->tree().unclassified(); }

    void photo(RECORD r, const QString& title = {}, QList<RECORD> drawings = {}, bool edited = false, int flag = 0)
    {
        table().append();
        table().setValue(f[F_RECORD], r);
        table().setValue(f[F_TITLE], title);
        table().setValue(f[F_FLAG], flag);
        const PhotoField slotFields[] = {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3};
        for (int i = 0; i < drawings.size(); ++i)
            table().setValue(f[slotFields[i]], drawings[i]);
        if (edited)
            table().writeBlob(f[F_IMAGE_NOW], QByteArray("edited"));
        table().post();
    }
    // Photos 1-5 in 未分類, shown through the tree's selection.
    void fiveInFolder()
    {
        for (RECORD r = 1; r <= 5; ++r)
            photo(r, QStringLiteral("写真%1").arg(r));
        folder()->photos = {1, 2, 3, 4, 5};
        show(folder());
    }
    // The user chooses a folder in the tree.
    void show(FolderNode* node)
    {
        bench->tree().select(nullptr);
        bench->tree().select(node);
        QApplication::processEvents();
    }
    QStringList captions()
    {
        QStringList out;
        for (int i = 0; i < list()->count(); ++i)
            out << list()->item(i)->text();
        return out;
    }
    // Gives a list the keyboard focus, as a click into its window would.
    void focus(QWidget* w)
    {
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        w->setFocus();
    }
    // Imports a picture file into a folder as the import command does: the
    // rows, the folder's list, then the list refilled at the last item.
    QList<RECORD> import(FolderNode* node, const QString& path)
    {
        ImportJob ij;
        ij.table = &table();
        ij.fields = f;
        ij.backFolder = dir.file("BACK");
        QList<RECORD> photos = node->photos;
        ImportTarget target;
        target.folder = &photos;
        target.folderAcceptsPhotos = true;
        ImportSettings settings;
        settings.backupFile = false;
        ScriptedProgress progress;
        ImportResult result;
        EXPECT_TRUE(ImportPictures(ij, QStringList{path}, target, settings, messages, progress, &result));
        bench->tree().appendPhotos(node, result.added);
        panel().refillPhotoList(int(node->photos.size()) - 1);
        return result.added;
    }
    // What the list shows now.
    QImage shot(QListWidget* v)
    {
        v->viewport()->repaint();
        QApplication::processEvents();
        return v->viewport()->grab().toImage();
    }
    QPoint centre(QListWidget* v, int row) { return v->visualItemRect(v->item(row)).center(); }
    // Drops the given rows of a list on the item at `target`, as the drag would.
    void drop(QListWidget* v, const QString& format, const QList<int>& rows, int target)
    {
        v->clearSelection();
        for (int r : rows)
            if (r >= 0 && r < v->count())
                v->item(r)->setSelected(true);
        QStringList parts;
        for (int r : rows)
            parts << QString::number(r);
        QMimeData mime;
        mime.setData(format, parts.join(QLatin1Char(',')).toLatin1());
        const QPoint pos = centre(v, target);
        QDragEnterEvent enter(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v->viewport(), &enter);
        QDragMoveEvent move(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v->viewport(), &move);
        QDropEvent e(QPointF(pos), Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(v->viewport(), &e);
    }
};

}  // namespace

TEST(PhotoListUi, FillsFromTheFolderWithCaptionsAndPosition)
{
    Job j;
    j.photo(1, QStringLiteral("護岸工"));
    j.photo(2);
    j.folder()->photos = {1, 2, 9};
    j.show(j.folder());
    EXPECT_EQ(j.captions(), (QStringList{"護岸工", "(無題)", "(不明データ)"}));
    EXPECT_EQ(j.position.text(), "0 / 3");
    EXPECT_EQ(j.list()->focusPolicy(), Qt::StrongFocus);
    EXPECT_TRUE(j.list()->selectedItems().isEmpty());

    QTest::mouseClick(j.list()->viewport(), Qt::LeftButton, {}, j.centre(j.list(), 1));
    EXPECT_EQ(j.position.text(), "2 / 3");
    EXPECT_EQ(j.panel().selectedRecords(), QList<RECORD>{2});
    EXPECT_TRUE(j.sanko.isActive());

    // A wanted index past the end selects the last item.
    j.panel().refillPhotoList(7);
    EXPECT_EQ(j.panel().currentIndex(), 2);
    EXPECT_EQ(j.position.text(), "3 / 3");
    j.list()->clearSelection();
    EXPECT_EQ(j.position.text(), "0 / 3");
    EXPECT_TRUE(j.noSel.isActive());

    j.show(j.bench->tree().recycle());
    EXPECT_EQ(j.list()->count(), 0);
    EXPECT_EQ(j.position.text(), "0 / 0");
    EXPECT_EQ(j.list()->focusPolicy(), Qt::ClickFocus);
}

TEST(PhotoListUi, DeletingAnUnknownEntryRemovesOnlyTheEntry)
{
    Job j;
    j.photo(1);
    j.photo(2);
    j.folder()->photos = {1, 9, 2};
    j.show(j.folder());
    j.panel().selectRow(1);
    j.list()->setFocus();
    j.messages.reply(true);
    j.panel().deleteSelected();
    EXPECT_EQ(j.messages.boxes(), QStringList{QStringLiteral("confirm: ") + kMoveToRecycle});
    EXPECT_EQ(j.folder()->photos, (QList<RECORD>{1, 2}));
    EXPECT_TRUE(j.bench->tree().recycle()->photos.isEmpty());
    EXPECT_EQ(j.table().rowCount(), 2);
    EXPECT_TRUE(j.bench->tree().changed());
    // The list keeps the first deleted position.
    EXPECT_EQ(j.panel().currentIndex(), 1);
    EXPECT_EQ(j.position.text(), "2 / 2");

    // A real photo goes to ごみ箱, and inside ごみ箱 for good after its own question.
    j.panel().selectRow(0);
    j.messages.reply(true);
    j.panel().deleteSelected();
    EXPECT_EQ(j.bench->tree().recycle()->photos, QList<RECORD>{1});
    j.show(j.bench->tree().recycle());
    j.panel().selectRow(0);
    j.messages.clear();
    j.messages.reply(false);
    j.panel().deleteSelected();
    EXPECT_EQ(j.messages.boxes(), QStringList{QStringLiteral("confirm: ") + kDeleteForGood});
    EXPECT_EQ(j.list()->count(), 1);
    j.messages.reply(true);
    j.panel().deleteSelected();
    EXPECT_EQ(j.list()->count(), 0);
    EXPECT_FALSE(j.table().locate(1));
}

TEST(PhotoListUi, DropsWithinTheList)
{
    const struct {
        QList<int> rows;
        int target;
        bool swap;
        QList<RECORD> after;
    } cases[] = {
        {{2}, 0, false, {3, 1, 2, 4, 5}},
        {{2}, 0, true, {3, 2, 1, 4, 5}},
        {{1, 3}, 0, false, {2, 4, 1, 3, 5}},
        {{1, 3}, 3, false, {1, 2, 3, 4, 5}},  // on a dragged item: nothing
        {{7}, 0, false, {1, 2, 3, 4, 5}},     // rows the list does not have: nothing
        {{-1, 2}, 0, false, {1, 2, 3, 4, 5}},
    };
    for (const auto& c : cases) {
        Job j;
        j.fiveInFolder();
        j.panel().setSwap(c.swap);
        j.drop(j.list(), kPhotoMime, c.rows, c.target);
        EXPECT_EQ(j.folder()->photos, c.after);
        EXPECT_EQ(j.list()->records(), c.after);
        const bool changed = c.after != QList<RECORD>({1, 2, 3, 4, 5});
        EXPECT_EQ(j.bench->tree().changed(), changed);
        if (!changed)
            continue;
        // The captions went with their photos; the dragged photos stay
        // selected and the item under the pointer is current.
        QStringList captions;
        for (RECORD r : c.after)
            captions << QStringLiteral("写真%1").arg(r);
        EXPECT_EQ(j.captions(), captions);
        QList<RECORD> dragged;
        for (int r : c.rows)
            dragged << RECORD(r + 1);
        std::sort(dragged.begin(), dragged.end());
        QList<RECORD> selected = j.panel().selectedRecords();
        std::sort(selected.begin(), selected.end());
        EXPECT_EQ(selected, dragged);
        EXPECT_EQ(j.panel().currentRecord(), RECORD(c.target + 1));
    }
}

TEST(PhotoListUi, MovesDropsAndDeletesChangeOnlyTheItemsConcerned)
{
    Job j;
    for (RECORD r = 1; r <= 8; ++r)
        j.photo(r, QStringLiteral("写真%1").arg(r));
    j.folder()->photos = {1, 2, 3, 4, 5, 6, 7, 8};
    j.show(j.folder());
    QList<QListWidgetItem*> items;
    for (int i = 0; i < j.list()->count(); ++i)
        items << j.list()->item(i);
    // A caption set since the fill (a title typed in the grid) moves with its photo.
    j.panel().setCaption(3, QStringLiteral("護岸工"));

    // 3 dropped on 1 (insert): items 4-8 are untouched.
    j.drop(j.list(), kPhotoMime, {2}, 0);
    EXPECT_EQ(j.list()->records(), (QList<RECORD>{3, 1, 2, 4, 5, 6, 7, 8}));
    EXPECT_EQ(j.list()->item(0)->text(), "護岸工");
    for (int i = 3; i < 8; ++i)
        EXPECT_EQ(j.list()->item(i), items[i]) << i;

    // Down: two items change.
    j.list()->setFocus();
    j.panel().selectRow(5);
    j.panel().moveSelected(false);
    EXPECT_EQ(j.list()->records(), (QList<RECORD>{3, 1, 2, 4, 5, 7, 6, 8}));
    EXPECT_EQ(j.panel().selectedRecords(), QList<RECORD>{6});
    EXPECT_EQ(j.position.text(), "7 / 8");
    EXPECT_EQ(j.list()->item(7), items[7]);

    // Deleting 1, 2 and 7 to ごみ箱: the others keep their items, the first
    // deleted position is selected.
    j.panel().selectRow(1);
    j.list()->item(2)->setSelected(true);
    j.list()->item(5)->setSelected(true);
    QListWidgetItem* four = j.list()->item(3);
    j.messages.reply(true);
    j.panel().deleteSelected();
    EXPECT_EQ(j.folder()->photos, (QList<RECORD>{3, 4, 5, 6, 8}));
    EXPECT_EQ(j.list()->records(), (QList<RECORD>{3, 4, 5, 6, 8}));
    EXPECT_EQ(j.bench->tree().recycle()->photos, (QList<RECORD>{1, 2, 7}));
    EXPECT_EQ(j.list()->item(1), four);
    EXPECT_EQ(j.panel().selectedRecords(), QList<RECORD>{4});
    EXPECT_EQ(j.position.text(), "2 / 5");

    // Captions and repaints still find their items.
    j.panel().setCaption(6, QStringLiteral("床掘"));
    EXPECT_EQ(j.list()->item(3)->text(), "床掘");
    EXPECT_EQ(j.captions(), (QStringList{"護岸工", "写真4", "写真5", "床掘", "写真8"}));
}

TEST(PhotoListUi, KeysAndMoves)
{
    Job j;
    j.fiveInFolder();
    j.list()->setFocus();
    j.panel().selectRow(0);
    QTest::keyClick(j.list(), Qt::Key_Left);
    EXPECT_EQ(j.panel().currentIndex(), 0);
    QTest::keyClick(j.list(), Qt::Key_Right);
    EXPECT_EQ(j.panel().currentIndex(), 1);
    j.panel().selectRow(4);
    QTest::keyClick(j.list(), Qt::Key_Right);
    EXPECT_EQ(j.panel().currentIndex(), 4);
    // Ctrl+Home and Ctrl+End choose the first and the last photo.
    QTest::keyClick(j.list(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(j.panel().currentIndex(), 0);
    EXPECT_EQ(j.panel().selectedRecords(), QList<RECORD>{1});
    QTest::keyClick(j.list(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(j.panel().currentIndex(), 4);
    EXPECT_EQ(j.panel().selectedRecords(), QList<RECORD>{5});
    QTest::keyClick(j.list(), Qt::Key_Return);
    EXPECT_TRUE(j.view.isActive());

    // Up/down: one photo swaps with its neighbour; the selection follows.
    EXPECT_FALSE(j.panel().canMove(false));
    j.panel().moveSelected(true);
    EXPECT_EQ(j.folder()->photos, (QList<RECORD>{1, 2, 3, 5, 4}));
    EXPECT_EQ(j.panel().selectedRecords(), QList<RECORD>{5});

    j.panel().selectAll();
    EXPECT_EQ(j.panel().selectedRecords(), (QList<RECORD>{1, 2, 3, 5, 4}));
    EXPECT_FALSE(j.panel().canMove(true));
}

TEST(PhotoListUi, TheSelectedPhotoIsScrolledIntoView)
{
    Job j;
    QList<RECORD> records;
    for (RECORD r = 1; r <= 300; ++r)
        records << r;
    j.folder()->photos = records;
    // The window scrolls drags with its own timer and turns the view's
    // drag scrolling off.
    j.list()->setAutoScroll(false);
    j.show(j.folder());
    const auto shown = [&](int row) {
        // The list lays its items out again a moment after it was resized.
        QTest::qWait(250);
        return j.list()->viewport()->rect().contains(j.list()->visualItemRect(j.list()->item(row)));
    };
    ASSERT_FALSE(shown(299));

    // After an import the list is refilled at its last item.
    j.panel().refillPhotoList(299);
    EXPECT_EQ(j.position.text(), "300 / 300");
    EXPECT_TRUE(shown(299));

    // The main window (and the photo grid's PageDown) select through selectRow.
    for (int row : {0, 299, 150, 0}) {
        j.panel().selectRow(row);
        EXPECT_TRUE(shown(row)) << row;
    }

    // The keys of the list itself.
    j.focus(j.list());
    QTest::keyClick(j.list(), Qt::Key_End);
    EXPECT_EQ(j.panel().currentIndex(), 299);
    EXPECT_TRUE(shown(299));
    QTest::keyClick(j.list(), Qt::Key_Home);
    QTest::keyClick(j.list(), Qt::Key_PageDown);
    QTest::keyClick(j.list(), Qt::Key_PageDown);
    QTest::keyClick(j.list(), Qt::Key_Down);
    EXPECT_GT(j.panel().currentIndex(), 0);
    EXPECT_TRUE(shown(j.panel().currentIndex()));
}

TEST(PhotoListUi, MarksForDrawingsAndEdits)
{
    const QRect icon(100, 50, 122, 122);
    EXPECT_EQ(markRects(icon, 2, false), (QList<QRect>{{110, 50, 5, 7}, {120, 50, 5, 7}}));
    EXPECT_EQ(markRects(icon, 2, true), (QList<QRect>{{110, 50, 5, 7}, {120, 50, 5, 7}, {202, 50, 5, 7}}));
    EXPECT_EQ(markRects(icon, 3, false).size(), 3);
    EXPECT_TRUE(markRects(icon, 0, false).isEmpty());

    // Painted: two drawings and the edited mark, no third drawing mark.
    Job j;
    j.photo(1, {}, {7, 8}, true);
    j.photo(7);
    j.photo(8);
    j.folder()->photos = {1};
    j.show(j.folder());
    j.panel().selectRow(0);
    EXPECT_TRUE(j.panel().focusedItemEdited());
    j.list()->clearSelection();
    QApplication::processEvents();
    const QImage shot = j.list()->viewport()->grab().toImage();
    const QRect drawn = j.list()->delegate()->iconRect(j.list()->visualItemRect(j.list()->item(0)));
    const QColor mark(0, 0, 160);
    for (const QRect& m : markRects(drawn, 3, true)) {
        const bool expected = m.left() != drawn.left() + 30;
        EXPECT_EQ(shot.pixelColor(m.topLeft()) == mark, expected) << m.left();
    }
}

TEST(PhotoListUi, ASelectedPhotoIsFramedOnAllSidesAndItsCaptionHighlighted)
{
    Job j;
    j.fiveInFolder();
    j.panel().selectRow(1);
    QApplication::processEvents();
    const QColor hl = j.list()->palette().color(QPalette::Active, QPalette::Highlight);
    for (const QColor& background : {j.list()->palette().color(QPalette::Base), QColor(64, 157, 111)}) {
        QPalette pal = j.list()->palette();
        pal.setColor(QPalette::Base, background);
        j.list()->setPalette(pal);
        QApplication::processEvents();
        const QImage shot = j.list()->viewport()->grab().toImage();
        for (int row : {0, 1}) {
            const QRect cell = j.list()->visualItemRect(j.list()->item(row));
            const QRect icon = j.list()->delegate()->iconRect(cell);
            const bool selected = row == 1;
            // Two pixels in from each edge: the frame of a selected photo only.
            for (QPoint at : {QPoint(icon.left() + 2, icon.center().y()), QPoint(icon.right() - 2, icon.center().y()),
                              QPoint(icon.center().x(), icon.top() + 2), QPoint(icon.center().x(), icon.bottom() - 2)})
                EXPECT_EQ(shot.pixelColor(at) == hl, selected) << row << " at " << at.x() << "," << at.y();
            // The caption's band below the icon.
            int highlighted = 0;
            for (int x = cell.left(); x <= cell.right(); ++x)
                highlighted += shot.pixelColor(x, icon.bottom() + 7) == hl;
            EXPECT_EQ(highlighted > 10, selected) << row;
        }
    }
}

TEST(PhotoListUi, APhotoImportedUnderTheNumberOfADeletedOneShowsItself)
{
    // Photo 2 (flag 99, drawing 3, edited, no picture) is painted in ごみ箱
    // and deleted for good there with its drawing; the next import takes the
    // number 2 again for a red picture.
    Job j;
    j.photo(1, QStringLiteral("写真1"));
    j.photo(2, QStringLiteral("古い写真"), {3}, true, 99);
    j.photo(3);
    FolderNode* recycle = j.bench->tree().recycle();
    recycle->photos = {1, 2};
    j.show(recycle);
    const QColor mark(0, 0, 160);
    const auto drawnMarks = [&](const QImage& shot, int row) {
        const QRect icon = j.list()->delegate()->iconRect(j.list()->visualItemRect(j.list()->item(row)));
        int n = 0;
        for (const QRect& m : markRects(icon, 1, true))
            n += shot.pixelColor(m.topLeft()) == mark;
        return n;
    };
    ASSERT_EQ(drawnMarks(j.shot(j.list()), 1), 2);
    j.panel().selectRow(1);
    j.messages.reply(true);
    j.panel().deleteSelected();
    ASSERT_FALSE(j.table().locate(2));
    ASSERT_FALSE(j.table().locate(3));

    QImage red(300, 200, QImage::Format_RGB32);
    red.fill(Qt::red);
    const QString file = j.dir.file("new.png");
    ASSERT_TRUE(red.save(file));
    j.show(j.folder());
    ASSERT_EQ(j.import(j.folder(), file), QList<RECORD>{2});

    ASSERT_EQ(j.list()->records(), QList<RECORD>{2});
    EXPECT_EQ(j.list()->item(0)->text(), "(無題)");
    const QImage shot = j.shot(j.list());
    EXPECT_EQ(drawnMarks(shot, 0), 0);
    const QRect icon = j.list()->delegate()->iconRect(j.list()->visualItemRect(j.list()->item(0)));
    const QColor middle = shot.pixelColor(icon.center());
    EXPECT_GT(middle.red(), 200) << middle.name().toStdString();
    EXPECT_LT(middle.green(), 60) << middle.name().toStdString();
    const PhotoLook look = j.panel().thumbnails().look(2, j.panel().look().thumbSize());
    EXPECT_EQ(look.flag, 0);
    EXPECT_EQ(look.drawings, 0);
    EXPECT_FALSE(look.edited);
}

TEST(PhotoListUi, CustomSizeRefillsWithLargerCells)
{
    Job j;
    j.fiveInFolder();
    j.panel().setLook({1, 80, false, false});
    const int small = j.list()->visualItemRect(j.list()->item(0)).width();
    EXPECT_EQ(small, 86);
    j.panel().selectRow(3);
    j.panel().setLook({1, 120, false, false});
    EXPECT_EQ(j.list()->visualItemRect(j.list()->item(0)).width(), 126);
    EXPECT_EQ(j.list()->count(), 5);
    EXPECT_EQ(j.panel().currentIndex(), 3);
    // The standard size is 120 whatever the custom size says.
    EXPECT_EQ((ListLook{0, 60, false, false}.cellWidth()), 126);
}

TEST(PhotoListUi, DrawingList)
{
    Job j;
    j.photo(1, {}, {0, 7, 8});
    j.photo(2);
    j.photo(7);
    j.photo(8);
    j.folder()->photos = {1, 2};
    j.show(j.folder());
    j.panel().selectRow(0);
    j.panel().refillDrawingList();
    ASSERT_EQ(j.list2()->count(), 2);
    EXPECT_TRUE(j.list2()->isEnabled());
    EXPECT_EQ(j.list2()->item(0)->text(), "参考図1");
    EXPECT_EQ(j.list2()->item(1)->data(kSlotRole).toInt(), 3);
    EXPECT_EQ(j.list2()->item(1)->data(kPhotoRole).toInt(), 1);

    // Dragging the second onto the first exchanges their slots (swap on).
    j.panel().setSwap(true);
    j.list2()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(j.list2()));
    j.drop(j.list2(), kDrawingMime, {1}, 0);
    EXPECT_EQ(j.list2()->records(), (QList<RECORD>{8, 7}));

    // Drag data naming rows the list does not have (a stale or foreign drag)
    // changes nothing.
    for (int stale : {2, 5, -1}) {
        j.drop(j.list2(), kDrawingMime, {stale}, 0);
        EXPECT_EQ(j.list2()->records(), (QList<RECORD>{8, 7})) << stale;
        j.table().locate(1);
        EXPECT_EQ(j.table().value(j.f[F_REC_DRA2]).toInt(), 8) << stale;
        EXPECT_EQ(j.table().value(j.f[F_REC_DRA3]).toInt(), 7) << stale;
    }

    // Delete in the drawing list: to ごみ箱 after its own question.
    j.focus(j.list2());
    j.list2()->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    j.messages.reply(true);
    j.panel().deleteSelected();
    EXPECT_EQ(j.messages.boxes(), QStringList{QStringLiteral("ask: ") + kMoveDrawingsToRecycle});
    EXPECT_EQ(j.bench->tree().recycle()->photos, QList<RECORD>{8});
    EXPECT_EQ(j.list2()->records(), QList<RECORD>{7});

    // Two photos selected: the drawing list is emptied and disabled.
    j.focus(j.list());
    j.panel().selectAll();
    j.panel().refillDrawingList();
    EXPECT_EQ(j.list2()->count(), 0);
    EXPECT_FALSE(j.list2()->isEnabled());
}

TEST(PhotoListUi, DraggingPhotosOntoATreeFolder)
{
    Job j;
    j.fiveInFolder();
    HierarchyModel& tree = j.bench->tree();
    FolderNode* target = tree.recycle();
    THierarchyTree* view = j.bench->treePanel()->TV_Tree;
    j.bench->treePanel()->resize(300, 500);
    j.bench->treePanel()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(j.bench->treePanel()));
    j.panel().selectRow(1);
    j.list()->item(3)->setSelected(true);
    std::unique_ptr<QMimeData> mime(j.list()->dragData());
    const QPoint pos = view->visualRect(tree.indexOf(target)).center();
    QDragEnterEvent enter(pos, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(pos, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &move);
    QDropEvent drop(QPointF(pos), Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &drop);
    EXPECT_EQ(target->photos, (QList<RECORD>{2, 4}));
    EXPECT_EQ(j.folder()->photos, (QList<RECORD>{1, 3, 5}));
    EXPECT_EQ(j.list()->records(), (QList<RECORD>{1, 3, 5}));
    EXPECT_EQ(j.position.text(), "2 / 3");
}
