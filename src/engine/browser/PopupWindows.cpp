#include "engine/browser/PopupWindows.h"

#include "core/Addresses.h"
#include "core/Texts.h"
#include "core/Twips.h"
#include "engine/browser/BrowserProfile.h"
#include "engine/browser/HeldDialogs.h"
#include "engine/browser/WebPage.h"

#include <QVBoxLayout>
#include <QWebEngineView>

namespace engine {

PopupWindows::PopupWindows(QWidget* owner, BrowserProfile& profile, HeldDialogs& dialogs)
    : owner_(owner),
      profile_(profile),
      dialogs_(dialogs)
{
}

QWebEnginePage* PopupWindows::open()
{
    if (opened_ >= Most)
        return nullptr;
    ++opened_;
    auto* window = new QWidget(owner_, Qt::Window);
    window->setObjectName(owner_->objectName() + QStringLiteral("Popup"));
    window->setAttribute(Qt::WA_DeleteOnClose);
    dialogs_.watch(window);
    window->setWindowTitle(owner_->windowTitle());
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new QWebEngineView(window);
    layout->addWidget(view);
    auto* page = new WebPage(profile_.get(), dialogs_, view);
    page->setWebOnly(true);
    page->setWindowFactory([this] { return open(); });
    QObject::connect(page, &QWebEnginePage::windowCloseRequested, window, &QWidget::close);
    const auto retitle = [window, view, page] {
        window->setWindowTitle(text::PopupTitle.arg(page->url().host(), page->title()));
        view->setAccessibleName(text::PageViewName.arg(shownHost(page->url())));
    };
    QObject::connect(page, &QWebEnginePage::titleChanged, window, retitle);
    QObject::connect(page, &QWebEnginePage::urlChanged, window, retitle);
    view->setPage(page);
    window->resize(twipsSize(8835, 6345));
    window->show();
    return page;
}

}  // namespace engine
