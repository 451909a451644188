#pragma once
// The application's shared message dialog: centred on the active window and
// painted in the dialog accent colour. Information (OK), confirm (Yes/Cancel),
// ask (Yes/No) and ask-three (Yes/No/Cancel). Besides Enter (the default
// button) and Esc (the cautious answer), the plain keys Y, N and C press the
// button of that letter, as the accelerators of the captions say.
#include <QDialog>

class QLabel;
class QPushButton;

namespace zb {

class TMessageDlg : public QDialog {
    Q_OBJECT
public:
    enum class Kind { Information, Confirm, Ask, AskThree };
    enum Result { Ok = 1, Yes, No, Cancel };

    TMessageDlg(Kind kind, const QString& text, QWidget* parent = nullptr);

    // Shows the dialog modally over the active window and returns the button
    // chosen; closing the window answers Cancel (No for a Yes/No question).
    static Result show(Kind kind, const QString& text, QWidget* parent = nullptr);

    QLabel* textLabel() const { return text_; }
    QPushButton* button(Result r) const;

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void reject() override;

private:
    void addButton(Result r, const QString& caption, bool isDefault);

    Kind kind_;
    QLabel* text_ = nullptr;
    QList<QPair<Result, QPushButton*>> buttons_;
};

// Captions of the dialog buttons.
inline const QString kOkCaption = QStringLiteral("OK");
inline const QString kYesCaption = QStringLiteral("はい(&Y)");
inline const QString kNoCaption = QStringLiteral("いいえ(&N)");
inline const QString kCancelCaption = QStringLiteral("キャンセル(&C)");

// Places a dialog centred on the active window (or on `anchor`).
void centreOnActiveWindow(QWidget* dialog, QWidget* anchor = nullptr);

}  // namespace zb
