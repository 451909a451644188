#pragma once
// Edits of stored photos: the image-processing edit and the quarter turns
// write a new IMAGE_NOW and refresh ALBUM (when the row has one) and
// THUMBNAIL; the return to the imported picture clears IMAGE_NOW again; the
// thumbnail rebuild makes every row's THUMBNAIL anew. IMAGE_ORG is never
// changed. Each row is changed in one post, so a failure leaves it as it was.
#include "core/record.h"
#include "store/photo_table.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace zb {

class Messages;
class Progress;
class TTableEnhanced;

inline const QString kPhotoReadFailed = QStringLiteral("写真の読み込みに失敗しました。");
inline const QString kMetafileEditOne = QStringLiteral("この写真は WMF 形式です。 編集後は JPEG に変換されます。");
inline const QString kMetafileEditMany =
    QStringLiteral("WMF 形式の画像が含まれています。 編集後は JPEG に変換されます。");
inline const QString kReturnToOriginalQuestion = QStringLiteral("選択されている写真をオリジナルの写真に戻しますか？");
inline const QString kReturnToOriginalMany = QStringLiteral("\r\n\r\n(変更されている写真のみが対象です)");
inline const QString kCopyWhichPicture =
    QStringLiteral("オリジナル(原本)の写真をコピー[はい] 編集後の写真をコピー[いいえ]を選択してください。");
inline const QString kSaveWhichPicture = QStringLiteral("オリジナル(原本)写真で出力しますか？");
inline const QString kRebuildThumbnailsQuestion =
    QStringLiteral("現在の工事データのサムネイルを再構築します よろしいですか？");
inline const QString kRebuildFinished = QStringLiteral("終了しました。");

// GRA_FLAG of an imported picture from its first bytes: a picture that begins
// with the JPEG start-of-image marker FF D8 FF is a JPEG (0), whatever marker
// follows; anything else is a metafile (20).
int GraFlagOf(const QByteArray& imageOrg);

// The bitmap turned clockwise by r quarter turns (1 = 90, 2 = 180, 3 = 270
// degrees). Null when the memory could not be had.
QImage RotateQuarter(const QImage& bitmap, int r);

// The open photo table and what the commands tell the window.
struct PhotoEditContext {
    TTableEnhanced& table;
    const PhotoFields& fields;
    Messages& messages;
    Progress& progress;
    std::function<void()> markChanged;        // the job's changed mark
    std::function<void(RECORD)> rowChanged;   // redraw the row's item
};

// What a run did.
struct EditRunResult {
    QList<RECORD> changed;   // rows whose pictures were written
    bool failed = false;     // a picture could not be read or stored
    bool stopped = false;    // ESC, or a declined metafile question
};

// The edit run over the selected photos in list order. r = 0 is the
// image-processing edit of the one selected photo: `editPicture` gets the
// decoded bitmap and returns whether it changed it. r = 1, 2, 3 turns every
// selected photo by that many quarter turns, with the progress bar; a JPEG
// whose size fits the JPEG blocks is turned without decoding (no loss).
EditRunResult RunPhotoEdit(PhotoEditContext& c, const QList<RECORD>& selected, int r,
                           const std::function<bool(QImage&)>& editPicture = {});

// オリジナルの写真に戻す over the selected photos (rows without an edit are
// passed over). False when the user said no.
EditRunResult ReturnToOriginal(PhotoEditContext& c, const QList<RECORD>& selected);

// The thumbnail rebuild over every row in table order (asks first unless
// `ask` is false). The rows whose picture could not be read are listed; the
// rest are rebuilt. Decoding runs on both cores.
struct RebuildResult {
    int rebuilt = 0;
    QList<RECORD> failed;
    bool asked = true;    // false when the user said no
    bool stopped = false;
};
RebuildResult RebuildThumbnails(PhotoEditContext& c, bool ask = true);

// Which stored picture a copy or a save takes: the original (IMAGE_ORG with
// its kind) or the edited picture (IMAGE_NOW, a JPEG). Asks `question`
// (yes: original, no: edited, cancel: nothing) when the row has an edit.
struct ChosenPicture {
    QByteArray bytes;
    int kind = 0;
    QString fileName;  // FILENAME of the row
};
std::optional<ChosenPicture> ChoosePicture(TTableEnhanced& table, const PhotoFields& fields, RECORD record,
                                           const QString& question, Messages& messages);

// The name the save dialog proposes: the last save folder plus the file name
// of FILENAME ("写真1" when empty) with the extension .jpg, or .wmf for a
// metafile.
QString ProposedSaveName(const QString& saveFolder, const QString& fileName, bool metafile);

}  // namespace zb
