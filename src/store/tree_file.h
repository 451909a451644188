#pragma once
// The job tree file <job>.ZBD: the construction information (JobHeader, 1817
// bytes) followed by the hierarchy stream of 52-byte TreeRecords. Templates
// (.ZBT) hold the hierarchy stream alone, without photo references.
#include "core/record.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace zb {

inline const QString kUnclassifiedCaption = QStringLiteral("未分類(写真フォルダ)");
inline const QString kPhotoRootCaption = QStringLiteral("工事写真");
inline const QString kRecycleCaption = QStringLiteral("ごみ箱");

// Labels of the progress state byte, index 0 to 6.
const QStringList& progressLabels();

// The construction information of a job.
struct JobHeader {
    static constexpr int kSize = 1817;
    static constexpr qint32 kFormatNumber = 10000;
    // The job list reads only this much of each header.
    static constexpr int kListPrefix = 153;

    qint32 formatNumber = kFormatNumber;
    qint32 reserved = 0;
    quint8 progress = 0;        // 工事データ進捗状況
    QString author;             // 工事データ作成者 (room 20)
    QString projectType;        // 事業種別 (50)
    QString projectName;        // 事業名 (50)
    QString personInCharge;     // 施工担当者 (20)
    qint16 fiscalYear = 0;      // 発注年度
    QString contractNumber;     // 工事番号 (127)
    QString riverRouteName;     // 河川路線名等 (127)
    QString constructionName;   // 工事名称 (255)
    QString constructionSite;   // 工事箇所 (127)
    QString startDate;          // 工期開始日 yyyymmdd (8)
    QString endDate;            // 工期終了日 yyyymmdd (8)
    QString clientMajor;        // 発注者－大分類 (32)
    QString clientMiddle;       // 発注者－中分類 (32)
    QString clientMinor;        // 発注者－小分類 (32)
    QString clientCode;         // 発注者コード (8)
    QString contractorName;     // 請負者名 (255)
    QString contractorCode;     // 請負者コード (127)
    QString clientRemarks;      // 発注者備考 (255)
    QString contractorRemarks;  // 請負者備考 (255)

    bool operator==(const JobHeader&) const = default;
};

// Where each text field of the header lies: offset of its length byte and its room.
struct HeaderTextField {
    QString JobHeader::*member;
    int offset;
    int room;
};
const std::array<HeaderTextField, 18>& headerTextFields();

// A new job's header: zero except the format number and the contractor values
// (the code cut to 127 bytes).
JobHeader newJobHeader(const QString& contractorName, const QString& contractorCode, const QString& contractorRemarks);

// One folder of the hierarchy, as stored: folders come in depth-first order,
// each with its depth (0 for top level) and its photos in order.
struct TreeFolder {
    QString caption;
    int depth = 0;
    QList<RECORD> photos;

    bool operator==(const TreeFolder&) const = default;
};
using Hierarchy = QList<TreeFolder>;

// What reading found wrong; the data read is still returned as far as it was sound.
struct ReadReport {
    bool damaged = false;
    QStringList problems;  // plain descriptions for a log or a message detail
    void add(const QString& problem) { damaged = true; problems << problem; }
};

// Bytes of a header (exactly 1817). Texts are cut to their rooms at a character
// boundary; characters Shift_JIS cannot hold are left out and listed in *unmappable.
QByteArray encodeHeader(const JobHeader& header, QString* unmappable = nullptr);
// Header from bytes; a short block or a length byte beyond its room marks the report.
JobHeader decodeHeader(QByteArrayView bytes, ReadReport* report = nullptr);

// The hierarchy stream: count, then records. Photo references are left out
// when withPhotos is false (templates).
QByteArray encodeHierarchy(const Hierarchy& folders, bool withPhotos, QString* unmappable = nullptr);
// Hierarchy from a stream, with the fixed-folder rules applied: the first two
// top-level captions become 未分類(写真フォルダ) and 工事写真, and a ごみ箱 is
// appended when the last top-level folder is not one.
Hierarchy decodeHierarchy(QByteArrayView bytes, ReadReport* report = nullptr);
// Applies the fixed-folder rules to a hierarchy (also used for templates).
void applyFixedFolders(Hierarchy& folders);

// The default tree of a new job without template.
Hierarchy defaultHierarchy();

struct TreeFile {
    JobHeader header;
    Hierarchy folders;
};

// Reads <job>.ZBD. nullopt when the file cannot be opened (error in *report).
std::optional<TreeFile> readTreeFile(const QString& path, ReadReport* report = nullptr);
// Writes <job>.ZBD through a temporary file; false with *error on failure, in
// which case the old file stays as it was.
bool writeTreeFile(const QString& path, const TreeFile& file, QString* error = nullptr, QString* unmappable = nullptr);

// Templates: the hierarchy stream alone.
std::optional<Hierarchy> readTemplate(const QString& path, ReadReport* report = nullptr);
bool writeTemplate(const QString& path, const Hierarchy& folders, QString* error = nullptr);

// The first bytes of a header, for the job list (only the fields before 施工担当者
// are meaningful). nullopt when the file cannot be read.
std::optional<JobHeader> readHeaderPrefix(const QString& path);

}  // namespace zb
