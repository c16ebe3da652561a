#include "dialogs/ConfigDialog.h"

namespace dialogs {

ConfigDialog::ConfigDialog(AppState&, QString, storage::UserFile&, platform::Autostart&,
                           platform::MessageBox&, QWidget* parent)
    : QDialog(parent)
{
}

}  // namespace dialogs
