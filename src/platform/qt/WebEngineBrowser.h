#pragma once

#include "platform/qt/IdlePage.h"
#include "platform/qt/NavigationMemory.h"
#include "portal/Browser.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <deque>

class QWebEnginePage;
class QWebEngineLoadingInfo;

namespace platform {

class BrowserProfile;

// The browser on Qt WebEngine. Operations are queued and carried out in the
// order they were asked for, each element script finishing before the next
// navigation starts; the page itself is created on first use, so the engine
// starts after the window is shown. A hidden browser loads only what the
// session needs, and lets its page go while the session is settled.
class WebEngineBrowser : public QObject, public portal::Browser {
    Q_OBJECT
public:
    enum class Use { Shown, Hidden };

    explicit WebEngineBrowser(BrowserProfile& profile, QObject* parent = nullptr);
    WebEngineBrowser(BrowserProfile& profile, Use use, QObject* parent = nullptr);
    ~WebEngineBrowser() override;

    void navigate(const QString& address) override;
    void act(const QList<portal::ElementStep>& steps) override;
    void setDocumentCompleteHandler(AddressHandler handler) override;
    void setLoadFailedHandler(AddressHandler handler) override;
    void setSessionSettled(bool settled) override;

    // The page, for a view that shows it.
    QWebEnginePage* page();

    // Starting the engine holds the user-interface thread for a moment: wait
    // until window has painted once (or a short while has passed), so that it
    // never sits there blank meanwhile.
    void startAfterFirstPaint(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Operation {
        QString address;                    // a navigation when steps is empty
        QList<portal::ElementStep> steps;
    };

    void release();
    void releasePage();
    void loadEnded();
    bool navigationWaiting() const;
    void schedule();
    void processQueue();
    void scriptFinished(quint64 id);
    void onLoadingChanged(const QWebEngineLoadingInfo& info);

    BrowserProfile& profile_;
    const Use use_ = Use::Shown;
    IdlePage idle_;
    QWebEnginePage* page_ = nullptr;
    std::deque<Operation> queue_;
    bool scheduled_ = false;
    bool held_ = false;
    QPointer<QWidget> heldFor_;
    bool scriptRunning_ = false;
    // The address of the load last started, until the engine says it ended.
    QString loadingKey_;
    bool loadStarted_ = false;
    bool reportingReplacedDocument_ = false;
    QTimer loadGuard_;
    quint64 scriptId_ = 0;
    QTimer scriptGuard_;
    NavigationMemory memory_;
    AddressHandler onComplete_;
    AddressHandler onFailed_;
};

}  // namespace platform
