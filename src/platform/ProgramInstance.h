#pragma once

#include <string>

namespace platform {

// One running program a user: the first start takes a lock that the system
// lets go however the process ends (a file lock in the user's runtime folder
// on Linux, a named mutex on Windows). Returns false only while another
// program of this user holds it; where no lock can be made, the program runs
// unguarded rather than not at all.
bool takeInstanceLock();

// Where the running program listens for a later start: a socket's path in
// the user's runtime folder on Linux, a pipe's name on Windows; empty where
// there is no safe place for it.
std::u16string instanceDoorName();

// Knocks at the running program's door so that it brings its window
// forward, waiting up to timeoutMs for it to open; false when none did.
bool knockOnInstanceDoor(int timeoutMs);

// Whether the engine's browser can run here: Chromium refuses to run as root
// without its sandbox, which only the tests switch off
// (QTWEBENGINE_DISABLE_SANDBOX).
bool engineCanRun();

}  // namespace platform
