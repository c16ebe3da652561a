#include "RunningSandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <future>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <arpa/inet.h>
#include <unistd.h>

namespace sandbox::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The sandbox program as a child process, its standard error read through a pipe.
class Child {
public:
    Child(const std::vector<std::string>& arguments, const std::string& standardOutput)
    {
        int pipeEnds[2];
        if (pipe(pipeEnds) != 0)
            throw std::runtime_error("pipe");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(pipeEnds[1], STDERR_FILENO);
            const int out = open(standardOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(out, STDOUT_FILENO);
            close(pipeEnds[0]);
            std::vector<char*> argv{const_cast<char*>(QUAYLET_SANDBOX_EXECUTABLE)};
            for (const std::string& argument : arguments)
                argv.push_back(const_cast<char*>(argument.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(pipeEnds[1]);
        errorPipe_ = pipeEnds[0];
    }

    ~Child()
    {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(errorPipe_);
    }

    // Reads standard error until a line "ready" or the end; true on "ready".
    bool waitForReady(std::chrono::milliseconds timeout)
    {
        const auto deadline = Clock::now() + timeout;
        while (Clock::now() < deadline) {
            if (errors_.find("\nready\n") != std::string::npos || errors_.starts_with("ready\n"))
                return true;
            pollfd fd{errorPipe_, POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (poll(&fd, 1, static_cast<int>(std::max<long>(left.count(), 1))) <= 0)
                continue;
            char buffer[4096];
            const ssize_t count = read(errorPipe_, buffer, sizeof buffer);
            if (count <= 0)
                return false;
            errors_.append(buffer, static_cast<size_t>(count));
        }
        return false;
    }

    // The exit status once the child has ended, or nullopt after the timeout.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout)
    {
        const auto deadline = Clock::now() + timeout;
        while (!status_ && Clock::now() < deadline) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_)
                status_ = status;
            else
                std::this_thread::sleep_for(10ms);
        }
        return status_;
    }

    void signal(int number) { kill(pid_, number); }
    const std::string& errors() const { return errors_; }

private:
    pid_t pid_ = -1;
    int errorPipe_ = -1;
    std::string errors_;
    std::optional<int> status_;
};

class Process : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string stem = ::testing::TempDir() + "quaylet-sandbox-process-" + std::to_string(getpid());
        logPath_ = stem + ".log";
        outPath_ = stem + ".out";
    }

    void TearDown() override
    {
        std::remove(logPath_.c_str());
        std::remove(outPath_.c_str());
    }

    // Starts the program on free ports; retries elsewhere if the ports are taken.
    std::unique_ptr<Child> start(std::vector<std::string> extra = {})
    {
        for (int attempt = 0; attempt < 10; ++attempt) {
            base_ = randomBasePort();
            std::vector<std::string> arguments{"--base-port", std::to_string(base_)};
            arguments.insert(arguments.end(), extra.begin(), extra.end());
            auto child = std::make_unique<Child>(arguments, outPath_);
            if (child->waitForReady(10s))
                return child;
        }
        ADD_FAILURE() << "the sandbox did not become ready";
        return nullptr;
    }

    std::string readFile(const std::string& path) const
    {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    int base_ = 0;
    std::string logPath_;
    std::string outPath_;
};

TEST_F(Process, PrintsPortsAccountsAndReadyThenStopsOnSigterm)
{
    auto child = start({"--log", logPath_});
    ASSERT_TRUE(child);
    const Layout layout(base_);
    const std::string& errors = child->errors();
    EXPECT_NE(errors.find("  NetmarbleLogin    http://" + layout.host(Endpoint::NetmarbleLogin) + "\n"),
              std::string::npos)
        << errors;
    EXPECT_NE(errors.find("  DaumSecureLogin   https://" + layout.host(Endpoint::DaumSecureLogin) + "\n"),
              std::string::npos);
    EXPECT_NE(errors.find("  GuideSite         http://" + layout.host(Endpoint::GuideSite) + "\n"),
              std::string::npos);
    EXPECT_NE(errors.find("captain / sea"), std::string::npos);
    EXPECT_TRUE(errors.ends_with("\nready\n"));

    const Addresses a(layout);
    const auto page = fetch(a.NetmarbleLoginPage, "GET");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    const auto consent = fetch(a.DaumConsentPage, "GET");
    ASSERT_TRUE(consent);
    EXPECT_EQ(consent->status, 200);

    const auto stopAsked = Clock::now();
    child->signal(SIGTERM);
    const auto status = child->waitForExit(5s);
    ASSERT_TRUE(status) << "still running 5 s after SIGTERM";
    EXPECT_LT(Clock::now() - stopAsked, 3s);
    ASSERT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);

    const std::string log = readFile(logPath_);
    EXPECT_NE(log.find("\"endpoint\":\"NetmarbleLogin\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"endpoint\":\"DaumUser\""), std::string::npos);
    EXPECT_TRUE(readFile(outPath_).empty());
}

TEST_F(Process, LogsToStandardOutputWithoutALogFile)
{
    auto child = start();
    ASSERT_TRUE(child);
    ASSERT_TRUE(fetch(Addresses(Layout(base_)).ZavivSitePage, "GET"));
    child->signal(SIGINT);
    const auto status = child->waitForExit(5s);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    const std::string out = readFile(outPath_);
    EXPECT_NE(out.find("\"endpoint\":\"ZavivSite\""), std::string::npos) << out;
    EXPECT_TRUE(out.ends_with("}\n"));
}

TEST_F(Process, AbandonsASlowLoginAtShutdown)
{
    auto child = start({"--log", logPath_, "--slow-seconds", "20"});
    ASSERT_TRUE(child);
    const Addresses a{Layout(base_)};
    auto answer = std::async(std::launch::async, [&] {
        return fetch(a.NetmarbleLoginAction, "POST", "put_id=slow&put_pwd=sea");
    });
    // The request must be waiting inside the sandbox before the stop.
    EXPECT_EQ(answer.wait_for(500ms), std::future_status::timeout);

    const auto stopAsked = Clock::now();
    child->signal(SIGTERM);
    const auto status = child->waitForExit(5s);
    ASSERT_TRUE(status) << "still running 5 s after SIGTERM";
    EXPECT_LT(Clock::now() - stopAsked, 3s);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
    ASSERT_EQ(answer.wait_for(5s), std::future_status::ready);
    const auto result = answer.get();
    if (result) {
        EXPECT_EQ(result->status, 503);
    }
    EXPECT_NE(readFile(logPath_).find("\"event\":\"abandoned\""), std::string::npos);
}

TEST_F(Process, RejectsUnknownOptions)
{
    Child child({"--bogus"}, outPath_);
    EXPECT_FALSE(child.waitForReady(5s));
    const auto status = child.waitForExit(5s);
    ASSERT_TRUE(status);
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 2);
    EXPECT_NE(child.errors().find("unknown option --bogus"), std::string::npos);
}

TEST(PortsTaken, StartFailsAndFreesTheOtherPorts)
{
    const int base = randomBasePort();
    const Layout layout(base);
    const int blocker = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(layout.port(Endpoint::DaumGame)));
    inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
    if (bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(blocker, 1) != 0) {
        close(blocker);
        GTEST_SKIP() << "the chosen port is in use already";
    }

    std::ofstream log;
    std::string error;
    {
        Sandbox sandbox(Settings{base, 1s}, log);
        EXPECT_FALSE(sandbox.start(error));
    }
    EXPECT_NE(error.find(layout.host(Endpoint::DaumGame)), std::string::npos) << error;
    close(blocker);

    // The ports bound before the failure were given back.
    Sandbox again(Settings{base, 1s}, log);
    EXPECT_TRUE(again.start(error)) << error;
}

}  // namespace
}  // namespace sandbox::test
