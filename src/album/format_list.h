#pragma once
// The formats of a format folder as the paper and format choices list them:
// name, title, kind (表書 or 写真), paper and the preview picture.
#include "album/document_file.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace zb::album {

struct FormatEntry {
    QString fileName;  // with extension, "A4縦3連A.ZBF"
    QString name;      // without extension
    TGrphFileHeader header;
    QByteArray preview;  // JPEG; empty for a format saved without one
    QString kindText() const { return header.cover ? QStringLiteral("表書") : QStringLiteral("写真"); }
};

// Every readable .ZBF file of the folder; damaged files are left out.
QList<FormatEntry> listFormats(const QString& folder);

// Sorting by a signed column number (1 書式名, 2 タイトル, 3 種別; negative
// descending), as the setting keeps it.
void sortFormats(QList<FormatEntry>& list, int sort);
int nextFormatSort(int sort, int clickedColumn);
// The column captions with "↓" or "↑" on the sorted one.
QString formatColumnCaption(int column, int sort);

}  // namespace zb::album
