#pragma once
// What the album commands of zbcli share: an album or format file read whole,
// every page checked before anything is done with it.
#include "album/album_document.h"
#include "album/document_file.h"
#include "cli/cli.h"

#include <QFile>
#include <QMap>

namespace zb::cli {

// The document at `path`; its decoded pages go to `pages` when given. A
// file that cannot be read, or any damaged page, is a Failure.
inline album::DocumentFile readCheckedDocument(const QString& path, QMap<int, album::Page>* pages = nullptr)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("cannot read ") + path);
    QString why;
    std::optional<album::DocumentFile> file = album::decodeDocumentFile(f.readAll(), &why);
    if (!file)
        throw Failure(album::kDamagedDocument + QStringLiteral(" (") + why + QStringLiteral(")"));
    for (auto it = file->pages.cbegin(); it != file->pages.cend(); ++it) {
        std::optional<album::Page> p = album::decodePage(it.value(), &why);
        if (!p)
            throw Failure(album::kDamagedDocument + QStringLiteral(" (page %1: ").arg(it.key()) + why +
                          QStringLiteral(")"));
        if (pages)
            pages->insert(it.key(), *p);
    }
    return *file;
}

}  // namespace zb::cli
