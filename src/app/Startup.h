#pragma once

#include "core/AppState.h"

#include <QString>

namespace platform {
class MessageBox;
}
namespace portal {
class PortalSession;
}
namespace storage {
class SettingsFolder;
class UserFile;
}  // namespace storage

// The main window's load: settings first, then the automatic login, which
// starts whether or not an ID and a password were found.
void Form_Load(AppState& state, const storage::SettingsFolder& settings, storage::UserFile& userFile,
               portal::PortalSession& session);
// Whether a login may start its engine here; where the engine cannot run (as
// root on Linux), says so in a box instead, before any engine starts.
bool loginCanStart(platform::MessageBox& messages);
// Its second half, for a program that has read the settings already.
void autoLogin(AppState& state, storage::UserFile& userFile, portal::PortalSession& session);
