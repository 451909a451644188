#include "delivery/html_album.h"

#include "core/ports.h"
#include "core/sjis.h"
#include "delivery/delivery_common.h"
#include "imaging/jpeg_transform.h"

#include <QDir>
#include <QFileInfo>

namespace zb {

namespace {

const QByteArray kDoctype = R"(<!DOCTYPE html PUBLIC "-//W3C//DTD HTML 4.0 Transitional//EN">)";
// Without it current browsers guess the encoding and show the Japanese text garbled.
const QByteArray kMeta = R"(<meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">)";
const QByteArray kIndexBody =
    R"(<body bgcolor="#60bd8e" text="#ffffff" link="#0000ff" vlink="#0000ff" alink="#0000ff">)";
const QByteArray kPageBody =
    R"(<body bgcolor="#ceffce" text="#000000" link="#000000" vlink="#000000" alink="#000000">)";

class Page {
public:
    void line(const QString& text, int indent = 0)
    {
        bytes_ += QByteArray(indent * 4, ' ');
        bytes_ += sjis::toBytes(text);
        bytes_ += "\r\n";
    }
    void raw(const QByteArray& text, int indent = 0)
    {
        bytes_ += QByteArray(indent * 4, ' ');
        bytes_ += text;
        bytes_ += "\r\n";
    }
    void head(const QByteArray& body)
    {
        raw(kDoctype);
        raw("<html>");
        raw("<head>");
        raw(kMeta);
        line(QStringLiteral("<title>") + kHtmlTitle + QStringLiteral("</title>"));
        raw("</head>");
        raw(body);
    }
    void foot()
    {
        raw("</body>");
        raw("</html>");
    }
    void row(const QString& label, const QString& value, int width, int indent)
    {
        if (value.isEmpty())
            return;
        raw("<tr>", indent);
        line(QStringLiteral("<td width=\"%1\" align=\"center\" bgcolor=\"#999999\">").arg(width) + label +
                 QStringLiteral("</td>"),
             indent + 1);
        line(QStringLiteral("<td bgcolor=\"#ffffff\">") + htmlText(value) + QStringLiteral("</td>"), indent + 1);
        raw("</tr>", indent);
    }
    const QByteArray& bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

}  // namespace

QString htmlDate(const QString& value)
{
    if (value.size() != 8)
        return value;
    return value.left(4) + QStringLiteral(" 年 ") + value.mid(4, 2) + QStringLiteral(" 月 ") + value.mid(6, 2) +
           QStringLiteral(" 日");
}

QString htmlText(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        switch (c.unicode()) {
        case '&': out += QStringLiteral("&amp;"); break;
        case '<': out += QStringLiteral("&lt;"); break;
        case '>': out += QStringLiteral("&gt;"); break;
        case '"': out += QStringLiteral("&quot;"); break;
        default: out += c;
        }
    }
    return out;
}

HtmlResult writeHtmlAlbum(const ExportJob& job, const HtmlOptions& options, Messages& messages, Progress& progress,
                          QString* albumPage, int* pagesWritten)
{
    const QString album = QDir::cleanPath(options.folder) + QStringLiteral("/ALBUM");
    if (QFileInfo::exists(album)) {
        messages.warning(kHtmlAlbumExists.arg(QDir::toNativeSeparators(album)));
        return HtmlResult::Refused;
    }
    QString error, failedPath;
    auto fail = [&](const QString& path, const QString& why) {
        progress.end();
        messages.error(kHtmlWriteFailed.arg(QDir::toNativeSeparators(path), why));
        return HtmlResult::Failed;
    };
    for (const QString& d : {album, album + QStringLiteral("/PIC"), album + QStringLiteral("/DRA"),
                             album + QStringLiteral("/HTML")})
        if (!QDir().mkpath(d))
            return fail(d, QStringLiteral("フォルダを作成できません"));

    engine::Table& table = *job.table;
    QHash<RECORD, PhotoRowText> rows;
    try {
        rows = scanPhotoRows(table, job.fields);
    } catch (const engine::EngineError& e) {
        return fail(table.path(), e.message());
    }
    const QList<FiledPhoto> photos = filedPhotos(*job.folders);
    progress.start(int(photos.size()) + 1);
    auto shown = [&](const FiledPhoto& p) {
        auto it = rows.constFind(p.record);
        return it != rows.constEnd() && it->flag != kExcludedFlag;
    };
    auto hasDrawing = [&](const FiledPhoto& p) {
        if (!shown(p))
            return false;
        for (RECORD d : rows[p.record].drawings)
            if (d != 0)
                return true;
        return false;
    };
    auto save = [&](const QString& name, const Page& page) {
        return writeNewFile(album + QLatin1Char('/') + name, page.bytes(), &error) ? QString() : album + QLatin1Char('/') + name;
    };

    // ALBUM.HTM: the frames.
    Page frame;
    frame.raw(kDoctype);
    frame.raw("<html>");
    frame.raw("<head>");
    frame.raw(kMeta);
    frame.line(QStringLiteral("<title>") + kHtmlTitle + QStringLiteral("</title>"));
    frame.raw("</head>");
    frame.raw(R"(<frameset cols="129,*">)");
    frame.raw(R"(<frame src="HTML/INDEX.HTM">)", 1);
    frame.raw(R"(<frame src="HTML/PAGE1.HTM" name="page_main">)", 1);
    frame.raw("<noframes>", 1);
    frame.raw("<body>", 1);
    frame.line(QStringLiteral("<p>このページをご覧いただくにはフレーム対応のブラウザが必要です。</p>"), 2);
    frame.raw("</body>", 1);
    frame.raw("</noframes>", 1);
    frame.raw("</frameset>");
    frame.raw("</html>");
    if (QString p = save(QStringLiteral("ALBUM.HTM"), frame); !p.isEmpty())
        return fail(p, error);

    // PAGE1.HTM: the basic and construction information.
    bool anyShown = false;
    for (const FiledPhoto& p : photos)
        anyShown = anyShown || shown(p);
    Page first;
    first.head(kPageBody);
    first.raw("Page.1<br><br>");
    auto infoTable = [&](const QString& caption, const QList<QPair<QString, QString>>& items) {
        first.raw(R"(<table width="620" border="1" cellpadding="3">)");
        first.line(QStringLiteral("<caption align=\"left\">") + caption + QStringLiteral("</caption>"), 1);
        first.raw("<tbody>", 1);
        for (const auto& i : items)
            first.row(i.first, i.second, 150, 2);
        first.raw("</tbody>", 1);
        first.raw("</table>");
    };
    infoTable(QStringLiteral("基礎情報"), basicInformation());
    QList<QPair<QString, QString>> koji = constructionInformation(*job.header);
    bool anyKoji = false;
    for (auto& i : koji) {
        if (i.first == QStringLiteral("工期開始日") || i.first == QStringLiteral("工期終了日"))
            i.second = htmlDate(i.second);
        anyKoji = anyKoji || !i.second.isEmpty();
    }
    if (anyKoji) {
        first.raw("<br>");
        infoTable(QStringLiteral("工事情報"), koji);
    }
    if (anyShown)
        first.line(QStringLiteral("<p><a href=\"PAGE2.HTM\">次ページ</a></p>"));
    first.foot();
    if (QString p = save(QStringLiteral("HTML/PAGE1.HTM"), first); !p.isEmpty())
        return fail(p, error);

    // The photo pages.
    int pages = 1;
    int slot = 0;  // slots used on the open page, 0: no page open
    Page page;
    auto closePage = [&](bool more) -> QString {
        page.raw("</tbody>");
        page.raw("</table>");
        if (more)
            page.line(QStringLiteral("<p><a href=\"PAGE%1.HTM\">前ページ</a> / <a href=\"PAGE%2.HTM\">次ページ</a></p>")
                          .arg(pages - 1)
                          .arg(pages + 1));
        else
            page.line(QStringLiteral("<p><a href=\"PAGE%1.HTM\">前ページ</a></p>").arg(pages - 1));
        page.foot();
        slot = 0;
        return save(QStringLiteral("HTML/PAGE%1.HTM").arg(pages), page);
    };
    for (qsizetype i = 0; i < photos.size(); ++i) {
        const FiledPhoto& p = photos[i];
        for (;;) {
            if (slot == 0) {
                ++pages;
                page = Page();
                page.head(kPageBody);
                page.raw("Page." + QByteArray::number(pages));
                page.raw("<table>");
                page.raw("<tbody>");
            }
            ++slot;
            // A photo with drawings does not share a page it would come second on.
            if (slot == 2 && hasDrawing(p)) {
                if (QString f = closePage(true); !f.isEmpty())
                    return fail(f, error);
                continue;
            }
            break;
        }
        if (!progress.step()) {
            progress.end();
            return HtmlResult::Stopped;
        }
        bool full = slot == 2;
        if (shown(p) && table.locate(p.record)) {
            const PhotoRowText& row = rows[p.record];
            const QString file = deliveryFileName(QStringLiteral("PIC"), p.record);
            if (writeRowPicture(table, job.fields, options.original, options.jpegQuality,
                                album + QStringLiteral("/PIC/") + file, messages, &error) < 0 ||
                !MakeJpegFileUpright(album + QStringLiteral("/PIC/") + file, messages, &error))
                return fail(album + QStringLiteral("/PIC/") + file, error);
            page.raw("<tr>", 1);
            page.line(QStringLiteral("<td width=\"260\" height=\"260\" align=\"center\"><a href=\"../PIC/") + file +
                          QStringLiteral("\" target=\"_blank\"><img src=\"../PIC/") + file +
                          QStringLiteral("\" border=\"2\" hspace=\"5\" vspace=\"5\" width=\"260\"></a></td>"),
                      2);
            page.raw(R"(<td width="260" height="260">)", 2);
            page.raw(R"(<table width="340" border="1" cellpadding="3">)", 3);
            page.raw(R"(<col span="1" align="center">)", 4);
            page.raw("<tbody>", 4);
            auto r = [&](const QString& label, const QString& value) { page.row(label, value, 120, 5); };
            r(QStringLiteral("シリアル番号"), QString::number(p.record));
            r(QStringLiteral("写真整理フラグ"), row.flag == 0 ? QString() : QString::number(row.flag));
            r(QStringLiteral("写真ファイル情報予備"), row.text[F_BIKOU_A]);
            for (int l = 0; l < 5 && l < p.level; ++l)
                r(levelElementNames()[l], p.levels[l]);
            r(QStringLiteral("写真タイトル"), row.text[F_TITLE]);
            r(QStringLiteral("工種区分予備1"), row.text[F_YOBI1]);
            r(QStringLiteral("工種区分予備2"), row.text[F_YOBI2]);
            r(QStringLiteral("工種区分予備3"), row.text[F_YOBI3]);
            r(QStringLiteral("撮影箇所"), row.text[F_KASYO]);
            r(QStringLiteral("付加情報予備"), row.text[F_BIKOU_B]);
            r(QStringLiteral("撮影年月日"), htmlDate(row.text[F_DATE]));
            r(QStringLiteral("フィルム番号"), row.filmNumber == 0 ? QString() : QString::number(row.filmNumber));
            r(QStringLiteral("コマ番号"), row.text[F_NEGANUM]);
            r(QStringLiteral("撮影情報予備"), row.text[F_BIKOU_C]);
            r(QStringLiteral("施工管理値"), row.text[F_KANRI]);
            r(QStringLiteral("施工管理値予備"), row.text[F_BIKOU_D]);
            r(QStringLiteral("状況説明予備"), row.text[F_BIKOU_E]);
            r(QStringLiteral("請負者説明文"), row.text[F_UKEOIBIKOU]);
            r(QStringLiteral("発注者説明文"), row.text[F_HACYUBIKOU]);
            r(QStringLiteral("写真情報予備1"), row.text[F_BIKOU1]);
            r(QStringLiteral("写真情報予備2"), row.text[F_BIKOU2]);
            r(QStringLiteral("写真情報予備3"), row.text[F_BIKOU3]);
            page.raw("</tbody>", 4);
            page.raw("</table>", 3);
            page.raw("</td>", 2);
            page.raw("</tr>", 1);
            if (hasDrawing(p)) {
                page.raw("</tbody>");
                page.raw("</table>");
                page.raw("<table>");
                page.line(QStringLiteral("<caption align=\"left\">参考図</caption>"), 1);
                page.raw("<tbody>", 1);
                page.raw("<tr>", 1);
                for (RECORD d : row.drawings) {
                    if (d == 0 || !table.locate(d))
                        continue;
                    const QString dfile = deliveryFileName(QStringLiteral("DRA"), d);
                    const QString target = album + QStringLiteral("/DRA/") + dfile;
                    if (!QFileInfo::exists(target) &&
                        (writeRowPicture(table, job.fields, options.original, options.jpegQuality, target, messages,
                                         &error) < 0 ||
                         !MakeJpegFileUpright(target, messages, &error)))
                        return fail(target, error);
                    page.line(QStringLiteral("<td width=\"190\" height=\"190\" align=\"center\"><a href=\"../DRA/") +
                                  dfile + QStringLiteral("\" target=\"_blank\"><img src=\"../DRA/") + dfile +
                                  QStringLiteral("\" border=\"2\" hspace=\"5\" vspace=\"5\" width=\"190\"></a></td>"),
                              2);
                }
                page.raw("</tr>", 1);
                full = true;
            }
        }
        if (full)
            if (QString f = closePage(i + 1 < photos.size()); !f.isEmpty())
                return fail(f, error);
    }
    if (slot != 0)
        if (QString f = closePage(false); !f.isEmpty())
            return fail(f, error);

    Page index;
    index.head(kIndexBody);
    index.line(QStringLiteral("<p align=\"center\"><b>目次</b></p>"));
    for (int n = 1; n <= pages; ++n)
        index.line(QStringLiteral("<p align=\"center\"><a href=\"PAGE%1.HTM\" target=\"page_main\">Page.%1</a></p>").arg(n));
    index.foot();
    if (QString p = save(QStringLiteral("HTML/INDEX.HTM"), index); !p.isEmpty())
        return fail(p, error);
    progress.end();
    if (albumPage)
        *albumPage = album + QStringLiteral("/ALBUM.HTM");
    if (pagesWritten)
        *pagesWritten = pages;
    return HtmlResult::Done;
}

}  // namespace zb
