#pragma once
// TFolderForm: the folder dialog. A folder tree of the file system with an
// optional message above it and the options of its mode: the electronic
// delivery's read (1) and write (2) options, the HTML album's (3) and, in the
// folder-import mode (4), the check box 階層下も含む that takes the sub-folders
// too. The message carries a suffix saying whether the folder can be used.
#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTreeView;

namespace zb {

class Messages;

inline const QString kRunCaption = QStringLiteral("実行(&R)");
inline const QString kXmlContentsCaption = QStringLiteral("ＸＭＬデータ内容の確認(&T)");
inline const QString kOriginalPicturesCaption = QStringLiteral("オリジナル写真で出力(&O)");
inline const QString kDiscImageCaption = QStringLiteral("ディスクイメージ(&D)");
inline const QString kDiscSizeHint = QStringLiteral("10MB～9999MBの範囲で入力してください");
inline const QString kNewFolderDialogCaption = QStringLiteral("新規フォルダの作成");
inline const QString kNewFolderDialogPrompt = QStringLiteral("フォルダ名:");
inline const QString kNewFolderDefault = QStringLiteral("新しいフォルダ");
inline const QString kFolderNameTaken = QStringLiteral("同一のフォルダ名が既に存在します。");
inline const QString kDeliveryCheckCaption = QStringLiteral("電子納品チェック");
// Entries of the viewer list CB_View.
const QStringList& viewerChoices();

// The message suffix of a mode for a folder (empty for modes 0 and 4), and
// whether 実行 accepts it.
struct FolderVerdict {
    QString suffix;
    bool usable = true;
};
FolderVerdict folderVerdict(int mode, const QString& folder, bool discImage, int discSize);

// "フォルダの作成": asks for a name until it is usable (trimmed, stripped of
// the characters ?*",.;:|<>/; an empty name beeps, an existing one is told)
// and creates it in `parent`. The new folder's path, empty when cancelled
// or when it could not be made.
QString askNewFolder(const QString& parent, Messages& messages);

inline const QString kFolderFormCaption = QStringLiteral("フォルダの選択");
inline const QString kSubfoldersCaption = QStringLiteral("階層下も含む");

class TFolderForm : public QDialog {
    Q_OBJECT
public:
    // Modes: 0 a plain folder, 1 the XML import, 2 the XML export, 3 the
    // HTML album, 4 the folder import with the sub-folder check box.
    static constexpr int kModePlain = 0;
    static constexpr int kModeXmlRead = 1;
    static constexpr int kModeXmlWrite = 2;
    static constexpr int kModeHtml = 3;
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
    // Options of modes 2 and 3.
    void setOriginalPictures(bool on);
    bool originalPictures() const;
    void setViewer(int index);
    int viewer() const;
    void setDiscImage(bool on);
    bool discImage() const;
    void setDiscSize(int megabytes);
    int discSize() const;
    // The 適用要領基準 list of mode 2: its entries, each with whether it is an
    // edition of the current layout, which delivers the imported pictures
    // (the box ticked and locked) without a viewer (the list locked).
    struct StandardEntry {
        QString caption;
        bool current = true;
    };
    void setStandards(const QList<StandardEntry>& entries);
    void setStandard(int index);
    int standard() const;
    // Where the folder pop-up's input box and messages go (none: no pop-up).
    void setMessages(Messages* messages) { messages_ = messages; }
    // The button ＸＭＬデータ内容の確認 of mode 1: the folder's PHOTO.XML shown.
    std::function<void(const QString& xmlFile)> showXml;
    // The button 電子納品チェック of mode 1: the delivery check of the folder.
    std::function<void(const QString& folder)> checkDelivery;
    // The message with its suffix refreshed for the current choice.
    void refreshVerdict();
    // The pop-up's commands.
    void rereadFolders();
    void createFolder();

    QLabel* messageLabel = nullptr;
    QTreeView* folderTree = nullptr;
    QLineEdit* pathEdit = nullptr;
    QCheckBox* subfolderBox = nullptr;
    QPushButton* xmlButton = nullptr;        // mode 1
    QPushButton* checkButton = nullptr;      // mode 1: 電子納品チェック
    QComboBox* standardBox = nullptr;        // mode 2: 適用要領基準
    QCheckBox* originalBox = nullptr;        // CheckBox_Org, modes 2 and 3
    QComboBox* viewerBox = nullptr;          // CB_View, mode 2
    QCheckBox* discBox = nullptr;            // CheckBox_Disk, mode 2
    QSpinBox* discSizeBox = nullptr;         // CB_DiskSize, mode 2
    QMenu* folderMenu = nullptr;             // 再読込, フォルダの作成
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;

private:
    // Expands the tree down to the folder being opened and keeps it in view
    // while the model reads the folders on its way (they arrive later and
    // push it down); ends once the user moves elsewhere.
    void revealFolder();
    // Locks or frees the picture box and the viewer list for the standard chosen.
    void applyStandard();

    QFileSystemModel* model_ = nullptr;
    QString revealing_;
    QString message_;
    Messages* messages_ = nullptr;
    int mode_ = 0;
    int helpContext_ = 0;
    QList<StandardEntry> standards_;
    bool locked_ = false;      // the current layout's choice holds the two options
    bool draftOriginal_ = false;
    int draftViewer_ = 0;
};

}  // namespace zb
