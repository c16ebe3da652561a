#pragma once

#include "platform/Autostart.h"
#include "platform/ProcessStarter.h"
#include "platform/UrlOpener.h"

#include <QSet>
#include <QString>
#include <QStringList>

// Records every change to the start-at-logon list; can be told to fail.
class FakeAutostart : public platform::Autostart {
public:
    bool add(const QString& name, const QString&, QString* error) override { return answer("add " + name, error); }
    bool remove(const QString& name, QString* error) override { return answer("remove " + name, error); }

    QStringList calls;
    QString failWith;  // the system's reason to report; empty for success

private:
    bool answer(const QString& call, QString* error)
    {
        calls.append(call);
        if (!failWith.isEmpty() && error)
            *error = failWith;
        return failWith.isEmpty();
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

// Takes every address it is handed, or fails with the reason given.
class FakeUrlOpener : public platform::UrlOpener {
public:
    void open(const QString& address, Done done) override
    {
        opened.append(address);
        done(failWith.isEmpty() ? std::nullopt : std::optional(failWith));
    }

    QStringList opened;
    QString failWith;
};
