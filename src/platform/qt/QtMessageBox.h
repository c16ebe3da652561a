#pragma once

#include "platform/MessageBox.h"

#include <QPointer>
#include <QWidget>

namespace platform {

class QtMessageBox : public MessageBox {
public:
    // Boxes are modal over this window once it is set (the main window).
    void setParentWindow(QWidget* window);

    Answer show(const QString& text, Icon icon, Buttons buttons, Dismissal* dismissal = nullptr) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace platform
