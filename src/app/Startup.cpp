#include "app/Startup.h"

#include "portal/PortalSession.h"
#include "storage/ConfigFile.h"
#include "storage/UserFile.h"

void Form_Load(AppState& state, const storage::SettingsFolder& settings, storage::UserFile& userFile,
               portal::PortalSession& session)
{
    storage::ConfigLoad(settings, state);
    autoLogin(state, userFile, session);
}

void autoLogin(AppState& state, storage::UserFile& userFile, portal::PortalSession& session)
{
    if (state.Config.AutoLogin == 1) {
        userFile.AutoLoginF();
        session.PortalLogin();
    }
}
