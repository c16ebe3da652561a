#include "storage/Registration.h"

#include "platform/Autostart.h"
#include "platform/Files.h"

namespace storage {

namespace {

const QString EntryName = QStringLiteral("Quaylet");

}  // namespace

SaveResult updateStartAtLogon(platform::Autostart& autostart, bool enabled)
{
    QString error;
    const bool ok = enabled
                        ? autostart.add(EntryName, QString::fromStdU16String(platform::executablePath()), &error)
                        : autostart.remove(EntryName, &error);
    return {ok, ok ? QString() : error};
}

}  // namespace storage
