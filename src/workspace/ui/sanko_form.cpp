#include "workspace/ui/sanko_form.h"

#include "workspace/ui/photo_list_view.h"
#include "workspace/ui/tree_view.h"

#include <QHBoxLayout>
#include <QListWidgetItem>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

namespace zb {

TSankoForm::TSankoForm(const Hierarchy& folders, engine::Table* table, const PhotoFields& fields, int thumbSize,
                       Messages& messages, QWidget* parent)
    : QDialog(parent), thumbs_(ring_)
{
    setObjectName(QStringLiteral("SankoForm"));
    setWindowTitle(QStringLiteral("参考図の指定"));
    resize(760, 520);
    tree_.load(folders);
    thumbs_.setTable(table, fields);

    // The tree: choosing a folder only, nothing is dragged or dropped.
    treeView = new THierarchyTree(tree_, messages, this);
    treeView->setDragEnabled(false);
    treeView->setAcceptDrops(false);
    treeView->viewport()->setAcceptDrops(false);
    expandButton = new QPushButton(QStringLiteral("ツリーを全て開く"), this);
    collapseButton = new QPushButton(QStringLiteral("カーソル位置以外のツリーを全て閉じる"), this);
    auto* treeButtons = new QHBoxLayout;
    treeButtons->addWidget(expandButton);
    treeButtons->addWidget(collapseButton);
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(treeButtons);
    leftLayout->addWidget(treeView, 1);

    photoView = new TPhotoListView(thumbs_, this);
    photoView->setObjectName(QStringLiteral("ListView"));
    photoView->setDragEnabled(false);
    photoView->setAcceptDrops(false);
    ListLook look;
    if (thumbSize != ListLook::kStandardSize) {
        look.iconStyle = 1;
        look.thumbnailUser = thumbSize;
    }
    photoView->setLook(look);

    viewButton = new QPushButton(QStringLiteral("表示"), this);
    selectAllButton = new QPushButton(QStringLiteral("全て選択"), this);
    okButton = new QPushButton(QStringLiteral("実行"), this);
    okButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("中止"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(viewButton);
    buttons->addWidget(selectAllButton);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(photoView);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(buttons);

    connect(expandButton, &QPushButton::clicked, this, [this] { tree_.expandAll(); });
    connect(collapseButton, &QPushButton::clicked, this, [this] { tree_.collapseOthers(); });
    connect(&tree_, &HierarchyModel::selectedChanged, this, &TSankoForm::showFolder);
    connect(selectAllButton, &QPushButton::clicked, photoView, &QListWidget::selectAll);
    auto view = [this] {
        const QList<RECORD> chosen = chosenPhotos();
        if (chosen.size() == 1 && viewPhoto)
            viewPhoto(chosen.first());
    };
    connect(viewButton, &QPushButton::clicked, this, view);
    connect(photoView, &TThumbListView::viewRequested, this, view);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    // The first node is selected at the start.
    if (tree_.topCount() > 0) {
        FolderNode* first = tree_.top(0);
        tree_.select(first);
        treeView->setCurrentIndex(tree_.indexOf(first));
        showFolder(first);
    }
}

TSankoForm::~TSankoForm() = default;

void TSankoForm::showFolder(FolderNode* node)
{
    photoView->clear();
    if (!node)
        return;
    for (RECORD r : node->photos) {
        auto* item = new QListWidgetItem(photoView);
        item->setData(kRecordRole, r);
    }
    photoView->updateTabStop();
}

QString TSankoForm::chosenPath() const
{
    return tree_.selected() ? tree_.pathOf(tree_.selected()) : QString();
}

QList<RECORD> TSankoForm::chosenPhotos() const
{
    QList<RECORD> out;
    for (int row : photoView->selectedRows())
        out << photoView->item(row)->data(kRecordRole).toInt();
    return out;
}

}  // namespace zb
