#pragma once
// The missing-input check (入力漏れの検証): the construction information and
// the photo information of every filed photo tested against the need levels,
// at one of three ranges. The window and zbcli show the lines; the electronic
// delivery runs it silently at range 0.
#include "core/record.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QStringList>

namespace zb {
class Progress;
}

namespace zb::items {

// Entries of the range list "範囲(&H):", range 0-2.
const QStringList& missRangeNames();

inline const QString kMissShortCode = QStringLiteral("【工事情報】の発注者コードは８桁必要です。");
inline const QString kMissKojiGap = QStringLiteral("【工事情報】に未入力項目があります。");
inline const QString kMissPhotoCountHead = QStringLiteral("【写真情報】の未入力件数が ");
inline const QString kMissPhotoCountTail = QStringLiteral(" 件ありました。");
inline const QString kMissShowList = QStringLiteral("対象となる工事写真を一覧を表示します");
inline const QString kMissNone = QStringLiteral("入力漏れはありませんでした。");
inline const QString kMissCaption = QStringLiteral("入力漏れの検証");
inline const QString kMissRangeLabel = QStringLiteral("範囲(&H):");
inline const QString kMissStart = QStringLiteral("開始(&R)");
inline const QString kMissClose = QStringLiteral("閉じる(&C)");

struct MissCheckResult {
    bool clean = true;       // nothing was found
    QStringList lines;       // the message lines, in order
    bool shortCode = false;  // 発注者コード is not 8 bytes
    bool kojiGap = false;    // a construction item in range is empty
    QList<RECORD> gaps;      // photos with an empty field, in hierarchy order
};

// Runs the check at `range` (clamped to 0-2). Folders are visited in
// hierarchy order, 未分類 and ごみ箱 left out, one progress step each (the
// count given to start() is the number of every folder); the check cannot be
// cancelled. A record without a row is passed over. `listModeAllowed` adds the
// lines that announce the list of photos with gaps; entering list mode is the
// caller's work.
MissCheckResult checkMissingInput(const JobHeader& header, const Hierarchy& folders, engine::Table& table,
                                  const PhotoFields& fields, int range, bool listModeAllowed, Progress& progress);

// Only the construction information (no photo table).
void checkJobHeader(const JobHeader& header, int range, MissCheckResult& result);

}  // namespace zb::items
