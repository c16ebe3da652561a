#pragma once

#include "core/Browser.h"
#include "platform/qt/IdlePage.h"
#include "platform/qt/NavigationMemory.h"
#include "platform/qt/WebPage.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <deque>

class QWebEngineLoadingInfo;

namespace platform {

class BrowserProfile;
class MessageBox;

// The browser on Qt WebEngine. Element scripts and script addresses run in
// the order they were asked for; a navigation drops what was still queued
// for the document it replaces and waits only for a script already running.
// The page itself is created on first use, so the engine starts after the
// window is shown. A hidden browser loads only what the session needs, and
// lets its page go while the session is settled.
class WebEngineBrowser : public QObject, public portal::Browser {
    Q_OBJECT
public:
    // The longest a page may take to load before it counts as unreachable.
    static constexpr int LoadTimeoutMs = 30000;

    enum class Use { Shown, Hidden };

    WebEngineBrowser(BrowserProfile& profile, MessageBox& messages, Use use = Use::Shown, QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    void navigate(const QString& address) override;
    void act(const QList<portal::ElementStep>& steps) override;
    void setDocumentCompleteHandler(AddressHandler handler) override;
    void setLoadFailedHandler(FailureHandler handler) override;
    void setSessionSettled(bool settled) override;

    // The page, for a view that shows it.
    WebPage* page();

    // Starting the engine holds the user-interface thread for a moment: wait
    // until window has painted once (or a short while has passed), so that it
    // never sits there blank meanwhile.
    void startAfterFirstPaint(QWidget* window);

    // Shortens the load timeout, for tests.
    void setLoadTimeout(int milliseconds);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Operation {
        enum class Kind { Load, Script, Steps };
        Kind kind;
        QString address;
        QList<portal::ElementStep> steps;
    };

    // Where the newest navigation of the session stands.
    enum class Phase {
        Settled,  // none outstanding: the page's own loads are reported
        Queued,   // waits for a running element script, or for the engine to
                  // stop the load it replaces
        Loading,  // asked of the engine: the next end of a load is its own
    };

    void release();
    void releasePage();
    void schedule();
    void processQueue();
    void startLoad(const QString& address);
    void scriptFinished(quint64 id);
    void onLoadingChanged(const QWebEngineLoadingInfo& info);
    void onFrameLoaded(const QUrl& address);
    void loadEnded(const QWebEngineLoadingInfo& info);
    void timedOut();
    void stopped();
    bool joinsCurrentLoad(const QString& key) const;

    BrowserProfile& profile_;
    MessageBox& messages_;
    const Use use_;
    IdlePage idle_;
    WebPage* page_ = nullptr;
    std::deque<Operation> queue_;
    bool scheduled_ = false;
    bool held_ = false;
    QPointer<QWidget> heldFor_;
    bool scriptRunning_ = false;
    quint64 scriptId_ = 0;
    QTimer scriptGuard_;

    Phase phase_ = Phase::Settled;
    QString target_;     // the newest navigation's text, while outstanding
    QString targetKey_;
    bool pageLoading_ = false;  // a load of any origin has started and not ended
    QElapsedTimer pageLoadingFor_;
    QString pageLoadingKey_;
    QString pageLoadingAddress_;
    QStringList heldFrames_;  // frames of the document still loading
    bool stopping_ = false;
    QTimer stopGuard_;
    QTimer loadGuard_;

    NavigationMemory memory_;
    AddressHandler onComplete_;
    FailureHandler onFailed_;
};

}  // namespace platform
