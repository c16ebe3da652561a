// The real program against a portal that misbehaves at each portal's first
// login (the sandbox's --hostile option). The main window never shows a state
// the session does not have (nor none, as when the program ended), a failed
// load is told, a cancel brings it back to "Quaylet" within seconds, and the
// next login works.

#include "e2e/Fixture.h"

#include <algorithm>

namespace {

// How long a cancel, or the end of a reported failure, may take.
constexpr int BackToIdleMs = 5000;
// How long a hanging login is watched before it is cancelled.
constexpr int HangingMs = 1500;

struct Fault {
    const char* mode;
    bool hangs;  // the login never ends by itself and is cancelled; otherwise it fails
};

const Fault Faults[] = {
    {"login-500", false},   {"redirect-loop", false}, {"cut-answer", false},
    {"endless-page", true}, {"late-login", true},
};

class HostilePortal : public PortalTest, public ::testing::WithParamInterface<Fault> {
protected:
    QStringList possible{"Quaylet | 로그인"};
    QStringList impossible;

    void SetUp() override
    {
        for (const Portal* portal : {&Netmarble, &Daum}) {
            possible << portal->caption("로그인 중..") + " | 로그인 취소"
                     << portal->caption("로그인 취소중..") + " | 로그인 취소"
                     << portal->caption("로그인 완료") + " | 로그아웃 | game start"
                     << portal->caption("로그아웃 중..") + " | 로그아웃 (disabled)"
                     << portal->caption("로그아웃 완료") + " | 로그인"
                     << portal->caption("로그인 실패") + " | 로그인";
        }
    }

    void TearDown() override
    {
        EXPECT_TRUE(impossible.isEmpty()) << "states the session does not have:\n"
                                          << impossible.join('\n').toStdString();
        PortalTest::TearDown();
    }

    // Looks at the main window until it shows the awaited state or the time is
    // up, noting every state the session does not have.
    bool watch(const QString& awaited, int timeoutMs = 20000)
    {
        return eventually(
            [&] {
                const QString now = quaylet->mainWindow();
                if (!possible.contains(now) && (impossible.isEmpty() || impossible.last() != now))
                    impossible.append(now);
                return now == awaited;
            },
            timeoutMs);
    }

    void backToIdle()
    {
        EXPECT_TRUE(watch("Quaylet | 로그인", BackToIdleMs)) << "still " << quaylet->mainWindow().toStdString();
        ASSERT_TRUE(watch("Quaylet | 로그인")) << "never idle again";
    }
};

TEST_P(HostilePortal, OnlyStatesTheSessionHasAndTheNextLoginWorks)
{
    const Fault& fault = GetParam();
    ASSERT_NO_FATAL_FAILURE(start({"--hostile", fault.mode}));
    for (const Portal* portal : {&Netmarble, &Daum}) {
        SCOPED_TRACE(portal->name);
        quaylet->logInThroughDialog("captain", "sea", portal->option);
        ASSERT_TRUE(sandbox->waitForEvent(fault.mode, portal)) << "the portal never misbehaved";
        if (fault.hangs) {
            watch({}, HangingMs);
            EXPECT_EQ(quaylet->mainWindow(), portal->caption("로그인 중..") + " | 로그인 취소");
            quaylet->click("frmMain", "cmdLogin");
            ASSERT_NO_FATAL_FAILURE(backToIdle());
            EXPECT_TRUE(sandbox->waitForEvent("cancelled", portal, 5000)) << "the hanging login was not dropped";
        } else {
            // Told in one message box titled "Quaylet", over a session already idle.
            ASSERT_FALSE(quaylet->waitForMessage().isEmpty()) << "no message box";
            EXPECT_EQ(quaylet->state()["message"]["title"], "Quaylet");
            EXPECT_EQ(quaylet->mainWindow(), "Quaylet | 로그인");
            quaylet->answer(QMessageBox::Ok);
            ASSERT_NO_FATAL_FAILURE(backToIdle());
        }
        quaylet->logInThroughDialog("captain", "sea", portal->option);
        ASSERT_TRUE(watch(portal->caption("로그인 완료") + " | 로그아웃 | game start"))
            << "the next login did not work";
        quaylet->click("frmMain", "cmdLogin");
        ASSERT_TRUE(watch(portal->caption("로그아웃 완료") + " | 로그인"));
    }
}

INSTANTIATE_TEST_SUITE_P(Faults, HostilePortal, ::testing::ValuesIn(Faults), [](const auto& info) {
    std::string name = info.param.mode;
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
});

}  // namespace
