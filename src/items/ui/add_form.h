#pragma once
// TAddForm: the album editor's palette of items (工事情報/写真情報の追加). A
// stay-on-top tool window listing the ZBGRPH.LST entries; "流込(&R)" or a
// double-click hands the token text of the selection to the editor through
// pour(). The photo-slot choice is shown when the editor asks for it and is
// enabled while a photo item (code 2000-2999) is selected.
#include "items/palette.h"

#include <QList>
#include <QWidget>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace zb::items {

class TAddForm : public QWidget {
    Q_OBJECT
public:
    explicit TAddForm(const QString& palettePath, QWidget* parent = nullptr);

    const QList<PaletteEntry>& entries() const { return entries_; }

    // Shows or hides the slot choice ("  関連付ける写真:").
    void setSlotChoiceVisible(bool visible);
    // The slot numbers the current album page uses; the previous choice stays
    // selected when it is still offered.
    void setSlots(const QList<int>& slotNumbers);
    // The chosen slot number; 0 when the choice is hidden, disabled or empty.
    int chosenSlot() const;

    // Token text of the selected entries (the first entry's token when nothing is selected).
    QString tokenText() const;
    QList<int> selectedRows() const;

    // After pour() the window hides unless this is set (the editor keeps it open).
    void setKeepOpen(bool keep) { keepOpen_ = keep; }

    // Columns the list is arranged in for the current size.
    int columnCount() const { return columns_; }

    QListWidget* list() const { return list_; }
    QPushButton* pourButton() const { return pour_; }
    QComboBox* slotChoice() const { return slot_; }
    QLabel* slotLabel() const { return slotLabel_; }

signals:
    // The editor inserts the text at its insertion position; slot as chosenSlot().
    void pour(const QString& tokenText, int slot);
    // The window was closed by the user.
    void closed();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void pourSelection();
    void updateSlotEnabled();
    void arrangeColumns();

    QList<PaletteEntry> entries_;
    QListWidget* list_;
    QPushButton* pour_;
    QLabel* slotLabel_;
    QComboBox* slot_;
    QList<int> slots_;
    bool keepOpen_ = false;
    int columns_ = 1;
    int widest_ = 0;
};

}  // namespace zb::items
