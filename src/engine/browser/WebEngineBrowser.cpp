#include "engine/browser/WebEngineBrowser.h"

#include "core/Addresses.h"
#include "engine/browser/BrowserProfile.h"
#include "engine/browser/LeanPage.h"
#include "engine/browser/LoadEnd.h"
#include "engine/browser/PageScripts.h"
#include "engine/browser/WebPage.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QTimer>
#include <QWebEngineCertificateError>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineLoadingInfo>
#include <QWebEngineScript>

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
      shown_(profile, messages),
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
    connect(&steps_, &PageSteps::hung, this, &WebEngineBrowser::rendererGone);
    connect(&steps_, &PageSteps::pageScriptFailed, this, &WebEngineBrowser::pageScriptFailed);
    shown_.setClosedByUserHandler([this] {
        if (onPageClosed_)
            onPageClosed_();
    });
}

WebEngineBrowser::~WebEngineBrowser()
{
    shown_.detach();
    delete page_;
}

QWebEnginePage* WebEngineBrowser::currentPage() const
{
    return page_;
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
    shown_.setUnknown(unknown, state_ == State::Showing);
}

bool WebEngineBrowser::runsScript(const QString& address)
{
    return address.startsWith(ScriptScheme, Qt::CaseInsensitive);
}

void WebEngineBrowser::navigate(const QString& address)
{
    quiet_.start();
    if (runsScript(address)) {
        // Runs in the page's own world, where its functions are. One that finds
        // no page fails its operation: nothing else would ever end it.
        if (!steps_.run(reportingOutcome(QUrl::fromPercentEncoding(address.mid(ScriptScheme.size()).toUtf8())),
                        QWebEngineScript::MainWorld, PageSteps::Step::PageScript)
            && state_ == State::NoPage)
            pageScriptFailed();
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
    steps_.run(elementStepsScript(steps), QWebEngineScript::ApplicationWorld, PageSteps::Step::Elements);
}

void WebEngineBrowser::pageScriptFailed()
{
    qCDebug(lcBrowser) << "the page's script failed";
    fail(state_ == State::NoPage ? address_ : memory_.resolve(steps_.documentUrl()),
         {portal::LoadFailure::Kind::PageScript, 0});
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
    makeLean(page_);
    // A login's page may have to be shown.
    shown_.attach(page_, !launches);
    steps_.setPage(page_);
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
            shown_.loadStarted();
            if (!shown_.isShown())
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
        shown_.loadEndedWithoutDocument();
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
    steps_.documentReported(reached);
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
    steps_.dialogOpen(open);
    if (open) {
        limit_.stop();
        return;
    }
    if (page_->isLoading() && !shown_.isShown())
        limit_.start();
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
    launch_.end();
    limit_.stop();
    steps_.setPage(nullptr);
    frames_.clear();
    httpsFirst_.clear();
    state_ = State::NoPage;
    shown_.detach();
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
