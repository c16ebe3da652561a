#pragma once

#include "core/Browser.h"
#include "engine/browser/GameLaunch.h"
#include "engine/browser/LoadEnd.h"
#include "engine/browser/NavigationMemory.h"
#include "engine/browser/PageSteps.h"
#include "engine/browser/PageWindow.h"
#include "engine/browser/ShownPage.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QTimer>

class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineView;

namespace platform {
class MessageBox;
class UrlOpener;
}  // namespace platform

namespace engine {

class BrowserProfile;
class WebPage;

// The hidden browser on Qt WebEngine. Every navigation of the session goes
// to the https spelling of its address first, and gets a
// fresh page on the shared profile (which keeps the portal's cookies), and the
// page it replaces is cut off before anything else happens: no event of a
// document the session has left can reach it. Pages load only what scripts
// and forms need, and the page is let go once the session is settled and the
// page has been quiet for a while. A game start's launch is handed to the
// system by GameLaunch; the page stays while it waits for one.
//
// States, with what each holds:
//   NoPage   nothing (at start, after a failure, a timeout or the release)
//   Loading  the page, the navigated text, frames of the document still loading
//   Showing  the page with its document; frames held while the page loads
//            something of its own (a form it sent, a script's redirect)
//
// What each event does, by state (- is nothing):
//   event           NoPage           Loading                  Showing
//   navigate        page, Loading    new page, Loading        new page, Loading
//   act, script     -                -                        run in the page
//   page load start -                -                        limit runs
//   frame loaded    -                held                     held while loading, else reported
//   end: document   -                Showing: frames, page    frames, page
//   end: nothing    -                Showing, frames dropped  frames dropped
//     (unless it was an address of another program's scheme that a new
//      document of the page tried as it loaded: that document's end)
//   end: failure    -                NoPage, failure told     NoPage, failure told
//     (unless the https spelling of the program's http address could not be
//      reached at all: then the http address, still Loading)
//   time limit      -                NoPage, failure told     NoPage, failure told
//   renderer gone   -                NoPage, failure told     NoPage, failure told
//     (it ended, or a script did not come back within the step limit)
//   quiet, settled  idle told        -                        NoPage and idle told,
//                                                             unless a launch is waited for
// A page dialog holds the time limits and the release until it is answered.
//
// A Showing page the session calls unknown is shown to the user (ShownPage).
// While shown it has no load limit and loads like a browser the user sees;
// it is hidden again at every navigation, failure or release. Scripts run
// in the page through PageSteps.
class WebEngineBrowser : public QObject, public portal::Browser {
    Q_OBJECT
public:
    // The longest a page may take to load before it counts as unreachable.
    static constexpr int LoadTimeoutMs = 30000;
    // How long a settled session's page stays after its last activity.
    static constexpr int QuietMs = 2000;

    WebEngineBrowser(BrowserProfile& profile, platform::MessageBox& messages, platform::UrlOpener& opener, QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    void navigate(const QString& address) override;
    void startGame(const QString& channelAddress) override;
    void setLaunchHandler(LaunchHandler handler) override { launch_.setHandler(std::move(handler)); }
    void act(const QList<portal::ElementStep>& steps) override;
    void setDocumentCompleteHandler(DocumentHandler handler) override { onComplete_ = std::move(handler); }
    void setLoadFailedHandler(FailureHandler handler) override { onFailed_ = std::move(handler); }
    void setSessionSettled(bool settled) override;
    void setDocumentUnknown(bool unknown) override;
    void setPageClosedHandler(ClosedHandler handler) override { onPageClosed_ = std::move(handler); }
    void forgetCookies() override;
    void stop() override;

    // The frame a page shown to the user is centred over.
    void setShowOver(const QRect& frame) { shown_.setShowOver(frame); }

    // The game launch's rules: the launcher's own schemes, and who is asked
    // about a scheme that is neither the launcher's nor refused outright.
    void setLauncherSchemes(const QStringList& schemes) { launch_.setLauncherSchemes(schemes); }
    void setLaunchAsker(GameLaunch::Asker asker) { launch_.setAsker(std::move(asker)); }

    // Told when the session is settled and the browser has held no page for
    // the quiet time: what it holds now is only the engine itself.
    void setIdleHandler(std::function<void()> handler) { onIdle_ = std::move(handler); }

    // Whether navigating to the address runs a script in the page.
    static bool runsScript(const QString& address);

    // The number of the page's document last reported complete, which steps
    // are meant for: a document that came after it makes them do nothing.
    quint64 documentNumber() const { return steps_.documentNumber(); }

    // For tests: the page of the moment, if any, and shorter waits.
    QWebEnginePage* currentPage() const;
    void setLoadTimeout(int milliseconds) { limit_.setInterval(milliseconds); }
    void setStepTimeout(int milliseconds) { steps_.setTimeout(milliseconds); }
    void setLaunchWait(int milliseconds) { launch_.setAfterLoadWait(milliseconds); }
    void setUnknownPageRest(int milliseconds) { shown_.setRest(milliseconds); }
    PageWindow* pageWindow() const { return shown_.window(); }

private:
    enum class State { NoPage, Loading, Showing };

    void startLoad(const QString& address, bool launches);
    void pageScriptFailed();
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    bool fellBackToHttp(const QWebEngineLoadingInfo& info);
    void onFrameLoaded(const QUrl& address);
    void onDialog(bool open);
    void rendererGone();
    void reportDocument(const QString& address, const QUrl& reached);
    void fail(const QString& address, portal::LoadFailure failure);
    void dropPage();
    void quietTimeOver();

    BrowserProfile& profile_;
    platform::MessageBox& messages_;
    State state_ = State::NoPage;
    WebPage* page_ = nullptr;  // Loading and Showing
    QString address_;          // Loading; Showing while the page loads
    bool gameStart_ = false;   // the page is a game start's
    HttpsFirst httpsFirst_;    // Loading
    QUrl shownAtLoadStart_;    // Loading; Showing while the page loads
    QStringList frames_;       // Loading; Showing while the page loads
    bool settled_ = false;
    QTimer limit_;
    QTimer quiet_;
    PageSteps steps_;
    ShownPage shown_;
    GameLaunch launch_;
    NavigationMemory memory_;
    DocumentHandler onComplete_;
    FailureHandler onFailed_;
    std::function<void()> onIdle_;
    ClosedHandler onPageClosed_;
};

}  // namespace engine
