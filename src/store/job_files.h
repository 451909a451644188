#pragma once
// Names and marker files of one job in DATAFILE/.
#include <QString>
#include <functional>

namespace zb {

struct Folders;

inline const QString kOpenMarkerText = QStringLiteral("エラー認識ファイル");
inline const QString kCompressedMarkerText = QStringLiteral("圧縮形式ファイル");

// Paths of one job's files, given DATAFILE/ (with trailing '/') and the job name.
struct JobPaths {
    QString dataFile;
    QString name;

    QString table() const { return dataFile + name + QStringLiteral(".DB"); }
    QString treeFile() const { return dataFile + name + QStringLiteral(".ZBD"); }
    QString openMarker() const { return dataFile + name + QStringLiteral(".ER"); }
    QString compressedMarker() const { return dataFile + name + QStringLiteral(".CMP"); }
    QString folder() const { return dataFile + name + QLatin1Char('/'); }
    QString albumFolder() const { return folder() + QStringLiteral("ALBUM/"); }
    QString backFolder() const { return folder() + QStringLiteral("BACK/"); }
};

// Writes a text file holding one line (Shift_JIS, CR LF).
bool writeMarker(const QString& path, const QString& line);
// True when the marker file exists and can be read.
bool markerReadable(const QString& path);

// True when the file system that holds the job has less free space than the
// job's table takes: a rebuild or a pack writes a whole new copy of the table
// beside the old one, so that is the room the job needs to stay workable. The
// table itself can grow as far as the file system lets it.
bool jobSpaceShort(const JobPaths& paths);
// Free bytes of the file system that holds a path; tests replace it to stand
// for a nearly full disk (an empty function restores the real probe).
using FreeSpaceProbe = std::function<qint64(const QString& path)>;
void setFreeSpaceProbe(FreeSpaceProbe probe);

}  // namespace zb
