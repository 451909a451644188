#include "imaging/ui/pno_form.h"

#include "core/ports.h"
#include "imaging/panorama.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace zb {

namespace {

constexpr int kInset = 5;       // the picture's distance from the pane's corner
constexpr int kMarkerSize = 16;
constexpr int kMarkerCentre = 8;

const QList<int>& ratios()
{
    static const QList<int> r{30, 40, 50, 75, 100, 150, 200};
    return r;
}

int scaled(int v, int ratio) { return int(qint64(v) * ratio / 100); }

}  // namespace

// ---------------------------------------------------------------- pane

TPnoPane::TPnoPane(QWidget* parent) : QScrollArea(parent)
{
    auto* canvas = new QWidget;
    canvas->setObjectName(QStringLiteral("canvas"));
    canvas->setFocusPolicy(Qt::StrongFocus);
    canvas->setMouseTracking(false);
    canvas->installEventFilter(this);
    setWidget(canvas);
    setWidgetResizable(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    viewport()->installEventFilter(this);
    setBackgroundRole(QPalette::Dark);
    resizeCanvas();
}

void TPnoPane::setPicture(const QImage& picture)
{
    picture_ = picture;
    clearMarkers();
    resizeCanvas();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void TPnoPane::setRatio(int percent)
{
    if (percent <= 0 || percent == ratio_)
        return;
    ratio_ = percent;
    // The markers stay on their picture points.
    for (int i = 0; i < markers_.size(); ++i)
        markers_[i] = QPoint(markerPosFor(points_[i].x(), 0, ratio_), markerPosFor(points_[i].y(), 0, ratio_));
    resizeCanvas();
    if (!markers_.isEmpty())
        ensureVisible(markers_[0].x() + kMarkerCentre, markers_[0].y() + kMarkerCentre);
    widget()->update();
}

QPoint TPnoPane::markerPoint(int i) const { return points_[i]; }

void TPnoPane::clearMarkers()
{
    markers_.clear();
    points_.clear();
    focused_ = dragging_ = -1;
    widget()->update();
    emit changed();
}

void TPnoPane::resizeCanvas()
{
    const QSize s = picture_.isNull() ? QSize(0, 0)
                                      : QSize(scaled(picture_.width(), ratio_), scaled(picture_.height(), ratio_));
    widget()->resize(std::max(s.width() + 2 * kInset, 1), std::max(s.height() + 2 * kInset, 1));
}

int TPnoPane::markerAt(QPoint p) const
{
    for (int i = int(markers_.size()) - 1; i >= 0; --i)
        if (QRect(markers_[i], QSize(kMarkerSize, kMarkerSize)).contains(p))
            return i;
    return -1;
}

QPoint TPnoPane::clampMarker(QPoint pos) const
{
    // The centre stays on the picture.
    const int w = std::max(1, scaled(picture_.width(), ratio_));
    const int h = std::max(1, scaled(picture_.height(), ratio_));
    const int lo = kInset - kMarkerCentre;
    return {std::clamp(pos.x(), lo, lo + w - 1), std::clamp(pos.y(), lo, lo + h - 1)};
}

bool TPnoPane::eventFilter(QObject* watched, QEvent* event)
{
    QWidget* canvas = widget();
    if (watched == viewport()) {
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* e = static_cast<QDropEvent*>(event);
            if (e->mimeData()->hasUrls()) {
                e->setDropAction(Qt::CopyAction);
                e->accept();
                return true;
            }
            break;
        }
        case QEvent::Drop: {
            auto* e = static_cast<QDropEvent*>(event);
            QStringList files;
            for (const QUrl& u : e->mimeData()->urls())
                if (u.isLocalFile())
                    files << QFileInfo(u.toLocalFile()).absoluteFilePath();
            if (!files.isEmpty()) {
                e->setDropAction(Qt::CopyAction);
                e->accept();
                QMetaObject::invokeMethod(this, [this, files] { emit filesDropped(files); }, Qt::QueuedConnection);
                return true;
            }
            break;
        }
        case QEvent::MouseButtonPress:
            if (picture_.isNull()) {
                emit emptyClicked();
                return true;
            }
            break;
        default: break;
        }
        return QScrollArea::eventFilter(watched, event);
    }
    if (watched != canvas)
        return QScrollArea::eventFilter(watched, event);

    switch (event->type()) {
    case QEvent::Paint: {
        QPainter p(canvas);
        if (!picture_.isNull())
            p.drawImage(QRect(kInset, kInset, scaled(picture_.width(), ratio_), scaled(picture_.height(), ratio_)),
                        picture_);
        for (int i = 0; i < markers_.size(); ++i) {
            const QColor c = i == focused_ ? QColor(255, 0, 0) : QColor(128, 0, 0);
            const QPoint m = markers_[i];
            p.fillRect(QRect(m.x(), m.y() + kMarkerCentre - 1, kMarkerSize, 2), c);
            p.fillRect(QRect(m.x() + kMarkerCentre - 1, m.y(), 2, kMarkerSize), c);
        }
        return true;
    }
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton)
            return true;
        if (picture_.isNull()) {
            emit emptyClicked();
            return true;
        }
        const QPoint pos = e->position().toPoint();
        const int hit = markerAt(pos);
        if (hit >= 0) {
            focused_ = dragging_ = hit;
            dragOffset_ = pos - markers_[hit];
        } else if (markers_.size() < 2) {
            const QRect pictureRect(kInset, kInset, scaled(picture_.width(), ratio_), scaled(picture_.height(), ratio_));
            if (!pictureRect.contains(pos))
                return true;
            const QPoint m = clampMarker(pos - QPoint(kMarkerCentre, kMarkerCentre));
            markers_ << m;
            points_ << QPoint(markerPictureCoord(0, m.x(), ratio_), markerPictureCoord(0, m.y(), ratio_));
            focused_ = int(markers_.size()) - 1;
            emit changed();
        }
        canvas->setFocus();
        canvas->update();
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (dragging_ < 0 || !(e->buttons() & Qt::LeftButton))
            return true;
        const QPoint m = clampMarker(e->position().toPoint() - dragOffset_);
        markers_[dragging_] = m;
        points_[dragging_] = QPoint(markerPictureCoord(0, m.x(), ratio_), markerPictureCoord(0, m.y(), ratio_));
        ensureVisible(m.x() + kMarkerCentre, m.y() + kMarkerCentre, 10, 10);
        canvas->update();
        emit changed();
        return true;
    }
    case QEvent::MouseButtonRelease:
        dragging_ = -1;
        return true;
    case QEvent::KeyPress: {
        auto* e = static_cast<QKeyEvent*>(event);
        if (focused_ < 0 || focused_ >= markers_.size())
            break;
        QPoint d;
        switch (e->key()) {
        case Qt::Key_Left: d = {-1, 0}; break;
        case Qt::Key_Right: d = {1, 0}; break;
        case Qt::Key_Up: d = {0, -1}; break;
        case Qt::Key_Down: d = {0, 1}; break;
        default: break;
        }
        if (d.isNull())
            break;
        const QPoint m = clampMarker(markers_[focused_] + d);
        markers_[focused_] = m;
        points_[focused_] = QPoint(markerPictureCoord(0, m.x(), ratio_), markerPictureCoord(0, m.y(), ratio_));
        canvas->update();
        emit changed();
        return true;
    }
    case QEvent::FocusOut:
        canvas->update();
        break;
    default: break;
    }
    return QScrollArea::eventFilter(watched, event);
}

// ---------------------------------------------------------------- dialog

TPnoForm::TPnoForm(Messages& messages, QWidget* parent) : QDialog(parent), messages_(messages)
{
    setWindowTitle(kPanoramaCaption);
    auto* layout = new QVBoxLayout(this);
    Message = new QLabel(this);
    Message->setObjectName(QStringLiteral("Message"));
    pages_ = new QStackedWidget(this);
    layout->addWidget(Message);
    layout->addWidget(pages_, 1);

    // Page 1.
    auto* build = new QWidget;
    auto* b = new QVBoxLayout(build);
    auto* tools = new QHBoxLayout;
    BT_Left = new QPushButton(QStringLiteral("写真/左(&L)"));
    BT_Right = new QPushButton(QStringLiteral("写真/右(&R)"));
    BT_Swap = new QPushButton(QStringLiteral("左右写真入替(&S)"));
    CB_Ritu = new QComboBox;
    for (int r : ratios())
        CB_Ritu->addItem(QString::number(r) + u'%', r);
    CB_Ritu->setCurrentIndex(int(ratios().indexOf(50)));
    BT_Create = new QPushButton(QStringLiteral("作成(&B) >>"));
    BT_Cancel1 = new QPushButton(QStringLiteral("中止(&C)"));
    tools->addWidget(BT_Left);
    tools->addWidget(BT_Right);
    tools->addWidget(BT_Swap);
    tools->addWidget(new QLabel(QStringLiteral("表示率")));
    tools->addWidget(CB_Ritu);
    tools->addStretch();
    tools->addWidget(BT_Create);
    tools->addWidget(BT_Cancel1);
    b->addLayout(tools);
    auto* panes = new QHBoxLayout;
    PL_Left = new TPnoPane;
    PL_Right = new TPnoPane;
    PL_Left->setObjectName(QStringLiteral("PL_Left"));
    PL_Right->setObjectName(QStringLiteral("PL_Right"));
    panes->addWidget(PL_Left, 1);
    panes->addWidget(PL_Right, 1);
    b->addLayout(panes, 1);
    pages_->addWidget(build);

    // Page 2.
    auto* done = new QWidget;
    auto* d = new QVBoxLayout(done);
    auto* tools2 = new QHBoxLayout;
    BT_Back = new QPushButton(QStringLiteral("<< 戻る(&B)"));
    BT_Edit = new QPushButton(QStringLiteral("編集(&E)"));
    BT_Regist = new QPushButton(QStringLiteral("登録(&R)"));
    BT_Cancel2 = new QPushButton(QStringLiteral("中止(&C)"));
    tools2->addWidget(BT_Back);
    tools2->addStretch();
    tools2->addWidget(BT_Edit);
    tools2->addWidget(BT_Regist);
    tools2->addWidget(BT_Cancel2);
    d->addLayout(tools2);
    resultArea_ = new QScrollArea;
    IKImage_OK = new QLabel;
    resultArea_->setWidget(IKImage_OK);
    resultArea_->setBackgroundRole(QPalette::Dark);
    d->addWidget(resultArea_, 1);
    pages_->addWidget(done);

    connect(BT_Left, &QPushButton::clicked, this, [this] { choose(true); });
    connect(BT_Right, &QPushButton::clicked, this, [this] { choose(false); });
    connect(PL_Left, &TPnoPane::emptyClicked, this, [this] { choose(true); });
    connect(PL_Right, &TPnoPane::emptyClicked, this, [this] { choose(false); });
    connect(PL_Left, &TPnoPane::filesDropped, this, [this](const QStringList& f) { loadFile(true, f.first()); });
    connect(PL_Right, &TPnoPane::filesDropped, this, [this](const QStringList& f) { loadFile(false, f.first()); });
    connect(PL_Left, &TPnoPane::changed, this, [this] { updateState(); });
    connect(PL_Right, &TPnoPane::changed, this, [this] { updateState(); });
    connect(BT_Swap, &QPushButton::clicked, this, [this] { swapPictures(); });
    connect(CB_Ritu, &QComboBox::currentIndexChanged, this, [this] {
        PL_Left->setRatio(ratio());
        PL_Right->setRatio(ratio());
        if (page() == 1)
            showResult();
    });
    connect(BT_Create, &QPushButton::clicked, this, [this] { create(); });
    connect(BT_Back, &QPushButton::clicked, this, [this] { back(); });
    connect(BT_Edit, &QPushButton::clicked, this, [this] {
        if (editPicture && editPicture(result_))
            showResult();
    });
    connect(BT_Regist, &QPushButton::clicked, this, &QDialog::accept);
    connect(BT_Cancel1, &QPushButton::clicked, this, &QDialog::reject);
    connect(BT_Cancel2, &QPushButton::clicked, this, &QDialog::reject);

    PL_Left->setRatio(ratio());
    PL_Right->setRatio(ratio());
    resize(900, 600);
    updateState();
}

int TPnoForm::ratio() const { return CB_Ritu->currentData().toInt(); }

int TPnoForm::page() const { return pages_->currentIndex(); }

void TPnoForm::setLeft(const QImage& picture)
{
    PL_Left->setPicture(picture);
    updateState();
}

void TPnoForm::setRight(const QImage& picture)
{
    PL_Right->setPicture(picture);
    updateState();
}

bool TPnoForm::loadFile(bool left, const QString& path)
{
    QImage picture;
    if (!LoadPanoramaPicture(path, picture, messages_))
        return false;
    left ? setLeft(picture) : setRight(picture);
    return true;
}

void TPnoForm::choose(bool left)
{
    if (page() != 0 || !choosePicture)
        return;
    const QString path = choosePicture();
    if (!path.isEmpty())
        loadFile(left, path);
}

void TPnoForm::swapPictures()
{
    const QImage l = PL_Left->picture();
    PL_Left->setPicture(PL_Right->picture());
    PL_Right->setPicture(l);
    updateState();
}

void TPnoForm::updateState()
{
    if (page() == 1) {
        Message->setText(kPanoramaResult);
        return;
    }
    const int markers = PL_Left->markerCount() + PL_Right->markerCount();
    Message->setText(panoramaGuide(PL_Left->hasPicture(), PL_Right->hasPicture(), markers));
    BT_Create->setEnabled(PL_Left->hasPicture() && PL_Right->hasPicture() && PL_Left->markerCount() == 2 &&
                          PL_Right->markerCount() == 2);
}

bool TPnoForm::create()
{
    if (!BT_Create->isEnabled())
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QImage joined = JoinPanorama(PL_Left->picture(), PL_Right->picture(), PL_Left->markerPoint(0),
                                 PL_Left->markerPoint(1), PL_Right->markerPoint(0), PL_Right->markerPoint(1));
    QApplication::restoreOverrideCursor();
    if (joined.isNull())
        return false;  // the markers may be moved and 作成 tried again
    result_ = std::move(joined);
    pages_->setCurrentIndex(1);
    showResult();
    updateState();
    return true;
}

void TPnoForm::showResult()
{
    if (result_.isNull())
        return;
    const QSize s(std::max(1, scaled(result_.width(), ratio())), std::max(1, scaled(result_.height(), ratio())));
    const QPixmap shown = QPixmap::fromImage(result_.scaledToWidth(s.width(), Qt::SmoothTransformation));
    IKImage_OK->setPixmap(shown);
    IKImage_OK->resize(shown.size());
}

void TPnoForm::back()
{
    result_ = QImage();
    IKImage_OK->clear();
    pages_->setCurrentIndex(0);
    updateState();
}

}  // namespace zb
