#pragma once

#include "core/AppState.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

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

// frmLogin: ID, password and portal; starts the login in the main window.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    // Outer heights in twips: entry controls only, or with the two warnings.
    static constexpr int ShortOuterHeight = 2040;
    static constexpr int TallOuterHeight = 3570;
    // What the stored format can carry; longer entries cannot be typed.
    static constexpr int MaxEntryLength = 127;

    LoginDialog(AppState& state, storage::UserFile& userFile, portal::PortalSession& session,
                platform::MessageBox& messages, QWidget* parent = nullptr);

    // Validates both boxes; when both are filled, starts the login and closes.
    void NLogin();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();
    QLineEdit* addTextBox(const char* name, int top);

    AppState& state_;
    storage::UserFile& userFile_;
    portal::PortalSession& session_;
    platform::MessageBox& messages_;
    QLineEdit* txtID_;
    QLineEdit* txtPassword_;
    QRadioButton* optDHONetmarble_;
    QRadioButton* optDHODaum_;
    QPushButton* cmdLogin_;
    QLabel* label3_;
    QLabel* label4_;
};

}  // namespace dialogs
