#pragma once

class QWidget;

namespace dialogs {

// Enter on a focused push button of the window clicks it, as it does on the
// desktop the program comes from. Keys anywhere else are left alone.
void enterClicksFocusedButtons(QWidget* window);

}  // namespace dialogs
