#pragma once
// Where everything lives: the program folder, the local or shared data root and
// the folders under them. Decided once at start and read by every subsystem.
#include <QString>

namespace zb {

class Messages;

// The [Network] section of ZB.INI, as far as the folders need it.
struct NetworkSettings {
    QString netDrive;          // NetDrive: the shared folder, empty for none
    bool netData = false;      // NetData: jobs from the shared folder
    bool netMast = false;      // NetMast: masters
    bool netKoumoku = false;   // NetKoumoku: user lists
    bool netTemplate = false;  // NetTemplate: templates
    bool netForm = false;      // NetForm: album formats (and GRPHFILE)
    int netKyoyuMode = 0;      // NetKyoyuMode: 1 shared, 2 ask at start, other local
};

// Every path ends in '/'.
struct Folders {
    QString programDir;       // folder of the executable
    QString shippedDir;       // the files shipped with the program: programDir, or <prefix>/share/zbwin/
                              // for a program installed in <prefix>/lib/zbwin/
    QString localRoot;        // programDir, or the per-user data folder when programDir is not writable
    QString programFilesDir;  // stands in for the platform's program-files folder: localRoot's parent
    QString dataRoot;         // the shared folder in shared mode, else localRoot
    QString dataFile;         // DATAFILE/: jobs
    QString mastFile;         // MASTFILE/: master tables
    QString userFile;         // USERFILE/: ZBCOMN.LST, ZBMENU.LST
    QString templateDir;      // TEMPLATE/: job templates
    QString formFile;         // FORMFILE/: album formats
    QString grphFile;         // GRPHFILE/
    QString phtoFile;         // PHTOFILE/ of the data root
    QString sysFile;          // SYSFILE/ of the data root
    QString tempFile;         // TEMPFILE/ of the data root: lock files of shared masters
    QString localTemp;        // local temporary folder (ZBM.DAT, repair scratch tables)
    QString tempM;            // TEMP_M/ under localTemp
    QString tempG;            // TEMP_G/ under localTemp: album editor scratch
    QString iniDir;           // where ZB.INI and ZB_M.INI live

    bool shared = false;            // shared mode on
    bool sharedUnreachable = false; // NetDrive was set but could not be reached this run
    bool dataShared = false, mastShared = false, userShared = false, templateShared = false, formShared = false;
};

// Outcome of the shared-mode decision at start.
struct SharedDecision {
    bool shared = false;
    bool unreachable = false;
};

// The shared-mode decision: asks "共有モードで実行しますか？" for NetKyoyuMode 2,
// warns when the shared folder is not on a network file system, tells the user
// when the shared folder cannot be reached and the local folders are used.
SharedDecision decideSharedMode(const NetworkSettings& net, Messages& messages);

// The folders for a program folder and a decision; nothing is created.
// An empty localRoot means: programDir when writable, else the per-user folder.
Folders resolveFolders(const QString& programDir, const NetworkSettings& net, const SharedDecision& decision,
                       const QString& localRoot = {});

// Creates every folder that is missing; a failure only beeps. Returns false when
// any folder could not be created.
bool createFolders(const Folders& folders, Messages& messages);

// Where the files shipped with a program in `programDir` are: the program
// folder itself (a build or a program folder made by hand), or, for a program
// installed as <prefix>/lib/zbwin/, the folder <prefix>/share/zbwin/ when it
// exists.
QString shippedFolder(const QString& programDir);

// When the local data root is not where the shipped files are (an installed
// program keeps its data per user), copies every shipped file that the local
// data root lacks into it, folders included; a file already there, changed by
// the user or not, is kept. A failure only beeps. Returns false when any file
// could not be copied.
bool copyShippedFiles(const Folders& folders, Messages& messages);

// True when the folder lies on a network file system (nfs, cifs/smb, sshfs, …).
bool isNetworkFolder(const QString& path);

// A folder path with '/' separators and exactly one trailing '/'.
QString withSlash(const QString& path);

// Texts of the shared-mode decision.
inline const QString kAskSharedMode = QStringLiteral("共有モードで実行しますか？");
inline const QString kSharedBusy = QStringLiteral("共有フォルダがビジーです ローカル環境を使用します。");
inline const QString kSharedIsLocal = QStringLiteral(
    "警告!! 環境設定の「共有フォルダ」がローカルドライブを指しています。\r\n"
    "この設定では共有するマスタに矛盾・障害が発生する恐れがあります。\r\n"
    "速やかに設定を変更して下さい。");

}  // namespace zb
