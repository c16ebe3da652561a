#include "platform/qt/NavigationMemory.h"

#include <gtest/gtest.h>

using platform::NavigationMemory;

namespace {

TEST(NavigationMemory, EngineSpellingsMapBackToTheNavigatedText)
{
    NavigationMemory memory;
    const QString netmarble =
        "http://127.0.0.1:47101/login.asp?l_url=http%3A%2F%2F127%2E0%2E0%2E1%3A47102%2Fmain%2Easp";
    const QString daum =
        "http://127.0.0.1:47106/login.html?url=http%3a%2f%2f127%2e0%2e0%2e1%3a47108%2fintro%2easp&c=i";
    const QString dotted = "http://h.test/a/./b/../main.asp";
    for (const QString& text : {netmarble, daum, dotted})
        memory.remember(text);
    EXPECT_EQ(
        memory.resolve(QUrl("http://127.0.0.1:47101/login.asp?l_url=http%3A%2F%2F127.0.0.1%3A47102%2Fmain.asp")),
        netmarble);
    EXPECT_EQ(memory.resolve(
                  QUrl("http://127.0.0.1:47106/login.html?url=http%3A%2F%2F127.0.0.1%3A47108%2Fintro.asp&c=i")),
              daum);
    EXPECT_EQ(memory.resolve(QUrl("http://h.test/a/main.asp")), dotted)
        << "dot segments resolve as the engine loads them";
    EXPECT_EQ(memory.resolve(QUrl("http://h.test/main.asp")), "http://h.test/main.asp") << "never navigated to";
}

TEST(NavigationMemory, KeysResolveDotSegmentsOnceAndKeepSlashes)
{
    EXPECT_EQ(NavigationMemory::key(QString("http://h.test/a/..")), "http://h.test/");
    // Two slashes name another resource than one.
    EXPECT_NE(NavigationMemory::key(QString("http://h.test/a//b")),
              NavigationMemory::key(QString("http://h.test/a/b")));
    const QString slashes = NavigationMemory::key(QString("http://h.test////x"));
    EXPECT_EQ(NavigationMemory::key(slashes), slashes);
}

TEST(NavigationMemory, TextsThatAreNoAddressKeepKeysOfTheirOwn)
{
    // The browser holds an empty key while nothing loads: a text with that key
    // would wait behind a load that never comes.
    const QString spaced = " http://h.test/";
    const QString colon = "ja%vascript:void(0)";
    ASSERT_FALSE(QUrl(spaced).isValid());
    EXPECT_FALSE(NavigationMemory::key(spaced).isEmpty() || NavigationMemory::key(QString()).isEmpty());
    EXPECT_NE(NavigationMemory::key(spaced), NavigationMemory::key(colon));
    NavigationMemory memory;
    for (const QString& text : {spaced, colon})
        memory.remember(text);
    EXPECT_EQ(memory.resolve(QUrl("http://h.test/")), "http://h.test/");
}

}  // namespace
