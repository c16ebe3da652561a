#pragma once

#include <QString>
#include <cstdint>

// The process-wide state every window and module shares. It lives for the
// whole run; only config.ini and User.ini carry any of it to the next run.

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
    std::uint8_t DHOPortal = 0;  // 0 Netmarble, 1 Daum
};

// The six user settings kept in config.ini (with DHOPortal as its seventh line).
struct ConfigState {
    std::uint8_t WindowRun = 0;
    std::uint8_t IDSave = 0;
    std::uint8_t PWDSave = 0;
    std::uint8_t AutoLogin = 0;
    std::uint8_t AutoRun = 0;
    std::uint8_t GSA = 0;  // after game start: one of after_start
};

struct AppState {
    TempState Temp;
    ConfigState Config;
};

// The values of TempState::DHOPortal, as config.ini keeps them.
namespace portal {
constexpr std::uint8_t Netmarble = 0;
constexpr std::uint8_t Daum = 1;
}  // namespace portal

// The values of ConfigState::GSA, as config.ini keeps them.
namespace after_start {
constexpr std::uint8_t Nothing = 0;
constexpr std::uint8_t Minimise = 1;
constexpr std::uint8_t Quit = 2;
}  // namespace after_start
