#pragma once

#include "engine/browser/HeldDialogs.h"
#include "engine/browser/PopupWindows.h"

#include <QRect>
#include <QSize>
#include <QWidget>

class QLabel;
class QLineEdit;
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
    // screen when there is none; raised and given the focus when the page is
    // shown for the first time, not when it comes back.
    PageWindow(QWebEngineView* view, WebPage* page, BrowserProfile& profile, platform::MessageBox& messages,
               const QRect& over, bool firstShow);

    // Hands the view back, hidden and without a parent.
    void releaseView();
    // Hides the window, and deletes it once no dialog of its pop-ups waits.
    void dispose();

    // "<name> - <host[:port]>", marked as not secure unless the page is https:
    // the user types into it, and sees where that goes.
    static QString titleFor(const QString& name, const QUrl& page);

Q_SIGNALS:
    void closedByUser();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The page's whole address above it, its site always readable, marked
    // when it came over plain http: the title bar may cut a long host short.
    void showAddress();

    QWebEngineView* view_;
    WebPage* page_;
    QLabel* notSecure_;
    QLineEdit* address_;
    HeldDialogs dialogs_;  // of the pop-ups
    PopupWindows popups_;
};

}  // namespace engine
