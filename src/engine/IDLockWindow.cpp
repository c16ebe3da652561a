#include "engine/IDLockWindow.h"

#include "core/Texts.h"
#include "core/Twips.h"
#include "platform/MessageBox.h"
#include "platform/webengine/BrowserProfile.h"
#include "platform/webengine/WebPage.h"

#include <QEvent>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>

namespace engine {

IDLockWindow::IDLockWindow(const QString& lockUrl, const QString& unlockedPage, platform::BrowserProfile& profile,
                           platform::MessageBox& messages, std::function<void()> unlocked, QWidget* parent)
    : QWidget(parent, Qt::Window),
      unlockedPage_(unlockedPage),
      messages_(messages),
      unlocked_(std::move(unlocked))
{
    setObjectName(QStringLiteral("frmIDLock"));
    setWindowTitle(text::UnlockWindowTitle);
    resize(twipsSize(8835, 6345));

    // The view goes first so that it is destroyed before the page it shows.
    web2View_ = new QWebEngineView(this);
    web2View_->setObjectName(QStringLiteral("Web2"));
    web2View_->setGeometry(twipsRect(0, 0, 7335, 6135));
    auto* web2 = new platform::WebPage(profile.get(), messages, web2View_);
    web2->setWebOnly();
    // The portal's unlock procedure may open pages of its own.
    web2->setWindowFactory([this, &profile, &messages] { return openPopup(profile, messages); });
    web2->setFrameHandler([this](const QUrl& address) { Web2_DocumentComplete(address); });
    connect(web2, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !info.isErrorPage())
            Web2_DocumentComplete(info.url());
    });
    web2View_->setPage(web2);
    web2->load(QUrl(lockUrl));
}

// A visible, resizable window for a page the unlock pages open; it shares
// their profile and closes with this window.
QWebEnginePage* IDLockWindow::openPopup(platform::BrowserProfile& profile, platform::MessageBox& messages)
{
    auto* window = new QWidget(this, Qt::Window);
    window->setObjectName(QStringLiteral("frmIDLockPopup"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(windowTitle());
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QWebEngineView(window);
    layout->addWidget(view);
    auto* page = new platform::WebPage(profile.get(), messages, view);
    page->setWebOnly();
    page->setWindowFactory([this, &profile, &messages] { return openPopup(profile, messages); });
    connect(page, &QWebEnginePage::windowCloseRequested, window, &QWidget::close);
    const auto retitle = [window, page] {
        window->setWindowTitle(text::PopupTitle.arg(page->url().host(), page->title()));
    };
    connect(page, &QWebEnginePage::titleChanged, window, retitle);
    connect(page, &QWebEnginePage::urlChanged, window, retitle);
    view->setPage(page);
    window->resize(twipsSize(8835, 6345));
    window->show();
    return page;
}

std::optional<QSize> IDLockWindow::browserSizeFor(QSize outerTwips)
{
    if (outerTwips.height() <= 0 || outerTwips.width() <= 0)
        return std::nullopt;
    // A window smaller than the margins leaves the browser empty, never negative.
    return QSize(std::max(0, outerTwips.width() - WidthMargin), std::max(0, outerTwips.height() - HeightMargin));
}

void IDLockWindow::Form_Resize()
{
    const QSize outer = frameGeometry().size();
    if (const std::optional<QSize> size = browserSizeFor(outer * 15))
        web2View_->resize(twipsSize(size->width(), size->height()));
}

void IDLockWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void IDLockWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void IDLockWindow::Web2_DocumentComplete(const QUrl& address)
{
    if (address.toString(QUrl::FullyEncoded) != unlockedPage_)
        return;
    messages_.show(text::NetmarbleUnlockedNotice, platform::MessageBox::Icon::Information,
                   platform::MessageBox::Buttons::Ok);
    unlocked_();
    close();
}

}  // namespace engine
