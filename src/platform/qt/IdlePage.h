#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class QWebEnginePage;

namespace platform {

// Lets a hidden page go once its owner waits for nothing and the page has
// been quiet for a while: the owner deletes the page, which ends its renderer,
// and makes a fresh one for its next load. The profile, and with it the
// portal's cookies, stays.
//
// The engine's own discarding is no use here: a discarded page reloads its
// last document when it is next used, so the portal would see that request
// again (a game-channel page would start the game a second time).
class IdlePage : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultQuietMs = 2000;

    // While held, the page is never let go: its owner is inside one of the
    // page's own notifications, perhaps in a nested event loop (a message box
    // or the login dialog), and the page must outlive it. The quiet time
    // starts again when the last hold ends.
    class Hold {
    public:
        explicit Hold(IdlePage& idle) : idle_(idle) { ++idle_.holds_; }
        ~Hold()
        {
            if (--idle_.holds_ == 0)
                idle_.restart();
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        IdlePage& idle_;
    };

    explicit IdlePage(std::function<void()> release, int quietMs = DefaultQuietMs, QObject* parent = nullptr);

    void watch(QWebEnginePage* page);

    // The owner waits for nothing from the page.
    void setSettled(bool settled);

    // Something was asked of the page: the quiet time starts again.
    void noteActivity();

private:
    void restart();
    void quietTimeOver();

    std::function<void()> release_;
    QPointer<QWebEnginePage> page_;
    QTimer quiet_;
    bool settled_ = false;
    int holds_ = 0;
};

}  // namespace platform
