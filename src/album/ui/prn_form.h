#pragma once
// The window shown while a job prints, "印刷中", with 中止(&C): a progress
// port whose step() lets events through and says whether to go on.
#include "core/ports.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace zb {

class TPrnForm : public QDialog, public Progress {
    Q_OBJECT
public:
    explicit TPrnForm(QWidget* parent = nullptr);

    void start(int count) override;
    bool step() override;
    void end() override;

    bool stopped() const { return stopped_; }
    QPushButton* stopButton() const { return stop_; }

protected:
    void reject() override;  // ESC and the close box stop after the current page

private:
    QLabel* label_;
    QProgressBar* bar_;
    QPushButton* stop_;
    int done_ = 0;
    int count_ = 0;
    bool stopped_ = false;
};

}  // namespace zb
