#pragma once
// The input box: a caption, a prompt and one line of at most 255 characters,
// with OK and Cancel.
#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;

namespace zb {

class TInputBox : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxLength = 255;

    TInputBox(const QString& caption, const QString& prompt, const QString& initial, QWidget* parent = nullptr);
    QLineEdit* edit() const { return edit_; }

    // The text entered, nullopt on Cancel.
    static std::optional<QString> ask(const QString& caption, const QString& prompt, const QString& initial,
                                      QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* e) override;

private:
    QLineEdit* edit_;
};

}  // namespace zb
