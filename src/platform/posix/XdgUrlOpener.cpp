#include "platform/UrlOpener.h"

#include "core/Texts.h"
#include "platform/posix/ChildProcess.h"
#include "platform/posix/SchemeHandlers.h"

#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <utility>

namespace platform {

namespace {

// An opener that has not ended by then has handed the address on and waits
// for the program it started: the hand-off counts as done.
constexpr int StillRunningMs = 3000;
// xdg-mime answers in a few hundredths of a second; one that hangs knows nothing.
constexpr int QueryLimitMs = 5000;

using Tell = std::function<void(const std::optional<QString>&)>;

// Starts the opener, which holds nothing of ours (a launcher that stays in
// the foreground must outlive this program, the engine included), and tells
// how the hand-off went.
void handOver(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
              std::function<QString(int code)> failed, const QString& missing, const Tell& tell)
{
    QProcess* process = newDetachedProcess(environment);
    QObject::connect(process, &QProcess::finished, [tell, failed](int code, QProcess::ExitStatus status) {
        tell(code == 0 && status == QProcess::NormalExit ? std::nullopt : std::optional(failed(code)));
    });
    QObject::connect(process, &QProcess::errorOccurred, [tell, missing](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            tell(missing);
    });
    QTimer::singleShot(StillRunningMs, [tell] { tell(std::nullopt); });
    process->start(program, arguments);
}

// The desktop's handler of the scheme first, as the user chose it; else the
// Wine prefix whose registry names the launcher; never xdg-open without a
// handler, which would give the address to a web browser.
void openThrough(const QString& address, const QString& scheme, const QString& desktopEntry, const Tell& tell)
{
    if (desktopEntryInstalled(desktopEntry)) {
        handOver(
            QStringLiteral("xdg-open"), {address}, childEnvironment(),
            [](int code) { return text::OpenerFailed.arg(code); }, text::OpenerMissing, tell);
        return;
    }
    const QString prefix = winePrefixRegistering(scheme, winePrefixes());
    if (prefix.isEmpty()) {
        tell(text::NoLauncherForScheme.arg(scheme));
        return;
    }
    const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
    if (wine.isEmpty()) {
        tell(text::WineMissing.arg(prefix));
        return;
    }
    QProcessEnvironment environment = childEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix);
    environment.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("-all"));
    handOver(
        wine, {QStringLiteral("start"), address}, environment,
        [prefix](int code) { return text::WineStartFailed.arg(prefix, QString::number(code)); },
        text::WineMissing.arg(prefix), tell);
}

class XdgUrlOpener : public UrlOpener {
public:
    void open(const QString& address, Done done) override
    {
        Tell tell = [once = std::make_shared<Done>(std::move(done))](const std::optional<QString>& failure) {
            if (*once)
                std::exchange(*once, {})(failure);
        };
        const QString scheme = QUrl(address).scheme();
        auto* query = new QProcess;
        query->setStandardInputFile(QProcess::nullDevice());
        query->setStandardErrorFile(QProcess::nullDevice());
        query->setProcessEnvironment(childEnvironment());
        query->setChildProcessModifier(closeOtherDescriptorsAtExec);
        auto decide = [address, scheme, tell, decided = std::make_shared<bool>(false)](const QString& entry) {
            if (!std::exchange(*decided, true))
                openThrough(address, scheme, entry, tell);
        };
        QObject::connect(query, &QProcess::finished, [query, decide] {
            decide(QString::fromLocal8Bit(query->readAllStandardOutput()).section(u'\n', 0, 0).trimmed());
            query->deleteLater();
        });
        QObject::connect(query, &QProcess::errorOccurred, [query, decide](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            decide({});
            query->deleteLater();
        });
        QTimer::singleShot(QueryLimitMs, query, [query, decide] {
            decide({});
            query->kill();
        });
        query->start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                                  QStringLiteral("x-scheme-handler/") + scheme});
    }
};

}  // namespace

std::unique_ptr<UrlOpener> systemUrlOpener()
{
    return std::make_unique<XdgUrlOpener>();
}

}  // namespace platform
