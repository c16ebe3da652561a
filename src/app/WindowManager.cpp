#include "app/WindowManager.h"

#include "app/Startup.h"
#include "dialogs/ConfigDialog.h"
#include "dialogs/InfoBox.h"
#include "dialogs/LoginDialog.h"
#include "dialogs/WebDialog.h"
#include "platform/ProgramInstance.h"
#include "platform/engine/RemoteBrowser.h"
#include "platform/qt/SingleWindow.h"
#include "portal/PortalSession.h"

#include <QWidget>

namespace {

// Runs a modal dialog, or brings the open one forward.
template <typename Dialog, typename Make>
void execSingle(QPointer<Dialog>& instance, Make make)
{
    if (instance) {
        platform::bringToFront(instance);
        return;
    }
    Dialog* dialog = make();
    instance = dialog;
    dialog->exec();
    delete dialog;
}

}  // namespace

WindowManager::WindowManager(WindowServices services) : services_(std::move(services)) {}

WindowManager::~WindowManager()
{
    delete info_;
    delete web_;
}

void WindowManager::setSession(portal::PortalSession* session)
{
    session_ = session;
}

void WindowManager::setMainWindow(QWidget* mainWindow)
{
    mainWindow_ = mainWindow;
}

void WindowManager::showLoginDialog()
{
    if (!session_ || !loginCanStart(services_.messages))
        return;
    execSingle(login_, [this] {
        return new dialogs::LoginDialog(services_.state, services_.userFile, *session_,
                                        services_.messages, mainWindow_);
    });
}

void WindowManager::browserNeededSoon()
{
    if (platform::engineCanRun())
        services_.engine.connection().start();
}

void WindowManager::showConfigDialog()
{
    execSingle(config_, [this] {
        return new dialogs::ConfigDialog(services_.state, services_.settings, services_.userFile,
                                         services_.autostart, services_.messages, mainWindow_);
    });
}

void WindowManager::showInfoBox()
{
    platform::showSingle(info_, [] { return new dialogs::InfoBox(); });
}

void WindowManager::showWebDialog()
{
    platform::showSingle(web_, [this] {
        return new dialogs::WebDialog(services_.addresses, services_.processes, services_.messages);
    });
}

// The session follows the unlock window's pages and decides when it is done.
void WindowManager::showUnlockWindow()
{
    services_.engine.showUnlockWindow(services_.state.Temp.IDLockURL, [this](const QString& address) {
        if (session_)
            session_->Web2_DocumentComplete(address);
    });
}

void WindowManager::closeUnlockWindow()
{
    services_.engine.closeUnlockWindow();
}
