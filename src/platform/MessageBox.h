#pragma once

#include <QString>

#include <functional>
#include <utility>

namespace platform {

// The system's standard message box, always titled "Quaylet".
class MessageBox {
public:
    enum class Icon { Information, Exclamation, Question, Critical };
    // The first button is the default, but for OpenCancel and ContinueCancel,
    // whose Cancel is, and whose Open or Continue answers Ok.
    enum class Buttons { Ok, YesNo, OkCancel, OpenCancel, ContinueCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    // Lets whoever asked close the box unanswered (its question no longer
    // stands): show() then returns the refusal.
    class Dismissal {
    public:
        void dismiss()
        {
            dismissed_ = true;
            if (close_)
                close_();
        }
        bool dismissed() const { return dismissed_; }
        // Set by the box while it is open.
        void setClose(std::function<void()> close) { close_ = std::move(close); }

    private:
        std::function<void()> close_;
        bool dismissed_ = false;
    };

    // The answer that grants nothing: Ok to a notice, else No or Cancel.
    static Answer refusal(Buttons buttons)
    {
        return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }

    virtual ~MessageBox() = default;
    // Modal: returns when the user has answered, or the box was dismissed; a
    // nested event loop runs meanwhile.
    virtual Answer show(const QString& text, Icon icon, Buttons buttons, Dismissal* dismissal = nullptr) = 0;
};

}  // namespace platform
