#pragma once
// TCopForm: 工事データ/環境の複写, copying jobs, masters, the user files,
// templates and formats between the local and the shared data folders.
#include "maintenance/copy_jobs.h"

#include <QDialog>

class QButtonGroup;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace zb {

class Messages;

class TCopForm : public QDialog {
    Q_OBJECT
public:
    TCopForm(const QString& localRoot, const QString& sharedRoot, Messages& messages, QWidget* parent = nullptr);

    // Shows the dialog modally, unless the folders forbid it (then the reason
    // is told and false returned).
    static bool execute(const QString& localRoot, const QString& sharedRoot, Messages& messages,
                        QWidget* parent = nullptr);

    void setKind(CopyKind kind);
    CopyKind kind() const { return kind_; }
    // Refills both lists for the current kind, the first entry selected.
    void fillLists();
    // The buttons "ローカルから共有へ" (true) and "共有からローカルへ".
    void copy(bool fromLocal);

    QListWidget* localList() const { return local_; }
    QListWidget* sharedList() const { return shared_; }
    QPushButton* button(const QString& objectName) const;

private:
    void fill(QListWidget* list, QLabel* label, const QString& folder);

    QString localRoot_, sharedRoot_;
    Messages& messages_;
    CopyKind kind_ = CopyKind::Data;
    QListWidget* local_;
    QListWidget* shared_;
    QLabel* localPath_;
    QLabel* sharedPath_;
    QProgressBar* bar_;
    QButtonGroup* kinds_;
};

}  // namespace zb
