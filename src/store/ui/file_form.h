#pragma once
// TFileForm: the job list (工事一覧). Lists every job of the data folder,
// sorts by a clicked column, and runs the commands on jobs that are not open:
// new, delete, rename. Choosing a job (実行 or a double-click, or a new job)
// closes the list with that choice.
#include "store/job_life.h"

#include <QDialog>
#include <QTimer>
#include <optional>

class QPushButton;
class QTableWidget;

namespace zb {

class Messages;

class TFileForm : public QDialog {
    Q_OBJECT
public:
    TFileForm(const Folders& folders, Messages& messages, QWidget* parent = nullptr);

    // Refills the list; the open job is marked and selected (or the given one,
    // or the first row).
    void fill(const QString& select = {});
    void setOpenJob(const QString& name);
    // The DataSort setting: column 1-6, negative for descending.
    void setDataSort(int dataSort);
    int dataSort() const { return dataSort_; }
    // While disabled, the window closes only by choosing a job.
    void setCloseEnabled(bool on);

    // What the user chose, after exec() returned Accepted.
    std::optional<JobChoice> choice() const { return choice_; }
    // The job list as the open job's hooks want it: shows the list, returns the choice.
    std::optional<JobChoice> choose(const QString& current);

    QString selectedName() const;
    QTableWidget* list() const { return list_; }
    QPushButton* button(const QString& objectName) const;

    // Recomputes the enabling of 実行, 削除 and 変更 (the timer does this after
    // every selection change).
    void updateButtons();

    // Creating the new-job dialog; tests replace it.
    std::function<std::optional<JobChoice>()> askNewJob;
    // 複写(&O): the copy between the local and shared folders; the button
    // shows only while this is set.
    std::function<void()> copyJobs;
    // バックアップから読込(&R): restores a job and gives its name (nullopt when
    // nothing was restored); the list then closes with that job chosen. The
    // button works only while this is set.
    std::function<std::optional<QString>()> restoreJob;

    // The narrowest the 名称 column gets.
    static constexpr int kNameColumnMinWidth = 300;

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void execute();
    void newJob();
    void deleteSelected();
    void renameSelected();
    void sortBy(int column);
    void updateHeader();
    // Gives 名称 the room the other columns leave (at least its minimum and
    // its contents).
    void fitNameColumn();

    Folders folders_;
    Messages& messages_;
    QString openJob_;
    int dataSort_ = 1;
    bool closeEnabled_ = true;
    std::optional<JobChoice> choice_;
    QList<JobRow> rows_;
    QTableWidget* list_;
    QPushButton* execute_;
    QPushButton* new_;
    QPushButton* delete_;
    QPushButton* rename_;
    QPushButton* restore_;
    QPushButton* copy_;
    QPushButton* close_;
    QTimer enableTimer_;
};

}  // namespace zb
