#include "RunningSandbox.h"

#include "RequestLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace sandbox::test {
namespace {

const std::string AwkwardPassword = "q\"uo\\te\r\nline2\t한글😀 </script><b>&amp;+ %41";

TEST(Log, NetmarblePasswordArrivesVerbatim)
{
    RunningSandbox s;
    const auto reply = s.post(s.addresses().NetmarbleLoginAction,
                              {{"put_id", "echo"}, {"put_pwd", AwkwardPassword}});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->header("Location"), s.addresses().NetmarbleMainPage);
    const JsonValue line = s.lastLogLine();
    ASSERT_TRUE(line.member("form"));
    EXPECT_EQ(line.member("form")->text("put_id"), "echo");
    EXPECT_EQ(line.member("form")->text("put_pwd"), AwkwardPassword);
}

TEST(Log, DaumPasswordArrivesVerbatimOverHttps)
{
    RunningSandbox s;
    const auto reply = s.post(s.addresses().DaumLoginAction, {{"id", "echo"}, {"enpw", AwkwardPassword}});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->header("Location"), s.addresses().DaumIntroPage);
    EXPECT_EQ(s.lastLogLine().member("form")->text("enpw"), AwkwardPassword);
}

TEST(Log, FormEncodedTheWayBrowsersDoIsDecoded)
{
    RunningSandbox s;
    // Browsers send a blank as "+" and a plus as "%2B".
    ASSERT_TRUE(s.postBody(s.addresses().NetmarbleLoginAction, "put_id=echo&put_pwd=a+b%2Bc%0D%0Ad"));
    EXPECT_EQ(s.lastLogLine().member("form")->text("put_pwd"), "a b+c\r\nd");
}

TEST(Log, EveryLineIsOneJsonObjectWithTheRequest)
{
    RunningSandbox s;
    ASSERT_TRUE(s.get(s.addresses().NetmarbleLoginPage));
    ASSERT_TRUE(s.get(s.addresses().DaumLoginPage));
    const auto lines = s.logLines();
    ASSERT_EQ(lines.size(), 2u);
    const JsonValue& first = lines[0];
    EXPECT_EQ(first.text("endpoint"), "NetmarbleLogin");
    EXPECT_EQ(first.text("method"), "GET");
    EXPECT_EQ(first.text("path"), "/login/login.asp");
    EXPECT_EQ(first.text("query"), "l_url=" + encodeReturnAddress(s.addresses().NetmarbleMainPage, true));
    EXPECT_TRUE(first.member("form")->isObject());
    EXPECT_EQ(first.number("status"), 200);
    EXPECT_FALSE(first.member("event"));
    const std::string time = first.text("time").value_or("");
    EXPECT_EQ(time.size(), 24u) << time;
    EXPECT_TRUE(time.ends_with("Z"));
    EXPECT_EQ(lines[1].text("endpoint"), "DaumHome");
    EXPECT_EQ(lines[1].text("query"), "url=" + encodeReturnAddress(s.addresses().DaumIntroPage, false)
                                          + "&category=identity");
}

TEST(Log, LineFormatIsFixed)
{
    LogEntry entry;
    entry.endpoint = Endpoint::DaumUser;
    entry.method = "POST";
    entry.path = "/p";
    entry.query = "a=\"1\"";
    entry.form = {{"confirm", "Y"}, {"x\n", "\\"}};
    entry.status = 302;
    entry.location = "https://127.0.0.1:1/";
    entry.event = "consent";
    entry.user = "consent";
    const auto time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1700000000123));
    EXPECT_EQ(formatLogLine(entry, time),
              R"({"time":"2023-11-14T22:13:20.123Z","endpoint":"DaumUser","portal":"daum",)"
              R"("method":"POST","path":"/p","query":"a=\"1\"","form":{"confirm":"Y","x\n":"\\"},)"
              R"("status":302,"location":"https://127.0.0.1:1/","event":"consent","user":"consent"})");
}

// Waits, for at most five seconds, until the endpoint logs the event.
bool eventLogged(const RunningSandbox& s, const std::string& endpoint, const std::string& event)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const JsonValue& line : s.logLines()) {
            if (line.text("endpoint") == endpoint && line.text("event") == event)
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(Log, SlowLoginGivenUpByTheBrowserIsCancelled)
{
    RunningSandbox s(std::chrono::seconds(20));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(fetch(s.addresses().NetmarbleLoginAction, "POST", "put_id=slow&put_pwd=sea", {},
                       std::chrono::seconds(1)));
    EXPECT_TRUE(eventLogged(s, "NetmarbleLogin", "cancelled"));
    EXPECT_FALSE(fetch(s.addresses().DaumLoginAction, "POST", "id=slow&enpw=sea", {},
                       std::chrono::seconds(1)));
    EXPECT_TRUE(eventLogged(s, "DaumSecureLogin", "cancelled"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(JsonReader, ReadsWhatTheLogWrites)
{
    const auto value = parseJson(R"({"a":"x\"\\\n\u00e9\ud83d\ude00","b":{"c":1.5},"d":null})");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->text("a"), "x\"\\\né😀");
    EXPECT_EQ(value->member("b")->number("c"), 1.5);
    EXPECT_FALSE(parseJson("{\"a\":\"raw\nline\"}"));
    EXPECT_FALSE(parseJson("{\"a\":1"));
}

}  // namespace
}  // namespace sandbox::test
