#include "dialogs/WebDialog.h"

namespace dialogs {

WebDialog::WebDialog(const Addresses&, platform::ProcessStarter&, QWidget* parent) : QWidget(parent, Qt::Window) {}

}  // namespace dialogs
