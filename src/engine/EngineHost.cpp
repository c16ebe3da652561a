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
    browser_.setDocumentCompleteHandler([this](const QString& address) {
        link_.send({{"kind", link::Complete}, {"address", address}});
    });
    browser_.setLoadFailedHandler([this](const QString& address, const portal::LoadFailure& failure) {
        QJsonObject message = link::failureToJson(failure);
        message["kind"] = link::Failed;
        message["address"] = address;
        link_.send(message);
    });
    browser_.setLaunchHandler([this](const portal::LaunchReport& report) {
        QJsonObject message = link::launchToJson(report);
        message["kind"] = link::Launch;
        link_.send(message);
    });
    browser_.setIdleHandler([this] { link_.send({{"kind", link::Idle}, {"received", qint64(received_)}}); });
    // The program keeps the cookies for the next engine; none reach the disk.
    QWebEngineCookieStore* cookies = profile_.get().cookieStore();
    const auto report = [this](const QNetworkCookie& cookie, bool gone) {
        link_.send({{"kind", link::Cookie},
                    {"raw", QString::fromLatin1(cookie.toRawForm(QNetworkCookie::Full))},
                    {"gone", gone}});
    };
    connect(cookies, &QWebEngineCookieStore::cookieAdded, this, [report](const QNetworkCookie& c) { report(c, false); });
    connect(cookies, &QWebEngineCookieStore::cookieRemoved, this, [report](const QNetworkCookie& c) { report(c, true); });
}

EngineHost::~EngineHost()
{
    if (unlock_) {
        unlock_->disconnect(this);
        delete unlock_;
    }
}

void EngineHost::onMessage(const QJsonObject& message)
{
    ++received_;
    const QString kind = message["kind"].toString();
    if (kind == link::Navigate) {
        browser_.navigate(message["address"].toString());
    } else if (kind == link::StartGame) {
        browser_.startGame(message["address"].toString());
    } else if (kind == link::Act) {
        browser_.act(link::stepsFromJson(message["steps"].toArray()));
    } else if (kind == link::Settled) {
        browser_.setSessionSettled(message["value"].toBool());
    } else if (kind == link::Answer) {
        if (const auto answered = awaited_.take(message["id"].toInt()))
            answered(Answer(std::clamp(message["answer"].toInt(), 0, int(Answer::Cancel))));
    } else if (kind == link::Cookies) {
        giveCookies(message["raw"].toArray());
    } else if (kind == link::Unlock) {
        showUnlockWindow(message["address"].toString(), message["unlockedPage"].toString());
    }
}

// A host-only cookie stays host-only: it is set for its host, with no domain.
void EngineHost::giveCookies(const QJsonArray& raw)
{
    QWebEngineCookieStore* store = profile_.get().cookieStore();
    for (const QJsonValue& value : raw) {
        const QList<QNetworkCookie> parsed = QNetworkCookie::parseCookies(value.toString().toLatin1());
        if (parsed.size() != 1)
            continue;
        QNetworkCookie cookie = parsed.first();
        QUrl origin;
        origin.setScheme(cookie.isSecure() ? QStringLiteral("https") : QStringLiteral("http"));
        if (cookie.domain().startsWith(u'.')) {
            origin.setHost(cookie.domain().mid(1));
        } else {
            origin.setHost(cookie.domain());
            cookie.setDomain({});
        }
        store->setCookie(cookie, origin);
    }
}

void EngineHost::showUnlockWindow(const QString& address, const QString& unlockedPage)
{
    platform::showSingle(unlock_, [&] {
        auto* window = new IDLockWindow(address, unlockedPage, profile_, *this,
                                        [this] { link_.send({{"kind", link::Unlocked}}); });
        connect(window, &QObject::destroyed, this, [this] { link_.send({{"kind", link::UnlockClosed}}); });
        return window;
    });
}

platform::MessageBox::Answer EngineHost::show(const QString& text, Icon icon, Buttons buttons)
{
    const int id = ++lastDialog_;
    std::optional<Answer> answer;
    QEventLoop waiting;
    awaited_.insert(id, [&](Answer given) {
        answer = given;
        waiting.quit();
    });
    connect(&link_, &link::LineChannel::closed, &waiting, &QEventLoop::quit);
    link_.send({{"kind", link::Dialog}, {"id", id}, {"text", text}, {"icon", int(icon)}, {"buttons", int(buttons)}});
    if (link_.isOpen())
        waiting.exec();
    awaited_.remove(id);
    // With no program left to ask, the page is refused what it asked for.
    return answer.value_or(buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel);
}

}  // namespace engine
