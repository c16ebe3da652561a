#include "platform/qt/NavigationMemory.h"

#include <gtest/gtest.h>

using platform::NavigationMemory;

namespace {

TEST(NavigationMemory, EngineSpellingsMapBackToTheNavigatedText)
{
    NavigationMemory memory;
    const QString login = "http://127.0.0.1:47101/login/login.asp?l_url=http%3A%2F%2F127%2E0%2E0%2E1%3A47102%2Fmain%2Easp";
    const QString daum = "http://127.0.0.1:47106/Mail-bin/login.html?url=http%3a%2f%2f127%2e0%2e0%2e1%3a47108%2fintro%2easp&category=identity";
    memory.remember(login);
    memory.remember(daum);
    EXPECT_EQ(memory.resolve(QUrl("http://127.0.0.1:47101/login/login.asp?l_url=http%3A%2F%2F127.0.0.1%3A47102%2Fmain.asp")), login);
    EXPECT_EQ(memory.resolve(QUrl("http://127.0.0.1:47106/Mail-bin/login.html?url=http%3A%2F%2F127.0.0.1%3A47108%2Fintro.asp&category=identity")), daum);
    // An address never navigated to is reported as the engine gives it.
    EXPECT_EQ(memory.resolve(QUrl("http://127.0.0.1:47102/main.asp")), "http://127.0.0.1:47102/main.asp");
}

TEST(NavigationMemory, DotSegmentsResolveAsTheEngineLoadsThemAndSlashesStay)
{
    NavigationMemory memory;
    const QString dotted = "http://h.test/a/./b/../main.asp";
    memory.remember(dotted);
    EXPECT_EQ(memory.resolve(QUrl("http://h.test/a/main.asp")), dotted);
    EXPECT_EQ(NavigationMemory::key(QString("http://h.test/a/..")), "http://h.test/");
    // Two slashes name another resource than one; resolving stays put after one pass.
    EXPECT_NE(NavigationMemory::key(QString("http://h.test/a//b")), NavigationMemory::key(QString("http://h.test/a/b")));
    const QString slashes = NavigationMemory::key(QString("http://h.test////x"));
    EXPECT_EQ(NavigationMemory::key(slashes), slashes);
}

TEST(NavigationMemory, TextsThatAreNoAddressKeepKeysOfTheirOwn)
{
    // The browser holds an empty key while nothing loads: a text with that key
    // would wait behind a load that never comes.
    const QString spaced = " http://h.test/";
    const QString colon = "ja%vascript:void(0)";
    EXPECT_FALSE(QUrl(spaced).isValid());
    EXPECT_FALSE(NavigationMemory::key(spaced).isEmpty());
    EXPECT_FALSE(NavigationMemory::key(QString()).isEmpty());
    EXPECT_NE(NavigationMemory::key(spaced), NavigationMemory::key(colon));

    NavigationMemory memory;
    memory.remember(spaced);
    memory.remember(colon);
    memory.remember("http://h.test/");
    EXPECT_EQ(memory.resolve(QUrl("http://h.test/")), "http://h.test/");
}

}  // namespace
