#include "PlainServer.h"

#include "Text.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <optional>
#include <string>

namespace sandbox {

namespace {

constexpr size_t MaxRequestLine = 16 * 1024;

// The connection PlainServer is serving on this worker thread.
thread_local socket_t servedSocket = INVALID_SOCKET;

void addressOf(const sockaddr_storage& address, std::string& ip, int& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}

bool waitFor(socket_t socket, short events, int timeoutMs)
{
    pollfd fd{socket, events, 0};
    return poll(&fd, 1, timeoutMs) > 0 && (fd.revents & (events | POLLHUP | POLLERR)) != 0;
}

// Runs a TLS step on a non-blocking socket, waiting for the socket as the step
// asks, each wait bounded: the step's result, 0 at a clean close, else -1.
template <typename Step> int tlsStep(SSL* ssl, int timeoutMs, Step step)
{
    for (;;) {
        // SSL_get_error reads this thread's error queue, which must start empty.
        ERR_clear_error();
        const int result = step();
        if (result > 0)
            return result;
        switch (SSL_get_error(ssl, result)) {
        case SSL_ERROR_WANT_READ:
            if (!waitFor(SSL_get_fd(ssl), POLLIN, timeoutMs))
                return -1;
            break;
        case SSL_ERROR_WANT_WRITE:
            if (!waitFor(SSL_get_fd(ssl), POLLOUT, timeoutMs))
                return -1;
            break;
        case SSL_ERROR_ZERO_RETURN: return 0;
        default: return -1;
        }
    }
}

// A TLS connection opens with a handshake record, plain http with a method name.
constexpr unsigned char TlsHandshake = 0x16;

// The first byte the client sent, left in the socket; nothing when the
// connection closed or stayed silent.
std::optional<unsigned char> firstByte(socket_t socket, int timeoutMs)
{
    unsigned char first = 0;
    if (!waitFor(socket, POLLIN, timeoutMs) || recv(socket, &first, 1, MSG_PEEK) != 1)
        return std::nullopt;
    return first;
}

struct FreeSsl {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};

// A connection, plain or TLS over the socket, whose first bytes are replaced
// by a prepared prefix.
class PrefixedStream : public httplib::Stream {
public:
    PrefixedStream(socket_t socket, SSL* ssl, int timeoutMs) : socket_(socket), ssl_(ssl), timeoutMs_(timeoutMs) {}

    // Reads the request line and queues it, with any "?" after the first one
    // in the target written as "%3F", ahead of the rest of the request.
    // Returns the target as sent, or nothing when no line arrived.
    std::optional<std::string> takeRequestLine()
    {
        std::string received;
        size_t lineEnd = std::string::npos;
        while ((lineEnd = received.find('\n')) == std::string::npos) {
            if (received.size() > MaxRequestLine)
                break;
            char buffer[2048];
            const ssize_t count = receive(buffer, sizeof buffer);
            if (count <= 0)
                break;
            received.append(buffer, static_cast<size_t>(count));
        }
        if (received.empty())
            return std::nullopt;
        std::optional<std::string> target;
        if (lineEnd != std::string::npos) {
            target = requestTarget(std::string_view(received).substr(0, lineEnd));
            if (target)
                received.replace(received.find(' ') + 1, target->size(), withSingleQuestionMark(*target));
        }
        prefix_ = std::move(received);
        return target.value_or(std::string());
    }

    bool is_readable() const override
    {
        return offset_ < prefix_.size() || (ssl_ && SSL_pending(ssl_) > 0) || wait(POLLIN);
    }

    bool is_writable() const override { return wait(POLLOUT); }

    ssize_t read(char* ptr, size_t size) override
    {
        if (offset_ < prefix_.size()) {
            const size_t count = std::min(size, prefix_.size() - offset_);
            prefix_.copy(ptr, count, offset_);
            offset_ += count;
            return static_cast<ssize_t>(count);
        }
        return receive(ptr, size);
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        if (ssl_) {
            const int count = static_cast<int>(std::min<size_t>(size, INT_MAX));
            return count == 0 ? 0 : tlsStep(ssl_, timeoutMs_, [&] { return SSL_write(ssl_, ptr, count); });
        }
        if (!is_writable())
            return -1;
        return send(socket_, ptr, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            addressOf(address, ip, port);
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            addressOf(address, ip, port);
    }

    socket_t socket() const override { return socket_; }

private:
    bool wait(short events) const { return waitFor(socket_, events, timeoutMs_); }

    ssize_t receive(char* ptr, size_t size)
    {
        if (ssl_) {
            const int count = static_cast<int>(std::min<size_t>(size, INT_MAX));
            return tlsStep(ssl_, timeoutMs_, [&] { return SSL_read(ssl_, ptr, count); });
        }
        if (!wait(POLLIN))
            return -1;
        return recv(socket_, ptr, size, 0);
    }

    socket_t socket_;
    SSL* ssl_;
    int timeoutMs_;
    std::string prefix_;
    size_t offset_ = 0;
};

}  // namespace

bool PlainServer::speakTlsToo(X509* certificate, EVP_PKEY* key, std::unique_ptr<PlainServer> plainRoutes)
{
    std::unique_ptr<SSL_CTX, FreeContext> context(SSL_CTX_new(TLS_server_method()));
    if (!context || SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION) != 1
        || SSL_CTX_use_certificate(context.get(), certificate) != 1
        || SSL_CTX_use_PrivateKey(context.get(), key) != 1)
        return false;
    SSL_CTX_set_options(context.get(), SSL_OP_NO_COMPRESSION);
    tls_ = std::move(context);
    plainRoutes_ = std::move(plainRoutes);
    return true;
}

bool PlainServer::process_and_close_socket(socket_t socket)
{
    servedSocket = socket;
    bool handled = false;
    if (!tls_)
        handled = serve(socket, nullptr);
    else if (const auto first = firstByte(socket, timeoutMs_))
        handled = *first == TlsHandshake ? serveTls(socket) : plainRoutes_->serve(socket, nullptr);
    servedSocket = INVALID_SOCKET;
    shutdown(socket, SHUT_RDWR);
    close(socket);
    return handled;
}

bool PlainServer::serve(socket_t socket, SSL* ssl)
{
    PrefixedStream stream(socket, ssl, timeoutMs_);
    const auto target = stream.takeRequestLine();
    if (!target)
        return false;
    bool closed = false;
    return process_request(stream, true, closed, [&target, ssl](httplib::Request& request) {
        if (!target->empty())
            request.target = *target;
        request.ssl = ssl;
    });
}

bool PlainServer::serveTls(socket_t socket)
{
    const std::unique_ptr<SSL, FreeSsl> ssl(SSL_new(tls_.get()));
    const int flags = fcntl(socket, F_GETFL);
    if (!ssl || flags < 0 || fcntl(socket, F_SETFL, flags | O_NONBLOCK) != 0 || SSL_set_fd(ssl.get(), socket) != 1)
        return false;
    if (tlsStep(ssl.get(), timeoutMs_, [&ssl] { return SSL_accept(ssl.get()); }) <= 0)
        return false;
    const bool handled = serve(socket, ssl.get());
    // A close_notify for a polite goodbye; the client need not answer it.
    SSL_shutdown(ssl.get());
    return handled;
}

bool clientHasLeft(const httplib::Request& request)
{
    const socket_t socket = request.ssl ? SSL_get_fd(request.ssl) : servedSocket;
    if (socket == INVALID_SOCKET)
        return false;
    pollfd fd{socket, POLLRDHUP, 0};
    return poll(&fd, 1, 0) > 0 && (fd.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

}  // namespace sandbox
