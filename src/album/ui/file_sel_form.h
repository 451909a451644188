#pragma once
// "工事写真帳を開く" / "書式の保存" …: the folder's albums or formats with their
// title, page count or kind and date, sorted by a clicked column, a preview of
// formats, 削除, and the name and title for saving.
#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zb {
class Messages;
}

namespace zb::album {

class TFileSelForm : public QDialog {
    Q_OBJECT
public:
    // `sort` is the kept sort (1 名称, 2 タイトル, 3 ページ数/種別, 4 更新日付;
    // negative descending), updated when a column header is clicked.
    TFileSelForm(bool album, bool saving, const QString& folder, const QString& current, const QString& title,
                 int sort, Messages& messages, QWidget* parent = nullptr);

    QString name() const;    // without extension
    QString title() const;
    QString path() const;    // folder + name + extension
    int sort() const { return sort_; }

    QTreeWidget* list() const { return list_; }
    QLineEdit* nameEdit() const { return name_; }
    QLineEdit* titleEdit() const { return title_; }
    QPushButton* deleteButton() const { return delete_; }
    QLabel* previewLabel() const { return preview_; }
    // 参照/解除 of formats being opened: lists another folder's formats, and
    // back to the given folder (null when albums or saving).
    QPushButton* referButton() const { return refer_; }
    QLabel* referLabel() const { return referLabel_; }
    bool referring() const { return folder_ != homeFolder_; }
    // The folder chooser of 参照; tests replace it. An empty result keeps the folder.
    std::function<QString()> chooseFolder;

    // The column captions with "↓" or "↑" on the sorted one.
    static QString columnCaption(bool album, int column, int sort);

private:
    void fill();
    void chosen();
    // The row the user picked; none when the list only holds a current row.
    QTreeWidgetItem* pickedItem() const;
    void deleteChosen();
    void toggleRefer();

    bool album_, saving_;
    QString folder_, homeFolder_, current_;
    int sort_;
    Messages& messages_;
    QTreeWidget* list_;
    QLineEdit* name_;
    QLineEdit* title_;
    QPushButton* ok_;
    QPushButton* delete_;
    QLabel* preview_ = nullptr;
    QPushButton* refer_ = nullptr;
    QLabel* referLabel_ = nullptr;
};

}  // namespace zb::album
