// The link between the program and its engine process on a local socket pair,
// and the program's end of it against an engine the test plays, or none.

#include "platform/engine/CookieJar.h"
#include "platform/engine/EngineChild.h"
#include "platform/engine/EngineLink.h"
#include "platform/engine/RemoteBrowser.h"
#include "support/Fakes.h"
#include "support/LoopbackServer.h"
#include "support/TempDir.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLocalServer>
#include <QLocalSocket>
#include <QNetworkCookie>
#include <QScopeGuard>
#include <QUuid>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace {

using platform::MessageBox;
using platform::link::LineChannel;
namespace link = platform::link;
using portal::ElementStep;

// Every kind crosses whole. What the receiver does not take is dropped alone:
// a kind it does not know (the other direction's too), a field missing, of the wrong
// type or out of range, a step not well formed (a form is filled whole or not at all).
TEST(EngineLink, MessagesCrossWholeAndMalformedOnesAreDropped)
{
    using namespace platform::link;
    const QList<ElementStep> steps{ElementStep::setValue("put_id", "선장\n\"x\""), ElementStep::setChecked("keep"),
                                   ElementStep::click("login")};
    const QList<ToEngine> toEngine{Navigate{1, "http://p.test/", 2}, StartGame{3, "http://p.test/c"}, Act{4, steps, 5},
                                   Settled{false}, UnknownPage{6, true, QRect(-10, 20, 300, 400)},
                                   UnknownPage{7, false, {}}, DialogAnswer{8, MessageBox::Answer::No},
                                   Unlock{9, "http://p.test/u"}, CloseUnlock{9}, LaunchSchemes{{"dho", "x-y"}},
                                   LaunchAnswer{10, true}, Cookie{"a=b; path=/", false}};
    for (const ToEngine& message : toEngine)
        EXPECT_EQ(decode<ToEngine>(encode(message)), message) << encode(message)["kind"].toString().toStdString();
    const QList<ToProgram> toProgram{
        Complete{1, "http://p.test/", false, 2}, Complete{1, "http://f.test/", true, 0},
        Failed{2, "http://p.test/", portal::LoadFailure::Kind::PageScript, -105},
        Launched{3, portal::LaunchReport::Kind::Failed, "왜"}, Dialog{4, 5, "알림", MessageBox::Icon::Critical,
        MessageBox::Buttons::ContinueCancel}, AskLaunch{6, 7, "h.test", "dho", "dho://x"}, Idle{8}, Alive{},
        PageClosed{9}, UnlockComplete{10, "http://p.test/u"}, UnlockClosed{10}, Cookie{"a=b", true}};
    for (const ToProgram& message : toProgram)
        EXPECT_EQ(decode<ToProgram>(encode(message)), message) << encode(message)["kind"].toString().toStdString();

    const QJsonObject navigate = encode(ToEngine(Navigate{1, "http://p.test/", 2}));
    // The message with a field of another value, or none when it is undefined.
    const auto with = [](QJsonObject message, const QString& field, const QJsonValue& value) {
        message.insert(field, value);
        return message;
    };
    QJsonObject act = encode(ToEngine(Act{4, steps, 5}));
    QJsonArray badSteps = act["steps"].toArray();
    badSteps[1] = QJsonObject{{"action", "submitEverything"}, {"element", "x"}, {"value", ""}};
    const struct {
        const char* name;
        QJsonObject message;
    } dropped[] = {
        {"an unknown kind", with(navigate, "kind", "navigateEverywhere")},
        {"no operation", with(navigate, "op", QJsonValue::Undefined)},
        {"a negative operation", with(navigate, "op", -1)},
        {"a fractional operation", with(navigate, "op", 1.5)},
        {"an address that is no text", with(navigate, "address", 7)},
        {"an answer out of range", with(encode(ToEngine(DialogAnswer{1, MessageBox::Answer::Ok})), "answer", 9)},
        {"a step of no known action", with(act, "steps", badSteps)},
        {"a window frame of three numbers", with(encode(ToEngine(UnknownPage{1, true, {}})), "over", QJsonArray{1, 2, 3})},
    };
    for (const auto& row : dropped)
        EXPECT_EQ(decode<ToEngine>(row.message), std::nullopt) << row.name;
}

// What one end sends, the other delivers in order, even to a page dialog's
// nested wait. A peer that breaks the protocol is dropped with all it sent;
// one that goes away first has its messages delivered. A message over the
// bound is dropped alone, and the link stays.
TEST(EngineLink, LinesArriveInOrderAndWhatIsNotTheProtocolClosesTheLink)
{
    const QByteArray complete = "{\"kind\":\"complete\"}\n";
    const QByteArray overlong = "{\"kind\":\"dialog\",\"text\":\"" + QByteArray(LineChannel::LongestLine, 'x') + "\"}\n";
    const QJsonObject tooLong{{"kind", "dialog"}, {"text", QString(LineChannel::LongestLine, 'x')}};
    const struct {
        const char* name;
        QByteArray written;       // as raw bytes
        QList<QJsonObject> sent;  // through a channel
        bool senderGoes;
        QStringList delivered;
        bool staysOpen;
    } rows[] = {
        {"no JSON", "not json\n", {}, false, {}, false},
        {"no kind", "{\"no kind\":1}\n", {}, false, {}, false},
        {"a message, then gone", complete, {}, true, {"complete"}, false},
        {"overlong, as received", overlong + complete, {}, false, {"complete"}, true},
        {"overlong, as sent", {}, {tooLong, {{"kind", "complete"}}}, false, {"complete"}, true},
        {"an answer during a dialog", {}, {{{"kind", "dialog"}}, {{"kind", "answer"}}, {{"kind", "navigate"}}},
         false, {"dialog", "answer", "navigate", "dialog answered"}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // Two ends of one connection; a channel given an end takes it over.
        QLocalServer server;
        server.listen("quaylet-test-" + QUuid::createUuid().toString(QUuid::WithoutBraces));
        auto* far = new QLocalSocket(&server);
        far->connectToServer(server.fullServerName());
        QLocalSocket* near = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (near = server.nextPendingConnection()) != nullptr; }, 5000));
        QStringList seen;
        bool closed = false;
        LineChannel receiver(near, [&](const QJsonObject& message) {
            seen.append(message["kind"].toString());
            if (message["kind"] == "dialog") {
                waitUntil([&] { return seen.contains("answer"); }, 5000);
                seen.append("dialog answered");
            }
        });
        QObject::connect(&receiver, &LineChannel::closed, [&] { closed = true; });
        LineChannel sender(far, [](const QJsonObject&) {});
        far->write(row.written);
        for (const QJsonObject& message : row.sent)
            sender.send(message);
        if (row.senderGoes)
            far->disconnectFromServer();
        EXPECT_TRUE(
            waitUntil([&] { return seen.size() >= row.delivered.size() && closed != row.staysOpen; }, 5000));
        EXPECT_EQ(seen, row.delivered);
        EXPECT_EQ(receiver.isOpen(), row.staysOpen);
    }
}

// The jar a fresh engine is given: live cookies in the order they were made,
// a changed one in its old place. It keeps what Chromium keeps, 180 a domain
// and 3,300 in all, the oldest going first, and takes each one in bounded
// time: a page may make cookies without end.
TEST(CookieJarTest, KeepsLiveCookiesInTheirOrderAsManyAsChromiumDoes)
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const auto cookie = [](int number, const QString& domain, const QByteArray& attributes = {}) {
        return QStringLiteral("c%1=v; domain=.%2; path=/").arg(number).arg(domain).toLatin1() + attributes;
    };
    const auto names = [](const QList<QByteArray>& raws) {
        QList<int> numbers;
        for (const QByteArray& raw : raws)
            numbers.append(QNetworkCookie::parseCookies(raw).value(0).name().mid(1).toInt());
        return numbers;
    };
    platform::CookieJar jar;
    for (int i = 0; i < 200; ++i)
        jar.added(cookie(i, "one.test"), now);
    // The engine changes a cookie by removing it and making it again: no new
    // one, it evicts nothing. One already expired is none either.
    jar.removed(cookie(20, "one.test"));
    jar.added(cookie(20, "one.test", "; SameSite=Strict"), now);
    jar.added(cookie(-1, "one.test", "; expires=Thu, 01 Jan 2015 00:00:00 GMT"), now);
    jar.added(cookie(-2, "two.test", "; expires=" + now.addSecs(60).toString(Qt::RFC2822Date).toLatin1()), now);
    jar.added(cookie(-3, "two.test"), now);
    QList<QByteArray> given = jar.forNewEngine(now.addSecs(120));
    ASSERT_EQ(given.size(), 181);
    EXPECT_EQ(names(given).first(), 20) << "not the oldest of the domain went";
    EXPECT_EQ(QNetworkCookie::parseCookies(given[0]).value(0).sameSitePolicy(), QNetworkCookie::SameSite::Strict);
    EXPECT_EQ(names(given).last(), -3);

    // 60,000 more, 100 a domain: the newest 3,300 stay, in their order.
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 60000; ++i)
        jar.added(cookie(1000 + i, QStringLiteral("d%1.test").arg(i / 100)), now);
    given = jar.forNewEngine(now);
    EXPECT_LT(clock.elapsed(), 5000);
    ASSERT_EQ(given.size(), platform::CookieJar::MostCookies);
    const QList<int> kept = names(given);
    EXPECT_EQ(kept.first(), 1000 + 60000 - 3300);
    EXPECT_TRUE(std::is_sorted(kept.begin(), kept.end()));
}

// The engine gets its secret on its standard input, the null device for a
// stream the program lacks (without standard error it hung in its Qt start),
// and no other descriptor of the program's. It knocks until a door made late
// (a named pipe, on Windows) opens, and proves itself. Its end is told once,
// even when it came before anyone watched; one that cannot run says why.
TEST(EngineChildTest, TheSecretReachesADoorThatOpensLateAndAnEndIsToldOnce)
{
    const int leaked = ::open("/dev/zero", O_RDONLY);
    const int input = ::dup(STDIN_FILENO);
    const int errors = ::dup(STDERR_FILENO);
    ::close(STDIN_FILENO);
    ::close(STDERR_FILENO);
    const QString name = "quaylet-test-late-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
    QString error;
    std::unique_ptr<platform::EngineChild> engine =
        platform::EngineChild::start(QUAYLET_ENGINE, {"--link", name}, "s3cret\n", error);
    // The child may hold the lowest numbers, the standard streams', until it goes.
    const auto restoreStreams = qScopeGuard([&] {
        engine.reset();
        ::dup2(input, STDIN_FILENO);
        ::dup2(errors, STDERR_FILENO);
        for (int fd : {input, errors, leaked})
            ::close(fd);
    });
    ASSERT_NE(engine, nullptr) << error.toStdString();
    // Where a descriptor of a process leads.
    const auto target = [](qint64 pid, int fd) {
        const QByteArray link = "/proc/" + QByteArray::number(pid) + "/fd/" + QByteArray::number(fd);
        char path[4096];
        const ssize_t size = ::readlink(link.constData(), path, sizeof path);
        return QByteArray(path, size > 0 ? int(size) : 0);
    };
    EXPECT_TRUE(target(engine->id(), 0).startsWith("pipe:"));
    EXPECT_EQ(target(engine->id(), 1), target(::getpid(), 1)) << "the program's own output stays";
    EXPECT_EQ(target(engine->id(), 2), "/dev/null");
    EXPECT_NE(target(engine->id(), leaked), "/dev/zero") << "a descriptor of the program's was left open";

    runEventsFor(1500);  // longer than the engine takes to try
    ASSERT_FALSE(engine->waitForEnded(0)) << "the engine gave up on a door not open yet";
    QLocalServer door;
    ASSERT_TRUE(door.listen(name));
    QLocalSocket* knock = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (knock = door.nextPendingConnection()) != nullptr; }, 5000));
    EXPECT_TRUE(waitUntil([&] { return knock->canReadLine(); }, 5000));
    EXPECT_EQ(knock->readLine(), "s3cret\n");

    ::kill(pid_t(engine->id()), SIGKILL);
    const auto zombie = [&] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(engine->id()));
        return stat.open(QIODevice::ReadOnly) && stat.readAll().contains(") Z ");
    };
    ASSERT_TRUE(waitUntil(zombie, 5000));
    int ended = 0;
    QObject::connect(engine.get(), &platform::EngineChild::ended, [&] { ++ended; });
    engine->watch();
    EXPECT_TRUE(waitUntil([&] { return ended > 0; }, 5000));
    engine->kill();
    EXPECT_TRUE(engine->waitForEnded(0));
    runEventsFor(100);
    EXPECT_EQ(ended, 1);

    EXPECT_EQ(platform::EngineChild::start("/nonexistent/quaylet-engine", {}, "x\n", error), nullptr);
    EXPECT_EQ(error, QString::fromLocal8Bit(std::strerror(ENOENT)));
}

// An engine the test plays: the program starts a script that waits for the
// test's word and becomes a relay that proves itself as the engine and passes
// everything between the program and the test.
class ScriptedEngine : public ::testing::Test {
protected:
    using Kind = portal::LoadFailure::Kind;
    using Failure = QPair<QString, Kind>;

    ScriptedEngine()
    {
        relays.listen("quaylet-test-relay-" + QUuid::createUuid().toString(QUuid::WithoutBraces));
        const QByteArray go = dir.file("go").toUtf8();
        const QByteArray relay = "'" QUAYLET_ENGINE_RELAY "' \"$2\" '" + relays.fullServerName().toUtf8() + "'";
        dir.write("engine",
                  "#!/bin/sh\nwhile [ ! -e '" + go + "' ]; do sleep 0.02; done\nrm '" + go + "'\nexec " + relay);
        QFile(dir.file("engine")).setPermissions(QFile::ReadOwner | QFile::ExeOwner);
        web.setDocumentCompleteHandler(
            [this](const QString& address, portal::Browser::Document) { completed.append(address); });
        web.setLoadFailedHandler([this](const QString& address, const portal::LoadFailure& failure) {
            failures.append({address, failure.kind});
        });
        web.setLaunchHandler([this](const portal::LaunchReport& report) { launches.append(report.kind); });
    }

    // Plays the engine the program started last.
    void connectEngine()
    {
        dir.write("go", "");
        QLocalSocket* socket = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (socket = relays.nextPendingConnection()) != nullptr; }, 5000));
        received.clear();
        engine = std::make_unique<LineChannel>(
            socket, link::decoding<link::ToEngine>([this](const link::ToEngine& message) { received.append(message); }));
    }

    // The first message of this kind the engine was sent and the test has
    // not taken yet, once it came.
    template <typename Message>
    std::optional<Message> take()
    {
        const auto isOne = [](const link::ToEngine& message) { return std::holds_alternative<Message>(message); };
        if (!waitUntil([&] { return std::any_of(received.cbegin(), received.cend(), isOne); }, 5000))
            return std::nullopt;
        return std::get<Message>(
            received.takeAt(std::find_if(received.cbegin(), received.cend(), isOne) - received.cbegin()));
    }

    void say(const link::ToProgram& message) { engine->send(link::encode(message)); }

    // A login starts on the page given, the engine the test plays gets it:
    // the number of its operation.
    quint64 startLogin(const QString& address)
    {
        web.setSessionSettled(false);
        web.navigate(address);
        connectEngine();
        return take<link::Navigate>().value().op;
    }

    QLocalServer relays;
    ProgramDir dir;
    FakeMessageBox messages;
    platform::RemoteBrowser web{dir.file("engine"), messages};
    platform::EngineConnection& connection = web.connection();
    std::unique_ptr<LineChannel> engine;
    QList<link::ToEngine> received;
    QStringList completed;
    QList<Failure> failures;
    QList<portal::LaunchReport::Kind> launches;
};

// What the engine sent of an operation before it read the next one (a
// cancel's navigation, say) is never taken for the next one's, nor the
// user's closing of a page it showed. A page dialog shown closes unanswered
// when its operation ends, or when the engine dies, told after it.
TEST_F(ScriptedEngine, OnlyTheOperationUnderWayHearsItsReportsAndItsDialogsCloseWithIt)
{
    bool pageClosed = false;
    web.setPageClosedHandler([&] { pageClosed = true; });
    const quint64 login = startLogin("http://portal.test/login");
    messages.onShow = [&] { web.navigate("http://portal.test/cancel"); };
    say(link::Dialog{login, 1, "of the login", MessageBox::Icon::Information, MessageBox::Buttons::Ok});
    ASSERT_TRUE(take<link::DialogAnswer>());
    EXPECT_EQ(messages.dismissed, QStringList{"of the login"});
    const quint64 cancel = take<link::Navigate>().value().op;

    say(link::Complete{login, "http://portal.test/login", false, 1});
    say(link::PageClosed{login});
    say(link::Failed{login, "http://portal.test/login", Kind::Refused, 0});
    say(link::Launched{login, portal::LaunchReport::Kind::Launched, {}});
    say(link::Dialog{login, 7, "late", MessageBox::Icon::Information, MessageBox::Buttons::OkCancel});
    say(link::Complete{cancel, "http://portal.test/cancel", false, 2});
    ASSERT_TRUE(waitUntil([&] { return !completed.isEmpty(); }, 5000));
    EXPECT_EQ(completed, QStringList{"http://portal.test/cancel"});
    EXPECT_TRUE(failures.isEmpty());
    EXPECT_TRUE(launches.isEmpty());
    EXPECT_EQ(messages.shown.size(), 1) << "a dialog of an ended operation is refused unseen";
    EXPECT_FALSE(pageClosed) << "the close of a page left behind was heard";
    EXPECT_EQ(take<link::DialogAnswer>(), (link::DialogAnswer{7, MessageBox::Answer::Cancel}));
    say(link::PageClosed{cancel});
    EXPECT_TRUE(waitUntil([&] { return pageClosed; }, 5000));

    // Shown, its text cut to 64 KiB.
    messages.onShow = [&] {
        ::kill(pid_t(connection.engineId()), SIGKILL);
        waitUntil([&] { return connection.engineId() == 0; }, 5000);
        EXPECT_TRUE(failures.isEmpty()) << "the death is told before the dialog closed";
    };
    say(link::Dialog{cancel, 8, QString(70000, u'가'), MessageBox::Icon::Information, MessageBox::Buttons::Ok});
    ASSERT_TRUE(waitUntil([&] { return !failures.isEmpty(); }, 5000));
    EXPECT_EQ(messages.shown.last().text.size(), platform::link::LongestDialogText);
    EXPECT_EQ(messages.dismissed.size(), 2);
    EXPECT_EQ(failures, (QList<Failure>{{"http://portal.test/cancel", Kind::BrowserEnded}}));
}

// An engine launched before the program's event loop runs knocks before
// anyone listens, and comes in once the program takes it over. One started
// ahead of a login that does not come ends by itself; one in use stays.
TEST_F(ScriptedEngine, AnEngineStartedAheadComesInLateAndEndsWhenNothingCame)
{
    connection.setUnusedLimit(500);
    platform::EngineConnection::Launch early = platform::EngineConnection::launch(dir.file("engine"));
    ASSERT_NE(early.child, nullptr) << early.error.toStdString();
    connectEngine();
    connection.adopt(std::move(early));
    EXPECT_TRUE(take<link::LaunchSchemes>()) << "the engine that knocked early was not let in";
    EXPECT_TRUE(waitUntil([&] { return connection.engineId() == 0; }, 5000)) << "an unused engine stayed";

    startLogin("http://portal.test/login");
    runEventsFor(800);
    EXPECT_NE(connection.engineId(), 0) << "an engine in use was ended";
}

// Only the engine gets in: clients of the user's that connect first, silent
// or with a made-up secret, get nothing and are dropped. The door is in a
// folder of its own that only the user may enter, gone once the engine came
// in; one launched while an engine runs goes at once, door and all.
TEST_F(ScriptedEngine, OnlyTheEngineIsLetInThroughAPrivateDoorThatGoesAfter)
{
    web.navigate("http://portal.test/login");
    // Where the engine is to connect: its script runs as "sh engine --link DOOR".
    QFile command(QStringLiteral("/proc/%1/cmdline").arg(connection.engineId()));
    ASSERT_TRUE(command.open(QIODevice::ReadOnly));
    const QString link = QString::fromLocal8Bit(command.readAll().split('\0').value(3));
    const QString folder = QFileInfo(link).path();
    EXPECT_EQ(QFileInfo(folder).permissions(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                   | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    QLocalSocket silent, forger;
    for (QLocalSocket* foreign : {&silent, &forger}) {
        foreign->connectToServer(link);
        ASSERT_TRUE(foreign->waitForConnected(5000));
    }
    forger.write("0123456789abcdef0123456789abcdef\n");
    forger.flush();
    ASSERT_TRUE(waitUntil([&] { return forger.state() == QLocalSocket::UnconnectedState; }, 5000));
    connectEngine();
    EXPECT_EQ(take<link::Navigate>().value().address, "http://portal.test/login");
    ASSERT_TRUE(waitUntil([&] { return silent.state() == QLocalSocket::UnconnectedState; }, 5000));
    EXPECT_EQ(silent.bytesAvailable() + forger.bytesAvailable(), 0) << "a foreign client was told something";

    const auto descriptors = [] { return QDir("/proc/self/fd").count(); };
    const qsizetype before = descriptors();
    platform::EngineConnection::Launch late = platform::EngineConnection::launch(dir.file("engine"));
    ASSERT_TRUE(late.door.folder);
    const QString lateFolder = late.door.folder->path();
    connection.adopt(std::move(late));
    EXPECT_EQ(descriptors(), before);
    EXPECT_FALSE(QFileInfo::exists(lateFolder));
}

// An engine that cannot start, stops answering (ended within the limit) or
// dies fails the operation under way once, none that failed already; the
// next operation starts a fresh engine, with the cookies of the last.
TEST_F(ScriptedEngine, AnEngineThatCannotStartFallsSilentOrDiesIsToldOnceAndItsCookiesOutliveIt)
{
    QFile::rename(dir.file("engine"), dir.file("missing"));
    web.act({ElementStep::click("login")});
    // The session's own order: it navigates, then says that it waits.
    web.navigate("http://portal.test/login");
    web.setSessionSettled(false);
    ASSERT_TRUE(waitUntil([&] { return failures.size() == 1; }, 5000)) << "a login without an engine waits for ever";
    EXPECT_TRUE(messages.shown.isEmpty()) << "the session tells the failure, not the browser";
    QFile::rename(dir.file("missing"), dir.file("engine"));

    connection.setSilenceLimit(1000);
    startLogin("http://portal.test/login");
    const auto hung = pid_t(connection.engineId());
    for (int i = 0; i < 4; ++i) {
        say(link::Alive{});
        runEventsFor(400);
    }
    EXPECT_EQ(failures.size(), 1) << "an engine that says it is alive is not silent";
    ASSERT_TRUE(waitUntil([&] { return failures.size() == 2; }, 3000));
    const Failure ended{"http://portal.test/login", Kind::BrowserEnded};
    EXPECT_EQ(failures, (QList<Failure>{ended, ended}));
    EXPECT_TRUE(waitUntil([&] { return ::kill(hung, 0) != 0; }, 5000)) << "the hung engine still runs";

    // A page that failed, then the engine's death: told once. Its cookies
    // reach the next engine first, a message each: no jar is too large for the link.
    const quint64 again = startLogin("http://portal.test/again");
    const QString value(7000, u'v');
    for (int i = 0; i < 170; ++i)
        say(link::Cookie{QStringLiteral("c%1=%2; domain=.portal.test; path=/").arg(i).arg(value), false});
    say(link::Cookie{"c7=gone; domain=.portal.test; path=/", true});
    say(link::Failed{again, "http://portal.test/again", Kind::Refused, 0});
    ASSERT_TRUE(waitUntil([&] { return failures.size() == 3; }, 5000));
    engine.reset();
    ASSERT_TRUE(waitUntil([&] { return connection.engineId() == 0; }, 5000));
    runEventsFor(200);
    EXPECT_EQ(failures.size(), 3) << "told twice";

    web.navigate("http://portal.test/next");
    connectEngine();
    ASSERT_TRUE(waitUntil(
        [&] { return !received.isEmpty() && std::holds_alternative<link::Navigate>(received.last()); }, 5000));
    QStringList names;
    for (const link::ToEngine& message : std::as_const(received)) {
        if (const auto* cookie = std::get_if<link::Cookie>(&message))
            names.append(QNetworkCookie::parseCookies(cookie->raw.toLatin1()).value(0).name());
    }
    ASSERT_EQ(names.size(), 169);
    EXPECT_EQ(names.first(), "c0");
    EXPECT_FALSE(names.contains("c7"));
}

}  // namespace
