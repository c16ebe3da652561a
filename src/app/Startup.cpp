#include "app/Startup.h"

#include "core/Texts.h"
#include "platform/MessageBox.h"
#include "platform/ProgramInstance.h"
#include "portal/PortalSession.h"
#include "storage/UserFile.h"

bool loginCanStart(platform::MessageBox& messages)
{
    if (platform::engineCanRun())
        return true;
    messages.show(text::RootLoginRefused, platform::MessageBox::Icon::Exclamation,
                  platform::MessageBox::Buttons::Ok);
    return false;
}

void autoLogin(AppState& state, storage::UserFile& userFile, portal::PortalSession& session)
{
    if (state.Config.AutoLogin == 1) {
        userFile.AutoLoginF();
        session.PortalLogin();
    }
}
