#pragma once
// A quiet notice: a message with a box the user ticks to stop seeing it. Once
// silenced, a notice stays quiet for the rest of the run. The notices the main
// window creates are found by their key, so a notice raised through the
// Messages port shows the longer text its owner gave it.
#include <QDialog>
#include <QSet>

class QCheckBox;
class QLabel;

namespace zb {

class TNoMsgDlg : public QObject {
    Q_OBJECT
public:
    // `message` is the short text; `detail`, when given, is shown instead of it
    // as the longer explanation.
    TNoMsgDlg(QString key, QString message, QString detail = {}, QObject* parent = nullptr);
    ~TNoMsgDlg() override;

    // The notice of that key that was created first and still exists, or nullptr.
    static TNoMsgDlg* find(const QString& key);

    const QString& key() const { return key_; }
    const QString& message() const { return message_; }
    QString text() const { return detail_.isEmpty() ? message_ : detail_; }

    // Shows the notice unless it was silenced; returns whether it was shown.
    bool execute(QWidget* parent = nullptr);

    bool silenced() const { return isSilenced(key_); }
    static bool isSilenced(const QString& key);
    static void setSilenced(const QString& key, bool on);

private:
    QString key_, message_, detail_;
};

// The window of a quiet notice.
class TNoMsgForm : public QDialog {
    Q_OBJECT
public:
    TNoMsgForm(const QString& text, QWidget* parent = nullptr);
    QCheckBox* silenceBox() const { return silence_; }
    QLabel* textLabel() const { return text_; }

private:
    QLabel* text_;
    QCheckBox* silence_;
};

inline const QString kNoMsgSilenceCaption = QStringLiteral("今回作業中このメッセージを表示しない");

}  // namespace zb
