#include "platform/qt/WebEngineBrowser.h"

#include "platform/qt/BrowserProfile.h"
#include "platform/qt/LeanPage.h"
#include "platform/qt/PageScripts.h"
#include "platform/qt/WebPage.h"

#include <QEvent>
#include <QLoggingCategory>
#include <QPointer>
#include <QWebEngineCertificateError>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>

#include <utility>

namespace platform {

Q_LOGGING_CATEGORY(lcBrowser, "quaylet.browser", QtWarningMsg)

namespace {
// An element script that never answers (a hung renderer) must not stall the
// navigations queued behind it.
constexpr int ScriptGuardMs = 5000;
// The longest the engine waits for the first paint of the window.
constexpr int FirstPaintWaitMs = 300;
// The longest a navigation waits for the load it replaces to stop.
constexpr int StopWaitMs = 1000;
// A navigation to the address still loading joins that load only this soon
// after it began; later it starts it afresh, lest it wait on a load that
// hangs (a page that never finishes, a cancel while it loads).
constexpr int JoinWindowMs = 1000;
// The engine's own error numbers.
constexpr int ErrorAborted = -3;
constexpr int ErrorConnectionClosed = -100;
constexpr int ErrorConnectionReset = -101;
constexpr int ErrorConnectionRefused = -102;
constexpr int ErrorConnectionAborted = -103;
constexpr int ErrorNameNotResolved = -105;
constexpr int ErrorTimedOut = -7;
constexpr int ErrorConnectionTimedOut = -118;
constexpr int ErrorEmptyResponse = -324;
constexpr int ErrorIncompleteChunkedEncoding = -355;
constexpr int ErrorContentLengthMismatch = -354;

bool isScriptAddress(const QString& address)
{
    return address.startsWith(QLatin1String("javascript:"), Qt::CaseInsensitive);
}

// The address without its query, for the log: a query may carry an account.
QString loggable(const QUrl& url)
{
    return url.toString(QUrl::RemoveQuery | QUrl::RemoveUserInfo | QUrl::RemoveFragment);
}

portal::LoadFailure failureOf(const QWebEngineLoadingInfo& info)
{
    using Kind = portal::LoadFailure::Kind;
    const int code = info.errorCode();
    switch (info.errorDomain()) {
    case QWebEngineLoadingInfo::CertificateErrorDomain: return {Kind::Certificate, code};
    case QWebEngineLoadingInfo::HttpStatusCodeDomain: return {Kind::ServerError, code};
    case QWebEngineLoadingInfo::DnsErrorDomain: return {Kind::HostNotFound, code};
    default: break;
    }
    switch (code) {
    case ErrorConnectionRefused: return {Kind::Refused, code};
    case ErrorNameNotResolved: return {Kind::HostNotFound, code};
    case ErrorTimedOut:
    case ErrorConnectionTimedOut: return {Kind::TimedOut, code};
    case ErrorConnectionClosed:
    case ErrorConnectionReset:
    case ErrorConnectionAborted:
    case ErrorEmptyResponse:
    case ErrorIncompleteChunkedEncoding:
    case ErrorContentLengthMismatch: return {Kind::ConnectionLost, code};
    default: break;
    }
    // The engine's certificate errors are numbered -200 to -299.
    if (code <= -200 && code > -300)
        return {Kind::Certificate, code};
    return {Kind::Other, code};
}
}  // namespace

WebEngineBrowser::WebEngineBrowser(BrowserProfile& profile, MessageBox& messages, Use use, QObject* parent)
    : QObject(parent), profile_(profile), messages_(messages), use_(use), idle_([this] { releasePage(); })
{
    scriptGuard_.setSingleShot(true);
    scriptGuard_.setInterval(ScriptGuardMs);
    connect(&scriptGuard_, &QTimer::timeout, this, [this] { scriptFinished(scriptId_); });
    stopGuard_.setSingleShot(true);
    stopGuard_.setInterval(StopWaitMs);
    connect(&stopGuard_, &QTimer::timeout, this, [this] {
        pageLoading_ = false;
        stopped();
    });
    loadGuard_.setSingleShot(true);
    loadGuard_.setInterval(LoadTimeoutMs);
    connect(&loadGuard_, &QTimer::timeout, this, &WebEngineBrowser::timedOut);
}

WebEngineBrowser::~WebEngineBrowser()
{
    // Script callbacks still pending must not reach a half-destroyed object.
    queue_.clear();
    delete page_;
    page_ = nullptr;
}

WebPage* WebEngineBrowser::page()
{
    if (!page_) {
        page_ = new WebPage(profile_.get(), messages_, this);
        connect(page_, &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::onLoadingChanged);
        // A certificate the system does not trust is never accepted: such a
        // page counts as unreachable.
        connect(page_, &QWebEnginePage::certificateError, this,
                [](QWebEngineCertificateError error) { error.rejectCertificate(); });
        page_->setFrameHandler([this](const QUrl& address) { onFrameLoaded(address); });
        if (use_ == Use::Hidden) {
            makeLean(page_);
            idle_.watch(page_);
        }
    }
    return page_;
}

void WebEngineBrowser::releasePage()
{
    // Only a page with nothing queued, running or loading goes; the next
    // operation makes a new one.
    if (!queue_.empty() || scriptRunning_ || stopping_ || phase_ != Phase::Settled || pageLoading_)
        return;
    delete page_;
    page_ = nullptr;
}

void WebEngineBrowser::setSessionSettled(bool settled)
{
    idle_.setSettled(settled);
}

void WebEngineBrowser::setLoadTimeout(int milliseconds)
{
    loadGuard_.setInterval(milliseconds);
}

bool WebEngineBrowser::joinsCurrentLoad(const QString& key) const
{
    if (phase_ == Phase::Queued)
        return key == targetKey_;
    const bool young = pageLoadingFor_.isValid() && pageLoadingFor_.elapsed() < JoinWindowMs;
    if (phase_ == Phase::Loading)
        return key == targetKey_ && young;
    return pageLoading_ && key == pageLoadingKey_ && young;
}

void WebEngineBrowser::navigate(const QString& address)
{
    idle_.noteActivity();
    if (isScriptAddress(address)) {
        // Its document is already being replaced.
        if (phase_ != Phase::Settled) {
            qCDebug(lcBrowser) << "script address dropped: a navigation replaces its document";
            return;
        }
        queue_.push_back({Operation::Kind::Script, address, {}});
        schedule();
        return;
    }
    const QString key = NavigationMemory::key(address);
    memory_.remember(address);
    if (joinsCurrentLoad(key)) {
        // The engine would fold a second load of the same address into the
        // first anyway; the one completion now answers the newest request.
        qCDebug(lcBrowser) << "navigation joins the load in progress:" << loggable(QUrl(address));
        if (phase_ == Phase::Settled) {
            phase_ = Phase::Loading;
            target_ = pageLoadingAddress_;
            targetKey_ = key;
        }
        return;
    }
    // Whatever was queued was meant for the document this one replaces.
    queue_.clear();
    queue_.push_back({Operation::Kind::Load, address, {}});
    phase_ = Phase::Queued;
    target_ = address;
    targetKey_ = key;
    schedule();
}

void WebEngineBrowser::act(const QList<portal::ElementStep>& steps)
{
    // A document that a navigation is about to replace is not worked on: its
    // form would go out just as the next page starts, and supersede it.
    if (steps.isEmpty() || phase_ != Phase::Settled)
        return;
    idle_.noteActivity();
    queue_.push_back({Operation::Kind::Steps, {}, steps});
    schedule();
}

void WebEngineBrowser::setDocumentCompleteHandler(AddressHandler handler)
{
    onComplete_ = std::move(handler);
}

void WebEngineBrowser::setLoadFailedHandler(FailureHandler handler)
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
        if (operation.kind == Operation::Kind::Load && pageLoading_) {
            // A load started while another is under way is not reported
            // reliably by the engine: the one under way is stopped first.
            if (!stopping_) {
                stopping_ = true;
                stopGuard_.start();
                page()->triggerAction(QWebEnginePage::Stop);
            }
            return;
        }
        queue_.pop_front();
        switch (operation.kind) {
        case Operation::Kind::Load:
            startLoad(operation.address);
            break;
        case Operation::Kind::Script:
            page()->load(QUrl(operation.address));
            break;
        case Operation::Kind::Steps: {
            scriptRunning_ = true;
            const quint64 id = ++scriptId_;
            scriptGuard_.start();
            QPointer<WebEngineBrowser> self(this);
            page()->runJavaScript(elementStepsScript(operation.steps), QWebEngineScript::ApplicationWorld,
                                  [self, id](const QVariant&) {
                                      if (self)
                                          self->scriptFinished(id);
                                  });
            break;
        }
        }
    }
}

void WebEngineBrowser::startLoad(const QString& address)
{
    const QUrl url(address);
    if (!url.isValid()) {
        phase_ = Phase::Settled;
        if (onFailed_)
            onFailed_(address, {portal::LoadFailure::Kind::Other, 0});
        return;
    }
    phase_ = Phase::Loading;
    heldFrames_.clear();
    pageLoadingFor_.start();
    qCDebug(lcBrowser) << "load" << loggable(url);
    loadGuard_.start();
    page()->load(url);
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

// Frames count as documents too. Those of a document still loading are held
// until the document itself completes, and are dropped with it when a newer
// navigation replaces it.
void WebEngineBrowser::onFrameLoaded(const QUrl& address)
{
    const IdlePage::Hold hold(idle_);
    switch (phase_) {
    case Phase::Queued:
        qCDebug(lcBrowser) << "frame document dropped: superseded" << loggable(address);
        return;
    case Phase::Loading:
    case Phase::Settled:
        if (phase_ == Phase::Loading || pageLoading_) {
            heldFrames_.append(memory_.resolve(address));
        } else if (onComplete_) {
            onComplete_(memory_.resolve(address));
        }
        return;
    }
}

void WebEngineBrowser::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    const IdlePage::Hold hold(idle_);
    qCDebug(lcBrowser) << "load status" << info.status() << loggable(info.url()) << "in phase" << int(phase_);
    const bool started = info.status() == QWebEngineLoadingInfo::LoadStartedStatus;
    if (started) {
        pageLoading_ = true;
        pageLoadingKey_ = NavigationMemory::key(info.url());
        pageLoadingAddress_ = memory_.resolve(info.url());
    } else {
        pageLoading_ = false;
    }

    switch (phase_) {
    case Phase::Queued:
        // Loads of the document being replaced, or of a form it sent.
        if (!started) {
            qCDebug(lcBrowser) << "document dropped: superseded" << loggable(info.url());
            stopped();
        }
        return;
    case Phase::Loading:
        if (!started) {
            phase_ = Phase::Settled;
            loadEnded(info);
        }
        return;
    case Phase::Settled:
        if (started) {
            heldFrames_.clear();
            pageLoadingFor_.start();
            loadGuard_.start();
        } else if (info.status() != QWebEngineLoadingInfo::LoadStoppedStatus
                   && !(info.status() == QWebEngineLoadingInfo::LoadFailedStatus
                        && info.errorCode() == ErrorAborted)) {
            // The page's own navigations: a form it sent, a redirect by
            // script. One the page gave up itself is no failure.
            loadEnded(info);
        }
        return;
    }
}

void WebEngineBrowser::loadEnded(const QWebEngineLoadingInfo& info)
{
    loadGuard_.stop();
    const QStringList frames = std::exchange(heldFrames_, {});
    const QString address = memory_.resolve(info.url());
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !info.isErrorPage()) {
        qCDebug(lcBrowser) << "document complete" << loggable(info.url()) << "after" << frames.size() << "frames";
        // A rule acting on a frame may navigate: the rest is then superseded.
        for (const QString& frame : frames) {
            if (phase_ != Phase::Settled || !onComplete_)
                return;
            onComplete_(frame);
        }
        if (phase_ == Phase::Settled && onComplete_)
            onComplete_(address);
        return;
    }
    const portal::LoadFailure failure = failureOf(info);
    qCDebug(lcBrowser) << "load failed" << loggable(info.url()) << info.errorCode() << info.errorString();
    if (onFailed_)
        onFailed_(address, failure);
}

void WebEngineBrowser::stopped()
{
    if (!stopping_)
        return;
    stopping_ = false;
    stopGuard_.stop();
    schedule();
}

void WebEngineBrowser::timedOut()
{
    const IdlePage::Hold hold(idle_);
    if (phase_ == Phase::Queued || (phase_ == Phase::Settled && !pageLoading_))
        return;
    const QString address = phase_ == Phase::Settled ? pageLoadingAddress_ : target_;
    qCDebug(lcBrowser) << "no answer in time" << loggable(QUrl(address));
    // The stop reports only a stop, which a settled browser ignores.
    phase_ = Phase::Settled;
    heldFrames_.clear();
    page()->triggerAction(QWebEnginePage::Stop);
    if (onFailed_)
        onFailed_(address, {portal::LoadFailure::Kind::TimedOut, 0});
}

}  // namespace platform
