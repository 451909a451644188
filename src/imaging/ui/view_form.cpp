#include "imaging/ui/view_form.h"

#include "core/ports.h"
#include "imaging/graphic_kind.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace zb {

namespace {

// The wait cursor for the time a picture loads, reset in every exit path.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// The zoom rectangle over the scroll box's client area: a dotted grey line
// one pixel wide, drawn by exclusive-or so that it shows on any picture.
class ZoomBand : public QWidget {
public:
    explicit ZoomBand(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }
    void setBand(const QRect& r)
    {
        if (r == band_)
            return;
        band_ = r;
        update();
    }
    QRect band() const { return band_; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (band_.isNull())
            return;
        QPainter p(this);
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        QPen pen(QColor(128, 128, 128));
        pen.setStyle(Qt::DotLine);
        pen.setWidth(0);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        // drawRect covers one pixel more than the rectangle each way.
        p.drawRect(band_.adjusted(0, 0, -1, -1));
    }

private:
    QRect band_;
};

QCursor makeMagnifier()
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(14, 14);
    constexpr double r = 9;
    // The handle, dark with a light edge, towards the bottom right.
    p.setPen(QPen(Qt::white, 6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(21, 21), QPointF(29, 29));
    p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(21, 21), QPointF(29, 29));
    // The lens: a light glass in a black ring with a white outline.
    p.setBrush(QColor(230, 240, 255, 110));
    p.setPen(QPen(Qt::white, 4));
    p.drawEllipse(centre, r, r);
    p.setPen(QPen(Qt::black, 2));
    p.drawEllipse(centre, r, r);
    // A glint on the glass.
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(centre.x() - 5.5, centre.y() - 5.5, 11, 11), 100 * 16, 70 * 16);
    p.end();
    return QCursor(pm, 16, 16);
}

QImage forDisplay(const QImage& image)
{
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32_Premultiplied)
        return image;
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                         : QImage::Format_RGB32);
}

bool looksLikeJpeg(const QByteArray& b)
{
    return b.size() >= 3 && uchar(b[0]) == 0xFF && uchar(b[1]) == 0xD8 && uchar(b[2]) == 0xFF;
}

}  // namespace

const QCursor& magnifierCursor()
{
    static const QCursor cursor = makeMagnifier();
    return cursor;
}

// ---------------------------------------------------------------- TIJLImage

TIJLImage::TIJLImage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("IJLImage"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
}

void TIJLImage::setPicture(const QImage& picture)
{
    picture_ = forDisplay(picture);
    scaled_ = QImage();
    update();
}

void TIJLImage::clearPicture()
{
    picture_ = QImage();
    scaled_ = QImage();
    update();
}

void TIJLImage::paintEvent(QPaintEvent* e)
{
    QPainter p(this);
    if (picture_.isNull() || width() <= 0 || height() <= 0) {
        p.fillRect(e->rect(), palette().window());
        return;
    }
    if (size() == picture_.size()) {
        p.drawImage(e->rect().topLeft(), picture_, e->rect());
        return;
    }
    // The stretched picture is made once per displayed size: reduced
    // smoothly, enlarged pixel by pixel so that the pixels themselves show.
    if (scaled_.size() != size()) {
        const bool reducing = width() < picture_.width();
        scaled_ = picture_.scaled(size(), Qt::IgnoreAspectRatio,
                                  reducing ? Qt::SmoothTransformation : Qt::FastTransformation);
    }
    p.drawImage(e->rect().topLeft(), scaled_, e->rect());
}

// ---------------------------------------------------------------- TViewScrollBox

TViewScrollBox::TViewScrollBox(QWidget* parent) : QAbstractScrollArea(parent)
{
    setObjectName(QStringLiteral("ScrollBox"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
    // Around a picture smaller than the window: the window colour.
    viewport()->setBackgroundRole(QPalette::Window);
    for (QScrollBar* b : {horizontalScrollBar(), verticalScrollBar()}) {
        b->setSingleStep(kViewLineStep);
        b->setTracking(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    horizontalScrollBar()->setObjectName(QStringLiteral("HorzScrollBar"));
    verticalScrollBar()->setObjectName(QStringLiteral("VertScrollBar"));
    image_ = new TIJLImage(viewport());
    image_->hide();
    updateRanges();
}

void TViewScrollBox::setContentBounds(const QRect& bounds)
{
    content_ = bounds;
    updateRanges();
    placeImage();
}

QPoint TViewScrollBox::scrollPosition() const
{
    return QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
}

void TViewScrollBox::setScrollPosition(const QPoint& p)
{
    horizontalScrollBar()->setValue(p.x());
    verticalScrollBar()->setValue(p.y());
    placeImage();
}

QSize TViewScrollBox::clientSize() const { return viewport()->size(); }

void TViewScrollBox::updateRanges()
{
    const QSize vp = viewport()->size();
    // The range reaches the picture's far edge, as far as it lies beyond the
    // client area.
    const int maxX = std::max(0, content_.x() + content_.width() - vp.width());
    const int maxY = std::max(0, content_.y() + content_.height() - vp.height());
    horizontalScrollBar()->setPageStep(std::max(1, vp.width()));
    verticalScrollBar()->setPageStep(std::max(1, vp.height()));
    horizontalScrollBar()->setRange(0, maxX);
    verticalScrollBar()->setRange(0, maxY);
}

void TViewScrollBox::placeImage()
{
    image_->setGeometry(content_.translated(-scrollPosition()));
}

void TViewScrollBox::scrollContentsBy(int, int) { placeImage(); }

bool TViewScrollBox::viewportEvent(QEvent* e)
{
    if (e->type() == QEvent::Resize) {
        updateRanges();
        placeImage();
        emit clientResized();
    }
    return QAbstractScrollArea::viewportEvent(e);
}

void TViewScrollBox::wheelEvent(QWheelEvent* e)
{
    wheelTurn(e->angleDelta().y());
    e->accept();
}

bool TViewScrollBox::wheelTurn(int delta)
{
    if (delta == 0)
        return false;
    if (wheelSum_ != 0 && (delta > 0) != (wheelSum_ > 0))
        wheelSum_ = 0;
    wheelSum_ += delta;
    if (wheelSum_ < 120 && wheelSum_ > -120)
        return false;
    const bool up = wheelSum_ > 0;
    wheelSum_ %= 120;
    QScrollBar* v = verticalScrollBar();
    const int lines = QApplication::wheelScrollLines();
    v->setValue(v->value() + (up ? -1 : 1) * lines * v->singleStep());
    return true;
}

// ---------------------------------------------------------------- TViewForm

TViewForm::TViewForm(Messages& messages, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      messages_(messages), home_(parent)
{
    setObjectName(kViewFormName);
    setWindowTitle(kViewFormCaption);
    setMinimumSize(kViewMinimumSize);
    resize(kViewInitialClient);

    ScrollBox = new TViewScrollBox(this);
    IJLImage = ScrollBox->image();
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addWidget(ScrollBox);
    // The keyboard focus sits on a control of no size along the top edge.
    FocusControl = new QWidget(this);
    FocusControl->setObjectName(QStringLiteral("FocusControl"));
    FocusControl->setFocusPolicy(Qt::StrongFocus);
    FocusControl->setGeometry(0, 0, 0, 0);
    setFocusProxy(FocusControl);

    band_ = new ZoomBand(ScrollBox->viewport());
    band_->setGeometry(ScrollBox->viewport()->rect());
    band_->raise();

    IJLImage->setCursor(magnifierCursor());
    ScrollBox->viewport()->setCursor(magnifierCursor());
    IJLImage->installEventFilter(this);
    ScrollBox->viewport()->installEventFilter(this);
    connect(ScrollBox, &TViewScrollBox::clientResized, this, [this] {
        band_->setGeometry(ScrollBox->viewport()->rect());
        if (isVisible())
            runLayout();
    });
}

TViewForm::~TViewForm()
{
    if (modal_)
        modal_->removeEventFilter(this);
}

// ---- loading

bool TViewForm::begin()
{
    IJLImage->hide();
    namePart_.clear();
    return true;
}

bool TViewForm::finish(const QImage& picture)
{
    if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
        // Nothing to show: an open window stays open and empty.
        IJLImage->clearPicture();
        layout_.clear();
        return false;
    }
    IJLImage->setPicture(picture);
    IJLImage->show();
    layout_.setPicture(picture.size());
    if (isVisible()) {
        ScrollBox->setScrollPosition(QPoint(0, 0));
        runLayout();
        raise();
        activateWindow();
    } else {
        showWindow();
    }
    return true;
}

bool TViewForm::ShowPicture(const QByteArray& jpeg)
{
    const WaitCursor wait;
    begin();
    QImage bitmap;
    if (!DecodeJpeg(jpeg, bitmap, 0, messages_))
        bitmap = QImage();
    return finish(bitmap);
}

bool TViewForm::ShowPicture(const QImage& bitmap)
{
    const WaitCursor wait;
    begin();
    return finish(bitmap);
}

bool TViewForm::ShowMetafile(const QByteArray& metafile)
{
    const WaitCursor wait;
    begin();
    QImage bitmap = RenderMetafile(metafile);
    // A row flagged as a metafile whose bytes are a JPEG is shown as the JPEG.
    if (bitmap.isNull() && MetafileTypeOf(metafile) == MetafileType::None && looksLikeJpeg(metafile)
        && !DecodeJpeg(metafile, bitmap, 0, messages_))
        bitmap = QImage();
    return finish(bitmap);
}

bool TViewForm::ShowPicture(const QString& fileName)
{
    const WaitCursor wait;
    begin();
    const QFileInfo info(fileName);
    const int kind = info.isFile() ? GraphicKindOf(fileName) : kKindUnsupported;
    if (kind < 0) {
        messages_.beep();
        finish(QImage());
        return false;
    }
    namePart_ = ViewLayout::namePartOf(fileName);
    QImage bitmap;
    const QString ext = info.suffix().toLower();
    auto fileBytes = [&fileName] {
        QFile f(fileName);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    switch (kind) {
    case kKindJpeg:
        if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")) {
            if (!DecodeJpegFile(fileName, bitmap, 0, messages_))
                bitmap = QImage();
        } else if (!LoadWithImageLibrary(fileName, bitmap)) {
            bitmap = QImage();
        }
        break;
    case kKindMetafile:
        bitmap = RenderMetafile(fileBytes());
        break;
    case kKindIcon: {
        SilentMessages quiet;
        if (!RenderGraphicFile(bitmap, fileName, quiet) && !LoadWithImageLibrary(fileName, bitmap))
            bitmap = QImage();
        break;
    }
    case kKindBmp:
    case kKindGif:
        // The general loader first, then the bytes as a plain bitmap.
        if (!LoadWithImageLibrary(fileName, bitmap) && !LoadImageBytes(fileBytes(), bitmap))
            bitmap = QImage();
        break;
    default:
        if (!LoadWithImageLibrary(fileName, bitmap))
            bitmap = QImage();
        break;
    }
    return finish(bitmap);
}

// ---- window

void TViewForm::showWindow()
{
    followModal();
    if (!placed_)
        restorePlacement();
    show();
    raise();
    activateWindow();
}

void TViewForm::restorePlacement()
{
    placed_ = true;
    // Centred on the screen with the initial client size, unless the
    // window's remembered position says otherwise.
    QScreen* screen = home_ ? home_->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QRect bounds(QPoint(0, 0), kViewInitialClient);
    if (screen)
        bounds.moveCenter(screen->availableGeometry().center());
    bool maximised = false;
    if (placeHooks.restore) {
        QRect remembered = bounds;
        if (placeHooks.restore(kViewFormName, remembered, maximised) && remembered.isValid())
            bounds = remembered;
    }
    bounds.setSize(bounds.size().expandedTo(minimumSize()));
    setGeometry(bounds);
    if (maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TViewForm::savePlacement()
{
    if (placed_ && placeHooks.save)
        placeHooks.save(kViewFormName, normalGeometry(), isMaximized());
}

void TViewForm::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    if (e->spontaneous() || reshowing_)
        return;
    ScrollBox->setScrollPosition(QPoint(0, 0));
    runLayout();
    FocusControl->setFocus();
}

void TViewForm::closeEvent(QCloseEvent* e)
{
    savePlacement();
    // Closing releases the picture and any drag in progress.
    pendingClick_ = false;
    dragging_ = false;
    static_cast<ZoomBand*>(band_)->setBand(QRect());
    IJLImage->clearPicture();
    IJLImage->hide();
    layout_.clear();
    e->accept();
}

void TViewForm::followModal()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == this || modal == modal_ || modal->isAncestorOf(this))
        return;
    if (modal_)
        returnHome();
    const QRect g = geometry();
    const bool visible = isVisible();
    setParent(modal, windowFlags());
    setGeometry(g);
    modal_ = modal;
    modal->installEventFilter(this);
    if (visible)
        reshow();
}

void TViewForm::reshow()
{
    // A new owner hid the window: it comes back as it was, zoom and scroll
    // positions kept.
    const QPoint scroll = ScrollBox->scrollPosition();
    reshowing_ = true;
    show();
    reshowing_ = false;
    ScrollBox->setScrollPosition(scroll);
}

void TViewForm::returnHome()
{
    if (modal_)
        modal_->removeEventFilter(this);
    modal_.clear();
    const QRect g = geometry();
    const bool visible = isVisible();
    setParent(home_, windowFlags());
    setGeometry(g);
    if (visible)
        reshow();
}

// ---- layout

void TViewForm::runLayout()
{
    if (inLayout_)
        return;
    layout_.layout(ScrollBox->clientSize());
    applyToWidgets();
}

void TViewForm::applyToWidgets()
{
    inLayout_ = true;
    // The ranges may bring scroll bars in or out and so change the client
    // area: the layout then runs again for the new size.
    for (int round = 0; round < 3; ++round) {
        const QSize before = ScrollBox->clientSize();
        ScrollBox->setContentBounds(layout_.bounds());
        ScrollBox->setScrollPosition(layout_.scroll());
        if (ScrollBox->clientSize() == before)
            break;
        layout_.layout(ScrollBox->clientSize());
    }
    inLayout_ = false;
    if (layout_.hasPicture())
        setWindowTitle(layout_.caption(namePart_));
}

// ---- mouse and keys

QPoint TViewForm::toPicture(const QPoint& client) const
{
    return client - (ScrollBox->contentBounds().topLeft() - ScrollBox->scrollPosition());
}

QPoint TViewForm::confined(const QPoint& client) const
{
    const QSize c = ScrollBox->clientSize();
    return QPoint(std::clamp(client.x(), 0, std::max(0, c.width() - 1)),
                  std::clamp(client.y(), 0, std::max(0, c.height() - 1)));
}

QRect TViewForm::zoomRectangle() const { return static_cast<ZoomBand*>(band_)->band(); }

bool TViewForm::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == modal_ && e->type() == QEvent::Hide) {
        returnHome();
        return false;
    }
    const QEvent::Type t = e->type();
    if (watched == IJLImage && t == QEvent::Wheel) {
        // The wheel over the picture turns the scroll box's wheel.
        ScrollBox->wheelTurn(static_cast<QWheelEvent*>(e)->angleDelta().y());
        e->accept();
        return true;
    }
    if ((watched == IJLImage || watched == ScrollBox->viewport())
        && (t == QEvent::MouseButtonPress || t == QEvent::MouseMove || t == QEvent::MouseButtonRelease
            || t == QEvent::MouseButtonDblClick)) {
        auto* m = static_cast<QMouseEvent*>(e);
        // Points over the picture and over the empty part of the scroll box
        // are handled alike, in the scroll box's client coordinates.
        const QPoint client = static_cast<QWidget*>(watched)->mapTo(ScrollBox->viewport(), m->position().toPoint());
        if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick)
            mousePress(m, client);
        else if (t == QEvent::MouseMove)
            mouseMove(m, client);
        else
            mouseRelease(m, client);
        return true;
    }
    return QWidget::eventFilter(watched, e);
}

void TViewForm::mousePress(QMouseEvent*, const QPoint& client)
{
    if (!layout_.hasPicture())
        return;
    pendingClick_ = true;
    dragging_ = false;
    first_ = toPicture(client);
    FocusControl->setFocus();
}

void TViewForm::mouseMove(QMouseEvent* e, const QPoint& client)
{
    if (!(e->buttons() & Qt::LeftButton) || (!pendingClick_ && !dragging_))
        return;
    if (pendingClick_ && !ViewLayout::leavesClickSquare(first_, toPicture(client)))
        return;
    pendingClick_ = false;
    dragging_ = true;
    // The pointer stays within the client area while the rectangle is dragged.
    second_ = toPicture(confined(client));
    const QPoint offset = ScrollBox->contentBounds().topLeft() - ScrollBox->scrollPosition();
    const QPoint a = first_ + offset, b = second_ + offset;
    // One pixel inside the two corners, clipped to the client area.
    QRect r = QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                    QPoint(std::max(a.x(), b.x()), std::max(a.y(), b.y())))
                  .adjusted(1, 1, -1, -1);
    r = r.intersected(QRect(QPoint(0, 0), ScrollBox->clientSize()));
    static_cast<ZoomBand*>(band_)->setBand(r.isEmpty() ? QRect() : r);
}

void TViewForm::mouseRelease(QMouseEvent* e, const QPoint& client)
{
    const bool click = pendingClick_, drag = dragging_;
    pendingClick_ = false;
    dragging_ = false;
    static_cast<ZoomBand*>(band_)->setBand(QRect());
    if (!layout_.hasPicture())
        return;
    layout_.setScroll(ScrollBox->scrollPosition());
    bool zoomed = false;
    if (drag)
        zoomed = layout_.dragZoom(first_, second_, ScrollBox->clientSize());
    else if (click)
        zoomed = layout_.clickZoom(e->button(), toPicture(client), ScrollBox->clientSize());
    if (zoomed)
        applyToWidgets();
}

void TViewForm::keyPressEvent(QKeyEvent* e)
{
    QScrollBar* h = ScrollBox->horizontalScrollBar();
    QScrollBar* v = ScrollBox->verticalScrollBar();
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        close();
        break;
    case Qt::Key_Left: h->setValue(h->value() - kViewKeyStep); break;
    case Qt::Key_Right: h->setValue(h->value() + kViewKeyStep); break;
    case Qt::Key_Up: v->setValue(v->value() - kViewKeyStep); break;
    case Qt::Key_Down: v->setValue(v->value() + kViewKeyStep); break;
    default: QWidget::keyPressEvent(e); return;
    }
    e->accept();
}

}  // namespace zb
