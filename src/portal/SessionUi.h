#pragma once

#include <QString>

namespace portal {

// What the session does to the main window and to the windows it opens.
class SessionUi {
public:
    virtual ~SessionUi() = default;

    virtual void setCaption(const QString& caption) = 0;
    virtual QString loginCaption() const = 0;
    virtual void setLoginCaption(const QString& caption) = 0;
    virtual void setLoginEnabled(bool enabled) = 0;
    virtual void setGameStartEnabled(bool enabled) = 0;
    virtual void minimise() = 0;

    // The user's view of the program ends at once: every window is hidden.
    // The process itself ends at endProgram(), once the game start is over.
    virtual void beginEnding() = 0;
    virtual void endProgram() = 0;

    // Modal: returns when the login dialog has closed.
    virtual void showLoginDialog() = 0;
    // Modeless: shows the ID unlock window at IDLockURL, or brings the open
    // one forward; each document completed in it reaches the session's
    // Web2_DocumentComplete().
    virtual void showUnlockWindow() = 0;
    virtual void closeUnlockWindow() = 0;

    // Calls the session's WaitLimit_Elapsed() once the time has passed,
    // unless started again or stopped first.
    virtual void startWaitLimit(int milliseconds) = 0;
    virtual void stopWaitLimit() = 0;
};

}  // namespace portal
