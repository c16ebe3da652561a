#include "engine/browser/ShownPage.h"

#include "core/Addresses.h"
#include "core/Browser.h"
#include "engine/browser/LeanPage.h"
#include "engine/browser/PageWindow.h"
#include "engine/browser/WebPage.h"

#include <QLoggingCategory>
#include <QWebEngineView>

namespace engine {

Q_DECLARE_LOGGING_CATEGORY(lcBrowser)

ShownPage::ShownPage(BrowserProfile& profile, platform::MessageBox& messages)
    : profile_(profile),
      messages_(messages)
{
    rest_.setSingleShot(true);
    rest_.setInterval(portal::Browser::UnknownPageRestMs);
    connect(&rest_, &QTimer::timeout, this, &ShownPage::show);
}

ShownPage::~ShownPage()
{
    detach();
}

void ShownPage::attach(WebPage* page, bool mayShow)
{
    detach();
    page_ = page;
    raised_ = false;
    if (mayShow) {
        view_ = new QWebEngineView;
        view_->setObjectName(QStringLiteral("webPage"));
        view_->setPage(page);
    }
}

void ShownPage::detach()
{
    hide();
    unknown_ = false;
    rest_.stop();
    delete std::exchange(view_, nullptr);
    page_ = nullptr;
}

void ShownPage::setUnknown(bool unknown, bool hasDocument)
{
    unknown_ = unknown && hasDocument && view_;
    if (!unknown_) {
        rest_.stop();
        hide();
    } else if (!window_) {
        rest_.start();
    }
}

void ShownPage::loadEndedWithoutDocument()
{
    if (unknown_ && !window_)
        rest_.start();
}

// A page that moves on by itself is not shown meanwhile; one held by a dialog
// or a notification is shown once that is over.
void ShownPage::show()
{
    if (!unknown_ || window_)
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
    const bool firstShow = !std::exchange(raised_, true);
    window_ = new PageWindow(view_, page_, profile_, messages_, showOver_, firstShow);
    connect(window_, &PageWindow::closedByUser, this, [this] {
        hide();
        if (onClosedByUser_)
            onClosedByUser_();
    });
}

void ShownPage::hide()
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

}  // namespace engine
