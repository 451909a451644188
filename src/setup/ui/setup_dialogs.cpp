#include "setup/ui/setup_dialogs.h"

#include "setup/backdrop.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

namespace zbsetup {
namespace {

// Message boxes with the captions of the platform's Japanese boxes.
int runBox(QMessageBox::Icon icon, const QString& caption, const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, caption, text, buttons);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    const std::pair<QMessageBox::StandardButton, const char*> captions[] = {
        {QMessageBox::Ok, "OK"}, {QMessageBox::Cancel, "キャンセル"},
        {QMessageBox::Yes, "はい(&Y)"}, {QMessageBox::No, "いいえ(&N)"}};
    for (const auto& [b, c] : captions)
        if (QAbstractButton* button = box.button(b))
            button->setText(QString::fromUtf8(c));
    return box.exec();
}

QRect screenArea(const QWidget* w)
{
    QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

// ---- backdrop

BackdropWindow::BackdropWindow(bool bands, QString title, QWidget* parent)
    : QWidget(parent), bands_(bands), title_(std::move(title))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void BackdropWindow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintBackdrop(p, size(), bands_, title_);
}

// ---- main dialog

MainDialog::MainDialog(const QString& caption, const QString& prompt, const QString& hint, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(caption);
    auto* promptLabel = new QLabel(prompt);
    folder_ = new QLineEdit;
    folder_->setMinimumWidth(360);
    browse_ = new QPushButton(QStringLiteral("参照..."));
    auto* hintLabel = new QLabel(hint);
    back_ = new QPushButton(QStringLiteral("< 戻る"));
    back_->setEnabled(false);
    run_ = new QPushButton(QStringLiteral("実行"));
    run_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));

    auto* field = new QHBoxLayout;
    field->addWidget(folder_, 1);
    field->addWidget(browse_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(back_);
    buttons->addWidget(run_);
    buttons->addSpacing(12);
    buttons->addWidget(cancel_);
    auto* box = new QVBoxLayout(this);
    box->addWidget(promptLabel);
    box->addLayout(field);
    box->addSpacing(8);
    box->addWidget(hintLabel);
    box->addSpacing(8);
    box->addLayout(buttons);

    connect(run_, &QPushButton::clicked, this, &MainDialog::runClicked);
    connect(cancel_, &QPushButton::clicked, this, &MainDialog::cancelClicked);
    connect(browse_, &QPushButton::clicked, this, &MainDialog::browseClicked);
}

void MainDialog::reject()
{
    emit cancelClicked();
}

void MainDialog::placeOnScreen()
{
    adjustSize();
    const QRect area = screenArea(this);
    const int x = area.x() + (area.width() - width()) / 2;
    const int y = area.y() + static_cast<int>((area.height() - height()) / 2.5);
    move(x, y);
}

// ---- browse dialog

BrowseDialog::BrowseDialog(const QString& start, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ドライブの参照"));
    panel_ = new QLabel;
    panel_->setFrameShape(QFrame::Panel);
    panel_->setFrameShadow(QFrame::Sunken);
    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath(QStringLiteral("/"));
    tree_ = new QTreeView;
    tree_->setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c)
        tree_->hideColumn(c);
    tree_->header()->hide();
    tree_->setMinimumSize(360, 300);
    set_ = new QPushButton(QStringLiteral("設定(&S)"));
    set_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ(&C)"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(set_);
    buttons->addWidget(cancel_);
    auto* box = new QVBoxLayout(this);
    box->addWidget(panel_);
    box->addWidget(tree_, 1);
    box->addLayout(buttons);

    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& i) { panel_->setText(model_->filePath(i)); });
    connect(set_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    // Start at the nearest existing folder of the current one.
    const QModelIndex at = model_->index(existingAncestor(start));
    if (at.isValid()) {
        tree_->setCurrentIndex(at);
        tree_->scrollTo(at);
    }
    panel_->setText(model_->filePath(tree_->currentIndex()));
}

QString BrowseDialog::selectedPath() const
{
    return panel_->text();
}

std::optional<QString> BrowseDialog::choose(const QString& start, QWidget* parent)
{
    BrowseDialog d(start, parent);
    d.adjustSize();
    const QRect area = screenArea(&d);
    d.move(area.x() + (area.width() - d.width()) / 2, area.y() + area.height() / 4);
    if (d.exec() != QDialog::Accepted || d.selectedPath().isEmpty())
        return std::nullopt;
    return d.selectedPath();
}

// ---- progress dialog

ProgressDialog::ProgressDialog(const QString& caption, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(caption);
    source_ = new QLabel(QStringLiteral("インストール元: "));
    target_ = new QLabel(QStringLiteral("インストール先: "));
    for (QLabel* l : {source_, target_}) {
        l->setMinimumWidth(420);
        l->setTextFormat(Qt::PlainText);
    }
    bar_ = new QProgressBar;
    bar_->setTextVisible(false);
    auto* box = new QVBoxLayout(this);
    box->addWidget(source_);
    box->addWidget(target_);
    box->addWidget(bar_);
}

void ProgressDialog::setFiles(const QString& source, const QString& target)
{
    source_->setText(QStringLiteral("インストール元: ") + source);
    target_->setText(QStringLiteral("インストール先: ") + target);
}

// ---- closing dialog

ClosingDialog::ClosingDialog(const QString& caption, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(caption);
    text_ = new QLabel;
    text_->setAlignment(Qt::AlignCenter);
    text_->setMinimumWidth(280);
    ok_ = new QPushButton(QStringLiteral("了解"));
    ok_->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addStretch(1);
    auto* box = new QVBoxLayout(this);
    box->addWidget(text_);
    box->addSpacing(8);
    box->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
}

void ClosingDialog::setText(const QString& text)
{
    text_->setText(text);
}

// ---- port

WidgetSetupPort::WidgetSetupPort(QString caption, ProgressDialog* progress, BackdropWindow* backdrop)
    : caption_(std::move(caption)), progress_(progress), backdrop_(backdrop)
{
}

void WidgetSetupPort::error(const QString& text)
{
    QApplication::beep();
    runBox(QMessageBox::Critical, caption_, text, QMessageBox::Ok);
}

bool WidgetSetupPort::okCancel(const QString& text)
{
    return runBox(QMessageBox::Information, caption_, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

bool WidgetSetupPort::yesNo(const QString& text)
{
    return runBox(QMessageBox::Question, caption_, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void WidgetSetupPort::progressStart(int maximum)
{
    progress_->bar()->setRange(0, maximum);
    progress_->bar()->setValue(0);
    progress_->show();
    QCoreApplication::processEvents();
}

void WidgetSetupPort::progressFiles(const QString& source, const QString& target)
{
    progress_->setFiles(source, target);
    QCoreApplication::processEvents();
}

void WidgetSetupPort::progressStep()
{
    progress_->bar()->setValue(progress_->bar()->value() + 1);
    QCoreApplication::processEvents();
}

void WidgetSetupPort::progressEnd()
{
    progress_->hide();
}

void WidgetSetupPort::pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void WidgetSetupPort::hideBackdrop()
{
    backdrop_->hide();
}

// ---- controller

SetupController::SetupController(const SetupConfig& config, const QString& programDir, const SetupPlatform& platform)
{
    const QString title = config.title;
    backdrop_ = new BackdropWindow(config.back != 0, backdropTitle(title, config.isUpdate()));
    backdrop_->setWindowTitle(title);
    progress_ = new ProgressDialog(title);
    closing_ = new ClosingDialog(title);
    port_ = std::make_unique<WidgetSetupPort>(QStringLiteral("ｾｯﾄｱｯﾌﾟ"), progress_, backdrop_);
    run_ = std::make_unique<SetupRun>(config, programDir, platform, *port_);
    main_ = new MainDialog(run_->caption(), SetupRun::prompt(), run_->hint());
    main_->folderEdit()->setText(run_->initialFolder());

    connect(main_, &MainDialog::runClicked, this, &SetupController::execute);
    connect(main_, &MainDialog::cancelClicked, this, &SetupController::cancel);
    connect(main_, &MainDialog::browseClicked, this, &SetupController::browse);
    connect(closing_, &QDialog::finished, this, [this] { emit finished(outcome_ == Outcome::Done ? 0 : 1); });
}

SetupController::~SetupController()
{
    delete main_;
    delete progress_;
    delete closing_;
    delete backdrop_;
}

void SetupController::start()
{
    if (!backdropShown_) {
        backdropShown_ = true;
        // Maximised: also where no window manager does it for us.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            backdrop_->setGeometry(screen->geometry());
        backdrop_->showMaximized();
    }
    main_->placeOnScreen();
    main_->show();
    main_->raise();
    main_->activateWindow();
}

void SetupController::execute()
{
    main_->hide();
    const QString field = main_->folderEdit()->text();
    switch (run_->prepare(field)) {
    case SetupRun::Check::ResetField:
        main_->folderEdit()->setText(run_->initialFolder());
        [[fallthrough]];
    case SetupRun::Check::Back:
        start();
        return;
    case SetupRun::Check::Ok:
        break;
    }
    outcome_ = run_->copyFiles(field);
    if (outcome_ == Outcome::Abort) {
        emit finished(1);
        return;
    }
    closing_->setText(outcomeText(outcome_, run_->modeWord()));
    closing_->adjustSize();
    closing_->show();
    closing_->raise();
}

void SetupController::cancel()
{
    main_->hide();
    if (runBox(QMessageBox::Question, QStringLiteral("ｾｯﾄｱｯﾌﾟ"), run_->cancelQuestion(),
               QMessageBox::Yes | QMessageBox::No)
        == QMessageBox::Yes) {
        outcome_ = Outcome::Cancelled;
        emit finished(1);
        return;
    }
    start();
}

void SetupController::browse()
{
    if (auto chosen = BrowseDialog::choose(main_->folderEdit()->text(), main_))
        main_->folderEdit()->setText(run_->folderAfterBrowse(*chosen));
}

}  // namespace zbsetup
