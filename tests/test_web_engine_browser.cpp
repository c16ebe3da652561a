#include "core/LaunchRules.h"
#include "storage/LaunchApprovals.h"
#include "support/BrowserTest.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QTimer>

#include <csignal>

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

const QByteArray FramedPage = R"(<!doctype html><title>framed</title>
<iframe src="/frame?inner=1"></iframe>
<script>console.log(document.title + ' http://127.0.0.1/forged');</script>)";

const QByteArray DialogPage = R"(<!doctype html><title>dialogs</title><script>
alert('알림 <b>"a"</b>');
document.title = [confirm('확인할까요?'), prompt('이름?', 'x'), confirm('2'), confirm('more'), alert('more')].join(',');
</script>)";

LoopbackServer::Response route(const LoopbackServer::Request& request)
{
    if (request.target == "/to-broken")
        return {302, {}, "/broken"};
    if (request.target == "/broken")
        return {500, "<p>broken</p>", {}};
    if (request.target.startsWith("/slow"))
        return {200, LoginForm, {}, 800};
    if (request.target.startsWith("/silent"))
        return {200, LoginForm, {}, 4000};
    if (request.target == "/frame?inner=1")
        return {200, "<script>onload = function () { dispatchEvent(new Event('load')); };</script>", {}};
    if (request.target == "/framed")
        return {200, FramedPage, {}};
    if (request.target == "/dialogs")
        return {200, DialogPage, {}};
    if (request.target == "/download")
        return {200, "bytes", {}, 0, "Content-Type: application/octet-stream\r\nContent-Disposition: attachment\r\n"};
    if (request.target == "/empty")
        return {204, {}, {}};
    if (request.target == "/hangs")
        return {200, "<title>hangs</title><input type=submit name=btnSubmit onclick='for (;;);'>", {}};
    if (request.target == "/busy")
        return {200, "<title>busy</title><script>for (var t = Date.now(); Date.now() < t + 2500;);</script>", {}};
    if (request.target == "/late-frame")
        return {200, "<title>late</title><script>setTimeout(function () { var f = document.createElement('iframe');"
                     " f.src = '/frame-of-late'; document.body.appendChild(f); }, 200);</script>", {}};
    if (request.target == "/frame-of-late")
        return {200, "<p>frame</p>", {}};
    if (request.target == "/self" && request.method == "POST")
        return {302, {}, "/main", 600};
    if (request.target == "/self")
        return {200, "<form method=post action=/self><input name=put_id><input type=submit name=btnSubmit></form>", {}};
    if (request.target == "/probe")
        return {200, "<title>probe</title><script>location.href = 'dho-test://probe';</script><p>main</p>", {}};
    if (request.target.startsWith("/launches?")) {
        // A channel page that sends the browser to each address given (each
        // encoded, joined by "&"), one a frame.
        QByteArray page = "<title>channel</title>";
        for (const QByteArray& address : request.target.mid(10).split('&'))
            page += "<iframe hidden src=\"" + QString::fromUtf8(QByteArray::fromPercentEncoding(address)).toHtmlEscaped().toUtf8() + "\"></iframe>";
        return {200, page, {}};
    }
    if (request.target == "/popups")
        return {200, "<script>for (var i = 0; i < 6; ++i) open('/popup-page?' + i);</script>", {}};
    if (request.target.startsWith("/popup-page"))
        return {200, "<p>pop-up</p>", {}};
    if (request.target == "/broken-image")
        return {200, "<img src='http://127.0.0.1:9/none.png'><p>text</p>", {}};
    return {200, LoginForm, {}};
}

class WebEngineBrowserTest : public BrowserTest {
protected:
    LoopbackServer server{route};

    qsizetype posts() const
    {
        return std::count_if(server.requests.begin(), server.requests.end(),
                             [](const auto& r) { return r.method == "POST"; });
    }
};

// A frame is a document of its own once it reports itself, never once the
// document it belongs to has been left behind.
TEST_F(WebEngineBrowserTest, ReportsTheExactTextItWasNavigatedWithAndFramesOnlyWhenTheyReportThemselves)
{
    // The engine sends "." for "%2E" and may change the case of escapes; the
    // session compares the very text it navigated with.
    for (const char* path : {"/login/login.asp?l_url=http%3A%2F%2Fdho%2Enm%2Etest%3A80%2Fmain%2Easp",
                             "/Mail-bin/login.html?url=http%3a%2f%2fdho%2edm%2etest%2fintro%2easp&category=identity",
                             "/Mail-bin/logout.cgi?url=http://www.dm.test/?nil_profile=logout"}) {
        load(server.origin() + path);
        EXPECT_EQ(completed.last(), server.origin() + path);
    }
    EXPECT_EQ(server.requests[0].target, "/login/login.asp?l_url=http%3A%2F%2Fdho.nm.test%3A80%2Fmain.asp")
        << "the engine rewrote what it sent";

    completed.clear();
    load(server.origin() + "/framed");
    EXPECT_EQ(completed, (QStringList{server.origin() + "/frame?inner=1", server.origin() + "/framed"}))
        << "the frame once, then its page; neither a synthetic load event nor the page's console line is a report";
    // The frame comes while the next document is on its way.
    load(server.origin() + "/late-frame");
    browser.navigate(server.origin() + "/slow");
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 4; }));
    runEventsFor(500);
    EXPECT_EQ(completed.mid(2), (QStringList{server.origin() + "/late-frame", server.origin() + "/slow"}));
    EXPECT_TRUE(failed.isEmpty());
}

// A new navigation supersedes the one in progress: while its answer is on the
// way, while its renderer is too busy to stop it in time, and when it goes to
// the very address still loading.
TEST_F(WebEngineBrowserTest, ANewNavigationSupersedesTheOneInProgressAndLoadsAfresh)
{
    for (const char* path : {"/slow", "/busy"}) {
        completed.clear();
        browser.navigate(server.origin() + path);
        runEventsFor(300);
        browser.navigate(server.origin() + "/next");
        ASSERT_TRUE(waitUntil([&] { return !completed.isEmpty(); }, 8000)) << path;
        runEventsFor(2500);
        EXPECT_EQ(completed, QStringList{server.origin() + "/next"}) << path;
        EXPECT_TRUE(failed.isEmpty()) << "a superseded load is no failure";
    }

    // A cancel sent while the login form posts to its own address must
    // complete on the login page, not on where the post leads.
    completed.clear();
    load(server.origin() + "/self");
    browser.act({ElementStep::click("btnSubmit")});
    ASSERT_TRUE(waitUntil([&] { return posts() == 1; }));
    browser.navigate(server.origin() + "/self");
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 2; }));
    runEventsFor(900);
    EXPECT_EQ(completed, (QStringList{server.origin() + "/self", server.origin() + "/self"}));
    EXPECT_EQ(server.requests.last().method, "GET");

    // The game-start button pressed twice asks for the channel page twice.
    completed.clear();
    const qsizetype before = server.requests.size();
    browser.navigate(server.origin() + "/slow/channel");
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() > before; }));
    browser.navigate(server.origin() + "/slow/channel");
    ASSERT_TRUE(waitUntil([&] { return !completed.isEmpty(); }));
    runEventsFor(900);
    EXPECT_EQ(server.requests.size() - before, 2);
    EXPECT_EQ(completed, QStringList{server.origin() + "/slow/channel"});
}

// Steps fill values as data, stop at a missing element, and run only in the
// document they were meant for: not once the page moved on by itself, nor in
// one a navigation is about to replace. Before a script address they run first.
TEST_F(WebEngineBrowserTest, StepsFillValuesAsDataOnlyInTheDocumentTheyWereMeantFor)
{
    const auto value = [&](const char* name) {
        return evaluate(QStringLiteral("document.getElementsByName('%1')[0].value").arg(name)).toString();
    };
    load(server.origin() + "/login");
    browser.act({ElementStep::setValue("no_such_box", "x"), ElementStep::setValue("put_id", "later"),
                 ElementStep::click("btnSubmit")});
    browser.act({ElementStep::setValue("put_pwd", "still runs")});
    ASSERT_TRUE(waitUntil([&] { return value("put_pwd") == "still runs"; }));
    EXPECT_EQ(value("put_id"), "");
    browser.act({ElementStep::setValue("put_id", "captain"), ElementStep::click("btnSubmit")});
    browser.currentPage()->runJavaScript("history.replaceState(null, '', '/elsewhere');");
    runEventsFor(500);
    EXPECT_EQ(value("put_id"), "") << "filled after the page moved on";
    EXPECT_EQ(posts(), 0) << "a form that could not be filled, or in another document, was submitted";

    load(server.origin() + "/login");
    const QString id = QStringLiteral("선장 \"captain\" O'Neil");
    const QString password =
        QStringLiteral("p\"w'\\d\n\r\nline</script><script>document.title='pwned'</script>`${x}`\u2028end");
    browser.act({ElementStep::setValue("put_id", id), ElementStep::setValue("put_pwd", password)});
    ASSERT_TRUE(waitUntil([&] { return value("put_id") == id; }));
    // Text areas keep line breaks as LF only.
    EXPECT_EQ(value("put_pwd"), QString(password).replace("\r\n", "\n"));
    EXPECT_EQ(evaluate("document.title").toString(), "login");
    EXPECT_EQ(evaluate("typeof x").toString(), "undefined");
    browser.act({ElementStep::click("btnSubmit")});
    ASSERT_TRUE(waitUntil([&] { return posts() == 1; }));
    EXPECT_EQ(server.requests.last().formValue("put_id"), id);
    ASSERT_TRUE(waitUntil([&] { return completed.last().endsWith("/submit"); }));

    browser.act({ElementStep::setChecked("checkBox1")});
    browser.navigate("javascript:agree_check();");
    ASSERT_TRUE(waitUntil([&] { return posts() == 2; }));
    EXPECT_EQ(server.requests.last().formValue("agree"), "1") << "checked by id before the script ran";

    // Those asked for before a navigation go with the document they were
    // meant for; those asked for after it wait for nothing.
    load(server.origin() + "/login");
    browser.act({ElementStep::setValue("put_id", "old"), ElementStep::click("btnSubmit")});
    browser.navigate("javascript:void(go_logout());");
    browser.navigate(server.origin() + "/slow");
    browser.act({ElementStep::setValue("put_id", "during"), ElementStep::click("btnSubmit")});
    browser.navigate("javascript:void(go_logout());");
    const qsizetype before = completed.size();
    ASSERT_TRUE(waitUntil([&] { return completed.size() == before + 1; }));
    runEventsFor(300);
    EXPECT_EQ(completed.last(), server.origin() + "/slow");
    EXPECT_EQ(posts(), 2);
    EXPECT_EQ(value("put_id"), "");
}

// A dialog open while its page loads holds the page's load limit.
TEST_F(WebEngineBrowserTest, PageDialogsSayWhereTheyComeFromAtMostThreeAnOperationAndHoldTheLoadLimit)
{
    browser.setLoadTimeout(800);
    pageDialogs.answers = {platform::MessageBox::Answer::Ok, platform::MessageBox::Answer::Ok,
                           platform::MessageBox::Answer::Ok};
    pageDialogs.onShow = [] { runEventsFor(600); };  // three of them, longer than the limit
    load(server.origin() + "/dialogs");
    EXPECT_TRUE(failed.isEmpty()) << "the load limit ran while a dialog was open";
    ASSERT_EQ(pageDialogs.shown.size(), 3);
    EXPECT_EQ(pageDialogs.shown[0].text, QStringLiteral("127.0.0.1 웹 페이지의 메시지:\n알림 <b>\"a\"</b>"));
    EXPECT_EQ(pageDialogs.shown[0].icon, platform::MessageBox::Icon::Information);
    EXPECT_EQ(pageDialogs.shown[1].text, QStringLiteral("127.0.0.1 웹 페이지의 메시지:\n확인할까요?"));
    EXPECT_EQ(pageDialogs.shown[1].buttons, platform::MessageBox::Buttons::OkCancel);
    EXPECT_EQ(evaluate("document.title").toString(), "true,,true,false,")
        << "confirmed; the prompt cancelled; past three, cancelled unseen";
    evaluate("location.reload()");
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 2; }));
    EXPECT_EQ(pageDialogs.shown.size(), 3) << "a page that loads itself again starts no new count";
}

// A part of a page that fails is not the page failing, and a load that ends
// without a document (a download, an empty answer) is no failure either. A
// page that never answers, a renderer that dies, and one that hangs so that a
// step never comes back each fail once (the renderer's as an engine that
// ended), nothing late is reported, and the next page is a fresh one.
TEST_F(WebEngineBrowserTest, FailuresSayWhyAndComeOnceEach)
{
    using Kind = portal::LoadFailure::Kind;
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const QString refused = QStringLiteral("http://127.0.0.1:%1/GameChannel/channel.asp?game=dho").arg(closed.serverPort());
    closed.close();
    browser.navigate(refused);
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 1; }));
    EXPECT_EQ(failed.last(), refused);
    EXPECT_EQ(failures.last().kind, Kind::Refused);

    browser.navigate(server.origin() + "/broken");
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 2; }));
    EXPECT_EQ(failures.last().kind, Kind::ServerError);
    EXPECT_EQ(failures.last().code, 500);

    for (const char* path : {"/download", "/empty"}) {
        browser.navigate(server.origin() + path);
        runEventsFor(1000);
    }
    load(server.origin() + "/broken-image");
    EXPECT_EQ(failed.size(), 2);
    EXPECT_EQ(completed, QStringList{server.origin() + "/broken-image"});

    // The sandbox's secure endpoints use a certificate it made itself.
    QProcess sandbox;
    sandbox.start(QStringLiteral(QUAYLET_SANDBOX_EXECUTABLE), {"--base-port", "47500", "--log", "/dev/null"});
    QByteArray said;
    ASSERT_TRUE(waitUntil([&] {
        sandbox.waitForReadyRead(20);
        said += sandbox.readAllStandardError();
        return said.contains("ready\n") || sandbox.state() == QProcess::NotRunning;
    }, 10000) && sandbox.state() == QProcess::Running) << said.toStdString();
    browser.navigate("https://127.0.0.1:47505/Mail-bin/login.cgi?dummy=1");
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 3; }));
    EXPECT_EQ(failures.last().kind, Kind::Certificate);
    // An http address goes to its https spelling first; an untrusted answer
    // there is never a reason to send it over http.
    browser.navigate("http://127.0.0.1:47501/login/login.asp?l_url=x");
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 4; }));
    EXPECT_EQ(failures.last().kind, Kind::Certificate);
    EXPECT_EQ(failed.last(), "https://127.0.0.1:47501/login/login.asp?l_url=x");
    sandbox.terminate();
    sandbox.waitForFinished(5000);

    browser.setLoadTimeout(1000);
    browser.navigate(server.origin() + "/silent");
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 5; }, 3000));
    EXPECT_EQ(failures.last().kind, Kind::TimedOut);
    runEventsFor(3500);
    EXPECT_EQ(completed.size(), 1) << "an untrusted or late page completed";

    load(server.origin() + "/login");
    ::kill(pid_t(browser.currentPage()->renderProcessPid()), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 6; }, 5000));
    EXPECT_EQ(failures.last().kind, Kind::BrowserEnded);
    EXPECT_EQ(failed.last(), server.origin() + "/login");

    browser.setStepTimeout(1000);
    load(server.origin() + "/hangs");
    browser.act({ElementStep::click("btnSubmit")});
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 7; }, 4000));
    EXPECT_EQ(failures.last().kind, Kind::BrowserEnded);
    load(server.origin() + "/login");
    runEventsFor(1500);
    EXPECT_EQ(failed.size(), 7);

    // A page script the page lacks, or one with no page to run in, ends the operation.
    browser.navigate("javascript:void(no_such_function());");
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 8; }, 3000));
    EXPECT_EQ(failures.last().kind, Kind::PageScript);
    EXPECT_EQ(failed.last(), server.origin() + "/login");
    browser.navigate("javascript:void(go_logout());");
    EXPECT_EQ(failed.size(), 9);
    EXPECT_EQ(failures.last().kind, Kind::PageScript);
    EXPECT_FALSE(failures.last().gameStart);

    // A game start's page that fails after a redirect is still the game start's.
    browser.startGame(server.origin() + "/to-broken");
    ASSERT_TRUE(waitUntil([&] { return failed.size() == 10; }, 5000));
    EXPECT_EQ(failed.last(), server.origin() + "/broken");
    EXPECT_TRUE(failures.last().gameStart);
}

// What a game start's channel page hands to the system: the launcher's
// scheme at once; a scheme no launcher uses never; any other only if the user
// allows it, asked once and remembered for good; one address a start, none
// too long; and only the game start's own page.
TEST_F(WebEngineBrowserTest, AGameStartHandsTheSystemOnlyWhatMayGoAndOnlyOnce)
{
    using Kind = portal::LaunchReport::Kind;
    using Answer = platform::MessageBox::Answer;
    ProgramDir settings;
    FakeMessageBox questions;
    auto approvals = std::make_unique<storage::LaunchApprovals>(storage::SettingsFolder(settings.path()), questions);
    browser.setLauncherSchemes({"dho-test"});
    browser.setLaunchAsker([&](const QString& host, const QString& scheme, const QString& address,
                               std::function<void(bool)> allowed) { allowed(approvals->allows(host, scheme, address)); });
    browser.setLaunchWait(400);
    QList<Kind> reports;
    browser.setLaunchHandler([&](const portal::LaunchReport& report) { reports.append(report.kind); });

    const QString listed = "dho-test://launch?user=captain";
    QStringList tenOfThem, fiveFailing;
    for (int i = 0; i < 10; ++i)
        (i < 5 ? fiveFailing : tenOfThem) << listed + "&n=" + QString::number(i);
    tenOfThem += fiveFailing;
    const struct {
        const char* what;
        QStringList addresses;
        std::optional<Answer> answer;  // to the question, if one is expected
        qsizetype handedOff;
        Kind report;
        bool restartFirst = false;
        bool openerFails = false;
    } cases[] = {
        {"the launcher's scheme", {listed}, {}, 1, Kind::Launched},
        {"schemes no launcher uses", {"ms-msdt:/id PCWDiagnostic", "c:/Windows/System32/calc.exe", "ssh://x@host"},
         {}, 0, Kind::NoneCame},
        {"another scheme, declined", {"steam://run/1"}, Answer::Cancel, 0, Kind::NoneCame},
        {"another scheme, allowed", {"steam://run/1"}, Answer::Ok, 1, Kind::Launched},
        {"allowed, after a restart", {"steam://run/2"}, {}, 1, Kind::Launched, true},
        {"one question a start", {"other-one://a", "other-two://b"}, Answer::Cancel, 0, Kind::NoneCame},
        {"an address of 3 KB", {listed + "&x=" + QString(3000, u'a')}, {}, 0, Kind::NoneCame},
        {"ten launches", tenOfThem, {}, 1, Kind::Launched},
        {"five failures", fiveFailing, {}, 1, Kind::Failed, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.restartFirst)
            approvals = std::make_unique<storage::LaunchApprovals>(storage::SettingsFolder(settings.path()), questions);
        opener.opened.clear();
        opener.failWith = c.openerFails ? "no handler" : "";
        questions.shown.clear();
        reports.clear();
        if (c.answer)
            questions.answers = {*c.answer};
        QStringList encoded;
        for (const QString& address : c.addresses)
            encoded << QString::fromLatin1(QUrl::toPercentEncoding(address));
        browser.startGame(server.origin() + "/launches?" + encoded.join('&'));
        ASSERT_TRUE(waitUntil([&] { return !reports.isEmpty(); }, 5000));
        runEventsFor(300);
        EXPECT_EQ(reports, QList<Kind>{c.report}) << "one report, so at most one box";
        EXPECT_EQ(opener.opened.size(), c.handedOff) << opener.opened.join(' ').toStdString();
        ASSERT_EQ(questions.shown.size(), c.answer ? 1 : 0);
        if (c.answer) {
            const QString asked = questions.shown[0].text.section(u'\n', 1);
            EXPECT_TRUE(c.addresses.contains(asked)) << questions.shown[0].text.toStdString();
            EXPECT_EQ(questions.shown[0].text.section(u'\n', 0, 0),
                      "127.0.0.1 페이지가 '" + QUrl(asked).scheme() + "' 주소를 다른 프로그램으로 열려고 합니다. 여시겠습니까?");
            EXPECT_EQ(questions.shown[0].buttons, platform::MessageBox::Buttons::OpenCancel);
        }
    }
    EXPECT_EQ(approvals->remembered(), QStringList{"127.0.0.1 steam"});

    // A frame of another site asks as itself, and what the channel page's own
    // host was allowed does not go for it.
    questions.shown.clear();
    questions.answers = {Answer::Cancel};
    const QString foreign = "http://localhost:" + QString::number(QUrl(server.origin()).port()) + "/launches?"
                            + QUrl::toPercentEncoding("steam://run/1");
    browser.startGame(server.origin() + "/launches?" + QUrl::toPercentEncoding(foreign));
    ASSERT_TRUE(waitUntil([&] { return !questions.shown.isEmpty(); }, 5000));
    EXPECT_TRUE(questions.shown[0].text.startsWith("localhost 페이지가 'steam' 주소를")) << questions.shown[0].text.toStdString();

    // A start opens four pop-ups at most.
    browser.startGame(server.origin() + "/popups");
    runEventsFor(1500);
    EXPECT_EQ(std::count_if(server.requests.begin(), server.requests.end(),
                            [](const auto& r) { return r.target.startsWith("/popup-page"); }),
              launch::MostPopups);

    // A page the session navigated to, not a game start's, launches nothing;
    // one probing for a launcher as it loads still completes.
    opener.opened.clear();
    browser.navigate(server.origin() + "/launches?" + QUrl::toPercentEncoding(listed));
    load(server.origin() + "/probe");
    EXPECT_EQ(completed.last(), server.origin() + "/probe");
    EXPECT_TRUE(opener.opened.isEmpty());
}

}  // namespace
