#include "imaging/ui/folder_form.h"

#include "core/ports.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace zb {

const QStringList& viewerChoices()
{
    static const QStringList c{QStringLiteral("ブラウザ無し"), QStringLiteral("実行形式のブラウザ"),
                               QStringLiteral("Web形式のブラウザ")};
    return c;
}

FolderVerdict folderVerdict(int mode, const QString& folder, bool discImage, int discSize)
{
    const QString dir = QDir::cleanPath(folder);
    switch (mode) {
    case TFolderForm::kModeXmlRead:
        if (QFileInfo(dir + QStringLiteral("/PHOTO.XML")).isFile())
            return {QStringLiteral(" ( 読み込みできます )"), true};
        return {QStringLiteral(" ( 【") + QStringLiteral("PHOTO.XML") + QStringLiteral("】がありません )"), false};
    case TFolderForm::kModeXmlWrite: {
        const QString base = discImage ? dir + QStringLiteral("/DISK1") : dir;
        if (QFileInfo::exists(base + QStringLiteral("/PHOTO")))
            return {QStringLiteral(" ( 【") + QStringLiteral("PHOTO") + QStringLiteral("】フォルダが既に存在します )"), false};
        if (discImage && (discSize < 10 || discSize > 9999))
            return {QStringLiteral(" ( ディスクイメージの範囲が不正です )"), false};
        return {QStringLiteral(" ( 保存できます )"), true};
    }
    case TFolderForm::kModeHtml:
        if (QFileInfo::exists(dir + QStringLiteral("/ALBUM")))
            return {QStringLiteral(" ( 【") + QStringLiteral("ALBUM") + QStringLiteral("】フォルダが既に存在します )"), false};
        return {QStringLiteral(" ( 保存できます )"), true};
    default:
        return {};
    }
}

QString askNewFolder(const QString& parent, Messages& messages)
{
    QString proposal = kNewFolderDefault;
    for (;;) {
        const std::optional<QString> typed = messages.inputBox(kNewFolderDialogCaption, kNewFolderDialogPrompt, proposal);
        if (!typed)
            return {};
        QString name = typed->trimmed();
        name.removeIf([](QChar c) { return QStringView(u"?*\",.;:|<>/").contains(c); });
        name = name.trimmed();
        if (name.isEmpty()) {
            messages.beep();
            continue;
        }
        proposal = name;
        const QString path = QDir::cleanPath(parent) + QLatin1Char('/') + name;
        if (QFileInfo::exists(path)) {
            messages.information(kFolderNameTaken);
            continue;
        }
        return QDir().mkdir(path) ? path : QString();
    }
}

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
    xmlButton = new QPushButton(kXmlContentsCaption, this);
    xmlButton->setObjectName(QStringLiteral("SB_XmlContents"));
    xmlButton->hide();
    checkButton = new QPushButton(kDeliveryCheckCaption, this);
    checkButton->setObjectName(QStringLiteral("SB_DeliveryCheck"));
    checkButton->hide();
    standardBox = new QComboBox(this);
    standardBox->setObjectName(QStringLiteral("CB_Standard"));
    standardBox->setToolTip(QStringLiteral("適用要領基準"));
    standardBox->hide();
    originalBox = new QCheckBox(kOriginalPicturesCaption, this);
    originalBox->setObjectName(QStringLiteral("CheckBox_Org"));
    originalBox->hide();
    viewerBox = new QComboBox(this);
    viewerBox->setObjectName(QStringLiteral("CB_View"));
    viewerBox->addItems(viewerChoices());
    viewerBox->hide();
    discBox = new QCheckBox(kDiscImageCaption, this);
    discBox->setObjectName(QStringLiteral("CheckBox_Disk"));
    discBox->hide();
    discSizeBox = new QSpinBox(this);
    discSizeBox->setObjectName(QStringLiteral("CB_DiskSize"));
    // The box takes any number so that a size out of range can be told; 実行 refuses it.
    discSizeBox->setRange(0, 99999);
    discSizeBox->setValue(650);
    discSizeBox->setSuffix(QStringLiteral("MB"));
    discSizeBox->setToolTip(kDiscSizeHint);
    discSizeBox->setEnabled(false);
    discSizeBox->hide();
    connect(discBox, &QCheckBox::toggled, this, [this](bool on) {
        discSizeBox->setEnabled(on);
        refreshVerdict();
    });
    connect(discSizeBox, &QSpinBox::valueChanged, this, [this] { refreshVerdict(); });
    connect(xmlButton, &QPushButton::clicked, this, [this] {
        if (showXml)
            showXml(QDir::cleanPath(folder()) + QStringLiteral("/PHOTO.XML"));
    });
    connect(checkButton, &QPushButton::clicked, this, [this] {
        if (checkDelivery)
            checkDelivery(QDir::cleanPath(folder()));
    });
    connect(standardBox, &QComboBox::currentIndexChanged, this, [this] { applyStandard(); });
    connect(pathEdit, &QLineEdit::textChanged, this, [this] { refreshVerdict(); });

    folderMenu = new QMenu(this);
    folderMenu->addAction(QStringLiteral("再読込(&R)"), this, [this] { rereadFolders(); });
    folderMenu->addAction(QStringLiteral("フォルダの作成(&N)..."), this, [this] { createFolder(); });
    folderTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(folderTree, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { folderMenu->popup(folderTree->viewport()->mapToGlobal(at)); });

    okButton = new QPushButton(kRunCaption, this);
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

    auto* options = new QHBoxLayout;
    options->addWidget(standardBox);
    options->addWidget(originalBox);
    options->addWidget(viewerBox);
    options->addWidget(discBox);
    options->addWidget(discSizeBox);
    options->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(subfolderBox);
    buttons->addWidget(xmlButton);
    buttons->addWidget(checkButton);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel);
    layout->addWidget(folderTree, 1);
    layout->addWidget(pathEdit);
    layout->addLayout(options);
    layout->addLayout(buttons);
}

void TFolderForm::setMode(int mode)
{
    mode_ = mode;
    subfolderBox->setVisible(mode == kModeImport);
    xmlButton->setVisible(mode == kModeXmlRead);
    checkButton->setVisible(mode == kModeXmlRead);
    standardBox->setVisible(mode == kModeXmlWrite && !standards_.isEmpty());
    originalBox->setVisible(mode == kModeXmlWrite || mode == kModeHtml);
    viewerBox->setVisible(mode == kModeXmlWrite);
    discBox->setVisible(mode == kModeXmlWrite);
    discSizeBox->setVisible(mode == kModeXmlWrite);
    refreshVerdict();
}

void TFolderForm::setMessage(const QString& text)
{
    message_ = text;
    refreshVerdict();
}

void TFolderForm::refreshVerdict()
{
    const FolderVerdict v = folderVerdict(mode_, folder(), discBox->isChecked(), discSizeBox->value());
    const QString text = message_.isEmpty() ? QString() : message_ + v.suffix;
    messageLabel->setText(text);
    messageLabel->setVisible(!text.isEmpty());
    okButton->setEnabled(v.usable);
    xmlButton->setEnabled(v.usable);
    checkButton->setEnabled(v.usable);
}

void TFolderForm::setStandards(const QList<StandardEntry>& entries)
{
    standards_ = entries;
    const QSignalBlocker block(standardBox);
    standardBox->clear();
    for (const StandardEntry& e : entries)
        standardBox->addItem(e.caption);
    standardBox->setVisible(mode_ == kModeXmlWrite && !entries.isEmpty());
    applyStandard();
}

void TFolderForm::setStandard(int index)
{
    standardBox->setCurrentIndex(qBound(0, index, int(standards_.size()) - 1));
    applyStandard();
}

int TFolderForm::standard() const { return standardBox->currentIndex(); }

void TFolderForm::applyStandard()
{
    const int i = standardBox->currentIndex();
    const bool current = i >= 0 && i < standards_.size() && standards_[i].current;
    if (current == locked_)
        return;
    if (current) {
        draftOriginal_ = originalBox->isChecked();
        draftViewer_ = viewerBox->currentIndex();
        originalBox->setChecked(true);
        viewerBox->setCurrentIndex(0);
    } else {
        originalBox->setChecked(draftOriginal_);
        viewerBox->setCurrentIndex(draftViewer_);
    }
    originalBox->setEnabled(!current);
    viewerBox->setEnabled(!current);
    locked_ = current;
}

void TFolderForm::setOriginalPictures(bool on)
{
    if (locked_)
        draftOriginal_ = on;
    else
        originalBox->setChecked(on);
}
bool TFolderForm::originalPictures() const { return originalBox->isChecked(); }
void TFolderForm::setViewer(int index)
{
    if (locked_)
        draftViewer_ = qBound(0, index, 2);
    else
        viewerBox->setCurrentIndex(qBound(0, index, 2));
}
int TFolderForm::viewer() const { return viewerBox->currentIndex(); }
void TFolderForm::setDiscImage(bool on)
{
    discBox->setChecked(on);
    discSizeBox->setEnabled(on);
}
bool TFolderForm::discImage() const { return discBox->isChecked(); }
void TFolderForm::setDiscSize(int megabytes) { discSizeBox->setValue(megabytes); }
int TFolderForm::discSize() const { return discSizeBox->value(); }

void TFolderForm::rereadFolders()
{
    const QString keep = folder();
    const QString root = model_->rootPath();
    model_->setRootPath(QString());
    model_->setRootPath(root);
    setFolder(keep);
}

void TFolderForm::createFolder()
{
    if (!messages_ || !QFileInfo(folder()).isDir())
        return;
    const QString made = askNewFolder(folder(), *messages_);
    if (!made.isEmpty())
        setFolder(made);
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
