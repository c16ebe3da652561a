#include "storage/Registration.h"

#include "platform/Autostart.h"

namespace storage {

SaveResult updateStartAtLogon(platform::Autostart&, bool)
{
    return {};
}

}  // namespace storage
