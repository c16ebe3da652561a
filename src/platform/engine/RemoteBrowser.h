#pragma once

#include "core/Browser.h"
#include "platform/MessageBox.h"
#include "platform/engine/CookieJar.h"
#include "platform/engine/EngineConnection.h"

#include <QList>
#include <QStringList>
#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace platform {

// The hidden browser in a process of its own, quaylet-engine beside the
// program: the engine's libraries and its hundreds of MiB are loaded only
// while a portal operation needs them, and a crash or a hang of the engine
// ends that operation, not the program.
//
// The engine is started when an operation is due or likely (an automatic
// login at start, before this program's own Qt start; the login button going
// down) or at the operation itself. Once it has been used, it is ended when
// the session is settled and it has let its page go. The portal's cookies
// outlive it here, in memory only: the engine reports every change, and a
// fresh engine is given them before anything else. Its page dialogs are shown here.
//
// Each navigation and game start is an operation of its own: what the engine
// reports of an earlier one is dropped, and each is told of its failure at
// most once, whatever happens after (a failed load, then the engine's death).
class RemoteBrowser : public QObject, public portal::Browser {
    Q_OBJECT
public:
    RemoteBrowser(QString executable, MessageBox& messages, QObject* parent = nullptr);

    void navigate(const QString& address) override;
    void startGame(const QString& channelAddress) override;
    void setLaunchHandler(LaunchHandler handler) override { onLaunch_ = std::move(handler); }
    void act(const QList<portal::ElementStep>& steps) override;
    void setDocumentCompleteHandler(DocumentHandler handler) override { onComplete_ = std::move(handler); }
    void setLoadFailedHandler(FailureHandler handler) override { onFailed_ = std::move(handler); }
    void setSessionSettled(bool settled) override;
    void setDocumentUnknown(bool unknown) override;
    void setPageClosedHandler(ClosedHandler handler) override { onPageClosed_ = std::move(handler); }
    void forgetCookies() override;
    void stop() override;

    // The game launcher's schemes, which a channel page hands to the system
    // at once, and who decides about a scheme that is neither the launcher's
    // nor refused outright (a question to the user, say); without one, it is refused.
    using LaunchQuestion = std::function<bool(const QString& host, const QString& scheme, const QString& address)>;
    void setLauncherSchemes(const QStringList& schemes) { launcherSchemes_ = schemes; }
    void setLaunchQuestion(LaunchQuestion question) { launchQuestion_ = std::move(question); }

    // The window the engine's own windows appear over.
    void setMainWindow(QWidget* window);

    // The engine itself: to start one ahead of an operation, or take over one
    // launched before the program's own start.
    EngineConnection& connection() { return connection_; }

    // The portal's ID unlock window, in the engine, or the open one brought
    // forward; every document that completes in it (its page's or a
    // frame's) goes to completed, and the caller decides when it is done.
    void showUnlockWindow(const QString& address, std::function<void(const QString& address)> completed);
    void closeUnlockWindow();

private:
    struct Operation {
        quint64 number = 0;
        bool gameStart = false;
        bool launchAwaited = false;  // a game start's, until its launch was reported
        bool told = false;  // its failure was told: nothing more of it is
    };
    struct OpenDialog {
        quint64 operation;  // or the unlock window's
        MessageBox::Dismissal dismissal;
    };

    void begin(const QString& address, bool launches);
    void nextOperation(const QString& address, bool launches);
    void greet();
    void onMessage(const link::ToProgram& message);
    void handle(const link::Complete& message);
    void handle(const link::Failed& message);
    void handle(const link::Launched& message);
    void handle(const link::Dialog& message);
    void handle(const link::AskLaunch& message);
    void handle(const link::Idle& message);
    void handle(const link::Alive&) {}
    void handle(const link::PageClosed& message);
    void handle(const link::UnlockComplete& message);
    void handle(const link::UnlockClosed& message);
    void handle(const link::Cookie& message);
    bool isCurrent(quint64 operation) const { return operation != 0 && operation == op_.number && !op_.told; }
    bool isUnlock(quint64 operation) const { return operation != 0 && operation == unlockOp_; }
    void endIfIdle();
    void endEngine();
    void engineLost();
    void failUnderWay();
    void tellFailure();

    MessageBox& messages_;
    EngineConnection connection_;
    quint64 idleAt_ = 0;           // the engine's count of messages when it last said it was idle
    quint64 unlockOp_ = 0;         // the unlock window's operation while it is open
    QPointer<QWidget> mainWindow_;
    CookieJar cookies_;
    bool settled_ = true;
    quint64 lastOperation_ = 0;
    Operation op_;                 // the one under way, or the last
    QString address_;              // of its navigation, for a failure
    qint64 document_ = 0;          // the engine's number of the page's document last reported
    QList<OpenDialog*> dialogs_;   // page dialogs shown now, innermost last
    bool failureDue_ = false;      // told once the page dialogs have closed
    DocumentHandler onComplete_;
    FailureHandler onFailed_;
    LaunchHandler onLaunch_;
    ClosedHandler onPageClosed_;
    std::function<void(const QString& address)> onUnlockComplete_;
    QStringList launcherSchemes_;
    LaunchQuestion launchQuestion_;
};

}  // namespace platform
