#pragma once
// The program from start to end: the checks before any window, the single
// instance, the splash window, the data modules and the main window.
class QCoreApplication;
class QString;
class QTranslator;
class QWidget;

namespace zb {

// Japanese for Qt's own texts and for the locale: Qt's translations (file
// dialogs, standard buttons, context menus) are installed from the program
// folder's translations/ or Qt's translations folder, with the few texts it
// lacks, and Japanese becomes the default locale (month and day names, the
// first day of the week).
// Returns the installed translator, owned by `app`; nullptr when no
// translation was found, in which case Qt's English texts stay.
QTranslator* installJapanese(QCoreApplication& app);

// Qt's file dialogs show file dates in the system locale and call a folder by
// a name Qt's Japanese translation lacks. Before the application object is
// made: the system locale Qt reads becomes Japanese for the whole run, while
// the C library and the programs started from here keep the user's own
// environment.
void useJapaneseSystemLocale();
// The Japanese of Qt texts its translation lacks; empty for any other text.
QString missingQtText(const char* context, const char* sourceText);

// Brings a window to the front, restored when it was minimised; a modal
// dialog it shows comes along on top.
void bringToFront(QWidget* w);

// Runs the program; returns the process exit code.
int runZbWin(int argc, char** argv);

}  // namespace zb
