#include "engine/browser/PageWindow.h"

#include "core/Addresses.h"
#include "core/Texts.h"
#include "engine/browser/WebPage.h"

#include <QCloseEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWebEngineView>

#include <algorithm>

namespace engine {

PageWindow::PageWindow(QWebEngineView* view, WebPage* page, BrowserProfile& profile, platform::MessageBox& messages,
                       const QRect& over)
    : QWidget(nullptr, Qt::Window),
      view_(view),
      popups_(this, profile, messages)
{
    setObjectName(QStringLiteral("frmWebPage"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    view_->show();
    const auto retitle = [this, page] {
        setWindowTitle(titleFor(text::AppTitle, page->url()));
        if (view_)
            view_->setAccessibleName(text::PageViewName.arg(shownHost(page->url())));
    };
    connect(page, &QWebEnginePage::urlChanged, this, retitle);
    retitle();
    page->setWindowFactory([this] { return popups_.open(); });

    QRect frame(QPoint(), Size);
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
    frame.moveCenter(over.isValid() ? over.center() : screen.center());
    if (screen.isValid()) {
        frame.moveLeft(std::clamp(frame.left(), screen.left(), std::max(screen.left(), screen.right() - frame.width())));
        frame.moveTop(std::clamp(frame.top(), screen.top(), std::max(screen.top(), screen.bottom() - frame.height())));
    }
    setGeometry(frame);
    show();
    raise();
    activateWindow();
    view_->setFocus();
}

void PageWindow::releaseView()
{
    if (!view_)
        return;
    view_->hide();
    view_->setParent(nullptr);
    view_ = nullptr;
}

QString PageWindow::titleFor(const QString& name, const QUrl& page)
{
    return text::PageWindowTitle.arg(name, shownHost(page))
           + (page.scheme() == u"https" ? QString() : text::NotSecureMark);
}

void PageWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    Q_EMIT closedByUser();
}

}  // namespace engine
