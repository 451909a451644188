#pragma once
// What the image-processing dialog does, without its window: the working
// picture and its one undo copy, the small preview the sliders act on, the
// change state, the selection rectangle of the trimming page and every
// operation of the dialog's buttons. Questions and failures go through the
// Messages port; operations on pictures of 200 rows or more report their rows
// through the Progress port.
#include "imaging/pixel_adjust.h"
#include "imaging/pixel_filters.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace zb {

class Messages;
class Progress;

// The pages of the dialog, in the order they are shown.
enum class EditTab { Brightness = 0, Edit = 1, Edit2 = 2, Colour = 3, Effects = 4 };
inline constexpr int kEditTabCount = 5;

struct EditTabInfo {
    QString caption;
    QString status;   // the status bar's first panel while the page is shown
    int helpContext;
};
const EditTabInfo& editTabInfo(EditTab tab);

inline const QString kEditLargeQuestion =
    QStringLiteral("画像が大きいため処理に時間がかかります。処理を続けますか？");
inline const QString kEditApplyPreviewQuestion = QStringLiteral("プレビューの状態を画像に反映後に保存しますか？");
inline const QString kEditChangedQuestion = QStringLiteral("画像は変更されています。保存しますか？");
inline const QString kEditNoteNotAllowed =
    QStringLiteral("これらの機能はデジタル写真管理情報基準（案）では使用できません。");
inline const QString kEditNoteTrimming =
    QStringLiteral("写真のトリミング(範囲指定)はデジタル写真管理情報基準（案）では「参考図」のみに限られます。");
// Our own wording for the refusals the operations can meet.
inline const QString kEditEmptySelection = QStringLiteral("選択領域に画素がないため、トリミングできません。");
inline const QString kEditTooSmall = QStringLiteral("大きさが１ピクセル未満になるため、変更できません。");
inline const QString kEditTooLarge = QStringLiteral("処理後の画像が大きすぎるため、処理できません。");
inline const QString kEditNoMemory = QStringLiteral("メモリが不足しているため、処理できません。");

// Pictures taller than this get the large-picture question before a 3 x 3
// filter or a quarter turn.
inline constexpr int kEditAskAboveRows = 2000;
// Operations on pictures of this many rows or more show a progress bar.
inline constexpr int kEditProgressFromRows = 200;
// The preview fits a square of this side.
inline constexpr int kPreviewSide = 206;
// The smallest selection, in display pixels.
inline constexpr int kMinSelectionDisplay = 30;

// The display ratios offered, in percent; 50 when the dialog is made.
inline constexpr int kDisplayRatios[] = {30, 40, 50, 60, 70, 80, 90, 100, 150, 200};
inline constexpr int kDefaultDisplayRatio = 50;

// The picture scaled to fit 206 x 206 (aspect kept), or the picture itself
// when it is no larger.
QImage previewOf(const QImage& picture);

class PictureEditor {
public:
    enum class Close { Applied, NotApplied, Stay };

    PictureEditor(Messages& messages, Progress& progress);

    // A copy of the bitmap becomes the working picture (8-bit and 32-bit
    // pictures are turned into 24 bits); the undo copy is dropped and the
    // change state cleared.
    void load(const QImage& bitmap);
    const QImage& picture() const { return picture_; }
    const QImage& preview() const { return preview_; }
    bool previewDiffers() const { return previewDiffers_; }

    // Change state.
    bool changedFlag() const { return changed_; }
    int verticalFlips() const { return flipV_; }
    int horizontalFlips() const { return flipH_; }
    int quarterTurns() const { return turns_; }
    bool isChanged() const { return changed_ || flipV_ == 1 || flipH_ == 1 || turns_ != 0; }
    // After the picture was saved to a file.
    void clearChanged();

    // One level of undo.
    bool canUndo() const { return !undo_.isNull(); }
    void undo();

    // The slider values; the dialog writes them as the user moves them.
    AdjustSettings sliders;
    double angle = 0;          // free rotation, -360...360
    int sizePercent = 100;     // resize, 10...200
    bool interpolate = true;   // 補間 する
    bool mirrorVertical = true; // 方向 縦

    void resetSliders();
    // A slider was let go: the preview made anew and the pipeline run on it.
    void sliderReleased();
    // プレビューリセット: the preview made anew, every control back to neutral.
    void resetPreview();
    // 画像に反映 on the brightness and colour pages: the pipeline on the
    // working picture (the undo copy taken before its last step), then the
    // controls back to neutral.
    void applyPipeline();
    // 回転 on the second edit page: the preview turned by the angle.
    void previewRotation();
    // 画像に反映 on the second edit page: the working picture turned by the angle.
    bool applyRotation();
    // 大きさ変更: the working picture resized by sizePercent.
    bool applyResize();

    // The single operations; each is refused (false) when it changed nothing.
    bool toGrey();
    bool reduceColours();
    bool invert();
    bool mirror();  // by mirrorVertical
    bool filter(Filter3x3 kind);
    bool removeNoise();
    bool quarterTurn();
    // 貼り付け: the pasted picture replaces the working one.
    bool paste(const QImage& bitmap);

    // Page switch: the preview made anew and the selection dropped; the
    // controls are reset for the edit, second edit and effects pages.
    void switchTab(EditTab tab);
    EditTab tab() const { return tab_; }

    // Display ratio in percent and the size the picture is shown at.
    int ratio() const { return ratio_; }
    void setRatio(int percent);
    QSize displaySize() const;
    int toPicture(int displayPixels) const;   // display pixels to picture pixels
    int toDisplay(int picturePixels) const;   // picture pixels to display pixels

    // Selection rectangle, in picture pixels, always inside the picture.
    const std::optional<QRect>& selection() const { return selection_; }
    // From two corners in display pixels (a mouse drag).
    void selectDisplayRect(QPoint from, QPoint to);
    // A rectangle of w x h picture pixels (0 x 0: the whole picture) at a
    // corner given in picture pixels, cut to the picture.
    void selectSize(QPoint topLeft, QSize size);
    void clearSelection() { selection_.reset(); }
    // Arrow keys: dx, dy in display pixels; with resize the width and height
    // change instead of the position.
    void moveSelection(int dx, int dy, bool resize);
    // トリミング: the picture replaced by the selection.
    bool trim();

    // The status bar's second and third panels.
    QString selectionStatus() const;
    QString sizeStatus() const;

    // The histogram under the levels sliders, of the picture as shown.
    std::array<std::int64_t, 256> histogram() const;

    // 適用 and closing the window; Stay keeps the dialog open.
    Close applyAndClose();
    Close closeWindow();

private:
    bool prepare();  // the picture as a 24-bit working picture
    void saveUndo();
    // The result of an operation that made a new bitmap becomes the picture,
    // the old picture the undo copy.
    void saveUndoFrom(QImage result);
    // An operation that makes a new bitmap (null when the memory could not be
    // had): the result replaces the picture.
    bool replaceBy(const std::function<QImage()>& make);
    // An operation that changes the picture where it lies, after the undo copy.
    bool inPlace(const std::function<void(QImage&)>& op);
    void rebuildPreview();
    void changedPicture();
    bool askIfLarge();
    template <typename Op>
    bool runWithProgress(Op op);
    int minSelection(int pictureSide) const;

    Messages& messages_;
    Progress& progress_;
    QImage picture_;
    QImage undo_;
    QImage preview_;
    bool previewDiffers_ = false;
    bool previewRotated_ = false;
    bool changed_ = false;
    int flipV_ = 0, flipH_ = 0, turns_ = 0;
    // The flip and turn counters when the undo copy was taken.
    int undoFlipV_ = 0, undoFlipH_ = 0, undoTurns_ = 0;
    EditTab tab_ = EditTab::Brightness;
    int ratio_ = kDefaultDisplayRatio;
    std::optional<QRect> selection_;
};

}  // namespace zb
