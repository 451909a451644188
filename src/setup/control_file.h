#pragma once
// The setup control file: an INI-style text read twice, once for its keys
// (private-profile rules: section and key names without regard to case, the
// first occurrence wins, values trimmed) and once line by line for the list
// of files to copy.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace zbsetup {

// Decodes the control file's bytes: UTF-8 when they are valid UTF-8 (with or
// without a byte-order mark), otherwise Windows code page 932.
QString decodeControlText(const QByteArray& bytes);

// Key lookup over the text of an INI file.
class ProfileText {
public:
    explicit ProfileText(const QString& text);

    bool hasKey(const QString& section, const QString& key) const;
    // The trimmed value, `def` when the key is missing.
    QString readString(const QString& section, const QString& key, const QString& def = {}) const;
    // The leading integer of the value (0 when it has none), `def` when the key is missing.
    int readInteger(const QString& section, const QString& key, int def) const;

private:
    struct Entry {
        QString section, key, value;
    };
    const Entry* find(const QString& section, const QString& key) const;
    QList<Entry> entries_;
};

struct SetupIcon {
    QString cmdLine, title, runPath;
};

constexpr int kMaxIcons = 20;

struct SetupConfig {
    int mode = 0;
    int back = 0;
    QString title = QStringLiteral("Windows");
    int winFree = 4096;  // KB
    int prgFree = 4096;  // KB
    int update = 0;
    QString fddPath;  // source folder, without a trailing slash
    QString orgPath, exePath, userPath, formPath, dataPath;
    QString groupTitle, groupName;
    QList<SetupIcon> icons;  // at most kMaxIcons, none with an empty title
    QString text;            // the whole control file, for the file list

    bool isUpdate() const { return update == 1; }
    // "アップデート" or "セットアップ".
    QString modeWord() const;
    // The label of disk n ("保存用ディスク No." + n unless the file names it).
    QString diskTitle(int n) const;
};

// Reads the keys; `programDir` is the setup program's own folder, the source
// folder when the file names none.
SetupConfig readConfig(const QString& text, const QString& programDir);

// The control file of a program: its path with the extension replaced by
// ".Inf" (".Inf" appended when it has none).
QString controlFilePath(const QString& programPath);

// A program without its control file has nothing to install: it says so and
// ends instead of reporting an installation that copied nothing.
inline const QString kControlFileMissing = QStringLiteral("セットアップ情報ファイルがみつかりません。 ");
inline const QString kControlFileUnreadable = QStringLiteral("セットアップ情報ファイルを読み込めません。 ");

// The keys of the control file beside the program; nullopt, with the message
// (one of the two texts above followed by the file's path) in *error, when
// the file is missing or cannot be read.
std::optional<SetupConfig> loadControlFile(const QString& programPath, QString* error);

// Where each destination letter copies to.
struct Destinations {
    QString chosen;   // the folder the user chose
    QString windows;  // stand-in for the Windows folder
    QString system;   // stand-in for the Windows system folder
};

struct CopyEntry {
    int disk = 0;
    QChar letter;      // upper-case
    QString source;    // name inside the source folder ('/' separators)
    QString dest;      // name inside destFolder ('/' separators)
    QString destFolder;  // without a trailing slash
    QString destPath() const { return destFolder + QLatin1Char('/') + dest; }
};

// "不正なフォーマットが有ります。Setup.inf [disk<n>] -> <letter>"
QString badFormatMessage(int disk, const QString& what);

// Parses the file lines of the [DISK<n>] sections. A line with an unknown
// letter, or with a name that would leave its folder, is reported through
// `report` and skipped.
QList<CopyEntry> parseFileList(const SetupConfig& config, const Destinations& dest,
                               const std::function<void(const QString&)>& report);

// A folder joined with a sub-folder from the control file, without a trailing slash.
QString joinFolder(const QString& base, const QString& sub);

}  // namespace zbsetup
