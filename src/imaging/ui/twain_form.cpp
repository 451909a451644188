#include "imaging/ui/twain_form.h"

#include "core/ports.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zb {

// ---------------------------------------------------------------- device options

TScanOptionsDialog::TScanOptionsDialog(ScanDevice& device, bool closeAfterAcquire, QWidget* parent)
    : QDialog(parent), device_(device), closeAfter_(closeAfterAcquire)
{
    setWindowTitle(device.name());
    auto* layout = new QVBoxLayout(this);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    layout->addWidget(scroll, 1);
    body_ = new QWidget;
    scroll->setWidget(body_);
    form_ = new QFormLayout(body_);
    auto* buttons = new QHBoxLayout;
    acquireButton = new QPushButton(QStringLiteral("取込(&S)"), this);
    closeButton = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    acquireButton->setObjectName(QStringLiteral("acquireButton"));
    buttons->addStretch();
    buttons->addWidget(acquireButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(acquireButton, &QPushButton::clicked, this, [this] {
        acquireButton->setEnabled(false);
        closeButton->setEnabled(false);
        // The device is busy on the worker thread: its options wait.
        body_->setEnabled(false);
        acquiring_ = true;
        if (acquire)
            acquire();
        acquiring_ = false;
        body_->setEnabled(true);
        acquireButton->setEnabled(true);
        closeButton->setEnabled(true);
        if (closeAfter_)
            accept();
        else
            reload();
    });
    resize(420, 480);
    reload();
}

void TScanOptionsDialog::reject()
{
    if (acquiring_) {
        if (stop)
            stop();
        return;
    }
    QDialog::reject();
}

QWidget* TScanOptionsDialog::control(const QString& optionName) const
{
    return body_->findChild<QWidget*>(optionName);
}

void TScanOptionsDialog::reload()
{
    while (form_->rowCount() > 0)
        form_->removeRow(0);
    // Changing one option may change others: the controls are rebuilt after
    // each change, once the change's signal has returned.
    auto changed = [this](const QString& name, const QVariant& v) {
        device_.setOption(name, v);
        QMetaObject::invokeMethod(this, [this] { reload(); }, Qt::QueuedConnection);
    };
    for (const ScanOption& o : device_.options()) {
        if (o.kind == ScanOption::Group) {
            auto* title = new QLabel(QStringLiteral("<b>%1</b>").arg(o.title.toHtmlEscaped()));
            form_->addRow(title);
            continue;
        }
        if (!o.active || o.count != 1 || o.name.isEmpty())
            continue;
        QWidget* w = nullptr;
        if (o.kind == ScanOption::Bool) {
            auto* box = new QCheckBox;
            box->setChecked(o.value.toBool());
            connect(box, &QCheckBox::toggled, this, [changed, n = o.name](bool on) { changed(n, on); });
            w = box;
        } else if (o.kind == ScanOption::Button) {
            auto* b = new QPushButton(o.title);
            connect(b, &QPushButton::clicked, this, [this, n = o.name] {
                device_.pressOption(n);
                QMetaObject::invokeMethod(this, [this] { reload(); }, Qt::QueuedConnection);
            });
            w = b;
        } else if (o.kind == ScanOption::String && o.limit == ScanOption::List) {
            auto* combo = new QComboBox;
            combo->addItems(o.strings);
            combo->setCurrentText(o.value.toString());
            connect(combo, &QComboBox::currentTextChanged, this, [changed, n = o.name](const QString& t) { changed(n, t); });
            w = combo;
        } else if (o.kind == ScanOption::String) {
            auto* edit = new QLineEdit(o.value.toString());
            connect(edit, &QLineEdit::editingFinished, this, [changed, edit, n = o.name] { changed(n, edit->text()); });
            w = edit;
        } else if (o.limit == ScanOption::List) {
            auto* combo = new QComboBox;
            for (double v : o.numbers)
                combo->addItem(QString::number(v), v);
            combo->setCurrentIndex(int(o.numbers.indexOf(o.value.toDouble())));
            connect(combo, &QComboBox::activated, this,
                    [changed, combo, n = o.name](int i) { changed(n, combo->itemData(i)); });
            w = combo;
        } else {
            auto* spin = new QDoubleSpinBox;
            spin->setDecimals(o.kind == ScanOption::Fixed ? 2 : 0);
            spin->setRange(o.limit == ScanOption::Range ? o.min : -1e9, o.limit == ScanOption::Range ? o.max : 1e9);
            if (o.quant > 0)
                spin->setSingleStep(o.quant);
            spin->setValue(o.value.toDouble());
            spin->setKeyboardTracking(false);
            connect(spin, &QDoubleSpinBox::valueChanged, this, [changed, n = o.name](double v) { changed(n, v); });
            w = spin;
        }
        w->setObjectName(o.name);
        w->setToolTip(o.description);
        w->setEnabled(o.settable);
        form_->addRow(o.kind == ScanOption::Button ? QString() : o.title, w);
    }
}

QString chooseScanDevice(QWidget* parent, const QString& current)
{
    QDialog d(parent);
    d.setWindowTitle(QStringLiteral("TWAIN機器の選択"));
    auto* layout = new QVBoxLayout(&d);
    auto* list = new QListWidget(&d);
    layout->addWidget(list);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QList<ScanDeviceInfo> devices = listScanDevices();
    QApplication::restoreOverrideCursor();
    for (const ScanDeviceInfo& dev : devices) {
        auto* item = new QListWidgetItem(QStringLiteral("%1 %2 (%3)").arg(dev.vendor, dev.model, dev.name), list);
        item->setData(Qt::UserRole, dev.name);
        if (dev.name == current)
            list->setCurrentItem(item);
    }
    if (!list->currentItem() && list->count() > 0)
        list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &d, &QDialog::accept);
    if (d.exec() != QDialog::Accepted || !list->currentItem())
        return {};
    return list->currentItem()->data(Qt::UserRole).toString();
}

// ---------------------------------------------------------------- the dialog

TTwainForm::TTwainForm(Messages& messages, QWidget* parent) : QDialog(parent), messages_(messages)
{
    setWindowTitle(kScanPhotoCaption);
    auto* layout = new QVBoxLayout(this);

    auto* source = new QHBoxLayout;
    PL_Name = new QLabel(this);
    PL_Name->setFrameShape(QFrame::StyledPanel);
    PL_Name->setMinimumWidth(240);
    BT_Change = new QPushButton(QStringLiteral("変更"), this);
    source->addWidget(new QLabel(QStringLiteral("TWAIN機器"), this));
    source->addWidget(PL_Name, 1);
    source->addWidget(BT_Change);
    layout->addLayout(source);

    auto* top = new QFormLayout;
    ComboBox_User = new QComboBox(this);
    ComboBox_User->addItems(scanModeCaptions());
    top->addRow(QStringLiteral("取込モード"), ComboBox_User);
    layout->addLayout(top);

    auto* scan = new QGroupBox(this);
    auto* form = new QFormLayout(scan);
    ComboBox_Paper = new QComboBox(scan);
    for (const ScanPaper& p : scanPapers())
        ComboBox_Paper->addItem(p.caption);
    ComboBox_Orient = new QComboBox(scan);
    ComboBox_Orient->addItems({QStringLiteral("縦"), QStringLiteral("横")});
    auto* paperRow = new QHBoxLayout;
    paperRow->addWidget(ComboBox_Paper, 1);
    paperRow->addWidget(ComboBox_Orient);
    form->addRow(QStringLiteral("用紙"), paperRow);

    CB_Fuchi = new QCheckBox(QStringLiteral("ふち(mm)"), scan);
    ComboEdit_Fuchi = new QSpinBox(scan);
    ComboEdit_Fuchi->setRange(0, 20);
    auto* marginRow = new QHBoxLayout;
    marginRow->addWidget(CB_Fuchi);
    marginRow->addWidget(ComboEdit_Fuchi);
    marginRow->addStretch();
    form->addRow(QString(), marginRow);

    auto* feeder = new QHBoxLayout;
    RadioGroup_Kyusi = new QButtonGroup(this);
    auto* flatbed = new QRadioButton(QStringLiteral("原稿台"), scan);
    auto* other = new QRadioButton(QStringLiteral("その他"), scan);
    RadioGroup_Kyusi->addButton(flatbed, 0);
    RadioGroup_Kyusi->addButton(other, 1);
    feeder->addWidget(flatbed);
    feeder->addWidget(other);
    feeder->addStretch();
    form->addRow(QStringLiteral("給紙方法"), feeder);

    Edit_Res = new QComboBox(scan);
    Edit_Res->setEditable(true);
    for (int dpi : scanDpiChoices())
        Edit_Res->addItem(QString::number(dpi));
    Edit_Res->lineEdit()->setValidator(new QIntValidator(1, 99999, Edit_Res));
    form->addRow(QStringLiteral("解像度 DPI"), Edit_Res);
    Edit_Bright = new QSpinBox(scan);
    Edit_Bright->setRange(-1000, 1000);
    form->addRow(QStringLiteral("ブライトネス"), Edit_Bright);
    Edit_Cont = new QSpinBox(scan);
    Edit_Cont->setRange(-1000, 1000);
    form->addRow(QStringLiteral("コントラスト"), Edit_Cont);
    layout->addWidget(scan);

    Memo = new QPlainTextEdit(this);
    Memo->setReadOnly(true);
    Memo->setPlainText(QString(kScanNotes).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    Memo->setMaximumHeight(110);
    layout->addWidget(Memo);

    auto* bottom = new QHBoxLayout;
    PL_Mai = new QLabel(this);
    PL_Mai->setObjectName(QStringLiteral("PL_Mai"));
    PL_Mai->setFrameShape(QFrame::StyledPanel);
    PL_Mai->setMinimumWidth(60);
    PL_Mai->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    BT_Run = new QPushButton(QStringLiteral("取込実行(&R)"), this);
    BT_Stop = new QPushButton(QStringLiteral("中止"), this);
    BT_Close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    BT_Run->setDefault(true);
    BT_Stop->setEnabled(false);
    bottom->addWidget(PL_Mai);
    bottom->addStretch();
    bottom->addWidget(BT_Run);
    bottom->addWidget(BT_Stop);
    bottom->addWidget(BT_Close);
    layout->addLayout(bottom);

    chooseDevice = [this](const QString& current) { return chooseScanDevice(this, current); };
    deviceDialog = [this](ScanDevice& device, bool closeAfter, const std::function<void()>& run) {
        TScanOptionsDialog d(device, closeAfter, this);
        d.acquire = run;
        d.stop = [this] { stop(); };
        d.exec();
    };

    connect(ComboBox_User, &QComboBox::currentIndexChanged, this, [this] { updateEnabled(); });
    connect(CB_Fuchi, &QCheckBox::toggled, this, [this] { updateEnabled(); });
    connect(Edit_Res->lineEdit(), &QLineEdit::editingFinished, this, [this] { normalizeDpi(); });
    connect(BT_Run, &QPushButton::clicked, this, [this] { acquire(); });
    connect(BT_Stop, &QPushButton::clicked, this, [this] { stop(); });
    connect(BT_Close, &QPushButton::clicked, this, [this] {
        normalizeDpi();
        closedWithClose_ = true;
        accept();
    });
    connect(BT_Change, &QPushButton::clicked, this, [this] { changeDevice(); });
    loadSettings(ScanSettings{});
}

TTwainForm::~TTwainForm() = default;

void TTwainForm::setTarget(bool drawing)
{
    drawing_ = drawing;
    setWindowTitle(drawing ? kScanDrawingCaption : kScanPhotoCaption);
    PL_Mai->clear();
    closedWithClose_ = false;
}

void TTwainForm::loadSettings(const ScanSettings& in)
{
    const ScanSettings s = clampedScanSettings(in);
    ComboBox_User->setCurrentIndex(s.mode);
    ComboBox_Paper->setCurrentIndex(s.paper);
    ComboBox_Orient->setCurrentIndex(s.orient);
    CB_Fuchi->setChecked(s.marginOn);
    ComboEdit_Fuchi->setValue(s.margin);
    RadioGroup_Kyusi->button(s.feeder)->setChecked(true);
    Edit_Res->setCurrentText(QString::number(s.dpi));
    Edit_Bright->setValue(s.brightness);
    Edit_Cont->setValue(s.contrast);
    updateEnabled();
}

ScanSettings TTwainForm::settings() const
{
    ScanSettings s;
    s.mode = ComboBox_User->currentIndex();
    s.paper = ComboBox_Paper->currentIndex();
    s.orient = ComboBox_Orient->currentIndex();
    s.marginOn = CB_Fuchi->isChecked();
    s.margin = ComboEdit_Fuchi->value();
    s.feeder = std::max(0, RadioGroup_Kyusi->checkedId());
    s.dpi = normalizedDpi(Edit_Res->currentText().toInt());
    s.brightness = Edit_Bright->value();
    s.contrast = Edit_Cont->value();
    return clampedScanSettings(s);
}

void TTwainForm::normalizeDpi()
{
    const int typed = Edit_Res->currentText().toInt();
    if (typed < 72)
        Edit_Res->setCurrentText(QStringLiteral("72"));
}

void TTwainForm::setDeviceName(const QString& name)
{
    if (name != deviceName_)
        device_.reset();
    deviceName_ = name;
    PL_Name->setText(name);
}

void TTwainForm::updateEnabled()
{
    const bool idle = !running_;
    const bool noDialog = ComboBox_User->currentIndex() == kScanModeNoDialog;
    for (QWidget* w : std::initializer_list<QWidget*>{ComboBox_Paper, ComboBox_Orient, CB_Fuchi, Edit_Res, Edit_Bright,
                                                      Edit_Cont, RadioGroup_Kyusi->button(0),
                                                      RadioGroup_Kyusi->button(1)})
        w->setEnabled(noDialog && idle);
    ComboEdit_Fuchi->setEnabled(noDialog && CB_Fuchi->isChecked() && idle);
    ComboBox_User->setEnabled(idle);
    BT_Run->setEnabled(idle);
    BT_Close->setEnabled(idle);
    BT_Change->setEnabled(idle);
    BT_Stop->setEnabled(running_);
}

void TTwainForm::changeDevice()
{
    if (!chooseDevice)
        return;
    const QString chosen = chooseDevice(deviceName_);
    if (!chosen.isEmpty())
        setDeviceName(chosen);
}

void TTwainForm::acquire()
{
    if (running_)
        return;
    pages_ = 0;
    PL_Mai->setText(scanPageCount(0));
    normalizeDpi();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    running_ = true;
    updateEnabled();
    if (!device_) {
        QString error;
        device_ = ScanDevice::open(deviceName_, &error);
    }
    const ScanSettings s = settings();
    if (!device_) {
        QApplication::restoreOverrideCursor();
        messages_.error(kScanError);
    } else if (s.mode == kScanModeNoDialog) {
        ApplyScanSettings(*device_, s, messages_);
        runPages();
        QApplication::restoreOverrideCursor();
    } else {
        // The device dialog waits for the user: the normal cursor meanwhile.
        QApplication::restoreOverrideCursor();
        deviceDialog(*device_, s.mode == kScanModeDialogClose, [this] {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            runPages();
            QApplication::restoreOverrideCursor();
        });
    }
    running_ = false;
    updateEnabled();
}

void TTwainForm::runPages()
{
    if (!device_)
        return;
    stop_ = false;
    ScanRunControl control;
    control.pump = [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 20); };
    control.stop = &stop_;
    // In mode 0 the device dialog may acquire several times: the counter
    // goes on from the pages of the earlier runs.
    const int before = pages_;
    control.counted = [this, before](int n) {
        pages_ = before + n;
        PL_Mai->setText(scanPageCount(pages_));
    };
    auto import = [this](const QString& file) { return importFile ? importFile(file, drawing_) : false; };
    const ScanRunResult r = RunScan(*device_, tempFolder, import, messages_, control);
    // A device that failed may be gone: it is opened afresh next time.
    if (r.deviceError)
        device_.reset();
}

void TTwainForm::keyPressEvent(QKeyEvent* e)
{
    if (running_ && e->key() == Qt::Key_Escape) {
        stop();
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TTwainForm::closeEvent(QCloseEvent* e)
{
    if (running_) {
        stop();
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

void TTwainForm::reject()
{
    if (running_) {
        stop();
        return;
    }
    QDialog::reject();
}

}  // namespace zb
