#pragma once

#include "app/Addresses.h"

#include <QWidget>

namespace platform {
class ProcessStarter;
}

namespace dialogs {

// frmWeb: opens the ticked game sites in the system browser.
class WebDialog : public QWidget {
    Q_OBJECT
public:
    WebDialog(const Addresses& addresses, platform::ProcessStarter& processes, QWidget* parent = nullptr);
};

}  // namespace dialogs
