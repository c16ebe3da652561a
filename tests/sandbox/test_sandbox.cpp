#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

#include <csignal>

// The portal flows themselves are proven by the end-to-end tests. What they
// take on trust is the slow account: that its login really waits, that it is
// logged "cancelled" only when the browser leaves, and that the sandbox stops
// at once and cleanly while it waits.
namespace {

constexpr int BasePort = 47400;

class SlowLogin : public ::testing::TestWithParam<int> {
protected:
    QTemporaryDir dir;
    QProcess sandbox;
    QTcpSocket browser;

    void SetUp() override
    {
        sandbox.setReadChannel(QProcess::StandardError);
        sandbox.start(
            QStringLiteral(QUAYLET_SANDBOX_EXECUTABLE),
            {"--base-port", QString::number(BasePort), "--slow-seconds", "60", "--log", dir.filePath("log")});
        QByteArray said;
        while (!said.contains("ready\n") && sandbox.waitForReadyRead(10000))
            said += sandbox.readAllStandardError();
        ASSERT_TRUE(said.contains("ready\n")) << said.toStdString();

        browser.connectToHost("127.0.0.1", BasePort + 1);
        ASSERT_TRUE(browser.waitForConnected(3000));
        const QByteArray form = "put_id=slow&put_pwd=sea";
        browser.write("POST /login/LoginProc.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                      "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
                      + QByteArray::number(form.size()) + "\r\n\r\n" + form);
        ASSERT_TRUE(browser.waitForBytesWritten(3000));
        ASSERT_FALSE(browser.waitForReadyRead(500)) << "the slow account is answered late";
    }

    void TearDown() override
    {
        sandbox.kill();
        sandbox.waitForFinished(3000);
    }

    bool logged(const QByteArray& event)
    {
        QFile log(dir.filePath("log"));
        return log.open(QIODevice::ReadOnly) && log.readAll().contains("\"event\":\"" + event + "\"");
    }
};

TEST_F(SlowLogin, IsCancelledOnlyOnceTheBrowserLeaves)
{
    EXPECT_FALSE(logged("cancelled"));
    browser.abort();
    EXPECT_TRUE(QTest::qWaitFor([&] { return logged("cancelled"); }, 3000));
}

TEST_P(SlowLogin, IsAbandonedWhenTheSandboxStopsAtOnceAndCleanly)
{
    ::kill(pid_t(sandbox.processId()), GetParam());
    ASSERT_TRUE(sandbox.waitForFinished(3000)) << "the sandbox did not stop";
    EXPECT_EQ(sandbox.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sandbox.exitCode(), 0);
    EXPECT_TRUE(logged("abandoned"));
}

INSTANTIATE_TEST_SUITE_P(Signals, SlowLogin, ::testing::Values(SIGTERM, SIGINT), [](const auto& info) {
    return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
});

}  // namespace
