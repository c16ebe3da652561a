#include "e2e/Driver.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>

#include <memory>

namespace {

// One program directory, sandbox and program per test.
class EndToEnd : public ::testing::Test {
protected:
    ProgramDir dir;
    std::unique_ptr<Sandbox> sandbox;
    std::unique_ptr<Quaylet> quaylet;

    // Starts the sandbox, its portals misbehaving as the quirks say, and the
    // program afresh. The channel pages launch the game as a script loads them
    // unless the quirks say otherwise.
    void start(const QStringList& quirks = {})
    {
        quaylet.reset();
        sandbox.reset();
        sandbox = std::make_unique<Sandbox>(dir.file("portal.log"), QStringList{"--launch", "href"} + quirks);
        ASSERT_TRUE(sandbox->ready()) << "the sandbox did not start";
        quaylet = std::make_unique<Quaylet>(dir.path());
        ASSERT_TRUE(quaylet->connected()) << "the program did not start";
    }
};

class EachPortal : public EndToEnd, public ::testing::WithParamInterface<Portal> {};

INSTANTIATE_TEST_SUITE_P(Portals, EachPortal, ::testing::Values(Netmarble, Daum),
                         [](const auto& info) { return std::string(info.param.name); });

// Settled after each step, the program lets its engine go; the next step
// works in a fresh engine with the cookies of the old one, and never asks
// for an old document again. Every way a channel page launches reaches the
// system once, and only the channel page's: the main and intro pages probe
// for the launcher as they load.
TEST_P(EachPortal, LoginGameStartLogoutAndLoginAgain)
{
    const Portal& portal = GetParam();
    // Password fields drop line breaks, as every browser does; everything else arrives as typed.
    const QString password = QStringLiteral("q\"u'o\\te</script><script>alert(1)</script>선장`${x}`\nnext");
    start({"--launch", "href,iframe,timer,redirect,popup", "--probe-launcher"});
    // The window is up and answers: the program's own start is done.
    EXPECT_EQ(quaylet->mainWindow(), "Quaylet | 로그인");
    EXPECT_EQ(quaylet->state()["engine"].toInteger(), 0) << "an engine started with no operation in sight";
    quaylet->click("frmMain", "cmdLogin");
    EXPECT_TRUE(eventually([&] { return quaylet->state()["engine"].toInteger() != 0; }))
        << "the engine starts as the login button goes down";
    quaylet->logInThroughDialog("echo", password, portal.option);
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그인 완료")));
    EXPECT_EQ(quaylet->mainWindow(), portal.caption("로그인 완료") + " | 로그아웃 | game start");
    EXPECT_FALSE(quaylet->windowOpen("frmLogin"));
    const QJsonValue typed = sandbox->requests("event", "login-ok")[0]["form"][portal.passwordField];
    EXPECT_EQ(typed, QString(password).remove('\n'));
    ASSERT_TRUE(quaylet->waitForIdleBrowser());

    EXPECT_TRUE(quaylet->launched().isEmpty()) << "a probing page launched";
    // The launch names the session's user: the cookie stayed.
    const QString launch = "dho-sandbox://launch?portal=" + QString(portal.name).toLower() + "&user=echo";
    for (const char* mode : {"href", "iframe", "timer", "redirect", "popup"}) {
        SCOPED_TRACE(mode);
        const qsizetype before = quaylet->launched().size();
        quaylet->click("frmMain", "cmdGameStart");
        ASSERT_TRUE(eventually([&] { return quaylet->launched().size() == before + 1; }, 15000));
        ASSERT_TRUE(quaylet->waitForIdleBrowser()) << "idle again after the channel page";
        EXPECT_EQ(quaylet->launched().last(), launch);
        EXPECT_FALSE(quaylet->state()["message"].isObject());
        EXPECT_EQ(quaylet->state()["windows"].toObject().keys(), QStringList{"frmMain"}) << "a window was left";
    }
    EXPECT_EQ(quaylet->mainWindow(), portal.caption("대항해시대 온라인 실행") + " | 로그아웃 | game start");

    quaylet->click("frmMain", "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그아웃 완료")));
    EXPECT_TRUE(sandbox->waitForEvent("logout"));
    ASSERT_TRUE(quaylet->waitForIdleBrowser());

    quaylet->logInThroughDialog("echo", password, portal.option);
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그인 완료")));
    EXPECT_EQ(sandbox->requests("path", portal.landingPage).size(), 2);
    EXPECT_EQ(sandbox->requests("path", "/GameChannel/channel.asp").size(), 5);
    for (const QJsonObject& request : sandbox->requests("method", "POST"))
        EXPECT_EQ(request["scheme"], "https") << "a form went out over plain http to a portal that speaks https";

    // A login still waiting (its cancel is the hostile late login's) does not
    // hold the sandbox, which stops at once, and cleanly.
    quaylet->click("frmMain", "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그아웃 완료")));
    quaylet->logInThroughDialog("slow", "sea", portal.option);
    ASSERT_TRUE(sandbox->waitForEvent("slow-login", &portal)) << "the form never went out";
    EXPECT_TRUE(sandbox->stop());
    EXPECT_EQ(sandbox->requests("event", "abandoned").size(), 1) << "the waiting login was not answered";
}

// An automatic login cancelled while its first page is on its way never
// logs in; the next login works. Its engine was started before the
// program's own Qt start, beside it: the program's child, come in by a door
// that goes, and gone with the program, stopped as it may be.
TEST_P(EachPortal, CancelDuringTheFirstPageNeverLogsInAndTheEngineEndsWithItsProgram)
{
    const Portal& portal = GetParam();
    saveAutoLogin(dir.path(), portal);
    start({"--first-page-delay", "1500"});
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그인 중..")));
    const qint64 engine = quaylet->state()["engine"].toInteger();
    QFile status(QStringLiteral("/proc/%1/status").arg(engine));
    QFile command(QStringLiteral("/proc/%1/cmdline").arg(engine));
    ASSERT_TRUE(engine > 0 && status.open(QIODevice::ReadOnly) && command.open(QIODevice::ReadOnly));
    EXPECT_TRUE(status.readAll().contains("\nPPid:\t" + QByteArray::number(quaylet->processId()) + "\n"));
    const QList<QByteArray> words = command.readAll().split('\0');
    ASSERT_TRUE(words.size() >= 3 && words[1] == "--link") << "not the engine";
    EXPECT_TRUE(eventually([&] { return !QFileInfo::exists(QFile::decodeName(words[2])); }))
        << "the link's door stayed";
    quaylet->click("frmMain", "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));
    // The next login waits out the same delay: by its end any late answer
    // to the cancelled one has long come, and only its own form went out.
    quaylet->logInThroughDialog("captain", "sea", portal.option);
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그인 완료")));
    EXPECT_EQ(sandbox->requests("event", "login-ok").size(), 1) << "the cancelled login's form went out";

    const qint64 running = quaylet->state()["engine"].toInteger();
    ASSERT_GT(running, 0);
    ::kill(pid_t(running), SIGSTOP);
    ::kill(pid_t(quaylet->processId()), SIGKILL);
    const auto gone = [running] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(running));
        return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
    };
    EXPECT_TRUE(eventually(gone, 5000)) << "the engine outlived its program";
}

// The portal's own one-time-code page shows itself over the login that waits
// on it (typing into it is the browser tests' part), and closing it gives the
// login up. A portal that speaks plain http only gets the ID and password
// once the user lets it ("취소" sends nothing).
TEST_P(EachPortal, ThePortalsCodePageIsShownAndAPlainHttpPortalIsAskedAbout)
{
    const Portal& portal = GetParam();
    const QString codePort = QString::number(QUAYLET_E2E_BASE_PORT + (portal.name == Daum.name ? 5 : 1));
    start();
    quaylet->logInThroughDialog("coded", "sea", portal.option);
    ASSERT_TRUE(quaylet->waitForWindow("frmWebPage"));
    EXPECT_EQ(quaylet->state()["windows"]["frmWebPage"]["title"].toString(), "Quaylet - 127.0.0.1:" + codePort);
    quaylet->call({{"command", "close"}, {"window", "frmWebPage"}});
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));

    start({"--http-only"});
    quaylet->logInThroughDialog("echo", "sea", portal.option);
    EXPECT_TRUE(quaylet->waitForMessage().startsWith("127.0.0.1 은(는) 암호화되지 않은 연결(http)로"));
    quaylet->answer(QMessageBox::Cancel);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));
    EXPECT_TRUE(sandbox->requests("method", "POST").isEmpty()) << "the login form went out";
    quaylet->logInThroughDialog("echo", "sea", portal.option);
    EXPECT_FALSE(quaylet->waitForMessage().isEmpty());
    quaylet->answer(QMessageBox::Ok);
    EXPECT_TRUE(quaylet->waitForCaption(portal.caption("로그인 완료")));
}

// The portal's own notices and questions say which host they come from. A
// failed login reopens the dialog; the user takes longer over it than the
// engine's quiet time. The unlock button answers in a new window of its own
// (its own page's answer is the browser tests' part), back into the login.
// The portal has moved to https.
TEST_F(EndToEnd, ThePortalsOwnNoticesQuestionsAndUnlockWindowReachTheUser)
{
    start({"--confirm-logout", "--alert-on-failure", "--https-upgrade", "--unlock-in-new-window"});
    quaylet->logInThroughDialog("captain", "wrong", Netmarble.option);
    EXPECT_EQ(quaylet->waitForMessage(), "127.0.0.1 웹 페이지의 메시지:\n아이디 또는 비밀번호가 맞지 않습니다.");
    quaylet->answer(QMessageBox::Ok);
    ASSERT_TRUE(quaylet->waitForWindow("frmLogin"));
    ASSERT_TRUE(quaylet->waitForIdleBrowser());

    quaylet->logInThroughDialog("locked", "sea", Netmarble.option);
    EXPECT_EQ(quaylet->waitForMessage(), "넷마블 ID가 잠겨있습니다. 잠금 해지 페이지로 연결합니다");
    quaylet->answer(QMessageBox::Ok);
    ASSERT_TRUE(quaylet->waitForWindow("frmIDLock"));
    EXPECT_TRUE(quaylet->mainWindow().endsWith(" | 로그인 취소")) << quaylet->mainWindow().toStdString();
    // Once for the main browser, once for the unlock window.
    ASSERT_TRUE(eventually([&] { return sandbox->requests("path", "/login/LockStealID.asp").size() == 2; }));
    // The user works the portal's unlock page once it is there: the button is the first stop of the tab chain.
    ASSERT_TRUE(eventually([&] {
        return quaylet->state()["windows"]["frmIDLock"]["controls"]["Web2"]["text"] == "넷마블 ID 잠금 해제";
    }));
    quaylet->key("frmIDLock", "Web2", Qt::Key_Tab);
    quaylet->key("frmIDLock", "Web2", Qt::Key_Space);
    EXPECT_EQ(quaylet->waitForMessage(), "아이디가 성공적으로 잠금해지 되었습니다. 다시 로그인합니다.");
    EXPECT_TRUE(sandbox->waitForEvent("unlocked"));
    quaylet->answer(QMessageBox::Ok);
    ASSERT_TRUE(quaylet->waitForCaption(Netmarble.caption("로그인 완료")));
    EXPECT_EQ(quaylet->state()["windows"].toObject().keys(), QStringList{"frmMain"}) << "a window was left";

    quaylet->click("frmMain", "cmdLogin");
    EXPECT_EQ(quaylet->waitForMessage(), "127.0.0.1 웹 페이지의 메시지:\n로그아웃 하시겠습니까?");
    quaylet->answer(QMessageBox::Ok);
    EXPECT_TRUE(quaylet->waitForCaption(Netmarble.caption("로그아웃 완료")));
    EXPECT_TRUE(sandbox->waitForEvent("logout"));
}

// Each portal's first login meets a fault (the sandbox's --hostile option): the
// main window shows only states the session has, a failed load is told, a
// cancel is back at "Quaylet" in time with no box, even where the portal
// answers nothing at all, and the next login works.

// How long a cancel, or the end of a reported failure, may take: the user's
// own stop ends 5 s after the click at the latest.
constexpr int BackToIdleMs = 6500;
// How long a hanging login is watched before it is cancelled.
constexpr int HangingMs = 1500;

struct Fault {
    const char* mode;
    bool hangs;            // the login never ends by itself and is cancelled; otherwise it fails
    bool recovers = true;  // the next login meets the ordinary portal
};

const Fault Faults[] = {
    {"login-500", false}, {"redirect-loop", false}, {"cut-answer", false},     {"endless-page", true},
    {"late-login", true}, {"framed-login", false},  {"hang-all", true, false},
};

class HostilePortal : public EndToEnd, public ::testing::WithParamInterface<Fault> {
protected:
    QStringList possible{"Quaylet | 로그인"};
    QStringList impossible;

    void SetUp() override
    {
        for (const Portal* portal : {&Netmarble, &Daum}) {
            for (const char* state : {"로그인 중.. | 로그인 취소", "로그인 취소중.. | 로그인 취소",
                                      "로그인 실패 | 로그인", "로그인 완료 | 로그아웃 | game start",
                                      "로그아웃 중.. | 로그아웃 (disabled)", "로그아웃 완료 | 로그인"})
                possible << portal->caption(state);
        }
    }

    void TearDown() override
    {
        EXPECT_TRUE(impossible.isEmpty()) << "states the session does not have:\n"
                                          << impossible.join('\n').toStdString();
    }

    // What the main window shows, noted when the session has no such state.
    QString shown()
    {
        const QString now = quaylet->mainWindow();
        if (!possible.contains(now) && (impossible.isEmpty() || impossible.last() != now))
            impossible.append(now);
        return now;
    }

    bool watch(const QString& awaited, int timeoutMs = 20000)
    {
        return eventually([&] { return shown() == awaited; }, timeoutMs);
    }
};

TEST_P(HostilePortal, OnlyStatesTheSessionHasAndTheNextLoginWorks)
{
    const Fault& fault = GetParam();
    ASSERT_NO_FATAL_FAILURE(start({"--hostile", fault.mode}));
    for (const Portal* portal : {&Netmarble, &Daum}) {
        SCOPED_TRACE(portal->name);
        quaylet->logInThroughDialog("captain", "sea", portal->option);
        ASSERT_TRUE(sandbox->waitForEvent(fault.mode, portal)) << "the portal never misbehaved";
        if (fault.hangs) {
            watch({}, HangingMs);
            EXPECT_EQ(quaylet->mainWindow(), portal->caption("로그인 중..") + " | 로그인 취소");
            quaylet->click("frmMain", "cmdLogin");
            ASSERT_TRUE(watch("Quaylet | 로그인", BackToIdleMs)) << "still " << shown().toStdString();
            EXPECT_FALSE(quaylet->state()["message"].isObject());
            EXPECT_TRUE(sandbox->waitForEvent("cancelled", portal, 5000)) << "the hanging login was not dropped";
        } else {
            // Told in one message box titled "Quaylet", over a session already idle.
            ASSERT_FALSE(quaylet->waitForMessage().isEmpty()) << "no message box";
            EXPECT_EQ(quaylet->state()["message"]["title"], "Quaylet");
            EXPECT_EQ(quaylet->mainWindow(), "Quaylet | 로그인");
            quaylet->answer(QMessageBox::Ok);
            ASSERT_TRUE(watch("Quaylet | 로그인", BackToIdleMs)) << "still " << shown().toStdString();
        }
        EXPECT_TRUE(sandbox->requests("event", "handed-over").isEmpty()) << "another site got the login";
        if (!fault.recovers) {
            EXPECT_TRUE(quaylet->waitForIdleBrowser()) << "the engine of a stopped login stays";
            continue;
        }
        quaylet->logInThroughDialog("captain", "sea", portal->option);
        ASSERT_TRUE(watch(portal->caption("로그인 완료") + " | 로그아웃 | game start"))
            << "the next login did not work";
        quaylet->click("frmMain", "cmdLogin");
        ASSERT_TRUE(watch(portal->caption("로그아웃 완료") + " | 로그인"));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, HostilePortal, ::testing::ValuesIn(Faults), [](const auto& info) {
    return QString(info.param.mode).replace('-', '_').toStdString();
});

}  // namespace
