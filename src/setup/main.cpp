// Setup: installs or updates the program from the control file beside it.
//   Setup                     the dialog program
//   Setup --unattended TARGET installs into TARGET with the defaults
#include "setup/control_file.h"
#include "setup/setup_run.h"
#include "setup/ui/setup_dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>
#include <cstring>

using namespace zbsetup;

namespace {

// Messages go to standard error; the disk question is never asked and the
// group question is answered with yes.
class ConsolePort : public SetupPort {
public:
    void error(const QString& text) override { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }
    bool okCancel(const QString& text) override
    {
        error(text);
        return false;
    }
    bool yesNo(const QString&) override { return true; }
    void progressStart(int) override {}
    void progressFiles(const QString&, const QString&) override {}
    void progressStep() override {}
    void progressEnd() override {}
    void pause(int) override {}
    void hideBackdrop() override {}
};

int unattended(const QString& target)
{
    const QString program = QCoreApplication::applicationFilePath();
    ConsolePort port;
    QString error;
    const std::optional<SetupConfig> loaded = loadControlFile(program, &error);
    if (!loaded) {
        port.error(error);
        std::printf("%s\n", outcomeText(Outcome::Failed, SetupConfig{}.modeWord()).toUtf8().constData());
        return 1;
    }
    const SetupConfig& config = *loaded;
    const SetupPlatform platform = SetupPlatform::forCurrentUser();
    SetupRun run(config, QFileInfo(program).absolutePath(), platform, port);
    run.setPromptForDisks(false);
    Outcome outcome = Outcome::Failed;
    if (run.prepare(target) == SetupRun::Check::Ok)
        outcome = run.copyFiles(target);
    std::printf("%s\n", outcomeText(outcome, run.modeWord()).toUtf8().constData());
    return outcome == Outcome::Done ? 0 : 1;
}

// Copies the program and its control file into the Windows stand-in and
// starts the copy from there.
int bootstrap(const QString& program, const SetupConfig& config, const SetupPlatform& platform)
{
    QDialog d(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint);
    d.setWindowTitle(config.title);
    auto* label = new QLabel(config.modeWord() + QStringLiteral("準備中です･･･"));
    label->setMinimumWidth(260);
    label->setAlignment(Qt::AlignCenter);
    (new QVBoxLayout(&d))->addWidget(label);
    d.show();
    QCoreApplication::processEvents();

    WidgetSetupPort port(QStringLiteral("ｾｯﾄｱｯﾌﾟ"), nullptr, nullptr);
    const QString copy = bootstrapCopy(program, config, platform, port);
    if (copy.isEmpty())
        return 1;
    label->setText(config.modeWord() + QStringLiteral("が終了しました。"));
    QCoreApplication::processEvents();
    QProcess p;
    p.setProgram(copy);
    if (!p.startDetached()) {
        port.error(QStringLiteral("指定のプロセスは実行出来ませんでした。Er=%1").arg(static_cast<int>(p.error())));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1) {
        if (argc != 3 || std::strcmp(argv[1], "--unattended") != 0 || argv[2][0] == '\0') {
            std::fputs("usage: Setup [--unattended TARGET]\n", stderr);
            return 2;
        }
        QCoreApplication app(argc, argv);
        return unattended(QString::fromLocal8Bit(argv[2]));
    }

    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("ｾｯﾄｱｯﾌﾟ"));
    const QString program = QCoreApplication::applicationFilePath();
    QString error;
    const std::optional<SetupConfig> loaded = loadControlFile(program, &error);
    if (!loaded) {
        WidgetSetupPort(QStringLiteral("ｾｯﾄｱｯﾌﾟ"), nullptr, nullptr).error(error);
        return 1;
    }
    const SetupConfig& config = *loaded;
    const SetupPlatform platform = SetupPlatform::forCurrentUser();
    if (config.mode != 0)
        return bootstrap(program, config, platform);

    SetupController controller(config, QFileInfo(program).absolutePath(), platform);
    QObject::connect(&controller, &SetupController::finished, &app, [](int code) { QCoreApplication::exit(code); });
    QTimer::singleShot(0, &controller, &SetupController::start);
    return app.exec();
}
