#include "store/job_files.h"

#include "core/sjis.h"

#include <QFile>
#include <QSaveFile>

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

}  // namespace zb
