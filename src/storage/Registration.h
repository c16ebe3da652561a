#pragma once

#include "platform/SafeSave.h"

namespace platform {
class Autostart;
}

namespace storage {

// Adds the start-at-logon entry "Quaylet" that starts this program, or
// removes it. Failures come back with the system's reason.
SaveResult updateStartAtLogon(platform::Autostart& autostart, bool enabled);

}  // namespace storage
