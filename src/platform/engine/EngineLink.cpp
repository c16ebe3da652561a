#include "platform/engine/EngineLink.h"

#include <QJsonDocument>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

namespace platform::link {

Q_LOGGING_CATEGORY(lcLink, "quaylet.link", QtWarningMsg)

LineChannel::LineChannel(QLocalSocket* socket, Handler handler, QObject* parent)
    : QObject(parent),
      socket_(socket),
      handler_(std::move(handler))
{
    socket_->setParent(this);
    connect(socket_, &QLocalSocket::readyRead, this, &LineChannel::readLines);
    connect(socket_, &QLocalSocket::disconnected, this, [this] {
        // What the other end sent before it went is still delivered.
        readLines();
        remoteGone_ = true;
        QTimer::singleShot(0, this, &LineChannel::deliver);
    });
    if (socket_->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &LineChannel::readLines);
}

LineChannel::~LineChannel()
{
    close();
}

void LineChannel::send(const QJsonObject& message)
{
    if (!socket_)
        return;
    const QByteArray line = QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n';
    if (line.size() > LongestLine) {
        qCWarning(lcLink) << "not sent, too long:" << message.value(QLatin1String("kind")).toString() << line.size()
                          << "bytes";
        return;
    }
    socket_->write(line);
    socket_->flush();
}

void LineChannel::close()
{
    if (!socket_)
        return;
    received_.clear();
    socket_->disconnect(this);
    socket_->abort();
    std::exchange(socket_, nullptr)->deleteLater();
}

void LineChannel::lose()
{
    if (!socket_)
        return;
    close();
    Q_EMIT closed();
}

void LineChannel::readLines()
{
    if (!socket_)
        return;
    partial_ += socket_->readAll();
    qsizetype end;
    while ((end = partial_.indexOf('\n')) >= 0) {
        const QByteArray text = partial_.left(end);
        partial_.remove(0, end + 1);
        if (std::exchange(skippingLine_, false) || end > LongestLine) {
            qCWarning(lcLink) << "a message over" << LongestLine << "bytes dropped";
            continue;
        }
        const QJsonDocument line = QJsonDocument::fromJson(text);
        if (!line.isObject() || !line.object()["kind"].isString()) {
            lose();
            return;
        }
        received_.enqueue(line.object());
    }
    // A line over the bound is dropped as it comes, not held whole.
    if (partial_.size() > LongestLine) {
        partial_.clear();
        skippingLine_ = true;
    }
    if (!received_.isEmpty())
        QTimer::singleShot(0, this, &LineChannel::deliver);
}

// A handler may wait in a nested event loop (a dialog for its answer): the
// messages after its own, and those that come meanwhile, are delivered there.
void LineChannel::deliver()
{
    const QPointer<LineChannel> self(this);
    while (socket_ && !received_.isEmpty()) {
        const QJsonObject message = received_.dequeue();
        if (!received_.isEmpty())
            QTimer::singleShot(0, this, &LineChannel::deliver);
        handler_(message);
        if (!self)
            return;
    }
    if (remoteGone_ && received_.isEmpty())
        lose();
}

}  // namespace platform::link
