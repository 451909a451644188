#pragma once
// One running instance per user session. The first process holds a lock file
// for its whole life and listens on a local socket; a later process finds the
// lock held, asks the first one to bring its main window to the front and ends
// without a window.
#include <QLockFile>
#include <QObject>
#include <memory>

class QLocalServer;

namespace zb {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Result {
        First,    // this process runs; raiseRequested() reports later starts
        Second,   // another instance runs and was asked to come to the front
        TimedOut  // the lock could not be settled in time: end without a message
    };

    // `name` names the lock and the socket; the user's id is added.
    explicit SingleInstance(const QString& name = QStringLiteral("Mutex_ZBMAIN"), QObject* parent = nullptr);
    ~SingleInstance() override;

    // Waits at most `waitMs` for the lock.
    Result acquire(int waitMs = 10000);

    QString lockPath() const;
    QString serverName() const;

signals:
    void raiseRequested();

private:
    bool askFirstToRaise(int waitMs);

    QString name_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

}  // namespace zb
