#include "album/print_run.h"

#include "album/printer_env.h"

#include <QPainter>

#include "core/ports.h"

namespace zb {

QVector<int> PrintPageOrder(int from, int to, int copies, bool collate) {
    QVector<int> order;
    if (from > to || copies < 1) return order;
    order.reserve((to - from + 1) * copies);
    if (collate) {
        for (int c = 0; c < copies; ++c)
            for (int p = from; p <= to; ++p) order.append(p);
    } else {
        for (int p = from; p <= to; ++p)
            for (int c = 0; c < copies; ++c) order.append(p);
    }
    return order;
}

QString PrinterFaultMessage(PrinterFault fault) {
    QString heading;
    switch (fault) {
    case PrinterFault::Switch: heading = QStringLiteral("プリンタの切替が正しく行えません｡"); break;
    case PrinterFault::Setting: heading = QStringLiteral("プリンタの設定が正しく行えません｡"); break;
    case PrinterFault::Query: heading = QStringLiteral("プリンタの設定が確認できません｡"); break;
    case PrinterFault::Escape:
        heading = QStringLiteral("プリンタエスケープコマンドが正しくサポートされていません｡");
        break;
    }
    const QString advice = QStringLiteral("現在実行する機能はプリンタドライバが１つ以上インストールされて") +
                           QStringLiteral("\r\n") +
                           QStringLiteral("デフォルトプリンタが正しく設定・動作する状態でなければ保証できません｡") +
                           QStringLiteral("\r\n") +
                           QStringLiteral("プリンタドライバのテスト印字か Windowsの『メモ帳』などで正しく") +
                           QStringLiteral("\r\n") + QStringLiteral("印刷できることを確認して下さい｡");
    return heading + QStringLiteral("\r\n\r\n") + advice;
}

namespace {

// The device's own text when it has one (a PDF file that cannot be written
// names the file), else the printer message.
void reportDeviceFault(TPrinterEnv& env, PrinterFault fault, Messages& messages) {
    const QString own = env.device().error();
    messages.error(own.isEmpty() ? PrinterFaultMessage(fault) : own);
}

}  // namespace

PrintReport PrintDocument(TPrinterEnv& env, const PrintPages& pages, const PrintOptions& options,
                          Messages& messages, Progress& progress) {
    PrintReport report;
    if (!env.selectPaper(options.paperCode, options.orientation)) {
        messages.warning(kPaperNotListedMessage);
        env.setOrientation(options.orientation);
    }
    const int last = std::min(options.to, pages.pageCount);
    const QVector<int> order = PrintPageOrder(std::max(1, options.from), last, options.copies, options.collate);
    if (order.isEmpty()) return report;

    bool pictureFailed = false;
    progress.start(int(order.size()));
    for (qsizetype i = 0; i < order.size(); ++i) {
        const int page = order[i];
        const int orientation = pages.orientationOf ? pages.orientationOf(page) : options.orientation;
        bool ok = true;
        PrinterFault fault = PrinterFault::Escape;
        if (!env.jobOpen()) {
            if (env.currentOrientation() != orientation && !env.setOrientation(orientation)) {
                ok = false;
                fault = PrinterFault::Setting;
            } else {
                ok = env.beginJob(options.title);
                report.jobs += ok ? 1 : 0;
            }
        } else if (env.currentOrientation() == orientation) {
            ok = env.newPage();
        } else if (env.device().changesLayoutWithinJob()) {
            ok = env.setOrientation(orientation) && env.newPage();
        } else {
            // A printer keeps one orientation per job: end it and start
            // another in the page's orientation.
            ok = env.endJob();
            if (ok && !env.setOrientation(orientation)) {
                ok = false;
                fault = PrinterFault::Setting;
            }
            if (ok) {
                ok = env.beginJob(options.title);
                report.jobs += ok ? 1 : 0;
            }
        }
        if (!ok) {
            env.abortJob();
            progress.end();
            reportDeviceFault(env, fault, messages);
            report.outcome = PrintOutcome::Failed;
            return report;
        }
        QPainter* painter = env.painter();
        if (painter && pages.drawPage) {
            if (pages.comingNext) pages.comingNext(i + 1 < order.size() ? order[i + 1] : 0);
            painter->save();
            if (!pages.drawPage(page, *painter, env.printerScale(), options.offsetMm)) pictureFailed = true;
            painter->restore();
        }
        ++report.pagesPrinted;
        if (!progress.step()) {
            report.outcome = PrintOutcome::Cancelled;
            break;
        }
    }
    progress.end();
    if (env.jobOpen() && !env.endJob()) {
        reportDeviceFault(env, PrinterFault::Escape, messages);
        report.outcome = PrintOutcome::Failed;
        return report;
    }
    if (pictureFailed) messages.error(kPictureOutputFailedMessage);
    return report;
}

const QVector<QString>& PreviewZoom::captions() {
    static const QVector<QString> list = {
        QStringLiteral(" 画面内"), QStringLiteral(" 幅"),    QStringLiteral(" 50 %"),  QStringLiteral(" 60 %"),
        QStringLiteral(" 70 %"),   QStringLiteral(" 80 %"),  QStringLiteral(" 90 %"),  QStringLiteral(" 100 %"),
        QStringLiteral(" 120 %"),  QStringLiteral(" 150 %"), QStringLiteral(" 200 %"),
    };
    return list;
}

int PreviewZoom::percentOf(int index) {
    static const int percents[] = {0, 0, 50, 60, 70, 80, 90, 100, 120, 150, 200};
    return index >= 0 && index < 11 ? percents[index] : 0;
}

int PreviewZoom::step(int index, double shownPercent, bool larger) {
    const double now = index >= 2 ? percentOf(index) : shownPercent;
    if (larger) {
        for (int i = 2; i < 11; ++i)
            if (percentOf(i) > now + 0.5) return i;
        return 10;
    }
    for (int i = 10; i >= 2; --i)
        if (percentOf(i) < now - 0.5) return i;
    return 2;
}

}  // namespace zb
