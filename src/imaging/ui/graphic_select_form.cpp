#include "imaging/ui/graphic_select_form.h"

#include "core/ports.h"
#include "imaging/exif.h"
#include "imaging/graphic_kind.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"
#include "imaging/resample.h"
#include "imaging/stored_pictures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QThread>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace zb {

namespace {

constexpr int kChooserThumbSize = 96;

}  // namespace

QImage chooserThumbnail(const QString& path, int size)
{
    SilentMessages quiet;
    QImage image = UprightExifThumbnail(path, size);
    if (image.isNull()) {
        switch (GraphicKindOfName(path)) {
        case kKindJpeg:
            DecodeJpegFile(path, image, size, quiet);
            break;
        case kKindMetafile:
            RenderGraphicFile(image, path, quiet);
            break;
        case kKindUnsupported:
        case kKindUnreadable:
            break;
        default:
            LoadWithImageLibrary(path, image);
            break;
        }
    }
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return {};
    // The longer side becomes `size`, the proportions kept.
    const double f = std::min(double(size) / image.width(), double(size) / image.height());
    return ResizeSmooth(image, std::max(1, int(image.width() * f + 0.5)), std::max(1, int(image.height() * f + 0.5)));
}

ThumbnailProxy::ThumbnailProxy(QObject* parent) : QIdentityProxyModel(parent), pool_(new QThreadPool(this))
{
    pool_->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
}

ThumbnailProxy::~ThumbnailProxy()
{
    pool_->clear();
    pool_->waitForDone();
}

void ThumbnailProxy::clearCache()
{
    pool_->clear();
    cache_.clear();
    pending_.clear();
}

void ThumbnailProxy::setThumbnails(bool on, int size)
{
    if (on == on_ && size == size_)
        return;
    beginResetModel();
    on_ = on;
    size_ = size;
    clearCache();
    endResetModel();
}

void ThumbnailProxy::made(const QString& path, int size, const QImage& image)
{
    if (size != size_ || !pending_.remove(path))
        return;  // asked for before the folder or the size changed
    cache_.insert(path, image);
    if (const auto* fs = qobject_cast<const QFileSystemModel*>(sourceModel())) {
        const QModelIndex i = mapFromSource(fs->index(path));
        if (i.isValid())
            emit dataChanged(i, i, {Qt::DecorationRole});
    }
}

QVariant ThumbnailProxy::data(const QModelIndex& index, int role) const
{
    if (on_ && role == Qt::DecorationRole && index.column() == 0) {
        const auto* fs = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (fs && !fs->isDir(mapToSource(index))) {
            const QString path = fs->filePath(mapToSource(index));
            const auto it = cache_.constFind(path);
            if (it != cache_.constEnd()) {
                if (!it->isNull())
                    return *it;
            } else if (GraphicKindOfName(path) == kKindMetafile) {
                // Metafiles are drawn here: their renderers stay on this thread.
                const QImage image = chooserThumbnail(path, size_);
                cache_.insert(path, image);
                if (!image.isNull())
                    return image;
            } else if (!pending_.contains(path)) {
                pending_.insert(path);
                const int size = size_;
                QPointer<ThumbnailProxy> self(const_cast<ThumbnailProxy*>(this));
                pool_->start([self, path, size] {
                    const QImage image = chooserThumbnail(path, size);
                    QMetaObject::invokeMethod(
                        self.data(), [self, path, size, image] {
                            if (self)
                                self->made(path, size, image);
                        },
                        Qt::QueuedConnection);
                });
            }
        }
    }
    return QIdentityProxyModel::data(index, role);
}

TGrphSelForm::TGrphSelForm(Messages& messages, QWidget* parent) : QDialog(parent), messages_(messages)
{
    setObjectName(QStringLiteral("TGrphSelForm"));
    setWindowTitle(kGrphSelCaption);
    resize(760, 520);

    dirs_ = new QFileSystemModel(this);
    dirs_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    dirs_->setRootPath(QString());
    folderTree = new QTreeView(this);
    folderTree->setObjectName(QStringLiteral("FolderTree"));
    folderTree->setModel(dirs_);
    for (int c = 1; c < dirs_->columnCount(); ++c)
        folderTree->hideColumn(c);
    folderTree->header()->hide();
    folderTree->setSortingEnabled(true);
    folderTree->sortByColumn(0, Qt::AscendingOrder);

    files_ = new QFileSystemModel(this);
    files_->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    files_->setNameFilterDisables(false);
    files_->setReadOnly(false);
    proxy_ = new ThumbnailProxy(this);
    proxy_->setSourceModel(files_);
    fileList = new QListView(this);
    fileList->setObjectName(QStringLiteral("FileList"));
    fileList->setModel(proxy_);
    fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    fileList->setEditTriggers(QAbstractItemView::EditKeyPressed);
    fileList->setResizeMode(QListView::Adjust);
    fileList->setContextMenuPolicy(Qt::CustomContextMenu);

    fileNameEdit = new QLineEdit(this);
    fileNameEdit->setObjectName(QStringLiteral("FileName"));
    listButton = new QPushButton(QStringLiteral("一覧"), this);
    listButton->setCheckable(true);
    viewButton = new QPushButton(QStringLiteral("表示"), this);
    viewButton->setEnabled(false);
    runButton = new QPushButton(QStringLiteral("実行"), this);
    runButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("中止"), this);

    popup = new QMenu(this);
    popup->addAction(QStringLiteral("名前を変更"), this, &TGrphSelForm::renameSelected);
    popup->addAction(QStringLiteral("削除"), this, &TGrphSelForm::deleteSelected);
    popup->addAction(QStringLiteral("全て選択"), this, &TGrphSelForm::selectAll);
    popup->addSeparator();
    popup->addAction(QStringLiteral("フォルダの作成"), this, &TGrphSelForm::createFolder);
    popup->addAction(QStringLiteral("再読込"), this, &TGrphSelForm::reload);

    connect(folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && dirs_->filePath(current) != folder_)
                    setFolder(dirs_->filePath(current));
            });
    connect(fileList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TGrphSelForm::selectionChanged);
    connect(fileList, &QListView::doubleClicked, this, [this] {
        if (!selectedPaths().isEmpty())
            accept();
    });
    connect(fileList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { popup->popup(fileList->viewport()->mapToGlobal(p)); });
    connect(listButton, &QPushButton::toggled, this, &TGrphSelForm::setThumbnailMode);
    connect(viewButton, &QPushButton::clicked, this, [this] {
        const QStringList paths = selectedPaths();
        // The file may have changed since it was selected.
        if (showPicture && paths.size() == 1 && GraphicKindOf(paths.first()) >= 0)
            showPicture(paths.first());
    });
    connect(runButton, &QPushButton::clicked, this, [this] {
        if (!selectedFiles().isEmpty())
            accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* split = new QSplitter(this);
    split->addWidget(folderTree);
    split->addWidget(fileList);
    split->setStretchFactor(1, 2);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(fileNameEdit, 1);
    nameRow->addWidget(listButton);
    nameRow->addWidget(viewButton);
    nameRow->addWidget(runButton);
    nameRow->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(nameRow);
}

void TGrphSelForm::setMask(const QString& mask)
{
    QStringList filters;
    for (const QString& m : mask.split(QLatin1Char(';'))) {
        const QString t = m.trimmed();
        if (!t.isEmpty())
            filters << t;
    }
    files_->setNameFilters(filters);
}

void TGrphSelForm::setMultiSelect(bool on)
{
    fileList->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TGrphSelForm::setFolder(const QString& path)
{
    QString dir = path.isEmpty() ? QDir::homePath() : QFileInfo(path).absoluteFilePath();
    while (!QFileInfo(dir).isDir()) {
        const QString up = QFileInfo(dir).path();
        if (up == dir) {
            dir = QDir::homePath();
            break;
        }
        dir = up;
    }
    dir = QDir::cleanPath(dir);
    folder_ = dir;
    proxy_->clearCache();
    const QModelIndex root = files_->setRootPath(dir);
    fileList->setRootIndex(proxy_->mapFromSource(root));
    const QModelIndex d = dirs_->index(dir);
    if (folderTree->currentIndex() != d) {
        folderTree->setCurrentIndex(d);
        folderTree->scrollTo(d);
    }
    fileNameEdit->clear();
}

QStringList TGrphSelForm::selectedPaths() const
{
    QModelIndexList rows = fileList->selectionModel()->selectedIndexes();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList paths;
    for (const QModelIndex& i : rows)
        if (i.column() == 0)
            paths << files_->filePath(proxy_->mapToSource(i));
    return paths;
}

QStringList TGrphSelForm::selectedFiles() const
{
    const QStringList paths = selectedPaths();
    if (!paths.isEmpty())
        return paths;
    // A name typed into the box: a file of the shown folder.
    const QString typed = fileNameEdit->text().trimmed();
    if (typed.isEmpty())
        return {};
    const QString path = QDir(folder_).absoluteFilePath(typed);
    return QFileInfo(path).isFile() ? QStringList{path} : QStringList{};
}

void TGrphSelForm::selectionChanged()
{
    const QStringList paths = selectedPaths();
    QStringList names;
    for (const QString& p : paths)
        names << QFileInfo(p).fileName();
    fileNameEdit->setText(names.size() == 1 ? names.first()
                                            : names.isEmpty() ? QString()
                                                              : QLatin1Char('"') + names.join(QStringLiteral("\" \"")) +
                                                                    QLatin1Char('"'));
    viewButton->setEnabled(showPicture && paths.size() == 1 && GraphicKindOf(paths.first()) >= 0);
}

void TGrphSelForm::setThumbnailMode(bool on)
{
    if (listButton->isChecked() != on) {
        listButton->setChecked(on);  // comes back here through the toggle
        return;
    }
    proxy_->setThumbnails(on, kChooserThumbSize);
    fileList->setRootIndex(proxy_->mapFromSource(files_->index(folder_)));
    fileList->setViewMode(on ? QListView::IconMode : QListView::ListMode);
    fileList->setIconSize(on ? QSize(kChooserThumbSize, kChooserThumbSize) : QSize());
    fileList->setGridSize(on ? QSize(kChooserThumbSize + 24, kChooserThumbSize + 32) : QSize());
    fileList->setWordWrap(on);
}

bool TGrphSelForm::thumbnailMode() const { return proxy_->thumbnails(); }

void TGrphSelForm::renameSelected()
{
    const QModelIndex current = fileList->currentIndex();
    if (current.isValid())
        fileList->edit(current);
}

void TGrphSelForm::deleteSelected()
{
    const QStringList paths = selectedPaths();
    if (paths.isEmpty() || !messages_.confirm(kDeleteFilesConfirm))
        return;
    for (const QString& p : paths) {
        // To the desktop's trash when there is one, so a mistake can be undone.
        if (!QFile::moveToTrash(p) && !QFile::remove(p)) {
            messages_.warning(kDeleteFilesFailed + QDir::toNativeSeparators(p));
            break;
        }
    }
}

void TGrphSelForm::selectAll() { fileList->selectAll(); }

void TGrphSelForm::createFolder()
{
    const std::optional<QString> name =
        messages_.inputBox(kNewFolderInputCaption, kNewFolderInputPrompt, kNewFolderInputProposal);
    if (!name || name->trimmed().isEmpty())
        return;
    const QString clean = name->trimmed();
    if (clean.contains(QLatin1Char('/')) || clean == QStringLiteral(".") || clean == QStringLiteral("..") ||
        !QDir(folder_).mkdir(clean)) {
        messages_.warning(kNewFolderFailed + clean);
        return;
    }
    setFolder(QDir(folder_).filePath(clean));
}

void TGrphSelForm::reload()
{
    const QString dir = folder_;
    files_->setRootPath(QString());
    setFolder(dir);
}

}  // namespace zb
