#include "items/miss_check.h"

#include "core/ports.h"
#include "core/sjis.h"
#include "items/job_walk.h"

#include <QHash>
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

    // One scan of the tested fields of every row tells which records have a
    // gap; the folders are then walked in hierarchy order.
    QHash<RECORD, bool> gapOf;
    if (table.isOpen() && fields[F_RECORD] >= 0) {
        QList<int> positions{fields[F_RECORD]};
        QList<bool> isNumber{false};
        for (int level = 0; level <= range; ++level)
            for (PhotoField f : photoFieldsOf(level))
                if (fields[f] >= 0) {
                    positions << fields[f];
                    isNumber << (f == F_FILMNUM);
                }
        gapOf.reserve(qsizetype(table.rowCount()));
        table.scanFields(positions, [&](const engine::RowView& row) {
            if (row.isNull(0))
                return;
            bool gap = false;
            for (int i = 1; i < positions.size() && !gap; ++i)
                gap = row.isNull(i) || (isNumber[i] ? row.integer(i) == 0 : row.text(i).isEmpty());
            gapOf.insert(RECORD(row.integer(0)), gap);
        });
    }

    progress.start(int(folders.size()));
    for (int i = 0; i < folders.size(); ++i) {
        if (isUnfiledFolder(folders, i))
            continue;
        (void)progress.step();  // not cancellable
        for (RECORD r : folders[i].photos) {
            const auto it = gapOf.constFind(r);
            if (it != gapOf.constEnd() && *it)
                result.gaps << r;  // a record without a row is passed over
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
