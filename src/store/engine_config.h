#pragma once
// The engine's configuration file: LOCAL SHARE and NET DIR, checked once at
// every start. The engine itself keeps its locks in the table files and reads
// neither value; they are kept so that the configuration other computers and
// tools see stays as the application expects.
#include <QString>

namespace zb {

class Messages;

// Checks the configuration file: LOCAL SHARE becomes TRUE, and a NET DIR that
// is empty, 3 characters or shorter or not an existing folder becomes
// <programFilesDir>/TORVEN/TempFiles/Bde (created when missing; a failure only
// beeps). A missing file is created with both values. Returns whether the file
// was changed; the file is saved only then.
bool checkEngineConfiguration(const QString& configFile, const QString& programFilesDir, Messages& messages);

inline const QString kEngineSystemSection = QStringLiteral("SYSTEM\\INIT");
inline const QString kEngineParadoxSection = QStringLiteral("DRIVERS\\PARADOX\\INIT");

}  // namespace zb
