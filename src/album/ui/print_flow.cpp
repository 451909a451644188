#include "album/ui/print_flow.h"

#include "album/printer_env.h"
#include "album/ui/printer_device.h"
#include "album/ui/prn_dialog_form.h"
#include "album/ui/prn_form.h"
#include "core/ports.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace zb {

namespace {

QList<PaperCode> papersOfEntry(const QString& entry) {
    if (entry == TPrnDialogForm::pdfEntry()) return PdfPrintDevice(QString()).papers();
    return PrinterDevice(entry).papers();
}

}  // namespace

PrintOutcome RunPrintFlow(QWidget* parent, PrintFlowSetup& setup, Messages& messages) {
    PrintOptions options = setup.options;
    std::unique_ptr<PrintDevice> device = ChoosePrintDevice(parent, setup, options);
    if (!device) return PrintOutcome::Cancelled;
    TPrinterEnv env(std::move(device));
    TPrnForm progress(parent);
    return PrintDocument(env, setup.pages, options, messages, progress).outcome;
}

std::unique_ptr<PrintDevice> ChoosePrintDevice(QWidget* parent, PrintFlowSetup& setup, PrintOptions& options) {
    const int last = std::max(1, setup.pages.pageCount);
    std::unique_ptr<PrintDevice> device;

    if (setup.standardDialog && !setup.toPdf && !PrinterDevice::printerNames().isEmpty()) {
        auto printer = std::make_unique<PrinterDevice>(setup.printer);
        QPrintDialog dialog(&printer->printer(), parent);
        dialog.setMinMax(1, last);
        dialog.setFromTo(1, last);
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, setup.rangeEnabled);
        dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        if (dialog.exec() != QDialog::Accepted) return nullptr;
        QPrinter& p = printer->printer();
        options.from = p.printRange() == QPrinter::PageRange ? p.fromPage() : 1;
        options.to = p.printRange() == QPrinter::PageRange ? p.toPage() : last;
        options.copies = std::max(1, p.copyCount());
        options.collate = p.collateCopies();
        // The driver makes the copies itself when it can; we print them once.
        p.setCopyCount(1);
        setup.printer = p.printerName();
        device = std::move(printer);
    } else {
        PrnDialogChoice initial;
        initial.printer = setup.printer;
        initial.toPdf = setup.toPdf || PrinterDevice::printerNames().isEmpty();
        initial.paperCode = options.paperCode;
        initial.orientation = options.orientation;
        initial.to = last;
        TPrnDialogForm dialog(PrinterDevice::printerNames(), papersOfEntry, initial, last, setup.rangeEnabled, parent);
        QObject::connect(&dialog, &TPrnDialogForm::propertiesRequested, &dialog, [&dialog](const QString& name) {
            if (name == TPrnDialogForm::pdfEntry()) return;
            PrinterDevice probe(name);
            QPageSetupDialog page(&probe.printer(), &dialog);
            page.setWindowTitle(QStringLiteral("印刷設定"));
            page.exec();
        });
        if (dialog.exec() != QDialog::Accepted) return nullptr;
        const PrnDialogChoice c = dialog.choice();
        options.paperCode = c.paperCode;
        options.orientation = c.orientation;
        options.from = c.allPages ? 1 : c.from;
        options.to = c.allPages ? last : c.to;
        options.copies = c.copies;
        options.collate = c.collate;
        setup.toPdf = c.toPdf;
        if (c.toPdf) {
            const QString start = setup.pdfFolder.isEmpty() ? QDir::homePath() : setup.pdfFolder;
            const QString path = QFileDialog::getSaveFileName(parent, QStringLiteral("PDF ファイルへ出力"),
                                                              start + QStringLiteral("/") + options.title +
                                                                  QStringLiteral(".pdf"),
                                                              QStringLiteral("PDF (*.pdf)"));
            if (path.isEmpty()) return nullptr;
            setup.pdfFolder = QFileInfo(path).absolutePath();
            device = std::make_unique<PdfPrintDevice>(path);
        } else {
            setup.printer = c.printer;
            device = std::make_unique<PrinterDevice>(c.printer);
        }
    }
    return device;
}

}  // namespace zb
