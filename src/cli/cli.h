#pragma once
// Command registry of zbcli. A command file registers its commands with
// ZB_CLI_COMMAND; a command name may be several words ("job list").
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

namespace zb {
class ScriptedMessages;
}

namespace zb::cli {

struct Context {
    QString root;      // the program folder to work in (--root, default: folder of zbcli)
    QStringList args;  // the arguments after the command name, options included
};

// Thrown by a command for a one-line failure message; zbcli prints it to
// standard error and exits with 1.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString& message) : std::runtime_error(message.toStdString()) {}
};

using Handler = std::function<int(Context&)>;

bool registerCommand(const char* name, const char* usage, Handler handler);

// Prints a JSON value (object or array) to standard output, UTF-8, indented.
void printJson(const QJsonValue& value);
// Prints one line to standard output.
void printLine(const QString& line);

// Removes "--name VALUE" from args and returns VALUE (def when absent).
QString takeOption(QStringList& args, const QString& name, const QString& def = {});
// Removes "--name" from args and returns whether it was there.
bool takeFlag(QStringList& args, const QString& name);
// The positional argument at index i, or a Failure naming what is missing.
QString positional(const QStringList& args, int i, const char* what);

// What the messages the image layer (or any logic) gave said, on one line
// after ": "; empty when it said nothing.
QString reasons(const ScriptedMessages& m);
// Every box the run showed, on standard error, one per line ("kind: text",
// line breaks as spaces).
void printBoxLines(const ScriptedMessages& m);

int run(int argc, char** argv);

}  // namespace zb::cli

#define ZB_CLI_CONCAT2(a, b) a##b
#define ZB_CLI_CONCAT(a, b) ZB_CLI_CONCAT2(a, b)
#define ZB_CLI_COMMAND(name, usage, handler) \
    static const bool ZB_CLI_CONCAT(zbCliRegistered_, __LINE__) = ::zb::cli::registerCommand(name, usage, handler)
