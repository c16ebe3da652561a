#pragma once

#include "core/Browser.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QQueue>

#include <functional>

class QLocalSocket;

namespace platform {

// The program and its engine process talk over a local socket: one compact
// JSON object per line, whose "kind" names the message. The program sends
// commands, the engine answers with events; each side's dialogs wait for the
// other's answer in a nested event loop, so messages are delivered one turn
// after they arrive, never from inside the socket's own signal.
//
// Every navigation and game start the program asks for is an operation with
// a number of its own ("op"); its page steps and everything the engine
// reports of it carry that number, so that the program can drop what belongs
// to an operation that has ended. The engine says it is alive every
// AliveIntervalMs; the program takes silence for AliveDeadlineMs as a hang.
namespace link {

// The longest an engine may take from its start to its connection, the
// program's door opening late included: both ends give up then.
constexpr int ConnectDeadlineMs = 30000;
constexpr int AliveIntervalMs = 2000;
constexpr int AliveDeadlineMs = 10000;
// A page dialog's text is cut to this many characters before it is sent.
constexpr qsizetype LongestDialogText = 64 * 1024;

// From the program.
// document: the number of the page's document last reported complete, which
// steps and a "javascript:" address are meant for.
inline const QString Navigate = QStringLiteral("navigate");      // op, address, document
inline const QString StartGame = QStringLiteral("startGame");    // op, address
inline const QString Act = QStringLiteral("act");                // op, steps, document
inline const QString Settled = QStringLiteral("settled");        // value
inline const QString UnknownPage = QStringLiteral("unknownPage");  // op, value, over: [x, y, width, height] of the main window
inline const QString Answer = QStringLiteral("answer");          // id, answer
// The unlock window is an operation of its own ("op"), its dialogs too.
inline const QString Unlock = QStringLiteral("unlock");          // op, address
inline const QString CloseUnlock = QStringLiteral("closeUnlock");  // op
inline const QString LaunchSchemes = QStringLiteral("launchSchemes");  // schemes: the game launcher's, at the start
inline const QString LaunchAnswer = QStringLiteral("launchAnswer");    // id, allowed
// Both ways: one cookie in raw form; the program gives a fresh engine its
// cookies before anything else, the engine reports each change (gone: removed).
inline const QString Cookie = QStringLiteral("cookie");          // raw, gone
// From the engine.
// A frame's document has frame: true; the page's own, its document number.
inline const QString Complete = QStringLiteral("complete");      // op, address, frame or document
inline const QString Failed = QStringLiteral("failed");          // op, address, failure, code
inline const QString Launch = QStringLiteral("launch");          // op, report, reason
inline const QString Dialog = QStringLiteral("dialog");          // op, id, text, icon, buttons
inline const QString AskLaunch = QStringLiteral("askLaunch");    // op, id, host, scheme, address: may it go to the system?
inline const QString Idle = QStringLiteral("idle");              // received: the program's messages so far
inline const QString Alive = QStringLiteral("alive");
inline const QString PageClosed = QStringLiteral("pageClosed");  // op: the user closed the page shown
inline const QString UnlockComplete = QStringLiteral("unlockComplete");  // op, address: a document of the unlock window's
inline const QString UnlockClosed = QStringLiteral("unlockClosed");      // op

// An enumeration sent as its number; one out of range is the fallback.
template <typename Enum>
Enum enumFrom(const QJsonValue& value, Enum last, Enum fallback)
{
    const int number = value.toInt(-1);
    return number >= 0 && number <= int(last) ? Enum(number) : fallback;
}

QJsonArray stepsToJson(const QList<portal::ElementStep>& steps);
// Nothing for steps that are not well formed: a form is filled whole or not at all.
QList<portal::ElementStep> stepsFromJson(const QJsonArray& steps);
QJsonObject failureToJson(const portal::LoadFailure& failure);
portal::LoadFailure failureFromJson(const QJsonObject& message);
QJsonObject launchToJson(const portal::LaunchReport& report);
portal::LaunchReport launchFromJson(const QJsonObject& message);

// One end of the socket, lines in and out.
class LineChannel : public QObject {
    Q_OBJECT
public:
    // Longer than any message either side means to send: a longer one is
    // dropped, by the sender or else by the receiver, and the link stays.
    static constexpr qint64 LongestLine = 1024 * 1024;
    using Handler = std::function<void(const QJsonObject& message)>;

    // Takes the socket over.
    LineChannel(QLocalSocket* socket, Handler handler, QObject* parent = nullptr);
    ~LineChannel() override;

    void send(const QJsonObject& message);
    bool isOpen() const { return socket_ != nullptr; }
    // Closes the socket; closed() is not emitted for it.
    void close();

Q_SIGNALS:
    // The other end went away, or sent something that is not the protocol.
    void closed();

private:
    void readLines();
    void deliver();
    void lose();

    QLocalSocket* socket_;
    Handler handler_;
    QByteArray partial_;
    QQueue<QJsonObject> received_;
    bool skippingLine_ = false;  // the rest of a line over the bound
    bool remoteGone_ = false;
};

}  // namespace link
}  // namespace platform
