#pragma once
// The windows of the setup program: the main dialog, the folder browser, the
// progress dialog, the closing dialog and the backdrop. They only show what
// SetupRun decides; SetupController wires them together.
#include "setup/setup_port.h"
#include "setup/setup_run.h"

#include <QDialog>
#include <QWidget>
#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeView;
class QFileSystemModel;

namespace zbsetup {

class BackdropWindow : public QWidget {
    Q_OBJECT
public:
    BackdropWindow(bool bands, QString title, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool bands_;
    QString title_;
};

class MainDialog : public QDialog {
    Q_OBJECT
public:
    MainDialog(const QString& caption, const QString& prompt, const QString& hint, QWidget* parent = nullptr);
    QLineEdit* folderEdit() const { return folder_; }
    QPushButton* backButton() const { return back_; }
    QPushButton* runButton() const { return run_; }
    QPushButton* cancelButton() const { return cancel_; }
    QPushButton* browseButton() const { return browse_; }
    // 1/2.5 down the free height of the screen, centred across.
    void placeOnScreen();

signals:
    void runClicked();
    void cancelClicked();
    void browseClicked();

protected:
    void reject() override;  // ESC and the close box ask like "ｷｬﾝｾﾙ"

private:
    QLineEdit* folder_;
    QPushButton *back_, *run_, *cancel_, *browse_;
};

class BrowseDialog : public QDialog {
    Q_OBJECT
public:
    explicit BrowseDialog(const QString& start, QWidget* parent = nullptr);
    QString selectedPath() const;
    QLabel* pathPanel() const { return panel_; }
    QTreeView* tree() const { return tree_; }
    QPushButton* setButton() const { return set_; }

    // The chosen folder, or nothing on "ｷｬﾝｾﾙ(&C)".
    static std::optional<QString> choose(const QString& start, QWidget* parent = nullptr);

private:
    QFileSystemModel* model_;
    QTreeView* tree_;
    QLabel* panel_;
    QPushButton *set_, *cancel_;
};

class ProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ProgressDialog(const QString& caption, QWidget* parent = nullptr);
    void setFiles(const QString& source, const QString& target);
    QLabel* sourceLabel() const { return source_; }
    QLabel* targetLabel() const { return target_; }
    QProgressBar* bar() const { return bar_; }

private:
    QLabel *source_, *target_;
    QProgressBar* bar_;
};

class ClosingDialog : public QDialog {
    Q_OBJECT
public:
    explicit ClosingDialog(const QString& caption, QWidget* parent = nullptr);
    void setText(const QString& text);
    QLabel* textLabel() const { return text_; }
    QPushButton* okButton() const { return ok_; }

private:
    QLabel* text_;
    QPushButton* ok_;
};

// Message boxes and the progress dialog behind the port.
class WidgetSetupPort : public SetupPort {
public:
    WidgetSetupPort(QString caption, ProgressDialog* progress, BackdropWindow* backdrop);
    void error(const QString& text) override;
    bool okCancel(const QString& text) override;
    bool yesNo(const QString& text) override;
    void progressStart(int maximum) override;
    void progressFiles(const QString& source, const QString& target) override;
    void progressStep() override;
    void progressEnd() override;
    void pause(int ms) override;
    void hideBackdrop() override;

private:
    QString caption_;
    ProgressDialog* progress_;
    BackdropWindow* backdrop_;
};

// The dialog program: backdrop, main dialog, browse, run, closing dialog.
class SetupController : public QObject {
    Q_OBJECT
public:
    SetupController(const SetupConfig& config, const QString& programDir, const SetupPlatform& platform);
    ~SetupController() override;

    void start();
    MainDialog* mainDialog() const { return main_; }
    ProgressDialog* progressDialog() const { return progress_; }
    ClosingDialog* closingDialog() const { return closing_; }
    BackdropWindow* backdrop() const { return backdrop_; }
    SetupRun& run() { return *run_; }

signals:
    // The program ends with this exit code.
    void finished(int code);

private:
    void execute();
    void cancel();
    void browse();

    BackdropWindow* backdrop_;
    MainDialog* main_;
    ProgressDialog* progress_;
    ClosingDialog* closing_;
    std::unique_ptr<WidgetSetupPort> port_;
    std::unique_ptr<SetupRun> run_;
    bool backdropShown_ = false;
    Outcome outcome_ = Outcome::Failed;
};

}  // namespace zbsetup
