#include "platform/UrlOpener.h"

#include "core/Texts.h"

#include <QProcess>
#include <QTimer>

#include <unistd.h>

#include <utility>

namespace platform {

namespace {

// xdg-open that has not ended by then has handed the address on and waits
// for the program it started: the hand-off counts as done.
constexpr int StillRunningMs = 3000;

class XdgUrlOpener : public UrlOpener {
public:
    void open(const QString& address, Done done) override
    {
        auto tell = [once = std::make_shared<Done>(std::move(done))](const std::optional<QString>& failure) {
            if (*once)
                std::exchange(*once, {})(failure);
        };
        // Never deleted while it runs: a launcher that stays in the
        // foreground must outlive this program, which would end it. It
        // holds nothing of ours either: no pipe whose end would kill it at
        // its next write, no session or terminal whose end would hang it up.
        auto* process = new QProcess;
        process->setStandardInputFile(QProcess::nullDevice());
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->setChildProcessModifier([] { ::setsid(); });
        QObject::connect(process, &QProcess::finished, [process, tell](int code, QProcess::ExitStatus status) {
            tell(code == 0 && status == QProcess::NormalExit ? std::nullopt
                                                             : std::optional(text::OpenerFailed.arg(code)));
            process->deleteLater();
        });
        QObject::connect(process, &QProcess::errorOccurred, [process, tell](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            tell(text::OpenerMissing);
            process->deleteLater();
        });
        QTimer::singleShot(StillRunningMs, [tell] { tell(std::nullopt); });
        process->start(QStringLiteral("xdg-open"), {address});
    }
};

}  // namespace

std::unique_ptr<UrlOpener> systemUrlOpener()
{
    return std::make_unique<XdgUrlOpener>();
}

}  // namespace platform
