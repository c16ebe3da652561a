#pragma once

#include "platform/engine/LinkMessages.h"

#include <QByteArray>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QObject>
#include <QQueue>

#include <functional>

class QLocalSocket;

namespace platform {

// The program and its engine process talk over a local socket: one compact
// JSON object per line, one of the messages of LinkMessages.h. The program
// sends commands, the engine answers with events; each side's dialogs wait for the
// other's answer in a nested event loop, so messages are delivered one turn
// after they arrive, never from inside the socket's own signal.
//
// Every navigation and game start the program asks for is an operation with
// a number of its own ("op"); its page steps and everything the engine
// reports of it carry that number, so that the program can drop what belongs
// to an operation that has ended. The engine says it is alive every
// AliveIntervalMs; the program takes silence for AliveDeadlineMs as a hang.
namespace link {

Q_DECLARE_LOGGING_CATEGORY(lcLink)

// The longest an engine may take from its start to its connection, the
// program's door opening late included: both ends give up then.
constexpr int ConnectDeadlineMs = 30000;
constexpr int AliveIntervalMs = 2000;
constexpr int AliveDeadlineMs = 10000;
// A page dialog's text is cut to this many characters before it is sent.
constexpr qsizetype LongestDialogText = 64 * 1024;

// Hands the handler each message of the kind this end takes; the rest are
// dropped with a line in the log.
template <typename Incoming>
std::function<void(const QJsonObject&)> decoding(std::function<void(const Incoming&)> handle)
{
    return [handle = std::move(handle)](const QJsonObject& line) {
        if (std::optional<Incoming> message = decode<Incoming>(line))
            handle(*message);
    };
}

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
