#include "album/ui/printer_device.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace zb {

PrinterDevice::PrinterDevice(const QString& name) {
    const QPrinterInfo info = name.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(name);
    printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer_->setFullPage(false);
    useDeviceMargins();
    int ownCode = 256;
    for (const QPageSize& size : info.supportedPageSizes()) {
        PaperCode paper;
        paper.code = PaperCodeOf(size);
        if (paper.code == 0) paper.code = ownCode++;
        paper.name = size.name();
        paper.portraitMm = size.size(QPageSize::Millimeter);
        if (paper.portraitMm.width() > paper.portraitMm.height()) paper.portraitMm.transpose();
        paper.pageSizeId = size.id();
        papers_.append(paper);
        sizes_.append(size);
    }
}

PrinterDevice::~PrinterDevice() {
    if (painter_) painter_->end();
}

QStringList PrinterDevice::printerNames() {
    QStringList names = QPrinterInfo::availablePrinterNames();
    const QString def = QPrinterInfo::defaultPrinterName();
    if (names.removeAll(def) > 0) names.prepend(def);
    return names;
}

bool PrinterDevice::isValid() const { return printer_->isValid(); }

QString PrinterDevice::name() const { return printer_->printerName(); }

bool PrinterDevice::setPaper(int code) {
    for (int i = 0; i < papers_.size(); ++i)
        if (papers_[i].code == code) {
            const bool ok = printer_->setPageSize(sizes_[i]);
            useDeviceMargins();
            return ok;
        }
    return false;
}

// Qt opens a printer with margins of its own (10 points) on top of what the
// device cannot print; the page keeps only the device's unprintable edges, so
// that a part lands where it lands in a PDF, shifted by those edges alone.
void PrinterDevice::useDeviceMargins() {
    const QPageLayout layout = printer_->pageLayout();
    printer_->setPageMargins(layout.minimumMargins(), layout.units());
}

int PrinterDevice::paperCode() const {
    const QPageSize current = printer_->pageLayout().pageSize();
    for (int i = 0; i < sizes_.size(); ++i)
        if (sizes_[i].isEquivalentTo(current)) return papers_[i].code;
    return PaperCodeOf(current);
}

bool PrinterDevice::setOrientation(int orientation) {
    const bool ok = printer_->setPageOrientation(orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
    useDeviceMargins();
    return ok;
}

int PrinterDevice::orientation() const {
    return printer_->pageLayout().orientation() == QPageLayout::Landscape ? 1 : 0;
}

int PrinterDevice::dpiX() const { return printer_->logicalDpiX(); }
int PrinterDevice::dpiY() const { return printer_->logicalDpiY(); }

QRect PrinterDevice::fullRectPixels() const {
    return printer_->pageLayout().fullRectPixels(printer_->resolution());
}

QRect PrinterDevice::paintRectPixels() const {
    return printer_->pageLayout().paintRectPixels(printer_->resolution());
}

bool PrinterDevice::beginJob(const QString& title) {
    error_.clear();
    printer_->setDocName(title);
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(printer_.get())) {
        painter_.reset();
        return false;
    }
    return true;
}

bool PrinterDevice::newPage() { return painter_ && printer_->newPage(); }

bool PrinterDevice::endJob() {
    if (!painter_) return false;
    const bool ok = painter_->end();
    painter_.reset();
    return ok && printer_->printerState() != QPrinter::Error;
}

void PrinterDevice::abortJob() {
    if (!painter_) return;
    printer_->abort();
    painter_->end();
    painter_.reset();
}

QPainter* PrinterDevice::painter() { return painter_.get(); }

// A printer's page layout is fixed for a job on most drivers; a file the
// printer writes (QPrinter's own PDF output) can switch it per page.
bool PrinterDevice::changesLayoutWithinJob() const {
    return printer_->outputFormat() == QPrinter::PdfFormat;
}

}  // namespace zb
