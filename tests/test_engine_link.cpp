// The link between the program and its engine process on a local socket pair,
// and the program's end of it when no engine can be had.

#include "platform/engine/EngineLink.h"
#include "platform/engine/EngineProcess.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QUuid>
#include <gtest/gtest.h>

#include <memory>

namespace {

using platform::link::LineChannel;
using portal::ElementStep;

// Two ends of one connection; the far end is a bare socket the test writes to.
// A channel given an end takes it over.
struct SocketPair {
    QLocalServer server;
    QLocalSocket* far = new QLocalSocket(&server);
    QLocalSocket* near = nullptr;

    SocketPair()
    {
        server.listen("quaylet-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces));
        far->connectToServer(server.fullServerName());
        waitUntil([&] { return (near = server.nextPendingConnection()) != nullptr; }, 5000);
    }
};

TEST(EngineLink, StepsCrossWholeAndMalformedOnesFillNothing)
{
    const QList<ElementStep> steps{ElementStep::setValue("put_id", "선장\n\"x\""), ElementStep::setChecked("keep"),
                                   ElementStep::click("login")};
    const QList<ElementStep> back = platform::link::stepsFromJson(platform::link::stepsToJson(steps));
    ASSERT_EQ(back.size(), 3);
    EXPECT_EQ(back[0].value, "선장\n\"x\"");
    EXPECT_EQ(back[2].action, ElementStep::Action::Click);

    QJsonArray bad = platform::link::stepsToJson(steps);
    bad[1] = QJsonObject{{"action", "submitEverything"}, {"element", "x"}, {"value", ""}};
    EXPECT_TRUE(platform::link::stepsFromJson(bad).isEmpty());
    bad[1] = QJsonObject{{"action", "click"}, {"element", 3}, {"value", ""}};
    EXPECT_TRUE(platform::link::stepsFromJson(bad).isEmpty());
}

// A page dialog waits for its answer in a nested loop: the answer, sent after
// the question, must reach it there, and everything arrives in order.
TEST(EngineLink, ANestedWaitGetsWhatComesMeanwhileInOrder)
{
    SocketPair pair;
    ASSERT_NE(pair.near, nullptr);
    QStringList seen;
    std::unique_ptr<LineChannel> engine;
    engine = std::make_unique<LineChannel>(pair.near, [&](const QJsonObject& message) {
        seen.append(message["kind"].toString());
        if (message["kind"] == "dialog") {
            waitUntil([&] { return seen.contains("answer"); }, 5000);
            seen.append("dialog answered");
        }
    });
    LineChannel program(pair.far, [](const QJsonObject&) {});
    program.send({{"kind", "dialog"}});
    program.send({{"kind", "answer"}});
    program.send({{"kind", "navigate"}});
    ASSERT_TRUE(waitUntil([&] { return seen.size() == 4; }, 5000));
    EXPECT_EQ(seen, (QStringList{"dialog", "answer", "navigate", "dialog answered"}));
}

// A peer that sends what is not the protocol is dropped with all it sent; one
// that goes away has what it sent before delivered first.
TEST(EngineLink, WhatIsNotTheProtocolClosesTheLink)
{
    const QList<QByteArray> sent{"not json\n", "[1,2]\n", "{\"no kind\":1}\n",
                                QByteArray(LineChannel::LongestLine + 1, 'x'), "{\"kind\":\"complete\"}\n"};
    for (const QByteArray& bytes : sent) {
        SocketPair pair;
        ASSERT_NE(pair.near, nullptr);
        int delivered = 0;
        bool closed = false;
        LineChannel channel(pair.near, [&](const QJsonObject&) { ++delivered; });
        QObject::connect(&channel, &LineChannel::closed, [&] { closed = true; });
        pair.far->write(bytes);
        pair.far->flush();
        const bool wellFormed = bytes.startsWith("{\"kind\"");
        if (wellFormed)
            pair.far->disconnectFromServer();
        EXPECT_TRUE(waitUntil([&] { return closed; }, 5000)) << bytes.left(20).toStdString();
        EXPECT_EQ(delivered, wellFormed ? 1 : 0) << bytes.left(20).toStdString();
        EXPECT_FALSE(channel.isOpen());
    }
}

// No engine to be had: every operation fails as an unreachable page does,
// and the next one tries again.
TEST(EngineProcessTest, AnEngineThatCannotStartFailsWhatWasAskedOfIt)
{
    FakeMessageBox messages;
    platform::EngineProcess web("/nonexistent/quaylet-engine", messages);
    QList<QPair<QString, portal::LoadFailure::Kind>> failures;
    web.setLoadFailedHandler([&](const QString& address, const portal::LoadFailure& failure) {
        failures.append({address, failure.kind});
    });
    web.setSessionSettled(false);
    web.navigate("http://127.0.0.1:9/login");
    ASSERT_TRUE(waitUntil([&] { return !failures.isEmpty(); }, 5000));
    web.act({ElementStep::click("login")});
    web.setSessionSettled(true);
    web.startGame("http://127.0.0.1:9/channel");
    ASSERT_TRUE(waitUntil([&] { return failures.size() == 2; }, 5000));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(failures, (QList<QPair<QString, portal::LoadFailure::Kind>>{
                            {"http://127.0.0.1:9/login", portal::LoadFailure::Kind::BrowserEnded},
                            {"http://127.0.0.1:9/channel", portal::LoadFailure::Kind::BrowserEnded}}));
    EXPECT_EQ(web.engineId(), 0);
    EXPECT_TRUE(messages.shown.isEmpty()) << "the session tells the failure, not the browser";
}

}  // namespace
