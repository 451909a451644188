#pragma once
// TNewForm: the new-job dialog. The name field refuses the characters a job
// name cannot hold (typed ones are swallowed with a beep, pasted ones removed);
// a template may be chosen from the template folder.
#include <QDialog>
#include <QLineEdit>

class QCheckBox;
class QListWidget;
class QPushButton;

namespace zb {

class Messages;

// A line edit for job and file names.
class TNameEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TNameEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void dropRefused();
};

class TNewForm : public QDialog {
    Q_OBJECT
public:
    TNewForm(const QString& dataFile, const QString& templateDir, Messages& messages, QWidget* parent = nullptr);

    // The name after the name rules, and the chosen template (empty for none).
    QString jobName() const;
    QString templateName() const;

    TNameEdit* nameEdit() const { return name_; }
    QCheckBox* useTemplate() const { return useTemplate_; }
    QListWidget* templates() const { return templates_; }
    QPushButton* executeButton() const { return execute_; }

protected:
    void showEvent(QShowEvent* e) override;

private:
    void updateButtons();
    void execute();

    QString dataFile_;
    Messages& messages_;
    TNameEdit* name_;
    QCheckBox* useTemplate_;
    QListWidget* templates_;
    QPushButton* execute_;
};

}  // namespace zb
