#pragma once
// The main window's album commands: 工事写真帳 opens the editor beside the
// main window on the open job's albums; 書式設定 designs formats in the
// editor while the main window waits hidden; 工事写真帳に追加 pours the
// selected photos into the open album page.
#include "album/ui/grph_main_form.h"
#include "core/record.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QMimeData;
class QWidget;

namespace zb {

class JobLife;
class Messages;
class Progress;

// The photos or drawings a drag of the main window's photo or drawing list
// carries (nothing for other drags).
album::DraggedItems draggedFromLists(const QMimeData* mime, const QObject* source);

class TAlbumCommands : public QObject {
    Q_OBJECT
public:
    TAlbumCommands(JobLife& job, Messages& messages, Progress& progress, QWidget* window, QObject* parent = nullptr);
    ~TAlbumCommands() override;

    struct WindowHooks {
        std::function<QList<RECORD>()> focusedSelection;  // the focused photo list's selection, in list order
        std::function<void()> refreshLists;               // after photo flags changed
        // The editor's position, kept with the other windows' positions.
        std::function<bool(const QString& name, QRect& bounds, bool& maximised)> restorePlace;
        std::function<void(const QString& name, const QRect& normalBounds, bool maximised)> savePlace;
        // The editor's tool-band layout, kept with them.
        std::function<QByteArray(const QString& name)> restoreBands;
        std::function<void(const QString& name, const QByteArray& state)> saveBands;
    };
    WindowHooks hooks;

    void openAlbum();
    void openFormats();
    void addToAlbum();
    // Asks the editor to close; false when it stayed open.
    bool closeEditor();
    bool editorShowing() const;
    album::TGrphMainForm* editor() const { return editor_; }

    void installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler);

private:
    void refreshSources();
    struct AlbumJob;
    JobLife& job_;
    Messages& messages_;
    Progress& progress_;
    QWidget* window_;
    QPointer<album::TGrphMainForm> editor_;
    std::unique_ptr<AlbumJob> albumJob_;
};

}  // namespace zb
