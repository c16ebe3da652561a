#include "dialogs/LoginDialog.h"

namespace dialogs {

LoginDialog::LoginDialog(AppState&, storage::UserFile&, portal::PortalSession&, platform::MessageBox&,
                         QWidget* parent)
    : QDialog(parent)
{
}

}  // namespace dialogs
