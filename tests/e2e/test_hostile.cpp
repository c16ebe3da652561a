// The real program against a portal that misbehaves at the login (see the
// sandbox's --hostile option): each portal's first login meets the fault, the
// next one the ordinary portal. Whatever happens, the main window never shows
// a state the session does not have, a cancel brings it back to "Quaylet"
// within a few seconds, and the next login works.

#include "e2e/Driver.h"
#include "support/TempDir.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

const QString Main = "frmMain";
// How long a cancel, or the end of a reported failure, may take.
constexpr int BackToIdleMs = 5000;
// How long a hanging login is watched before it is cancelled.
constexpr int HangingMs = 1500;

struct Portal {
    const char* name;
    QString logName;  // the portal as the sandbox's log names it
    QString option;
    QString loggingIn;
    QString loggedIn;
    QString cancelling;
    QString loggingOut;
    QString loggedOut;
    QString failed;
};

const Portal Netmarble{"Netmarble", "netmarble", "optDHONetmarble", "Quaylet - 넷마블 로그인 중..", "Quaylet - 넷마블 로그인 완료",
                       "Quaylet - 넷마블 로그인 취소중..", "Quaylet - 넷마블 로그아웃 중..",
                       "Quaylet - 넷마블 로그아웃 완료", "Quaylet - 넷마블 로그인 실패"};
const Portal Daum{"Daum", "daum", "optDHODaum", "Quaylet - 다음 로그인 중..", "Quaylet - 다음 로그인 완료",
                  "Quaylet - 다음 로그인 취소중..", "Quaylet - 다음 로그아웃 중..",
                  "Quaylet - 다음 로그아웃 완료", "Quaylet - 다음 로그인 실패"};

struct Buttons {
    QString login;
    bool loginEnabled;
    bool gameStartEnabled;
};

// The main window's caption with the buttons that go with it in the session's states.
std::optional<Buttons> buttonsFor(const QString& caption)
{
    const Buttons idle{"로그인", true, false};
    const Buttons busy{"로그인 취소", true, false};
    if (caption == "Quaylet")
        return idle;
    for (const Portal* portal : {&Netmarble, &Daum}) {
        if (caption == portal->loggingIn || caption == portal->cancelling)
            return busy;
        if (caption == portal->loggedIn)
            return Buttons{"로그아웃", true, true};
        if (caption == portal->loggingOut)
            return Buttons{"로그아웃", false, false};
        if (caption == portal->loggedOut || caption == portal->failed)
            return idle;
    }
    return std::nullopt;
}

struct Window {
    QString caption;
    Buttons buttons;

    bool consistent() const
    {
        const std::optional<Buttons> expected = buttonsFor(caption);
        return expected && expected->login == buttons.login && expected->loginEnabled == buttons.loginEnabled
               && expected->gameStartEnabled == buttons.gameStartEnabled;
    }
    bool idle() const { return caption == "Quaylet" && consistent(); }
    QString describe() const
    {
        return QStringLiteral("%1 | %2%3 | game start %4")
            .arg(caption, buttons.login, buttons.loginEnabled ? "" : " (disabled)",
                 buttons.gameStartEnabled ? "enabled" : "disabled");
    }
};

class HostilePortal : public ::testing::Test {
protected:
    ProgramDir dir;
    std::unique_ptr<Sandbox> sandbox;
    std::unique_ptr<Quaylet> quaylet;
    QStringList inconsistent;

    void start(const QString& mode)
    {
        sandbox = std::make_unique<Sandbox>(dir.file("portal.log"), QStringList{"--hostile", mode});
        ASSERT_TRUE(sandbox->ready()) << "the sandbox did not start";
        quaylet = std::make_unique<Quaylet>(dir.path());
        ASSERT_TRUE(quaylet->connected()) << "the program did not start";
    }

    void TearDown() override
    {
        EXPECT_TRUE(inconsistent.isEmpty()) << "states the session does not have:\n"
                                            << inconsistent.join('\n').toStdString();
        if (quaylet) {
            EXPECT_TRUE(quaylet->connected()) << "the program ended";
        }
        if (HasFailure() && sandbox && quaylet) {
            std::string requests;
            for (const QJsonObject& line : sandbox->log()) {
                requests += QStringLiteral("%1 %2 %3 %4 %5\n")
                                .arg(line.value("time").toString(), line.value("method").toString(),
                                     line.value("path").toString(), QString::number(line.value("status").toInt()),
                                     line.value("event").toString())
                                .toStdString();
            }
            const QJsonObject box = quaylet->call({{"command", "messagebox"}});
            ADD_FAILURE() << "what the portal saw:\n"
                          << requests << "captions: " << quaylet->captions().join(" / ").toStdString()
                          << "\nmessage box: " << box.value("text").toString().toStdString();
        }
    }

    Window window()
    {
        const QJsonObject main = quaylet->buttons(Main);
        const QJsonObject login = main.value("buttons").toObject().value("cmdLogin").toObject();
        const QJsonObject gameStart = main.value("buttons").toObject().value("cmdGameStart").toObject();
        return {main.value("title").toString(),
                {login.value("text").toString(), login.value("enabled").toBool(), gameStart.value("enabled").toBool()}};
    }

    // Looks at the main window until the condition holds or the time is up,
    // noting every state the session does not have.
    bool watchUntil(const std::function<bool(const Window&)>& condition, int timeoutMs)
    {
        return eventually([&] {
            const Window now = window();
            if (!now.consistent() && (inconsistent.isEmpty() || inconsistent.last() != now.describe()))
                inconsistent.append(now.describe());
            return condition(now);
        }, timeoutMs);
    }

    void watchFor(int ms)
    {
        watchUntil([](const Window&) { return false; }, ms);
    }

    bool backToIdle(int timeoutMs)
    {
        return watchUntil([](const Window& now) { return now.idle(); }, timeoutMs);
    }

    bool waitForEvent(const Portal& portal, const QString& event, int timeoutMs = 20000)
    {
        return eventually([&] {
            for (const QJsonObject& line : sandbox->log()) {
                if (line.value("event") == event && line.value("portal") == portal.logName)
                    return true;
            }
            return false;
        }, timeoutMs);
    }

    void beginLogin(const Portal& portal, const QString& event)
    {
        quaylet->logInThroughDialog("captain", "sea", portal.option);
        ASSERT_TRUE(waitForEvent(portal, event)) << "the portal never misbehaved";
    }

    // The login hangs as logging in, until the user cancels it.
    void cancelHangingLogin(const Portal& portal)
    {
        watchFor(HangingMs);
        EXPECT_EQ(window().caption, portal.loggingIn);
        quaylet->click(Main, "cmdLogin");
        QElapsedTimer timer;
        timer.start();
        EXPECT_TRUE(backToIdle(BackToIdleMs)) << "still " << window().describe().toStdString();
        ASSERT_TRUE(backToIdle(15000)) << "the cancel never ended: " << window().describe().toStdString();
        RecordProperty(std::string(portal.name) + "CancelMs", int(timer.elapsed()));
    }

    // The failure is told in a message box titled "Quaylet", and then the
    // session is idle again.
    void expectFailureTold()
    {
        QJsonObject box;
        const bool told = eventually([&] {
            box = quaylet->call({{"command", "messagebox"}});
            return box.value("open").toBool() || window().idle();
        }, 10000);
        ASSERT_TRUE(box.value("open").toBool()) << "no message box; the window shows " << window().describe().toStdString();
        EXPECT_TRUE(told);
        EXPECT_EQ(box.value("title").toString(), "Quaylet");
        EXPECT_FALSE(box.value("text").toString().isEmpty());
        quaylet->answer("OK");
        EXPECT_TRUE(backToIdle(BackToIdleMs)) << "still " << window().describe().toStdString();
        ASSERT_TRUE(backToIdle(15000));
    }

    // The next login on the same portal meets the ordinary portal and works.
    void nextLoginWorks(const Portal& portal)
    {
        quaylet->logInThroughDialog("captain", "sea", portal.option);
        ASSERT_TRUE(watchUntil([&](const Window& now) { return now.caption == portal.loggedIn; }, 20000))
            << "the next login did not work: " << window().describe().toStdString();
        quaylet->click(Main, "cmdLogin");
        ASSERT_TRUE(watchUntil([&](const Window& now) { return now.caption == portal.loggedOut; }, 20000));
    }
};

TEST_F(HostilePortal, LoginPageAnswering500IsToldAndTheSessionIsIdleAgain)
{
    ASSERT_NO_FATAL_FAILURE(start("login-500"));
    for (const Portal* portal : {&Netmarble, &Daum}) {
        SCOPED_TRACE(portal->name);
        ASSERT_NO_FATAL_FAILURE(beginLogin(*portal, "login-500"));
        ASSERT_NO_FATAL_FAILURE(expectFailureTold());
        ASSERT_NO_FATAL_FAILURE(nextLoginWorks(*portal));
    }
}

TEST_F(HostilePortal, RedirectLoopIsToldAndTheSessionIsIdleAgain)
{
    ASSERT_NO_FATAL_FAILURE(start("redirect-loop"));
    for (const Portal* portal : {&Netmarble, &Daum}) {
        SCOPED_TRACE(portal->name);
        ASSERT_NO_FATAL_FAILURE(beginLogin(*portal, "redirect-loop"));
        ASSERT_NO_FATAL_FAILURE(expectFailureTold());
        ASSERT_NO_FATAL_FAILURE(nextLoginWorks(*portal));
    }
}

TEST_F(HostilePortal, PageThatNeverFinishesLoadingIsCancelledAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(start("endless-page"));
    for (const Portal* portal : {&Netmarble, &Daum}) {
        SCOPED_TRACE(portal->name);
        ASSERT_NO_FATAL_FAILURE(beginLogin(*portal, "endless-page"));
        ASSERT_NO_FATAL_FAILURE(cancelHangingLogin(*portal));
        EXPECT_TRUE(waitForEvent(*portal, "cancelled", 5000)) << "the endless page was not dropped";
        ASSERT_NO_FATAL_FAILURE(nextLoginWorks(*portal));
    }
}

TEST_F(HostilePortal, AnswerCutOffMidWayIsToldAndTheSessionIsIdleAgain)
{
    ASSERT_NO_FATAL_FAILURE(start("cut-answer"));
    for (const Portal* portal : {&Netmarble, &Daum}) {
        SCOPED_TRACE(portal->name);
        ASSERT_NO_FATAL_FAILURE(beginLogin(*portal, "cut-answer"));
        ASSERT_NO_FATAL_FAILURE(expectFailureTold());
        ASSERT_NO_FATAL_FAILURE(nextLoginWorks(*portal));
    }
}

TEST_F(HostilePortal, LoginAnsweredAfterAMinuteIsCancelledAtOnce)
{
    ASSERT_NO_FATAL_FAILURE(start("late-login"));
    for (const Portal* portal : {&Netmarble, &Daum}) {
        SCOPED_TRACE(portal->name);
        ASSERT_NO_FATAL_FAILURE(beginLogin(*portal, "late-login"));
        ASSERT_NO_FATAL_FAILURE(cancelHangingLogin(*portal));
        EXPECT_TRUE(waitForEvent(*portal, "cancelled", 5000)) << "the waiting login was not dropped";
        ASSERT_NO_FATAL_FAILURE(nextLoginWorks(*portal));
    }
}

}  // namespace
