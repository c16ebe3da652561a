#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace portal {

// One operation on a named element of the loaded document. The element is
// found by name, or else by id.
struct ElementStep {
    enum class Action { SetValue, SetChecked, Click };
    Action action;
    QString element;
    QString value;

    static ElementStep setValue(const QString& element, const QString& value)
    {
        return {Action::SetValue, element, value};
    }
    static ElementStep setChecked(const QString& element) { return {Action::SetChecked, element, {}}; }
    static ElementStep click(const QString& element) { return {Action::Click, element, {}}; }
    bool operator==(const ElementStep&) const = default;
};

// Why a document could not be loaded.
struct LoadFailure {
    enum class Kind {
        Refused, HostNotFound, Certificate, TimedOut, ConnectionLost, ServerError, Other,
        BrowserEnded,  // the browser itself ended before the document came
        PageScript,    // a script step found no page, or the page's script failed
    };
    Kind kind = Kind::Other;
    int code = 0;  // the engine's error number, or the HTTP status of a server error
    // The operation that failed was a game start, whatever address its page
    // had reached by then.
    bool gameStart = false;
};

// What became of the launch of the game that a game start asked for.
struct LaunchReport {
    enum class Kind {
        Launched,  // handed to the system, which took it
        Failed,    // the system could not take it
        NoneCame,  // the channel page asked for none in time
    };
    Kind kind = Kind::NoneCame;
    QString reason;  // why it failed, for the user
};

// The hidden browser as the session rules see it.
class Browser {
public:
    // Which document completed: the page's own, or one of its frames'.
    enum class Document { Page, Frame };
    using DocumentHandler = std::function<void(const QString& address, Document document)>;
    using FailureHandler = std::function<void(const QString& address, const LoadFailure& failure)>;
    using LaunchHandler = std::function<void(const LaunchReport& report)>;
    using ClosedHandler = std::function<void()>;

    // How long a login waits on a page no rule knows before the user sees it.
    static constexpr int UnknownPageRestMs = 3000;

    virtual ~Browser() = default;

    // Starts loading and returns at once. Every navigation loads afresh, even
    // to the address still loading, and supersedes the one before: nothing of
    // a document left behind is reported any more. A "javascript:" address
    // runs its script in the loaded document.
    virtual void navigate(const QString& address) = 0;

    // Navigates to the game-channel page, which launches the game: the first
    // address that it, its frames and its pop-ups send to a scheme the
    // browser does not load itself, and that may go (the game launcher's, or
    // one the user allows), goes to the system, until the next navigation.
    // Every other page's such addresses are refused.
    virtual void startGame(const QString& channelAddress) = 0;

    // Told once per game start when it is over: its launch went to the
    // system or failed, or none came within 10 s after the channel page had
    // loaded (30 s after the start at most, the time the user was asked not
    // counted). A channel page that cannot be loaded is a load failure.
    virtual void setLaunchHandler(LaunchHandler handler) = 0;

    // Runs the steps in order in the page's document last reported complete,
    // after anything asked of the browser before, and only while that very
    // document is still the page's: never in a frame, nor in a document the
    // page went on to. Once a step finds no element, it and all later steps
    // do nothing: a form that could not be filled is never submitted.
    // Nothing is done once a navigation is replacing the document, even one
    // asked for right after. A "javascript:" navigation runs under the same rule.
    virtual void act(const QList<ElementStep>& steps) = 0;

    // A document, the page's or a frame's, finished loading; the address is
    // exactly the text it was navigated to with, or the address the browser
    // reached by redirection.
    virtual void setDocumentCompleteHandler(DocumentHandler handler) = 0;

    // The page's document could not be loaded (no document-complete follows
    // for it): no connection, an error answer, or no answer in time. A load
    // that ends without a document (a download, an empty answer) is neither
    // a completion nor a failure.
    virtual void setLoadFailedHandler(FailureHandler handler) = 0;

    // The verdict on the document just reported: true when a login waits on
    // it and the session has no step to take from it (a page the portal put
    // in the way: a one-time code, a captcha, new terms). Once such a page
    // has rested UnknownPageRestMs with nothing loading, the browser shows
    // it, the very page the session holds, in a window the user can work in;
    // every completion in it is reported as before. False hides the page
    // again; so does any navigation or failure.
    virtual void setDocumentUnknown(bool unknown) = 0;

    // The user closed the window of a page shown that way.
    virtual void setPageClosedHandler(ClosedHandler handler) = 0;

    // Gives up what was asked last: nothing more of it is reported, and its
    // page is let go.
    virtual void stop() = 0;

    // Forgets the portal's cookies: a session the portal did not end is ended here.
    virtual void forgetCookies() = 0;

    // Whether the session waits for nothing from the browser (idle, failed or
    // logged in). A settled browser may give back what it holds until it is
    // next asked to do something.
    virtual void setSessionSettled(bool settled) = 0;
};

}  // namespace portal
