#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

// Hands an address of another program's scheme (a game launcher's) to the
// system, which starts the program registered for it: on Windows the shell;
// on Linux the desktop's handler of the scheme, else the launcher a Wine
// prefix registers for it, never a web browser.
class UrlOpener {
public:
    // Told once: nothing when the system took the address, else the reason
    // it could not, for the user.
    using Done = std::function<void(const std::optional<QString>& failure)>;

    virtual ~UrlOpener() = default;
    virtual void open(const QString& address, Done done) = 0;
};

std::unique_ptr<UrlOpener> systemUrlOpener();

}  // namespace platform
