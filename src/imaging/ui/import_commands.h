#pragma once
// The import commands of the main window: 取込 › ファイルを選択 (the photo file
// chooser), 取込 › フォルダを選択 (the folder dialog and the folder scan),
// クリップボードから貼り付け, and files dropped from the file manager on the
// photo list, the drawing list or a folder of the tree. Each runs the import
// with the settings of ZB.INI, the main window's progress bar and messages,
// then files the new rows, saves the tree and refreshes the lists.
#include "core/record.h"
#include "imaging/import.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

class QAbstractItemView;
class QMimeData;
class QWidget;

namespace zb {

class FolderNode;
class HierarchyModel;
class JobLife;
class Messages;
class Progress;

// Help context of the import dialogs.
inline constexpr int kImportHelpContext = 106;
// The photo file chooser when it adds drawings.
inline const QString kDrawingImportCaption = QStringLiteral("参考図の追加");
inline constexpr int kDrawingImportHelpContext = 236;

// Files of the local file system named by dropped or copied data, in the
// order given; empty when there are none.
QStringList localFilesOf(const QMimeData* mime);
// The clipboard's picture as the import takes it: an enhanced metafile when
// the data holds one, else its bitmap (both empty when it holds neither).
ClipboardPicture clipboardPictureOf(const QMimeData* mime);

class TImportCommands : public QObject {
    Q_OBJECT
public:
    TImportCommands(JobLife& job, HierarchyModel& tree, Messages& messages, Progress& progress, QWidget* window,
                    QObject* parent = nullptr);
    ~TImportCommands() override;

    // What the window lends: the photo list's refill and selection, the
    // drawing list, the hidden 領域の確保 command. Any may be missing.
    struct WindowHooks {
        std::function<void(int wantedIndex)> refillPhotoList;
        std::function<QList<RECORD>()> selectedPhotos;
        std::function<bool()> drawingListFocused;
        std::function<void()> refreshDrawings;
        std::function<void(bool)> setReclaimVisible;
        std::function<bool()> listMode;
        // The photo file chooser's 表示: the file in the viewer.
        std::function<void(const QString& path)> showPicture;
    };
    WindowHooks hooks;

    // The dialogs; tests replace them. chooseFiles gets the start folder and
    // returns the chosen files (nullopt on 中止) and the folder shown last.
    struct FileChoice {
        QStringList files;
        QString lastFolder;
    };
    std::function<std::optional<FileChoice>(const QString& startFolder)> chooseFiles;
    struct FolderChoice {
        QString folder;
        bool subfolders = false;
    };
    std::function<std::optional<FolderChoice>(const QString& startFolder, bool subfolders)> chooseFolder;
    // Polled after each file of the folder scan: was ESC pressed?
    std::function<bool()> escPressed;
    // The clipboard's contents; the system clipboard unless replaced.
    std::function<const QMimeData*()> clipboard;

    // The commands.
    void importFiles();
    // 参考図を追加 › ファイルを選択: the chosen files become drawings of the one
    // selected photo.
    void importDrawingFiles();
    void importFolder();
    void paste();
    // Imports files into the selected folder (or, for the drawing target, as
    // drawings of the one selected photo). Returns whether all were imported.
    bool importPaths(const QStringList& paths, bool drawing);
    // Dropped or pasted paths: a folder among them stands for its pictures
    // (and those of its sub-folders when FolderDown is on), in place.
    bool importDropped(const QStringList& paths, bool drawing);
    bool importClipboard(const ClipboardPicture& picture, bool drawing);

    // Files dragged from the file manager are taken by these views: the photo
    // list (photo target), the drawing list (drawing target) and the tree (the
    // folder under the pointer, when it takes photos). Not in list mode.
    void watchDrops(QAbstractItemView* photoList, QAbstractItemView* drawingList, QAbstractItemView* tree);

    // Gives the commands to the main window by the command map's names.
    void installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler);

signals:
    // An import ran and rows may have been added.
    void imported();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool run(const std::optional<QStringList>& files, bool drawing, const ClipboardPicture* clip);
    bool listMode() const;
    FolderNode* treeFolderAt(QAbstractItemView* view, const QPoint& pos) const;

    JobLife& job_;
    HierarchyModel& tree_;
    Messages& messages_;
    Progress& progress_;
    QPointer<QWidget> window_;
    QPointer<QAbstractItemView> photoList_, drawingList_, treeView_;
    bool choosingDrawings_ = false;
};

}  // namespace zb
