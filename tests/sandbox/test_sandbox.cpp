#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

namespace {

// The sandbox as a process of its own on loopback ports from the base port on.
class RunningSandbox {
public:
    explicit RunningSandbox(int basePort) : basePort_(basePort) {}

    ~RunningSandbox()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            process_.waitForFinished(3000);
        }
    }

    // True once it said "ready"; what it said is in said().
    bool start(const QStringList& options = {})
    {
        process_.setReadChannel(QProcess::StandardError);
        process_.start(QStringLiteral(QUAYLET_SANDBOX_EXECUTABLE),
                       QStringList{"--base-port", QString::number(basePort_), "--log", dir_.filePath("log")}
                           + options);
        while (!said_.contains("ready\n") && process_.waitForReadyRead(10000))
            said_ += process_.readAllStandardError();
        return said_.contains("ready\n");
    }

    std::string said() const { return said_.toStdString(); }
    QProcess& process() { return process_; }

    // Endpoint n of the port table, counting from 1.
    int port(int endpoint) const { return basePort_ + endpoint; }

    qsizetype logged(const std::string& text) const
    {
        QFile log(dir_.filePath("log"));
        log.open(QIODevice::ReadOnly);
        return log.readAll().count(QByteArray::fromStdString(text));
    }

private:
    int basePort_;
    QTemporaryDir dir_;
    QProcess process_;
    QByteArray said_;
};

}  // namespace

// The portal flows themselves are proven by the end-to-end tests. What they
// take on trust is the slow account they cancel: that its login really waits,
// that it is logged "cancelled" only once the browser leaves, and that the
// sandbox still stops at once and cleanly while such a login waits.
TEST(SlowLogin, WaitsUntilTheBrowserLeavesOrTheSandboxStops)
{
    RunningSandbox sandbox(47400);
    ASSERT_TRUE(sandbox.start({"--slow-seconds", "60"})) << sandbox.said();

    const auto startSlowLogin = [&sandbox](QTcpSocket& browser) {
        browser.connectToHost("127.0.0.1", sandbox.port(1));
        ASSERT_TRUE(browser.waitForConnected(3000));
        const QByteArray form = "put_id=slow&put_pwd=sea";
        browser.write("POST /login/LoginProc.asp HTTP/1.1\r\nHost: 127.0.0.1\r\n"
                      "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
                      + QByteArray::number(form.size()) + "\r\n\r\n" + form);
        ASSERT_TRUE(browser.waitForBytesWritten(3000));
        ASSERT_FALSE(browser.waitForReadyRead(500)) << "the slow account is answered late";
    };

    QTcpSocket leaving;
    ASSERT_NO_FATAL_FAILURE(startSlowLogin(leaving));
    EXPECT_EQ(sandbox.logged("\"event\":\"cancelled\""), 0) << "logged while the browser still waits";
    leaving.abort();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sandbox.logged("\"event\":\"cancelled\"") == 1; }, 3000));

    QTcpSocket waiting;
    ASSERT_NO_FATAL_FAILURE(startSlowLogin(waiting));
    sandbox.process().terminate();
    ASSERT_TRUE(sandbox.process().waitForFinished(3000)) << "the sandbox did not stop";
    EXPECT_EQ(sandbox.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sandbox.process().exitCode(), 0);
    EXPECT_EQ(sandbox.logged("\"event\":\"abandoned\""), 1);
}
