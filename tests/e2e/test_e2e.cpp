#include "core/AppState.h"
#include "e2e/Driver.h"
#include "storage/Crypt.h"
#include "support/TempDir.h"

#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString Main = "frmMain";
const QString Login = "frmLogin";
const QString Netmarble = "optDHONetmarble";
const QString Daum = "optDHODaum";

// One program directory, one sandbox and one program per test.
class EndToEnd : public ::testing::Test {
protected:
    ProgramDir dir;
    std::unique_ptr<Sandbox> sandbox;
    std::unique_ptr<Quaylet> quaylet;

    void SetUp() override
    {
        sandbox = std::make_unique<Sandbox>(dir.file("portal.log"));
        ASSERT_TRUE(sandbox->ready()) << "the sandbox did not start";
    }

    // A sandbox whose portals misbehave as the quirks say.
    void useSandbox(const QStringList& quirks)
    {
        sandbox.reset();
        sandbox = std::make_unique<Sandbox>(dir.file("portal.log"), quirks);
        ASSERT_TRUE(sandbox->ready()) << "the sandbox did not start";
    }

    void start()
    {
        quaylet = std::make_unique<Quaylet>(dir.path());
        ASSERT_TRUE(quaylet->connected()) << "the program did not start";
    }

    // Settings in file order: WindowRun, IDSave, PWDSave, AutoLogin, AutoRun, GSA, portal.
    void configure(int idSave, int pwdSave, int autoLogin, int autoRun, int gsa, const char* portal)
    {
        dir.write("config.ini", QStringLiteral(" 0 \r\n %1 \r\n %2 \r\n %3 \r\n %4 \r\n %5 \r\n%6\r\n")
                                    .arg(idSave).arg(pwdSave).arg(autoLogin).arg(autoRun).arg(gsa)
                                    .arg(portal).toLatin1());
    }

    void saveCredentials(const QString& id, const QString& password)
    {
        TempState temp;
        storage::Crypt crypt(temp, {});
        QByteArray bytes;
        for (const QString& value : {id, password}) {
            crypt.Encrypt(value);
            bytes += temp.CryptText.toLatin1() + "\r\n";
        }
        dir.write("User.ini", bytes);
    }

    int requests(const QString& path)
    {
        int count = 0;
        for (const QJsonObject& line : sandbox->log())
            count += line.value("path").toString() == path;
        return count;
    }

    QString loginForm(const QString& field)
    {
        for (const QJsonObject& line : sandbox->log()) {
            if (line.value("method") == "POST" && line.value("form").toObject().contains(field))
                return line.value("form").toObject().value(field).toString();
        }
        return {};
    }
};

TEST_F(EndToEnd, NetmarbleLoginThroughTheDialogStartsTheGameByHand)
{
    start();
    EXPECT_EQ(quaylet->caption(), "Quaylet");
    EXPECT_FALSE(quaylet->control(Main, "cmdGameStart").value("enabled").toBool());
    quaylet->logInThroughDialog("captain", "sea", Netmarble);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));
    EXPECT_EQ(quaylet->control(Main, "cmdLogin").value("text").toString(), "로그아웃");
    EXPECT_FALSE(quaylet->windowOpen(Login));

    quaylet->click(Main, "cmdGameStart");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 대항해시대 온라인 실행"));
    EXPECT_TRUE(sandbox->waitForEvent("game-started"));
    EXPECT_EQ(loginForm("put_id"), "captain");
}

TEST_F(EndToEnd, NetmarbleFailureReopensTheDialogAndTheNextLoginWorks)
{
    start();
    quaylet->logInThroughDialog("captain", "wrong", Netmarble);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 실패"));
    ASSERT_TRUE(quaylet->waitForWindow(Login));
    EXPECT_EQ(quaylet->control(Login, "txtID").value("text").toString(), "captain");
    quaylet->logInThroughDialog("captain", "sea", Netmarble);
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));
}

TEST_F(EndToEnd, NetmarbleLogoutAndCancel)
{
    start();
    quaylet->logInThroughDialog("captain", "sea", Netmarble);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));
    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그아웃 완료"));
    EXPECT_TRUE(sandbox->waitForEvent("logout"));
    EXPECT_EQ(quaylet->control(Main, "cmdLogin").value("text").toString(), "로그인");
    EXPECT_FALSE(quaylet->control(Main, "cmdGameStart").value("enabled").toBool());

    quaylet->logInThroughDialog("slow", "sea", Netmarble);
    ASSERT_TRUE(eventually([&] { return requests("/login/login.asp") == 2; }));
    QThread::msleep(800);  // the form goes out; the slow portal keeps it waiting
    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));
    EXPECT_TRUE(sandbox->waitForEvent("cancelled")) << "the waiting login was dropped";
    EXPECT_EQ(quaylet->control(Main, "cmdLogin").value("text").toString(), "로그인");
    EXPECT_FALSE(quaylet->control(Main, "cmdGameStart").value("enabled").toBool());
}

TEST_F(EndToEnd, NetmarbleLockedIdGoesThroughTheUnlockWindowBackIntoTheLogin)
{
    start();
    quaylet->logInThroughDialog("locked", "sea", Netmarble);
    EXPECT_EQ(quaylet->waitForMessage(), "넷마블 ID가 잠겨있습니다. 잠금 해지 페이지로 연결합니다");
    quaylet->answer("OK");
    ASSERT_TRUE(quaylet->waitForWindow("frmIDLock"));
    EXPECT_EQ(quaylet->control(Main, "cmdLogin").value("text").toString(), "로그인 취소");
    // Once for the main browser, once for the unlock window.
    ASSERT_TRUE(eventually([&] { return requests("/login/LockStealID.asp") == 2; }));
    QThread::msleep(500);
    // The user works the portal's unlock page: the button is the first stop of the tab chain.
    quaylet->key("frmIDLock", "Web2", "Tab");
    quaylet->key("frmIDLock", "Web2", "Space");
    EXPECT_EQ(quaylet->waitForMessage(), "아이디가 성공적으로 잠금해지 되었습니다. 다시 로그인합니다.");
    quaylet->answer("OK");
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));
    EXPECT_FALSE(quaylet->windowOpen("frmIDLock"));
    EXPECT_FALSE(sandbox->event("unlocked").isEmpty());
}

TEST_F(EndToEnd, NetmarbleJoinNoLeavesThePageYesJoinsAndStartsTheGame)
{
    start();
    quaylet->logInThroughDialog("newbie", "sea", Netmarble);
    EXPECT_TRUE(quaylet->waitForMessage().startsWith("넷마블 대항해시대에 가입이 되어있지 않습니다."));
    EXPECT_EQ(quaylet->caption(), "Quaylet - 넷마블 대항해시대 온라인 가입");
    quaylet->answer("No");
    QThread::msleep(500);
    EXPECT_EQ(quaylet->caption(), "Quaylet - 넷마블 대항해시대 온라인 가입");
    EXPECT_TRUE(sandbox->event("joined").isEmpty());

    quaylet->click(Main, "cmdLogin");  // cancel, then try again and agree
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));
    quaylet->logInThroughDialog("newbie", "sea", Netmarble);
    EXPECT_FALSE(quaylet->waitForMessage().isEmpty());
    quaylet->answer("Yes");
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 대항해시대 온라인 실행"));
    EXPECT_TRUE(sandbox->waitForEvent("joined"));
    EXPECT_TRUE(sandbox->waitForEvent("game-started"));
    EXPECT_EQ(quaylet->control(Main, "cmdLogin").value("text").toString(), "로그인 취소");
}

TEST_F(EndToEnd, DaumLoginLogoutAndCancel)
{
    start();
    quaylet->logInThroughDialog("captain", "sea", Daum);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그인 완료"));
    EXPECT_EQ(loginForm("id"), "captain");
    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그아웃 완료"));
    EXPECT_EQ(quaylet->control(Main, "cmdLogin").value("text").toString(), "로그인");

    quaylet->logInThroughDialog("slow", "sea", Daum);
    ASSERT_TRUE(eventually([&] { return requests("/Mail-bin/login.html") == 2; }));
    QThread::msleep(800);
    quaylet->click(Main, "cmdLogin");
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet"));
    EXPECT_TRUE(sandbox->waitForEvent("cancelled"));
}

TEST_F(EndToEnd, DaumFailureThenLoginThroughTheHomePage)
{
    start();
    quaylet->logInThroughDialog("homeward", "wrong", Daum);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그인 실패"));
    ASSERT_TRUE(quaylet->waitForWindow(Login));
    EXPECT_TRUE(quaylet->control(Login, Daum).value("checked").toBool());
    // The user takes longer over the dialog than the browser's quiet time.
    QThread::msleep(3000);
    quaylet->logInThroughDialog("homeward", "sea", Daum);
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그인 완료"));
}

TEST_F(EndToEnd, DaumConsentAndJoin)
{
    start();
    quaylet->logInThroughDialog("consent", "sea", Daum);
    EXPECT_TRUE(quaylet->waitForMessage().startsWith("다음 개인정보제공 동의를 하지않으셨습니다."));
    EXPECT_EQ(quaylet->caption(), "Quaylet - 다음 개인정보제공 동의");
    quaylet->answer("Yes");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그인 완료"));
    EXPECT_FALSE(sandbox->event("consent").isEmpty());

    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그아웃 완료"));
    quaylet->logInThroughDialog("newbie", "sea", Daum);
    EXPECT_TRUE(quaylet->waitForMessage().startsWith("다음 대항해시대에 가입이 되어있지 않습니다."));
    EXPECT_EQ(quaylet->caption(), "Quaylet = 다음 대항해시대 온라인 가입");
    quaylet->answer("Yes");
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet - 다음 대항해시대 온라인 실행"));
    EXPECT_TRUE(sandbox->waitForEvent("game-started"));
}

// Settled after a login, the hidden browser lets its page go; the game start,
// the logout and the next login work as before on a fresh page, and the old
// documents are never asked for again.
TEST_F(EndToEnd, NetmarbleGameStartLogoutAndLoginAfterTheBrowserWentIdle)
{
    start();
    EXPECT_FALSE(quaylet->browserHoldsPage()) << "no page before the first login";
    quaylet->logInThroughDialog("captain", "sea", Netmarble);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));
    ASSERT_TRUE(quaylet->waitForIdleBrowser());

    quaylet->click(Main, "cmdGameStart");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 대항해시대 온라인 실행"));
    EXPECT_TRUE(sandbox->waitForEvent("game-started"));
    EXPECT_EQ(sandbox->event("game-started").value("user").toString(), "captain") << "the session cookie stayed";
    ASSERT_TRUE(quaylet->waitForIdleBrowser()) << "idle again after the channel page";

    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그아웃 완료"));
    EXPECT_TRUE(sandbox->waitForEvent("logout"));
    ASSERT_TRUE(quaylet->waitForIdleBrowser());

    quaylet->logInThroughDialog("captain", "sea", Netmarble);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));
    EXPECT_EQ(requests("/main.asp"), 2);
    EXPECT_EQ(requests("/GameChannel/channel.asp"), 1);
    EXPECT_FALSE(quaylet->windowOpen(Login));
}

TEST_F(EndToEnd, DaumGameStartLogoutAndLoginAfterTheBrowserWentIdle)
{
    start();
    quaylet->logInThroughDialog("captain", "sea", Daum);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그인 완료"));
    ASSERT_TRUE(quaylet->waitForIdleBrowser());

    quaylet->click(Main, "cmdGameStart");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 대항해시대 온라인 실행"));
    EXPECT_TRUE(sandbox->waitForEvent("game-started"));
    EXPECT_EQ(sandbox->event("game-started").value("user").toString(), "captain") << "the session cookie stayed";
    ASSERT_TRUE(quaylet->waitForIdleBrowser());

    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그아웃 완료"));
    EXPECT_TRUE(sandbox->waitForEvent("logout"));
    ASSERT_TRUE(quaylet->waitForIdleBrowser());

    quaylet->logInThroughDialog("captain", "sea", Daum);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그인 완료"));
    EXPECT_EQ(requests("/intro.asp"), 2);
    EXPECT_EQ(requests("/GameChannel/channel.asp"), 1);
}

TEST_F(EndToEnd, AutomaticLoginWithSavedCredentials)
{
    configure(1, 1, 1, 0, 0, "Netmarble");
    saveCredentials("captain", "sea");
    start();
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));
    EXPECT_FALSE(quaylet->windowOpen(Login));
}

TEST_F(EndToEnd, AutomaticLoginWithoutSavedCredentialsOpensTheDialogAfterTheFailure)
{
    configure(1, 1, 1, 0, 0, "Daum");
    start();
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그인 실패"));
    EXPECT_TRUE(quaylet->waitForWindow(Login));
    EXPECT_EQ(loginForm("id"), "");
}

TEST_F(EndToEnd, QuitAfterTheGameStartsEndsTheProgramOnceThePortalHasTheRequest)
{
    configure(1, 1, 1, 1, 2, "Daum");
    saveCredentials("captain", "sea");
    start();
    ASSERT_TRUE(quaylet->waitForExit(30000)) << "the program should end by itself";
    EXPECT_FALSE(sandbox->event("game-started").isEmpty()) << "the channel page reached the portal first";
}

TEST_F(EndToEnd, PasswordsArriveVerbatim)
{
    const QString password = QStringLiteral("q\"u'o\\te</script><script>alert(1)</script>선장`${x}`\nnext");
    // Password fields drop line breaks from their value, as every browser does:
    // everything else arrives as typed.
    const QString arriving = QString(password).remove('\n');
    start();
    quaylet->logInThroughDialog("echo", password, Netmarble);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));
    EXPECT_EQ(loginForm("put_pwd"), arriving);

    quaylet->click(Main, "cmdLogin");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그아웃 완료"));
    quaylet->logInThroughDialog("echo", password, Daum);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 다음 로그인 완료"));
    EXPECT_EQ(loginForm("enpw"), arriving);
}

// Portals that take their time, answer nothing, or ask the user things.

TEST_F(EndToEnd, CancelDuringTheFirstPageNeverLogsIn)
{
    useSandbox({"--first-page-delay", "1500"});
    for (const char* portal : {"Netmarble", "Daum"}) {
        SCOPED_TRACE(portal);
        const QString loggingIn = portal == QLatin1String("Daum") ? "Quaylet - 다음 로그인 중.." : "Quaylet - 넷마블 로그인 중..";
        configure(1, 1, 1, 0, 0, portal);
        saveCredentials("captain", "sea");
        start();
        ASSERT_TRUE(quaylet->waitForCaption(loggingIn));
        quaylet->click(Main, "cmdLogin");
        ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));
        QThread::msleep(2500);  // every late answer is in by now
        EXPECT_EQ(quaylet->caption(), "Quaylet");
        EXPECT_EQ(quaylet->control(Main, "cmdLogin").value("text").toString(), "로그인");
        EXPECT_TRUE(sandbox->event("login-ok").isEmpty()) << "the login form went out";
        quaylet.reset();
    }
}

TEST_F(EndToEnd, AnUnreachablePortalIsToldAndTheProgramStaysUsable)
{
    useSandbox({"--closed", "NetmarbleLogin", "--closed", "DaumLogin"});
    start();
    quaylet->logInThroughDialog("captain", "sea", Netmarble);
    EXPECT_EQ(quaylet->waitForMessage(), "넷마블에 연결할 수 없습니다.\n서버가 연결을 거부했습니다.");
    quaylet->answer("OK");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));
    EXPECT_EQ(quaylet->control(Main, "cmdLogin").value("text").toString(), "로그인");
    EXPECT_TRUE(quaylet->control(Main, "cmdLogin").value("enabled").toBool());

    quaylet->logInThroughDialog("captain", "sea", Daum);
    EXPECT_EQ(quaylet->waitForMessage(), "다음에 연결할 수 없습니다.\n서버가 연결을 거부했습니다.");
    quaylet->answer("OK");
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet"));
    EXPECT_FALSE(quaylet->control(Main, "cmdGameStart").value("enabled").toBool());
}

TEST_F(EndToEnd, ThePortalsOwnQuestionsAndNoticesReachTheUser)
{
    useSandbox({"--confirm-logout", "--alert-on-failure"});
    start();
    quaylet->logInThroughDialog("captain", "wrong", Netmarble);
    EXPECT_EQ(quaylet->waitForMessage(), "아이디 또는 비밀번호가 맞지 않습니다.");
    quaylet->answer("OK");
    ASSERT_TRUE(quaylet->waitForWindow(Login));
    quaylet->logInThroughDialog("captain", "sea", Netmarble);
    ASSERT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));

    quaylet->click(Main, "cmdLogin");
    EXPECT_EQ(quaylet->waitForMessage(), "로그아웃 하시겠습니까?");
    quaylet->answer("OK");
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그아웃 완료"));
    EXPECT_TRUE(sandbox->waitForEvent("logout"));
}

TEST_F(EndToEnd, AnUnlockPageThatOpensANewWindowCanBeFinished)
{
    useSandbox({"--unlock-in-new-window"});
    start();
    quaylet->logInThroughDialog("locked", "sea", Netmarble);
    EXPECT_FALSE(quaylet->waitForMessage().isEmpty());
    quaylet->answer("OK");
    ASSERT_TRUE(quaylet->waitForWindow("frmIDLock"));
    ASSERT_TRUE(eventually([&] { return requests("/login/LockStealID.asp") == 2; }));
    QThread::msleep(500);
    quaylet->key("frmIDLock", "Web2", "Tab");
    quaylet->key("frmIDLock", "Web2", "Space");
    // The portal's own window unlocks the ID and sends the unlock page on.
    EXPECT_EQ(quaylet->waitForMessage(), "아이디가 성공적으로 잠금해지 되었습니다. 다시 로그인합니다.");
    EXPECT_FALSE(sandbox->event("unlocked").isEmpty());
    quaylet->answer("OK");
    EXPECT_TRUE(quaylet->waitForCaption("Quaylet - 넷마블 로그인 완료"));
    EXPECT_FALSE(quaylet->windowOpen("frmIDLock"));
    EXPECT_FALSE(quaylet->windowOpen("frmIDLockPopup"));
}

}  // namespace
