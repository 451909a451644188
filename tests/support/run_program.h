#pragma once
// Runs a program of the build (zbcli) and captures what it printed.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace zbtest {

struct ProgramRun {
    int code = -1;
    QByteArray out, err;
};

// Starts `program` with `args`, waits up to a minute and returns its exit
// code and both outputs.
ProgramRun runProgram(const QString& program, const QStringList& args);

}  // namespace zbtest
