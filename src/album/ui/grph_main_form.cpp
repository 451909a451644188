#include "album/ui/grph_main_form.h"

#include "album/document_print.h"
#include "album/layout_listing.h"
#include "album/page_ops.h"
#include "album/printer_env.h"
#include "album/ui/cap_form.h"
#include "album/ui/file_sel_form.h"
#include "album/ui/parts_panel.h"
#include "album/ui/print_flow.h"
#include "album/ui/prv_form.h"
#include "album/ui/set_prn_form.h"
#include "album/caption_codes.h"
#include "album/sheet_edit.h"
#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"
#include "imaging/picture_editor.h"
#include "imaging/ui/frm_bithenkan.h"
#include "items/palette.h"
#include "items/ui/add_form.h"
#include "core/text.h"
#include "settings/settings.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QResizeEvent>
#include <QDoubleSpinBox>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QFileDialog>
#include <QImageReader>
#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>
#include <QMimeData>
#include <QPainter>
#include <QSvgGenerator>
#include <QBuffer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollArea>
#include <QSet>
#include <QStatusBar>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QMenu>
#include <QColorDialog>
#include <QGridLayout>
#include <QSpinBox>
#include <QToolButton>
#include <QToolBar>
#include <algorithm>
#include <functional>
#include <span>

namespace zb::album {

namespace {

// Parts that show a photo or picture: picture parts and the photo and
// drawing frames of item parts; their image can be turned.
bool showsPicture(const TPartsBox& p) { return p.Shape == ptPicture || frameCode(p) != 0; }

struct ToolEntry {
    const char* caption;
    std::optional<TPartsType> tool;
};
const ToolEntry kTools[] = {
    {"選択モード", std::nullopt}, {"工事情報/写真情報", ptKoumoku}, {"長方形", ptRectangle}, {"円", ptEllipse},
    {"三角", ptTryangle},        {"線", ptLine},                   {"矢印", ptArrow},         {"連続線", ptPolyLine},
    {"ベジェ", ptPolyBezier},     {"多角形", ptPolygon},            {"弧", ptArc},             {"扇", ptPie},
    {"弓", ptChord},             {"画像", ptPicture},              {"画像の切取", ptCut},
};

// The bands of buttons that are the menu's own commands, so that their
// enabling and check marks are the menu's. The caption is the button's.
struct BandButton {
    const char* command;
    const char* caption;
};
const BandButton kFileButtons[] = {
    {"Mn_New", "新規作成"}, {"Mn_Open", "開く"}, {"Mn_Save", "上書保存"}, {"Mn_Print", "印刷"},
    {"Mn_Preview", "印刷プレビュー"},
};
const BandButton kToggleButtons[] = {
    {"Mn_Lock", "固定"},  {"Mn_ShiftLock", "縦横比"}, {"Mn_Bubun", "部分選択"},
    {"Mn_Group", "グループ"}, {"Mn_Renzoku", "連続貼付"}, {"Mn_Kouhini", "再描画"},
};
const BandButton kPageButtons[] = {
    {"Mn_FormSelect", "書式選択"}, {"Mn_PageJump", "ページ指定"}, {"Mn_PageFirst", "最初のページ"},
    {"Mn_PagePrev", "前のページ"},  {"Mn_PageNext", "次のページ"},  {"Mn_PageLast", "最後のページ"},
};
struct CommandBand {
    const char* name;
    const char* title;
    std::span<const BandButton> buttons;
    bool albumOnly;
    Qt::ToolBarArea area;
};
// The page band stands under the tool palette, so that the top rows keep
// the width of the window.
const CommandBand kCommandBands[] = {
    {"FileBand", "ファイル", kFileButtons, false, Qt::TopToolBarArea},
    {"ToggleBand", "切替", kToggleButtons, false, Qt::TopToolBarArea},
    {"PageBand", "ページ", kPageButtons, true, Qt::LeftToolBarArea},
};

// The zoom list's first percentage entry, after 自動, 画面内 and 幅.
constexpr int kFirstPercentZoom = 3;

// The entry of the zoom list that 縮小 (direction < 0) or 拡大 (> 0) goes
// to from the percentage shown; -1 when there is none further that way.
int zoomStepTarget(const QComboBox& list, int shown, int direction)
{
    if (direction > 0) {
        for (int i = kFirstPercentZoom; i < list.count(); ++i)
            if (leadingInteger(list.itemText(i)) > shown)
                return i;
    } else {
        for (int i = list.count() - 1; i >= kFirstPercentZoom; --i)
            if (leadingInteger(list.itemText(i)) < shown)
                return i;
    }
    return -1;
}

QString gridCaption(int pitch) { return pitch > 0 ? QStringLiteral("%1mm").arg(pitch) : QStringLiteral("無"); }

}  // namespace

TGrphMainForm::TGrphMainForm(GrphSetup setup, Settings& settings, Messages& messages, Progress& progress,
                             QWidget* parent)
    : QMainWindow(parent), setup_(std::move(setup)), settings_(settings), messages_(messages), progress_(progress)
{
    doc_ = std::make_unique<AlbumDocument>(setup_.kind, setup_.folder, setup_.formFolder, setup_.workParent,
                                           messages_);
    setObjectName(isAlbum() ? QStringLiteral("AlbumMainForm") : QStringLiteral("FormMainForm"));
    setWindowTitle(isAlbum() ? QStringLiteral("工事写真帳作成") : QStringLiteral("書式設定"));

    scroll_ = new QScrollArea(this);
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->setAlignment(Qt::AlignCenter);
    sheet_ = new TPartsPanel;
    sheet_->albumMode = isAlbum();
    scroll_->setWidget(sheet_);
    // The rulers along the top and left of the work area, in mm of the paper.
    auto* work = new QWidget(this);
    auto* grid = new QGridLayout(work);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    topRuler_ = new TRuler(Qt::Horizontal, work);
    topRuler_->setObjectName(QStringLiteral("TopRuler"));
    leftRuler_ = new TRuler(Qt::Vertical, work);
    leftRuler_->setObjectName(QStringLiteral("LeftRuler"));
    auto* corner = new QWidget(work);
    corner->setFixedSize(leftRuler_->width(), topRuler_->height());
    grid->addWidget(corner, 0, 0);
    grid->addWidget(topRuler_, 0, 1);
    grid->addWidget(leftRuler_, 1, 0);
    grid->addWidget(scroll_, 1, 1);
    setCentralWidget(work);
    selector_ = new SResizeControl(*sheet_, messages_, this);

    panel0_ = new QLabel(this);
    panel0_->setMinimumWidth(220);
    panel3_ = new QLabel(this);
    panel3_->setObjectName(QStringLiteral("PagePanel"));
    panel3_->setMinimumWidth(80);
    statusBar()->addWidget(panel0_, 1);
    statusBar()->addPermanentWidget(panel3_);

    buildMenus();
    buildBands();
    readSettings();

    connect(sheet_, &TPartsPanel::OnBeforeFinish, this, [this] { snapshot(sheet_); });
    connect(sheet_, &TPartsPanel::OnDrawEnd, this, [this](int index) {
        markModified();
        selector_->select({index}, index);
    });
    connect(sheet_, &TPartsPanel::statusChanged, panel0_, &QLabel::setText);
    connect(selector_, &SResizeControl::OnBeforeMove, this, [this] { snapshot(selector_); });
    connect(selector_, &SResizeControl::OnResize, this, [this] {
        markModified();
        updateBoxes();
    });
    connect(selector_, &SResizeControl::selectionChanged, this, [this] {
        updateBoxes();
        updateCommands();
    });
    connect(selector_, &SResizeControl::statusChanged, panel0_, &QLabel::setText);

    chooseOpenPath = [this] {
        int& sort = isAlbum() ? settings_.albumSort : settings_.formSort;
        TFileSelForm form(isAlbum(), false, doc_->folder, doc_->fileName, doc_->title, sort, messages_, this);
        const bool ok = form.exec() == QDialog::Accepted;
        sort = form.sort();
        return ok && QFileInfo(form.path()).isFile() ? form.path() : QString();
    };
    chooseSaveName = [this]() -> std::optional<std::pair<QString, QString>> {
        int& sort = isAlbum() ? settings_.albumSort : settings_.formSort;
        TFileSelForm form(isAlbum(), true, doc_->folder, doc_->fileName, doc_->title, sort, messages_, this);
        const bool ok = form.exec() == QDialog::Accepted;
        sort = form.sort();
        const QString name = applyNameRule(form.name());
        if (!ok || name.isEmpty())
            return std::nullopt;
        return std::make_pair(name, form.title());
    };
    // The listing goes on A4 portrait through the program's dialog, one
    // copy of every page.
    chooseListingDevice = [this]() -> std::unique_ptr<PrintDevice> {
        PrintFlowSetup flow;
        flow.rangeEnabled = false;
        flow.pages.pageCount = 1;
        flow.options.paperCode = 9;
        flow.options.orientation = 0;
        flow.options.title = windowTitle();
        PrintOptions options = flow.options;
        return ChoosePrintDevice(this, flow, options);
    };
    // 補正 opens the image-processing dialog on its 明度 page with the effects.
    editPicture = [this](QImage& picture) {
        return EditPicture(picture, int(EditTab::Brightness), true, this, QFileInfo(setup_.palettePath).absolutePath());
    };
    choosePictureFile = [this] {
        return QFileDialog::getOpenFileName(this, QStringLiteral("画像の選択"), QString(),
                                            QStringLiteral("画像 (*.jpg *.jpeg *.png *.bmp *.gif *.tif *.tiff *.ico)"));
    };
    connect(sheet_, &TPartsPanel::rectangleDrawn, this, [this](TPartsType tool, const QRect& pixels) {
        if (tool != ptPicture)
            return;
        const QString path = choosePictureFile ? choosePictureFile() : QString();
        if (!path.isEmpty())
            addPictureFile(path, pixels);
    });
    // Image files dropped from the file manager become picture parts.
    sheet_->setAcceptDrops(true);
    sheet_->installEventFilter(this);
    // The fitting zooms follow the visible area's size.
    scroll_->viewport()->installEventFilter(this);
    newDocument(false);
    resize(1100, 800);
    bool placed = false;
    if (setup_.callbacks.restorePlace) {
        QRect bounds = geometry();
        bool maximised = false;
        if ((placed = setup_.callbacks.restorePlace(placeName(), bounds, maximised))) {
            setGeometry(bounds);
            if (maximised)
                setWindowState(windowState() | Qt::WindowMaximized);
        }
    }
    if (!placed && setup_.besideOf.isValid()) {
        const QScreen* screen = QGuiApplication::screenAt(setup_.besideOf.center());
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (screen)
            move(besideWindow(setup_.besideOf, frameGeometry().size(), screen->availableGeometry()).topLeft());
    }
    // A kept band layout that cannot be read leaves the built-in one.
    if (setup_.callbacks.restoreBands) {
        const QByteArray state = setup_.callbacks.restoreBands(bandsName());
        if (!state.isEmpty() && !restoreState(state, kBandLayoutVersion))
            qWarning("tool band layout %s not used", qPrintable(bandsName()));
    }
}

TGrphMainForm::~TGrphMainForm()
{
    // The selection manager watches the sheet's events: it goes first.
    delete selector_;
    selector_ = nullptr;
}

QAction* TGrphMainForm::command(const QString& name) const { return commands_.value(name); }

void TGrphMainForm::buildMenus()
{
    const auto add = [this](QMenu* menu, const char* name, const QString& caption, QKeySequence key,
                            std::function<void()> fn) {
        auto* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty())
            a->setShortcut(key);
        connect(a, &QAction::triggered, this, std::move(fn));
        commands_.insert(QString::fromLatin1(name), a);
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    add(file, "Mn_New", QStringLiteral("新規作成(&N)"), QKeySequence(Qt::CTRL | Qt::Key_N), [this] { newDocument(); });
    add(file, "Mn_Open", QStringLiteral("開く(&O)..."), QKeySequence(Qt::CTRL | Qt::Key_O), [this] {
        const QString path = chooseOpenPath ? chooseOpenPath() : QString();
        if (!path.isEmpty())
            openDocument(path);
    });
    add(file, "Mn_Save", QStringLiteral("上書き保存(&S)"), QKeySequence(Qt::CTRL | Qt::Key_S), [this] { save(); });
    add(file, "Mn_SaveAs", QStringLiteral("名前をつけて保存(&A)..."), {}, [this] {
        if (auto chosen = chooseSaveName ? chooseSaveName() : std::nullopt)
            saveAs(chosen->first, chosen->second);
    });
    if (isAlbum()) {
        file->addSeparator();
        add(file, "Mn_Rebuild", QStringLiteral("再構築(&R)"), {}, [this] { rebuild(); });
        add(file, "Mn_FlagUpdate", QStringLiteral("写真整理フラッグの更新(&G)"), {}, [this] { updatePhotoFlags(); });
    }
    file->addSeparator();
    add(file, "Mn_PaperSet", QStringLiteral("用紙共通設定(&U)..."), {}, [this] { paperSettings(); });
    add(file, "Mn_Print", QStringLiteral("印刷(&P)..."), QKeySequence(Qt::CTRL | Qt::Key_P), [this] { print(); });
    add(file, "Mn_Preview", QStringLiteral("印刷プレビュー(&V)..."), {}, [this] { preview(); });
    add(file, "Mn_FormPrint", isAlbum() ? QStringLiteral("レイアウト印刷(&F)...") : QStringLiteral("書式印刷(&F)..."), {},
        [this] { printListing(); });
    file->addSeparator();
    add(file, "Mn_Close", QStringLiteral("閉じる(&X)"), {}, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    add(edit, "Mn_Undo", QStringLiteral("元に戻す(&U)"), QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { undo(); });
    edit->addSeparator();
    add(edit, "Mn_Cut", QStringLiteral("切り取り(&T)"), QKeySequence(Qt::CTRL | Qt::Key_X), [this] { cutParts(); });
    add(edit, "Mn_Copy", QStringLiteral("コピー(&C)"), QKeySequence(Qt::CTRL | Qt::Key_C), [this] { copyParts(); });
    add(edit, "Mn_Paste", QStringLiteral("貼り付け(&P)"), QKeySequence(Qt::CTRL | Qt::Key_V), [this] { pasteParts(); });
    QMenu* toClipboard = edit->addMenu(QStringLiteral("クリップボードへコピー"));
    add(toClipboard, "Mn_CopyBitmap", QStringLiteral("ビットマップ(&B)"), {}, [this] { copyPicture(false); });
    add(toClipboard, "Mn_CopyMetafile", QStringLiteral("メタファイル(&M)"), {}, [this] { copyPicture(true); });
    add(edit, "Mn_PastePicture", QStringLiteral("クリップボードから貼り付け"), {}, [this] { pastePicture(); });
    add(edit, "Mn_Delete", QStringLiteral("削除(&D)"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
        [this] { deleteSelection(); });
    edit->addSeparator();
    add(edit, "Mn_SelectAll", QStringLiteral("全て選択(&A)"), QKeySequence(Qt::CTRL | Qt::Key_A),
        [this] { selector_->selectAll(); });
    add(edit, "Mn_GroupSelect", QStringLiteral("グループ選択(&G)"), QKeySequence(Qt::CTRL | Qt::Key_G),
        [this] { selector_->addGroups(); });
    edit->addSeparator();
    const auto aligned = [this](void (SResizeControl::*fn)()) {
        // std::invoke rather than ->*, which GCC wrongly warns about as
        // possibly uninitialised here.
        return [this, fn] {
            snapshot(nullptr);
            std::invoke(fn, selector_);
            markModified();
            updateBoxes();
        };
    };
    add(edit, "Mn_AlignXW", QStringLiteral("座標Xと幅を揃える"), {}, aligned(&SResizeControl::alignLeftWidth));
    add(edit, "Mn_AlignYH", QStringLiteral("座標Yと高さを揃える"), {}, aligned(&SResizeControl::alignTopHeight));
    add(edit, "Mn_AlignWH", QStringLiteral("幅と高さを揃える"), {}, aligned(&SResizeControl::alignSizes));
    add(edit, "Mn_Across", QStringLiteral("横に並べる"), {}, aligned(&SResizeControl::arrangeAcross));
    add(edit, "Mn_Down", QStringLiteral("縦に並べる"), {}, aligned(&SResizeControl::arrangeDown));
    add(edit, "Mn_Raise", QStringLiteral("表示順位を上げる"), {}, aligned(&SResizeControl::raise));
    add(edit, "Mn_Lower", QStringLiteral("表示順位を下げる"), {}, aligned(&SResizeControl::lower));

    add(edit, "Mn_Hosei", QStringLiteral("補正(&H)..."), {}, [this] { correctPicture(); });
    add(edit, "Mn_Refit", QStringLiteral("サイズの再計算"), {}, [this] {
        snapshot(nullptr);
        for (int i : selector_->selection())
            if (i >= 0 && i < doc_->page.parts.size())
                fitToPicture(doc_->page.parts[i]);
        markModified();
        showPage();
    });
    edit->addSeparator();
    // The four toggles and the repaint quality, kept in the mode's settings.
    const bool a = isAlbum();
    const struct {
        const char* name;
        const char* caption;
        bool Settings::*album;
        bool Settings::*format;
    } toggles[] = {
        {"Mn_Lock", "項目固定", &Settings::grphLock, &Settings::formLock},
        {"Mn_ShiftLock", "縦横比固定", &Settings::grphShiftLock, &Settings::formShiftLock},
        {"Mn_Bubun", "部分選択", &Settings::grphBubun, &Settings::formBubun},
        {"Mn_Group", "グループ", &Settings::grphGroup, &Settings::formGroup},
        {"Mn_Renzoku", "連続貼付", &Settings::grphRenzoku, &Settings::formRenzoku},
        {"Mn_Kouhini", "高品質な再描画", &Settings::grphKouhini, &Settings::formKouhini},
    };
    for (const auto& t : toggles) {
        bool Settings::*field = a ? t.album : t.format;
        QAction* act = add(edit, t.name, QString::fromUtf8(t.caption), {}, [] {});
        act->setCheckable(true);
        act->setChecked(settings_.*field);
        connect(act, &QAction::toggled, this, [this, field](bool on) {
            settings_.*field = on;
            readSettings();
            showPage();
        });
    }

    QMenu* items = menuBar()->addMenu(QStringLiteral("項目(&I)"));
    auto* tools = new QActionGroup(this);
    // The tool palette docked on the left holds the same tools.
    QToolBar* palette = new QToolBar(QStringLiteral("ツール"), this);
    palette->setObjectName(QStringLiteral("ToolPalette"));
    palette->setToolButtonStyle(Qt::ToolButtonTextOnly);
    addToolBar(Qt::LeftToolBarArea, palette);
    for (const ToolEntry& t : kTools) {
        QAction* a = items->addAction(QString::fromUtf8(t.caption));
        palette->addAction(a);
        a->setCheckable(true);
        a->setChecked(!t.tool);
        tools->addAction(a);
        const std::optional<TPartsType> tool = t.tool;
        connect(a, &QAction::triggered, this, [this, tool] {
            sheet_->setTool(tool);
            // The item palette shows with its tool only.
            if (tool == ptKoumoku) {
                if (!palette_) {
                    auto* palette = new items::TAddForm(setup_.palettePath, this);
                    palette->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
                    palette->setSlotChoiceVisible(isAlbum());
                    connect(palette, &items::TAddForm::pour, this, [this](const QString& text, int slot) {
                        addItem(text, slot);
                        if (!sheet_->Continued) {
                            palette_->hide();
                            sheet_->endTool();
                        }
                    });
                    palette_ = palette;
                }
                auto* palette = static_cast<items::TAddForm*>(palette_);
                QList<int> used;
                for (const TPartsBox& p : doc_->page.parts)
                    if (p.FormIndex > 0 && p.PhotoRecord > 0 && !used.contains(p.FormIndex))
                        used << p.FormIndex;
                std::sort(used.begin(), used.end());
                palette->setSlots(used);
                palette->setKeepOpen(sheet_->Continued);
                palette->show();
                palette->raise();
            } else if (palette_) {
                palette_->hide();
            }
        });
        if (!t.tool)
            connect(sheet_, &TPartsPanel::toolFinished, a, [a] { a->setChecked(true); });
    }

    if (isAlbum()) {
        QMenu* page = menuBar()->addMenu(QStringLiteral("ページ(&G)"));
        add(page, "Mn_PageJump", QStringLiteral("指定(&J)..."), QKeySequence(Qt::Key_F2), [this] { askPage(); });
        add(page, "Mn_PageFirst", QStringLiteral("最初(&T)"), QKeySequence(Qt::Key_F3), [this] { gotoPage(1); });
        add(page, "Mn_PagePrev", QStringLiteral("前(&P)"), QKeySequence(Qt::Key_F4),
            [this] { gotoPage(doc_->currentPage() - 1); });
        add(page, "Mn_PageNext", QStringLiteral("次(&N)"), QKeySequence(Qt::Key_F5),
            [this] { gotoPage(doc_->currentPage() + 1); });
        add(page, "Mn_PageLast", QStringLiteral("最後(&L)"), QKeySequence(Qt::Key_F6),
            [this] { gotoPage(doc_->lastPage()); });
        page->addSeparator();
        add(page, "Mn_PageInsert", QStringLiteral("挿入(&I)..."), QKeySequence(Qt::Key_F7), [this] { insertPages(); });
        add(page, "Mn_PageMove", QStringLiteral("移動(&M)..."), QKeySequence(Qt::Key_F8),
            [this] { moveCurrentPage(); });
        add(page, "Mn_PageDelete", QStringLiteral("削除(&D)"), QKeySequence(Qt::Key_F9),
            [this] { deleteCurrentPage(); });
        page->addSeparator();
        add(page, "Mn_FormSelect", QStringLiteral("書式選択(&S)..."), {}, [this] { selectFormat(); });
    }
}

QStringList TGrphMainForm::zoomCaptions()
{
    QStringList list{QStringLiteral("自動"), QStringLiteral("画面内"), QStringLiteral("幅")};
    for (int p = 30; p <= 100; p += 10)
        list << QStringLiteral("%1%").arg(p);
    for (int p = 150; p <= 700; p += 50)
        list << QStringLiteral("%1%").arg(p);
    return list;
}

void TGrphMainForm::applyZoom()
{
    if (!zoom_ || !sheet_)
        return;
    const QSizeF paper = sheet_->paper();
    const QSize visible = scroll_->viewport()->size();
    int ritu = 100;
    switch (zoom_->currentIndex()) {
    case 0: ritu = TPartsPanel::zoomAuto(paper, visible); break;
    case 1: ritu = TPartsPanel::zoomInside(paper, visible); break;
    case 2: ritu = TPartsPanel::zoomWidth(paper, visible); break;
    default: ritu = leadingInteger(zoom_->currentText()); break;
    }
    if (ritu > 0 && ritu != sheet_->Ritu()) {
        sheet_->setRitu(ritu);
        selector_->GridRitu = ritu;
    }
    updateZoomButtons();
}

int TGrphMainForm::shownZoom() const
{
    const int index = zoom_->currentIndex();
    return index >= kFirstPercentZoom ? leadingInteger(zoom_->itemText(index)) : sheet_->Ritu();
}

bool TGrphMainForm::stepZoom(int direction)
{
    const int target = zoomStepTarget(*zoom_, shownZoom(), direction);
    if (target < 0)
        return false;
    zoom_->setCurrentIndex(target);
    return true;
}

void TGrphMainForm::updateZoomButtons()
{
    if (!zoomOut_ || !zoomIn_)
        return;
    const int shown = shownZoom();
    zoomOut_->setEnabled(zoomStepTarget(*zoom_, shown, -1) >= 0);
    zoomIn_->setEnabled(zoomStepTarget(*zoom_, shown, 1) >= 0);
}

QList<int> TGrphMainForm::gridPitches()
{
    QList<int> pitches{0, 1, 2, 5, 10};
    for (int p = 20; p <= 100; p += 10)
        pitches << p;
    return pitches;
}

void TGrphMainForm::showGridPitch(int pitch)
{
    // A kept pitch that the list lacks joins it in order, so that the list
    // shows the grid the sheet draws.
    QList<int> pitches = gridPitches();
    pitch = std::max(0, pitch);
    if (!pitches.contains(pitch))
        pitches.insert(std::upper_bound(pitches.begin(), pitches.end(), pitch) - pitches.begin(), pitch);
    if (grid_->findData(pitch) < 0) {
        grid_->clear();
        for (int p : pitches)
            grid_->addItem(gridCaption(p), p);
    }
    grid_->setCurrentIndex(grid_->findData(pitch));
}

void TGrphMainForm::buildCommandBands()
{
    for (const CommandBand& b : kCommandBands) {
        if (b.albumOnly && !isAlbum())
            continue;
        auto* band = new QToolBar(QString::fromUtf8(b.title), this);
        band->setObjectName(QString::fromLatin1(b.name));
        addToolBar(b.area, band);
        band->setToolButtonStyle(Qt::ToolButtonTextOnly);
        for (const BandButton& button : b.buttons) {
            QAction* a = commands_.value(QString::fromLatin1(button.command));
            Q_ASSERT(a);
            // The band shows its own caption; the menu keeps the command's text.
            a->setIconText(QString::fromUtf8(button.caption));
            a->setToolTip(QString::fromUtf8(button.caption));
            band->addAction(a);
        }
    }
}

TCapForm* TGrphMainForm::capForm()
{
    if (!capForm_) {
        capForm_ = new TCapForm(this);
        connect(capForm_, &TCapForm::changed, this, [this](const QObject* control) {
            const QList<int> sel = selector_->selection();
            if (sel.isEmpty())
                return;
            snapshot(control);
            for (int i : sel)
                if (i >= 0 && i < doc_->page.parts.size())
                    capForm_->apply(doc_->page.parts[i], control);
            markModified();
            sheet_->update();
            updatingBoxes_ = true;
            text_->setText(doc_->page.parts[sel.first()].Caption);
            updatingBoxes_ = false;
        });
        updateBoxes();
    }
    return capForm_;
}

QStringList TGrphMainForm::relationCaptions(bool album)
{
    QStringList list;
    if (album)
        list << QStringLiteral("追加");
    list << QStringLiteral("無");
    for (int slot = 1; slot <= 25; ++slot) {
        QString digits = QString::number(slot);
        for (QChar& c : digits)
            c = QChar(c.unicode() - u'0' + 0xFF10);  // full-width digits
        list << QStringLiteral("写真") + digits;
    }
    return list;
}

QString reservedCharacterQuestion(QChar c)
{
    const QString quoted = QStringLiteral("\"") + c + QStringLiteral("\"");
    return quoted + QStringLiteral("は「工事/写真情報」の為の予約済みの定義文字です 表示用の文字としては使用できません。") +
           QStringLiteral("\r\n\r\n") + quoted + QStringLiteral("を定義文字として挿入しますか？");
}

QRect besideWindow(const QRect& main, QSize size, const QRect& screen)
{
    const int roomRight = screen.right() - main.right(), roomLeft = main.left() - screen.left();
    int x;
    if (roomRight >= size.width())
        x = main.right() + 1;
    else if (roomLeft >= size.width())
        x = main.left() - size.width();
    else
        x = roomRight >= roomLeft ? screen.right() + 1 - size.width() : screen.left();
    x = std::max(screen.left(), std::min(x, screen.right() + 1 - size.width()));
    const int y = std::max(screen.top(), std::min(main.top(), screen.bottom() + 1 - size.height()));
    return QRect(QPoint(x, y), size);
}

bool TGrphMainForm::addPictureFile(const QString& path, const QRect& pixels)
{
    QFile f(path);
    QByteArray bytes;
    if (f.open(QIODevice::ReadOnly) && f.size() < (qint64(1) << 30))
        bytes = f.readAll();
    const QString ext = QFileInfo(path).suffix().toUpper();
    // Metafiles keep their bytes and are drawn by the metafile player.
    const bool metafile = ext == QStringLiteral("WMF") || ext == QStringLiteral("EMF");
    QImage image;
    if (metafile) {
        image = bytes.isEmpty() ? QImage() : RenderMetafile(bytes);
    } else {
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        reader.setAutoTransform(false);
        image = bytes.isEmpty() ? QImage() : reader.read();
    }
    if (image.isNull()) {
        messages_.error(QStringLiteral("サポートされていない画像の形式です。\r\n>") + QFileInfo(path).fileName());
        return false;
    }
    TPartsBox part;
    part.Shape = ptPicture;
    part.FormIndex = isAlbum() ? -1 : 0;
    if (metafile) {
        part.PictureStream = {bytes, QStringLiteral("WMF")};
    } else if (ext == QStringLiteral("JPG") || ext == QStringLiteral("JPEG")) {
        part.PictureStream = {bytes, QStringLiteral("JPG")};
    } else if (ext == QStringLiteral("ICO")) {
        part.PictureStream = {bytes, QStringLiteral("ICO")};
    } else {
        QByteArray jpeg;
        SilentMessages quiet;
        if (!EncodeJpeg(image.convertToFormat(QImage::Format_RGB888), jpeg, false, 90, quiet)) {
            messages_.error(QStringLiteral("サポートされていない画像の形式です。\r\n>") + QFileInfo(path).fileName());
            return false;
        }
        part.PictureStream = {jpeg, QStringLiteral("JPG")};
    }
    return placePicture(part, image.size(), pixels);
}

bool TGrphMainForm::placePicture(TPartsBox part, QSize pictureSize, const QRect& pixels)
{
    part.RefWidth = pictureSize.width();
    part.RefHeight = pictureSize.height();
    const int ppi = sheet_->pixelsPerInch(), zoom = sheet_->Ritu();
    part.PLeft = pixelsToMm(pixels.left(), ppi, zoom);
    part.PTop = pixelsToMm(pixels.top(), ppi, zoom);
    // A point gets a picture 80 mm wide; a rectangle is filled in the picture's proportions.
    part.PWidth = pixels.width() > 4 ? pixelsToMm(pixels.width(), ppi, zoom) : mm(80);
    part.PHeight = pixels.height() > 4 ? pixelsToMm(pixels.height(), ppi, zoom) : mm(60);
    fitToPicture(part);
    snapshot(nullptr);
    doc_->page.parts << part;
    markModified();
    showPage();
    const int index = int(doc_->page.parts.size()) - 1;
    selector_->select({index}, index);
    return true;
}

bool TGrphMainForm::addItem(const QString& tokenText, int slot)
{
    TPartsBox part;
    part.Shape = ptKoumoku;
    part.Caption = tokenText;
    part.PenStyle = psClear;
    part.PenWidth = 0;
    part.Font = sheet_->defaults.font;
    part.BrushColor = sheet_->defaults.brushColor;
    part.Brush = bsClear;
    // Placed at the visible part of the sheet: 10 pixels in from its left
    // edge, 15 font heights wide and 1.6 font heights + 10 pixels high.
    const QPoint visible = sheet_->mapFrom(scroll_->viewport(), QPoint(0, 0));
    const int ppi = sheet_->pixelsPerInch(), zoom = sheet_->Ritu();
    const double fontPixels = part.Font.size * ppi / 72.0 * zoom / 100.0;
    const int left = std::max(0, visible.x()) + 10, top = std::max(0, visible.y());
    part.PLeft = pixelsToMm(left, ppi, zoom);
    part.PTop = pixelsToMm(top, ppi, zoom);
    part.PWidth = pixelsToMm(int(fontPixels * 15), ppi, zoom);
    part.PHeight = pixelsToMm(int(fontPixels * 1.6) + 10, ppi, zoom);
    return placeItem(part, tokenText, slot);
}

bool TGrphMainForm::placeItem(TPartsBox part, const QString& tokenText, int slot)
{
    part.FormIndex = isAlbum() ? qint8(-1) : qint8(0);
    if (isAlbum()) {
        bool photoItem = false;
        substituteTokens(tokenText, [&](const CaptionToken& t) -> std::optional<QString> {
            photoItem = photoItem || (t.code >= 2000 && t.code <= 2999);
            return std::nullopt;
        });
        RECORD photo = 0;
        if (photoItem) {
            for (const TPartsBox& p : doc_->page.parts)
                if (slot > 0 && p.FormIndex == slot && p.PhotoRecord > 0)
                    photo = p.PhotoRecord;
            if (!photo) {
                messages_.warning(QStringLiteral("指定の写真番号はまだレイアウトされていません。"));
                return false;
            }
            part.FormIndex = qint8(slot);
            part.PhotoRecord = photo;
        }
        if (PhotoBinder* binder = setup_.callbacks.binder; binder && !binder->bindPart(part, photo)) {
            messages_.warning(QStringLiteral("指定の項目は入力されていません。"));
            return false;
        }
    }
    snapshot(nullptr);
    doc_->page.parts << part;
    markModified();
    showPage();
    const int index = int(doc_->page.parts.size()) - 1;
    selector_->select({index}, index);
    return true;
}

int TGrphMainForm::addDrawingFrames(const QList<std::pair<RECORD, int>>& drawings, QPoint at)
{
    if (!isAlbum())
        return 0;
    const QList<items::PaletteEntry> entries = items::readPalette(setup_.palettePath);
    const int ppi = sheet_->pixelsPerInch(), zoom = sheet_->Ritu();
    int placed = 0;
    for (const auto& [photo, position] : drawings) {
        const int code = 2600 + std::clamp(position, 0, 2);
        QString token = items::tokenForCode(entries, code);
        if (token.isEmpty())
            token = QStringLiteral("{%1.参考図%2}").arg(code).arg(code - 2599);
        // The frame goes with the slot that holds the drawing's photo.
        int slot = 0;
        for (const TPartsBox& p : doc_->page.parts)
            if (p.FormIndex > 0 && p.PhotoRecord == photo)
                slot = p.FormIndex;
        TPartsBox part;
        part.Shape = ptKoumoku;
        part.Caption = token;
        part.PenStyle = psSolid;
        part.PenWidth = mm(0.1);
        part.Font = sheet_->defaults.font;
        part.BrushColor = sheet_->defaults.brushColor;
        part.Brush = bsClear;
        // A 4:3 frame, 160 × 120 pixels at 100 %.
        part.PLeft = pixelsToMm(std::max(0, at.x()), ppi, zoom);
        part.PTop = pixelsToMm(std::max(0, at.y()), ppi, zoom);
        part.PWidth = pixelsToMm(160 * zoom / 100, ppi, zoom);
        part.PHeight = pixelsToMm(120 * zoom / 100, ppi, zoom);
        if (placeItem(part, token, slot))
            ++placed;
        at += QPoint(15, 15);
    }
    return placed;
}

DraggedItems TGrphMainForm::draggedItems(const QMimeData* mime, const QObject* source) const
{
    if (!isAlbum() || !mime || !setup_.callbacks.dragged)
        return {};
    return setup_.callbacks.dragged(mime, source);
}

bool TGrphMainForm::dropOnSheet(const QMimeData* mime, const QObject* source, QPoint at)
{
    if (!mime)
        return false;
    const DraggedItems items = draggedItems(mime, source);
    if (!items.photos.isEmpty()) {
        pour(items.photos);
        return true;
    }
    if (!items.drawings.isEmpty()) {
        addDrawingFrames(items.drawings, at);
        return true;
    }
    bool any = false;
    for (const QUrl& url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        addPictureFile(url.toLocalFile(), QRect(at, QSize(1, 1)));
        at += QPoint(15, 15);
        any = true;
    }
    return any;
}

void TGrphMainForm::updateRulers()
{
    if (!topRuler_ || !leftRuler_)
        return;
    // A ruler's 0 mm lies at the paper's edge wherever the sheet stands.
    const QPoint sheet = sheet_->mapTo(this, QPoint(0, 0));
    topRuler_->setScale(sheet_->Ritu(), topRuler_->mapTo(this, QPoint(0, 0)).x() - sheet.x());
    leftRuler_->setScale(sheet_->Ritu(), leftRuler_->mapTo(this, QPoint(0, 0)).y() - sheet.y());
}

QMenu* TGrphMainForm::sheetMenu()
{
    if (!sheetMenu_) {
        sheetMenu_ = new QMenu(this);
        const auto put = [this](const char* name) {
            if (QAction* a = commands_.value(QString::fromLatin1(name)))
                sheetMenu_->addAction(a);
        };
        for (const char* n : {"Mn_Undo", "", "Mn_Cut", "Mn_Copy", "Mn_Paste", "Mn_CopyBitmap", "Mn_CopyMetafile",
                              "Mn_PastePicture", "Mn_Delete", "", "Mn_SelectAll", "Mn_GroupSelect", "", "Mn_Hosei",
                              "Mn_Raise", "Mn_Lower", "Mn_Refit", "Mn_FormSelect"}) {
            if (*n)
                put(n);
            else
                sheetMenu_->addSeparator();
        }
    }
    return sheetMenu_;
}

bool TGrphMainForm::eventFilter(QObject* watched, QEvent* e)
{
    // The sheet's pop-up menu while no drawing tool is in hand.
    if (watched == sheet_ && e->type() == QEvent::ContextMenu && !sheet_->tool()) {
        sheetMenu()->popup(static_cast<QContextMenuEvent*>(e)->globalPos());
        return true;
    }
    if (watched == sheet_ && (e->type() == QEvent::Move || e->type() == QEvent::Resize))
        updateRulers();
    if (scroll_ && watched == scroll_->viewport() && e->type() == QEvent::Resize)
        applyZoom();
    if (watched == sheet_ && (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove)) {
        auto* d = static_cast<QDropEvent*>(e);
        if (d->mimeData()->hasUrls() || !draggedItems(d->mimeData(), d->source()).empty()) {
            d->acceptProposedAction();
            return true;
        }
    }
    if (watched == sheet_ && e->type() == QEvent::Drop) {
        auto* d = static_cast<QDropEvent*>(e);
        if (dropOnSheet(d->mimeData(), d->source(), d->position().toPoint()))
            d->acceptProposedAction();
        return true;
    }
    if (watched == text_ && e->type() == QEvent::KeyPress) {
        const QString typed = static_cast<QKeyEvent*>(e)->text();
        if ((typed == QStringLiteral("{") || typed == QStringLiteral("}")) &&
            !messages_.ask(reservedCharacterQuestion(typed.at(0))))
            return true;  // the key is discarded
    }
    return QMainWindow::eventFilter(watched, e);
}

void TGrphMainForm::resizeEvent(QResizeEvent* e)
{
    QMainWindow::resizeEvent(e);
    applyZoom();
}

void TGrphMainForm::buildBands()
{
    buildCommandBands();
    QToolBar* view = addToolBar(QStringLiteral("表示率"));
    view->setObjectName(QStringLiteral("ZoomBand"));
    view->setToolButtonStyle(Qt::ToolButtonTextOnly);
    view->addWidget(new QLabel(QStringLiteral("表示率"), view));
    zoom_ = new QComboBox(view);
    zoom_->setObjectName(QStringLiteral("Zoom"));
    zoom_->addItems(zoomCaptions());
    view->addWidget(zoom_);
    connect(zoom_, &QComboBox::currentIndexChanged, this, [this] { applyZoom(); });
    zoomOut_ = view->addAction(QStringLiteral("縮小"));
    zoomOut_->setObjectName(QStringLiteral("ZoomOut"));
    connect(zoomOut_, &QAction::triggered, this, [this] { stepZoom(-1); });
    zoomIn_ = view->addAction(QStringLiteral("拡大"));
    zoomIn_->setObjectName(QStringLiteral("ZoomIn"));
    connect(zoomIn_, &QAction::triggered, this, [this] { stepZoom(1); });

    QToolBar* gridBand = addToolBar(QStringLiteral("グリッド"));
    gridBand->setObjectName(QStringLiteral("GridBand"));
    gridBand->addWidget(new QLabel(QStringLiteral("グリッド"), gridBand));
    grid_ = new QComboBox(gridBand);
    grid_->setObjectName(QStringLiteral("GridPitch"));
    gridBand->addWidget(grid_);
    connect(grid_, &QComboBox::activated, this, [this](int index) {
        (isAlbum() ? settings_.grphGridPitch : settings_.formGridPitch) = grid_->itemData(index).toInt();
        readSettings();
        sheet_->update();
    });
    addToolBarBreak();

    QToolBar* band = addToolBar(QStringLiteral("位置とサイズ"));
    band->setObjectName(QStringLiteral("SizeBand"));
    const auto box = [this, band](const QString& label, double low, double high) {
        band->addWidget(new QLabel(label, band));
        auto* b = new QDoubleSpinBox(band);
        b->setRange(low, high);
        b->setDecimals(1);
        b->setSingleStep(0.1);
        b->setSuffix(QStringLiteral(" mm"));
        b->setEnabled(false);
        band->addWidget(b);
        connect(b, &QDoubleSpinBox::valueChanged, this, [this, b] { applyBoxes(b); });
        return b;
    };
    x_ = box(QStringLiteral("Ｘ"), -9999, 9999);
    y_ = box(QStringLiteral("Ｙ"), -9999, 9999);
    w_ = box(QStringLiteral("Ｗ"), 0, 9999);
    h_ = box(QStringLiteral("Ｈ"), 0, 9999);
    band->addWidget(new QLabel(QStringLiteral(" 向き"), band));
    imageOrientation_ = new QComboBox(band);
    imageOrientation_->setObjectName(QStringLiteral("ImageOrientation"));
    imageOrientation_->addItems(imageOrientationCaptions());
    imageOrientation_->setEnabled(false);
    band->addWidget(imageOrientation_);
    connect(imageOrientation_, &QComboBox::activated, this, [this](int index) { applyImageOrientation(index); });
    band->addWidget(new QLabel(QStringLiteral(" 関連"), band));
    relation_ = new QComboBox(band);
    relation_->addItems(relationCaptions(isAlbum()));
    relation_->setEnabled(false);
    band->addWidget(relation_);
    connect(relation_, &QComboBox::activated, this, [this](int index) {
        const QList<int> sel = selector_->selection();
        if (sel.isEmpty())
            return;
        const int slot = isAlbum() ? index - 1 : index;
        if (isAlbum() && !messages_.ask(kRelationChangeQuestion)) {
            updateBoxes();  // back to the first selected part's slot
            return;
        }
        snapshot(nullptr);
        for (int i : sel)
            if (i >= 0 && i < doc_->page.parts.size())
                doc_->page.parts[i].FormIndex = qint8(slot);
        markModified();
        sheet_->update();
    });
    band->addWidget(new QLabel(QStringLiteral(" 文字:"), band));
    text_ = new QLineEdit(band);
    text_->setMinimumWidth(200);
    text_->setEnabled(false);
    text_->installEventFilter(this);
    band->addWidget(text_);
    auto* details = new QAction(QStringLiteral("詳細"), band);
    band->addAction(details);
    connect(details, &QAction::triggered, this, [this] {
        TCapForm* f = capForm();
        const QRect g = geometry();
        f->adjustSize();
        f->move(g.right() - 20 - f->width(), g.top() + menuBar()->height() + 30);
        f->show();
        f->raise();
    });
    connect(text_, &QLineEdit::textEdited, this, [this](const QString& text) {
        const QList<int> sel = selector_->selection();
        if (sel.isEmpty())
            return;
        snapshot(text_);
        for (int i : sel)
            if (i >= 0 && i < doc_->page.parts.size())
                doc_->page.parts[i].Caption = text;
        markModified();
        sheet_->update();
    });
    x_->setObjectName(QStringLiteral("X"));
    y_->setObjectName(QStringLiteral("Y"));
    w_->setObjectName(QStringLiteral("W"));
    h_->setObjectName(QStringLiteral("H"));
    buildLineBand();
}

namespace {

QColor colorOfRef(quint32 c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
quint32 refOfColor(const QColor& c) { return quint32(c.red()) | quint32(c.green()) << 8 | quint32(c.blue()) << 16; }

void paintSwatch(QToolButton* b, quint32 color)
{
    QPixmap swatch(16, 16);
    swatch.fill(colorOfRef(color));
    b->setIcon(QIcon(swatch));
    b->setProperty("colorRef", color);
}

}  // namespace

void TGrphMainForm::buildLineBand()
{
    chooseColor = [this](quint32 current, const QString& title) -> std::optional<quint32> {
        const QColor c = QColorDialog::getColor(colorOfRef(current), this, title);
        if (!c.isValid())
            return std::nullopt;
        return refOfColor(c);
    };
    addToolBarBreak();
    QToolBar* band = addToolBar(QStringLiteral("線と塗り"));
    band->setObjectName(QStringLiteral("LineBand"));
    const auto colorButton = [this, band](const char* name, const QString& caption) {
        auto* b = new QToolButton(band);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(caption);
        b->setToolTip(caption);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        band->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, b, caption] {
            const std::optional<quint32> c =
                chooseColor ? chooseColor(b->property("colorRef").toUInt(), caption) : std::nullopt;
            if (!c)
                return;
            paintSwatch(b, *c);
            applyLine(b);
        });
        return b;
    };
    const auto list = [this, band](const char* name, const QStringList& items) {
        auto* c = new QComboBox(band);
        c->setObjectName(QString::fromLatin1(name));
        c->addItems(items);
        band->addWidget(c);
        connect(c, &QComboBox::activated, this, [this, c] { applyLine(c); });
        return c;
    };
    fillColor_ = colorButton("FillColor", QStringLiteral("塗色"));
    fillStyle_ = list("FillStyle", {QStringLiteral("塗りつぶし"), QStringLiteral("無"), QStringLiteral("横線"),
                                    QStringLiteral("縦線"), QStringLiteral("右下がり斜線"), QStringLiteral("右上がり斜線"),
                                    QStringLiteral("十字"), QStringLiteral("斜め十字")});
    lineColor_ = colorButton("LineColor", QStringLiteral("線色"));
    lineStyle_ = list("LineStyle", {QStringLiteral("実線"), QStringLiteral("破線"), QStringLiteral("点線"),
                                    QStringLiteral("一点鎖線"), QStringLiteral("二点鎖線"), QStringLiteral("無"),
                                    QStringLiteral("内側実線")});
    band->addWidget(new QLabel(QStringLiteral(" 線の幅"), band));
    penWidth_ = new QDoubleSpinBox(band);
    penWidth_->setObjectName(QStringLiteral("PenWidth"));
    penWidth_->setRange(0, 99);
    penWidth_->setDecimals(1);
    penWidth_->setSingleStep(0.1);
    penWidth_->setSuffix(QStringLiteral(" mm"));
    band->addWidget(penWidth_);
    connect(penWidth_, &QDoubleSpinBox::valueChanged, this, [this] { applyLine(penWidth_); });
    band->addWidget(new QLabel(QStringLiteral(" 矢印"), band));
    arrow_ = list("Arrow", {QStringLiteral("無"), QStringLiteral("←"), QStringLiteral("→"), QStringLiteral("←→")});
    direction_ = new QCheckBox(QStringLiteral("向き"), band);
    direction_->setObjectName(QStringLiteral("Direction"));
    band->addWidget(direction_);
    connect(direction_, &QCheckBox::clicked, this, [this] { applyLine(direction_); });
    band->addWidget(new QLabel(QStringLiteral(" 傾き"), band));
    diagonal_ = new QSpinBox(band);
    diagonal_->setObjectName(QStringLiteral("Diagonal"));
    diagonal_->setRange(0, 100);
    diagonal_->setSuffix(QStringLiteral("%"));
    band->addWidget(diagonal_);
    connect(diagonal_, &QSpinBox::valueChanged, this, [this] { applyLine(diagonal_); });
    band->addWidget(new QLabel(QStringLiteral(" 明細線"), band));
    meisai_ = new QSpinBox(band);
    meisai_->setObjectName(QStringLiteral("MeisaiLine"));
    meisai_->setRange(1, 99);
    band->addWidget(meisai_);
    connect(meisai_, &QSpinBox::valueChanged, this, [this] { applyLine(meisai_); });
    showLineValues(nullptr);
}

void TGrphMainForm::showLineValues(const TPartsBox* part)
{
    const DrawingDefaults& d = sheet_->defaults;
    paintSwatch(fillColor_, part ? part->BrushColor : d.brushColor);
    paintSwatch(lineColor_, part ? part->PenColor : d.penColor);
    fillStyle_->setCurrentIndex(part ? part->Brush : d.brushStyle);
    lineStyle_->setCurrentIndex(part ? part->PenStyle : d.penStyle);
    for (QWidget* w : std::initializer_list<QWidget*>{penWidth_, arrow_, direction_, diagonal_, meisai_})
        w->setEnabled(part != nullptr);
    if (!part)
        return;
    penWidth_->setValue(toMm(part->PenWidth));
    arrow_->setCurrentIndex(std::clamp(int(part->Arrow), 0, 3));
    direction_->setChecked(part->Direction);
    diagonal_->setValue(part->Diagonal);
    meisai_->setValue(std::clamp(int(part->MeisaiLine), 1, 99));
}

void TGrphMainForm::applyLine(const QObject* source)
{
    if (updatingBoxes_)
        return;
    // What the control sets on a part; colours and styles are also what new
    // parts take.
    DrawingDefaults& d = sheet_->defaults;
    std::function<void(TPartsBox&)> set;
    if (source == fillColor_) {
        const quint32 fill = fillColor_->property("colorRef").toUInt();
        d.brushColor = fill;
        set = [fill](TPartsBox& p) { p.BrushColor = fill; };
    } else if (source == lineColor_) {
        const quint32 line = lineColor_->property("colorRef").toUInt();
        d.penColor = line;
        set = [line](TPartsBox& p) { p.PenColor = line; };
    } else if (source == fillStyle_) {
        d.brushStyle = quint8(fillStyle_->currentIndex());
        set = [style = d.brushStyle](TPartsBox& p) { p.Brush = style; };
    } else if (source == lineStyle_) {
        d.penStyle = quint8(lineStyle_->currentIndex());
        set = [style = d.penStyle](TPartsBox& p) { p.PenStyle = style; };
    } else if (source == penWidth_) {
        set = [width = mm(penWidth_->value())](TPartsBox& p) { p.PenWidth = width; };
    } else if (source == arrow_) {
        set = [arrow = TArrowStyle(arrow_->currentIndex())](TPartsBox& p) { p.Arrow = arrow; };
    } else if (source == direction_) {
        set = [on = direction_->isChecked()](TPartsBox& p) { p.Direction = on; };
    } else if (source == diagonal_) {
        set = [v = quint8(diagonal_->value())](TPartsBox& p) { p.Diagonal = v; };
    } else if (source == meisai_) {
        set = [v = quint8(meisai_->value())](TPartsBox& p) { p.MeisaiLine = v; };
    }
    const QList<int> sel = selector_->selection();
    if (!set || sel.isEmpty())
        return;
    snapshot(source);
    for (int i : sel)
        if (i >= 0 && i < doc_->page.parts.size())
            set(doc_->page.parts[i]);
    markModified();
    sheet_->update();
}

void TGrphMainForm::readSettings()
{
    const Settings& s = settings_;
    const bool a = isAlbum();
    const int pitch = a ? s.grphGridPitch : s.formGridPitch;
    sheet_->GridPitch = mm(std::max(0, pitch));
    showGridPitch(pitch);
    sheet_->Continued = a ? s.grphRenzoku : s.formRenzoku;
    sheet_->DoubleBufferMode = a ? s.grphKouhini : s.formKouhini;
    selector_->Lock = a ? s.grphLock : s.formLock;
    selector_->ShiftLock = a ? s.grphShiftLock : s.formShiftLock;
    selector_->Naiho = !(a ? s.grphBubun : s.formBubun);
    const bool group = a ? s.grphGroup : s.formGroup;
    selector_->Group = !group ? SResizeControl::gsNone : a ? SResizeControl::gsGroup : SResizeControl::gsForm;
    if (!settingsRead_) {
        const int zoom = a ? s.grphPanelRitu : s.formPanelRitu;
        zoom_->setCurrentIndex(zoom >= 0 && zoom < zoom_->count() ? zoom : 0);
        settingsRead_ = true;
    }
}

DrawContext TGrphMainForm::drawContext() const
{
    DrawContext c;
    c.mode = isAlbum() ? DrawMode::Album : DrawMode::Format;
    c.today = QDate::currentDate();
    c.page = {doc_->currentPage(), doc_->lastPage(), doc_->pageStart};
    c.frames = setup_.callbacks.frames;
    return c;
}

QString TGrphMainForm::pagePanelText() const
{
    if (isAlbum())
        return QStringLiteral("%1 / %2").arg(doc_->currentPage()).arg(doc_->lastPage());
    return QStringLiteral("%1個").arg(doc_->page.parts.size());
}

void TGrphMainForm::showPage()
{
    sheet_->setPage(&doc_->page);
    sheet_->setPaper(paperSizeMm(doc_->paperCode, isAlbum() ? doc_->page.orientation : doc_->orientation));
    QList<QRectF> guide;
    if (isAlbum() && selector_->Group != SResizeControl::gsNone)
        for (const GuideRect& g : doc_->layoutGuide())
            guide << g.mm;
    sheet_->guide = guide;
    sheet_->setDrawContext(drawContext());
    applyZoom();
    updateBoxes();
    updateCommands();
}

void TGrphMainForm::updateCommands()
{
    panel3_->setText(pagePanelText());
    commands_.value(QStringLiteral("Mn_Save"))->setEnabled(doc_->modified && !doc_->fileName.isEmpty());
    commands_.value(QStringLiteral("Mn_Undo"))->setEnabled(!undo_.isEmpty());
    commands_.value(QStringLiteral("Mn_Paste"))->setEnabled(!clipboard_.isEmpty());
    const bool any = !selector_->selection().isEmpty();
    for (const char* n : {"Mn_Cut", "Mn_Copy", "Mn_Delete", "Mn_CopyBitmap", "Mn_CopyMetafile"})
        commands_.value(QString::fromLatin1(n))->setEnabled(any);
    commands_.value(QStringLiteral("Mn_Hosei"))->setEnabled(correctablePicture() != nullptr);
    if (!isAlbum())
        return;
    const int cur = doc_->currentPage(), last = doc_->lastPage();
    commands_.value(QStringLiteral("Mn_PageFirst"))->setEnabled(cur > 1);
    commands_.value(QStringLiteral("Mn_PagePrev"))->setEnabled(cur > 1);
    commands_.value(QStringLiteral("Mn_PageNext"))->setEnabled(cur < kMaxPage);
    commands_.value(QStringLiteral("Mn_PageLast"))->setEnabled(cur < last);
    commands_.value(QStringLiteral("Mn_PageInsert"))->setEnabled(cur < kMaxPage && last < kMaxPage);
}

void TGrphMainForm::updateBoxes()
{
    const QList<int>& sel = selector_->selection();
    updatingBoxes_ = true;
    const int i = selector_->focused() >= 0 ? selector_->focused() : sel.isEmpty() ? -1 : sel.first();
    const bool one = i >= 0 && i < doc_->page.parts.size();
    for (QDoubleSpinBox* b : {x_, y_, w_, h_})
        b->setEnabled(one);
    relation_->setEnabled(one);
    text_->setEnabled(one);
    const bool photo = one && showsPicture(doc_->page.parts[i]);
    imageOrientation_->setEnabled(photo);
    if (photo)
        imageOrientation_->setCurrentIndex(std::clamp(int(doc_->page.parts[i].ImageOrientation), 0, 3));
    if (capForm_ && !one)
        capForm_->showPart(nullptr);
    if (one) {
        const TPartsBox& p = doc_->page.parts[i];
        relation_->setCurrentIndex(std::clamp(isAlbum() ? p.FormIndex + 1 : int(p.FormIndex), 0, relation_->count() - 1));
        if (text_->text() != p.Caption)
            text_->setText(p.Caption);
        if (capForm_)
            capForm_->showPart(&p);
        x_->setValue(toMm(p.PLeft));
        y_->setValue(toMm(p.PTop));
        w_->setValue(toMm(p.PWidth));
        h_->setValue(toMm(p.PHeight));
    }
    if (fillColor_)
        showLineValues(one ? &doc_->page.parts[i] : nullptr);
    updatingBoxes_ = false;
}

void TGrphMainForm::applyBoxes(const QObject* source)
{
    if (updatingBoxes_)
        return;
    const QList<int> sel = selector_->selection();
    if (sel.isEmpty())
        return;
    snapshot(source);
    for (int i : sel) {
        if (i < 0 || i >= doc_->page.parts.size())
            continue;
        const TPartsBox& p = doc_->page.parts[i];
        Currency left = p.PLeft, top = p.PTop, width = p.PWidth, height = p.PHeight;
        if (source == x_)
            left = mm(x_->value());
        else if (source == y_)
            top = mm(y_->value());
        else if (source == w_)
            width = mm(w_->value());
        else if (source == h_)
            height = mm(h_->value());
        sheet_->sizer(i).setMmBounds(left, top, width, height);
    }
    selector_->select(sel, selector_->focused());
    markModified();
    sheet_->update();
}

QStringList TGrphMainForm::imageOrientationCaptions()
{
    return {QStringLiteral("標準"), QStringLiteral("右(90)"), QStringLiteral("下(180)"), QStringLiteral("左(270)")};
}

void TGrphMainForm::applyImageOrientation(int orientation)
{
    if (updatingBoxes_ || orientation < 0 || orientation > 3)
        return;
    QList<int> photos;
    for (int i : selector_->selection())
        if (i >= 0 && i < doc_->page.parts.size() && showsPicture(doc_->page.parts[i]) &&
            doc_->page.parts[i].ImageOrientation != orientation)
            photos << i;
    if (photos.isEmpty())
        return;
    snapshot(imageOrientation_);
    for (int i : photos)
        doc_->page.parts[i].ImageOrientation = quint8(orientation);
    markModified();
    sheet_->update();
}

void TGrphMainForm::markModified()
{
    doc_->modified = true;
    updateCommands();
}

void TGrphMainForm::snapshot(const QObject* source)
{
    if (source && source == undoSource_ && !undo_.isEmpty())
        return;
    undo_ = encodePage(doc_->page);
    undoSource_ = source;
    updateCommands();
}

void TGrphMainForm::undo()
{
    if (undo_.isEmpty())
        return;
    const std::optional<Page> before = decodePage(undo_);
    undo_.clear();
    undoSource_ = nullptr;
    if (!before)
        return;
    selector_->clear();
    doc_->page = *before;
    markModified();
    showPage();
}

void TGrphMainForm::copyParts()
{
    if (!selector_->selection().isEmpty())
        clipboard_ = encodeSelectedParts(doc_->page, selector_->selection());
    updateCommands();
}

namespace {

void removeParts(Page& page, QList<int> indexes)
{
    std::sort(indexes.begin(), indexes.end(), std::greater<int>());
    for (int i : indexes)
        if (i >= 0 && i < page.parts.size())
            page.parts.removeAt(i);
}

}  // namespace

QRect TGrphMainForm::selectionBounds(const DrawTarget& target) const
{
    QRect box;
    for (int i : selector_->selection())
        if (i >= 0 && i < doc_->page.parts.size())
            box |= target.partRect(doc_->page.parts[i]);
    // One pixel more in each direction, so that outlines are not cut.
    return box.isEmpty() ? box : box.adjusted(0, 0, 1, 1);
}

void TGrphMainForm::drawSelection(QPainter& painter, const QRect& box, DrawTarget target) const
{
    target.origin = -box.topLeft();
    DrawContext c = drawContext();
    c.target = target;
    QList<int> order = selector_->selection();
    std::sort(order.begin(), order.end());
    for (int i : order)
        if (i >= 0 && i < doc_->page.parts.size())
            drawPart(painter, doc_->page.parts[i], c);
}

QImage TGrphMainForm::selectionPicture() const
{
    const DrawTarget target = DrawTarget::onScreen(sheet_->pixelsPerInch(), 100);
    const QRect box = selectionBounds(target);
    if (box.isEmpty())
        return {};
    QImage image(box.size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter g(&image);
    drawSelection(g, box, target);
    return image;
}

QByteArray TGrphMainForm::selectionSvg() const
{
    const DrawTarget target = DrawTarget::onScreen(sheet_->pixelsPerInch(), 100);
    const QRect box = selectionBounds(target);
    if (box.isEmpty())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(box.size());
    svg.setViewBox(QRect(QPoint(0, 0), box.size()));
    svg.setResolution(sheet_->pixelsPerInch());
    svg.setTitle(windowTitle());
    QPainter g(&svg);
    drawSelection(g, box, target);
    g.end();
    return bytes;
}

void TGrphMainForm::copyPicture(bool vector)
{
    if (selector_->selection().isEmpty())
        return;
    auto* mime = new QMimeData;
    if (vector) {
        mime->setData(QStringLiteral("image/svg+xml"), selectionSvg());
    } else {
        const QImage image = selectionPicture();
        QByteArray png;
        QBuffer buffer(&png);
        image.save(&buffer, "PNG");
        mime->setImageData(image);
        mime->setData(QStringLiteral("image/png"), png);
    }
    QGuiApplication::clipboard()->setMimeData(mime);
}

bool TGrphMainForm::pastePicture()
{
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QImage image;
    if (mime && mime->hasImage())
        image = qvariant_cast<QImage>(mime->imageData());
    if (image.isNull() && mime && mime->hasFormat(QStringLiteral("image/png")))
        image.loadFromData(mime->data(QStringLiteral("image/png")), "PNG");
    QByteArray jpeg;
    SilentMessages quiet;
    if (image.isNull() || !EncodeJpeg(image.convertToFormat(QImage::Format_RGB888), jpeg, false, 90, quiet)) {
        messages_.error(QStringLiteral("サポートされていない画像の形式です。"));
        return false;
    }
    TPartsBox part;
    part.Shape = ptPicture;
    part.FormIndex = isAlbum() ? -1 : 0;
    part.PictureStream = {jpeg, QStringLiteral("JPG")};
    // 10 screen pixels in from the paper's top-left corner.
    return placePicture(part, image.size(), QRect(10, 10, 1, 1));
}

TPartsBox* TGrphMainForm::correctablePicture()
{
    const QList<int> sel = selector_->selection();
    if (sel.size() != 1 || sel.first() < 0 || sel.first() >= doc_->page.parts.size())
        return nullptr;
    TPartsBox& p = doc_->page.parts[sel.first()];
    return p.Shape == ptPicture && !p.PictureStream.isEmpty() ? &p : nullptr;
}

bool TGrphMainForm::correctPicture()
{
    TPartsBox* part = correctablePicture();
    if (!part)
        return false;
    if (part->PictureStream.kind == QStringLiteral("WMF") &&
        !messages_.ask(QStringLiteral("この写真は WMF 形式です。 編集後は JPEG に変換されます。")))
        return false;
    QImage picture = embeddedPicture(part->PictureStream);
    if (picture.isNull()) {
        messages_.error(QStringLiteral("サポートされていない画像の形式です。"));
        return false;
    }
    const bool changed = editPicture ? editPicture(picture) : false;
    if (!changed || picture.isNull())
        return false;
    QByteArray jpeg;
    if (!EncodeJpeg(picture.convertToFormat(QImage::Format_RGB888), jpeg, false, kDefaultJpegQuality, messages_))
        return false;
    snapshot(nullptr);
    part = correctablePicture();
    if (!part)
        return false;
    part->PictureStream = {jpeg, QStringLiteral("JPG")};
    part->RefWidth = picture.width();
    part->RefHeight = picture.height();
    markModified();
    sheet_->update();
    return true;
}

void TGrphMainForm::cutParts()
{
    if (selector_->selection().isEmpty())
        return;
    snapshot(nullptr);
    copyParts();
    const QList<int> sel = selector_->selection();
    selector_->clear();
    removeParts(doc_->page, sel);
    markModified();
    showPage();
}

void TGrphMainForm::pasteParts()
{
    if (clipboard_.isEmpty())
        return;
    snapshot(nullptr);
    const QList<int> pasted = album::pasteParts(doc_->page, clipboard_);
    markModified();
    showPage();
    selector_->select(pasted, pasted.isEmpty() ? -1 : pasted.first());
}

void TGrphMainForm::deleteSelection()
{
    if (selector_->selection().isEmpty() || !messages_.confirm(kDeleteSelectionQuestion))
        return;
    snapshot(nullptr);
    const QList<int> sel = selector_->selection();
    selector_->clear();
    removeParts(doc_->page, sel);
    markModified();
    showPage();
}

// ---- documents

void TGrphMainForm::newDocument(bool ask)
{
    if (ask && !messages_.confirm(kNewDocumentQuestion))
        return;
    selector_->clear();
    doc_->work().clear();
    doc_->startNew(settings_);
    undo_.clear();
    undoSource_ = nullptr;
    showPage();
}

bool TGrphMainForm::openDocument(const QString& path)
{
    doc_->storeCurrentPage();
    if (doc_->modified) {
        const Messages::Answer a = messages_.askThree(QStringLiteral("現在編集中の") +
                                                      (isAlbum() ? QStringLiteral("工事写真帳") : QStringLiteral("書式")) +
                                                      QStringLiteral("を保存しますか？"));
        if (a == Messages::Answer::Cancel || (a == Messages::Answer::Yes && !save()))
            return false;
    }
    selector_->clear();
    if (!doc_->open(path))
        return false;
    undo_.clear();
    undoSource_ = nullptr;
    // A format read from another folder is kept in the format folder: it is
    // saved there, never back into the folder it came from.
    const bool borrowed = !isAlbum() && !setup_.formFolder.isEmpty() && QDir(doc_->folder) != QDir(setup_.formFolder);
    if (borrowed) {
        doc_->folder = QDir(setup_.formFolder).absolutePath();
        doc_->modified = true;
    }
    showPage();
    if (borrowed)
        messages_.information(QFileInfo::exists(QDir(doc_->folder).filePath(doc_->fileName))
                                  ? kBorrowedFormatExists
                                  : kBorrowedFormat);
    return true;
}

bool TGrphMainForm::save()
{
    if (doc_->fileName.isEmpty()) {
        const auto chosen = chooseSaveName ? chooseSaveName() : std::nullopt;
        return chosen && saveAs(chosen->first, chosen->second);
    }
    DrawContext c = drawContext();
    if (!doc_->save(doc_->fileName, c))
        return false;
    updateCommands();
    return true;
}

bool TGrphMainForm::saveAs(const QString& name, const QString& title)
{
    const QString ext = isAlbum() ? QStringLiteral(".ZBA") : QStringLiteral(".ZBF");
    const QString fileName = name.endsWith(ext, Qt::CaseInsensitive) ? name : name + ext;
    if (fileName.compare(doc_->fileName, Qt::CaseInsensitive) != 0 &&
        QFileInfo::exists(QDir(doc_->folder).filePath(fileName)) &&
        !messages_.ask(QStringLiteral("同名ファイルが存在します 上書きしますか？")))
        return false;
    const QString oldTitle = doc_->title;
    doc_->title = title;
    DrawContext c = drawContext();
    if (!doc_->save(fileName, c)) {
        doc_->title = oldTitle;
        return false;
    }
    updateCommands();
    return true;
}

bool TGrphMainForm::closeEditor()
{
    doc_->storeCurrentPage();
    if (doc_->modified) {
        const Messages::Answer a = messages_.askThree(QStringLiteral("現在編集中の") +
                                                      (isAlbum() ? QStringLiteral("工事写真帳") : QStringLiteral("書式")) +
                                                      QStringLiteral("を保存しますか？"));
        if (a == Messages::Answer::Cancel)
            return false;
        // A cancelled or failed save keeps the editor open with its pages.
        if (a == Messages::Answer::Yes && !save())
            return false;
    }
    (isAlbum() ? settings_.grphPanelRitu : settings_.formPanelRitu) = zoom_->currentIndex();
    selector_->clear();
    doc_->work().clear();
    return true;
}

QString TGrphMainForm::placeName() const
{
    return isAlbum() ? QStringLiteral("AlbumMainForm") : QStringLiteral("FormMainForm");
}

QString TGrphMainForm::bandsName() const
{
    return isAlbum() ? QStringLiteral("CoolBar_Album") : QStringLiteral("CoolBar_Form");
}

void TGrphMainForm::closeEvent(QCloseEvent* e)
{
    if (closing_ || closeEditor()) {
        if (!closing_ && setup_.callbacks.savePlace)
            setup_.callbacks.savePlace(placeName(), normalGeometry(), isMaximized());
        if (!closing_ && setup_.callbacks.saveBands)
            setup_.callbacks.saveBands(bandsName(), saveState(kBandLayoutVersion));
        closing_ = true;
        e->accept();
        emit closed();
        return;
    }
    e->ignore();
}

// ---- pages

QString TGrphMainForm::rangePrompt(int low, int high) const
{
    return QStringLiteral("範囲 ") + QString::number(low) + QStringLiteral("～") + QString::number(high) +
           QStringLiteral(" (編集範囲 1") + QStringLiteral("～") + QString::number(doc_->lastPage()) +
           QStringLiteral(")");
}

void TGrphMainForm::gotoPage(int number)
{
    number = std::clamp(number, 1, kMaxPage);
    selector_->clear();
    doc_->gotoPage(number);
    undo_.clear();
    undoSource_ = nullptr;
    showPage();
}

void TGrphMainForm::askPage()
{
    const std::optional<QString> v =
        messages_.inputBox(QStringLiteral("ページ指定"), rangePrompt(1, kMaxPage), QString::number(doc_->currentPage()));
    if (!v)
        return;
    gotoPage(leadingInteger(v->trimmed()));
}

void TGrphMainForm::afterPageOperation(int current)
{
    // The page now under the current number is what the renames left there:
    // read it back so that moving on does not write the old content over it.
    const int now = doc_->currentPage();
    const std::optional<Page> there = decodePage(doc_->work().read(now));
    doc_->page = doc_->work().exists(now) && there ? *there : Page{};
    if (!doc_->work().exists(now))
        doc_->page.orientation = doc_->templateHeader().orientation;
    selector_->clear();
    doc_->modified = true;
    doc_->gotoPage(current);
    undo_.clear();
    undoSource_ = nullptr;
    showPage();
}

void TGrphMainForm::insertPages()
{
    const int last = doc_->lastPage();
    int count = 0;
    for (;;) {
        const std::optional<QString> v =
            messages_.inputBox(QStringLiteral("ページ挿入"), rangePrompt(1, kMaxPage - last), QStringLiteral("1"));
        if (!v)
            return;
        count = leadingInteger(v->trimmed());
        if (canInsertPages(doc_->work(), last, count))
            break;
        messages_.error(kPastMaxPage);
    }
    const int cur = doc_->currentPage();
    if (!doc_->storeCurrentPage() || !insertBlankPages(doc_->work(), cur, count))
        messages_.error(kPageInsertFailed);
    afterPageOperation(cur);
}

void TGrphMainForm::moveCurrentPage()
{
    const std::optional<QString> v =
        messages_.inputBox(QStringLiteral("ページ移動"), rangePrompt(1, kMaxPage), QString::number(doc_->currentPage()));
    if (!v)
        return;
    const int target = leadingInteger(v->trimmed());
    if (target < 1 || target > kMaxPage)
        return;
    const int cur = doc_->currentPage();
    const bool ok = doc_->storeCurrentPage() && movePage(doc_->work(), cur, target);
    if (!ok)
        messages_.error(kPageMoveFailed);
    afterPageOperation(ok ? target : cur);
}

void TGrphMainForm::deleteCurrentPage()
{
    if (!messages_.confirm(kDeletePageQuestion))
        return;
    const int cur = doc_->currentPage();
    if (!doc_->storeCurrentPage() || !deletePage(doc_->work(), cur))
        messages_.error(kPageDeleteFailed);
    afterPageOperation(cur);
}

PourResult TGrphMainForm::pour(const QList<RECORD>& photos)
{
    if (!isAlbum() || !setup_.callbacks.binder || photos.isEmpty())
        return {};
    selector_->clear();
    const PourResult r = doc_->pour(photos, *setup_.callbacks.binder, progress_);
    undo_.clear();
    undoSource_ = nullptr;
    showPage();
    if (!r.lastParts.isEmpty())
        selector_->select(r.lastParts, r.lastParts.first());
    return r;
}

int TGrphMainForm::updatePhotoFlags()
{
    PhotoBinder* binder = setup_.callbacks.binder;
    if (!isAlbum() || !binder || !messages_.ask(kFlagUpdateQuestion))
        return 0;
    doc_->storeCurrentPage();
    const QList<int> pages = doc_->work().pages();
    messages_.status(QStringLiteral("写真整理フラッグを更新中です・・・"));
    progress_.start(int(pages.size()));
    binder->beginBatch();
    int count = 0;
    QSet<RECORD> done;
    for (int n : pages) {
        const std::optional<Page> page = decodePage(doc_->work().read(n));
        if (page)
            for (const TPartsBox& p : page->parts)
                if (p.Shape == ptKoumoku && p.FormIndex > 0 && p.PhotoRecord > 0 && !done.contains(p.PhotoRecord)) {
                    done.insert(p.PhotoRecord);
                    count += binder->markInAlbum(p.PhotoRecord) ? 1 : 0;
                }
        if (!progress_.step())
            break;
    }
    binder->endBatch();
    progress_.end();
    messages_.status(QString());
    messages_.information(QStringLiteral("写真整理フラッグを %1件 更新しました。").arg(count));
    return count;
}

void TGrphMainForm::rebuild()
{
    PhotoBinder* binder = setup_.callbacks.binder;
    if (!isAlbum() || !binder)
        return;
    const Messages::Answer a = messages_.askThree(kRebuildQuestion);
    if (a == Messages::Answer::Cancel)
        return;
    const bool all = a == Messages::Answer::Yes;
    doc_->storeCurrentPage();
    const QList<int> existing = doc_->work().pages();
    const int last = existing.isEmpty() ? 1 : existing.last();
    int start = 1;
    if (!all) {
        for (;;) {
            const std::optional<QString> v = messages_.inputBox(
                QStringLiteral("再構築ページ指定"),
                QStringLiteral("指定ページ以降を再構築します 範囲 1～") + QString::number(last),
                QString::number(doc_->currentPage()));
            if (!v)
                return;
            start = leadingInteger(v->trimmed());
            if (start >= 1 && start <= last)
                break;
        }
    }
    // The photos in page order, each once on its page; leading pages without
    // photos (covers) stay as they are.
    messages_.status(QStringLiteral("現在構成を調査中です・・・"));
    progress_.start(last - start + 1);
    QList<RECORD> photos;
    int first = 0, end = last;
    QString rangeFormat;
    bool cancelled = false;
    for (int n = start; n <= last; ++n) {
        const std::optional<Page> page = decodePage(doc_->work().read(n));
        QList<RECORD> onPage;
        if (page && doc_->work().exists(n))
            for (const TPartsBox& p : page->parts)
                if (isPhotoFrameCode(frameCode(p)) && p.FormIndex >= 1 && p.PhotoRecord > 0 &&
                    !onPage.contains(p.PhotoRecord) && binder->photoExists(p.PhotoRecord))
                    onPage << p.PhotoRecord;
        if (!onPage.isEmpty()) {
            if (!first) {
                first = n;
                rangeFormat = page->formatName;
            } else if (!all && page->formatName != rangeFormat) {
                end = n - 1;
                break;
            }
        }
        photos << onPage;
        if (!progress_.step()) {
            cancelled = true;
            break;
        }
    }
    progress_.end();
    messages_.status(QString());
    if (cancelled || !first)
        return;

    // What the range and the pages after it hold now: a pour that stops early
    // (ESC, or the last page reached) puts them back, so that the photos not
    // poured yet do not drop out of the album.
    const QMap<int, QByteArray> kept = keepPagesFrom(doc_->work(), first);
    const int keptCurrent = doc_->currentPage();
    const QString keptFormat = doc_->formatName;
    const bool keptModified = doc_->modified;
    // The range is emptied and poured again from its first page.
    for (int n = first; n <= end; ++n)
        doc_->work().remove(n);
    // The page held now is read back from its file (which the renames or the
    // emptying may have changed) so that moving on writes nothing over it.
    const int now = doc_->currentPage();
    doc_->page = doc_->work().exists(now) ? decodePage(doc_->work().read(now)).value_or(Page{}) : Page{};
    selector_->clear();
    doc_->gotoPage(first);
    const QString format = all ? doc_->initialFormat : rangeFormat + QStringLiteral(".ZBF");
    doc_->formatName = format;
    messages_.status(QStringLiteral("工事写真帳を再構築中です・・・"));
    const PourResult r = doc_->pour(photos, *binder, progress_, !all);
    messages_.status(QString());
    doc_->storeCurrentPage();
    if (r.stopped) {
        const bool restored = restorePagesFrom(doc_->work(), first, kept);
        doc_->formatName = keptFormat;
        afterPageOperation(keptCurrent);
        doc_->modified = keptModified || !restored;
        updateCommands();
        if (!restored)
            messages_.error(kPageMoveFailed);
        return;
    }
    // Fewer pages than before: the following pages close the gap.
    if (!all) {
        const int gap = end - doc_->currentPage();
        bool following = false;
        for (int n = end + 1; n <= kMaxPage && !following; ++n)
            following = doc_->work().exists(n);
        for (int i = 0; following && i < gap; ++i)
            if (!deletePage(doc_->work(), doc_->currentPage() + 1)) {
                messages_.error(kPageDeleteFailed);
                break;
            }
    }
    afterPageOperation(doc_->currentPage());
    if (!r.stopped)
        messages_.information(kRebuildDone);
}

// ---- paper, format choice, printing

void TGrphMainForm::paperSettings()
{
    SetPrnValues v;
    v.formatName = doc_->formatName;
    v.pageStart = doc_->pageStart;
    v.offsetX = doc_->offsetX;
    v.offsetY = doc_->offsetY;
    v.orientation = doc_->orientation;
    v.paperCode = doc_->paperCode;
    TSetPrnForm form(isAlbum() ? TSetPrnForm::Use::AlbumCommon : TSetPrnForm::Use::FormatPaper, v,
                     PdfPrintDevice(QString()).papers(), doc_->formFolder, settings_.prnFormSort, this);
    const bool ok = form.exec() == QDialog::Accepted;
    settings_.prnFormSort = form.sort();
    if (!ok)
        return;
    snapshot(nullptr);
    const SetPrnValues n = form.values();
    if (isAlbum()) {
        doc_->formatName = doc_->initialFormat = n.formatName;
        doc_->pageStart = qint16(n.pageStart);
        doc_->offsetX = n.offsetX;
        doc_->offsetY = n.offsetY;
        if (doc_->readFormatTemplate(n.formatName, false) != TemplateResult::Missing) {
            doc_->paperCode = doc_->initialPaperCode = doc_->templateHeader().paperCode;
            doc_->orientation = doc_->templateHeader().orientation;
            if (doc_->page.parts.isEmpty())
                doc_->page.orientation = doc_->orientation;
        }
        if (n.defaults)
            TSetPrnForm::storeDefaults(settings_, n);
    } else {
        doc_->paperCode = n.paperCode;
        doc_->orientation = n.orientation;
        doc_->page.orientation = n.orientation;
    }
    markModified();
    showPage();
}

void TGrphMainForm::selectFormat()
{
    SetPrnValues v;
    v.formatName = doc_->formatName;
    TSetPrnForm form(TSetPrnForm::Use::FormatChoice, v, {}, doc_->formFolder, settings_.prnFormSort, this);
    const bool ok = form.exec() == QDialog::Accepted;
    settings_.prnFormSort = form.sort();
    if (ok && doc_->selectFormat(form.values().formatName))
        showPage();
}

namespace {

PrintSource printSourceOf(AlbumDocument& doc, const GrphCallbacks& callbacks)
{
    PrintSource s;
    s.pageCount = doc.isAlbum() ? doc.lastPage() : 1;
    s.orientation = doc.orientation;
    s.mode = doc.isAlbum() ? DrawMode::Album : DrawMode::Format;
    s.pageStart = doc.pageStart;
    s.today = QDate::currentDate();
    s.frames = callbacks.frames;
    s.pictures = callbacks.pictures;
    AlbumDocument* d = &doc;
    s.pageAt = [d](int n) {
        if (n == d->currentPage())
            return d->page;
        return decodePage(d->work().read(n)).value_or(Page{});
    };
    return s;
}

}  // namespace

void TGrphMainForm::print()
{
    doc_->storeCurrentPage();
    PrintFlowSetup setup;
    setup.pages = printPagesOf(printSourceOf(*doc_, setup_.callbacks));
    setup.options.paperCode = doc_->paperCode;
    setup.options.orientation = isAlbum() ? doc_->page.orientation : doc_->orientation;
    if (isAlbum())
        setup.options.offsetMm = QPointF(toMm(doc_->offsetX), toMm(doc_->offsetY));
    setup.options.title = QStringLiteral("ZBWin - ") + doc_->title;
    setup.options.from = 1;
    setup.options.to = setup.pages.pageCount;
    setup.standardDialog = settings_.hyojunPrnDialog;
    RunPrintFlow(this, setup, messages_);
}

ListingDocument TGrphMainForm::listingDocument(TPrinterEnv& env) const
{
    ListingDocument d;
    d.album = isAlbum();
    d.albumName = QFileInfo(doc_->fileName).completeBaseName();
    d.offsetX = doc_->offsetX;
    d.offsetY = doc_->offsetY;
    d.pageStart = isAlbum() ? doc_->pageStart : 0;
    d.page = doc_->currentPage();
    d.lastPage = doc_->lastPage();
    d.formatName = isAlbum() ? QFileInfo(doc_->formatName).completeBaseName()
                             : QFileInfo(doc_->fileName).completeBaseName();
    d.paperCode = doc_->paperCode;
    d.orientation = isAlbum() ? doc_->page.orientation : doc_->orientation;
    if (const int index = env.paperIndex(d.paperCode); index >= 0)
        d.paperName = env.paperName(index);
    return d;
}

void TGrphMainForm::printListing()
{
    std::unique_ptr<PrintDevice> device = chooseListingDevice ? chooseListingDevice() : nullptr;
    if (!device)
        return;
    TPrinterEnv env(std::move(device));
    const ListingDocument d = listingDocument(env);
    printLayoutListing(env, !isAlbum(), d, doc_->page, QDate::currentDate(), messages_, progress_);
}

void TGrphMainForm::preview()
{
    doc_->storeCurrentPage();
    const PrintPages pages = printPagesOf(printSourceOf(*doc_, setup_.callbacks));
    PreviewSource src;
    src.lastPage = pages.pageCount;
    // The paper and the offsets are read at each drawing: 用紙 may change them.
    src.paperMm = [this, pages](int n) { return paperSizeMm(doc_->paperCode, quint8(pages.orientationOf(n))); };
    src.drawPage = [this, pages](int n, QPainter& painter, double ppm) {
        const QPointF offset = isAlbum() ? QPointF(toMm(doc_->offsetX), toMm(doc_->offsetY)) : QPointF();
        pages.drawPage(n, painter, ppm, offset);
    };
    src.print = [this] { print(); };
    src.paper = [this] { paperSettings(); };
    TPrvForm form(src, doc_->currentPage(), messages_, this);
    hide();
    form.exec();
    show();
    showPage();
}

}  // namespace zb::album
