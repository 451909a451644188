#pragma once
// TKouForm: registering the choice list of an item row (項目の登録). The list
// is read from ZBMENU.LST into a memo, one entry per line; "登録(&R)" writes
// the lines back as the item's list, "中止(&C)" leaves the file alone.
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zb {
class Messages;
}

namespace zb::items {

class ChoiceLists;

inline const QString kFlagRangeNote = QStringLiteral("写真整理フラッグは 0～9 まで使用できます。");

class TKouForm : public QDialog {
    Q_OBJECT
public:
    TKouForm(ChoiceLists& lists, const QString& label, Messages& messages, QWidget* parent = nullptr);

    QPlainTextEdit* memo() const { return memo_; }
    QLabel* note() const { return note_; }
    QPushButton* registerButton() const { return register_; }
    QPushButton* cancelButton() const { return cancel_; }

private:
    void registerList();

    ChoiceLists& lists_;
    QString label_;
    Messages& messages_;
    QPlainTextEdit* memo_;
    QLabel* note_;
    QPushButton* register_;
    QPushButton* cancel_;
};

// Opens the dialog for the item; true when the list was registered (the caller
// then reads the row's list again).
bool registerChoices(ChoiceLists& lists, const QString& label, Messages& messages, QWidget* parent = nullptr);

}  // namespace zb::items
