#pragma once
// How the setup run talks to the user. The dialogs implement it with message
// boxes and the progress dialog; tests and unattended runs with a script.
#include <QString>
#include <QStringList>
#include <deque>

namespace zbsetup {

class SetupPort {
public:
    virtual ~SetupPort();
    // A failure: beep, then a modal error box with OK.
    virtual void error(const QString& text) = 0;
    // An OK/Cancel question (insert the next disk); true on OK.
    virtual bool okCancel(const QString& text) = 0;
    // A Yes/No question; true on Yes.
    virtual bool yesNo(const QString& text) = 0;
    // The progress dialog: a bar from 0 to `maximum`, the current paths, one step.
    virtual void progressStart(int maximum) = 0;
    virtual void progressFiles(const QString& source, const QString& target) = 0;
    virtual void progressStep() = 0;
    virtual void progressEnd() = 0;
    virtual void pause(int ms) = 0;
    virtual void hideBackdrop() = 0;
};

// Records everything as "error: …", "okCancel: …", "yesNo: …" and answers
// from a queue (true when it is empty).
class ScriptedSetupPort : public SetupPort {
public:
    QStringList log;
    std::deque<bool> answers;
    int progressMaximum = -1;
    int progressValue = 0;
    QStringList files;  // "source -> target" per shown copy
    int pausedMs = 0;
    bool backdropHidden = false;

    void error(const QString& text) override { log << QStringLiteral("error: ") + text; }
    bool okCancel(const QString& text) override
    {
        log << QStringLiteral("okCancel: ") + text;
        return next();
    }
    bool yesNo(const QString& text) override
    {
        log << QStringLiteral("yesNo: ") + text;
        return next();
    }
    void progressStart(int maximum) override
    {
        progressMaximum = maximum;
        progressValue = 0;
    }
    void progressFiles(const QString& source, const QString& target) override
    {
        files << source + QStringLiteral(" -> ") + target;
    }
    void progressStep() override { ++progressValue; }
    void progressEnd() override {}
    void pause(int ms) override { pausedMs += ms; }
    void hideBackdrop() override { backdropHidden = true; }

private:
    bool next()
    {
        if (answers.empty())
            return true;
        bool a = answers.front();
        answers.pop_front();
        return a;
    }
};

}  // namespace zbsetup
