#pragma once

#include "app/Addresses.h"
#include "app/AppState.h"
#include "app/WindowHost.h"

#include <QString>

class QWebEngineProfile;

namespace platform {
class MessageBox;
}
namespace portal {
class PortalSession;
}
namespace storage {
class UserFile;
}

// Creates the secondary windows from the shared state when they are asked
// for, and keeps at most one of each.
class Windows : public WindowHost {
public:
    Windows(AppState& state, const Addresses& addresses, QString programDirectory,
            storage::UserFile& userFile, platform::MessageBox& messages, QWebEngineProfile& profile);

    void setSession(portal::PortalSession* session);

    void showLoginDialog() override;
    void showConfigDialog() override;
    void showInfoBox() override;
    void showWebDialog() override;
    void showUnlockWindow() override;

private:
    AppState& state_;
    const Addresses& addresses_;
    QString programDirectory_;
    storage::UserFile& userFile_;
    platform::MessageBox& messages_;
    QWebEngineProfile& profile_;
    portal::PortalSession* session_ = nullptr;
};
