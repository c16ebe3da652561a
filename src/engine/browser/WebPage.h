#pragma once

#include <QString>
#include <QWebEnginePage>

#include <functional>

class QWebEngineProfile;

namespace platform {
class MessageBox;
}  // namespace platform

namespace engine {

// A page whose script dialogs reach the user through the program's message
// box, and which reports each frame's document when it has loaded.
class WebPage : public QWebEnginePage {
    Q_OBJECT
public:
    using FrameHandler = std::function<void(const QUrl& address)>;
    using DialogHandler = std::function<void(bool open)>;
    using WindowFactory = std::function<QWebEnginePage*()>;
    // mainFrame: the page's own document asked, not one of its frames.
    using ExternalHandler = std::function<void(const QUrl& address, bool mainFrame)>;

    // Held while something of the page is on the stack: one of its dialogs,
    // or its owner's handling of one of its notifications (which may open a
    // message box or the login dialog). A retired page outlives every hold.
    class Busy {
    public:
        explicit Busy(WebPage* page) : page_(page) { ++page_->busy_; }
        ~Busy() { page_->endBusy(); }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        WebPage* page_;
    };

    WebPage(QWebEngineProfile& profile, platform::MessageBox& messages, QObject* parent = nullptr);

    // Called with the address of every frame document (never the page's own)
    // once it has loaded.
    void setFrameHandler(FrameHandler handler);

    // Told when a script dialog of the page opens and when it closes.
    void setDialogHandler(DialogHandler handler);

    // Where addresses go that the browser does not load itself: those of
    // another program's scheme, such as a game launcher's. Without a handler
    // they are refused, and nothing reaches the system.
    void setExternalHandler(ExternalHandler handler);

    // Where pages this page opens in a new window go; without a factory such
    // pages are not opened.
    void setWindowFactory(WindowFactory factory);

    bool isBusy() const { return busy_ > 0; }

    // The frames of the page's document, as each document of one was made.
    const QList<QUrl>& frameAddresses() const { return frames_; }

    // Whether the user sees and clicks in the page: it then goes only to web
    // addresses (http, https, about:blank), and opens a new window only on a click.
    void setWebOnly(bool webOnly) { webOnly_ = webOnly; }

    // Whether the browser loads the address itself, rather than hand it to
    // another program.
    static bool loadsItself(const QUrl& address);

    // Cuts the page off: no signal or handler of it reaches anyone again, and
    // it is deleted as soon as it is no longer busy.
    void retire();

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& message, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceId) override;
    QWebEnginePage* createWindow(WebWindowType type) override;  // declines: see the constructor
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    void endBusy();
    bool dialogShown(const QUrl& origin, const QString& message, bool question);

    platform::MessageBox& messages_;
    FrameHandler onFrame_;
    DialogHandler onDialog_;
    WindowFactory windowFactory_;
    ExternalHandler onExternal_;
    int busy_ = 0;
    bool retired_ = false;
    bool webOnly_ = false;
    int dialogsShown_ = 0;
    QList<QUrl> frames_;
};

}  // namespace engine
