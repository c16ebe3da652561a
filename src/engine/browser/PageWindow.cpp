#include "engine/browser/PageWindow.h"

#include "core/Addresses.h"
#include "core/Sites.h"
#include "core/Texts.h"
#include "engine/browser/WebPage.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <QWebEngineView>

#include <algorithm>

namespace engine {

PageWindow::PageWindow(QWebEngineView* view, WebPage* page, BrowserProfile& profile, platform::MessageBox& messages,
                       const QRect& over, bool firstShow)
    : QWidget(nullptr, Qt::Window),
      view_(view),
      page_(page),
      notSecure_(new QLabel(text::NotSecure, this)),
      address_(new QLineEdit(this)),
      dialogs_(messages),
      popups_(this, profile, dialogs_)
{
    setObjectName(QStringLiteral("frmWebPage"));
    setAttribute(Qt::WA_DeleteOnClose);
    dialogs_.watch(this);
    notSecure_->setObjectName(QStringLiteral("notSecure"));
    address_->setObjectName(QStringLiteral("pageAddress"));
    address_->setReadOnly(true);
    address_->setAccessibleName(text::PageAddressName);
    address_->setFocusPolicy(Qt::ClickFocus);
    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(6, 4, 6, 4);
    bar->addWidget(notSecure_);
    bar->addWidget(address_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(view_, 1);
    view_->show();
    const auto pageMoved = [this] {
        setWindowTitle(titleFor(text::AppTitle, page_->url()));
        if (view_)
            view_->setAccessibleName(text::PageViewName.arg(shownHost(page_->url())));
        showAddress();
    };
    connect(page, &QWebEnginePage::urlChanged, this, pageMoved);
    pageMoved();
    page->setWindowFactory([this] { return popups_.open(); });

    QRect frame(QPoint(), Size);
    const QRect screen = this->screen() ? this->screen()->availableGeometry() : QRect();
    frame.moveCenter(over.isValid() ? over.center() : screen.center());
    if (screen.isValid()) {
        frame.moveLeft(std::clamp(frame.left(), screen.left(), std::max(screen.left(), screen.right() - frame.width())));
        frame.moveTop(std::clamp(frame.top(), screen.top(), std::max(screen.top(), screen.bottom() - frame.height())));
    }
    setGeometry(frame);
    if (!firstShow) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        show();
        return;
    }
    show();
    raise();
    activateWindow();
    view_->setFocus();
}

void PageWindow::showAddress()
{
    const QUrl page = page_->url();
    notSecure_->setVisible(page.scheme() != u"https");
    const QFontMetrics metrics(address_->font());
    // The frame and the text margins of the line take a little of its width.
    const int room = address_->contentsRect().width() - 2 * address_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 4;
    address_->setText(elideAddress(page, [&](const QString& line) { return metrics.horizontalAdvance(line) <= room; }));
    address_->setToolTip(page.toDisplayString(QUrl::RemoveUserInfo));
    address_->setCursorPosition(0);
}

void PageWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    showAddress();
}

void PageWindow::dispose()
{
    dialogs_.dispose(this);
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
