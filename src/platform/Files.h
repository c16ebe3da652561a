#pragma once

#include <string>

namespace platform {

// Directory of the running executable, where config.ini and User.ini live.
std::u16string programDirectory();

// Full path of the running executable.
std::u16string executablePath();

// True only for an existing ordinary file: directories, and on Windows
// hidden or system files, count as absent.
bool isOrdinaryFile(const std::u16string& path);

}  // namespace platform
