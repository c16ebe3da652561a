#include "e2e/Fixture.h"

#include <QThread>

namespace {

const QString Main = "frmMain";
const QString Login = "frmLogin";

class EndToEnd : public PortalTest {
protected:
    // Settings for an automatic login on the portal, with the ID and password saved.
    void configure(const Portal& portal, int autoRun = 0, int gameStartAction = 0)
    {
        // WindowRun, IDSave, PWDSave, AutoLogin, AutoRun, GSA, portal.
        const QString settings = QStringLiteral(" 0 \r\n 1 \r\n 1 \r\n 1 \r\n %1 \r\n %2 \r\n%3\r\n");
        dir.write("config.ini", settings.arg(autoRun).arg(gameStartAction).arg(portal.name).toLatin1());
    }

    // "captain" and "sea", enciphered as User.ini keeps them.
    void saveCaptainsCredentials() { dir.write("User.ini", "47:6>058:6=94I\r\n57::=1\r\n"); }
};

class EachPortal : public EndToEnd, public ::testing::WithParamInterface<Portal> {};

INSTANTIATE_TEST_SUITE_P(Portals, EachPortal, ::testing::Values(Netmarble, Daum),
                         [](const auto& info) { return std::string(info.param.name); });

// Settled after each step, the hidden browser lets its page go; the next step
// works on a fresh page and never asks for an old document again.
TEST_P(EachPortal, LoginGameStartLogoutLoginAndCancel)
{
    const Portal& portal = GetParam();
    // Password fields drop line breaks, as every browser does; everything else arrives as typed.
    const QString password = QStringLiteral("q\"u'o\\te</script><script>alert(1)</script>선장`${x}`\nnext");
    start();
    EXPECT_EQ(quaylet->mainWindow(), "Quaylet | 로그인");
    EXPECT_FALSE(quaylet->state()["page"].toBool()) << "no page before the first login";
    quaylet->logInThroughDialog("echo", password, portal.option);
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그인 완료")));
    EXPECT_EQ(quaylet->mainWindow(), portal.caption("로그인 완료") + " | 로그아웃 | game start");
    EXPECT_FALSE(quaylet->windowOpen(Login));
    EXPECT_EQ(sandbox->form(portal.idField), "echo");
    EXPECT_EQ(sandbox->form(portal.passwordField), QString(password).remove('\n'));
    ASSERT_TRUE(quaylet->waitForIdleBrowser());

    quaylet->click(Main, "cmdGameStart");
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("대항해시대 온라인 실행")));
    ASSERT_TRUE(sandbox->waitForEvent("game-started"));
    EXPECT_EQ(sandbox->requests("event", "game-started")[0]["user"], "echo") << "the session cookie stayed";
    ASSERT_TRUE(quaylet->waitForIdleBrowser()) << "idle again after the channel page";

    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그아웃 완료")));
    EXPECT_EQ(quaylet->mainWindow(), portal.caption("로그아웃 완료") + " | 로그인");
    EXPECT_TRUE(sandbox->waitForEvent("logout"));
    ASSERT_TRUE(quaylet->waitForIdleBrowser());

    quaylet->logInThroughDialog("echo", password, portal.option);
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그인 완료")));
    EXPECT_EQ(sandbox->requests("path", portal.landingPage).size(), 2);
    EXPECT_EQ(sandbox->requests("path", "/GameChannel/channel.asp").size(), 1);

    // A login the portal keeps waiting is cancelled.
    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption(portal.caption("로그아웃 완료")));
    const qsizetype loginPages = sandbox->requests("path", portal.loginPage).size();
    quaylet->logInThroughDialog("slow", "sea", portal.option);
    ASSERT_TRUE(eventually([&] { return sandbox->requests("path", portal.loginPage).size() > loginPages; }));
    QThread::msleep(800);  // the form goes out; the slow portal keeps it waiting
    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));
    EXPECT_TRUE(sandbox->waitForEvent("cancelled")) << "the waiting login was dropped";
    EXPECT_EQ(quaylet->mainWindow(), "Quaylet | 로그인");
}

TEST_P(EachPortal, FailureReopensTheDialogAndTheNextLoginWorks)
{
    start();
    quaylet->logInThroughDialog("homeward", "wrong", GetParam().option);
    ASSERT_TRUE(quaylet->waitForCaption(GetParam().caption("로그인 실패")));
    ASSERT_TRUE(quaylet->waitForWindow(Login));
    EXPECT_EQ(quaylet->control(Login, "txtID", "text"), "homeward");
    EXPECT_TRUE(quaylet->control(Login, GetParam().option, "checked").toBool());
    // The user takes longer over the dialog than the browser's quiet time.
    QThread::msleep(3000);
    quaylet->logInThroughDialog("homeward", "sea", GetParam().option);
    EXPECT_TRUE(quaylet->waitForCaption(GetParam().caption("로그인 완료")));
}

TEST_P(EachPortal, CancelDuringTheFirstPageNeverLogsIn)
{
    configure(GetParam());
    saveCaptainsCredentials();
    start({"--first-page-delay", "1500"});
    ASSERT_TRUE(quaylet->waitForCaption(GetParam().caption("로그인 중..")));
    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));
    QThread::msleep(2500);  // every late answer is in by now
    EXPECT_EQ(quaylet->mainWindow(), "Quaylet | 로그인");
    EXPECT_TRUE(sandbox->requests("event", "login-ok").isEmpty()) << "the login form went out";
}

TEST_P(EachPortal, AnUnreachablePortalIsToldAndTheProgramStaysUsable)
{
    start({"--closed", "NetmarbleLogin", "--closed", "DaumLogin"});
    quaylet->logInThroughDialog("captain", "sea", GetParam().option);
    EXPECT_EQ(quaylet->waitForMessage(), GetParam().label + "에 연결할 수 없습니다.\n서버가 연결을 거부했습니다.");
    EXPECT_EQ(quaylet->state()["message"]["title"], "Quaylet");
    quaylet->answer(QMessageBox::Ok);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));
    EXPECT_EQ(quaylet->mainWindow(), "Quaylet | 로그인");
}

// Also when the portal's unlock button answers in a new window of its own.
TEST_F(EndToEnd, LockedIdGoesThroughTheUnlockWindowBackIntoTheLogin)
{
    for (const QStringList& quirks : {QStringList(), QStringList{"--unlock-in-new-window"}}) {
        SCOPED_TRACE(quirks.join(' ').toStdString());
        ASSERT_NO_FATAL_FAILURE(start(quirks));
        quaylet->logInThroughDialog("locked", "sea", Netmarble.option);
        EXPECT_EQ(quaylet->waitForMessage(), "넷마블 ID가 잠겨있습니다. 잠금 해지 페이지로 연결합니다");
        quaylet->answer(QMessageBox::Ok);
        ASSERT_TRUE(quaylet->waitForWindow("frmIDLock"));
        EXPECT_EQ(quaylet->control(Main, "cmdLogin", "text"), "로그인 취소");
        // Once for the main browser, once for the unlock window.
        ASSERT_TRUE(eventually([&] { return sandbox->requests("path", "/login/LockStealID.asp").size() == 2; }));
        QThread::msleep(500);
        // The user works the portal's unlock page: the button is the first stop of the tab chain.
        quaylet->key("frmIDLock", "Web2", "Tab");
        quaylet->key("frmIDLock", "Web2", "Space");
        EXPECT_EQ(quaylet->waitForMessage(), "아이디가 성공적으로 잠금해지 되었습니다. 다시 로그인합니다.");
        EXPECT_TRUE(sandbox->waitForEvent("unlocked"));
        quaylet->answer(QMessageBox::Ok);
        EXPECT_TRUE(quaylet->waitForCaption(Netmarble.caption("로그인 완료")));
        EXPECT_FALSE(quaylet->windowOpen("frmIDLock"));
        EXPECT_FALSE(quaylet->windowOpen("frmIDLockPopup"));
    }
}

TEST_P(EachPortal, JoinAgreedToJoinsAndStartsTheGame)
{
    // Daum's caption has a punctuation of its own.
    const QString joining = GetParam().name == QLatin1String("Daum") ? "Quaylet = 다음 대항해시대 온라인 가입"
                                                                     : "Quaylet - 넷마블 대항해시대 온라인 가입";
    start();
    quaylet->logInThroughDialog("newbie", "sea", GetParam().option);
    EXPECT_TRUE(
        quaylet->waitForMessage().startsWith(GetParam().label + " 대항해시대에 가입이 되어있지 않습니다."));
    EXPECT_EQ(quaylet->caption(), joining);
    quaylet->answer(QMessageBox::Yes);
    EXPECT_TRUE(quaylet->waitForCaption(GetParam().caption("대항해시대 온라인 실행")));
    EXPECT_TRUE(sandbox->waitForEvent("joined"));
    EXPECT_TRUE(sandbox->waitForEvent("game-started"));
    EXPECT_EQ(quaylet->control(Main, "cmdLogin", "text"), "로그인 취소");
}

TEST_F(EndToEnd, DaumConsentAgreedToLogsIn)
{
    start();
    quaylet->logInThroughDialog("consent", "sea", Daum.option);
    EXPECT_TRUE(quaylet->waitForMessage().startsWith("다음 개인정보제공 동의를 하지않으셨습니다."));
    EXPECT_EQ(quaylet->caption(), "Quaylet - 다음 개인정보제공 동의");
    quaylet->answer(QMessageBox::Yes);
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그인 완료"));
    EXPECT_TRUE(sandbox->waitForEvent("consent"));
}

// With the saved ID and password, the automatic login goes on to the game
// start and the program ends once the portal has the channel request.
TEST_F(EndToEnd, AutomaticLoginStartsTheGameAndQuits)
{
    configure(Daum, 1, 2);
    saveCaptainsCredentials();
    start();
    ASSERT_TRUE(quaylet->waitForExit(30000)) << "the program should end by itself";
    EXPECT_FALSE(sandbox->requests("event", "game-started").isEmpty())
        << "the channel page reached the portal first";
    EXPECT_TRUE(sandbox->requests("event", "login-failed").isEmpty());
}

TEST_F(EndToEnd, ThePortalsOwnQuestionsAndNoticesReachTheUser)
{
    start({"--confirm-logout", "--alert-on-failure"});
    quaylet->logInThroughDialog("captain", "wrong", Netmarble.option);
    EXPECT_EQ(quaylet->waitForMessage(), "아이디 또는 비밀번호가 맞지 않습니다.");
    quaylet->answer(QMessageBox::Ok);
    ASSERT_TRUE(quaylet->waitForWindow(Login));
    quaylet->logInThroughDialog("captain", "sea", Netmarble.option);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));

    quaylet->click(Main, "cmdLogin");
    EXPECT_EQ(quaylet->waitForMessage(), "로그아웃 하시겠습니까?");
    quaylet->answer(QMessageBox::Ok);
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그아웃 완료"));
    EXPECT_TRUE(sandbox->waitForEvent("logout"));
}

}  // namespace
