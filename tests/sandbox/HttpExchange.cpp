#include "HttpExchange.h"

#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <strings.h>

namespace sandbox::test {

namespace {

struct Target {
    bool secure = false;
    int port = 0;
    std::string hostPort;
    std::string path;
};

std::optional<Target> parseAddress(const std::string& address)
{
    Target target;
    std::string rest;
    if (address.starts_with("http://")) {
        rest = address.substr(7);
    } else if (address.starts_with("https://")) {
        target.secure = true;
        rest = address.substr(8);
    } else {
        return std::nullopt;
    }
    const size_t slash = rest.find('/');
    const size_t colon = rest.find(':');
    if (slash == std::string::npos || colon == std::string::npos || colon > slash)
        return std::nullopt;
    target.hostPort = rest.substr(0, slash);
    target.port = std::stoi(rest.substr(colon + 1, slash - colon - 1));
    target.path = rest.substr(slash);
    return target;
}

// The socket, with TLS on top when asked for.
class Connection {
public:
    Connection(int port, bool secure, std::chrono::seconds timeout)
    {
        socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
        timeval limit{static_cast<time_t>(timeout.count()), 0};
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
        if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
            return;
        if (!secure) {
            open_ = true;
            return;
        }
        context_ = SSL_CTX_new(TLS_client_method());
        SSL_CTX_set_verify(context_, SSL_VERIFY_NONE, nullptr);
        ssl_ = SSL_new(context_);
        SSL_set_fd(ssl_, socket_);
        open_ = SSL_connect(ssl_) == 1;
    }

    ~Connection()
    {
        if (ssl_)
            SSL_free(ssl_);
        if (context_)
            SSL_CTX_free(context_);
        if (socket_ >= 0)
            close(socket_);
    }

    bool isOpen() const { return open_; }

    bool sendAll(const std::string& data)
    {
        size_t sent = 0;
        while (sent < data.size()) {
            const long count = ssl_ ? SSL_write(ssl_, data.data() + sent, static_cast<int>(data.size() - sent))
                                    : ::send(socket_, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
            if (count <= 0)
                return false;
            sent += static_cast<size_t>(count);
        }
        return true;
    }

    std::string receiveAll()
    {
        std::string data;
        char buffer[4096];
        while (true) {
            const long count = ssl_ ? SSL_read(ssl_, buffer, sizeof buffer)
                                    : ::recv(socket_, buffer, sizeof buffer, 0);
            if (count <= 0)
                break;
            data.append(buffer, static_cast<size_t>(count));
        }
        return data;
    }

private:
    int socket_ = -1;
    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
    bool open_ = false;
};

std::optional<Reply> parseReply(const std::string& data)
{
    const size_t headEnd = data.find("\r\n\r\n");
    if (headEnd == std::string::npos || !data.starts_with("HTTP/1.1 "))
        return std::nullopt;
    Reply reply;
    reply.status = std::stoi(data.substr(9, 3));
    size_t lineStart = data.find("\r\n") + 2;
    while (lineStart < headEnd) {
        const size_t lineEnd = data.find("\r\n", lineStart);
        const std::string line = data.substr(lineStart, lineEnd - lineStart);
        const size_t colon = line.find(':');
        if (colon != std::string::npos) {
            size_t valueStart = colon + 1;
            while (valueStart < line.size() && line[valueStart] == ' ')
                ++valueStart;
            reply.headers.emplace_back(line.substr(0, colon), line.substr(valueStart));
        }
        lineStart = lineEnd + 2;
    }
    reply.body = data.substr(headEnd + 4);
    if (reply.hasHeader("Content-Length")) {
        const size_t length = std::stoul(reply.header("Content-Length"));
        if (reply.body.size() < length)
            return std::nullopt;
        reply.body.resize(length);
    }
    return reply;
}

}  // namespace

std::string Reply::header(std::string_view name) const
{
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0)
            return value;
    }
    return {};
}

bool Reply::hasHeader(std::string_view name) const
{
    for (const auto& [key, value] : headers) {
        if (key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0)
            return true;
    }
    return false;
}

std::optional<Reply> fetch(const std::string& address, std::string_view method,
                              const std::string& body, const std::string& cookie,
                              std::chrono::seconds timeout)
{
    const auto target = parseAddress(address);
    if (!target)
        return std::nullopt;
    Connection connection(target->port, target->secure, timeout);
    if (!connection.isOpen())
        return std::nullopt;
    std::string request = std::string(method) + ' ' + target->path + " HTTP/1.1\r\nHost: "
                          + target->hostPort + "\r\nConnection: close\r\n";
    if (!cookie.empty())
        request += "Cookie: " + cookie + "\r\n";
    if (method == "POST") {
        request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
                   + std::to_string(body.size()) + "\r\n";
    }
    request += "\r\n" + body;
    if (!connection.sendAll(request))
        return std::nullopt;
    return parseReply(connection.receiveAll());
}

}  // namespace sandbox::test
