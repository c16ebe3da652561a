#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sandbox::test {

// A response as it came over the wire: no header is decoded, no redirect followed.
struct Reply {
    int status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;

    // The first header of that name (any letter case), or empty text.
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const;
};

// One request on a connection of its own to an absolute http or https
// address on 127.0.0.1; the target goes out exactly as written. A server
// certificate is not checked. nullopt when no complete answer arrives.
std::optional<Reply> fetch(const std::string& address, std::string_view method,
                              const std::string& body = {}, const std::string& cookie = {},
                              std::chrono::seconds timeout = std::chrono::seconds(30));

}  // namespace sandbox::test
