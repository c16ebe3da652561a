#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <zlib.h>

#include <csignal>

// The portal flows themselves are proven by the end-to-end tests; what they
// cannot see is how the sandbox stops, and what its heavy pages weigh.
namespace {

constexpr int BasePort = 47400;
constexpr int HeavyBasePort = 47450;

class SandboxProcess : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QProcess sandbox;

    void SetUp() override { start({"--base-port", QString::number(BasePort), "--slow-seconds", "60"}); }

    void start(const QStringList& arguments)
    {
        sandbox.setReadChannel(QProcess::StandardError);
        sandbox.start(QStringLiteral(QUAYLET_SANDBOX_EXECUTABLE), arguments + QStringList{"--log", dir.filePath("log")});
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

struct Answer {
    int status = 0;
    QByteArray headers;
    QByteArray body;  // unpacked when it came gzip-encoded
    qint64 elapsedMs = 0;
};

QByteArray gunzip(const QByteArray& packed)
{
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return {};
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = uInt(packed.size());
    QByteArray unpacked;
    int status = Z_OK;
    while (status == Z_OK) {
        char chunk[16384];
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        unpacked.append(chunk, qsizetype(sizeof chunk - stream.avail_out));
    }
    inflateEnd(&stream);
    return status == Z_STREAM_END ? unpacked : QByteArray();
}

QByteArray header(const Answer& answer, const QByteArray& name);

// One plain http request, asking for gzip as a browser does; the sandbox
// closes the connection after answering.
Answer fetch(int port, const QByteArray& method, const QByteArray& target, const QByteArray& form = {})
{
    Answer answer;
    QElapsedTimer timer;
    timer.start();
    QTcpSocket socket;
    socket.connectToHost("127.0.0.1", port);
    if (!socket.waitForConnected(3000))
        return answer;
    QByteArray request = method + " " + target
                         + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept-Encoding: gzip\r\nConnection: close\r\n";
    if (!form.isEmpty())
        request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
                   + QByteArray::number(form.size()) + "\r\n";
    socket.write(request + "\r\n" + form);
    QByteArray received;
    while (socket.state() == QAbstractSocket::ConnectedState && timer.elapsed() < 5000) {
        if (socket.waitForReadyRead(500))
            received += socket.readAll();
    }
    received += socket.readAll();
    answer.elapsedMs = timer.elapsed();
    const qsizetype split = received.indexOf("\r\n\r\n");
    answer.headers = received.left(split);
    answer.body = received.mid(split + 4);
    answer.status = received.mid(9, 3).toInt();
    if (header(answer, "Content-Encoding") == "gzip")
        answer.body = gunzip(answer.body);
    return answer;
}

QByteArray header(const Answer& answer, const QByteArray& name)
{
    for (const QByteArray& line : answer.headers.split('\n')) {
        if (line.toLower().startsWith(name.toLower() + ":"))
            return line.mid(name.size() + 1).trimmed();
    }
    return {};
}

class HeavySandbox : public SandboxProcess {
protected:
    void SetUp() override { start({"--base-port", QString::number(HeavyBasePort), "--heavy"}); }

    static int port(int endpoint) { return HeavyBasePort + endpoint; }
};

TEST_F(HeavySandbox, PortalPagesCarryTheirWeightAndStillWork)
{
    const Answer page = fetch(port(1), "GET", "/login/login.asp");
    ASSERT_EQ(page.status, 200);
    EXPECT_GE(page.elapsedMs, 80) << "every answer waits the latency";
    EXPECT_EQ(page.body.count("<img src=\"/heavy/img/"), 30);
    EXPECT_EQ(page.body.count("<link rel=\"stylesheet\""), 2);
    EXPECT_EQ(page.body.count("<script src=\"/heavy/"), 2);
    for (const char* element : {"name=\"put_id\"", "name=\"put_pwd\"", "name=\"btnSubmit\"", "function go_logout()"})
        EXPECT_TRUE(page.body.contains(element)) << element;
    EXPECT_LT(page.body.indexOf("/heavy/lib.js"), page.body.indexOf("</head>"));
    EXPECT_GT(page.body.indexOf("/heavy/app.js"), page.body.indexOf("</form>"));

    // A redirect and an error page are answered late but not weighed.
    const Answer login = fetch(port(1), "POST", "/login/LoginProc.asp", "put_id=captain&put_pwd=sea");
    EXPECT_EQ(login.status, 302);
    EXPECT_GE(login.elapsedMs, 80);
    const Answer missing = fetch(port(2), "GET", "/nothing.asp");
    EXPECT_EQ(missing.status, 404);
    EXPECT_FALSE(missing.body.contains("/heavy/"));

    // The fan sites are no portal: late, but as light as ever.
    const Answer fanSite = fetch(port(9), "GET", "/");
    EXPECT_EQ(fanSite.status, 200);
    EXPECT_FALSE(fanSite.body.contains("/heavy/"));
}

TEST_F(HeavySandbox, ServesImagesScriptsStylesAndAFontOfRealWeight)
{
    qsizetype imageBytes = 0;
    for (int i = 1; i <= 30; ++i) {
        const Answer image = fetch(port(2), "GET", "/heavy/img/" + QByteArray::number(i) + ".png");
        ASSERT_EQ(image.status, 200) << i;
        EXPECT_TRUE(image.body.startsWith("\x89PNG\r\n\x1a\n")) << i;
        EXPECT_GE(image.body.size(), 40 * 1024) << i;
        EXPECT_LE(image.body.size(), 80 * 1024) << i;
        EXPECT_EQ(header(image, "Cache-Control"), "no-store");
        imageBytes += image.body.size();
    }
    EXPECT_GT(imageBytes, 30 * 55 * 1024);

    const Answer library = fetch(port(4), "GET", "/heavy/lib.js");
    const Answer pageCode = fetch(port(4), "GET", "/heavy/app.js");
    EXPECT_EQ(header(library, "Content-Type"), "application/javascript");
    EXPECT_GE(library.body.size() + pageCode.body.size(), 500 * 1024);
    for (const char* sheet : {"/heavy/base.css", "/heavy/layout.css"}) {
        const Answer style = fetch(port(3), "GET", sheet);
        EXPECT_EQ(style.status, 200) << sheet;
        EXPECT_GE(style.body.size(), 40 * 1024) << sheet;
    }
    const Answer font = fetch(port(6), "GET", "/heavy/font.ttf");
    EXPECT_EQ(font.status, 200);
    EXPECT_GE(font.body.size(), 100 * 1024);
    EXPECT_EQ(fetch(port(6), "GET", "/heavy/img/31.png").status, 404);
}

TEST(SandboxOptions, RejectsABadLatency)
{
    for (const char* value : {"-1", "10001", "80ms", ""}) {
        QProcess sandbox;
        sandbox.start(QStringLiteral(QUAYLET_SANDBOX_EXECUTABLE), {"--base-port", QString::number(HeavyBasePort),
                                                                    "--heavy", "--latency", value});
        ASSERT_TRUE(sandbox.waitForFinished(5000)) << value;
        EXPECT_EQ(sandbox.exitCode(), 2) << value;
        EXPECT_TRUE(sandbox.readAllStandardError().contains("--latency must be a number")) << value;
    }
}

}  // namespace
