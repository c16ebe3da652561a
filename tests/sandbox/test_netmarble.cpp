#include "RunningSandbox.h"

#include <gtest/gtest.h>

#include <chrono>

namespace sandbox::test {
namespace {

using namespace std::chrono_literals;

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class Netmarble : public ::testing::Test {
protected:
    // Posts the login form and returns the answer.
    std::optional<Reply> login(const std::string& id, const std::string& password)
    {
        return s.post(a().NetmarbleLoginAction, {{"put_id", id}, {"put_pwd", password}});
    }

    const Addresses& a() const { return s.addresses(); }

    RunningSandbox s{1s};
};

TEST_F(Netmarble, LoginPageHasTheFormAndTheLogoutFunction)
{
    const auto page = s.get(a().NetmarbleLoginPage);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->header("Content-Type"), "text/html; charset=utf-8");
    const std::string& html = page->body;
    EXPECT_TRUE(contains(html, "<meta charset=\"utf-8\">"));
    EXPECT_TRUE(contains(html, "action=\"" + a().NetmarbleLoginAction + "\""));
    EXPECT_TRUE(contains(html, "<input type=\"text\" name=\"put_id\" id=\"put_id\">"));
    EXPECT_TRUE(contains(html, "<input type=\"password\" name=\"put_pwd\" id=\"put_pwd\">"));
    EXPECT_TRUE(contains(html, "<input type=\"submit\" name=\"btnSubmit\" id=\"btnSubmit\""));
    EXPECT_TRUE(contains(html, "function go_logout() {\n  location.href = \"" + a().NetmarbleLogoutAction + "\";"));
}

TEST_F(Netmarble, LoginPageAcceptsTheReturnAddressHoweverItIsEncoded)
{
    const std::string page = s.layout().url(Endpoint::NetmarbleLogin, "/login/login.asp");
    const std::string port = std::to_string(s.layout().port(Endpoint::NetmarbleGame));
    for (const std::string& value : {
             encodeReturnAddress(a().NetmarbleMainPage, true),
             encodeReturnAddress(a().NetmarbleMainPage, false),
             "http%3A%2F%2F127.0.0.1%3A" + port + "%2Fmain.asp",
             "http%3a%2f%2f127%2E0%2E0%2E1%3a" + port + "%2fmain%2Easp",
             a().NetmarbleMainPage,
         }) {
        const auto reply = s.get(page + "?l_url=" + value);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200) << value;
    }
    const auto plain = s.get(a().NetmarbleUnlockedPage);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->status, 200);
    EXPECT_TRUE(contains(plain->body, "name=\"put_id\""));

    const auto foreign = s.get(page + "?l_url=http%3A%2F%2Fexample%2Ecom%2Fmain%2Easp");
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->status, 400);
}

TEST_F(Netmarble, SuccessRedirectsToTheMainPageWithASession)
{
    const auto reply = login("captain", "sea");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 302);
    EXPECT_EQ(reply->header("Location"), a().NetmarbleMainPage);
    const std::string cookie = sessionCookie(reply);
    EXPECT_TRUE(cookie.starts_with("NM_SESSION=")) << cookie;
    EXPECT_TRUE(contains(reply->header("Set-Cookie"), "Path=/"));

    const JsonValue line = s.lastLogLine();
    EXPECT_EQ(line.text("endpoint"), "NetmarbleLogin");
    EXPECT_EQ(line.text("portal"), "netmarble");
    EXPECT_EQ(line.text("method"), "POST");
    EXPECT_EQ(line.text("path"), "/login/LoginProc.asp");
    EXPECT_EQ(line.text("event"), "login-ok");
    EXPECT_EQ(line.text("user"), "captain");
    EXPECT_EQ(line.text("location"), a().NetmarbleMainPage);
    EXPECT_EQ(line.number("status"), 302);

    const auto main = s.get(a().NetmarbleMainPage, cookie);
    ASSERT_TRUE(main);
    EXPECT_EQ(main->status, 200);
    EXPECT_TRUE(contains(main->body, "<b>captain</b>"));
    const auto anonymous = s.get(a().NetmarbleMainPage);
    ASSERT_TRUE(anonymous);
    EXPECT_FALSE(contains(anonymous->body, "<b>captain</b>"));
}

TEST_F(Netmarble, ChannelPageStartsTheGame)
{
    const std::string cookie = sessionCookie(login("captain", "sea"));
    const auto channel = s.get(a().NetmarbleChannelPage, cookie);
    ASSERT_TRUE(channel);
    EXPECT_EQ(channel->status, 200);
    const JsonValue line = s.lastLogLine();
    EXPECT_EQ(line.text("endpoint"), "NetmarbleGame");
    EXPECT_EQ(line.text("path"), "/GameChannel/channel.asp");
    EXPECT_EQ(line.text("query"), "game=dho");
    EXPECT_EQ(line.text("event"), "game-started");
    EXPECT_EQ(line.text("portal"), "netmarble");
    EXPECT_EQ(line.text("user"), "captain");

    const auto otherGame = s.get(s.layout().url(Endpoint::NetmarbleGame, "/GameChannel/channel.asp?game=x"));
    ASSERT_TRUE(otherGame);
    EXPECT_EQ(otherGame->status, 404);
}

TEST_F(Netmarble, LogoutEndsTheSessionAndGoesHome)
{
    const std::string cookie = sessionCookie(login("captain", "sea"));
    const auto reply = s.get(a().NetmarbleLogoutAction, cookie);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 302);
    EXPECT_EQ(reply->header("Location"), a().NetmarbleHomePage);
    EXPECT_TRUE(contains(reply->header("Set-Cookie"), "NM_SESSION=; Path=/; Max-Age=0"));
    const JsonValue line = s.lastLogLine();
    EXPECT_EQ(line.text("event"), "logout");
    EXPECT_EQ(line.text("user"), "captain");

    const auto main = s.get(a().NetmarbleMainPage, cookie);
    ASSERT_TRUE(main);
    EXPECT_FALSE(contains(main->body, "<b>captain</b>"));
    const auto home = s.get(a().NetmarbleHomePage);
    ASSERT_TRUE(home);
    EXPECT_EQ(home->status, 200);
}

TEST_F(Netmarble, WrongPasswordOrUnknownIdFails)
{
    for (const auto& [id, password] : {std::pair{"captain", "Sea"}, std::pair{"nobody", "sea"}}) {
        const auto reply = login(id, password);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 302);
        const std::string location = reply->header("Location");
        EXPECT_TRUE(location.starts_with(a().NetmarbleLoginFailPage + "?")) << location;
        EXPECT_FALSE(reply->hasHeader("Set-Cookie"));
        EXPECT_EQ(s.lastLogLine().text("event"), "login-failed");
        const auto page = s.get(location);
        ASSERT_TRUE(page);
        EXPECT_EQ(page->status, 200);
    }
}

TEST_F(Netmarble, LockedIdIsUnlockedOnTheLockPage)
{
    const auto locked = login("locked", "sea");
    ASSERT_TRUE(locked);
    EXPECT_EQ(locked->status, 302);
    const std::string lockAddress = locked->header("Location");
    EXPECT_TRUE(lockAddress.starts_with(a().NetmarbleLockPage + "?")) << lockAddress;
    EXPECT_EQ(s.lastLogLine().text("event"), "locked");

    const auto page = s.get(lockAddress);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_TRUE(contains(page->body, "action=\"" + a().NetmarbleUnlockAction + "\""));
    EXPECT_TRUE(contains(page->body, "name=\"uid\" id=\"uid\" value=\"locked\""));
    EXPECT_TRUE(contains(page->body, "<input type=\"submit\" name=\"unlockBtn\" id=\"unlockBtn\""));

    // Still locked until the button is pressed.
    EXPECT_EQ(login("locked", "sea")->header("Location").rfind(a().NetmarbleLockPage, 0), 0u);

    const auto unlock = s.post(a().NetmarbleUnlockAction, {{"uid", "locked"}, {"unlockBtn", "잠금 해제"}});
    ASSERT_TRUE(unlock);
    EXPECT_EQ(unlock->status, 302);
    EXPECT_EQ(unlock->header("Location"), a().NetmarbleUnlockedPage);
    EXPECT_EQ(s.lastLogLine().text("event"), "unlocked");
    EXPECT_EQ(s.lastLogLine().text("user"), "locked");

    const auto again = login("locked", "sea");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->header("Location"), a().NetmarbleMainPage);
}

TEST_F(Netmarble, NewMemberJoinsAndLandsOnTheIntroPage)
{
    const auto reply = login("newbie", "sea");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 302);
    const std::string joinAddress = reply->header("Location");
    EXPECT_TRUE(joinAddress.starts_with(a().NetmarbleJoinPage + "?")) << joinAddress;
    EXPECT_EQ(s.lastLogLine().text("event"), "join-required");
    const std::string cookie = sessionCookie(reply);

    const auto page = s.get(joinAddress, cookie);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_TRUE(contains(page->body, "<input type=\"checkbox\" name=\"checkBox1\" id=\"checkBox1\""));
    EXPECT_TRUE(contains(page->body, "function agree_check() {"));
    EXPECT_TRUE(contains(page->body, "action=\"" + a().NetmarbleJoinAction + "\""));

    const auto unticked = s.post(a().NetmarbleJoinAction, {}, cookie);
    ASSERT_TRUE(unticked);
    EXPECT_TRUE(unticked->header("Location").starts_with(a().NetmarbleJoinPage));

    const auto withoutSession = s.post(a().NetmarbleJoinAction, {{"checkBox1", "Y"}});
    ASSERT_TRUE(withoutSession);
    EXPECT_EQ(withoutSession->header("Location"), a().NetmarbleLoginPage);

    const auto joined = s.post(a().NetmarbleJoinAction, {{"checkBox1", "Y"}}, cookie);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->status, 302);
    EXPECT_EQ(joined->header("Location"), a().NetmarbleIntroPage);
    EXPECT_EQ(s.lastLogLine().text("event"), "joined");
    EXPECT_EQ(s.lastLogLine().text("user"), "newbie");

    const auto intro = s.get(a().NetmarbleIntroPage, cookie);
    ASSERT_TRUE(intro);
    EXPECT_EQ(intro->status, 200);
    EXPECT_EQ(login("newbie", "sea")->header("Location"), a().NetmarbleMainPage);
}

TEST_F(Netmarble, SlowAccountIsAnsweredAfterTheDelay)
{
    const auto start = std::chrono::steady_clock::now();
    const auto reply = login("slow", "sea");
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(reply);
    EXPECT_GE(waited, 1s);
    EXPECT_EQ(reply->header("Location"), a().NetmarbleMainPage);
}

TEST_F(Netmarble, EchoAcceptsAnyPassword)
{
    const auto reply = login("echo", "whatever it is");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->header("Location"), a().NetmarbleMainPage);
}

TEST_F(Netmarble, UnknownPathsAreLoggedAsNotFound)
{
    const auto reply = s.get(s.layout().url(Endpoint::NetmarbleHome, "/favicon.ico?x=1"));
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 404);
    const JsonValue line = s.lastLogLine();
    EXPECT_EQ(line.text("endpoint"), "NetmarbleHome");
    EXPECT_EQ(line.text("path"), "/favicon.ico");
    EXPECT_EQ(line.text("query"), "x=1");
    EXPECT_EQ(line.number("status"), 404);
}

TEST(FanSites, ServeTheirHomePages)
{
    RunningSandbox s;
    for (const std::string& address : {s.addresses().ZavivSitePage, s.addresses().GuideSitePage}) {
        const auto reply = s.get(address);
        ASSERT_TRUE(reply) << address;
        EXPECT_EQ(reply->status, 200);
        EXPECT_TRUE(contains(reply->body, "<meta charset=\"utf-8\">"));
    }
    EXPECT_EQ(s.lastLogLine().text("endpoint"), "GuideSite");
    EXPECT_FALSE(s.lastLogLine().member("portal"));
}

}  // namespace
}  // namespace sandbox::test
