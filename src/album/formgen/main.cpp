// Writes the formats shipped with the program into the folder given as the
// only argument (the build's FORMFILE/).
#include "album/shipped_formats.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // The previews draw text; no window system is needed for that.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zb_formgen FOLDER\n");
        return 2;
    }
    QString error;
    if (!zb::album::writeShippedFormats(QString::fromLocal8Bit(argv[1]), &error)) {
        std::fprintf(stderr, "zb_formgen: cannot write %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
