#pragma once
// The sheet controls of the album and format editor: TPartsPanel (one sheet of
// paper with its grid, printable frame and parts), TCustomSizer (a part's
// bounds in mm and in sheet pixels), SResizeControl (selection, moving,
// resizing, keys), TSelRect (the rubber band of 画像の切取) and TRuler.
#include "album/document_file.h"
#include "album/parts_draw.h"
#include "album/sheet_edit.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

namespace zb {
class Messages;
}

namespace zb::album {

class TPartsPanel;

// A part of the sheet's page seen as a graphic control: its bounds in mm
// and in sheet pixels at the sheet's zoom. Setting either recomputes the other.
class TCustomSizer {
public:
    TCustomSizer(TPartsPanel& panel, int index) : panel_(panel), index_(index) {}
    int index() const { return index_; }
    TPartsBox& part() const;
    QRect pixelBounds() const;
    void setPixelBounds(const QRect& r);
    void setMmBounds(Currency left, Currency top, Currency width, Currency height);

private:
    TPartsPanel& panel_;
    int index_;
};

// The sheet: one page of paper drawn at the zoom `Ritu`.
class TPartsPanel : public QWidget {
    Q_OBJECT
public:
    explicit TPartsPanel(QWidget* parent = nullptr);

    // Published properties and their defaults.
    Currency GridPitch = mm(2);
    quint32 GridColor = 14803425;
    bool Continued = false;       // 連続貼付: keep the tool after a part
    bool DoubleBufferMode = false;
    Currency WakuLeft = 0, WakuTop = 0, WakuWidth = 0, WakuHeight = 0;  // printable area
    quint32 WakuColor = 16762052;
    quint32 FuchiColor = 8421504;
    bool GageW = true, GageH = true;
    quint32 GageColor = 16711680;
    quint32 SheetColor = kWhite;

    int Ritu() const { return ritu_; }
    void setRitu(int percent);
    TPartsType LineMode() const { return lineMode_; }
    bool selectionTool() const { return !tool_; }
    // The current tool: nullopt is 選択モード.
    void setTool(std::optional<TPartsType> tool);
    std::optional<TPartsType> tool() const { return tool_; }
    // Back to 選択モード after a part is made, announced by toolFinished.
    void endTool();

    void setPaper(QSizeF mmSize);
    QSizeF paper() const { return paper_; }
    // The page shown; the panel edits it in place (owned by the caller).
    void setPage(Page* page);
    Page& page() { return page_ ? *page_ : ownPage_; }
    const Page& page() const { return page_ ? *page_ : ownPage_; }
    // How parts are drawn (mode, page context, frame pictures); the target is the panel's.
    void setDrawContext(const DrawContext& context) { context_ = context; update(); }
    DrawTarget target() const;
    DrawingDefaults defaults;      // pen, fill and font of new parts
    bool albumMode = false;        // new parts get slot -1 (追加)
    // The layout guide rectangles painted beneath the parts (mm).
    QList<QRectF> guide;

    TCustomSizer sizer(int index) { return TCustomSizer(*this, index); }
    int pixelsPerInch() const { return 96; }

    // Zoom choices: 自動, 画面内 and 幅 for a visible area.
    static int zoomAuto(QSizeF paperMm, QSize visible, int pixelsPerInch = 96);
    static int zoomInside(QSizeF paperMm, QSize visible, int pixelsPerInch = 96);
    static int zoomWidth(QSizeF paperMm, QSize visible, int pixelsPerInch = 96);

    // Selection drawn as covers with eight handles (set by SResizeControl).
    QList<int> covered;
    int focusedCover = -1;
    int HandleSize = 7;
    QRect band;  // rubber band being dragged
    // The point entry in progress, for the rubber band.
    const PointEntry* entry() const { return entry_ ? &*entry_ : nullptr; }
    QString statusText() const { return status_; }

signals:
    void OnDrawStart();
    void OnDrawEnd(int index);      // a new part was added to the page
    void OnBeforeFinish();          // before a change to the page (for undo)
    void OnRunPaint();
    // A rectangle was dragged with a tool the editor completes itself
    // (工事情報/写真情報, 画像, 画像の切取).
    void rectangleDrawn(TPartsType tool, const QRect& pixels);
    void statusChanged(const QString& text);
    void toolFinished();            // the tool went back to 選択モード

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    friend class TCustomSizer;
    void setStatus(const QString& text);
    QPoint entryPoint(QPoint p, Qt::KeyboardModifiers m) const;
    void addPart(const TPartsBox& part);

    Page ownPage_;
    Page* page_ = nullptr;
    QSizeF paper_{210, 297};
    int ritu_ = 100;
    TPartsType lineMode_ = ptRectangle;
    std::optional<TPartsType> tool_;
    DrawContext context_;
    std::optional<PointEntry> entry_;
    std::optional<QPoint> dragFrom_;
    QPoint lastDraw_{10, 10};
    QString status_;
};

// The selection manager of a sheet: click and group selection, the rubber
// band, moving, the eight handles, the keys.
class SResizeControl : public QObject {
    Q_OBJECT
public:
    SResizeControl(TPartsPanel& panel, Messages& messages, QObject* parent = nullptr);

    bool AutoAttach = true;
    int HandleSize = 5;
    quint32 HandleColor = kBlack;
    quint32 NoFocusHandleColor = 8421504;
    quint32 LineColor = 8421504;
    int LineWidth = 2;
    bool Lock = false;        // 固定
    bool ShiftLock = false;   // 縦横比
    bool Naiho = true;        // a band selects only what it encloses
    int GridRitu = 100;
    enum GroupSel { gsNone, gsForm, gsGroup } Group = gsNone;
    bool deleteOneKey = false;

    TPartsPanel& panel() { return panel_; }
    const QList<int>& selection() const { return selection_; }
    int focused() const { return focused_; }
    void select(const QList<int>& parts, int focused = -1);
    void clear() { select({}); }
    void selectAll();
    // Ctrl+G: every part sharing a group with a selected part.
    void addGroups();

    // Alignment and order commands on the selection.
    void alignLeftWidth();
    void alignTopHeight();
    void alignSizes();
    void arrangeAcross();
    void arrangeDown();
    void raise();
    void lower();
    void deleteSelection();

    // "X:" and "Y:" of the first selected part in mm.
    QString positionText() const;

    inline static const QString kDeleteQuestion = QStringLiteral("選択されている項目を削除します よろしいですか？");

signals:
    void OnSelStart();
    void OnSelEnd();
    void OnBeforeMove();      // before the selection is changed (for undo)
    void OnResize();
    void OnCtrlCopy();        // a copying drag (Ctrl held)
    void selectionChanged();
    void statusChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Drag { None, Band, Move, Handle };
    bool mousePress(QMouseEvent* e);
    bool mouseMove(QMouseEvent* e);
    bool mouseRelease(QMouseEvent* e);
    bool keyPress(QKeyEvent* e);
    int handleAt(QPoint p) const;
    void applyHandleDrag(QPoint p, bool shift);
    void publish();

    TPartsPanel& panel_;
    Messages& messages_;
    QList<int> selection_;
    int focused_ = -1;
    Drag drag_ = Drag::None;
    QPoint pressAt_;
    int handle_ = -1;
    Page before_;
    bool moved_ = false;
};

// A rubber-band rectangle whose handles resize it within limits.
class TSelRect : public QWidget {
    Q_OBJECT
public:
    explicit TSelRect(QWidget* parent = nullptr);
    int HandleSize = 5;
    int SizeSense = 3;
    int MinWidth = 4, MinHeight = 4;
    int MinTop = 0, MinLeft = 0;
    int MaxBottom = 100000, MaxRight = 100000;
    int SelOption = 0;
    QPen Pen{Qt::DotLine};
    QBrush Brush{Qt::NoBrush};

    QRect range() const { return range_; }
    void setRange(const QRect& r);

signals:
    void OnSizeChange(const QRect& range);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent*) override { edge_ = 0; }

private:
    QRect range_;
    int edge_ = 0;  // bits: 1 left, 2 top, 4 right, 8 bottom, 16 move
    QPoint from_;
    QRect start_;
};

// A ruler along the top or left of the work area, in mm of the paper.
class TRuler : public QWidget {
    Q_OBJECT
public:
    TRuler(Qt::Orientation orientation, QWidget* parent = nullptr);
    void setScale(int ritu, int offsetPixels);
    int ritu() const { return ritu_; }
    // Pixels from the ruler's start to the paper's edge, negated.
    int offset() const { return offset_; }
    quint32 color = kSilver;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    Qt::Orientation orientation_;
    int ritu_ = 100;
    int offset_ = 0;
};

}  // namespace zb::album
