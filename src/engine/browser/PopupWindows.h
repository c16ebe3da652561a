#pragma once

#include <QObject>

class QWebEnginePage;
class QWidget;

namespace engine {

class BrowserProfile;
class HeldDialogs;

// The windows for pages that a page the user works in opens: visible,
// resizable, on the same profile, each able to open more, this many in all
// at most, and closing with their owner. The pages ask only on a click, and
// their dialogs hold their windows as their owner's do.
class PopupWindows {
public:
    static constexpr int Most = 4;

    PopupWindows(QWidget* owner, BrowserProfile& profile, HeldDialogs& dialogs);

    // A new window's page, or nothing once Most have been opened.
    QWebEnginePage* open();

private:
    QWidget* owner_;
    BrowserProfile& profile_;
    HeldDialogs& dialogs_;
    int opened_ = 0;
};

}  // namespace engine
