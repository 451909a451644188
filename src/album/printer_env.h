#pragma once
// The printer environment of album printing: one output device (a printer,
// or a PDF file standing in for one), its paper list by the documents' paper
// codes, its geometry in mm and pixels, and the print job.
#include "album/paper_sizes.h"

#include <QList>
#include <QPointF>
#include <QRect>
#include <QSizeF>
#include <QString>
#include <memory>

class QPainter;
class QPdfWriter;

namespace zb {

// What a device can do. Orientation: 0 portrait, 1 landscape.
class PrintDevice {
public:
    virtual ~PrintDevice();
    virtual QString name() const = 0;
    // The device's papers, portrait sizes. A paper the code table does not
    // know has a code from 256 up, as drivers give their own sizes.
    virtual QList<PaperCode> papers() const = 0;
    virtual bool setPaper(int code) = 0;
    virtual int paperCode() const = 0;
    virtual bool setOrientation(int orientation) = 0;
    virtual int orientation() const = 0;
    virtual int dpiX() const = 0;
    virtual int dpiY() const = 0;
    // The whole sheet and its printable part, in device pixels, both relative
    // to the sheet's top-left corner.
    virtual QRect fullRectPixels() const = 0;
    virtual QRect paintRectPixels() const = 0;
    // A job: begin opens the painter, whose origin is the printable area's
    // top-left corner; end closes it. A false return leaves `error()` set.
    virtual bool beginJob(const QString& title) = 0;
    virtual bool newPage() = 0;
    virtual bool endJob() = 0;
    virtual void abortJob() = 0;
    virtual QPainter* painter() = 0;
    // True when a page may change its orientation inside one job (a PDF
    // file); a printer ends the job and starts another instead.
    virtual bool changesLayoutWithinJob() const = 0;
    virtual QString error() const = 0;
};

// Writes the job as one PDF file. The sheet has no unprintable margin, so a
// part at 0,0 mm lies at the sheet's corner.
class PdfPrintDevice : public PrintDevice {
public:
    explicit PdfPrintDevice(QString path, int dpi = 300);
    ~PdfPrintDevice() override;
    QString name() const override;
    QList<PaperCode> papers() const override;
    bool setPaper(int code) override;
    int paperCode() const override { return paper_; }
    bool setOrientation(int orientation) override;
    int orientation() const override { return orientation_; }
    int dpiX() const override { return dpi_; }
    int dpiY() const override { return dpi_; }
    QRect fullRectPixels() const override;
    QRect paintRectPixels() const override { return fullRectPixels(); }
    bool beginJob(const QString& title) override;
    bool newPage() override;
    bool endJob() override;
    void abortJob() override;
    QPainter* painter() override;
    bool changesLayoutWithinJob() const override { return true; }
    QString error() const override { return error_; }
    // Pages written by the job so far.
    int pagesWritten() const { return pages_; }

private:
    void applyLayout();
    QString path_;
    int dpi_;
    int paper_ = kPaperA4;
    int orientation_ = 0;
    int pages_ = 0;
    QString error_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<QPainter> painter_;
};

// The operations album printing uses, on top of one device.
class TPrinterEnv {
public:
    explicit TPrinterEnv(std::unique_ptr<PrintDevice> device);
    ~TPrinterEnv();

    PrintDevice& device() { return *device_; }
    void setDevice(std::unique_ptr<PrintDevice> device);

    // Selects the paper of `code` and the orientation; false (nothing
    // changed) when the paper list has no such paper.
    bool selectPaper(int code, int orientation);
    int paperIndex(int code) const;
    QString paperName(int index) const;
    // The paper's size for an orientation, in mm.
    QSizeF paperSizeMm(int index, int orientation) const;
    int currentPaper() const { return device_->paperCode(); }

    // Printable area and its offset from the sheet's corner, in mm.
    double printableWidthMm() const;
    double printableHeightMm() const;
    QPointF printableOffsetMm() const;
    // The whole sheet in mm.
    QSizeF physicalSizeMm() const;
    int pageWidthPixels() const;
    int pageHeightPixels() const;

    bool beginJob(const QString& title);
    bool newPage();
    bool endJob();
    void abortJob();
    bool jobOpen() const { return jobOpen_; }
    int currentOrientation() const { return device_->orientation(); }
    bool setOrientation(int orientation);

    // Pixels per mm used for both axes when parts are printed.
    double printerScale() const;
    // One printer line unit in pixels: the vertical resolution / 160, at
    // least 1. Text frames are inset and listings drawn with it.
    int lineUnit() const;

    QPainter* painter() { return device_->painter(); }

    // Device pixels to mm with the factor the documents use, to 4 decimals.
    static double pixelsToMm(double pixels, int dpi);

private:
    std::unique_ptr<PrintDevice> device_;
    bool jobOpen_ = false;
};

}  // namespace zb
