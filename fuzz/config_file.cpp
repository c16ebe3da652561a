// config.ini from any bytes: the settings that come out are always in their
// ranges, and saving them and reading the file back gives the same settings.

#include "Check.h"
#include "storage/ConfigFile.h"
#include "storage/Fields.h"

#include <cstddef>
#include <cstdint>

namespace {

AppState loaded(const QByteArray& bytes)
{
    AppState state;
    storage::loadConfigValues(storage::storedValues(bytes), state);
    return state;
}

bool sameSettings(const AppState& a, const AppState& b)
{
    const ConfigState& x = a.Config;
    const ConfigState& y = b.Config;
    return x.WindowRun == y.WindowRun && x.IDSave == y.IDSave && x.PWDSave == y.PWDSave
           && x.AutoLogin == y.AutoLogin && x.AutoRun == y.AutoRun && x.GSA == y.GSA
           && a.Temp.DHOPortal == b.Temp.DHOPortal;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const AppState first = loaded(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const ConfigState& c = first.Config;
    for (std::uint8_t flag : {c.WindowRun, c.IDSave, c.PWDSave, c.AutoLogin, c.AutoRun})
        PROPERTY(flag <= 1);
    PROPERTY(c.GSA <= AfterStart::Quit);
    PROPERTY(first.Temp.DHOPortal == Portal::Netmarble || first.Temp.DHOPortal == Portal::Daum);

    const storage::ConfigValues values{
        c, first.Temp.DHOPortal == Portal::Daum ? storage::PortalChoice::Daum : storage::PortalChoice::Netmarble};
    const QByteArray saved = storage::configFileBytes(values);
    PROPERTY(saved.count("\r\n") == 7);
    PROPERTY(sameSettings(loaded(saved), first));
    return 0;
}
