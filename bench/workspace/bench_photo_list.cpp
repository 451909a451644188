// Photo list benchmark: a folder of 5,000 photos in a job. Counts the picture
// fields (THUMBNAIL, IMAGE_NOW, IMAGE_ORG) read while the list is filled and
// while its visible items are painted on the offscreen platform, and prints
// the ratio of reads to painted items. Filling should read none; painting
// about one per visible item, and none again for items already painted.
#include "core/ports.h"
#include "imaging/stored_pictures.h"
#include "store/data_module.h"
#include "store/table_network.h"
#include "workspace/ui/job_workbench.h"
#include "workspace/ui/photo_list_panel.h"

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <cstdio>

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
    list->hide();
    return 0;
}
