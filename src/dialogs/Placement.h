#pragma once

#include <QApplication>
#include <QScreen>
#include <QWidget>

namespace dialogs {

// Windows shown without an owner open centred on the window the user clicked
// in, which is the main window, or on the screen when there is none.
inline void centreOnActiveWindow(QWidget* window)
{
    QRect area;
    if (const QWidget* active = QApplication::activeWindow())
        area = active->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    else
        return;
    QRect frame(QPoint(), window->size());
    frame.moveCenter(area.center());
    window->move(frame.topLeft());
}

}  // namespace dialogs
