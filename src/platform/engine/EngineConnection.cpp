#include "platform/engine/EngineConnection.h"

#include "platform/Files.h"
#include "platform/ProcessGuards.h"
#include "platform/engine/EngineLink.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QRandomGenerator>

namespace platform {

Q_LOGGING_CATEGORY(lcEngine, "quaylet.engine", QtWarningMsg)

EngineConnection::EngineConnection(QString executable, MessageHandler handler, QObject* parent)
    : QObject(parent),
      executable_(std::move(executable)),
      handler_(std::move(handler)),
      silenceLimit_(link::AliveDeadlineMs)
{
    silence_.setSingleShot(true);
    connect(&silence_, &QTimer::timeout, this, [this] {
        if (channel_)
            qCWarning(lcEngine) << "the browser engine stopped answering";
        else
            qCWarning(lcEngine) << "the browser engine did not connect in time";
        onLost();
    });
    unused_.setSingleShot(true);
    unused_.setInterval(UnusedLimitMs);
    connect(&unused_, &QTimer::timeout, this, [this] {
        if (process_ && !used_) {
            qCDebug(lcEngine) << "the browser engine got nothing to do";
            end();
        }
    });
}

EngineConnection::~EngineConnection()
{
    // An engine whose program went away ends by itself.
    EngineChild* process = process_;
    forget();
    if (process) {
        process->disconnect(this);
        process->waitForEnded(EndWaitMs);
    }
}

QString EngineConnection::besideProgram()
{
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("quaylet-engine.exe");
#else
    const QString name = QStringLiteral("quaylet-engine");
#endif
    return QDir(QString::fromStdU16String(programDirectory())).filePath(name);
}

EngineConnection::Launch EngineConnection::launch(const QString& executable)
{
    Launch launch;
    // The engine proves itself with a secret that only it is given, on its
    // standard input: never on a command line or in an environment, which
    // the user's other processes can read.
    launch.token = QByteArray::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0')
                   + QByteArray::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, '0');
    // Only this user may connect; the name is new for every engine.
    launch.door = openLinkDoor();
    launch.child = EngineChild::start(executable, {QStringLiteral("--link"), launch.door.name}, launch.token + '\n',
                                      launch.error);
    return launch;
}

bool EngineConnection::start()
{
    if (!process_)
        adopt(launch(executable_));
    return process_ != nullptr;
}

bool EngineConnection::use()
{
    if (!start())
        return false;
    used_ = true;
    return true;
}

void EngineConnection::adopt(Launch launch)
{
    if (process_) {
        // The newcomer goes, and its door with it.
        if (launch.child)
            launch.child->kill();
        if (launch.door.listening != -1)
            QLocalServer().listen(launch.door.listening);
        return;
    }
    if (!launch.child) {
        qCWarning(lcEngine) << "the browser engine could not be started:" << launch.error;
        if (launch.door.listening != -1)
            QLocalServer().listen(launch.door.listening);
        return;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &EngineConnection::onConnected);
    // The server takes the door over, its file included. Without a door the
    // engine cannot connect, and ends: that is told as its loss.
    const bool listening = launch.door.listening != -1 ? server_->listen(launch.door.listening)
                                                       : server_->listen(launch.door.name);
    if (!listening)
        qCWarning(lcEngine) << "no link for the browser engine:" << server_->errorString();
    door_ = std::move(launch.door);
    qCDebug(lcEngine) << "started" << executable_;
    token_ = launch.token;
    process_ = launch.child.release();
    ++engines_;
    process_->setParent(this);
    connect(process_, &EngineChild::ended, this, &EngineConnection::onLost);
    process_->watch();
    silence_.start(link::ConnectDeadlineMs);
    unused_.start();
}

// Any process of the user may connect; only the engine is let in, by its
// first line, the secret it was given, and where the system tells, by its
// process id. Whoever else connects gets nothing and is dropped.
void EngineConnection::onConnected()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { admit(socket); });
        admit(socket);
    }
}

void EngineConnection::admit(QLocalSocket* socket)
{
    // A knock at a door that is gone, or at an old one, lets no one in.
    if (!process_ || !server_ || socket->parent() != server_) {
        socket->abort();
        return;
    }
    if (channel_ || !socket->canReadLine()) {
        if (channel_ || socket->bytesAvailable() > token_.size() + 1)
            socket->abort();
        return;
    }
    const qint64 peer = peerProcessId(socket->socketDescriptor());
    if (socket->readLine().chopped(1) != token_ || (peer != -1 && peer != process_->id())) {
        qCWarning(lcEngine) << "a client that is not the browser engine was turned away";
        socket->abort();
        return;
    }
    socket->disconnect(this);
    server_->close();
    door_ = {};
    qCDebug(lcEngine) << "the browser engine connected";
    silence_.start(silenceLimit_);
    channel_ = new link::LineChannel(socket, link::decoding<link::ToProgram>([this](const link::ToProgram& message) {
                                         silence_.start(silenceLimit_);
                                         handler_(message);
                                     }),
                                     this);
    // Whoever else is still waiting at the door is dropped.
    for (QLocalSocket* other : server_->findChildren<QLocalSocket*>())
        other->abort();
    connect(channel_, &link::LineChannel::closed, this, &EngineConnection::onLost);
    Q_EMIT connected();
    for (const link::ToEngine& message : std::exchange(unsent_, {}))
        send(message);
}

void EngineConnection::send(const link::ToEngine& message)
{
    if (channel_) {
        ++sent_;
        channel_->send(link::encode(message));
    } else if (process_) {
        unsent_.append(message);
    }
}

qint64 EngineConnection::engineId() const
{
    return process_ ? process_->id() : 0;
}

void EngineConnection::end()
{
    if (!process_)
        return;
    qCDebug(lcEngine) << "ending the browser engine";
    EngineChild* ending = process_;
    ending->disconnect(this);
    connect(ending, &EngineChild::ended, ending, &QObject::deleteLater);
    QTimer::singleShot(EndWaitMs, ending, &EngineChild::kill);
    forget();
}

// The engine went away by itself, or stopped answering: it is ended.
void EngineConnection::onLost()
{
    if (!process_)
        return;
    qCWarning(lcEngine) << "the browser engine ended unexpectedly";
    EngineChild* gone = process_;
    gone->disconnect(this);
    if (!gone->running()) {
        gone->deleteLater();
    } else {
        connect(gone, &EngineChild::ended, gone, &QObject::deleteLater);
        gone->kill();
    }
    forget();
    Q_EMIT lost();
}

// Closing the link ends the engine.
void EngineConnection::forget()
{
    silence_.stop();
    unused_.stop();
    if (channel_) {
        channel_->disconnect(this);
        channel_->close();
        std::exchange(channel_, nullptr)->deleteLater();
    }
    if (server_) {
        server_->close();
        std::exchange(server_, nullptr)->deleteLater();
    }
    door_ = {};
    process_ = nullptr;
    unsent_.clear();
    sent_ = 0;
    used_ = false;
}

}  // namespace platform
