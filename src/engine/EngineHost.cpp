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
      link_(socket, [this](const QJsonObject& message) { onMessage(message); }),
      opener_(platform::systemUrlOpener()),
      browser_(profile_, *this, *opener_)
{
    connect(&link_, &link::LineChannel::closed, this, &EngineHost::linkClosed);
    // Said from this thread, so that a hang of it is seen as silence.
    connect(&alive_, &QTimer::timeout, this, [this] { link_.send({{"kind", link::Alive}}); });
    alive_.start(link::AliveIntervalMs);
    browser_.setDocumentCompleteHandler([this](const QString& address, portal::Browser::Document document) {
        QJsonObject message{{"address", address}};
        if (document == portal::Browser::Document::Frame)
            message["frame"] = true;
        else
            message["document"] = qint64(browser_.documentNumber());
        report(link::Complete, message);
    });
    browser_.setLoadFailedHandler([this](const QString& address, const portal::LoadFailure& failure) {
        QJsonObject message = link::failureToJson(failure);
        message["address"] = address;
        report(link::Failed, message);
    });
    browser_.setLaunchHandler([this](const portal::LaunchReport& report) {
        this->report(link::Launch, link::launchToJson(report));
    });
    browser_.setLaunchAsker([this](const QString& host, const QString& scheme, const QString& address,
                                   std::function<void(bool)> allowed) {
        const int id = ++lastLaunchQuestion_;
        launchQuestions_.insert(id, std::move(allowed));
        report(link::AskLaunch, {{"id", id}, {"host", host}, {"scheme", scheme}, {"address", address}});
    });
    browser_.setPageClosedHandler([this] { report(link::PageClosed, {}); });
    browser_.setIdleHandler([this] { link_.send({{"kind", link::Idle}, {"received", qint64(received_)}}); });
    // The program keeps the cookies for the next engine; none reach the disk.
    QWebEngineCookieStore* cookies = profile_.get().cookieStore();
    const auto tell = [this](const QNetworkCookie& cookie, bool gone) {
        link_.send({{"kind", link::Cookie},
                    {"raw", QString::fromLatin1(cookie.toRawForm(QNetworkCookie::Full))},
                    {"gone", gone}});
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

void EngineHost::report(const QString& kind, QJsonObject message)
{
    message["kind"] = kind;
    message["op"] = qint64(op_);
    link_.send(message);
}

void EngineHost::onMessage(const QJsonObject& message)
{
    ++received_;
    const QString kind = message["kind"].toString();
    // Steps are meant for the page's document the program last heard of: in
    // one that came after it, or in a frame, they would fill someone else's form.
    const bool forThisDocument = quint64(message["document"].toInteger()) == browser_.documentNumber();
    if (kind == link::Navigate || kind == link::StartGame) {
        op_ = quint64(message["op"].toInteger());
        const QString address = message["address"].toString();
        if (kind == link::StartGame)
            browser_.startGame(address);
        else if (!WebEngineBrowser::runsScript(address) || forThisDocument)
            browser_.navigate(address);
    } else if (kind == link::Act) {
        // Steps meant for a document of an earlier operation fill nothing.
        if (quint64(message["op"].toInteger()) == op_ && forThisDocument)
            browser_.act(link::stepsFromJson(message["steps"].toArray()));
    } else if (kind == link::UnknownPage) {
        if (quint64(message["op"].toInteger()) != op_)
            return;
        const QJsonArray over = message["over"].toArray();
        if (over.size() == 4)
            browser_.setShowOver({over[0].toInt(), over[1].toInt(), over[2].toInt(), over[3].toInt()});
        browser_.setDocumentUnknown(message["value"].toBool());
    } else if (kind == link::Settled) {
        browser_.setSessionSettled(message["value"].toBool());
    } else if (kind == link::Answer) {
        if (const auto answered = awaited_.take(message["id"].toInt()))
            answered(Answer(std::clamp(message["answer"].toInt(), 0, int(Answer::Cancel))));
    } else if (kind == link::LaunchAnswer) {
        if (const auto allowed = launchQuestions_.take(message["id"].toInt()))
            allowed(message["allowed"].toBool());
    } else if (kind == link::LaunchSchemes) {
        browser_.setLauncherSchemes(message["schemes"].toVariant().toStringList());
    } else if (kind == link::Cookie) {
        giveCookie(message["raw"].toString().toLatin1());
    } else if (kind == link::Unlock) {
        unlockOp_ = quint64(message["op"].toInteger());
        showUnlockWindow(message["address"].toString());
    } else if (kind == link::CloseUnlock) {
        if (unlock_ && quint64(message["op"].toInteger()) == unlockOp_)
            unlock_->close();
    }
}

// A host-only cookie stays host-only: it is set for its host, with no domain.
void EngineHost::giveCookie(const QByteArray& raw)
{
    const QList<QNetworkCookie> parsed = QNetworkCookie::parseCookies(raw);
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
void EngineHost::showUnlockWindow(const QString& address)
{
    platform::showSingle(unlock_, [&] {
        auto* window = new IDLockWindow(address, profile_, unlockDialogs_, [this](const QUrl& completed) {
            link_.send({{"kind", link::UnlockComplete},
                        {"op", qint64(unlockOp_)},
                        {"address", completed.toString(QUrl::FullyEncoded)}});
        });
        connect(window, &QObject::destroyed, this,
                [this] { link_.send({{"kind", link::UnlockClosed}, {"op", qint64(unlockOp_)}}); });
        return window;
    });
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
    link_.send({{"kind", link::Dialog},
                {"op", qint64(operation)},
                {"id", id},
                {"text", text.left(link::LongestDialogText)},
                {"icon", int(icon)},
                {"buttons", int(buttons)}});
    if (link_.isOpen())
        waiting.exec();
    awaited_.remove(id);
    // With no program left to ask, the page is refused what it asked for.
    return answer.value_or(refusal(buttons));
}

}  // namespace engine
