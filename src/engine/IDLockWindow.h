#pragma once

#include "engine/browser/HeldDialogs.h"
#include "engine/browser/LoadEnd.h"
#include "engine/browser/PopupWindows.h"
#include "platform/MessageBox.h"

#include <QList>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class QWebEnginePage;
class QWebEngineView;

namespace engine {

class BrowserProfile;

// frmIDLock: the portal's own ID-unlock pages in a visible browser. Every
// document that completes in it goes to completed; whoever watches decides
// when the unlock is done, and closes the window.
//
// The user may close it, or one of its pop-ups, while a notice or a page's
// dialog waits for an answer in a nested loop: a window closed then is
// hidden at once and deleted only once every such wait has returned.
class IDLockWindow : public QWidget {
    Q_OBJECT
public:
    // The outer size less these margins (twips) is the browser's size.
    static constexpr int HeightMargin = 420;
    static constexpr int WidthMargin = 150;
    // Pop-ups open only on the user's click, and this many at most.
    static constexpr int MostPopups = PopupWindows::Most;

    IDLockWindow(const QString& lockUrl, BrowserProfile& profile, platform::MessageBox& messages,
                 std::function<void(const QUrl& address)> completed, QWidget* parent = nullptr);

    // The browser size for an outer window size, both in twips; nothing
    // when either side is not positive.
    static std::optional<QSize> browserSizeFor(QSize outerTwips);

protected:
    void resizeEvent(QResizeEvent* event) override;  // Form_Resize
    void changeEvent(QEvent* event) override;

private:
    void Form_Resize();

    const std::function<void(const QUrl& address)> completed_;
    QWebEngineView* web2View_;
    // Every dialog of the window and its pages goes through here.
    HeldDialogs dialogs_;
    HttpsFirst httpsFirst_;
    PopupWindows popups_;
};

}  // namespace engine
