#include "store/engine_config.h"

#include "core/inifile.h"
#include "core/ports.h"
#include "store/folders.h"

#include <QDir>
#include <QFileInfo>

namespace zb {

bool checkEngineConfiguration(const QString& configFile, const QString& programFilesDir, Messages& messages)
{
    IniFile cfg(configFile);
    bool changed = false;
    const QString share = QStringLiteral("LOCAL SHARE");
    if (!cfg.wasRead() || cfg.valueExists(kEngineSystemSection, share)) {
        if (cfg.readString(kEngineSystemSection, share).toUpper() != QLatin1String("TRUE")) {
            cfg.writeString(kEngineSystemSection, share, QStringLiteral("TRUE"));
            changed = true;
        }
    }
    const QString netDirKey = QStringLiteral("NET DIR");
    if (!cfg.wasRead() || cfg.valueExists(kEngineParadoxSection, netDirKey)) {
        const QString netDir = cfg.readString(kEngineParadoxSection, netDirKey);
        if (netDir.size() <= 3 || !QFileInfo(netDir).isDir()) {
            const QString bde = withSlash(programFilesDir) + QStringLiteral("TORVEN/TempFiles/Bde");
            if (!QDir().mkpath(bde))
                messages.beep();
            cfg.writeString(kEngineParadoxSection, netDirKey, bde);
            changed = true;
        }
    }
    if (changed) {
        QDir().mkpath(QFileInfo(configFile).absolutePath());
        cfg.save();
    }
    return changed;
}

}  // namespace zb
