#pragma once

#include "engine/browser/BrowserProfile.h"
#include "engine/browser/WebEngineBrowser.h"
#include "platform/MessageBox.h"
#include "platform/UrlOpener.h"
#include "platform/engine/EngineLink.h"

#include <QHash>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QLocalSocket;

namespace engine {

class IDLockWindow;

// The engine process's side of the link: runs the program's commands on the
// hidden browser and the ID unlock window, and reports back what they do,
// each report with the number of the operation it belongs to. The page
// dialogs go to the program, which shows them over its main window; the page
// waits for the answer meanwhile.
class EngineHost : public QObject, public platform::MessageBox {
    Q_OBJECT
public:
    explicit EngineHost(QLocalSocket* socket, QObject* parent = nullptr);
    ~EngineHost() override;

    // A dialog of the hidden browser's page, for the operation under way.
    Answer show(const QString& text, Icon icon, Buttons buttons, Dismissal* dismissal = nullptr) override;

Q_SIGNALS:
    // The program went away: the engine has nothing left to do.
    void linkClosed();

private:
    // The unlock window's dialogs belong to its own operation.
    class UnlockDialogs : public platform::MessageBox {
    public:
        explicit UnlockDialogs(EngineHost& host) : host_(host) {}
        Answer show(const QString& text, Icon icon, Buttons buttons, Dismissal* = nullptr) override
        {
            return host_.ask(host_.unlockOp_, text, icon, buttons);
        }

    private:
        EngineHost& host_;
    };

    Answer ask(quint64 operation, const QString& text, Icon icon, Buttons buttons);
    void send(const platform::link::ToProgram& message);
    void onMessage(const platform::link::ToEngine& message);
    void handle(const platform::link::Navigate& message);
    void handle(const platform::link::StartGame& message);
    void handle(const platform::link::Act& message);
    void handle(const platform::link::Settled& message);
    void handle(const platform::link::UnknownPage& message);
    void handle(const platform::link::DialogAnswer& message);
    void handle(const platform::link::Unlock& message);
    void handle(const platform::link::CloseUnlock& message);
    void handle(const platform::link::LaunchSchemes& message);
    void handle(const platform::link::LaunchAnswer& message);
    void handle(const platform::link::Cookie& message);

    platform::link::LineChannel link_;
    quint64 received_ = 0;
    quint64 op_ = 0;  // of the last navigation or game start
    int lastDialog_ = 0;
    QHash<int, std::function<void(Answer)>> awaited_;
    int lastLaunchQuestion_ = 0;
    QHash<int, std::function<void(bool)>> launchQuestions_;
    QTimer alive_;
    BrowserProfile profile_;
    const std::unique_ptr<platform::UrlOpener> opener_;
    WebEngineBrowser browser_;
    UnlockDialogs unlockDialogs_{*this};
    QPointer<IDLockWindow> unlock_;
    quint64 unlockOp_ = 0;
};

}  // namespace engine
