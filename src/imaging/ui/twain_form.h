#pragma once
// The acquisition dialog: the scanner, the acquisition mode, the scan
// settings used without the device dialog, and the page counter. 取込実行
// acquires pages on a worker thread while the dialog stays responsive; ESC or
// 中止 stops after the current page. Each page is handed to `importFile`.
#include "imaging/scanner.h"

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace zb {

class Messages;

// The device's own options as a dialog of ours: one control per option, set
// on the device as it is changed. 取込 starts the acquisition through
// `acquire`; in mode 1 the dialog closes after it, in mode 0 it stays open.
class TScanOptionsDialog : public QDialog {
    Q_OBJECT
public:
    TScanOptionsDialog(ScanDevice& device, bool closeAfterAcquire, QWidget* parent = nullptr);
    std::function<void()> acquire;
    QPushButton* acquireButton = nullptr;
    QPushButton* closeButton = nullptr;
    // Rebuilds the controls from the device's options.
    void reload();
    QWidget* control(const QString& optionName) const;
    // While acquiring, ESC and the window's close stop after the current page.
    std::function<void()> stop;

protected:
    void reject() override;

private:
    ScanDevice& device_;
    bool acquiring_ = false;
    bool closeAfter_;
    QFormLayout* form_ = nullptr;
    QWidget* body_ = nullptr;
};

// The source selection: the devices SANE finds. Empty when cancelled.
QString chooseScanDevice(QWidget* parent, const QString& current);

class TTwainForm : public QDialog {
    Q_OBJECT
public:
    TTwainForm(Messages& messages, QWidget* parent = nullptr);
    ~TTwainForm() override;

    // The target decides the caption; the counter is cleared.
    void setTarget(bool drawing);
    bool drawingTarget() const { return drawing_; }

    void loadSettings(const ScanSettings& s);
    ScanSettings settings() const;

    // The source: its name shown in PL_Name. Opened on the first 取込実行.
    void setDeviceName(const QString& name);
    QString deviceName() const { return deviceName_; }

    // What the dialog borrows; tests replace them.
    std::function<bool(const QString& file, bool drawing)> importFile;
    std::function<QString(const QString& current)> chooseDevice;
    QString tempFolder;
    // Runs the device dialog of modes 0 and 1; by default TScanOptionsDialog.
    std::function<void(ScanDevice&, bool closeAfter, const std::function<void()>& acquire)> deviceDialog;

    int pageCount() const { return pages_; }
    bool running() const { return running_; }

    // Controls, by their roles.
    QLabel* PL_Name = nullptr;
    QLabel* PL_Mai = nullptr;
    QComboBox* ComboBox_User = nullptr;
    QComboBox* ComboBox_Paper = nullptr;
    QComboBox* ComboBox_Orient = nullptr;
    QCheckBox* CB_Fuchi = nullptr;
    QSpinBox* ComboEdit_Fuchi = nullptr;
    QButtonGroup* RadioGroup_Kyusi = nullptr;
    QComboBox* Edit_Res = nullptr;
    QSpinBox* Edit_Bright = nullptr;
    QSpinBox* Edit_Cont = nullptr;
    QPlainTextEdit* Memo = nullptr;
    QPushButton* BT_Run = nullptr;
    QPushButton* BT_Close = nullptr;
    QPushButton* BT_Change = nullptr;
    QPushButton* BT_Stop = nullptr;

    // 取込実行.
    void acquire();
    // 中止 (and ESC) while acquiring.
    void stop() { stop_ = true; }
    // Set when 閉じる ended the dialog: the settings are to be written back.
    bool closedWithClose() const { return closedWithClose_; }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void updateEnabled();
    void changeDevice();
    void runPages();
    void normalizeDpi();

    Messages& messages_;
    bool drawing_ = false;
    QString deviceName_;
    std::unique_ptr<ScanDevice> device_;
    std::atomic<bool> stop_{false};
    bool running_ = false;
    bool closedWithClose_ = false;
    int pages_ = 0;
};

}  // namespace zb
