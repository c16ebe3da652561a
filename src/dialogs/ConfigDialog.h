#pragma once

#include "app/AppState.h"

#include <QDialog>

namespace platform {
class Autostart;
class MessageBox;
}  // namespace platform
namespace storage {
class UserFile;
}

namespace dialogs {

// frmConfig: the seven settings.
class ConfigDialog : public QDialog {
    Q_OBJECT
public:
    ConfigDialog(AppState& state, QString programDirectory, storage::UserFile& userFile,
                 platform::Autostart& autostart, platform::MessageBox& messages, QWidget* parent = nullptr);
};

}  // namespace dialogs
