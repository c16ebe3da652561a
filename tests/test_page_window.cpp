#include "support/AccessTree.h"
#include "support/BrowserTest.h"

#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QWebEngineView>

namespace {

// A one-time-code page as a portal puts one in a login's way: a picture to
// read, a field that takes the focus, a script state that a reload would lose.
const QByteArray CodePage = R"html(<!doctype html><meta charset="utf-8"><title>code</title>
<script>var kept = 'yes'; open('/popup');</script>
<img src="/picture.png">
<form action="/done"><input id="code" name="code" autofocus><input type="submit"></form>)html";

LoopbackServer::Response route(const LoopbackServer::Request& request)
{
    if (request.target == "/picture.png")
        return {200,
                QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mP8z8BQDwAEhQGAhKmMIQAAAABJRU5ErkJggg=="),
                {}, 0, "Content-Type: image/png\r\n"};
    if (request.target.startsWith("/done"))
        return {200, "<title>done</title><p>done</p>", {}};
    if (request.target == "/moves-on")
        return {200, "<meta http-equiv=refresh content='0.1; url=/slow-next'>", {}};
    if (request.target == "/slow-next")
        return {200, "<p>next</p>", {}, 1500};
    if (request.target == "/popup-host")
        return {200, "<a href='/popup-alert' target='_blank' style='position:fixed;inset:0'>more</a>", {}};
    if (request.target == "/popup-alert")
        return {200, "<script>alert('pop-up')</script>", {}};
    return {200, CodePage, {}};
}

class PageWindowTest : public BrowserTest {
protected:
    PageWindowTest()
    {
        browser.setUnknownPageRest(300);
        browser.setPageClosedHandler([this] { ++closedByUser; });
    }

    qsizetype requestsFor(const QByteArray& target) const
    {
        return std::count_if(server.requests.begin(), server.requests.end(),
                             [&](const auto& r) { return r.target == target; });
    }

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

    LoopbackServer server{route};
    int closedByUser = 0;
};

// The window goes when the session knows the page again or navigates on;
// only its closing by the user is the user's cancel.
TEST_F(PageWindowTest, AnUnknownPageShowsItselfAsItIsTheUserWorksInItAndItGoesWhenTheSessionOrTheUserSays)
{
    load(server.origin() + "/code");
    browser.setDocumentUnknown(true);
    runEventsFor(150);
    EXPECT_EQ(browser.pageWindow(), nullptr) << "shown before it rested";
    QPointer<engine::PageWindow> window = shownAfterRest();
    ASSERT_TRUE(window);
    EXPECT_EQ(window->windowTitle(), "Quaylet - " + QUrl(server.origin()).authority() + " (안전하지 않음)");
    EXPECT_EQ(window->findChild<QLineEdit*>("pageAddress")->text(), server.origin() + "/code");
    EXPECT_TRUE(window->findChild<QLabel*>("notSecure")->isVisible()) << "the page came over http";
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(accessible::faults(window), "");
    EXPECT_EQ(accessible::textOf(window->findChild<QWebEngineView*>()),
              (QUrl(server.origin()).authority() + " 웹 페이지").toStdString());
    EXPECT_EQ(evaluate("kept").toString(), "yes") << "the page was loaded again";
    EXPECT_EQ(requestsFor("/code"), 1);
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
    EXPECT_EQ(evaluate("document.title").toString(), "done") << "the page stays the session's";
    EXPECT_EQ(closedByUser, 0);

    browser.setDocumentUnknown(true);
    window = shownAfterRest();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->testAttribute(Qt::WA_ShowWithoutActivating)) << "the same page shown again took the focus";
    window->close();
    EXPECT_TRUE(gone(window));
    EXPECT_EQ(closedByUser, 1);
    EXPECT_EQ(evaluate("document.title").toString(), "done");
    EXPECT_EQ(requestsFor("/done?code=246810"), 1) << "the page is held until the session moves on";

    browser.setDocumentUnknown(true);
    window = shownAfterRest();
    ASSERT_TRUE(window);
    load(server.origin() + "/code");
    EXPECT_TRUE(gone(window));
    EXPECT_EQ(closedByUser, 1);
}

// A pop-up of the page shown asks something; meanwhile the user closes the
// pop-up and the session hides the page: both go only once the answer is back.
TEST_F(PageWindowTest, AWindowClosedOrHiddenDuringAPopupsDialogGoesOnlyAfterIt)
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
    ASSERT_TRUE(waitUntil([&] { return evaluate("document.readyState").toString() == "complete"; }));
    QWidget* input = view->focusProxy() ? view->focusProxy() : view;
    runEventsFor(500);  // painted before it can be clicked
    QTest::mousePress(input, Qt::LeftButton, {}, QPoint(40, 40));
    QTest::mouseRelease(input, Qt::LeftButton, {}, QPoint(40, 40), 50);
    ASSERT_TRUE(waitUntil([&] { return !pageDialogs.shown.isEmpty(); }, 5000))
        << "the pop-up asked nothing; requests: " << server.requests.size();
    EXPECT_TRUE(waitUntil([&] { return !window && !popup; }, 3000));
}

// Only a page that rests is shown: one that moves on by itself, one the
// session knew after all, and one still loading are not.
TEST_F(PageWindowTest, APageThatMovesOnOrIsKnownInTimeIsNeverShown)
{
    load(server.origin() + "/moves-on");
    browser.setDocumentUnknown(true);
    runEventsFor(1000);
    EXPECT_EQ(browser.pageWindow(), nullptr) << "shown while it loaded its next document";

    load(server.origin() + "/code");
    browser.setDocumentUnknown(true);
    browser.setDocumentUnknown(false);
    browser.navigate(server.origin() + "/slow-next");
    browser.setDocumentUnknown(true);
    runEventsFor(800);
    EXPECT_EQ(browser.pageWindow(), nullptr);
    EXPECT_EQ(closedByUser, 0);
}

}  // namespace
