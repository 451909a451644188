#include "support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace zbtest {

TempDir::TempDir() { EXPECT_TRUE(dir_.isValid()); }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

int forkChild(const std::function<int()>& child)
{
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int rc = 1;
        try {
            rc = child();
        } catch (...) {
            rc = 99;
        }
        _exit(rc);
    }
    return pid;
}

int waitChild(int pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) < 0)
        return -1000;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return -WTERMSIG(status);
    return -1000;
}

Signal::Signal()
{
    if (pipe(fds_) != 0)
        fds_[0] = fds_[1] = -1;
}

Signal::~Signal()
{
    close(fds_[0]);
    close(fds_[1]);
}

void Signal::notify(char c)
{
    (void)!write(fds_[1], &c, 1);
}

char Signal::wait(int timeoutMs)
{
    pollfd p{fds_[0], POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0)
        return 0;
    char c = 0;
    if (read(fds_[0], &c, 1) != 1)
        return 0;
    return c;
}

}  // namespace zbtest
