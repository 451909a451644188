#include "app/ui/app_shell.h"

#include "settings/settings.h"
#include "app/single_instance.h"
#include "app/startup.h"
#include "app/ui/main_form.h"
#include "app/ui/open_form.h"
#include "controls/accent.h"
#include "controls/dialog_messages.h"
#include "store/data_module.h"
#include "store/engine_config.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <memory>

namespace zb {

void bringToFront(QWidget* w)
{
    if (w->isMinimized())
        w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    w->show();
    w->raise();
    w->activateWindow();
    if (QWidget* modal = QApplication::activeModalWidget()) {
        modal->raise();
        modal->activateWindow();
    }
}

QTranslator* installJapanese(QCoreApplication& app)
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    const QStringList folders = {QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
                                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
    auto* translator = new QTranslator(&app);
    for (const QString& folder : folders)
        for (const QString& name : {QStringLiteral("qtbase"), QStringLiteral("qt")})
            if (translator->load(japanese, name, QStringLiteral("_"), folder) &&
                QCoreApplication::installTranslator(translator))
                return translator;
    delete translator;
    return nullptr;
}

int runZbWin(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Before any window: every widget takes the default locale when made.
    installJapanese(app);
    QApplication::setApplicationName(QStringLiteral("ZBWin"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    installFontSubstitutions();
    DialogMessages messages;

    const QString programDir = QApplication::applicationDirPath();

    // 1. The table engine's configuration, before anything else.
    {
        const Folders local = localFolders(programDir);
        checkEngineConfiguration(local.localRoot + kEngineConfigName, local.programFilesDir, messages);
    }

    // 2. Folders and the shared-mode decision.
    const StartFolders start = prepareFolders(programDir, messages);
    const Folders& folders = start.folders;
    appSettings() = start.network;

    // 3. The dialog accent colour follows the palette (controls/accent.h).
    // 4. Colour depth.
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!colourDepthOk(screen ? screen->depth() : 24, messages))
        return 0;

    // 5. Single instance; the default font and the application title.
    SingleInstance instance;
    if (instance.acquire() != SingleInstance::Result::First)
        return 0;
    QFont font(kUiFont);
    font.setPointSize(9);
    QApplication::setFont(font);
    QGuiApplication::setDesktopFileName(QStringLiteral("zbwin"));
    QGuiApplication::setApplicationDisplayName(kProductTitle);

    // 6. The splash window.
    auto* splash = new TOpenForm;
    splash->place();
    splash->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents();

    // 7. Data modules and the main window.
    TDataModule_Image imageModule;
    TDataModule_Main dataModule(folders, messages);
    TZbMainForm form(folders, messages, dataModule);
    form.setSplash(splash);
    QObject::connect(&instance, &SingleInstance::raiseRequested, &form, [&form] { bringToFront(&form); });

    // 8. The message loop; the first show reads the settings and starts the
    // start timer.
    form.show();
    return QApplication::exec();
}

}  // namespace zb
