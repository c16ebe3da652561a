#include "PlainServer.h"

#include "Text.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
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

// A socket whose first bytes are replaced by a prepared prefix.
class PrefixedStream : public httplib::Stream {
public:
    PrefixedStream(socket_t socket, std::chrono::seconds timeout)
        : socket_(socket), timeoutMs_(static_cast<int>(timeout.count() * 1000))
    {
    }

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
        return offset_ < prefix_.size() || wait(POLLIN);
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
    bool wait(short events) const
    {
        pollfd fd{socket_, events, 0};
        return poll(&fd, 1, timeoutMs_) > 0 && (fd.revents & (events | POLLHUP | POLLERR)) != 0;
    }

    ssize_t receive(char* ptr, size_t size)
    {
        if (!wait(POLLIN))
            return -1;
        return recv(socket_, ptr, size, 0);
    }

    socket_t socket_;
    int timeoutMs_;
    std::string prefix_;
    size_t offset_ = 0;
};

}  // namespace

bool PlainServer::process_and_close_socket(socket_t socket)
{
    PrefixedStream stream(socket, timeout_);
    servedSocket = socket;
    bool handled = false;
    if (const auto target = stream.takeRequestLine()) {
        bool closed = false;
        handled = process_request(stream, true, closed, [&target](httplib::Request& request) {
            if (!target->empty())
                request.target = *target;
        });
    }
    servedSocket = INVALID_SOCKET;
    shutdown(socket, SHUT_RDWR);
    close(socket);
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
