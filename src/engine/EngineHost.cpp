#include "engine/EngineHost.h"

#include "engine/IDLockWindow.h"
#include "platform/qt/SingleWindow.h"

#include <QEventLoop>
#include <QLocalSocket>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

namespace engine {

namespace link = platform::link;

EngineHost::EngineHost(QLocalSocket* socket, QObject* parent)
    : QObject(parent),
      link_(socket, link::decoding<link::ToEngine>([this](const link::ToEngine& message) { onMessage(message); })),
      opener_(platform::systemUrlOpener()),
      browser_(profile_, *this, *opener_)
{
    connect(&link_, &link::LineChannel::closed, this, &EngineHost::linkClosed);
    // Said from this thread, so that a hang of it is seen as silence.
    connect(&alive_, &QTimer::timeout, this, [this] { send(link::Alive{}); });
    alive_.start(link::AliveIntervalMs);
    browser_.setDocumentCompleteHandler([this](const QString& address, portal::Browser::Document document) {
        const bool frame = document == portal::Browser::Document::Frame;
        send(link::Complete{op_, address, frame, frame ? 0 : qint64(browser_.documentNumber())});
    });
    browser_.setLoadFailedHandler([this](const QString& address, const portal::LoadFailure& failure) {
        send(link::Failed{op_, address, failure.kind, failure.code});
    });
    browser_.setLaunchHandler([this](const portal::LaunchReport& report) {
        send(link::Launched{op_, report.kind, report.reason});
    });
    browser_.setLaunchAsker([this](const QString& host, const QString& scheme, const QString& address,
                                   std::function<void(bool)> allowed) {
        const int id = ++lastLaunchQuestion_;
        launchQuestions_.insert(id, std::move(allowed));
        send(link::AskLaunch{op_, id, host, scheme, address});
    });
    browser_.setPageClosedHandler([this] { send(link::PageClosed{op_}); });
    browser_.setIdleHandler([this] { send(link::Idle{received_}); });
    // The program keeps the cookies for the next engine; none reach the disk.
    QWebEngineCookieStore* cookies = profile_.get().cookieStore();
    const auto tell = [this](const QNetworkCookie& cookie, bool gone) {
        send(link::Cookie{QString::fromLatin1(cookie.toRawForm(QNetworkCookie::Full)), gone});
    };
    connect(cookies, &QWebEngineCookieStore::cookieAdded, this, [tell](const QNetworkCookie& c) { tell(c, false); });
    connect(cookies, &QWebEngineCookieStore::cookieRemoved, this, [tell](const QNetworkCookie& c) { tell(c, true); });
}

EngineHost::~EngineHost()
{
    if (unlock_) {
        unlock_->disconnect(this);
        delete unlock_;
    }
}

void EngineHost::send(const link::ToProgram& message)
{
    link_.send(link::encode(message));
}

void EngineHost::onMessage(const link::ToEngine& message)
{
    ++received_;
    std::visit([this](const auto& kind) { handle(kind); }, message);
}

// Steps are meant for the page's document the program last heard of: in one
// that came after it, or in a frame, they would fill someone else's form.
void EngineHost::handle(const link::Navigate& message)
{
    op_ = message.op;
    if (!WebEngineBrowser::runsScript(message.address) || quint64(message.document) == browser_.documentNumber())
        browser_.navigate(message.address);
}

void EngineHost::handle(const link::StartGame& message)
{
    op_ = message.op;
    browser_.startGame(message.address);
}

// Steps meant for a document of an earlier operation fill nothing.
void EngineHost::handle(const link::Act& message)
{
    if (message.op == op_ && quint64(message.document) == browser_.documentNumber())
        browser_.act(message.steps);
}

void EngineHost::handle(const link::UnknownPage& message)
{
    if (message.op != op_)
        return;
    if (message.over)
        browser_.setShowOver(*message.over);
    browser_.setDocumentUnknown(message.value);
}

void EngineHost::handle(const link::Settled& message)
{
    browser_.setSessionSettled(message.value);
}

void EngineHost::handle(const link::DialogAnswer& message)
{
    if (const auto answered = awaited_.take(message.id))
        answered(message.answer);
}

void EngineHost::handle(const link::LaunchAnswer& message)
{
    if (const auto allowed = launchQuestions_.take(message.id))
        allowed(message.allowed);
}

void EngineHost::handle(const link::LaunchSchemes& message)
{
    browser_.setLauncherSchemes(message.schemes);
}

// A host-only cookie stays host-only: it is set for its host, with no domain.
void EngineHost::handle(const link::Cookie& message)
{
    const QList<QNetworkCookie> parsed = QNetworkCookie::parseCookies(message.raw.toLatin1());
    if (parsed.size() != 1)
        return;
    QNetworkCookie cookie = parsed.first();
    QUrl origin;
    origin.setScheme(cookie.isSecure() ? QStringLiteral("https") : QStringLiteral("http"));
    if (cookie.domain().startsWith(u'.')) {
        origin.setHost(cookie.domain().mid(1));
    } else {
        origin.setHost(cookie.domain());
        cookie.setDomain({});
    }
    profile_.get().cookieStore()->setCookie(cookie, origin);
}

// Every document of the unlock window goes to the program, which decides
// when the unlock is done.
void EngineHost::handle(const link::Unlock& message)
{
    unlockOp_ = message.op;
    platform::showSingle(unlock_, [&] {
        auto* window = new IDLockWindow(message.address, profile_, unlockDialogs_, [this](const QUrl& completed) {
            send(link::UnlockComplete{unlockOp_, completed.toString(QUrl::FullyEncoded)});
        });
        connect(window, &QObject::destroyed, this, [this] { send(link::UnlockClosed{unlockOp_}); });
        return window;
    });
}

void EngineHost::handle(const link::CloseUnlock& message)
{
    if (unlock_ && message.op == unlockOp_)
        unlock_->close();
}

platform::MessageBox::Answer EngineHost::show(const QString& text, Icon icon, Buttons buttons, Dismissal*)
{
    return ask(op_, text, icon, buttons);
}

platform::MessageBox::Answer EngineHost::ask(quint64 operation, const QString& text, Icon icon, Buttons buttons)
{
    const int id = ++lastDialog_;
    std::optional<Answer> answer;
    QEventLoop waiting;
    awaited_.insert(id, [&](Answer given) {
        answer = given;
        waiting.quit();
    });
    connect(&link_, &link::LineChannel::closed, &waiting, &QEventLoop::quit);
    send(link::Dialog{operation, id, text.left(link::LongestDialogText), icon, buttons});
    if (link_.isOpen())
        waiting.exec();
    awaited_.remove(id);
    // With no program left to ask, the page is refused what it asked for.
    return answer.value_or(refusal(buttons));
}

}  // namespace engine
