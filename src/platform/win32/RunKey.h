#pragma once

#include <windows.h>

#include <string>

namespace platform::win32 {

// A registry key whose values Windows runs as commands when a user logs on.
struct RunKey {
    HKEY root;
    std::u16string subKey;
};

// The machine-wide one, under HKEY_LOCAL_MACHINE: it serves every user.
RunKey machineRunKey();

// How adding or removing a value came out.
struct RunKeyChange {
    bool ok = true;
    // Refused for want of the right to write the key, which under
    // HKEY_LOCAL_MACHINE only an administrator has.
    bool needsAdministrator = false;
    std::wstring reason;  // the system's words when not ok
};

// Stores the command that starts programPath as the value name.
RunKeyChange addToRunKey(const RunKey& key, const std::u16string& name, const std::u16string& programPath);

// Removes the value name; when it is not there nothing needed doing.
RunKeyChange removeFromRunKey(const RunKey& key, const std::u16string& name);

}  // namespace platform::win32
