#pragma once

#include "app/WindowHost.h"
#include "core/Browser.h"
#include "platform/MessageBox.h"
#include "portal/SessionUi.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// Records every navigation and element step in one ordered log.
class FakeBrowser : public portal::Browser {
public:
    void navigate(const QString& address) override
    {
        navigations.append(address);
        log.append(QStringLiteral("navigate ") + address);
    }
    void startGame(const QString& address) override
    {
        gameStarts.append(address);
        navigate(address);
    }
    void setLaunchHandler(LaunchHandler handler) override { launched = std::move(handler); }
    void act(const QList<portal::ElementStep>& steps) override
    {
        using Action = portal::ElementStep::Action;
        for (const portal::ElementStep& step : steps) {
            const char* verb = step.action == Action::SetValue ? "value" : step.action == Action::Click ? "click" : "check";
            log.append(QStringLiteral("%1 %2").arg(verb, step.element)
                       + (step.action == Action::SetValue ? "=" + step.value : QString()));
        }
    }
    void setDocumentCompleteHandler(DocumentHandler handler) override { completed = std::move(handler); }
    void setLoadFailedHandler(FailureHandler handler) override { failed = std::move(handler); }
    void setSessionSettled(bool value) override { settled = value; }
    void setDocumentUnknown(bool value) override { unknown = value; }
    void setPageClosedHandler(ClosedHandler handler) override { pageClosed = std::move(handler); }
    void forgetCookies() override { log.append(QStringLiteral("forget cookies")); }
    void stop() override { log.append(QStringLiteral("stop")); }

    QStringList navigations;
    QStringList gameStarts;
    QStringList log;
    LaunchHandler launched;
    void complete(const QString& address, Document document = Document::Page) { completed(address, document); }

    DocumentHandler completed;
    FailureHandler failed;
    ClosedHandler pageClosed;
    bool settled = false;
    bool unknown = false;
};

// Message box with queued answers; records what was shown.
class FakeMessageBox : public platform::MessageBox {
public:
    Answer show(const QString& text, Icon icon, Buttons buttons, Dismissal* dismissal = nullptr) override
    {
        shown.append({text, icon, buttons});
        if (onShow)
            onShow();
        if (dismissal && dismissal->dismissed()) {
            dismissed.append(text);
            return refusal(buttons);
        }
        if (buttons == Buttons::Ok || answers.empty())
            return refusal(buttons);
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    struct Shown {
        QString text;
        Icon icon;
        Buttons buttons;
    };
    QList<Shown> shown;
    QStringList dismissed;  // boxes closed by whoever asked, before their answer
    std::deque<Answer> answers;
    std::function<void()> onShow;  // runs inside the "modal" box, as a nested loop would
};

// The main window's controls as plain values; the captions, and what else
// the session asked of the windows, in an ordered log.
class FakeSessionUi : public portal::SessionUi {
public:
    void setCaption(const QString& value) override
    {
        caption = value;
        log.append("caption " + value);
    }
    QString loginCaption() const override { return loginButton; }
    void setLoginCaption(const QString& value) override { loginButton = value; }
    void setLoginEnabled(bool enabled) override { loginEnabled = enabled; }
    void setGameStartEnabled(bool enabled) override { gameStartEnabled = enabled; }
    void minimise() override { log.append("minimise"); }
    void beginEnding() override { log.append("begin ending"); }
    void endProgram() override { log.append("end program"); }
    void showLoginDialog() override
    {
        log.append("login dialog");
        if (onLoginDialog)
            onLoginDialog();
    }
    void showUnlockWindow() override { log.append("unlock window"); }
    void closeUnlockWindow() override { log.append("unlock window closed"); }
    void startWaitLimit(int milliseconds) override { waitLimit = milliseconds; }
    void stopWaitLimit() override { waitLimit = 0; }

    QString caption = QStringLiteral("Quaylet");
    QString loginButton = QStringLiteral("로그인");
    bool loginEnabled = true;
    bool gameStartEnabled = false;
    int waitLimit = 0;  // running, in milliseconds
    QStringList log;
    std::function<void()> onLoginDialog;  // runs while the "modal" dialog is open
};

// Notes which window the program asked for.
class RecordingHost : public WindowHost {
public:
    void showLoginDialog() override { opened.append("login"); }
    void showConfigDialog() override { opened.append("config"); }
    void showInfoBox() override { opened.append("info"); }
    void showWebDialog() override { opened.append("web"); }
    void showUnlockWindow() override { opened.append("unlock"); }
    void closeUnlockWindow() override { opened.append("unlock closed"); }
    void browserNeededSoon() override { ++browserCalls; }
    QStringList opened;
    int browserCalls = 0;
};
