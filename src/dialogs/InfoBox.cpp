#include "dialogs/InfoBox.h"

namespace dialogs {

InfoBox::InfoBox(QWidget* parent) : QWidget(parent, Qt::Window) {}

}  // namespace dialogs
