#include "platform/UrlOpener.h"

#include "platform/win32/SystemError.h"

#include <windows.h>

#include <shellapi.h>

namespace platform {

namespace {

class ShellUrlOpener final : public UrlOpener {
public:
    void open(const QString& address, Done done) override
    {
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        // The shell says itself when no program takes the scheme; the user
        // hears of it from us instead. The hand-off is finished before the
        // call returns, so that the engine may end right after it.
        info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
        info.lpVerb = L"open";
        const std::wstring file = address.toStdWString();
        info.lpFile = file.c_str();
        info.nShow = SW_SHOWNORMAL;
        if (ShellExecuteExW(&info)) {
            done(std::nullopt);
            return;
        }
        const std::wstring reason = win32::systemErrorText(GetLastError());
        done(QString::fromWCharArray(reason.data(), qsizetype(reason.size())));
    }
};

}  // namespace

std::unique_ptr<UrlOpener> systemUrlOpener()
{
    return std::make_unique<ShellUrlOpener>();
}

}  // namespace platform
