#include "album/layout_listing.h"

#include "album/printer_env.h"
#include "core/ports.h"
#include "items/date_format.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

namespace zb::album {

namespace {

QString mmText(Currency v) { return QString::number(toMm(v), 'f', 1); }

// A part's text on one line: breaks shown as "|", long texts cut.
QString captionText(const QString& caption) {
    constexpr int kMaxChars = 60;
    QString t = caption;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("|"));
    t.replace(QChar('\n'), QChar('|'));
    t.replace(QChar('\r'), QChar('|'));
    if (t.size() > kMaxChars) t = t.left(kMaxChars) + QStringLiteral("(省略)");
    return t;
}

QString penStyleText(quint8 s) {
    static const char* names[] = {"実線", "破線", "点線", "一点鎖線", "二点鎖線", "なし", "内側実線"};
    return s < 7 ? QString::fromUtf8(names[s]) : QString::number(s);
}

QString brushStyleText(quint8 s) {
    static const char* names[] = {"塗りつぶし", "なし", "横線", "縦線", "斜線１", "斜線２", "格子１", "格子２"};
    return s < 8 ? QString::fromUtf8(names[s]) : QString::number(s);
}

QString arrowText(TArrowStyle a) {
    static const char* names[] = {"なし", "左", "右", "両端"};
    return a < 4 ? QString::fromUtf8(names[a]) : QString::number(a);
}

QString rotateText(quint8 r) {
    static const char* names[] = {"標準", "左", "下", "右"};
    return r < 4 ? QString::fromUtf8(names[r]) : QString::number(r);
}

QString imageOrientationText(quint8 r) {
    static const char* names[] = {"標準", "右90°", "下180°", "左270°"};
    return r < 4 ? QString::fromUtf8(names[r]) : QString::number(r);
}

QString kageText(TKageStyle k) {
    static const char* names[] = {"なし", "上", "左上", "左", "左下", "下", "右下", "右", "右上"};
    return k < 9 ? QString::fromUtf8(names[k]) : QString::number(k);
}

QString alignmentText(TAlignment a) {
    static const char* names[] = {"左", "右", "中央"};
    return a < 3 ? QString::fromUtf8(names[a]) : QString::number(a);
}

QString layoutText(TTextLayout l) {
    static const char* names[] = {"上", "中央", "下"};
    return l < 3 ? QString::fromUtf8(names[l]) : QString::number(l);
}

QString slotText(qint8 slot) {
    if (slot > 0) return QStringLiteral("写真") + QString::number(slot);
    if (slot < 0) return QStringLiteral("追加");
    return QStringLiteral("なし");
}

QString yesNo(bool b) { return b ? QStringLiteral("有") : QStringLiteral("無"); }

QString pairText(const ListingPair& p) { return QStringLiteral("[") + p.first + QStringLiteral("]: ") + p.second; }

}  // namespace

QStringList listingDocumentLines(const ListingDocument& doc) {
    QStringList lines;
    if (doc.album) {
        lines << QStringLiteral("[写真帳名]：") + (doc.albumName.isEmpty() ? QStringLiteral("(無)") : doc.albumName);
        if (doc.offsetX != 0) lines << QStringLiteral("[印刷開始 X]：") + mmText(doc.offsetX);
        if (doc.offsetY != 0) lines << QStringLiteral("[印刷開始 Y]：") + mmText(doc.offsetY);
        if (doc.pageStart != 0) lines << QStringLiteral("[ページ初期値]：") + QString::number(doc.pageStart);
        lines << QStringLiteral("[ページ数]：") + QString::number(doc.page) + QStringLiteral("/") +
                     QString::number(doc.lastPage);
    }
    lines << QStringLiteral("[書式名]：") + doc.formatName;
    lines << QStringLiteral("[用紙サイズ]：") +
                 (doc.paperName.isEmpty() ? QStringLiteral("不明 code=") + QString::number(doc.paperCode)
                                          : doc.paperName);
    lines << (doc.orientation == 1 ? QStringLiteral("[用紙方向]：横") : QStringLiteral("[用紙方向]：縦"));
    return lines;
}

QList<ListingPair> listingPartPairs(const TPartsBox& p) {
    QList<ListingPair> out;
    auto add = [&out](const char* label, const QString& value) { out.append({QString::fromUtf8(label), value}); };
    add("項目種別", partsTypeCaption(p.Shape));
    add("座標 X", mmText(p.PLeft));
    add("Y", mmText(p.PTop));
    add("W", mmText(p.PWidth));
    add("H", mmText(p.PHeight));
    add("線幅", mmText(p.PenWidth));
    add("線色", QString::number(p.PenColor));
    add("線種", penStyleText(p.PenStyle));
    add("塗色", QString::number(p.BrushColor));
    add("塗種", brushStyleText(p.Brush));
    add("傾き", QString::number(p.Diagonal));
    add("矢印", arrowText(p.Arrow));
    add("向き", yesNo(p.Direction));
    add("明細線", QString::number(p.MeisaiLine));
    add("画像向き", imageOrientationText(p.ImageOrientation));
    add("関連", slotText(p.FormIndex));
    add("写真番号", QString::number(p.PhotoRecord));
    add("参考図番号", QString::number(p.RefRecord));
    add("反転横", yesNo(p.MirrorH));
    add("反転縦", yesNo(p.MirrorV));
    add("文字", captionText(p.Caption));
    add("フォント名", p.Font.name);
    if (p.Font.style & fsBold) add("文字強調", QStringLiteral("有"));
    if (p.Font.style & fsItalic) add("文字斜体", QStringLiteral("有"));
    if (p.Font.style & fsUnderline) add("文字下線", QStringLiteral("有"));
    if (p.Font.style & fsStrikeOut) add("文字取消線", QStringLiteral("有"));
    add("文字色", QString::number(p.Font.color));
    add("文字サイズ", QString::number(p.Font.size));
    add("文字向き", rotateText(p.Rotate));
    add("文字影", kageText(p.Kage));
    add("文字影色", QString::number(p.KageColor));
    add("文字枠", yesNo(p.Waku));
    add("文字枠色", QString::number(p.WakuColor));
    add("文字間隔", mmText(p.Pitch));
    add("文字行間", mmText(p.LinePitch));
    add("文字配置横", alignmentText(p.Alignment));
    add("文字配置縦", layoutText(p.Layout));
    add("文字自動幅", yesNo(p.Justfit));
    return out;
}

QString eraDateText(QDate date) {
    const items::Era* era = items::eraOf(date.year(), date.month(), date.day());
    if (!era) return QString::number(date.year()) + QStringLiteral("年") + QString::number(date.month()) +
                     QStringLiteral("月") + QString::number(date.day()) + QStringLiteral("日");
    return era->name + QString::number(date.year() - era->year + 1) + QStringLiteral("年") +
           QString::number(date.month()) + QStringLiteral("月") + QString::number(date.day()) + QStringLiteral("日");
}

QString listingHeading(bool formatMode, QDate today) {
    return QStringLiteral("《 ゾルベル ") + (formatMode ? QStringLiteral("書式") : QStringLiteral("レイアウト")) +
           QStringLiteral(" 印刷 》") + QStringLiteral("  ") + eraDateText(today);
}

PrintReport printLayoutListing(TPrinterEnv& env, bool formatMode, const ListingDocument& doc, const Page& page,
                               QDate today, Messages& messages, Progress& progress) {
    // Lines of text: the document lines, then per part its pairs packed into
    // lines four blanks apart while they fit the width; an empty line between
    // blocks. Measuring needs the printer's resolution, so the packing runs
    // inside the drawing of the first page.
    QList<QStringList> blocks;
    for (const TPartsBox& part : page.parts) {
        QStringList texts;
        for (const ListingPair& p : listingPartPairs(part)) texts << pairText(p);
        blocks << texts;
    }
    const QStringList docLines = listingDocumentLines(doc);
    const QString heading = listingHeading(formatMode, today);

    struct Layout {
        QStringList lines;
        int linesPerPage = 1;
        bool ready = false;
    } layout;

    auto prepare = [&](QPainter& painter, double pixelsPerMm) {
        if (layout.ready) return;
        layout.ready = true;
        QFont font(QStringLiteral("ＭＳ ゴシック"));
        font.setPointSizeF(9);
        painter.setFont(font);
        const QFontMetricsF fm(painter.font());
        const int unit = env.lineUnit();
        const double width = env.printableWidthMm() * pixelsPerMm - 20 * unit;
        const double height = env.printableHeightMm() * pixelsPerMm - 20 * unit;
        const double lineHeight = fm.height() * 1.4;
        layout.lines << docLines;
        for (const QStringList& texts : blocks) {
            layout.lines << QString();
            QString line;
            for (const QString& t : texts) {
                const QString joined = line.isEmpty() ? t : line + QStringLiteral("    ") + t;
                if (!line.isEmpty() && fm.horizontalAdvance(joined) > width) {
                    layout.lines << line;
                    line = t;
                } else {
                    line = joined;
                }
            }
            if (!line.isEmpty()) layout.lines << line;
        }
        // Two lines of every page hold the heading and an empty line.
        layout.linesPerPage = std::max(1, int(height / lineHeight) - 2);
    };

    // The page count depends on the measuring above: measure on a scratch
    // image at the printer's resolution first.
    {
        QImage scratch(8, 8, QImage::Format_RGB32);
        scratch.setDotsPerMeterX(qRound(env.device().dpiX() / 0.0254));
        scratch.setDotsPerMeterY(qRound(env.device().dpiY() / 0.0254));
        QPainter painter(&scratch);
        prepare(painter, env.printerScale());
    }
    const int pageCount = std::max(1, int((layout.lines.size() + layout.linesPerPage - 1) / layout.linesPerPage));

    PrintPages pages;
    pages.pageCount = pageCount;
    pages.orientationOf = [](int) { return 0; };
    pages.drawPage = [&](int pageNo, QPainter& painter, double pixelsPerMm, QPointF) {
        QFont font(QStringLiteral("ＭＳ ゴシック"));
        font.setPointSizeF(9);
        painter.setFont(font);
        painter.setPen(QPen(Qt::black, env.lineUnit(), Qt::SolidLine));
        const QFontMetricsF fm(painter.font());
        const double lineHeight = fm.height() * 1.4;
        const double left = 10 * env.lineUnit();
        double y = 10 * env.lineUnit() + fm.height() * 0.2 + fm.ascent();
        painter.drawText(QPointF(left, y), heading);
        y += 2 * lineHeight;
        const int first = (pageNo - 1) * layout.linesPerPage;
        for (int i = first; i < std::min(int(layout.lines.size()), first + layout.linesPerPage); ++i) {
            painter.drawText(QPointF(left, y), layout.lines[i]);
            y += lineHeight;
        }
        (void)pixelsPerMm;
        return true;
    };

    PrintOptions options;
    options.from = 1;
    options.to = pageCount;
    options.paperCode = kPaperA4;
    options.orientation = 0;
    options.title = formatMode ? QStringLiteral("書式印刷") : QStringLiteral("レイアウト印刷");
    return PrintDocument(env, pages, options, messages, progress);
}

}  // namespace zb::album
