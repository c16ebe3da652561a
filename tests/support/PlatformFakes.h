#pragma once

#include "platform/Autostart.h"
#include "platform/ProcessStarter.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

// Records every change to the start-at-logon list; can be told to fail.
class FakeAutostart : public platform::Autostart {
public:
    bool add(const QString& name, const QString& command, QString* error) override
    {
        calls.append(QStringLiteral("add ") + name);
        lastCommand = command;
        if (onCall)
            onCall();
        return answer(error);
    }
    bool remove(const QString& name, QString* error) override
    {
        calls.append(QStringLiteral("remove ") + name);
        if (onCall)
            onCall();
        return answer(error);
    }

    QStringList calls;
    QString lastCommand;
    QString failWith;  // the system's reason to report; empty for success
    std::function<void()> onCall;  // sees the world as it is when the list changes

private:
    bool answer(QString* error) const
    {
        if (failWith.isEmpty())
            return true;
        if (error)
            *error = failWith;
        return false;
    }
};

// Records every start as "program argument"; arguments in failing do not start.
class FakeProcessStarter : public platform::ProcessStarter {
public:
    bool start(const QString& program, const QString& argument) override
    {
        started.append(program + QLatin1Char(' ') + argument);
        return !failing.contains(argument);
    }

    QStringList started;
    QSet<QString> failing;
};
