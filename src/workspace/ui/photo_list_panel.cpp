#include "workspace/ui/photo_list_panel.h"

#include "settings/settings.h"
#include "core/ports.h"
#include "store/table_network.h"
#include "workspace/drawing_list.h"
#include "workspace/photo_list.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace zb {

TPhotoListPanel::TPhotoListPanel(JobLife& job, HierarchyModel& tree, Messages& messages, QObject* parent)
    : QObject(parent), job_(job), tree_(tree), messages_(messages), thumbs_(ring_)
{
    listView_ = new TPhotoListView(thumbs_);
    listView2_ = new TDrawingListView(thumbs_);
    listView2_->setEnabled(false);
    connect(listView_, &QListWidget::itemSelectionChanged, this, &TPhotoListPanel::photoSelectionChanged);
    connect(listView_, &TThumbListView::viewRequested, this, &TPhotoListPanel::requestView);
    connect(listView_, &TThumbListView::droppedWithin, this, &TPhotoListPanel::dropPhotos);
    connect(listView2_, &TThumbListView::viewRequested, this, &TPhotoListPanel::requestView);
    connect(listView2_, &TThumbListView::droppedWithin, this, &TPhotoListPanel::dropDrawings);
    connect(listView2_, &QListWidget::itemSelectionChanged, this, [this] {
        if (hooks_.restartButtonTimer)
            hooks_.restartButtonTimer();
    });
    // A folder the tree lost (a new job, a deleted folder) is not shown any more.
    connect(&tree_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { showFolder(nullptr); });
    connect(&tree_, &QAbstractItemModel::modelReset, this, [this] { showFolder(tree_.selected()); });
    connect(&tree_, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (folder_ && !tree_.allFolders().contains(folder_))
            showFolder(nullptr);
    });
}

TPhotoListPanel::~TPhotoListPanel()
{
    for (QObject* v : {static_cast<QObject*>(listView_.data()), static_cast<QObject*>(listView2_.data())})
        if (v)
            v->disconnect(this);
    delete listView_.data();
    delete listView2_.data();
}

void TPhotoListPanel::setWindowHooks(WindowHooks hooks)
{
    hooks_ = std::move(hooks);
    if (hooks_.sankoTimer)
        connect(hooks_.sankoTimer, &QTimer::timeout, this, [this] { refillDrawingList(); });
}

void TPhotoListPanel::setLook(const ListLook& look)
{
    const bool resized = look.thumbSize() != look_.thumbSize();
    look_ = look;
    listView_->setLook(look);
    listView2_->setLook(look);
    if (resized)
        refillPhotoList(kKeep);
}

void TPhotoListPanel::applySettings()
{
    const Settings& s = appSettings();
    setSwap(s.graphicSwap);
    setLook({s.iconStyle, s.thumbnailUser, s.thumbnailMinFit, s.kouhini});
}

void TPhotoListPanel::bindTable()
{
    TTableNetWork& table = job_.photoTable();
    if (!job_.isOpen() || !table.isOpen()) {
        if (thumbs_.table())
            thumbs_.setTable(nullptr, {});
        boundPath_.clear();
        return;
    }
    if (thumbs_.table() == &table && boundPath_ == table.path())
        return;
    fields_.lookUp(table);
    thumbs_.setTable(&table, fields_);
    boundPath_ = table.path();
}

// ---------------------------------------------------------------- photo list

void TPhotoListPanel::showFolder(FolderNode* node)
{
    if (showsRecords_) {
        if (node)
            return;
        showsRecords_ = false;
        records_.clear();
    }
    folder_ = node;
    refillPhotoList(-1);
}

void TPhotoListPanel::showRecords(const QList<RECORD>& records)
{
    showsRecords_ = true;
    records_ = records;
    folder_ = nullptr;
    refillPhotoList(-1);
}

void TPhotoListPanel::stopShowingRecords(FolderNode* node)
{
    showsRecords_ = false;
    records_.clear();
    showFolder(node);
}

void TPhotoListPanel::refillPhotoList(int wantedIndex)
{
    if (wantedIndex == kKeep)
        wantedIndex = currentIndex();
    bindTable();
    // A fill shows the folder afresh: rows may have been deleted since the
    // last one and their numbers given to new imports, so no cached look of
    // an earlier fill is trusted.
    thumbs_.clear();
    filling_ = true;
    listView_->setUpdatesEnabled(false);
    listView_->clear();
    items_.clear();
    if ((folder_ || showsRecords_) && thumbs_.table()) {
        TTableNetWork& table = job_.photoTable();
        for (RECORD r : showsRecords_ ? records_ : folder_->photos) {
            auto* item = new QListWidgetItem(photoCaption(table, fields_, r));
            item->setData(kRecordRole, r);
            listView_->addItem(item);
            items_.insert(r, item);
        }
    }
    const int n = listView_->count();
    if (n > 0 && wantedIndex >= 0)
        listView_->setCurrentRow(std::min(wantedIndex, n - 1), QItemSelectionModel::ClearAndSelect);
    listView_->setUpdatesEnabled(true);
    filling_ = false;
    photoListChanged();
}

void TPhotoListPanel::photoListChanged()
{
    listView_->updateTabStop();
    showPosition();
    if (listView_->selectionModel()->selectedIndexes().size() == 1) {
        refillDrawingList();
    } else {
        listView2_->clear();
        listView2_->setEnabled(false);
        listView2_->updateTabStop();
        if (!listView_->selectionModel()->hasSelection() && hooks_.noSelTimer)
            hooks_.noSelTimer->start();
    }
    if (hooks_.restartButtonTimer)
        hooks_.restartButtonTimer();
    emit selectionChanged();
}

bool TPhotoListPanel::listMirrorsFolder() const
{
    return folder_ && listView_->count() == folder_->photos.size();
}

void TPhotoListPanel::reorderItems(int from, int to)
{
    if (!folder_)
        return;
    from = std::max(from, 0);
    to = std::min({to, listView_->count() - 1, int(folder_->photos.size()) - 1});
    // The captions travel with their records; only a record that was not in
    // the range reads its title.
    QHash<RECORD, QString> captions;
    for (int i = from; i <= to; ++i) {
        const QListWidgetItem* it = listView_->item(i);
        captions.insert(it->data(kRecordRole).toInt(), it->text());
    }
    for (int i = from; i <= to; ++i) {
        QListWidgetItem* it = listView_->item(i);
        const RECORD had = it->data(kRecordRole).toInt();
        const RECORD want = folder_->photos[i];
        if (had == want)
            continue;
        items_.remove(had, it);
        it->setData(kRecordRole, want);
        const auto caption = captions.constFind(want);
        it->setText(caption != captions.cend() ? *caption : photoCaption(job_.photoTable(), fields_, want));
        items_.insert(want, it);
    }
}

void TPhotoListPanel::showPosition()
{
    if (!hooks_.positionPanel)
        return;
    const int n = listView_->count();
    const int row = listView_->currentRow();
    const bool selected = row >= 0 && listView_->item(row)->isSelected();
    hooks_.positionPanel->setText(QStringLiteral("%1 / %2").arg(selected ? row + 1 : 0).arg(n));
}

void TPhotoListPanel::photoSelectionChanged()
{
    if (filling_)
        return;
    if (hooks_.restartButtonTimer)
        hooks_.restartButtonTimer();
    showPosition();
    if (listView_->selectedItems().isEmpty()) {
        if (hooks_.noSelTimer)
            hooks_.noSelTimer->start();
    } else if (hooks_.sankoTimer && !listView_->dragging() && !drawingListFocused()) {
        hooks_.sankoTimer->start();
    }
    emit selectionChanged();
}

QList<RECORD> TPhotoListPanel::selectedRecords() const
{
    QList<RECORD> out;
    for (int r : listView_->selectedRows())
        out << listView_->item(r)->data(kRecordRole).toInt();
    return out;
}

bool TPhotoListPanel::listFocused() const
{
    const QWidget* f = QApplication::focusWidget();
    return f && (f == listView_ || listView_->isAncestorOf(f) || drawingListFocused());
}

int TPhotoListPanel::currentIndex() const { return listView_->currentRow(); }

RECORD TPhotoListPanel::currentRecord() const
{
    const QListWidgetItem* it = listView_->currentItem();
    return it ? it->data(kRecordRole).toInt() : 0;
}

void TPhotoListPanel::selectRow(int index)
{
    if (index >= 0 && index < listView_->count())
        listView_->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

void TPhotoListPanel::setCaption(RECORD record, const QString& text)
{
    for (QListWidgetItem* it : itemsOf(record))
        it->setText(text);
}

void TPhotoListPanel::repaintRecord(RECORD record)
{
    thumbs_.forget(record);
    for (QListWidgetItem* it : itemsOf(record))
        listView_->update(listView_->indexFromItem(it));
    for (int i = 0; i < listView2_->count(); ++i)
        if (listView2_->item(i)->data(kRecordRole).toInt() == record)
            listView2_->update(listView2_->indexFromItem(listView2_->item(i)));
}

RECORD TPhotoListPanel::singleSelectedPhoto() const
{
    const QList<RECORD> sel = selectedRecords();
    return sel.size() == 1 ? sel.first() : 0;
}

// ---------------------------------------------------------------- drawing list

void TPhotoListPanel::refillDrawingList(int wantedIndex)
{
    listView2_->setUpdatesEnabled(false);
    // The drawings shown may have been deleted and their numbers reused by
    // new drawings: their looks are read again (three rows at most).
    for (int i = 0; i < listView2_->count(); ++i)
        thumbs_.forget(listView2_->item(i)->data(kRecordRole).toInt());
    listView2_->clear();
    const RECORD photo = singleSelectedPhoto();
    bindTable();
    if (photo != 0 && thumbs_.table()) {
        const QList<DrawingEntry> drawings = drawingsOf(job_.photoTable(), fields_, photo);
        for (int i = 0; i < drawings.size(); ++i) {
            thumbs_.forget(drawings[i].drawing);
            auto* item = new QListWidgetItem(drawingCaption(i));
            item->setData(kRecordRole, drawings[i].drawing);
            item->setData(kSlotRole, drawings[i].slot);
            item->setData(kPhotoRole, drawings[i].photo);
            listView2_->addItem(item);
        }
    }
    if (wantedIndex >= 0 && listView2_->count() > 0)
        listView2_->setCurrentRow(std::min(wantedIndex, listView2_->count() - 1), QItemSelectionModel::ClearAndSelect);
    listView2_->setEnabled(photo != 0);
    listView2_->updateTabStop();
    listView2_->setUpdatesEnabled(true);
}

// ---------------------------------------------------------------- commands

bool TPhotoListPanel::drawingListFocused() const
{
    const QWidget* f = QApplication::focusWidget();
    return f && (f == listView2_ || listView2_->isAncestorOf(f));
}

QList<RECORD> TPhotoListPanel::focusedListSelection() const
{
    const TThumbListView* v = drawingListFocused() ? static_cast<const TThumbListView*>(listView2_)
                                                   : static_cast<const TThumbListView*>(listView_);
    QList<RECORD> out;
    for (int r : v->selectedRows())
        out << v->item(r)->data(kRecordRole).toInt();
    return out;
}

bool TPhotoListPanel::focusedItemEdited()
{
    const TThumbListView* v = drawingListFocused() ? static_cast<const TThumbListView*>(listView2_)
                                                   : static_cast<const TThumbListView*>(listView_);
    const QList<int> rows = v->selectedRows();
    if (rows.size() != 1)
        return false;
    bindTable();
    return thumbs_.look(v->item(rows.first())->data(kRecordRole).toInt(), look_.thumbSize()).edited;
}

bool TPhotoListPanel::canMove(bool up) const
{
    const TThumbListView* v = drawingListFocused() ? static_cast<const TThumbListView*>(listView2_)
                                                   : static_cast<const TThumbListView*>(listView_);
    const QList<int> rows = v->selectedRows();
    if (rows.size() != 1 || (hooks_.listMode && hooks_.listMode()))
        return false;
    return up ? rows.first() > 0 : rows.first() < v->count() - 1;
}

void TPhotoListPanel::moveSelected(bool up)
{
    if (!canMove(up))
        return;
    const int delta = up ? -1 : 1;
    if (drawingListFocused()) {
        const RECORD photo = singleSelectedPhoto();
        const int row = listView2_->selectedRows().first();
        bindTable();
        if (!thumbs_.table())
            return;
        const int to = moveDrawing(job_.photoTable(), fields_, photo, row, delta);
        if (to >= 0) {
            refillDrawingList(to);
            repaintRecord(photo);
        }
        return;
    }
    if (!folder_)
        return;
    const int from = listView_->selectedRows().first();
    const bool mirrored = listMirrorsFolder();
    const int to = movePhoto(folder_->photos, from, delta);
    if (to < 0)
        return;
    tree_.photosChanged(folder_);
    if (!mirrored) {
        refillPhotoList(to);
        emit photosChanged();
        return;
    }
    reorderItems(std::min(from, to), std::max(from, to));
    filling_ = true;
    listView_->setCurrentRow(to, QItemSelectionModel::ClearAndSelect);
    filling_ = false;
    photoListChanged();
    emit photosChanged();
}

void TPhotoListPanel::dropPhotos(const QList<int>& rows, int target)
{
    if (!folder_ || (hooks_.listMode && hooks_.listMode()))
        return;
    // The rows come from the drag data: only those the list has count.
    const int n = listView_->count();
    if (target < 0 || target >= n || !listMirrorsFolder())
        return;
    QList<RECORD> moved;
    int low = target, high = target;
    for (int r : rows)
        if (r >= 0 && r < n) {
            moved << listView_->item(r)->data(kRecordRole).toInt();
            low = std::min(low, r);
            high = std::max(high, r);
        }
    const RECORD targetRecord = listView_->item(target)->data(kRecordRole).toInt();
    if (!dropWithinList(folder_->photos, rows, target, swap_))
        return;
    tree_.photosChanged(folder_);
    // Everything that moved lies between the first and the last of the
    // dragged items and the target.
    reorderItems(low, high);
    // Keep the dragged photos selected and focus the item under the pointer.
    QList<int> selected;
    for (RECORD r : moved)
        for (QListWidgetItem* it : itemsOf(r))
            selected << listView_->row(it);
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    QItemSelection selection;
    for (int i = 0; i < selected.size();) {
        int j = i;
        while (j + 1 < selected.size() && selected[j + 1] == selected[j] + 1)
            ++j;
        selection.select(listView_->model()->index(selected[i], 0), listView_->model()->index(selected[j], 0));
        i = j + 1;
    }
    filling_ = true;
    listView_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (const QList<QListWidgetItem*> at = itemsOf(targetRecord); !at.isEmpty())
        listView_->setCurrentItem(at.first(), QItemSelectionModel::NoUpdate);
    filling_ = false;
    photoSelectionChanged();
    emit photosChanged();
}

void TPhotoListPanel::dropDrawings(const QList<int>& rows, int target)
{
    const RECORD photo = singleSelectedPhoto();
    // The rows come from the drag data, not from the list as it is now.
    const QListWidgetItem* dragged = rows.size() == 1 ? listView2_->item(rows.first()) : nullptr;
    const QListWidgetItem* onto = listView2_->item(target);
    if (!dragged || !onto || dragged == onto || photo == 0)
        return;
    bindTable();
    if (!thumbs_.table())
        return;
    const int from = dragged->data(kSlotRole).toInt();
    const int to = onto->data(kSlotRole).toInt();
    if (!dropDrawing(job_.photoTable(), fields_, photo, from, to, swap_))
        return;
    // Select the item that now holds the target slot.
    refillDrawingList(-1);
    for (int i = 0; i < listView2_->count(); ++i)
        if (listView2_->item(i)->data(kSlotRole).toInt() == to)
            listView2_->setCurrentRow(i, QItemSelectionModel::ClearAndSelect);
    repaintRecord(photo);
}

void TPhotoListPanel::deleteSelected()
{
    if (drawingListFocused())
        deleteDrawingsSelected();
    else
        deletePhotosSelected();
}

void TPhotoListPanel::deletePhotosSelected()
{
    const QList<int> rows = listView_->selectedRows();
    bindTable();
    if (!folder_ || rows.isEmpty() || !thumbs_.table())
        return;
    const bool listMode = hooks_.listMode && hooks_.listMode();
    FolderNode* recycle = tree_.recycle();
    const bool inRecycle = folder_ == recycle && !listMode;
    const bool mirrored = listMirrorsFolder();
    QList<RECORD> toRecycle, gone;
    const int first =
        deletePhotos(folder_->photos, rows, inRecycle, toRecycle, job_.photoTable(), fields_, messages_, &gone);
    if (first < 0)
        return;
    // Deleted rows leave no look behind for a new row under the same number.
    for (RECORD r : gone)
        thumbs_.forget(r);
    if (recycle && !toRecycle.isEmpty())
        tree_.appendPhotos(recycle, toRecycle);
    tree_.photosChanged(folder_);
    if (!mirrored) {
        refillPhotoList(first);
        emit photosChanged();
        return;
    }
    // The handled entries leave the list as runs of neighbouring items, last
    // run first; the other items stay as they are.
    filling_ = true;
    listView_->clearSelection();
    for (int i = int(rows.size()) - 1; i >= 0;) {
        int j = i;
        while (j > 0 && rows[j - 1] == rows[j] - 1)
            --j;
        for (int k = rows[j]; k <= rows[i]; ++k) {
            QListWidgetItem* it = listView_->item(k);
            items_.remove(it->data(kRecordRole).toInt(), it);
        }
        listView_->model()->removeRows(rows[j], rows[i] - rows[j] + 1);
        i = j - 1;
    }
    const int n = listView_->count();
    if (n > 0)
        listView_->setCurrentRow(std::min(first, n - 1), QItemSelectionModel::ClearAndSelect);
    filling_ = false;
    photoListChanged();
    emit photosChanged();
}

void TPhotoListPanel::deleteDrawingsSelected()
{
    const RECORD photo = singleSelectedPhoto();
    bindTable();
    if (photo == 0 || !thumbs_.table())
        return;
    QList<int> chosen;
    for (int r : listView2_->selectedRows())
        chosen << listView2_->item(r)->data(kSlotRole).toInt();
    FolderNode* recycle = tree_.recycle();
    const bool listMode = hooks_.listMode && hooks_.listMode();
    const bool forGood = !recycle || (folder_ == recycle && !listMode);
    QList<RECORD> toRecycle;
    const int keep = listView2_->currentRow();
    if (!deleteDrawings(job_.photoTable(), fields_, photo, chosen, forGood, toRecycle, messages_))
        return;
    job_.setChanged();
    if (recycle && !toRecycle.isEmpty())
        tree_.appendPhotos(recycle, toRecycle);
    if (folder_ == recycle)
        refillPhotoList(kKeep);
    repaintRecord(photo);
    refillDrawingList(keep);
    emit photosChanged();
}

void TPhotoListPanel::selectAll()
{
    TThumbListView* v = drawingListFocused() ? static_cast<TThumbListView*>(listView2_)
                                             : static_cast<TThumbListView*>(listView_);
    if (v->count() == 0)
        return;
    if (!v->currentItem())
        v->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    v->selectAll();
}

void TPhotoListPanel::requestView()
{
    // The viewer opens 10 ms later, once the click or key that asked for it
    // has been dealt with.
    if (hooks_.viewTimer)
        hooks_.viewTimer->start(10);
}

}  // namespace zb
