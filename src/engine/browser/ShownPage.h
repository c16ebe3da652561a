#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <functional>

class QWebEngineView;

namespace platform {
class MessageBox;
}  // namespace platform

namespace engine {

class BrowserProfile;
class PageWindow;
class WebPage;

// Shows the hidden browser's page to the user when the session has no step to
// take from its document: once the page has rested, with no load of its own,
// for the rest time. Hidden again when the session says so, and whenever the
// page goes.
class ShownPage : public QObject {
    Q_OBJECT
public:
    ShownPage(BrowserProfile& profile, platform::MessageBox& messages);
    ~ShownPage() override;

    // The browser's new page, before its first load: only a login's may be
    // shown. In Qt 6.4 a page without a view that tried to open a window
    // cannot be given one afterwards, so its view comes now.
    void attach(WebPage* page, bool mayShow);
    // Before the page goes: the window, then the view (in Qt 6.4 a view left
    // with a deleted page crashes).
    void detach();

    // Whether the session knows the page's document; hasDocument: the page has one.
    void setUnknown(bool unknown, bool hasDocument);
    // The page loads something of its own: it is not shown meanwhile.
    void loadStarted() { rest_.stop(); }
    // A load that brought no new document: an unknown one rests again.
    void loadEndedWithoutDocument();

    bool isShown() const { return window_ != nullptr; }
    void setShowOver(const QRect& frame) { showOver_ = frame; }
    void setClosedByUserHandler(std::function<void()> handler) { onClosedByUser_ = std::move(handler); }

    // For tests.
    PageWindow* window() const { return window_; }
    void setRest(int milliseconds) { rest_.setInterval(milliseconds); }

private:
    void show();
    void hide();

    BrowserProfile& profile_;
    platform::MessageBox& messages_;
    WebPage* page_ = nullptr;
    QWebEngineView* view_ = nullptr;
    QPointer<PageWindow> window_;
    bool unknown_ = false;
    bool raised_ = false;  // the page has been shown and raised once
    QTimer rest_;
    QRect showOver_;
    std::function<void()> onClosedByUser_;
};

}  // namespace engine
