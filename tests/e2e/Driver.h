#pragma once

#include <QJsonObject>
#include <QList>
#include <QLocalSocket>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

// Waits, running nothing else, until the condition holds or the time is up.
bool eventually(const std::function<bool()>& condition, int timeoutMs = 20000);

// quaylet-sandbox on the ports the end-to-end build of the program uses.
class Sandbox {
public:
    // Quirks are the sandbox's options for misbehaving portals.
    explicit Sandbox(const QString& logPath, const QStringList& quirks = {});
    ~Sandbox();

    bool ready() const { return ready_; }
    QList<QJsonObject> log() const;
    // The first logged request that has this event, if any.
    QJsonObject event(const QString& name) const;
    bool waitForEvent(const QString& name, int timeoutMs = 20000) const;

private:
    QString logPath_;
    QProcess process_;
    bool ready_ = false;
};

// The program itself, started from a copy in its own program directory and
// worked through its windows.
class Quaylet {
public:
    explicit Quaylet(const QString& programDirectory);
    ~Quaylet();

    bool connected() const { return socket_.state() == QLocalSocket::ConnectedState; }
    qint64 processId() const { return process_.processId(); }
    QJsonObject call(const QJsonObject& request);

    QString caption();
    // Every caption the main window took since the last call, in order.
    QStringList captions();
    // The window's caption and its buttons' captions and states, seen at one moment.
    QJsonObject buttons(const QString& window);
    bool waitForCaption(const QString& caption, int timeoutMs = 20000);
    bool waitForWindow(const QString& name, int timeoutMs = 20000);
    bool windowOpen(const QString& name);
    // Whether the hidden browser holds a page (and with it a renderer).
    bool browserHoldsPage();
    bool waitForIdleBrowser(int timeoutMs = 10000);
    // The text of the message box once one is open; empty when none opened in time.
    QString waitForMessage(int timeoutMs = 20000);

    QJsonObject control(const QString& window, const QString& control);
    void click(const QString& window, const QString& control);
    void paste(const QString& window, const QString& control, const QString& text);
    void key(const QString& window, const QString& control, const QString& key);
    void answer(const QString& button);

    // Opens the login dialog from the main window and logs in with it.
    void logInThroughDialog(const QString& id, const QString& password, const QString& portalOption);

    bool waitForExit(int timeoutMs);

private:
    QProcess process_;
    QLocalSocket socket_;
};
