#include "engine/browser/NavigationMemory.h"

#include <gtest/gtest.h>

using engine::NavigationMemory;

namespace {

// Keys of their own for texts that are no address, and slashes kept apart,
// are held by the fuzz target's seeds.
TEST(NavigationMemory, EngineSpellingsMapBackToTheNavigatedText)
{
    NavigationMemory memory;
    const QString netmarble =
        "http://127.0.0.1:47101/login.asp?l_url=http%3A%2F%2F127%2E0%2E0%2E1%3A47102%2Fmain%2Easp";
    const QString daum =
        "http://127.0.0.1:47106/login.html?url=http%3a%2f%2f127%2e0%2e0%2e1%3a47108%2fintro%2easp";
    const QString dotted = "http://h.test/a/./b/../main.asp";
    for (const QString& text :
         {netmarble, daum, dotted, QString(" http://h.test/"), QString("ja%vascript:void(0)")})
        memory.remember(text);
    EXPECT_EQ(
        memory.resolve(QUrl("http://127.0.0.1:47106/login.html?url=http%3A%2F%2F127.0.0.1%3A47108%2Fintro.asp")),
        daum);
    EXPECT_EQ(memory.resolve(QUrl("http://h.test/a/main.asp")), dotted)
        << "dot segments resolve as the engine loads them";
    EXPECT_EQ(memory.resolve(QUrl("http://h.test/")), "http://h.test/") << "never navigated to";
    EXPECT_EQ(
        memory.resolve(QUrl("https://127.0.0.1:47101/login.asp?l_url=http%3A%2F%2F127.0.0.1%3A47102%2Fmain.asp")),
        "https" + netmarble.mid(4))
        << "redirected to https by a portal that moved";
    EXPECT_EQ(memory.resolve(QUrl("https://127.0.0.1:47101/login.asp?l_url=other")),
              "https://127.0.0.1:47101/login.asp?l_url=other");
    EXPECT_EQ(NavigationMemory::key(QString("http://h.test/a/..")), "http://h.test/");
}

}  // namespace
