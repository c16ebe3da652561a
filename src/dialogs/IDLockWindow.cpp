#include "dialogs/IDLockWindow.h"

namespace dialogs {

IDLockWindow::IDLockWindow(const Addresses&, const QString&, QWebEngineProfile&, portal::Browser&,
                           platform::MessageBox&, QWidget* parent)
    : QWidget(parent, Qt::Window)
{
}

}  // namespace dialogs
