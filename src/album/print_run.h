#pragma once
// Printing a document's pages on a printer environment: the page order for
// copies with and without collation, a new job when a printer meets a page
// of the other orientation, the paper check and the printing messages.
#include <QPointF>
#include <QString>
#include <QVector>
#include <functional>

class QPainter;

namespace zb {

class Messages;
class Progress;
class TPrinterEnv;

// Pages `from`…`to` (1-based, inclusive) for `copies` copies. Without
// collation every page is printed that many times in a row (2,2,3,3); with
// it the whole range is printed that many times (2,3,2,3).
QVector<int> PrintPageOrder(int from, int to, int copies, bool collate);

// What a document offers to printing.
struct PrintPages {
    int pageCount = 0;
    // 0 portrait, 1 landscape.
    std::function<int(int page)> orientationOf;
    // Draws one page's parts on the painter at `pixelsPerMm`, shifted by
    // `offsetMm`; false when a picture could not be output.
    std::function<bool(int page, QPainter& painter, double pixelsPerMm, QPointF offsetMm)> drawPage;
    // Told before each drawPage which page follows it (0 after the last), so
    // that its pictures can be decoded while this one is drawn; optional.
    std::function<void(int nextPage)> comingNext;
};

struct PrintOptions {
    int from = 1;
    int to = 1;
    int copies = 1;
    bool collate = false;
    // The album's print start offsets; formats print without them.
    QPointF offsetMm;
    int paperCode = 9;
    int orientation = 0;
    QString title;
};

enum class PrintOutcome { Printed, Cancelled, Failed };

struct PrintReport {
    PrintOutcome outcome = PrintOutcome::Printed;
    int pagesPrinted = 0;
    int jobs = 0;
};

// Prints and reports through the ports: the paper message when the device
// lacks the document's paper (printing goes on on the device's paper), the
// picture failure message at the end, a printer message when the device
// refuses the job. ESC in the progress stops after the current page.
PrintReport PrintDocument(TPrinterEnv& env, const PrintPages& pages, const PrintOptions& options,
                          Messages& messages, Progress& progress);

// The printer messages: one of the four headings, a blank line and the advice.
enum class PrinterFault { Switch, Setting, Query, Escape };
QString PrinterFaultMessage(PrinterFault fault);

inline const QString kPaperNotListedMessage = QStringLiteral("プリンタの用紙一覧に一致する用紙がありません。");
inline const QString kPictureOutputFailedMessage =
    QStringLiteral("写真・画像の印刷に失敗しました プリンタの性能を越えています。");

// The preview's zoom list: entry 0 fits the page in the window, entry 1 fits
// its width, the others are percentages.
struct PreviewZoom {
    static const QVector<QString>& captions();
    // The percentage of entry `index` (0 for the two fitting entries).
    static int percentOf(int index);
    // The entry after `index` for 拡大 (larger) or 縮小 (smaller); a fitting
    // entry steps from the percentage it shows now.
    static int step(int index, double shownPercent, bool larger);
};

}  // namespace zb
