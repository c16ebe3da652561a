#include "engine/browser/GameLaunch.h"

#include "platform/UrlOpener.h"
#include "engine/browser/BrowserProfile.h"
#include "engine/browser/LeanPage.h"
#include "engine/browser/WebPage.h"

#include <QLoggingCategory>

namespace engine {

Q_LOGGING_CATEGORY(lcLaunch, "quaylet.launch", QtWarningMsg)

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
    longest_.start();
    channel->setExternalHandler([this](const QUrl& address) { handOff(address); });
    channel->setWindowFactory([this] { return openPopup(); });
}

void GameLaunch::channelLoaded()
{
    if (waiting_ && !afterLoad_.isActive())
        afterLoad_.start();
}

void GameLaunch::end()
{
    ++start_;
    stopWaiting();
    handedOff_.clear();
    for (const QPointer<WebPage>& popup : std::exchange(popups_, {})) {
        if (popup)
            popup->retire();
    }
}

bool GameLaunch::waiting() const
{
    return waiting_;
}

void GameLaunch::handOff(const QUrl& address)
{
    const QString text = address.toString(QUrl::FullyEncoded);
    if (handedOff_.contains(text))
        return;
    handedOff_.insert(text);
    qCDebug(lcLaunch) << "launch handed to the system:" << address.scheme();
    opener_.open(text, [self = QPointer(this), start = start_](const std::optional<QString>& failure) {
        if (!self)
            return;
        const LaunchReport report{failure ? LaunchReport::Kind::Failed : LaunchReport::Kind::Launched,
                                  failure.value_or(QString())};
        if (start == self->start_ && self->waiting_)
            self->over(report);
        else if (failure && self->onReport_)
            self->onReport_(report);
    });
}

// A hidden, lean page that counts as part of the channel page. It goes when
// it closes itself, once it handed off a launch, or after 30 s.
QWebEnginePage* GameLaunch::openPopup()
{
    auto* popup = new WebPage(profile_.get(), messages_, this);
    makeLean(popup);
    popup->setExternalHandler([this, popup](const QUrl& address) {
        handOff(address);
        popup->retire();
    });
    connect(popup, &QWebEnginePage::windowCloseRequested, popup, &WebPage::retire);
    QTimer::singleShot(LongestMs, popup, &WebPage::retire);
    popups_.append(popup);
    return popup;
}

void GameLaunch::stopWaiting()
{
    waiting_ = false;
    afterLoad_.stop();
    longest_.stop();
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
