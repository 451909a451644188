#pragma once
// Scripted ports: record every message as "kind: text" and answer questions
// from a queue. Used by tests and by unattended runs that want a transcript.
#include "core/ports.h"

#include <QStringList>
#include <deque>
#include <variant>

namespace zb {

class ScriptedMessages : public Messages {
public:
    using Reply = std::variant<bool, Answer, std::optional<QString>>;

    // Everything said, in order, as "information: …", "confirm: …", "ask: …",
    // "askThree: …", "warning: …", "warningOkCancel: …", "error: …",
    // "notice: …", "input: <caption>/<prompt>", "status: …", "beep".
    QStringList log;
    // Answers for the questions, consumed in order. A question without a queued
    // answer gets the default (true / Yes / nullopt).
    std::deque<Reply> replies;

    void reply(bool b) { replies.emplace_back(b); }
    void reply(Answer a) { replies.emplace_back(a); }
    void replyText(std::optional<QString> s) { replies.emplace_back(std::move(s)); }

    // The log without status lines and beeps: what the user saw in boxes.
    QStringList boxes() const;
    void clear() { log.clear(); }

    void information(const QString& text) override;
    bool confirm(const QString& text) override;
    bool ask(const QString& text) override;
    Answer askThree(const QString& text) override;
    void warning(const QString& text) override;
    bool warningOkCancel(const QString& text) override;
    void error(const QString& text) override;
    void notice(const QString& key, const QString& text) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                    const QString& initial) override;
    void status(const QString& text) override;
    void beep() override;

private:
    bool nextBool();
};

class ScriptedProgress : public Progress {
public:
    int started = -1;   // count given to the last start(), -1 before any
    int steps = 0;      // steps taken since start()
    int ended = 0;      // number of end() calls
    int stopAfter = -1; // step() returns false on this step number (1-based), -1 never

    void start(int count) override { started = count; steps = 0; }
    bool step() override { ++steps; return stopAfter < 0 || steps < stopAfter; }
    void end() override { ++ended; }
};

}  // namespace zb
