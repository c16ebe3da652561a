#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>
#include <memory>

// A small HTTP server on 127.0.0.1 for tests: one request per connection,
// answered by a handler; every request but the site icon is recorded.
class LoopbackServer : public QObject {
public:
    struct Request {
        QByteArray target;  // path and query exactly as sent
    };
    struct Response {
        int status = 200;
        QByteArray body;
        QByteArray location;
        int delayMs = 0;  // before the answer goes out
        QByteArray headers = "Content-Type: text/html; charset=utf-8\r\n";
    };
    using Handler = std::function<Response(const Request&)>;

    explicit LoopbackServer(Handler handler) : handler_(std::move(handler))
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                serve(socket);
        });
    }

    QString origin() const { return QStringLiteral("http://127.0.0.1:%1").arg(server_.serverPort()); }
    QList<Request> requests;

private:
    void serve(QTcpSocket* socket)
    {
        // Held by the connection below, so it goes with the socket.
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            // No TLS here: the connection is dropped, as where nothing speaks it.
            if (buffer->startsWith('\x16')) {
                socket->abort();
                return;
            }
            const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
            if (headerEnd < 0)
                return;
            // Tests send no bodies: forms go by their address.
            const Request request{buffer->split(' ').value(1)};
            buffer->clear();
            // Icons the engine asks for on its own are no part of any test.
            const bool icon = request.target == "/favicon.ico";
            if (!icon)
                requests.append(request);
            const Response response = icon ? Response{404, {}, {}} : handler_(request);
            QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " X\r\n";
            if (!response.location.isEmpty())
                reply += "Location: " + response.location + "\r\n";
            reply += response.headers + "Cache-Control: no-store\r\n";
            reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\nConnection: close\r\n\r\n";
            QTimer::singleShot(response.delayMs, socket, [socket, data = reply + response.body] {
                socket->write(data);
                socket->disconnectFromHost();
            });
        });
    }

    QTcpServer server_;
    Handler handler_;
};

// Runs the event loop until the condition holds or the time is up.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Runs the event loop for a while, for what must not happen in that time.
inline void runEventsFor(int ms)
{
    waitUntil([] { return false; }, ms);
}
