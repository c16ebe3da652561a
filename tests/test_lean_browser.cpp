#include "core/Addresses.h"
#include "engine/IDLockWindow.h"
#include "support/BrowserTest.h"

#include <QElapsedTimer>

using engine::WebEngineBrowser;

namespace {

// A portal page with everything a browser that shows it would fetch.
const QByteArray HeavyPage = R"(<!doctype html><html><head><meta charset="utf-8"><title>page</title>
<style>
@font-face { font-family: Portal; src: url(/font.ttf); }
body { font-family: Portal, sans-serif; background: url(/background.png); }
</style></head>
<body><p>포털 Portal</p><img src="/picture.png" width="40" height="40">
<script>document.title = 'ran ' + document.body.offsetHeight;</script>
</body></html>)";

const QStringList Unneeded{"/font.ttf", "/background.png", "/picture.png"};

LoopbackServer::Response route(const LoopbackServer::Request& request)
{
    if (request.target == "/asks-later")
        return {200, "<title>asks</title><script>setTimeout(function () { confirm('?'); }, 300);</script>", {}};
    if (Unneeded.contains(QString::fromLatin1(request.target)))
        return {404, {}, {}};
    return {200, HeavyPage, {}};
}

class LeanBrowserTest : public BrowserTest {
protected:
    LoopbackServer server{route};

    bool holdsPage() const { return browser.currentPage() != nullptr; }

    bool releasedWithin(int timeoutMs)
    {
        return waitUntil([&] { return !holdsPage(); }, timeoutMs);
    }

    int requestsFor(const QString& target) const
    {
        return int(std::count_if(server.requests.begin(), server.requests.end(),
                                 [&](const auto& r) { return QString::fromLatin1(r.target) == target; }));
    }

    QString title() { return evaluate("document.title").toString(); }
};

// Settled, the session lets the page go once the browser was quiet for a
// while; the next load works in a fresh page as lean as the old one, while
// the unlock window on the same profile shows a normal browser.
TEST_F(LeanBrowserTest, AHiddenPageFetchesNoImagesOrFontsAndIsLetGoOnceSettled)
{
    load(server.origin() + "/page");
    EXPECT_TRUE(title().startsWith("ran ")) << "scripts run";
    QElapsedTimer quiet;
    quiet.start();
    browser.setSessionSettled(true);
    ASSERT_TRUE(releasedWithin(WebEngineBrowser::QuietMs + 5000));
    EXPECT_GE(quiet.elapsed(), WebEngineBrowser::QuietMs - 100) << "only after the quiet time";

    load(server.origin() + "/next");
    EXPECT_EQ(completed, (QStringList{server.origin() + "/page", server.origin() + "/next"}));
    EXPECT_EQ(requestsFor("/page"), 1) << "the old document is not asked for again";
    EXPECT_TRUE(title().startsWith("ran "));
    runEventsFor(500);
    for (const QString& target : Unneeded)
        EXPECT_EQ(requestsFor(target), 0) << target.toStdString();
    EXPECT_TRUE(releasedWithin(WebEngineBrowser::QuietMs + 5000)) << "still settled: let go again";

    FakeMessageBox messages;
    auto* window = new engine::IDLockWindow(server.origin() + "/page", profile(), messages, [](const QUrl&) {});
    window->show();
    for (const QString& target : Unneeded)
        EXPECT_TRUE(waitUntil([&] { return requestsFor(target) == 1; })) << target.toStdString();
    delete window;
}

// Handling a completion (as the login dialog a failure page opens does, with
// the session settled), answering a page's question, or a load (the game
// channel page of a logged-in session answers late) takes longer than the
// quiet time: the page stays until that is over. A session that waits for a
// document keeps the page it is given.
TEST_F(LeanBrowserTest, APageIsKeptWhileBeingHandledOrLoadingAndWhileTheSessionWaits)
{
    browser.setSessionSettled(true);
    bool kept = false;
    const auto userTakesLong = [&] {
        runEventsFor(WebEngineBrowser::QuietMs + 1000);
        kept = holdsPage();
    };
    browser.setDocumentCompleteHandler([&](const QString& address, portal::Browser::Document) {
        completed.append(address);
        userTakesLong();
    });
    browser.navigate(server.origin() + "/page");
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 1; }));
    EXPECT_TRUE(kept);
    EXPECT_TRUE(releasedWithin(WebEngineBrowser::QuietMs + 5000)) << "let go once the handler returned";

    kept = false;
    browser.setDocumentCompleteHandler([&](const QString& address, portal::Browser::Document) { completed.append(address); });
    pageDialogs.onShow = userTakesLong;
    load(server.origin() + "/asks-later");
    ASSERT_TRUE(waitUntil([&] { return pageDialogs.shown.size() == 1; }));
    EXPECT_TRUE(kept);
    EXPECT_TRUE(releasedWithin(WebEngineBrowser::QuietMs + 5000)) << "let go once the dialog closed";

    LoopbackServer slow([](const LoopbackServer::Request&) {
        return LoopbackServer::Response{200, "<p>at last</p>", {}, WebEngineBrowser::QuietMs + 1500};
    });
    browser.navigate(slow.origin() + "/GameChannel/channel.asp?game=dho");
    runEventsFor(WebEngineBrowser::QuietMs + 800);
    ASSERT_TRUE(holdsPage()) << "a load under way is not cut short";
    EXPECT_TRUE(browser.currentPage()->isLoading());
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 3; }));
    EXPECT_EQ(completed.last(), slow.origin() + "/GameChannel/channel.asp?game=dho");
    EXPECT_TRUE(releasedWithin(WebEngineBrowser::QuietMs + 5000));

    browser.setSessionSettled(false);
    load(server.origin() + "/page");
    runEventsFor(WebEngineBrowser::QuietMs + 1000);
    EXPECT_TRUE(holdsPage());
}

}  // namespace
