#pragma once

#include "core/Browser.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

class QWebEnginePage;

namespace platform {
class MessageBox;
class UrlOpener;
}  // namespace platform

namespace engine {

class BrowserProfile;
class WebPage;

// The launch of the game from the channel page of one game start: what the
// page, its frames and its pop-ups send to another program's scheme goes to
// the system, once per address, until the next navigation ends the start.
// The start waits until the first launch was handed off, at most until 10 s
// after the channel page loaded, and 30 s after it began at the latest.
class GameLaunch : public QObject {
    Q_OBJECT
public:
    static constexpr int AfterLoadMs = 10000;
    static constexpr int LongestMs = 30000;

    GameLaunch(BrowserProfile& profile, platform::MessageBox& messages, platform::UrlOpener& opener, QObject* parent = nullptr);

    void setHandler(portal::Browser::LaunchHandler handler);
    // Shortens the wait after the channel page loaded, for tests.
    void setAfterLoadWait(int milliseconds) { afterLoad_.setInterval(milliseconds); }
    // Told, besides, when the start stops waiting.
    void setOverHandler(std::function<void()> handler);

    void begin(WebPage* channel);
    void channelLoaded();
    // The next navigation: nothing of this start launches any more.
    void end();
    bool waiting() const;

private:
    void handOff(const QUrl& address);
    QWebEnginePage* openPopup();
    void stopWaiting();
    void over(const portal::LaunchReport& report);

    BrowserProfile& profile_;
    platform::MessageBox& messages_;
    platform::UrlOpener& opener_;
    quint64 start_ = 0;  // the game start of the moment, so a late answer finds its own
    bool waiting_ = false;
    QSet<QString> handedOff_;
    QList<QPointer<WebPage>> popups_;
    QTimer afterLoad_;
    QTimer longest_;
    portal::Browser::LaunchHandler onReport_;
    std::function<void()> onOver_;
};

}  // namespace engine
