#pragma once

#include "platform/engine/EngineChild.h"
#include "platform/engine/LinkMessages.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

class QLocalServer;
class QLocalSocket;

namespace platform {

namespace link {
class LineChannel;
}

// The engine process and the link to it: starting it, letting only it in,
// hearing that it is alive, and ending it. What is said over the link is the
// caller's; what is sent before the engine came in waits for it.
//
// An engine that got nothing to do (use() was never called) within
// UnusedLimitMs of its start is ended. It ends with the program, however the
// program ends.
class EngineConnection : public QObject {
    Q_OBJECT
public:
    // The longest an engine may take to end once asked to.
    static constexpr int EndWaitMs = 3000;
    // How long an engine started ahead of an operation waits for one.
    static constexpr int UnusedLimitMs = 30000;

    using MessageHandler = std::function<void(const link::ToProgram& message)>;
    EngineConnection(QString executable, MessageHandler handler, QObject* parent = nullptr);
    ~EngineConnection() override;

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

    // Starts an engine now, unless one runs: an operation is on its way.
    // False when none could be started.
    bool start();
    // Starts one, unless one runs, for something to do.
    bool use();
    // Takes over an engine launched already, unless one runs.
    void adopt(Launch launch);
    void end();

    bool running() const { return process_ != nullptr; }
    // Each engine's own, from 1; 0 while none runs. An answer goes only to the engine that asked.
    quint64 engineNumber() const { return process_ ? engines_ : 0; }
    bool used() const { return used_; }
    // Messages the running engine was sent, counted from its start.
    quint64 sentCount() const { return sent_; }
    void send(const link::ToEngine& message);

    // For tests: the engine's process id while one runs, else 0, and shorter waits.
    qint64 engineId() const;
    void setSilenceLimit(int milliseconds) { silenceLimit_ = milliseconds; }
    void setUnusedLimit(int milliseconds) { unused_.setInterval(milliseconds); }

Q_SIGNALS:
    // The engine came in; what is said now comes before anything sent while it was on its way.
    void connected();
    // The engine ended by itself, did not come in, or fell silent: it is gone.
    void lost();

private:
    void onConnected();
    void admit(QLocalSocket* socket);
    void onLost();
    void forget();

    QString executable_;
    MessageHandler handler_;
    EngineChild* process_ = nullptr;
    QLocalServer* server_ = nullptr;
    LinkDoor door_;                   // until the engine came in
    link::LineChannel* channel_ = nullptr;
    QByteArray token_;                // the engine's secret, for its first line
    QList<link::ToEngine> unsent_;    // until the engine connects
    quint64 sent_ = 0;
    quint64 engines_ = 0;             // started so far
    bool used_ = false;
    QTimer silence_;                  // no connection, or no word from the engine, for too long
    int silenceLimit_;
    QTimer unused_;                   // since the start, with nothing asked of the engine
};

}  // namespace platform
