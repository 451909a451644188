#pragma once
// The two ports through which logic talks to the user. Logic never opens a
// window: the UI implements these with real dialogs and a progress bar, tests
// with a script that records every text and returns queued answers.
#include <QString>
#include <optional>

namespace zb {

class Messages {
public:
    enum class Answer { Yes, No, Cancel };

    virtual ~Messages();

    // Information box with an OK button.
    virtual void information(const QString& text) = 0;
    // Yes/Cancel question; true on Yes.
    virtual bool confirm(const QString& text) = 0;
    // Yes/No question; true on Yes.
    virtual bool ask(const QString& text) = 0;
    // Yes/No/Cancel question.
    virtual Answer askThree(const QString& text) = 0;
    // Warning box (OK).
    virtual void warning(const QString& text) = 0;
    // Warning box with OK and Cancel; true on OK.
    virtual bool warningOkCancel(const QString& text) = 0;
    // Error box (OK).
    virtual void error(const QString& text) = 0;
    // A notice the user can silence; `key` names it so the silence can be kept.
    virtual void notice(const QString& key, const QString& text) = 0;
    // One-line input box, at most 255 characters; nullopt on Cancel.
    virtual std::optional<QString> inputBox(const QString& caption, const QString& prompt,
                                            const QString& initial) = 0;
    // Text for status-bar panel 0.
    virtual void status(const QString& text) = 0;
    virtual void beep() = 0;
};

// Long loops report through this and stop when step() returns false (the user
// pressed ESC and agreed to stop).
class Progress {
public:
    virtual ~Progress();
    virtual void start(int count) = 0;
    virtual bool step() = 0;
    virtual void end() = 0;
};

// The question a progress bar asks when ESC is pressed.
inline const QString kEscQuestion = QStringLiteral("[ESC]キーが押されました 処理を中止しますか？");

// Ports that say nothing and agree to everything: for callers that run
// unattended (command-line tool, background work).
class SilentMessages : public Messages {
public:
    void information(const QString&) override {}
    bool confirm(const QString&) override { return true; }
    bool ask(const QString&) override { return true; }
    Answer askThree(const QString&) override { return Answer::Yes; }
    void warning(const QString&) override {}
    bool warningOkCancel(const QString&) override { return true; }
    void error(const QString&) override {}
    void notice(const QString&, const QString&) override {}
    std::optional<QString> inputBox(const QString&, const QString&, const QString&) override { return std::nullopt; }
    void status(const QString&) override {}
    void beep() override {}
};

class SilentProgress : public Progress {
public:
    void start(int) override {}
    bool step() override { return true; }
    void end() override {}
};

}  // namespace zb
