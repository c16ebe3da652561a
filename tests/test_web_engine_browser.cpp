#include "platform/qt/WebEngineBrowser.h"
#include "support/LoopbackServer.h"

#include <QTimer>
#include <QWebEnginePage>
#include "platform/qt/BrowserProfile.h"
#include <gtest/gtest.h>

using portal::ElementStep;

namespace {

const QByteArray LoginForm = R"(<!doctype html><meta charset="utf-8"><title>login</title>
<form method="post" action="/submit">
<input type="text" name="put_id">
<textarea name="put_pwd"></textarea>
<input type="checkbox" id="checkBox1" name="agree" value="1">
<input type="submit" name="btnSubmit" value="go" onclick="new Image().src = '/clicked?' + this.form.put_id.value">
</form>
<script>
function go_logout() { location.href = '/loggedout'; }
function agree_check() { document.forms[0].submit(); }
</script>)";

LoopbackServer::Response route(const LoopbackServer::Request& request)
{
    if (request.target == "/redirect")
        return {302, {}, "/final?from=redirect"};
    if (request.target == "/slow-missing")
        return {404, "<p>missing</p>", {}};
    return {200, LoginForm, {}};
}

class WebEngineBrowserTest : public ::testing::Test {
protected:
    static platform::BrowserProfile& profile()
    {
        static auto* shared = new platform::BrowserProfile;
        return *shared;
    }

    LoopbackServer server{route};
    platform::WebEngineBrowser browser{profile()};
    QStringList completed;
    QStringList failed;

    void SetUp() override
    {
        browser.setDocumentCompleteHandler([this](const QString& a) { completed.append(a); });
        browser.setLoadFailedHandler([this](const QString& a) { failed.append(a); });
    }

    void load(const QString& address)
    {
        const qsizetype before = completed.size();
        browser.navigate(address);
        ASSERT_TRUE(waitUntil([&] { return completed.size() > before; })) << address.toStdString();
    }

    QVariant evaluate(const QString& script)
    {
        QVariant result;
        bool done = false;
        browser.page()->runJavaScript(script, [&](const QVariant& value) {
            result = value;
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }));
        return result;
    }

    qsizetype posts() const
    {
        return std::count_if(server.requests.begin(), server.requests.end(),
                             [](const auto& r) { return r.method == "POST"; });
    }
};

TEST_F(WebEngineBrowserTest, ReportsTheExactTextItWasNavigatedWith)
{
    // The engine sends "." for "%2E" and may change the case of escapes; the
    // session compares the very text it navigated with.
    const QString upper = server.origin() + "/login/login.asp?l_url=http%3A%2F%2Fdho%2Enm%2Etest%3A80%2Fmain%2Easp";
    load(upper);
    EXPECT_NE(browser.page()->url().toString(QUrl::FullyEncoded), upper) << "the engine rewrites it";
    EXPECT_EQ(completed.last(), upper);
    EXPECT_EQ(server.requests.last().target, "/login/login.asp?l_url=http%3A%2F%2Fdho.nm.test%3A80%2Fmain.asp");

    const QString lower = server.origin() + "/Mail-bin/login.html?url=http%3a%2f%2fdho%2edm%2etest%2fintro%2easp&category=identity";
    load(lower);
    EXPECT_NE(browser.page()->url().toString(QUrl::FullyEncoded), lower) << "the engine rewrites it";
    EXPECT_EQ(completed.last(), lower);

    const QString unencoded = server.origin() + "/Mail-bin/logout.cgi?url=http://www.dm.test/?nil_profile=logout";
    load(unencoded);
    EXPECT_EQ(completed.last(), unencoded);
    EXPECT_TRUE(failed.isEmpty());
}

TEST_F(WebEngineBrowserTest, EveryNavigationCompletesEvenToTheAddressStillLoading)
{
    // A failed login sends the browser to the login page, and the next login
    // sends it there again at once: each must complete on its own.
    const QString login = server.origin() + "/login/login.asp?l_url=x%2Ey";
    for (int gapMs : {0, 5, 15}) {
        completed.clear();
        browser.navigate(login);
        QTimer::singleShot(gapMs, &browser, [&] { browser.navigate(login); });
        ASSERT_TRUE(waitUntil([&] { return completed.size() == 2; })) << "gap " << gapMs << " ms";
        EXPECT_EQ(completed, (QStringList{login, login}));
    }
}

TEST_F(WebEngineBrowserTest, ADocumentAboutToBeReplacedIsNotFilledIn)
{
    // After a failed login the login page may complete while the next login
    // already waits to load it again: filling the old one would lose both.
    const QString login = server.origin() + "/login";
    int completions = 0;
    browser.setDocumentCompleteHandler([&](const QString& address) {
        completed.append(address);
        if (address == login) {
            ++completions;
            browser.act({ElementStep::setValue("put_id", QString::number(completions)),
                         ElementStep::click("btnSubmit")});
        }
    });
    browser.navigate(login);
    browser.navigate(login);
    ASSERT_TRUE(waitUntil([&] { return posts() == 1 && completed.last().endsWith("/submit"); }));
    EXPECT_EQ(completions, 2);
    for (const LoopbackServer::Request& request : server.requests)
        EXPECT_NE(request.target, "/clicked?1") << "the first document was worked on";
    EXPECT_EQ(server.requests.last().formValue("put_id"), "2");
}

TEST_F(WebEngineBrowserTest, ReportsTheAddressReachedByRedirection)
{
    load(server.origin() + "/redirect");
    EXPECT_EQ(completed.last(), server.origin() + "/final?from=redirect");
}

TEST_F(WebEngineBrowserTest, FillsValuesAsDataWhateverTheyHold)
{
    load(server.origin() + "/login");
    const QString id = QStringLiteral("선장 \"captain\" O'Neil");
    const QString password = QStringLiteral("p\"w'\\d\n\r\nline</script><script>document.title='pwned'</script>`${x}`\u2028end");
    browser.act({ElementStep::setValue("put_id", id), ElementStep::setValue("put_pwd", password)});
    ASSERT_TRUE(waitUntil([&] { return evaluate("document.getElementsByName('put_id')[0].value") == id; }));
    // Text areas keep line breaks as LF only.
    EXPECT_EQ(evaluate("document.getElementsByName('put_pwd')[0].value").toString(),
              QString(password).replace("\r\n", "\n"));
    EXPECT_EQ(evaluate("document.title").toString(), "login");
    EXPECT_EQ(evaluate("typeof x").toString(), "undefined");

    browser.act({ElementStep::click("btnSubmit")});
    ASSERT_TRUE(waitUntil([&] { return posts() == 1; }));
    EXPECT_EQ(server.requests.last().formValue("put_id"), id);
    ASSERT_TRUE(waitUntil([&] { return completed.last().endsWith("/submit"); }));
}

TEST_F(WebEngineBrowserTest, StepsAfterAMissingElementDoNothing)
{
    load(server.origin() + "/login");
    browser.act({ElementStep::setValue("no_such_box", "x"), ElementStep::setValue("put_id", "later"),
                 ElementStep::click("btnSubmit")});
    browser.act({ElementStep::setValue("put_pwd", "still runs")});
    ASSERT_TRUE(waitUntil([&] { return evaluate("document.getElementsByName('put_pwd')[0].value") == "still runs"; }));
    EXPECT_EQ(evaluate("document.getElementsByName('put_id')[0].value").toString(), "");
    QCoreApplication::processEvents(QEventLoop::AllEvents, 300);
    EXPECT_EQ(posts(), 0) << "a form that could not be filled is never submitted";
}

TEST_F(WebEngineBrowserTest, ChecksByIdBeforeTheScriptAddressRuns)
{
    load(server.origin() + "/login");
    browser.act({ElementStep::setChecked("checkBox1")});
    browser.navigate("javascript:agree_check();");
    ASSERT_TRUE(waitUntil([&] { return posts() == 1; }));
    EXPECT_EQ(server.requests.last().formValue("agree"), "1");
}

TEST_F(WebEngineBrowserTest, ScriptAddressRunsAPageFunction)
{
    load(server.origin() + "/login");
    load("javascript:void(go_logout());");
    EXPECT_EQ(completed.last(), server.origin() + "/loggedout");
}

TEST_F(WebEngineBrowserTest, AFailedLoadIsReportedApartFromCompletions)
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const QString address = QStringLiteral("http://127.0.0.1:%1/GameChannel/channel.asp?game=dho").arg(closed.serverPort());
    closed.close();
    browser.navigate(address);
    ASSERT_TRUE(waitUntil([&] { return !failed.isEmpty(); }));
    EXPECT_EQ(failed.last(), address);
    EXPECT_TRUE(completed.isEmpty());
}

}  // namespace
