#include "imaging/ui/import_commands.h"

#include "settings/settings.h"
#include "core/busy.h"
#include "controls/progress_bar.h"
#include "core/ports.h"
#include "imaging/graphic_kind.h"
#include "imaging/ui/folder_form.h"
#include "imaging/ui/graphic_select_form.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "store/table_network.h"
#include "workspace/hierarchy_model.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace zb {

namespace {

// Mime types under which an enhanced metafile may sit on the clipboard.
const QStringList& metafileMimeTypes()
{
    static const QStringList types{QStringLiteral("image/x-emf"), QStringLiteral("image/emf"),
                                   QStringLiteral("application/x-emf")};
    return types;
}

// Watches the keyboard while the folder scan runs: ESC is noted, other input
// is dropped so that no command starts in the middle of the scan, and the busy
// mark holds back the automatic save and a close of the window.
class EscWatch : public QObject {
public:
    EscWatch() { qApp->installEventFilter(this); }
    ~EscWatch() override { qApp->removeEventFilter(this); }
    bool poll()
    {
        QCoreApplication::processEvents();
        const bool p = pressed_;
        pressed_ = false;
        return p;
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override { return filterInputDuringLoop(e, pressed_); }

private:
    bool pressed_ = false;
    BusyMark::Scope busy_;
};

QString startFolder(const QString& setting)
{
    return setting.isEmpty() ? QCoreApplication::applicationDirPath() : setting;
}

}  // namespace

QStringList localFilesOf(const QMimeData* mime)
{
    QStringList files;
    if (!mime || !mime->hasUrls())
        return files;
    for (const QUrl& u : mime->urls())
        if (u.isLocalFile() && !u.toLocalFile().isEmpty())
            files << QFileInfo(u.toLocalFile()).absoluteFilePath();
    return files;
}

ClipboardPicture clipboardPictureOf(const QMimeData* mime)
{
    ClipboardPicture p;
    if (!mime)
        return p;
    for (const QString& type : metafileMimeTypes())
        if (mime->hasFormat(type)) {
            p.metafile = mime->data(type);
            if (!p.metafile.isEmpty())
                return p;
        }
    if (mime->hasImage())
        p.bitmap = qvariant_cast<QImage>(mime->imageData());
    return p;
}

TImportCommands::TImportCommands(JobLife& job, HierarchyModel& tree, Messages& messages, Progress& progress,
                                 QWidget* window, QObject* parent)
    : QObject(parent), job_(job), tree_(tree), messages_(messages), progress_(progress), window_(window)
{
    chooseFiles = [this](const QString& start) -> std::optional<FileChoice> {
        TGrphSelForm form(messages_, window_);
        form.setWindowTitle(choosingDrawings_ ? kDrawingImportCaption : kImportCaption);
        form.setMask(ImportFileMask());
        form.setMultiSelect(true);
        form.setHelpContext(choosingDrawings_ ? kDrawingImportHelpContext : kImportHelpContext);
        form.setFolder(start);
        form.showPicture = hooks.showPicture;
        const bool ok = form.exec() == QDialog::Accepted;
        const QString last = form.folder();
        if (!ok)
            return FileChoice{{}, last};
        return FileChoice{form.selectedFiles(), last};
    };
    chooseFolder = [this](const QString& start, bool sub) -> std::optional<FolderChoice> {
        TFolderForm form(window_);
        form.setWindowTitle(kImportCaption);
        form.setMode(TFolderForm::kModeImport);
        form.setMessage(kFolderImportMessage);
        form.setHelpContext(kImportHelpContext);
        form.setFolder(start);
        form.setSubfolders(sub);
        if (form.exec() != QDialog::Accepted)
            return std::nullopt;
        return FolderChoice{form.folder(), form.subfolders()};
    };
    clipboard = [] { return QGuiApplication::clipboard()->mimeData(); };
}

TImportCommands::~TImportCommands() = default;

bool TImportCommands::listMode() const { return tree_.listMode() || (hooks.listMode && hooks.listMode()); }

void TImportCommands::importFiles()
{
    if (!job_.isOpen())
        return;
    Settings& s = appSettings();
    const std::optional<FileChoice> choice = chooseFiles(startFolder(s.graphPath));
    if (!choice)
        return;
    if (!choice->lastFolder.isEmpty())
        s.graphPath = choice->lastFolder;
    if (!choice->files.isEmpty())
        importPaths(choice->files, false);
}

void TImportCommands::importDrawingFiles()
{
    if (!job_.isOpen())
        return;
    Settings& s = appSettings();
    choosingDrawings_ = true;
    const std::optional<FileChoice> choice = chooseFiles(startFolder(s.graphPath));
    choosingDrawings_ = false;
    if (!choice)
        return;
    if (!choice->lastFolder.isEmpty())
        s.graphPath = choice->lastFolder;
    if (!choice->files.isEmpty())
        importPaths(choice->files, true);
}

void TImportCommands::importFolder()
{
    if (!job_.isOpen())
        return;
    Settings& s = appSettings();
    const std::optional<FolderChoice> choice = chooseFolder(startFolder(s.graphDir), s.folderDown);
    if (!choice)
        return;
    s.graphDir = choice->folder;
    s.folderDown = choice->subfolders;
    QStringList files;
    {
        std::unique_ptr<EscWatch> watch;
        std::function<bool()> esc = escPressed;
        if (!esc) {
            watch = std::make_unique<EscWatch>();
            esc = [w = watch.get()] { return w->poll(); };
        }
        QApplication::setOverrideCursor(Qt::WaitCursor);
        files = scanImportFolder(choice->folder, choice->subfolders, messages_, esc);
        QApplication::restoreOverrideCursor();
    }
    if (!files.isEmpty() && messages_.ask(folderImportQuestion(int(files.size()))))
        importPaths(files, false);
    // The scan's count leaves the status bar once the import is over.
    messages_.status(QString());
}

void TImportCommands::paste()
{
    if (!job_.isOpen())
        return;
    const bool drawing = hooks.drawingListFocused && hooks.drawingListFocused();
    const QMimeData* mime = clipboard ? clipboard() : nullptr;
    const ClipboardPicture picture = clipboardPictureOf(mime);
    // Files copied in the file manager are imported like dropped files.
    const QStringList files = localFilesOf(mime);
    if (picture.metafile.isEmpty() && picture.bitmap.isNull() && !files.isEmpty()) {
        importDropped(files, drawing);
        return;
    }
    importClipboard(picture, drawing);
}

bool TImportCommands::importPaths(const QStringList& paths, bool drawing)
{
    return run(paths, drawing, nullptr);
}

bool TImportCommands::importDropped(const QStringList& paths, bool drawing)
{
    QStringList files;
    SilentMessages quiet;
    for (const QString& p : paths) {
        if (QFileInfo(p).isDir())
            files += scanImportFolder(p, appSettings().folderDown, quiet);
        else
            files << p;
    }
    if (files.isEmpty())
        return false;
    return importPaths(files, drawing);
}

bool TImportCommands::importClipboard(const ClipboardPicture& picture, bool drawing)
{
    return run(std::nullopt, drawing, &picture);
}

bool TImportCommands::run(const std::optional<QStringList>& files, bool drawing, const ClipboardPicture* clip)
{
    if (!job_.isOpen())
        return false;
    FolderNode* node = tree_.selected();
    QList<RECORD> photos;
    ImportTarget target;
    target.drawing = drawing;
    if (drawing) {
        if (hooks.selectedPhotos)
            target.selectedPhotos = hooks.selectedPhotos();
    } else if (node) {
        photos = node->photos;
        target.folder = &photos;
        target.folderAcceptsPhotos = tree_.isPhotoLevel(node) && !listMode();
    }
    if (window_) {
        window_->raise();
        window_->activateWindow();
    }

    const Settings& s = appSettings();
    ImportSettings settings;
    settings.backupFile = s.backupFile;
    settings.stampMode = s.stampMode;
    settings.fdiFileName = s.fdiFileName;
    settings.komaAuto = s.komaAuto;

    const JobPaths paths{job_.folders().dataFile, job_.name()};
    ImportJob ij;
    ij.table = &job_.photoTable();
    ij.fields.lookUp(job_.photoTable());
    ij.backFolder = paths.backFolder();
    ij.paths = paths;
    ij.compressed = QFileInfo::exists(paths.compressedMarker());

    ImportResult result;
    const bool ok = ImportPictures(ij, files, target, settings, messages_, progress_, &result, clip);
    if (result.refused)
        return false;
    // The new rows are filed and the tree written at once, so that they stay
    // in their folder even when the program does not end normally.
    if (!drawing && node && !result.added.isEmpty())
        tree_.appendPhotos(node, result.added);
    if (result.changed)
        job_.setChanged();
    job_.saveJob();

    if (drawing) {
        if (hooks.refreshDrawings)
            hooks.refreshDrawings();
    } else if (node && tree_.selected() == node && hooks.refillPhotoList) {
        hooks.refillPhotoList(int(node->photos.size()) - 1);
    }
    if (result.spaceLow && hooks.setReclaimVisible)
        hooks.setReclaimVisible(true);
    emit imported();
    return ok;
}

void TImportCommands::watchDrops(QAbstractItemView* photoList, QAbstractItemView* drawingList, QAbstractItemView* tree)
{
    photoList_ = photoList;
    drawingList_ = drawingList;
    treeView_ = tree;
    for (QAbstractItemView* v : {photoList, drawingList, tree}) {
        if (!v)
            continue;
        v->setAcceptDrops(true);
        v->viewport()->setAcceptDrops(true);
        v->viewport()->installEventFilter(this);
    }
}

FolderNode* TImportCommands::treeFolderAt(QAbstractItemView* view, const QPoint& pos) const
{
    return tree_.nodeOf(view->indexAt(pos));
}

bool TImportCommands::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type t = event->type();
    if (t != QEvent::DragEnter && t != QEvent::DragMove && t != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* mime = drop->mimeData();
    // Only files from outside; the views handle their own drags.
    if (!mime || !mime->hasUrls() || localFilesOf(mime).isEmpty())
        return QObject::eventFilter(watched, event);
    QAbstractItemView* view = nullptr;
    for (QAbstractItemView* v : {photoList_.data(), drawingList_.data(), treeView_.data()})
        if (v && v->viewport() == watched)
            view = v;
    if (!view)
        return QObject::eventFilter(watched, event);

    bool acceptable = job_.isOpen() && !listMode();
    FolderNode* folder = nullptr;
    if (acceptable && view == treeView_) {
        folder = treeFolderAt(view, drop->position().toPoint());
        acceptable = folder && tree_.isPhotoLevel(folder);
    }
    if (t != QEvent::Drop) {
        if (acceptable) {
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
        } else {
            drop->ignore();
        }
        return true;
    }
    if (!acceptable) {
        drop->ignore();
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    const QStringList files = localFilesOf(mime);
    const bool drawing = view == drawingList_;
    // The import runs once the drop is over, so the file manager is not kept waiting.
    QMetaObject::invokeMethod(
        this,
        [this, files, drawing, folder, view = QPointer<QAbstractItemView>(view)] {
            if (view && view == treeView_) {
                // The folder may have gone while the event was waiting.
                if (!tree_.allFolders().contains(folder))
                    return;
                tree_.select(folder);
            }
            importDropped(files, drawing);
        },
        Qt::QueuedConnection);
    return true;
}

void TImportCommands::installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler)
{
    setHandler(QStringLiteral("Mn_ImportFile"), [this] { importFiles(); });
    setHandler(QStringLiteral("Mn_DrawingFile"), [this] { importDrawingFiles(); });
    setHandler(QStringLiteral("Mn_ImportFolder"), [this] { importFolder(); });
    setHandler(QStringLiteral("Mn_Paste"), [this] { paste(); });
}

}  // namespace zb
