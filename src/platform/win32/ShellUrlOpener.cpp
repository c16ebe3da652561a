#include "platform/UrlOpener.h"

#include "core/LaunchRules.h"
#include "platform/win32/SystemError.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <optional>

namespace platform {

namespace {

// The shell may take its time over a handler (it can load extensions, or
// wait for a network path): it runs on a thread of its own, never on the
// window's, and the answer comes back to the window's thread.
class HandOff final : public QThread {
public:
    HandOff(std::wstring file, UrlOpener::Done done) : file_(std::move(file)), done_(std::move(done)) {}

protected:
    void run() override
    {
        const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        // The shell says itself when no program takes the scheme; the user
        // hears of it from us instead. The hand-off is finished before the
        // call returns, so that the engine may end right after it. The
        // address is the file to open, never part of a command line.
        info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
        info.lpVerb = L"open";
        info.lpFile = file_.c_str();
        info.nShow = SW_SHOWNORMAL;
        std::optional<QString> failure;
        if (!ShellExecuteExW(&info)) {
            const std::wstring reason = win32::systemErrorText(GetLastError());
            failure = QString::fromWCharArray(reason.data(), qsizetype(reason.size()));
        }
        if (SUCCEEDED(com))
            CoUninitialize();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [done = std::move(done_), failure] { done(failure); }, Qt::QueuedConnection);
    }

private:
    const std::wstring file_;
    UrlOpener::Done done_;
};

class ShellUrlOpener final : public UrlOpener {
public:
    void open(const QString& address, Done done) override
    {
        if (address.size() > launch::LongestAddress) {
            const std::wstring reason = win32::systemErrorText(ERROR_FILENAME_EXCED_RANGE);
            done(QString::fromWCharArray(reason.data(), qsizetype(reason.size())));
            return;
        }
        auto* thread = new HandOff(address.toStdWString(), std::move(done));
        QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
        thread->start();
    }
};

}  // namespace

std::unique_ptr<UrlOpener> systemUrlOpener()
{
    return std::make_unique<ShellUrlOpener>();
}

}  // namespace platform
