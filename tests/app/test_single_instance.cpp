// A second start brings the first instance's window to the front and ends.
#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

QString readLine(QProcess& p)
{
    while (!p.canReadLine())
        if (!p.waitForReadyRead(30000))
            return {};
    return QString::fromUtf8(p.readLine()).trimmed();
}

}  // namespace

TEST(SingleInstance, ASecondStartRaisesTheFirstAndEnds)
{
    const QString key = QStringLiteral("zbtest-%1").arg(QCoreApplication::applicationPid());
    QProcess first;
    first.start(QStringLiteral(ZB_INSTANCE_HELPER), {key});
    ASSERT_TRUE(first.waitForStarted());
    EXPECT_EQ(readLine(first), "first minimized=1");

    QProcess second;
    second.start(QStringLiteral(ZB_INSTANCE_HELPER), {key});
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitCode(), 3);
    EXPECT_EQ(QString::fromUtf8(second.readAllStandardOutput()).trimmed(), "second");

    EXPECT_EQ(readLine(first), "raised minimized=0 visible=1");
    ASSERT_TRUE(first.waitForFinished(60000));
    EXPECT_EQ(first.exitCode(), 0);

    // With the first gone, the next start runs as the first again.
    QProcess third;
    third.start(QStringLiteral(ZB_INSTANCE_HELPER), {key});
    EXPECT_EQ(readLine(third), "first minimized=1");
    third.kill();
    third.waitForFinished();
}
