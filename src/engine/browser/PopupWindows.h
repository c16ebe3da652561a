#pragma once

#include <QObject>

class QWebEnginePage;
class QWidget;

namespace platform {
class MessageBox;
}  // namespace platform

namespace engine {

class BrowserProfile;

// The windows for pages that a page the user works in opens: visible,
// resizable, on the same profile, each able to open more, this many in all
// at most, and closing with their owner. The pages ask only on a click.
class PopupWindows {
public:
    static constexpr int Most = 4;

    // closeWatcher, if any, filters every pop-up window's events (to see it close).
    PopupWindows(QWidget* owner, BrowserProfile& profile, platform::MessageBox& messages,
                 QObject* closeWatcher = nullptr);

    // A new window's page, or nothing once Most have been opened.
    QWebEnginePage* open();

private:
    QWidget* owner_;
    BrowserProfile& profile_;
    platform::MessageBox& messages_;
    QObject* closeWatcher_;
    int opened_ = 0;
};

}  // namespace engine
