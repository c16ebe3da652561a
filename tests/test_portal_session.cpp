#include "core/Addresses.h"
#include "core/Texts.h"
#include "portal/PortalSession.h"
#include "support/Fakes.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <gtest/gtest.h>

using platform::MessageBox;
using Kind = portal::LoadFailure::Kind;
using portal::LaunchReport;
using Document = portal::Browser::Document;
using namespace Qt::StringLiterals;

namespace {

class SessionTest : public ::testing::Test {
protected:
    AppState state;
    const Addresses a{Endpoints{"login.nm.test", "dho.nm.test", "www.nm.test", "login.dm.test", "logins.dm.test",
                                "www.dm.test", "user.dm.test", "dho.dm.test", "zaviv.test", "guide.test"}};
    FakeBrowser web;
    FakeSessionUi ui;
    FakeMessageBox messages;
    portal::PortalSession session{state, a, web, ui, messages};

    // The browser goes to the https spelling of the program's addresses first.
    void complete(const QString& address, Document document = Document::Page)
    {
        web.complete(QString(address).replace(QRegularExpression("^http://"), "https://"), document);
    }
    void fail(const QString& address, Kind kind = Kind::Refused) { web.failed(address, {kind, -1}); }
    // A game start's page failed, wherever a redirect had taken it.
    void failGameStart(const QString& address) { web.failed(address, {Kind::Refused, -1, true}); }

    void startLogin(Portal portal, const QString& id = "captain", const QString& password = "pw")
    {
        state.Temp.DHOPortal = portal;
        state.Temp.UserID = id;
        state.Temp.UserPWD = password;
        session.PortalLogin();
    }

    void logIn()
    {
        startLogin(Portal::Netmarble);
        complete(a.NetmarbleLoginPage);
        complete(a.NetmarbleMainPage);
    }

    QStringList fills() const { return web.log.filter(QRegularExpression("^(value|click|check) ")); }

    // What the main window shows, and whether the browser was told the session waits for nothing.
    QString seen() const
    {
        return QStringLiteral("%1 | %2%3 | %4 | %5")
            .arg(ui.caption, ui.loginButton, ui.loginEnabled ? "" : " off", ui.gameStartEnabled ? "start" : "-",
                 web.settled ? "settled" : "busy");
    }
};

// The login button acts on its caption alone. Netmarble logs out through the
// portal's script; Daum begins with a logout and logs in at the intro page,
// where AutoRun starts the game (its way there and its logout are the
// end-to-end tests'). Any site may frame a portal's address: a frame gets no
// form filled, no click, no script and no question, and never reaches a rule
// that the page's own document would not; navigating rules act on it alike.
TEST_F(SessionTest, EachPortalLogsInThroughItsPagesAndOutAgain)
{
    EXPECT_EQ(seen(), "Quaylet | 로그인 | - | settled");
    session.cmdLogin_Click();
    ui.loginButton = "something else";
    session.cmdLogin_Click();
    EXPECT_EQ(ui.log, QStringList{"login dialog"});
    EXPECT_TRUE(web.navigations.isEmpty());

    messages.answers.assign(3, MessageBox::Answer::Yes);  // a frame asked would be let act
    startLogin(Portal::Netmarble, "captain", "p\"w'\\</script>");
    EXPECT_EQ(seen(), "Quaylet - 넷마블 로그인 중.. | 로그인 취소 | - | busy");
    for (const QString& framed : {a.NetmarbleLoginPage, a.NetmarbleJoinPage})
        complete(framed, Document::Frame);
    complete(a.NetmarbleLoginPage);
    EXPECT_EQ(fills(), (QStringList{"value put_id=captain", "value put_pwd=p\"w'\\</script>", "click btnSubmit"}));
    complete(a.NetmarbleMainPage, Document::Frame);
    EXPECT_EQ(seen(), "Quaylet - 넷마블 로그인 완료 | 로그아웃 | start | settled");

    session.cmdLogin_Click();
    complete(a.NetmarbleLoginPage, Document::Frame);  // neither the logout step nor a cancel
    EXPECT_EQ(seen(), "Quaylet - 넷마블 로그아웃 중.. | 로그아웃 off | - | busy");
    complete(a.NetmarbleLoginPage);
    EXPECT_EQ(web.navigations.last(), "javascript:void(go_logout());");
    EXPECT_EQ(fills().size(), 3) << "the logout step does not fill the form";
    complete(a.NetmarbleHomePage);
    EXPECT_EQ(seen(), "Quaylet - 넷마블 로그아웃 완료 | 로그인 | - | settled");

    web.log.clear();
    state.Config.AutoRun = 1;
    startLogin(Portal::Daum);
    complete(a.DaumLoggedOutPage);
    for (const QString& framed : {a.DaumLoginPage, a.DaumConsentPage, a.DaumJoinPage})
        complete(framed, Document::Frame);
    complete(a.DaumLoginPage);
    EXPECT_EQ(fills(), (QStringList{"value id=captain", "value enpw=pw", "click loginBtn"}));
    complete(a.DaumHomePage);
    complete(a.DaumIntroPage);
    EXPECT_EQ(seen(), "Quaylet - 다음 대항해시대 온라인 실행 | 로그아웃 | start | settled");
    EXPECT_EQ(web.gameStarts.last(), a.DaumChannelPage);
}

// The failure page sends the browser back to the login page, which completes
// while the login dialog is still open: it must not be filled then.
TEST_F(SessionTest, FailedLoginReopensTheDialogWithoutRefillingThePage)
{
    for (Portal portal : {Portal::Netmarble, Portal::Daum}) {
        const bool netmarble = portal == Portal::Netmarble;
        SCOPED_TRACE(netmarble ? "Netmarble" : "Daum");
        const QString loginPage = netmarble ? a.NetmarbleLoginPage : a.DaumLoginPage;
        web.log.clear();
        startLogin(portal);
        complete(loginPage);
        QString inDialog;
        ui.onLoginDialog = [&] {
            inDialog = seen();
            EXPECT_EQ(web.navigations.last(), loginPage);
            complete(loginPage);
            session.PortalLogin();  // the user's next try, from the dialog
        };
        complete(netmarble ? a.NetmarbleLoginFailPage + "?err=pw" : a.DaumLoginFailPage + "12345");
        EXPECT_EQ(inDialog,
                  (netmarble ? "Quaylet - 넷마블" : "Quaylet - 다음") + u" 로그인 실패 | 로그인 | - | settled"_s);
        EXPECT_EQ(fills().size(), 3) << "not refilled while the dialog is open";
        complete(loginPage);
        EXPECT_EQ(fills().size(), 6) << "the next login fills the page again";
    }
}

// A join starts the game without logging in, and changes no button.
TEST_F(SessionTest, JoinAndConsentQuestionsActOnlyOnYes)
{
    for (Portal portal : {Portal::Netmarble, Portal::Daum}) {
        const bool netmarble = portal == Portal::Netmarble;
        SCOPED_TRACE(netmarble ? "Netmarble" : "Daum");
        const QString joinPage = netmarble ? a.NetmarbleJoinPage : a.DaumJoinPage;
        startLogin(portal);
        messages.shown.clear();
        messages.answers = {MessageBox::Answer::No, MessageBox::Answer::Yes};
        web.log.clear();
        complete(netmarble ? joinPage + "?x=1" : joinPage);
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].text, netmarble ? text::NetmarbleJoinQuestion : text::DaumJoinQuestion);
        EXPECT_EQ(seen(), (netmarble ? "Quaylet - 넷마블" : "Quaylet = 다음")
                              + u" 대항해시대 온라인 가입 | 로그인 취소 | - | busy"_s);
        complete(joinPage);
        EXPECT_EQ(web.log, (QStringList{"check checkBox1", "navigate javascript:agree_check();"}))
            << "answered No, then Yes";
        complete(netmarble ? a.NetmarbleIntroPage : a.DaumIntroPage + "?joined=1");
        EXPECT_EQ(web.gameStarts.last(), netmarble ? a.NetmarbleChannelPage : a.DaumChannelPage);
        EXPECT_EQ(seen().section(" | ", 1), "로그인 취소 | - | busy");
    }

    web.log.clear();
    messages.answers = {MessageBox::Answer::Yes, MessageBox::Answer::No};
    complete(a.DaumConsentPage + "?rurl=x");
    complete(a.DaumConsentPage);
    EXPECT_EQ(messages.shown.last().text, text::DaumConsentQuestion);
    EXPECT_EQ(fills(), (QStringList{"check confirm", "click _finish"})) << "the second consent was answered No";
}

// The ID and password go into a page that came over plain http only once the
// user has let its host have them, once a run; "취소" cancels the login.
// Daum's form and the box's buttons are the end-to-end tests'.
TEST_F(SessionTest, APlainHttpLoginPageIsFilledOnlyOnceTheUserLetsItsHostHaveThePassword)
{
    startLogin(Portal::Netmarble);
    messages.answers = {MessageBox::Answer::Cancel};
    web.complete(a.NetmarbleLoginPage);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, text::PlainHttpQuestion.arg("login.nm.test"));
    EXPECT_TRUE(fills().isEmpty());
    EXPECT_EQ(ui.caption, text::NetmarbleCancelling);
    web.complete(a.NetmarbleLoginPage);  // the cancel completes

    // Cancelled while the question waits: the Ok that follows fills nothing.
    startLogin(Portal::Netmarble);
    messages.answers = {MessageBox::Answer::Ok};
    messages.onShow = [this] { session.cmdLogin_Click(); };
    web.complete(a.NetmarbleLoginPage);
    EXPECT_TRUE(fills().isEmpty());
    messages.onShow = nullptr;
    web.complete(a.NetmarbleLoginPage);

    for (int login = 0; login < 2; ++login) {
        startLogin(Portal::Netmarble);
        web.complete(a.NetmarbleLoginPage);
        EXPECT_EQ(fills().size(), 3 * (login + 1));
        EXPECT_EQ(messages.shown.size(), 2) << "asked once a host and run";
        session.cmdLogin_Click();
        web.complete(a.NetmarbleLoginPage);
    }
}

// A portal that moved to https redirects the program's http addresses there,
// and the same pages over https are the same rules (every other test
// completes them so). What is only nearly a page of the portal under way acts
// on nothing, over either.
TEST_F(SessionTest, OnlyTheWholeAddressesOfThePortalUnderWayAct)
{
    const QString secureMain = overHttps(a.NetmarbleMainPage);
    const struct {
        const char* name;
        Portal portal;
        QString address;
    } nearMisses[] = {
        {"main page with a query", Portal::Netmarble, a.NetmarbleMainPage + "?q=1"},
        {"login page, longer", Portal::Netmarble, a.NetmarbleLoginPage + "x"},
        {"login page in lower case", Portal::Netmarble, a.NetmarbleLoginPage.toLower()},
        {"below the home page", Portal::Netmarble, a.NetmarbleHomePage + "index.html"},
        {"failure page cut short", Portal::Netmarble, "http://login.nm.test/login/LoginFai"},
        {"channel page during a login", Portal::Netmarble, a.NetmarbleChannelPage},
        {"https main page with a query", Portal::Netmarble, secureMain + "?q=1"},
        {"https main page with its port", Portal::Netmarble, QString(secureMain).replace(".test/", ".test:443/")},
        {"login page with a parameter more", Portal::Daum, a.DaumLoginPage + "&x"},
        {"home page with a fragment", Portal::Daum, a.DaumHomePage + "#"},
        {"join page, longer", Portal::Daum, a.DaumJoinPage + "x"},
        {"channel page during a login", Portal::Daum, a.DaumChannelPage},
    };
    for (const auto& row : nearMisses) {
        SCOPED_TRACE(row.name);
        startLogin(row.portal);
        web.log.clear();
        ui.log.clear();
        web.complete(row.address);
        EXPECT_TRUE(web.log.isEmpty() && ui.log.isEmpty()) << (web.log + ui.log).join('|').toStdString();
    }
}

// A page no rule knows is the user's to see only while a login waits on it;
// closing it gives the login up, as the cancel does. The cancel, clicked once
// more or not, completes on either portal, unless the login won the race.
TEST_F(SessionTest, OnlyALoginWaitingOnAnUnknownPageOfThePortalsSiteShowsItAndClosingItCancels)
{
    QString codePage;
    for (Portal portal : {Portal::Netmarble, Portal::Daum}) {
        SCOPED_TRACE(int(portal));
        codePage = portal == Portal::Netmarble ? "http://login.nm.test/login/OneTimeCode.asp"
                                               : "https://logins.dm.test/accounts/onetimecode.do";
        const QString firstPage = portal == Portal::Netmarble ? a.NetmarbleLoginPage : a.DaumLoggedOutPage;
        startLogin(portal);
        complete(codePage);
        EXPECT_TRUE(web.unknown);
        complete(firstPage);
        EXPECT_FALSE(web.unknown) << "a rule acted: the page is hidden again";
        complete(codePage);
        web.pageClosed();
        EXPECT_EQ(ui.caption, portal == Portal::Netmarble ? text::NetmarbleCancelling : text::DaumCancelling);
        session.cmdLogin_Click();  // and the cancel clicked too
        web.log.clear();
        complete(codePage);
        EXPECT_FALSE(web.unknown) << "a cancel's pages are never shown";
        if (portal == Portal::Daum)
            complete(a.DaumLoginPage);  // asked for before the cancel
        complete(firstPage);            // the browser reports only the newest navigation's page
        EXPECT_EQ(seen(), "Quaylet | 로그인 | - | settled");
        web.pageClosed();
        EXPECT_TRUE(web.log.isEmpty() && !ui.log.contains("login dialog"))
            << "a cancelled login is neither filled nor sent on to the login page; a late close does nothing";
    }

    // Another site's page is never shown: the login ends (back at "Quaylet | 로그인"
    // in the end-to-end framed login), told once, naming its host.
    startLogin(Portal::Daum);
    complete("https://ads.example/frame", Document::Frame);
    EXPECT_TRUE(messages.shown.isEmpty()) << "a frame is not the page";
    complete(a.NetmarbleLoginPage);
    EXPECT_FALSE(web.unknown);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, text::LeftThePortal.arg("login.nm.test"));

    startLogin(Portal::Netmarble);
    session.cmdLogin_Click();
    complete(a.NetmarbleMainPage);
    EXPECT_EQ(seen(), "Quaylet - 넷마블 로그인 완료 | 로그아웃 | start | settled") << "the login won the race";
    session.cmdLogin_Click();
    complete(codePage);
    EXPECT_FALSE(web.unknown) << "a logout's pages are never shown";
}

// The user asked to stop: a cancel the portal does not end within 5 s ends
// here, silently (in time and without a box in the end-to-end hanging
// portal), and a logout it does not confirm within 15 s ends here with its
// cookies forgotten and one box. Either way nothing the portal sends late
// leads anywhere.
TEST_F(SessionTest, ACancelOrALogoutThePortalLeavesWaitingEndsHereInTime)
{
    startLogin(Portal::Daum);
    session.WaitLimit_Elapsed();
    EXPECT_EQ(ui.loginButton, text::CancelCaption) << "a login waits for its own load limit";
    session.cmdLogin_Click();
    web.log.clear();
    session.WaitLimit_Elapsed();
    EXPECT_EQ(seen(), "Quaylet | 로그인 | - | settled");
    EXPECT_EQ(web.log, QStringList{"stop"}) << "the late page is given up";

    logIn();
    session.cmdLogin_Click();
    EXPECT_EQ(ui.waitLimit, portal::PortalSession::LogoutLimitMs);
    web.log.clear();
    session.WaitLimit_Elapsed();
    EXPECT_EQ(seen(), "Quaylet | 로그인 | - | settled");
    EXPECT_EQ(web.log, (QStringList{"stop", "forget cookies"}));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].text, text::LogoutNotConfirmed);

    // A logout the portal confirmed in time is not undone by its limit.
    logIn();
    session.cmdLogin_Click();
    complete(a.NetmarbleLoginPage);
    complete(a.NetmarbleHomePage);
    session.WaitLimit_Elapsed();
    EXPECT_EQ(seen(), "Quaylet - 넷마블 로그아웃 완료 | 로그인 | - | settled");
    EXPECT_EQ(messages.shown.size(), 1);
}

TEST_F(SessionTest, GameStartLaunchesFromTheChannelPageThenMinimisesOrEndsOnceTheLaunchIsOver)
{
    for (AfterStart action : {AfterStart::Nothing, AfterStart::Minimise, AfterStart::Quit}) {
        SCOPED_TRACE(int(action));
        ui.log.clear();
        state.Temp.DHOPortal = action == AfterStart::Minimise ? Portal::Daum : Portal::Netmarble;
        state.Config.GSA = action;
        session.GameStart();
        EXPECT_EQ(web.gameStarts.last(), action == AfterStart::Minimise ? a.DaumChannelPage : a.NetmarbleChannelPage);
        EXPECT_EQ(ui.log.contains("minimise"), action == AfterStart::Minimise);
        EXPECT_EQ(ui.log.contains("begin ending"), action == AfterStart::Quit);
        EXPECT_EQ(web.settled, action != AfterStart::Quit) << "an ending program waits for the launch";
    }
    ui.log.clear();
    complete(a.NetmarbleMainPage);
    complete(a.NetmarbleChannelPage);
    EXPECT_TRUE(ui.log.isEmpty()) << "no rule runs once the program is ending, and a page is no reason to end";
    web.launched({LaunchReport::Kind::Launched, {}});
    EXPECT_EQ(ui.log, QStringList{"end program"});

    // A launch the system could not take is told (its text is the end-to-end
    // launch's); then the program ends.
    ui.log.clear();
    web.launched({LaunchReport::Kind::Failed, u"no handler"_s});
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].icon, MessageBox::Icon::Critical);
    EXPECT_EQ(ui.log, QStringList{"end program"});

    // A channel page that cannot be loaded, even after a redirect, is told,
    // and ends the program at once.
    session.GameStart();
    ui.log.clear();
    failGameStart("http://dho.nm.test/GameChannel/down.asp");
    EXPECT_EQ(ui.log, QStringList{"end program"});
    EXPECT_EQ(messages.shown.size(), 2);
}

// A login (the end-to-end hostile portals' failing loads), cancel or logout
// returns to idle; a game start only tells; a failure while nothing is under
// way (a login page behind the open login dialog, a page the portal loads by
// itself) tells nothing.
TEST_F(SessionTest, OnlyWhatWasUnderWayIsToldAndALoginCancelOrLogoutReturnsToIdle)
{
    // What the user sees of an unreachable portal: one box, the reason on its
    // second line, and the idle state (in place while the box is open, as the
    // end-to-end hostile portals show).
    const auto expectIdleAfterOneBox = [&](const QString& firstLine) {
        ASSERT_EQ(messages.shown.size(), 1);
        EXPECT_EQ(messages.shown[0].icon, MessageBox::Icon::Critical);
        EXPECT_EQ(messages.shown[0].text.section(u'\n', 0, 0), firstLine);
        EXPECT_FALSE(messages.shown[0].text.section(u'\n', 1).isEmpty());
        EXPECT_EQ(seen(), "Quaylet | 로그인 | - | settled");
        messages.shown.clear();
    };
    startLogin(Portal::Daum);
    session.cmdLogin_Click();
    fail(a.DaumLogoutAddress, Kind::HostNotFound);
    expectIdleAfterOneBox(text::DaumUnreachable);

    logIn();
    session.cmdLogin_Click();
    fail(a.NetmarbleLoginPage);
    expectIdleAfterOneBox(text::NetmarbleUnreachable);

    logIn();
    session.cmdLogin_Click();
    complete(a.NetmarbleLoginPage);  // the logout step clears both flags
    fail(a.NetmarbleHomePage, Kind::ServerError);
    expectIdleAfterOneBox(text::NetmarbleUnreachable);

    // Nothing under way: a login page behind the open login dialog, a page the portal loads by itself.
    startLogin(Portal::Netmarble);
    complete(a.NetmarbleLoginFailPage);
    fail(a.NetmarbleLoginPage);
    logIn();
    fail("http://dho.nm.test/news.asp");
    EXPECT_TRUE(messages.shown.isEmpty());
    session.GameStart();
    failGameStart(a.NetmarbleChannelPage);
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_TRUE(messages.shown[0].text.startsWith(text::NetmarbleUnreachable));
    EXPECT_EQ(seen(), "Quaylet - 넷마블 대항해시대 온라인 실행 | 로그아웃 | start | settled");
}

// The unlock window gets the lock page's whole address, which holds the
// account, and its end restarts only the login it interrupted (the window
// and the notices are the end-to-end unlock test's); the maintainer's log
// names what completed and which rule acted, never the account.
TEST_F(SessionTest, ALockedIdOpensTheUnlockWindowWithTheWholeAddressThatTheLogNeverShows)
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
    // Form-encoded, as a portal may send it back.
    const QString locked = a.NetmarbleLockPage + "?id=%EC%84%A0%EC%9E%A5+captain&p=pw+s3cret#pw+s3cret";
    web.complete(locked);
    EXPECT_EQ(state.Temp.IDLockURL, locked);
    // The unlock window's pages: the session decides when the unlock is done.
    const qsizetype navigations = web.navigations.size();
    session.Web2_DocumentComplete(a.NetmarbleLoginPage);
    EXPECT_EQ(messages.shown.size(), 1) << "the login page with a query is not the end of the unlock";
    session.Web2_DocumentComplete(overHttps(a.NetmarbleUnlockedPage));
    EXPECT_EQ(web.navigations.mid(navigations), QStringList{a.NetmarbleLoginPage}) << "the login starts again";
    // The user has moved on (cancelled, then started the other portal's login):
    // nothing is filled or started behind the user's back.
    session.cmdLogin_Click();
    const QStringList cancelled = web.navigations;
    session.Web2_DocumentComplete(a.NetmarbleUnlockedPage);
    complete(a.NetmarbleLoginPage);
    startLogin(Portal::Daum);
    session.Web2_DocumentComplete(a.NetmarbleUnlockedPage);
    EXPECT_EQ(web.navigations, cancelled + QStringList{a.DaumLogoutAddress});
    fail(a.NetmarbleMainPage + "?u=" + state.Temp.UserID);
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());

    const QString log = lines.join(u'\n');
    for (const char* expected : {"N1 fill", "N9 locked ID", "navigate", "failed"})
        EXPECT_TRUE(log.contains(expected)) << expected << "\n" << log.toStdString();
    for (const char* secret : {"captain", "s3cret", "선장", "%EC%84%A0"})
        EXPECT_FALSE(log.contains(QString::fromUtf8(secret))) << secret << "\n" << log.toStdString();
}

}  // namespace
