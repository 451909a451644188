#pragma once
// The controller of the photo list ListView and the drawing list ListView2:
// fills them from the selected folder and the selected photo, keeps the
// status panel and the window's timers informed, and carries out the list
// commands (up/down, drops within a list, deletion, select all, the viewer
// request, the thumbnail toggles) through the list logic of the workspace.
#include "store/job_life.h"
#include "workspace/hierarchy_model.h"
#include "workspace/photo_thumbnails.h"
#include "workspace/thumbnail_ring.h"
#include "workspace/ui/photo_list_view.h"

#include <QMultiHash>
#include <QObject>
#include <QPointer>
#include <functional>

class QLabel;
class QTimer;

namespace zb {

class Messages;

class TPhotoListPanel : public QObject {
    Q_OBJECT
public:
    TPhotoListPanel(JobLife& job, HierarchyModel& tree, Messages& messages, QObject* parent = nullptr);
    ~TPhotoListPanel() override;

    // The two lists. The window places them; they belong to it once placed.
    TPhotoListView* listView() const { return listView_; }
    TDrawingListView* listView2() const { return listView2_; }

    // What the window lends the lists: status panel 1, its timers and the
    // enabling-rule restart. Any may be missing (tests, zbcli).
    struct WindowHooks {
        QPointer<QLabel> positionPanel;        // status panel 1
        QPointer<QTimer> sankoTimer;           // Timer_Sanko: refills the drawing list
        QPointer<QTimer> noSelTimer;           // Timer_NoSel
        QPointer<QTimer> viewTimer;            // Timer: the viewer for the selected item
        std::function<void()> restartButtonTimer;
        std::function<bool()> listMode;
    };
    void setWindowHooks(WindowHooks hooks);

    // The thumbnail look: IconStyle, THUMBNAIL_USER, ThumbnailMinFit, Kouhini.
    // A changed size refills the list; the modes repaint both lists.
    void setLook(const ListLook& look);
    // The look from the program's settings.
    void applySettings();
    const ListLook& look() const { return look_; }
    // GraphicSwap: what a drop of one item within a list does.
    void setSwap(bool on) { swap_ = on; }

    // ---- the photo list
    // Shows the photos of a folder (nullptr: none), nothing selected. While
    // the list shows records (list mode) a folder is not shown; nullptr (the
    // tree went) still empties the list.
    void showFolder(FolderNode* node);
    FolderNode* folder() const { return folder_; }
    // List mode: the list shows exactly these records, in this order; the
    // records of photo lists stay as they are.
    void showRecords(const QList<RECORD>& records);
    // Back to the folder's photos (list mode released).
    void stopShowingRecords(FolderNode* node);
    bool showsRecords() const { return showsRecords_; }
    // Refills from the current folder's list and selects the item at
    // wantedIndex (clamped to the last item; -1 selects nothing, kKeep the
    // item that was selected before).
    static constexpr int kKeep = -2;
    void refillPhotoList(int wantedIndex = kKeep);
    // Selected records in list order; current (focused) item, -1 when none.
    QList<RECORD> selectedRecords() const;
    int currentIndex() const;
    RECORD currentRecord() const;
    // Selects just the item at index and focuses it.
    void selectRow(int index);
    // Sets the caption of a record's item; repaints one item after its row
    // changed (its cached thumbnail is read again).
    void setCaption(RECORD record, const QString& text);
    void repaintRecord(RECORD record);

    // ---- the drawing list
    // Rebuilds the drawing list for the single selected photo (cleared and
    // disabled otherwise), selecting the item at wantedIndex when asked.
    void refillDrawingList(int wantedIndex = -1);

    // ---- commands on the focused list (the drawing list when it has the
    // focus, else the photo list)
    bool drawingListFocused() const;
    // The selected records of the focused list, in list order.
    QList<RECORD> focusedListSelection() const;
    // One of the two lists has the keyboard focus.
    bool listFocused() const;
    // The one selected item of the focused list has an edited picture.
    bool focusedItemEdited();
    bool canMove(bool up) const;
    void moveSelected(bool up);
    void deleteSelected();
    void selectAll();
    // Enter, double-click, "表示": starts the window's viewer timer at 10 ms.
    void requestView();

    // The thumbnails source (benchmarks count its reads).
    PhotoThumbnails& thumbnails() { return thumbs_; }

signals:
    // The photo list's selection changed.
    void selectionChanged();
    // Photos were moved or deleted: folder lists changed.
    void photosChanged();

private:
    void bindTable();
    // What follows every change of the photo list's items: tab stop, status
    // panel, drawing list, timers and the selectionChanged signal.
    void photoListChanged();
    // Items [from, to] take the records the folder's list now holds at their
    // positions (a reorder within that range), keeping their captions.
    void reorderItems(int from, int to);
    // The items stand for the folder's list entry by entry (the list was
    // filled from it and changed only along with it).
    bool listMirrorsFolder() const;
    // The photo list's items of a record.
    QList<QListWidgetItem*> itemsOf(RECORD record) const { return items_.values(record); }
    void photoSelectionChanged();
    void showPosition();
    void dropPhotos(const QList<int>& rows, int target);
    void dropDrawings(const QList<int>& rows, int target);
    void deletePhotosSelected();
    void deleteDrawingsSelected();
    RECORD singleSelectedPhoto() const;

    JobLife& job_;
    HierarchyModel& tree_;
    Messages& messages_;
    ThumbnailRing ring_;
    PhotoThumbnails thumbs_;
    PhotoFields fields_;
    QString boundPath_;
    QPointer<TPhotoListView> listView_;
    QPointer<TDrawingListView> listView2_;
    WindowHooks hooks_;
    ListLook look_;
    bool swap_ = false;
    bool filling_ = false;
    FolderNode* folder_ = nullptr;
    bool showsRecords_ = false;
    QList<RECORD> records_;
    // Every item of the photo list by its record: selection, captions and
    // repaints find their item without a search of the list.
    QMultiHash<RECORD, QListWidgetItem*> items_;
};

}  // namespace zb
