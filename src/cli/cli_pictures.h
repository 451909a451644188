#pragma once
// What the picture commands of zbcli share: the kind of a picture file that
// must exist and be of a kind the image layer knows, and the import settings
// as ZB.INI holds them.
#include "cli/cli.h"
#include "core/inifile.h"
#include "imaging/graphic_kind.h"
#include "imaging/import.h"

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

// Import settings as ZB.INI holds them (section MainPrg_Env), defaults when missing.
inline ImportSettings readImportSettings(const IniFile& ini)
{
    const QString s = QStringLiteral("MainPrg_Env");
    ImportSettings r;
    r.backupFile = ini.readBool(s, QStringLiteral("BackupFile"), r.backupFile);
    r.stampMode = ini.readInteger(s, QStringLiteral("StampMode"), r.stampMode);
    if (r.stampMode < 0 || r.stampMode > 3)
        r.stampMode = 1;
    r.fdiFileName = ini.readBool(s, QStringLiteral("FDIFileName"), r.fdiFileName);
    r.komaAuto = ini.readBool(s, QStringLiteral("KomaAuto"), r.komaAuto);
    return r;
}

}  // namespace zb::cli
