#include "platform/engine/RemoteBrowser.h"

#include "core/LaunchRules.h"
#include "platform/engine/EngineLink.h"

#include <QTimer>
#include <QWidget>

namespace platform {

RemoteBrowser::RemoteBrowser(QString executable, MessageBox& messages, QObject* parent)
    : QObject(parent),
      messages_(messages),
      connection_(std::move(executable), [this](const link::ToProgram& message) { onMessage(message); })
{
    connect(&connection_, &EngineConnection::connected, this, &RemoteBrowser::greet);
    connect(&connection_, &EngineConnection::lost, this, &RemoteBrowser::engineLost);
}

void RemoteBrowser::navigate(const QString& address)
{
    begin(address, false);
    connection_.send(link::Navigate{op_.number, address, document_});
}

void RemoteBrowser::startGame(const QString& channelAddress)
{
    begin(channelAddress, true);
    connection_.send(link::StartGame{op_.number, channelAddress});
}

void RemoteBrowser::begin(const QString& address, bool launches)
{
    nextOperation(address, launches);
    // An engine that could not start fails this operation, whatever the
    // session has said of itself yet; told once the caller has returned.
    if (!connection_.use()) {
        op_.told = true;
        QTimer::singleShot(0, this, [this, number = op_.number] {
            if (op_.number == number)
                tellFailure();
        });
    }
}

// A new operation: the last one has ended, and a page dialog of it no longer stands.
void RemoteBrowser::nextOperation(const QString& address, bool launches)
{
    op_ = {++lastOperation_, launches, launches, false};
    address_ = address;
    failureDue_ = false;
    for (OpenDialog* dialog : std::as_const(dialogs_)) {
        if (!isUnlock(dialog->operation))
            dialog->dismissal.dismiss();
    }
}

void RemoteBrowser::act(const QList<portal::ElementStep>& steps)
{
    // A fresh engine has no document to act on.
    if (connection_.running())
        connection_.send(link::Act{op_.number, steps, document_});
}

// An operation of its own with nothing to do, and already told: whatever
// the engine still reports of the last one is dropped. The engine goes with
// its page (it may be the one that hangs); the next operation starts afresh.
void RemoteBrowser::stop()
{
    nextOperation({}, false);
    op_.told = true;
    endEngine();
}

// The engine goes with its cookies; the next one is given none.
void RemoteBrowser::forgetCookies()
{
    cookies_ = {};
    endEngine();
}

void RemoteBrowser::setSessionSettled(bool settled)
{
    if (settled == settled_)
        return;
    settled_ = settled;
    if (connection_.running())
        connection_.send(link::Settled{settled});
}

void RemoteBrowser::setMainWindow(QWidget* window)
{
    mainWindow_ = window;
}

void RemoteBrowser::setDocumentUnknown(bool unknown)
{
    if (!connection_.running())
        return;
    link::UnknownPage message{op_.number, unknown, {}};
    if (unknown && mainWindow_)
        message.over = mainWindow_->frameGeometry();
    connection_.send(message);
}

void RemoteBrowser::showUnlockWindow(const QString& address, std::function<void(const QString& address)> completed)
{
    onUnlockComplete_ = std::move(completed);
    if (unlockOp_ == 0)
        unlockOp_ = ++lastOperation_;
    connection_.use();
    connection_.send(link::Unlock{unlockOp_, address});
}

void RemoteBrowser::closeUnlockWindow()
{
    if (unlockOp_ != 0 && connection_.running())
        connection_.send(link::CloseUnlock{unlockOp_});
}

// A fresh engine hears of the cookies, the session and the launcher before anything else.
void RemoteBrowser::greet()
{
    // One message a cookie: no jar is too large for the link.
    for (const QByteArray& raw : cookies_.forNewEngine())
        connection_.send(link::Cookie{QString::fromLatin1(raw), false});
    connection_.send(link::Settled{settled_});
    connection_.send(link::LaunchSchemes{launcherSchemes_});
}

void RemoteBrowser::onMessage(const link::ToProgram& message)
{
    std::visit([this](const auto& kind) { handle(kind); }, message);
}

void RemoteBrowser::handle(const link::Complete& message)
{
    if (!isCurrent(message.op))
        return;
    if (!message.frame)
        document_ = message.document;
    if (onComplete_)
        onComplete_(message.address, message.frame ? Document::Frame : Document::Page);
}

void RemoteBrowser::handle(const link::Failed& message)
{
    if (!isCurrent(message.op))
        return;
    op_.told = true;
    op_.launchAwaited = false;
    if (onFailed_)
        onFailed_(message.address, {message.failure, message.code, op_.gameStart});
}

void RemoteBrowser::handle(const link::Launched& message)
{
    if (!isCurrent(message.op))
        return;
    op_.launchAwaited = false;
    if (onLaunch_)
        onLaunch_({message.report, message.reason});
}

void RemoteBrowser::handle(const link::PageClosed& message)
{
    if (isCurrent(message.op) && onPageClosed_)
        onPageClosed_();
}

void RemoteBrowser::handle(const link::Cookie& message)
{
    const QByteArray raw = message.raw.toLatin1();
    message.gone ? cookies_.removed(raw) : cookies_.added(raw);
}

void RemoteBrowser::handle(const link::Idle& message)
{
    idleAt_ = message.received;
    endIfIdle();
}

void RemoteBrowser::handle(const link::UnlockComplete& message)
{
    if (isUnlock(message.op) && onUnlockComplete_)
        onUnlockComplete_(message.address);
}

void RemoteBrowser::handle(const link::UnlockClosed& message)
{
    if (isUnlock(message.op))
        unlockOp_ = 0;
    endIfIdle();
}

// A dialog of an operation that has ended is refused unseen; one that is
// shown closes when its operation or its engine ends. The answer goes to the
// engine that asked, if it is still there.
void RemoteBrowser::handle(const link::Dialog& message)
{
    const quint64 asking = connection_.engineNumber();
    MessageBox::Answer answer = MessageBox::refusal(message.buttons);
    if (isUnlock(message.op) || isCurrent(message.op)) {
        OpenDialog dialog{message.op, {}};
        dialogs_.append(&dialog);
        answer = messages_.show(message.text.left(link::LongestDialogText), message.icon, message.buttons,
                                &dialog.dismissal);
        dialogs_.removeOne(&dialog);
    }
    if (asking != 0 && connection_.engineNumber() == asking)
        connection_.send(link::DialogAnswer{message.id, answer});
    if (dialogs_.isEmpty() && std::exchange(failureDue_, false))
        tellFailure();
}

// Only the game start under way may ask; the answer goes to the engine that asked.
void RemoteBrowser::handle(const link::AskLaunch& message)
{
    const quint64 asking = connection_.engineNumber();
    const bool allowed = isCurrent(message.op) && op_.launchAwaited && launchQuestion_
                         && launchQuestion_(message.host, message.scheme, message.address.left(launch::LongestAddress));
    if (asking != 0 && connection_.engineNumber() == asking)
        connection_.send(link::LaunchAnswer{message.id, allowed});
}

// An engine that was used, with nothing asked of it since it let its page go.
void RemoteBrowser::endIfIdle()
{
    if (connection_.used() && settled_ && unlockOp_ == 0 && idleAt_ == connection_.sentCount())
        endEngine();
}

void RemoteBrowser::endEngine()
{
    connection_.end();
    document_ = 0;
    idleAt_ = 0;
    unlockOp_ = 0;
}

// What the engine was doing has failed; its dialogs close first.
void RemoteBrowser::engineLost()
{
    document_ = 0;
    idleAt_ = 0;
    unlockOp_ = 0;
    failUnderWay();
}

// What was under way has failed, told once; its dialogs close first.
void RemoteBrowser::failUnderWay()
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

void RemoteBrowser::tellFailure()
{
    if (onFailed_)
        onFailed_(address_, {portal::LoadFailure::Kind::BrowserEnded, 0, op_.gameStart});
}

}  // namespace platform
