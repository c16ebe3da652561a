#include "platform/qt/IdlePage.h"

#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

namespace platform {

IdlePage::IdlePage(std::function<void()> release, int quietMs, QObject* parent)
    : QObject(parent), release_(std::move(release))
{
    quiet_.setSingleShot(true);
    quiet_.setInterval(quietMs);
    connect(&quiet_, &QTimer::timeout, this, &IdlePage::quietTimeOver);
}

void IdlePage::watch(QWebEnginePage* page)
{
    page_ = page;
    // Every step of a load, its end included, counts as activity.
    connect(page, &QWebEnginePage::loadingChanged, this, &IdlePage::restart);
    restart();
}

void IdlePage::setSettled(bool settled)
{
    if (settled == settled_)
        return;
    settled_ = settled;
    restart();
}

void IdlePage::noteActivity()
{
    restart();
}

void IdlePage::restart()
{
    if (settled_ && page_)
        quiet_.start();
    else
        quiet_.stop();
}

void IdlePage::quietTimeOver()
{
    // A load still under way (the game-channel page, say) is never cut short:
    // its end starts the quiet time again.
    if (settled_ && page_ && holds_ == 0 && !page_->isLoading())
        release_();
}

}  // namespace platform
