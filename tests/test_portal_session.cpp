#include "app/Startup.h"
#include "core/Addresses.h"
#include "core/Texts.h"
#include "portal/PortalSession.h"
#include "storage/UserFile.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <gtest/gtest.h>

using platform::MessageBox;

namespace {

Endpoints testEndpoints()
{
    return Endpoints{"login.nm.test", "dho.nm.test", "www.nm.test", "login.dm.test", "logins.dm.test",
                     "www.dm.test", "user.dm.test", "dho.dm.test", "zaviv.test", "guide.test"};
}

class SessionTest : public ::testing::Test {
protected:
    AppState state;
    const Addresses a{testEndpoints()};
    FakeBrowser web;
    FakeSessionUi ui;
    FakeMessageBox messages;
    portal::PortalSession session{state, a, web, ui, messages};

    void complete(const QString& address) { web.complete(address); }

    void startLogin(Portal portal, const QString& id = "captain", const QString& password = "pw")
    {
        state.Temp.DHOPortal = portal;
        state.Temp.UserID = id;
        state.Temp.UserPWD = password;
        session.PortalLogin();
    }

    void expectFlags(int isLogin, int isLogout, int isLoginFail)
    {
        EXPECT_EQ(state.Temp.IsLogin, isLogin);
        EXPECT_EQ(state.Temp.IsLogout, isLogout);
        EXPECT_EQ(state.Temp.IsLoginFail, isLoginFail);
    }

    // The observable session state of the main window.
    void expectButtons(const QString& loginCaption, bool loginEnabled, bool gameStartEnabled)
    {
        EXPECT_EQ(ui.loginButton, loginCaption);
        EXPECT_EQ(ui.loginEnabled, loginEnabled);
        EXPECT_EQ(ui.gameStartEnabled, gameStartEnabled);
    }

    void logInNetmarble()
    {
        startLogin(Portal::Netmarble);
        complete(a.NetmarbleLoginPage);
        complete(a.NetmarbleMainPage);
    }

    void logInDaum()
    {
        startLogin(Portal::Daum);
        complete(a.DaumLoggedOutPage);
        complete(a.DaumLoginPage);
        complete(a.DaumIntroPage);
    }

    QStringList fills() const { return web.log.filter(QRegularExpression("^(value|click|check) ")); }
};

TEST_F(SessionTest, PortalLoginStartsAtEachPortalsFirstPage)
{
    state.Temp.IsLoginFail = 1;
    startLogin(Portal::Netmarble);
    EXPECT_EQ(state.Temp.IsLoginFail, 0);
    EXPECT_EQ(ui.log, (QStringList{"login button 로그인 취소", "caption Quaylet - 넷마블 로그인 중.."}));
    EXPECT_EQ(web.navigations, QStringList{a.NetmarbleLoginPage});

    ui.log.clear();
    web.navigations.clear();
    startLogin(Portal::Daum);
    EXPECT_EQ(ui.log, (QStringList{"login button 로그인 취소", "caption Quaylet - 다음 로그인 중.."}));
    EXPECT_EQ(web.navigations, QStringList{a.DaumLogoutAddress}) << "a Daum login begins with a logout";
}

TEST_F(SessionTest, LoginButtonDispatchesOnItsCaption)
{
    session.cmdLogin_Click();
    EXPECT_EQ(ui.loginDialogs, 1);
    EXPECT_TRUE(web.navigations.isEmpty());

    ui.log.clear();
    ui.loginButton = text::LogoutCaption;
    state.Temp.IsLogin = 1;
    session.cmdLogin_Click();
    EXPECT_EQ(ui.log, (QStringList{"login disabled", "game start disabled",
                                   "caption Quaylet - 넷마블 로그아웃 중.."}));
    EXPECT_EQ(state.Temp.IsLogout, 1);
    EXPECT_EQ(web.navigations.last(), a.NetmarbleLoginPage);

    ui.log.clear();
    web.navigations.clear();
    ui.loginButton = text::CancelCaption;
    state.Temp = TempState{};
    state.Temp.DHOPortal = Portal::Daum;
    session.cmdLogin_Click();
    session.cmdLogin_Click();
    EXPECT_EQ(state.Temp.IsLogin, 1);
    EXPECT_EQ(ui.log, (QStringList{"caption Quaylet - 다음 로그인 취소중..", "caption Quaylet - 다음 로그인 취소중.."}));
    EXPECT_EQ(web.navigations, (QStringList{a.DaumLogoutAddress, a.DaumLogoutAddress}));
    EXPECT_EQ(ui.loginButton, text::CancelCaption);

    ui.log.clear();
    web.navigations.clear();
    ui.loginButton = "something else";
    session.cmdLogin_Click();
    EXPECT_TRUE(ui.log.isEmpty());
    EXPECT_TRUE(web.navigations.isEmpty());
}

TEST_F(SessionTest, NetmarbleLoginFillsOncePerCompletionAndSucceeds)
{
    startLogin(Portal::Netmarble, "captain", "p\"w'\\</script>");
    complete(a.NetmarbleLoginPage);
    EXPECT_EQ(fills(), (QStringList{"value put_id=captain", "value put_pwd=p\"w'\\</script>", "click btnSubmit"}));
    complete(a.NetmarbleLoginPage);
    EXPECT_EQ(fills().size(), 6) << "each completion of the page fills it again";

    complete(a.NetmarbleMainPage);
    EXPECT_EQ(ui.caption, text::NetmarbleLoggedIn);
    expectButtons(text::LogoutCaption, true, true);
    expectFlags(1, 0, 0);
    EXPECT_EQ(web.navigations, QStringList{a.NetmarbleLoginPage}) << "AutoRun 0 starts no game";
}

TEST_F(SessionTest, AutoRunStartsTheGameRightAfterTheButtonsChange)
{
    state.Config.AutoRun = 1;
    logInNetmarble();
    const qsizetype gameStart = ui.log.indexOf("caption Quaylet - 넷마블 대항해시대 온라인 실행");
    ASSERT_GT(gameStart, 0);
    EXPECT_EQ(ui.log[gameStart - 1], "game start enabled");
    EXPECT_EQ(web.navigations.last(), a.NetmarbleChannelPage);

    web.navigations.clear();
    logInDaum();
    EXPECT_EQ(ui.caption, text::DaumGameStarting);
    EXPECT_EQ(web.navigations.last(), a.DaumChannelPage);
}

TEST_F(SessionTest, FailedLoginReopensTheDialogWithoutRefillingThePage)
{
    startLogin(Portal::Netmarble);
    complete(a.NetmarbleLoginPage);
    ui.log.clear();
    qsizetype fillsBeforeDialog = 0;
    ui.onLoginDialog = [&] {
        // The login page sent to by the failure completes while the dialog is open.
        fillsBeforeDialog = fills().size();
        complete(a.NetmarbleLoginPage);
        EXPECT_EQ(fills().size(), fillsBeforeDialog);
        expectFlags(0, 0, 1);
    };
    complete(a.NetmarbleLoginFailPage + "?err=pw");
    EXPECT_EQ(ui.log, (QStringList{"caption Quaylet - 넷마블 로그인 실패", "login button 로그인",
                                   "login enabled", "login dialog"}));
    EXPECT_EQ(web.navigations.last(), a.NetmarbleLoginPage);
    expectButtons(text::LoginCaption, true, false);

    // The dialog's next login fills the page again.
    ui.onLoginDialog = nullptr;
    startLogin(Portal::Netmarble);
    complete(a.NetmarbleLoginPage);
    EXPECT_EQ(fills().size(), fillsBeforeDialog + 3);
}

TEST_F(SessionTest, DaumFailureGoesBackToTheLoginPage)
{
    startLogin(Portal::Daum);
    complete(a.DaumLoggedOutPage);
    EXPECT_EQ(web.navigations.last(), a.DaumLoginPage);
    complete(a.DaumLoginPage);
    EXPECT_EQ(fills(), (QStringList{"value id=captain", "value enpw=pw", "click loginBtn"}));
    ui.onLoginDialog = [&] { complete(a.DaumLoginPage); };
    complete(a.DaumLoginFailPage + "12345");
    EXPECT_EQ(ui.caption, text::DaumLoginFailed);
    EXPECT_EQ(fills().size(), 3);
    EXPECT_EQ(ui.loginDialogs, 1);
    expectFlags(0, 0, 1);
}

TEST_F(SessionTest, NetmarbleLogoutRunsThePortalScriptThenCompletes)
{
    logInNetmarble();
    session.cmdLogin_Click();
    expectButtons(text::LogoutCaption, false, false);
    expectFlags(1, 1, 0);
    const qsizetype fillsBefore = fills().size();
    complete(a.NetmarbleLoginPage);
    expectFlags(0, 0, 0);
    EXPECT_EQ(web.navigations.last(), "javascript:void(go_logout());");
    EXPECT_EQ(fills().size(), fillsBefore) << "the logout step does not fill the form";
    expectButtons(text::LogoutCaption, false, false);

    complete(a.NetmarbleHomePage);
    EXPECT_EQ(ui.caption, text::NetmarbleLoggedOut);
    expectButtons(text::LoginCaption, true, false);
}

TEST_F(SessionTest, DaumLogoutCompletesAtTheLoggedOutPage)
{
    logInDaum();
    session.cmdLogin_Click();
    EXPECT_EQ(web.navigations.last(), a.DaumLogoutAddress);
    const qsizetype navigations = web.navigations.size();
    complete(a.DaumLoggedOutPage);
    EXPECT_EQ(web.navigations.size(), navigations) << "no new login starts";
    EXPECT_EQ(ui.caption, text::DaumLoggedOut);
    expectButtons(text::LoginCaption, true, false);
    expectFlags(0, 0, 0);
}

TEST_F(SessionTest, CancelCompletesOnBothPortals)
{
    startLogin(Portal::Netmarble);
    session.cmdLogin_Click();
    EXPECT_EQ(ui.caption, text::NetmarbleCancelling);
    complete(a.NetmarbleLoginPage);
    EXPECT_TRUE(fills().isEmpty()) << "a cancelling login is not filled";
    EXPECT_EQ(ui.caption, "Quaylet");
    expectButtons(text::LoginCaption, true, false);
    expectFlags(0, 0, 0);

    startLogin(Portal::Daum);
    session.cmdLogin_Click();
    const qsizetype navigations = web.navigations.size();
    complete(a.DaumLoggedOutPage);
    EXPECT_EQ(web.navigations.size(), navigations) << "D1 does not go on to the login page";
    EXPECT_EQ(ui.caption, "Quaylet");
    expectFlags(0, 0, 0);
}

TEST_F(SessionTest, SuccessWhileCancellingStillLogsIn)
{
    startLogin(Portal::Netmarble);
    session.cmdLogin_Click();
    complete(a.NetmarbleMainPage);
    EXPECT_EQ(ui.caption, text::NetmarbleLoggedIn);
    expectButtons(text::LogoutCaption, true, true);
}

TEST_F(SessionTest, JoinQuestionsActOnlyOnYes)
{
    startLogin(Portal::Netmarble);
    messages.answers = {MessageBox::Answer::No};
    complete(a.NetmarbleJoinPage + "?x=1");
    EXPECT_EQ(ui.caption, text::NetmarbleJoining);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, text::NetmarbleJoinQuestion);
    EXPECT_EQ(messages.shown[0].icon, MessageBox::Icon::Question);
    EXPECT_EQ(messages.shown[0].buttons, MessageBox::Buttons::YesNo);
    EXPECT_TRUE(fills().isEmpty());
    EXPECT_EQ(ui.loginButton, text::CancelCaption);

    messages.answers = {MessageBox::Answer::Yes};
    web.log.clear();
    complete(a.NetmarbleJoinPage);
    EXPECT_EQ(web.log, (QStringList{"check checkBox1", "navigate javascript:agree_check();"}));
    complete(a.NetmarbleIntroPage);
    EXPECT_EQ(ui.caption, text::NetmarbleGameStarting);
    EXPECT_EQ(web.navigations.last(), a.NetmarbleChannelPage);
    EXPECT_EQ(ui.loginButton, text::CancelCaption) << "joining changes no button";

    startLogin(Portal::Daum);
    messages.answers = {MessageBox::Answer::Yes};
    web.log.clear();
    complete(a.DaumJoinPage);
    EXPECT_EQ(ui.caption, "Quaylet = 다음 대항해시대 온라인 가입");
    EXPECT_EQ(messages.shown.last().text, text::DaumJoinQuestion);
    EXPECT_EQ(web.log, (QStringList{"check checkBox1", "navigate javascript:agree_check();"}));
    complete(a.DaumIntroPage + "?joined=1");
    EXPECT_EQ(web.navigations.last(), a.DaumChannelPage);
    EXPECT_EQ(state.Temp.IsLogin, 0) << "D10 starts the game without logging in";

    web.log.clear();
    complete(a.DaumJoinPage + "x");
    EXPECT_TRUE(web.log.isEmpty()) << "the join page is compared whole";
}

TEST_F(SessionTest, DaumConsentChecksBeforeFinishing)
{
    startLogin(Portal::Daum);
    messages.answers = {MessageBox::Answer::Yes};
    complete(a.DaumConsentPage + "?rurl=x");
    EXPECT_EQ(ui.caption, text::DaumConsenting);
    EXPECT_EQ(messages.shown.last().text, text::DaumConsentQuestion);
    EXPECT_EQ(fills(), (QStringList{"check confirm", "click _finish"}));

    messages.answers = {MessageBox::Answer::No};
    complete(a.DaumConsentPage);
    EXPECT_EQ(fills().size(), 2);
    EXPECT_EQ(ui.caption, text::DaumConsenting);
}

TEST_F(SessionTest, LockedIdOpensTheUnlockWindowAndKeepsTheWholeAddress)
{
    startLogin(Portal::Netmarble);
    complete(a.NetmarbleLockPage + "?id=captain&t=1");
    EXPECT_EQ(state.Temp.IDLockURL, a.NetmarbleLockPage + "?id=captain&t=1");
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, text::NetmarbleLockedNotice);
    EXPECT_EQ(messages.shown[0].icon, MessageBox::Icon::Exclamation);
    EXPECT_EQ(messages.shown[0].buttons, MessageBox::Buttons::Ok);
    EXPECT_EQ(ui.unlockWindows, 1);

    complete(a.NetmarbleLockPage + "?id=other");
    EXPECT_EQ(state.Temp.IDLockURL, a.NetmarbleLockPage + "?id=other");
    EXPECT_EQ(ui.unlockWindows, 2);

    // The unlock window sends the browser back to the login page: filled again.
    complete(a.NetmarbleLoginPage);
    EXPECT_EQ(fills().size(), 3);
}

TEST_F(SessionTest, NearMissesAndTheOtherPortalAreIgnored)
{
    startLogin(Portal::Netmarble);
    ui.log.clear();
    for (const QString& address :
         {a.NetmarbleMainPage + "?q=1", QString(a.NetmarbleMainPage).replace("main", "Main"),
          a.NetmarbleLoginPage + "x", a.NetmarbleLoginPage.toLower(), a.NetmarbleHomePage + "index.html",
          QString("http://login.nm.test/login/LoginFai"), a.DaumIntroPage, a.DaumLoggedOutPage,
          a.DaumLoginFailPage + "1", a.NetmarbleChannelPage, QString()}) {
        complete(address);
    }
    EXPECT_TRUE(ui.log.isEmpty()) << ui.log.join('|').toStdString();
    EXPECT_TRUE(fills().isEmpty());

    startLogin(Portal::Daum);
    ui.log.clear();
    for (const QString& address : {a.NetmarbleMainPage, a.NetmarbleLoginFailPage, a.NetmarbleLockPage,
                                   a.DaumLoginPage + "&x", a.DaumHomePage + "#", a.DaumChannelPage}) {
        complete(address);
    }
    EXPECT_TRUE(ui.log.isEmpty()) << ui.log.join('|').toStdString();

    state.Temp.IsLogout = 1;
    state.Temp.IsLogin = 0;
    const qsizetype navigations = web.navigations.size();
    complete(a.DaumLoggedOutPage);
    EXPECT_EQ(web.navigations.size(), navigations) << "logout flag without a session: no rule";
    EXPECT_TRUE(ui.log.isEmpty());
}

// The browser may give back what it holds only while the session waits for
// nothing from it: idle, failed or logged in.
TEST_F(SessionTest, TellsTheBrowserWhenANetmarbleSessionWaitsForNothing)
{
    EXPECT_EQ(web.settledReports, QList<bool>{true}) << "idle from the start";
    startLogin(Portal::Netmarble);
    EXPECT_FALSE(web.settled);
    complete(a.NetmarbleLoginPage);
    EXPECT_FALSE(web.settled) << "the form went out";
    complete(a.NetmarbleMainPage);
    EXPECT_TRUE(web.settled) << "logged in";

    session.GameStart();
    EXPECT_TRUE(web.settled) << "a game start leaves the session logged in";
    complete(a.NetmarbleChannelPage);
    EXPECT_TRUE(web.settled);

    session.cmdLogin_Click();
    EXPECT_FALSE(web.settled) << "logging out";
    complete(a.NetmarbleLoginPage);
    expectFlags(0, 0, 0);
    EXPECT_FALSE(web.settled) << "the logout script has yet to reach the home page";
    complete(a.NetmarbleHomePage);
    EXPECT_TRUE(web.settled) << "logged out";

    startLogin(Portal::Netmarble);
    session.cmdLogin_Click();
    EXPECT_FALSE(web.settled) << "cancelling";
    complete(a.NetmarbleLoginPage);
    EXPECT_TRUE(web.settled) << "cancelled";
}

TEST_F(SessionTest, TellsTheBrowserWhenADaumSessionWaitsForNothing)
{
    startLogin(Portal::Daum);
    complete(a.DaumLoggedOutPage);
    EXPECT_FALSE(web.settled) << "on the way to the login page";
    complete(a.DaumLoginPage);
    complete(a.DaumHomePage);
    EXPECT_FALSE(web.settled) << "on the way to the intro page";
    complete(a.DaumIntroPage);
    EXPECT_TRUE(web.settled);

    session.cmdLogin_Click();
    EXPECT_FALSE(web.settled);
    complete(a.DaumLoggedOutPage);
    EXPECT_TRUE(web.settled);

    startLogin(Portal::Daum);
    session.cmdLogin_Click();
    complete(a.DaumLoggedOutPage);
    EXPECT_EQ(ui.caption, "Quaylet");
    EXPECT_TRUE(web.settled) << "cancelled";
}

TEST_F(SessionTest, AFailedSessionIsSettledWhileTheLoginDialogIsOpen)
{
    startLogin(Portal::Daum);
    complete(a.DaumLoggedOutPage);
    complete(a.DaumLoginPage);
    bool settledInDialog = false;
    ui.onLoginDialog = [&] {
        settledInDialog = web.settled;
        complete(a.DaumLoginPage);
        EXPECT_TRUE(web.settled);
        // The user starts the next login from the dialog.
        session.PortalLogin();
        EXPECT_FALSE(web.settled);
    };
    complete(a.DaumLoginFailPage + "1");
    EXPECT_TRUE(settledInDialog);
    EXPECT_FALSE(web.settled) << "the dialog's login is under way when it closes";
}

TEST_F(SessionTest, QuestionsLocksAndAnEndingProgramKeepTheSessionWaiting)
{
    startLogin(Portal::Netmarble);
    messages.answers = {MessageBox::Answer::No};
    complete(a.NetmarbleJoinPage);
    EXPECT_FALSE(web.settled) << "a join answered No leaves the login under way";
    complete(a.NetmarbleLockPage + "?id=captain");
    EXPECT_FALSE(web.settled) << "the unlock window will send the browser back to the login";

    complete(a.NetmarbleMainPage);
    ASSERT_TRUE(web.settled);
    state.Config.GSA = AfterStart::Quit;
    session.GameStart();
    EXPECT_FALSE(web.settled) << "the program waits for the channel page before it ends";
}

struct AfterStartCase {
    Portal portal;
    AfterStart gsa;
    const char* caption;
    bool navigates;
    bool minimised;
    bool ending;
};

class GameStartTest : public SessionTest, public ::testing::WithParamInterface<AfterStartCase> {};

TEST_P(GameStartTest, ChannelPageThenAfterStartAction)
{
    const AfterStartCase& c = GetParam();
    state.Temp.DHOPortal = c.portal;
    state.Config.GSA = c.gsa;
    session.GameStart();
    EXPECT_EQ(ui.caption, QString::fromUtf8(c.caption));
    EXPECT_EQ(web.navigations.size(), c.navigates ? 1 : 0);
    EXPECT_EQ(ui.minimised, c.minimised);
    EXPECT_EQ(ui.ending, c.ending);
    EXPECT_FALSE(ui.ended) << "the process outlives the request for the channel page";
    EXPECT_EQ(state.Temp.IsLogin, 0);
}

INSTANTIATE_TEST_SUITE_P(
    PortalsAndActions, GameStartTest,
    ::testing::Values(
        AfterStartCase{Portal::Netmarble, AfterStart::Nothing, "Quaylet - 넷마블 대항해시대 온라인 실행", true, false, false},
        AfterStartCase{Portal::Daum, AfterStart::Minimise, "Quaylet - 다음 대항해시대 온라인 실행", true, true, false},
        AfterStartCase{Portal::Netmarble, AfterStart::Quit, "Quaylet - 넷마블 대항해시대 온라인 실행", true, false, true}),
    [](const ::testing::TestParamInfo<AfterStartCase>& info) {
        return "portal" + std::to_string(int(info.param.portal)) + "_gsa" + std::to_string(int(info.param.gsa));
    });

TEST_F(SessionTest, QuittingAfterStartEndsOnceTheChannelPageIsAnswered)
{
    state.Config.GSA = AfterStart::Quit;
    state.Config.AutoRun = 1;
    logInNetmarble();
    EXPECT_TRUE(ui.ending);
    EXPECT_FALSE(ui.ended);
    ui.log.clear();
    complete(a.NetmarbleChannelPage);
    EXPECT_EQ(ui.log, QStringList{"end program"}) << "no rule runs once the program is ending";
}

TEST_F(SessionTest, QuittingAfterStartEndsWhenTheChannelPageFails)
{
    state.Config.GSA = AfterStart::Quit;
    state.Temp.DHOPortal = Portal::Daum;
    session.GameStart();
    web.failed(a.DaumChannelPage, {portal::LoadFailure::Kind::Refused, -102});
    EXPECT_TRUE(ui.ended);
    EXPECT_TRUE(messages.shown.isEmpty());
}

// What the user sees of an unreachable portal: one box, and the idle state
// already in place while it is open.
struct Unreachable {
    QString caption;
    QString loginButton;
    bool loginEnabled;
    bool gameStartEnabled;
    int flags;
    QString text;
};

class UnreachableTest : public SessionTest {
protected:
    Unreachable seen;

    void SetUp() override
    {
        messages.onShow = [this] {
            seen = {ui.caption, ui.loginButton, ui.loginEnabled, ui.gameStartEnabled,
                    state.Temp.IsLogin + state.Temp.IsLogout + state.Temp.IsLoginFail, messages.shown.last().text};
        };
    }

    void fail(const QString& address, portal::LoadFailure::Kind kind = portal::LoadFailure::Kind::Refused)
    {
        web.failed(address, {kind, -1});
    }

    void expectIdleAfterOneBox(const QString& firstLine)
    {
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].icon, MessageBox::Icon::Critical);
        EXPECT_EQ(messages.shown[0].buttons, MessageBox::Buttons::Ok);
        EXPECT_EQ(seen.text.section(u'\n', 0, 0), firstLine);
        EXPECT_FALSE(seen.text.section(u'\n', 1).isEmpty()) << "the reason on a second line";
        EXPECT_EQ(seen.caption, text::AppTitle);
        EXPECT_EQ(seen.loginButton, text::LoginCaption);
        EXPECT_TRUE(seen.loginEnabled);
        EXPECT_FALSE(seen.gameStartEnabled);
        EXPECT_EQ(seen.flags, 0);
    }
};

TEST_F(UnreachableTest, ALoginReturnsToIdle)
{
    startLogin(Portal::Netmarble);
    fail(a.NetmarbleLoginPage);
    expectIdleAfterOneBox(text::NetmarbleUnreachable);

    // The submitted form's answer that never comes counts the same.
    startLogin(Portal::Daum);
    complete(a.DaumLoggedOutPage);
    complete(a.DaumLoginPage);
    messages.shown.clear();
    fail("https://logins.dm.test/accounts/login.do", portal::LoadFailure::Kind::TimedOut);
    expectIdleAfterOneBox(text::DaumUnreachable);
}

TEST_F(UnreachableTest, ACancelReturnsToIdle)
{
    startLogin(Portal::Daum);
    session.cmdLogin_Click();
    ASSERT_EQ(state.Temp.IsLogin, 1);
    fail(a.DaumLogoutAddress, portal::LoadFailure::Kind::HostNotFound);
    expectIdleAfterOneBox(text::DaumUnreachable);
}

TEST_F(UnreachableTest, ALogoutReturnsToIdleBeforeAndAfterItsScript)
{
    logInNetmarble();
    session.cmdLogin_Click();
    fail(a.NetmarbleLoginPage);
    expectIdleAfterOneBox(text::NetmarbleUnreachable);

    messages.shown.clear();
    logInNetmarble();
    session.cmdLogin_Click();
    complete(a.NetmarbleLoginPage);  // the logout step clears both flags
    fail(a.NetmarbleHomePage, portal::LoadFailure::Kind::ServerError);
    expectIdleAfterOneBox(text::NetmarbleUnreachable);
}

TEST_F(UnreachableTest, AGameStartThatFailsOnlyTells)
{
    logInNetmarble();
    session.GameStart();
    fail(a.NetmarbleChannelPage);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.startsWith(text::NetmarbleUnreachable));
    expectFlags(1, 0, 0);
    expectButtons(text::LogoutCaption, true, true);
    EXPECT_EQ(ui.caption, text::NetmarbleGameStarting);
}

TEST_F(UnreachableTest, NothingUnderWayNothingToTell)
{
    // Failed: the login page behind the open login dialog fails; the next login will tell.
    startLogin(Portal::Netmarble);
    complete(a.NetmarbleLoginFailPage);
    fail(a.NetmarbleLoginPage);
    expectFlags(0, 0, 1);
    // Logged in: a page the portal loads by itself fails.
    logInNetmarble();
    fail("http://dho.nm.test/news.asp");
    expectFlags(1, 0, 0);
    EXPECT_TRUE(messages.shown.isEmpty());
}

TEST_F(UnreachableTest, EveryReasonReadsDifferently)
{
    using Kind = portal::LoadFailure::Kind;
    QStringList reasons;
    for (Kind kind : {Kind::Refused, Kind::HostNotFound, Kind::Certificate, Kind::TimedOut, Kind::ConnectionLost,
                      Kind::ServerError, Kind::Other}) {
        startLogin(Portal::Netmarble);
        fail(a.NetmarbleLoginPage, kind);
        reasons.append(seen.text.section(u'\n', 1));
    }
    reasons.removeDuplicates();
    EXPECT_EQ(reasons.size(), 7) << reasons.join(u'|').toStdString();
}

// The maintainer's log: what completed and which rule acted, never the account.
TEST_F(SessionTest, TheSessionLogNamesRulesButNeverTheAccount)
{
    static QStringList lines;
    lines.clear();
    QLoggingCategory::setFilterRules(QStringLiteral("quaylet.session.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext& context, const QString& message) {
            if (QByteArray(context.category).startsWith("quaylet."))
                lines.append(message);
        });
    startLogin(Portal::Netmarble, "선장 captain", "pw s3cret");
    complete(a.NetmarbleLoginPage);
    complete(a.NetmarbleLockPage + "?id=%EC%84%A0%EC%9E%A5%20captain&p=pw%20s3cret");
    web.failed(a.NetmarbleMainPage + "?u=" + state.Temp.UserID, {portal::LoadFailure::Kind::Refused, -102});
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());

    const QString log = lines.join(u'\n');
    EXPECT_TRUE(log.contains("N1 fill")) << log.toStdString();
    EXPECT_TRUE(log.contains("N9 locked ID"));
    EXPECT_TRUE(log.contains("navigate"));
    EXPECT_TRUE(log.contains("failed"));
    for (const char* secret : {"captain", "s3cret", "선장", "%EC%84%A0"})
        EXPECT_FALSE(log.contains(QString::fromUtf8(secret))) << secret << "\n" << log.toStdString();
}

class StartupTest : public SessionTest {
protected:
    ProgramDir dir;
    storage::UserFile users{state, dir.path(), messages};
};

TEST_F(StartupTest, AutomaticLoginStartsEvenWithoutSavedCredentials)
{
    dir.write("config.ini", " 0 \r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\nNetmarble\r\n");
    Form_Load(state, dir.path(), users, session);
    EXPECT_EQ(ui.caption, text::NetmarbleLoggingIn);
    EXPECT_EQ(ui.loginButton, text::CancelCaption);
    complete(a.NetmarbleLoginPage);
    EXPECT_EQ(fills(), (QStringList{"value put_id=", "value put_pwd=", "click btnSubmit"}));
}

TEST_F(StartupTest, AutomaticLoginUsesTheSavedCredentialsOnDaum)
{
    dir.write("config.ini", " 0 \r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\nDaum\r\n");
    dir.write("User.ini", "45:7=3\r\n45:7=3\r\n");
    Form_Load(state, dir.path(), users, session);
    EXPECT_EQ(web.navigations, QStringList{a.DaumLogoutAddress});
    complete(a.DaumLoggedOutPage);
    complete(a.DaumLoginPage);
    EXPECT_EQ(fills(), (QStringList{"value id=abc", "value enpw=abc", "click loginBtn"}));
}

TEST_F(StartupTest, WithoutAutomaticLoginNothingLoads)
{
    dir.write("config.ini", " 0 \r\n 1 \r\n 1 \r\n 0 \r\n 0 \r\n 0 \r\nDaum\r\n");
    dir.write("User.ini", "45:7=3\r\n45:7=3\r\n");
    Form_Load(state, dir.path(), users, session);
    EXPECT_TRUE(web.navigations.isEmpty());
    EXPECT_TRUE(state.Temp.UserID.isEmpty()) << "the credentials are read only for the automatic login";
    EXPECT_EQ(ui.loginButton, text::LoginCaption);
    EXPECT_EQ(state.Temp.DHOPortal, Portal::Daum);
}

TEST_F(StartupTest, DamagedFilesNeverStopTheStart)
{
    dir.write("config.ini", "\x01\x02\r\n 1 \r\n 1 \r\n 1 \r\n 9 \r\n 9 \r\n\xb0\xa1\r\n");
    dir.write("User.ini", "###\r\n");
    Form_Load(state, dir.path(), users, session);
    EXPECT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(web.navigations, QStringList{a.NetmarbleLoginPage});
}

}  // namespace
