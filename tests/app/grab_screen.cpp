// Saves a picture of the whole screen: used to look at the running program
// under a virtual X server (xvfb-run).
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc < 2 || !app.primaryScreen())
        return 2;
    return app.primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
