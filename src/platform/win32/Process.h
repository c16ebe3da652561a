#pragma once

#include <string>

namespace platform::win32 {

// Starts the command line program + " " + argument, unquoted, with the new
// program's window maximised, and does not wait for it. False when Windows
// could not start it.
bool startMaximized(const std::wstring& program, const std::wstring& argument);

}  // namespace platform::win32
