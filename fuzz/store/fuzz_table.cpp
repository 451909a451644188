// Opens arbitrary bytes as a table file: verify, open and walk every row.
#include "store/engine/table.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("F.DB"));
    // Left over from an input whose table could not be closed cleanly.
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    try {
        (void)zb::engine::Table::verify(path);
        zb::engine::Table t;
        t.open(path, true);
        for (bool ok = t.first(); ok; ok = t.next())
            for (int i = 0; i < t.fields().size(); ++i)
                (void)t.readBlob(i).size(), (void)t.value(i);
    } catch (const zb::engine::EngineError&) {
    }
    return 0;
}
