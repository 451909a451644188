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
#include <QDateTime>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>
#include <clocale>
#include <memory>
#include <optional>

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

namespace {

// Answers the texts Qt's own Japanese translation does not hold.
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char*, int) const override
    {
        return missingQtText(context, sourceText);
    }
};

}  // namespace

QString missingQtText(const char* context, const char* sourceText)
{
    static const struct {
        const char* context;
        const char* source;
        const char* japanese;
    } texts[] = {
        {"QAbstractFileIconProvider", "Folder", "フォルダー"},
        {"QAbstractFileIconProvider", "Drive", "ドライブ"},
        {"QAbstractFileIconProvider", "Shortcut", "ショートカット"},
        {"QAbstractFileIconProvider", "Alias", "エイリアス"},
        {"QAbstractFileIconProvider", "Unknown", "不明"},
    };
    if (!context || !sourceText)
        return QString();
    for (const auto& t : texts)
        if (qstrcmp(context, t.context) == 0 && qstrcmp(sourceText, t.source) == 0)
            return QString::fromUtf8(t.japanese);
    return QString();
}

void useJapaneseSystemLocale()
{
    // The C library takes the user's locale now; the application object's
    // own attempt later fails on the Japanese names when that locale is not
    // installed and so leaves this one in place.
    setlocale(LC_ALL, "");
    const char* const names[] = {"LC_ALL", "LC_TIME", "LC_MESSAGES"};
    std::optional<QByteArray> kept[3];
    for (int i = 0; i < 3; ++i)
        if (qEnvironmentVariableIsSet(names[i]))
            kept[i] = qgetenv(names[i]);
    qunsetenv("LC_ALL");
    qputenv("LC_TIME", "ja_JP.UTF-8");
    qputenv("LC_MESSAGES", "ja_JP.UTF-8");
    // Qt reads the system locale once, at its first use.
    (void)QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat);
    for (int i = 0; i < 3; ++i) {
        if (kept[i])
            qputenv(names[i], *kept[i]);
        else
            qunsetenv(names[i]);
    }
}

QTranslator* installJapanese(QCoreApplication& app)
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QLocale::setDefault(japanese);
    QCoreApplication::installTranslator(new MissingQtTexts(&app));
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
    useJapaneseSystemLocale();
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
