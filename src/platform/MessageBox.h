#pragma once

#include <QString>

namespace platform {

// The system's standard message box, always titled "Quaylet".
class MessageBox {
public:
    enum class Icon { Information, Exclamation, Question };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    virtual ~MessageBox() = default;
    // Modal: returns when the user has answered; a nested event loop runs meanwhile.
    virtual Answer show(const QString& text, Icon icon, Buttons buttons) = 0;
};

}  // namespace platform
