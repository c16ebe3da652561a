#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

// The portal flows themselves are proven by the end-to-end tests. What they
// take on trust is the slow account they cancel: that its login really waits,
// that it is logged "cancelled" only once the browser leaves, and that the
// sandbox still stops at once and cleanly while such a login waits.
TEST(SlowLogin, WaitsUntilTheBrowserLeavesOrTheSandboxStops)
{
    constexpr int BasePort = 47400;
    QTemporaryDir dir;
    QProcess sandbox;
    sandbox.setReadChannel(QProcess::StandardError);
    sandbox.start(
        QStringLiteral(QUAYLET_SANDBOX_EXECUTABLE),
        {"--base-port", QString::number(BasePort), "--slow-seconds", "60", "--log", dir.filePath("log")});
    QByteArray said;
    while (!said.contains("ready\n") && sandbox.waitForReadyRead(10000))
        said += sandbox.readAllStandardError();
    ASSERT_TRUE(said.contains("ready\n")) << said.toStdString();
    const auto logged = [&](const QByteArray& event) {
        QFile log(dir.filePath("log"));
        log.open(QIODevice::ReadOnly);
        return log.readAll().count("\"event\":\"" + event + "\"");
    };

    const auto startSlowLogin = [](QTcpSocket& browser) {
        browser.connectToHost("127.0.0.1", BasePort + 1);
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
    EXPECT_EQ(logged("cancelled"), 0) << "logged while the browser still waits";
    leaving.abort();
    EXPECT_TRUE(QTest::qWaitFor([&] { return logged("cancelled") == 1; }, 3000));

    QTcpSocket waiting;
    ASSERT_NO_FATAL_FAILURE(startSlowLogin(waiting));
    sandbox.terminate();
    ASSERT_TRUE(sandbox.waitForFinished(3000)) << "the sandbox did not stop";
    EXPECT_EQ(sandbox.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sandbox.exitCode(), 0);
    EXPECT_EQ(logged("abandoned"), 1);
}
