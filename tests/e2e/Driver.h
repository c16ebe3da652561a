#pragma once

// The sandbox and the program, the latter worked through its control surface.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QMessageBox>
#include <QProcess>
#include <QThread>

#include <functional>
#include <ostream>

// Waits, running nothing else, until the condition holds or the time is up.
inline bool eventually(const std::function<bool()>& condition, int timeoutMs = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(50);
    }
    return true;
}

// Runs a program to its end within the time: its exit code, -1 when it did
// not end by itself; what it printed goes to output.
inline int run(const QString& program, const QStringList& arguments, int timeoutMs, QString* output = nullptr,
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit;
    if (output)
        *output = QString::fromLocal8Bit(process.readAll());
    return ended ? process.exitCode() : -1;
}

// A file's lines; none when it cannot be read.
inline QStringList linesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                                          : QStringList();
}

// Writes a file, making its folder; an executable one its owner alone may run.
inline void writeFile(const QString& path, const QByteArray& text, bool executable = false)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text);
    if (executable)
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// A portal as the program shows it and the sandbox serves it.
struct Portal {
    const char* name;     // as the settings file spells it
    QString option;       // its choice in the login dialog
    QString label;        // as the captions name it
    QString landingPage;  // where a login ends
    QString passwordField;

    QString caption(const QString& state) const { return "Quaylet - " + label + " " + state; }
};

// Names the portal in test names and failure messages.
inline void PrintTo(const Portal& portal, std::ostream* out)
{
    *out << portal.name;
}

inline const Portal Netmarble{"Netmarble", "optDHONetmarble", "넷마블", "/main.asp", "put_pwd"};
inline const Portal Daum{"Daum", "optDHODaum", "다음", "/intro.asp", "enpw"};

// Makes the program in the folder log in by itself as "captain" with "sea":
// config.ini (WindowRun, IDSave, PWDSave, AutoLogin, AutoRun, GSA as
// afterStart, portal) and the User.ini that keeps them.
inline void saveAutoLogin(const QString& folder, const Portal& portal, int afterStart = 0)
{
    const QByteArray config = " 0 \r\n 1 \r\n 1 \r\n 1 \r\n 0 \r\n " + QByteArray::number(afterStart) + " \r\n";
    writeFile(folder + "/config.ini", config + portal.name + "\r\n");
    writeFile(folder + "/User.ini", "47:6>058:6=94I\r\n57::=1\r\n");
}

// quaylet-sandbox on the ports the end-to-end build of the program uses, with
// a fresh log; quirks are its options for misbehaving portals.
class Sandbox {
public:
    Sandbox(const QString& logPath, const QStringList& quirks = {}) : logPath_(logPath)
    {
        QFile::remove(logPath);
        process_.setReadChannel(QProcess::StandardError);
        process_.start(QStringLiteral(QUAYLET_SANDBOX_EXECUTABLE),
                       QStringList{"--base-port", QString::number(QUAYLET_E2E_BASE_PORT), "--log", logPath,
                                   "--slow-seconds", "30"}
                           + quirks);
        QByteArray said;
        while (!said.contains("ready\n") && process_.waitForReadyRead(10000))
            said += process_.readAllStandardError();
        ready_ = said.contains("ready\n");
    }

    // Lets it stop by itself first; the process ends it otherwise.
    ~Sandbox() { stop(); }

    bool ready() const { return ready_; }

    // Whether it stopped at once, and cleanly, when asked to.
    bool stop()
    {
        process_.terminate();
        return process_.waitForFinished(3000) && process_.exitStatus() == QProcess::NormalExit
               && process_.exitCode() == 0;
    }

    // The logged requests whose field has the value, on the portal when one is named.
    QList<QJsonObject> requests(const QString& field, const QString& value, const Portal* portal = nullptr) const
    {
        QList<QJsonObject> found;
        QFile log(logPath_);
        log.open(QIODevice::ReadOnly);
        for (const QByteArray& text : log.readAll().split('\n')) {
            const QJsonObject line = QJsonDocument::fromJson(text).object();
            if (line[field] == value && (!portal || line["portal"] == QString(portal->name).toLower()))
                found.append(line);
        }
        return found;
    }

    bool waitForEvent(const QString& name, const Portal* portal = nullptr, int timeoutMs = 20000) const
    {
        return eventually([&] { return !requests("event", name, portal).isEmpty(); }, timeoutMs);
    }

private:
    QString logPath_;
    QProcess process_;
    bool ready_ = false;
};

// The program itself, worked through its windows.
class Quaylet {
public:
    // Started from a copy in its own program directory.
    explicit Quaylet(const QString& programDirectory) : dir_(programDirectory)
    {
        const QString copy = dir_.filePath("quaylet");
        QFile::copy(QStringLiteral(QUAYLET_E2E_EXECUTABLE), copy);
        QFile::copy(QStringLiteral(QUAYLET_E2E_ENGINE), dir_.filePath("quaylet-engine"));
        // A stand-in for the system's URL opener notes every address it is
        // handed (a launcher's life after the hand-off is the launch tests'
        // part). A stand-in xdg-mime names the desktop entry of the launcher as
        // the scheme's handler, which is installed where xdg-open would look for it.
        writeFile(dir_.filePath("data/applications/quaylet-stand-in.desktop"),
                  "[Desktop Entry]\nType=Application\nName=Launcher\nExec=xdg-open %u\n");
        writeFile(dir_.filePath("bin/xdg-mime"), "#!/bin/sh\necho quaylet-stand-in.desktop\n", true);
        writeFile(dir_.filePath("bin/xdg-open"),
                  "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"$(dirname \"$0\")/../launched\"\n", true);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PATH", dir_.filePath("bin") + ':' + environment.value("PATH"));
        // One running program a user: each test's is alone in a runtime folder of its own.
        dir_.mkpath("run");
        QFile::setPermissions(dir_.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert("XDG_RUNTIME_DIR", dir_.filePath("run"));
        environment.insert("XDG_DATA_HOME", dir_.filePath("data"));
        process_.setProcessEnvironment(environment);
        start(copy, {}, dir_.filePath("quaylet-control"));
    }

    // Started by a command, in the environment given, with its control
    // surface where QUAYLET_CONTROL_SOCKET of that environment says.
    Quaylet(const QString& command, const QStringList& arguments, const QProcessEnvironment& environment)
    {
        process_.setProcessEnvironment(environment);
        start(command, arguments, environment.value("QUAYLET_CONTROL_SOCKET"));
    }

    bool connected() const { return socket_.state() == QLocalSocket::ConnectedState; }

    // The addresses handed to the system so far, in order.
    QStringList launched() const { return linesOf(dir_.filePath("launched")); }
    bool waitForExit(int timeoutMs) { return process_.waitForFinished(timeoutMs); }
    qint64 processId() const { return process_.processId(); }

    // Sends a command to the program's control surface, or to its engine's
    // when the program has no such window; the answer, empty when none came.
    QJsonObject call(const QJsonObject& request)
    {
        const QJsonObject answer = callOn(socket_, request);
        if (!answer.contains("error") || !connectEngine(callOn(socket_, {{"command", "state"}})["engine"]))
            return answer;
        return callOn(engineSocket_, request);
    }

    // The visible windows of the program and its engine with their controls,
    // the open message box and the engine's process id (0 while none runs).
    const QJsonObject state()
    {
        QJsonObject now = callOn(socket_, {{"command", "state"}});
        if (connectEngine(now["engine"])) {
            QJsonObject windows = now["windows"].toObject();
            const QJsonObject engineWindows = callOn(engineSocket_, {{"command", "state"}})["windows"].toObject();
            for (auto window = engineWindows.begin(); window != engineWindows.end(); ++window)
                windows.insert(window.key(), window.value());
            now["windows"] = windows;
        }
        return now;
    }
    QString caption() { return state()["windows"]["frmMain"]["title"].toString(); }
    bool windowOpen(const QString& name) { return state()["windows"].toObject().contains(name); }

    // The main window's caption and buttons: "Quaylet | 로그인", "… | 로그아웃 | game start"
    // (game start enabled), "… | 로그아웃 (disabled)".
    // Asks the program alone: an engine that hangs must not hold the answer up.
    QString mainWindow()
    {
        const QJsonObject program = callOn(socket_, {{"command", "state"}});
        const QJsonObject main = program["windows"]["frmMain"].toObject();
        const QJsonValue login = main["controls"]["cmdLogin"];
        return main["title"].toString() + " | " + login["text"].toString()
               + (login["enabled"].toBool() ? "" : " (disabled)")
               + (main["controls"]["cmdGameStart"]["enabled"].toBool() ? " | game start" : "");
    }

    // Every caption the main window took since the last call, in order.
    QStringList captions() { return call({{"command", "captions"}})["captions"].toVariant().toStringList(); }

    bool waitForCaption(const QString& expected, int timeoutMs = 20000)
    {
        return eventually([&] { return caption() == expected; }, timeoutMs);
    }

    bool waitForWindow(const QString& name)
    {
        return eventually([&] { return windowOpen(name); });
    }

    bool waitForIdleBrowser()
    {
        return eventually([&] { return state()["engine"].toInteger() == 0; }, 10000);
    }

    // The text of the message box once one is open; empty when none opened in time.
    QString waitForMessage()
    {
        eventually([&] { return state()["message"].isObject(); });
        return state()["message"]["text"].toString();
    }

    void click(const QString& window, const QString& name)
    {
        call({{"command", "click"}, {"window", window}, {"control", name}});
    }

    void key(const QString& window, const QString& name, Qt::Key key)
    {
        call({{"command", "key"}, {"window", window}, {"control", name}, {"key", int(key)}});
    }

    void answer(QMessageBox::StandardButton button) { call({{"command", "answer"}, {"button", int(button)}}); }

    // Opens the login dialog from the main window unless it is open, and logs in with it.
    void logInThroughDialog(const QString& id, const QString& password, const QString& portalOption)
    {
        if (!windowOpen("frmLogin")) {
            click("frmMain", "cmdLogin");
            waitForWindow("frmLogin");
        }
        call({{"command", "paste"}, {"window", "frmLogin"}, {"control", "txtID"}, {"text", id}});
        call({{"command", "paste"}, {"window", "frmLogin"}, {"control", "txtPassword"}, {"text", password}});
        click("frmLogin", portalOption);
        click("frmLogin", "cmdLogin");
    }

private:
    static QJsonObject callOn(QLocalSocket& socket, const QJsonObject& request)
    {
        if (socket.state() != QLocalSocket::ConnectedState)
            return {};
        socket.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + "\n");
        socket.flush();
        eventually(
            [&] {
                return socket.canReadLine() || (socket.waitForReadyRead(50) && socket.canReadLine())
                       || socket.state() != QLocalSocket::ConnectedState;
            },
            5000);
        return QJsonDocument::fromJson(socket.readLine()).object();
    }

    // Engines come and go: connected to the one of the moment, by its process id.
    bool connectEngine(const QJsonValue& engine)
    {
        if (engine.toInteger() == 0)
            return false;
        if (engine.toInteger() == connectedEngine_ && engineSocket_.state() == QLocalSocket::ConnectedState)
            return true;
        engineSocket_.abort();
        connectedEngine_ = 0;
        engineSocket_.connectToServer(socketPath_ + "-engine");
        if (!engineSocket_.waitForConnected(500))
            return false;
        connectedEngine_ = engine.toInteger();
        return true;
    }

    void start(const QString& command, const QStringList& arguments, const QString& socketPath)
    {
        socketPath_ = socketPath;
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setWorkingDirectory(QDir::tempPath());
        process_.start(command, arguments);
        eventually([&] {
            socket_.connectToServer(socketPath);
            return socket_.waitForConnected(200) || process_.state() == QProcess::NotRunning;
        });
    }

    QDir dir_;
    QProcess process_;
    QString socketPath_;
    QLocalSocket socket_;
    QLocalSocket engineSocket_;
    qint64 connectedEngine_ = 0;
};
