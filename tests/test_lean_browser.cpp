#include "app/Addresses.h"
#include "dialogs/IDLockWindow.h"
#include "platform/qt/BrowserProfile.h"
#include "platform/qt/WebEngineBrowser.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"

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

class LeanBrowserTest : public ::testing::Test {
protected:
    static platform::BrowserProfile& profile()
    {
        static auto* shared = new platform::BrowserProfile;
        return *shared;
    }

    LoopbackServer server{route};
    WebEngineBrowser hidden{profile(), WebEngineBrowser::Use::Hidden};
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

}  // namespace
