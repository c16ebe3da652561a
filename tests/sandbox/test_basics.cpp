#include "Accounts.h"
#include "Certificate.h"
#include "Layout.h"
#include "Options.h"
#include "Text.h"

#include <gtest/gtest.h>

#include <openssl/x509v3.h>

namespace sandbox {
namespace {

TEST(Layout, DefaultPortsFollowTheEndpointOrder)
{
    const Layout layout;
    EXPECT_EQ(layout.port(Endpoint::NetmarbleLogin), 47101);
    EXPECT_EQ(layout.port(Endpoint::NetmarbleGame), 47102);
    EXPECT_EQ(layout.port(Endpoint::NetmarbleHome), 47103);
    EXPECT_EQ(layout.port(Endpoint::DaumLogin), 47104);
    EXPECT_EQ(layout.port(Endpoint::DaumSecureLogin), 47105);
    EXPECT_EQ(layout.port(Endpoint::DaumHome), 47106);
    EXPECT_EQ(layout.port(Endpoint::DaumUser), 47107);
    EXPECT_EQ(layout.port(Endpoint::DaumGame), 47108);
    EXPECT_EQ(layout.port(Endpoint::ZavivSite), 47109);
    EXPECT_EQ(layout.port(Endpoint::GuideSite), 47110);
    EXPECT_EQ(layout.host(Endpoint::DaumUser), "127.0.0.1:47107");
    EXPECT_TRUE(isSecure(Endpoint::DaumSecureLogin));
    EXPECT_TRUE(isSecure(Endpoint::DaumUser));
    EXPECT_FALSE(isSecure(Endpoint::DaumLogin));
}

TEST(Layout, BasePortShiftsEveryEndpoint)
{
    const Layout layout(30000);
    EXPECT_EQ(layout.port(Endpoint::NetmarbleLogin), 30001);
    EXPECT_EQ(layout.port(Endpoint::GuideSite), 30010);
    EXPECT_EQ(layout.url(Endpoint::DaumSecureLogin, "/x"), "https://127.0.0.1:30005/x");
}

TEST(Addresses, MatchTheProgramsAddressesCharacterForCharacter)
{
    const Addresses a{Layout()};
    EXPECT_EQ(a.NetmarbleLoginPage, "http://127.0.0.1:47101/login/login.asp?l_url="
                                    "http%3A%2F%2F127%2E0%2E0%2E1%3A47102%2Fmain%2Easp");
    EXPECT_EQ(a.NetmarbleLoginFailPage, "http://127.0.0.1:47101/login/LoginFail.asp");
    EXPECT_EQ(a.NetmarbleLockPage, "http://127.0.0.1:47101/login/LockStealID.asp");
    EXPECT_EQ(a.NetmarbleMainPage, "http://127.0.0.1:47102/main.asp");
    EXPECT_EQ(a.NetmarbleIntroPage, "http://127.0.0.1:47102/intro.asp");
    EXPECT_EQ(a.NetmarbleJoinPage, "http://127.0.0.1:47102/member/NMB_MembersJoin.asp");
    EXPECT_EQ(a.NetmarbleHomePage, "http://127.0.0.1:47103/");
    EXPECT_EQ(a.NetmarbleChannelPage, "http://127.0.0.1:47102/GameChannel/channel.asp?game=dho");
    EXPECT_EQ(a.NetmarbleUnlockedPage, "http://127.0.0.1:47101/login/login.asp");

    EXPECT_EQ(a.DaumLogoutAddress, "http://127.0.0.1:47104/Mail-bin/logout.cgi?url="
                                   "http://127.0.0.1:47106/?nil_profile=logout");
    EXPECT_EQ(a.DaumLoggedOutPage, "http://127.0.0.1:47106/?nil_profile=logout");
    EXPECT_EQ(a.DaumLoginPage, "http://127.0.0.1:47106/Mail-bin/login.html?url="
                               "http%3a%2f%2f127%2e0%2e0%2e1%3a47108%2fintro%2easp&category=identity");
    EXPECT_EQ(a.DaumHomePage, "http://127.0.0.1:47106/");
    EXPECT_EQ(a.DaumIntroPage, "http://127.0.0.1:47108/intro.asp");
    EXPECT_EQ(a.DaumLoginFailPage, "https://127.0.0.1:47105/Mail-bin/login.cgi?dummy=");
    EXPECT_EQ(a.DaumConsentPage, "https://127.0.0.1:47107/privagree/privinfoagree.daum");
    EXPECT_EQ(a.DaumJoinPage, "http://127.0.0.1:47108/member/DM_MembersJoin.asp?AgreeRurl=");
    EXPECT_EQ(a.DaumChannelPage, "http://127.0.0.1:47108/GameChannel/channel.asp?game=dho");

    EXPECT_EQ(a.DaumMainPage, "http://127.0.0.1:47108/main.asp");
    EXPECT_EQ(a.ZavivSitePage, "http://127.0.0.1:47109/");
    EXPECT_EQ(a.GuideSitePage, "http://127.0.0.1:47110/");
    EXPECT_EQ(a.DaumJoinedPage, "http://127.0.0.1:47108/intro.asp?joined=1");
}

TEST(Addresses, UseTheShiftedPorts)
{
    const Addresses a{Layout(40000)};
    EXPECT_EQ(a.NetmarbleLoginPage, "http://127.0.0.1:40001/login/login.asp?l_url="
                                    "http%3A%2F%2F127%2E0%2E0%2E1%3A40002%2Fmain%2Easp");
    EXPECT_EQ(a.DaumLogoutAddress, "http://127.0.0.1:40004/Mail-bin/logout.cgi?url="
                                   "http://127.0.0.1:40006/?nil_profile=logout");
    EXPECT_EQ(a.DaumConsentPage, "https://127.0.0.1:40007/privagree/privinfoagree.daum");
}

TEST(Text, PercentDecodingTakesEitherCaseAndLeavesBrokenEscapes)
{
    EXPECT_EQ(percentDecode("http%3A%2f%2E.%zz%4", false), "http:/..%zz%4");
    EXPECT_EQ(percentDecode("a+b%2Bc", true), "a b+c");
    EXPECT_EQ(percentDecode("a+b", false), "a+b");
}

TEST(Text, UrlEncodedFieldsKeepOrderEmptyValuesAndDuplicates)
{
    const Fields fields = parseUrlEncoded("a=1&b=&c&a=2&&d=x%3Dy");
    const Fields expected{{"a", "1"}, {"b", ""}, {"c", ""}, {"a", "2"}, {"d", "x=y"}};
    EXPECT_EQ(fields, expected);
    EXPECT_EQ(fieldValue(fields, "a"), "1");
    EXPECT_FALSE(fieldValue(fields, "z"));
}

TEST(Text, PercentEncodingRoundTrips)
{
    const std::string text = "a \"b\\c\r\n한글 </script>&=+%";
    EXPECT_EQ(percentDecode(percentEncode(text), true), text);
    EXPECT_EQ(percentEncode("A-z_0.~ /"), "A-z_0.~%20%2F");
}

TEST(Text, CookieValueFindsTheNamedCookie)
{
    EXPECT_EQ(cookieValue("a=1; NM_SESSION=abc; b=2", "NM_SESSION"), "abc");
    EXPECT_EQ(cookieValue("NM_SESSION=abc", "NM_SESSION"), "abc");
    EXPECT_FALSE(cookieValue("XNM_SESSION=abc", "NM_SESSION"));
    EXPECT_FALSE(cookieValue("", "NM_SESSION"));
}

TEST(Text, SplitTargetKeepsTheRawQuery)
{
    EXPECT_EQ(splitTarget("/a/b.asp?x=%2E&y"), std::make_pair(std::string("/a/b.asp"), std::string("x=%2E&y")));
    EXPECT_EQ(splitTarget("/"), std::make_pair(std::string("/"), std::string()));
}

TEST(Text, HtmlEscapeCoversMarkupCharacters)
{
    EXPECT_EQ(htmlEscape("<a href=\"x\">'&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
}

TEST(Json, EscapesQuotesBackslashesAndControlCharacters)
{
    EXPECT_EQ(jsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(jsonString("\n\r\t\b\f"), R"("\n\r\t\b\f")");
    EXPECT_EQ(jsonString(std::string("\x01\x1f\x7f", 3)), R"("\u0001\u001F\u007F")");
    EXPECT_EQ(jsonString(std::string("a\0b", 3)), R"("a\u0000b")");
    EXPECT_EQ(jsonString("</script>"), R"("</script>")");
}

TEST(Json, KeepsValidUtf8AndReplacesInvalidBytes)
{
    EXPECT_EQ(jsonString("한글 ✓ 😀"), "\"한글 ✓ 😀\"");
    EXPECT_EQ(jsonString("\xff"), R"("\ufffd")");
    EXPECT_EQ(jsonString("a\xc3"), R"("a\ufffd")");
    EXPECT_EQ(jsonString("\xed\xa0\x80"), R"("\ufffd\ufffd\ufffd")");  // a UTF-16 surrogate
    EXPECT_EQ(jsonString("\xc0\xaf"), R"("\ufffd\ufffd")");           // overlong
}

TEST(Options, DefaultsWithoutArguments)
{
    std::string error;
    const auto options = parseOptions({}, error);
    ASSERT_TRUE(options);
    EXPECT_EQ(options->settings.basePort, DefaultBasePort);
    EXPECT_EQ(options->settings.slowDelay, std::chrono::seconds(20));
    EXPECT_TRUE(options->logFile.empty());
    EXPECT_FALSE(options->help);
}

TEST(Options, ReadsEveryOption)
{
    std::string error;
    const auto options = parseOptions({"--base-port", "30000", "--log", "x.log", "--slow-seconds", "2"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->settings.basePort, 30000);
    EXPECT_EQ(options->logFile, "x.log");
    EXPECT_EQ(options->settings.slowDelay, std::chrono::seconds(2));
}

TEST(Options, RejectsBadInput)
{
    std::string error;
    EXPECT_FALSE(parseOptions({"--base-port"}, error));
    EXPECT_FALSE(parseOptions({"--base-port", "x"}, error));
    EXPECT_FALSE(parseOptions({"--base-port", "65530"}, error));
    EXPECT_FALSE(parseOptions({"--base-port", "0"}, error));
    EXPECT_FALSE(parseOptions({"--slow-seconds", "-1"}, error));
    EXPECT_FALSE(parseOptions({"--log", ""}, error));
    EXPECT_FALSE(parseOptions({"--port", "1"}, error));
    EXPECT_EQ(error, "unknown option --port");
}

TEST(Accounts, TableListsEveryAccount)
{
    const std::string table = accountTable();
    for (const Account& account : accounts())
        EXPECT_NE(table.find(std::string(account.id)), std::string::npos) << account.id;
    EXPECT_NE(table.find("captain / sea"), std::string::npos);
    EXPECT_NE(table.find("echo / <any>"), std::string::npos);
}

TEST(Accounts, OutcomesByPortal)
{
    PortalState state;
    EXPECT_EQ(state.login(Portal::Netmarble, "captain", "sea"), LoginOutcome::Success);
    EXPECT_EQ(state.login(Portal::Netmarble, "captain", "Sea"), LoginOutcome::Failed);
    EXPECT_EQ(state.login(Portal::Daum, "nobody", "sea"), LoginOutcome::Failed);
    EXPECT_EQ(state.login(Portal::Netmarble, "locked", "sea"), LoginOutcome::Locked);
    EXPECT_EQ(state.login(Portal::Netmarble, "locked", "wrong"), LoginOutcome::Failed);
    EXPECT_EQ(state.login(Portal::Daum, "locked", "sea"), LoginOutcome::Success);
    EXPECT_EQ(state.login(Portal::Daum, "consent", "sea"), LoginOutcome::ConsentRequired);
    EXPECT_EQ(state.login(Portal::Netmarble, "consent", "sea"), LoginOutcome::Success);
    EXPECT_EQ(state.login(Portal::Daum, "homeward", "sea"), LoginOutcome::HomePage);
    EXPECT_EQ(state.login(Portal::Netmarble, "homeward", "sea"), LoginOutcome::Success);
    EXPECT_EQ(state.login(Portal::Netmarble, "newbie", "sea"), LoginOutcome::JoinRequired);
    EXPECT_EQ(state.login(Portal::Daum, "echo", ""), LoginOutcome::Success);
    EXPECT_TRUE(answersSlowly("slow"));
    EXPECT_FALSE(answersSlowly("captain"));

    state.join(Portal::Netmarble, "newbie");
    EXPECT_EQ(state.login(Portal::Netmarble, "newbie", "sea"), LoginOutcome::Success);
    EXPECT_EQ(state.login(Portal::Daum, "newbie", "sea"), LoginOutcome::JoinRequired);
    EXPECT_FALSE(state.unlock("captain"));
    EXPECT_TRUE(state.unlock("locked"));
    EXPECT_EQ(state.login(Portal::Netmarble, "locked", "sea"), LoginOutcome::Success);
}

TEST(Accounts, SessionsBelongToOnePortal)
{
    PortalState state;
    const std::string token = state.openSession(Portal::Netmarble, "captain");
    EXPECT_EQ(token.size(), 32u);
    EXPECT_EQ(state.sessionUser(Portal::Netmarble, token), "captain");
    EXPECT_FALSE(state.sessionUser(Portal::Daum, token));
    EXPECT_NE(state.openSession(Portal::Netmarble, "captain"), token);
    EXPECT_EQ(state.closeSession(Portal::Netmarble, token), "captain");
    EXPECT_FALSE(state.sessionUser(Portal::Netmarble, token));
    EXPECT_FALSE(state.closeSession(Portal::Netmarble, token));
}

TEST(Certificate, SelfSignedForLoopback)
{
    const Certificate certificate;
    EXPECT_EQ(X509_check_ip_asc(certificate.certificate(), "127.0.0.1", 0), 1);
    EXPECT_EQ(X509_check_host(certificate.certificate(), "localhost", 0, 0, nullptr), 1);
    EXPECT_EQ(X509_verify(certificate.certificate(), certificate.key()), 1);
    EXPECT_LT(X509_cmp_current_time(X509_get0_notBefore(certificate.certificate())), 0);
    EXPECT_GT(X509_cmp_current_time(X509_get0_notAfter(certificate.certificate())), 0);
}

}  // namespace
}  // namespace sandbox
