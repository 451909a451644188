// Reads arbitrary bytes as the PHOTO.XML of a delivery (beside a PIC folder
// with one picture), runs the delivery check on it and imports it into a
// scratch program folder. Nothing may be written outside that folder.
#include "core/ports.h"
#include "delivery/delivery_check.h"
#include "delivery/delivery_import.h"
#include "store/folders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString set = dir.filePath(QStringLiteral("set"));
    const QString root = dir.filePath(QStringLiteral("root"));
    QDir().mkpath(set + QStringLiteral("/PIC"));
    {
        QFile pic(set + QStringLiteral("/PIC/PIC00001.JPG"));
        if (!pic.exists() && pic.open(QIODevice::WriteOnly))
            pic.write("\xFF\xD8\xFF\xD9");
        QFile f(set + QStringLiteral("/PHOTO.XML"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    zb::SilentMessages quiet;
    zb::SilentProgress progress;
    const zb::Folders folders = zb::resolveFolders(root, zb::NetworkSettings{}, zb::SharedDecision{}, root);
    zb::createFolders(folders, quiet);
    zb::DeliveryImportOptions o;
    o.folder = set;
    o.askMedia = false;
    zb::checkDeliveryFolder(set);
    zb::importDelivery(folders, o, quiet, progress, [] { return true; });
    // The set itself is never written to.
    if (QDir(set).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size() != 2)
        std::abort();
    return 0;
}
