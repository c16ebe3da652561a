// The session rules on the real engine, against portals that take their time:
// what the user presses while a page is still loading must never turn into a
// login the user did not ask for.
#include "core/Addresses.h"
#include "core/Texts.h"
#include "portal/PortalSession.h"
#include "support/BrowserTest.h"

#include <QTimer>

#include <memory>

namespace {

const QByteArray Page = "<!doctype html><title>page</title><p>page</p>";

QByteArray form(const char* id, const char* password, const char* submit)
{
    return QByteArray("<!doctype html><title>login</title><form method=post action=/submit>")
           + "<input name=" + id + "><input type=password name=" + password
           + "><input type=submit name=" + submit + " value=go></form>"
           + "<script>function go_logout() { location.href = '/logout'; }</script>";
}

class SessionTiming : public BrowserTest {
protected:
    // How long the first page of a login (the Netmarble login page, the Daum
    // logout address) takes to answer.
    int firstPageDelayMs = 1500;
    QList<QByteArray> posts;

    LoopbackServer netmarbleLogin{[this](const LoopbackServer::Request& request) {
        if (request.method == "POST") {
            posts.append(request.body);
            const bool ok = request.formValue("put_id") == "captain" && request.formValue("put_pwd") == "sea";
            return LoopbackServer::Response{302, {}, (ok ? a().NetmarbleMainPage : a().NetmarbleLoginFailPage).toUtf8()};
        }
        if (request.target.startsWith("/login/login.asp"))
            return LoopbackServer::Response{200, form("put_id", "put_pwd", "btnSubmit"), {}, firstPageDelayMs};
        if (request.target == "/logout")
            return LoopbackServer::Response{302, {}, a().NetmarbleHomePage.toUtf8()};
        return LoopbackServer::Response{200, Page, {}};
    }};
    LoopbackServer netmarbleGame{[this](const LoopbackServer::Request& request) {
        return LoopbackServer::Response{200, Page, {}, request.target.startsWith("/GameChannel") ? channelDelayMs : 0};
    }};
    int channelDelayMs = 0;
    LoopbackServer daumLogin{[this](const LoopbackServer::Request&) {
        return LoopbackServer::Response{302, {}, a().DaumLoggedOutPage.toUtf8(), firstPageDelayMs};
    }};
    LoopbackServer daumHome{[this](const LoopbackServer::Request& request) {
        if (request.method == "POST") {
            posts.append(request.body);
            return LoopbackServer::Response{302, {}, a().DaumIntroPage.toUtf8()};
        }
        if (request.target.startsWith("/Mail-bin/login.html"))
            return LoopbackServer::Response{200, form("id", "enpw", "loginBtn"), {}};
        return LoopbackServer::Response{200, Page, {}};
    }};

    std::unique_ptr<Addresses> addresses;
    AppState state;
    FakeSessionUi ui;
    std::unique_ptr<portal::PortalSession> session;

    const Addresses& a() const { return *addresses; }

    void SetUp() override
    {
        const auto host = [](const LoopbackServer& server) { return server.origin().mid(7); };
        // The endpoints no test here loads share a port nothing listens on.
        const QString unused = QStringLiteral("127.0.0.1:9");
        addresses = std::make_unique<Addresses>(Endpoints{host(netmarbleLogin), host(netmarbleGame), host(netmarbleGame),
                                                          host(daumLogin), unused, host(daumHome), unused,
                                                          host(netmarbleGame), unused, unused});
        session = std::make_unique<portal::PortalSession>(state, a(), browser, ui, pageDialogs);
        state.Temp.UserID = "captain";
        state.Temp.UserPWD = "sea";
        // The loopback portals speak plain http: the user lets 127.0.0.1 have the password.
        pageDialogs.answers = {platform::MessageBox::Answer::Ok};
    }

    void startLogin(Portal portal)
    {
        state.Temp.DHOPortal = portal;
        session->PortalLogin();
    }

    void after(int ms, const std::function<void()>& action) { QTimer::singleShot(ms, &browser, action); }

    // The cancel has completed and stays complete once every late answer is in.
    void expectCancelledForGood()
    {
        ASSERT_TRUE(waitUntil([&] { return ui.caption == text::AppTitle; }, 10000)) << ui.caption.toStdString();
        runEventsFor(firstPageDelayMs + 700);
        EXPECT_EQ(ui.caption, text::AppTitle) << ui.log.join(" | ").toStdString();
        EXPECT_EQ(ui.loginButton, text::LoginCaption);
        EXPECT_TRUE(posts.isEmpty()) << "the login form went out";
        EXPECT_EQ(state.Temp.IsLogin + state.Temp.IsLogout + state.Temp.IsLoginFail, 0);
    }
};

// Cancel during the first page and once more before it has come back, or as
// the unlock window sends the hidden browser to the login page (just before
// the cancel, or while it is under way): the cancel completes once and no
// form goes out. Logins after it log in on both portals, and a logout while
// the game start's channel page still loads is not undone by its late answer.
TEST_F(SessionTiming, CancelOrLogoutWhileAPageIsStillLoadingHoldsForGood)
{
    const auto cancel = [&] { session->cmdLogin_Click(); };
    for (Portal portal : {Portal::Netmarble, Portal::Daum}) {
        SCOPED_TRACE(portal == Portal::Netmarble ? "Netmarble" : "Daum");
        ui.log.clear();
        startLogin(portal);
        after(200, cancel);
        after(500, cancel);
        expectCancelledForGood();
        EXPECT_EQ(ui.log.count("caption Quaylet"), 1);
    }
    for (const int restartMs : {100, 300}) {
        SCOPED_TRACE(restartMs);
        startLogin(Portal::Netmarble);
        after(restartMs, [&] { browser.navigate(a().NetmarbleLoginPage); });
        after(100, cancel);
        expectCancelledForGood();
    }

    firstPageDelayMs = 0;
    channelDelayMs = 1500;
    startLogin(Portal::Netmarble);
    ASSERT_TRUE(waitUntil([&] { return ui.caption == text::NetmarbleLoggedIn; }, 10000))
        << ui.log.join(" | ").toStdString();
    EXPECT_EQ(posts.size(), 1);
    session->GameStart();
    after(200, cancel);
    ASSERT_TRUE(waitUntil([&] { return ui.caption == text::NetmarbleLoggedOut; }, 10000))
        << ui.log.join(" | ").toStdString();
    runEventsFor(1700);
    EXPECT_EQ(ui.caption, text::NetmarbleLoggedOut) << "the channel page's late answer changes nothing";
    EXPECT_EQ(ui.loginButton, text::LoginCaption);
    EXPECT_TRUE(ui.loginEnabled);

    firstPageDelayMs = 400;
    startLogin(Portal::Daum);
    ASSERT_TRUE(waitUntil([&] { return ui.caption == text::DaumLoggedIn; }, 10000)) << ui.log.join(" | ").toStdString();
    EXPECT_EQ(posts.size(), 2);
}

}  // namespace
