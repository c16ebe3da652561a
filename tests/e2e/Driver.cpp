#include "e2e/Driver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QThread>

namespace {
constexpr int PollMs = 50;
}

bool eventually(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QThread::msleep(PollMs);
    }
    return true;
}

Sandbox::Sandbox(const QString& logPath, const QStringList& quirks) : logPath_(logPath)
{
    process_.setProgram(QStringLiteral(QUAYLET_SANDBOX_EXECUTABLE));
    process_.setArguments(QStringList{"--base-port", QString::number(QUAYLET_E2E_BASE_PORT), "--log", logPath,
                                      "--slow-seconds", "30"}
                          + quirks);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.setReadChannel(QProcess::StandardError);
    process_.start();
    QByteArray said;
    ready_ = process_.waitForStarted(5000) && eventually([&] {
                 process_.waitForReadyRead(PollMs);
                 said += process_.readAllStandardError();
                 return said.contains("ready\n") || process_.state() == QProcess::NotRunning;
             }, 10000)
             && process_.state() == QProcess::Running;
}

Sandbox::~Sandbox()
{
    process_.terminate();
    if (!process_.waitForFinished(5000))
        process_.kill();
    process_.waitForFinished(2000);
}

QList<QJsonObject> Sandbox::log() const
{
    QList<QJsonObject> lines;
    QFile file(logPath_);
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            lines.append(QJsonDocument::fromJson(line).object());
    }
    return lines;
}

QJsonObject Sandbox::event(const QString& name) const
{
    for (const QJsonObject& line : log()) {
        if (line.value("event").toString() == name)
            return line;
    }
    return {};
}

bool Sandbox::waitForEvent(const QString& name, int timeoutMs) const
{
    return eventually([&] { return !event(name).isEmpty(); }, timeoutMs);
}

Quaylet::Quaylet(const QString& programDirectory)
{
    const QString copy = QDir(programDirectory).filePath("quaylet");
    QFile::copy(QStringLiteral(QUAYLET_E2E_EXECUTABLE), copy);
    process_.setProgram(copy);
    process_.setWorkingDirectory(QDir::tempPath());
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.setStandardOutputFile(QProcess::nullDevice());
    process_.start();
    if (!process_.waitForStarted(5000))
        return;
    const QString socketPath = QDir(programDirectory).filePath("quaylet-control");
    eventually([&] {
        socket_.connectToServer(socketPath);
        return socket_.waitForConnected(200) || process_.state() == QProcess::NotRunning;
    }, 15000);
}

Quaylet::~Quaylet()
{
    socket_.abort();
    process_.kill();
    process_.waitForFinished(5000);
}

QJsonObject Quaylet::call(const QJsonObject& request)
{
    if (!connected())
        return {{"ok", false}, {"error", "not connected"}};
    socket_.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + "\n");
    socket_.flush();
    eventually([&] { return socket_.canReadLine() || (socket_.waitForReadyRead(PollMs) && socket_.canReadLine()); },
               5000);
    if (!socket_.canReadLine())
        return {{"ok", false}, {"error", "no answer"}};
    return QJsonDocument::fromJson(socket_.readLine()).object();
}

QString Quaylet::caption()
{
    return call({{"command", "get"}, {"window", "frmMain"}}).value("title").toString();
}

QStringList Quaylet::captions()
{
    QStringList seen;
    for (const QJsonValue& caption : call({{"command", "captions"}}).value("captions").toArray())
        seen.append(caption.toString());
    return seen;
}

QJsonObject Quaylet::buttons(const QString& window)
{
    return call({{"command", "buttons"}, {"window", window}});
}

bool Quaylet::waitForCaption(const QString& expected, int timeoutMs)
{
    return eventually([&] { return caption() == expected; }, timeoutMs);
}

bool Quaylet::windowOpen(const QString& name)
{
    for (const QJsonValue& window : call({{"command", "windows"}}).value("windows").toArray()) {
        if (window.toObject().value("name").toString() == name)
            return true;
    }
    return false;
}

bool Quaylet::waitForWindow(const QString& name, int timeoutMs)
{
    return eventually([&] { return windowOpen(name); }, timeoutMs);
}

bool Quaylet::browserHoldsPage()
{
    return call({{"command", "browser"}}).value("page").toBool();
}

bool Quaylet::waitForIdleBrowser(int timeoutMs)
{
    return eventually([&] {
        const QJsonObject browser = call({{"command", "browser"}});
        return browser.value("ok").toBool() && !browser.value("page").toBool();
    }, timeoutMs);
}

QString Quaylet::waitForMessage(int timeoutMs)
{
    QString text;
    eventually([&] {
        const QJsonObject box = call({{"command", "messagebox"}});
        text = box.value("open").toBool() ? box.value("text").toString() : QString();
        return !text.isEmpty();
    }, timeoutMs);
    return text;
}

QJsonObject Quaylet::control(const QString& window, const QString& name)
{
    return call({{"command", "get"}, {"window", window}, {"control", name}});
}

void Quaylet::click(const QString& window, const QString& name)
{
    call({{"command", "click"}, {"window", window}, {"control", name}});
}

void Quaylet::paste(const QString& window, const QString& name, const QString& text)
{
    call({{"command", "paste"}, {"window", window}, {"control", name}, {"text", text}});
}

void Quaylet::key(const QString& window, const QString& name, const QString& keyName)
{
    call({{"command", "key"}, {"window", window}, {"control", name}, {"key", keyName}});
}

void Quaylet::answer(const QString& button)
{
    call({{"command", "answer"}, {"button", button}});
}

void Quaylet::logInThroughDialog(const QString& id, const QString& password, const QString& portalOption)
{
    if (!windowOpen("frmLogin")) {
        click("frmMain", "cmdLogin");
        waitForWindow("frmLogin");
    }
    paste("frmLogin", "txtID", id);
    paste("frmLogin", "txtPassword", password);
    click("frmLogin", portalOption);
    click("frmLogin", "cmdLogin");
}

bool Quaylet::waitForExit(int timeoutMs)
{
    return process_.waitForFinished(timeoutMs);
}
