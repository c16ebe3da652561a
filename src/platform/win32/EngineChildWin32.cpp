#include "platform/engine/EngineChild.h"

#include "platform/win32/SystemError.h"

#include <QUuid>
#include <QWinEventNotifier>

#include <windows.h>

namespace platform {

namespace {

// One job for every engine, closed only by the system as this program ends,
// which kills what is in it. What an engine starts breaks away from the job:
// the game's launcher must outlive the browser engine.
HANDLE programJob()
{
    static const HANDLE job = [] {
        HANDLE created = CreateJobObjectW(nullptr, nullptr);
        if (!created)
            return HANDLE(nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags =
            JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_SILENT_BREAKAWAY_OK;
        SetInformationJobObject(created, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        return created;
    }();
    return job;
}

// Quoted as the C runtime splits a command line; the words given here hold
// no quotes of their own.
std::wstring commandWord(const QString& word)
{
    const std::wstring text = word.toStdWString();
    return text.find_first_of(L" \t") == std::wstring::npos ? text : L'"' + text + L'"';
}

QString lastError()
{
    return QString::fromStdWString(win32::systemErrorText(GetLastError()));
}

}  // namespace

struct EngineChild::System {
    HANDLE process = nullptr;
    DWORD id = 0;
    bool ended = false;
    QWinEventNotifier* notifier = nullptr;
};

EngineChild::EngineChild(std::unique_ptr<System> system) : system_(std::move(system))
{
}

EngineChild::~EngineChild()
{
    CloseHandle(system_->process);
}

std::unique_ptr<EngineChild> EngineChild::start(const QString& executable, const QStringList& arguments,
                                                const QByteArray& input, QString& error)
{
    // The input waits in the pipe before the engine exists; only the pipe's
    // reading end is handed down.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE reading = nullptr;
    HANDLE writing = nullptr;
    if (!CreatePipe(&reading, &writing, &inheritable, 0)) {
        error = lastError();
        return nullptr;
    }
    DWORD written = 0;
    const bool filled = SetHandleInformation(writing, HANDLE_FLAG_INHERIT, 0)
                        && WriteFile(writing, input.constData(), DWORD(input.size()), &written, nullptr)
                        && written == DWORD(input.size());
    if (!filled)
        error = lastError();
    CloseHandle(writing);
    if (!filled) {
        CloseHandle(reading);
        return nullptr;
    }

    std::wstring commandLine = commandWord(executable);
    for (const QString& argument : arguments)
        commandLine += L' ' + commandWord(argument);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = reading;
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    // Held until it is in the job, so that nothing it starts escapes the tie.
    const std::wstring program = executable.toStdWString();
    const bool created = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                                        CREATE_SUSPENDED, nullptr, nullptr, &startup, &started);
    if (!created)
        error = lastError();
    CloseHandle(reading);
    if (!created)
        return nullptr;
    if (const HANDLE job = programJob())
        AssignProcessToJobObject(job, started.hProcess);
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);

    auto system = std::make_unique<System>();
    system->process = started.hProcess;
    system->id = started.dwProcessId;
    return std::unique_ptr<EngineChild>(new EngineChild(std::move(system)));
}

qint64 EngineChild::id() const
{
    return system_->id;
}

bool EngineChild::running() const
{
    return !system_->ended;
}

void EngineChild::watch()
{
    if (system_->notifier)
        return;
    system_->notifier = new QWinEventNotifier(system_->process, this);
    connect(system_->notifier, &QWinEventNotifier::activated, this, &EngineChild::reap);
}

void EngineChild::reap()
{
    if (system_->ended || WaitForSingleObject(system_->process, 0) != WAIT_OBJECT_0)
        return;
    system_->ended = true;
    // Often its own signal is what runs this.
    if (system_->notifier)
        std::exchange(system_->notifier, nullptr)->deleteLater();
    Q_EMIT ended();
}

void EngineChild::kill()
{
    if (!system_->ended)
        TerminateProcess(system_->process, 1);
}

bool EngineChild::waitForEnded(int milliseconds)
{
    if (WaitForSingleObject(system_->process, DWORD(milliseconds)) == WAIT_OBJECT_0)
        reap();
    return system_->ended;
}

// Named pipes cannot be handed to the server: the engine is told the name,
// and waits for the server to open it.
LinkDoor openLinkDoor()
{
    LinkDoor door;
    door.name = QStringLiteral("quaylet-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    return door;
}

}  // namespace platform
