#pragma once
// Helpers shared by the tests.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <functional>

namespace zbtest {

// A fresh folder removed after the test.
class TempDir {
public:
    TempDir();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);

// Runs `child` in a forked process. The child exits with the value it returns;
// the parent gets the child's pid. Used to test what other processes see.
int forkChild(const std::function<int()>& child);
// Waits for the child and returns its exit code, or -signal when it was killed.
int waitChild(int pid);

// A pipe for a child to tell its parent that it reached a point.
class Signal {
public:
    Signal();
    ~Signal();
    void notify(char c = '!');   // child side
    char wait(int timeoutMs = 20000);  // parent side; 0 on timeout
private:
    int fds_[2];
};

}  // namespace zbtest
