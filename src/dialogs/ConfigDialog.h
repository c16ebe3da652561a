#pragma once

#include "core/AppState.h"
#include "storage/SettingsFolder.h"

#include <QDialog>

class QCheckBox;
class QPushButton;
class QRadioButton;

namespace platform {
class Autostart;
class MessageBox;
}  // namespace platform
namespace storage {
class UserFile;
}

namespace dialogs {

// frmConfig: the seven settings. Nothing is kept until the save button is
// pressed; any other way out discards the changes.
class ConfigDialog : public QDialog {
    Q_OBJECT
public:
    ConfigDialog(AppState& state, storage::SettingsFolder settings, storage::UserFile& userFile,
                 platform::Autostart& autostart, platform::MessageBox& messages, QWidget* parent = nullptr);

    // Saving the password needs the ID saved, automatic login the password.
    void ChkBox();

private:
    void Form_Load();
    void cmdSumit_Click();

    AppState& state_;
    storage::SettingsFolder settings_;
    storage::UserFile& userFile_;
    platform::Autostart& autostart_;
    platform::MessageBox& messages_;

    QRadioButton* optDHONet_;
    QRadioButton* optDHODaum_;
    QCheckBox* chkWindowRun_;
    QCheckBox* chkIDSave_;
    QCheckBox* chkPWDSave_;
    QCheckBox* chkAutoLogin_;
    QCheckBox* chkAutoRun_;
    QRadioButton* optGSANone_;
    QRadioButton* optGSAWindow_;
    QRadioButton* optGSAQuit_;
    QPushButton* cmdSumit_;
};

}  // namespace dialogs
