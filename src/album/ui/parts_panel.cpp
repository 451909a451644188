#include "album/ui/parts_panel.h"

#include "core/ports.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace zb::album {

namespace {

QColor colorOf(quint32 c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }

bool isPointKind(TPartsType t)
{
    return t == ptPolyLine || t == ptPolyBezier || t == ptPolygon || t == ptArc || t == ptPie || t == ptChord;
}

// The eight handles round a rectangle: corners and edge middles, clockwise
// from the top-left corner.
QList<QRect> handlesOf(const QRect& r, int size)
{
    const int h = size / 2;
    const QList<QPoint> centres = {r.topLeft(),     QPoint(r.center().x(), r.top()),    r.topRight(),
                                   QPoint(r.right(), r.center().y()), r.bottomRight(),
                                   QPoint(r.center().x(), r.bottom()), r.bottomLeft(),
                                   QPoint(r.left(), r.center().y())};
    QList<QRect> out;
    for (const QPoint& c : centres)
        out << QRect(c.x() - h, c.y() - h, size, size);
    return out;
}

}  // namespace

// ---- TCustomSizer

TPartsBox& TCustomSizer::part() const { return panel_.page().parts[index_]; }

QRect TCustomSizer::pixelBounds() const { return panel_.target().partRect(part()); }

void TCustomSizer::setPixelBounds(const QRect& r)
{
    const int ppi = panel_.pixelsPerInch(), zoom = panel_.Ritu();
    TPartsBox& p = part();
    p.PLeft = pixelsToMm(r.left(), ppi, zoom);
    p.PTop = pixelsToMm(r.top(), ppi, zoom);
    p.PWidth = pixelsToMm(r.width(), ppi, zoom);
    p.PHeight = pixelsToMm(r.height(), ppi, zoom);
    panel_.update();
}

void TCustomSizer::setMmBounds(Currency left, Currency top, Currency width, Currency height)
{
    TPartsBox& p = part();
    p.PLeft = left;
    p.PTop = top;
    p.PWidth = width;
    p.PHeight = height;
    panel_.update();
}

// ---- TPartsPanel

TPartsPanel::TPartsPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TPartsPanel"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    context_.mode = DrawMode::Format;
    setPaper(paper_);
}

DrawTarget TPartsPanel::target() const { return DrawTarget::onScreen(pixelsPerInch(), ritu_); }

void TPartsPanel::setRitu(int percent)
{
    ritu_ = qBound(1, percent, 2000);
    setPaper(paper_);
}

void TPartsPanel::setPaper(QSizeF mmSize)
{
    paper_ = mmSize;
    setFixedSize(mmToPixels(mm(paper_.width()), pixelsPerInch(), ritu_),
                 mmToPixels(mm(paper_.height()), pixelsPerInch(), ritu_));
    update();
}

void TPartsPanel::setPage(Page* page)
{
    page_ = page;
    covered.clear();
    focusedCover = -1;
    update();
}

void TPartsPanel::setTool(std::optional<TPartsType> tool)
{
    tool_ = tool;
    if (tool)
        lineMode_ = *tool;
    entry_.reset();
    dragFrom_.reset();
    band = QRect();
    setStatus(tool && isPointKind(*tool) ? kEntryStart : QString());
    update();
}

int TPartsPanel::zoomAuto(QSizeF paperMm, QSize visible, int ppi)
{
    const double longer = qMax(paperMm.width(), paperMm.height());
    const double px100 = longer * ppi * kScreenFactor / 10.0;
    if (px100 <= 0)
        return 100;
    return qMax(1, int(qMin(visible.width() - 10, visible.height() - 10) * 100 / px100));
}

int TPartsPanel::zoomInside(QSizeF paperMm, QSize visible, int ppi)
{
    const double w = paperMm.width() * ppi * kScreenFactor / 10.0, h = paperMm.height() * ppi * kScreenFactor / 10.0;
    if (w <= 0 || h <= 0)
        return 100;
    return qMax(1, int(qMin((visible.width() - 10) * 100 / w, (visible.height() - 10) * 100 / h)));
}

int TPartsPanel::zoomWidth(QSizeF paperMm, QSize visible, int ppi)
{
    const double w = paperMm.width() * ppi * kScreenFactor / 10.0;
    return w <= 0 ? 100 : qMax(1, int((visible.width() - 10) * 100 / w));
}

void TPartsPanel::setStatus(const QString& text)
{
    status_ = text;
    emit statusChanged(text);
}

void TPartsPanel::paintEvent(QPaintEvent*)
{
    QPainter g(this);
    g.fillRect(rect(), colorOf(SheetColor));
    const DrawTarget t = target();
    if (GridPitch > 0) {
        g.setPen(colorOf(GridColor));
        const int step = t.length(GridPitch);
        if (step >= 3) {
            for (Currency y = GridPitch; t.length(y) < height(); y += GridPitch)
                for (Currency x = GridPitch; t.length(x) < width(); x += GridPitch)
                    g.drawPoint(t.length(x), t.length(y));
        }
    }
    if (WakuWidth > 0 && WakuHeight > 0) {
        g.setPen(QPen(colorOf(WakuColor), 0, Qt::DotLine));
        g.setBrush(Qt::NoBrush);
        g.drawRect(QRect(t.length(WakuLeft), t.length(WakuTop), t.length(WakuWidth) - 1, t.length(WakuHeight) - 1));
    }
    g.setPen(colorOf(14803425));
    g.setBrush(Qt::NoBrush);
    for (const QRectF& r : guide)
        g.drawRect(QRect(t.length(mm(r.left())), t.length(mm(r.top())), t.length(mm(r.width())),
                         t.length(mm(r.height()))));
    DrawContext c = context_;
    c.target = t;
    drawPage(g, page(), c);
    g.setPen(colorOf(FuchiColor));
    g.setBrush(Qt::NoBrush);
    g.drawRect(rect().adjusted(0, 0, -1, -1));

    for (int i : covered) {
        if (i < 0 || i >= page().parts.size())
            continue;
        const QRect r = t.partRect(page().parts[i]);
        g.setPen(QPen(colorOf(kGray), 0, Qt::DotLine));
        g.setBrush(Qt::NoBrush);
        g.drawRect(r.adjusted(0, 0, -1, -1));
        g.setPen(Qt::NoPen);
        g.setBrush(i == focusedCover ? QColor(Qt::black) : colorOf(kGray));
        for (const QRect& h : handlesOf(r, HandleSize))
            g.drawRect(h);
    }
    if (band.isValid()) {
        g.setPen(QPen(Qt::black, 0, Qt::DotLine));
        g.setBrush(Qt::NoBrush);
        g.drawRect(band.normalized());
    }
    if (entry_) {
        // The rubber band of the entry: 2 pixels in the sheet colour xor 808080.
        g.setPen(QPen(colorOf(SheetColor ^ 0x808080), 2));
        g.setBrush(Qt::NoBrush);
        const QList<QPoint> pts = entry_->withFloating();
        if (entry_->isArcKind() && pts.size() >= 2)
            g.drawEllipse(QRect(pts[0], pts[1]).normalized());
        else if (pts.size() >= 2)
            g.drawPolyline(pts.constData(), int(pts.size()));
    }
    emit OnRunPaint();
}

QPoint TPartsPanel::entryPoint(QPoint p, Qt::KeyboardModifiers m) const
{
    if (m & Qt::ShiftModifier)
        return snapPoint(p, snapPitch(GridPitch), target());
    return p;
}

void TPartsPanel::addPart(const TPartsBox& part)
{
    emit OnBeforeFinish();
    page().parts << part;
    const int index = int(page().parts.size()) - 1;
    update();
    emit OnDrawEnd(index);
    if (!Continued)
        endTool();
}

void TPartsPanel::endTool()
{
    tool_.reset();
    entry_.reset();
    setStatus(QString());
    emit toolFinished();
}

void TPartsPanel::mousePressEvent(QMouseEvent* e)
{
    setFocus();
    if (!tool_)
        return;
    const QPoint p = e->position().toPoint();
    if (isPointKind(*tool_)) {
        if (e->button() == Qt::RightButton) {
            if (entry_ && !entry_->takeBack()) {
                entry_.reset();
                if (!Continued)
                    endTool();
                else
                    setStatus(kEntryStart);
            }
        } else if (e->button() == Qt::LeftButton) {
            if (!entry_) {
                entry_.emplace(*tool_);
                emit OnDrawStart();
            }
            entry_->press(entryPoint(p, e->modifiers()));
        }
        if (entry_)
            setStatus(entry_->status());
        update();
        return;
    }
    if (e->button() == Qt::LeftButton) {
        dragFrom_ = p;
        emit OnDrawStart();
        setStatus(QStringLiteral(" 範囲を指定してください"));
    }
}

void TPartsPanel::mouseMoveEvent(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (entry_) {
        entry_->hover(entryPoint(p, e->modifiers()));
        update();
    } else if (dragFrom_) {
        band = QRect(*dragFrom_, p);
        update();
    }
}

void TPartsPanel::mouseReleaseEvent(QMouseEvent* e)
{
    if (!tool_ || !dragFrom_ || e->button() != Qt::LeftButton)
        return;
    const QRect r = draggedRange(*dragFrom_, e->position().toPoint());
    dragFrom_.reset();
    band = QRect();
    lastDraw_ = r.topLeft();
    update();
    const TPartsType kind = *tool_;
    if (kind == ptKoumoku || kind == ptPicture || kind == ptCut) {
        emit rectangleDrawn(kind, r);
        if (!Continued)
            endTool();
        return;
    }
    TPartsBox part = TPartsBox::make(kind, albumMode, defaults);
    if (kind == ptTryangle)
        part.Diagonal = 50;
    if (kind == ptLine || kind == ptArrow) {
        part.Diagonal = 50;
        part.Direction = true;
    }
    if (kind == ptArrow)
        part.Arrow = arwRight;
    const int ppi = pixelsPerInch();
    part.PLeft = pixelsToMm(r.left(), ppi, ritu_);
    part.PTop = pixelsToMm(r.top(), ppi, ritu_);
    part.PWidth = pixelsToMm(r.width(), ppi, ritu_);
    part.PHeight = pixelsToMm(r.height(), ppi, ritu_);
    addPart(part);
}

void TPartsPanel::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (!tool_ || !isPointKind(*tool_) || !entry_ || e->button() != Qt::LeftButton)
        return;
    // The double-click's second press adds its point again, then the entry ends.
    const QPoint p = entryPoint(e->position().toPoint(), e->modifiers());
    // Its two presses leave its point twice at the end, whichever of them the
    // platform delivered as presses before this event.
    const auto trailing = [&] {
        const QList<QPoint>& have = entry_->points();
        int n = 0;
        for (qsizetype i = have.size() - 1; i >= 0 && have[i] == p && n < 2; --i)
            ++n;
        return n;
    };
    while (trailing() < 2)
        entry_->press(p);
    entry_->hover(p);
    const std::optional<QList<QPoint>> pts = entry_->finish();
    const TPartsType kind = entry_->kind();
    entry_.reset();
    if (!pts) {
        if (!Continued)
            endTool();
        update();
        return;
    }
    TPartsBox part = partFromPoints(kind, *pts, target(), defaults, albumMode);
    addPart(part);
    if (Continued)
        setStatus(kEntryStart);
}

// ---- SResizeControl

SResizeControl::SResizeControl(TPartsPanel& panel, Messages& messages, QObject* parent)
    : QObject(parent), panel_(panel), messages_(messages)
{
    panel_.installEventFilter(this);
}

void SResizeControl::select(const QList<int>& parts, int focused)
{
    selection_ = parts;
    focused_ = parts.contains(focused) ? focused : (parts.isEmpty() ? -1 : parts.first());
    publish();
}

void SResizeControl::selectAll()
{
    QList<int> all;
    for (int i = 0; i < panel_.page().parts.size(); ++i)
        all << i;
    select(all, focused_);
}

void SResizeControl::addGroups()
{
    QList<int> out = selection_;
    for (int i : selection_)
        for (int j : groupOf(panel_.page(), i, panel_.albumMode))
            if (!out.contains(j))
                out << j;
    std::sort(out.begin(), out.end());
    select(out, focused_);
}

void SResizeControl::publish()
{
    panel_.covered = selection_;
    panel_.focusedCover = focused_;
    panel_.HandleSize = HandleSize;
    panel_.update();
    emit selectionChanged();
    emit statusChanged(positionText());
}

QString SResizeControl::positionText() const
{
    if (selection_.isEmpty())
        return QString();
    const TPartsBox& p = panel_.page().parts[selection_.first()];
    return QStringLiteral("X:%1 Y:%2").arg(toMm(p.PLeft), 0, 'f', 1).arg(toMm(p.PTop), 0, 'f', 1);
}

void SResizeControl::alignLeftWidth()
{
    if (focused_ < 0)
        return;
    emit OnBeforeMove();
    album::alignLeftAndWidth(panel_.page(), selection_, focused_);
    publish();
}

void SResizeControl::alignTopHeight()
{
    if (focused_ < 0)
        return;
    emit OnBeforeMove();
    album::alignTopAndHeight(panel_.page(), selection_, focused_);
    publish();
}

void SResizeControl::alignSizes()
{
    if (focused_ < 0)
        return;
    emit OnBeforeMove();
    album::alignSize(panel_.page(), selection_, focused_);
    publish();
}

void SResizeControl::arrangeAcross()
{
    emit OnBeforeMove();
    album::arrangeAcross(panel_.page(), selection_, panel_.target());
    publish();
}

void SResizeControl::arrangeDown()
{
    emit OnBeforeMove();
    album::arrangeDown(panel_.page(), selection_, panel_.target());
    publish();
}

void SResizeControl::raise()
{
    emit OnBeforeMove();
    const int pos = int(selection_.indexOf(focused_));
    const QList<int> moved = raiseParts(panel_.page(), selection_);
    select(moved, pos >= 0 ? moved.value(pos) : -1);
}

void SResizeControl::lower()
{
    emit OnBeforeMove();
    const int pos = int(selection_.indexOf(focused_));
    const QList<int> moved = lowerParts(panel_.page(), selection_);
    select(moved, pos >= 0 ? moved.value(pos) : -1);
}

void SResizeControl::deleteSelection()
{
    if (selection_.isEmpty())
        return;
    emit OnBeforeMove();
    QList<int> sel = selection_;
    std::sort(sel.begin(), sel.end(), std::greater<int>());
    for (int i : sel)
        panel_.page().parts.removeAt(i);
    select({});
}

int SResizeControl::handleAt(QPoint p) const
{
    if (focused_ < 0 || focused_ >= panel_.page().parts.size())
        return -1;
    const QList<QRect> handles = handlesOf(panel_.target().partRect(panel_.page().parts[focused_]), HandleSize);
    for (int i = 0; i < handles.size(); ++i)
        if (handles[i].adjusted(-1, -1, 1, 1).contains(p))
            return i;
    return -1;
}

bool SResizeControl::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &panel_ || !panel_.selectionTool())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return mousePress(static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        return mouseMove(static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return mouseRelease(static_cast<QMouseEvent*>(event));
    case QEvent::KeyPress:
        return keyPress(static_cast<QKeyEvent*>(event));
    default:
        return false;
    }
}

bool SResizeControl::mousePress(QMouseEvent* e)
{
    panel_.setFocus();
    if (e->button() != Qt::LeftButton)
        return false;
    const QPoint p = e->position().toPoint();
    pressAt_ = p;
    before_ = panel_.page();
    moved_ = false;
    handle_ = handleAt(p);
    if (handle_ >= 0) {
        drag_ = Lock ? Drag::None : Drag::Handle;
        return true;
    }
    const int hit = partAt(panel_.page(), p, panel_.target());
    if (hit < 0) {
        drag_ = Drag::Band;
        emit OnSelStart();
        select({});
        return true;
    }
    if (!selection_.contains(hit)) {
        const bool grouped = Group != gsNone;
        select(grouped ? groupOf(panel_.page(), hit, panel_.albumMode) : QList<int>{hit}, hit);
    } else {
        focused_ = hit;
        publish();
    }
    if (e->modifiers() & Qt::ControlModifier)
        emit OnCtrlCopy();
    drag_ = Lock ? Drag::None : Drag::Move;
    return true;
}

void SResizeControl::applyHandleDrag(QPoint p, bool shift)
{
    Page& page = panel_.page();
    const DrawTarget t = panel_.target();
    const TPartsBox& orig = before_.parts[focused_];
    QRect r = t.partRect(orig);
    const QPoint d = p - pressAt_;
    const int h = handle_;
    int l = r.left(), top = r.top(), right = r.left() + r.width(), bottom = r.top() + r.height();
    if (h == 0 || h == 6 || h == 7)
        l += d.x();
    if (h == 2 || h == 3 || h == 4)
        right += d.x();
    if (h == 0 || h == 1 || h == 2)
        top += d.y();
    if (h == 4 || h == 5 || h == 6)
        bottom += d.y();
    int w = qMax(0, right - l), hh = qMax(0, bottom - top);
    // 縦横比 keeps the proportions; Shift inverts the setting while dragging.
    if ((ShiftLock != shift) && r.width() > 0 && r.height() > 0 && h != 1 && h != 3 && h != 5 && h != 7) {
        const double ratio = double(r.height()) / r.width();
        hh = int(std::lround(w * ratio));
        if (h == 0 || h == 2)
            top = bottom - hh;
    }
    TCustomSizer(panel_, focused_).setPixelBounds(QRect(l, top, w, hh));
    (void)page;
}

bool SResizeControl::mouseMove(QMouseEvent* e)
{
    const QPoint p = e->position().toPoint();
    if (drag_ == Drag::None)
        return false;
    if (!moved_ && (p - pressAt_).manhattanLength() < 1)
        return true;
    if (!moved_ && drag_ != Drag::Band)
        emit OnBeforeMove();
    moved_ = true;
    switch (drag_) {
    case Drag::Band:
        panel_.band = QRect(pressAt_, p);
        panel_.update();
        break;
    case Drag::Move: {
        const DrawTarget t = panel_.target();
        const QPoint d = p - pressAt_;
        for (int i : selection_) {
            const QRect r = t.partRect(before_.parts[i]).translated(d);
            TPartsBox& part = panel_.page().parts[i];
            part.PLeft = pixelsToMm(r.left(), t.pixelsPerInch, t.zoom);
            part.PTop = pixelsToMm(r.top(), t.pixelsPerInch, t.zoom);
        }
        panel_.update();
        emit statusChanged(positionText());
        break;
    }
    case Drag::Handle:
        applyHandleDrag(p, e->modifiers() & Qt::ShiftModifier);
        emit statusChanged(positionText());
        break;
    case Drag::None:
        break;
    }
    return true;
}

bool SResizeControl::mouseRelease(QMouseEvent* e)
{
    if (e->button() != Qt::LeftButton || drag_ == Drag::None)
        return false;
    const Drag was = drag_;
    drag_ = Drag::None;
    if (was == Drag::Band) {
        const QRect b = QRect(pressAt_, e->position().toPoint()).normalized();
        panel_.band = QRect();
        select(partsInRect(panel_.page(), b, Naiho, panel_.target()));
        emit OnSelEnd();
    } else if (moved_) {
        emit OnResize();
    }
    return true;
}

bool SResizeControl::keyPress(QKeyEvent* e)
{
    const int key = e->key();
    const bool shift = e->modifiers() & Qt::ShiftModifier, ctrl = e->modifiers() & Qt::ControlModifier;
    Page& page = panel_.page();
    if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
        if (page.parts.isEmpty())
            return true;
        const int n = int(page.parts.size());
        int i = focused_ < 0 ? (key == Qt::Key_PageDown ? -1 : 0) : focused_;
        i = key == Qt::Key_PageDown ? (i + 1) % n : (i - 1 + n) % n;
        select({i}, i);
        return true;
    }
    if (key == Qt::Key_Delete && !ctrl) {
        if (deleteOneKey && !selection_.isEmpty() && messages_.confirm(kDeleteQuestion))
            deleteSelection();
        return true;
    }
    if (key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    if (selection_.isEmpty() || Lock)
        return true;
    const Currency step = keyStep(shift, panel_.GridPitch);
    emit OnBeforeMove();
    const Currency sx = key == Qt::Key_Left ? -step : key == Qt::Key_Right ? step : 0;
    const Currency sy = key == Qt::Key_Up ? -step : key == Qt::Key_Down ? step : 0;
    if (ctrl)
        resizeParts(page, selection_, sx, sy);
    else
        moveParts(page, selection_, sx, sy);
    publish();
    return true;
}

// ---- TSelRect

TSelRect::TSelRect(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    if (parent)
        setGeometry(parent->rect());
}

void TSelRect::setRange(const QRect& r)
{
    QRect n = r.normalized();
    n.setLeft(qMax(n.left(), MinLeft));
    n.setTop(qMax(n.top(), MinTop));
    n.setRight(qMin(n.right(), MaxRight));
    n.setBottom(qMin(n.bottom(), MaxBottom));
    if (n.width() < MinWidth)
        n.setWidth(MinWidth);
    if (n.height() < MinHeight)
        n.setHeight(MinHeight);
    range_ = n;
    update();
    emit OnSizeChange(range_);
}

void TSelRect::paintEvent(QPaintEvent*)
{
    if (!range_.isValid())
        return;
    QPainter g(this);
    g.setPen(Pen);
    g.setBrush(Brush);
    g.drawRect(range_);
    g.setPen(Qt::NoPen);
    g.setBrush(Qt::black);
    for (const QRect& h : handlesOf(range_, HandleSize))
        g.drawRect(h);
}

void TSelRect::mousePressEvent(QMouseEvent* e)
{
    from_ = e->position().toPoint();
    start_ = range_;
    edge_ = 0;
    const QRect r = range_;
    const int s = SizeSense;
    if (qAbs(from_.x() - r.left()) <= s)
        edge_ |= 1;
    if (qAbs(from_.y() - r.top()) <= s)
        edge_ |= 2;
    if (qAbs(from_.x() - r.right()) <= s)
        edge_ |= 4;
    if (qAbs(from_.y() - r.bottom()) <= s)
        edge_ |= 8;
    if (!edge_ && r.contains(from_))
        edge_ = 16;
}

void TSelRect::mouseMoveEvent(QMouseEvent* e)
{
    if (!edge_)
        return;
    const QPoint d = e->position().toPoint() - from_;
    QRect r = start_;
    if (edge_ & 16)
        r.translate(d);
    if (edge_ & 1)
        r.setLeft(r.left() + d.x());
    if (edge_ & 2)
        r.setTop(r.top() + d.y());
    if (edge_ & 4)
        r.setRight(r.right() + d.x());
    if (edge_ & 8)
        r.setBottom(r.bottom() + d.y());
    setRange(r);
}

// ---- TRuler

TRuler::TRuler(Qt::Orientation orientation, QWidget* parent) : QWidget(parent), orientation_(orientation)
{
    if (orientation == Qt::Horizontal)
        setFixedHeight(18);
    else
        setFixedWidth(18);
}

void TRuler::setScale(int ritu, int offsetPixels)
{
    ritu_ = ritu;
    offset_ = offsetPixels;
    update();
}

void TRuler::paintEvent(QPaintEvent*)
{
    QPainter g(this);
    g.fillRect(rect(), colorOf(color));
    g.setPen(Qt::black);
    const bool across = orientation_ == Qt::Horizontal;
    const int length = across ? width() : height(), depth = across ? height() : width();
    for (int m = 0;; ++m) {
        const int at = mmToPixels(mm(m), 96, ritu_) - offset_;
        if (at > length)
            break;
        if (at < 0)
            continue;
        const int tick = m % 10 == 0 ? depth : m % 5 == 0 ? depth / 2 : depth / 4;
        if (m % 10 != 0 && mmToPixels(mm(1), 96, ritu_) < 3)
            continue;
        if (across)
            g.drawLine(at, depth - tick, at, depth);
        else
            g.drawLine(depth - tick, at, depth, at);
        if (m % 10 == 0 && m > 0) {
            g.setFont(QFont(QStringLiteral("IPAGothic"), 6));
            if (across)
                g.drawText(at + 2, 9, QString::number(m / 10));
            else
                g.drawText(1, at + 9, QString::number(m / 10));
        }
    }
}

}  // namespace zb::album
