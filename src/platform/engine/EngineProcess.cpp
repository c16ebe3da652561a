#include "platform/engine/EngineProcess.h"

#include "core/LaunchRules.h"
#include "platform/Files.h"
#include "platform/ProcessGuards.h"
#include "platform/engine/EngineLink.h"

#include <QDir>
#include <QJsonArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QWidget>

namespace platform {

Q_LOGGING_CATEGORY(lcEngine, "quaylet.engine", QtWarningMsg)

EngineProcess::EngineProcess(QString executable, MessageBox& messages, QObject* parent)
    : QObject(parent),
      executable_(std::move(executable)),
      messages_(messages),
      silenceLimit_(link::AliveDeadlineMs)
{
    silence_.setSingleShot(true);
    connect(&silence_, &QTimer::timeout, this, [this] {
        if (channel_)
            qCWarning(lcEngine) << "the browser engine stopped answering";
        else
            qCWarning(lcEngine) << "the browser engine did not connect in time";
        lost();
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

EngineProcess::~EngineProcess()
{
    // An engine whose program went away ends by itself.
    EngineChild* process = process_;
    forget();
    if (process) {
        process->disconnect(this);
        process->waitForEnded(EndWaitMs);
    }
}

QString EngineProcess::besideProgram()
{
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("quaylet-engine.exe");
#else
    const QString name = QStringLiteral("quaylet-engine");
#endif
    return QDir(QString::fromStdU16String(programDirectory())).filePath(name);
}

void EngineProcess::setDocumentCompleteHandler(DocumentHandler handler)
{
    onComplete_ = std::move(handler);
}

void EngineProcess::setLoadFailedHandler(FailureHandler handler)
{
    onFailed_ = std::move(handler);
}

void EngineProcess::setLaunchHandler(LaunchHandler handler)
{
    onLaunch_ = std::move(handler);
}

void EngineProcess::navigate(const QString& address)
{
    begin(address, false);
    send({{"kind", link::Navigate}, {"op", qint64(op_.number)}, {"address", address}, {"document", document_}});
}

void EngineProcess::startGame(const QString& channelAddress)
{
    begin(channelAddress, true);
    send({{"kind", link::StartGame}, {"op", qint64(op_.number)}, {"address", channelAddress}});
}

void EngineProcess::begin(const QString& address, bool launches)
{
    nextOperation(address, launches);
    used_ = true;
    start();
    // An engine that could not start fails this operation, whatever the
    // session has said of itself yet; told once the caller has returned.
    if (!process_ && !op_.told) {
        op_.told = true;
        QTimer::singleShot(0, this, [this, number = op_.number] {
            if (op_.number == number)
                tellFailure();
        });
    }
}

// A new operation: the last one has ended, and a page dialog of it no longer stands.
void EngineProcess::nextOperation(const QString& address, bool launches)
{
    op_ = {++lastOperation_, launches, launches, false};
    address_ = address;
    failureDue_ = false;
    for (OpenDialog* dialog : std::as_const(dialogs_)) {
        if (dialog->operation != unlockOp_)
            dialog->dismissal.dismiss();
    }
}

void EngineProcess::act(const QList<portal::ElementStep>& steps)
{
    // A fresh engine has no document to act on.
    if (process_)
        send({{"kind", link::Act},
              {"op", qint64(op_.number)},
              {"steps", link::stepsToJson(steps)},
              {"document", document_}});
}

// An operation of its own with nothing to do, and already told: whatever
// the engine still reports of the last one is dropped. The engine goes with
// its page (it may be the one that hangs); the next operation starts afresh.
void EngineProcess::stop()
{
    nextOperation({}, false);
    op_.told = true;
    if (process_)
        end();
}

// The engine goes with its cookies; the next one is given none.
void EngineProcess::forgetCookies()
{
    cookies_ = {};
    if (process_)
        end();
}

void EngineProcess::setSessionSettled(bool settled)
{
    if (settled == settled_)
        return;
    settled_ = settled;
    if (process_)
        send({{"kind", link::Settled}, {"value", settled}});
}

void EngineProcess::setMainWindow(QWidget* window)
{
    mainWindow_ = window;
}

void EngineProcess::setDocumentUnknown(bool unknown)
{
    if (!process_)
        return;
    QJsonObject message{{"kind", link::UnknownPage}, {"op", qint64(op_.number)}, {"value", unknown}};
    if (unknown && mainWindow_) {
        const QRect over = mainWindow_->frameGeometry();
        message["over"] = QJsonArray{over.x(), over.y(), over.width(), over.height()};
    }
    send(message);
}

void EngineProcess::showUnlockWindow(const QString& address, std::function<void(const QString& address)> completed)
{
    onUnlockComplete_ = std::move(completed);
    if (unlockOp_ == 0)
        unlockOp_ = ++lastOperation_;
    used_ = true;
    start();
    send({{"kind", link::Unlock}, {"op", qint64(unlockOp_)}, {"address", address}});
}

void EngineProcess::closeUnlockWindow()
{
    if (unlockOp_ != 0 && process_)
        send({{"kind", link::CloseUnlock}, {"op", qint64(unlockOp_)}});
}

qint64 EngineProcess::engineId() const
{
    return process_ ? process_->id() : 0;
}

EngineProcess::Launch EngineProcess::launch(const QString& executable)
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

void EngineProcess::start()
{
    if (!process_)
        adopt(launch(executable_));
}

void EngineProcess::adopt(Launch launch)
{
    if (process_) {
        // The newcomer goes, and its door with it.
        if (launch.child)
            launch.child->kill();
        if (launch.door.listening != -1)
            QLocalServer().listen(launch.door.listening);
        return;
    }
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &EngineProcess::onConnected);
    // The server takes the door over, its file included. Without a door the
    // engine cannot connect, and ends: that is told as its failure.
    const bool listening = launch.door.listening != -1 ? server_->listen(launch.door.listening)
                                                       : server_->listen(launch.door.name);
    if (!listening)
        qCWarning(lcEngine) << "no link for the browser engine:" << server_->errorString();
    door_ = std::move(launch.door);
    if (!launch.child) {
        qCWarning(lcEngine) << "the browser engine could not be started:" << launch.error;
        forget();
        failUnderWay();
        return;
    }
    qCDebug(lcEngine) << "started" << executable_;
    token_ = launch.token;
    process_ = launch.child.release();
    process_->setParent(this);
    connect(process_, &EngineChild::ended, this, &EngineProcess::lost);
    process_->watch();
    silence_.start(link::ConnectDeadlineMs);
    unused_.start();
}

// Any process of the user may connect; only the engine is let in, by its
// first line, the secret it was given, and where the system tells, by its
// process id. Whoever else connects gets nothing and is dropped.
void EngineProcess::onConnected()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { admit(socket); });
        admit(socket);
    }
}

void EngineProcess::admit(QLocalSocket* socket)
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
    channel_ = new link::LineChannel(socket, [this](const QJsonObject& message) { onMessage(message); }, this);
    // Whoever else is still waiting at the door is dropped.
    for (QLocalSocket* other : server_->findChildren<QLocalSocket*>())
        other->abort();
    connect(channel_, &link::LineChannel::closed, this, &EngineProcess::lost);
    // One message a cookie: no jar is too large for the link.
    for (const QByteArray& raw : cookies_.forNewEngine())
        send({{"kind", link::Cookie}, {"raw", QString::fromLatin1(raw)}});
    send({{"kind", link::Settled}, {"value", settled_}});
    send({{"kind", link::LaunchSchemes}, {"schemes", QJsonArray::fromStringList(launcherSchemes_)}});
    for (const QJsonObject& message : std::exchange(unsent_, {}))
        send(message);
}

void EngineProcess::send(const QJsonObject& message)
{
    if (channel_) {
        ++sent_;
        channel_->send(message);
    } else if (process_) {
        unsent_.append(message);
    }
}

void EngineProcess::onMessage(const QJsonObject& message)
{
    silence_.start(silenceLimit_);
    const QString kind = message["kind"].toString();
    const auto operation = quint64(message["op"].toInteger());
    if (kind == link::Complete) {
        if (!isCurrent(operation))
            return;
        const bool frame = message["frame"].toBool();
        if (!frame)
            document_ = message["document"].toInteger();
        if (onComplete_)
            onComplete_(message["address"].toString(), frame ? Document::Frame : Document::Page);
    } else if (kind == link::Failed) {
        if (isCurrent(operation)) {
            op_.told = true;
            op_.launchAwaited = false;
            portal::LoadFailure failure = link::failureFromJson(message);
            failure.gameStart = op_.gameStart;
            if (onFailed_)
                onFailed_(message["address"].toString(), failure);
        }
    } else if (kind == link::Launch) {
        if (isCurrent(operation)) {
            op_.launchAwaited = false;
            if (onLaunch_)
                onLaunch_(link::launchFromJson(message));
        }
    } else if (kind == link::PageClosed) {
        if (isCurrent(operation) && onPageClosed_)
            onPageClosed_();
    } else if (kind == link::Dialog) {
        showDialog(message, operation);
    } else if (kind == link::AskLaunch) {
        askLaunch(message, operation);
    } else if (kind == link::Cookie) {
        const QByteArray raw = message["raw"].toString().toLatin1();
        message["gone"].toBool() ? cookies_.removed(raw) : cookies_.added(raw);
    } else if (kind == link::Idle) {
        idleAt_ = quint64(message["received"].toInteger());
        endIfIdle();
    } else if (kind == link::UnlockComplete) {
        if (unlockOp_ != 0 && operation == unlockOp_ && onUnlockComplete_)
            onUnlockComplete_(message["address"].toString());
    } else if (kind == link::UnlockClosed) {
        if (operation == unlockOp_)
            unlockOp_ = 0;
        endIfIdle();
    }
}

// A dialog of an operation that has ended is refused unseen; one that is
// shown closes when its operation or its engine ends. The answer goes to the
// engine that asked, if it is still there.
void EngineProcess::showDialog(const QJsonObject& message, quint64 operation)
{
    const auto buttons = link::enumFrom(message["buttons"], MessageBox::Buttons::OkCancel, MessageBox::Buttons::Ok);
    const link::LineChannel* asking = channel_;
    MessageBox::Answer answer = MessageBox::refusal(buttons);
    if ((unlockOp_ != 0 && operation == unlockOp_) || isCurrent(operation)) {
        OpenDialog dialog{operation, {}};
        dialogs_.append(&dialog);
        answer = messages_.show(
            message["text"].toString().left(link::LongestDialogText),
            link::enumFrom(message["icon"], MessageBox::Icon::Critical, MessageBox::Icon::Information), buttons,
            &dialog.dismissal);
        dialogs_.removeOne(&dialog);
    }
    if (channel_ && channel_ == asking)
        send({{"kind", link::Answer}, {"id", message["id"]}, {"answer", int(answer)}});
    if (dialogs_.isEmpty() && std::exchange(failureDue_, false))
        tellFailure();
}

// Only the game start under way may ask; the answer goes to the engine that asked.
void EngineProcess::askLaunch(const QJsonObject& message, quint64 operation)
{
    const link::LineChannel* asking = channel_;
    const bool allowed = isCurrent(operation) && op_.launchAwaited && launchQuestion_
                         && launchQuestion_(message["host"].toString(), message["scheme"].toString(),
                                            message["address"].toString().left(launch::LongestAddress));
    if (channel_ && channel_ == asking)
        send({{"kind", link::LaunchAnswer}, {"id", message["id"]}, {"allowed", allowed}});
}

// An engine that was used, with nothing asked of it since it let its page go.
void EngineProcess::endIfIdle()
{
    if (channel_ && used_ && settled_ && unlockOp_ == 0 && idleAt_ == sent_)
        end();
}

void EngineProcess::end()
{
    qCDebug(lcEngine) << "ending the idle browser engine";
    EngineChild* ending = process_;
    ending->disconnect(this);
    connect(ending, &EngineChild::ended, ending, &QObject::deleteLater);
    QTimer::singleShot(EndWaitMs, ending, &EngineChild::kill);
    forget();
}

// The engine went away by itself, or stopped answering: it is ended, and
// what it was doing has failed. Its dialogs close first.
void EngineProcess::lost()
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
    failUnderWay();
}

// What was under way has failed, told once; its dialogs close first.
void EngineProcess::failUnderWay()
{
    for (OpenDialog* dialog : std::as_const(dialogs_))
        dialog->dismissal.dismiss();
    if (op_.told || (settled_ && !op_.launchAwaited))
        return;
    op_.told = true;
    op_.launchAwaited = false;
    if (dialogs_.isEmpty())
        tellFailure();
    else
        failureDue_ = true;
}

void EngineProcess::tellFailure()
{
    if (onFailed_)
        onFailed_(address_, {portal::LoadFailure::Kind::BrowserEnded, 0, op_.gameStart});
}

// Closing the link ends the engine.
void EngineProcess::forget()
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
    document_ = 0;
    unsent_.clear();
    sent_ = 0;
    idleAt_ = 0;
    used_ = false;
    unlockOp_ = 0;
}

}  // namespace platform
