#pragma once
// Copying between the local and the shared data folders (工事データ/環境の複写):
// jobs, masters, the user files, templates and formats, in either direction.
// A job or master is in use when its table cannot be opened for writing,
// tried right before it is copied; nothing is locked across the copy.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace zb {

class Messages;
class Progress;

inline const QString kCopyCaption = QStringLiteral("工事データ/環境の複写");
inline const QString kCopySameFolders = QStringLiteral("共有データ領域とローカルデータ領域が同じです。");
inline const QString kCopyNoShared = QStringLiteral("共有データ領域がみつかりません。");
inline const QString kCopyNoLocal = QStringLiteral("ローカルデータ領域がみつかりません。");
inline const QString kCopyFinished = QStringLiteral("複写が終了しました。");
inline const QString kCopyFailed = QStringLiteral("複写に失敗しました。");
inline const QString kLocalSide = QStringLiteral("ローカルフォルダ");
inline const QString kSharedSide = QStringLiteral("共有フォルダ");
inline const QString kUserFilesEntry = QStringLiteral("項目メニュー/環境ファイル");

enum class CopyKind { Data, Master, UserFiles, Template, Format };

// The folder of a kind under a data root (with '/'): DATAFILE/, MASTFILE/,
// USERFILE/, TEMPLATE/, FORMFILE/.
QString copyKindFolder(const QString& root, CopyKind kind);
// The caption of a kind's button.
QString copyKindCaption(CopyKind kind);

// Why the dialog cannot open for these two data roots, nullopt when it can:
// the same folder, or one of them missing.
std::optional<QString> copyFoldersProblem(const QString& localRoot, const QString& sharedRoot);

// The entries of a kind in its folder (file names without extension, sorted).
QStringList copyEntries(const QString& folder, CopyKind kind);

// The files and folder of one job or master by its own names, those present:
// <name>.DB with SQLite's side files, .MB, .PX, and for jobs .ZBD, .ER, .CMP
// and the folder <name>/.
QStringList ownFiles(const QString& folder, const QString& name, CopyKind kind);

// Copies the selected entries from one folder to the other after asking,
// telling the user of every entry that could not be copied. Returns whether
// it ran (false when the user declined).
bool copySelected(CopyKind kind, const QString& sourceFolder, const QString& destinationFolder, bool fromLocal,
                  const QStringList& names, Messages& messages, Progress& progress);

// Test hook: called before each file of a job or master is copied; returning
// false makes that copy fail.
void setCopyFileProbe(std::function<bool(const QString& file)> probe);

}  // namespace zb
