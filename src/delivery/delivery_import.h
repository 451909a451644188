#pragma once
// Reading an electronic delivery back (ＸＭＬ読込): PHOTO.XML of either
// layout with its PIC/ and DRA/ pictures becomes the job "ＸＭＬ入力", built
// from scratch. The new
// job's files are built aside and replace the previous import only when the
// whole delivery was read, so a broken delivery never destroys it.
#include "store/folders.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace zb {

class Messages;
class Progress;

inline const QString kXmlImportJob = QStringLiteral("ＸＭＬ入力");
inline const QString kImportCaptionXml = QStringLiteral("写真管理情報基準（案）／ＸＭＬ読込");
inline const QString kImportFolderMessage = QStringLiteral("PHOTO.XMLが存在するフォルダを指定してください。");
inline const QString kImportNoXml = QStringLiteral("フォルダが違います PHOTO.XML がみつかりません。");
inline const QString kImportFlagBad = QStringLiteral("写真整理フラッグに不正な数値が確認されました。");
// Texts of this implementation for failures the reading cannot go past.
inline const QString kImportBuildFailed =
    QStringLiteral("ＸＭＬ入力の工事データを作成できませんでした。以前の工事データはそのまま残っています。\r\n%1");
inline const QString kImportNotJpeg = QStringLiteral(
    "次の写真ファイルはJPEGとして読み込めないため、一覧の縮小画像の代わりにDUMMY.JPGを使いました。\r\n%1");
inline const QString kImportLeftOut = QStringLiteral(
    "次の写真には参考図（付加情報）または工種区分予備が4件以上あります。4件目からは読み込みませんでした。\r\n%1");
inline const QString kImportCut =
    QStringLiteral("%1文字を超える項目の値は%1文字までを読み込みました。");
inline const QString kImportStopped =
    QStringLiteral("ＸＭＬ読込を中止しました。以前の工事データはそのまま残っています。");

// "メディア" + the number in full-width digits + "をセットしてください。\r\nよろしいですか？"
QString mediumQuestion(int medium);

struct DeliveryImportOptions {
    QString folder;          // the folder holding PHOTO.XML
    bool libxml2 = false;    // read with libxml2 instead of our own parser
    bool askMedia = true;    // ask for the next medium (zbcli does not)
    // True when "ＸＭＬ入力" is the job open in this program: the in-use probe
    // is left out (it would meet our own lock).
    bool targetIsOpen = false;
};

struct DeliveryImportResult {
    enum class Outcome { Imported, NoXml, InUse, BadXml, Failed, Stopped } outcome = Outcome::Failed;
    int photos = 0;
    int drawings = 0;
    QStringList missing;  // names of pictures replaced by DUMMY.JPG, as the file gives them
    QStringList unreadable;  // pictures kept as they are that are no readable JPEG
    QString error;        // the message shown for BadXml and Failed
};

// The picture standing in for a missing one: SYSFILE/DUMMY.JPG, written by
// this program when it is missing.
QByteArray dummyPicture(const QString& sysFile);

// Builds "ＸＭＬ入力" from the delivery. `release` is called once the new
// files are complete, before they replace the old ones: it closes the job
// when it is open here, and returning false keeps the old files. Messages go
// to `messages` (the parser's, the medium question, the flag message).
DeliveryImportResult importDelivery(const Folders& folders, const DeliveryImportOptions& options,
                                    Messages& messages, Progress& progress, const std::function<bool()>& release);

// A name from a delivery file resolved inside `base`: nullopt for an absolute
// path, a ".." step, or a path that leads outside through a link.
std::optional<QString> pathInside(const QString& base, const QString& name);

}  // namespace zb
