#pragma once

#include "platform/MessageBox.h"

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;

namespace engine {

// The dialogs of the pages in windows the user sees (a page shown during a
// login, the unlock window, their pop-ups). A dialog waits in a nested loop
// with its page's code on the stack: a window closed by the user meanwhile,
// or let go by its owner, is only hidden then, and deleted once every wait
// has returned.
class HeldDialogs : public QObject, public platform::MessageBox {
public:
    explicit HeldDialogs(platform::MessageBox& messages, QObject* parent = nullptr);

    Answer show(const QString& text, Icon icon, Buttons buttons, Dismissal* dismissal = nullptr) override;

    // The user's close of the window (one that deletes itself on close)
    // waits for the dialogs.
    void watch(QWidget* window);
    // Hides the window and deletes it once no dialog waits.
    void dispose(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void hold(QWidget* window);

    platform::MessageBox& messages_;
    int waits_ = 0;
    QList<QPointer<QWidget>> held_;  // to go once the waits are over
};

}  // namespace engine
