#include "maintenance/ui/cop_form.h"

#include "core/ports.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCursor>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace zb {

namespace {

// The dialog's progress bar behind the Progress port.
class FormProgress : public Progress {
public:
    explicit FormProgress(QProgressBar* bar) : bar_(bar) {}
    void start(int count) override
    {
        bar_->setRange(0, std::max(1, count));
        bar_->setValue(0);
        bar_->show();
    }
    bool step() override
    {
        bar_->setValue(std::min(bar_->maximum(), bar_->value() + 1));
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    }
    void end() override
    {
        bar_->setValue(bar_->maximum());
        bar_->hide();
    }

private:
    QProgressBar* bar_;
};

}  // namespace

TCopForm::TCopForm(const QString& localRoot, const QString& sharedRoot, Messages& messages, QWidget* parent)
    : QDialog(parent), localRoot_(localRoot), sharedRoot_(sharedRoot), messages_(messages)
{
    setObjectName(QStringLiteral("CopForm"));
    setWindowTitle(kCopyCaption);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    for (const char* line : {"ローカル/共有間の工事データや環境などを双方向に複写します。",
                             "「工事データ」「マスタ」は他のユーザーが共有で使用している場合", "は複写できません。"})
        layout->addWidget(new QLabel(QString::fromUtf8(line)));

    auto* grid = new QGridLayout;
    auto makeList = [this](const char* name) {
        auto* l = new QListWidget;
        l->setObjectName(QLatin1String(name));
        l->setSelectionMode(QAbstractItemView::ExtendedSelection);
        return l;
    };
    local_ = makeList("ListBox_Local");
    shared_ = makeList("ListBox_Common");
    auto* localCaption = new QLabel(QStringLiteral("ローカルフォルダ(&L)"));
    localCaption->setBuddy(local_);
    auto* sharedCaption = new QLabel(QStringLiteral("共有フォルダ(&C)"));
    sharedCaption->setBuddy(shared_);
    localPath_ = new QLabel;
    sharedPath_ = new QLabel;
    for (QLabel* l : {localPath_, sharedPath_})
        l->setMinimumWidth(200);
    auto* toShared = new QPushButton(QStringLiteral("ローカルから共有へ"));
    toShared->setObjectName(QStringLiteral("Button_ToCommon"));
    auto* toLocal = new QPushButton(QStringLiteral("共有からローカルへ"));
    toLocal->setObjectName(QStringLiteral("Button_ToLocal"));
    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(toShared);
    middle->addWidget(toLocal);
    middle->addStretch(1);
    grid->addWidget(localCaption, 0, 0);
    grid->addWidget(sharedCaption, 0, 2);
    grid->addWidget(localPath_, 1, 0);
    grid->addWidget(sharedPath_, 1, 2);
    grid->addWidget(local_, 2, 0);
    grid->addLayout(middle, 2, 1);
    grid->addWidget(shared_, 2, 2);
    layout->addLayout(grid, 1);

    auto* kindRow = new QHBoxLayout;
    kinds_ = new QButtonGroup(this);
    kinds_->setExclusive(true);
    const CopyKind all[] = {CopyKind::Data, CopyKind::Master, CopyKind::UserFiles, CopyKind::Template, CopyKind::Format};
    for (CopyKind k : all) {
        auto* b = new QPushButton(copyKindCaption(k));
        b->setObjectName(QStringLiteral("Button_Kind%1").arg(int(k)));
        b->setCheckable(true);
        kinds_->addButton(b, int(k));
        kindRow->addWidget(b);
    }
    kinds_->button(int(CopyKind::Data))->setChecked(true);
    layout->addLayout(kindRow);

    bar_ = new QProgressBar;
    bar_->setObjectName(QStringLiteral("ProgressBar"));
    bar_->hide();
    layout->addWidget(bar_);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    auto* close = new QPushButton(QStringLiteral("閉じる(&C)"));
    close->setObjectName(QStringLiteral("Button_Close"));
    closeRow->addWidget(close);
    layout->addLayout(closeRow);

    connect(kinds_, &QButtonGroup::idClicked, this, [this](int id) { setKind(CopyKind(id)); });
    connect(toShared, &QPushButton::clicked, this, [this] { copy(true); });
    connect(toLocal, &QPushButton::clicked, this, [this] { copy(false); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    fillLists();
}

bool TCopForm::execute(const QString& localRoot, const QString& sharedRoot, Messages& messages, QWidget* parent)
{
    if (const std::optional<QString> problem = copyFoldersProblem(localRoot, sharedRoot)) {
        messages.information(*problem);
        return false;
    }
    TCopForm form(localRoot, sharedRoot, messages, parent);
    form.adjustSize();
    // Centred across, at 1/2.5 of the free height.
    if (QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        form.move(free.x() + (free.width() - form.width()) / 2, free.y() + int((free.height() - form.height()) / 2.5));
    }
    form.exec();
    return true;
}

QPushButton* TCopForm::button(const QString& objectName) const { return findChild<QPushButton*>(objectName); }

void TCopForm::setKind(CopyKind kind)
{
    kind_ = kind;
    if (QAbstractButton* b = kinds_->button(int(kind)))
        b->setChecked(true);
    fillLists();
}

void TCopForm::fill(QListWidget* list, QLabel* label, const QString& folder)
{
    list->clear();
    list->addItems(copyEntries(folder, kind_));
    if (list->count() > 0)
        list->item(0)->setSelected(true);
    // The path shortened from the right to fit its label.
    label->setText(QFontMetrics(label->font()).elidedText(folder, Qt::ElideRight, std::max(200, label->width())));
    label->setToolTip(folder);
}

void TCopForm::fillLists()
{
    fill(local_, localPath_, copyKindFolder(localRoot_, kind_));
    fill(shared_, sharedPath_, copyKindFolder(sharedRoot_, kind_));
}

void TCopForm::copy(bool fromLocal)
{
    QListWidget* list = fromLocal ? local_ : shared_;
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected())
            names << list->item(i)->text();
    if (names.isEmpty())
        return;
    FormProgress progress(bar_);
    const QString from = copyKindFolder(fromLocal ? localRoot_ : sharedRoot_, kind_);
    const QString to = copyKindFolder(fromLocal ? sharedRoot_ : localRoot_, kind_);
    copySelected(kind_, from, to, fromLocal, names, messages_, progress);
    bar_->hide();
    fillLists();
}

}  // namespace zb
