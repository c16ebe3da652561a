#include "engine/browser/WebEngineBrowser.h"

#include "core/Addresses.h"
#include "engine/browser/BrowserProfile.h"
#include "engine/browser/LeanPage.h"
#include "engine/browser/LoadEnd.h"
#include "engine/browser/PageScripts.h"
#include "engine/browser/PageWindow.h"
#include "engine/browser/WebPage.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QWebEngineCertificateError>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <utility>

namespace engine {

Q_LOGGING_CATEGORY(lcBrowser, "quaylet.browser", QtWarningMsg)

namespace {
const QLatin1String ScriptScheme("javascript:");

// Holds the page through one of its notifications; the quiet time starts
// again once the notification has been handled, however long that took.
struct Handling {
    Handling(WebPage* page, QTimer& quiet) : busy(page), quiet(quiet) {}
    ~Handling() { quiet.start(); }
    WebPage::Busy busy;
    QTimer& quiet;
};

}  // namespace

WebEngineBrowser::WebEngineBrowser(BrowserProfile& profile, platform::MessageBox& messages, platform::UrlOpener& opener,
                                   QObject* parent)
    : QObject(parent),
      profile_(profile),
      messages_(messages),
      launch_(profile, messages, opener)
{
    launch_.setOverHandler([this] { quiet_.start(); });
    limit_.setSingleShot(true);
    limit_.setInterval(LoadTimeoutMs);
    connect(&limit_, &QTimer::timeout, this, [this] {
        qCDebug(lcBrowser) << "no answer in time" << loggableAddress(QUrl(address_));
        fail(address_, {portal::LoadFailure::Kind::TimedOut, 0});
    });
    quiet_.setSingleShot(true);
    quiet_.setInterval(QuietMs);
    connect(&quiet_, &QTimer::timeout, this, &WebEngineBrowser::quietTimeOver);
    stepLimit_.setSingleShot(true);
    stepLimit_.setInterval(StepTimeoutMs);
    connect(&stepLimit_, &QTimer::timeout, this, [this] {
        qCWarning(lcBrowser) << "the page did not carry out its step in time";
        rendererGone();
    });
    rest_.setSingleShot(true);
    rest_.setInterval(UnknownPageRestMs);
    connect(&rest_, &QTimer::timeout, this, &WebEngineBrowser::showPage);
}

WebEngineBrowser::~WebEngineBrowser()
{
    hidePage();
    delete view_;
    delete page_;
}

QWebEnginePage* WebEngineBrowser::currentPage() const
{
    return page_;
}

void WebEngineBrowser::setLoadTimeout(int milliseconds)
{
    limit_.setInterval(milliseconds);
}

void WebEngineBrowser::setDocumentCompleteHandler(DocumentHandler handler)
{
    onComplete_ = std::move(handler);
}

void WebEngineBrowser::setLoadFailedHandler(FailureHandler handler)
{
    onFailed_ = std::move(handler);
}

void WebEngineBrowser::setLaunchHandler(LaunchHandler handler)
{
    launch_.setHandler(std::move(handler));
}

void WebEngineBrowser::stop()
{
    quiet_.start();
    dropPage();
}

void WebEngineBrowser::forgetCookies()
{
    profile_.get().cookieStore()->deleteAllCookies();
}

void WebEngineBrowser::setSessionSettled(bool settled)
{
    settled_ = settled;
    quiet_.start();
}

void WebEngineBrowser::setDocumentUnknown(bool unknown)
{
    unknown_ = unknown && state_ == State::Showing;
    if (!unknown_) {
        rest_.stop();
        hidePage();
    } else if (!window_) {
        rest_.start();
    }
}

// A page that moves on by itself is not shown meanwhile; one held by a dialog
// or a notification is shown once that is over.
void WebEngineBrowser::showPage()
{
    if (!unknown_ || window_ || !view_ || view_->page() != page_)
        return;
    if (page_->isLoading() || page_->isBusy()) {
        rest_.start();
        return;
    }
    qCDebug(lcBrowser) << "showing a page the session does not know" << loggableAddress(page_->url());
    setSeen(page_, true);
    page_->setWebOnly(true);
    // Raised once a page: a page that comes back after a rule hid it does not
    // take the focus from what the user is doing.
    const bool firstShow = !std::exchange(raisedPage_, true);
    window_ = new PageWindow(view_, page_, profile_, messages_, showOver_, firstShow);
    connect(window_, &PageWindow::closedByUser, this, [this] {
        hidePage();
        if (onPageClosed_)
            onPageClosed_();
    });
}

void WebEngineBrowser::hidePage()
{
    if (!window_)
        return;
    qCDebug(lcBrowser) << "page hidden again";
    window_->disconnect(this);
    window_->releaseView();
    // Deleted from the event loop: this may run inside the window's own close,
    // or while a dialog of one of its pop-ups waits.
    std::exchange(window_, nullptr)->dispose();
    setSeen(page_, false);
    page_->setWebOnly(false);
    page_->setWindowFactory({});
}

bool WebEngineBrowser::runsScript(const QString& address)
{
    return address.startsWith(ScriptScheme, Qt::CaseInsensitive);
}

void WebEngineBrowser::navigate(const QString& address)
{
    quiet_.start();
    if (runsScript(address)) {
        // Runs in the page's own world, where its functions are.
        runInPage(reportingOutcome(QUrl::fromPercentEncoding(address.mid(ScriptScheme.size()).toUtf8())),
                  QWebEngineScript::MainWorld, Step::PageScript);
        return;
    }
    memory_.remember(address);
    startLoad(address, false);
}

void WebEngineBrowser::startGame(const QString& channelAddress)
{
    quiet_.start();
    memory_.remember(channelAddress);
    startLoad(channelAddress, true);
}

void WebEngineBrowser::act(const QList<portal::ElementStep>& steps)
{
    quiet_.start();
    runInPage(elementStepsScript(steps), QWebEngineScript::ApplicationWorld, Step::Elements);
}

// Scripts run one turn later, in order, and only in the page's document last
// reported complete: a form must never go out just as a navigation asked for
// in the same turn replaces its page, nor credentials land in a document the
// page went on to by itself. A page script that finds no page, or fails in
// it, fails the operation: nothing else would ever end it.
void WebEngineBrowser::runInPage(const QString& script, quint32 world, Step step)
{
    if (state_ != State::Showing || document_ == 0) {
        qCDebug(lcBrowser) << "script dropped: no document to run in";
        if (step == Step::PageScript && state_ == State::NoPage)
            pageScriptFailed();
        return;
    }
    const quint64 document = document_;
    const QString meantFor = NavigationMemory::key(documentUrl_);
    // Each script sent is answered by a page that still runs: one that
    // does not answer in time has a hung renderer.
    ++stepsAwaited_;
    stepLimit_.start();
    QTimer::singleShot(0, page_, [this, page = page_, script, world, meantFor, document, step] {
        if (page != page_ || state_ != State::Showing || document != document_) {
            stepDone(page);
            return;
        }
        const QPointer<WebEngineBrowser> self(this);
        page->runJavaScript(QStringLiteral("location.href"), QWebEngineScript::ApplicationWorld,
                            [self, page, script, world, meantFor, step](const QVariant& href) {
                                if (!self || page != self->page_)
                                    return;
                                if (NavigationMemory::key(href.toString()) != meantFor) {
                                    qCDebug(lcBrowser) << "script dropped: the document changed";
                                    self->stepDone(page);
                                    return;
                                }
                                page->runJavaScript(inDocument(href.toString(), script), world,
                                                    [self, page, step](const QVariant& outcome) {
                                                        if (!self)
                                                            return;
                                                        self->stepDone(page);
                                                        // Undefined: the document changed first.
                                                        if (step == Step::PageScript && page == self->page_
                                                            && outcome.userType() == QMetaType::Bool && !outcome.toBool())
                                                            self->pageScriptFailed();
                                                    });
                            });
    });
}

void WebEngineBrowser::pageScriptFailed()
{
    qCDebug(lcBrowser) << "the page's script failed";
    fail(state_ == State::NoPage ? address_ : memory_.resolve(documentUrl_), {portal::LoadFailure::Kind::PageScript, 0});
}

void WebEngineBrowser::stepDone(WebPage* page)
{
    if (page == page_ && stepsAwaited_ > 0 && --stepsAwaited_ == 0)
        stepLimit_.stop();
}

// The page's renderer ended, or hangs: what was asked of the page has failed,
// and the next navigation gets a fresh page.
void WebEngineBrowser::rendererGone()
{
    if (state_ != State::NoPage)
        fail(address_, {portal::LoadFailure::Kind::BrowserEnded, 0});
}

void WebEngineBrowser::startLoad(const QString& address, bool launches)
{
    dropPage();
    state_ = State::Loading;
    address_ = address;
    gameStart_ = launches;
    const QUrl url(address);
    if (!url.isValid()) {
        QTimer::singleShot(0, this, [this, address] {
            if (state_ == State::Loading && address_ == address && !page_)
                fail(address, {portal::LoadFailure::Kind::Other, 0});
        });
        return;
    }
    page_ = new WebPage(profile_.get(), messages_, this);
    raisedPage_ = false;
    makeLean(page_);
    // A login's page may have to be shown. Its view comes before its first
    // load: in Qt 6.4 a page without one that tried to open a window cannot
    // be given one afterwards.
    if (!launches) {
        view_ = new QWebEngineView;
        view_->setObjectName(QStringLiteral("webPage"));
        view_->setPage(page_);
    }
    connect(page_, &QWebEnginePage::loadingChanged, this, &WebEngineBrowser::onLoadingChanged);
    // A certificate the system does not trust is never accepted: such a page
    // counts as unreachable.
    connect(page_, &QWebEnginePage::certificateError, this,
            [](QWebEngineCertificateError error) { error.rejectCertificate(); });
    page_->setFrameHandler([this](const QUrl& frame) { onFrameLoaded(frame); });
    page_->setDialogHandler([this](bool open) { onDialog(open); });
    connect(page_, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int code) {
                qCWarning(lcBrowser) << "the page's renderer ended" << status << code;
                rendererGone();
            });
    if (launches)
        launch_.begin(page_);
    const QUrl first = httpsFirst_.begin(url);
    qCDebug(lcBrowser) << "load" << loggableAddress(first);
    limit_.start();
    page_->load(first);
}

// The https spelling of the program's own address could not be reached at
// all: the http address is tried, in the same page, within the same limit.
bool WebEngineBrowser::fellBackToHttp(const QWebEngineLoadingInfo& info)
{
    const QUrl fallback = httpsFirst_.fallbackAfter(info);
    if (fallback.isEmpty())
        return false;
    qCDebug(lcBrowser) << "no https at" << loggableAddress(info.url()) << info.errorCode() << "- over http instead";
    limit_.start();
    page_->load(fallback);
    return true;
}

void WebEngineBrowser::onLoadingChanged(const QWebEngineLoadingInfo& info)
{
    const Handling handling(page_, quiet_);
    qCDebug(lcBrowser) << "load status" << info.status() << loggableAddress(info.url()) << "in state" << int(state_);
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        shownAtLoadStart_ = page_->url();
        if (state_ == State::Showing) {
            // A form the page sent, or a script's redirect: the session may wait
            // on it; the user working in a page shown takes the time they need.
            address_ = memory_.resolve(info.url());
            frames_.clear();
            rest_.stop();
            if (!window_)
                limit_.start();
        }
        return;
    }
    limit_.stop();
    if (fellBackToHttp(info))
        return;
    launch_.channelLoaded();
    QUrl reached = info.url();
    LoadEnd end = endOf(info);
    // A document that tries another program's address as it loads (a portal
    // probing for its launcher) never reports its own end: the attempt's
    // ends it, and counts as its end if the document is new.
    if (end == LoadEnd::NoDocument && !WebPage::loadsItself(info.url()) && WebPage::loadsItself(page_->url())
        && page_->url() != shownAtLoadStart_) {
        end = LoadEnd::Document;
        reached = page_->url();
    }
    const QString address = memory_.resolve(reached);
    switch (end) {
    case LoadEnd::Document:
        state_ = State::Showing;
        reportDocument(address, reached);
        return;
    case LoadEnd::NoDocument:
        qCDebug(lcBrowser) << "ended without a document" << loggableAddress(info.url()) << info.errorCode();
        state_ = State::Showing;
        frames_.clear();
        // Nothing new to judge: the document the session did not know rests again.
        if (unknown_ && !window_)
            rest_.start();
        return;
    case LoadEnd::Failure:
        qCDebug(lcBrowser) << "load failed" << loggableAddress(info.url()) << info.errorCode() << info.errorString();
        fail(address, failureOf(info));
        return;
    }
}

// Frames count as documents too. Those of a document still loading are held
// until the document itself completes, and are dropped with it.
void WebEngineBrowser::onFrameLoaded(const QUrl& address)
{
    const Handling handling(page_, quiet_);
    if (state_ == State::Loading || page_->isLoading())
        frames_.append(memory_.resolve(address));
    else if (onComplete_)
        onComplete_(memory_.resolve(address), Document::Frame);
}

void WebEngineBrowser::reportDocument(const QString& address, const QUrl& reached)
{
    qCDebug(lcBrowser) << "document complete" << loggableAddress(QUrl(address)) << "after" << frames_.size() << "frames";
    const WebPage* page = page_;
    // The page's document from now on; steps meant for an earlier one do nothing.
    ++document_;
    documentUrl_ = reached;
    // A rule acting on a frame may navigate: the rest is then left behind.
    for (const QString& frame : std::exchange(frames_, {})) {
        if (page_ != page || !onComplete_)
            return;
        onComplete_(frame, Document::Frame);
    }
    if (page_ == page && onComplete_)
        onComplete_(address, Document::Page);
}

// The user's answer may take long: the page waits for it, not for the portal,
// and a step that opened the dialog is not done until it is answered.
void WebEngineBrowser::onDialog(bool open)
{
    if (open) {
        limit_.stop();
        stepLimit_.stop();
        return;
    }
    if (page_->isLoading() && !window_)
        limit_.start();
    if (stepsAwaited_ > 0)
        stepLimit_.start();
    quiet_.start();
}

void WebEngineBrowser::fail(const QString& address, portal::LoadFailure failure)
{
    failure.gameStart = gameStart_;
    dropPage();
    if (onFailed_)
        onFailed_(address, failure);
}

void WebEngineBrowser::dropPage()
{
    hidePage();
    unknown_ = false;
    rest_.stop();
    launch_.end();
    limit_.stop();
    stepLimit_.stop();
    stepsAwaited_ = 0;
    frames_.clear();
    httpsFirst_.clear();
    state_ = State::NoPage;
    // The view goes first: in Qt 6.4 one left with a deleted page crashes.
    delete std::exchange(view_, nullptr);
    if (page_)
        std::exchange(page_, nullptr)->retire();
}

void WebEngineBrowser::quietTimeOver()
{
    // A load under way (the game-channel page, say) is never cut short, and a
    // page whose notification or dialog is still being handled stays: its
    // end starts the quiet time again.
    if (!settled_)
        return;
    if (state_ == State::Showing && !page_->isLoading() && !page_->isBusy() && !launch_.waiting()) {
        qCDebug(lcBrowser) << "page let go";
        dropPage();
    }
    if (state_ == State::NoPage && onIdle_)
        onIdle_();
}

}  // namespace engine
