#include "app/Windows.h"

Windows::Windows(AppState& state, const Addresses& addresses, QString programDirectory,
                 storage::UserFile& userFile, platform::MessageBox& messages, QWebEngineProfile& profile)
    : state_(state),
      addresses_(addresses),
      programDirectory_(std::move(programDirectory)),
      userFile_(userFile),
      messages_(messages),
      profile_(profile)
{
}

void Windows::setSession(portal::PortalSession* session)
{
    session_ = session;
}

void Windows::showLoginDialog() {}
void Windows::showConfigDialog() {}
void Windows::showInfoBox() {}
void Windows::showWebDialog() {}
void Windows::showUnlockWindow() {}
