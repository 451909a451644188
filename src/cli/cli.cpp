#include "cli/cli.h"

#include "core/scripted_ports.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <map>
#include <unistd.h>

namespace zb::cli {
namespace {

struct Entry {
    QString usage;
    Handler handler;
};

std::map<QString, Entry>& registry()
{
    static std::map<QString, Entry> r;
    return r;
}

void usage()
{
    std::fputs("usage: zbcli [--root DIR] COMMAND ...\ncommands:\n", stderr);
    for (const auto& [name, e] : registry())
        std::fprintf(stderr, "  %s %s\n", qPrintable(name), qPrintable(e.usage));
}

}  // namespace

bool registerCommand(const char* name, const char* usage, Handler handler)
{
    registry()[QString::fromUtf8(name)] = Entry{QString::fromUtf8(usage), std::move(handler)};
    return true;
}

void printJson(const QJsonValue& value)
{
    QJsonDocument doc = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    const QByteArray bytes = doc.toJson(QJsonDocument::Indented);
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void printLine(const QString& line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

QString takeOption(QStringList& args, const QString& name, const QString& def)
{
    const qsizetype i = args.indexOf(name);
    if (i < 0)
        return def;
    if (i + 1 >= args.size())
        throw Failure(name + QStringLiteral(" needs a value"));
    QString v = args[i + 1];
    args.remove(i, 2);
    return v;
}

bool takeFlag(QStringList& args, const QString& name)
{
    return args.removeAll(name) > 0;
}

QString positional(const QStringList& args, int i, const char* what)
{
    if (i >= args.size())
        throw Failure(QStringLiteral("missing ") + QString::fromUtf8(what));
    return args[i];
}

QString reasons(const ScriptedMessages& m)
{
    QStringList parts;
    for (QString line : m.log) {
        line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        parts << line;
    }
    return parts.isEmpty() ? QString() : QStringLiteral(": ") + parts.join(QStringLiteral("; "));
}

void printBoxLines(const ScriptedMessages& m)
{
    for (QString line : m.boxes()) {
        line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    }
}

int run(int argc, char** argv)
{
    // Pictures are drawn without a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Qt wants a private runtime folder and complains on every start without one.
        const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/runtime-zbcli-" + QByteArray::number(getuid());
        QDir().mkpath(QString::fromLocal8Bit(dir));
        QFile::setPermissions(QString::fromLocal8Bit(dir), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", dir);
    }
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    try {
        Context ctx;
        ctx.root = takeOption(args, QStringLiteral("--root"), QCoreApplication::applicationDirPath());
        ctx.root = QFileInfo(ctx.root).absoluteFilePath();
        // Longest registered name that matches the leading words.
        for (qsizetype words = std::min<qsizetype>(args.size(), 3); words >= 1; --words) {
            const QString name = args.mid(0, words).join(QLatin1Char(' '));
            auto it = registry().find(name);
            if (it == registry().end())
                continue;
            ctx.args = args.mid(words);
            return it->second.handler(ctx);
        }
        usage();
        return 2;
    } catch (const Failure& f) {
        std::fprintf(stderr, "zbcli: %s\n", f.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zbcli: %s\n", e.what());
        return 1;
    }
}

}  // namespace zb::cli
