#include "album/ui/prv_form.h"

#include "album/print_run.h"
#include "core/ports.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <cmath>

namespace zb {

namespace {

// Screen pixels per mm at 100 %, with the documents' factor.
double screenPixelsPerMm(const QWidget* w) {
    const double dpi = w->logicalDpiX() > 0 ? w->logicalDpiX() : 96;
    return dpi * 0.39375 / 10.0;
}

}  // namespace

TPrvForm::TPrvForm(PreviewSource source, int startPage, Messages& messages, QWidget* parent)
    : QDialog(parent), source_(std::move(source)), messages_(messages) {
    setWindowTitle(QStringLiteral("印刷プレビュー"));
    auto* root = new QVBoxLayout(this);
    auto* bar = new QHBoxLayout;
    auto* zoomLabel = new QLabel(QStringLiteral("表示率(&R)"), this);
    zoom_ = new QComboBox(this);
    zoom_->addItems(QStringList(PreviewZoom::captions().begin(), PreviewZoom::captions().end()));
    zoomLabel->setBuddy(zoom_);
    zoomIn_ = new QPushButton(QStringLiteral("拡大(&I)"), this);
    zoomOut_ = new QPushButton(QStringLiteral("縮小(&O)"), this);
    previous_ = new QPushButton(QStringLiteral("前ﾍﾟｰｼﾞ(&B)"), this);
    next_ = new QPushButton(QStringLiteral("次ﾍﾟｰｼﾞ(&N)"), this);
    jump_ = new QPushButton(QStringLiteral("指定ﾍﾟｰｼﾞ(&J)"), this);
    auto* print = new QPushButton(QStringLiteral("印刷(&P)"), this);
    auto* close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    auto* paper = new QPushButton(QStringLiteral("用紙(&E)"), this);
    print->setEnabled(bool(source_.print));
    paper->setEnabled(bool(source_.paper));
    for (QWidget* w : std::initializer_list<QWidget*>{zoomLabel, zoom_, zoomIn_, zoomOut_, previous_, next_, jump_,
                                                      print, paper, close})
        bar->addWidget(w);
    bar->addStretch(1);
    root->addLayout(bar);

    scroll_ = new QScrollArea(this);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setBackgroundRole(QPalette::Dark);
    canvas_ = new QLabel;
    scroll_->setWidget(canvas_);
    root->addWidget(scroll_, 1);
    scroll_->viewport()->installEventFilter(this);
    auto* foot = new QHBoxLayout;
    pageLabel_ = new QLabel(this);
    status_ = new QLabel(this);
    foot->addWidget(pageLabel_);
    foot->addWidget(status_, 1);
    root->addLayout(foot);

    zoom_->setCurrentIndex(0);
    connect(zoom_, &QComboBox::currentIndexChanged, this, [this] { render(); });
    connect(zoomIn_, &QPushButton::clicked, this,
            [this] { setZoomIndex(PreviewZoom::step(zoom_->currentIndex(), shownPercent_, true)); });
    connect(zoomOut_, &QPushButton::clicked, this,
            [this] { setZoomIndex(PreviewZoom::step(zoom_->currentIndex(), shownPercent_, false)); });
    connect(previous_, &QPushButton::clicked, this, [this] { showPage(page_ - 1); });
    connect(next_, &QPushButton::clicked, this, [this] { showPage(page_ + 1); });
    connect(jump_, &QPushButton::clicked, this, [this] {
        const auto text = messages_.inputBox(
            QStringLiteral("ページ指定"),
            QStringLiteral("ページ指定 (") + QString::number(1) + QStringLiteral("～") +
                QString::number(source_.lastPage) + QStringLiteral(")"),
            QString::number(page_));
        if (!text) return;
        bool ok = false;
        const int p = text->trimmed().toInt(&ok);
        if (ok) showPage(p);
    });
    connect(print, &QPushButton::clicked, this, [this] {
        if (source_.print) source_.print();
    });
    connect(paper, &QPushButton::clicked, this, [this] {
        if (source_.paper) source_.paper();
        render();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    resize(900, 700);
    page_ = std::clamp(startPage, 1, std::max(1, source_.lastPage));
    render();
}

void TPrvForm::showPage(int page) {
    const int clamped = std::clamp(page, 1, std::max(1, source_.lastPage));
    if (clamped == page_ && !image_.isNull()) return;
    page_ = clamped;
    render();
}

void TPrvForm::setZoomIndex(int index) { zoom_->setCurrentIndex(std::clamp(index, 0, int(zoom_->count()) - 1)); }

int TPrvForm::zoomIndex() const { return zoom_->currentIndex(); }

void TPrvForm::refresh() { render(); }

double TPrvForm::percentFor(int index) const {
    const int fixed = PreviewZoom::percentOf(index);
    if (fixed > 0) return fixed;
    const QSizeF mm = source_.paperMm ? source_.paperMm(page_) : QSizeF(210, 297);
    const double base = screenPixelsPerMm(this);
    if (mm.width() <= 0 || mm.height() <= 0 || base <= 0) return 100;
    const QSize room = scroll_->viewport()->size() - QSize(8, 8);
    const double byWidth = room.width() / (mm.width() * base) * 100.0;
    if (index == 1) return std::max(1.0, byWidth - 2.0);  // leave room for the vertical scroll bar
    const double byHeight = room.height() / (mm.height() * base) * 100.0;
    return std::max(1.0, std::min(byWidth, byHeight));
}

void TPrvForm::render() {
    status_->setText(QStringLiteral("プレビューを作成中です・・・"));
    shownPercent_ = percentFor(zoom_->currentIndex());
    const double pixelsPerMm = screenPixelsPerMm(this) * shownPercent_ / 100.0;
    const QSizeF mm = source_.paperMm ? source_.paperMm(page_) : QSizeF(210, 297);
    const QSize size(std::max(1, int(std::lround(mm.width() * pixelsPerMm))),
                     std::max(1, int(std::lround(mm.height() * pixelsPerMm))));
    image_ = QImage(size, QImage::Format_RGB32);
    image_.fill(Qt::white);
    if (source_.drawPage) {
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        source_.drawPage(page_, painter, pixelsPerMm);
    }
    canvas_->setPixmap(QPixmap::fromImage(image_));
    canvas_->resize(image_.size());
    pageLabel_->setText(QString::number(page_) + QStringLiteral(" / ") + QString::number(source_.lastPage));
    previous_->setEnabled(page_ > 1);
    next_->setEnabled(page_ < source_.lastPage);
    status_->clear();
}

bool TPrvForm::eventFilter(QObject* watched, QEvent* e) {
    // The fitting zooms follow the visible area's size.
    if (watched == scroll_->viewport() && e->type() == QEvent::Resize && zoom_->currentIndex() < 2) render();
    return QDialog::eventFilter(watched, e);
}

}  // namespace zb
