#include "engine/browser/GameLaunch.h"

#include "core/LaunchRules.h"
#include "core/Sites.h"
#include "platform/UrlOpener.h"
#include "engine/browser/BrowserProfile.h"
#include "engine/browser/LeanPage.h"
#include "engine/browser/WebPage.h"

#include <QLoggingCategory>

namespace engine {

using portal::LaunchReport;

GameLaunch::GameLaunch(BrowserProfile& profile, platform::MessageBox& messages, platform::UrlOpener& opener, QObject* parent)
    : QObject(parent),
      profile_(profile),
      messages_(messages),
      opener_(opener)
{
    afterLoad_.setSingleShot(true);
    afterLoad_.setInterval(AfterLoadMs);
    longest_.setSingleShot(true);
    longest_.setInterval(LongestMs);
    for (QTimer* timer : {&afterLoad_, &longest_}) {
        connect(timer, &QTimer::timeout, this, [this] {
            qCDebug(lcLaunch) << "no launch came";
            over({LaunchReport::Kind::NoneCame, {}});
        });
    }
}

void GameLaunch::setHandler(portal::Browser::LaunchHandler handler)
{
    onReport_ = std::move(handler);
}

void GameLaunch::setOverHandler(std::function<void()> handler)
{
    onOver_ = std::move(handler);
}

void GameLaunch::begin(WebPage* channel)
{
    end();
    waiting_ = true;
    channel_ = channel;
    longest_.start();
    channel->setExternalHandler([this, channel](const QUrl& address, bool mainFrame) {
        consider(address, channel, mainFrame);
    });
    channel->setWindowFactory([this] { return openPopup(); });
}

void GameLaunch::channelLoaded()
{
    channelLoaded_ = true;
    if (waiting_ && longest_.isActive() && !afterLoad_.isActive())
        afterLoad_.start();
}

void GameLaunch::end()
{
    ++start_;
    stopWaiting();
    handedOff_ = false;
    asked_ = false;
    channelLoaded_ = false;
    popupsOpened_ = 0;
    channel_ = nullptr;
    for (const QPointer<WebPage>& popup : std::exchange(popups_, {})) {
        if (popup)
            popup->retire();
    }
}

bool GameLaunch::waiting() const
{
    return waiting_;
}

// Refusals are logged by scheme alone: the address may carry anything.
void GameLaunch::consider(const QUrl& address, const WebPage* from, bool mainFrame)
{
    const QString text = address.toString(QUrl::FullyEncoded);
    const QString scheme = address.scheme();
    if (handedOff_) {
        qCDebug(lcLaunch) << "refused, the start has launched already:" << scheme;
        return;
    }
    if (text.size() > launch::LongestAddress) {
        qCDebug(lcLaunch) << "refused, too long:" << scheme << text.size();
        return;
    }
    switch (launch::verdictFor(scheme, launcherSchemes_)) {
    case launch::Verdict::HandOff:
        handOff(text, scheme);
        return;
    case launch::Verdict::Refuse:
        qCDebug(lcLaunch) << "refused:" << scheme;
        return;
    case launch::Verdict::Ask:
        break;
    }
    if (asked_ || !asker_) {
        qCDebug(lcLaunch) << "refused, not asked:" << scheme;
        return;
    }
    asked_ = true;
    hold();
    asker_(askingHost(from, mainFrame), scheme, text, [self = QPointer(this), start = start_, text, scheme](bool allowed) {
        if (!self || start != self->start_)
            return;
        self->resume();
        if (allowed && !self->handedOff_)
            self->handOff(text, scheme);
    });
}

// Who asks, as far as the engine tells: a pop-up by its own address, or its
// opener's when it has none; a frame is not told apart from its page, so a
// page that holds a frame of another site asks as that site.
QString GameLaunch::askingHost(const WebPage* from, bool mainFrame) const
{
    const QUrl page = channel_ ? channel_->url() : QUrl();
    if (from && from != channel_)
        return (isWebPage(from->url()) ? from->url() : page).host(QUrl::FullyEncoded);
    if (!mainFrame && from) {
        const QList<QUrl>& frames = from->frameAddresses();
        const auto foreign = std::find_if(frames.rbegin(), frames.rend(),
                                          [&](const QUrl& frame) { return isWebPage(frame) && !sameSite(frame, page); });
        if (foreign != frames.rend())
            return foreign->host(QUrl::FullyEncoded);
    }
    return page.host(QUrl::FullyEncoded);
}

void GameLaunch::handOff(const QString& address, const QString& scheme)
{
    handedOff_ = true;
    qCDebug(lcLaunch) << "launch handed to the system:" << scheme;
    opener_.open(address, [self = QPointer(this), start = start_](const std::optional<QString>& failure) {
        if (!self || start != self->start_ || !self->waiting_)
            return;
        self->over({failure ? LaunchReport::Kind::Failed : LaunchReport::Kind::Launched, failure.value_or(QString())});
    });
}

// A hidden, lean page that counts as part of the channel page. It goes when
// it closes itself, once it handed off a launch, or after 30 s.
QWebEnginePage* GameLaunch::openPopup()
{
    if (popupsOpened_ >= launch::MostPopups) {
        qCDebug(lcLaunch) << "pop-up refused: the start opened" << popupsOpened_;
        return nullptr;
    }
    ++popupsOpened_;
    auto* popup = new WebPage(profile_.get(), messages_, this);
    makeLean(popup);
    popup->setExternalHandler([this, popup](const QUrl& address, bool mainFrame) {
        consider(address, popup, mainFrame);
        popup->retire();
    });
    connect(popup, &QWebEnginePage::windowCloseRequested, popup, &WebPage::retire);
    QTimer::singleShot(LongestMs, popup, &WebPage::retire);
    popups_.append(popup);
    return popup;
}

// The user's answer may take long: the start waits for it, not for the page.
void GameLaunch::hold()
{
    longestLeft_ = longest_.isActive() ? longest_.remainingTime() : 0;
    longest_.stop();
    afterLoad_.stop();
}

void GameLaunch::resume()
{
    if (!waiting_)
        return;
    longest_.start(std::max(longestLeft_, 1));
    if (channelLoaded_)
        afterLoad_.start();
}

void GameLaunch::stopWaiting()
{
    waiting_ = false;
    afterLoad_.stop();
    longest_.stop();
    longest_.setInterval(LongestMs);
}

void GameLaunch::over(const LaunchReport& report)
{
    stopWaiting();
    if (onOver_)
        onOver_();
    if (onReport_)
        onReport_(report);
}

}  // namespace engine
