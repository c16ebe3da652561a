#include "engine/browser/HeldDialogs.h"

#include <QEvent>
#include <QWidget>

namespace engine {

HeldDialogs::HeldDialogs(platform::MessageBox& messages, QObject* parent) : QObject(parent), messages_(messages)
{
}

platform::MessageBox::Answer HeldDialogs::show(const QString& text, Icon icon, Buttons buttons, Dismissal* dismissal)
{
    ++waits_;
    const Answer answer = messages_.show(text, icon, buttons, dismissal);
    // Deleted from the event loop, once the callers of this wait have returned.
    if (--waits_ == 0) {
        for (const QPointer<QWidget>& window : std::exchange(held_, {})) {
            if (window)
                window->deleteLater();
        }
    }
    return answer;
}

void HeldDialogs::watch(QWidget* window)
{
    window->installEventFilter(this);
}

void HeldDialogs::dispose(QWidget* window)
{
    window->hide();
    if (waits_ == 0)
        window->deleteLater();
    else
        hold(window);
}

bool HeldDialogs::eventFilter(QObject* watched, QEvent* event)
{
    auto* window = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Close && window && waits_ > 0 && window->testAttribute(Qt::WA_DeleteOnClose)) {
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        hold(window);
    }
    return QObject::eventFilter(watched, event);
}

void HeldDialogs::hold(QWidget* window)
{
    if (!held_.contains(window))
        held_.append(window);
}

}  // namespace engine
