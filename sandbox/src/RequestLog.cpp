#include "RequestLog.h"

#include <cstdio>
#include <ctime>

namespace sandbox {

namespace {

std::string isoTime(std::chrono::system_clock::time_point time)
{
    using namespace std::chrono;
    const auto sinceEpoch = time.time_since_epoch();
    const std::time_t seconds = duration_cast<std::chrono::seconds>(sinceEpoch).count();
    const auto millis = duration_cast<milliseconds>(sinceEpoch).count() % 1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    char fraction[8];
    std::snprintf(fraction, sizeof fraction, ".%03dZ", static_cast<int>(millis));
    return std::string(text, length) + fraction;
}

void addField(std::string& line, std::string_view name, std::string_view value)
{
    line += ',';
    line += jsonString(name);
    line += ':';
    line += jsonString(value);
}

}  // namespace

std::string_view portalOf(Endpoint endpoint)
{
    switch (endpoint) {
    case Endpoint::NetmarbleLogin:
    case Endpoint::NetmarbleGame:
    case Endpoint::NetmarbleHome:
        return "netmarble";
    case Endpoint::DaumLogin:
    case Endpoint::DaumSecureLogin:
    case Endpoint::DaumHome:
    case Endpoint::DaumUser:
    case Endpoint::DaumGame:
        return "daum";
    case Endpoint::ZavivSite:
    case Endpoint::GuideSite:
        break;
    }
    return {};
}

std::string formatLogLine(const LogEntry& entry, std::chrono::system_clock::time_point time)
{
    std::string line = "{\"time\":" + jsonString(isoTime(time));
    addField(line, "endpoint", endpointName(entry.endpoint));
    if (!portalOf(entry.endpoint).empty())
        addField(line, "portal", portalOf(entry.endpoint));
    addField(line, "method", entry.method);
    addField(line, "scheme", entry.scheme.empty() ? "http" : entry.scheme);
    addField(line, "path", entry.path);
    addField(line, "query", entry.query);
    line += ",\"form\":{";
    for (size_t i = 0; i < entry.form.size(); ++i) {
        if (i > 0)
            line += ',';
        line += jsonString(entry.form[i].first) + ':' + jsonString(entry.form[i].second);
    }
    line += "},\"status\":" + std::to_string(entry.status);
    if (!entry.location.empty())
        addField(line, "location", entry.location);
    if (!entry.event.empty())
        addField(line, "event", entry.event);
    if (!entry.user.empty())
        addField(line, "user", entry.user);
    if (!entry.code.empty())
        addField(line, "code", entry.code);
    line += '}';
    return line;
}

void RequestLog::write(const LogEntry& entry)
{
    const std::string line = formatLogLine(entry, std::chrono::system_clock::now());
    const std::lock_guard lock(mutex_);
    out_ << line << '\n';
    out_.flush();
}

}  // namespace sandbox
