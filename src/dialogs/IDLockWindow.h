#pragma once

#include "core/Addresses.h"

#include <QUrl>
#include <QWidget>

#include <optional>

class QWebEnginePage;
class QWebEngineView;

namespace platform {
class BrowserProfile;
class MessageBox;
}  // namespace platform
namespace portal {
class Browser;
}

namespace dialogs {

// frmIDLock: the portal's own ID-unlock pages in a visible browser. When the
// unlock ends on the login page, the main browser restarts the login.
class IDLockWindow : public QWidget {
    Q_OBJECT
public:
    // The outer size less these margins (twips) is the browser's size.
    static constexpr int HeightMargin = 420;
    static constexpr int WidthMargin = 150;

    IDLockWindow(const Addresses& addresses, const QString& lockUrl, platform::BrowserProfile& profile,
                 portal::Browser& mainBrowser, platform::MessageBox& messages, QWidget* parent = nullptr);

    // The browser size for an outer window size, both in twips; nothing
    // when either side is not positive.
    static std::optional<QSize> browserSizeFor(QSize outerTwips);

protected:
    void resizeEvent(QResizeEvent* event) override;  // Form_Resize
    void changeEvent(QEvent* event) override;

private:
    void Form_Resize();
    void Web2_DocumentComplete(const QUrl& address);
    QWebEnginePage* openPopup(platform::BrowserProfile& profile, platform::MessageBox& messages);

    const Addresses& addresses_;
    portal::Browser& mainBrowser_;
    platform::MessageBox& messages_;
    QWebEngineView* web2View_;
};

}  // namespace dialogs
