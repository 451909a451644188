#pragma once
// The content of the panel "工事／写真情報": the construction-information grid
// KoumokuGrid_Koji and the photo-information grid KoumokuGrid_Photo, set up
// from the item vocabulary, filled from the open job's header and the
// selected photo's row, and stored back when the job is saved, the filter
// changes, the grid is left or another photo is chosen. Also the page-through
// keys, the batch change of several selected photos and the 項目登録 button.
#include "core/record.h"
#include "items/item_defs.h"
#include "items/item_values.h"
#include "workspace/ui/koumoku_grid.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QAction;
class QKeyEvent;
class QStackedWidget;
class QTabBar;

namespace zb {

class JobLife;
class Messages;

namespace items {
class ChoiceLists;
}

inline const QString kPhotoTabCaption = QStringLiteral(" 写真情報  ");
// A photo row that cannot be read; the table engine's own text follows.
inline const QString kPhotoInfoReadFailed = QStringLiteral("写真情報を読み込めませんでした。\r\n%1");
inline const QString kPageHint = QStringLiteral(" [PageUP] 前 [PageDown] 次 / Shiftで項目固定");

// What the panel needs of the photo list. Every hook may be empty.
struct PhotoSelection {
    std::function<QList<RECORD>()> selectedRecords;  // in list order
    std::function<RECORD()> currentRecord;           // the focused photo, 0 when none
    std::function<int()> currentIndex;               // its position in the list, -1 when none
    std::function<int()> count;                      // photos in the list
    std::function<void(int index)> selectRow;        // selects just that photo
    std::function<void(RECORD, const QString&)> setCaption;
    std::function<void(RECORD)> repaintRecord;
    std::function<bool()> hasFocus;                  // the photo list has the focus
};

// What the panel needs of the main window. Every hook may be empty.
struct ItemPanelHooks {
    std::function<void(int panel, const QString& text)> setStatus;  // status panels 0 and 2
    std::function<void()> restartButtonTimer;
    // The 項目の登録 dialog for an item; true when the list was registered.
    // Without it the panel opens TKouForm itself.
    std::function<bool(items::ChoiceLists& lists, const QString& label)> registerChoices;
    // The need-level filter setting.
    std::function<bool()> readInputLevel;
    std::function<void(bool)> writeInputLevel;
};

class TItemPanel : public QObject {
    Q_OBJECT
public:
    // The panel keeps to the job's header and photo table through `job`,
    // whose loaded and collect hooks it joins.
    TItemPanel(JobLife& job, Messages& messages, QObject* parent = nullptr);
    ~TItemPanel() override;

    // The widgets; the window places them and owns them afterwards.
    QTabBar* tabSet() const { return tabSet_; }
    QStackedWidget* stack() const { return stack_; }
    TKoumokuGrid* kojiGrid() const { return koji_; }
    TKoumokuGrid* photoGrid() const { return photo_; }
    // "挿入" / "上書": the typing mode of the grids.
    QLabel* modeLabel() const { return modeLabel_.data(); }

    void setSelection(PhotoSelection selection) { sel_ = std::move(selection); }
    void setHooks(ItemPanelHooks hooks) { hooks_ = std::move(hooks); }
    // The tool buttons 項目登録 (SB_KouEdit) and 必要度 (SB_InputLevel).
    void setButtons(QAction* kouEdit, QAction* inputLevel);

    // The first set-up, when the main window is first shown: notes whether
    // ZBMENU.LST exists, reads the filter setting and sets both grids up.
    void firstSetUp(const QString& menuFile);
    // Sets both grids up for the current filter.
    void setUpRows();
    bool levelFilterDown() const { return filterDown_; }
    // SB_InputLevel clicked: store, set up again for the new state, show.
    void toggleLevelFilter(bool down);

    // Construction information: header → grid, grid → header.
    void showKoji();
    void storeKoji();
    // Photo information: the photo's row → grid (adding and choosing the
    // photo tab), grid → the row of the photo shown (when changed).
    void showPhoto(RECORD record, bool selectTab = true);
    void storePhoto();
    RECORD shownRecord() const { return shownRecord_; }
    bool photoChanged() const { return photoChanged_; }

    // The photo list's selection changed.
    void selectionChanged();
    // "項目登録": the choices of the current row of the shown grid.
    void registerChoices();
    items::ChoiceLists* choiceLists() const { return lists_.get(); }
    // Handles PageUp/PageDown in the photo grid; true when consumed.
    bool pageKey(QKeyEvent* e);
    // Removes the photo tab (choosing the first tab or no photo selected).
    void removePhotoTab();

    // Item definition of a row of a grid (nullptr for the header row).
    const items::ItemDef* itemAt(const TKoumokuGrid* grid, int row) const;
    // Row of an item in a grid, -1 when not shown.
    int rowOf(const TKoumokuGrid* grid, const QString& label) const;

private:
    void setUpGrid(TKoumokuGrid* grid, items::Group group);
    void gridEntered(TKoumokuGrid* grid);
    void gridLeft(TKoumokuGrid* grid);
    void rowChosen(TKoumokuGrid* grid);
    void photoCellChanged(int row);
    void refreshKouEdit(TKoumokuGrid* grid);
    void jobLoaded();
    void setStatus(int panel, const QString& text);
    TKoumokuGrid* shownGrid() const;
    QList<RECORD> selected() const;
    void showFocusedPhoto();

    JobLife& job_;
    Messages& messages_;
    PhotoSelection sel_;
    ItemPanelHooks hooks_;
    std::unique_ptr<items::ChoiceLists> lists_;
    QPointer<QAction> kouEdit_;
    QPointer<QAction> inputLevel_;
    QTabBar* tabSet_;
    QStackedWidget* stack_;
    QPointer<TKoumokuGrid> koji_;
    QPointer<TKoumokuGrid> photo_;
    QPointer<QLabel> modeLabel_;
    QList<const items::ItemDef*> kojiRows_;
    QList<const items::ItemDef*> photoRows_;
    items::ChoiceListMap choices_;
    bool filterDown_ = false;
    RECORD shownRecord_ = 0;
    bool photoChanged_ = false;
    bool busy_ = false;  // while the panel itself stores, shows or asks
};

}  // namespace zb
