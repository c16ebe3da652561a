#pragma once

#include <httplib.h>

#include <chrono>

namespace sandbox {

// An http server that also takes a request whose query holds a further "?",
// as in the Daum logout address, where the url value is not encoded. The
// library would answer such a request 400; this server hides the extra "?"
// from the library's parser and hands the handlers the target as it came.
// One request per connection.
class PlainServer : public httplib::Server {
public:
    explicit PlainServer(std::chrono::seconds timeout) : timeout_(timeout) {}

private:
    bool process_and_close_socket(socket_t socket) override;

    std::chrono::seconds timeout_;
};

// True once the client of the request being handled on this thread has
// closed its connection; works for PlainServer and the library's SSLServer.
bool clientHasLeft(const httplib::Request& request);

}  // namespace sandbox
