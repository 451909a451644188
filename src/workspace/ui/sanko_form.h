#pragma once
// The registered-photo chooser of the drawing commands: a copy of the job's
// hierarchy on the left, the photos of the chosen folder on the right (drawn
// like the photo list, several may be selected). 実行 gives the folder and the
// selected photos in list order.
#include "core/record.h"
#include "workspace/hierarchy_model.h"
#include "workspace/photo_thumbnails.h"
#include "workspace/thumbnail_ring.h"

#include <QDialog>
#include <functional>

class QPushButton;

namespace zb {

class Messages;
class THierarchyTree;
class TPhotoListView;

class TSankoForm : public QDialog {
    Q_OBJECT
public:
    // `folders` is the job's hierarchy (copied); `table` and `fields` give the
    // pictures and `look` the thumbnail size of the photo list.
    TSankoForm(const Hierarchy& folders, engine::Table* table, const PhotoFields& fields, int thumbSize,
               Messages& messages, QWidget* parent = nullptr);
    ~TSankoForm() override;

    // The chosen folder's path in the tree and the selected photos, in list order.
    QString chosenPath() const;
    QList<RECORD> chosenPhotos() const;

    // 表示: the viewer for one photo; the caller supplies it.
    std::function<void(RECORD)> viewPhoto;

    HierarchyModel& tree() { return tree_; }
    THierarchyTree* treeView = nullptr;
    TPhotoListView* photoView = nullptr;
    QPushButton* expandButton = nullptr;    // ツリーを全て開く
    QPushButton* collapseButton = nullptr;  // カーソル位置以外のツリーを全て閉じる
    QPushButton* viewButton = nullptr;      // 表示
    QPushButton* selectAllButton = nullptr; // 全て選択
    QPushButton* okButton = nullptr;        // 実行
    QPushButton* cancelButton = nullptr;    // 中止

private:
    void showFolder(FolderNode* node);

    HierarchyModel tree_;
    ThumbnailRing ring_;
    PhotoThumbnails thumbs_;
};

}  // namespace zb
