#include "imaging/ui/frm_bithenkan.h"

#include "controls/dialog_messages.h"
#include "imaging/save_picture.h"
#include "imaging/selection_sizes.h"
#include "imaging/ui/frm_bitset.h"
#include "imaging/ui/picture_canvas.h"
#include "imaging/ui/save_picture_dialog.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace zb {

namespace {

// The page shown when the dialog was last closed; the photo edit opens there.
int lastTab = int(EditTab::Brightness);

constexpr int kHistWidth = 128;
constexpr int kHistHeight = 35;

QLabel* noteLabel(const QString& text, QWidget* parent)
{
    auto* note = new QLabel(text, parent);
    note->setWordWrap(true);
    note->setStyleSheet(QStringLiteral("color: #a00000;"));
    return note;
}

}  // namespace

// The dialog's progress bar in its status bar. It only shows how far an
// operation is; the operations are short and are not stopped halfway.
class TFrm_BitHenkan::BarPort : public Progress {
public:
    explicit BarPort(QProgressBar* bar) : bar_(bar) {}
    QProgressBar* bar() const { return bar_; }
    void start(int count) override
    {
        count_ = std::max(count, 1);
        done_ = 0;
        bar_->setRange(0, 100);
        bar_->setValue(0);
        bar_->show();
        bar_->repaint();
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    bool step() override
    {
        ++done_;
        const int value = int(qint64(done_) * 100 / count_);
        if (value != bar_->value()) {
            bar_->setValue(value);
            bar_->repaint();
        }
        return true;
    }
    void end() override
    {
        bar_->hide();
        QApplication::restoreOverrideCursor();
    }

private:
    QProgressBar* bar_;
    int count_ = 1;
    int done_ = 0;
};

TFrm_BitHenkan::TFrm_BitHenkan(Messages& messages, const QString& settingsFolder, bool offerEffects,
                               QWidget* parent, const QString& proposedName)
    : QDialog(parent),
      messages_(messages),
      progress_(std::make_unique<BarPort>(new QProgressBar)),
      editor_(messages, *progress_),
      settingsFolder_(settingsFolder),
      proposedName_(proposedName),
      offerEffects_(offerEffects)
{
    setObjectName(QStringLiteral("Frm_BitHenkan"));
    setWindowTitle(QStringLiteral("画像処理"));
    setSizeGripEnabled(true);

    // Tool bar.
    toolBar = new QToolBar(this);
    undoAction = toolBar->addAction(QStringLiteral("元に戻す"));
    copyAction = toolBar->addAction(QStringLiteral("コピー"));
    pasteAction = toolBar->addAction(QStringLiteral("貼り付け"));
    toolBar->addSeparator();
    toolBar->addWidget(new QLabel(QStringLiteral(" 表示率 "), toolBar));
    CB_Ritu = new QComboBox(toolBar);
    CB_Ritu->setObjectName(QStringLiteral("CB_Ritu"));
    for (int r : kDisplayRatios)
        CB_Ritu->addItem(QString::number(r) + QLatin1Char('%'), r);
    CB_Ritu->setCurrentIndex(CB_Ritu->findData(kDefaultDisplayRatio));
    toolBar->addWidget(CB_Ritu);
    toolBar->addSeparator();
    saveAction = toolBar->addAction(QStringLiteral("ファイル保存"));
    applyAction = toolBar->addAction(QStringLiteral("適用"));
    closeAction = toolBar->addAction(QStringLiteral("閉じる"));
    helpAction = toolBar->addAction(QStringLiteral("ヘルプ"));
    helpAction->setEnabled(false);  // no help pages are shipped

    // The picture at the display ratio.
    Image1 = new PictureCanvas(editor_, this);
    scroll = new QScrollArea(this);
    scroll->setWidget(Image1);
    scroll->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    scroll->setBackgroundRole(QPalette::Dark);

    // Preview and pages.
    Image_Preview = new QLabel(this);
    Image_Preview->setObjectName(QStringLiteral("Image_Preview"));
    Image_Preview->setFixedSize(kPreviewSide + 2, kPreviewSide + 2);
    Image_Preview->setAlignment(Qt::AlignCenter);
    Image_Preview->setFrameShape(QFrame::Box);

    tabs = new QTabWidget(this);
    tabs->addTab(makeBrightnessPage(), editTabInfo(EditTab::Brightness).caption);
    tabs->addTab(makeEditPage(), editTabInfo(EditTab::Edit).caption);
    tabs->addTab(makeEdit2Page(), editTabInfo(EditTab::Edit2).caption);
    tabs->addTab(makeColourPage(), editTabInfo(EditTab::Colour).caption);
    QWidget* effects = makeEffectsPage();
    if (offerEffects_)
        tabs->addTab(effects, editTabInfo(EditTab::Effects).caption);
    else
        effects->hide();

    auto* side = new QVBoxLayout;
    side->addWidget(Image_Preview, 0, Qt::AlignHCenter);
    side->addWidget(tabs, 1);
    auto* body = new QHBoxLayout;
    body->addWidget(scroll, 1);
    body->addLayout(side);

    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    for (int i = 0; i < 3; ++i) {
        statusPanels[i] = new QLabel(status);
        statusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        status->addWidget(statusPanels[i], i == 0 ? 2 : 1);
    }
    progressBar = progress_->bar();
    progressBar->setObjectName(QStringLiteral("ProgressBar"));
    progressBar->setMaximumWidth(160);
    status->addPermanentWidget(progressBar);
    progressBar->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addLayout(body, 1);
    layout->addWidget(status);

    connect(undoAction, &QAction::triggered, this, [this] {
        editor_.undo();
        refresh();
    });
    connect(copyAction, &QAction::triggered, this, [this] {
        if (!editor_.picture().isNull())
            QGuiApplication::clipboard()->setImage(editor_.picture());
    });
    connect(pasteAction, &QAction::triggered, this, [this] {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!data || !data->hasImage())
            return;  // nothing to paste
        run([this, image = QGuiApplication::clipboard()->image()] { return editor_.paste(image); });
    });
    connect(CB_Ritu, &QComboBox::currentIndexChanged, this, [this](int) {
        editor_.setRatio(CB_Ritu->currentData().toInt());
        Image1->pictureChanged();
    });
    connect(saveAction, &QAction::triggered, this, [this] {
        Graphic graphic;
        graphic.bitmap = editor_.picture();
        if (SavePictureAs(this, messages_, graphic, proposedName_))
            editor_.clearChanged();
    });
    connect(applyAction, &QAction::triggered, this, &TFrm_BitHenkan::applyClicked);
    connect(closeAction, &QAction::triggered, this, &TFrm_BitHenkan::closeClicked);
    connect(tabs, &QTabWidget::currentChanged, this, &TFrm_BitHenkan::tabChanged);
    connect(Image1, &PictureCanvas::selectionChanged, this, [this] { refreshPreview(); });
}

TFrm_BitHenkan::~TFrm_BitHenkan() = default;

SliderBox TFrm_BitHenkan::addSlider(QWidget* page, QGridLayout* grid, int row, const QString& caption,
                                    const QString& name, int min, int max, int neutral)
{
    SliderBox s;
    auto* label = new QLabel(caption, page);
    s.slider = new QSlider(Qt::Horizontal, page);
    s.slider->setObjectName(name);
    s.slider->setRange(min, max);
    s.slider->setValue(neutral);
    s.slider->setPageStep(10);
    s.box = new QSpinBox(page);
    s.box->setObjectName(name + QStringLiteral("_Edit"));
    s.box->setRange(min, max);
    s.box->setValue(neutral);
    label->setBuddy(s.slider);
    grid->addWidget(label, row, 0, 1, 2);
    grid->addWidget(s.slider, row + 1, 0);
    grid->addWidget(s.box, row + 1, 1);
    return s;
}

void TFrm_BitHenkan::connectSlider(const SliderBox& s, int AdjustSettings::*field)
{
    auto take = [this, s, field](int value) {
        if (syncing_)
            return;
        syncing_ = true;
        s.slider->setValue(value);
        s.box->setValue(value);
        syncing_ = false;
        editor_.sliders.*field = value;
        // The two levels grips never cross.
        if (editor_.sliders.levelMin > editor_.sliders.levelMax) {
            if (field == &AdjustSettings::levelMin)
                editor_.sliders.levelMax = editor_.sliders.levelMin;
            else
                editor_.sliders.levelMin = editor_.sliders.levelMax;
        }
        editor_.sliderReleased();
        editorToControls();
        refreshPreview();
    };
    // The value is taken when the slider is let go; keys and the wheel move
    // it without a drag and are taken at once.
    connect(s.slider, &QSlider::sliderReleased, this, [s, take] { take(s.slider->value()); });
    connect(s.slider, &QSlider::valueChanged, this, [this, s, take](int v) {
        if (syncing_)
            return;
        if (s.slider->isSliderDown()) {
            syncing_ = true;
            s.box->setValue(v);
            syncing_ = false;
            return;
        }
        take(v);
    });
    connect(s.box, &QSpinBox::editingFinished, this, [s, take] { take(s.box->value()); });
}

QWidget* TFrm_BitHenkan::makeBrightnessPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout;
    TrackBarEx_Gamma = addSlider(page, grid, 0, QStringLiteral("ガンマ補正(&M)"), QStringLiteral("TrackBarEx_Gamma"),
                                 -100, 100, 0);
    TrackBarEx_Kontorasuto = addSlider(page, grid, 2, QStringLiteral("コントラスト調整(&P)"),
                                       QStringLiteral("TrackBarEx_Kontorasuto"), -100, 100, 0);
    TrackBarEx_Akarusa = addSlider(page, grid, 4, QStringLiteral("明るさ調整(&A)"),
                                   QStringLiteral("TrackBarEx_Akarusa"), -100, 100, 0);
    connectSlider(TrackBarEx_Gamma, &AdjustSettings::gamma);
    connectSlider(TrackBarEx_Kontorasuto, &AdjustSettings::contrast);
    connectSlider(TrackBarEx_Akarusa, &AdjustSettings::brightness);
    resetButtons[0] = new QPushButton(QStringLiteral("プレビューリセット(&R)"), page);
    reflectButtons[0] = new QPushButton(QStringLiteral("画像に反映(&D)"), page);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addWidget(resetButtons[0]);
    layout->addWidget(reflectButtons[0]);
    layout->addStretch();
    connect(resetButtons[0], &QPushButton::clicked, this, [this] {
        editor_.resetPreview();
        refresh();
    });
    connect(reflectButtons[0], &QPushButton::clicked, this, [this] {
        run([this] {
            editor_.applyPipeline();
            return true;
        });
    });
    return page;
}

QWidget* TFrm_BitHenkan::makeEditPage()
{
    auto* page = new QWidget;
    turnButton = new QPushButton(QStringLiteral("９０度画像回転(&F)"), page);
    selectButton = new QPushButton(QStringLiteral("範囲指定(&T)"), page);
    selectSizeButton = new QPushButton(QStringLiteral("..."), page);
    selectSizeButton->setObjectName(QStringLiteral("selectSizeButton"));
    selectSizeButton->setFixedWidth(32);
    trimButton = new QPushButton(QStringLiteral("トリミング(&P)"), page);
    auto* selectRow = new QHBoxLayout;
    selectRow->addWidget(selectButton, 1);
    selectRow->addWidget(selectSizeButton);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(turnButton);
    layout->addLayout(selectRow);
    layout->addWidget(trimButton);
    layout->addWidget(noteLabel(kEditNoteTrimming, page));
    layout->addStretch();
    connect(turnButton, &QPushButton::clicked, this, [this] { run([this] { return editor_.quarterTurn(); }); });
    connect(selectButton, &QPushButton::clicked, this, &TFrm_BitHenkan::selectClicked);
    connect(selectSizeButton, &QPushButton::clicked, this, [this] {
        TFrm_BitSet dialog(messages_, settingsFolder_, this);
        dialog.exec();
    });
    connect(trimButton, &QPushButton::clicked, this, [this] { run([this] { return editor_.trim(); }); });
    return page;
}

QWidget* TFrm_BitHenkan::makeEdit2Page()
{
    auto* page = new QWidget;
    auto* rotation = new QGroupBox(QStringLiteral("回転"), page);
    SpinEdit_Kaiten = new QDoubleSpinBox(rotation);
    SpinEdit_Kaiten->setObjectName(QStringLiteral("SpinEdit_Kaiten"));
    SpinEdit_Kaiten->setRange(-360, 360);
    SpinEdit_Kaiten->setSingleStep(0.1);
    SpinEdit_Kaiten->setDecimals(1);
    SpinEdit_Kaiten->setSuffix(QStringLiteral(" 度"));
    rotatePreviewButton = new QPushButton(QStringLiteral("回転(&K)"), rotation);
    rotateApplyButton = new QPushButton(QStringLiteral("画像に反映(&H)"), rotation);
    auto* rl = new QGridLayout(rotation);
    rl->addWidget(SpinEdit_Kaiten, 0, 0, 1, 2);
    rl->addWidget(rotatePreviewButton, 1, 0);
    rl->addWidget(rotateApplyButton, 1, 1);

    auto* size = new QGroupBox(QStringLiteral("大きさ"), page);
    SpinEdit_Shukusyaku = new QSpinBox(size);
    SpinEdit_Shukusyaku->setObjectName(QStringLiteral("SpinEdit_Shukusyaku"));
    SpinEdit_Shukusyaku->setRange(10, 200);
    SpinEdit_Shukusyaku->setValue(100);
    SpinEdit_Shukusyaku->setSuffix(QStringLiteral(" %"));
    auto* interpolation = new QGroupBox(QStringLiteral("補間"), size);
    RadioGroup_Syukusyaku = new QButtonGroup(this);
    auto* il = new QHBoxLayout(interpolation);
    const QString names[2] = {QStringLiteral("しない"), QStringLiteral("する")};
    for (int i = 0; i < 2; ++i) {
        auto* radio = new QRadioButton(names[i], interpolation);
        RadioGroup_Syukusyaku->addButton(radio, i);
        il->addWidget(radio);
    }
    RadioGroup_Syukusyaku->button(1)->setChecked(true);
    resizeButton = new QPushButton(QStringLiteral("大きさ変更(&S)"), size);
    auto* sl = new QVBoxLayout(size);
    sl->addWidget(SpinEdit_Shukusyaku);
    sl->addWidget(interpolation);
    sl->addWidget(resizeButton);

    resetButtons[1] = new QPushButton(QStringLiteral("プレビューリセット(&R)"), page);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(rotation);
    layout->addWidget(size);
    layout->addWidget(resetButtons[1]);
    layout->addWidget(noteLabel(kEditNoteNotAllowed, page));
    layout->addStretch();

    connect(SpinEdit_Kaiten, &QDoubleSpinBox::valueChanged, this, [this](double v) {
        if (!syncing_)
            editor_.angle = v;
    });
    connect(SpinEdit_Shukusyaku, &QSpinBox::valueChanged, this, [this](int v) {
        if (!syncing_)
            editor_.sizePercent = v;
    });
    connect(RadioGroup_Syukusyaku, &QButtonGroup::idClicked, this, [this](int id) { editor_.interpolate = id == 1; });
    connect(rotatePreviewButton, &QPushButton::clicked, this, [this] {
        SpinEdit_Kaiten->interpretText();
        editor_.previewRotation();
        refreshPreview();
    });
    connect(rotateApplyButton, &QPushButton::clicked, this, [this] {
        SpinEdit_Kaiten->interpretText();
        run([this] { return editor_.applyRotation(); });
    });
    connect(resizeButton, &QPushButton::clicked, this, [this] {
        SpinEdit_Shukusyaku->interpretText();
        run([this] { return editor_.applyResize(); });
    });
    connect(resetButtons[1], &QPushButton::clicked, this, [this] {
        editor_.resetPreview();
        refresh();
    });
    return page;
}

QWidget* TFrm_BitHenkan::makeColourPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout;
    TrackBarEx_R = addSlider(page, grid, 0, QStringLiteral("色補正 R"), QStringLiteral("TrackBarEx_R"), -100, 100, 0);
    TrackBarEx_G = addSlider(page, grid, 2, QStringLiteral("色補正 G"), QStringLiteral("TrackBarEx_G"), -100, 100, 0);
    TrackBarEx_B = addSlider(page, grid, 4, QStringLiteral("色補正 B"), QStringLiteral("TrackBarEx_B"), -100, 100, 0);
    connectSlider(TrackBarEx_R, &AdjustSettings::red);
    connectSlider(TrackBarEx_G, &AdjustSettings::green);
    connectSlider(TrackBarEx_B, &AdjustSettings::blue);

    auto* levels = new QGroupBox(QStringLiteral("レベル補正"), page);
    levels->setObjectName(QStringLiteral("TrackBarEx_Hist"));
    auto* lg = new QGridLayout;
    TrackBarEx_HistMin = addSlider(levels, lg, 0, QStringLiteral("最小"), QStringLiteral("TrackBarEx_HistMin"), 0, 255, 0);
    TrackBarEx_HistMax =
        addSlider(levels, lg, 2, QStringLiteral("最大"), QStringLiteral("TrackBarEx_HistMax"), 0, 255, 255);
    connectSlider(TrackBarEx_HistMin, &AdjustSettings::levelMin);
    connectSlider(TrackBarEx_HistMax, &AdjustSettings::levelMax);
    Image_Hist = new QLabel(levels);
    Image_Hist->setObjectName(QStringLiteral("Image_Hist"));
    Image_Hist->setFixedSize(kHistWidth, kHistHeight);
    auto* ll = new QVBoxLayout(levels);
    ll->addWidget(Image_Hist, 0, Qt::AlignHCenter);
    ll->addLayout(lg);

    resetButtons[2] = new QPushButton(QStringLiteral("プレビューリセット(&R)"), page);
    reflectButtons[1] = new QPushButton(QStringLiteral("画像に反映(&D)"), page);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addWidget(levels);
    layout->addWidget(resetButtons[2]);
    layout->addWidget(reflectButtons[1]);
    layout->addWidget(noteLabel(kEditNoteNotAllowed, page));
    layout->addStretch();
    connect(resetButtons[2], &QPushButton::clicked, this, [this] {
        editor_.resetPreview();
        refresh();
    });
    connect(reflectButtons[1], &QPushButton::clicked, this, [this] {
        run([this] {
            editor_.applyPipeline();
            return true;
        });
    });
    return page;
}

QWidget* TFrm_BitHenkan::makeEffectsPage()
{
    auto* page = new QWidget;
    greyButton = new QPushButton(QStringLiteral("グレイ変換(&G)"), page);
    reduceButton = new QPushButton(QStringLiteral("２５６色に減色(&M)"), page);
    invertButton = new QPushButton(QStringLiteral("カラー反転(&F)"), page);
    mirrorButton = new QPushButton(QStringLiteral("画像反転(&U)"), page);
    auto* direction = new QGroupBox(QStringLiteral("方向"), page);
    RadioGroup_gazouhanten = new QButtonGroup(this);
    auto* dl = new QHBoxLayout(direction);
    const QString names[2] = {QStringLiteral("縦"), QStringLiteral("横")};
    for (int i = 0; i < 2; ++i) {
        auto* radio = new QRadioButton(names[i], direction);
        RadioGroup_gazouhanten->addButton(radio, i);
        dl->addWidget(radio);
    }
    RadioGroup_gazouhanten->button(0)->setChecked(true);
    embossButton = new QPushButton(QStringLiteral("エンボス効果(&E)"), page);
    blurButton = new QPushButton(QStringLiteral("ぼかし(&B)"), page);
    sharpenButton = new QPushButton(QStringLiteral("輪郭強調(&K)"), page);
    noiseButton = new QPushButton(QStringLiteral("ノイズ除去(&N)"), page);
    auto* layout = new QVBoxLayout(page);
    for (QWidget* w : std::initializer_list<QWidget*>{greyButton, reduceButton, invertButton, mirrorButton, direction,
                                                      embossButton, blurButton, sharpenButton, noiseButton})
        layout->addWidget(w);
    layout->addWidget(noteLabel(kEditNoteNotAllowed, page));
    layout->addStretch();
    connect(RadioGroup_gazouhanten, &QButtonGroup::idClicked, this,
            [this](int id) { editor_.mirrorVertical = id == 0; });
    connect(greyButton, &QPushButton::clicked, this, [this] { run([this] { return editor_.toGrey(); }); });
    connect(reduceButton, &QPushButton::clicked, this, [this] { run([this] { return editor_.reduceColours(); }); });
    connect(invertButton, &QPushButton::clicked, this, [this] { run([this] { return editor_.invert(); }); });
    connect(mirrorButton, &QPushButton::clicked, this, [this] { run([this] { return editor_.mirror(); }); });
    connect(embossButton, &QPushButton::clicked, this,
            [this] { run([this] { return editor_.filter(Filter3x3::Emboss); }); });
    connect(blurButton, &QPushButton::clicked, this, [this] { run([this] { return editor_.filter(Filter3x3::Blur); }); });
    connect(sharpenButton, &QPushButton::clicked, this,
            [this] { run([this] { return editor_.filter(Filter3x3::Sharpen); }); });
    connect(noiseButton, &QPushButton::clicked, this, [this] { run([this] { return editor_.removeNoise(); }); });
    return page;
}

void TFrm_BitHenkan::load(const QImage& bitmap)
{
    editor_.load(bitmap);
    editor_.setRatio(CB_Ritu->currentData().toInt());
    Image1->pictureChanged();
    refresh();
}

EditTab TFrm_BitHenkan::currentTab() const
{
    return EditTab(std::clamp(tabs->currentIndex(), 0, kEditTabCount - 1));
}

void TFrm_BitHenkan::showTab(EditTab tab)
{
    if (int(tab) >= tabs->count())
        tab = EditTab::Brightness;
    if (tabs->currentIndex() == int(tab))
        tabChanged(int(tab));
    else
        tabs->setCurrentIndex(int(tab));
}

void TFrm_BitHenkan::tabChanged(int index)
{
    const EditTab tab = EditTab(std::clamp(index, 0, kEditTabCount - 1));
    editor_.switchTab(tab);
    Image1->setSelecting(tab == EditTab::Edit);
    statusPanels[0]->setText(editTabInfo(tab).status);
    refresh();
}

void TFrm_BitHenkan::editorToControls()
{
    syncing_ = true;
    const AdjustSettings& s = editor_.sliders;
    const std::pair<const SliderBox*, int> values[] = {
        {&TrackBarEx_Gamma, s.gamma}, {&TrackBarEx_Kontorasuto, s.contrast}, {&TrackBarEx_Akarusa, s.brightness},
        {&TrackBarEx_R, s.red},       {&TrackBarEx_G, s.green},              {&TrackBarEx_B, s.blue},
        {&TrackBarEx_HistMin, s.levelMin}, {&TrackBarEx_HistMax, s.levelMax},
    };
    for (const auto& [box, value] : values) {
        box->slider->setValue(value);
        box->box->setValue(value);
    }
    SpinEdit_Kaiten->setValue(editor_.angle);
    SpinEdit_Shukusyaku->setValue(editor_.sizePercent);
    syncing_ = false;
}

void TFrm_BitHenkan::refreshPreview()
{
    QImage shown = editor_.preview().convertToFormat(QImage::Format_RGB32);
    const auto& sel = editor_.selection();
    const QImage& picture = editor_.picture();
    if (sel && !shown.isNull() && picture.width() > 0) {
        // The selection's outline at the preview's scale.
        const double fx = double(shown.width()) / picture.width(), fy = double(shown.height()) / picture.height();
        QPainter p(&shown);
        p.setPen(QPen(Qt::red, 1));
        p.drawRect(QRectF(sel->left() * fx, sel->top() * fy, sel->width() * fx - 1, sel->height() * fy - 1));
    }
    Image_Preview->setPixmap(QPixmap::fromImage(shown));
    const bool differs = editor_.previewDiffers();
    for (QPushButton* b : resetButtons)
        b->setEnabled(differs);
    for (QPushButton* b : reflectButtons)
        b->setEnabled(differs);
    rotateApplyButton->setEnabled(editor_.angle != 0 || differs);
    selectButton->setText(sel ? QStringLiteral("指定解除(&D)") : QStringLiteral("範囲指定(&T)"));
    trimButton->setEnabled(bool(sel));
    statusPanels[1]->setText(editor_.selectionStatus());
    Image1->update();
}

void TFrm_BitHenkan::drawHistogram()
{
    const auto counts = editor_.histogram();
    std::int64_t most = 0;
    for (int v = 1; v <= 254; ++v)
        most = std::max(most, counts[std::size_t(v)]);
    QImage hist(kHistWidth, kHistHeight, QImage::Format_RGB32);
    hist.fill(Qt::white);
    if (most > 0) {
        QPainter p(&hist);
        p.setPen(Qt::black);
        // Two byte values share one column of the 128-pixel-wide picture.
        for (int x = 0; x < kHistWidth; ++x) {
            const std::int64_t n = std::max(x * 2 >= 1 && x * 2 <= 254 ? counts[std::size_t(x * 2)] : 0,
                                            x * 2 + 1 <= 254 ? counts[std::size_t(x * 2 + 1)] : 0);
            const int bar = int((n * kHistHeight + most - 1) / most);
            if (bar > 0)
                p.drawLine(x, kHistHeight - 1, x, kHistHeight - bar);
        }
    }
    Image_Hist->setPixmap(QPixmap::fromImage(hist));
}

void TFrm_BitHenkan::refresh()
{
    editorToControls();
    undoAction->setEnabled(editor_.canUndo());
    statusPanels[2]->setText(editor_.sizeStatus());
    Image1->pictureChanged();
    drawHistogram();
    refreshPreview();
}

void TFrm_BitHenkan::run(const std::function<bool()>& op)
{
    slidersToEditor();
    op();
    refresh();
}

void TFrm_BitHenkan::slidersToEditor()
{
    // Numbers typed but not yet confirmed are taken before an operation.
    SpinEdit_Kaiten->interpretText();
    SpinEdit_Shukusyaku->interpretText();
    editor_.angle = SpinEdit_Kaiten->value();
    editor_.sizePercent = SpinEdit_Shukusyaku->value();
}

void TFrm_BitHenkan::selectClicked()
{
    if (editor_.selection()) {
        editor_.clearSelection();
        refreshPreview();
        return;
    }
    // At the visible top-left corner, in picture pixels.
    const QPoint corner(editor_.toPicture(scroll->horizontalScrollBar()->value()),
                        editor_.toPicture(scroll->verticalScrollBar()->value()));
    editor_.selectSize(corner, SelectionSizes::load(settingsFolder_).chosenSize());
    refreshPreview();
    Image1->setFocus();
}

void TFrm_BitHenkan::applyClicked()
{
    slidersToEditor();
    const PictureEditor::Close c = editor_.applyAndClose();
    refresh();
    if (c == PictureEditor::Close::Applied)
        finish(true);
}

void TFrm_BitHenkan::closeClicked()
{
    finish(false);
}

void TFrm_BitHenkan::finish(bool applied)
{
    applied_ = applied;
    lastTab = tabs->currentIndex();
    done(applied ? QDialog::Accepted : QDialog::Rejected);
}

void TFrm_BitHenkan::reject()
{
    // The window closed by ESC or its close box: the change question.
    switch (editor_.closeWindow()) {
    case PictureEditor::Close::Applied:
        finish(true);
        break;
    case PictureEditor::Close::NotApplied:
        finish(false);
        break;
    case PictureEditor::Close::Stay:
        break;
    }
}

void TFrm_BitHenkan::closeEvent(QCloseEvent* event)
{
    if (!isVisible()) {
        event->accept();
        return;
    }
    event->ignore();
    reject();
}

void TFrm_BitHenkan::keyPressEvent(QKeyEvent* event)
{
    // The arrow keys and Delete act on the selection wherever the focus is on
    // the trimming page, except in a number box.
    if (Image1->selecting() && editor_.selection() && !qobject_cast<QSpinBox*>(focusWidget())) {
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Delete:
            QApplication::sendEvent(Image1, event);
            return;
        default:
            break;
        }
    }
    QDialog::keyPressEvent(event);
}

void TFrm_BitHenkan::place()
{
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const int w = area.width() * 80 / 100, h = area.height() * 87 / 100;
    resize(w, h);
    move(area.left() + (area.width() - w) / 2 - 60, area.top() + (area.height() - h) / 2);
}

bool EditPicture(QImage& bitmap, int firstTab, bool offerEffects, QWidget* parent, const QString& settingsFolder,
                 const QString& proposedName)
{
    if (bitmap.isNull())
        return false;
    DialogMessages messages;
    TFrm_BitHenkan dialog(messages, settingsFolder, offerEffects, parent, proposedName);
    messages.setOwner(&dialog);
    dialog.load(bitmap);
    const int tab = firstTab < 0 ? lastTab : firstTab;
    dialog.showTab(EditTab(std::clamp(tab, 0, kEditTabCount - 1)));
    dialog.place();
    dialog.exec();
    if (!dialog.applied())
        return false;
    bitmap = dialog.resultPicture();
    return true;
}

}  // namespace zb
