#include "album/ui/file_sel_form.h"

#include "album/document_file.h"
#include "core/ports.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace zb::album {

namespace {

struct Entry {
    QString name;
    QString title;
    QString third;     // page count or kind
    int pages = 0;
    QDateTime date;
    QByteArray preview;
};

QString kindName(bool album) { return album ? QStringLiteral("工事写真帳") : QStringLiteral("書式"); }
QString extension(bool album) { return album ? QStringLiteral(".ZBA") : QStringLiteral(".ZBF"); }

// Reads the header (and a format's preview) of a document without its pages.
std::optional<Entry> readEntry(const QFileInfo& file, bool album)
{
    QFile f(file.filePath());
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<TGrphFileHeader> h = readFileHeader(file.filePath());
    if (!h)
        return std::nullopt;
    Entry e;
    e.name = file.completeBaseName();
    e.title = h->title;
    e.pages = h->pageCount;
    e.third = album ? QString::number(h->pageCount) : h->cover ? QStringLiteral("表書") : QStringLiteral("写真");
    e.date = file.lastModified();
    if (!album && h->previewLength > 0 && h->previewLength < (1 << 22)) {
        f.seek(kFileHeaderSize);
        e.preview = f.read(h->previewLength);
    }
    return e;
}

}  // namespace

QString TFileSelForm::columnCaption(bool album, int column, int sort)
{
    static const char* const albumNames[] = {"名称", "タイトル", "ページ数", "更新日付"};
    static const char* const formatNames[] = {"名称", "タイトル", "種別", "更新日付"};
    const int index = column < 1 ? 0 : column > 4 ? 3 : column - 1;
    QString caption = QString::fromUtf8((album ? albumNames : formatNames)[index]);
    if (std::abs(sort) == column)
        caption += sort > 0 ? QStringLiteral("↓") : QStringLiteral("↑");
    return caption;
}

TFileSelForm::TFileSelForm(bool album, bool saving, const QString& folder, const QString& current,
                           const QString& title, int sort, Messages& messages, QWidget* parent)
    : QDialog(parent), album_(album), saving_(saving), folder_(folder), homeFolder_(folder), current_(current),
      sort_(sort == 0 || std::abs(sort) > 4 ? 1 : sort), messages_(messages)
{
    setWindowTitle(kindName(album) + (saving ? QStringLiteral("の保存") : QStringLiteral("を開く")));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    list_ = new QTreeWidget(this);
    list_->setColumnCount(4);
    list_->setRootIsDecorated(false);
    list_->setSortingEnabled(false);
    list_->header()->setSectionsClickable(true);
    top->addWidget(list_, 1);
    if (!album) {
        preview_ = new QLabel(this);
        preview_->setFixedSize(140, 140);
        preview_->setAlignment(Qt::AlignCenter);
        preview_->setFrameShape(QFrame::StyledPanel);
        top->addWidget(preview_);
    }
    layout->addLayout(top, 1);
    auto* form = new QFormLayout;
    name_ = new QLineEdit(QFileInfo(current).completeBaseName(), this);
    name_->setMaxLength(128);
    title_ = new QLineEdit(title, this);
    title_->setMaxLength(128);
    form->addRow(album ? QStringLiteral("工事写真帳(&N):") : QStringLiteral("書式名(&N):"), name_);
    if (saving)
        form->addRow(QStringLiteral("タイトル"), title_);
    else
        title_->hide();
    layout->addLayout(form);
    if (!album && !saving) {
        referLabel_ = new QLabel(QStringLiteral("他のフォルダの書式を参照しています。"), this);
        referLabel_->hide();
        layout->addWidget(referLabel_);
    }
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QDialogButtonBox::Ok);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    delete_ = buttons->addButton(QStringLiteral("削除"), QDialogButtonBox::ActionRole);
    if (referLabel_) {
        refer_ = buttons->addButton(QStringLiteral("参照(&F)"), QDialogButtonBox::ActionRole);
        refer_->setToolTip(QStringLiteral("他のフォルダから書式を参照します"));
        connect(refer_, &QPushButton::clicked, this, [this] { toggleRefer(); });
        chooseFolder = [this] { return QFileDialog::getExistingDirectory(this, QStringLiteral("書式の参照"), folder_); };
    }
    layout->addWidget(buttons);
    resize(640, 420);

    connect(list_->header(), &QHeaderView::sectionClicked, this, [this](int section) {
        const int column = section + 1;
        sort_ = std::abs(sort_) == column ? -sort_ : column;
        fill();
    });
    // Only a row the user picks fills the fields: the list taking the focus
    // makes its first row current without selecting it.
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { chosen(); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] {
        chosen();
        accept();
    });
    connect(name_, &QLineEdit::textChanged, this, [this] { ok_->setEnabled(!name_->text().trimmed().isEmpty()); });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(delete_, &QPushButton::clicked, this, [this] { deleteChosen(); });
    ok_->setEnabled(!name_->text().trimmed().isEmpty());
    fill();
}

void TFileSelForm::fill()
{
    for (int c = 1; c <= 4; ++c)
        list_->headerItem()->setText(c - 1, columnCaption(album_, c, sort_));
    QList<Entry> entries;
    for (const QFileInfo& f :
         QDir(folder_).entryInfoList({QStringLiteral("*") + extension(album_)}, QDir::Files, QDir::Name))
        if (std::optional<Entry> e = readEntry(f, album_))
            entries << *e;
    const int column = std::abs(sort_);
    std::stable_sort(entries.begin(), entries.end(), [column](const Entry& a, const Entry& b) {
        switch (column) {
        case 2: return a.title < b.title;
        case 3: return a.third.size() == b.third.size() ? a.third < b.third : a.third.size() < b.third.size();
        case 4: return a.date < b.date;
        default: return a.name < b.name;
        }
    });
    if (sort_ < 0)
        std::reverse(entries.begin(), entries.end());
    const QString keep = name_->text();
    list_->clear();
    const QString currentName = QFileInfo(current_).completeBaseName();
    for (const Entry& e : entries) {
        auto* item = new QTreeWidgetItem(list_, {e.name, e.title, e.third,
                                                 e.date.toString(QStringLiteral("yyyy/MM/dd hh:mm"))});
        item->setData(0, Qt::UserRole, e.preview);
        if (!referring() && e.name == currentName) {
            // The document open now.
            QFont bold = item->font(0);
            bold.setBold(true);
            for (int c = 0; c < 4; ++c)
                item->setFont(c, bold);
        }
    }
    for (int c = 0; c < 4; ++c)
        list_->resizeColumnToContents(c);
    name_->setText(keep);
}

QTreeWidgetItem* TFileSelForm::pickedItem() const
{
    const QList<QTreeWidgetItem*> picked = list_->selectedItems();
    return picked.isEmpty() ? nullptr : picked.first();
}

void TFileSelForm::chosen()
{
    QTreeWidgetItem* item = pickedItem();
    if (!item)
        return;
    name_->setText(item->text(0));
    if (saving_)
        title_->setText(item->text(1));
    if (preview_) {
        QImage image;
        image.loadFromData(item->data(0, Qt::UserRole).toByteArray(), "JPEG");
        preview_->setPixmap(image.isNull() ? QPixmap() : QPixmap::fromImage(image));
    }
}

void TFileSelForm::deleteChosen()
{
    QTreeWidgetItem* item = pickedItem();
    if (!item)
        return;
    if (!messages_.confirm(QStringLiteral("選択している「") + kindName(album_) + QStringLiteral("」を削除しますか？")))
        return;
    const QString file = QDir(folder_).filePath(item->text(0) + extension(album_));
    if (!QFile::remove(file))
        messages_.error(QStringLiteral("削除に失敗しました。"));
    fill();
}

void TFileSelForm::toggleRefer()
{
    if (referring()) {
        folder_ = homeFolder_;
    } else {
        const QString chosen = chooseFolder ? chooseFolder() : QString();
        if (chosen.isEmpty() || QDir(chosen) == QDir(homeFolder_))
            return;
        folder_ = QDir(chosen).absolutePath() + QLatin1Char('/');
    }
    const bool away = referring();
    refer_->setText(away ? QStringLiteral("解除(&F)") : QStringLiteral("参照(&F)"));
    refer_->setToolTip(away ? QStringLiteral("書式を参照を解除します") : QStringLiteral("他のフォルダから書式を参照します"));
    referLabel_->setVisible(away);
    if (preview_)
        preview_->clear();
    fill();
}

QString TFileSelForm::name() const { return name_->text().trimmed(); }
QString TFileSelForm::title() const { return title_->text(); }
QString TFileSelForm::path() const { return QDir(folder_).filePath(name() + extension(album_)); }

}  // namespace zb::album
