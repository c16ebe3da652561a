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

// Whether the directory is this user's alone: the user owns it and no one
// else may write it (on Windows, no one but the user, SYSTEM, the
// Administrators and TrustedInstaller). Settings and saved logins go only
// into such a directory: anyone who may write it could put settings of their
// own there, or swap the files. A directory that does not exist counts as
// private: it will be made so.
bool isPrivateDirectory(const std::u16string& directory);

// Whether the directory belongs to the system (root; on Windows SYSTEM, the
// Administrators or TrustedInstaller) and no one else may write it: what an
// administrator put there may serve every user as their defaults.
bool isSystemDirectory(const std::u16string& directory);

// Whether files can be made in the directory, found by making one and
// removing it again: rights, read-only disks and an administrator's power
// all count, as they do for a save.
bool canCreateFilesIn(const std::u16string& directory);

}  // namespace platform
