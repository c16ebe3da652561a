#pragma once

#include <QString>

namespace platform {

// The user's XDG configuration directory: XDG_CONFIG_HOME when it is an
// absolute path (relative ones are invalid and skipped), else ~/.config.
QString userConfigDirectory();

}  // namespace platform
