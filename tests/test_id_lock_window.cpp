// The ID unlock window on the real browser engine.

#include "engine/IDLockWindow.h"
#include "engine/browser/BrowserProfile.h"
#include "support/AccessTree.h"
#include "support/EnvironmentPatch.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

#include <QPointer>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>

using engine::IDLockWindow;

namespace {

const QByteArray LockPage = R"(<!doctype html><meta charset="utf-8"><title>locked</title>
<a id="launcher" href="dho-test://unlock" style="display:block;height:60px">another program's address</a>
<a id="newWindow" href="/popup" target="_blank" style="display:block;height:60px">in a new window</a>
<a id="nearMiss" href="/login/login.asp?l_url=elsewhere">login with a query</a>
<script>setTimeout(function () { open('/popup?unasked'); }, 100);</script>
<button id="ask" onclick="document.title = confirm('진행할까요?') ? 'yes' : 'no'">ask</button>)";

class IDLockWindowTest : public ::testing::Test {
protected:
    LoopbackServer server{[](const LoopbackServer::Request& request) {
        if (request.target == "/popup")
            return LoopbackServer::Response{200, "<title>portal window</title><p>step two</p>", {}};
        return LoopbackServer::Response{200, LockPage, {}};
    }};
    FakeMessageBox messages;
    engine::BrowserProfile profile;
    QStringList completed;  // every document of the window, for whoever decides the unlock is done
    QPointer<IDLockWindow> window;

    void TearDown() override { delete window; }

    void open(const char* path)
    {
        window = new IDLockWindow(server.origin() + path, profile, messages,
                                  [this](const QUrl& address) { completed.append(address.toString()); });
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
    }
    QWebEngineView* view() { return window->findChild<QWebEngineView*>("Web2"); }
    QWebEnginePage* page() { return view()->page(); }
    void click(const QString& id) { page()->runJavaScript("document.getElementById('" + id + "').click()"); }
};

// Only a real click opens a window, and a link to another program's address
// goes nowhere, not even to the system's URL opener.
TEST_F(IDLockWindowTest, ThePortalsQuestionsAndNewWindowsReachTheUserButNoOtherSchemeOrLoginPageWithAQuery)
{
    // A stand-in for the system's URL opener, first on the PATH, notes what it would open.
    ProgramDir bin;
    bin.write("xdg-open", "#!/bin/sh\necho \"$1\" >> \"$(dirname \"$0\")/opened\"\n");
    QFile::setPermissions(bin.file("xdg-open"), QFile::ReadOwner | QFile::ExeOwner);
    EnvironmentPatch environment;
    environment.set("PATH", (bin.path() + ':').toUtf8() + qgetenv("PATH"));

    open("/locked");
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 1 && !page()->isLoading(); }));
    const QSize before = view()->size();
    window->resize(window->size() + QSize(100, 50));
    EXPECT_EQ(view()->size(), before + QSize(100, 50)) << "the page follows the window";
    messages.answers.push_back(platform::MessageBox::Answer::Ok);
    click("ask");
    ASSERT_TRUE(waitUntil([&] { return page()->title() == "yes"; }));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].buttons, platform::MessageBox::Buttons::OkCancel);
    EXPECT_EQ(window->windowTitle(), "ID 잠금해지 페이지 - " + server.origin().mid(7) + " (안전하지 않음)");
    click("newWindow");
    runEventsFor(300);
    EXPECT_EQ(window->findChild<QWidget*>("frmIDLockPopup"), nullptr) << "a page's script opened a window";
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, QPoint(20, 20));  // the launcher link
    QTest::mouseClick(view()->focusProxy(), Qt::LeftButton, {}, QPoint(20, 90));  // the new window link
    QPointer<QWidget> popup;
    ASSERT_TRUE(waitUntil([&] {
        popup = window->findChild<QWidget*>("frmIDLockPopup");
        return popup && popup->isVisible() && popup->windowTitle() == "127.0.0.1 - portal window";
    }));
    // Each window names the page it shows, for a screen reader.
    const std::string pageName = (server.origin().mid(7) + " 웹 페이지").toStdString();
    for (QWidget* shown : {static_cast<QWidget*>(window), popup.data()}) {
        EXPECT_EQ(accessible::faults(shown), "") << shown->objectName().toStdString();
        EXPECT_EQ(accessible::textOf(shown->findChild<QWebEngineView*>()), pageName);
    }
    EXPECT_FALSE(waitUntil([&] { return bin.exists("opened"); }, 1500)) << bin.read("opened").toStdString();
    EXPECT_EQ(page()->url(), QUrl(server.origin() + "/locked"));

    click("nearMiss");
    ASSERT_TRUE(waitUntil([&] { return window && server.requests.size() == 3 && !page()->isLoading(); }));
    for (const auto& request : server.requests)
        EXPECT_NE(request.target, "/popup?unasked");
    EXPECT_EQ(completed.last(), server.origin() + "/login/login.asp?l_url=elsewhere");
    EXPECT_EQ(messages.shown.size(), 1);
    window->close();
    EXPECT_TRUE(waitUntil([&] { return popup.isNull(); }, 5000)) << "it closes with the unlock window";
}

// Closed while a page's dialog waits for the user, the window goes only once
// the wait has returned.
TEST_F(IDLockWindowTest, ClosedDuringItsOwnWaitItGoesOnlyAfterIt)
{
    messages.onShow = [&] {
        window->close();
        runEventsFor(300);
        EXPECT_FALSE(window.isNull()) << "deleted under its own wait";
        EXPECT_FALSE(window->isVisible());
    };
    open("/locked");
    ASSERT_TRUE(waitUntil([&] { return page()->title() == "locked"; }));
    click("ask");
    ASSERT_TRUE(waitUntil([&] { return window.isNull(); }, 5000));
    EXPECT_EQ(messages.shown.size(), 1);
}

}  // namespace
