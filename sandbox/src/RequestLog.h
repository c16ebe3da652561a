#pragma once

#include "Layout.h"
#include "Text.h"

#include <chrono>
#include <mutex>
#include <ostream>
#include <string>

namespace sandbox {

// One handled request, as written to the log.
struct LogEntry {
    Endpoint endpoint = Endpoint::NetmarbleLogin;
    std::string method;
    std::string scheme;  // "https" for a request that came over TLS, else "http"
    std::string path;    // raw, as the client sent it
    std::string query;  // raw, without "?"
    Fields form;        // decoded fields of a form body
    int status = 0;
    std::string location;  // Location header of a redirect
    std::string event;     // login-ok, locked, game-started, ...
    std::string user;      // the account concerned, when known
    std::string code;      // the one-time code the page served asks for
};

// "netmarble", "daum" or empty for the fan sites.
std::string_view portalOf(Endpoint endpoint);

// One JSON object on one line, without the line break.
std::string formatLogLine(const LogEntry& entry, std::chrono::system_clock::time_point time);

// Writes one line per request and flushes it at once, from any thread.
class RequestLog {
public:
    explicit RequestLog(std::ostream& out) : out_(out) {}

    void write(const LogEntry& entry);

private:
    std::mutex mutex_;
    std::ostream& out_;
};

}  // namespace sandbox
