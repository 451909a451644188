#pragma once
// TGrphSelForm: the photo file chooser. A folder tree beside the list of the
// folder's files that match the mask, a file-name box, the list/thumbnail
// switch 一覧 and the 表示 button; the pop-up commands rename, delete, select
// all, new folder and reload. In thumbnail mode camera files are drawn from
// their EXIF thumbnail, other pictures from a reduced decode.
#include <QDialog>
#include <QHash>
#include <QIdentityProxyModel>
#include <QImage>
#include <QSet>
#include <QThreadPool>
#include <functional>

class QFileSystemModel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QTreeView;

namespace zb {

class Messages;

inline const QString kGrphSelCaption = QStringLiteral("写真の選択");
inline const QString kFileSelectCaption = QStringLiteral("ファイルの選択");
inline const QString kDeleteFilesConfirm = QStringLiteral("選択されているファイルを削除しますか？");
inline const QString kDeleteFilesFailed = QStringLiteral("ファイルを削除できませんでした。\r\n>");
inline const QString kNewFolderInputCaption = QStringLiteral("フォルダの作成");
inline const QString kNewFolderInputPrompt = QStringLiteral("フォルダ名:");
inline const QString kNewFolderInputProposal = QStringLiteral("新しいフォルダ");
inline const QString kNewFolderFailed = QStringLiteral("フォルダを作成できませんでした。\r\n>");

// The picture a chooser shows for a file in thumbnail mode, its longer side
// at most `size`: the EXIF thumbnail of a camera file when it has one, else a
// reduced decode of the file. Null when the file cannot be read.
QImage chooserThumbnail(const QString& path, int size);

// The file list's model with thumbnails as decorations while thumbnail mode
// is on. Each is made once per file on a worker thread (metafiles on this
// one), the item repainted when it is ready.
class ThumbnailProxy : public QIdentityProxyModel {
    Q_OBJECT
public:
    explicit ThumbnailProxy(QObject* parent = nullptr);
    ~ThumbnailProxy() override;
    void setThumbnails(bool on, int size);
    bool thumbnails() const { return on_; }
    QVariant data(const QModelIndex& index, int role) const override;
    void clearCache();
    // True once the thumbnail of the file was made (or found impossible).
    bool ready(const QString& path) const { return cache_.contains(path); }

private:
    void made(const QString& path, int size, const QImage& image);

    bool on_ = false;
    int size_ = 96;
    mutable QHash<QString, QImage> cache_;
    mutable QSet<QString> pending_;
    QThreadPool* pool_;
};

class TGrphSelForm : public QDialog {
    Q_OBJECT
public:
    explicit TGrphSelForm(Messages& messages, QWidget* parent = nullptr);

    // The file mask, "*.JPG;*.JPEG;…"; masks compare without regard to case.
    void setMask(const QString& mask);
    void setMultiSelect(bool on);
    void setHelpContext(int context) { helpContext_ = context; }
    int helpContext() const { return helpContext_; }
    // The folder shown; a missing folder shows its nearest existing parent.
    void setFolder(const QString& path);
    QString folder() const { return folder_; }
    // The files chosen, in list order (valid after 実行).
    QStringList selectedFiles() const;
    void setThumbnailMode(bool on);
    bool thumbnailMode() const;
    // 表示: shows one picture (the viewer); the button is enabled only when
    // this is set and one picture of a kind the program reads is selected.
    std::function<void(const QString& path)> showPicture;

    // Pop-up commands.
    void renameSelected();
    void deleteSelected();
    void selectAll();
    void createFolder();
    void reload();

    QTreeView* folderTree = nullptr;
    QListView* fileList = nullptr;
    QLineEdit* fileNameEdit = nullptr;
    QPushButton* listButton = nullptr;   // 一覧
    QPushButton* viewButton = nullptr;   // 表示
    QPushButton* runButton = nullptr;    // 実行
    QPushButton* cancelButton = nullptr; // 中止
    QMenu* popup = nullptr;
    QFileSystemModel* files() const { return files_; }

private:
    void selectionChanged();
    QStringList selectedPaths() const;

    Messages& messages_;
    QFileSystemModel* dirs_ = nullptr;
    QFileSystemModel* files_ = nullptr;
    ThumbnailProxy* proxy_ = nullptr;
    QString folder_;
    int helpContext_ = 0;
};

}  // namespace zb
