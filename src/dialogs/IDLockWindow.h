#pragma once

#include "app/Addresses.h"

#include <QWidget>

class QWebEngineProfile;

namespace platform {
class MessageBox;
}
namespace portal {
class Browser;
}

namespace dialogs {

// frmIDLock: the portal's own ID-unlock pages in a visible browser.
class IDLockWindow : public QWidget {
    Q_OBJECT
public:
    IDLockWindow(const Addresses& addresses, const QString& lockUrl, QWebEngineProfile& profile,
                 portal::Browser& mainBrowser, platform::MessageBox& messages, QWidget* parent = nullptr);
};

}  // namespace dialogs
