#pragma once
// The Messages port on real dialogs: the shared message dialog for
// information and questions, the platform's message box for warnings and
// errors, the quiet notice, the input box, and the status bar for status text.
#include "core/ports.h"

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace zb {

class DialogMessages : public Messages {
public:
    explicit DialogMessages(QWidget* owner = nullptr);

    void setOwner(QWidget* owner) { owner_ = owner; }
    void setStatusSink(std::function<void(const QString&)> sink) { status_ = std::move(sink); }

    void information(const QString& text) override;
    bool confirm(const QString& text) override;
    bool ask(const QString& text) override;
    Answer askThree(const QString& text) override;
    void warning(const QString& text) override;
    bool warningOkCancel(const QString& text) override;
    void error(const QString& text) override;
    void notice(const QString& key, const QString& text) override;
    std::optional<QString> inputBox(const QString& caption, const QString& prompt, const QString& initial) override;
    void status(const QString& text) override;
    void beep() override;

    // An error box placed at a given screen position.
    void errorAt(const QString& text, const QPoint& position);

private:
    QWidget* parent() const;

    QPointer<QWidget> owner_;
    std::function<void(const QString&)> status_;
};

// Text with CR LF line breaks as a dialog shows it.
QString displayText(const QString& text);

}  // namespace zb
