// quaylet-engine: the hidden browser and the ID unlock window of Quaylet, in
// a process of their own that Quaylet starts, talks to and ends.

#include "engine/EngineHost.h"
#include "platform/ProcessGuards.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QThread>

#include <iostream>
#include <string>

int main(int argc, char* argv[])
{
    platform::keepMemoryPrivate();
    // Each navigation gets a fresh page: on one site they share a renderer
    // instead of starting one each (a Daum login's three pages: 0.92 s to
    // 0.79 s on the bench's light pages), and the engine only ever visits the
    // portals.
    QByteArray chromiumFlags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + " --process-per-site";
    // Chromium's reports and Qt WebEngine's on the GL in use fill standard
    // error at every start: they are shown only with the program's log switch.
    if (!qgetenv("QT_LOGGING_RULES").contains("quaylet.")) {
        chromiumFlags += " --log-level=3";
        QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    }
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", chromiumFlags);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);

    const QStringList arguments = app.arguments();
    const qsizetype link = arguments.indexOf(QStringLiteral("--link"));
    if (link < 0 || link + 1 >= arguments.size()) {
        qCritical("quaylet-engine is started by Quaylet");
        return 2;
    }
    // The secret that lets this engine in comes first on standard input; the
    // line is taken as soon as it is there, without waiting for more.
    std::string token;
    std::getline(std::cin, token);
    // Quaylet may start this engine before its own door is open (a named
    // pipe is made only once Qt runs there): it is waited for, as long as the
    // connection itself may take.
    auto* socket = new QLocalSocket;
    const QDeadlineTimer deadline(platform::link::ConnectDeadlineMs);
    socket->connectToServer(arguments[link + 1]);
    while (!socket->waitForConnected(int(deadline.remainingTime()))) {
        if (socket->error() != QLocalSocket::ServerNotFoundError || deadline.hasExpired()) {
            qCritical("quaylet-engine: Quaylet cannot be reached: %s", qPrintable(socket->errorString()));
            return 1;
        }
        QThread::msleep(10);
        socket->connectToServer(arguments[link + 1]);
    }
    // Out now, so that the program admits this engine while its browser starts.
    socket->write(QByteArray::fromStdString(token) + '\n');
    socket->flush();
    engine::EngineHost host(socket);
    QObject::connect(&host, &engine::EngineHost::linkClosed, &app, &QCoreApplication::quit);
    return app.exec();
}
