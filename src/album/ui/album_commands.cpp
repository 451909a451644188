#include "album/ui/album_commands.h"

#include "album/photo_binding.h"
#include "album/ui/grph_main_form.h"
#include "core/ports.h"
#include "items/palette.h"
#include "settings/settings.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "store/table_network.h"
#include "workspace/ui/photo_list_view.h"
#include "workspace/ui/tree_view.h"

#include <QDir>
#include <QEventLoop>
#include <QListWidget>
#include <QMimeData>
#include <QWidget>

namespace zb {

using namespace zb::album;

namespace {

// The photo service of the main window: a batch starts from what the job
// holds now and ends with the lists showing the changed photos.
class WindowBinder : public TablePhotoBinder {
public:
    WindowBinder(CaptionSources& sources, Messages& messages, std::function<void()> begin,
                 std::function<void()> end)
        : TablePhotoBinder(sources, messages), begin_(std::move(begin)), end_(std::move(end))
    {
    }
    void beginBatch() override
    {
        if (begin_)
            begin_();
    }
    void endBatch() override
    {
        if (end_)
            end_();
    }

private:
    std::function<void()> begin_, end_;
};

// The rows a drag of one of the main window's lists carries, in list order.
QList<const QListWidgetItem*> draggedListItems(const QMimeData* mime, const QString& format, const QObject* source)
{
    QList<const QListWidgetItem*> out;
    const auto* list = qobject_cast<const QListWidget*>(source);
    if (!mime || !list || !mime->hasFormat(format))
        return out;
    for (const QByteArray& part : mime->data(format).split(',')) {
        bool ok = false;
        const int row = part.toInt(&ok);
        if (const QListWidgetItem* it = ok ? list->item(row) : nullptr)
            out << it;
    }
    return out;
}

}  // namespace

DraggedItems draggedFromLists(const QMimeData* mime, const QObject* source)
{
    DraggedItems items;
    for (const QListWidgetItem* it : draggedListItems(mime, kPhotoMime, source))
        items.photos << it->data(kRecordRole).toInt();
    if (!items.photos.isEmpty())
        return items;
    const auto* list = qobject_cast<const QListWidget*>(source);
    for (const QListWidgetItem* it : draggedListItems(mime, kDrawingMime, source))
        items.drawings.append({it->data(kPhotoRole).toInt(), list->row(it)});
    return items;
}

// What the editor borrows of the open job while it edits its albums.
struct TAlbumCommands::AlbumJob {
    CaptionSources sources;
    std::unique_ptr<TablePhotoBinder> binder;
    std::unique_ptr<FramePictures> pictures;
};

TAlbumCommands::TAlbumCommands(JobLife& job, Messages& messages, Progress& progress, QWidget* window,
                               QObject* parent)
    : QObject(parent), job_(job), messages_(messages), progress_(progress), window_(window)
{
}

TAlbumCommands::~TAlbumCommands()
{
    if (editor_)
        delete editor_.data();
}

bool TAlbumCommands::editorShowing() const { return editor_ && editor_->isVisible(); }

void TAlbumCommands::openAlbum()
{
    if (editor_) {
        if (editor_->isAlbum()) {
            editor_->showNormal();
            editor_->raise();
            editor_->activateWindow();
            return;
        }
        if (!editor_->close())
            return;
    }
    if (!job_.isOpen())
        return;
    const Folders& folders = job_.folders();
    albumJob_ = std::make_unique<AlbumJob>();
    CaptionSources& s = albumJob_->sources;
    s.today = QDate::currentDate();
    s.company = appCommonSettings();
    s.jobName = job_.name();
    s.header = job_.file().header;
    s.folders = job_.file().folders;
    s.albumOpen = true;
    s.photoTable = &job_.photoTable();
    s.fields.lookUp(job_.photoTable());
    albumJob_->binder = std::make_unique<WindowBinder>(
        s, messages_, [this] { refreshSources(); },
        [this] {
            if (hooks.refreshLists)
                hooks.refreshLists();
        });
    albumJob_->pictures = std::make_unique<FramePictures>(job_.photoTable(), s.fields);

    GrphSetup setup;
    setup.kind = DocKind::Album;
    setup.folder = JobPaths{folders.dataFile, job_.name()}.albumFolder();
    QDir().mkpath(setup.folder);
    setup.formFolder = folders.formFile;
    setup.workParent = folders.tempG;
    setup.palettePath = items::palettePath(folders.userFile, folders.programDir);
    setup.callbacks.binder = albumJob_->binder.get();
    setup.callbacks.frames = albumJob_->pictures->loader();
    setup.callbacks.pictures = albumJob_->pictures.get();
    setup.callbacks.dragged = draggedFromLists;
    if (window_)
        setup.besideOf = window_->frameGeometry();
    setup.callbacks.restorePlace = hooks.restorePlace;
    setup.callbacks.savePlace = hooks.savePlace;
    setup.callbacks.restoreBands = hooks.restoreBands;
    setup.callbacks.saveBands = hooks.saveBands;
    auto* form = new TGrphMainForm(setup, appSettings(), messages_, progress_);
    form->setAttribute(Qt::WA_DeleteOnClose);
    editor_ = form;
    connect(form, &TGrphMainForm::closed, this, [this] {
        if (hooks.refreshLists)
            hooks.refreshLists();
    });
    form->show();
}

void TAlbumCommands::openFormats()
{
    if (editor_ && !editor_->close())
        return;
    const Folders& folders = job_.folders();
    GrphSetup setup;
    setup.kind = DocKind::Format;
    setup.folder = folders.formFile;
    setup.formFolder = folders.formFile;
    setup.workParent = folders.tempG;
    setup.palettePath = items::palettePath(folders.userFile, folders.programDir);
    setup.callbacks.restorePlace = hooks.restorePlace;
    setup.callbacks.savePlace = hooks.savePlace;
    setup.callbacks.restoreBands = hooks.restoreBands;
    setup.callbacks.saveBands = hooks.saveBands;
    auto* form = new TGrphMainForm(setup, appSettings(), messages_, progress_);
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setWindowModality(Qt::ApplicationModal);
    editor_ = form;
    // The main window waits hidden until the formats are done. It is shown
    // again while the editor closes, before the editor hides: were the editor
    // the last visible window when it hid, the application would end with
    // the job still open.
    QEventLoop loop;
    connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
    if (window_) {
        connect(form, &TGrphMainForm::closed, window_, &QWidget::show);
        window_->hide();
    }
    form->show();
    loop.exec();
    if (window_)
        window_->show();
}

void TAlbumCommands::addToAlbum()
{
    if (!editor_ || !editor_->isAlbum() || !hooks.focusedSelection)
        return;
    const QList<RECORD> photos = hooks.focusedSelection();
    if (photos.isEmpty())
        return;
    editor_->pour(photos);
}

void TAlbumCommands::refreshSources()
{
    if (!albumJob_ || !editor_)
        return;
    // Captions follow what the job holds now.
    albumJob_->sources.header = job_.file().header;
    albumJob_->sources.folders = job_.file().folders;
    albumJob_->sources.albumPath = editor_->document().path();
    albumJob_->sources.albumTitle = editor_->document().title;
}

bool TAlbumCommands::closeEditor() { return !editor_ || editor_->close(); }

void TAlbumCommands::installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler)
{
    setHandler(QStringLiteral("Mn_Album"), [this] { openAlbum(); });
    setHandler(QStringLiteral("Mn_FormSetting"), [this] { openFormats(); });
    setHandler(QStringLiteral("Mn_AlbumAdd"), [this] { addToAlbum(); });
}

}  // namespace zb
