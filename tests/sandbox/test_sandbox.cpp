#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>

// The portal flows themselves are proven by the end-to-end tests; what they
// cannot see is how the sandbox stops.
namespace {

constexpr int BasePort = 47400;

class SandboxProcess : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QProcess sandbox;

    void SetUp() override
    {
        sandbox.setReadChannel(QProcess::StandardError);
        sandbox.start(QStringLiteral(QUAYLET_SANDBOX_EXECUTABLE),
                      {"--base-port", QString::number(BasePort), "--log", dir.filePath("log"),
                       "--slow-seconds", "60"});
        QByteArray said;
        while (!said.contains("ready\n") && sandbox.waitForReadyRead(10000))
            said += sandbox.readAllStandardError();
        ASSERT_TRUE(said.contains("ready\n")) << said.toStdString();
    }

    void TearDown() override
    {
        sandbox.kill();
        sandbox.waitForFinished(3000);
    }

    // A login for the slow account, left waiting for its answer.
    void startSlowLogin(QTcpSocket& socket)
    {
        socket.connectToHost("127.0.0.1", BasePort + 1);
        ASSERT_TRUE(socket.waitForConnected(3000));
        const QByteArray body = "put_id=slow&put_pwd=sea";
        socket.write("POST /login/LoginProc.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                     "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
                     + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        ASSERT_TRUE(socket.waitForBytesWritten(3000));
        EXPECT_FALSE(socket.waitForReadyRead(500)) << "the slow account is answered late";
    }

    void expectCleanStopWithin(int ms)
    {
        ASSERT_TRUE(sandbox.waitForFinished(ms)) << "the sandbox did not stop";
        EXPECT_EQ(sandbox.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(sandbox.exitCode(), 0);
    }
};

TEST_F(SandboxProcess, StopsAtOnceOnSigtermEvenWithALoginWaiting)
{
    QTcpSocket socket;
    startSlowLogin(socket);
    sandbox.terminate();
    expectCleanStopWithin(3000);
    QFile log(dir.filePath("log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("\"event\":\"abandoned\""));
}

TEST_F(SandboxProcess, StopsOnSigint)
{
    ::kill(pid_t(sandbox.processId()), SIGINT);
    expectCleanStopWithin(3000);
}

}  // namespace
