// Printing: page order for copies, jobs split by orientation on a printer,
// one PDF file with switching page layouts, the paper check and messages.
#include "album/document_print.h"
#include "album/print_run.h"
#include "album/printer_env.h"
#include "core/scripted_ports.h"
#include "support/temp_dir.h"

#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace zb;
using zbtest::TempDir;

namespace {

// A printer that records what printing asks of it and keeps one
// orientation per job, as a real printer driver does.
class RecordingDevice : public PrintDevice {
public:
    QStringList calls;
    QList<PaperCode> paperList;
    int paper = 9, orient = 0;
    bool failBegin = false;
    QImage canvas{100, 100, QImage::Format_RGB32};
    std::unique_ptr<QPainter> p;

    RecordingDevice() {
        for (int code : {9, 8, 11}) paperList.append(*PaperOfCode(code));
    }
    QString name() const override { return "rec"; }
    QList<PaperCode> papers() const override { return paperList; }
    bool setPaper(int code) override {
        calls << QString("paper %1").arg(code);
        paper = code;
        return true;
    }
    int paperCode() const override { return paper; }
    bool setOrientation(int o) override {
        if (p) return false;  // a printer refuses to change inside a job
        if (o != orient) calls << QString("orient %1").arg(o);
        orient = o;
        return true;
    }
    int orientation() const override { return orient; }
    int dpiX() const override { return 600; }
    int dpiY() const override { return 600; }
    QRect fullRectPixels() const override { return {0, 0, 4960, 7016}; }
    QRect paintRectPixels() const override { return {100, 120, 4760, 6776}; }
    bool beginJob(const QString& title) override {
        calls << "begin " + title;
        if (failBegin) return false;
        p = std::make_unique<QPainter>(&canvas);
        return true;
    }
    bool newPage() override {
        calls << "page";
        return true;
    }
    bool endJob() override {
        calls << "end";
        p.reset();
        return true;
    }
    void abortJob() override {
        calls << "abort";
        p.reset();
    }
    QPainter* painter() override { return p.get(); }
    bool changesLayoutWithinJob() const override { return false; }
    QString error() const override { return {}; }
};

struct Doc {
    explicit Doc(QVector<int> pageOrientations) : orientations(std::move(pageOrientations)) {}
    QVector<int> orientations;
    QVector<int> drawn;
    QVector<int> announced;  // the page said to follow, before each drawing
    bool pictureFails = false;
    PrintPages pages() {
        PrintPages pp;
        pp.pageCount = int(orientations.size());
        pp.orientationOf = [this](int page) { return orientations[page - 1]; };
        pp.drawPage = [this](int page, QPainter& painter, double, QPointF) {
            drawn << page;
            painter.fillRect(QRect(0, 0, 10, 10), Qt::black);
            return !pictureFails;
        };
        pp.comingNext = [this](int page) { announced << page; };
        return pp;
    }
};

// Pages of a PDF file Qt wrote: each page's MediaBox in points.
QList<QSizeF> pdfPages(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromLatin1(f.readAll());
    QList<QSizeF> out;
    static const QRegularExpression box(QStringLiteral("/MediaBox \\[\\s*0 0 ([0-9.]+) ([0-9.]+)\\s*\\]"));
    auto it = box.globalMatch(text);
    while (it.hasNext()) {
        auto m = it.next();
        out.append(QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()));
    }
    return out;
}

}  // namespace

TEST(PrintPageOrder, CopiesWithAndWithoutCollation) {
    EXPECT_EQ(PrintPageOrder(2, 3, 3, false), (QVector<int>{2, 2, 2, 3, 3, 3}));
    EXPECT_EQ(PrintPageOrder(2, 3, 3, true), (QVector<int>{2, 3, 2, 3, 2, 3}));
    EXPECT_EQ(PrintPageOrder(1, 1, 1, false), (QVector<int>{1}));
    EXPECT_TRUE(PrintPageOrder(3, 2, 1, false).isEmpty());
    EXPECT_TRUE(PrintPageOrder(1, 2, 0, false).isEmpty());
}

TEST(PrintDocument, EachDrawingIsToldThePageThatFollows) {
    const struct {
        bool collate;
        QVector<int> drawn, announced;
    } cases[] = {{false, {2, 2, 2, 3, 3, 3}, {2, 2, 3, 3, 3, 0}}, {true, {2, 3, 2, 3, 2, 3}, {3, 2, 3, 2, 3, 0}}};
    for (const auto& c : cases) {
        TPrinterEnv env(std::make_unique<RecordingDevice>());
        Doc doc{{0, 0, 0}};
        ScriptedMessages msg;
        ScriptedProgress prog;
        PrintOptions opt;
        opt.from = 2;
        opt.to = 3;
        opt.copies = 3;
        opt.collate = c.collate;
        EXPECT_EQ(PrintDocument(env, doc.pages(), opt, msg, prog).outcome, PrintOutcome::Printed);
        EXPECT_EQ(doc.drawn, c.drawn) << c.collate;
        EXPECT_EQ(doc.announced, c.announced) << c.collate;
    }
}

TEST(PrintDocument, PrinterStartsANewJobWhenTheOrientationChanges) {
    auto dev = std::make_unique<RecordingDevice>();
    RecordingDevice* d = dev.get();
    TPrinterEnv env(std::move(dev));
    Doc doc{{0, 0, 1}};
    ScriptedMessages msg;
    ScriptedProgress prog;
    PrintOptions opt;
    opt.to = 3;
    opt.title = "写真帳";
    const PrintReport r = PrintDocument(env, doc.pages(), opt, msg, prog);
    EXPECT_EQ(r.outcome, PrintOutcome::Printed);
    EXPECT_EQ(r.jobs, 2);
    EXPECT_EQ(doc.drawn, (QVector<int>{1, 2, 3}));
    EXPECT_EQ(d->calls, (QStringList{"paper 9", "begin 写真帳", "page", "end", "orient 1", "begin 写真帳", "end"}));
    EXPECT_TRUE(msg.boxes().isEmpty());
    EXPECT_FALSE(env.jobOpen());
}

TEST(PrintDocument, PaperMissingFromThePrinterStillPrintsWithTheMessage) {
    TPrinterEnv env(std::make_unique<RecordingDevice>());
    Doc doc{{0}};
    ScriptedMessages msg;
    ScriptedProgress prog;
    PrintOptions opt;
    opt.paperCode = 12;  // B4, not in the list
    const PrintReport r = PrintDocument(env, doc.pages(), opt, msg, prog);
    EXPECT_EQ(r.pagesPrinted, 1);
    EXPECT_EQ(msg.boxes(), QStringList{"warning: プリンタの用紙一覧に一致する用紙がありません。"});
    EXPECT_EQ(env.currentPaper(), 9);
}

TEST(PrintDocument, FailuresAndStopping) {
    {  // a picture that could not be output: the message at the end, every page printed
        TPrinterEnv env(std::make_unique<RecordingDevice>());
        Doc doc{{0, 0}};
        doc.pictureFails = true;
        ScriptedMessages msg;
        ScriptedProgress prog;
        PrintOptions opt;
        opt.to = 2;
        EXPECT_EQ(PrintDocument(env, doc.pages(), opt, msg, prog).pagesPrinted, 2);
        EXPECT_EQ(msg.boxes(), QStringList{"error: 写真・画像の印刷に失敗しました プリンタの性能を越えています。"});
    }
    {  // a printer that refuses the job
        auto dev = std::make_unique<RecordingDevice>();
        dev->failBegin = true;
        TPrinterEnv env(std::move(dev));
        Doc doc{{0}};
        ScriptedMessages msg;
        ScriptedProgress prog;
        EXPECT_EQ(PrintDocument(env, doc.pages(), PrintOptions{}, msg, prog).outcome, PrintOutcome::Failed);
        ASSERT_EQ(msg.boxes().size(), 1);
        EXPECT_EQ(msg.boxes()[0], "error: " + PrinterFaultMessage(PrinterFault::Escape));
        EXPECT_TRUE(doc.drawn.isEmpty());
    }
    {  // ESC after the second page ends the job there
        auto dev = std::make_unique<RecordingDevice>();
        RecordingDevice* d = dev.get();
        TPrinterEnv env(std::move(dev));
        Doc doc{{0, 0, 0, 0}};
        ScriptedMessages msg;
        ScriptedProgress prog;
        prog.stopAfter = 2;
        PrintOptions opt;
        opt.to = 4;
        const PrintReport r = PrintDocument(env, doc.pages(), opt, msg, prog);
        EXPECT_EQ(r.outcome, PrintOutcome::Cancelled);
        EXPECT_EQ(doc.drawn, (QVector<int>{1, 2}));
        EXPECT_EQ(d->calls.last(), "end");
    }
}

TEST(PrinterFaultMessage, HeadingBlankLineAndAdvice) {
    EXPECT_EQ(PrinterFaultMessage(PrinterFault::Switch),
              QStringLiteral("プリンタの切替が正しく行えません｡\r\n\r\n"
                             "現在実行する機能はプリンタドライバが１つ以上インストールされて\r\n"
                             "デフォルトプリンタが正しく設定・動作する状態でなければ保証できません｡\r\n"
                             "プリンタドライバのテスト印字か Windowsの『メモ帳』などで正しく\r\n"
                             "印刷できることを確認して下さい｡"));
}

TEST(PdfPrintDevice, OneFileWhosePagesFollowTheirOrientation) {
    TempDir dir;
    const QString path = dir.path() + "/out.pdf";
    TPrinterEnv env(std::make_unique<PdfPrintDevice>(path, 150));
    Doc doc{{0, 0, 1}};
    ScriptedMessages msg;
    ScriptedProgress prog;
    PrintOptions opt;
    opt.to = 3;
    opt.copies = 2;
    opt.collate = true;
    const PrintReport r = PrintDocument(env, doc.pages(), opt, msg, prog);
    EXPECT_EQ(r.jobs, 1);
    EXPECT_EQ(r.pagesPrinted, 6);
    const QList<QSizeF> pages = pdfPages(path);
    ASSERT_EQ(pages.size(), 6);
    const QSizeF portrait(595.0, 842.0), landscape(842.0, 595.0);
    const QList<QSizeF> expected{portrait, portrait, landscape, portrait, portrait, landscape};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(pages[i].width(), expected[i].width(), 1.0) << i;
        EXPECT_NEAR(pages[i].height(), expected[i].height(), 1.0) << i;
    }
    EXPECT_TRUE(msg.boxes().isEmpty());
}

TEST(PdfPrintDevice, JisB4AndAnUnwritableTarget) {
    TempDir dir;
    {
        const QString path = dir.path() + "/b4.pdf";
        TPrinterEnv env(std::make_unique<PdfPrintDevice>(path));
        ASSERT_TRUE(env.selectPaper(12, 0));
        EXPECT_NEAR(env.physicalSizeMm().width(), 257.0, 0.2);
        EXPECT_NEAR(env.physicalSizeMm().height(), 364.0, 0.2);
        EXPECT_NEAR(env.printerScale(), 300 / 25.396825, 0.01);
        EXPECT_EQ(env.lineUnit(), 1);
    }
    {
        const QString path = dir.path() + "/no/such/folder/out.pdf";
        TPrinterEnv env(std::make_unique<PdfPrintDevice>(path));
        Doc doc{{0}};
        ScriptedMessages msg;
        ScriptedProgress prog;
        EXPECT_EQ(PrintDocument(env, doc.pages(), PrintOptions{}, msg, prog).outcome, PrintOutcome::Failed);
        ASSERT_EQ(msg.boxes().size(), 1);
        EXPECT_TRUE(msg.boxes()[0].startsWith("error: PDF ファイルに書き込めません。")) << msg.boxes()[0].toStdString();
    }
}

TEST(PaperSizes, CodesAndJisSizes) {
    struct Case {
        int code;
        double w, h;
    } cases[] = {{8, 297, 420}, {9, 210, 297}, {11, 148, 210}, {12, 257, 364}, {13, 182, 257},
                 {1, 215.9, 279.4}, {5, 215.9, 355.6}, {43, 100, 148}};
    for (const Case& c : cases) {
        const auto p = PaperOfCode(c.code);
        ASSERT_TRUE(p) << c.code;
        EXPECT_NEAR(p->portraitMm.width(), c.w, 0.05) << c.code;
        EXPECT_NEAR(p->portraitMm.height(), c.h, 0.05) << c.code;
        EXPECT_EQ(PaperCodeOf(*PageSizeOfCode(c.code)), c.code);
        const QSizeF qt = PageSizeOfCode(c.code)->size(QPageSize::Millimeter);
        EXPECT_NEAR(qt.width(), c.w, 0.6) << c.code;
        EXPECT_NEAR(qt.height(), c.h, 0.6) << c.code;
    }
    EXPECT_FALSE(PaperOfCode(999));
    EXPECT_EQ(PaperCodeOf(QPageSize(QSizeF(123, 45), QPageSize::Millimeter)), 0);
    EXPECT_EQ(PaperCodeOf(QPageSize(QSizeF(297, 210), QPageSize::Millimeter)), 9);  // A4 given landscape
}

TEST(PreviewZoom, StepsThroughThePercentages) {
    EXPECT_EQ(PreviewZoom::captions().size(), 11);
    EXPECT_EQ(PreviewZoom::captions()[7], " 100 %");
    EXPECT_EQ(PreviewZoom::step(7, 100, true), 8);
    EXPECT_EQ(PreviewZoom::step(7, 100, false), 6);
    EXPECT_EQ(PreviewZoom::step(10, 200, true), 10);
    EXPECT_EQ(PreviewZoom::step(2, 50, false), 2);
    EXPECT_EQ(PreviewZoom::step(0, 84, true), 6);   // fit showing 84 % → 90 %
    EXPECT_EQ(PreviewZoom::step(1, 84, false), 5);  // → 80 %
}

TEST(PrintPagesOf, OffsetsShiftThePartsAndAbsentPagesTakeTheDocumentOrientation) {
    album::TPartsBox part;
    part.Shape = album::ptRectangle;
    part.PWidth = album::mm(10);
    part.PHeight = album::mm(10);
    part.BrushColor = 0;  // black fill
    album::PrintSource source;
    source.pageCount = 3;
    source.orientation = 1;
    source.pageAt = [&](int number) {
        album::Page page;
        if (number == 2) {
            page.parts << part;
            page.orientation = 0;
        }
        return page;
    };
    const PrintPages pages = album::printPagesOf(source);
    EXPECT_EQ(pages.orientationOf(1), 1);
    EXPECT_EQ(pages.orientationOf(2), 0);
    struct Case {
        QPointF offsetMm;
        QPoint inside, outside;
    } cases[] = {{{0, 0}, {20, 20}, {60, 60}}, {{10, 5}, {60, 40}, {20, 10}}};
    for (const Case& c : cases) {
        QImage image(200, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter g(&image);
            EXPECT_TRUE(pages.drawPage(2, g, 4.0, c.offsetMm));
        }
        EXPECT_EQ(image.pixel(c.inside), qRgb(0, 0, 0)) << c.offsetMm.x();
        EXPECT_EQ(image.pixel(c.outside), qRgb(255, 255, 255)) << c.offsetMm.x();
    }
}
