#pragma once
// TMissForm: the window "入力漏れの検証". The range list, a read-only memo
// for the message lines, "開始(&R)" (the default button) and "閉じる(&C)".
// The check itself is the owner's callback.
#include <QDialog>
#include <functional>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace zb::items {

class TMissForm : public QDialog {
    Q_OBJECT
public:
    explicit TMissForm(QWidget* parent = nullptr);

    // The check: range → message lines (the memo shows them).
    std::function<QStringList(int range)> onCheck;
    // MissHanni: read when the window is shown, written by 開始 and on close.
    std::function<int()> readRange;
    std::function<void(int)> writeRange;

    void start();

    QComboBox* rangeBox() const { return hanni_; }
    QPlainTextEdit* memo() const { return kekka_; }
    QPushButton* startButton() const { return open_; }
    QPushButton* closeButton() const { return close_; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QComboBox* hanni_;
    QPlainTextEdit* kekka_;
    QPushButton* open_;
    QPushButton* close_;
};

}  // namespace zb::items
