#pragma once
// The steps of process start and shutdown that need no window: the folder
// resolution with the shared-mode decision, the checks that can end the start,
// the shutdown order, the automatic-save clock and the help contexts.
#include "settings/settings.h"
#include "store/folders.h"
#include "store/job_life.h"

#include <QDateTime>
#include <functional>

namespace zb {

class Messages;

// The product title: the application's title and the start of the main
// window's caption.
inline const QString kProductTitle = QStringLiteral("ゾルベル for Windows");

inline const QString kProgramFolderUnknown = QStringLiteral("プログラムフォルダを認識できません レジストリが異常です。");
inline const QString kTooFewColours = QStringLiteral(
    "画面色をHigh Color(16ビット)以上に設定してください。\r\n\r\n(推奨値はJPEG画像表示に最適な24ビットカラー以上です)");
inline const QString kLowResources = QStringLiteral(
    "システムリソースが不足しています。\r\n\r\nアプリケーションの動作が不安定になる可能性がありますので\r\n"
    "Windowsを一度再起動してから、もう一度作業を再開してみてください。");
inline const QString kAskLayoutReset = QStringLiteral("次回起動時に画面表示・ドッキング状態を初期化します。\r\nよろしいですか？");
inline const QString kNoInternet = QStringLiteral("インターネットを使用できる環境ではないようです。");
inline const QString kProcessFailed = QStringLiteral("指定のプロセスは実行出来ませんでした。Er=");

// File names of the settings.
inline const QString kIniName = QStringLiteral("ZB.INI");
inline const QString kPositionsName = QStringLiteral("ZB_M.INI");
inline const QString kCommonName = QStringLiteral("ZBCOMN.LST");
inline const QString kDockLayoutName = QStringLiteral("ZBM.DAT");
inline const QString kHelpFolderName = QStringLiteral("HELP");
// The table engine's configuration file, in the local data root.
inline const QString kEngineConfigName = QStringLiteral("ENGINE.CFG");

// Folder resolution at start: reads [Network] of ZB.INI when it exists, takes
// the shared-mode decision (with its questions and warnings), resolves and
// creates the folders (the shipped files copied into a per-user data root
// that lacks them), and warns when the program-files folder is missing.
// `localRoot` overrides where the local data lives (empty: the usual rule).
struct StartFolders {
    Folders folders;
    Settings network;  // the [Network] values read
};
StartFolders prepareFolders(const QString& programDir, Messages& messages, const QString& localRoot = {});

// The folders before the shared-mode decision: where ZB.INI and the
// program-files folder are.
Folders localFolders(const QString& programDir, const QString& localRoot = {});

// The screen must show more than 256 colours; otherwise tells the user and
// returns false (the process then ends).
bool colourDepthOk(int bitsPerPixel, Messages& messages);

// The resource guard for secondary windows. This platform reports no such
// resources, so every reading is 100 and the guard never trips; the check and
// its message stay for platforms that report them.
struct FreeResources {
    int system = 100, graphics = 100, user = 100;
};
FreeResources freeResources();
inline constexpr int kResourceThreshold = 15;
// False (after a beep and the message) when any reading is below the threshold.
bool resourcesOk(const FreeResources& r, Messages& messages);

// The shutdown steps, in order. Each hook may be empty.
struct ShutdownSteps {
    std::function<bool()> closeAlbumEditor;     // false: the editor stayed open
    std::function<void(bool)> setBusy;
    std::function<SaveResult()> saveJob;        // saves the open job
    std::function<void()> removeJobMarker;      // closes the saved job: its table and <job>.ER
    std::function<bool()> maintenanceRequested;
    std::function<void()> startMaintenance;     // ZOVAVE from the program folder
    std::function<void()> writeSettings;
    std::function<void()> writeDockLayout;
};
// Returns whether the window may close. A job that cannot be saved keeps the
// window open: its changes and its marker stay, and the user has been told.
bool runShutdown(const ShutdownSteps& steps);

// The idle automatic save: due when the interval is above 0, the window is
// visible and not busy, and the interval has passed since the last save
// (counted from the first idle moment).
class AutoSaveClock {
public:
    void restart(const QDateTime& now) { last_ = now; }
    bool due(const QDateTime& now, int minutes, bool visible, bool busy);
    const QDateTime& last() const { return last_; }

private:
    QDateTime last_;
};

// Help contexts: 401–499 belong to the album editor's pages when it shows,
// 501–599 to the main window's when it does not.
int adjustHelpContext(int context, bool albumEditorShowing);

// Starts a program of the program folder; returns 0 when it started, else an
// error number (2 when the file is missing, 5 when it may not be run, 8 for
// other failures), as the message after "Er=" shows it.
int startProgram(const QString& path, const QStringList& arguments = {});

// The caption: the product title, a blank and the job name in parentheses.
QString mainCaption(const QString& jobName);

}  // namespace zb
