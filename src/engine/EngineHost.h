#pragma once

#include "platform/MessageBox.h"
#include "platform/UrlOpener.h"
#include "platform/engine/EngineLink.h"
#include "platform/webengine/BrowserProfile.h"
#include "platform/webengine/WebEngineBrowser.h"

#include <QHash>
#include <QPointer>

#include <functional>
#include <memory>

class QLocalSocket;

namespace engine {

class IDLockWindow;

// The engine process's side of the link: runs the program's commands on the
// hidden browser and the ID unlock window, and reports back what they do.
// The page dialogs go to the program, which shows them over its main window;
// the page waits for the answer meanwhile.
class EngineHost : public QObject, public platform::MessageBox {
    Q_OBJECT
public:
    explicit EngineHost(QLocalSocket* socket, QObject* parent = nullptr);
    ~EngineHost() override;

    Answer show(const QString& text, Icon icon, Buttons buttons) override;

Q_SIGNALS:
    // The program went away: the engine has nothing left to do.
    void linkClosed();

private:
    void onMessage(const QJsonObject& message);
    void giveCookies(const QJsonArray& raw);
    void showUnlockWindow(const QString& address, const QString& unlockedPage);

    platform::link::LineChannel link_;
    quint64 received_ = 0;
    int lastDialog_ = 0;
    QHash<int, std::function<void(Answer)>> awaited_;
    platform::BrowserProfile profile_;
    const std::unique_ptr<platform::UrlOpener> opener_;
    platform::WebEngineBrowser browser_;
    QPointer<IDLockWindow> unlock_;
};

}  // namespace engine
