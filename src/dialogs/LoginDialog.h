#pragma once

#include "app/AppState.h"

#include <QDialog>

namespace platform {
class MessageBox;
}
namespace portal {
class PortalSession;
}
namespace storage {
class UserFile;
}

namespace dialogs {

// frmLogin: ID, password and portal; starts the login.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    LoginDialog(AppState& state, storage::UserFile& userFile, portal::PortalSession& session,
                platform::MessageBox& messages, QWidget* parent = nullptr);
};

}  // namespace dialogs
