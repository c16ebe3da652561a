#include "platform/qt/WebEngineBrowser.h"

#include "platform/qt/BrowserProfile.h"
#include "platform/qt/PageScripts.h"

#include <QEvent>
#include <QPointer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWidget>

#include <algorithm>

namespace platform {

namespace {
// An element script that never answers (a hung renderer) must not stall the
// navigations queued behind it.
constexpr int ScriptGuardMs = 5000;
// The longest the engine waits for the first paint of the window.
constexpr int FirstPaintWaitMs = 300;
// The longest a navigation waits for a load of the same address to end.
constexpr int SameAddressWaitMs = 10000;

bool isScriptAddress(const QString& address)
{
    return address.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive);
}
}  // namespace

WebEngineBrowser::WebEngineBrowser(BrowserProfile& profile, QObject* parent)
    : QObject(parent), profile_(profile)
{
    scriptGuard_.setSingleShot(true);
    scriptGuard_.setInterval(ScriptGuardMs);
    connect(&scriptGuard_, &QTimer::timeout, this, [this] { scriptFinished(scriptId_); });
    loadGuard_.setSingleShot(true);
    loadGuard_.setInterval(SameAddressWaitMs);
    connect(&loadGuard_, &QTimer::timeout, this, &WebEngineBrowser::loadEnded);
}

WebEngineBrowser::~WebEngineBrowser()
{
    // Script callbacks still pending must not reach a half-destroyed object.
    queue_.clear();
    delete page_;
    page_ = nullptr;
}

QWebEnginePage* WebEngineBrowser::page()
{
    if (!page_) {
        page_ = new QWebEnginePage(&profile_.get(), this);
        connect(page_, &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::onLoadingChanged);
    }
    return page_;
}

void WebEngineBrowser::navigate(const QString& address)
{
    queue_.push_back({address, {}});
    schedule();
}

void WebEngineBrowser::act(const QList<portal::ElementStep>& steps)
{
    // A document that a waiting navigation is about to replace is not worked
    // on: its form would go out just as the next page starts, and the engine
    // drops both.
    if (steps.isEmpty() || reportingReplacedDocument_)
        return;
    queue_.push_back({{}, steps});
    schedule();
}

void WebEngineBrowser::setDocumentCompleteHandler(AddressHandler handler)
{
    onComplete_ = std::move(handler);
}

void WebEngineBrowser::setLoadFailedHandler(AddressHandler handler)
{
    onFailed_ = std::move(handler);
}

void WebEngineBrowser::startAfterFirstPaint(QWidget* window)
{
    held_ = true;
    heldFor_ = window;
    window->installEventFilter(this);
    QTimer::singleShot(FirstPaintWaitMs, this, &WebEngineBrowser::release);
}

bool WebEngineBrowser::eventFilter(QObject* watched, QEvent* event)
{
    // Released once this paint has reached the screen.
    if (watched == heldFor_ && event->type() == QEvent::Paint)
        QTimer::singleShot(0, this, &WebEngineBrowser::release);
    return QObject::eventFilter(watched, event);
}

void WebEngineBrowser::release()
{
    if (!held_)
        return;
    held_ = false;
    if (heldFor_)
        heldFor_->removeEventFilter(this);
    schedule();
}

void WebEngineBrowser::schedule()
{
    if (scheduled_)
        return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        scheduled_ = false;
        processQueue();
    });
}

void WebEngineBrowser::processQueue()
{
    if (held_)
        return;
    while (!scriptRunning_ && !queue_.empty()) {
        const Operation operation = queue_.front();
        if (operation.steps.isEmpty() && !isScriptAddress(operation.address)) {
            // The engine folds a second load of an address still loading into
            // the first and reports one document; each navigation must get its
            // own, since the rules read the flags when the document completes.
            const QString key = NavigationMemory::key(operation.address);
            if (key == loadingKey_)
                return;
            memory_.remember(operation.address);
            loadingKey_ = key;
            loadStarted_ = false;
            loadGuard_.start();
        }
        queue_.pop_front();
        if (operation.steps.isEmpty()) {
            page()->load(QUrl(operation.address));
            continue;
        }
        scriptRunning_ = true;
        const quint64 id = ++scriptId_;
        scriptGuard_.start();
        QPointer<WebEngineBrowser> self(this);
        page()->runJavaScript(elementStepsScript(operation.steps), QWebEngineScript::ApplicationWorld,
                              [self, id](const QVariant&) {
                                  if (self)
                                      self->scriptFinished(id);
                              });
    }
}

void WebEngineBrowser::scriptFinished(quint64 id)
{
    // A late answer from a script the guard already gave up on is ignored.
    if (!scriptRunning_ || id != scriptId_)
        return;
    scriptRunning_ = false;
    scriptGuard_.stop();
    schedule();
}

bool WebEngineBrowser::navigationWaiting() const
{
    return std::any_of(queue_.begin(), queue_.end(), [](const Operation& operation) {
        return operation.steps.isEmpty() && !isScriptAddress(operation.address);
    });
}

void WebEngineBrowser::loadEnded()
{
    loadingKey_.clear();
    loadGuard_.stop();
    schedule();
}

// Only top-level documents are reported. A load that fails (no answer, a
// refused connection, an aborted redirect) reports no document complete: the
// session rules act only on documents that arrived, and a failure is passed on
// separately for whoever waits for an answer. A load stopped by a newer
// navigation reports nothing at all.
void WebEngineBrowser::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    const bool lastLoad = NavigationMemory::key(info.url()) == loadingKey_;
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        loadStarted_ = loadStarted_ || lastLoad;
    } else if (loadStarted_ || lastLoad) {
        // Whatever ended, it ended the load started last: the engine runs one
        // at a time. Held navigations go on once this document has been handled.
        loadStarted_ = false;
        QTimer::singleShot(0, this, [this, key = loadingKey_] {
            if (loadingKey_ == key)
                loadEnded();
        });
    }
    const QString address = memory_.resolve(info.url());
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !info.isErrorPage()) {
        reportingReplacedDocument_ = navigationWaiting();
        if (onComplete_)
            onComplete_(address);
        reportingReplacedDocument_ = false;
    } else if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus
               || (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && info.isErrorPage())) {
        if (onFailed_)
            onFailed_(address);
    }
}

}  // namespace platform
