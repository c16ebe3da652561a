#pragma once

class QWebEngineProfile;

namespace engine {

// The browser profile every browser of the program shares, so that the ID
// unlock window and the hidden browser see the same portal session. It keeps
// nothing on disk, and it is created on first use: starting the engine costs
// seconds, and the main window must not wait for it.
class BrowserProfile {
public:
    BrowserProfile() = default;
    ~BrowserProfile();
    BrowserProfile(const BrowserProfile&) = delete;
    BrowserProfile& operator=(const BrowserProfile&) = delete;

    QWebEngineProfile& get();

private:
    QWebEngineProfile* profile_ = nullptr;
};

}  // namespace engine
