#pragma once
// A system printer (CUPS through Qt) as a print device: its paper list by
// the documents' paper codes, orientation, resolution and printable area.
#include "album/printer_env.h"

#include <QStringList>
#include <memory>

class QPrinter;

namespace zb {

class PrinterDevice : public PrintDevice {
public:
    // The named printer, or the default printer when `name` is empty.
    explicit PrinterDevice(const QString& name = QString());
    ~PrinterDevice() override;

    // The names of the installed printers, the default one first.
    static QStringList printerNames();

    QPrinter& printer() { return *printer_; }
    bool isValid() const;

    QString name() const override;
    QList<PaperCode> papers() const override { return papers_; }
    bool setPaper(int code) override;
    int paperCode() const override;
    bool setOrientation(int orientation) override;
    int orientation() const override;
    int dpiX() const override;
    int dpiY() const override;
    QRect fullRectPixels() const override;
    QRect paintRectPixels() const override;
    bool beginJob(const QString& title) override;
    bool newPage() override;
    bool endJob() override;
    void abortJob() override;
    QPainter* painter() override;
    bool changesLayoutWithinJob() const override;
    QString error() const override { return error_; }

private:
    void useDeviceMargins();
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<QPainter> painter_;
    QList<PaperCode> papers_;
    QList<QPageSize> sizes_;  // the printer's own size of each paper
    QString error_;
};

}  // namespace zb
