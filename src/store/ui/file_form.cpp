#include "store/ui/file_form.h"

#include "core/ports.h"
#include "store/ui/new_form.h"

#include <QCloseEvent>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace zb {
namespace {

// The two row icons: a job, and the job that is open now.
QIcon jobIcon(bool open)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.setBrush(open ? QColor(255, 200, 0) : QColor(230, 230, 230));
    p.drawRect(2, 1, 11, 13);
    p.drawLine(4, 5, 11, 5);
    p.drawLine(4, 8, 11, 8);
    if (open) {
        p.setBrush(QColor(0, 128, 0));
        p.drawEllipse(9, 9, 6, 6);
    }
    return QIcon(pm);
}

// The list, with the width its cells want open to the form.
class JobListView : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    using QTableWidget::sizeHintForColumn;
};

}  // namespace

TFileForm::TFileForm(const Folders& folders, Messages& messages, QWidget* parent)
    : QDialog(parent), folders_(folders), messages_(messages)
{
    setObjectName(QStringLiteral("FileForm"));
    setWindowTitle(kJobListCaption);
    resize(860, 420);
    auto* layout = new QVBoxLayout(this);
    list_ = new JobListView(0, 6);
    list_->setObjectName(QStringLiteral("ListView_File"));
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(true);
    list_->verticalHeader()->hide();
    list_->setWordWrap(false);
    // The other columns fit their contents (and captions); 名称 takes the room
    // left, never less than 300 pixels nor less than its longest name. When
    // that does not fit, the list scrolls sideways instead of cutting a text.
    QHeaderView* header = list_->horizontalHeader();
    header->setSectionsClickable(true);
    header->setMinimumSectionSize(40);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    for (int c = 1; c < 6; ++c)
        header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    list_->setColumnWidth(0, kNameColumnMinWidth);
    list_->viewport()->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, [this](int column) {
        if (column != 0)
            fitNameColumn();
    });
    layout->addWidget(list_, 1);

    auto* row = new QHBoxLayout;
    auto add = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption);
        b->setObjectName(QLatin1String(name));
        row->addWidget(b);
        return b;
    };
    execute_ = add("Button_Run", QStringLiteral("実行(&R)"));
    new_ = add("Button_New", QStringLiteral("新規(&N)"));
    delete_ = add("Button_Delete", QStringLiteral("削除(&D)"));
    rename_ = add("Button_Rename", QStringLiteral("変更(&R)"));
    restore_ = add("Button_Restore", QStringLiteral("バックアップから読込(&R)"));
    copy_ = add("Button_Copy", QStringLiteral("複写(&O)"));
    row->addStretch(1);
    close_ = add("Button_Close", QStringLiteral("終了(&X)"));
    layout->addLayout(row);
    // Restoring and copying work once their commands are given (choose()).
    restore_->setEnabled(false);
    copy_->setEnabled(false);
    copy_->setVisible(false);
    execute_->setDefault(true);

    enableTimer_.setSingleShot(true);
    enableTimer_.setInterval(50);
    connect(&enableTimer_, &QTimer::timeout, this, &TFileForm::updateButtons);
    connect(list_, &QTableWidget::itemSelectionChanged, this, [this] { enableTimer_.start(); });
    connect(list_, &QTableWidget::cellDoubleClicked, this, [this] { execute(); });
    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) { sortBy(c + 1); });
    connect(execute_, &QPushButton::clicked, this, &TFileForm::execute);
    connect(new_, &QPushButton::clicked, this, &TFileForm::newJob);
    connect(delete_, &QPushButton::clicked, this, &TFileForm::deleteSelected);
    connect(rename_, &QPushButton::clicked, this, &TFileForm::renameSelected);
    connect(close_, &QPushButton::clicked, this, &TFileForm::reject);
    connect(restore_, &QPushButton::clicked, this, [this] {
        if (!restoreJob)
            return;
        if (const std::optional<QString> name = restoreJob()) {
            choice_ = JobChoice{*name, {}};
            accept();
        }
    });
    connect(copy_, &QPushButton::clicked, this, [this] {
        if (copyJobs)
            copyJobs();
    });

    askNewJob = [this]() -> std::optional<JobChoice> {
        TNewForm form(folders_.dataFile, folders_.templateDir, messages_, this);
        if (form.exec() != QDialog::Accepted)
            return std::nullopt;
        return JobChoice{form.jobName(), form.templateName()};
    };
    updateHeader();
    fill();
}

QPushButton* TFileForm::button(const QString& objectName) const { return findChild<QPushButton*>(objectName); }

bool TFileForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == list_->viewport() && event->type() == QEvent::Resize)
        fitNameColumn();
    return QDialog::eventFilter(watched, event);
}

void TFileForm::fitNameColumn()
{
    QHeaderView* header = list_->horizontalHeader();
    int others = 0;
    for (int c = 1; c < list_->columnCount(); ++c)
        others += header->sectionSize(c);
    const int content = std::max(static_cast<JobListView*>(list_)->sizeHintForColumn(0), header->sectionSizeHint(0));
    const int width = std::max({kNameColumnMinWidth, content, list_->viewport()->width() - others});
    if (header->sectionSize(0) != width)
        header->resizeSection(0, width);
}

void TFileForm::setOpenJob(const QString& name)
{
    openJob_ = name;
    close_->setText(name.isEmpty() ? QStringLiteral("終了(&X)") : QStringLiteral("閉じる(&C)"));
    fill(name);
}

void TFileForm::setDataSort(int dataSort)
{
    dataSort_ = dataSort == 0 ? 1 : dataSort;
    updateHeader();
    fill(selectedName());
}

void TFileForm::setCloseEnabled(bool on)
{
    closeEnabled_ = on;
    close_->setEnabled(on);
}

void TFileForm::updateHeader()
{
    for (int c = 1; c <= 6; ++c)
        list_->setHorizontalHeaderItem(c - 1, new QTableWidgetItem(jobColumnCaption(c, dataSort_)));
    fitNameColumn();
}

void TFileForm::fill(const QString& select)
{
    rows_ = listJobs(folders_.dataFile);
    sortJobRows(rows_, dataSort_);
    list_->setRowCount(0);
    list_->setRowCount(static_cast<int>(rows_.size()));
    int chosen = rows_.isEmpty() ? -1 : 0;
    const QString wanted = select.isEmpty() ? openJob_ : select;
    for (int r = 0; r < rows_.size(); ++r) {
        const JobRow& j = rows_[r];
        for (int c = 1; c <= 6; ++c) {
            auto* item = new QTableWidgetItem(j.column(c));
            if (c == 1)
                item->setIcon(jobIcon(j.name == openJob_));
            list_->setItem(r, c - 1, item);
        }
        if (j.name == wanted)
            chosen = r;
    }
    fitNameColumn();
    if (chosen >= 0) {
        list_->selectRow(chosen);
        list_->scrollToItem(list_->item(chosen, 0));
    }
    updateButtons();
}

QString TFileForm::selectedName() const
{
    const QList<QTableWidgetItem*> sel = list_->selectedItems();
    if (sel.isEmpty())
        return {};
    const int r = sel.first()->row();
    return r >= 0 && r < rows_.size() ? rows_[r].name : QString();
}

void TFileForm::updateButtons()
{
    const QString name = selectedName();
    execute_->setEnabled(!name.isEmpty());
    // The open job can be neither deleted nor renamed here.
    const bool other = !name.isEmpty() && name != openJob_;
    delete_->setEnabled(other);
    rename_->setEnabled(other);
}

void TFileForm::sortBy(int column)
{
    const QString keep = selectedName();
    dataSort_ = nextDataSort(dataSort_, column);
    updateHeader();
    fill(keep);
}

std::optional<JobChoice> TFileForm::choose(const QString& current)
{
    choice_.reset();
    restore_->setEnabled(bool(restoreJob));
    copy_->setVisible(bool(copyJobs));
    copy_->setEnabled(bool(copyJobs));
    fill(current);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    return choice_;
}

void TFileForm::execute()
{
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    choice_ = JobChoice{name, {}};
    accept();
}

void TFileForm::newJob()
{
    if (!askNewJob)
        return;
    if (std::optional<JobChoice> c = askNewJob()) {
        choice_ = c;
        accept();
    }
}

void TFileForm::deleteSelected()
{
    updateButtons();
    if (!delete_->isEnabled())
        return;
    const QString name = selectedName();
    const int row = list_->currentRow();
    if (deleteJob(folders_.dataFile, name, messages_) != JobDeleteResult::Deleted)
        return;
    fill();
    // The next row, or the last one.
    if (list_->rowCount() > 0)
        list_->selectRow(std::min(row, list_->rowCount() - 1));
    updateButtons();
}

void TFileForm::renameSelected()
{
    updateButtons();
    if (!rename_->isEnabled())
        return;
    if (const std::optional<QString> renamed = renameJob(folders_.dataFile, selectedName(), messages_))
        fill(*renamed);
}

void TFileForm::reject()
{
    if (!closeEnabled_)
        return;
    QDialog::reject();
}

void TFileForm::closeEvent(QCloseEvent* e)
{
    if (!closeEnabled_) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

}  // namespace zb
