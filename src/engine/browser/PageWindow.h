#pragma once

#include "engine/browser/PopupWindows.h"

#include <QRect>
#include <QSize>
#include <QWidget>

class QUrl;
class QWebEngineView;

namespace platform {
class MessageBox;
}  // namespace platform

namespace engine {

class BrowserProfile;
class WebPage;

// A page of the hidden browser shown to the user, who works in it: a
// one-time code, a captcha, new terms. The page and its view stay the
// browser's: the window only borrows the view, and gives it back, the page
// unharmed, before it goes.
class PageWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr QSize Size{900, 700};

    // Centred over the given frame (the program's main window), or the
    // screen when there is none, and given the focus.
    PageWindow(QWebEngineView* view, WebPage* page, BrowserProfile& profile, platform::MessageBox& messages,
               const QRect& over);

    // Hands the view back, hidden and without a parent.
    void releaseView();

    // "<name> - <host[:port]>", marked as not secure unless the page is https:
    // the user types into it, and sees where that goes.
    static QString titleFor(const QString& name, const QUrl& page);

Q_SIGNALS:
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWebEngineView* view_;
    PopupWindows popups_;
};

}  // namespace engine
