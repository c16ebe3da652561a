#pragma once

// Opens the program's secondary windows. Each has one instance at a time:
// asking for a window that is open brings it to the front.
class WindowHost {
public:
    virtual ~WindowHost() = default;

    virtual void showLoginDialog() = 0;   // modal; returns when it has closed
    virtual void showConfigDialog() = 0;  // modal; returns when it has closed
    virtual void showInfoBox() = 0;
    virtual void showWebDialog() = 0;
    virtual void showUnlockWindow() = 0;
    virtual void closeUnlockWindow() = 0;

    // The login button went down: what it does next (the login dialog, a
    // logout, a cancel) needs the hidden browser, which may start now.
    virtual void browserNeededSoon() = 0;
};
