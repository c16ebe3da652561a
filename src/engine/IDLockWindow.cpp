#include "engine/IDLockWindow.h"

#include "core/Addresses.h"
#include "core/Texts.h"
#include "core/Twips.h"
#include "platform/MessageBox.h"
#include "engine/browser/BrowserProfile.h"
#include "engine/browser/LoadEnd.h"
#include "engine/browser/PageWindow.h"
#include "engine/browser/WebPage.h"

#include <QEvent>
#include <QWebEngineLoadingInfo>
#include <QWebEngineView>

namespace engine {

IDLockWindow::IDLockWindow(const QString& lockUrl, BrowserProfile& profile, platform::MessageBox& messages,
                           std::function<void(const QUrl& address)> completed, QWidget* parent)
    : QWidget(parent, Qt::Window),
      completed_(std::move(completed)),
      dialogs_(messages),
      popups_(this, profile, dialogs_)
{
    dialogs_.watch(this);
    setObjectName(QStringLiteral("frmIDLock"));
    setWindowTitle(text::UnlockWindowTitle);
    resize(twipsSize(8835, 6345));

    // The view goes first so that it is destroyed before the page it shows.
    web2View_ = new QWebEngineView(this);
    web2View_->setObjectName(QStringLiteral("Web2"));
    web2View_->setGeometry(twipsRect(0, 0, 7335, 6135));
    auto* web2 = new WebPage(profile.get(), dialogs_, web2View_);
    web2->setWebOnly(true);
    // The portal's unlock procedure may open pages of its own.
    web2->setWindowFactory([this] { return popups_.open(); });
    web2->setFrameHandler([this](const QUrl& address) { completed_(address); });
    // Over https first; the lock page's http address only when that cannot be reached at all.
    connect(web2, &QWebEnginePage::loadingChanged, this, [this, web2](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus && !info.isErrorPage())
            completed_(info.url());
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            return;
        if (const QUrl fallback = httpsFirst_.fallbackAfter(info); !fallback.isEmpty())
            web2->load(fallback);
    });
    // The user types recovery details here: the window says where they go.
    connect(web2, &QWebEnginePage::urlChanged, this, [this](const QUrl& page) {
        setWindowTitle(PageWindow::titleFor(text::UnlockWindowTitle, page));
        web2View_->setAccessibleName(text::PageViewName.arg(shownHost(page)));
    });
    web2View_->setPage(web2);
    web2->load(httpsFirst_.begin(QUrl(lockUrl)));
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

}  // namespace engine
