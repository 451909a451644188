#pragma once
// TMastForm: the master window "マスタ (<name>)". A modeless window that stays
// on top, shows the current master as a tree under a header naming the five
// depths (the selected entry's depth on yellow), edits it through TMaster,
// searches it, reads a cost-estimation CSV file, switches masters,
// synchronises with the job hierarchy and pours the selected entry into it.
#include "items/master.h"

#include <QDialog>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <optional>

class QAbstractButton;
class QComboBox;
class QMenu;
class QPushButton;
class QToolButton;

namespace zb {
class Messages;
}

namespace zb::items {

class THistoryCombo;
class TMastForm;

// The header above the master tree: an empty first section that narrows with
// the tree's horizontal scroll, then the five depth captions.
class TMastHeader : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFirstWidth = 40;
    static constexpr int kSectionWidth = 40;
    TMastHeader(QTreeWidget& tree, QWidget* parent = nullptr);
    // The depth painted yellow, -1 for none.
    int highlighted() const { return depth_; }
    void setHighlighted(int depth);
    QRect sectionRect(int section) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QTreeWidget& tree_;
    int depth_ = -1;
};

// What the window needs from outside.
struct MastFormHooks {
    // The job hierarchy's selected folder can take a poured entry.
    std::function<bool()> canPour;
    // Pours the caption into the selected job folder (the main window's work).
    std::function<void(const QString& caption)> pour;
    // Captions of the selected job folder's path below the photo root, level 1
    // first; empty when no folder of a level is selected.
    std::function<QStringList()> jobPath;
    // The file dialogs: a CSV file to read (start folder given), a master file
    // name in the master folder (a new name allowed); nullopt on cancel.
    std::function<std::optional<QString>(const QString& startFolder)> chooseCsv;
    std::function<std::optional<QString>(const QString& mastFolder)> chooseMaster;
    // The current master's name changed (MastFileName).
    std::function<void(const QString&)> masterSwitched;
    // The program folder (where 読込 starts).
    QString programDir;
    QString mastDir;
};

// The search options of the window, as the settings keep them.
struct MastSearchOptions {
    int style = 2;     // MastSeekStyle: 完全一致, 先頭一致, 部分一致
    int pos = 1;       // MastSeekPos
    int hanniSt = 0;   // MastSeekHanniSt
    int hanniEn = 0;   // MastSeekHanniEn
};

class TMastForm : public QDialog {
    Q_OBJECT
public:
    TMastForm(TMaster& master, Messages& messages, MastFormHooks hooks, QWidget* parent = nullptr);
    ~TMastForm() override;

    void setOptions(const MastSearchOptions& o);
    MastSearchOptions options() const;
    // Watch timer interval in milliseconds (0: no timer).
    void setWatchInterval(int ms) { watchMs_ = ms; }
    QTimer& watchTimer() { return watch_; }

    // The tree shows the master's outline again, selecting the entry at index.
    void rebuild(int select = 0);
    // Index of the selected entry, -1 for none.
    int selectedIndex() const;
    void selectIndex(int index);
    // The buttons' enabled states follow the selection.
    void refreshButtons();

    // The commands.
    void expandAll();
    void collapseOthers();
    void synchronise();
    void searchNext();
    void readCsv();
    void switchMaster();
    void newEntry();
    void renameEntry();
    void deleteEntry();
    void pourEntry();

    QTreeWidget* tree() const { return tree_; }
    TMastHeader* header() const { return header_; }
    QComboBox* modeBox() const { return mode_; }
    QComboBox* posBox() const { return pos_; }
    QComboBox* levelStBox() const { return levelSt_; }
    QComboBox* levelEnBox() const { return levelEn_; }
    THistoryCombo* searchText() const { return text_; }
    QAbstractButton* button(const QString& name) const;
    QMenu* popupMenu() const { return popup_; }

signals:
    // The window closed: the owner saves the options.
    void closed();

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;

private:
    QAbstractButton* addButton(QLayout* layout, const QString& name, const QString& caption, const QString& hint,
                               void (TMastForm::*slot)());
    void updateCaption();

    TMaster& master_;
    Messages& messages_;
    MastFormHooks hooks_;
    QTreeWidget* tree_;
    TMastHeader* header_;
    QComboBox* mode_;
    QComboBox* pos_;
    QComboBox* levelSt_;
    QComboBox* levelEn_;
    THistoryCombo* text_;
    QMenu* popup_;
    QList<QTreeWidgetItem*> items_;  // by absolute index
    QTimer watch_;
    int watchMs_ = 0;
};

}  // namespace zb::items
