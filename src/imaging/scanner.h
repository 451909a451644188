#pragma once
// Scanning through SANE: the devices, their options, the scan settings of the
// acquisition dialog turned into device options, and the acquisition of pages
// one after another. Each page becomes a 24-bit working bitmap, is written as
// "無名.JPG" in the local temporary folder and handed to the import.
//
// libsane is reached only from here. The acquisition itself may run on a
// worker thread (acquireInBackground): the pages are then handed to the
// calling thread, which keeps its events going in between.
#include "core/record.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

namespace zb {

class IniFile;
class Messages;

// Texts of the acquisition, character for character.
inline const QString kScanPhotoCaption = QStringLiteral("写真の取込(TWAIN)");
inline const QString kScanDrawingCaption = QStringLiteral("参考図の取込(TWAIN)");
inline const QString kScanSettingsUnsupported = QStringLiteral("一部の設定がTWAIN機器でサポートされていません。");
inline const QString kScanError = QStringLiteral(
    "取込中にエラーが発生しました。\r\n\r\nアプリケーションの動作が不安定になる可能性がありますので\r\n"
    "一度プログラムを終了して再度「取込モード」やTWAIN機器の\r\n設定を変更してお試しください。");
inline const QString kScanPageFailed = QStringLiteral("写真の読み込みに失敗しました。");
inline const QString kScanNotes = QStringLiteral(
    "【TWAIN機器仕様上の注意】\r\n"
    "取込モードが「ダイアログを表示(推奨)」または「取込後ダイアログを閉じる」のときは、"
    "機器の設定画面で解像度や読取範囲を指定してから取込を行います。\r\n"
    "「ダイアログ非表示」のときは、この画面の用紙・解像度などの設定で取り込みます。"
    "機器によっては一部の設定が使えないことがあります。\r\n"
    "原稿送り装置(ADF)からは、原稿がなくなるまで続けて取り込みます。");
// Name of each page's file in the local temporary folder.
inline const QString kScanTempName = QStringLiteral("無名.JPG");
// The page counter's unit: count + "枚 ".
QString scanPageCount(int pages);

// 取込モード.
enum ScanMode : int { kScanModeDialog = 0, kScanModeDialogClose = 1, kScanModeNoDialog = 2 };
QStringList scanModeCaptions();

// The paper table: sizes in centimetres, portrait.
struct ScanPaper {
    QString caption;
    double widthCm;
    double heightCm;
};
const std::array<ScanPaper, 9>& scanPapers();
// The resolutions offered; any other may be typed.
QList<int> scanDpiChoices();

// The acquisition dialog's settings (ZB.INI, section MainPrg_Env).
struct ScanSettings {
    int mode = kScanModeDialog;  // Twain_User
    int paper = 4;               // Twain_Paper
    int orient = 0;              // Twain_Orient: 0 縦, 1 横
    bool marginOn = false;       // Twain_FuchiSw
    int margin = 4;              // Twain_Fuchi, mm, 0..20
    int feeder = 0;              // Twain_Kyusi: 0 原稿台, 1 その他
    int dpi = 240;               // Twain_Dpi
    int brightness = 0;          // Twain_Bright, -1000..1000
    int contrast = 0;            // Twain_Cont, -1000..1000
    QString device;              // ScanDevice: the scanner chosen last, empty for none
};
// The settings as ZB.INI holds them, each brought into its range.
ScanSettings readScanSettings(const IniFile& ini);
ScanSettings clampedScanSettings(ScanSettings s);

// A typed resolution below 72 becomes 72.
int normalizedDpi(int dpi);

// The scan frame in twips (567 a centimetre): left and top, then the frame's
// extent to the right and down.
struct ScanFrameTwips {
    int left = 0, top = 0, right = 0, bottom = 0;
};
ScanFrameTwips scanFrameTwips(const ScanSettings& s);
// The same frame as SANE's scan area in millimetres: tl = margin,
// br = paper size - margin (no margin unless switched on).
struct ScanAreaMm {
    double tlx = 0, tly = 0, brx = 0, bry = 0;
};
ScanAreaMm scanAreaMm(const ScanSettings& s);

// -1000..1000 laid linearly onto the device's range min..max.
double mapLevel(int level, double min, double max);

// The source 給紙方法 picks among the device's sources: 原稿台 the first one
// named like a flatbed (else the first); その他 the first whose name contains
// "ADF" or "Feeder" (else the second). Empty when there is none to pick.
QString pickSource(const QStringList& sources, int feeder);
// Whether a source name stands for a document feeder.
bool isFeederSource(const QString& source);

// One option of a device, as the device describes it.
struct ScanOption {
    enum Kind { Bool, Int, Fixed, String, Button, Group };
    enum Limit { NoLimit, Range, List };
    QString name, title, description;
    Kind kind = Int;
    int unit = 0;       // SANE_Unit
    int count = 1;      // values (arrays have more than one)
    bool active = true;
    bool settable = true;
    bool advanced = false;
    Limit limit = NoLimit;
    double min = 0, max = 0, quant = 0;
    QList<double> numbers;   // a number list
    QStringList strings;     // a string list
    QVariant value;          // bool, double (Int and Fixed alike) or QString; invalid for arrays and buttons
};

struct ScanDeviceInfo {
    QString name, vendor, model, type;
};

// The devices SANE finds (empty when none or when SANE cannot start).
QList<ScanDeviceInfo> listScanDevices();

// A 24-bit working bitmap of one page's frames as the device sent them;
// null when the page is empty, damaged or too large. `format` is the
// SANE_Frame of each frame (three single-colour frames for a three-pass
// device, else one).
struct ScanFrame {
    int format = 0;  // SANE_Frame
    int depth = 8;
    int pixelsPerLine = 0;
    int bytesPerLine = 0;
    int lines = 0;   // -1: unknown before the end
    QByteArray data;
};
QImage pageFromFrames(const QList<ScanFrame>& frames);

class ScanDevice {
public:
    ~ScanDevice();
    ScanDevice(const ScanDevice&) = delete;
    ScanDevice& operator=(const ScanDevice&) = delete;

    // Opens the device (the first one found when name is empty); null and
    // the reason in `error` when it cannot be opened.
    static std::unique_ptr<ScanDevice> open(const QString& name, QString* error = nullptr);

    QString name() const { return name_; }
    QList<ScanOption> options() const;
    std::optional<ScanOption> option(const QString& name) const;
    // Sets an option (numbers as double, bools, texts); the device may round
    // it. False when the device lacks the option, it is inactive or the
    // device refused the value.
    bool setOption(const QString& name, const QVariant& value);
    // Presses a button option.
    bool pressOption(const QString& name);
    QStringList sources() const;
    QString currentSource() const;

    // The scan settings of the acquisition dialog as device options; false
    // when some of them could not be set (the scan may go on anyway).
    bool applySettings(const ScanSettings& s);

    enum class Status { Done, Stopped, Error };
    struct Result {
        Status status = Status::Done;
        int pages = 0;
        QString detail;  // the device's reason for an error
    };
    // Acquires pages: one from a flatbed, pages until the feeder is empty
    // from a document feeder. Each page (null when it could not be made) goes
    // to onPage; false from onPage, or `stop` set, ends after that page.
    Result acquire(const std::function<bool(QImage&)>& onPage, const std::atomic<bool>* stop = nullptr);

private:
    struct Impl;
    explicit ScanDevice(std::unique_ptr<Impl> impl, const QString& name);
    int indexOf(const QString& name) const;
    std::unique_ptr<Impl> d_;
    QString name_;
};

// What acquires the pages: ScanDevice::acquire, or a stand-in.
using ScanAcquisition =
    std::function<ScanDevice::Result(const std::function<bool(QImage&)>& onPage, const std::atomic<bool>* stop)>;

// Runs the acquisition on a worker thread. Each page is handed to onPage on
// the calling thread, which calls pump (its event loop) while it waits.
ScanDevice::Result acquireInBackground(const ScanAcquisition& acquire, const std::function<bool(QImage&)>& onPage,
                                       const std::function<void()>& pump, const std::atomic<bool>* stop);

// The scan settings applied to the device (mode 2); when some could not be
// set, "一部の設定がTWAIN機器でサポートされていません。" and the scan goes on.
void ApplyScanSettings(ScanDevice& device, const ScanSettings& settings, Messages& messages);

// One 取込実行 after the device is set up. Every page is written as a JPEG of
// quality 90 to tempFolder/無名.JPG and handed to importFile, which imports it
// (false ends the run: the import refused it or the target is full). A page
// that cannot be converted or written says "写真の読み込みに失敗しました。" and
// the next one follows; a device error says the acquisition error. Pages
// imported before a stop or an error stay. `counted` gets the number of pages
// imported so far after each one.
struct ScanRunResult {
    int imported = 0;
    bool deviceError = false;
    bool stopped = false;  // the import ended the run, or the user stopped it
};
struct ScanRunControl {
    // The caller's event loop while the device works on a worker thread;
    // none: the acquisition runs on the calling thread.
    std::function<void()> pump;
    const std::atomic<bool>* stop = nullptr;
    std::function<void(int)> counted;
};
ScanRunResult RunScan(const ScanAcquisition& acquire, const QString& tempFolder,
                      const std::function<bool(const QString& file)>& importFile, Messages& messages,
                      const ScanRunControl& control = {});
ScanRunResult RunScan(ScanDevice& device, const QString& tempFolder,
                      const std::function<bool(const QString& file)>& importFile, Messages& messages,
                      const ScanRunControl& control = {});

}  // namespace zb
