#pragma once
// What the picture commands of zbcli share: the kind of a picture file that
// must exist and be of a kind the image layer knows.
#include "cli/cli.h"
#include "imaging/graphic_kind.h"

#include <QFileInfo>

namespace zb::cli {

inline int pictureKindOf(const QString& path)
{
    if (!QFileInfo::exists(path))
        throw Failure(QStringLiteral("file not found: ") + path);
    const int kind = GraphicKindOf(path);
    if (kind < 0)
        throw Failure(QStringLiteral("unsupported picture kind: ") + path);
    return kind;
}

}  // namespace zb::cli
