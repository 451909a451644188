#include "support/run_program.h"

#include <QProcess>

namespace zbtest {

ProgramRun runProgram(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

}  // namespace zbtest
