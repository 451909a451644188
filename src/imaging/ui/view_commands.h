#pragma once
// The view command of the main window: 表示 (the tool button, 表示(&V)... in
// 編集 and in the pop-up menus of the photo list and the drawing list) and a
// double-click in either list start the window's 10 ms viewer timer; its tick
// runs viewSelected(), which shows the current picture of the one selected
// item of the focused list in the actual-size viewer. The photo file
// chooser's 表示 shows a file in the same viewer.
#include "core/record.h"
#include "imaging/ui/view_form.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <functional>

class QWidget;

namespace zb {

class JobLife;
class Messages;

inline const QString kViewLoadFailed = QStringLiteral("写真の読み込みに失敗しました。");

class TViewCommands : public QObject {
    Q_OBJECT
public:
    // The viewer is made at first use as a window of `window` (it stays above
    // the program's windows).
    TViewCommands(JobLife& job, Messages& messages, QWidget* window, QObject* parent = nullptr);
    ~TViewCommands() override;

    // What the window lends: the records selected in the list that has the
    // keyboard focus (the drawing list when it has the focus, else the photo
    // list), in list order.
    struct WindowHooks {
        std::function<QList<RECORD>()> focusedListSelection;
    };
    WindowHooks hooks;
    // Where the viewer's position is kept.
    WindowPlaceHooks placeHooks;

    // View selected: the one selected item of the focused list; nothing with
    // none or several selected.
    void viewSelected();
    // Shows the current picture of a photo or drawing row. A row without
    // any picture shows the file its FILENAME names, when it exists, and
    // nothing otherwise. False (after "写真の読み込みに失敗しました。") when
    // the picture cannot be read.
    bool viewRecord(RECORD record);
    // The file chooser's 表示: a file of a kind the program reads. A file that
    // is missing or of no such kind beeps; one that cannot be read says so.
    bool showFile(const QString& path);

    // The viewer, made on first use.
    TViewForm* viewForm();
    // The viewer when it was made, else nullptr.
    TViewForm* existingViewForm() const { return form_; }
    // The viewer's position into the window-position store (at shutdown).
    void savePlacement();

    // Gives the timer's work to the main window, under the name ViewSelected.
    void installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler);

private:
    JobLife& job_;
    Messages& messages_;
    QPointer<QWidget> window_;
    QPointer<TViewForm> form_;
};

}  // namespace zb
