#include "imaging/ui/folder_form.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace zb {

TFolderForm::TFolderForm(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TFolderForm"));
    setWindowTitle(kFolderFormCaption);
    resize(420, 460);

    messageLabel = new QLabel(this);
    messageLabel->setWordWrap(true);
    messageLabel->hide();

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setRootPath(QString());
    folderTree = new QTreeView(this);
    folderTree->setObjectName(QStringLiteral("FolderTree"));
    folderTree->setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c)
        folderTree->hideColumn(c);
    folderTree->header()->hide();
    folderTree->setSortingEnabled(true);
    folderTree->sortByColumn(0, Qt::AscendingOrder);
    folderTree->setSelectionMode(QAbstractItemView::SingleSelection);

    pathEdit = new QLineEdit(this);
    pathEdit->setObjectName(QStringLiteral("FolderPath"));
    subfolderBox = new QCheckBox(kSubfoldersCaption, this);
    subfolderBox->hide();

    okButton = new QPushButton(QStringLiteral("OK"), this);
    okButton->setDefault(true);
    cancelButton = new QPushButton(QStringLiteral("キャンセル"), this);
    connect(okButton, &QPushButton::clicked, this, [this] {
        // Only an existing folder can be chosen.
        if (QFileInfo(folder()).isDir())
            accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(folderTree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    pathEdit->setText(QDir::toNativeSeparators(model_->filePath(current)));
            });

    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        if (revealing_.isEmpty())
            return;
        const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
        // The model sorts what it read just after this signal: scroll after that.
        if (revealing_ == path || revealing_.startsWith(prefix))
            QTimer::singleShot(0, this, [this] { revealFolder(); });
    });
    connect(model_, &QAbstractItemModel::layoutChanged, this, [this] { revealFolder(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(subfolderBox);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel);
    layout->addWidget(folderTree, 1);
    layout->addWidget(pathEdit);
    layout->addLayout(buttons);
}

void TFolderForm::setMode(int mode)
{
    mode_ = mode;
    subfolderBox->setVisible(mode == kModeImport);
}

void TFolderForm::setMessage(const QString& text)
{
    messageLabel->setText(text);
    messageLabel->setVisible(!text.isEmpty());
}

void TFolderForm::setFolder(const QString& path)
{
    QString dir = QFileInfo(path).absoluteFilePath();
    while (!dir.isEmpty() && !QFileInfo(dir).isDir()) {
        const QString up = QFileInfo(dir).path();
        if (up == dir)
            break;
        dir = up;
    }
    if (!QFileInfo(dir).isDir())
        dir = QDir::homePath();
    const QModelIndex index = model_->index(dir);
    folderTree->setCurrentIndex(index);
    pathEdit->setText(QDir::toNativeSeparators(dir));
    revealing_ = QDir::cleanPath(dir);
    revealFolder();
}

void TFolderForm::revealFolder()
{
    if (revealing_.isEmpty())
        return;
    const QModelIndex index = model_->index(revealing_);
    if (!index.isValid() || folderTree->currentIndex() != index) {
        revealing_.clear();  // the user chose another folder
        return;
    }
    for (QModelIndex p = index.parent(); p.isValid(); p = p.parent())
        folderTree->expand(p);
    folderTree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

QString TFolderForm::folder() const { return QDir::fromNativeSeparators(pathEdit->text().trimmed()); }

void TFolderForm::setSubfolders(bool on) { subfolderBox->setChecked(on); }

bool TFolderForm::subfolders() const { return subfolderBox->isChecked(); }

}  // namespace zb
