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

// What a save writes: every setting and the portal, each on its line.
QByteArray saved(const AppState& state)
{
    return storage::configFileBytes({state.Config, state.Temp.DHOPortal});
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

    const QByteArray bytes = saved(first);
    PROPERTY(bytes.count("\r\n") == 7);
    PROPERTY(saved(loaded(bytes)) == bytes);
    return 0;
}
