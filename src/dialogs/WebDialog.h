#pragma once

#include "core/Addresses.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QPushButton;

namespace platform {
class MessageBox;
class ProcessStarter;
}  // namespace platform

namespace dialogs {

// frmWeb: opens the ticked game sites in the system browser.
class WebDialog : public QWidget {
    Q_OBJECT
public:
    WebDialog(const Addresses& addresses, platform::ProcessStarter& processes, platform::MessageBox& messages,
              QWidget* parent = nullptr);

    // The button says what pressing it will do: open sites, or only close.
    void OpenCaption();

protected:
    void keyPressEvent(QKeyEvent* event) override;  // Esc closes it

private:
    void cmdWebOpen_Click();

    platform::ProcessStarter& processes_;
    platform::MessageBox& messages_;
    std::array<QString, 4> sites_;
    std::array<QCheckBox*, 4> chkWeb_;
    QPushButton* cmdWebOpen_;
};

}  // namespace dialogs
