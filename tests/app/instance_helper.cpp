// A stand-in for the program in the single-instance test: the first process
// shows a minimised window and waits to be raised; a later one ends at once.
#include "app/single_instance.h"
#include "app/ui/app_shell.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    zb::SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    if (instance.acquire(20000) != zb::SingleInstance::Result::First) {
        std::printf("second\n");
        return 3;
    }
    QWidget window;
    window.setWindowTitle(QStringLiteral("ゾルベル for Windows"));
    window.show();
    window.setWindowState(Qt::WindowMinimized);
    QObject::connect(&instance, &zb::SingleInstance::raiseRequested, &app, [&] {
        zb::bringToFront(&window);
        std::printf("raised minimized=%d visible=%d\n", window.isMinimized() ? 1 : 0, window.isVisible() ? 1 : 0);
        std::fflush(stdout);
        app.quit();
    });
    QTimer::singleShot(60000, &app, [&] { app.exit(4); });
    std::printf("first minimized=%d\n", window.isMinimized() ? 1 : 0);
    std::fflush(stdout);
    return app.exec();
}
