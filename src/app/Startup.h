#pragma once

#include "core/AppState.h"

#include <QString>

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
// Its second half, for a program that has read the settings already.
void autoLogin(AppState& state, storage::UserFile& userFile, portal::PortalSession& session);
