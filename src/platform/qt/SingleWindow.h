#pragma once

#include <QPointer>
#include <QWidget>

namespace platform {

inline void bringToFront(QWidget* window)
{
    window->show();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

// Opens a modeless window made by make, or brings the open one forward.
template <typename Window, typename Make>
void showSingle(QPointer<Window>& instance, Make make)
{
    // A closed window lingers until its deferred deletion runs, which a
    // nested event loop can hold up: it counts as gone.
    if (!instance || instance->isHidden()) {
        instance = make();
        instance->setAttribute(Qt::WA_DeleteOnClose);
    }
    bringToFront(instance);
}

}  // namespace platform
