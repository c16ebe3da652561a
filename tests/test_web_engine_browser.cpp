// The engine's browsers on the real engine: the hidden one (what it reports,
// the steps it runs, its failures and launches, the page it lets go and the
// page it shows), and the ID unlock window.

#include "core/LaunchRules.h"
#include "engine/IDLockWindow.h"
#include "engine/browser/BrowserProfile.h"
#include "engine/browser/WebEngineBrowser.h"
#include "storage/LaunchApprovals.h"
#include "support/AccessTree.h"
#include "support/EnvironmentPatch.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"
#include "support/PlatformFakes.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>

#include <csignal>

using engine::IDLockWindow;
using engine::WebEngineBrowser;
using portal::ElementStep;

namespace {

const QByteArray LoginForm = R"(<!doctype html><meta charset="utf-8"><title>login</title>
<form action="/submit">
<input type="text" name="put_id">
<textarea name="put_pwd"></textarea>
<input type="checkbox" id="checkBox1" name="agree" value="1">
<input type="submit" name="btnSubmit" value="go">
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

// A portal page with everything a browser that shows it would fetch.
const QByteArray HeavyPage = R"(<!doctype html><meta charset="utf-8"><title>page</title>
<style>@font-face { font-family: Portal; src: url(/font.ttf); }
body { font-family: Portal, sans-serif; background: url(/background.png); }</style>
<p>포털 Portal</p><img src="/picture.png" width="40" height="40">)";

// A one-time-code page as a portal puts one in a login's way: a picture to
// read, a field that takes the focus, a script state that a reload would lose.
const QByteArray CodePage = R"html(<!doctype html><meta charset="utf-8"><title>code</title>
<script>var kept = 'yes'; open('/popup');</script>
<img src="/picture.png">
<form action="/done"><input id="code" name="code" autofocus><input type="submit"></form>)html";

const QByteArray LockPage = R"(<!doctype html><meta charset="utf-8"><title>locked</title>
<a id="launcher" href="dho-test://unlock" style="display:block;height:60px">another program's address</a>
<a id="newWindow" href="/popup" target="_blank" style="display:block;height:60px">in a new window</a>
<script>setTimeout(function () { open('/popup?unasked'); }, 100);</script>
<button id="ask" onclick="document.title = confirm('진행할까요?') ? 'yes' : 'no'">ask</button>)";

// A picture of one pixel.
const QByteArray Picture = QByteArray::fromBase64(
    "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg==");

// Pages served as they are, by their whole target; any other is the login form.
const QHash<QByteArray, LoopbackServer::Response> Pages{
    {"/to-broken", {302, {}, "/broken"}},
    {"/broken", {500, "<p>broken</p>", {}}},
    {"/frame?inner=1", {200, "<script>onload = function () { dispatchEvent(new Event('load')); };</script>", {}}},
    {"/framed", {200, FramedPage, {}}},
    {"/dialogs", {200, DialogPage, {}}},
    {"/download",
     {200, "bytes", {}, 0, "Content-Type: application/octet-stream\r\nContent-Disposition: attachment\r\n"}},
    {"/empty", {204, {}, {}}},
    {"/hangs", {200, "<title>hangs</title><input type=submit name=btnSubmit onclick='for (;;);'>", {}}},
    {"/busy", {200, "<title>busy</title><script>for (var t = Date.now(); Date.now() < t + 1500;);</script>", {}}},
    {"/late-frame",
     {200, "<title>late</title><script>setTimeout(function () { var f = document.createElement('iframe');"
           " f.src = '/frame-of-late'; document.body.appendChild(f); }, 200);</script>", {}}},
    {"/popups", {200, "<script>for (var i = 0; i < 6; ++i) open('/popup-page?' + i);</script>", {}}},
    {"/broken-image", {200, "<img src='http://127.0.0.1:9/none.png'><p>text</p>", {}}},
    {"/page", {200, HeavyPage, {}}},
    {"/asks-later",
     {200, "<title>asks</title><script>setTimeout(function () { confirm('?'); }, 300);</script>", {}}},
    {"/picture.png", {200, Picture, {}, 0, "Content-Type: image/png\r\n"}},
    {"/code", {200, CodePage, {}}},
    {"/moves-on", {200, "<meta http-equiv=refresh content='0.1; url=/next-slowly'>", {}}},
    {"/next-slowly", {200, "<p>next</p>", {}, 1500}},
    {"/popup-host", {200, "<a href='/popup-alert' target='_blank' style='position:fixed;inset:0'>more</a>", {}}},
    {"/popup-alert", {200, "<script>alert('pop-up')</script>", {}}},
    {"/locked", {200, LockPage, {}}},
    {"/popup", {200, "<title>portal window</title><p>step two</p>", {}}},
    {"/done?code=246810", {200, "<title>done</title>", {}}},
    {"/silent", {200, LoginForm, {}, 4000}},
};

LoopbackServer::Response route(const LoopbackServer::Request& request)
{
    if (request.target.startsWith("/slow"))
        return {200, LoginForm, {}, 800};
    if (request.target.startsWith("/launches?")) {
        // A channel page that sends the browser to each address given (each
        // encoded, joined by "&"), one a frame.
        QByteArray page = "<title>channel</title>";
        for (const QByteArray& address : request.target.mid(10).split('&'))
            page += "<iframe hidden src=\"" + QString::fromUtf8(QByteArray::fromPercentEncoding(address)).toHtmlEscaped().toUtf8() + "\"></iframe>";
        return {200, page, {}};
    }
    return Pages.value(request.target, {200, LoginForm, {}});
}

// The real engine behind the browser interface, on one profile for the whole
// test run as the program has one, recording what it reports.
class WebEngineBrowserTest : public ::testing::Test {
protected:
    WebEngineBrowserTest() : browser(profile(), pageDialogs, opener)
    {
        browser.setDocumentCompleteHandler(
            [this](const QString& address, portal::Browser::Document) { completed.append(address); });
        browser.setLoadFailedHandler([this](const QString& address, const portal::LoadFailure& failure) {
            failed.append(address);
            failures.append(failure);
        });
        browser.setUnknownPageRest(300);
        browser.setPageClosedHandler([this] { ++closedByUser; });
    }
    ~WebEngineBrowserTest() override { delete unlock; }

    static engine::BrowserProfile& profile()
    {
        static auto* shared = new engine::BrowserProfile;
        return *shared;
    }

    void load(const QString& address)
    {
        const qsizetype before = completed.size();
        browser.navigate(address);
        ASSERT_TRUE(waitUntil([&] { return completed.size() > before; })) << address.toStdString();
    }

    QVariant evaluate(const QString& script)
    {
        std::optional<QVariant> result;
        browser.currentPage()->runJavaScript(script, [&](const QVariant& value) { result = value; });
        EXPECT_TRUE(waitUntil([&] { return result.has_value(); }, 5000));
        return result.value_or(QVariant());
    }

    // Those whose target starts so.
    qsizetype requestsFor(const QByteArray& target) const
    {
        return std::count_if(server.requests.begin(), server.requests.end(),
                             [&](const auto& r) { return r.target.startsWith(target); });
    }

    bool holdsPage() const { return browser.currentPage() != nullptr; }
    bool released() { return waitUntil([&] { return !holdsPage(); }, WebEngineBrowser::QuietMs + 5000); }

    // Gone from the screen and from the browser; deleted later.
    bool gone(const QPointer<engine::PageWindow>& window)
    {
        return waitUntil([&] { return !browser.pageWindow() && (!window || !window->isVisible()); }, 2000);
    }

    QPointer<engine::PageWindow> shownAfterRest()
    {
        waitUntil([&] { return browser.pageWindow() != nullptr; }, 3000);
        return browser.pageWindow();
    }

    // The ID unlock window on the same profile, as the program shows it.
    void openUnlock(const char* path)
    {
        unlock = new IDLockWindow(server.origin() + path, profile(), pageDialogs, [](const QUrl&) {});
        unlock->setAttribute(Qt::WA_DeleteOnClose);
        unlock->show();
    }

    LoopbackServer server{route};
    FakeMessageBox pageDialogs;
    FakeUrlOpener opener;
    engine::WebEngineBrowser browser;
    QStringList completed;
    QStringList failed;
    QList<portal::LoadFailure> failures;
    int closedByUser = 0;
    QPointer<IDLockWindow> unlock;
};

// A frame is a document of its own once it reports itself, never once the
// document it belongs to has been left behind.
TEST_F(WebEngineBrowserTest, FramesAreDocumentsOnlyWhenTheyReportThemselvesAndWhileTheirPageLoads)
{
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
// way (a cancel during a login's first page), while its renderer is too busy
// to stop it in time, and when it goes to the very address still loading (the
// game-start button pressed twice asks for the channel page twice).
TEST_F(WebEngineBrowserTest, ANewNavigationSupersedesTheOneInProgressAndLoadsAfresh)
{
    for (const auto& [first, next] :
         {std::pair{"/slow", "/next"}, {"/busy", "/next"}, {"/slow/channel", "/slow/channel"}}) {
        SCOPED_TRACE(first);
        completed.clear();
        server.requests.clear();
        browser.navigate(server.origin() + first);
        ASSERT_TRUE(waitUntil([&] { return !server.requests.isEmpty(); }));
        runEventsFor(300);
        browser.navigate(server.origin() + next);
        ASSERT_TRUE(waitUntil([&] { return !completed.isEmpty(); }, 8000));
        runEventsFor(1500);
        EXPECT_EQ(completed, QStringList{server.origin() + next});
        EXPECT_EQ(server.requests.size(), 2);
        EXPECT_TRUE(failed.isEmpty()) << "a superseded load is no failure";
    }
}

// Steps stop at a missing element, and run only in the document they were
// meant for: not once the page moved on by itself, nor in one a navigation is
// about to replace. Before a script address they run first.
TEST_F(WebEngineBrowserTest, StepsRunWholeOnlyInTheDocumentTheyWereMeantFor)
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
    EXPECT_EQ(requestsFor("/submit"), 0) << "a form that could not be filled, or in another document, was submitted";

    load(server.origin() + "/login");
    browser.act({ElementStep::setChecked("checkBox1")});
    browser.navigate("javascript:agree_check();");
    ASSERT_TRUE(waitUntil([&] { return requestsFor("/submit") == 1; }));
    EXPECT_TRUE(server.requests.last().target.contains("agree=1")) << "checked by id before the script ran";

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
    EXPECT_EQ(requestsFor("/submit"), 1);
    EXPECT_EQ(value("put_id"), "");
}

// A dialog open while its page loads holds the page's load limit.
TEST_F(WebEngineBrowserTest, PageDialogsAreAtMostThreeAnOperationAndHoldTheLoadLimit)
{
    browser.setLoadTimeout(1500);
    pageDialogs.answers.assign(3, platform::MessageBox::Answer::Ok);
    pageDialogs.onShow = [] { runEventsFor(600); };  // three of them, longer than the limit
    load(server.origin() + "/dialogs");
    EXPECT_TRUE(failed.isEmpty()) << "the load limit ran while a dialog was open";
    ASSERT_EQ(pageDialogs.shown.size(), 3);
    EXPECT_EQ(pageDialogs.shown[0].icon, platform::MessageBox::Icon::Information);
    EXPECT_EQ(pageDialogs.shown[1].buttons, platform::MessageBox::Buttons::OkCancel);
    EXPECT_EQ(evaluate("document.title").toString(), "true,,true,false,")
        << "confirmed; the prompt cancelled; past three, cancelled unseen";
    evaluate("location.reload()");
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 2; }));
    EXPECT_EQ(pageDialogs.shown.size(), 3) << "a page that loads itself again starts no new count";
}

// A failing part of a page, a download or an empty answer is no failure. Each
// failure below is told once and says why, and nothing late is reported. An
// http address goes to its https spelling first; an untrusted answer there is
// never a reason to send it over http.
TEST_F(WebEngineBrowserTest, FailuresSayWhyAndComeOnceEach)
{
    using Kind = portal::LoadFailure::Kind;
    for (const char* path : {"/download", "/empty"}) {
        browser.navigate(server.origin() + path);
        runEventsFor(1000);
    }
    load(server.origin() + "/broken-image");
    EXPECT_TRUE(failed.isEmpty());

    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost);
    const QString refused = QStringLiteral("http://127.0.0.1:%1/GameChannel/channel.asp").arg(closed.serverPort());
    closed.close();
    // The sandbox's secure endpoints use a certificate it made itself.
    QProcess sandbox;
    sandbox.setReadChannel(QProcess::StandardError);
    sandbox.start(QStringLiteral(QUAYLET_SANDBOX_EXECUTABLE), {"--base-port", "47500", "--log", "/dev/null"});
    QByteArray said;
    while (!said.contains("ready\n") && sandbox.waitForReadyRead(10000))
        said += sandbox.readAllStandardError();
    ASSERT_TRUE(said.contains("ready\n")) << said.toStdString();
    const QString login = server.origin() + "/login";
    browser.setStepTimeout(1000);
    browser.setLoadTimeout(2000);
    const struct {
        const char* what;
        const char* loaded;  // first, if any
        std::function<void()> cause;
        Kind kind;
        QString at;
        bool gameStart = false;
    } rows[] = {
        {"nothing listens", nullptr, [&] { browser.navigate(refused); }, Kind::Refused, refused},
        {"a server error", nullptr, [&] { browser.navigate(server.origin() + "/broken"); }, Kind::ServerError,
         server.origin() + "/broken"},
        {"untrusted over https, never tried over http", nullptr,
         [&] { browser.navigate("http://127.0.0.1:47501/login/login.asp?l_url=x"); }, Kind::Certificate,
         "https://127.0.0.1:47501/login/login.asp?l_url=x"},
        {"a renderer that dies", "/login",
         [&] { ::kill(pid_t(browser.currentPage()->renderProcessPid()), SIGKILL); }, Kind::BrowserEnded, login},
        {"a step that never comes back", "/hangs", [&] { browser.act({ElementStep::click("btnSubmit")}); },
         Kind::BrowserEnded, server.origin() + "/hangs"},
        {"a page script the page lacks, in a fresh page", "/login",
         [&] { browser.navigate("javascript:void(no_such_function());"); }, Kind::PageScript, login},
        // The failure above took the page with it.
        {"a page script with no page to run in", nullptr,
         [&] { browser.navigate("javascript:void(go_logout());"); }, Kind::PageScript, login},
        {"a game start's page, after a redirect", nullptr,
         [&] { browser.startGame(server.origin() + "/to-broken"); }, Kind::ServerError,
         server.origin() + "/broken", true},
        {"no answer in time", nullptr, [&] { browser.navigate(server.origin() + "/silent"); }, Kind::TimedOut,
         server.origin() + "/silent"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.loaded)
            load(server.origin() + row.loaded);
        const qsizetype before = failed.size();
        row.cause();
        ASSERT_TRUE(waitUntil([&] { return failed.size() > before; }, 5000));
        EXPECT_EQ(failures.last().kind, row.kind);
        EXPECT_EQ(failed.last(), row.at);
        EXPECT_EQ(failures.last().gameStart, row.gameStart);
    }
    EXPECT_EQ(failures[1].code, 500) << "a server error's status";
    runEventsFor(3500);
    EXPECT_EQ(failed.size(), std::size(rows));
    EXPECT_EQ(completed,
              (QStringList{server.origin() + "/broken-image", login, server.origin() + "/hangs", login}))
        << "an untrusted or late page completed";
}

// What a game start's channel page hands to the system: the launcher's
// scheme at once; a scheme no launcher uses never; any other only if the user
// allows it, asked once a start (remembering the answer is the approvals'
// own test), by the site of the frame that asks; one address a start, none
// too long; and only the game start's own page.
TEST_F(WebEngineBrowserTest, AGameStartHandsTheSystemOnlyWhatMayGoAndOnlyOnce)
{
    using Kind = portal::LaunchReport::Kind;
    using Answer = platform::MessageBox::Answer;
    ProgramDir settings;
    FakeMessageBox questions;
    storage::LaunchApprovals approvals(storage::SettingsFolder(settings.path()), questions);
    browser.setLauncherSchemes({"dho-test"});
    browser.setLaunchAsker([&](const QString& host, const QString& scheme, const QString& address,
                               std::function<void(bool)> allowed) { allowed(approvals.allows(host, scheme, address)); });
    browser.setLaunchWait(400);
    QList<Kind> reports;
    browser.setLaunchHandler([&](const portal::LaunchReport& report) { reports.append(report.kind); });

    const QString listed = "dho-test://launch?user=captain";
    const QStringList twoOfThem{listed + "&n=1", listed + "&n=2"};
    const QString foreign =
        "http://localhost:" + QString::number(QUrl(server.origin()).port()) + "/launches?steam://run/1";
    const struct {
        const char* what;
        QStringList addresses;
        std::optional<Answer> answer;  // to the question, if one is expected
        qsizetype handedOff;
        Kind report;
        bool openerFails = false;
        QString asker = "127.0.0.1";
    } cases[] = {
        {"schemes no launcher uses", {"ms-msdt:/id PCWDiagnostic", "c:/Windows/System32/calc.exe", "ssh://x@host"},
         {}, 0, Kind::NoneCame},
        {"another scheme, allowed", {"steam://run/1"}, Answer::Ok, 1, Kind::Launched},
        {"other schemes, declined: one question a start", {"other-one://a", "other-two://b"}, Answer::Cancel, 0,
         Kind::NoneCame},
        // What the channel page's own host was allowed above does not go for it.
        {"another site's frame", {foreign}, Answer::Cancel, 0, Kind::NoneCame, false, "localhost"},
        {"an address of 3 KB", {listed + "&x=" + QString(3000, u'a')}, {}, 0, Kind::NoneCame},
        {"two launches", twoOfThem, {}, 1, Kind::Launched},
        {"two failing", twoOfThem, {}, 1, Kind::Failed, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        opener.opened.clear();
        opener.failWith = c.openerFails ? "no handler" : "";
        questions.shown.clear();
        reports.clear();
        questions.answers = {c.answer.value_or(Answer::Cancel)};
        QStringList encoded;
        for (const QString& address : c.addresses)
            encoded << QString::fromLatin1(QUrl::toPercentEncoding(address));
        browser.startGame(server.origin() + "/launches?" + encoded.join('&'));
        ASSERT_TRUE(waitUntil([&] { return !reports.isEmpty(); }, 5000));
        runEventsFor(300);
        EXPECT_EQ(reports, QList<Kind>{c.report}) << "one report, so at most one box";
        EXPECT_EQ(opener.opened.size(), c.handedOff) << opener.opened.join(' ').toStdString();
        ASSERT_EQ(questions.shown.size(), c.answer ? 1 : 0);
        for (const auto& question : questions.shown) {
            const QString address = question.text.section(u'\n', 1);
            EXPECT_TRUE(c.addresses.join(' ').contains(address)) << question.text.toStdString();
            EXPECT_TRUE(question.text.startsWith(c.asker + " 페이지가 '" + QUrl(address).scheme() + "' 주소를"));
            EXPECT_EQ(question.buttons, platform::MessageBox::Buttons::OpenCancel) << "Enter would open it";
        }
    }

    // A start opens four pop-ups at most.
    browser.startGame(server.origin() + "/popups");
    runEventsFor(1500);
    EXPECT_EQ(requestsFor("/popup-page"), launch::MostPopups);
}

// A session that waits for a document keeps the page it is given; settled,
// it lets the page go once the browser was quiet for a while. The unlock
// window on the same profile shows a normal browser.
TEST_F(WebEngineBrowserTest, AHiddenPageFetchesNoImagesOrFontsAndIsLetGoOnlyOnceSettled)
{
    const QList<QByteArray> unneeded{"/font.ttf", "/background.png", "/picture.png"};
    load(server.origin() + "/page");
    runEventsFor(WebEngineBrowser::QuietMs + 300);
    EXPECT_TRUE(holdsPage());
    QElapsedTimer quiet;
    quiet.start();
    browser.setSessionSettled(true);
    ASSERT_TRUE(released());
    EXPECT_GE(quiet.elapsed(), WebEngineBrowser::QuietMs - 100) << "only after the quiet time";
    for (const QByteArray& target : unneeded)
        EXPECT_EQ(requestsFor(target), 0) << target.constData();

    openUnlock("/page");
    for (const QByteArray& target : unneeded)
        EXPECT_TRUE(waitUntil([&] { return requestsFor(target) == 1; })) << target.constData();
}

// A completion still being handled (the login dialog a failure page opens), a
// page's question or a late load outlasts the quiet time: the page stays until
// it is over.
TEST_F(WebEngineBrowserTest, APageIsKeptWhileBeingHandledOrLoading)
{
    browser.setSessionSettled(true);
    bool kept = false;
    const auto userTakesLong = [&] {
        runEventsFor(WebEngineBrowser::QuietMs + 300);
        kept = holdsPage();
    };
    browser.setDocumentCompleteHandler([&](const QString& address, portal::Browser::Document) {
        completed.append(address);
        userTakesLong();
    });
    browser.navigate(server.origin() + "/page");
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 1; }));
    EXPECT_TRUE(kept);
    EXPECT_TRUE(released()) << "let go once the handler returned";

    kept = false;
    browser.setDocumentCompleteHandler([&](const QString& address, portal::Browser::Document) { completed.append(address); });
    pageDialogs.onShow = userTakesLong;
    load(server.origin() + "/asks-later");
    ASSERT_TRUE(waitUntil([&] { return pageDialogs.shown.size() == 1; }));
    EXPECT_TRUE(kept);
    EXPECT_TRUE(released()) << "let go once the dialog closed";

    browser.navigate(server.origin() + "/silent");
    runEventsFor(WebEngineBrowser::QuietMs + 800);
    ASSERT_TRUE(holdsPage()) << "a load under way is not cut short";
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 3; }));
    EXPECT_EQ(completed.last(), server.origin() + "/silent");
    EXPECT_TRUE(released());
}

// Only a page that rests is shown: one that moves on by itself, one the
// session knew after all, and one still loading are not. The window goes when
// the session knows the page again or navigates on; only its closing by the
// user is the user's cancel.
TEST_F(WebEngineBrowserTest, AnUnknownPageShowsItselfAsItIsTheUserWorksInItAndItGoesWhenTheSessionOrTheUserSays)
{
    load(server.origin() + "/moves-on");
    browser.setDocumentUnknown(true);
    runEventsFor(1000);
    EXPECT_EQ(browser.pageWindow(), nullptr) << "shown while it loaded its next document";
    load(server.origin() + "/login");
    browser.setDocumentUnknown(true);
    browser.setDocumentUnknown(false);
    browser.navigate(server.origin() + "/next-slowly");
    browser.setDocumentUnknown(true);
    runEventsFor(800);
    EXPECT_EQ(browser.pageWindow(), nullptr);

    load(server.origin() + "/code");
    browser.setDocumentUnknown(true);
    runEventsFor(150);
    EXPECT_EQ(browser.pageWindow(), nullptr) << "shown before it rested";
    QPointer<engine::PageWindow> window = shownAfterRest();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->findChild<QLineEdit*>("pageAddress")->text(), server.origin() + "/code");
    EXPECT_TRUE(window->findChild<QLabel*>("notSecure")->isVisible()) << "the page came over http";
    EXPECT_EQ(accessible::faults(window), "");
    EXPECT_EQ(accessible::textOf(window->findChild<QWebEngineView*>()),
              (QUrl(server.origin()).authority() + " 웹 페이지").toStdString());
    EXPECT_EQ(evaluate("kept").toString(), "yes") << "the page was loaded again";
    EXPECT_TRUE(waitUntil([&] { return evaluate("document.images[0].naturalWidth").toInt() > 0; }, 5000))
        << "the picture is not loaded";
    // The window is given the focus, and the page puts it in its field, as soon as each can.
    EXPECT_TRUE(waitUntil([&] { return evaluate("document.activeElement.id").toString() == "code"; }, 3000));
    EXPECT_EQ(requestsFor("/popup"), 0) << "a page's own pop-up opened without a click";
    auto* view = window->findChild<QWebEngineView*>();
    QWidget* input = view->focusProxy() ? view->focusProxy() : view;
    QTest::keyClicks(input, "246810");
    QTest::keyClick(input, Qt::Key_Return);
    ASSERT_TRUE(waitUntil([&] { return completed.last().endsWith("/done?code=246810"); }, 5000));
    EXPECT_TRUE(window) << "the window goes only when the session says so";

    browser.setDocumentUnknown(false);
    EXPECT_TRUE(gone(window));
    EXPECT_EQ(closedByUser, 0);

    browser.setDocumentUnknown(true);
    window = shownAfterRest();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating)) << "the same page shown again took the focus";
    window->close();
    EXPECT_TRUE(gone(window));
    EXPECT_EQ(closedByUser, 1);
    EXPECT_EQ(evaluate("document.title").toString(), "done") << "the page is held until the session moves on";

    browser.setDocumentUnknown(true);
    window = shownAfterRest();
    ASSERT_TRUE(window);
    load(server.origin() + "/code");
    EXPECT_TRUE(gone(window));
    EXPECT_EQ(closedByUser, 1);
}

// A pop-up of the page shown asks something; meanwhile the user closes the
// pop-up and the session hides the page: both go only once the answer is back.
TEST_F(WebEngineBrowserTest, AWindowClosedOrHiddenDuringAPopupsDialogGoesOnlyAfterIt)
{
    load(server.origin() + "/popup-host");
    browser.setDocumentUnknown(true);
    QPointer<engine::PageWindow> window = shownAfterRest();
    ASSERT_TRUE(window);
    QPointer<QWidget> popup;
    pageDialogs.onShow = [&] {
        popup = window->findChild<QWidget*>("frmWebPagePopup");
        ASSERT_TRUE(popup);
        popup->close();
        browser.setDocumentUnknown(false);
        runEventsFor(300);
        EXPECT_TRUE(popup && window) << "deleted under its own dialog";
    };
    auto* view = window->findChild<QWebEngineView*>();
    QWidget* input = view->focusProxy() ? view->focusProxy() : view;
    runEventsFor(500);  // painted before it can be clicked
    QTest::mousePress(input, Qt::LeftButton, {}, QPoint(40, 40));
    QTest::mouseRelease(input, Qt::LeftButton, {}, QPoint(40, 40), 50);
    ASSERT_TRUE(waitUntil([&] { return !pageDialogs.shown.isEmpty(); }, 5000))
        << "the pop-up asked nothing; requests: " << server.requests.size();
    EXPECT_TRUE(waitUntil([&] { return !window && !popup; }, 3000));
}

// Only a real click opens a window, and a link to another program's address
// goes nowhere, not even to the system's URL opener. Closed while a page's
// dialog waits for the user, the window goes, pop-up and all, only once the
// wait has returned.
TEST_F(WebEngineBrowserTest, TheUnlockWindowLetsThePortalAskAndOpenWindowsButNoOtherSchemeAndOutlivesItsWait)
{
    // A stand-in for the system's URL opener, first on the PATH, notes what it would open.
    ProgramDir bin;
    bin.write("xdg-open", "#!/bin/sh\necho \"$1\" >> \"$(dirname \"$0\")/opened\"\n");
    QFile::setPermissions(bin.file("xdg-open"), QFile::ReadOwner | QFile::ExeOwner);
    EnvironmentPatch environment;
    environment.set("PATH", (bin.path() + ':').toUtf8() + qgetenv("PATH"));

    openUnlock("/locked");
    auto* view = unlock->findChild<QWebEngineView*>("Web2");
    const auto ask = [&] { view->page()->runJavaScript("document.getElementById('ask').click()"); };
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 1 && !view->page()->isLoading(); }));
    const QSize before = view->size();
    unlock->resize(unlock->size() + QSize(100, 50));
    EXPECT_EQ(view->size(), before + QSize(100, 50)) << "the page follows the window";
    pageDialogs.answers.push_back(platform::MessageBox::Answer::Ok);
    ask();
    ASSERT_TRUE(waitUntil([&] { return view->page()->title() == "yes"; }));
    EXPECT_EQ(unlock->windowTitle(), "ID 잠금해지 페이지 - " + server.origin().mid(7) + " (안전하지 않음)");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(unlock));
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(20, 20));  // the launcher link
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {}, QPoint(20, 90));  // the new window link
    QPointer<QWidget> popup;
    ASSERT_TRUE(waitUntil([&] {
        popup = unlock->findChild<QWidget*>("frmIDLockPopup");
        return popup && popup->isVisible() && popup->windowTitle() == "127.0.0.1 - portal window";
    }));
    // Each window names the page it shows, for a screen reader.
    const std::string pageName = (server.origin().mid(7) + " 웹 페이지").toStdString();
    for (QWidget* shown : {static_cast<QWidget*>(unlock), popup.data()}) {
        EXPECT_EQ(accessible::faults(shown), "") << shown->objectName().toStdString();
        EXPECT_EQ(accessible::textOf(shown->findChild<QWebEngineView*>()), pageName);
    }
    EXPECT_FALSE(waitUntil([&] { return bin.exists("opened"); }, 1500)) << bin.read("opened").toStdString();
    EXPECT_EQ(requestsFor("/popup?unasked"), 0) << "a page's script opened a window";
    EXPECT_EQ(pageDialogs.shown.size(), 1);

    pageDialogs.onShow = [&] {
        unlock->close();
        runEventsFor(300);
        EXPECT_FALSE(unlock.isNull()) << "deleted under its own wait";
        EXPECT_FALSE(unlock->isVisible());
    };
    ask();
    EXPECT_TRUE(waitUntil([&] { return unlock.isNull() && popup.isNull(); }, 5000));
    EXPECT_EQ(pageDialogs.shown.size(), 2);
}

}  // namespace
