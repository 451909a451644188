#pragma once
// Printing as the user starts it: the paper check, the print dialog (the
// program's own or the system's standard one), a printer or a PDF file as
// the target, then the pages with the "印刷中" window.
#include "album/print_run.h"
#include "album/printer_env.h"

#include <QString>
#include <memory>

class QWidget;

namespace zb {

class Messages;

struct PrintFlowSetup {
    PrintPages pages;
    PrintOptions options;   // paper, orientation, offsets and title; range and copies are asked
    bool rangeEnabled = true;
    bool standardDialog = false;  // the system's print dialog instead of ours
    // Last choices, kept between runs by the caller.
    QString printer;
    bool toPdf = false;
    QString pdfFolder;
};

// Returns the outcome; Cancelled when the user cancelled a dialog.
PrintOutcome RunPrintFlow(QWidget* parent, PrintFlowSetup& setup, Messages& messages);

// The dialog part of the flow: the printer or PDF file the user chose, with
// the paper, range and copies written into `options`; nullptr when a dialog
// was cancelled.
std::unique_ptr<PrintDevice> ChoosePrintDevice(QWidget* parent, PrintFlowSetup& setup, PrintOptions& options);

}  // namespace zb
