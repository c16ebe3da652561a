#pragma once

#include "app/WindowHost.h"
#include "core/Addresses.h"
#include "core/AppState.h"

#include <QPointer>
#include <QString>

class QWidget;

namespace dialogs {
class ConfigDialog;
class InfoBox;
class LoginDialog;
class WebDialog;
}  // namespace dialogs
namespace platform {
class Autostart;
class RemoteBrowser;
class MessageBox;
class ProcessStarter;
}  // namespace platform
namespace portal {
class PortalSession;
}  // namespace portal
namespace storage {
class SettingsFolder;
class UserFile;
}  // namespace storage

// Everything the secondary windows are made from.
struct WindowServices {
    AppState& state;
    const Addresses& addresses;
    const storage::SettingsFolder& settings;
    storage::UserFile& userFile;
    platform::MessageBox& messages;
    platform::Autostart& autostart;
    platform::ProcessStarter& processes;
    platform::RemoteBrowser& engine;  // the hidden browser, which also shows the unlock window
};

// Creates the secondary windows afresh from the shared state when they are
// asked for, and keeps at most one of each.
class WindowManager : public WindowHost {
public:
    explicit WindowManager(WindowServices services);
    ~WindowManager() override;

    void setSession(portal::PortalSession* session);
    // Modal dialogs are centred on this window.
    void setMainWindow(QWidget* mainWindow);

    void showLoginDialog() override;
    void showConfigDialog() override;
    void showInfoBox() override;
    void showWebDialog() override;
    void showUnlockWindow() override;
    void closeUnlockWindow() override;
    void browserNeededSoon() override;

private:
    WindowServices services_;
    portal::PortalSession* session_ = nullptr;
    QWidget* mainWindow_ = nullptr;
    QPointer<dialogs::LoginDialog> login_;
    QPointer<dialogs::ConfigDialog> config_;
    QPointer<dialogs::InfoBox> info_;
    QPointer<dialogs::WebDialog> web_;
};
