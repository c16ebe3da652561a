#include "RunningSandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <random>
#include <stdexcept>

#include <unistd.h>

namespace sandbox::test {

namespace {

constexpr int StartAttempts = 30;

std::string encodeFields(const Fields& fields)
{
    std::string body;
    for (const auto& [name, value] : fields) {
        if (!body.empty())
            body += '&';
        body += percentEncode(name) + '=' + percentEncode(value);
    }
    return body;
}

}  // namespace

int randomBasePort()
{
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<int> tens(2000, 5999);
    return tens(generator) * 10;
}

std::string sessionCookie(const std::optional<Reply>& reply)
{
    if (!reply)
        return {};
    const std::string header = reply->header("Set-Cookie");
    return header.substr(0, header.find(';'));
}

RunningSandbox::RunningSandbox(std::chrono::milliseconds slowDelay)
{
    // A test that leaves a slow answer behind must not die of a closed socket.
    std::signal(SIGPIPE, SIG_IGN);
    static std::atomic<int> counter{0};
    logPath_ = ::testing::TempDir() + "quaylet-sandbox-" + std::to_string(getpid()) + '-'
               + std::to_string(counter++) + ".log";
    logFile_.open(logPath_, std::ios::trunc | std::ios::binary);
    std::string error;
    for (int attempt = 0; attempt < StartAttempts; ++attempt) {
        sandbox_ = std::make_unique<Sandbox>(Settings{randomBasePort(), slowDelay}, logFile_);
        if (sandbox_->start(error))
            return;
    }
    throw std::runtime_error("no free ports for the sandbox: " + error);
}

RunningSandbox::~RunningSandbox()
{
    sandbox_->stop();
    logFile_.close();
    std::remove(logPath_.c_str());
}

std::optional<Reply> RunningSandbox::get(const std::string& address, const std::string& cookie) const
{
    return fetch(address, "GET", {}, cookie);
}

std::optional<Reply> RunningSandbox::post(const std::string& address, const Fields& fields,
                                          const std::string& cookie) const
{
    return postBody(address, encodeFields(fields), cookie);
}

std::optional<Reply> RunningSandbox::postBody(const std::string& address, const std::string& body,
                                              const std::string& cookie) const
{
    return fetch(address, "POST", body, cookie);
}

std::vector<JsonValue> RunningSandbox::logLines() const
{
    std::ifstream in(logPath_, std::ios::binary);
    std::vector<JsonValue> lines;
    std::string line;
    while (std::getline(in, line)) {
        auto value = parseJson(line);
        if (!value || !value->isObject()) {
            ADD_FAILURE() << "log line is not a JSON object: " << line;
            continue;
        }
        lines.push_back(std::move(*value));
    }
    return lines;
}

JsonValue RunningSandbox::lastLogLine() const
{
    const auto lines = logLines();
    if (lines.empty()) {
        ADD_FAILURE() << "the log is empty";
        return {};
    }
    return lines.back();
}

}  // namespace sandbox::test
