#include "engine/browser/WebPage.h"

#include "core/Texts.h"
#include "platform/MessageBox.h"

#include <QRandomGenerator>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

namespace engine {

namespace {

// Frame reports travel as console messages from a world of their own, which
// page scripts cannot see into. A page can still write to the console, so each
// report carries a secret made at start that no page can know. A frame says
// so as its document is made ("+"), which may ask for another program's
// address before it has loaded, and again once it has loaded.
const QString& frameReportPrefix()
{
    static const QString prefix = [] {
        const quint64 high = QRandomGenerator::system()->generate64();
        const quint64 low = QRandomGenerator::system()->generate64();
        return QStringLiteral("quaylet-frame-%1%2 ").arg(high, 16, 16, QChar(u'0')).arg(low, 16, 16, QChar(u'0'));
    }();
    return prefix;
}

constexpr quint32 FrameReportWorld = QWebEngineScript::ApplicationWorld + 1;

// Per page, and so per operation: every navigation of the program gets a
// fresh page, and a page that loads itself again does not start anew.
constexpr int MaxDialogsPerPage = 3;

QWebEngineScript frameReportScript()
{
    QWebEngineScript script;
    script.setName(QStringLiteral("quaylet-frame-report"));
    script.setWorldId(FrameReportWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(QStringLiteral("(function (prefix) {"
                                        "  if (window === window.top) return;"
                                        "  console.log(prefix + '+' + location.href);"
                                        "  var reported = false;"
                                        "  window.addEventListener('load', function (event) {"
                                        "    if (!event.isTrusted || reported) return;"
                                        "    reported = true;"
                                        "    console.log(prefix + location.href);"
                                        "  });"
                                        "})(%1);")
                             .arg(u'"' + frameReportPrefix() + u'"'));
    return script;
}

}  // namespace

WebPage::WebPage(QWebEngineProfile& profile, platform::MessageBox& messages, QObject* parent)
    : QWebEnginePage(&profile, parent),
      messages_(messages)
{
    scripts().insert(frameReportScript());
    // Addresses of other programs' schemes reach acceptNavigationRequest, which decides.
    settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowAllUnknownUrlSchemes);
    connect(this, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus)
            frames_.clear();
    });
    // New windows come here first, with whether the user asked for them; one
    // not opened here falls to createWindow(), which declines it.
    connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
        if (!windowFactory_ || (webOnly_ && !request.isUserInitiated()))
            return;
        if (QWebEnginePage* page = windowFactory_())
            request.openIn(page);
    });
}

void WebPage::setFrameHandler(FrameHandler handler)
{
    onFrame_ = std::move(handler);
}

void WebPage::setDialogHandler(DialogHandler handler)
{
    onDialog_ = std::move(handler);
}

void WebPage::setExternalHandler(ExternalHandler handler)
{
    onExternal_ = std::move(handler);
}

void WebPage::setWindowFactory(WindowFactory factory)
{
    windowFactory_ = std::move(factory);
}

void WebPage::retire()
{
    disconnect();
    onFrame_ = {};
    onDialog_ = {};
    windowFactory_ = {};
    onExternal_ = {};
    retired_ = true;
    ++busy_;
    endBusy();
}

void WebPage::endBusy()
{
    // Deleted from the event loop, once whoever emitted or called has returned.
    if (--busy_ == 0 && retired_)
        QMetaObject::invokeMethod(
            this, [this] { delete this; }, Qt::QueuedConnection);
}

// Shows a script dialog, saying which host it comes from. A page cut off
// shows none, and a page that has shown three gets the rest answered as a
// browser's "prevent more dialogs" does: dismissed, or cancelled.
bool WebPage::dialogShown(const QUrl& origin, const QString& message, bool question)
{
    if (retired_ || ++dialogsShown_ > MaxDialogsPerPage)
        return false;
    const Busy busy(this);
    if (onDialog_)
        onDialog_(true);
    const bool confirmed = messages_.show(text::PageSays.arg(origin.host()) + u'\n' + message,
                                          question ? platform::MessageBox::Icon::Question : platform::MessageBox::Icon::Information,
                                          question ? platform::MessageBox::Buttons::OkCancel : platform::MessageBox::Buttons::Ok)
                           == platform::MessageBox::Answer::Ok;
    if (onDialog_)
        onDialog_(false);
    return confirmed;
}

void WebPage::javaScriptAlert(const QUrl& securityOrigin, const QString& message)
{
    dialogShown(securityOrigin, message, false);
}

bool WebPage::javaScriptConfirm(const QUrl& securityOrigin, const QString& message)
{
    return dialogShown(securityOrigin, message, true);
}

bool WebPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*)
{
    // Nothing of the program asks the user for text: a prompt counts as cancelled.
    return false;
}

void WebPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int, const QString&)
{
    const QString& prefix = frameReportPrefix();
    if (!message.startsWith(prefix))
        return;
    const QStringView report = QStringView(message).mid(prefix.size());
    if (report.startsWith(u'+')) {
        frames_.append(QUrl(report.mid(1).toString()));
        return;
    }
    if (onFrame_)
        onFrame_(QUrl(report.toString()));
}

bool WebPage::loadsItself(const QUrl& address)
{
    static const QStringList schemes{QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("about"),
                                     QStringLiteral("data"), QStringLiteral("blob"),  QStringLiteral("javascript"),
                                     QStringLiteral("file")};
    return schemes.contains(address.scheme());
}

bool WebPage::acceptNavigationRequest(const QUrl& url, NavigationType, bool isMainFrame)
{
    if (webOnly_)
        return url.scheme() == u"http" || url.scheme() == u"https" || url == QUrl(QStringLiteral("about:blank"));
    if (loadsItself(url))
        return true;
    if (onExternal_)
        onExternal_(url, isMainFrame);
    return false;
}

QWebEnginePage* WebPage::createWindow(WebWindowType)
{
    return nullptr;
}

}  // namespace engine
