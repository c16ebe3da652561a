#pragma once

#include "core/Browser.h"
#include "platform/MessageBox.h"
#include "platform/engine/CookieJar.h"
#include "platform/engine/EngineChild.h"

#include <QJsonObject>
#include <QList>
#include <QStringList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace platform {

namespace link {
class LineChannel;
}

// The hidden browser in a process of its own, quaylet-engine beside the
// program: the engine's libraries and its hundreds of MiB are loaded only
// while a portal operation needs them, and a crash or a hang of the engine
// ends that operation, not the program.
//
// The engine is started when an operation is due or likely (an automatic
// login at start, before this program's own Qt start; the login button going
// down) or at the operation itself.
// Once it has been used, it is ended when the session is settled and it has
// let its page go; one that got nothing to do within UnusedLimitMs of its
// start is ended too. It ends
// with the program, however the program ends. The portal's cookies outlive
// it here, in memory only: the engine reports every change, and a fresh
// engine is given them before anything else. Its page dialogs are shown here.
//
// Each navigation and game start is an operation of its own: what the engine
// reports of an earlier one is dropped, and each is told of its failure at
// most once, whatever happens after (a failed load, then the engine's death).
class EngineProcess : public QObject, public portal::Browser {
    Q_OBJECT
public:
    // The longest an engine may take to end once asked to.
    static constexpr int EndWaitMs = 3000;
    // How long an engine started ahead of an operation waits for one.
    static constexpr int UnusedLimitMs = 30000;

    EngineProcess(QString executable, MessageBox& messages, QObject* parent = nullptr);
    ~EngineProcess() override;

    // quaylet-engine in this program's own directory.
    static QString besideProgram();

    // An engine on its way: started, with the door it is to come in by and
    // the secret it proves itself with. Needs no QCoreApplication, so that
    // an engine can start beside this program's own start.
    struct Launch {
        std::unique_ptr<EngineChild> child;  // null when it could not be started
        LinkDoor door;
        QByteArray token;
        QString error;
    };
    static Launch launch(const QString& executable);

    void navigate(const QString& address) override;
    void startGame(const QString& channelAddress) override;
    void setLaunchHandler(LaunchHandler handler) override;
    void act(const QList<portal::ElementStep>& steps) override;
    void setDocumentCompleteHandler(DocumentHandler handler) override;
    void setLoadFailedHandler(FailureHandler handler) override;
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

    // Starts an engine now, unless one runs: an operation is on its way.
    void start();
    // Takes over an engine launched already, unless one runs.
    void adopt(Launch launch);

    // The portal's ID unlock window, in the engine, or the open one brought
    // forward; every document that completes in it (its page's or a
    // frame's) goes to completed, and the caller decides when it is done.
    void showUnlockWindow(const QString& address, std::function<void(const QString& address)> completed);
    void closeUnlockWindow();

    // For tests: the engine's process id while one runs, else 0, and a
    // shorter wait for a silent engine.
    qint64 engineId() const;
    void setSilenceLimit(int milliseconds) { silenceLimit_ = milliseconds; }
    void setUnusedLimit(int milliseconds) { unused_.setInterval(milliseconds); }

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
    void send(const QJsonObject& message);
    void onConnected();
    void admit(QLocalSocket* socket);
    void onMessage(const QJsonObject& message);
    void showDialog(const QJsonObject& message, quint64 operation);
    void askLaunch(const QJsonObject& message, quint64 operation);
    bool isCurrent(quint64 operation) const { return operation != 0 && operation == op_.number && !op_.told; }
    void endIfIdle();
    void end();
    void lost();
    void failUnderWay();
    void tellFailure();
    void forget();

    QString executable_;
    MessageBox& messages_;
    EngineChild* process_ = nullptr;
    QLocalServer* server_ = nullptr;
    LinkDoor door_;              // until the engine came in
    link::LineChannel* channel_ = nullptr;
    QByteArray token_;           // the engine's secret, for its first line
    QList<QJsonObject> unsent_;  // until the engine connects
    quint64 sent_ = 0;           // messages this engine was sent
    quint64 idleAt_ = 0;         // the count of them when it last said it was idle
    bool used_ = false;          // asked to load something
    quint64 unlockOp_ = 0;         // the unlock window's operation while it is open
    QTimer silence_;             // no connection, or no word from the engine, for too long
    int silenceLimit_;
    QTimer unused_;              // since the start, with nothing asked of the engine
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
