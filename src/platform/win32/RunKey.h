#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

namespace platform::win32 {

// A registry key whose values Windows runs as commands when a user logs on.
struct RunKey {
    HKEY root;
    std::u16string subKey;
};

// The user's own, under HKEY_CURRENT_USER: run at that user's logon only,
// and the user may change it without an administrator.
RunKey userRunKey();

// The machine-wide one, under HKEY_LOCAL_MACHINE, where earlier versions
// registered the program: run at every user's logon.
RunKey machineRunKey();

// How adding or removing a value came out.
struct RunKeyChange {
    bool ok = true;
    // Refused for want of the right to write a key under HKEY_LOCAL_MACHINE,
    // which only an administrator has.
    bool needsAdministrator = false;
    std::wstring reason;  // the system's words when not ok
};

// Stores the command that starts programPath as the value name.
RunKeyChange addToRunKey(const RunKey& key, const std::u16string& name, const std::u16string& programPath);

// Removes the value name from each key in turn, going on after a failure;
// where it is not there nothing needed doing. The first failure is the result.
RunKeyChange removeFromRunKeys(std::initializer_list<RunKey> keys, const std::u16string& name);

}  // namespace platform::win32
