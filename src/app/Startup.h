#pragma once

#include "core/AppState.h"

#include <QString>

namespace portal {
class PortalSession;
}
namespace storage {
class UserFile;
}

// The main window's load: settings first, then the automatic login, which
// starts whether or not an ID and a password were found.
void Form_Load(AppState& state, const QString& programDirectory, storage::UserFile& userFile,
               portal::PortalSession& session);
