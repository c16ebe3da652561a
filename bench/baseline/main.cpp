// The bare program Quaylet is measured against: one plain window, one hidden
// off-the-record page going through the same sandbox pages in the same order,
// and the same caption as Quaylet once logged in.
//
//   bench-baseline netmarble|daum

#include <QApplication>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWidget>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

// The sandbox's default ports, as in the sandbox preset.
const QString NetmarbleLoginPage = QStringLiteral(
    "http://127.0.0.1:47101/login/login.asp?l_url=http%3A%2F%2F127%2E0%2E0%2E1%3A47102%2Fmain%2Easp");
const QString DaumLogoutAddress =
    QStringLiteral("http://127.0.0.1:47104/Mail-bin/logout.cgi?url=http://127.0.0.1:47106/?nil_profile=logout");
const QString DaumLoginPage = QStringLiteral(
    "http://127.0.0.1:47106/Mail-bin/login.html?url=http%3a%2f%2f127%2e0%2e0%2e1%3a47108%2fintro%2easp"
    "&category=identity");

bool isPage(const QUrl& url, int port, const QString& path)
{
    return url.port() == port && url.path() == path;
}

QString fillAndSubmit(const QString& idField, const QString& passwordField, const QString& button)
{
    return QStringLiteral("document.getElementsByName('%1')[0].value = 'captain';"
                          "document.getElementsByName('%2')[0].value = 'sea';"
                          "document.getElementsByName('%3')[0].click();")
        .arg(idField, passwordField, button);
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode != u"netmarble" && mode != u"daum") {
        std::fprintf(stderr, "usage: bench-baseline netmarble|daum\n");
        return 2;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("Quaylet"));
    window.setFixedSize(457, 150);
    window.show();

    // Declared in this order so that the page goes before its profile.
    std::unique_ptr<QWebEngineProfile> profile;
    std::unique_ptr<QWebEnginePage> page;
    std::function<void(const QUrl&)> onPage;
    if (mode == u"netmarble") {
        onPage = [&](const QUrl& url) {
            if (isPage(url, 47101, QStringLiteral("/login/login.asp")))
                page->runJavaScript(fillAndSubmit(QStringLiteral("put_id"), QStringLiteral("put_pwd"),
                                                  QStringLiteral("btnSubmit")));
            else if (isPage(url, 47102, QStringLiteral("/main.asp")))
                window.setWindowTitle(QStringLiteral("Quaylet - 넷마블 로그인 완료"));
        };
    } else {
        onPage = [&](const QUrl& url) {
            if (isPage(url, 47106, QStringLiteral("/")))
                page->load(QUrl(DaumLoginPage));
            else if (isPage(url, 47106, QStringLiteral("/Mail-bin/login.html")))
                page->runJavaScript(
                    fillAndSubmit(QStringLiteral("id"), QStringLiteral("enpw"), QStringLiteral("loginBtn")));
            else if (isPage(url, 47108, QStringLiteral("/intro.asp")))
                window.setWindowTitle(QStringLiteral("Quaylet - 다음 로그인 완료"));
        };
    }
    // Started from the event loop, as a program that shows its window first would.
    QTimer::singleShot(0, [&] {
        profile = std::make_unique<QWebEngineProfile>();
        page = std::make_unique<QWebEnginePage>(profile.get());
        QObject::connect(page.get(), &QWebEnginePage::loadFinished, [&](bool ok) {
            if (ok)
                onPage(page->url());
        });
        page->load(QUrl(mode == u"netmarble" ? NetmarbleLoginPage : DaumLogoutAddress));
    });
    return app.exec();
}
