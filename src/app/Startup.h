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
class UserFile;
}  // namespace storage

// Whether a login may start its engine here; where the engine cannot run (as
// root on Linux), says so in a box instead, before any engine starts.
bool loginCanStart(platform::MessageBox& messages);
// The main window's load, once the settings are read: the automatic login,
// which starts whether or not an ID and a password were found.
void autoLogin(AppState& state, storage::UserFile& userFile, portal::PortalSession& session);
