#include "core/Addresses.h"

#include <gtest/gtest.h>

namespace {

Endpoints testEndpoints()
{
    return Endpoints{"login.nm.test:8081", "dho.nm.test", "www.nm.test", "login.dm.test",
                     "logins.dm.test:8443", "www.dm.test", "user.dm.test", "dho.dm.test",
                     "zaviv.test", "guide.test"};
}

TEST(Addresses, BuildsEveryFixedAddressCharacterForCharacter)
{
    const Addresses a(testEndpoints());
    EXPECT_EQ(a.NetmarbleLoginPage,
              "http://login.nm.test:8081/login/login.asp?l_url=http%3A%2F%2Fdho%2Enm%2Etest%2Fmain%2Easp");
    EXPECT_EQ(a.NetmarbleLoginFailPage, "http://login.nm.test:8081/login/LoginFail.asp");
    EXPECT_EQ(a.NetmarbleLockPage, "http://login.nm.test:8081/login/LockStealID.asp");
    EXPECT_EQ(a.NetmarbleMainPage, "http://dho.nm.test/main.asp");
    EXPECT_EQ(a.NetmarbleIntroPage, "http://dho.nm.test/intro.asp");
    EXPECT_EQ(a.NetmarbleJoinPage, "http://dho.nm.test/member/NMB_MembersJoin.asp");
    EXPECT_EQ(a.NetmarbleHomePage, "http://www.nm.test/");
    EXPECT_EQ(a.NetmarbleChannelPage, "http://dho.nm.test/GameChannel/channel.asp?game=dho");
    EXPECT_EQ(a.NetmarbleUnlockedPage, "http://login.nm.test:8081/login/login.asp");

    EXPECT_EQ(a.DaumLogoutAddress,
              "http://login.dm.test/Mail-bin/logout.cgi?url=http://www.dm.test/?nil_profile=logout");
    EXPECT_EQ(a.DaumLoggedOutPage, "http://www.dm.test/?nil_profile=logout");
    EXPECT_EQ(a.DaumLoginPage, "http://www.dm.test/Mail-bin/login.html?url="
                               "http%3a%2f%2fdho%2edm%2etest%2fintro%2easp&category=identity");
    EXPECT_EQ(a.DaumHomePage, "http://www.dm.test/");
    EXPECT_EQ(a.DaumIntroPage, "http://dho.dm.test/intro.asp");
    EXPECT_EQ(a.DaumLoginFailPage, "https://logins.dm.test:8443/Mail-bin/login.cgi?dummy=");
    EXPECT_EQ(a.DaumConsentPage, "https://user.dm.test/privagree/privinfoagree.daum");
    EXPECT_EQ(a.DaumJoinPage, "http://dho.dm.test/member/DM_MembersJoin.asp?AgreeRurl=");
    EXPECT_EQ(a.DaumChannelPage, "http://dho.dm.test/GameChannel/channel.asp?game=dho");

    EXPECT_EQ(a.DaumMainPage, "http://dho.dm.test/main.asp");
    EXPECT_EQ(a.ZavivSitePage, "http://zaviv.test/");
    EXPECT_EQ(a.GuideSitePage, "http://guide.test/");
    EXPECT_EQ(Addresses::GoLogoutScript, "javascript:void(go_logout());");
    EXPECT_EQ(Addresses::AgreeCheckScript, "javascript:agree_check();");
}

TEST(Addresses, EncodesThePortOfTheReturnAddressToo)
{
    Endpoints e = testEndpoints();
    e.NetmarbleGame = "127.0.0.1:9002";
    e.DaumGame = "127.0.0.1:9008";
    const Addresses a(e);
    EXPECT_TRUE(a.NetmarbleLoginPage.endsWith("l_url=http%3A%2F%2F127%2E0%2E0%2E1%3A9002%2Fmain%2Easp"));
    EXPECT_TRUE(a.DaumLoginPage.endsWith("url=http%3a%2f%2f127%2e0%2e0%2e1%3a9008%2fintro%2easp&category=identity"));
}

TEST(Addresses, ComparisonsAreExactAndCaseSensitive)
{
    const Addresses a(testEndpoints());
    EXPECT_TRUE(addressEquals(a.NetmarbleMainPage, a.NetmarbleMainPage));
    EXPECT_FALSE(addressEquals("http://dho.nm.test/Main.asp", a.NetmarbleMainPage));
    EXPECT_FALSE(addressEquals("http://dho.nm.test/main.asp?x=1", a.NetmarbleMainPage));
    EXPECT_FALSE(addressEquals("http://dho.nm.test/main.as", a.NetmarbleMainPage));

    EXPECT_TRUE(addressBeginsWith(a.NetmarbleLoginFailPage + "?err=1", a.NetmarbleLoginFailPage));
    EXPECT_TRUE(addressBeginsWith(a.NetmarbleLoginFailPage, a.NetmarbleLoginFailPage));
    EXPECT_FALSE(addressBeginsWith("http://login.nm.test:8081/login/LoginFail.as", a.NetmarbleLoginFailPage));
    EXPECT_FALSE(addressBeginsWith("http://login.nm.test:8081/login/loginfail.asp", a.NetmarbleLoginFailPage));
    EXPECT_FALSE(addressBeginsWith(QString(), a.NetmarbleLoginFailPage));
}

}  // namespace
