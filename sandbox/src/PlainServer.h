#pragma once

#include <httplib.h>

#include <chrono>
#include <memory>

namespace sandbox {

// An http server that also takes a request whose query holds a further "?",
// as in the Daum logout address, where the url value is not encoded. The
// library would answer such a request 400; this server hides the extra "?"
// from the library's parser and hands the handlers the target as it came.
// One request per connection.
class PlainServer : public httplib::Server {
public:
    explicit PlainServer(std::chrono::seconds timeout)
        : timeoutMs_(static_cast<int>(std::chrono::milliseconds(timeout).count()))
    {
    }

    // Before it listens: from then on a connection that opens with a TLS
    // handshake is served these routes over TLS, and a plain-http request is
    // answered by the routes of plainRoutes, a server that never listens
    // itself. False when TLS cannot be set up.
    bool speakTlsToo(X509* certificate, EVP_PKEY* key, std::unique_ptr<PlainServer> plainRoutes);

private:
    struct FreeContext {
        void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
    };

    bool process_and_close_socket(socket_t socket) override;
    // Reads one request from the socket, over TLS when ssl is set, and answers it.
    bool serve(socket_t socket, SSL* ssl);
    bool serveTls(socket_t socket);

    int timeoutMs_;
    std::unique_ptr<SSL_CTX, FreeContext> tls_;
    std::unique_ptr<PlainServer> plainRoutes_;
};

// True once the client of the request being handled on this thread has
// closed its connection; works for PlainServer and the library's SSLServer.
bool clientHasLeft(const httplib::Request& request);

}  // namespace sandbox
