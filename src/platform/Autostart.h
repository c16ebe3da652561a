#pragma once

#include <QString>

#include <memory>

namespace platform {

// The user's own list of programs started when they log on: the Run key of
// the registry under HKEY_CURRENT_USER on Windows, the autostart folder elsewhere.
class Autostart {
public:
    virtual ~Autostart() = default;

    // Adds or replaces the entry called name, starting command. On failure
    // returns false and puts the system's reason in error.
    virtual bool add(const QString& name, const QString& command, QString* error) = 0;
    // Removes the entry called name, also one an earlier version made where
    // this one no longer writes; an entry that does not exist is no failure.
    virtual bool remove(const QString& name, QString* error) = 0;
};

// This system's list.
std::unique_ptr<Autostart> systemAutostart();

}  // namespace platform
