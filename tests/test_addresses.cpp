#include "core/Addresses.h"

#include <gtest/gtest.h>

namespace {

TEST(Addresses, ReturnAddressesAreEncodedAsEachPortalExpects)
{
    Endpoints e{"login.nm.test:8081", "dho.nm.test",  "www.nm.test", "login.dm.test", "logins.dm.test:8443",
                "www.dm.test",        "user.dm.test", "dho.dm.test", "zaviv.test",    "guide.test"};
    const Addresses a(e);
    EXPECT_EQ(a.NetmarbleLoginPage,
              "http://login.nm.test:8081/login/login.asp?l_url=http%3A%2F%2Fdho%2Enm%2Etest%2Fmain%2Easp");
    EXPECT_EQ(a.DaumLoginPage, "http://www.dm.test/Mail-bin/login.html?url="
                               "http%3a%2f%2fdho%2edm%2etest%2fintro%2easp&category=identity");
    EXPECT_EQ(a.DaumLogoutAddress,
              "http://login.dm.test/Mail-bin/logout.cgi?url=http://www.dm.test/?nil_profile=logout")
        << "left unencoded";

    e.NetmarbleGame = "127.0.0.1:9002";
    e.DaumGame = "127.0.0.1:9008";
    const Addresses local(e);
    EXPECT_TRUE(local.NetmarbleLoginPage.endsWith("l_url=http%3A%2F%2F127%2E0%2E0%2E1%3A9002%2Fmain%2Easp"));
    EXPECT_TRUE(
        local.DaumLoginPage.endsWith("url=http%3a%2f%2f127%2e0%2e0%2e1%3a9008%2fintro%2easp&category=identity"));
}

}  // namespace
