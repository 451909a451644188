#pragma once
// "工事写真帳/書式設定": the window in which formats are designed and albums
// are built. One page is shown on the sheet; the album's pages live in work
// files and are reached, inserted, moved and deleted from the ページ menu;
// photos poured from the main window fill the slots of the current format.
#include "album/album_document.h"
#include "album/layout_listing.h"
#include "album/parts_draw.h"
#include "album/printer_env.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QPainter;
class QScrollArea;
class QCheckBox;
class QSpinBox;
class QToolButton;

namespace zb {
class Messages;
class Progress;
struct Settings;
}  // namespace zb

namespace zb::album {

class FramePictures;
class SResizeControl;
class TCapForm;
class TPartsPanel;
class TRuler;

// What a drag from the main window's lists carries onto the sheet.
struct DraggedItems {
    QList<RECORD> photos;                    // photo list: the photos, in list order
    QList<std::pair<RECORD, int>> drawings;  // drawing list: the photo and the drawing's position 0–2
    bool empty() const { return photos.isEmpty() && drawings.isEmpty(); }
};

// What the main window lends the editor in album mode; all optional.
struct GrphCallbacks {
    PhotoBinder* binder = nullptr;   // photo service 0–3 and binding parts while pouring
    FrameLoader frames;              // photo and drawing frame pictures
    FramePictures* pictures = nullptr;  // the same, decoded ahead when printing
    // Sets 写真整理フラッグ from 0 to 1; true when it changed.
    std::function<bool(RECORD)> flagPhoto;
    // The photos or drawings a drag from the main window's lists carries
    // (the drag's data and the list it started from).
    std::function<DraggedItems(const QMimeData*, const QObject*)> dragged;
    // Where the window lies, kept with the other windows' positions under
    // the name "AlbumMainForm" or "FormMainForm": the remembered bounds
    // (false when there are none) and the bounds to keep when it closes.
    std::function<bool(const QString& name, QRect& bounds, bool& maximised)> restorePlace;
    std::function<void(const QString& name, const QRect& normalBounds, bool maximised)> savePlace;
    // The tool-band layout, kept under "CoolBar_Album" or "CoolBar_Form":
    // what was kept (empty for none) and what to keep when the window closes.
    std::function<QByteArray(const QString& name)> restoreBands;
    std::function<void(const QString& name, const QByteArray& state)> saveBands;
};

struct GrphSetup {
    DocKind kind = DocKind::Album;
    QString folder;       // where the documents of the kind live
    QString formFolder;   // the formats
    QString workParent;   // the work files' parent folder
    QString palettePath;  // ZBGRPH.LST of the item palette
    GrphCallbacks callbacks;
    QRect besideOf;       // albums: the main window's frame; the editor opens beside it when no place is kept
};

// Where a window of `size` goes beside `main` on `screen`: to its right when
// it fits there, else to its left, else on the side with more room, as far
// from `main` as the screen allows; at main's top.
QRect besideWindow(const QRect& main, QSize size, const QRect& screen);

class TGrphMainForm : public QMainWindow {
    Q_OBJECT
public:
    TGrphMainForm(GrphSetup setup, Settings& settings, Messages& messages, Progress& progress,
                  QWidget* parent = nullptr);
    ~TGrphMainForm() override;

    AlbumDocument& document() { return *doc_; }
    bool isAlbum() const { return doc_->isAlbum(); }
    TPartsPanel* sheet() const { return sheet_; }
    SResizeControl* selector() const { return selector_; }
    // The menu command of a name ("Mn_PageNext", …), for the menus and tests.
    QAction* command(const QString& name) const;
    QDoubleSpinBox* widthBox() const { return w_; }
    QComboBox* relationBox() const { return relation_; }
    QLineEdit* textEdit() const { return text_; }
    // 向き of photos: "標準", "右(90)", "下(180)", "左(270)".
    QComboBox* imageOrientationBox() const { return imageOrientation_; }
    static QStringList imageOrientationCaptions();
    // 詳細: the text-detail window, opened at the editor's right edge.
    TCapForm* capForm();
    // The association list: "無", "写真１" … (albums "追加" first).
    static QStringList relationCaptions(bool album);
    QString pagePanelText() const;
    // The sheet's pop-up menu: the editing commands of the 編集 menu.
    QMenu* sheetMenu();

    // Commands.
    void newDocument(bool ask = true);
    bool openDocument(const QString& path);
    bool save();
    bool saveAs(const QString& name, const QString& title);
    void gotoPage(int number);
    void askPage();
    void insertPages();
    void moveCurrentPage();
    void deleteCurrentPage();
    void selectFormat();
    // 写真整理フラッグの更新: every photo of the album gets FLAG 1 where it was 0.
    int updatePhotoFlags();
    // 再構築: the album's photos poured again, all pages with the initial
    // format or, from a chosen page, the run of pages of that page's format.
    void rebuild();
    void undo();
    void copyParts();
    void cutParts();
    void pasteParts();
    void deleteSelection();
    // The selection as a picture at 100 %: its bounding box plus one pixel,
    // the parts drawn in drawing order (null/empty without a selection).
    QImage selectionPicture() const;
    QByteArray selectionSvg() const;
    // クリップボードへコピー: a bitmap (PNG) or a metafile (SVG) of the selection.
    void copyPicture(bool vector);
    // クリップボードから貼り付け: a picture part from the clipboard's picture;
    // false after the message when it holds none.
    bool pastePicture();
    void print();
    void preview();
    // 書式印刷 / レイアウト印刷: the listing of the current page's parts.
    void printListing();
    // The printer or PDF file of the listing; tests replace it.
    std::function<std::unique_ptr<PrintDevice>()> chooseListingDevice;
    void paperSettings();
    // Pours photos into the open page's free slots (drag from the photo list,
    // 工事写真帳に追加).
    PourResult pour(const QList<RECORD>& photos);
    // A picture part from an image file: in the sheet-pixel rectangle (the
    // picture's proportions kept inside it), or at a point. False after the
    // message when the file cannot be read as a picture.
    bool addPictureFile(const QString& path, const QRect& pixels);
    // 流込 of the item palette: one item part with the token text, at the
    // visible part's top-left corner. False (after the message) when it is
    // not placed.
    bool addItem(const QString& tokenText, int slot);
    // Drawings dropped from a photo's drawing list: one drawing frame each,
    // the first at the sheet-pixel point, the next ones 15 pixels further
    // right and down. Frames of a photo not laid out on this page get the
    // message. The number of frames placed.
    int addDrawingFrames(const QList<std::pair<RECORD, int>>& drawings, QPoint at);
    // A drop on the sheet: photos pour, drawings become drawing frames,
    // image files picture parts. False when the data holds nothing of these.
    bool dropOnSheet(const QMimeData* mime, const QObject* source, QPoint at);
    // The image-file chooser of the 画像 tool; tests replace it.
    std::function<QString()> choosePictureFile;
    // Writes the current page, asks to save a modified document; false when
    // the editor stays open.
    bool closeEditor();

    // Before a change: the page is kept for 元に戻す unless the change comes
    // from the control that made the last snapshot.
    void snapshot(const QObject* source);

    // 補正: the one selected picture part's picture in the image-processing
    // dialog; a change replaces it by the result as JPEG. True when changed.
    bool correctPicture();
    // The image-processing dialog; true when it changed the picture. Tests
    // replace it.
    std::function<bool(QImage&)> editPicture;

    // The colour chooser of the 塗色 and 線色 buttons; tests replace it.
    std::function<std::optional<quint32>(quint32 current, const QString& title)> chooseColor;

    // The file chooser of 開く and 名前をつけて保存; tests replace them.
    std::function<QString()> chooseOpenPath;
    std::function<std::optional<std::pair<QString, QString>>()> chooseSaveName;  // name, title

    // The name under which the window's position is kept.
    QString placeName() const;

    // The name under which the tool-band layout is kept.
    QString bandsName() const;
    // The version the band layout is saved with; a layout of another
    // version is not restored.
    static constexpr int kBandLayoutVersion = 1;

    // The zoom list: 自動, 画面内, 幅, then percentages.
    static QStringList zoomCaptions();
    QComboBox* zoomBox() const { return zoom_; }
    void applyZoom();
    // 縮小 (direction < 0) and 拡大 (> 0): the next smaller or larger
    // percentage of the list; a fitting entry steps from the zoom shown now.
    // False at the end of the list.
    bool stepZoom(int direction);

    // The grid list: 無, 1mm, 2mm, 5mm, 10mm, then 20mm … 100mm by ten.
    static QList<int> gridPitches();
    QComboBox* gridBox() const { return grid_; }

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void buildMenus();
    void buildBands();
    void buildCommandBands();
    void showGridPitch(int pitch);
    void updateZoomButtons();
    // The percentage the zoom list shows, or the sheet's for a fitting entry.
    int shownZoom() const;
    void showPage();
    void updateCommands();
    void updateBoxes();
    void applyBoxes(const QObject* source);
    void markModified();
    bool placeItem(TPartsBox part, const QString& tokenText, int slot);
    ListingDocument listingDocument(TPrinterEnv& env) const;
    bool placePicture(TPartsBox part, QSize pictureSize, const QRect& pixels);
    QRect selectionBounds(const DrawTarget& target) const;
    void drawSelection(QPainter& painter, const QRect& box, DrawTarget target) const;
    DraggedItems draggedItems(const QMimeData* mime, const QObject* source) const;
    void afterPageOperation(int current);
    QString rangePrompt(int low, int high) const;
    DrawContext drawContext() const;
    QString settingsKey(const char* album, const char* format) const;
    void readSettings();
    void updateRulers();
    void buildLineBand();
    void showLineValues(const TPartsBox* part);
    void applyLine(const QObject* source);
    TPartsBox* correctablePicture();
    void applyImageOrientation(int orientation);

    GrphSetup setup_;
    Settings& settings_;
    Messages& messages_;
    Progress& progress_;
    std::unique_ptr<AlbumDocument> doc_;
    TPartsPanel* sheet_ = nullptr;
    SResizeControl* selector_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    TRuler* topRuler_ = nullptr;
    QMenu* sheetMenu_ = nullptr;
    QToolButton* fillColor_ = nullptr;
    QToolButton* lineColor_ = nullptr;
    QComboBox* fillStyle_ = nullptr;
    QComboBox* lineStyle_ = nullptr;
    QDoubleSpinBox* penWidth_ = nullptr;
    QComboBox* arrow_ = nullptr;
    QCheckBox* direction_ = nullptr;
    QSpinBox* diagonal_ = nullptr;
    QSpinBox* meisai_ = nullptr;
    TRuler* leftRuler_ = nullptr;
    QLabel* panel0_ = nullptr;
    QLabel* panel3_ = nullptr;
    QDoubleSpinBox* x_ = nullptr;
    QDoubleSpinBox* y_ = nullptr;
    QDoubleSpinBox* w_ = nullptr;
    QDoubleSpinBox* h_ = nullptr;
    QComboBox* zoom_ = nullptr;
    QAction* zoomOut_ = nullptr;
    QAction* zoomIn_ = nullptr;
    QComboBox* grid_ = nullptr;
    QComboBox* relation_ = nullptr;
    QComboBox* imageOrientation_ = nullptr;
    QLineEdit* text_ = nullptr;
    TCapForm* capForm_ = nullptr;
    QWidget* palette_ = nullptr;
    QHash<QString, QAction*> commands_;
    QByteArray undo_;
    const QObject* undoSource_ = nullptr;
    QByteArray clipboard_;
    bool updatingBoxes_ = false;
    bool closing_ = false;
    bool settingsRead_ = false;
};

inline const QString kNewDocumentQuestion = QStringLiteral("現在の編集内容が失われます よろしいですか？");
inline const QString kDeleteSelectionQuestion = QStringLiteral("選択されている項目を削除しますか？");
inline const QString kFlagUpdateQuestion = QStringLiteral(
    "工事写真帳に登録されている写真整理フラッグが \r\n\r\n1.｢0.原本｣ の写真を ｢1.工事写真帳｣ に一括して変更します。\r\n"
    "2.｢0.原本｣ 以外の写真整理フラッグは変更しません。\r\n\r\n写真整理フラッグを更新しますか？");
inline const QString kRebuildQuestion = QStringLiteral(
    "現在の工事写真帳を再構築します 現在編集中の工事写真帳は必ず保存してください。\r\n\r\n"
    "[はい]を選択した場合 (全ページ)\r\n\r\n1.現在設定されている初期書式を使用して再構築します。\r\n"
    "2.１ページ目から連続する表書きはスキップします。\r\n3.移動した項目や書式の内容以外に追加した項目は無視されます。\r\n\r\n"
    "[いいえ]を選択した場合 (ページ指定)\r\n\r\n1.指定したページで採用されている書式が連続する範囲で再構築をおこないます。\r\n"
    "2.指定ページから連続する表書きはスキップします。\r\n3.移動した項目や書式の内容以外に追加した項目は無視されます。\r\n\r\n"
    "実行してもよろしいですか？");
inline const QString kRebuildDone = QStringLiteral("再構築が完了しました  必要に応じて名前を変更して保存してください。");
inline const QString kRelationChangeQuestion = QStringLiteral(
    "工事写真帳で関連を変更することは関連の重複や欠落を解消する\r\n以外好ましくありませんのでご注意下さい。\r\n\r\n"
    "関連(グループ)を変更しますか？");
// The question when "{" or "}" is typed into a part's text.
QString reservedCharacterQuestion(QChar c);
inline const QString kBorrowedFormat = QStringLiteral("参照読み込みした書式は保存後に有効になります。");
inline const QString kBorrowedFormatExists = QStringLiteral(
    "同一名称の書式が存在します。\r\n上書きしない場合は名前を変更して保存してください。\r\n\r\n参照読み込みした書式は保存後に有効になります。");
inline const QString kDeletePageQuestion = QStringLiteral("現在ページを「削除」しますか？");

}  // namespace zb::album
