#include "album/caption_codes.h"

#include "items/date_format.h"
#include "items/item_codes.h"
#include "items/item_defs.h"
#include "items/job_walk.h"
#include "store/engine/table.h"

#include <QFileInfo>

namespace zb::album {

CaptionToken parseToken(QStringView body)
{
    CaptionToken t;
    const qsizetype dot = body.indexOf(u'.');
    if (dot >= 0) {
        qsizetype n = 0;
        while (n < dot && body[n].isDigit() && body[n].unicode() < 128)
            ++n;
        // Codes are small; a run of digits too long for an int is no code.
        bool ok = false;
        const int code = n > 0 && n <= 9 ? body.left(n).toInt(&ok) : 0;
        t.code = ok ? code : 0;
        t.display = body.mid(dot + 1).toString();
    } else {
        t.display = body.toString();
    }
    const qsizetype semi = body.indexOf(u';');
    if (semi >= 0)
        t.format = body.mid(semi + 1).toString();
    return t;
}

QString substituteTokens(QStringView caption,
                         const std::function<std::optional<QString>(const CaptionToken&)>& value)
{
    QString result;
    QStringView rest = caption;
    for (;;) {
        const qsizetype open = rest.indexOf(u'{');
        const qsizetype close = open < 0 ? -1 : rest.indexOf(u'}', open + 1);
        if (open < 0 || close < 0) {
            result += rest;
            return result;
        }
        result += rest.left(open);
        const QStringView body = rest.mid(open + 1, close - open - 1);
        const std::optional<QString> v = value(parseToken(body));
        if (v)
            result += *v;
        else
            result += rest.mid(open, close - open + 1);
        rest = rest.mid(close + 1);
    }
}

std::optional<QString> companyValue(int code, const CommonSettings& c)
{
    const QString CommonSettings::* const fields[] = {&CommonSettings::jName1, &CommonSettings::jName2,
                                                      &CommonSettings::jAddr0, &CommonSettings::jAddr1,
                                                      &CommonSettings::jAddr2, &CommonSettings::jTelNum,
                                                      &CommonSettings::jFaxNum, &CommonSettings::jBikou1,
                                                      &CommonSettings::jBikou2};
    if (code < 50 || code > 58)
        return std::nullopt;
    return c.*fields[code - 50];
}

QString deliveryFileName(RECORD record)
{
    QString digits = QString::number(record).rightJustified(5, u'0');
    digits = digits.right(5);
    return QStringLiteral("PIC") + digits + QStringLiteral(".JPG");
}

QStringList levelCaptions(const Hierarchy& folders, RECORD record)
{
    QStringList levels(5);
    // The construction-photo root is the second top-level folder.
    int root = -1, topSeen = 0;
    for (int i = 0; i < folders.size(); ++i) {
        if (folders[i].depth == 0 && ++topSeen == 2) {
            root = i;
            break;
        }
    }
    if (root < 0)
        return levels;
    const int end = items::subtreeEnd(folders, root);
    for (int i = root + 1; i < end; ++i) {
        if (!folders[i].photos.contains(record))
            continue;
        QList<int> chain;
        for (int f = i; f > root && f >= 0; f = items::parentFolder(folders, f))
            chain.prepend(f);
        for (int k = 0; k < chain.size() && k < 5; ++k)
            levels[k] = folders[chain[k]].caption;
        break;
    }
    return levels;
}

namespace {

bool isPhotoValueCode(int code)
{
    if (code == 2001 || (code >= 2005 && code <= 2009))
        return true;
    const items::ItemDef* item = items::findItemByCode(code);
    return item && item->group == items::Group::Photo;
}

bool locatePhoto(CaptionSources& s, RECORD photo)
{
    if (!s.photoTable || photo <= 0 || s.fields[F_RECORD] < 0)
        return false;
    try {
        if (!s.photoTable->eof() && !s.photoTable->isNull(s.fields[F_RECORD])
            && s.photoTable->value(s.fields[F_RECORD]).toInt() == photo)
            return true;
        return s.photoTable->locate(photo);
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

std::optional<QString> albumCodeValue(const CaptionToken& t, RECORD photo, CaptionSources& s)
{
    const int code = t.code;
    if (std::optional<QString> v = companyValue(code, s.company))
        return v;
    switch (code) {
    case 100:
        return t.format.isEmpty() ? QString()
                                  : items::formatDate(t.format, s.today.year(), s.today.month(), s.today.day(), s.today);
    case 300:
        return s.jobName;
    case 305:
        return s.albumOpen ? QFileInfo(s.albumPath).completeBaseName() : QString();
    case 306:
        return s.albumOpen ? s.albumTitle : QString();
    default:
        break;
    }
    if (std::optional<QString> v = items::headerCodeValue(code, t.format, s.header, s.today))
        return v;
    if (!isPhotoValueCode(code))
        return std::nullopt;
    if (!locatePhoto(s, photo))
        return QString();
    if (code == 2001)
        return deliveryFileName(photo);
    if (code >= 2005 && code <= 2009)
        return levelCaptions(s.folders, photo)[code - 2005];
    return items::photoCodeValue(code, t.format, *s.photoTable, s.fields, s.today).value_or(QString());
}

QString resolveForAlbum(QStringView caption, RECORD photo, CaptionSources& sources)
{
    return substituteTokens(caption, [&](const CaptionToken& t) -> std::optional<QString> {
        return albumCodeValue(t, photo, sources);
    });
}

QString resolveAtDrawing(QStringView caption, const PageContext& p)
{
    return substituteTokens(caption, [&](const CaptionToken& t) -> std::optional<QString> {
        switch (t.code) {
        case 150:
            return p.currentPage < p.pageStart ? QString() : QString::number(p.currentPage - p.pageStart + 1);
        case 160:
            return p.lastPage < p.pageStart ? QString() : QString::number(p.lastPage - p.pageStart + 1);
        case 2500:
        case 2600:
        case 2601:
        case 2602:
            return QString();
        default:
            return t.display;
        }
    });
}

QString resolveForFormat(QStringView caption, const CommonSettings& company, QDate today)
{
    return substituteTokens(caption, [&](const CaptionToken& t) -> std::optional<QString> {
        if (std::optional<QString> v = companyValue(t.code, company))
            return v;
        const int y = today.year(), m = today.month(), d = today.day();
        switch (t.code) {
        case 100:
        case 1005:
        case 1006:
        case 2019:
            return t.format.isEmpty() ? QString() : items::formatDate(t.format, y, m, d, today);
        case 1000:
            return items::formatFiscalYear(t.format, y, today);
        default:
            return t.display;
        }
    });
}

}  // namespace zb::album
