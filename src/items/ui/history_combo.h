#pragma once
// An editable drop-down that remembers what was typed: when the focus leaves
// it after its text was changed, the text moves to the top of its list (or is
// put there when new); the list keeps at most 15 entries, the oldest dropping
// off. The history lives as long as the box.
#include <QComboBox>

namespace zb::items {

class THistoryCombo : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kMaxEntries = 15;
    explicit THistoryCombo(QWidget* parent = nullptr);

    // Puts the current text at the top of the list (what leaving the box does
    // after a change).
    void remember();
    QStringList history() const;
    // True once the text was changed by the user since the last remember().
    bool changedSinceRemembered() const { return changed_; }

signals:
    // Enter was pressed in the box.
    void returnPressed();
    // The focus came in.
    void entered();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool changed_ = false;
};

}  // namespace zb::items
