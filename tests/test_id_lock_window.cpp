#include "core/Addresses.h"
#include "core/Texts.h"
#include "dialogs/IDLockWindow.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"

#include <QPointer>
#include <QTest>
#include <QWebEnginePage>
#include "platform/qt/BrowserProfile.h"
#include <QWebEngineView>
#include <gtest/gtest.h>

using dialogs::IDLockWindow;

namespace {

const QByteArray LockPage = R"(<!doctype html><meta charset="utf-8"><title>locked</title>
<a id="unlockBtn" href="/unlock">unlock</a>
<a id="nearMiss" href="/login/login.asp?l_url=elsewhere">login with a query</a>
<a id="newWindow" href="/popup" target="_blank">in a new window</a>
<button id="ask" onclick="document.title = confirm('진행할까요?') ? 'yes' : 'no'">ask</button>)";

LoopbackServer::Response route(const LoopbackServer::Request& request)
{
    if (request.target == "/unlock")
        return {302, {}, "/login/login.asp"};
    if (request.target == "/popup")
        return {200, "<title>portal window</title><p>step two</p>", {}};
    return {200, LockPage, {}};
}

class IDLockWindowTest : public ::testing::Test {
protected:
    LoopbackServer server{route};
    Addresses addresses{endpoints()};
    FakeBrowser mainBrowser;
    FakeMessageBox messages;
    QPointer<IDLockWindow> window;

    static platform::BrowserProfile& profile()
    {
        static auto* shared = new platform::BrowserProfile;
        return *shared;
    }

    Endpoints endpoints() const
    {
        Endpoints e = Endpoints::builtIn();
        e.NetmarbleLogin = server.origin().mid(7);  // host:port
        return e;
    }

    void TearDown() override { delete window; }

    void open()
    {
        window = new IDLockWindow(addresses, server.origin() + "/login/LockStealID.asp?id=captain", profile(),
                                  mainBrowser, messages);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 1; }));
        ASSERT_TRUE(waitUntil([&] { return !page()->isLoading(); }));
    }

    QWebEnginePage* page() { return window->findChild<QWebEngineView*>("Web2")->page(); }

    void click(const QString& id) { page()->runJavaScript("document.getElementById('" + id + "').click()"); }
};

TEST_F(IDLockWindowTest, OpensTheLockedPageAndRestartsTheLoginWhenUnlocked)
{
    open();
    EXPECT_EQ(window->windowTitle(), "ID 잠금해지 페이지");
    EXPECT_EQ(server.requests.first().target, "/login/LockStealID.asp?id=captain");

    click("nearMiss");
    ASSERT_TRUE(waitUntil([&] { return server.requests.size() == 2 && !page()->isLoading(); }));
    EXPECT_TRUE(messages.shown.isEmpty()) << "the login page with a query is not the end of the unlock";
    EXPECT_TRUE(mainBrowser.navigations.isEmpty());

    page()->runJavaScript("history.back()");
    ASSERT_TRUE(waitUntil([&] { return page()->url().path() == "/login/LockStealID.asp" && !page()->isLoading(); }));
    click("unlockBtn");
    ASSERT_TRUE(waitUntil([&] { return !messages.shown.isEmpty(); }));
    EXPECT_EQ(messages.shown[0].text, text::NetmarbleUnlockedNotice);
    EXPECT_EQ(messages.shown[0].icon, platform::MessageBox::Icon::Information);
    EXPECT_EQ(mainBrowser.navigations, QStringList{addresses.NetmarbleLoginPage});
    ASSERT_TRUE(waitUntil([&] { return window.isNull(); }, 5000)) << "the window unloads itself";
}

TEST_F(IDLockWindowTest, BrowserFollowsTheOuterSize)
{
    open();
    window->resize(700, 500);
    const QSize outer = window->frameGeometry().size();
    EXPECT_EQ(window->findChild<QWebEngineView*>("Web2")->size(), QSize(outer.width() - 10, outer.height() - 28));
}

TEST(IDLockSizeRule, NeverNegativeAndIgnoresEmptySizes)
{
    EXPECT_FALSE(IDLockWindow::browserSizeFor({0, 6000}).has_value());
    EXPECT_FALSE(IDLockWindow::browserSizeFor({6000, 0}).has_value());
    EXPECT_FALSE(IDLockWindow::browserSizeFor({-15, -15}).has_value());
    EXPECT_EQ(IDLockWindow::browserSizeFor({8985, 6765}), QSize(8835, 6345));
    EXPECT_EQ(IDLockWindow::browserSizeFor({100, 300}), QSize(0, 0));
    EXPECT_EQ(IDLockWindow::browserSizeFor({150, 421}), QSize(0, 1));
}

TEST_F(IDLockWindowTest, ThePortalsWindowsAndQuestionsReachTheUser)
{
    open();
    messages.answers.push_back(platform::MessageBox::Answer::Ok);
    click("ask");
    ASSERT_TRUE(waitUntil([&] { return page()->title() == "yes"; }));
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].buttons, platform::MessageBox::Buttons::OkCancel);

    click("newWindow");
    QPointer<QWidget> popup;
    ASSERT_TRUE(waitUntil([&] {
        popup = window->findChild<QWidget*>("frmIDLockPopup");
        return popup && popup->isVisible() && popup->windowTitle() == "portal window";
    }));
    EXPECT_TRUE(popup->isWindow());
    EXPECT_NE(popup->minimumSize(), popup->maximumSize()) << "resizable";
    window->close();
    EXPECT_TRUE(waitUntil([&] { return popup.isNull(); }, 5000)) << "it closes with the unlock window";
}

}  // namespace
