#include <httplib.h>

#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtCore/qtestsupport_core.h>
#include <gtest/gtest.h>

#include <string>

namespace {

constexpr auto FormType = "application/x-www-form-urlencoded";

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

    // Endpoint n of the port table, counting from 1: "127.0.0.1:<port>".
    std::string host(int endpoint) const { return "127.0.0.1:" + std::to_string(basePort_ + endpoint); }
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

// A client that takes the sandbox's own certificate, follows no redirect and
// waits a few seconds at most.
httplib::Client client(const std::string& address)
{
    httplib::Client client(address);
    client.enable_server_certificate_verification(false);
    client.set_connection_timeout(3);
    client.set_read_timeout(5);
    client.set_write_timeout(3);
    return client;
}

int status(const httplib::Result& answer)
{
    return answer ? answer->status : -1;
}

std::string location(const httplib::Result& answer)
{
    return answer ? answer->get_header_value("Location") : std::string();
}

// The cookies the answer sets (not those it clears), as a Cookie header.
std::string cookies(const httplib::Result& answer)
{
    std::string header;
    for (size_t i = 0; answer && i < answer->get_header_value_count("Set-Cookie"); ++i) {
        const std::string cookie = answer->get_header_value("Set-Cookie", i);
        if (cookie.find("Max-Age=0") == std::string::npos)
            header += (header.empty() ? "" : "; ") + cookie.substr(0, cookie.find(';'));
    }
    return header;
}

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

// Both portals ask the "coded" account for a one-time code, on one sandbox:
// each code page is its own login's alone.
TEST(OneTimeCode, LogsInOnlyWithTheRightCodeForThatLogin)
{
    const struct {
        const char* name;
        int endpoint;  // takes the login form and serves the code page
        const char* scheme;
        const char* loginPath;
        const char* loginForm;  // coded's ID and password, the password last
        const char* codePath;
        const char* sessionCookie;
        int gameEndpoint;  // where the login ends
        const char* successPath;
    } portals[] = {
        {"Netmarble", 1, "http", "/login/LoginProc.asp", "put_id=coded&put_pwd=sea", "/login/OneTimeCode.asp",
         "NM_SESSION", 2, "/main.asp"},
        {"Daum", 5, "https", "/Mail-bin/login.cgi", "id=coded&enpw=sea", "/accounts/onetimecode.do",
         "DAUM_SESSION", 8, "/intro.asp"},
    };
    RunningSandbox sandbox(47420);
    ASSERT_TRUE(sandbox.start({"--http-only"})) << sandbox.said();
    int loggedIn = 0;
    for (const auto& portal : portals) {
        SCOPED_TRACE(portal.name);
        const std::string origin = std::string(portal.scheme) + "://" + sandbox.host(portal.endpoint);
        auto site = client(origin);
        const std::string loginForm = portal.loginForm;

        EXPECT_NE(location(site.Post(portal.loginPath, loginForm + "x", FormType)), origin + portal.codePath)
            << "a wrong password reached the code page";
        const auto login = site.Post(portal.loginPath, loginForm, FormType);
        EXPECT_EQ(status(login), 302);
        EXPECT_EQ(location(login), origin + portal.codePath);
        const std::string waiting = cookies(login);
        EXPECT_EQ(waiting.find(portal.sessionCookie), std::string::npos) << "a session before the code";
        const httplib::Headers pending{{"Cookie", waiting}};

        // The page is that login's alone.
        EXPECT_EQ(status(site.Get(portal.codePath)), 302);
        EXPECT_EQ(status(site.Get(portal.codePath, {{"Cookie", "NM_PENDING=0; DAUM_PENDING=0"}})), 302);
        EXPECT_EQ(status(site.Get(portal.codePath, pending)), 200);

        for (const char* wrongCode : {"", "2468100"}) {
            const auto wrong = site.Post(portal.codePath, pending, std::string("code=") + wrongCode, FormType);
            ASSERT_EQ(status(wrong), 200) << wrongCode;
            EXPECT_NE(wrong->body.find("코드가 맞지 않습니다."), std::string::npos) << wrongCode;
            EXPECT_EQ(cookies(wrong), "") << wrongCode;
        }

        const std::string success = "http://" + sandbox.host(portal.gameEndpoint) + portal.successPath;
        const auto right = site.Post(portal.codePath, pending, "code=246810", FormType);
        EXPECT_EQ(status(right), 302);
        EXPECT_EQ(location(right), success);
        EXPECT_NE(cookies(right).find(std::string(portal.sessionCookie) + '='), std::string::npos);
        EXPECT_EQ(sandbox.logged("\"event\":\"login-ok\",\"user\":\"coded\""), ++loggedIn);

        const auto spent = site.Post(portal.codePath, pending, "code=246810", FormType);
        EXPECT_EQ(status(spent), 302);
        EXPECT_NE(location(spent), success) << "the code let the same login in twice";
        EXPECT_EQ(cookies(spent), "");
    }
}

// With --https-upgrade the portals moved to https: only the program's own
// fixed http addresses still meet plain http, and are sent on.
TEST(HttpsUpgrade, PortalsSendPlainHttpToHttpsOnTheSamePort)
{
    RunningSandbox sandbox(47440);
    ASSERT_TRUE(sandbox.start({"--https-upgrade"})) << sandbox.said();
    const std::string login = sandbox.host(1);
    const std::string loginPage =
        "/login/login.asp?l_url=http%3A%2F%2F127.0.0.1%3A" + std::to_string(sandbox.port(2)) + "%2Fmain.asp";
    const std::string form = "put_id=captain&put_pwd=sea";

    // The client decodes Location, so its exact spelling is read from the log.
    auto plain = client("http://" + login);
    EXPECT_EQ(status(plain.Get(loginPage)), 307);
    EXPECT_EQ(sandbox.logged("\"status\":307,\"location\":\"https://" + login + loginPage
                             + "\",\"event\":\"https-upgrade\"}"),
              1);
    const auto post = plain.Post("/login/LoginProc.asp", form, FormType);
    EXPECT_EQ(status(post), 307);
    EXPECT_EQ(location(post), "https://" + login + "/login/LoginProc.asp");
    EXPECT_EQ(sandbox.logged("\"event\":\"https-upgrade\""), 2);

    auto secure = client("https://" + login);
    const auto page = secure.Get(loginPage);
    ASSERT_EQ(status(page), 200);
    EXPECT_NE(page->body.find("action=\"https://" + login + "/login/LoginProc.asp\""), std::string::npos);
    EXPECT_EQ(page->body.find("http://"), std::string::npos);
    EXPECT_EQ(location(secure.Post("/login/LoginProc.asp", form, FormType)),
              "https://" + sandbox.host(2) + "/main.asp");

    EXPECT_EQ(status(client("http://" + sandbox.host(9)).Get("/")), 200) << "a fan site was upgraded";

    // A handshake record that holds no handshake is dropped at once, and the port serves on.
    QTcpSocket junk;
    junk.connectToHost("127.0.0.1", sandbox.port(1));
    ASSERT_TRUE(junk.waitForConnected(3000));
    junk.write(QByteArray("\x16\x03\x01\x00\x04junk", 9));
    EXPECT_TRUE(junk.waitForDisconnected(1000));
    EXPECT_EQ(status(secure.Get(loginPage)), 200);
}
