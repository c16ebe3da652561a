#pragma once

#include <QString>
#include <cstdint>

// The process-wide state every window and module shares. It lives for the
// whole run; only config.ini and User.ini carry any of it to the next run.

// The portal the player signs in through (config.ini's last line names it).
enum class Portal : std::uint8_t { Netmarble = 0, Daum = 1 };

// What the program does once the game starts; config.ini keeps the number.
enum class AfterStart : std::uint8_t { Nothing = 0, Minimise = 1, Quit = 2 };

// Account, session flags, cipher results and portal choice.
struct TempState {
    QString UserID;
    QString UserPWD;
    std::uint8_t IsLoginFail = 0;
    std::uint8_t IsLogout = 0;
    std::uint8_t IsLogin = 0;
    QString IDLockURL;
    QString CryptText;
    QString PlainText;
    Portal DHOPortal = Portal::Netmarble;
};

// The six user settings kept in config.ini (with DHOPortal as its seventh line).
struct ConfigState {
    std::uint8_t WindowRun = 0;
    std::uint8_t IDSave = 0;
    std::uint8_t PWDSave = 0;
    std::uint8_t AutoLogin = 0;
    std::uint8_t AutoRun = 0;
    AfterStart GSA = AfterStart::Nothing;
};

struct AppState {
    TempState Temp;
    ConfigState Config;
};
