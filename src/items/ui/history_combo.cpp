#include "items/ui/history_combo.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>

namespace zb::items {

THistoryCombo::THistoryCombo(QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxCount(kMaxEntries);
    lineEdit()->installEventFilter(this);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] { changed_ = true; });
}

void THistoryCombo::remember()
{
    const QString text = currentText();
    changed_ = false;
    if (text.isEmpty())
        return;
    const int at = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at == 0)
        return;
    if (at > 0)
        removeItem(at);
    if (count() >= kMaxEntries)
        removeItem(count() - 1);
    insertItem(0, text);
    setCurrentIndex(0);
    setEditText(text);
}

QStringList THistoryCombo::history() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out << itemText(i);
    return out;
}

bool THistoryCombo::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == lineEdit()) {
        if (e->type() == QEvent::FocusOut && changed_)
            remember();
        else if (e->type() == QEvent::FocusIn)
            emit entered();
        else if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                if (changed_)
                    remember();
                emit returnPressed();
                return true;
            }
        }
    }
    return QComboBox::eventFilter(watched, e);
}

}  // namespace zb::items
