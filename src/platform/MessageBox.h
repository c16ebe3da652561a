#pragma once

#include <QString>

namespace platform {

// The system's standard message box, always titled "Quaylet".
class MessageBox {
public:
    enum class Icon { Information, Exclamation, Question, Critical };
    enum class Buttons { Ok, YesNo, OkCancel };  // the first button is the default
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~MessageBox() = default;
    // Modal: returns when the user has answered; a nested event loop runs meanwhile.
    virtual Answer show(const QString& text, Icon icon, Buttons buttons) = 0;
};

}  // namespace platform
