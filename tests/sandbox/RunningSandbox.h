#pragma once

#include "HttpExchange.h"
#include "JsonReader.h"

#include "Sandbox.h"
#include "Text.h"

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace sandbox::test {

// A random multiple of ten, far from the default ports, so that test
// processes running side by side rarely meet.
int randomBasePort();

// "NAME=value" of the response's Set-Cookie header, ready to send back.
std::string sessionCookie(const std::optional<Reply>& reply);

// A sandbox served in this process on free ports, logging to a file of its own.
class RunningSandbox {
public:
    explicit RunningSandbox(std::chrono::milliseconds slowDelay = std::chrono::seconds(20));
    ~RunningSandbox();

    Sandbox& sandbox() { return *sandbox_; }
    const Addresses& addresses() const { return sandbox_->addresses(); }
    const Layout& layout() const { return sandbox_->layout(); }

    // Requests as a browser sends them, redirects not followed.
    std::optional<Reply> get(const std::string& address, const std::string& cookie = {}) const;
    std::optional<Reply> post(const std::string& address, const Fields& fields,
                              const std::string& cookie = {}) const;
    std::optional<Reply> postBody(const std::string& address, const std::string& body,
                                  const std::string& cookie = {}) const;

    // Every log line so far, parsed; a line that is not a JSON object fails the test.
    std::vector<JsonValue> logLines() const;
    JsonValue lastLogLine() const;

private:
    std::string logPath_;
    std::ofstream logFile_;
    std::unique_ptr<Sandbox> sandbox_;
};

}  // namespace sandbox::test
