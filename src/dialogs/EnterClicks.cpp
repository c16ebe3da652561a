#include "dialogs/EnterClicks.h"

#include <QKeyEvent>
#include <QPushButton>

namespace dialogs {

namespace {

class EnterClicks : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QPushButton*>(watched);
        if (!button || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter))
            return false;
        if (!key->isAutoRepeat())
            button->animateClick();
        return true;
    }
};

}  // namespace

void enterClicksFocusedButtons(QWidget* window)
{
    auto* filter = new EnterClicks(window);
    for (QPushButton* button : window->findChildren<QPushButton*>())
        button->installEventFilter(filter);
}

}  // namespace dialogs
