#include "platform/webengine/BrowserProfile.h"

#include <QWebEngineProfile>

namespace platform {

BrowserProfile::~BrowserProfile()
{
    delete profile_;
}

QWebEngineProfile& BrowserProfile::get()
{
    if (!profile_)
        profile_ = new QWebEngineProfile;  // no storage name: off the record
    return *profile_;
}

}  // namespace platform
