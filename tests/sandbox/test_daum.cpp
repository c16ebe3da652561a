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

class Daum : public ::testing::Test {
protected:
    std::optional<Reply> login(const std::string& id, const std::string& password)
    {
        return s.post(a().DaumLoginAction, {{"url", a().DaumIntroPage},
                                            {"category", "identity"},
                                            {"id", id},
                                            {"enpw", password}});
    }

    const Addresses& a() const { return s.addresses(); }

    RunningSandbox s{1s};
};

TEST_F(Daum, LogoutAddressEndsTheSessionAndGoesToTheLoggedOutPage)
{
    const std::string cookie = sessionCookie(login("captain", "sea"));
    ASSERT_TRUE(cookie.starts_with("DAUM_SESSION=")) << cookie;

    const auto reply = s.get(a().DaumLogoutAddress, cookie);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 302);
    EXPECT_EQ(reply->header("Location"), a().DaumLoggedOutPage);
    EXPECT_TRUE(contains(reply->header("Set-Cookie"), "DAUM_SESSION=; Path=/; Max-Age=0"));
    const JsonValue line = s.lastLogLine();
    EXPECT_EQ(line.text("endpoint"), "DaumLogin");
    EXPECT_EQ(line.text("event"), "logout");
    EXPECT_EQ(line.text("user"), "captain");
    EXPECT_EQ(line.text("query"), "url=" + a().DaumLoggedOutPage);

    const auto home = s.get(a().DaumHomePage, cookie);
    ASSERT_TRUE(home);
    EXPECT_FALSE(contains(home->body, "<b>captain</b>"));

    const auto loggedOut = s.get(a().DaumLoggedOutPage);
    ASSERT_TRUE(loggedOut);
    EXPECT_EQ(loggedOut->status, 200);
    EXPECT_TRUE(contains(loggedOut->body, "로그아웃되었습니다"));
}

TEST_F(Daum, LogoutWithoutASessionStillRedirects)
{
    const auto reply = s.get(a().DaumLogoutAddress);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->header("Location"), a().DaumLoggedOutPage);
    const auto encoded = s.get(s.layout().url(Endpoint::DaumLogin, "/Mail-bin/logout.cgi?url=")
                               + percentEncode(a().DaumLoggedOutPage));
    ASSERT_TRUE(encoded);
    EXPECT_EQ(encoded->header("Location"), a().DaumLoggedOutPage);
    const auto bad = s.get(s.layout().url(Endpoint::DaumLogin, "/Mail-bin/logout.cgi?url=javascript:x"));
    ASSERT_TRUE(bad);
    EXPECT_EQ(bad->status, 400);
}

TEST_F(Daum, LoginPageHasTheFormPostingToTheSecureServer)
{
    const auto page = s.get(a().DaumLoginPage);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    const std::string& html = page->body;
    EXPECT_TRUE(contains(html, "<meta charset=\"utf-8\">"));
    EXPECT_TRUE(contains(html, "action=\"" + a().DaumLoginAction + "\""));
    EXPECT_TRUE(a().DaumLoginAction.starts_with("https://"));
    EXPECT_TRUE(contains(html, "<input type=\"text\" name=\"id\" id=\"id\">"));
    EXPECT_TRUE(contains(html, "<input type=\"password\" name=\"enpw\" id=\"enpw\">"));
    EXPECT_TRUE(contains(html, "<input type=\"submit\" name=\"loginBtn\" id=\"loginBtn\""));
}

TEST_F(Daum, LoginPageAcceptsTheReturnAddressHoweverItIsEncoded)
{
    const std::string page = s.layout().url(Endpoint::DaumHome, "/Mail-bin/login.html?url=");
    const std::string port = std::to_string(s.layout().port(Endpoint::DaumGame));
    for (const std::string& value : {
             encodeReturnAddress(a().DaumIntroPage, true),
             "http%3a%2f%2f127.0.0.1%3a" + port + "%2fintro.asp",
             a().DaumIntroPage,
         }) {
        const auto reply = s.get(page + value + "&category=identity");
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->status, 200) << value;
    }
    const auto foreign = s.get(page + "http%3a%2f%2fexample%2ecom%2f&category=identity");
    ASSERT_TRUE(foreign);
    EXPECT_EQ(foreign->status, 400);
}

TEST_F(Daum, SuccessGoesToTheIntroPageOverHttps)
{
    const auto reply = login("captain", "sea");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->status, 302);
    EXPECT_EQ(reply->header("Location"), a().DaumIntroPage);
    const JsonValue line = s.lastLogLine();
    EXPECT_EQ(line.text("endpoint"), "DaumSecureLogin");
    EXPECT_EQ(line.text("path"), "/Mail-bin/login.cgi");
    EXPECT_EQ(line.text("event"), "login-ok");
    EXPECT_EQ(line.member("form")->text("enpw"), "sea");

    const std::string cookie = sessionCookie(reply);
    const auto intro = s.get(a().DaumIntroPage, cookie);
    ASSERT_TRUE(intro);
    EXPECT_EQ(intro->status, 200);
    EXPECT_TRUE(contains(intro->body, "<b>captain</b>"));

    const auto channel = s.get(a().DaumChannelPage, cookie);
    ASSERT_TRUE(channel);
    EXPECT_EQ(channel->status, 200);
    EXPECT_EQ(s.lastLogLine().text("event"), "game-started");
    EXPECT_EQ(s.lastLogLine().text("portal"), "daum");
    EXPECT_EQ(s.lastLogLine().text("user"), "captain");

    const auto main = s.get(a().DaumMainPage, cookie);
    ASSERT_TRUE(main);
    EXPECT_EQ(main->status, 200);
}

TEST_F(Daum, HomewardAccountLandsOnTheHomePage)
{
    const auto reply = login("homeward", "sea");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->header("Location"), a().DaumHomePage);
    EXPECT_EQ(s.lastLogLine().text("event"), "login-ok");
    const auto home = s.get(a().DaumHomePage, sessionCookie(reply));
    ASSERT_TRUE(home);
    EXPECT_TRUE(contains(home->body, "<b>homeward</b>"));
}

TEST_F(Daum, WrongPasswordGoesToTheFailurePage)
{
    const auto first = login("captain", "wrong");
    const auto second = login("nobody", "sea");
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    const std::string location = first->header("Location");
    EXPECT_EQ(first->status, 302);
    EXPECT_TRUE(location.starts_with(a().DaumLoginFailPage)) << location;
    EXPECT_GT(location.size(), a().DaumLoginFailPage.size());
    EXPECT_NE(second->header("Location"), location);
    EXPECT_EQ(s.lastLogLine().text("event"), "login-failed");
    const auto page = s.get(location);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
}

TEST_F(Daum, ConsentIsGivenOnTheConsentPage)
{
    const auto reply = login("consent", "sea");
    ASSERT_TRUE(reply);
    const std::string consentAddress = reply->header("Location");
    EXPECT_TRUE(consentAddress.starts_with(a().DaumConsentPage + "?")) << consentAddress;
    EXPECT_EQ(s.lastLogLine().text("event"), "consent-required");
    const std::string cookie = sessionCookie(reply);

    const auto page = s.get(consentAddress, cookie);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_TRUE(contains(page->body, "<input type=\"checkbox\" name=\"confirm\" id=\"confirm\""));
    EXPECT_TRUE(contains(page->body, "<input type=\"submit\" name=\"_finish\" id=\"_finish\""));
    EXPECT_TRUE(contains(page->body, "action=\"" + a().DaumConsentAction + "\""));

    const auto unticked = s.post(a().DaumConsentAction, {{"_finish", "확인"}}, cookie);
    ASSERT_TRUE(unticked);
    EXPECT_EQ(unticked->header("Location"), consentAddress);

    const auto ticked = s.post(a().DaumConsentAction, {{"confirm", "Y"}, {"_finish", "확인"}}, cookie);
    ASSERT_TRUE(ticked);
    EXPECT_EQ(ticked->status, 302);
    EXPECT_EQ(ticked->header("Location"), a().DaumIntroPage);
    EXPECT_EQ(s.lastLogLine().text("event"), "consent");
    EXPECT_EQ(s.lastLogLine().text("user"), "consent");
    EXPECT_EQ(s.lastLogLine().text("endpoint"), "DaumUser");

    EXPECT_EQ(login("consent", "sea")->header("Location"), a().DaumIntroPage);
}

TEST_F(Daum, NewMemberJoinsAndGoesPastTheIntroAddress)
{
    const auto reply = login("newbie", "sea");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->header("Location"), a().DaumJoinPage);
    const std::string cookie = sessionCookie(reply);

    const auto page = s.get(a().DaumJoinPage, cookie);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_TRUE(contains(page->body, "<input type=\"checkbox\" name=\"checkBox1\" id=\"checkBox1\""));
    EXPECT_TRUE(contains(page->body, "function agree_check() {"));
    EXPECT_TRUE(contains(page->body, "action=\"" + a().DaumJoinAction + "\""));

    const auto joined = s.post(a().DaumJoinAction, {{"checkBox1", "Y"}}, cookie);
    ASSERT_TRUE(joined);
    const std::string location = joined->header("Location");
    EXPECT_EQ(location, a().DaumJoinedPage);
    EXPECT_TRUE(location.starts_with(a().DaumIntroPage));
    EXPECT_GT(location.size(), a().DaumIntroPage.size());
    EXPECT_EQ(s.lastLogLine().text("event"), "joined");

    const auto intro = s.get(location, cookie);
    ASSERT_TRUE(intro);
    EXPECT_EQ(intro->status, 200);
    EXPECT_EQ(login("newbie", "sea")->header("Location"), a().DaumIntroPage);
}

TEST_F(Daum, SlowAccountIsAnsweredAfterTheDelay)
{
    const auto start = std::chrono::steady_clock::now();
    const auto reply = login("slow", "sea");
    ASSERT_TRUE(reply);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(reply->header("Location"), a().DaumIntroPage);
}

TEST_F(Daum, SessionsOfThePortalsAreSeparate)
{
    const std::string netmarble =
        sessionCookie(s.post(a().NetmarbleLoginAction, {{"put_id", "captain"}, {"put_pwd", "sea"}}));
    const auto intro = s.get(a().DaumIntroPage, netmarble);
    ASSERT_TRUE(intro);
    EXPECT_FALSE(contains(intro->body, "<b>captain</b>"));
}

}  // namespace
}  // namespace sandbox::test
