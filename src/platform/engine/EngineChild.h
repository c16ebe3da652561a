#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryDir;

namespace platform {

// The browser engine's process, started with a plain system call rather than
// a QProcess, so that it can start before this program's own Qt start, beside
// it, and be watched once the event loop exists.
class EngineChild : public QObject {
    Q_OBJECT
public:
    // Starts executable with arguments, tied to this program's life: it is
    // ended when the program ends, however it ends (killed included); what it
    // starts in turn is not tied. It reads input (a line, well within a
    // pipe's buffer) on its standard input, which then ends; its output and
    // errors are this program's, or the null device where this program has
    // none. It gets no other descriptor of this program's. Null, with the
    // system's reason in error, when it could not be started. Needs no
    // QCoreApplication.
    static std::unique_ptr<EngineChild> start(const QString& executable, const QStringList& arguments,
                                              const QByteArray& input, QString& error);
    ~EngineChild() override;

    qint64 id() const;
    // Until its end was seen, watched or waited for.
    bool running() const;
    // From now on ended is emitted, once, when the process has ended: at
    // once, through the event loop, if it already has.
    void watch();
    void kill();
    bool waitForEnded(int milliseconds);

Q_SIGNALS:
    void ended();

private:
    struct System;
    explicit EngineChild(std::unique_ptr<System> system);
    void reap();

    std::unique_ptr<System> system_;
};

// Where the engine connects: a door made before the engine starts, so that it
// can connect at once, whether or not this program's event loop runs yet.
struct LinkDoor {
    QString name;             // what the engine is told to connect to
    qintptr listening = -1;   // a listening socket only this user may use,
                              // or -1 where the system has none to hand over
    // Where the system has the door's file, a folder of its own that only
    // this user may enter, out of the shared temporary folder's reach. It
    // goes, with the file, when the last copy of this does: keep one until
    // the engine came in.
    std::shared_ptr<QTemporaryDir> folder;
};
LinkDoor openLinkDoor();

}  // namespace platform
