#pragma once
// The preferences of the application: sections MainPrg_Env and Network of
// ZB.INI and section ComnPrg_Env of ZBCOMN.LST. Read once when the main window
// is first shown and written back at shutdown; every part of the program reads
// the process-wide values through appSettings().
#include "store/folders.h"

#include <QString>
#include <limits>
#include <optional>
#include <variant>
#include <vector>

namespace zb {

// Sections MainPrg_Env and Network of ZB.INI.
struct Settings {
    // [MainPrg_Env]
    int thumbnailUser = 80;      // THUMBNAIL_USER, 60–120 dots
    bool thumbnailMinFit = false;
    bool graphicSwap = false;
    bool kouhini = false;
    int iconStyle = 0;           // 0 standard, 1 custom size
    bool inputLevel = false;
    QString graphPath, graphDir, saveFilePath, xmlLoadPath, xmlSavePath, htmlSavePath;  // default: program folder
    QString backupPath;          // default: the data folder
    QString mastFileName = QStringLiteral("基本マスタ");
    bool mainSeekIciran = true;
    int mainSeekSort = 0, mainSeekKoumoku = 0, mainSeekPos = 1, mainSeekStyle = 2;
    int mainSeekHanniSt = 0, mainSeekHanniEn = 0;
    int mastSeekPos = 1, mastSeekStyle = 2, mastSeekHanniSt = 0, mastSeekHanniEn = 0;
    int missHanni = 0;
    int dataSort = 1, albumSort = 1, formSort = 1, prnFormSort = 1, prnNewSort = 1;
    bool msXmlParser = true;
    int diskSize = 650;
    bool komaAuto = true;
    int stampMode = 1;           // 0 none, 1 Exif and file time, 2 Exif only, 3 file time only
    bool fdiFileName = true;
    bool backupFile = true;
    int autoSaveTime = 0;        // minutes, 0 off, at most 60
    bool deleteOneKey = false;
    int viewHtmlFile = 0;
    bool diskCheck = false, folderDown = false, orgGrphXml = false, orgGrphHtml = false;
    // 適用要領基準 of the electronic delivery: an edition's code or "draft";
    // empty: the newest edition.
    QString photoStandard;
    QString grphFormName = QStringLiteral("A4縦3連A.ZBF");
    int grphPageInc = 1;
    qint64 grphOffsetX = 0, grphOffsetY = 0;  // fixed point: value × 10000
    int grphGridPitch = 5, grphPanelRitu = 0;
    bool grphRenzoku = false, grphBubun = true, grphShiftLock = true, grphLock = false, grphGroup = false,
         grphKouhini = false;
    int formGridPitch = 5, formPanelRitu = 0;
    bool formRenzoku = false, formBubun = true, formShiftLock = true, formLock = false, formGroup = false,
         formKouhini = false;
    int twainUser = 0, twainPaper = 4, twainOrient = 0, twainFuchi = 4;
    bool twainFuchiSw = false;
    int twainKyusi = 0, twainDpi = 240, twainBright = 0, twainCont = 0;
    QString scanDevice;  // the scanner chosen last (SANE device name), empty before the first choice
    bool hyojunPrnDialog = false;
    bool prnImagekit = true;

    // [Network]
    int netKyoyuMode = 1;        // 0 off, 1 automatic, 2 ask at every start
    bool netMasterRefresh = true;
    int netMastTime = 5;         // seconds, 1–3600
    QString netDrive;
    bool netData = true, netMast = true, netKoumoku = true, netTemplate = true, netForm = true;

    // The values the folder resolution needs.
    NetworkSettings network() const;
    // Path defaults: the program folder and the data folder, without trailing '/'.
    void setPathDefaults(const Folders& folders);
};

// Section ComnPrg_Env of ZBCOMN.LST: the company and contractor data.
struct CommonSettings {
    QString jName1, jName2, jAddr0, jAddr1, jAddr2, jTelNum, jFaxNum, jBikou1, jBikou2;
    QString jUkeoi, jUkeoiCode, jUkeoiBikou;
    bool operator==(const CommonSettings&) const = default;
};

inline const QString kMainSection = QStringLiteral("MainPrg_Env");
inline const QString kNetworkSection = QStringLiteral("Network");
inline const QString kCommonSection = QStringLiteral("ComnPrg_Env");

// One key of ZB.INI: where it lives, the field it fills and the values it
// accepts. A value that is not a number or lies outside [min, max] leaves the
// field as it was.
struct SettingKey {
    enum class Kind { Integer, Boolean, String, Fixed4 };
    QString section;
    QString key;
    std::variant<int Settings::*, bool Settings::*, QString Settings::*, qint64 Settings::*> field;
    int min = std::numeric_limits<int>::min();
    int max = std::numeric_limits<int>::max();
    Kind kind() const;
};

// Every key of ZB.INI, in the order the file is written.
const std::vector<SettingKey>& settingKeys();

// The keys of ZBCOMN.LST with their fields.
struct CommonKey {
    QString key;
    QString CommonSettings::*field;
};
const std::vector<CommonKey>& commonKeys();

// A decimal with at most four fraction digits, as the album offsets are kept.
// Accepts "." or "," as the decimal separator; nullopt for anything else.
std::optional<qint64> parseFixed4(const QString& text);
QString formatFixed4(qint64 value);

// Reads the [Network] section only (at process start, before the folders are
// known). A missing file gives the defaults.
Settings readNetworkSection(const QString& iniPath);

// Reading and writing the settings files. A file is written only when it was
// read in this run, so that a run that ended early never overwrites the user's
// file with defaults.
class SettingsStore {
public:
    SettingsStore(QString iniPath, QString commonPath);

    const QString& iniPath() const { return iniPath_; }
    const QString& commonPath() const { return commonPath_; }

    // Reads both sections of ZB.INI into `s`; keys that are missing or unusable
    // keep their current value. False when the file exists but cannot be read.
    bool readMain(Settings& s);
    // Reads ZBCOMN.LST afresh.
    bool readCommon(CommonSettings& c);
    bool mainWasRead() const { return mainRead_; }
    bool commonWasRead() const { return commonRead_; }

    // Writes ZB.INI (both sections rewritten whole) when it was read; returns
    // false on a write failure with the reason in `error`. `unmappable` gets
    // the characters Shift_JIS cannot hold, which were left out of the file
    // (each once, in order; empty when none), so the user can be told.
    bool writeMain(const Settings& s, QString* error = nullptr, QString* unmappable = nullptr) const;
    bool writeCommon(const CommonSettings& c, QString* error = nullptr, QString* unmappable = nullptr) const;

private:
    QString iniPath_;
    QString commonPath_;
    bool mainRead_ = false;
    bool commonRead_ = false;
};

// The warning for characters left out of a settings file: its path, then
// "次の文字はファイルに保存できないため取り除かれました: " + the characters.
QString settingsLeftOutText(const QString& path, const QString& unmappable);

// The process-wide settings every part of the program reads.
Settings& appSettings();
CommonSettings& appCommonSettings();

}  // namespace zb
