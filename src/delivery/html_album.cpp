#include "delivery/html_album.h"

#include "core/ports.h"
#include "core/sjis.h"
#include "delivery/delivery_common.h"
#include "imaging/jpeg_transform.h"

#include <QDir>
#include <QFileInfo>
#include <optional>

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

namespace {

// The album written step by step: folders, the frame page, the information
// page, the photo pages with their pictures, the table of contents.
class HtmlAlbumWriter {
public:
    HtmlAlbumWriter(const ExportJob& job, const HtmlOptions& options, Messages& messages, Progress& progress)
        : job_(job), options_(options), messages_(messages), progress_(progress),
          album_(QDir::cleanPath(options.folder) + QStringLiteral("/ALBUM"))
    {
    }

    HtmlResult write(QString* albumPage, int* pagesWritten)
    {
        if (QFileInfo::exists(album_)) {
            messages_.warning(kHtmlAlbumExists.arg(QDir::toNativeSeparators(album_)));
            return HtmlResult::Refused;
        }
        if (!makeFolders() || !readRows())
            return fail();
        progress_.start(int(photos_.size()) + 1);
        if (!writeFrame() || !writeFirstPage())
            return fail();
        const std::optional<HtmlResult> stopped = writePhotoPages();
        if (stopped)
            return *stopped;
        if (!writeIndex())
            return fail();
        progress_.end();
        if (albumPage)
            *albumPage = album_ + QStringLiteral("/ALBUM.HTM");
        if (pagesWritten)
            *pagesWritten = pages_;
        return HtmlResult::Done;
    }

private:
    HtmlResult fail()
    {
        progress_.end();
        messages_.error(kHtmlWriteFailed.arg(QDir::toNativeSeparators(failedPath_), error_));
        return HtmlResult::Failed;
    }
    bool failAt(const QString& path, const QString& why = {})
    {
        failedPath_ = path;
        if (!why.isEmpty())
            error_ = why;
        return false;
    }

    bool makeFolders()
    {
        for (const QString& d : {album_, album_ + QStringLiteral("/PIC"), album_ + QStringLiteral("/DRA"),
                                 album_ + QStringLiteral("/HTML")})
            if (!QDir().mkpath(d))
                return failAt(d, QStringLiteral("フォルダを作成できません"));
        return true;
    }

    bool readRows()
    {
        try {
            rows_ = scanPhotoRows(*job_.table, job_.fields);
        } catch (const engine::EngineError& e) {
            return failAt(job_.table->path(), e.message());
        }
        photos_ = filedPhotos(*job_.folders);
        return true;
    }

    bool shown(const FiledPhoto& p) const
    {
        auto it = rows_.constFind(p.record);
        return it != rows_.constEnd() && it->flag != kExcludedFlag;
    }
    bool hasDrawing(const FiledPhoto& p) const
    {
        if (!shown(p))
            return false;
        for (RECORD d : rows_[p.record].drawings)
            if (d != 0)
                return true;
        return false;
    }

    bool save(const QString& name, const Page& page)
    {
        const QString path = album_ + QLatin1Char('/') + name;
        return writeNewFile(path, page.bytes(), &error_) || failAt(path);
    }

    // ALBUM.HTM: the frames.
    bool writeFrame()
    {
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
        return save(QStringLiteral("ALBUM.HTM"), frame);
    }

    // PAGE1.HTM: the basic and construction information.
    bool writeFirstPage()
    {
        bool anyShown = false;
        for (const FiledPhoto& p : photos_)
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
        QList<QPair<QString, QString>> koji = constructionInformation(*job_.header);
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
        return save(QStringLiteral("HTML/PAGE1.HTM"), first);
    }

    void openPage()
    {
        ++pages_;
        page_ = Page();
        page_.head(kPageBody);
        page_.raw("Page." + QByteArray::number(pages_));
        page_.raw("<table>");
        page_.raw("<tbody>");
    }

    bool closePage(bool more)
    {
        page_.raw("</tbody>");
        page_.raw("</table>");
        if (more)
            page_.line(QStringLiteral("<p><a href=\"PAGE%1.HTM\">前ページ</a> / <a href=\"PAGE%2.HTM\">次ページ</a></p>")
                           .arg(pages_ - 1)
                           .arg(pages_ + 1));
        else
            page_.line(QStringLiteral("<p><a href=\"PAGE%1.HTM\">前ページ</a></p>").arg(pages_ - 1));
        page_.foot();
        slot_ = 0;
        return save(QStringLiteral("HTML/PAGE%1.HTM").arg(pages_), page_);
    }

    // Two photo slots per page; a photo with drawings does not share a page
    // it would come second on. Stopped or failed: the result to give.
    std::optional<HtmlResult> writePhotoPages()
    {
        for (qsizetype i = 0; i < photos_.size(); ++i) {
            const FiledPhoto& p = photos_[i];
            for (;;) {
                if (slot_ == 0)
                    openPage();
                ++slot_;
                if (slot_ == 2 && hasDrawing(p)) {
                    if (!closePage(true))
                        return fail();
                    continue;
                }
                break;
            }
            if (!progress_.step()) {
                progress_.end();
                return HtmlResult::Stopped;
            }
            bool full = slot_ == 2;
            if (shown(p) && job_.table->locate(p.record)) {
                if (!writePhoto(p))
                    return fail();
                if (hasDrawing(p)) {
                    if (!writeDrawings(rows_[p.record]))
                        return fail();
                    full = true;
                }
            }
            if (full && !closePage(i + 1 < photos_.size()))
                return fail();
        }
        if (slot_ != 0 && !closePage(false))
            return fail();
        return std::nullopt;
    }

    // A photo's picture and its table of items.
    bool writePhoto(const FiledPhoto& p)
    {
        const PhotoRowText& row = rows_[p.record];
        const QString file = deliveryFileName(QStringLiteral("PIC"), p.record);
        // The album's copy of a camera's sideways picture is turned upright, so
        // that it shows upright whether or not the viewer reads the tag.
        if (writeRowPicture(*job_.table, job_.fields, options_.original, options_.jpegQuality,
                            album_ + QStringLiteral("/PIC/") + file, messages_, &error_) < 0 ||
            !MakeJpegFileUpright(album_ + QStringLiteral("/PIC/") + file, messages_, &error_))
            return failAt(album_ + QStringLiteral("/PIC/") + file);
        page_.raw("<tr>", 1);
        page_.line(QStringLiteral("<td width=\"260\" height=\"260\" align=\"center\"><a href=\"../PIC/") + file +
                       QStringLiteral("\" target=\"_blank\"><img src=\"../PIC/") + file +
                       QStringLiteral("\" border=\"2\" hspace=\"5\" vspace=\"5\" width=\"260\"></a></td>"),
                   2);
        page_.raw(R"(<td width="260" height="260">)", 2);
        page_.raw(R"(<table width="340" border="1" cellpadding="3">)", 3);
        page_.raw(R"(<col span="1" align="center">)", 4);
        page_.raw("<tbody>", 4);
        auto r = [&](const QString& label, const QString& value) { page_.row(label, value, 120, 5); };
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
        page_.raw("</tbody>", 4);
        page_.raw("</table>", 3);
        page_.raw("</td>", 2);
        page_.raw("</tr>", 1);
        return true;
    }

    // The row of a photo's drawings, their pictures beside the pages.
    bool writeDrawings(const PhotoRowText& row)
    {
        page_.raw("</tbody>");
        page_.raw("</table>");
        page_.raw("<table>");
        page_.line(QStringLiteral("<caption align=\"left\">参考図</caption>"), 1);
        page_.raw("<tbody>", 1);
        page_.raw("<tr>", 1);
        for (RECORD d : row.drawings) {
            if (d == 0 || !job_.table->locate(d))
                continue;
            const QString dfile = deliveryFileName(QStringLiteral("DRA"), d);
            const QString target = album_ + QStringLiteral("/DRA/") + dfile;
            if (!QFileInfo::exists(target) &&
                (writeRowPicture(*job_.table, job_.fields, options_.original, options_.jpegQuality, target, messages_,
                                 &error_) < 0 ||
                 !MakeJpegFileUpright(target, messages_, &error_)))
                return failAt(target);
            page_.line(QStringLiteral("<td width=\"190\" height=\"190\" align=\"center\"><a href=\"../DRA/") + dfile +
                           QStringLiteral("\" target=\"_blank\"><img src=\"../DRA/") + dfile +
                           QStringLiteral("\" border=\"2\" hspace=\"5\" vspace=\"5\" width=\"190\"></a></td>"),
                       2);
        }
        page_.raw("</tr>", 1);
        return true;
    }

    // INDEX.HTM: the table of contents.
    bool writeIndex()
    {
        Page index;
        index.head(kIndexBody);
        index.line(QStringLiteral("<p align=\"center\"><b>目次</b></p>"));
        for (int n = 1; n <= pages_; ++n)
            index.line(
                QStringLiteral("<p align=\"center\"><a href=\"PAGE%1.HTM\" target=\"page_main\">Page.%1</a></p>").arg(n));
        index.foot();
        return save(QStringLiteral("HTML/INDEX.HTM"), index);
    }

    const ExportJob& job_;
    const HtmlOptions& options_;
    Messages& messages_;
    Progress& progress_;
    const QString album_;
    QHash<RECORD, PhotoRowText> rows_;
    QList<FiledPhoto> photos_;
    Page page_;
    int pages_ = 1;
    int slot_ = 0;  // slots used on the open page, 0: no page open
    QString failedPath_, error_;
};

}  // namespace

HtmlResult writeHtmlAlbum(const ExportJob& job, const HtmlOptions& options, Messages& messages, Progress& progress,
                          QString* albumPage, int* pagesWritten)
{
    return HtmlAlbumWriter(job, options, messages, progress).write(albumPage, pagesWritten);
}

}  // namespace zb
