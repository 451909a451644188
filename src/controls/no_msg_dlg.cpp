#include "controls/no_msg_dlg.h"

#include "controls/accent.h"
#include "controls/message_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QHash>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace zb {
namespace {
QSet<QString>& silencedKeys()
{
    static QSet<QString> keys;
    return keys;
}
QHash<QString, TNoMsgDlg*>& noticesByKey()
{
    static QHash<QString, TNoMsgDlg*> notices;
    return notices;
}
}  // namespace

TNoMsgDlg::TNoMsgDlg(QString key, QString message, QString detail, QObject* parent)
    : QObject(parent), key_(std::move(key)), message_(std::move(message)), detail_(std::move(detail))
{
    setObjectName(key_);
    if (!noticesByKey().contains(key_))
        noticesByKey().insert(key_, this);
}

TNoMsgDlg::~TNoMsgDlg()
{
    auto it = noticesByKey().find(key_);
    if (it != noticesByKey().end() && it.value() == this)
        noticesByKey().erase(it);
}

TNoMsgDlg* TNoMsgDlg::find(const QString& key) { return noticesByKey().value(key, nullptr); }

bool TNoMsgDlg::isSilenced(const QString& key) { return silencedKeys().contains(key); }

void TNoMsgDlg::setSilenced(const QString& key, bool on)
{
    if (on)
        silencedKeys().insert(key);
    else
        silencedKeys().remove(key);
}

bool TNoMsgDlg::execute(QWidget* parent)
{
    if (silenced())
        return false;
    TNoMsgForm form(text(), parent ? parent : QApplication::activeWindow());
    form.exec();
    if (form.silenceBox()->isChecked())
        setSilenced(key_, true);
    return true;
}

TNoMsgForm::TNoMsgForm(const QString& text, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TNoMsgForm"));
    setWindowTitle(QStringLiteral("情報"));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, dialogAccentColor());
    setPalette(pal);
    setAutoFillBackground(true);

    auto* icon = new QLabel(this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    text_ = new QLabel(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    text_->setTextFormat(Qt::PlainText);
    silence_ = new QCheckBox(kNoMsgSilenceCaption, this);
    auto* ok = new QPushButton(kOkCaption, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(8);
    top->addWidget(text_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(silence_);
    bottom->addStretch();
    bottom->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(10);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace zb
