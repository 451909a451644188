#include "album/format_list.h"

#include <QDir>
#include <QFile>
#include <algorithm>

namespace zb::album {

QList<FormatEntry> listFormats(const QString& folder) {
    QList<FormatEntry> out;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& fi : files) {
        if (!fi.fileName().endsWith(QStringLiteral(".ZBF"), Qt::CaseInsensitive)) continue;
        QFile f(fi.filePath());
        if (!f.open(QIODevice::ReadOnly)) continue;
        const auto header = decodeFileHeader(f.read(kFileHeaderSize));
        if (!header) continue;
        FormatEntry e;
        e.fileName = fi.fileName();
        e.name = fi.completeBaseName();
        e.header = *header;
        // The preview follows the header; a length beyond the file is damage.
        if (header->previewLength > 0 && header->previewLength <= f.size() - kFileHeaderSize)
            e.preview = f.read(header->previewLength);
        out.append(e);
    }
    return out;
}

namespace {

QString columnText(const FormatEntry& e, int column) {
    switch (column) {
    case 2: return e.header.title;
    case 3: return e.kindText();
    default: return e.name;
    }
}

}  // namespace

void sortFormats(QList<FormatEntry>& list, int sort) {
    int column = std::abs(sort);
    if (column < 1 || column > 3) column = 1;
    const bool descending = sort < 0;
    std::stable_sort(list.begin(), list.end(), [&](const FormatEntry& a, const FormatEntry& b) {
        int c = QString::localeAwareCompare(columnText(a, column), columnText(b, column));
        if (c == 0) c = QString::compare(a.name, b.name, Qt::CaseInsensitive);
        return descending ? c > 0 : c < 0;
    });
}

int nextFormatSort(int sort, int clickedColumn) {
    return std::abs(sort) == clickedColumn ? -sort : clickedColumn;
}

QString formatColumnCaption(int column, int sort) {
    static const char* captions[] = {"書式名", "タイトル", "種別"};
    QString caption = column >= 1 && column <= 3 ? QString::fromUtf8(captions[column - 1]) : QString();
    if (std::abs(sort) == column) caption += sort > 0 ? QStringLiteral("↓") : QStringLiteral("↑");
    return caption;
}

}  // namespace zb::album
