#pragma once

#include <string>

namespace platform {

// The user's own folder for config.ini and User.ini, used when the program
// directory may not be written: $XDG_CONFIG_HOME/Quaylet (~/.config/Quaylet
// while XDG_CONFIG_HOME is unset or not an absolute path) on Linux, Quaylet
// in the local application data folder (%LOCALAPPDATA%) on Windows. Empty
// when the system names no such folder.
std::u16string userSettingsDirectory();

// Makes that folder, and on Linux any missing folder above it, for its owner
// alone. True when it is a directory afterwards, whoever made it; otherwise
// error tells which folder could not be made and why.
bool makeUserSettingsDirectory(const std::u16string& path, std::u16string& error);

// Whether files can be made in the directory, found by making one and
// removing it again: rights, read-only disks and an administrator's power
// all count, as they do for a save.
bool canCreateFilesIn(const std::u16string& directory);

}  // namespace platform
