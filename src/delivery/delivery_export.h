#pragma once
// The electronic delivery (ＸＭＬ保存): PHOTO.XML with its DTD, the photos in
// PIC/ and the drawings in DRA/, optional viewer files and disc folders.
#include "delivery/delivery_model.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <optional>

namespace zb {

class Messages;
class Progress;

// The basic information (基礎情報): element names and values, in order.
QList<QPair<QString, QString>> basicInformation();

// The construction information (工事情報) of a header: element names and
// values in order, empty values included.
QList<QPair<QString, QString>> constructionInformation(const JobHeader& header);

// The built-in PHOTO.DTD: Shift_JIS, CR LF, 100 lines.
QByteArray builtInPhotoDtd();

inline const QString kExportCaption = QStringLiteral("写真管理情報基準（案）／ＸＭＬ保存");
inline const QString kExportFolderMessage = QStringLiteral("保存するフォルダを指定してください。");
inline const QString kExportCheckAdvice = QStringLiteral(
    "\r\nこの問題を解決するには[入力漏れの検証]を実行して\r\n未入力項目の検索と修正をおこなってください。");
inline const QString kExportCheckQuestion = QStringLiteral("未入力の必須項目がありますが出力しますか？");
inline const QString kExportDoneViewer = QStringLiteral(
    "XML保存を完了しました。\r\n\r\nブラウザを添付する設定になっています。\r\nXMLブラウザ等の機能が現時点で確実に安全であることを\r\n"
    "保証するためにもCD-R/MOなどに保存後ウィルス検索ソフト等での\r\n確認と[確認済み]であることの記載をおすすめします。");
inline const QString kExportDoneNoViewer = QStringLiteral(
    "XML保存を完了しました。\r\n\r\nブラウザを添付する設定になっていませんので実行されるプログラムは存在しません。\r\n"
    "しかし念のためにCD-R/MOなどに保存後ウィルス検索ソフト等での\r\n確認と[確認済み]であることの記載をおすすめします。");
// Texts of this implementation for what the folder dialog does not prevent.
inline const QString kExportPhotoExists = QStringLiteral("【PHOTO】フォルダが既に存在します。\r\n%1");
inline const QString kExportDiscSizeBad =
    QStringLiteral("ディスクイメージの範囲が不正です。\r\n10MB～9999MBの範囲で入力してください");
inline const QString kExportRecordsTooHigh = QStringLiteral(
    "写真番号が 99999 を超える写真または参考図があるため、ファイル名が重複します。\r\n出力を中止しました。\r\n写真番号: %1");
inline const QString kExportRecordsTooHigh05 = QStringLiteral(
    "写真番号が 9999999 を超える写真または参考図があるため、ファイル名を付けられません。\r\n出力を中止しました。\r\n写真番号: %1");
inline const QString kExportWriteFailed =
    QStringLiteral("XML保存中にファイルを書き込めませんでした。出力を中止しました。\r\n%1\r\n%2");
inline const QString kExportStopped = QStringLiteral("XML保存を中止しました。");

// Viewer choices of the folder dialog.
enum class ViewerKind { None = 0, Executable = 1, Web = 2 };

struct ExportOptions {
    QString folder;         // the target folder T
    // 適用要領基準: an edition's code or kDraftStandard; empty: the newest edition.
    QString standard{};
    bool original = false;  // imported pictures instead of the current ones
    int viewer = 0;         // ViewerKind
    bool discImage = false;
    int discSize = 650;     // megabytes, 10-9999
    int jpegQuality = 90;   // for metafiles rendered to JPEG
};

// The open job as the export reads it.
struct ExportJob {
    const JobHeader* header = nullptr;
    const Hierarchy* folders = nullptr;
    engine::Table* table = nullptr;
    PhotoFields fields;
    QString sysFile;          // SYSFILE/ of the data root
    QString programFilesDir;  // where TORVEN/ZBVIEW/ holds the disc viewer
};

// The silent missing-input check at range 0 before the export: true when the
// export may go on (nothing found, or the user said Yes). `lines` gets what
// the check found.
bool exportCheckAllows(const ExportJob& job, Messages& messages, QStringList* lines = nullptr);
// The question the check asks for the lines it found.
QString exportCheckQuestionText(const QStringList& lines);

// The standard the options choose: an edition's code or kDraftStandard.
QString chosenStandard(const ExportOptions& options);

// The base folder of disc n (1-based).
QString discFolder(const ExportOptions& options, int disc);
// Why the folder dialog refuses the options ("" when it accepts them).
enum class ExportFolderState { Ready, PhotoExists, DiscSizeBad };
ExportFolderState exportFolderState(const QString& folder, bool discImage, int discSize);

enum class ExportResult { Done, Refused, Failed, Stopped };
struct ExportReport {
    int discs = 0;
    int photos = 0;    // photos written into PHOTO.XML
    int drawings = 0;  // drawing files written
};

// Writes the set and reports the end with the final message. Refused (with a
// message) when PHOTO exists, the disc size is out of range or a RECORD is
// above what the file names hold; Failed (with a message) when a file cannot
// be written: what was written stays, nothing that was in the folder before
// is touched. The delivery check is not run.
ExportResult exportDelivery(const ExportJob& job, const ExportOptions& options, Messages& messages,
                            Progress& progress, ExportReport* report = nullptr);

// The steps of exportDelivery, for callers that check the delivery between
// them: the model of the job (nullopt with a message when the table cannot be
// read or the options are refused), and the writing of that model, which
// fills in each photo's disc.
std::optional<DeliverySet> exportedSet(const ExportJob& job, const ExportOptions& options, Messages& messages);
ExportResult writeDelivery(const ExportJob& job, DeliverySet& set, const ExportOptions& options,
                           Messages& messages, Progress& progress, ExportReport* report = nullptr);

}  // namespace zb
