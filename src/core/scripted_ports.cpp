#include "core/scripted_ports.h"

namespace zb {

QStringList ScriptedMessages::boxes() const
{
    QStringList out;
    for (const QString& l : log)
        if (!l.startsWith(QLatin1String("status: ")) && l != QLatin1String("beep"))
            out << l;
    return out;
}

bool ScriptedMessages::nextBool()
{
    if (replies.empty())
        return true;
    Reply r = replies.front();
    replies.pop_front();
    if (auto b = std::get_if<bool>(&r))
        return *b;
    if (auto a = std::get_if<Answer>(&r))
        return *a == Answer::Yes;
    return true;
}

void ScriptedMessages::information(const QString& text) { log << QStringLiteral("information: ") + text; }
bool ScriptedMessages::confirm(const QString& text) { log << QStringLiteral("confirm: ") + text; return nextBool(); }
bool ScriptedMessages::ask(const QString& text) { log << QStringLiteral("ask: ") + text; return nextBool(); }

Messages::Answer ScriptedMessages::askThree(const QString& text)
{
    log << QStringLiteral("askThree: ") + text;
    if (replies.empty())
        return Answer::Yes;
    Reply r = replies.front();
    replies.pop_front();
    if (auto a = std::get_if<Answer>(&r))
        return *a;
    if (auto b = std::get_if<bool>(&r))
        return *b ? Answer::Yes : Answer::No;
    return Answer::Cancel;
}

void ScriptedMessages::warning(const QString& text) { log << QStringLiteral("warning: ") + text; }
bool ScriptedMessages::warningOkCancel(const QString& text) { log << QStringLiteral("warningOkCancel: ") + text; return nextBool(); }
void ScriptedMessages::error(const QString& text) { log << QStringLiteral("error: ") + text; }
void ScriptedMessages::notice(const QString&, const QString& text) { log << QStringLiteral("notice: ") + text; }

std::optional<QString> ScriptedMessages::inputBox(const QString& caption, const QString& prompt, const QString&)
{
    log << QStringLiteral("input: ") + caption + QLatin1Char('/') + prompt;
    if (replies.empty())
        return std::nullopt;
    Reply r = replies.front();
    replies.pop_front();
    if (auto s = std::get_if<std::optional<QString>>(&r))
        return *s;
    return std::nullopt;
}

void ScriptedMessages::status(const QString& text) { log << QStringLiteral("status: ") + text; }
void ScriptedMessages::beep() { log << QStringLiteral("beep"); }

}  // namespace zb
