#pragma once

#include <QString>
#include <QWebEnginePage>

#include <functional>

class QWebEngineProfile;

namespace platform {

class MessageBox;

// A page whose script dialogs reach the user through the program's message
// box, and which reports each frame's document when it has loaded.
class WebPage : public QWebEnginePage {
    Q_OBJECT
public:
    using FrameHandler = std::function<void(const QUrl& address)>;
    using WindowFactory = std::function<QWebEnginePage*()>;

    WebPage(QWebEngineProfile& profile, MessageBox& messages, QObject* parent = nullptr);

    // Called with the address of every frame document (never the page's own)
    // once it has loaded.
    void setFrameHandler(FrameHandler handler);

    // Where pages this page opens in a new window go; without a factory such
    // pages are not opened.
    void setWindowFactory(WindowFactory factory);

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& message) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& message, const QString& defaultValue,
                          QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message, int lineNumber,
                                  const QString& sourceId) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    MessageBox& messages_;
    FrameHandler onFrame_;
    WindowFactory windowFactory_;
};

}  // namespace platform
