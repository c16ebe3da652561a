#include "engine/browser/BrowserProfile.h"

#include <QWebEngineProfile>

namespace engine {

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

}  // namespace engine
