#pragma once
// Photo import: turns picture files (or a picture from the clipboard) into new
// rows of the job's photo table and places them in a folder of the hierarchy,
// or attaches them as reference drawings to one photo. Every source (files,
// folders, drops, the clipboard, scanners, panoramas) goes through
// ImportPictures.
//
// The routine works on the open photo table and a plain list of the target
// folder's record numbers; the caller owns the tree and refreshes its views
// from the result. It talks to the user only through the Messages and
// Progress ports. Callers link zb_store as well (the photo table).
#include "core/record.h"
#include "store/job_files.h"
#include "store/photo_table.h"

#include <QDate>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace zb {

class Messages;
class Progress;
class TTableEnhanced;

// Messages of the import, character for character.
inline const QString kImportTargetRefused = QStringLiteral("この工事フォルダには写真データは登録できません。");
inline const QString kImportFileMissing = QStringLiteral("ファイルがみつかりません。\r\n>");
inline const QString kImportUnsupported = QStringLiteral("サポートされていない写真データ形式です。\r\n>");
inline const QString kImportDrawingsFull = QStringLiteral("登録できる参考図の数を超えています。");
inline const QString kImportBackupFailed =
    QStringLiteral("写真の複写に失敗しています。 ディスクにエラーが無いか確認してください。");
// The highest record number is the largest one a row can hold: the import
// would have to number the next row past it.
inline const QString kImportRecordsFull =
    QStringLiteral("写真番号が上限に達したため、この工事データにはこれ以上写真を登録できません。");
// A paste when the clipboard holds neither a picture nor a metafile.
inline const QString kImportClipboardEmpty = QStringLiteral("クリップボードに写真(画像)がありません。");
inline const QString kImportBlobTooLarge = QStringLiteral("工事データの空き容量が不足しています。");
// Key of the quiet notice above (silenced for the rest of the run).
inline const QString kImportBlobNoticeKey = QStringLiteral("NoMsgDlg_Diskmax");

// Texts of the folder import.
inline const QString kImportCaption = QStringLiteral("写真の取込");
inline const QString kFolderImportMessage =
    QStringLiteral("指定したフォルダに含まれる全ての写真(画像)を一括して取込します。");
// "合計 " + count + "枚の写真があります 一括読込しますか？"
QString folderImportQuestion(int count);

// Settings of ZB.INI (section MainPrg_Env) the import reads.
struct ImportSettings {
    bool backupFile = true;   // BackupFile: copy each source into BACK/<date>/
    int stampMode = 1;        // StampMode: 0 none, 1 EXIF else file time, 2 EXIF only, 3 file time only
    bool fdiFileName = true;  // FDIFileName: film and frame number from the FDi EXIF tags
    bool komaAuto = true;     // KomaAuto: frame number from the digits of the file name
};

// The open job as the import sees it.
struct ImportJob {
    TTableEnhanced* table = nullptr;  // the open photo table
    PhotoFields fields;
    QString backFolder;               // <job>/BACK/ (with or without the trailing '/')
    bool compressed = false;          // the job's compressed-photo marker exists
    // The job's files. After the run the space warning is shown when the file
    // system holding them is short of room for the job (jobSpaceShort); the
    // table itself may grow as far as the file system lets it. No warning
    // when the name is empty.
    JobPaths paths;
    // Day of the backup sub-folder; today when invalid (tests fix it).
    QDate today;
};

// Where the new rows go.
struct ImportTarget {
    // Drawing target: the new rows become reference drawings of the one
    // selected photo. Otherwise photo target: they are appended to `folder`.
    bool drawing = false;
    // Photo target: the selected folder's photo order (nullptr when no folder
    // is selected) and whether that folder accepts photos.
    QList<RECORD>* folder = nullptr;
    bool folderAcceptsPhotos = false;
    // Drawing target: the photos selected in the photo list.
    QList<RECORD> selectedPhotos;
};

// A picture from the clipboard: an enhanced metafile's bytes when it holds
// one, else its bitmap.
struct ClipboardPicture {
    QByteArray metafile;
    QImage bitmap;
};

// What happened.
struct ImportResult {
    bool refused = false;       // the target check failed or the clipboard held no picture: nothing was done
    bool stopped = false;       // an error, ESC or a full drawing list ended the run early
    bool changed = false;       // at least one file was taken in hand: the job is changed
    QList<RECORD> added;        // posted rows, in order
    bool backupFailed = false;  // at least one backup copy failed
    bool spaceLow = false;      // the job's file system is short of room: offer 領域の確保
};

// Imports the files in list order (or, with no list, the clipboard picture)
// into the job. Rows posted before a stop stay in the table and in the folder.
// Returns true when every file was imported.
bool ImportPictures(const ImportJob& job, const std::optional<QStringList>& files, ImportTarget& target,
                    const ImportSettings& settings, Messages& messages, Progress& progress,
                    ImportResult* result = nullptr, const ClipboardPicture* clipboard = nullptr);

// The fields a JPEG or metafile takes from its EXIF data, its file time and its name.
struct PhotoInfo {
    QString date;     // "yyyymmdd" or empty
    std::optional<int> filmNumber;
    QString frameNumber;  // empty for none
};
PhotoInfo photoInfoFor(const QString& path, int kind, const ImportSettings& settings);

// Frame number from a file name: the decimal value of the text from its first
// digit on (leading digits only, without leading zeros); empty when the name
// has no digit.
QString frameNumberFromName(const QString& baseName);
// Blanks (ASCII and U+3000) removed at both ends.
QString trimBlanks(const QString& text);

// Backup copy name: "B" + the record number as seven digits + the extension.
QString backupFileName(RECORD highest, const QString& sourcePath);

// Name order of the folder import: letters compared without regard to case,
// runs of digits by their value, so IMG_2 comes before IMG_10 (and IMG_02
// beside IMG_2). Names equal that way fall back to a plain comparison, so the
// order is total.
bool fileNameLess(const QString& a, const QString& b);

// Folder import: the picture files of a folder in name order, then,
// when asked, each sub-folder's (not starting with ".") depth first, also in
// name order. A file is
// taken when its name matches one of the import masks and its kind is known.
// After each taken file the status shows " " + count + "件"; after each file
// `escPressed` is polled and, when it says yes, the ESC question is asked: yes
// ends the scan (what was found so far is kept) and clears the status.
QStringList scanImportFolder(const QString& folder, bool includeSubfolders, Messages& messages,
                             const std::function<bool()>& escPressed = {});

// The folder import after the folder was chosen: scans, asks for the total and
// returns the files to import (empty when none or when the user said no).
QStringList folderImportList(const QString& folder, bool includeSubfolders, Messages& messages,
                             const std::function<bool()>& escPressed = {});

}  // namespace zb
