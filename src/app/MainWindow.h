#pragma once

#include "portal/SessionUi.h"

#include <QTimer>
#include <QWidget>

class QLabel;
class QPushButton;
class WindowHost;

namespace portal {
class PortalSession;
}

// frmMain: four buttons, two pictures and a caption that is the program's
// status line. Its browser is never shown.
class MainWindow : public QWidget, public portal::SessionUi {
    Q_OBJECT
public:
    explicit MainWindow(WindowHost& windows, QWidget* parent = nullptr);

    void setSession(portal::PortalSession* session);

    void setCaption(const QString& caption) override;
    QString loginCaption() const override;
    void setLoginCaption(const QString& caption) override;
    void setLoginEnabled(bool enabled) override;
    void setGameStartEnabled(bool enabled) override;
    void minimise() override;
    void beginEnding() override;
    void endProgram() override;
    void showLoginDialog() override;
    void showUnlockWindow() override;
    void closeUnlockWindow() override;
    void startWaitLimit(int milliseconds) override;
    void stopWaitLimit() override;

protected:
    void closeEvent(QCloseEvent* event) override;  // Form_QueryUnload
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPushButton* addButton(const char* name, const QString& caption, int top);

    WindowHost& windows_;
    portal::PortalSession* session_ = nullptr;
    QLabel* image1_;
    QWidget* image1Focus_;
    QLabel* image2_;
    QPushButton* cmdLogin_;
    QPushButton* cmdGameStart_;
    QPushButton* cmdConfig_;
    QPushButton* cmdInfo_;
    bool ending_ = false;
    QTimer waitLimit_;
};
