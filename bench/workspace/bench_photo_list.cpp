// Photo list benchmark: a folder of 5,000 photos in a job. Counts the picture
// fields (THUMBNAIL, IMAGE_NOW, IMAGE_ORG) read while the list is filled and
// while its visible items are painted on the offscreen platform, and prints
// the ratio of reads to painted items. Filling should read none; painting
// about one per visible item, and none again for items already painted.
//
// Then the cost of changing the list: moving one photo (down), dropping 1,000
// photos on the first and deleting 1,000 photos to ごみ箱, each timed until
// the list is laid out and painted, in a folder of 10,000 photos against the
// same operation in a folder of 1,000 photos. The runs of the two folders
// alternate and the best of each is taken, so that noise on a shared machine
// does not flip a ratio. A change should cost what it changes, not what the
// folder holds: the 10,000-photo figures at most 2 x the 1,000-photo ones.
#include "core/ports.h"
#include "imaging/stored_pictures.h"
#include "store/data_module.h"
#include "store/table_network.h"
#include "workspace/ui/job_workbench.h"
#include "workspace/ui/photo_list_panel.h"
#include "bench_runs.h"

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace zb;

namespace {

constexpr int kPhotos = 5000;

int visibleItems(QListWidget* v)
{
    int n = 0;
    const QRect area = v->viewport()->rect();
    for (int i = 0; i < v->count(); ++i)
        if (v->visualItemRect(v->item(i)).intersects(area))
            ++n;
    return n;
}

void paint(QListWidget* v)
{
    v->viewport()->repaint();
    QApplication::processEvents();
}

constexpr int kSmallFolder = 1000;
constexpr int kLargeFolder = 10000;
constexpr int kChanged = 1000;  // photos dropped or deleted
constexpr int kRounds = 5;  // runs of each case (--runs N or ZB_BENCH_RUNS)

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SilentMessages quiet;
    const Folders folders = resolveFolders(dir.path(), {}, {}, dir.path());
    createFolders(folders, quiet);
    TDataModule_Main data(folders, quiet);
    QWidget window;
    TJobWorkbench bench(folders, data, quiet, &window);
    bench.job().hooks.chooseJob = [](const QString&) { return std::optional<JobChoice>(JobChoice{"BENCH", {}}); };
    if (!bench.openJobList()) {
        std::fprintf(stderr, "bench_photo_list: the job could not be opened\n");
        return 1;
    }

    TTableNetWork& table = bench.job().photoTable();
    PhotoFields f;
    f.lookUp(table);
    QImage picture(300, 200, QImage::Format_RGB888);
    picture.fill(Qt::darkGreen);
    const QByteArray thumbnail = MakeThumbnailOfBitmap(picture);
    const QByteArray original(64 * 1024, 'x');
    QList<RECORD> records;
    for (RECORD r = 1; r <= kPhotos; ++r) {
        table.append();
        table.setValue(f[F_RECORD], r);
        table.setValue(f[F_TITLE], QStringLiteral("写真%1").arg(r));
        table.writeBlob(f[F_IMAGE_ORG], original);
        table.writeBlob(f[F_THUMBNAIL], thumbnail);
        table.post();
        records << r;
    }
    table.flushBuffers();

    TPhotoListPanel& panel = *bench.photoList();
    TPhotoListView* list = panel.listView();
    list->resize(1024, 720);
    PhotoThumbnails& thumbs = panel.thumbnails();

    const qint64 beforeFill = thumbs.pictureReads();
    bench.tree().unclassified()->photos = records;
    bench.tree().select(nullptr);
    bench.tree().select(bench.tree().unclassified());
    const qint64 fillReads = thumbs.pictureReads() - beforeFill;

    list->show();
    QApplication::processEvents();
    paint(list);
    const int visible = visibleItems(list);
    const qint64 firstPaint = thumbs.pictureReads() - beforeFill - fillReads;
    paint(list);
    const qint64 repaint = thumbs.pictureReads() - beforeFill - fillReads - firstPaint;
    list->verticalScrollBar()->setValue(list->verticalScrollBar()->value() + list->viewport()->height());
    paint(list);
    const int visibleAfterScroll = visibleItems(list);
    const qint64 scrolled = thumbs.pictureReads() - beforeFill - fillReads - firstPaint - repaint;

    std::printf("photo list: %d photos in the folder, %d items in the list\n", kPhotos, list->count());
    std::printf("  picture reads while filling:          %lld\n", static_cast<long long>(fillReads));
    std::printf("  picture reads painting %3d visible:   %lld (ratio %.2f)\n", visible,
                static_cast<long long>(firstPaint), visible ? double(firstPaint) / visible : 0.0);
    std::printf("  picture reads painting them again:    %lld\n", static_cast<long long>(repaint));
    std::printf("  picture reads after a page down (%3d visible): %lld (ratio %.2f)\n", visibleAfterScroll,
                static_cast<long long>(scrolled), visibleAfterScroll ? double(scrolled) / visibleAfterScroll : 0.0);
    std::printf("  reads per photo of the folder:        %.4f\n",
                double(thumbs.pictureReads() - beforeFill) / kPhotos);

    // ---- changes of the list: title-only photos, so that painting costs the
    // same in both folders.
    const RECORD base = kPhotos;
    for (RECORD r = base + 1; r <= base + kLargeFolder; ++r) {
        table.append();
        table.setValue(f[F_RECORD], r);
        table.setValue(f[F_TITLE], QStringLiteral("写真%1").arg(r));
        table.post();
    }
    table.flushBuffers();
    FolderNode* folder = bench.tree().unclassified();
    FolderNode* recycle = bench.tree().recycle();
    const auto fill = [&](int photos, const QList<int>& selected) {
        QList<RECORD> order;
        for (RECORD r = base + 1; r <= base + photos; ++r)
            order << r;
        folder->photos = order;
        recycle->photos.clear();
        bench.tree().select(nullptr);
        bench.tree().select(folder);
        QItemSelection selection;
        if (!selected.isEmpty())
            selection.select(list->model()->index(selected.first(), 0), list->model()->index(selected.last(), 0));
        list->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        if (!selected.isEmpty())
            list->setCurrentRow(selected.first(), QItemSelectionModel::NoUpdate);
        paint(list);
    };
    const auto settle = [&] {
        QApplication::processEvents();
        paint(list);
    };
    // Rows first..last.
    const auto rows = [](int first, int last) {
        QList<int> out;
        for (int i = first; i <= last; ++i)
            out << i;
        return out;
    };

    struct Operation {
        const char* name;
        std::function<QList<int>(int photos)> selected;
        std::function<void(int photos)> act;
    };
    const Operation operations[] = {
        {"moving one photo down", [](int photos) { return QList<int>{photos / 2}; },
         [&](int) { panel.moveSelected(false); }},
        // All but the first, up to 1,000, dropped on the first: every one of
        // them and the first change places.
        {"dropping 1,000 photos on the first",
         [&](int photos) { return rows(1, std::min(kChanged, photos - 1)); },
         [&](int photos) { emit list->droppedWithin(rows(1, std::min(kChanged, photos - 1)), 0); }},
        {"deleting 1,000 photos to ごみ箱", [&](int) { return rows(0, kChanged - 1); },
         [&](int) { panel.deleteSelected(); }},
        // For comparison: a fill reads every title, what each change used to cost.
        {"filling the list again", [](int) { return QList<int>{}; },
         [&](int) { panel.refillPhotoList(TPhotoListPanel::kKeep); }},
    };

    // Each case is one operation in one folder; the cases take turns and
    // each keeps its fastest run (milliseconds).
    std::vector<std::function<double()>> cases;
    for (const Operation& op : operations)
        for (int photos : {kSmallFolder, kLargeFolder})
            cases.push_back([&, photos] {
                fill(photos, op.selected(photos));
                const zbbench::Stopwatch w;
                op.act(photos);
                settle();
                return w.seconds() * 1000;
            });
    const zbbench::BestOf best(zbbench::runsOption(argc, argv, kRounds));
    const std::vector<double> times = best.run(cases);

    // The operations did what they should (in the large folder).
    bool sound = true;
    fill(kLargeFolder, operations[0].selected(kLargeFolder));
    operations[0].act(kLargeFolder);
    sound = sound && folder->photos[kLargeFolder / 2 + 1] == base + kLargeFolder / 2 + 1;
    fill(kLargeFolder, operations[1].selected(kLargeFolder));
    operations[1].act(kLargeFolder);
    sound = sound && folder->photos.first() == base + 2 && folder->photos[kChanged] == base + 1;
    fill(kLargeFolder, operations[2].selected(kLargeFolder));
    operations[2].act(kLargeFolder);
    sound = sound && folder->photos.size() == kLargeFolder - kChanged && recycle->photos.size() == kChanged;
    sound = sound && list->records() == folder->photos;
    if (!sound) {
        std::fprintf(stderr, "bench_photo_list: a change of the list went wrong\n");
        return 1;
    }

    std::printf("photo list changes: best of %d interleaved runs, a folder of %d photos against one of %d\n",
                best.runs(), kLargeFolder, kSmallFolder);
    int i = 0;
    for (const Operation& op : operations) {
        const double small = times[size_t(i++)];
        const double large = times[size_t(i++)];
        std::printf("  %-36s %8.2f ms (%5d) %8.2f ms (%5d)  ratio %5.2f%s\n", op.name, large, kLargeFolder, small,
                    kSmallFolder, small > 0 ? large / small : 0.0,
                    std::string(op.name).rfind("filling", 0) == 0 ? "" : "  (target <= 2)");
    }
    list->hide();
    return 0;
}
