// The print dialog and the preview, driven as a user would.
#include "album/ui/prn_dialog_form.h"
#include "album/ui/printer_device.h"
#include "album/ui/prv_form.h"
#include "core/scripted_ports.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: the platform's devices outlive the tests.
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

QList<PaperCode> papersFor(const QString& printer) {
    QList<PaperCode> list{*PaperOfCode(9), *PaperOfCode(8)};
    if (printer == "big") list.append(*PaperOfCode(12));
    return list;
}

}  // namespace

TEST(PrnDialogForm, RangeCopiesPaperAndPrinterChange) {
    app();
    PrnDialogChoice initial;
    initial.printer = "big";
    initial.paperCode = 12;
    TPrnDialogForm dialog({"small", "big"}, papersFor, initial, 7, true);
    EXPECT_EQ(dialog.windowTitle(), "印刷");
    EXPECT_EQ(dialog.printerBox()->currentText(), "big");
    EXPECT_EQ(dialog.paperBox()->currentText(), PaperOfCode(12)->name);
    EXPECT_FALSE(dialog.fromBox()->isEnabled());

    QTest::mouseClick(dialog.pagesButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.fromBox()->isEnabled());
    dialog.fromBox()->setValue(2);
    dialog.toBox()->setValue(3);
    dialog.copiesBox()->setValue(3);
    QTest::mouseClick(dialog.collateBox(), Qt::LeftButton);
    QTest::mouseClick(dialog.landscapeButton(), Qt::LeftButton);
    PrnDialogChoice c = dialog.choice();
    EXPECT_FALSE(c.allPages);
    EXPECT_EQ(c.from, 2);
    EXPECT_EQ(c.to, 3);
    EXPECT_EQ(c.copies, 3);
    EXPECT_TRUE(c.collate);
    EXPECT_EQ(c.orientation, 1);
    EXPECT_EQ(c.paperCode, 12);

    // A printer without B4 falls back to its first paper; A3 is kept across printers.
    dialog.printerBox()->setCurrentText("small");
    EXPECT_EQ(dialog.choice().paperCode, 9);
    dialog.paperBox()->setCurrentIndex(1);
    dialog.printerBox()->setCurrentText(TPrnDialogForm::pdfEntry());
    c = dialog.choice();
    EXPECT_TRUE(c.toPdf);
    EXPECT_TRUE(c.printer.isEmpty());
}

TEST(PrvForm, PagesZoomAndDrawing) {
    app();
    ScriptedMessages msg;
    QVector<int> drawn;
    PreviewSource source;
    source.lastPage = 3;
    source.paperMm = [](int page) { return page == 3 ? QSizeF(297, 210) : QSizeF(210, 297); };
    source.drawPage = [&](int page, QPainter& p, double pxPerMm) {
        drawn << page;
        p.fillRect(QRectF(10 * pxPerMm, 10 * pxPerMm, 20 * pxPerMm, 20 * pxPerMm), Qt::black);
    };
    TPrvForm form(source, 2, msg);
    form.show();
    EXPECT_EQ(form.windowTitle(), "印刷プレビュー");
    EXPECT_EQ(form.page(), 2);

    form.setZoomIndex(7);  // 100 %
    const double px = form.logicalDpiX() * 0.39375 / 10.0;
    const QImage& img = form.pageImage();
    EXPECT_NEAR(img.width(), 210 * px, 1.0);
    EXPECT_EQ(img.pixelColor(int(20 * px), int(20 * px)), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(int(5 * px), int(5 * px)), QColor(Qt::white));

    QTest::mouseClick(form.zoomInButton(), Qt::LeftButton);
    EXPECT_EQ(form.zoomIndex(), 8);
    EXPECT_NEAR(form.shownPercent(), 120, 0.01);

    QTest::mouseClick(form.nextButton(), Qt::LeftButton);
    EXPECT_EQ(form.page(), 3);
    EXPECT_FALSE(form.nextButton()->isEnabled());
    EXPECT_GT(form.pageImage().width(), form.pageImage().height());  // landscape page

    msg.replyText(QString("1200"));
    QTest::mouseClick(form.jumpButton(), Qt::LeftButton);
    EXPECT_EQ(msg.log.last(), "input: ページ指定/ページ指定 (1～3)");
    EXPECT_EQ(form.page(), 3);
    msg.replyText(QString("0"));
    QTest::mouseClick(form.jumpButton(), Qt::LeftButton);
    EXPECT_EQ(form.page(), 1);
    EXPECT_FALSE(form.previousButton()->isEnabled());
    EXPECT_EQ(form.pageLabel()->text(), "1 / 3");
}

// A printer keeps only what it cannot print as margins, so that a part lands
// where it lands in a PDF; Qt's own 10-point margins are not added. (Without
// an installed printer this is Qt's stand-in PDF printer, whose sheet has no
// unprintable edge.)
TEST(PrinterDevice, PageKeepsOnlyTheDevicesUnprintableEdges) {
    app();
    PrinterDevice device;
    const auto check = [&](const char* when) {
        const QPageLayout layout = device.printer().pageLayout();
        EXPECT_EQ(layout.margins(), layout.minimumMargins()) << when;
        const QRect full = device.fullRectPixels(), paint = device.paintRectPixels();
        const QMargins edges = layout.marginsPixels(device.printer().resolution());
        EXPECT_EQ(paint, full.marginsRemoved(edges)) << when;
        if (layout.minimumMargins().isNull())
            EXPECT_EQ(paint, full) << when;
    };
    check("opened");
    device.setOrientation(1);
    check("landscape");
    if (!device.papers().isEmpty()) {
        device.setPaper(device.papers().last().code);
        check("another paper");
    }
}
