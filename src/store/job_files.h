#pragma once
// Names and marker files of one job in DATAFILE/.
#include <QString>

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

}  // namespace zb
