#include "engine/browser/LoadEnd.h"

#include "engine/browser/NavigationMemory.h"

#include <QWebEngineLoadingInfo>

namespace engine {

namespace {

// The engine's own error numbers.
constexpr int ErrorAborted = -3;
constexpr int ErrorConnectionClosed = -100;
constexpr int ErrorConnectionReset = -101;
constexpr int ErrorConnectionRefused = -102;
constexpr int ErrorConnectionAborted = -103;
constexpr int ErrorNameNotResolved = -105;
constexpr int ErrorTimedOut = -7;
constexpr int ErrorConnectionTimedOut = -118;
constexpr int ErrorEmptyResponse = -324;
constexpr int ErrorIncompleteChunkedEncoding = -355;
constexpr int ErrorContentLengthMismatch = -354;
constexpr int ErrorSslProtocol = -107;
constexpr int ErrorSslVersionOrCipherMismatch = -113;
constexpr int ErrorSslVersionInterference = -175;

}  // namespace

LoadEnd endOf(const QWebEngineLoadingInfo& info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        return info.isErrorPage() ? LoadEnd::Failure : LoadEnd::Document;
    case QWebEngineLoadingInfo::LoadStoppedStatus: return LoadEnd::NoDocument;
    case QWebEngineLoadingInfo::LoadFailedStatus:
        return info.errorCode() == ErrorAborted ? LoadEnd::NoDocument : LoadEnd::Failure;
    case QWebEngineLoadingInfo::LoadStartedStatus: break;
    }
    return LoadEnd::NoDocument;
}

portal::LoadFailure failureOf(const QWebEngineLoadingInfo& info)
{
    using Kind = portal::LoadFailure::Kind;
    const int code = info.errorCode();
    switch (info.errorDomain()) {
    case QWebEngineLoadingInfo::CertificateErrorDomain: return {Kind::Certificate, code};
    case QWebEngineLoadingInfo::HttpStatusCodeDomain: return {Kind::ServerError, code};
    case QWebEngineLoadingInfo::DnsErrorDomain: return {Kind::HostNotFound, code};
    default: break;
    }
    switch (code) {
    case ErrorConnectionRefused: return {Kind::Refused, code};
    case ErrorNameNotResolved: return {Kind::HostNotFound, code};
    case ErrorTimedOut:
    case ErrorConnectionTimedOut: return {Kind::TimedOut, code};
    case ErrorConnectionClosed:
    case ErrorConnectionReset:
    case ErrorConnectionAborted:
    case ErrorEmptyResponse:
    case ErrorIncompleteChunkedEncoding:
    case ErrorContentLengthMismatch: return {Kind::ConnectionLost, code};
    default: break;
    }
    // The engine's certificate errors are numbered -200 to -299.
    if (code <= -200 && code > -300)
        return {Kind::Certificate, code};
    return {Kind::Other, code};
}

QUrl HttpsFirst::begin(const QUrl& address)
{
    clear();
    if (address.scheme() != u"http")
        return address;
    fallback_ = address;
    attempt_ = address;
    // An address that names no port keeps none: https's own, 443.
    attempt_.setScheme(QStringLiteral("https"));
    return attempt_;
}

QUrl HttpsFirst::fallbackAfter(const QWebEngineLoadingInfo& info)
{
    const QUrl attempt = std::exchange(attempt_, {});
    const QUrl fallback = std::exchange(fallback_, {});
    if (fallback.isEmpty() || endOf(info) != LoadEnd::Failure
        || NavigationMemory::key(info.url()) != NavigationMemory::key(attempt)
        || info.errorDomain() == QWebEngineLoadingInfo::CertificateErrorDomain)
        return {};
    switch (info.errorCode()) {
    case ErrorConnectionRefused:
    case ErrorConnectionReset:
    case ErrorConnectionClosed:
    case ErrorConnectionAborted:
    case ErrorEmptyResponse:
    case ErrorSslProtocol:
    case ErrorSslVersionOrCipherMismatch:
    case ErrorSslVersionInterference: return fallback;
    default: return {};
    }
}

void HttpsFirst::clear()
{
    attempt_.clear();
    fallback_.clear();
}

}  // namespace engine
