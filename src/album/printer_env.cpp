#include "album/printer_env.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>

namespace zb {

PrintDevice::~PrintDevice() = default;

namespace {

// Every paper the code table knows, in the order of their codes.
QList<PaperCode> allPapers() {
    QList<PaperCode> out;
    for (int code = 1; code < 256; ++code)
        if (auto p = PaperOfCode(code)) out.append(*p);
    return out;
}

double round4(double v) { return std::round(v * 10000.0) / 10000.0; }

}  // namespace

PdfPrintDevice::PdfPrintDevice(QString path, int dpi) : path_(std::move(path)), dpi_(dpi > 0 ? dpi : 300) {}

PdfPrintDevice::~PdfPrintDevice() {
    if (painter_) painter_->end();
}

QString PdfPrintDevice::name() const { return QStringLiteral("PDF"); }

QList<PaperCode> PdfPrintDevice::papers() const { return allPapers(); }

bool PdfPrintDevice::setPaper(int code) {
    if (!PaperOfCode(code)) return false;
    paper_ = code;
    applyLayout();
    return true;
}

bool PdfPrintDevice::setOrientation(int orientation) {
    orientation_ = orientation == 1 ? 1 : 0;
    applyLayout();
    return true;
}

void PdfPrintDevice::applyLayout() {
    if (!writer_) return;
    // Takes effect on the next page when a page is being painted.
    const QPageLayout layout(*PageSizeOfCode(paper_),
                             orientation_ == 1 ? QPageLayout::Landscape : QPageLayout::Portrait,
                             QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    writer_->setPageLayout(layout);
}

QRect PdfPrintDevice::fullRectPixels() const {
    QSizeF mm = PaperOfCode(paper_)->portraitMm;
    if (orientation_ == 1) mm.transpose();
    return QRect(0, 0, qRound(mm.width() / 25.4 * dpi_), qRound(mm.height() / 25.4 * dpi_));
}

bool PdfPrintDevice::beginJob(const QString& title) {
    error_.clear();
    if (painter_) {  // one file holds one job
        error_ = QStringLiteral("印刷ジョブが既に開いています。");
        return false;
    }
    pages_ = 0;
    writer_ = std::make_unique<QPdfWriter>(path_);
    writer_->setResolution(dpi_);
    writer_->setTitle(title);
    writer_->setCreator(QStringLiteral("ZBWin"));
    applyLayout();
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(writer_.get())) {
        painter_.reset();
        writer_.reset();
        error_ = QStringLiteral("PDF ファイルに書き込めません。\r\n") + QFileInfo(path_).absoluteFilePath();
        return false;
    }
    pages_ = 1;
    return true;
}

bool PdfPrintDevice::newPage() {
    if (!writer_ || !painter_) return false;
    if (!writer_->newPage()) {
        error_ = QStringLiteral("PDF ファイルに書き込めません。\r\n") + QFileInfo(path_).absoluteFilePath();
        return false;
    }
    ++pages_;
    return true;
}

bool PdfPrintDevice::endJob() {
    if (!painter_) return false;
    const bool ok = painter_->end();
    painter_.reset();
    writer_.reset();
    // The writer reports a failed write only through the file it leaves.
    if (!ok || !QFileInfo(path_).isFile() || QFileInfo(path_).size() == 0) {
        error_ = QStringLiteral("PDF ファイルに書き込めません。\r\n") + QFileInfo(path_).absoluteFilePath();
        return false;
    }
    return true;
}

void PdfPrintDevice::abortJob() {
    if (painter_) painter_->end();
    painter_.reset();
    writer_.reset();
}

QPainter* PdfPrintDevice::painter() { return painter_.get(); }

TPrinterEnv::TPrinterEnv(std::unique_ptr<PrintDevice> device) : device_(std::move(device)) {}

TPrinterEnv::~TPrinterEnv() {
    if (jobOpen_) device_->abortJob();
}

void TPrinterEnv::setDevice(std::unique_ptr<PrintDevice> device) {
    if (jobOpen_) device_->abortJob();
    jobOpen_ = false;
    device_ = std::move(device);
}

bool TPrinterEnv::selectPaper(int code, int orientation) {
    if (paperIndex(code) < 0) return false;
    if (!device_->setPaper(code)) return false;
    return device_->setOrientation(orientation);
}

int TPrinterEnv::paperIndex(int code) const {
    const QList<PaperCode> list = device_->papers();
    for (int i = 0; i < list.size(); ++i)
        if (list[i].code == code) return i;
    return -1;
}

QString TPrinterEnv::paperName(int index) const {
    const QList<PaperCode> list = device_->papers();
    return index >= 0 && index < list.size() ? list[index].name : QString();
}

QSizeF TPrinterEnv::paperSizeMm(int index, int orientation) const {
    const QList<PaperCode> list = device_->papers();
    if (index < 0 || index >= list.size()) return {};
    QSizeF s = list[index].portraitMm;
    if (orientation == 1) s.transpose();
    return s;
}

double TPrinterEnv::pixelsToMm(double pixels, int dpi) {
    if (dpi <= 0) return 0;
    return round4(pixels * 10.0 / dpi * 2.5396825);
}

double TPrinterEnv::printableWidthMm() const {
    return pixelsToMm(device_->paintRectPixels().width(), device_->dpiX());
}

double TPrinterEnv::printableHeightMm() const {
    return pixelsToMm(device_->paintRectPixels().height(), device_->dpiY());
}

QPointF TPrinterEnv::printableOffsetMm() const {
    const QRect r = device_->paintRectPixels();
    return QPointF(pixelsToMm(r.left(), device_->dpiX()), pixelsToMm(r.top(), device_->dpiY()));
}

QSizeF TPrinterEnv::physicalSizeMm() const {
    const QRect r = device_->fullRectPixels();
    return QSizeF(pixelsToMm(r.width(), device_->dpiX()), pixelsToMm(r.height(), device_->dpiY()));
}

int TPrinterEnv::pageWidthPixels() const { return device_->paintRectPixels().width(); }
int TPrinterEnv::pageHeightPixels() const { return device_->paintRectPixels().height(); }

bool TPrinterEnv::beginJob(const QString& title) {
    if (jobOpen_) return false;
    jobOpen_ = device_->beginJob(title);
    return jobOpen_;
}

bool TPrinterEnv::newPage() { return jobOpen_ && device_->newPage(); }

bool TPrinterEnv::endJob() {
    if (!jobOpen_) return false;
    jobOpen_ = false;
    return device_->endJob();
}

void TPrinterEnv::abortJob() {
    if (jobOpen_) device_->abortJob();
    jobOpen_ = false;
}

bool TPrinterEnv::setOrientation(int orientation) { return device_->setOrientation(orientation); }

double TPrinterEnv::printerScale() const {
    const double heightMm = printableHeightMm();
    if (heightMm <= 0) return 0;
    return device_->paintRectPixels().height() / heightMm;
}

int TPrinterEnv::lineUnit() const {
    const int unit = device_->dpiY() / 160;
    return unit > 0 ? unit : 1;
}

}  // namespace zb
