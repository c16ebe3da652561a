#pragma once

#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class QWebEnginePage;
class QWebEngineView;

namespace platform {
class BrowserProfile;
class MessageBox;
}  // namespace platform
namespace engine {

// frmIDLock: the portal's own ID-unlock pages in a visible browser. When the
// unlock ends on the page that says so, the user is told, the program
// restarts the login and the window closes.
class IDLockWindow : public QWidget {
    Q_OBJECT
public:
    // The outer size less these margins (twips) is the browser's size.
    static constexpr int HeightMargin = 420;
    static constexpr int WidthMargin = 150;

    IDLockWindow(const QString& lockUrl, const QString& unlockedPage, platform::BrowserProfile& profile,
                 platform::MessageBox& messages, std::function<void()> unlocked, QWidget* parent = nullptr);

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

    const QString unlockedPage_;
    platform::MessageBox& messages_;
    const std::function<void()> unlocked_;
    QWebEngineView* web2View_;
};

}  // namespace engine
