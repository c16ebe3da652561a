#pragma once

#include "core/Browser.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

class QWebEnginePage;

namespace platform {
class MessageBox;
class UrlOpener;
}  // namespace platform

namespace engine {

class BrowserProfile;
class WebPage;

// The launch of the game from the channel page of one game start: the first
// address that the page, its frames or its pop-ups send to another program's
// scheme, and that may go, goes to the system; later ones of the same start
// are refused, as is everything once the next navigation ends the start.
// May go: an address of the game launcher's scheme at once; one of a scheme
// no launcher uses never; one of any other scheme if the user allows it,
// asked at most once a start. An address over launch::LongestAddress never
// goes, and a start opens at most launch::MostPopups pop-ups.
//
// The start waits until its launch was handed off, at most until 10 s after
// the channel page loaded, and 30 s after it began at the latest; not while
// the user is being asked.
class GameLaunch : public QObject {
    Q_OBJECT
public:
    static constexpr int AfterLoadMs = 10000;
    static constexpr int LongestMs = 30000;

    // Asks whether the page of host may hand the address, of scheme, to the
    // system; answered later, through allowed.
    using Asker = std::function<void(const QString& host, const QString& scheme, const QString& address,
                                     std::function<void(bool)> allowed)>;

    GameLaunch(BrowserProfile& profile, platform::MessageBox& messages, platform::UrlOpener& opener, QObject* parent = nullptr);

    void setHandler(portal::Browser::LaunchHandler handler);
    void setLauncherSchemes(const QStringList& schemes) { launcherSchemes_ = schemes; }
    // Without an asker, a scheme that is neither the launcher's nor refused is refused.
    void setAsker(Asker asker) { asker_ = std::move(asker); }
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
    void consider(const QUrl& address, const WebPage* from, bool mainFrame);
    QString askingHost(const WebPage* from, bool mainFrame) const;
    void handOff(const QString& address, const QString& scheme);
    QWebEnginePage* openPopup();
    void hold();
    void resume();
    void stopWaiting();
    void over(const portal::LaunchReport& report);

    BrowserProfile& profile_;
    platform::MessageBox& messages_;
    platform::UrlOpener& opener_;
    QStringList launcherSchemes_;
    Asker asker_;
    quint64 start_ = 0;  // the game start of the moment, so a late answer finds its own
    bool waiting_ = false;
    bool handedOff_ = false;  // this start's one hand-off went
    bool asked_ = false;      // this start's one question was asked
    bool channelLoaded_ = false;
    int popupsOpened_ = 0;
    QPointer<WebPage> channel_;
    QList<QPointer<WebPage>> popups_;
    QTimer afterLoad_;
    QTimer longest_;
    int longestLeft_ = 0;  // while the user is asked
    portal::Browser::LaunchHandler onReport_;
    std::function<void()> onOver_;
};

}  // namespace engine
