#pragma once

#include "core/Browser.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QLocalServer;
class QProcess;
class QWidget;

namespace platform {

class MessageBox;
namespace link {
class LineChannel;
}

// The hidden browser in a process of its own, quaylet-engine beside the
// program: the engine's libraries and its hundreds of MiB are loaded only
// while a portal operation needs them, and a crash of the engine ends that
// operation, not the program.
//
// The engine is started when asked to, at the first navigation or once the
// main window has painted, whichever comes first. Once it has been used, it
// is ended when the session is settled and it has let its page go. The
// portal's cookies outlive it here, in memory only: the engine reports every
// change, and a fresh engine is given them before anything else. Its page
// dialogs are shown here.
class EngineProcess : public QObject, public portal::Browser {
    Q_OBJECT
public:
    // The longest an engine may take to connect, or to end once asked to.
    static constexpr int ConnectWaitMs = 30000;
    static constexpr int EndWaitMs = 3000;

    EngineProcess(QString executable, MessageBox& messages, QObject* parent = nullptr);
    ~EngineProcess() override;

    // quaylet-engine in this program's own directory.
    static QString besideProgram();

    void navigate(const QString& address) override;
    void startGame(const QString& channelAddress) override;
    void setLaunchHandler(LaunchHandler handler) override;
    void act(const QList<portal::ElementStep>& steps) override;
    void setDocumentCompleteHandler(AddressHandler handler) override;
    void setLoadFailedHandler(FailureHandler handler) override;
    void setSessionSettled(bool settled) override;

    // Starts the engine once window has painted for the first time, or now.
    void startAfterFirstPaint(QWidget* window);
    void start();

    // The portal's ID unlock window, in the engine, or the open one brought
    // forward; unlocked runs when its pages reach unlockedPage.
    void showUnlockWindow(const QString& address, const QString& unlockedPage, std::function<void()> unlocked);

    // For tests: the engine's process id while one runs, else 0.
    qint64 engineId() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void send(const QJsonObject& message);
    void onConnected();
    void onMessage(const QJsonObject& message);
    void onCookie(const QByteArray& raw, bool gone);
    void endIfIdle();
    void end();
    void lost();
    void forget();

    QString executable_;
    MessageBox& messages_;
    QProcess* process_ = nullptr;
    QLocalServer* server_ = nullptr;
    link::LineChannel* channel_ = nullptr;
    QList<QJsonObject> unsent_;  // until the engine connects
    quint64 sent_ = 0;           // messages this engine was sent
    quint64 idleAt_ = 0;         // the count of them when it last said it was idle
    bool used_ = false;          // asked to load something
    bool unlockOpen_ = false;
    QTimer connectLimit_;
    QPointer<QWidget> paintWatched_;
    QMap<QByteArray, QByteArray> cookies_;  // raw form by domain, path and name
    bool settled_ = true;
    bool launchAwaited_ = false;
    QString address_;  // of the last navigation, for a failure
    AddressHandler onComplete_;
    FailureHandler onFailed_;
    LaunchHandler onLaunch_;
    std::function<void()> onUnlocked_;
};

}  // namespace platform
