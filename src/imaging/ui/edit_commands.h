#pragma once
// The photo edit commands of the main window: 補正 (the image-processing
// dialog), 回転 by 90, 180 and 270 degrees, オリジナルの写真に戻す, クリップボードへ
// コピー, ファイルに保存 and サムネイル再構築. Each acts on the selected items of
// the photo list or the drawing list, whichever has the keyboard focus.
#include "core/record.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QMimeData;
class QWidget;

namespace zb {

class JobLife;
class Messages;
class Progress;
struct ChosenPicture;

// The clipboard data of a stored picture: a bitmap as image/png; a metafile
// as its own bytes (image/x-wmf or image/x-emf) with an SVG rendering and a
// bitmap, so both raster and vector consumers get it. Null when the picture
// cannot be read.
QMimeData* PictureMimeData(const ChosenPicture& picture, Messages& messages);

class TEditCommands : public QObject {
    Q_OBJECT
public:
    TEditCommands(JobLife& job, Messages& messages, Progress& progress, QWidget* window, QObject* parent = nullptr);

    // What the window lends. Any may be missing.
    struct WindowHooks {
        std::function<bool()> listFocused;                 // one of the two lists has the focus
        std::function<QList<RECORD>()> focusedSelection;   // its selected records, in list order
        std::function<void(RECORD)> rowChanged;            // redraw the item of a changed row
        std::function<void()> refreshPanels;               // after a run
        std::function<void()> redrawAlbum;                 // an open album editor redraws its photos
        std::function<QString()> settingsFolder;           // where ZB_G.INI lives
        std::function<QString()> saveFolder;               // SaveFile_Path
        std::function<void(const QString&)> setSaveFolder;
    };
    WindowHooks hooks;

    // The image-processing dialog; tests replace it. Gets the bitmap, returns
    // whether it changed it.
    std::function<bool(QImage&)> editPicture;
    // The save-as flow; tests replace it. Returns the file written, empty when none.
    std::function<QString(const ChosenPicture&, const QString& proposedName)> savePicture;

    void correct();
    void rotate(int r);
    void returnToOriginal();
    void copy();
    void saveFile();
    void rebuildThumbnails();

    void installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler);

private:
    bool ready(QList<RECORD>& selection) const;
    void afterRun();

    JobLife& job_;
    Messages& messages_;
    Progress& progress_;
    QPointer<QWidget> window_;
};

}  // namespace zb
