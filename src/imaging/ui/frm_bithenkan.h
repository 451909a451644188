#pragma once
// The image-processing dialog: the picture at the display ratio, a small
// preview the sliders act on, and five pages of adjustments and operations.
// It edits a copy of a picture and hands the result back only when applied.
#include "imaging/picture_editor.h"

#include <QDialog>
#include <QImage>
#include <QProgressBar>
#include <memory>

class QAction;
class QButtonGroup;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolBar;

namespace zb {

class Messages;
class PictureCanvas;

// A slider with its number box; the value is taken when the slider is let go
// or the number is typed.
struct SliderBox {
    QSlider* slider = nullptr;
    QSpinBox* box = nullptr;
};

class TFrm_BitHenkan : public QDialog {
    Q_OBJECT
public:
    // `settingsFolder` holds ZB_G.INI; `proposedName` is offered by ファイル保存.
    TFrm_BitHenkan(Messages& messages, const QString& settingsFolder, bool offerEffects,
                   QWidget* parent = nullptr, const QString& proposedName = {});
    ~TFrm_BitHenkan() override;

    void load(const QImage& bitmap);
    void showTab(EditTab tab);
    // Takes 87 % of the screen height and 80 % of its width, centred, then 60
    // pixels to the left.
    void place();

    bool applied() const { return applied_; }
    // The working picture as it is now (the result once applied).
    const QImage& resultPicture() const { return editor_.picture(); }
    PictureEditor& editor() { return editor_; }

    // Tool bar.
    QToolBar* toolBar = nullptr;
    QAction* undoAction = nullptr;
    QAction* copyAction = nullptr;
    QAction* pasteAction = nullptr;
    QComboBox* CB_Ritu = nullptr;
    QAction* saveAction = nullptr;
    QAction* applyAction = nullptr;
    QAction* closeAction = nullptr;
    QAction* helpAction = nullptr;

    QTabWidget* tabs = nullptr;
    QLabel* Image_Preview = nullptr;
    QLabel* Image_Hist = nullptr;
    PictureCanvas* Image1 = nullptr;
    QScrollArea* scroll = nullptr;

    SliderBox TrackBarEx_Gamma, TrackBarEx_Kontorasuto, TrackBarEx_Akarusa;
    SliderBox TrackBarEx_R, TrackBarEx_G, TrackBarEx_B;
    SliderBox TrackBarEx_HistMin, TrackBarEx_HistMax;
    QDoubleSpinBox* SpinEdit_Kaiten = nullptr;
    QSpinBox* SpinEdit_Shukusyaku = nullptr;
    QButtonGroup* RadioGroup_Syukusyaku = nullptr;  // 0 しない, 1 する
    QButtonGroup* RadioGroup_gazouhanten = nullptr; // 0 縦, 1 横

    // Buttons; the reset and apply pairs exist once per page that has them.
    QPushButton* resetButtons[3] = {};   // 明度, 編集２, 色
    QPushButton* reflectButtons[2] = {}; // 明度, 色
    QPushButton* turnButton = nullptr;   // ９０度画像回転
    QPushButton* selectButton = nullptr; // 範囲指定 / 指定解除
    QPushButton* selectSizeButton = nullptr;
    QPushButton* trimButton = nullptr;
    QPushButton* rotatePreviewButton = nullptr; // 回転
    QPushButton* rotateApplyButton = nullptr;   // 画像に反映(&H)
    QPushButton* resizeButton = nullptr;
    QPushButton* greyButton = nullptr;
    QPushButton* reduceButton = nullptr;
    QPushButton* invertButton = nullptr;
    QPushButton* mirrorButton = nullptr;
    QPushButton* embossButton = nullptr;
    QPushButton* blurButton = nullptr;
    QPushButton* sharpenButton = nullptr;
    QPushButton* noiseButton = nullptr;

    QLabel* statusPanels[3] = {};
    QProgressBar* progressBar = nullptr;

    // Carried out by the buttons; public so the main paths can be driven.
    void applyClicked();
    void closeClicked();
    void selectClicked();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class BarPort;
    SliderBox addSlider(QWidget* page, QGridLayout* grid, int row, const QString& caption,
                        const QString& name, int min, int max, int neutral);
    QWidget* makeBrightnessPage();
    QWidget* makeEditPage();
    QWidget* makeEdit2Page();
    QWidget* makeColourPage();
    QWidget* makeEffectsPage();
    void connectSlider(const SliderBox& s, int AdjustSettings::*field);
    void slidersToEditor();
    void editorToControls();
    void refresh();
    void refreshPreview();
    void drawHistogram();
    void tabChanged(int index);
    void run(const std::function<bool()>& op);
    void finish(bool applied);
    EditTab currentTab() const;

    Messages& messages_;
    std::unique_ptr<BarPort> progress_;
    PictureEditor editor_;
    QString settingsFolder_;
    QString proposedName_;
    bool offerEffects_;
    bool applied_ = false;
    bool syncing_ = false;
};

// Opens the dialog on a copy of the bitmap. firstTab is the page to show
// (an EditTab value) or -1 for the page shown when it was last closed (明度
// the first time). On 適用 or a confirmed close the bitmap is replaced by the
// result and true returned.
bool EditPicture(QImage& bitmap, int firstTab, bool offerEffects, QWidget* parent,
                 const QString& settingsFolder, const QString& proposedName = {});

}  // namespace zb
