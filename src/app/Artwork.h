#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures, painted at run time so they stay sharp on any
// screen density.
namespace artwork {

// The large picture on the left of the main window, 360 x 150.
QPixmap harbourAtDusk(qreal devicePixelRatio);
// The panel behind the main window's buttons, 96 x 150.
QPixmap chartPanel(qreal devicePixelRatio);
// The icon every window carries.
QIcon programIcon();

}  // namespace artwork
