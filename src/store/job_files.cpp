#include "store/job_files.h"

#include "core/sjis.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace zb {

bool writeMarker(const QString& path, const QString& line)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(sjis::toBytes(line) + "\r\n");
    return f.commit();
}

bool markerReadable(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly);
}

namespace {

FreeSpaceProbe& freeSpaceProbe()
{
    static FreeSpaceProbe probe;
    return probe;
}

qint64 freeBytes(const QString& path)
{
    if (freeSpaceProbe())
        return freeSpaceProbe()(path);
    const QStorageInfo info(path);
    return info.isValid() ? info.bytesAvailable() : -1;
}

}  // namespace

void setFreeSpaceProbe(FreeSpaceProbe probe) { freeSpaceProbe() = std::move(probe); }

bool jobSpaceShort(const JobPaths& paths)
{
    const QFileInfo table(paths.table());
    if (!table.exists())
        return false;
    const qint64 free = freeBytes(paths.dataFile);
    // A file system that cannot tell its free space is not reported as full.
    return free >= 0 && free < table.size();
}

}  // namespace zb
