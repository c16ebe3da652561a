#include "platform/Autostart.h"

namespace platform {

std::unique_ptr<Autostart> systemAutostart()
{
    return nullptr;
}

}  // namespace platform
