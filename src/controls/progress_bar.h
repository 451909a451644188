#pragma once
// The progress bar of long loops: laid over status-bar panel 0, hourglass
// while it runs, and at every step a look at the keyboard: when ESC was
// pressed the user is asked whether to stop. Other input that arrives during
// the loop is dropped, so that no command starts in the middle of it.
#include "core/busy.h"
#include "core/ports.h"

#include <QObject>
#include <memory>

class QEvent;
class QProgressBar;

namespace zb {

// For loops that run on the user-interface thread and let events through now
// and then: notes an ESC key press in `escPressed` and swallows the user's
// other keyboard and mouse input, so that no command starts in the middle of
// the loop. Returns true when the event is to be dropped.
bool filterInputDuringLoop(QEvent* event, bool& escPressed);

class BarProgress : public QObject, public Progress {
    Q_OBJECT
public:
    // `panel` is status panel 0; the bar is placed over it. `clearHint`
    // empties the status text when a run starts.
    BarProgress(QWidget* panel, Messages& messages, std::function<void()> clearHint = {});
    ~BarProgress() override;

    void start(int count) override;
    bool step() override;
    void end() override;

    QProgressBar* bar() const { return bar_; }
    bool running() const { return running_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* panel_;
    Messages& messages_;
    std::function<void()> clearHint_;
    QProgressBar* bar_;
    int position_ = 0;
    bool running_ = false;
    bool polling_ = false;
    bool escPressed_ = false;
    // The busy mark is set while a run is on.
    std::unique_ptr<BusyMark::Scope> busy_;
};

}  // namespace zb
