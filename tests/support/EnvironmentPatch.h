#pragma once

#include <QByteArray>
#include <QList>

#include <optional>

// Environment variables set for one test and put back as they were after it.
class EnvironmentPatch {
public:
    // A null value unsets the variable.
    void set(const char* name, const QByteArray& value)
    {
        saved_.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~EnvironmentPatch()
    {
        for (auto it = saved_.crbegin(); it != saved_.crend(); ++it)
            it->second ? qputenv(it->first, *it->second) : qunsetenv(it->first);
    }

private:
    QList<std::pair<const char*, std::optional<QByteArray>>> saved_;
};
