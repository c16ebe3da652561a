#pragma once

#include "platform/MessageBox.h"

class QWidget;

namespace platform {

class QtMessageBox : public MessageBox {
public:
    Answer show(const QString& text, Icon icon, Buttons buttons) override;
};

}  // namespace platform
