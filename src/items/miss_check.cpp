#include "items/miss_check.h"

#include "core/ports.h"
#include "core/sjis.h"
#include "items/job_walk.h"

#include <algorithm>

namespace zb::items {

namespace {

using HeaderText = QString JobHeader::*;

// The construction texts tested at each range (発注年度 is tested as a number
// with the range-0 texts). 発注者コード has its own rule.
const QList<HeaderText>& kojiTexts(int range)
{
    static const QList<HeaderText> r0{&JobHeader::contractNumber, &JobHeader::constructionName,
                                      &JobHeader::constructionSite, &JobHeader::startDate,
                                      &JobHeader::endDate, &JobHeader::clientMajor,
                                      &JobHeader::contractorName};
    static const QList<HeaderText> r1{&JobHeader::riverRouteName, &JobHeader::clientMiddle, &JobHeader::clientMinor,
                                      &JobHeader::contractorCode};
    static const QList<HeaderText> r2{&JobHeader::clientRemarks, &JobHeader::contractorRemarks};
    return range == 0 ? r0 : range == 1 ? r1 : r2;
}

// The photo fields tested at each range, in the order of the item table.
const QList<PhotoField>& photoFieldsOf(int range)
{
    static const QList<PhotoField> r0{F_TITLE};
    static const QList<PhotoField> r1{F_KASYO, F_DATE, F_FILMNUM, F_NEGANUM, F_KANRI, F_BIKOU_D};
    static const QList<PhotoField> r2{F_BIKOU_A, F_YOBI1,      F_YOBI2,      F_YOBI3,  F_BIKOU_B, F_BIKOU_C, F_BIKOU_E,
                                      F_UKEOIBIKOU, F_HACYUBIKOU, F_BIKOU1, F_BIKOU2, F_BIKOU3};
    return range == 0 ? r0 : range == 1 ? r1 : r2;
}

bool fieldEmpty(const engine::Table& table, const PhotoFields& fields, PhotoField f)
{
    const int pos = fields[f];
    if (pos < 0)
        return false;  // a field the table lacks is not the user's gap
    const QVariant v = table.value(pos);
    if (f == F_FILMNUM)
        return !v.isValid() || v.toInt() == 0;
    return !v.isValid() || v.toString().isEmpty();
}

}  // namespace

const QStringList& missRangeNames()
{
    static const QStringList names{QStringLiteral("◎ 必須記入 のみ"), QStringLiteral("○ 条件付き必須記入 以上 "),
                                   QStringLiteral("△ 任意記入 以上 (原則として空欄)")};
    return names;
}

void checkJobHeader(const JobHeader& header, int range, MissCheckResult& result)
{
    range = std::clamp(range, 0, 2);
    result.shortCode = sjis::byteLength(header.clientCode) < 8;
    bool gap = header.fiscalYear == 0;
    for (int r = 0; r <= range && !gap; ++r)
        for (HeaderText t : kojiTexts(r))
            if ((header.*t).isEmpty()) {
                gap = true;
                break;
            }
    result.kojiGap = gap;
}

MissCheckResult checkMissingInput(const JobHeader& header, const Hierarchy& folders, engine::Table& table,
                                  const PhotoFields& fields, int range, bool listModeAllowed, Progress& progress)
{
    range = std::clamp(range, 0, 2);
    MissCheckResult result;
    checkJobHeader(header, range, result);

    progress.start(int(folders.size()));
    const bool canLocate = table.isOpen() && fields[F_RECORD] >= 0;
    for (int i = 0; i < folders.size(); ++i) {
        if (isUnfiledFolder(folders, i))
            continue;
        (void)progress.step();  // not cancellable
        if (!canLocate)
            continue;
        for (RECORD r : folders[i].photos) {
            if (!table.locate(r))
                continue;
            bool gap = false;
            for (int level = 0; level <= range && !gap; ++level)
                for (PhotoField f : photoFieldsOf(level))
                    if (fieldEmpty(table, fields, f)) {
                        gap = true;
                        break;
                    }
            if (gap)
                result.gaps << r;
        }
    }
    progress.end();

    if (result.shortCode)
        result.lines << kMissShortCode;
    if (result.kojiGap)
        result.lines << kMissKojiGap;
    if (!result.gaps.isEmpty()) {
        result.lines << kMissPhotoCountHead + QString::number(result.gaps.size()) + kMissPhotoCountTail;
        if (listModeAllowed)
            result.lines << QString() << kMissShowList;
    }
    result.clean = result.lines.isEmpty();
    if (result.clean)
        result.lines << kMissNone;
    return result;
}

}  // namespace zb::items
