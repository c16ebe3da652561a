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
#include "platform/UserFolder.h"
#include "platform/engine/EngineProcess.h"
#include "platform/qt/QtMessageBox.h"
#include "portal/PortalSession.h"
#include "storage/ConfigFile.h"
#include "storage/LaunchApprovals.h"
#include "storage/SettingsFolder.h"
#include "storage/UserFile.h"

#include <QApplication>
#include <QFont>

namespace {

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
    platform::keepMemoryPrivate();
    // Where config.ini and User.ini live is settled once, here, for the whole
    // run, and the settings are read before Qt's start: with an automatic
    // login due, the browser engine starts now and gets through its own long
    // start beside this program's.
    const auto settings =
        storage::SettingsFolder::decide(QString::fromStdU16String(platform::programDirectory()),
                                        QString::fromStdU16String(platform::userSettingsDirectory()));
    AppState state;
    storage::ConfigLoad(settings, state);
    const QString engineExecutable = platform::EngineProcess::besideProgram();
    platform::EngineProcess::Launch engine;
    if (state.Config.AutoLogin == 1)
        engine = platform::EngineProcess::launch(engineExecutable);

    QApplication app(argc, argv);
    // The program ends only by closing the main window or by its after-start action.
    app.setQuitOnLastWindowClosed(false);

    const Addresses addresses(Endpoints::builtIn());
    platform::QtMessageBox messages;
    storage::UserFile userFile(state, settings, messages);

    // The main window's browser `Web`, never shown, in a process of its own.
    // It starts when a portal operation is due or likely.
    platform::EngineProcess web(engineExecutable, messages, &app);
    web.setObjectName(QStringLiteral("Web"));
    // A channel page hands the game launcher's scheme to the system at once;
    // the user allows any other, once and for good.
    storage::LaunchApprovals launchApprovals(settings, messages);
    web.setLauncherSchemes(Endpoints::launcherSchemes());
    web.setLaunchQuestion([&launchApprovals](const QString& host, const QString& scheme) {
        return launchApprovals.allows(host, scheme);
    });
    if (state.Config.AutoLogin == 1)
        web.adopt(std::move(engine));

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
    autoLogin(state, userFile, session);
    mainWindow.show();
    return app.exec();
}
