#include "app/single_instance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <unistd.h>

namespace zb {
namespace {
const QByteArray kRaise = QByteArrayLiteral("raise\n");
}

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), name_(name + QLatin1Char('-') + QString::number(getuid()))
{
}

SingleInstance::~SingleInstance()
{
    if (server_)
        server_->close();
    if (lock_)
        lock_->unlock();
}

QString SingleInstance::lockPath() const
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QLatin1Char('/') + name_ + QStringLiteral(".lock");
}

QString SingleInstance::serverName() const { return name_; }

bool SingleInstance::askFirstToRaise(int waitMs)
{
    // The first process may still be starting its server: keep trying until the
    // wait runs out.
    QDeadlineTimer deadline(waitMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(serverName());
        if (socket.waitForConnected(500)) {
            socket.write(kRaise);
            socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

SingleInstance::Result SingleInstance::acquire(int waitMs)
{
    lock_ = std::make_unique<QLockFile>(lockPath());
    // A lock left by a process that no longer runs is taken over at once.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        if (lock_->error() == QLockFile::LockFailedError) {
            return askFirstToRaise(waitMs) ? Result::Second : Result::TimedOut;
        }
        // The lock file cannot be made at all (no writable runtime folder):
        // run without the single-instance rule rather than not at all.
        qWarning("single instance: cannot create %s", qPrintable(lockPath()));
        lock_.reset();
    }

    server_ = new QLocalServer(this);
    QLocalServer::removeServer(serverName());  // a socket left by a crash
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (s->readAll().contains(kRaise.trimmed()))
                    emit raiseRequested();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    if (!server_->listen(serverName()))
        qWarning("single instance: cannot listen on %s", qPrintable(serverName()));
    return Result::First;
}

}  // namespace zb
