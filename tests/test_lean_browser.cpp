#include "core/Addresses.h"
#include "dialogs/IDLockWindow.h"
#include "platform/qt/BrowserProfile.h"
#include "platform/qt/IdlePage.h"
#include "platform/qt/WebEngineBrowser.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebEnginePage>
#include <gtest/gtest.h>

using platform::WebEngineBrowser;

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

// Runs the event loop for a while.
void runEventsFor(int ms)
{
    waitUntil([] { return false; }, ms);
}

const QStringList Unneeded{"/font.ttf", "/background.png", "/picture.png"};

LoopbackServer::Response route(const LoopbackServer::Request& request)
{
    if (Unneeded.contains(QString::fromLatin1(request.target)))
        return {404, {}, {}};
    return {200, HeavyPage, {}};
}

// Answers every request only after a delay, holding a load under way.
class SlowServer : public QObject {
public:
    explicit SlowServer(int delayMs)
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this, delayMs] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QPointer<QTcpSocket> guarded(socket);
                QTimer::singleShot(delayMs, this, [guarded] {
                    if (!guarded)
                        return;
                    guarded->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 14\r\n"
                                   "Connection: close\r\n\r\n<p>at last</p>");
                    guarded->disconnectFromHost();
                });
            }
        });
    }
    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }

private:
    QTcpServer server_;
};

class LeanBrowserTest : public ::testing::Test {
protected:
    static platform::BrowserProfile& profile()
    {
        static auto* shared = new platform::BrowserProfile;
        return *shared;
    }

    LoopbackServer server{route};
    FakeMessageBox pageDialogs;
    WebEngineBrowser hidden{profile(), pageDialogs, WebEngineBrowser::Use::Hidden};
    QStringList completed;

    void SetUp() override
    {
        hidden.setDocumentCompleteHandler([this](const QString& address) { completed.append(address); });
    }

    void load(const QString& address)
    {
        const qsizetype before = completed.size();
        hidden.navigate(address);
        ASSERT_TRUE(waitUntil([&] { return completed.size() > before; })) << address.toStdString();
    }

    // Asking for page() would make one: look without.
    bool holdsPage() const { return hidden.findChild<QWebEnginePage*>() != nullptr; }

    bool releasedWithin(int timeoutMs)
    {
        return waitUntil([&] { return !holdsPage(); }, timeoutMs);
    }

    int requestsFor(const QString& target) const
    {
        return int(std::count_if(server.requests.begin(), server.requests.end(),
                                 [&](const auto& r) { return QString::fromLatin1(r.target) == target; }));
    }

    QString title()
    {
        QString result;
        bool done = false;
        hidden.page()->runJavaScript("document.title", [&](const QVariant& value) {
            result = value.toString();
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }, 5000));
        return result;
    }
};

TEST_F(LeanBrowserTest, HiddenPageRunsScriptsButFetchesNoImagesOrFontsWhileTheUnlockWindowDoes)
{
    load(server.origin() + "/page");
    EXPECT_TRUE(title().startsWith("ran ")) << "scripts run";
    runEventsFor(500);
    for (const QString& target : Unneeded)
        EXPECT_EQ(requestsFor(target), 0) << target.toStdString();

    // The unlock window shares the profile and shows a normal browser.
    Endpoints endpoints = Endpoints::builtIn();
    const Addresses addresses(endpoints);
    FakeBrowser mainBrowser;
    FakeMessageBox messages;
    auto* window = new dialogs::IDLockWindow(addresses, server.origin() + "/page", profile(), mainBrowser, messages);
    window->show();
    for (const QString& target : Unneeded)
        EXPECT_TRUE(waitUntil([&] { return requestsFor(target) == 1; })) << target.toStdString();
    delete window;
}

TEST_F(LeanBrowserTest, SettledPageIsLetGoAndTheNextLoadWorksAsBefore)
{
    load(server.origin() + "/page");
    QElapsedTimer quiet;
    quiet.start();
    hidden.setSessionSettled(true);
    ASSERT_TRUE(releasedWithin(platform::IdlePage::DefaultQuietMs + 5000));
    EXPECT_GE(quiet.elapsed(), platform::IdlePage::DefaultQuietMs - 100) << "only after the quiet time";

    load(server.origin() + "/next");
    EXPECT_EQ(completed, (QStringList{server.origin() + "/page", server.origin() + "/next"}));
    EXPECT_EQ(requestsFor("/page"), 1) << "the old document is not asked for again";
    EXPECT_TRUE(title().startsWith("ran "));
    EXPECT_EQ(requestsFor("/picture.png"), 0) << "the new page is as lean as the old one";

    // Still settled: let go again after that load.
    EXPECT_TRUE(releasedWithin(platform::IdlePage::DefaultQuietMs + 5000));
}

TEST_F(LeanBrowserTest, APageIsKeptWhileItsCompletionIsStillBeingHandled)
{
    hidden.setSessionSettled(true);
    bool keptInHandler = false;
    hidden.setDocumentCompleteHandler([&](const QString& address) {
        completed.append(address);
        // As the login dialog opened by a failure page does, with the session settled.
        runEventsFor(platform::IdlePage::DefaultQuietMs + 1000);
        keptInHandler = holdsPage();
    });
    hidden.navigate(server.origin() + "/page");
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 1; }));
    EXPECT_TRUE(keptInHandler);
    EXPECT_TRUE(releasedWithin(platform::IdlePage::DefaultQuietMs + 5000)) << "let go once the handler returned";
}

TEST_F(LeanBrowserTest, APendingSessionOrALoadUnderWayKeepsThePage)
{
    load(server.origin() + "/page");
    hidden.setSessionSettled(false);
    runEventsFor(platform::IdlePage::DefaultQuietMs + 1000);
    EXPECT_TRUE(holdsPage()) << "the session waits for a document";

    // The game-channel page of a logged-in session takes long to answer.
    SlowServer slow(platform::IdlePage::DefaultQuietMs + 1500);
    hidden.setSessionSettled(true);
    hidden.navigate(slow.origin() + "/GameChannel/channel.asp?game=dho");
    runEventsFor(platform::IdlePage::DefaultQuietMs + 800);
    ASSERT_TRUE(holdsPage()) << "a load under way is not cut short";
    EXPECT_TRUE(hidden.page()->isLoading());
    ASSERT_TRUE(waitUntil([&] { return completed.size() == 2; }));
    EXPECT_EQ(completed.last(), slow.origin() + "/GameChannel/channel.asp?game=dho");
    EXPECT_TRUE(releasedWithin(platform::IdlePage::DefaultQuietMs + 5000));

    // A session that starts waiting again keeps the page it is given.
    hidden.setSessionSettled(false);
    load(server.origin() + "/page");
    runEventsFor(platform::IdlePage::DefaultQuietMs + 1000);
    EXPECT_TRUE(holdsPage());
}

}  // namespace
