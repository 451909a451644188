#pragma once
// What an electronic delivery holds, as one model: the photos in delivery
// order with their items, their drawings and file names, and the disc of each
// file. The export makes it once from the job and hands it to the writer of
// the chosen layout; the import reads a PHOTO.XML back into it; the delivery
// check works on it in both directions.
#include "core/record.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <vector>

namespace zb {

struct ExportJob;
struct XmlNode;

// The two layouts: the first draft (PHOTO.DTD, DTD version "1.0") and the
// current standard (PHOTO05.DTD).
enum class DeliveryLayout { Draft, Photo05 };

// The value of the standard option that chooses the draft layout.
inline const QString kDraftStandard = QStringLiteral("draft");
// The caption of the draft in the standard list.
inline const QString kDraftStandardCaption = QStringLiteral("旧形式（PHOTO.DTD）");

// The 付加情報 a photo of the current layout keeps at most; more are counted.
inline constexpr int kMaxReadDrawings = 64;
// The 工種区分予備 / 付加情報予備 kept at most per group.
inline constexpr int kMaxReadSpares = 64;

struct DeliveryDrawing {
    RECORD record = 0;     // the drawing's row (0 when read from a file)
    int slot = 0;          // 0-2: REC_DRA1-3 (draft: 参考図1-3)
    QString file;          // the file name PHOTO.XML gives
    QString title;         // 参考図タイトル: the drawing row's TITLE
    QStringList spares;    // 付加情報予備: the drawing row's BIKOU_B
    bool rowFound = true;  // from a job: the drawing row exists
    bool hasPicture = true;  // from a job: a picture will be written
};

struct DeliveryPhoto {
    RECORD record = 0;
    QString serial;  // シリアル番号 as written or read
    QString file;    // 写真ファイル名
    int disc = 1;    // メディア番号
    int level = 0;   // the folder's level (0: the construction-photo root)
    std::array<QString, 5> levels;  // 写真-大分類 … 細別
    // The row's text fields; DATE as stored ("yyyymmdd").
    std::array<QString, kPhotoFieldCount> text;
    int flag = 0;
    int filmNumber = 0;
    // Items of the current layout as delivered.
    QString date;            // 撮影年月日, CCYY-MM-DD
    QStringList spares;      // 工種区分予備
    QString representative;  // 代表写真 "0"/"1"
    QString frequency;       // 提出頻度写真 "0"/"1"
    QList<DeliveryDrawing> drawings;
    int drawingsLeftOut = 0;  // read: 付加情報 beyond kMaxReadDrawings
    // From a job only.
    bool hasPicture = true;  // a picture will be written for it
    bool edited = false;     // the current picture differs from the imported one
    bool converted = false;  // the stored picture was converted at import
};

struct DeliverySet {
    DeliveryLayout layout = DeliveryLayout::Photo05;
    QString standard;       // 適用要領基準
    QString photoFolder;    // 写真フォルダ名 as written or read
    QString drawingFolder;  // 参考図フォルダ名
    JobHeader header;       // the draft's 工事情報, as written
    // The draft's 工事情報 as read: element names and values in file order.
    QList<QPair<QString, QString>> headerItems;
    QList<DeliveryPhoto> photos;

    bool hasDrawings() const;
};

// The delivery of the job: every filed photo (未分類 and ごみ箱 left out, a
// FLAG of 99 left out) in walk order. `standard` is an edition's code or
// kDraftStandard; the draft names files PIC/DRA + five digits, the current
// layout P/D + seven. Reads the rows in one scan; throws engine::EngineError.
DeliverySet deliverySet(const ExportJob& job, const QString& standard);

// The folder names of 基礎情報 for a layout.
QString photoFolderValue(DeliveryLayout layout);
QString drawingFolderValue(DeliveryLayout layout);

// Reads a parsed PHOTO.XML into the model: the current layout when
// `photo05` is set, else the draft. Groups without 写真ファイル名 are kept
// (the check reports them; the import passes them over).
DeliverySet readDeliverySet(const std::vector<std::unique_ptr<XmlNode>>& top, bool photo05);

// The 工事情報 items read put into a header, each text cut to its field's
// room; items absent keep the header's values.
void applyHeaderItems(const DeliverySet& set, JobHeader& header);

// Whether a PHOTO.XML is of the current layout: its DOCTYPE names
// PHOTO05.DTD, or photodata carries DTD_version "05".
bool isPhoto05File(const QString& xmlPath);

}  // namespace zb
