#pragma once
// TFolderForm: the folder dialog. A folder tree of the file system with an
// optional message above it and, in the folder-import mode, the check box
// 階層下も含む that takes the sub-folders too.
#include <QDialog>

class QCheckBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace zb {

inline const QString kFolderFormCaption = QStringLiteral("フォルダの選択");
inline const QString kSubfoldersCaption = QStringLiteral("階層下も含む");

class TFolderForm : public QDialog {
    Q_OBJECT
public:
    // Mode 4: the folder import, with the sub-folder check box.
    static constexpr int kModeImport = 4;

    explicit TFolderForm(QWidget* parent = nullptr);

    void setMode(int mode);
    int mode() const { return mode_; }
    void setMessage(const QString& text);
    // The folder shown and selected; a missing folder selects its nearest
    // existing parent.
    void setFolder(const QString& path);
    QString folder() const;
    void setSubfolders(bool on);
    bool subfolders() const;
    void setHelpContext(int context) { helpContext_ = context; }
    int helpContext() const { return helpContext_; }

    QLabel* messageLabel = nullptr;
    QTreeView* folderTree = nullptr;
    QLineEdit* pathEdit = nullptr;
    QCheckBox* subfolderBox = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

private:
    // Expands the tree down to the folder being opened and keeps it in view
    // while the model reads the folders on its way (they arrive later and
    // push it down); ends once the user moves elsewhere.
    void revealFolder();

    QFileSystemModel* model_ = nullptr;
    QString revealing_;
    int mode_ = 0;
    int helpContext_ = 0;
};

}  // namespace zb
