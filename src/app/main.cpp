#include "app/Artwork.h"
#include "app/MainWindow.h"
#include "app/Startup.h"
#include "app/WindowManager.h"
#include "core/Addresses.h"
#include "core/AppState.h"
#include "platform/Autostart.h"
#include "platform/Files.h"
#include "platform/ProcessGuards.h"
#include "platform/ProcessStarter.h"
#include "platform/ProgramInstance.h"
#include "platform/UserFolder.h"
#include "platform/engine/RemoteBrowser.h"
#include "platform/qt/QtMessageBox.h"
#include "platform/qt/SingleWindow.h"
#include "portal/PortalSession.h"
#include "storage/ConfigFile.h"
#include "storage/LaunchApprovals.h"
#include "storage/SettingsFolder.h"
#include "storage/UserFile.h"

#include <QApplication>
#include <QFont>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// --help and --version, which need no display; every other argument is Qt's.
std::optional<int> answerCommandLine(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quaylet %s\n", QUAYLET_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("Usage: quaylet [--help | --version]\n"
                        "Signs in to Uncharted Waters Online through the Netmarble or Daum portal and\n"
                        "starts the game. Its windows are in Korean; it needs a graphical desktop.\n"
                        "\n"
                        "  --help     print this help and exit\n"
                        "  --version  print the version and exit\n"
                        "\n"
                        "QT_LOGGING_RULES=\"quaylet.*.debug=true\" logs what the login does.\n"
                        "See quaylet(1).\n");
            return 0;
        }
    }
    return std::nullopt;
}

// What Qt says while it looks for a display, held back: without one, the
// program says so in one line of its own and ends with status 1.
QList<QByteArray> heldMessages;

void holdStartMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type != QtFatalMsg) {
        heldMessages.append(qFormatLogMessage(type, context, message).toLocal8Bit());
        return;
    }
    const QByteArray display = qgetenv("DISPLAY");
    std::fprintf(stderr, "quaylet: no display could be opened (%s); Quaylet needs a graphical desktop\n",
                 display.isEmpty() ? "DISPLAY is not set" : ("DISPLAY=" + display).constData());
    std::_Exit(1);
}

// Answers a later start of this user's program: the window comes forward.
void openInstanceDoor(QWidget& mainWindow)
{
    const QString name = QString::fromStdU16String(platform::instanceDoorName());
    if (name.isEmpty())
        return;
    auto* door = new QLocalServer(&mainWindow);
    door->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is this program's: a door of that name is a dead one's.
    QLocalServer::removeServer(name);
    door->listen(name);
    QObject::connect(door, &QLocalServer::newConnection, &mainWindow, [door, &mainWindow] {
        while (QLocalSocket* knock = door->nextPendingConnection())
            knock->deleteLater();
        // A program ending after its game start stays out of sight.
        if (!mainWindow.isVisible())
            return;
        platform::bringToFront(&mainWindow);
        // A box or dialog it has open stays on top of it.
        if (QWidget* modal = QApplication::activeModalWidget())
            platform::bringToFront(modal);
    });
}

// The designs name Windows' Korean fonts; elsewhere Nanum Gothic stands in.
void useKoreanFonts()
{
    const QStringList fallbacks{QStringLiteral("Gulim"), QStringLiteral("NanumGothic"),
                                QStringLiteral("Noto Sans CJK KR"), QStringLiteral("UnDotum")};
    QFont::insertSubstitutions(QStringLiteral("굴림"), fallbacks);
    QFont::insertSubstitutions(QStringLiteral("돋움"),
                               QStringList{QStringLiteral("Dotum")} + fallbacks.mid(1));
    QApplication::setFont(QFont(QStringLiteral("굴림"), 9));
}

}  // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> answered = answerCommandLine(argc, argv))
        return *answered;
    platform::keepMemoryPrivate();
    // One program a user: a later start, which must never log in too, only
    // brings the running one's window forward.
    if (!platform::takeInstanceLock()) {
        if (!platform::knockOnInstanceDoor(5000))
            std::fprintf(stderr, "quaylet: Quaylet is already running for this user but does not answer\n");
        return 0;
    }
    // Where config.ini and User.ini live is settled once, here, for the whole
    // run, and the settings are read before Qt's start: with an automatic
    // login due, the browser engine starts now and gets through its own long
    // start beside this program's.
    const auto settings =
        storage::SettingsFolder::decide(QString::fromStdU16String(platform::programDirectory()),
                                        QString::fromStdU16String(platform::userSettingsDirectory()));
    AppState state;
    storage::ConfigLoad(settings, state);
    const QString engineExecutable = platform::EngineConnection::besideProgram();
    platform::EngineConnection::Launch engine;
    const bool autoLoginDue = state.Config.AutoLogin == 1 && platform::engineCanRun();
    if (autoLoginDue)
        engine = platform::EngineConnection::launch(engineExecutable);

    const QtMessageHandler defaultHandler = qInstallMessageHandler(holdStartMessages);
    QApplication app(argc, argv);
    qInstallMessageHandler(defaultHandler);
    for (const QByteArray& message : std::as_const(heldMessages))
        std::fprintf(stderr, "%s\n", message.constData());
    // The program ends only by closing the main window or by its after-start action.
    app.setQuitOnLastWindowClosed(false);

    const Addresses addresses(Endpoints::builtIn());
    platform::QtMessageBox messages;
    storage::UserFile userFile(state, settings, messages);

    // The main window's browser `Web`, never shown, in a process of its own.
    // It starts when a portal operation is due or likely.
    platform::RemoteBrowser web(engineExecutable, messages, &app);
    web.setObjectName(QStringLiteral("Web"));
    // A channel page hands the game launcher's scheme to the system at once;
    // the user allows any other, once and for good for the host that asked.
    storage::LaunchApprovals launchApprovals(settings, messages);
    web.setLauncherSchemes(Endpoints::launcherSchemes());
    web.setLaunchQuestion([&launchApprovals](const QString& host, const QString& scheme, const QString& address) {
        return launchApprovals.allows(host, scheme, address);
    });
    if (autoLoginDue)
        web.connection().adopt(std::move(engine));

    app.setWindowIcon(artwork::programIcon());
    useKoreanFonts();

    const std::unique_ptr<platform::Autostart> autostart = platform::systemAutostart();
    const std::unique_ptr<platform::ProcessStarter> processes = platform::systemProcessStarter();

    WindowManager windows({state, addresses, settings, userFile, messages, *autostart, *processes, web});
    MainWindow mainWindow(windows);
    messages.setParentWindow(&mainWindow);
    portal::PortalSession session(state, addresses, web, mainWindow, messages);
    mainWindow.setSession(&session);
    windows.setSession(&session);
    windows.setMainWindow(&mainWindow);

    web.setMainWindow(&mainWindow);
    // The main window's load, its settings read above.
    if (autoLoginDue)
        autoLogin(state, userFile, session);
    mainWindow.show();
    openInstanceDoor(mainWindow);
    // Told once the window is up, which the box then belongs to.
    if (state.Config.AutoLogin == 1 && !autoLoginDue)
        QTimer::singleShot(0, &mainWindow, [&messages] { loginCanStart(messages); });
    return app.exec();
}
